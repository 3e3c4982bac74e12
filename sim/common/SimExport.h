#pragma once
// Marks a function as exported by name from the module that defines it: the
// PCB server library, the workspace module and the host program.
#if defined(_WIN32)
#define SIM_EXPORT extern "C" __declspec(dllexport)
#else
#define SIM_EXPORT extern "C" __attribute__((visibility("default")))
#endif
