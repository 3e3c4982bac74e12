#pragma once
// TQ_EXPORT marks a function that a module exports under its plain name: our
// library's three exports, the simulated host's entry points and its control
// functions. On Windows it is dllexport (each module links with --kill-at, so
// the stdcall names lose their @N decoration); elsewhere it gives default
// visibility, as everything else is built hidden. Pair it with C linkage:
// `extern "C" TQ_EXPORT` on a definition, or declarations inside an
// `extern "C"` block. A module that only calls such a function may see the
// same declaration: the attribute exports nothing that the module does not
// define.
#if defined(_WIN32)
#define TQ_EXPORT __declspec(dllexport)
#else
#define TQ_EXPORT __attribute__((visibility("default")))
#endif
