#pragma once
// The buffered sequential text file that an export run writes its HYP lines
// into. Lines end with CR LF. Writing never reports an error line by line;
// the first error is remembered and Close() reports whether everything that
// was written reached the file.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

class TTextOutput {
 public:
  TTextOutput() = default;
  TTextOutput(const TTextOutput&) = delete;
  TTextOutput& operator=(const TTextOutput&) = delete;
  ~TTextOutput();

  // Opens the file for writing, creating or emptying it. False on failure.
  bool Open(const std::string& path);
  bool IsOpen() const { return file_ != nullptr; }

  void Write(std::string_view text);
  // text followed by CR LF.
  void WriteLine(std::string_view text);
  // One record on its own line: `indent` spaces, "(", the fragment, ")",
  // CR LF.
  void WriteRecord(std::int32_t indent, std::string_view fragment);

  // Closes the file. True when the file was open and every byte written
  // reached it (no write, flush or close error). Closing twice gives false.
  bool Close();

  // Closes every open output at once, without writing what is buffered; for
  // the moment before the process ends without unwinding, so that the files
  // can be removed (an open file cannot be on Windows).
  static void AbandonAll() noexcept;

 private:
  // Hands the buffered text to the file.
  void Flush();

  std::FILE* file_ = nullptr;
  bool failed_ = false;
  // Text not yet handed to the file: one write of the C library per 64 KiB
  // instead of one per piece (each write takes the stream's lock).
  std::string buffer_;
};
