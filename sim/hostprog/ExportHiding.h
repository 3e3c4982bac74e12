#pragma once
// Leaving out one export of a module, for tests of a library that binds the
// module's entry points by name: the module file is copied into a directory
// of its own with that export's name changed in place, so that a lookup by
// name no longer finds it while every other export still resolves. The copy
// keeps the module's file name, so the exporter finds it among the loaded
// modules as it would find the original.
#include <string>

// Writes the copy to directory/<file name of modulePath> and returns its
// path; empty text with *error set when the name is not found or the copy
// cannot be written.
std::string CopyModuleWithoutExport(const std::string& modulePath, const std::string& exportName,
                                    const std::string& directory, std::string* error);
