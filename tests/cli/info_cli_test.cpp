#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/run_cli.h"
#include "io/io_test_support.h"
#include "io/vortex_file.h"

namespace ltr {
namespace {

using testing::RunCli;

TEST(InfoCliTest, PrintsTheHeaderOfASavedRun) {
  testing::TempDir dir;
  TModelState s = testing::StateWithFreeVortices();
  s.Area.InflowSpeed = 1.7;
  for (TCalcPoint& c : s.CalcPoints)  // the inflow as a rebuild with that speed gives it
    if (c.Vn == -2.0L) c.Vn = -static_cast<Extended>(s.Area.InflowSpeed);
  const std::string path = dir.File("run.evt");
  std::string error;
  ASSERT_TRUE(WriteVortexStructure(s.Case(), s.Flow(), path, error)) << error;

  const auto r = RunCli({"info", path});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["signature"], "Dust Flow Vortex Structure File. Enclosure Model Data Set. R7. ");
  EXPECT_EQ(j["signature_matches"], true);
  EXPECT_EQ(j["version"], 1);
  EXPECT_EQ(j["H"].get<double>(), 0.05);
  EXPECT_EQ(j["Speed"].get<double>(), 3.0);
  EXPECT_EQ(j["InflowSpeed"].get<double>(), 1.7);
  EXPECT_EQ(j["RoomHeight"].get<double>(), 0.7);
  EXPECT_EQ(j["RoomWidth"].get<double>(), 1.0);
  EXPECT_EQ(j["ExhaustWidth"].get<double>(), 0.2);
  EXPECT_EQ(j["ExhaustHeight"].get<double>(), 0.45);
  EXPECT_EQ(j["InflowWidth"].get<double>(), 0.3);
  EXPECT_EQ(j["InflowDistance"].get<double>(), 0.05);
  EXPECT_EQ(j["separation"], nlohmann::json({true, false, true, false}));
  EXPECT_EQ(j["free_count"], 7);
  EXPECT_EQ(j["time"].get<double>(), 1.25);
  EXPECT_EQ(j["dt"].get<double>(), 0.0025);
  EXPECT_EQ(j["max_free_vortex"], 50);
  EXPECT_EQ(j["bound_count"], 68);
  EXPECT_EQ(j["file_size"], 167 + 64 * 68 + 40 * (68 + 7));

  // A foreign signature is shown, not required.
  auto bytes = testing::ReadBytes(path);
  bytes[0] = 0xC3;
  bytes[62] = 0x00;
  testing::WriteBytes(path, bytes);
  const auto r2 = RunCli({"info", path});
  ASSERT_EQ(r2.status, 0) << r2.err;
  const auto j2 = nlohmann::json::parse(r2.out);
  EXPECT_EQ(j2["signature_matches"], false);
  EXPECT_EQ(j2["signature"].get<std::string>().substr(0, 4), "\xEF\xBF\xBDu");
  EXPECT_EQ(j2["bound_count"], 68);
}

TEST(InfoCliTest, BadFilesAreRefusedWithOneLineAndStatusTwo) {
  testing::TempDir dir;
  TModelState s = testing::StateWithFreeVortices();
  const std::string good = dir.File("good.vrt");
  std::string error;
  ASSERT_TRUE(WriteVortexStructure(s.Case(), s.Flow(), good, error)) << error;
  const auto bytes = testing::ReadBytes(good);

  auto truncated = bytes;
  truncated.resize(bytes.size() - 1);
  testing::WriteBytes(dir.File("short.vrt"), truncated);
  auto version = bytes;
  version[63] = 7;
  testing::WriteBytes(dir.File("version.vrt"), version);
  testing::WriteBytes(dir.File("empty.vrt"), {});

  const std::pair<std::string, std::string> cases[] = {
      {dir.File("missing.vrt"), "файл не найден"},
      {dir.File("short.vrt"), "файл обрывается"},
      {dir.File("version.vrt"), "версия формата 7"},
      {dir.File("empty.vrt"), "файл пуст"},
      {dir.Path().string(), "папка"},
  };
  for (const auto& [path, reason] : cases) {
    const auto r = RunCli({"info", path});
    EXPECT_EQ(r.status, 2) << path;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(r.err.rfind("ltr-cli: Не удалось загрузить вихревую структуру из файла \"" + path + "\"", 0), 0u)
        << r.err;
    EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
  EXPECT_EQ(RunCli({"info"}).status, 2);
}

}  // namespace
}  // namespace ltr
