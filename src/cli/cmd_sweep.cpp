// ltr-cli sweep: the concentration run of a case for each value of one
// enclosure or dust field: one CSV row per value, on stdout or into --out
// (then a JSON summary on stdout), and with --plot a picture of the outlet
// concentration. A row depends only on the case, its value and the seed, so
// parts of a sweep (--part i/n) run anywhere and their files concatenate to
// the whole.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "cli/common.h"
#include "cli/concentration_case.h"
#include "dust/run_statistics.h"
#include "numerics/number_text.h"
#include "numerics/random.h"

#ifdef LTR_HAVE_VIEW
#include "cli/offscreen_app.h"
#include "view/scene_file.h"
#include "view/sweep_plot.h"
#endif

namespace ltr::cli {

namespace {

// The most values one sweep takes.
constexpr int MaxSweepValues = 100000;

struct SweepOptions {
  ConcentrationOptions concentration;
  std::string param;
  std::string values;
  std::string from, to, steps;
  std::string part;
  std::string out;
  std::string plot;
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
    if (values.size() > MaxSweepValues) throw InputError("в --values больше " + std::to_string(MaxSweepValues) + " значений");
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
  const Extended a = RealOption("--from", o.from), b = RealOption("--to", o.to);
  const int k = IntegerOption("--steps", o.steps, 2, MaxSweepValues);
  std::vector<double> values;
  for (int i = 0; i < k; ++i) values.push_back(ToDouble(a + (b - a) * i / (k - 1)));
  return values;
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

void AppendCell(std::string& out, double value) {
  out += ',';
  if (std::isfinite(value)) out += Shortest(value);
}

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
  AddConcentrationOptions(*sub, options->concentration);
  sub->callback([options, sub] {
    const std::vector<double> values = SweepValues(*options);
    const auto [part, parts] = ParsePart(options->part);
    ConcentrationSetup setup = ParseConcentrationSetup(options->concentration, *sub);
    // One seed for every row: a row is the run of its value and this seed.
    if (setup.run.Seed.Kind == TSizeSeed::TKind::Clock) setup.run.Seed = TSizeSeed::Fixed(ClockSeed());
#ifndef LTR_HAVE_VIEW
    if (!options->plot.empty()) throw InputError("--plot недоступен: ltr-cli собран без рисования");
#endif
    // The files are checked before the first run and written together after
    // the last.
    std::vector<OutputFile> outputs;
    if (!options->out.empty()) outputs.push_back(TextOutput("--out", options->out));
    if (!options->plot.empty()) outputs.push_back(TextOutput("--plot", options->plot));
    CheckOutputs(outputs);

    // Every value is checked before the first run.
    std::vector<size_t> mine;
    for (size_t k = 0; k < values.size(); ++k)
      if (static_cast<int>(k % static_cast<size_t>(parts)) == part) mine.push_back(k);
    auto caseFor = [&](double value) {
      ConcentrationOptions o = options->concentration;
      o.caseOptions.sets.push_back(options->param + "=" + Shortest(value));
      return o;
    };
    // The fields a sweep varies are numbers: every row has the case's fractions.
    size_t K = 0;
    for (size_t k : mine) {
      TModelState probe;
      try {
        ApplyCase(caseFor(values[k]).caseOptions, probe);
      } catch (const InputError& e) {
        throw InputError("значение " + Shortest(values[k]) + " для " + Echo(options->param) + ": " + e.what());
      }
      K = probe.Dust.Fractions.size();
    }

    std::string csv;
    if (part == 0) {
      csv += "param,value,seed,real_input_concentration,output_concentration,output_concentration_se,"
             "output_ci95_low,output_ci95_high,penetration,held_mass_share";
      for (size_t j = 1; j <= K; ++j) csv += ",outlet_share_" + std::to_string(j);
      csv += '\n';
    }
#ifdef LTR_HAVE_VIEW
    std::vector<TSweepPoint> points;
#endif
    Progress progress("Перебор " + options->param, options->concentration.run.quiet);
    int done = 0;
    for (size_t k : mine) {
      const double value = values[k];
      progress.Update(static_cast<double>(done) / static_cast<double>(mine.size()),
                      "значение " + Shortest(value) + " (" + std::to_string(done + 1) + " из " +
                          std::to_string(mine.size()) + ")");
      TModelState s;
      const ConcentrationOptions o = caseFor(value);
      PrepareConcentrationCase(o, setup, *sub, s);
      const bool completed = RunConcentrationCase(s, setup, setup.run, true, "Расчет концентрации");
      csv += options->param;
      AppendCell(csv, value);
      csv += ',' + std::to_string(setup.run.Seed.Value);
      if (completed) {
        const TOutletStatistics stats = OutletStatistics(s.OutputTally.Total(), s.RealInputConcentration);
        for (double v : {s.RealInputConcentration, s.OutputConcentration, stats.OutputStdError, stats.Output95.Low,
                         stats.Output95.High, stats.Penetration, s.HeldMassShare})
          AppendCell(csv, v);
        for (size_t j = 0; j < K; ++j) AppendCell(csv, j < s.OutputFractions.size() ? s.OutputFractions[j].Share : NAN);
#ifdef LTR_HAVE_VIEW
        points.push_back({value, s.OutputConcentration, stats.Output95.Low, stats.Output95.High});
#endif
      } else {
        // Stopped by --max-steps: the row says nothing but its value.
        for (size_t j = 0; j < 7 + K; ++j) csv += ',';
      }
      csv += '\n';
      ++done;
    }
    progress.Finish(std::to_string(done) + " значений");

    for (OutputFile& output : outputs) {
      if (output.option == "--out") {
        output.data = csv;
        continue;
      }
#ifdef LTR_HAVE_VIEW
      OffscreenApplication gui;
      std::string reason;
      if (!EncodePng(DrawSweepPlot(points, options->param), output.data, &reason))
        throw RunFailure(output.failure + ": " + reason);
#endif
    }
    if (options->out.empty()) std::cout << csv << std::flush;
    WriteOutputs(outputs);
    if (!options->out.empty()) {
      nlohmann::json j;
      j["out"] = options->out;
      j["rows"] = done;
      j["seed"] = setup.run.Seed.Value;
      if (!options->plot.empty()) j["plot"] = options->plot;
      PrintJson(j);
    }
  });
}

}  // namespace ltr::cli
