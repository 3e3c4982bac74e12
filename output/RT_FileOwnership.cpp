#include "output/RT_FileOwnership.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "host/HostAccess.h"
#include "platform/Platform.h"
#include "support/Rt_Util.h"

namespace {

std::size_t FileNameStart(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? 0 : cut + 1;
}

bool StartsWith(const std::string& line, const char* key) { return line.rfind(key, 0) == 0; }

// Every line of a text; line breaks are CR LF, LF or CR.
std::vector<std::string> SplitLines(const std::string& content) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < content.size(); ++i) {
    const char c = content[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

std::string LockFileName(const std::string& fileName) {
  const std::size_t start = FileNameStart(fileName);
  return fileName.substr(0, start) + "~$" + fileName.substr(start) + "_loc";
}

bool ReadLockFile(const std::string& fileName, TFileOwnershipDetails& details) {
  details = {};
  const std::string lockName = LockFileName(fileName);
  // A lock file holds three short lines; anything far larger is not one. A
  // FIFO or a device is never waited for: it counts as unreadable.
  constexpr std::size_t kMaxLockFileBytes = 1 << 20;
  std::string content;
  switch (platform::ReadSmallRegularFile(lockName, kMaxLockFileBytes, content)) {
    case platform::SmallFileRead::Missing:
      return false;
    case platform::SmallFileRead::Unreadable:
      throw std::runtime_error("cannot read " + lockName + " as a lock file");
    case platform::SmallFileRead::Read:
      break;
  }
  for (const std::string& line : SplitLines(content)) {
    if (StartsWith(line, "ComputerName"))
      details.ComputerName = line.size() > 13 ? line.substr(13) : std::string();
    else if (StartsWith(line, "UserName"))
      details.UserName = line.size() > 9 ? line.substr(9) : std::string();
    else if (StartsWith(line, "ProcessID"))
      details.ProcessID = line.size() > 10 ? line.substr(10) : std::string();
  }
  return !details.ComputerName.empty() && !details.UserName.empty() && !details.ProcessID.empty();
}

std::string CurrentProcessIdText() { return std::to_string(platform::ProcessId()); }

bool IsLockedByOther(const std::string& fileName, std::string& computerName, std::string& userName) {
  computerName.clear();
  userName.clear();
  try {
    TFileOwnershipDetails details;
    if (!ReadLockFile(fileName, details)) return false;
    computerName = details.ComputerName;
    userName = details.UserName;
    if (!TextEqualsIgnoreCase(details.ComputerName, ComputerNameText())) return true;
    if (!TextEqualsIgnoreCase(details.UserName, UserNameText())) return true;
    return !TextEqualsIgnoreCase(details.ProcessID, CurrentProcessIdText());
  } catch (const std::exception&) {
    // Another process may keep the lock file open for its own use; a lock
    // file too large to be one is no better.
    computerName.clear();
    userName.clear();
    return true;
  }
}

namespace {

// Adds one line about fileName to the workspace's message list, when there is
// one; the list opens the file again from the line.
void PostFileMessage(const char16_t* label, const std::string& fileName, const std::string& text) {
  IHostWorkspace* workspace = HostWorkspace();
  if (workspace == nullptr) return;
  THostRef<IHostMessageList> messages;
  CheckHost(workspace->GetMessageList(messages.Receive()), THostOperation::IHostWorkspace_GetMessageList);
  if (!messages) return;
  auto w = [](const std::string& s) { return platform::SingleByteToWide(s); };
  CheckHost(messages->AddMessage(label, w(text).c_str(), u"Quorvex Designer", w(fileName).c_str(),
                                 u"WorkspaceManager:OpenObject", w("FileName=" + fileName).c_str(), 73, 0, 0, 0),
            THostOperation::IHostMessageList_AddMessage);
}

}  // namespace

void ReportLockedFile(const std::string& fileName, const std::string& computerName, const std::string& userName) {
  // A lock file that could not be read names nobody: the message says so
  // instead of naming an empty user on an empty computer.
  const std::string holder =
      userName.empty() || computerName.empty() ? "another process" : userName + " on " + computerName;
  PostFileMessage(u"[Locked File]", fileName,
                  fileName.substr(FileNameStart(fileName)) + " is used by " + holder +
                      ". You will not be able to save your changes.");
}

void ReportExportNote(const std::string& fileName, const std::string& text) {
  PostFileMessage(u"[HYP Export]", fileName, text);
}

namespace {

// Replaces the destination by the temporary file: a move within one volume,
// otherwise a copy beside the destination that is then moved over it. The
// user's previous file stays until the new one is complete.
TCommitResult ReplaceDestination(platform::HeldFile& written, const std::string& destName) {
  const std::string tempName = written.Path();
  std::string moveError;
  if (written.MoveTo(destName, &moveError)) return TCommitResult::Replaced;
  std::string copyError;
  if (written.CopyTo(destName, &copyError)) {
    written.Remove();
    return TCommitResult::Replaced;
  }
  written.Close();
  // The previous file is named only where there is one; a folder that is gone
  // is said in words rather than as the system's "not found".
  const std::string folder = destName.substr(0, FileNameStart(destName));
  const bool folderGone = !folder.empty() && !platform::PathExists(folder);
  ShowErrorMessage("The exported file could not be saved as " + destName + " (" +
                   (folderGone ? "its folder does not exist" : copyError) + ")" +
                   (platform::FileExists(destName) ? ". The previous file is unchanged;" : ";") +
                   " the export was kept as " + tempName + ".");
  return TCommitResult::Kept;
}

}  // namespace

TCommitResult CommitOutputFile(platform::HeldFile written, const std::string& destName) {
  const std::string tempName = written.Path();
  if (TextEqualsIgnoreCase(tempName, destName)) {
    written.Close();
    return TCommitResult::SameFile;
  }
  // Until the replacement has been tried, a failing host call ends the
  // commit with the temporary file removed and the destination untouched.
  auto discardTemp = [&] { written.Remove(); };

  // A name the file system does not take can hold no lock file and no
  // export: the run fails with the system's reason.
  std::string reason;
  if (platform::ProbePath(destName, &reason) == platform::PathState::Refused) {
    discardTemp();
    ShowErrorMessage("The file " + destName + " cannot be saved: " + reason + ". The export was not saved.");
    return TCommitResult::Refused;
  }

  std::string computerName, userName;
  if (IsLockedByOther(destName, computerName, userName)) {
    try {
      ReportLockedFile(destName, computerName, userName);
    } catch (...) {
      discardTemp();
      throw;
    }
    discardTemp();
    return TCommitResult::Locked;
  }

  // A read-only destination is the user's choice to keep it: it is not
  // replaced (a rename would replace it on Linux, and under wine).
  if (platform::IsReadOnlyFile(destName)) {
    discardTemp();
    ShowErrorMessage("The file " + destName + " is read-only and was not replaced. The export was not saved.");
    return TCommitResult::ReadOnly;
  }

  THostRef<IHostDocument> document;
  try {
    if (IHostClient* client = HostClient()) {
      CheckHost(client->GetDocumentForPath(platform::SingleByteToWide(destName).c_str(), document.Receive()),
                THostOperation::IHostClient_GetDocumentForPath);
    }
    if (document) CheckHost(document->BeginChange(), THostOperation::IHostDocument_BeginChange);
  } catch (...) {
    discardTemp();
    throw;
  }

  // Only the file written goes to the destination: another program (a
  // cleaner, a virus scanner, the user) may have removed it, cut it short,
  // or put another file or a link in its place after it was written. What
  // stands at its name now is not ours to move or remove.
  TCommitResult result = TCommitResult::NotWritten;
  std::string changed;
  try {
    if (written.StillTheFileWritten(&changed)) result = ReplaceDestination(written, destName);
  } catch (...) {
    // The end operation follows the begin operation whatever happened; the
    // first error is the one that reaches the host.
    if (document) document->EndChange();
    throw;
  }
  written.Close();
  // Past this point the temporary file is either at the destination or kept
  // on purpose (the user has been told where), or no longer ours: nothing
  // removes it.
  if (document) CheckHost(document->EndChange(), THostOperation::IHostDocument_EndChange);
  // Told after the host's bracket is closed, so that no dialog waits inside
  // it; the user must not believe the destination holds the export.
  if (result == TCommitResult::NotWritten)
    ShowErrorMessage("The export could not be saved as " + destName + ": its temporary file " + tempName +
                     " was changed by another program before it could be moved there (" + changed + "). The file " +
                     destName + " was not changed.");
  return result;
}
