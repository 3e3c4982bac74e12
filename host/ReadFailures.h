#pragma once
// The reads of one export run that the host answered with a failure.
//
// The entry points never raise and the run goes on with what the model then
// holds; but a failure the host reports, where its answer is not an ordinary
// one (no rule for an object, no size of a via on a layer, the end of a
// walk), leaves a hole in the file. The wrappers count every such failure of
// a bound entry point, an iterator the host could not create among them, so
// that the run can tell the user at its end. An entry point that is not bound
// gives its default without being counted: that host simply lacks it.
// docs/reliability.md lists what each entry point's failure means.
#include <cstddef>
#include <cstdint>
#include <string>

// Forgets what was counted (at the start of every run).
void ResetReadFailures();
// Counts one failed call of the entry point with that binding index about
// the object with that handle (0: not known), unless a TReadFailureIsAnswer
// lives.
void NoteReadFailure(std::size_t index, std::int32_t object = 0);
// The failed calls counted since the last reset.
std::int32_t ReadFailureCount();
// Which entry points failed and how often, in binding order, for support:
// "PcbApi_QueryPad (3), PcbApi_CreateIterator (1)"; walks that ended early
// last.
std::string ReadFailureList();
// What the failed reads left out, in the designer's words: the objects of
// each kind whose reads failed, the most first ("9 tracks, 2 pads"); walks
// that ended early last.
std::string ReadFailureSubjects();

// The progress steps of the run (one per pad, via, net and component the
// writers visit), counted by the progress wrapper since the last reset. The
// end of a walk is the only answer a walk gives, so a walk the host ended
// early shows only as a writer that met another number of objects than the
// run counted for it at its start (exporter/Tarnquil.cpp compares them).
void NoteProgressStep();
std::int32_t ProgressSteps();
// Counts, once a run, that walks ended early.
void NoteWalksEndedEarly();

// While one lives, a failure result is the host's ordinary answer to the
// question asked (a via without a size on a layer), not a failed read.
class TReadFailureIsAnswer {
 public:
  TReadFailureIsAnswer();
  TReadFailureIsAnswer(const TReadFailureIsAnswer&) = delete;
  TReadFailureIsAnswer& operator=(const TReadFailureIsAnswer&) = delete;
  ~TReadFailureIsAnswer();
};
