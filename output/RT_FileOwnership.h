#pragma once
// Ownership of a destination file, and the commit of a finished export.
//
// Another editor process that holds a document open announces it with a lock
// file beside the document ("~$" + name + "_loc", lines ComputerName=...,
// UserName=..., ProcessID=...). This unit only reads lock files; it never
// creates, changes or removes one.
#include <string>

#include "platform/Platform.h"

struct TFileOwnershipDetails {
  std::string ComputerName;
  std::string UserName;
  std::string ProcessID;
};

// The lock file's name of a file: same directory, "~$" + name + "_loc".
std::string LockFileName(const std::string& fileName);

// Reads the lock file of fileName. True when it exists and all three values
// are non-empty. Raises std::runtime_error when something exists at the lock
// file's name but cannot be read as a regular file (a directory, a FIFO, a
// device, a file held open exclusively) or is far too large to be a lock file
// (over 1 MiB). It never waits: a FIFO is not opened for a blocking read.
bool ReadLockFile(const std::string& fileName, TFileOwnershipDetails& details);

// Whether another process (another computer, user or process id) holds
// fileName. A lock file that exists but cannot be read counts as held, with
// empty names; one that does not exist (or whose name the file system
// refuses, so that none can exist) is free.
bool IsLockedByOther(const std::string& fileName, std::string& computerName, std::string& userName);

// Posts the locked-file message to the host's message list, when there is one.
// With an empty user or computer name (a lock file that could not be read)
// the file reads as used by another process.
void ReportLockedFile(const std::string& fileName, const std::string& computerName, const std::string& userName);

// Posts one line about what the export of fileName could not write as the
// board has it (label "[HYP Export]") to the host's message list, when there
// is one: the list keeps it beside the board, where no dialog stops the run.
void ReportExportNote(const std::string& fileName, const std::string& text);

std::string CurrentProcessIdText();

enum class TCommitResult {
  Replaced,    // the destination now holds the new file
  SameFile,    // temporary and destination name the same file: nothing done
  Locked,      // held by another process: reported, temporary file deleted
  NotWritten,  // the temporary file's name no longer named the file
               // written when the commit came to it (removed, replaced,
               // linked, changed in size): the user has been told, the
               // destination is unchanged and what stands at the name is
               // left alone
  Kept,        // the destination could not be replaced: it is unchanged and
               // the temporary file was kept (the user has been told where)
  Refused,     // the file system does not take the destination's name: the
               // user has been told why, the temporary file deleted
  ReadOnly,    // the destination is read-only: the user has been told, it
               // is unchanged and the temporary file deleted
};

// Puts the finished temporary file, still held open as it was written, at
// the destination unless another process holds it, the file system refuses
// the destination's name, or the destination is read-only (each told to the
// user, the temporary file deleted), or the temporary file's name no longer
// names the file written (told to the user). The destination holds either
// its old or its new complete content at every moment. A failure result of
// a host call raises EHostError; the temporary file is then gone unless it
// was kept on purpose (Kept), and the destination holds its old content
// unless the failure came after the replacement.
TCommitResult CommitOutputFile(platform::HeldFile written, const std::string& destName);
