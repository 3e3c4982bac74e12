// Sections: opening and closing lines at one indentation, inner lines two
// spaces deeper, the indentation restored however a section ends.
#include "hyp/Section.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "TestSupport.h"

namespace {

class Sections : public ::testing::Test {
 protected:
  void SetUp() override {
    IndentLevel = 0;
    ASSERT_TRUE(out_.Open(dir_ / "s.hyp"));
  }
  std::string Written() {
    EXPECT_TRUE(out_.Close());
    return tqtest::ReadFile(dir_ / "s.hyp");
  }
  tqtest::ScratchDir dir_;
  TTextOutput out_;
};

TEST_F(Sections, NestedSectionsCloseAtTheirOpeningsIndentation) {
  WriteSection(out_, "NET=A", [&] {
    out_.WriteRecord(IndentLevel, "SEG");
    WriteSection(out_, "INNER", [&] { out_.WriteRecord(IndentLevel, "PIN"); });
    out_.WriteRecord(IndentLevel, "VIA");
  });
  EXPECT_EQ(IndentLevel, 0);
  EXPECT_EQ(Written(), "{NET=A\r\n  (SEG)\r\n  {INNER\r\n    (PIN)\r\n  }\r\n  (VIA)\r\n}\r\n");
}

TEST_F(Sections, ARaisingBodyLeavesTheSectionOpenAndTheIndentationAsItWas) {
  IndentLevel = 4;
  EXPECT_THROW(WriteSection(out_, "BOARD", [] { throw std::runtime_error("host"); }), std::runtime_error);
  EXPECT_EQ(IndentLevel, 4);
  EXPECT_EQ(Written(), "    {BOARD\r\n");
}

TEST_F(Sections, AShortStringOpeningIsCutAfter255CharactersIndentationIncluded) {
  const std::string head(300, 'x');
  IndentLevel = 2;
  WriteSection(
      out_, head, [] {}, TOpeningLine::Cut);
  WriteSection(out_, head, [] {});
  EXPECT_EQ(Written(), "  {" + head.substr(0, 252) + "\r\n  }\r\n  {" + head + "\r\n  }\r\n");
}

}  // namespace
