// The render subcommand of ltr-cli, run as a program.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <cstdlib>
#include <string>

#include <sys/wait.h>

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

}  // namespace
}  // namespace ltr
