// The render subcommand of ltr-cli, run as a program.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <cstdlib>
#include <string>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "view/pixels.h"

namespace ltr {
namespace {

// The exit status of ltr-cli with the given arguments; -1 when it is not there.
int RunCli(const std::string& arguments) {
#ifdef LTR_CLI_PATH
  const char* cli = LTR_CLI_PATH;
#else
  const char* cli = std::getenv("LTR_CLI");
#endif
  if (cli == nullptr || !QFileInfo::exists(cli)) return -1;
  const std::string command = std::string("\"") + cli + "\" " + arguments + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
}

TEST(RenderCommand, DrawsAShortRunIntoAPngAndRefusesBadSizes) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string out = dir.filePath("run.png").toStdString();
  const int status = RunCli("render --max-time 0.05 --quiet --width 500 --height 380 --out \"" + out + "\"");
  if (status == -1) GTEST_SKIP() << "ltr-cli is not built";
  ASSERT_EQ(status, 0);
  const QImage picture(QString::fromStdString(out));
  ASSERT_EQ(picture.size(), QSize(500, 380));
  EXPECT_TRUE(test::Is(picture, 30, 350, QColor(0, 0, 0)));         // the floor's left end
  EXPECT_GT(test::Count(picture, QColor(255, 0, 0)), 0);            // free vortices
  EXPECT_GT(test::Count(picture, QColor(0, 128, 128)), 0);          // axes

  EXPECT_EQ(RunCli("render --width 0 --out \"" + out + "\""), 2);
  EXPECT_EQ(RunCli("render --out \"" + dir.filePath("no/such/dir.png").toStdString() + "\""), 2);
}

// A picture that cannot be written in full (here: a file size limit, which
// holds for every user) fails the command and leaves the old picture as it
// was, without a temporary file beside it.
TEST(RenderCommand, AFailedWriteFailsAndKeepsTheOldPicture) {
#ifdef LTR_CLI_PATH
  const char* cli = LTR_CLI_PATH;
#else
  const char* cli = std::getenv("LTR_CLI");
#endif
  if (cli == nullptr || !QFileInfo::exists(cli)) GTEST_SKIP() << "ltr-cli is not built";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString out = dir.filePath("old.png");
  const QByteArray old(300, 'o');
  {
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(old), old.size());
  }
  const std::string target = out.toStdString();
  const pid_t pid = fork();
  if (pid == 0) {
    const rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_IGN);  // writes beyond the limit then fail with EFBIG
    const int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execl(cli, cli, "render", "--quiet", "--out", target.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);  // a failure of the write, not bad input
  QFile f(out);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), old);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.png"});

  // A folder where the picture should go is refused, and stays a folder.
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.png"));
  EXPECT_EQ(RunCli("render --out \"" + dir.filePath("folder.png").toStdString() + "\""), 2);
  EXPECT_TRUE(QFileInfo(dir.filePath("folder.png")).isDir());
}

}  // namespace
}  // namespace ltr
