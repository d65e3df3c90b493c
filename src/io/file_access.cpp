#include "io/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace ltr {

namespace {

std::string HexSuffix() {
  std::random_device rd;
  static constexpr char digits[] = "0123456789abcdef";
  std::string out;
  for (int i = 0; i < 4; ++i) {
    unsigned v = rd();
    for (int j = 0; j < 4; ++j, v >>= 4) out += digits[v & 15u];
  }
  return out;
}

}  // namespace

std::string SystemReason(int e) {
  switch (e) {
    case ENOENT: return "файл или папка не существует";
    case EACCES:
    case EPERM: return "нет прав доступа";
    case EISDIR: return "по этому пути находится папка, а не файл";
    case ENOTDIR: return "часть пути не является папкой";
    case ENOSPC: return "на диске нет места";
    case EDQUOT: return "превышена дисковая квота";
    case EROFS: return "файловая система доступна только для чтения";
    case ENAMETOOLONG: return "слишком длинное имя файла";
    case EIO: return "ошибка ввода-вывода";
    case EFBIG: return "файл слишком велик";
    default: return "системная ошибка " + std::to_string(e) + " (" + std::strerror(e) + ")";
  }
}

std::size_t ReadFully(int fd, std::uint8_t* out, std::size_t size, int& err) {
  std::size_t done = 0;
  err = 0;
  while (done < size) {
    const ssize_t got = ::read(fd, out + done, size - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

bool WriteFully(int fd, const std::uint8_t* data, std::size_t size, int& err) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t put = ::write(fd, data + done, size - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      err = errno;
      return false;
    }
    done += static_cast<std::size_t>(put);
  }
  return true;
}

bool ReplaceFileContents(const std::string& fileName, const std::uint8_t* data, std::size_t size,
                         std::string& reason) {
  namespace fs = std::filesystem;
  if (fileName.empty()) {
    reason = "не задано имя файла";
    return false;
  }

  // A link is followed, so that the file it names is the one replaced.
  fs::path target(fileName);
  std::error_code ec;
  if (fs::is_symlink(target, ec)) {
    const fs::path resolved = fs::weakly_canonical(target, ec);
    if (!ec) target = resolved;
  }
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    reason = SystemReason(EISDIR);
    return false;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    reason = "по этому пути находится не обычный файл";
    return false;
  }
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");

  // The temporary's name: hidden, beside the target, and never longer than a
  // file name may be (a long target name gets a short temporary name).
  const auto tempName = [&target, &folder] {
    std::string name(".");
    name.append(target.filename().string()).append(".").append(HexSuffix()).append(".tmp");
    if (name.size() > NAME_MAX) name.assign(".").append(HexSuffix()).append(".tmp");
    return folder / name;
  };

  // Preferably the data goes to an unnamed file in the folder, which is
  // given a name only once it is complete, just before the rename: a process
  // killed while writing (a signal, a file size limit) then leaves nothing
  // behind. Where unnamed files are not supported, a named temporary is used.
  fs::path temp;
  bool named = false;
  int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = tempName();
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    named = fd >= 0;
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    reason = "не удалось создать временный файл в папке: " + SystemReason(errno);
    return false;
  }
  TFileDescriptor file(fd);
  int err = 0;
  bool ok = WriteFully(fd, data, size, err);
  if (ok && exists) ::fchmod(fd, st.st_mode & 07777);  // keep the replaced file's permissions
  if (ok && ::fsync(fd) != 0) {
    err = errno;
    ok = false;
  }
  if (ok && !named) {
    // Give the complete file its temporary name.
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
      temp = tempName();
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
          (errno != EEXIST && ::linkat(fd, "", AT_FDCWD, temp.c_str(), AT_EMPTY_PATH) == 0)) {
        named = true;
        break;
      }
      if (errno != EEXIST) break;
    }
    if (!named) {
      err = errno;
      ok = false;
    }
  }
  if (ok) ok = file.Close(err);
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    err = errno;
    ok = false;
  }
  if (!ok) {
    if (named) ::unlink(temp.c_str());
    reason = SystemReason(err);
    return false;
  }
  // Make the rename itself durable; a failure here no longer endangers data.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool ReplaceFileText(const std::string& fileName, const std::string& text, std::string& reason) {
  return ReplaceFileContents(fileName, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), reason);
}

}  // namespace ltr
