#include "cli/run_options.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>
#include <system_error>
#include <utility>

#include "cli/common.h"
#include "io/vortex_commands.h"
#include "numerics/number_text.h"
#include "solver/vortex_run.h"

namespace ltr::cli {

namespace {

constexpr int BarWidth = 30;

// Follows a vortex run: counts its steps and shows how far it has come.
class RunProgress : public TObserver {
 public:
  RunProgress(Progress& progress, double startTime, double maxTime, std::vector<HistoryRow>* history)
      : progress_(progress), startTime_(startTime), maxTime_(maxTime), history_(history) {}

  void RedrawRun(const TFlow& state, bool /*withParticles*/) override {
    ++steps;
    time_ = state.Time;
    freeCount_ = state.FreeCount;
    if (history_ != nullptr) Record(state, steps);
  }
  // A history row for the state after `step` steps.
  void Record(const TFlow& state, int step) {
    HistoryRow row;
    row.step = step;
    row.time = state.Time;
    row.freeCount = state.FreeCount;
    row.exhaustedTotal = state.ExhaustedVortexCount;
    if (!history_->empty()) {
      const HistoryRow& last = history_->back();
      row.exhausted = row.exhaustedTotal - last.exhaustedTotal;
      row.shed = row.freeCount - last.freeCount + row.exhausted;
    }
    Extended sum = 0.0L;
    for (int j = state.BoundCount; j < state.BoundCount + state.FreeCount; ++j) sum += state.Vortices[j].Gamma;
    row.freeGamma = ToDouble(sum);
    history_->push_back(row);
  }
  void ProcessMessages() override {
    const double span = maxTime_ - startTime_;
    const double fraction = span > 0 ? (time_ - startTime_) / span : 1.0;
    progress_.Update(fraction, FormatFixed(time_, 6, 3) + " сек., свободных вихрей: " +
                                   std::to_string(freeCount_));
  }
  int steps = 0;

 private:
  Progress& progress_;
  double startTime_;
  double maxTime_;
  double time_ = 0.0;
  int freeCount_ = 0;
  std::vector<HistoryRow>* history_;
};

template <typename T>
void AppendNumber(std::string& out, T value) {
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, error == std::errc() ? end : buffer);
}

}  // namespace

void ThrowUnlessDone(const TOutcome& outcome, const std::vector<std::string>& names) {
  switch (outcome.Kind()) {
    case TOutcome::TKind::Done:
    case TOutcome::TKind::Stopped: return;
    case TOutcome::TKind::Refused: throw InputError(EchoNames(outcome.Message(), names));
    case TOutcome::TKind::Failed: throw RunFailure(EchoNames(outcome.Message(), names));
  }
}

void AddRunOptions(CLI::App& app, RunOptions& options) {
  app.add_option("--max-free", options.maxFree,
                 std::string("maximum number of free vortices (default ") + DefaultMaxFreeVortexText + ")");
  app.add_option("--max-time", options.maxTime,
                 "run the vortex simulation from time 0 up to this model time, s; without it the "
                 "steady flow of the bound vortices is solved once")
      ->check(NonEmpty());
  app.add_option("--dt", options.dt, std::string("time step of the vortex run, s (default ") + DefaultDtText + ")");
  app.add_option("--load", options.load,
                 "vortex structure file (.vrt, .evt) to start from; with --max-time the run "
                 "continues from its time")
      ->check(NonEmpty());
  app.add_flag("--quiet", options.quiet, "no progress on stderr");
}

RunValues ParseRunOptions(const RunOptions& options) {
  RunValues v;
  if (!ParseInteger(options.maxFree, v.maxFree))
    throw InputError("значение --max-free не является целым числом: " + Echo(options.maxFree));
  v.dt = RealOption("--dt", options.dt);
  v.run = !options.maxTime.empty();
  if (v.run) v.maxTime = RealOption("--max-time", options.maxTime);
  return v;
}

FlowOutcome PrepareFlow(const RunOptions& options, TModelState& s) {
  const RunValues v = ParseRunOptions(options);
  FlowOutcome outcome;
  if (!options.load.empty()) {
    TLoadResult loaded;
    TObserver silent;
    ThrowUnlessDone(LoadVortexStructure(s.Case(), s.Flow(), s.DustRun(), silent, options.load, loaded), {options.load});
    outcome.loaded = true;
    if (!v.run) return outcome;  // the stored flow as it is
  } else if (!v.run) {
    // The flow of the vortices as they are: after a fresh case, the bound
    // vortices alone.
    ThrowUnlessDone(SolveCurrentFlow(s.Case(), s.Flow(), s.Compute));
    return outcome;
  }

  // Where the run starts: a fresh run from time 0 with no free vortices, or
  // the loaded state with at most --max-free free vortices. The run refuses
  // arguments that make no sense before it changes anything or reports any
  // progress.
  TRunStart start;
  if (outcome.loaded) ThrowUnlessDone(BeginContinuedRun(s.Case(), s.Flow(), v.maxFree, v.maxTime, v.dt, start));
  const int startFree = start.FreeCount;
  const double startTime = start.Time;

  Progress progress("Расчет поля скоростей", options.quiet);
  RunProgress observer(progress, startTime, v.maxTime, options.history.empty() ? nullptr : &outcome.history);
  // The start of the history: the state the first step starts from, once
  // the run has discarded the free vortices of a fresh start.
  if (!options.history.empty()) {
    if (startFree == 0)
      outcome.history.push_back(HistoryRow{0, startTime, 0, 0, 0, 0, 0.0});
    else
      observer.Record(s, 0);
  }
  ThrowUnlessDone(RunVortices(s.Case(), s.Flow(), s.Control(), observer, v.maxFree, startFree, startTime, v.maxTime,
                              v.dt));
  progress.Finish(std::to_string(observer.steps) + " шагов, время " + FormatFixed(s.Time, 6, 3) +
                  " сек., свободных вихрей: " + std::to_string(s.FreeCount));
  outcome.ran = true;
  outcome.steps = observer.steps;
  return outcome;
}

std::string HistoryCsv(const std::vector<HistoryRow>& rows) {
  std::string out = "step,time,free_vortices,shed,exhausted,exhausted_total,free_gamma\n";
  for (const HistoryRow& r : rows) {
    AppendNumber(out, r.step);
    for (const double v : {r.time, static_cast<double>(r.freeCount), static_cast<double>(r.shed),
                           static_cast<double>(r.exhausted), static_cast<double>(r.exhaustedTotal), r.freeGamma}) {
      out += ',';
      AppendNumber(out, v);
    }
    out += '\n';
  }
  return out;
}

Progress::Progress(std::string title, bool quiet)
    : title_(std::move(title)),
      quiet_(quiet),
      terminal_(::isatty(STDERR_FILENO) == 1),
      nextLine_(std::chrono::steady_clock::now() + std::chrono::seconds(ProgressLineSeconds)) {}

Progress::~Progress() {
  if (barShown_ && !finished_) std::cerr << std::endl;
}

void Progress::Update(double fraction, const std::string& detail) {
  if (quiet_ || finished_) return;
  if (!(fraction >= 0.0)) fraction = 0.0;
  fraction = std::min(fraction, 1.0);
  const int permille = static_cast<int>(fraction * 1000);
  if (!terminal_) {
    // A log or a pipe: one line now and then, so that a long run shows it lives.
    const auto now = std::chrono::steady_clock::now();
    if (now < nextLine_) return;
    nextLine_ = now + std::chrono::seconds(ProgressLineSeconds);
    std::cerr << title_ << ": " << permille / 10 << "% " << detail << std::endl;
    return;
  }
  if (permille == lastPermille_) return;
  lastPermille_ = permille;
  const int filled = static_cast<int>(fraction * BarWidth);
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(BarWidth - filled), '.');
  std::cerr << "\r" << title_ << " [" << bar << "] " << permille / 10 << "% " << detail << "\033[K"
            << std::flush;
  barShown_ = true;
}

void Progress::Finish(const std::string& summary) {
  if (quiet_ || finished_) return;
  finished_ = true;
  if (terminal_) {
    if (barShown_) std::cerr << "\r" << title_ << ": " << summary << "\033[K" << std::endl;
    else std::cerr << title_ << ": " << summary << std::endl;
  } else {
    std::cerr << title_ << ": " << summary << std::endl;
  }
}

}  // namespace ltr::cli
