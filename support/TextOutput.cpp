#include "support/TextOutput.h"

TTextOutput::~TTextOutput() {
  if (file_ != nullptr) std::fclose(file_);
}

bool TTextOutput::Open(const std::string& path) {
  if (file_ != nullptr) std::fclose(file_);
  failed_ = false;
  file_ = path.empty() ? nullptr : std::fopen(path.c_str(), "wb");
  if (file_ != nullptr) std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
  return file_ != nullptr;
}

void TTextOutput::Write(std::string_view text) {
  if (file_ == nullptr || failed_ || text.empty()) return;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) failed_ = true;
}

void TTextOutput::WriteLine(std::string_view text) {
  Write(text);
  Write("\r\n");
}

bool TTextOutput::Close() {
  if (file_ == nullptr) return false;
  bool ok = !failed_ && std::fflush(file_) == 0 && std::ferror(file_) == 0;
  if (std::fclose(file_) != 0) ok = false;
  file_ = nullptr;
  return ok;
}
