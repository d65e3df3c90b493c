#pragma once
// Plain file access for the readers and writers of the program: whole reads
// and writes that survive interruptions, a descriptor that closes itself, and
// the replacement of a file's contents through a temporary file in the same
// folder, so that an interrupted write never leaves a half-written file.

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

namespace ltr {

// The reason for a system error number, in Russian.
std::string SystemReason(int e);

// read() until `size` bytes are in or the file ends; the bytes read. On a
// failure err is the error number, otherwise 0.
std::size_t ReadFully(int fd, std::uint8_t* out, std::size_t size, int& err);
// write() until all `size` bytes are out; false (with err) on a failure.
bool WriteFully(int fd, const std::uint8_t* data, std::size_t size, int& err);

class TFileDescriptor {
 public:
  explicit TFileDescriptor(int fd) : fd_(fd) {}
  ~TFileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  int Get() const { return fd_; }
  // Closes now and reports a failure of close (a late write error).
  bool Close(int& err) {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
      err = errno;
      return false;
    }
    return true;
  }

 private:
  int fd_;
};

// Writes the bytes to a new temporary file next to fileName, flushes it to
// disk and renames it over fileName (a link is followed, and a replaced file
// keeps its permissions). False with the reason (Russian) when the file could
// not be written; an existing file is then left as it was.
bool ReplaceFileContents(const std::string& fileName, const std::uint8_t* data, std::size_t size,
                         std::string& reason);
// The same for a text.
bool ReplaceFileText(const std::string& fileName, const std::string& text, std::string& reason);

}  // namespace ltr
