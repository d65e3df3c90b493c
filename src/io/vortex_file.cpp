#include "io/vortex_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "io/file_access.h"

namespace ltr {

namespace {

std::string Quoted(const std::string& fileName) { return "\"" + fileName + "\""; }

std::string LoadError(const std::string& fileName, const std::string& reason) {
  return "Не удалось загрузить вихревую структуру из файла " + Quoted(fileName) + ": " + reason;
}

std::string SaveError(const std::string& fileName, const std::string& reason) {
  return VortexSaveFailureText(fileName) + ": " + reason;
}

}  // namespace

std::string VortexSaveFailureText(const std::string& fileName) {
  return "Не удалось сохранить вихревую структуру в файл " + Quoted(fileName);
}

bool ReadVortexStructure(const std::string& fileName, TVortexFileContent& content, std::string& error) {
  // Non-blocking, so that a pipe or device named by mistake cannot hang the
  // open; it is refused right after as not a regular file.
  TFileDescriptor file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.Get() < 0) {
    error = LoadError(fileName, errno == ENOENT ? "файл не найден" : SystemReason(errno));
    return false;
  }
  struct stat st {};
  if (::fstat(file.Get(), &st) != 0) {
    error = LoadError(fileName, SystemReason(errno));
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    error = LoadError(fileName, SystemReason(EISDIR));
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = LoadError(fileName, "это не обычный файл");
    return false;
  }
  const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
  std::string reason;
  if (size < VortexFileHeaderSize) {
    error = LoadError(fileName, ShortVortexFileReason(size));
    return false;
  }

  // The header decides how long the file must be; only then is the rest read.
  std::vector<std::uint8_t> data(VortexFileHeaderSize);
  int err = 0;
  if (ReadFully(file.Get(), data.data(), data.size(), err) != data.size()) {
    error = LoadError(fileName, err != 0 ? SystemReason(err) : "файл обрывается в заголовке");
    return false;
  }
  TVortexFileHeader h;
  int n = 0;
  if (!DecodeVortexFileHeader(data.data(), h, n, reason)) {
    error = LoadError(fileName, reason);
    return false;
  }
  const std::uint64_t expected = VortexFileSize(n, h.FreeCount);
  if (size != expected) {
    error = LoadError(fileName, VortexFileSizeReason(size, expected, n, h.FreeCount));
    return false;
  }
  data.resize(static_cast<std::size_t>(expected));
  const std::size_t rest = data.size() - VortexFileHeaderSize;
  const std::size_t got = ReadFully(file.Get(), data.data() + VortexFileHeaderSize, rest, err);
  if (got != rest) {
    error = LoadError(fileName, err != 0 ? SystemReason(err)
                                         : VortexFileSizeReason(VortexFileHeaderSize + got, expected, n, h.FreeCount));
    return false;
  }
  std::uint8_t extra = 0;
  if (ReadFully(file.Get(), &extra, 1, err) != 0) {  // the file grew while it was read
    error = LoadError(fileName, VortexFileSizeReason(expected + 1, expected, n, h.FreeCount));
    return false;
  }
  TVortexFileContent decoded;
  if (!DecodeVortexRecords(data.data(), data.size(), h, n, decoded, reason)) {
    error = LoadError(fileName, reason);
    return false;
  }
  content = std::move(decoded);
  return true;
}

bool CheckedVortexStructureBytes(const TCase& c, const TFlow& f, std::vector<std::uint8_t>& bytes, std::string& reason) {
  if (!EncodeVortexStructure(c, f, bytes, reason)) return false;
  // Only what can be loaded again is written: the content passes the same
  // checks as a file being loaded, and N matches the enclosure.
  TVortexFileHeader h;
  int n = 0;
  if (!DecodeVortexFileHeader(bytes.data(), h, n, reason)) return false;
  if (n != f.BoundCount) {
    reason = "число присоединенных вихрей модели не соответствует параметрам укрытия";
    return false;
  }
  TVortexFileContent check;
  return DecodeVortexRecords(bytes.data(), bytes.size(), h, n, check, reason);
}

bool WriteVortexStructure(const TCase& c, const TFlow& f, const std::string& fileName, std::string& error) {
  std::vector<std::uint8_t> bytes;
  std::string reason;
  if (!CheckedVortexStructureBytes(c, f, bytes, reason)) {
    error = SaveError(fileName, reason);
    return false;
  }
  if (!ReplaceFileContents(fileName, bytes.data(), bytes.size(), reason)) {
    error = SaveError(fileName, reason);
    return false;
  }
  return true;
}

}  // namespace ltr
