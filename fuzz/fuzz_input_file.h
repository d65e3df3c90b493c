#pragma once
// The input of a fuzz target as a file on disk, for the readers that take a
// file name. One scratch file per process, removed from its folder as soon as
// it is made, so that nothing is left behind however the process ends; it is
// reached through /proc/self/fd and rewritten for every input.

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace ltr::fuzz {

class TInputFile {
 public:
  TInputFile() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/ltr-fuzz-XXXXXX";
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0) std::abort();
    ::unlink(pattern.c_str());
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  TInputFile(const TInputFile&) = delete;
  TInputFile& operator=(const TInputFile&) = delete;

  // Makes the file hold exactly these bytes; returns its name.
  const std::string& Hold(const std::uint8_t* data, std::size_t size) {
    if (::ftruncate(fd_, 0) != 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
      if (n <= 0) std::abort();
      done += static_cast<std::size_t>(n);
    }
    return path_;
  }

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace ltr::fuzz
