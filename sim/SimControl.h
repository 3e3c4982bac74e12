#pragma once
// Control of the simulated host by the host program and by tests.
//
// The PCB server library (Brondel) and the workspace module
// (WorkspaceManager) export, beside what the exporter uses, the functions
// below under their plain names with C linkage and the platform's default
// calling convention. The host program finds them with GetProcAddress/dlsym;
// native tests may link the two libraries and call them directly.
//
// Conventions:
//  - Texts going in are NUL-terminated UTF-8 (file names: the system's own
//    form).
//  - Texts coming back are written into the caller's buffer of `capacity`
//    bytes, cut to fit and always NUL-terminated (nothing is written when the
//    buffer is null or capacity is 0); the result is the length of the whole
//    text, so that a caller can tell that it was cut.
//  - Flags going in are int32: 0 = no, anything else = yes.
//  - Nothing here is thread-safe; the host runs everything on one thread.
#include <stdint.h>

#include "host/Export.h"

#ifdef __cplusplus
struct IHostClient;
extern "C" {
#else
typedef struct IHostClient IHostClient;
#endif

// ---------------------------------------------------------------------------
// PCB server library (Brondel)

// Loads a board document and makes it the current board, replacing the
// previous one. Returns 1 on success; 0 when the document cannot be read,
// with the reason ("file: /json/pointer: what is wrong") in `error`. On
// failure the previous board stays.
TQ_EXPORT int32_t Sim_LoadBoardFile(const char* path, char* error, int32_t capacity);
// The same for a document held in memory; sourceName stands for the file
// name in messages.
TQ_EXPORT int32_t Sim_LoadBoardText(const char* json, const char* sourceName, char* error, int32_t capacity);
// Writes the current board as a board document. Returns 1 on success, 0 with
// the reason in `error`.
TQ_EXPORT int32_t Sim_SaveBoardFile(const char* path, char* error, int32_t capacity);
// Forgets the board: the host then has no board at all.
TQ_EXPORT void Sim_ClearBoard(void);
// With a nonzero flag the host behaves as if no board were open (the board
// stays loaded and comes back with 0): the current board handle is 0, the
// PCB server has no current board, and every query fails.
TQ_EXPORT void Sim_SetNoCurrentBoard(int32_t none);
// The handle of the current board, 0 for none.
TQ_EXPORT int32_t Sim_GetBoardHandle(void);
// The handle of the net of that name (kind 8) or the component with that
// designator (kind 9); 0 when there is none.
TQ_EXPORT int32_t Sim_FindObject(int32_t kind, const char* name);

// Progress display. Events: 0 opened (PcbApi_Percent_Init), 1 one step done
// (PcbApi_Percent_Update), 2 closed (PcbApi_Percent_Finish). The caption is
// the host's single-byte text.
typedef void (*Sim_ProgressCallback)(void* context, int32_t event, const char* caption, int32_t total, int32_t count);
TQ_EXPORT void Sim_SetProgressCallback(Sim_ProgressCallback callback, void* context);
// The display's state: the total and steps of the last opening, how often it
// was opened and closed, and its caption (the result is the caption's length).
// Any pointer may be null.
TQ_EXPORT int32_t Sim_GetProgress(int32_t* total, int32_t* steps, int32_t* opened, int32_t* closed, char* caption,
                                  int32_t capacity);

// The host's client interface, borrowed: it lives as long as the library and
// no reference is added (the host program hands it out through its export
// ClientAPI_GetClientInterface).
TQ_EXPORT IHostClient* Sim_GetClientInterface(void);
// With a zero flag the client has no object for any file path (it answers
// "none" rather than failing).
TQ_EXPORT void Sim_SetDocumentsAvailable(int32_t available);
// The calls made on objects for file paths, one line each: "begin PATH",
// "end PATH", with " (failed)" appended when the call was made to fail.
TQ_EXPORT int32_t Sim_GetDocumentLog(char* buffer, int32_t capacity);

// Makes the interface operation `call` ("IPcbLayerStack::NextLayer") fail with
// kHostFail after `successes` more successful calls, until cleared. The
// entry points the exporter calls can be made to fail the same way
// ("PcbApi_QueryPad"): a failing one writes nothing and gives an error
// result (1 for a query, 0 for a handle or an object kind). Returns 0 for an
// operation this library does not have (Sim_ListCalls names them).
TQ_EXPORT int32_t Sim_FailCall(const char* call, int32_t successes);
// Writes every call the exporter makes on this library to the file at
// `path`, one line each: an entry point by its name, an interface operation
// as "Interface::Operation(arguments)" (the object it is called on first,
// where that is a layer, dielectric, via or document); " (failed)" is
// appended to a call made to fail. A null or empty path ends the trace and
// closes the file. Returns 0 when the file cannot be created.
TQ_EXPORT int32_t Sim_SetCallTrace(const char* path);
// Adds one line to the call trace (nothing when there is none): the other
// modules write their calls here, so that the trace keeps the order of all
// calls.
typedef void (*Sim_TraceWriter)(const char* line);
TQ_EXPORT void Sim_WriteTraceLine(const char* line);
// Disarms every failure and resets the call counts.
TQ_EXPORT void Sim_ClearFailures(void);
// How often an operation was called since the last clearing.
TQ_EXPORT int32_t Sim_GetCallCount(const char* call);
// The operations that can be made to fail, one per line.
TQ_EXPORT int32_t Sim_ListCalls(char* buffer, int32_t capacity);

// With a nonzero flag the host writes every text it answers in query mode
// filled up to 255 characters (the text, then '~'), through every counted-
// string pointer it is given, as a host may that takes each text buffer for
// 256 bytes. Off again with 0 or Sim_Reset.
TQ_EXPORT void Sim_SetHostileStrings(int32_t hostile);

// References handed out by interface operations and not yet released; 0 when
// every receiver has released what it got.
TQ_EXPORT int32_t Sim_GetOutstandingReferences(void);
// Iterators created and not yet destroyed.
TQ_EXPORT int32_t Sim_GetLiveIterators(void);
// Back to the state after loading: failures, counts, progress, the document
// log and the flags above are reset; the board stays.
TQ_EXPORT void Sim_Reset(void);

// ---------------------------------------------------------------------------
// Workspace module (WorkspaceManager)

// Message fields by number: texts 0 label, 1 text, 2 source, 3 document,
// 4 command, 5 parameters (as UTF-8); numbers 0 image index, 1..3 the three
// further integers.
TQ_EXPORT int32_t Sim_Workspace_GetMessageCount(void);
TQ_EXPORT int32_t Sim_Workspace_GetMessageText(int32_t index, int32_t field, char* buffer, int32_t capacity);
TQ_EXPORT int32_t Sim_Workspace_GetMessageNumber(int32_t index, int32_t field);
TQ_EXPORT void Sim_Workspace_ClearMessages(void);
// With a zero flag GetWorkspace gives nullptr (no workspace), or the
// workspace gives no message list.
TQ_EXPORT void Sim_Workspace_SetAvailable(int32_t available);
TQ_EXPORT void Sim_Workspace_SetMessageListAvailable(int32_t available);
// The host replaces its workspace by a new one, as the editor may between
// two exports. The old object stays in memory only so that a caller who kept
// it can be caught: every call on it fails and is counted.
TQ_EXPORT void Sim_Workspace_Replace(void);
TQ_EXPORT int32_t Sim_Workspace_GetStaleCalls(void);
// As Sim_FailCall for "IHostWorkspace::GetMessageList" and
// "IHostMessageList::AddMessage".
TQ_EXPORT int32_t Sim_Workspace_FailCall(const char* call, int32_t successes);
TQ_EXPORT void Sim_Workspace_ClearFailures(void);
// Writes every call of the workspace's operations through `writer` (in the
// form of Sim_SetCallTrace; the host program hands it Sim_WriteTraceLine);
// null ends it.
TQ_EXPORT void Sim_Workspace_SetCallTrace(Sim_TraceWriter writer);
TQ_EXPORT int32_t Sim_Workspace_GetCallCount(const char* call);
TQ_EXPORT int32_t Sim_Workspace_ListCalls(char* buffer, int32_t capacity);
TQ_EXPORT int32_t Sim_Workspace_GetOutstandingReferences(void);
// Messages, failures, counts and flags back to the start.
TQ_EXPORT void Sim_Workspace_Reset(void);

#ifdef __cplusplus
}
#endif
