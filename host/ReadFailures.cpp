#include "host/ReadFailures.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "host/PcbApi.h"

namespace {

std::int32_t g_failures[kPcbApiNameCount] = {};
std::int32_t g_total = 0;
int g_answers = 0;  // live TReadFailureIsAnswer scopes
std::int32_t g_steps = 0;
bool g_walksEndedEarly = false;

// What a failed read of an entry point leaves out, in the designer's words:
// the kind of object it asks about, singular and plural. Entry points that
// ask about the same kind of object share the words; the warning counts the
// objects of each kind, however many of their reads failed.
struct TSubject {
  std::string_view entryPoint, one, many;
};
constexpr TSubject kSubjects[] = {
    {"PcbApi_GetCurrentBoardHandle", "open board", "open boards"},
    {"PcbApi_CreateIterator", "list of objects", "lists of objects"},
    {"PcbApi_QueryLayer", "layer", "layers"},
    {"PcbApi_QueryInternalPlane", "layer", "layers"},
    {"PcbApi_QueryLayerDielectric", "layer", "layers"},
    {"PcbApi_QueryPad", "pad", "pads"},
    {"PcbApi_QueryPadStackMode", "pad", "pads"},
    {"PcbApi_QueryPadOrViaShapeOnLayer", "pad", "pads"},
    {"PcbApi_QueryPadOrViaSizeOnLayer", "pad", "pads"},
    {"PcbApi_QueryPadCornerRadiusOnLayer", "pad", "pads"},
    {"PcbApi_QueryPadCRPercentageOnLayer", "pad", "pads"},
    {"PcbApi_SetPadShapeOnLayer", "pad", "pads"},
    {"PcbApi_SetPadSizeOnLayer", "pad", "pads"},
    {"PcbApi_SetCRPctOnLayer", "pad", "pads"},
    {"PcbApi_QueryPad_PwrGnd", "pad", "pads"},
    {"PcbApi_QueryRulePowerPlaneExpansionRule", "design rule", "design rules"},
    {"PcbApi_QueryRule", "design rule", "design rules"},
    {"PcbApi_QueryVia", "via", "vias"},
    {"PcbApi_QueryViaStackMode", "via", "vias"},
    {"PcbApi_QueryTrack", "track", "tracks"},
    {"PcbApi_QueryArc", "arc", "arcs"},
    {"PcbApi_QueryFill", "fill", "fills"},
    {"PcbApi_QueryRegion", "region", "regions"},
    {"PcbApi_QueryText", "text", "texts"},
    {"PcbApi_QueryTrueTypeTextInfo", "text", "texts"},
    {"PcbApi_QueryBarCodeTextInfo", "text", "texts"},
    {"PcbApi_QueryPolygon", "polygon", "polygons"},
    {"PcbApi_QuerySplitPlane", "split plane", "split planes"},
    {"PcbApi_QueryComponent", "component", "components"},
    {"PcbApi_QueryComponentEx", "component", "components"},
    {"PcbApi_QueryComponentSourceLinks", "component", "components"},
    {"PcbApi_QueryDefaultPCB3DModel", "component", "components"},
    {"PcbApi_QueryComponentChannelOffset", "component", "components"},
    {"PcbApi_QueryComponentKind", "component", "components"},
    {"PcbApi_QueryNet", "net", "nets"},
    {"PcbApi_QueryClass", "class", "classes"},
    {"PcbApi_AddMemberToClass", "class", "classes"},
    {"PcbApi_RemoveAllMembersFromClass", "class", "classes"},
    {"PcbApi_QueryFromTo", "from-to", "from-tos"},
    {"PcbApi_QueryManualFromTo", "from-to", "from-tos"},
    {"PcbApi_QueryCoordinate", "coordinate", "coordinates"},
    {"PcbApi_QueryDimension", "dimension", "dimensions"},
    {"PcbApi_QueryExtDimension", "dimension", "dimensions"},
    {"PcbApi_References_Count", "reference", "references"},
    {"PcbApi_References_At", "reference", "references"},
    {"PcbApi_QueryEmbedded", "embedded object", "embedded objects"},
    {"PcbApi_QueryEmbeddedBoard", "embedded object", "embedded objects"},
    {"PcbApi_QueryViolation", "rule violation", "rule violations"},
};
// The board record's reads (its settings and options) all begin so.
constexpr std::string_view kBoardReads = "PcbApi_QueryBoard";
constexpr TSubject kBoardSubject = {kBoardReads, "board", "boards"};
// Reads about an object of any kind (its kind, its common fields).
constexpr TSubject kObjectSubject = {"", "object", "objects"};

const TSubject& SubjectOf(std::string_view entryPoint) {
  for (const TSubject& subject : kSubjects)
    if (subject.entryPoint == entryPoint) return subject;
  if (entryPoint.substr(0, kBoardReads.size()) == kBoardReads) return kBoardSubject;
  return kObjectSubject;
}

// The objects whose reads failed, each once per kind of subject; a failure
// about no known object (handle 0) counts on its own.
std::set<std::pair<std::string_view, std::int32_t>> g_objects;
std::map<std::string_view, std::int64_t> g_unnamedObjects;

}  // namespace

void ResetReadFailures() {
  for (std::int32_t& count : g_failures) count = 0;
  g_total = 0;
  g_objects.clear();
  g_unnamedObjects.clear();
  g_steps = 0;
  g_walksEndedEarly = false;
}

void NoteProgressStep() {
  if (g_steps < INT32_MAX) ++g_steps;
}

std::int32_t ProgressSteps() { return g_steps; }

void NoteWalksEndedEarly() {
  if (!g_walksEndedEarly && g_total < INT32_MAX) ++g_total;
  g_walksEndedEarly = true;
}

void NoteReadFailure(std::size_t index, std::int32_t object) {
  if (g_answers > 0 || index >= kPcbApiNameCount) return;
  const std::string_view subject = SubjectOf(kPcbApiNames[index]).one;
  if (object != 0)
    g_objects.emplace(subject, object);
  else
    ++g_unnamedObjects[subject];
  // Saturating: a count that cannot grow any more still says "many".
  if (g_failures[index] < INT32_MAX) ++g_failures[index];
  if (g_total < INT32_MAX) ++g_total;
}

std::int32_t ReadFailureCount() { return g_total; }

std::string ReadFailureList() {
  std::string list;
  for (std::size_t i = 0; i < kPcbApiNameCount; ++i) {
    if (g_failures[i] == 0) continue;
    if (!list.empty()) list += ", ";
    list += std::string(kPcbApiNames[i]) + " (" + std::to_string(g_failures[i]) + ")";
  }
  if (g_walksEndedEarly) {
    if (!list.empty()) list += ", ";
    list += "PcbApi_GetFirstObject or PcbApi_GetNextObject (walks ended early)";
  }
  return list;
}

std::string ReadFailureSubjects() {
  struct TGroup {
    const TSubject* subject;
    std::int64_t objects;
  };
  std::vector<TGroup> groups;  // in binding order of their first entry point
  for (std::size_t i = 0; i < kPcbApiNameCount; ++i) {
    if (g_failures[i] == 0) continue;
    const TSubject& subject = SubjectOf(kPcbApiNames[i]);
    if (std::any_of(groups.begin(), groups.end(), [&](const TGroup& g) { return g.subject->one == subject.one; }))
      continue;
    const auto first = g_objects.lower_bound({subject.one, INT32_MIN});
    const auto last = g_objects.upper_bound({subject.one, INT32_MAX});
    const auto unnamed = g_unnamedObjects.find(subject.one);
    groups.push_back({&subject, std::distance(first, last) +
                                    (unnamed == g_unnamedObjects.end() ? std::int64_t{0} : unnamed->second)});
  }
  // The most frequent first; a stable sort keeps the binding order of equals.
  std::stable_sort(groups.begin(), groups.end(),
                   [](const TGroup& a, const TGroup& b) { return a.objects > b.objects; });
  std::string words;
  for (const TGroup& group : groups) {
    if (!words.empty()) words += ", ";
    words += std::to_string(group.objects) + " " +
             std::string(group.objects == 1 ? group.subject->one : group.subject->many);
  }
  if (g_walksEndedEarly) {
    if (!words.empty()) words += ", ";
    words += "the objects after a list that ended early";
  }
  return words;
}

TReadFailureIsAnswer::TReadFailureIsAnswer() { ++g_answers; }
TReadFailureIsAnswer::~TReadFailureIsAnswer() { --g_answers; }
