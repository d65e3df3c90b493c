// The replacement of a file's contents under hostile conditions: a process
// killed in the middle of the write, very long names; files replaced as a
// set; the check of an output before anything is computed.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "io/file_access.h"
#include "io/io_test_support.h"

namespace ltr {
namespace {

using testing::TempDir;

std::vector<std::string> Names(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) names.push_back(e.path().filename());
  return names;
}

bool Replace(const std::string& path, const std::string& text, const TReplaceOptions& options = {}) {
  std::string reason;
  return ReplaceFileContents(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), reason,
                             options);
}

// A process interrupted while it writes leaves the old file and nothing else,
// whether its filesystem gives unnamed files or only named temporaries (NFS,
// vfat, CIFS): a file size limit makes the write fail with its reason, and a
// SIGTERM or SIGINT at any moment of repeated saves ends it without a trace.
TEST(FileReplaceTest, AnInterruptedWriteLeavesNoTemporaryFile) {
  for (const bool unnamed : {true, false}) {
    SCOPED_TRACE(unnamed ? "unnamed temporary" : "named temporary");
    TReplaceOptions options;
    options.UnnamedTemporary = unnamed;
    TempDir dir;
    const std::string target = dir.File("state.evt");
    ASSERT_TRUE(Replace(target, "old", options));

    const pid_t limited = fork();
    if (limited == 0) {
      const rlimit limit{4096, 4096};
      setrlimit(RLIMIT_FSIZE, &limit);
      signal(SIGXFSZ, SIG_DFL);
      std::string reason;
      const std::string big(1 << 20, 'n');
      const bool written = ReplaceFileContents(target, reinterpret_cast<const std::uint8_t*>(big.data()),
                                               big.size(), reason, options);
      // The program's own handling of the signal is back afterwards.
      struct sigaction after {};
      sigaction(SIGXFSZ, nullptr, &after);
      _exit(!written && reason == SystemReason(EFBIG) && after.sa_handler == SIG_DFL ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(limited, &status, 0), limited);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Names(dir), std::vector<std::string>{"state.evt"});
    EXPECT_EQ(testing::ReadBytes(target).size(), 3u);

    const std::string big(4 << 20, 'b');
    for (const int sig : {SIGTERM, SIGINT}) {
      const pid_t saver = fork();
      if (saver == 0) {
        for (;;) Replace(target, big, options);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      ASSERT_EQ(kill(saver, sig), 0);
      ASSERT_EQ(waitpid(saver, &status, 0), saver);
      ASSERT_TRUE(WIFSIGNALED(status));
      EXPECT_EQ(WTERMSIG(status), sig);
      EXPECT_EQ(Names(dir), std::vector<std::string>{"state.evt"}) << "signal " << sig;
      const std::size_t size = testing::ReadBytes(target).size();
      EXPECT_TRUE(size == 3u || size == big.size()) << size;
    }
  }
}

// Files that belong together are replaced together: when one of them cannot
// be written, every old file stays as it was and no temporary remains; when
// all can, all are new.
TEST(FileReplaceTest, ASetOfFilesIsReplacedWhollyOrNotAtAll) {
  for (const bool unnamed : {true, false}) {
    SCOPED_TRACE(unnamed ? "unnamed temporary" : "named temporary");
    TReplaceOptions options;
    options.UnnamedTemporary = unnamed;
    TempDir dir;
    const std::string a = dir.File("field.vtk");
    const std::string b = dir.File("field_vortices.vtk");
    ASSERT_TRUE(Replace(a, "old a"));
    ASSERT_TRUE(Replace(b, "old b"));
    std::filesystem::create_directory(dir.Path() / "folder");
    std::size_t failed = 99;
    std::string reason;
    EXPECT_FALSE(ReplaceFilesTogether({{a, "new a"}, {b, "new b"}, {dir.File("folder"), "c"}}, failed, reason,
                                      options));
    EXPECT_EQ(failed, 2u);
    EXPECT_EQ(reason, SystemReason(EISDIR));
    EXPECT_EQ(Names(dir).size(), 3u);
    EXPECT_EQ(testing::ReadBytes(a).size(), 5u);
    EXPECT_EQ(testing::ReadBytes(b).size(), 5u);
    // One file under two names is not a set.
    EXPECT_FALSE(ReplaceFilesTogether({{a, "x"}, {dir.File("./field.vtk"), "y"}}, failed, reason, options));
    EXPECT_EQ(failed, 1u);
    EXPECT_EQ(Names(dir).size(), 3u);
    EXPECT_EQ(testing::ReadBytes(a).size(), 5u);

    ASSERT_TRUE(ReplaceFilesTogether({{a, "a2"}, {b, "b2"}}, failed, reason, options)) << reason;
    EXPECT_EQ(testing::ReadBytes(a).size(), 2u);
    EXPECT_EQ(testing::ReadBytes(b).size(), 2u);
    EXPECT_EQ(Names(dir).size(), 3u);
  }
}

// What cannot be written is known before anything is computed, and the check
// leaves nothing behind.
TEST(FileReplaceTest, AnOutputThatCannotBeWrittenIsKnownBeforehand) {
  TempDir dir;
  std::filesystem::create_directory(dir.Path() / "folder");
  EXPECT_EQ(OutputFileError(dir.File("new.evt")), "");
  EXPECT_EQ(OutputFileError(dir.File("folder/new.evt")), "");
  EXPECT_EQ(OutputFileError(dir.File("none/new.evt")), "папка файла не существует");
  EXPECT_EQ(OutputFileError(dir.File("folder")), SystemReason(EISDIR));
  EXPECT_EQ(OutputFileError(""), "не задано имя файла");
  ASSERT_TRUE(Replace(dir.File("plain"), "x"));
  EXPECT_EQ(OutputFileError(dir.File("plain/new.evt")), SystemReason(ENOTDIR));
  EXPECT_EQ(OutputFileError("/dev/null"), "по этому пути находится не обычный файл");
  EXPECT_EQ(Names(dir).size(), 2u);
  if (::geteuid() != 0) {  // the superuser writes anywhere
    ::chmod(dir.File("folder").c_str(), 0500);
    EXPECT_NE(OutputFileError(dir.File("folder/new.evt")).find("нельзя записать"), std::string::npos);
  }
}

// A name as long as a file name may be still saves: the temporary file's name
// does not need more room than the target's.
TEST(FileReplaceTest, TheLongestFileNameSaves) {
  TempDir dir;
  const std::string target = dir.File(std::string(255, 'n'));
  ASSERT_TRUE(Replace(target, "first"));
  ASSERT_TRUE(Replace(target, "second"));
  EXPECT_EQ(testing::ReadBytes(target).size(), 6u);
  EXPECT_EQ(Names(dir).size(), 1u);
}

}  // namespace
}  // namespace ltr
