#include "host/ReadFailures.h"

#include "host/PcbApi.h"

namespace {

std::int32_t g_failures[kPcbApiNameCount] = {};
std::int32_t g_total = 0;
int g_answers = 0;  // live TReadFailureIsAnswer scopes
std::int32_t g_steps = 0;
bool g_walksEndedEarly = false;

}  // namespace

void ResetReadFailures() {
  for (std::int32_t& count : g_failures) count = 0;
  g_total = 0;
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

void NoteReadFailure(std::size_t index) {
  if (g_answers > 0 || index >= kPcbApiNameCount) return;
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

TReadFailureIsAnswer::TReadFailureIsAnswer() { ++g_answers; }
TReadFailureIsAnswer::~TReadFailureIsAnswer() { --g_answers; }
