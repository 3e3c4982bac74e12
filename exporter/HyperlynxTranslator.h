#pragma once
// The export driver of one run: owns the temporary output file and everything
// the section writers need, and writes the frame of the HYP document.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "support/TextOutput.h"

// Raised by the driver's constructor when no temporary file can be created.
class ETempFileUnavailable : public std::runtime_error {
 public:
  ETempFileUnavailable() : std::runtime_error("No temporary file could be created for the export.") {}
};

class THyperlynxTranslator {
 public:
  // Creates the temporary file and opens it as the output; raises
  // ETempFileUnavailable when that is impossible.
  explicit THyperlynxTranslator(const std::string& fileName);
  THyperlynxTranslator(const THyperlynxTranslator&) = delete;
  THyperlynxTranslator& operator=(const THyperlynxTranslator&) = delete;
  ~THyperlynxTranslator();

  void WriteHeader();
  void WriteUnits();
  void WriteBoard();
  void WriteStackup();
  void WriteEnd();

  // Closes the output; true when everything written reached the file.
  bool CloseOutput() { return FOutput.Close(); }

  const std::string& TempFileName() const { return FTempFileName; }
  const std::string& FileName() const { return FFileName; }
  TTextOutput& Output() { return FOutput; }

 private:
  void WriteLine(const std::string& text) { FOutput.WriteLine(text); }

  std::string FTempFileName;
  std::string FFileName;
  TTextOutput FOutput;
};
