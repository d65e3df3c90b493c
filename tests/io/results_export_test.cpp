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

// Both exports read back to the very numbers of the run, the seed included,
// so that the run can be repeated from them.
TEST(ResultsExport, CsvAndJsonReadBackToTheRunsNumbers) {
  const TModelState s = AfterRun();
  const TOutletStatistics stats = OutletStatistics(s.OutputTally.Total(), s.RealInputConcentration);
  char folder[] = "/tmp/ltr_export_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string json = std::string(folder) + "/r.json", csv = std::string(folder) + "/r.csv";
  std::string reason;
  ASSERT_TRUE(ExportResults(s, "9.9.9", json, reason)) << reason;
  ASSERT_TRUE(ExportResults(s, "9.9.9", csv, reason)) << reason;

  const nlohmann::json j = nlohmann::json::parse(ReadAll(json));
  EXPECT_EQ(j["program"]["version"], "9.9.9");
  EXPECT_EQ(j["run"]["seed"], 5);
  EXPECT_EQ(j["run"]["particles"], 5);
  EXPECT_EQ(j["run"]["moments"], 4);
  EXPECT_EQ(j["enclosure"]["H"].get<double>(), 0.05);
  EXPECT_EQ(j["dust"]["InputConcentration"].get<double>(), 3e-6);
  EXPECT_EQ(j["results"]["output_concentration"].get<double>(), s.OutputConcentration);
  EXPECT_EQ(j["results"]["real_input_concentration"].get<double>(), s.RealInputConcentration);
  EXPECT_EQ(j["results"]["output_concentration_se"].get<double>(), stats.OutputStdError);
  EXPECT_EQ(j["results"]["fates_total"]["injected"], 20);
  ASSERT_EQ(j["results"]["output_fractions"].size(), s.OutputFractions.size());
  EXPECT_EQ(j["results"]["output_fractions"][1]["share"].get<double>(), s.OutputFractions[1].Share);

  const auto sections = Sections(ReadAll(csv));
  std::map<std::string, std::string> results, kase;
  for (const auto& row : sections.at("results"))
    if (row.size() == 2) results[row[0]] = row[1];
  for (const auto& row : sections.at("case"))
    if (row.size() == 2) kase[row[0]] = row[1];
  EXPECT_EQ(Read(results.at("output_concentration")), s.OutputConcentration);
  EXPECT_EQ(Read(results.at("real_input_concentration")), s.RealInputConcentration);
  EXPECT_EQ(Read(results.at("output_concentration_ci95_high")), stats.Output95.High);
  EXPECT_EQ(kase.at("seed"), "5");
  EXPECT_EQ(Read(kase.at("InflowWidth")), s.Area.InflowWidth);
  const auto& fractions = sections.at("fractions");
  ASSERT_EQ(fractions.size(), 1 + s.Dust.Fractions.size());
  EXPECT_EQ(Read(fractions[2][3]), s.OutputFractions[1].Share);
  EXPECT_EQ(Read(fractions[1][4]), static_cast<double>(s.OutputTally.Fractions[0].CountOf(TFateKind::Injected)));
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
