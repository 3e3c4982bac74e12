#pragma once
// Sole owner of a temporary file: the file is removed when the owner goes,
// unless it was handed on with Release(). Move-only; the destructor never
// throws. Close every stream on the file before the owner goes (a file that
// is still open cannot be removed on Windows).
#include <string>
#include <utility>

class TTempFile {
 public:
  TTempFile() = default;
  explicit TTempFile(std::string path) : path_(std::move(path)) {}
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  TTempFile(TTempFile&& other) noexcept : path_(std::exchange(other.path_, std::string())) {}
  TTempFile& operator=(TTempFile&& other) noexcept {
    if (this != &other) {
      Remove();
      path_ = std::exchange(other.path_, std::string());
    }
    return *this;
  }
  ~TTempFile() { Remove(); }

  const std::string& Path() const { return path_; }
  // Hands the file on: it is no longer removed by this owner.
  std::string Release() { return std::exchange(path_, std::string()); }
  // Removes the file now (nothing when there is none or it was handed on).
  void Remove() noexcept;

 private:
  std::string path_;
};
