#include "sim/hostprog/ExportHiding.h"

#include <fstream>
#include <iterator>

std::string CopyModuleWithoutExport(const std::string& modulePath, const std::string& exportName,
                                    const std::string& directory, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return std::string();
  };
  if (exportName.size() < 2) return fail("export name too short: " + exportName);
  std::ifstream in(modulePath, std::ios::binary);
  if (!in) return fail("cannot read " + modulePath);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  // Every place the name stands as a whole NUL-terminated string: the export
  // name table (PE) or the dynamic string table (ELF), and symbol or debug
  // strings, which do no harm. The last character goes down by one: ELF
  // looks names up by hash and then compares them, so the changed name is
  // never found; PE's sorted name table stays sorted, since no other export
  // lies between the old and the new spelling.
  const std::string needle = std::string(1, '\0') + exportName + std::string(1, '\0');
  std::size_t count = 0;
  for (std::size_t at = bytes.find(needle); at != std::string::npos; at = bytes.find(needle, at + 1)) {
    char& last = bytes[at + exportName.size()];
    last = static_cast<char>(last == '0' ? 'z' : last - 1);
    ++count;
  }
  if (count == 0) return fail(exportName + " is not exported by " + modulePath);

  const std::size_t cut = modulePath.find_last_of("\\/");
  std::string target = directory;
  if (!target.empty() && target.back() != '/' && target.back() != '\\') target += '/';
  target += cut == std::string::npos ? modulePath : modulePath.substr(cut + 1);
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) return fail("cannot write " + target);
  return target;
}
