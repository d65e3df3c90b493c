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
#include <vector>

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

// How a file is replaced.
struct TReplaceOptions {
  // The data goes to an unnamed file in the folder where the filesystem
  // supports that, otherwise to a named temporary. False: always a named
  // temporary, as on NFS, vfat or CIFS.
  bool UnnamedTemporary = true;
};

// Writes the bytes to a new temporary file next to fileName, flushes it to
// disk and renames it over fileName (a link is followed, and a replaced file
// keeps its permissions). False with the reason (Russian) when the file could
// not be written; an existing file is then left as it was. While it writes, a
// file size limit makes the write fail (EFBIG) instead of ending the program,
// and SIGINT, SIGTERM or SIGHUP remove a named temporary before they end it
// (where the program has not chosen its own handling of them).
bool ReplaceFileContents(const std::string& fileName, const std::uint8_t* data, std::size_t size,
                         std::string& reason, const TReplaceOptions& options = {});
// The same for a text.
bool ReplaceFileText(const std::string& fileName, const std::string& text, std::string& reason);

// One file of a set that is replaced together.
struct TFileContents {
  std::string Name;
  std::string Data;
};

// Replaces the files as one: every temporary is written in full first, and
// only then are they renamed over their targets, one after the other. False
// when a file could not be written: `failed` is its index and `reason` says
// why; every existing file is then left as it was and no temporary remains.
bool ReplaceFilesTogether(const std::vector<TFileContents>& files, std::size_t& failed, std::string& reason,
                          const TReplaceOptions& options = {});

// Why a file cannot be written under fileName; empty when it can: the name is
// empty, names a folder or something other than a regular file, or its folder
// does not exist or cannot take a new file. Nothing is left behind.
std::string OutputFileError(const std::string& fileName);

}  // namespace ltr
