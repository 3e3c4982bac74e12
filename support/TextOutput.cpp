#include "support/TextOutput.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::size_t kBufferSize = 1 << 16;

// The outputs that hold an open file; a run has one.
std::vector<TTextOutput*>& OpenOutputs() {
  static std::vector<TTextOutput*> outputs;
  return outputs;
}

void Forget(TTextOutput* output) noexcept {
  std::vector<TTextOutput*>& open = OpenOutputs();
  open.erase(std::remove(open.begin(), open.end(), output), open.end());
}

}  // namespace

TTextOutput::~TTextOutput() {
  if (file_ != nullptr) std::fclose(file_);
  Forget(this);
}

bool TTextOutput::Open(const std::string& path) {
  if (file_ != nullptr) std::fclose(file_);
  Forget(this);
  failed_ = false;
  buffer_.clear();
  buffer_.reserve(kBufferSize);
  file_ = path.empty() ? nullptr : std::fopen(path.c_str(), "wb");
  if (file_ != nullptr) OpenOutputs().push_back(this);
  return file_ != nullptr;
}

void TTextOutput::AbandonAll() noexcept {
  for (TTextOutput* output : OpenOutputs()) {
    std::fclose(output->file_);
    output->file_ = nullptr;
    output->buffer_.clear();
  }
  OpenOutputs().clear();
}

void TTextOutput::Flush() {
  if (buffer_.empty()) return;
  if (!failed_ && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
  buffer_.clear();
}

void TTextOutput::Write(std::string_view text) {
  if (file_ == nullptr || failed_ || text.empty()) return;
  buffer_.append(text);
  if (buffer_.size() >= kBufferSize) Flush();
}

void TTextOutput::WriteLine(std::string_view text) {
  Write(text);
  Write("\r\n");
}

void TTextOutput::WriteRecord(std::int32_t indent, std::string_view fragment) {
  if (file_ == nullptr || failed_) return;
  if (indent > 0) buffer_.append(static_cast<std::size_t>(indent), ' ');
  buffer_ += '(';
  buffer_.append(fragment);
  buffer_.append(")\r\n");
  if (buffer_.size() >= kBufferSize) Flush();
}

bool TTextOutput::Close() {
  if (file_ == nullptr) return false;
  Flush();
  bool ok = !failed_ && std::fflush(file_) == 0 && std::ferror(file_) == 0;
  if (std::fclose(file_) != 0) ok = false;
  file_ = nullptr;
  Forget(this);
  buffer_.clear();
  buffer_.shrink_to_fit();
  return ok;
}
