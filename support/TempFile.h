#pragma once
// Sole owner of a temporary file: the file is removed when the owner goes,
// unless it was handed on with Release(). Move-only; the destructor never
// throws. Close every stream on the file before the owner goes (a file that
// is still open cannot be removed on Windows).
//
// The files of all live owners are known, so that a message that ends the
// process (test mode) can remove them first: no end leaves one behind.
#include <string>
#include <utility>

class TTempFile {
 public:
  TTempFile() = default;
  explicit TTempFile(std::string path) : path_(std::move(path)) { Track(path_); }
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
  std::string Release() {
    Untrack(path_);
    return std::exchange(path_, std::string());
  }
  // Removes the file now (nothing when there is none or it was handed on).
  void Remove() noexcept;

 private:
  static void Track(const std::string& path);
  static void Untrack(const std::string& path) noexcept;
  std::string path_;
};

// Removes the files of all live owners now; called just before the process
// ends without unwinding.
void RemoveLiveTempFiles() noexcept;
