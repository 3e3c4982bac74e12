#pragma once
// Ownership of a destination file, and the commit of a finished export.
//
// Another editor process that holds a document open announces it with a lock
// file beside the document ("~$" + name + "_loc", lines ComputerName=...,
// UserName=..., ProcessID=...). This unit only reads lock files; it never
// creates, changes or removes one.
#include <string>

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
// fileName. An unreadable lock file counts as held, with empty names.
bool IsLockedByOther(const std::string& fileName, std::string& computerName, std::string& userName);

// Posts the locked-file message to the host's message list, when there is one.
void ReportLockedFile(const std::string& fileName, const std::string& computerName, const std::string& userName);

std::string CurrentProcessIdText();

enum class TCommitResult {
  Replaced,    // the destination now holds the new file
  SameFile,    // temporary and destination name the same file: nothing done
  Locked,      // held by another process: reported, temporary file deleted
  NoTempFile,  // there was no temporary file to commit
  Kept,        // the destination could not be replaced: it is unchanged and
               // the temporary file was kept (the user has been told where)
};

// Puts the finished temporary file at the destination unless another process
// holds it. The destination holds either its old or its new complete content
// at every moment. A failure result of a host call raises EHostError; the
// temporary file is then gone unless it was kept on purpose (Kept), and the
// destination holds its old content unless the failure came after the
// replacement.
TCommitResult CommitOutputFile(const std::string& tempName, const std::string& destName);
