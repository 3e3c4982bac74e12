#include "support/TextOutput.h"

namespace {

constexpr std::size_t kBufferSize = 1 << 16;

}  // namespace

bool TTextOutput::Open(const std::string& path) {
  failed_ = false;
  buffer_.clear();
  buffer_.reserve(kBufferSize);
  return file_.Open(path);
}

void TTextOutput::Flush() {
  if (buffer_.empty()) return;
  if (!failed_ && !file_.Write(buffer_.data(), buffer_.size())) failed_ = true;
  buffer_.clear();
}

void TTextOutput::Write(std::string_view text) {
  if (!IsOpen() || failed_ || text.empty()) return;
  buffer_.append(text);
  if (buffer_.size() >= kBufferSize) Flush();
}

void TTextOutput::WriteLine(std::string_view text) {
  Write(text);
  Write("\r\n");
}

void TTextOutput::WriteRecord(std::int32_t indent, std::string_view fragment) {
  if (!IsOpen() || failed_) return;
  if (indent > 0) buffer_.append(static_cast<std::size_t>(indent), ' ');
  buffer_ += '(';
  buffer_.append(fragment);
  buffer_.append(")\r\n");
  if (buffer_.size() >= kBufferSize) Flush();
}

bool TTextOutput::Finish() {
  if (!IsOpen()) return false;
  Flush();
  buffer_.shrink_to_fit();
  return !failed_;
}

bool TTextOutput::Close() {
  const bool ok = Finish();
  file_.Close();
  return ok;
}
