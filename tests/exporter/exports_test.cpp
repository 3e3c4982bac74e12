// The library's exports, loaded the way the host loads them, with no host
// PCB server in the process: the run writes the document frame from the
// default layer names.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "TestSupport.h"
#include "host/CountedString.h"
#include "hyp/HypLayerNames.h"

namespace {

using GetDescription_t = const char* (*)();
using Recognised_t = std::uint8_t (*)(const TShortString*);
using Export_t = std::uint8_t (*)(const TShortString*, const TShortString*);

class Exports : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = dlopen(TQ_BIN_DIR "/libTarnquil.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    describe_ = reinterpret_cast<GetDescription_t>(dlsym(library_, "GetPcbExporterDescription"));
    recognised_ = reinterpret_cast<Recognised_t>(dlsym(library_, "RecognisedPcbFormat"));
    export_ = reinterpret_cast<Export_t>(dlsym(library_, "ExportFileFromPcb"));
    ASSERT_TRUE(describe_ && recognised_ && export_);
  }
  void TearDown() override {
    if (library_ != nullptr) dlclose(library_);
  }
  bool Recognised(const std::string& name) {
    TShortString s(name);
    return recognised_(&s) == 1;
  }
  std::uint8_t Export(const std::string& file, const std::string& format = "HyperLynx File (*.HYP)") {
    TShortString f(file), n(format);
    return export_(&f, &n);
  }

  void* library_ = nullptr;
  GetDescription_t describe_ = nullptr;
  Recognised_t recognised_ = nullptr;
  Export_t export_ = nullptr;
  tqtest::ScratchDir tmp_;
  tqtest::ScopedEnv tmpdir_{"TMPDIR", tmp_.path().string()};
  tqtest::ScopedRegistry registry_;
};

TEST_F(Exports, OnlyTheExactFormatNameIsRecognised) {
  EXPECT_STREQ(describe_(), "HyperLynx File (*.HYP)");
  EXPECT_TRUE(Recognised("HyperLynx File (*.HYP)"));
  for (const char* nearMiss : {"hyperlynx file (*.hyp)", "HyperLynx File (*.HYP) ", " HyperLynx File (*.HYP)",
                               "HyperLynx File (*.HY)", "HyperLynx  File (*.HYP)", "", "HyperLynx File (*.hyp)"})
    EXPECT_FALSE(Recognised(nearMiss)) << nearMiss;
  TShortString withTail("HyperLynx File (*.HYP)");
  withTail.Chars[22] = 'X';  // characters beyond the length do not count
  EXPECT_EQ(recognised_(&withTail), 1);
}

TEST_F(Exports, AnUnrecognisedFormatTouchesNothing) {
  tqtest::ScratchDir out;
  const std::string dest = out / "board.hyp";
  tqtest::WriteFile(dest, "previous");
  EXPECT_EQ(Export(dest, "HyperLynx File (*.hyp)"), 0);
  EXPECT_EQ(tqtest::ReadFile(dest), "previous");
  EXPECT_EQ(tqtest::ExportTempFilesIn(tmp_.path()), 0);  // no temporary file was made
}

TEST_F(Exports, WritesTheDocumentFrameWithCrLfLines) {
  tqtest::ScratchDir out;
  const std::string dest = out / "board.hyp";
  tqtest::WriteFile(dest, "previous");
  ASSERT_EQ(Export(dest), 1);
  const std::string content = tqtest::ReadFile(dest);
  ASSERT_FALSE(content.empty());
  EXPECT_EQ(content.rfind("{VERSION=2.14}\r\n", 0), 0u);  // first byte, no empty line before it
  EXPECT_EQ(
      tqtest::HypLines(content),
      (std::vector<std::string>{"{VERSION=2.14}", "", "{UNITS=ENGLISH LENGTH}", "", "{BOARD ", "}", "", "{STACKUP",
                                "  (OPTIONS USE_DIE_FOR_METAL=NO)", "}", "", "{DEVICES", "}", "", "", "{END}"}));
  EXPECT_EQ(tqtest::ExportTempFilesIn(tmp_.path()), 0);  // the temporary file was moved
}

TEST_F(Exports, ASecondRunWritesTheSameDocument) {
  tqtest::ScratchDir out;
  ASSERT_EQ(Export(out / "a.hyp"), 1);
  ASSERT_EQ(Export(out / "b.hyp"), 1);
  EXPECT_EQ(tqtest::ReadFile(out / "a.hyp"), tqtest::ReadFile(out / "b.hyp"));
}

TEST_F(Exports, WithoutATemporaryFileTheRunStopsAndSaysSo) {
  tqtest::ScratchDir out;
  const std::string dest = out / "board.hyp";
  tqtest::WriteFile(dest, "previous");
  tqtest::ScopedEnv noTemp("TMPDIR", (tmp_.path() / "missing").string());
  const std::string err = tqtest::StderrOf([&] { EXPECT_EQ(Export(dest), 0); });
  EXPECT_NE(err.find("No temporary file could be created"), std::string::npos) << err;
  EXPECT_EQ(tqtest::ReadFile(dest), "previous");
  EXPECT_FALSE(std::filesystem::exists(""));
}

TEST_F(Exports, LongArgumentsAreCutNotOverflowed) {
  tqtest::ScratchDir out;
  // A counted string whose length byte claims all 255 characters: a path
  // into the scratch directory that takes every one of them. The run reads
  // the whole name, no character more or less.
  const std::string dir = out.path().string() + "/";
  ASSERT_LT(dir.size(), 200u);
  const std::string full = dir + std::string(255 - dir.size(), 'a');
  TShortString name;
  name.Length = 255;
  std::memcpy(name.Chars, full.data(), sizeof name.Chars);
  TShortString format("HyperLynx File (*.HYP)");
  EXPECT_EQ(export_(&name, &format), 1);
  EXPECT_EQ(tqtest::ReadFile(full).rfind("{VERSION=", 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(full.substr(0, 254)));
  // A format name whose length byte claims characters beyond the name is
  // another name: nothing is written.
  TShortString longFormat("HyperLynx File (*.HYP)");
  longFormat.Length = 255;
  EXPECT_EQ(export_(&name, &longFormat), 0);
}

}  // namespace
