#pragma once
// The fields a caller passes by pointer may sit at any address: records
// exchanged with the host are packed, so an int32 or a double can start at an
// odd byte. Every value goes through memcpy, never through a typed load or
// store.
#include <cstring>

namespace sim {

template <typename T>
T LoadFrom(const T* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

template <typename T, typename V>
void StoreTo(T* p, V value) {
  const T typed = static_cast<T>(value);
  std::memcpy(p, &typed, sizeof typed);
}

}  // namespace sim
