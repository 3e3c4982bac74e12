#pragma once
// Every allocation of a benchmark program is counted, so that the memory one
// run takes can be told: the bytes in use, and their peak since it was last
// reset. Include this header in exactly one source of a program (it replaces
// the global operator new and delete).
#include <malloc.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace tqbench {

inline std::size_t gLiveBytes = 0;
inline std::size_t gPeakBytes = 0;

__attribute__((noinline)) inline void* Counted(void* p) {
  if (p == nullptr) throw std::bad_alloc();
  gLiveBytes += malloc_usable_size(p);
  gPeakBytes = std::max(gPeakBytes, gLiveBytes);
  return p;
}
__attribute__((noinline)) inline void Uncount(void* p) {
  if (p == nullptr) return;
  gLiveBytes -= malloc_usable_size(p);
  std::free(p);
}

// Starts a measurement: the bytes in use now, and the peak set to them.
inline std::size_t StartPeak() {
  gPeakBytes = gLiveBytes;
  return gLiveBytes;
}

}  // namespace tqbench

void* operator new(std::size_t n) { return tqbench::Counted(std::malloc(n == 0 ? 1 : n)); }
void* operator new[](std::size_t n) { return tqbench::Counted(std::malloc(n == 0 ? 1 : n)); }
void operator delete(void* p) noexcept { tqbench::Uncount(p); }
void operator delete[](void* p) noexcept { tqbench::Uncount(p); }
void operator delete(void* p, std::size_t) noexcept { tqbench::Uncount(p); }
void operator delete[](void* p, std::size_t) noexcept { tqbench::Uncount(p); }
