#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>

#include "TestSupport.h"
#include "output/RT_FileOwnership.h"
#include "platform/Platform.h"
#include "support/Rt_Util.h"

namespace {

using tqtest::ReadFile;
using tqtest::RunCommand;
using tqtest::ScratchDir;
using tqtest::WriteFile;

std::string ThisProcessLock() {
  return "ComputerName=" + ComputerNameText() + "\r\nUserName=" + UserNameText() +
         "\r\nProcessID=" + CurrentProcessIdText() + "\r\n";
}

TEST(LockFile, NameSitsBesideTheDocument) {
  EXPECT_EQ(LockFileName("C:\\Boards\\Main.hyp"), "C:\\Boards\\~$Main.hyp_loc");
  EXPECT_EQ(LockFileName("/boards/Main"), "/boards/~$Main_loc");
  EXPECT_EQ(LockFileName("Main.hyp"), "~$Main.hyp_loc");
}

TEST(LockFile, KeysAreExactLastOneWinsAllThreeNeeded) {
  ScratchDir dir;
  const std::string doc = dir / "Main.hyp";
  TFileOwnershipDetails d;
  EXPECT_FALSE(ReadLockFile(doc, d));  // no lock file

  WriteFile(LockFileName(doc), "ComputerName=PC1\nUserName=Ann\rProcessID=12\r\nComputerName:PC7\nother=1\n");
  ASSERT_TRUE(ReadLockFile(doc, d));
  EXPECT_EQ(d.ComputerName, "PC7");  // any one separator character, last line wins
  EXPECT_EQ(d.UserName, "Ann");
  EXPECT_EQ(d.ProcessID, "12");

  WriteFile(LockFileName(doc), "ComputerName=PC1\r\nUserName=Ann\r\n");
  EXPECT_FALSE(ReadLockFile(doc, d));
  WriteFile(LockFileName(doc), "computername=PC1\r\nusername=Ann\r\nprocessid=1\r\n");
  EXPECT_FALSE(ReadLockFile(doc, d));
  WriteFile(LockFileName(doc), "ComputerName=PC1\r\nUserName=\r\nProcessID=1\r\n");
  EXPECT_FALSE(ReadLockFile(doc, d));
}

TEST(LockFile, OwnershipComparesComputerUserAndProcess) {
  ScratchDir dir;
  const std::string doc = dir / "Main.hyp";
  std::string computer, user;

  WriteFile(LockFileName(doc), ThisProcessLock());
  EXPECT_FALSE(IsLockedByOther(doc, computer, user));

  WriteFile(LockFileName(doc), "ComputerName=" + ComputerNameText() + "\nUserName=" + UserNameText() +
                                   "\nProcessID=" + std::to_string(platform::ProcessId() + 1) + "\n");
  EXPECT_TRUE(IsLockedByOther(doc, computer, user));
  EXPECT_EQ(computer, ComputerNameText());
  EXPECT_EQ(user, UserNameText());

  WriteFile(LockFileName(doc), "ComputerName=PC7\nUserName=Ann\nProcessID=1\n");
  EXPECT_TRUE(IsLockedByOther(doc, computer, user));
  EXPECT_EQ(computer, "PC7");
  EXPECT_EQ(user, "Ann");

  // A "lock file" far too large to be one counts as held, with empty names.
  WriteFile(LockFileName(doc), "ComputerName=PC7\nUserName=Ann\nProcessID=1\n" + std::string(2 << 20, 'x'));
  EXPECT_TRUE(IsLockedByOther(doc, computer, user));
  EXPECT_EQ(computer, "");

  // A lock that cannot be read counts as held, with empty names.
  std::filesystem::remove(LockFileName(doc));
  std::filesystem::create_directory(LockFileName(doc));
  EXPECT_TRUE(IsLockedByOther(doc, computer, user));
  EXPECT_EQ(computer, "");
  EXPECT_EQ(user, "");
}

// A lock file with the given values.
std::string Lock(const std::string& computer, const std::string& user, const std::string& process) {
  return "ComputerName=" + computer + "\r\nUserName=" + user + "\r\nProcessID=" + process + "\r\n";
}

std::string FlipCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// Each of the three values alone decides: a lock that differs from ours in one
// field only belongs to someone else; differences of case are none.
TEST(LockFile, OneDifferingFieldMakesAnotherOwner) {
  ScratchDir dir;
  const std::string doc = dir / "Main.hyp";
  const std::string computer = ComputerNameText(), user = UserNameText(), process = CurrentProcessIdText();
  ASSERT_FALSE(computer.empty());
  ASSERT_FALSE(user.empty());
  std::string lockComputer, lockUser;

  WriteFile(LockFileName(doc), Lock(computer + "x", user, process));
  EXPECT_TRUE(IsLockedByOther(doc, lockComputer, lockUser)) << "another computer";
  EXPECT_EQ(lockComputer, computer + "x");

  WriteFile(LockFileName(doc), Lock(computer, user + "x", process));
  EXPECT_TRUE(IsLockedByOther(doc, lockComputer, lockUser)) << "another user";
  EXPECT_EQ(lockUser, user + "x");

  WriteFile(LockFileName(doc), Lock(computer, user, process + "0"));
  EXPECT_TRUE(IsLockedByOther(doc, lockComputer, lockUser)) << "another process";

  WriteFile(LockFileName(doc), Lock(FlipCase(computer), FlipCase(user), process));
  EXPECT_FALSE(IsLockedByOther(doc, lockComputer, lockUser)) << "names compare without case";
}

// Whether IsLockedByOther(doc) comes back by itself within a few seconds;
// when it does not, the lock file (a FIFO) is opened for writing so that the
// waiting reader is let go and the test can report the hang.
bool ReturnsWithoutWaiting(const std::string& doc, const std::string& fifo, bool* locked) {
  std::string computer, user;
  auto check = std::async(std::launch::async, [&] { return IsLockedByOther(doc, computer, user); });
  if (check.wait_for(std::chrono::seconds(10)) == std::future_status::ready) {
    *locked = check.get();
    return true;
  }
  const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  if (fd >= 0) ::close(fd);
  *locked = check.get();
  return false;
}

TEST(LockFile, AFifoOrADeviceCountsAsHeldAndIsNeverWaitedFor) {
  ScratchDir dir;
  const std::string doc = dir / "Main.hyp";
  ASSERT_EQ(::mkfifo(LockFileName(doc).c_str(), 0644), 0);
  bool locked = false;
  EXPECT_TRUE(ReturnsWithoutWaiting(doc, LockFileName(doc), &locked)) << "the lock check waited on a FIFO";
  EXPECT_TRUE(locked);

  std::filesystem::remove(LockFileName(doc));
  std::filesystem::create_symlink("/dev/zero", LockFileName(doc));
  std::string computer, user;
  EXPECT_TRUE(IsLockedByOther(doc, computer, user));
  EXPECT_EQ(computer, "");

  // A link to nowhere is no lock file at all.
  std::filesystem::remove(LockFileName(doc));
  std::filesystem::create_symlink(dir / "nowhere", LockFileName(doc));
  EXPECT_FALSE(IsLockedByOther(doc, computer, user));
}

// The file at path as the export holds it: opened, held and written anew
// with what it holds now (nothing held when there is no file there).
platform::HeldFile Held(const std::string& path) {
  const std::string content = std::filesystem::is_regular_file(path) ? ReadFile(path) : std::string();
  platform::HeldFile file;
  if (file.Open(path)) file.Write(content.data(), content.size());
  return file;
}

class Commit : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::string temp = dir / "tqh0001.tmp";
  std::string dest = dir / "Main.hyp";
};

TEST_F(Commit, ReplacesTheDestination) {
  WriteFile(temp, "new");
  WriteFile(dest, "old");
  EXPECT_EQ(CommitOutputFile(Held(temp), dest), TCommitResult::Replaced);
  EXPECT_EQ(ReadFile(dest), "new");
  EXPECT_FALSE(platform::FileExists(temp));

  WriteFile(temp, "newer");
  WriteFile(LockFileName(dest), ThisProcessLock());  // our own lock never blocks
  EXPECT_EQ(CommitOutputFile(Held(temp), dest), TCommitResult::Replaced);
  EXPECT_EQ(ReadFile(dest), "newer");
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST_F(Commit, TheDestinationKeepsItsPermissions) {
  for (mode_t mode : {0644, 0640, 0604}) {
    WriteFile(temp, "new");
    ::chmod(temp.c_str(), 0600);  // as the temporary file is made
    WriteFile(dest, "old");
    ::chmod(dest.c_str(), mode);
    EXPECT_EQ(CommitOutputFile(Held(temp), dest), TCommitResult::Replaced);
    EXPECT_EQ(ReadFile(dest), "new");
    EXPECT_EQ(ModeOf(dest), mode);
  }
  // A new destination gets what a newly created file gets.
  const mode_t mask = ::umask(022);
  ::umask(mask);
  std::filesystem::remove(dest);
  WriteFile(temp, "new");
  ::chmod(temp.c_str(), 0600);
  EXPECT_EQ(CommitOutputFile(Held(temp), dest), TCommitResult::Replaced);
  EXPECT_EQ(ModeOf(dest), 0666 & ~mask);
}

TEST_F(Commit, ALinkedDestinationHasItsTargetReplaced) {
  const std::string target = dir / "boards/real.hyp";
  std::filesystem::create_directory(dir / "boards");
  WriteFile(target, "old");
  ::chmod(target.c_str(), 0644);
  std::filesystem::create_symlink("boards/real.hyp", dest);  // relative, as users make them
  WriteFile(temp, "new");
  EXPECT_EQ(CommitOutputFile(Held(temp), dest), TCommitResult::Replaced);
  EXPECT_TRUE(std::filesystem::is_symlink(dest));
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_EQ(ModeOf(target), 0644u);

  // A link whose target does not exist yet: the target is created.
  std::filesystem::remove(target);
  WriteFile(temp, "newer");
  EXPECT_EQ(CommitOutputFile(Held(temp), dest), TCommitResult::Replaced);
  EXPECT_TRUE(std::filesystem::is_symlink(dest));
  EXPECT_EQ(ReadFile(target), "newer");
}

TEST_F(Commit, SameFileInAnotherCaseIsLeftAlone) {
  WriteFile(temp, "content");
  std::string upper = temp;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(CommitOutputFile(Held(temp), upper), TCommitResult::SameFile);
  EXPECT_EQ(ReadFile(temp), "content");
}

TEST_F(Commit, LockedDestinationIsUntouchedAndTheTemporaryFileGoes) {
  WriteFile(temp, "new");
  WriteFile(dest, "old");
  WriteFile(LockFileName(dest), "ComputerName=PC7\nUserName=Ann\nProcessID=1\n");
  EXPECT_EQ(CommitOutputFile(Held(temp), dest), TCommitResult::Locked);
  EXPECT_EQ(ReadFile(dest), "old");
  EXPECT_FALSE(platform::FileExists(temp));
}

TEST_F(Commit, ReplacesAcrossFileSystems) {
  struct stat a {
  }, b{};
  if (stat("/dev/shm", &b) != 0 || stat(dir.path().c_str(), &a) != 0 || a.st_dev == b.st_dev)
    GTEST_SKIP() << "needs /dev/shm on a file system other than the temporary directory's";
  std::string shmTemp = "/dev/shm/tq-commit-test-" + CurrentProcessIdText();
  WriteFile(shmTemp, "across");
  ::chmod(shmTemp.c_str(), 0600);
  const std::string target = dir / "real.hyp";
  WriteFile(target, "old");
  ::chmod(target.c_str(), 0644);
  std::filesystem::create_symlink(target, dest);
  EXPECT_EQ(CommitOutputFile(Held(shmTemp), dest), TCommitResult::Replaced);
  EXPECT_TRUE(std::filesystem::is_symlink(dest));
  EXPECT_EQ(ReadFile(target), "across");
  EXPECT_EQ(ModeOf(target), 0644u);
  EXPECT_FALSE(platform::FileExists(shmTemp));
}

// Where nothing can be placed, the export is kept and the message says
// where; it speaks of a previous file only where there is one.
TEST_F(Commit, KeepsTheTemporaryFileWhenNothingCanBePlaced) {
  struct Case {
    const char* what;
    std::string target;
    std::function<void()> make, undo;
    std::string told;  // how the message ends before the kept file's name
  } cases[] = {
      {"its folder is gone", dir / "no-such-dir/Main.hyp", [] {}, [] {}, " (its folder does not exist);"},
      {"a folder in its place", dest, [&] { std::filesystem::create_directory(dest); },
       [&] { std::filesystem::remove(dest); }, "Is a directory);"},
      {"a previous file that cannot be replaced", dest,
       [&] {
         WriteFile(dest, "old");
         if (RunCommand("chattr +i " + tqtest::Quote(dest)).exitCode != 0) std::filesystem::remove(dest);
       },
       [&] { RunCommand("chattr -i " + tqtest::Quote(dest)); }, "). The previous file is unchanged;"},
  };
  std::string unchecked;
  for (const Case& c : cases) {
    c.make();
    if (c.told.find("previous") != std::string::npos && !platform::FileExists(dest)) {
      unchecked = c.what;
      continue;
    }
    WriteFile(temp, "new");
    TCommitResult result{};
    const std::string told = tqtest::StderrOf([&] { result = CommitOutputFile(Held(temp), c.target); });
    c.undo();
    EXPECT_EQ(result, TCommitResult::Kept) << c.what;
    EXPECT_EQ(ReadFile(temp), "new") << c.what;
    // One sentence naming the destination, why, and where the export is.
    EXPECT_EQ(told.find("The exported file could not be saved as " + c.target + " ("), told.find("The exported"))
        << c.what << ": " << told;
    EXPECT_NE(told.find(c.told + " the export was kept as " + temp + ".\n"), std::string::npos)
        << c.what << ": " << told;
    EXPECT_EQ(told.find("previous") != std::string::npos, c.told.find("previous") != std::string::npos) << told;
    std::filesystem::remove(temp);
  }
  EXPECT_FALSE(platform::PathExists(dir / "no-such-dir"));
  if (!unchecked.empty())
    GTEST_SKIP() << "not checked: " << unchecked << " (no immutable files here: chattr +i failed)";
}

// A destination the export cannot take: the user is told which file and
// why, the destination stays as it was and the temporary file goes. A lock
// file whose name cannot exist holds nothing.
TEST_F(Commit, ADestinationThatCannotTakeTheExportIsLeftAloneAndTheUserToldWhy) {
  struct Case {
    const char* what;
    std::string name;
    mode_t mode;  // of an existing destination; 0: none
    TCommitResult result;
    const char* told;
  };
  const Case cases[] = {
      {"a name too long", std::string(300, 'n') + ".hyp", 0, TCommitResult::Refused,
       "cannot be saved: File name too long"},
      {"a lock file's name too long", std::string(250, 'n') + ".hyp", 0644, TCommitResult::Replaced, nullptr},
      {"read-only", "ro.hyp", 0444, TCommitResult::ReadOnly, "is read-only"},
      {"no write permission at all", "rx.hyp", 0555, TCommitResult::ReadOnly, "is read-only"},
  };
  for (const Case& c : cases) {
    const std::string target = dir / c.name;
    WriteFile(temp, "new");
    if (c.mode != 0) {
      WriteFile(target, "old");
      ::chmod(target.c_str(), c.mode);
    }
    TCommitResult result{};
    const std::string told = tqtest::StderrOf([&] { result = CommitOutputFile(Held(temp), target); });
    EXPECT_EQ(result, c.result) << c.what;
    EXPECT_FALSE(platform::FileExists(temp)) << c.what;
    if (c.told == nullptr) {
      EXPECT_EQ(told, "") << c.what;
      EXPECT_EQ(ReadFile(target), "new") << c.what;
      continue;
    }
    EXPECT_NE(told.find("The file " + target + " "), std::string::npos) << c.what << ": " << told;
    EXPECT_NE(told.find(c.told), std::string::npos) << c.what << ": " << told;
    if (c.mode != 0) {
      EXPECT_EQ(ReadFile(target), "old") << c.what;
      EXPECT_EQ(ModeOf(target), c.mode) << c.what;
    }
  }
}

// Only the file written is moved: where another program removed it, cut it
// short or made it longer, or put another file, a directory or a link in its
// place (also a link to the file written, renamed), or gave it a second name,
// the user is told what happened, the destination and what stands at the
// temporary name are left alone.
TEST_F(Commit, OnlyTheFileWrittenIsMoved) {
  const std::string other = dir / "other";
  struct Case {
    const char* what;
    std::function<void()> change;
    const char* why;
  } cases[] = {
      {"removed", [&] { std::filesystem::remove(temp); }, "it is gone"},
      {"truncated", [&] { std::filesystem::resize_file(temp, 0); }, "it holds 0 bytes, not the 3 written"},
      {"lengthened", [&] { std::filesystem::resize_file(temp, 5); }, "it holds 5 bytes, not the 3 written"},
      {"replaced by a file",
       [&] {
         WriteFile(other, "bad");
         std::filesystem::rename(other, temp);
       },
       "another file stands in its place"},
      {"replaced by a directory",
       [&] {
         std::filesystem::remove(temp);
         std::filesystem::create_directory(temp);
       },
       "another file stands in its place"},
      {"replaced by a link to another file",
       [&] {
         WriteFile(other, "bad");
         std::filesystem::remove(temp);
         std::filesystem::create_symlink(other, temp);
       },
       "a link stands in its place"},
      {"renamed, a link to it in its place",
       [&] {
         std::filesystem::rename(temp, other);
         std::filesystem::create_symlink(other, temp);
       },
       "a link stands in its place"},
      {"given a second name", [&] { std::filesystem::create_hard_link(temp, other); }, "it has another name as well"},
  };
  for (const Case& c : cases) {
    WriteFile(dest, "old");
    WriteFile(temp, "new");
    platform::HeldFile written = Held(temp);
    c.change();
    const bool tempThere = std::filesystem::exists(std::filesystem::symlink_status(temp));
    TCommitResult result{};
    const std::string told = tqtest::StderrOf([&] { result = CommitOutputFile(std::move(written), dest); });
    EXPECT_EQ(result, TCommitResult::NotWritten) << c.what;
    EXPECT_EQ(told, "[Error] The export could not be saved as " + dest + ": its temporary file " + temp +
                        " was changed by another program before it could be moved there (" + c.why + "). The file " +
                        dest + " was not changed.\n")
        << c.what;
    EXPECT_EQ(ReadFile(dest), "old") << c.what;
    EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(temp)), tempThere) << c.what;
    std::filesystem::remove_all(temp);
    std::filesystem::remove_all(other);
  }
}

}  // namespace
