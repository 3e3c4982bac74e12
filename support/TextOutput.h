#pragma once
// The buffered sequential text file that an export run writes its HYP lines
// into. Lines end with CR LF. Writing never reports an error line by line;
// the first error is remembered and Finish() reports whether everything that
// was written reached the file. The file is held open from Open() until it
// is closed or handed on to the commit (platform::HeldFile).
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Platform.h"

class TTextOutput {
 public:
  TTextOutput() = default;
  TTextOutput(const TTextOutput&) = delete;
  TTextOutput& operator=(const TTextOutput&) = delete;

  // Opens the file for writing, creating or emptying it. False on failure.
  bool Open(const std::string& path);
  bool IsOpen() const { return file_.IsOpen(); }

  void Write(std::string_view text);
  // text followed by CR LF.
  void WriteLine(std::string_view text);
  // One record on its own line: `indent` spaces, "(", the fragment, ")",
  // CR LF.
  void WriteRecord(std::int32_t indent, std::string_view fragment);

  // Hands what is buffered to the file, which stays held. True when the file
  // is open and every byte written reached it (no write error).
  bool Finish();
  // Finish(), then lets go of the file. Closing twice gives false.
  bool Close();
  // The held file, for the commit; the output has none afterwards.
  platform::HeldFile HandOver() { return std::move(file_); }

  // Lets go of every held file at once, without writing what is buffered;
  // for the moment before the process ends without unwinding, so that the
  // files can be removed (a held file cannot be on Windows).
  static void AbandonAll() noexcept { platform::HeldFile::CloseAll(); }

 private:
  // Hands the buffered text to the file.
  void Flush();

  platform::HeldFile file_;
  bool failed_ = false;
  // Text not yet handed to the file: one write of the system per 64 KiB
  // instead of one per piece.
  std::string buffer_;
};
