#pragma once
// The interface operations a module of the simulated host answers, taken from
// the one list in host/HostOperations.inc, and the text of one call of them
// for the call trace: "Interface::Operation(argument, ...)". Where an
// operation belongs to a layer, dielectric, via or document object, the
// object comes first (the layer number, the via's handle, the path).
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "host/HostInterfaces.h"
#include "host/HostOperations.h"
#include "sim/common/WideText.h"

namespace sim {

// The names of the operations of `module`, in list order. The switch of a
// module numbers them from 0: the first operation of the module is 0.
inline std::vector<std::string> ModuleOperations(THostModule module) {
  std::vector<std::string> names;
  for (const THostOperationInfo& op : kHostOperations)
    if (op.module == module) names.emplace_back(op.name);
  return names;
}

// The operation's number in its module's switch.
constexpr int ModuleOperationId(THostOperation op) {
  const THostModule module = kHostOperations[static_cast<std::size_t>(op)].module;
  int id = 0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(op); ++i)
    if (kHostOperations[i].module == module) ++id;
  return id;
}

constexpr int ModuleOperationCount(THostModule module) {
  int count = 0;
  for (const THostOperationInfo& op : kHostOperations)
    if (op.module == module) ++count;
  return count;
}

namespace trace {

inline std::string Argument(std::int64_t value) { return std::to_string(value); }
inline std::string Argument(std::int32_t value) { return std::to_string(value); }
inline std::string Argument(std::uint32_t value) { return std::to_string(value); }
inline std::string Argument(std::string_view text) { return "\"" + std::string(text) + "\""; }
inline std::string Argument(const char16_t* text) {
  return text == nullptr ? std::string("null") : Argument(WideToUtf8(ReadWide(text, 1024)));
}
inline std::string Argument(const TGuid& iid) {
  if (iid == IID_IPcbServer) return "IPcbServer";
  if (iid == IID_IPcbBoard) return "IPcbBoard";
  if (iid == IID_IPcbVia) return "IPcbVia";
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-...}", static_cast<unsigned>(iid.Data1));
  return text;
}

}  // namespace trace

template <typename... Args>
std::string CallText(THostOperation op, bool failed, const Args&... args) {
  std::string text = HostOperationName(op);
  text += '(';
  bool first = true;
  ((text += (first ? "" : ", ") + trace::Argument(args), first = false), ...);
  text += ')';
  if (failed) text += " (failed)";
  return text;
}

}  // namespace sim
