// Runs that could never end are refused before they start; runs whose state
// stops being finite end with status 1 and no result; what the program saves
// after its runs loads again.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/run_cli.h"
#include "io/io_test_support.h"
#include "io/vortex_file.h"

namespace ltr {
namespace {

using testing::CliResult;
using testing::RunCli;
using Bytes = std::vector<std::uint8_t>;

// One line on stderr, nothing on stdout.
void ExpectOneLine(const CliResult& r, int status, const std::string& part) {
  EXPECT_EQ(r.status, status) << r.err;
  EXPECT_TRUE(r.out.empty()) << r.out;
  ASSERT_FALSE(r.err.empty());
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
}

TEST(RunLimitsCliTest, RunsThatWouldNeverEndAreRefusedAtOnceWithTheWayOut) {
  const std::string ownStep = "--particle-step auto";
  struct Case {
    std::vector<std::string> args;
    std::string part;
  };
  const std::vector<Case> cases = {
      {{"vortex", "--max-time", "1e9"}, "увеличьте шаг по времени"},
      {{"concentration", "--max-time", "1e7", "--dt", "0.001"}, "Слишком много шагов по времени"},
      // Particle steps of 1e-309, 5e-308 and 3e-312 s against a residence
      // limit of 30 s.
      {{"concentration", "--set", "InputConcentration=1e300"}, ownStep},
      {{"concentration", "--set", "ParticleDensity=1e-300"}, ownStep},
      {{"concentration", "--set", "InflowSpeed=1e308"}, ownStep},
      // No residence limit: crossing the enclosure alone takes 10^305 steps.
      {{"concentration", "--set", "InputConcentration=1e300", "--max-residence", "0"}, "пересечь укрытие"},
      // With own steps the automatic sub-step shrinks with the speed as well.
      {{"concentration", "--set", "InflowSpeed=1e308", "--particle-step", "auto"},
       "шагов интегрирования частиц"},
      {{"concentration", "--particle-step", "1e-300"}, "шагов интегрирования частиц"},
      {{"concentration", "--move-vortices", "--particle-step", "auto", "--dt", "1e-12"},
       "Слишком много шагов по времени движения вихрей"},
      // Few enough steps, but far too much work: a billion steps of 570
      // vortices, 40,000 particles of 30 million own steps each.
      {{"vortex", "--max-time", "1e9", "--dt", "1"}, "Расчет поля скоростей слишком велик: около 2,0e+15 операций"},
      {{"concentration", "--particles", "200", "--moments", "200", "--particle-step", "1e-6"},
       "Расчет концентрации слишком велик"},
      // A step that cannot move the point from where it is.
      {{"streamline", "--step", "1e-300"}, "не сдвигает точку"},
      {{"streamline", "--x", "1e300"}, "не сдвигает точку"},
      // A drag so strong that the Runge-Kutta step runs off to infinity.
      {{"concentration", "--set", "AirViscosity=1e308"}, ownStep},
      {{"concentration", "--set", "ShapeFactor=1e308"}, ownStep},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.args[2]);
    ExpectOneLine(RunCli(c.args), 2, c.part);
  }
  // The same dust with the own step the message proposes computes.
  const auto r = RunCli({"concentration", "--quiet", "--set", "InputConcentration=1e300", "--particles", "2",
                         "--moments", "2", "--seed", "1", "--particle-step", "auto"});
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST(RunLimitsCliTest, ARunWhoseStateStopsBeingFiniteFailsWithoutAResult) {
  testing::TempDir dir;
  // A circulation near the largest double: within the range of the file, but
  // the velocity it induces near it is not.
  TModelState s = testing::StateWithFreeVortices();
  TVortex& strong = s.Vortices[s.BoundCount + 2];
  strong.Gamma = 1.7e308L;
  const std::string path = dir.File("strong.evt");
  std::string error;
  ASSERT_TRUE(WriteVortexStructure(s.Case(), s.Flow(), path, error)) << error;
  const std::string x = std::to_string(static_cast<double>(strong.Pos.X) + 0.001);
  const std::string y = std::to_string(static_cast<double>(strong.Pos.Y));

  ExpectOneLine(RunCli({"concentration", "--quiet", "--load", path, "--seed", "1"}), 1,
                "Расчет концентрации остановлен: на шаге");
  ExpectOneLine(RunCli({"streamline", "--quiet", "--load", path, "--x", x, "--y", y}), 1,
                "Построение линии тока остановлено: на шаге");
  // Near that vortex the air speed is beyond the doubles: a field file or a
  // picture of it would hold infinities (and a largest speed of 0).
  ExpectOneLine(RunCli({"field", "--quiet", "--load", path, "--out", dir.File("field.csv")}), 1,
                "Поле скоростей не записано: значения не являются конечными числами");
#ifdef LTR_HAVE_VIEW
  ExpectOneLine(RunCli({"render", "--quiet", "--load", path, "--field", "--out", dir.File("field.png")}), 1,
                "Рисунок не записан: значения не являются конечными числами");
#endif
  EXPECT_FALSE(std::filesystem::exists(dir.File("field.csv")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("field.png")));

  // Two such circulations: each fits a double, their sum does not. The file
  // is refused, where the total circulation printed as null before.
  TModelState twice = testing::StateWithFreeVortices();
  twice.Vortices[twice.BoundCount + 2].Gamma = 1.7e308L;
  twice.Vortices[twice.BoundCount + 3].Gamma = 1.7e308L;
  const std::string both = dir.File("both.evt");
  Bytes bytes;
  ASSERT_TRUE(EncodeVortexStructure(twice.Case(), twice.Flow(), bytes, error)) << error;
  testing::WriteBytes(both, bytes);
  ExpectOneLine(RunCli({"vortex", "--quiet", "--load", both}), 2, "сумма циркуляций вихрей вне допустимого диапазона");
}

TEST(RunLimitsCliTest, FilesSavedAfterRunsLoadAgain) {
  testing::TempDir dir;
  const std::string first = dir.File("first.evt");
  const std::string second = dir.File("second.evt");
  // A run with every separation point, whose vortices leave through the
  // exhaust, continued after a load and saved again.
  auto r = RunCli({"vortex", "--quiet", "--max-time", "1.5", "--separation", "1111", "--exhaust-removal",
                   "--save", first});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_GT(nlohmann::json::parse(r.out).value("exhausted_vortices", 0), 0) << r.out;
  r = RunCli({"vortex", "--quiet", "--load", first, "--max-time", "2", "--exhaust-removal", "--save", second});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const std::string& file : {first, second}) {
    TVortexFileContent content;
    std::string error;
    EXPECT_TRUE(ReadVortexStructure(file, content, error)) << error;
  }
}

}  // namespace
}  // namespace ltr
