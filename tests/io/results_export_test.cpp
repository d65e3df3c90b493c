#include "io/results_export.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "dust/coarse_case.h"
#include "dust/concentration_run.h"
#include "dust/run_statistics.h"
#include "model/discretization.h"
#include "model/fields.h"
#include "solver/vortex_run.h"

namespace ltr {
namespace {

TModelState AfterRun() { return testing::AfterSeededRun(5); }

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

double Read(const std::string& text) {
  double v = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
  EXPECT_EQ(error, std::errc()) << text;
  return v;
}

// The sections of the CSV as name -> rows of cells.
std::map<std::string, std::vector<std::vector<std::string>>> Sections(const std::string& csv) {
  std::map<std::string, std::vector<std::vector<std::string>>> out;
  std::istringstream in(csv);
  std::string line, current;
  while (std::getline(in, line)) {
    if (line.rfind("# ", 0) == 0) {
      current = line.substr(2);
      continue;
    }
    std::vector<std::string> cells;
    std::string cell;
    std::istringstream row(line);
    while (std::getline(row, cell, ',')) cells.push_back(cell);
    if (!line.empty() && line.back() == ',') cells.emplace_back();
    out[current].push_back(cells);
  }
  return out;
}

// A complete run, then every value the export writes made different from the
// others: the state's time, step, counts and limits, and a tally in which
// every fate has a count of its own.
TModelState Distinct() {
  TModelState s = AfterRun();
  s.Time = 1.25;
  s.Dt = 0.004;
  s.FreeCount = 7;
  s.MaxResidence = 12.5;
  s.ParticleCount = 3;
  s.HeldCount = 2;
  s.HeldMassShare = 0.125;
  for (int k = 0; k < 3; ++k) s.OutputTally.Add(0, 35e-6L, 1e-9L, TFateKind::Injected);
  s.OutputTally.Add(0, 35e-6L, 1e-9L, TFateKind::AtRest);
  s.OutputTally.Add(0, 35e-6L, 1e-9L, TFateKind::Held);
  s.OutputTally.Add(0, 35e-6L, 1e-9L, TFateKind::Held);
  // Enough exhausted ones that neither interval reaches 0.
  for (int k = 0; k < 30; ++k) {
    s.OutputTally.Add(1, 60e-6L, 1e-9L, TFateKind::Injected);
    s.OutputTally.Add(1, 60e-6L, 1e-9L, TFateKind::Exhausted);
  }
  return s;
}

// Both exports read back to the very numbers of the run, under their own
// names, the seed included, so that the run can be repeated from them.
TEST(ResultsExport, CsvAndJsonReadBackToTheRunsNumbers) {
  const TModelState s = Distinct();
  const TFateTally total = s.OutputTally.Total();
  for (int a = 0; a < FateKindCount; ++a)
    for (int b = a + 1; b < FateKindCount; ++b) ASSERT_NE(total.Count[a], total.Count[b]) << a << " " << b;
  const TOutletStatistics stats = OutletStatistics(total, s.RealInputConcentration);
  ASSERT_GT(stats.Output95.Low, 0.0);
  ASSERT_GT(stats.Penetration95.Low, 0.0);
  char folder[] = "/tmp/ltr_export_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string json = std::string(folder) + "/r.json", csv = std::string(folder) + "/r.csv";
  std::string reason;
  ASSERT_TRUE(ExportResults(s, "9.9.9", json, reason)) << reason;
  ASSERT_TRUE(ExportResults(s, "9.9.9", csv, reason)) << reason;
  const char* fates[] = {"injected", "exhausted", "settled", "at_rest", "held"};

  const nlohmann::json j = nlohmann::json::parse(ReadAll(json));
  EXPECT_EQ(j["program"]["version"], "9.9.9");
  const nlohmann::json& run = j["run"];
  EXPECT_EQ(run["seed"], 5);
  EXPECT_EQ(run["particles"], 5);
  EXPECT_EQ(run["moments"], 4);
  EXPECT_EQ(run["move_vortices"], false);
  EXPECT_EQ(run["particle_step"], "described");
  EXPECT_EQ(run["max_residence"].get<double>(), 12.5);
  EXPECT_EQ(run["free_vortices"], 7);
  EXPECT_EQ(run["time"].get<double>(), 1.25);
  for (const TAreaField& f : AreaFields) EXPECT_EQ(j["enclosure"][f.Name].get<double>(), s.Area.*f.Member) << f.Name;
  for (const TDustField& f : DustFields) {
    if (f.Member == &TDustParams::ParticleDt)
      EXPECT_FALSE(j["dust"].contains(f.Name));
    else
      EXPECT_EQ(j["dust"][f.Name].get<double>(), s.Dust.*f.Member) << f.Name;
  }
  const nlohmann::json& r = j["results"];
  EXPECT_EQ(r["particle_dt"].get<double>(), s.Dust.ParticleDt);
  EXPECT_EQ(r["output_concentration"].get<double>(), s.OutputConcentration);
  EXPECT_EQ(r["real_input_concentration"].get<double>(), s.RealInputConcentration);
  EXPECT_EQ(r["output_concentration_se"].get<double>(), stats.OutputStdError);
  EXPECT_EQ(r["output_concentration_ci95"][0].get<double>(), stats.Output95.Low);
  EXPECT_EQ(r["output_concentration_ci95"][1].get<double>(), stats.Output95.High);
  EXPECT_EQ(r["penetration"].get<double>(), stats.Penetration);
  EXPECT_EQ(r["penetration_ci95"][0].get<double>(), stats.Penetration95.Low);
  EXPECT_EQ(r["held"], 2);
  EXPECT_EQ(r["held_mass_share"].get<double>(), 0.125);
  EXPECT_EQ(r["steps"], s.ConcentrationSteps);
  for (int k = 0; k < FateKindCount; ++k) {
    EXPECT_EQ(r["fates_total"][fates[k]], total.Count[k]) << fates[k];
    EXPECT_EQ(r["fates_total"][std::string(fates[k]) + "_mass"].get<double>(), ToDouble(total.Mass[k])) << fates[k];
  }
  ASSERT_EQ(r["output_fractions"].size(), s.OutputFractions.size());
  for (size_t k = 0; k < s.OutputFractions.size(); ++k)
    EXPECT_EQ(r["output_fractions"][k]["share"].get<double>(), s.OutputFractions[k].Share);
  ASSERT_EQ(r["grade_efficiency"].size(), s.OutputTally.Classes.size());
  for (size_t k = 0; k < s.OutputTally.Classes.size(); ++k) {
    const TFateTally& c = s.OutputTally.Classes[k];
    EXPECT_EQ(r["grade_efficiency"][k]["injected"], c.CountOf(TFateKind::Injected)) << k;
    EXPECT_EQ(r["grade_efficiency"][k]["exhausted"], c.CountOf(TFateKind::Exhausted)) << k;
  }

  const auto sections = Sections(ReadAll(csv));
  std::map<std::string, std::string> results, kase;
  for (const auto& row : sections.at("results"))
    if (row.size() == 2) results[row[0]] = row[1];
  for (const auto& row : sections.at("case"))
    if (row.size() == 2) kase[row[0]] = row[1];
  const std::pair<const char*, double> expected[] = {
      {"particle_dt", s.Dust.ParticleDt},
      {"real_input_concentration", s.RealInputConcentration},
      {"output_concentration", s.OutputConcentration},
      {"output_concentration_se", stats.OutputStdError},
      {"output_concentration_ci95_low", stats.Output95.Low},
      {"output_concentration_ci95_high", stats.Output95.High},
      {"penetration", stats.Penetration},
      {"penetration_ci95_low", stats.Penetration95.Low},
      {"penetration_ci95_high", stats.Penetration95.High},
      {"held", 2},
      {"held_mass_share", 0.125},
      {"steps", static_cast<double>(s.ConcentrationSteps)},
  };
  for (const auto& [name, value] : expected) EXPECT_EQ(Read(results.at(name)), value) << name;
  EXPECT_EQ(kase.at("seed"), "5");
  EXPECT_EQ(Read(kase.at("time")), 1.25);
  EXPECT_EQ(Read(kase.at("free_vortices")), 7);
  EXPECT_EQ(Read(kase.at("max_residence")), 12.5);
  for (const TAreaField& f : AreaFields) EXPECT_EQ(Read(kase.at(f.Name)), s.Area.*f.Member) << f.Name;
  const auto& fractions = sections.at("fractions");
  ASSERT_EQ(fractions.size(), 1 + s.Dust.Fractions.size());
  for (size_t k = 0; k < s.Dust.Fractions.size(); ++k) {
    const auto& row = fractions[k + 1];
    ASSERT_EQ(row.size(), 4u + 2 * FateKindCount + 1);
    EXPECT_EQ(Read(row[3]), s.OutputFractions[k].Share);
    const TFateTally& t = s.OutputTally.Fractions[k];
    for (int f = 0; f < FateKindCount; ++f) {
      EXPECT_EQ(fractions[0][4 + f], fates[f]);
      EXPECT_EQ(Read(row[4 + f]), static_cast<double>(t.Count[f])) << fates[f];
      EXPECT_EQ(Read(row[4 + FateKindCount + f]), ToDouble(t.Mass[f])) << fates[f];
    }
  }
  EXPECT_EQ(sections.at("grade_efficiency").size(), 1 + s.OutputTally.Classes.size());

  // A file that cannot be written is reported and leaves nothing.
  EXPECT_FALSE(ExportResults(s, "9.9.9", std::string(folder) + "/none/r.csv", reason));
  EXPECT_FALSE(reason.empty());
  std::remove(json.c_str());
  std::remove(csv.c_str());
  rmdir(folder);
}

// The bounds of the size classes are written as the bounds meant, not with the
// noise of their computation; the spreadsheet flavour holds the same cells as
// the one for programs, with semicolons, decimal commas and a byte order mark.
TEST(ResultsExport, ClassBoundsAndTheSpreadsheetFlavour) {
  const TModelState s = AfterRun();
  const std::string program = ResultsCsv(s, "9");
  const auto sections = Sections(program);
  const auto& curve = sections.at("grade_efficiency");
  ASSERT_EQ(curve.size(), 1 + s.OutputTally.Classes.size());
  for (size_t k = 1; k < curve.size(); ++k) {
    for (int side = 0; side < 2; ++side) {
      const std::string& text = curve[k][side];
      const double bound = side == 0 ? s.OutputTally.ClassLower(static_cast<int>(k) - 1)
                                     : s.OutputTally.ClassUpper(static_cast<int>(k) - 1);
      // Composition bounds of whole micrometres give class bounds of a few
      // digits.
      const std::string mantissa = text.substr(0, text.find('e'));
      int digits = 0;
      for (char c : mantissa) digits += c >= '0' && c <= '9';
      EXPECT_LE(digits, 6) << text;
      EXPECT_NEAR(Read(text), bound, std::fabs(bound) * 1e-14) << text;
    }
  }

  const std::string sheet = ResultsCsv(s, "9", TCsvFlavour::Spreadsheet);
  ASSERT_EQ(sheet.rfind("\xEF\xBB\xBF# program\nname;version\n", 0), 0u);
  // Cell by cell: the same texts, with the decimal sign and the separator of
  // the flavour.
  std::string expected = program;
  for (char& c : expected) {
    if (c == ',') c = ';';
    else if (c == '.') c = ',';
  }
  EXPECT_EQ(sheet.substr(3), expected);
  EXPECT_NE(sheet.find(";0,"), std::string::npos);  // decimal commas are there

  // The export writes the flavour asked for; JSON has none.
  char folder[] = "/tmp/ltr_export_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string file = std::string(folder) + "/r.csv";
  std::string reason;
  ASSERT_TRUE(ExportResults(s, "9", file, reason, TCsvFlavour::Spreadsheet)) << reason;
  EXPECT_EQ(ReadAll(file), sheet);
  std::remove(file.c_str());
  rmdir(folder);
}

}  // namespace
}  // namespace ltr
