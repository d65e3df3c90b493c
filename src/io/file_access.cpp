#include "io/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <mutex>
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

namespace {

namespace fs = std::filesystem;

// The signals that end the program and after which a named temporary would
// stay behind. (SIGKILL cannot be caught; an unnamed temporary needs none of
// this.)
constexpr int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int EndingSignalCount = static_cast<int>(std::size(EndingSignals));

// The named temporaries being written, for the handler of the ending
// signals: a signal handler reaches nothing but globals, so the names it must
// remove are kept here, and only while they exist.
constexpr int MaxTemporaries = 16;
std::atomic<const char*> Temporaries[MaxTemporaries];

extern "C" void RemoveTemporariesAndEnd(int sig) {
  for (std::atomic<const char*>& slot : Temporaries) {
    if (const char* name = slot.load()) ::unlink(name);
  }
  // Then the signal does what it would have done.
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

// The signal set-up of the writes in progress, changed by the first and put
// back by the last.
struct TWriteSignalState {
  std::mutex Mutex;
  int Writes = 0;
  struct sigaction Saved[EndingSignalCount + 1];
  bool Changed[EndingSignalCount + 1] = {};
};

TWriteSignalState& WriteSignalState() {
  static TWriteSignalState state;
  return state;
}

// While a write is in progress: a file size limit makes write() fail with
// EFBIG instead of ending the program with SIGXFSZ, and the ending signals
// that have their default action remove the temporaries first. A handling
// the program chose itself is left alone.
class TWriteSignals {
 public:
  TWriteSignals() {
    TWriteSignalState& st = WriteSignalState();
    std::lock_guard lock(st.Mutex);
    if (st.Writes++ > 0) return;
    for (int i = 0; i <= EndingSignalCount; ++i) {
      const int sig = i < EndingSignalCount ? EndingSignals[i] : SIGXFSZ;
      st.Changed[i] = false;
      if (::sigaction(sig, nullptr, &st.Saved[i]) != 0 || (st.Saved[i].sa_flags & SA_SIGINFO) != 0 ||
          st.Saved[i].sa_handler != SIG_DFL)
        continue;
      struct sigaction action {};
      sigemptyset(&action.sa_mask);
      action.sa_handler = sig == SIGXFSZ ? SIG_IGN : RemoveTemporariesAndEnd;
      st.Changed[i] = ::sigaction(sig, &action, nullptr) == 0;
    }
  }
  ~TWriteSignals() {
    TWriteSignalState& st = WriteSignalState();
    std::lock_guard lock(st.Mutex);
    if (--st.Writes > 0) return;
    for (int i = 0; i <= EndingSignalCount; ++i) {
      const int sig = i < EndingSignalCount ? EndingSignals[i] : SIGXFSZ;
      if (st.Changed[i]) ::sigaction(sig, &st.Saved[i], nullptr);
      st.Changed[i] = false;
    }
  }
  TWriteSignals(const TWriteSignals&) = delete;
  TWriteSignals& operator=(const TWriteSignals&) = delete;
};

// The ending signals held back for a moment, so that a temporary is never
// named on disk without being known to their handler.
class TEndingSignalsHeld {
 public:
  TEndingSignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : EndingSignals) sigaddset(&set, sig);
    ::pthread_sigmask(SIG_BLOCK, &set, &previous_);
  }
  ~TEndingSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  TEndingSignalsHeld(const TEndingSignalsHeld&) = delete;
  TEndingSignalsHeld& operator=(const TEndingSignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

// One file being replaced: the temporary written next to its target.
class TPendingFile {
 public:
  TPendingFile() = default;
  TPendingFile(const TPendingFile&) = delete;
  TPendingFile& operator=(const TPendingFile&) = delete;
  ~TPendingFile() { Discard(); }

  // Writes the data to a complete temporary next to the target, flushed to
  // disk and named. False with the reason; nothing is left then.
  bool Prepare(const std::string& fileName, const std::uint8_t* data, std::size_t size,
               const TReplaceOptions& options, std::string& reason);
  // Renames the temporary over the target. False with the reason; the
  // temporary is removed then.
  bool Commit(std::string& reason);
  // Removes a temporary that was not renamed.
  void Discard() {
    if (!named_) return;
    ::unlink(temp_.c_str());
    Forget();
  }
  const fs::path& Target() const { return target_; }

 private:
  fs::path TempName() const {
    std::string name(".");
    name.append(target_.filename().string()).append(".").append(HexSuffix()).append(".tmp");
    // A long target name gets a short temporary name.
    if (name.size() > NAME_MAX) name.assign(".").append(HexSuffix()).append(".tmp");
    return folder_ / name;
  }
  // The temporary has its name: known to the signal handler from now on.
  // Called with the ending signals held.
  void Named() {
    named_ = true;
    for (int i = 0; i < MaxTemporaries; ++i) {
      const char* expected = nullptr;
      if (Temporaries[i].compare_exchange_strong(expected, temp_.c_str())) {
        slot_ = i;
        return;
      }
    }
  }
  void Forget() {
    if (slot_ >= 0) Temporaries[slot_].store(nullptr);
    slot_ = -1;
    named_ = false;
  }

  fs::path target_;
  fs::path folder_;
  fs::path temp_;
  bool named_ = false;
  int slot_ = -1;
};

// The file a name refers to: a link is followed, so that the file it names is
// the one replaced.
fs::path ResolvedTarget(const std::string& fileName) {
  fs::path target(fileName);
  std::error_code ec;
  if (fs::is_symlink(target, ec)) {
    const fs::path resolved = fs::weakly_canonical(target, ec);
    if (!ec) target = resolved;
  }
  return target;
}

fs::path FolderOf(const fs::path& target) { return target.has_parent_path() ? target.parent_path() : fs::path("."); }

bool TPendingFile::Prepare(const std::string& fileName, const std::uint8_t* data, std::size_t size,
                           const TReplaceOptions& options, std::string& reason) {
  if (fileName.empty()) {
    reason = "не задано имя файла";
    return false;
  }
  target_ = ResolvedTarget(fileName);
  struct stat st {};
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    reason = SystemReason(EISDIR);
    return false;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    reason = "по этому пути находится не обычный файл";
    return false;
  }
  folder_ = FolderOf(target_);

  // Preferably the data goes to an unnamed file in the folder, which is
  // given a name only once it is complete, just before the rename: a process
  // killed while writing (a signal, a file size limit) then leaves nothing
  // behind. Where unnamed files are not supported, a named temporary is used,
  // and the ending signals remove it.
  int fd = options.UnnamedTemporary ? ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666) : -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    TEndingSignalsHeld held;
    temp_ = TempName();
    fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) Named();
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
  if (ok && !named_) {
    // Give the complete file its temporary name.
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100 && !named_; ++attempt) {
      TEndingSignalsHeld held;
      temp_ = TempName();
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp_.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
          (errno != EEXIST && ::linkat(fd, "", AT_FDCWD, temp_.c_str(), AT_EMPTY_PATH) == 0)) {
        Named();
        break;
      }
      if (errno != EEXIST) break;
    }
    if (!named_) {
      err = errno;
      ok = false;
    }
  }
  if (ok) ok = file.Close(err);
  if (!ok) {
    Discard();
    reason = SystemReason(err);
    return false;
  }
  return true;
}

bool TPendingFile::Commit(std::string& reason) {
  if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    reason = SystemReason(errno);
    Discard();
    return false;
  }
  Forget();
  // Make the rename itself durable; a failure here no longer endangers data.
  const int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace

bool ReplaceFileContents(const std::string& fileName, const std::uint8_t* data, std::size_t size,
                         std::string& reason, const TReplaceOptions& options) {
  TWriteSignals signals;
  TPendingFile file;
  return file.Prepare(fileName, data, size, options, reason) && file.Commit(reason);
}

bool ReplaceFilesTogether(const std::vector<TFileContents>& files, std::size_t& failed, std::string& reason,
                          const TReplaceOptions& options) {
  TWriteSignals signals;
  std::vector<std::unique_ptr<TPendingFile>> pending;
  for (std::size_t i = 0; i < files.size(); ++i) {
    pending.push_back(std::make_unique<TPendingFile>());
    const TFileContents& f = files[i];
    if (!pending.back()->Prepare(f.Name, reinterpret_cast<const std::uint8_t*>(f.Data.data()), f.Data.size(),
                                 options, reason)) {
      failed = i;
      return false;  // the temporaries written so far go with `pending`
    }
    for (std::size_t j = 0; j < i; ++j) {
      std::error_code ec1, ec2;
      if (fs::weakly_canonical(pending[j]->Target(), ec1) == fs::weakly_canonical(pending[i]->Target(), ec2)) {
        failed = i;
        reason = "этот файл уже записывается под другим именем";
        return false;
      }
    }
  }
  for (std::size_t i = 0; i < pending.size(); ++i) {
    if (!pending[i]->Commit(reason)) {
      failed = i;
      return false;
    }
  }
  return true;
}

std::string OutputFileError(const std::string& fileName) {
  if (fileName.empty()) return "не задано имя файла";
  const fs::path target = ResolvedTarget(fileName);
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return SystemReason(EISDIR);
    if (!S_ISREG(st.st_mode)) return "по этому пути находится не обычный файл";
  } else if (errno != ENOENT) {
    return SystemReason(errno);
  }
  const fs::path folder = FolderOf(target);
  struct stat fst {};
  if (::stat(folder.c_str(), &fst) != 0)
    return errno == ENOENT ? std::string("папка файла не существует") : SystemReason(errno);
  if (!S_ISDIR(fst.st_mode)) return SystemReason(ENOTDIR);
  // Whether the folder takes a new file is best learnt by making one: an
  // unnamed one vanishes when it is closed, a named one is removed at once.
  int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd >= 0) {
    ::close(fd);
    return {};
  }
  if (errno == EACCES || errno == EPERM || errno == EROFS || errno == ENOSPC || errno == EDQUOT)
    return "в папку файла нельзя записать: " + SystemReason(errno);
  for (int attempt = 0; attempt < 100; ++attempt) {
    TEndingSignalsHeld held;
    const fs::path probe = folder / (".ltr-probe." + HexSuffix() + ".tmp");
    fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      ::unlink(probe.c_str());
      return {};
    }
    if (errno != EEXIST) break;
  }
  return "в папку файла нельзя записать: " + SystemReason(errno);
}

bool ReplaceFileText(const std::string& fileName, const std::string& text, std::string& reason) {
  return ReplaceFileContents(fileName, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), reason);
}

}  // namespace ltr
