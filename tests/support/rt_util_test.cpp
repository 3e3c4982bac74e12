#include "support/Rt_Util.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <stdexcept>

#include "TestSupport.h"
#include "host/CountedString.h"
#include "platform/Platform.h"
#include "support/TextOutput.h"

namespace {

TEST(IndentString, SpacesOnlyForPositiveCounts) {
  EXPECT_EQ(IndentString(0), "");
  EXPECT_EQ(IndentString(-3), "");
  EXPECT_EQ(IndentString(4), "    ");
}

TEST(UnitConversions, MicroMilRoundingTiesGoToEven) {
  EXPECT_DOUBLE_EQ(HostUnitsToMils(625), 0.062);    // 62.5 -> 62
  EXPECT_DOUBLE_EQ(HostUnitsToMils(1875), 0.188);   // 187.5 -> 188
  EXPECT_DOUBLE_EQ(HostUnitsToMils(-625), -0.062);  // the fraction rounds symmetrically
  EXPECT_DOUBLE_EQ(HostUnitsToMils(123456789), 12345.679);
  EXPECT_DOUBLE_EQ(RoundToMicroMil(-1.0625), -1.062);
}

TEST(UnitConversions, MilsToHostUnits) {
  EXPECT_EQ(MilsToHostUnitsRounded(1.4), 14000);
  EXPECT_EQ(MilsToHostUnitsRounded(20), 200000);
  EXPECT_EQ(MilsToHostUnitsRounded(0.15625), 1562);  // exactly 1562.5 -> 1562
  EXPECT_EQ(MilsToHostUnitsRounded(0.09375), 938);   // exactly 937.5 -> 938
  EXPECT_EQ(MilsToHostUnitsRounded(1e12), INT32_MAX);
  EXPECT_DOUBLE_EQ(MilsToHostUnits(2.5), 25000.0);
  EXPECT_NEAR(DegreesToRadians(180.0), 3.141592653589793, 1e-15);
  EXPECT_EQ(MinInt(3, 3), 3);
  EXPECT_EQ(MaxInt(-1, 2), 2);
  EXPECT_EQ(MinInt(-1, 2), -1);
}

TEST(TextEqualsIgnoreCase, OnlyAsciiLettersIgnoreCase) {
  EXPECT_TRUE(TextEqualsIgnoreCase("C:\\Boards\\Main.HYP", "c:\\boards\\main.hyp"));
  EXPECT_FALSE(TextEqualsIgnoreCase("abc", "abcd"));
  EXPECT_FALSE(TextEqualsIgnoreCase("\xC4", "\xE4"));  // other characters compare exactly
  EXPECT_FALSE(TextEqualsIgnoreCase("[", "{"));
}

TEST(CountedString, CutsNeverOverflows) {
  TCountedString<20> s(std::string(25, 'x'));
  EXPECT_EQ(s.size(), 20u);
  EXPECT_EQ(s.Length, 20);
  TCountedString<20> bad;
  bad.Length = 200;  // as a misbehaving host might leave it
  EXPECT_EQ(bad.view().size(), 20u);
  EXPECT_EQ(CutTo255(std::string(300, 'a')).size(), 255u);
}

TEST(MakeTempFileName, CreatesAnEmptyFileOrGivesEmptyText) {
  tqtest::ScratchDir dir;
  {
    tqtest::ScopedEnv tmp("TMPDIR", dir.path().string());
    const std::string name = MakeTempFileName();
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name.rfind(dir.path().string(), 0), 0u);
    EXPECT_TRUE(platform::FileExists(name));
    EXPECT_EQ(tqtest::ReadFile(name), "");
    EXPECT_NE(MakeTempFileName(), name);
  }
  tqtest::ScopedEnv missing("TMPDIR", (dir.path() / "does-not-exist").string());
  EXPECT_EQ(MakeTempFileName(), "");
}

TEST(TextOutput, DetectsWriteErrorsWhenClosed) {
  tqtest::ScratchDir dir;
  TTextOutput good;
  ASSERT_TRUE(good.Open(dir / "a.txt"));
  good.WriteLine("one");
  good.WriteLine("");
  EXPECT_TRUE(good.Close());
  EXPECT_EQ(tqtest::ReadFile(dir / "a.txt"), "one\r\n\r\n");
  EXPECT_FALSE(good.Close());

  TTextOutput full;
  ASSERT_TRUE(full.Open("/dev/full"));
  full.WriteLine("this cannot be stored");
  EXPECT_FALSE(full.Close());

  TTextOutput none;
  EXPECT_FALSE(none.Open(""));
  none.WriteLine("ignored");
  EXPECT_FALSE(none.Close());
}

// The capture that the message tests rely on: every kind of writer is caught,
// and the stream is given back even when the statement throws.
TEST(TestSupport, StderrCaptureCatchesEveryWriterAndEndsOnThrow) {
  const std::string err = tqtest::StderrOf([] {
    std::fputs("stdio ", stderr);
    std::cerr << "iostream ";
    EXPECT_EQ(write(2, "fd", 2), 2);
  });
  EXPECT_EQ(err, "stdio iostream fd");
  struct stat before = {};
  struct stat after = {};
  ASSERT_EQ(fstat(2, &before), 0);
  EXPECT_THROW(tqtest::StderrOf([] {
                 std::fputs("lost", stderr);
                 throw std::runtime_error("statement failed");
               }),
               std::runtime_error);
  ASSERT_EQ(fstat(2, &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_dev, before.st_dev);
}

TEST(Messages, OutsideTestModeTheRunGoesOn) {
  tqtest::ScopedRegistry registry;
  const std::string err = tqtest::StderrOf([] {
    EXPECT_EQ(ShowErrorMessage("Something failed"), 1);
    EXPECT_EQ(ShowWarningMessage("Careful", "Notice"), 1);
  });
  EXPECT_EQ(err, "[Error] Something failed\n[Notice] Careful\n");
}

TEST(MessagesDeathTest, TestModePrintsOneLineAndEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  tqtest::ScopedRegistry registry;
  registry.TurnOnTestMode();
  EXPECT_EXIT(ShowErrorMessage("Error in ConvertToHyperlynxLayer"), testing::ExitedWithCode(1), "");
  // The line itself, read from a child process's standard output.
  const tqtest::RunResult warn =
      tqtest::RunCommand(std::string("QUORVEX_REGISTRY_ROOT=") + tqtest::Quote(registry.root()) +
                         " " TQ_BIN_DIR "/tq-message-probe warning Careful");
  EXPECT_EQ(warn.exitCode, 1);
  EXPECT_EQ(warn.output, "ShowDialogWithCaption withWarning Careful\n");
  const tqtest::RunResult err =
      tqtest::RunCommand(std::string("QUORVEX_REGISTRY_ROOT=") + tqtest::Quote(registry.root()) +
                         " " TQ_BIN_DIR "/tq-message-probe error Oops");
  EXPECT_EQ(err.output, "ShowDialogWithCaption withError Oops\n");
}

}  // namespace

#if defined(__i386__) || defined(__x86_64__)
#include <fpu_control.h>

namespace {

// A host that lowers the x87 unit to double precision must not change the
// library's extended-precision results, and gets its own setting back.
TEST(ExtendedPrecision, TheExportsRunAtExtendedPrecisionWhateverTheHostSet) {
  const double angle = 44063.67;  // one of the angles whose radians differ at 53 bits
  const double extended = DegreesToRadians(angle);
  fpu_control_t original;
  _FPU_GETCW(original);
  fpu_control_t lowered = static_cast<fpu_control_t>((original & ~_FPU_EXTENDED) | _FPU_DOUBLE);
  _FPU_SETCW(lowered);
  const double atDouble = DegreesToRadians(angle);
  double inScope = 0;
  {
    platform::ExtendedPrecisionScope scope;
    inScope = DegreesToRadians(angle);
  }
  fpu_control_t after;
  _FPU_GETCW(after);
  _FPU_SETCW(original);
  EXPECT_NE(atDouble, extended) << "this angle no longer shows the difference";
  EXPECT_EQ(inScope, extended);
  EXPECT_EQ(after, lowered);
}

}  // namespace
#endif
