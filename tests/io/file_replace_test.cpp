// The replacement of a file's contents under hostile conditions: a process
// killed in the middle of the write, very long names.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
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

bool Replace(const std::string& path, const std::string& text) {
  std::string reason;
  return ReplaceFileContents(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), reason);
}

// A process killed while it writes leaves the old file and nothing else: not
// when a file size limit kills it in the middle of the data, and not when a
// SIGTERM or SIGINT arrives at any moment of repeated saves.
TEST(FileReplaceTest, AProcessKilledDuringTheWriteLeavesNoTemporaryFile) {
  TempDir dir;
  const std::string target = dir.File("state.evt");
  ASSERT_TRUE(Replace(target, "old"));

  const pid_t limited = fork();
  if (limited == 0) {
    const rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_DFL);
    Replace(target, std::string(1 << 20, 'n'));
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(limited, &status, 0), limited);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
  EXPECT_EQ(Names(dir), std::vector<std::string>{"state.evt"});
  EXPECT_EQ(testing::ReadBytes(target).size(), 3u);

  const std::string big(4 << 20, 'b');
  for (const int sig : {SIGTERM, SIGINT}) {
    const pid_t saver = fork();
    if (saver == 0) {
      for (;;) Replace(target, big);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    ASSERT_EQ(kill(saver, sig), 0);
    ASSERT_EQ(waitpid(saver, &status, 0), saver);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(Names(dir), std::vector<std::string>{"state.evt"}) << "signal " << sig;
    const std::size_t size = testing::ReadBytes(target).size();
    EXPECT_TRUE(size == 3u || size == big.size()) << size;
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
