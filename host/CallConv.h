#pragma once
// The host's entry points and our three exports use the standard Windows
// calling convention. The same sources build natively on Linux, where there is
// only one convention and the macro is empty.
#if defined(_WIN32)
#define TQ_STDCALL __stdcall
#else
#define TQ_STDCALL
#endif
