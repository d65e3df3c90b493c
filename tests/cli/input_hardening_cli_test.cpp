// Inputs a hostile or careless user gives: folders, FIFOs, huge and malformed
// files as case files, long unknown names and values, outputs that cannot be
// written, empty option values, unknown commands.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/run_cli.h"

namespace ltr {
namespace {

using testing::CliResult;
using testing::RunCli;

// One line on stderr, status 2, nothing on stdout.
void ExpectRefusal(const CliResult& r, const std::string& part) {
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_TRUE(r.out.empty()) << r.out;
  ASSERT_FALSE(r.err.empty());
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
}

struct Folder {
  Folder() : path("/tmp/ltr-input-" + std::to_string(::getpid())) { std::filesystem::create_directories(path); }
  ~Folder() { std::filesystem::remove_all(path); }
  std::string path;
};

TEST(InputHardeningCliTest, CaseFilesThatAreNoRegularFilesOrTooLargeAreRefusedAtOnce) {
  Folder dir;
  ExpectRefusal(RunCli({"discretize", "--case", dir.path}), "папка");

  // A FIFO nobody writes to would block a plain open forever (the test would
  // not end), /dev/zero a read.
  const std::string fifo = dir.path + "/case.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ExpectRefusal(RunCli({"discretize", "--case", fifo}), "не обычный файл");
  ExpectRefusal(RunCli({"discretize", "--case", "/dev/zero"}), "не обычный файл");

  // Over the size limit: refused before parsing, naming the limit.
  const std::string big = dir.path + "/big.json";
  {
    std::ofstream out(big);
    out << "{\"area\": {\"H\": 0.01}, \"x\": \"" << std::string(1024 * 1024, 'x') << "\"}";
  }
  ExpectRefusal(RunCli({"discretize", "--case", big}), "1 МБ");
  ExpectRefusal(RunCli({"discretize", "--case", dir.path + "/none.json"}), "не существует");
}

// A key given twice, or bytes after the JSON value (a NUL, then another
// object that the reader would never see), make no case file.
TEST(InputHardeningCliTest, CaseFilesWithAKeyTwiceOrBytesAfterTheValueAreRefused) {
  Folder dir;
  const std::string twice = dir.path + "/twice.json";
  std::ofstream(twice) << R"({"area": {"H": 0.05, "RoomWidth": 1.2, "H": 0.04}})";
  ExpectRefusal(RunCli({"discretize", "--case", twice}), "поле H задано дважды");
  const std::string fractionTwice = dir.path + "/fraction-twice.json";
  std::ofstream(fractionTwice)
      << R"({"dust": {"Fractions": [{"Lower": 3e-5, "Upper": 5e-5, "Share": 0.4, "Share": 0.6}]}})";
  ExpectRefusal(RunCli({"discretize", "--case", fractionTwice}), "поле Share задано дважды");
  const std::string nul = dir.path + "/nul.json";
  std::ofstream(nul, std::ios::binary) << std::string("{\"area\": {\"H\": 0.05}}\0{\"area\": {\"H\": 0.5}}", 41);
  ExpectRefusal(RunCli({"discretize", "--case", nul}), "нулевой байт");
  // The same keys in different objects are no repetition.
  const std::string apart = dir.path + "/apart.json";
  std::ofstream(apart) << R"({"area": {"H": 0.05}, "dust": {"Fractions": [{"Lower": 3e-5, "Upper": 5e-5, "Share": 0.4},
                                                                        {"Lower": 5e-5, "Upper": 7e-5, "Share": 0.6}]}})";
  EXPECT_EQ(RunCli({"discretize", "--case", apart}).status, 0);
}

TEST(InputHardeningCliTest, LongUnknownNamesAreEchoedCut) {
  Folder dir;
  const std::string longName(5000, 'k');
  const std::string file = dir.path + "/case.json";
  {
    std::ofstream out(file);
    out << "{\"area\": {\"" << longName << "\": 1}}";
  }
  const CliResult r = RunCli({"discretize", "--case", file});
  ExpectRefusal(r, "неизвестное поле area." + std::string(60, 'k') + "…");
  EXPECT_LT(r.err.size(), 300u);

  const CliResult set = RunCli({"discretize", "--set", longName + "=1"});
  ExpectRefusal(set, "неизвестное поле " + std::string(60, 'k') + "…");
  EXPECT_LT(set.err.size(), 300u);
  // Characters, not bytes, are counted, and a control character is not echoed.
  const CliResult cyr = RunCli({"discretize", "--set", std::string("\x1b[2J") + std::string(100, 'x') + "=1"});
  ExpectRefusal(cyr, "неизвестное поле ?[2J" + std::string(56, 'x') + "…");

  // Every value and file name the messages repeat: cut, on one line, without
  // a control character.
  const std::string hostile = "\x1b[31m\nx" + std::string(100000, 'y');
  const std::string echo = "?[31m?x" + std::string(53, 'y') + "…";
  const std::vector<std::vector<std::string>> cases = {
      {"vortex", "--max-free", hostile},
      {"concentration", "--seed", hostile},
      {"concentration", "--max-steps", hostile},
      {"concentration", "--max-residence", hostile},
      {"concentration", "--particle-step", hostile},
      {"info", hostile},
      {"vortex", "--load", hostile},
      {"vortex", "--save", "/nonexistent/" + hostile},
      {"vortex", "--max-time", "1", "--history", "/nonexistent/" + hostile},
      {"field", "--out", "/nonexistent/" + hostile + ".csv"},
      {"sweep", "--param", "Speed", "--values", "1,2", "--out", "/nonexistent/" + hostile},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args[0] + " " + args[1]);
    const CliResult r = RunCli(args);
    ExpectRefusal(r, args[1].rfind("--", 0) == 0 && args.back().rfind("/", 0) != 0 ? echo : "…");
    EXPECT_LT(r.err.size(), 400u);
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
  }
}

// A name that is not UTF-8 writes its file and is printed with the bad byte
// replaced, not refused after the work is done.
TEST(InputHardeningCliTest, AnOutputNameThatIsNotUtf8IsPrinted) {
  Folder dir;
  const std::string name = dir.path + "/field-\xff.csv";
  const CliResult r = RunCli({"field", "--set", "H=0.05", "--grid", "3", "2", "--out", name});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["out"], dir.path + "/field-\xEF\xBF\xBD.csv");
  EXPECT_TRUE(std::filesystem::exists(name));
}

// An output that cannot be written is refused before anything is computed
// (the run would print its progress first); two outputs naming one file too.
// Nothing is written then.
TEST(InputHardeningCliTest, OutputsThatCannotBeWrittenAreRefusedBeforeTheRun) {
  Folder dir;
  std::filesystem::create_directories(dir.path + "/folder");
  std::filesystem::create_directories(dir.path + "/f_vortices.vtk");
  const std::string missing = dir.path + "/none/x";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"vortex", "--max-time", "0.05", "--save", missing + ".evt"},
       "Не удалось сохранить вихревую структуру в файл \"" + missing + ".evt\": папка файла не существует"},
      {{"vortex", "--max-time", "0.05", "--history", dir.path + "/folder"},
       "Не удалось записать историю расчета в файл \"" + dir.path + "/folder\": " +
           "по этому пути находится папка, а не файл"},
      {{"vortex", "--max-time", "0.05", "--save", dir.path + "/a.evt", "--history", dir.path + "/./a.evt"},
       "--save и --history называют один и тот же файл"},
      {{"field", "--max-time", "0.05", "--out", dir.path + "/f.vtk"},
       "не удалось записать файл " + dir.path + "/f_vortices.vtk: по этому пути находится папка"},
      {{"render", "--max-time", "0.05", "--out", missing + ".png"},
       "не удалось записать файл " + missing + ".png: папка файла не существует"},
      {{"sweep", "--param", "Speed", "--values", "2,3", "--particles", "2", "--moments", "2", "--plot",
        dir.path + "/folder"},
       "не удалось записать файл " + dir.path + "/folder: по этому пути находится папка"},
  };
  for (const auto& [args, message] : cases) {
    SCOPED_TRACE(args[0] + " " + args.back());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(r.err.rfind("ltr-cli: " + message, 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), std::filesystem::directory_iterator()), 2);
}

TEST(InputHardeningCliTest, EmptyValuesAndUnknownCommandsAreRefused) {
  ExpectRefusal(RunCli({"vortex", "--save", ""}), "--save");
  ExpectRefusal(RunCli({"vortex", "--max-time", "0.01", "--history", ""}), "--history");
  ExpectRefusal(RunCli({"vortex", "--separation", ""}), "--separation");
  ExpectRefusal(RunCli({"vortex", "--max-time", ""}), "--max-time");
  ExpectRefusal(RunCli({"vortex", "--load", ""}), "--load");
  ExpectRefusal(RunCli({"discretize", "--case", ""}), "--case");
  ExpectRefusal(RunCli({"vortx", "--max-time", "1"}), "неизвестная команда vortx");
  // A known command still runs.
  EXPECT_EQ(RunCli({"discretize"}).status, 0);
}

}  // namespace
}  // namespace ltr

namespace ltr {
namespace {

// A composition that gives no size distribution is refused before the vortex
// run that would come first, not after it.
TEST(InputHardeningCliTest, ABadCompositionIsRefusedBeforeTheVortexRun) {
  const std::string gap = "/tmp/ltr-case-" + std::to_string(::getpid()) + "-gap-run.json";
  std::ofstream(gap) << R"({"dust": {"Fractions": [{"Lower": 1e-5, "Upper": 2e-5, "Share": 0.5},
                                                  {"Lower": 3e-5, "Upper": 4e-5, "Share": 0.5}]}})";
  // The run of 1000 s would print its progress (and take hours): the message
  // is the only line.
  ExpectRefusal(RunCli({"concentration", "--case", gap, "--max-time", "1000"}),
                "Ошибка в параметрах генератора случайных чисел");
  std::remove(gap.c_str());
}

}  // namespace
}  // namespace ltr
