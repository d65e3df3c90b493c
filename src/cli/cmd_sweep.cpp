// ltr-cli sweep: the concentration run of a case for each value of one
// enclosure or dust field (the study of the core, as the window runs it): one
// CSV row per value, on stdout or into --out (then a JSON summary on stdout),
// and with --plot a picture of the outlet concentration. A row depends only
// on the case, its value and the seed, so parts of a sweep (--part i/n) run
// anywhere and their files concatenate to the whole.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "cli/common.h"
#include "cli/concentration_case.h"
#include "dust/run_statistics.h"
#include "dust/study.h"
#include "io/file_access.h"
#include "numerics/number_text.h"
#include "numerics/random.h"

#ifdef LTR_HAVE_VIEW
#include <QDateTime>

#include "cli/offscreen_app.h"
#include "ltr/version.h"
#include "view/report_pdf.h"
#include "view/scene_file.h"
#include "view/sweep_plot.h"
#endif

namespace ltr::cli {

namespace {

struct SweepOptions {
  ConcentrationOptions concentration;
  std::string param;
  std::string values;
  std::string from, to, steps;
  std::string part;
  std::string out;
  std::string plot;
  std::string report;
};

std::string Shortest(double value) {
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return error == std::errc() ? std::string(buffer, end) : std::string();
}

// "a,b,c" with decimal points, or "a;b;c" where the numbers may have a
// decimal comma.
std::vector<double> ParseValueList(const std::string& text) {
  const char separator = text.find(';') != std::string::npos ? ';' : ',';
  std::vector<double> values;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    const std::string item = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    values.push_back(RealOption("--values", item));
    if (values.size() > MaxStudyValues) throw InputError("в --values больше " + std::to_string(MaxStudyValues) + " значений");
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return values;
}

std::vector<double> SweepValues(const SweepOptions& o) {
  const bool list = !o.values.empty();
  const bool range = !o.from.empty() || !o.to.empty() || !o.steps.empty();
  if (list == range) throw InputError("задайте либо --values, либо --from, --to и --steps");
  if (list) return ParseValueList(o.values);
  if (o.from.empty() || o.to.empty() || o.steps.empty())
    throw InputError("для диапазона нужны все три параметра: --from, --to и --steps");
  const double a = RealOption("--from", o.from), b = RealOption("--to", o.to);
  const int k = IntegerOption("--steps", o.steps, 2, MaxStudyValues);
  return StudyRange(a, b, k);
}

// "i/n": this part runs the values i, i + n, i + 2n, ... (counting from 0).
std::pair<int, int> ParsePart(const std::string& text) {
  if (text.empty()) return {0, 1};
  const size_t slash = text.find('/');
  int i = -1, n = 0;
  bool ok = slash != std::string::npos;
  if (ok) {
    const auto [p1, e1] = std::from_chars(text.data(), text.data() + slash, i);
    const auto [p2, e2] = std::from_chars(text.data() + slash + 1, text.data() + text.size(), n);
    ok = e1 == std::errc() && e2 == std::errc() && p1 == text.data() + slash && p2 == text.data() + text.size() &&
         n >= 1 && i >= 0 && i < n;
  }
  if (!ok) throw InputError("значение --part должно иметь вид i/n с 0 <= i < n: " + Echo(text));
  return {i, n};
}

// Follows the study on a progress bar: value k of K.
class SweepProgress : public TStudyObserver {
 public:
  SweepProgress(Progress& progress) : progress_(progress) {}
  void StudyValue(int k, int count, double value) override {
    progress_.Update(static_cast<double>(k) / static_cast<double>(count),
                     "значение " + Shortest(value) + " (" + std::to_string(k + 1) + " из " + std::to_string(count) +
                         ")");
  }

 private:
  Progress& progress_;
};

}  // namespace

void RegisterSweep(CLI::App& app) {
  auto options = std::make_shared<SweepOptions>();
  CLI::App* sub = app.add_subcommand(
      "sweep", "the concentration run for each value of one enclosure or dust field; one CSV row per value");
  sub->add_option("--param", options->param, "the field to vary, by its --set name (e.g. Speed)")
      ->required()
      ->check(NonEmpty());
  sub->add_option("--values", options->values,
                  "the values: a,b,c with decimal points, or a;b;c where a decimal comma may be used");
  sub->add_option("--from", options->from, "first value of an even range");
  sub->add_option("--to", options->to, "last value of an even range");
  sub->add_option("--steps", options->steps, "number of values of the range, at least 2");
  sub->add_option("--part", options->part,
                  "i/n: run only the values i, i + n, ... (from 0); the parts' files concatenate to the "
                  "whole sweep, the header coming with part 0");
  sub->add_option("--out", options->out, "CSV file to write (default: stdout)")->check(NonEmpty());
  sub->add_option("--plot", options->plot, "PNG picture of the outlet concentration with its interval")
      ->check(NonEmpty());
  sub->add_option("--report", options->report,
                  "PDF report of the study: the case, the settings, the table of the rows and the chart")
      ->check(NonEmpty());
  AddConcentrationOptions(*sub, options->concentration);
  sub->callback([options, sub] {
    const std::vector<double> values = SweepValues(*options);
    const auto [part, parts] = ParsePart(options->part);
    TakeCaseDefaults(options->concentration.caseOptions, options->concentration.run, *sub);
    const ConcentrationSetup setup = ParseConcentrationSetup(options->concentration, *sub);
#ifndef LTR_HAVE_VIEW
    if (!options->plot.empty()) throw InputError("--plot недоступен: ltr-cli собран без рисования");
    if (!options->report.empty()) throw InputError("--report недоступен: ltr-cli собран без рисования");
#endif
    // The files are checked before the first run and written together after
    // the last.
    std::vector<OutputFile> outputs;
    if (!options->out.empty()) outputs.push_back(TextOutput("--out", options->out));
    if (!options->plot.empty()) outputs.push_back(TextOutput("--plot", options->plot));
    if (!options->report.empty()) outputs.push_back(OutputFile{"--report", options->report, "не удалось записать отчет в файл " + Echo(options->report), {}});
    CheckOutputs(outputs);
    const RunValues run = ParseRunOptions(options->concentration.run);

    TStudy study;
    study.Case = ComposeCase(options->concentration.caseOptions, study.InflowSpeedGiven);
    study.Field = options->param;
    study.Values = values;
    study.Flow.File = options->concentration.run.load;
    study.Flow.Run = run.run;
    study.Flow.MaxFree = run.maxFree;
    study.Flow.MaxTime = run.maxTime;
    study.Flow.Dt = run.dt;
    study.DtGiven = options->concentration.run.dtGiven;
    study.Particles = setup.particles;
    study.Moments = setup.moments;
    study.MoveVortices = setup.moveVortices;
    study.MaxResidence = setup.maxResidence;
    study.Compute = ComputeSettingsOf(options->concentration.caseOptions);
    study.Run = setup.run;
    // One seed for every row: a row is the run of its value and this seed.
    if (study.Run.Seed.Kind == TSizeSeed::TKind::Clock) study.Run.Seed = TSizeSeed::Fixed(ClockSeed());
    study.Part = part;
    study.Parts = parts;
    // Every value is checked before the first run.
    if (std::string error = CheckStudy(study); !error.empty()) throw InputError(error);

    const int K = StudyFractionCount(study);
    std::string csv = part == 0 ? StudyCsvHeader(K) : std::string();
    Progress progress("Перебор " + options->param, options->concentration.run.quiet);
    SweepProgress observer(progress);
    std::vector<TStudyRow> rows;
    ThrowUnlessDone(RunStudy(study, observer, rows));
    for (const TStudyRow& row : rows) csv += StudyCsvRow(study.Field, row, K);
    progress.Finish(std::to_string(rows.size()) + " значений");

    for (OutputFile& output : outputs) {
      if (output.option == "--out") {
        output.data = csv;
        continue;
      }
#ifdef LTR_HAVE_VIEW
      std::vector<TSweepPoint> points;
      for (const TStudyRow& row : rows)
        if (row.Completed) points.push_back({row.Value, row.OutputConcentration, row.Output95.Low, row.Output95.High});
      OffscreenApplication gui;
      std::string reason;
      if (output.option == "--report") {
        const QByteArray pdf = StudyReportPdf(study, rows, VersionText, QDateTime::currentDateTime());
        output.data.assign(pdf.constData(), static_cast<size_t>(pdf.size()));
      } else if (!EncodePng(DrawSweepPlot(points, options->param), output.data, &reason)) {
        throw RunFailure(output.failure + ": " + reason);
      }
#endif
    }
    if (options->out.empty()) std::cout << csv << std::flush;
    WriteOutputs(outputs);
    if (!options->out.empty()) {
      nlohmann::json j;
      j["out"] = options->out;
      j["rows"] = static_cast<int>(rows.size());
      j["seed"] = study.Run.Seed.Value;
      if (!options->plot.empty()) j["plot"] = options->plot;
      if (!options->report.empty()) j["report"] = options->report;
      PrintJson(j);
    }
  });
}

}  // namespace ltr::cli
