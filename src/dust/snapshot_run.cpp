#include "dust/snapshot_run.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>
#include <utility>

#include "numerics/fast_velocity.h"
#include "numerics/parallel.h"
#include "solver/vortex_run.h"

namespace ltr {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// The observer of the vortex run between two moments: everything goes to the
// caller's observer, and a Stop of the averaging (StopConcentration of the
// state) stops the vortex run too.
class TContinuationObserver : public TObserver {
 public:
  TContinuationObserver(TModelState& s, TObserver& ui) : S_(s), Ui_(ui) {}
  void SetStatusText(const std::string& text) override { Ui_.SetStatusText(text); }
  void SetLabel(TLabel label, const std::string& text) override { Ui_.SetLabel(label, text); }
  void RedrawRun(const TFlow& flow, bool withParticles) override { Ui_.RedrawRun(flow, withParticles); }
  void ProcessMessages() override {
    Ui_.ProcessMessages();
    if (S_.StopConcentration) S_.StopVortexRun = true;
  }
  void VortexRunProgress(double time, double startTime, double maxTime) override {
    Ui_.VortexRunProgress(time, startTime, maxTime);
  }

 private:
  TModelState& S_;
  TObserver& Ui_;
};

// The observer of one moment's concentration run on a thread of its own: it
// keeps the share of the run done for the progress and hands on a Stop.
class TSnapshotRunObserver : public TObserver {
 public:
  TSnapshotRunObserver(TModelState& s, const std::atomic<bool>& stop, std::atomic<double>& done, long long total)
      : S_(s), Stop_(stop), Done_(done), Total_(total) {}
  void ProcessMessages() override {
    if (Stop_.load()) S_.StopConcentration = true;
  }
  void ConcentrationProgress(int moment, int moments, int inFlight, long long, double) override {
    const double left = Total_ > 0 ? static_cast<double>(inFlight) / static_cast<double>(Total_) : 0.0;
    Done_.store(moment > 0 ? 0.5 * moment / moments : 0.5 + 0.5 * (1 - left));
  }

 private:
  TModelState& S_;
  const std::atomic<bool>& Stop_;
  std::atomic<double>& Done_;
  long long Total_;
};

TSnapshotStatistic StatisticOf(const std::vector<double>& values, const std::vector<TInterval>& intervals) {
  TSnapshotStatistic r;
  r.Between = SummarizeReplicas(values);
  if (intervals.empty()) return r;
  Extended low = 0, high = 0;
  for (const TInterval& i : intervals) {
    low += i.Low;
    high += i.High;
  }
  r.RunMean95 = {ToDouble(low / intervals.size()), ToDouble(high / intervals.size())};
  return r;
}

// What the run of one moment left in its state.
TSnapshotResult ResultOf(const TModelState& run) {
  TSnapshotResult r;
  r.OutputConcentration = run.OutputConcentration;
  r.RealInputConcentration = run.RealInputConcentration;
  r.HeldMassShare = run.HeldMassShare;
  r.Steps = run.ConcentrationSteps;
  r.Seed = run.RunSeed.Value;
  r.Statistics = OutletStatistics(run.OutputTally.Total(), run.RealInputConcentration);
  for (const TFraction& f : run.OutputFractions) r.OutletShares.push_back(f.Share);
  for (const TFateTally& c : run.OutputTally.Classes)
    r.GradeEfficiency.push_back(c.CountOf(TFateKind::Injected) > 0 ? Penetration(c) : NaN);
  return r;
}

// The limit of the vortex run to moment k: half a step short of it, so that
// the run, which stops at the first step past its limit, ends at the step
// nearest to the moment.
double MomentLimit(double start, int k, const TSnapshotPlan& plan) {
  return ToDouble(static_cast<Extended>(start) + static_cast<Extended>(k) * plan.Every -
                  static_cast<Extended>(plan.Dt) / 2);
}

}  // namespace

std::string CheckSnapshotArgs(const TModelState& s, const TSnapshotPlan& plan) {
  if (plan.Count < 1 || plan.Count > MaxSnapshotCount)
    return "Число мгновенных полей должно быть от 1 до " + std::to_string(MaxSnapshotCount);
  if (!std::isfinite(plan.Every) || !(plan.Every > 0))
    return "Промежуток между мгновенными полями должен быть положительным числом секунд";
  if (plan.Count == 1) return {};
  if (std::string error = CheckVortexRunArgs(s.Case(), s.Flow(), plan.MaxFree, MomentLimit(s.Time, plan.Count - 1, plan), plan.Dt,
                                             std::min(s.FreeCount, plan.MaxFree), s.Time);
      !error.empty())
    return error;
  if (plan.Every < plan.Dt)
    return "Промежуток между мгновенными полями должен быть не меньше шага по времени вихрей";
  return {};
}

void SummarizeSnapshots(TSnapshotResults& results) {
  std::vector<double> output, penetration, input, held;
  std::vector<TInterval> output95, penetration95;
  for (const TSnapshotResult& r : results.Runs) {
    output.push_back(r.OutputConcentration);
    output95.push_back(r.Statistics.Output95);
    penetration.push_back(r.Statistics.Penetration);
    penetration95.push_back(r.Statistics.Penetration95);
    input.push_back(r.RealInputConcentration);
    held.push_back(r.HeldMassShare);
  }
  results.Output = StatisticOf(output, output95);
  results.Penetration = StatisticOf(penetration, penetration95);
  results.Input = SummarizeReplicas(input);
  results.HeldShare = SummarizeReplicas(held);
  results.OutletShares.clear();
  results.GradeEfficiency.clear();
  if (results.Runs.empty()) return;
  for (size_t j = 0; j < results.Runs.front().OutletShares.size(); ++j) {
    std::vector<double> shares;
    for (const TSnapshotResult& r : results.Runs) shares.push_back(r.OutletShares[j]);
    results.OutletShares.push_back(SummarizeReplicas(shares));
  }
  for (size_t c = 0; c < results.Runs.front().GradeEfficiency.size(); ++c) {
    std::vector<double> values;
    for (const TSnapshotResult& r : results.Runs)
      if (!std::isnan(r.GradeEfficiency[c])) values.push_back(r.GradeEfficiency[c]);
    results.GradeEfficiency.push_back(SummarizeReplicas(values));
  }
}

std::string SnapshotProgressText(int done, int count) {
  return "Мгновенных полей рассчитано: " + std::to_string(done) + " из " + std::to_string(count);
}

TOutcome RunSnapshots(TModelState& s, TObserver& ui, int NumParticle, int NumIteration, bool MoveVortices,
                      const TConcentrationOptions& options, const TSnapshotPlan& plan, TSnapshotResults& results) {
  auto refuse = [&s](std::string message) {
    s.StopConcentration = true;
    return TOutcome::Refusal(std::move(message));
  };
  if (std::string error = CheckSnapshotArgs(s, plan); !error.empty()) return refuse(std::move(error));
  if (options.Seed.Kind == TSizeSeed::TKind::Unseeded)
    return refuse("Для усреднения по мгновенным полям нужны различные зерна: задайте зерно числом");
  if (std::string error = CheckConcentrationArgs(s.Case(), s.Flow(), s.MaxResidence, NumParticle, NumIteration,
                                                 MoveVortices, options.ParticleStep);
      !error.empty())
    return refuse(std::move(error));

  const std::uint64_t seed = options.Seed.Kind == TSizeSeed::TKind::Value ? options.Seed.Value : ClockSeed();
  const TComputeSettings compute = s.Compute;
  const int K = plan.Count;
  s.StopConcentration = false;

  // The flows of the moments, one after the other.
  const double start = s.Time;
  std::vector<TModelState> flows;
  flows.reserve(static_cast<size_t>(K));
  std::vector<TSnapshotResult> moments(static_cast<size_t>(K));
  for (int k = 0; k < K; ++k) {
    if (k > 0) {
      const double target = MomentLimit(start, k, plan);
      TRunStart from;
      if (TOutcome begun = BeginContinuedRun(s.Case(), s.Flow(), plan.MaxFree, target, plan.Dt, from); !begun) {
        s.StopConcentration = true;
        return begun;
      }
      TContinuationObserver continuation(s, ui);
      TOutcome ran = RunVortices(s.Case(), s.Flow(), s.Control(), continuation, plan.MaxFree, from.FreeCount,
                                 from.Time, target, plan.Dt);
      if (!ran) {
        s.StopConcentration = true;
        return ran;
      }
      if (s.StopConcentration) return TOutcome::StoppedEarly();
    }
    moments[k].Time = s.Time;
    moments[k].FreeCount = s.FreeCount;
    flows.push_back(s);
    ui.ProcessMessages();
    if (s.StopConcentration) return TOutcome::StoppedEarly();
  }

  // The concentration runs side by side, each on its copy of its moment's
  // flow; the caller's thread reports the progress and processes messages.
  const int threads = ResolveThreadCount(plan.Threads);
  const int workers = std::min(threads, K);
  const int perRun = std::max(1, threads / workers);
  if (compute.Fast) FastVelocityTarget();  // picks the instruction set before the threads start
  std::vector<std::atomic<double>> done(static_cast<size_t>(K));
  std::vector<TOutcome> outcomes(static_cast<size_t>(K));
  std::vector<std::exception_ptr> errors(static_cast<size_t>(K));
  std::atomic<bool> stop{false};
  std::atomic<int> next{0};
  int finished = 0;
  std::mutex mutex;
  std::condition_variable changed;
  const long long total = static_cast<long long>(NumParticle) * NumIteration;
  auto work = [&] {
    for (int k = next++; k < K; k = next++) {
      TModelState& run = flows[k];
      run.Compute.Threads = perRun;
      TConcentrationOptions own = options;
      own.Seed = TSizeSeed::Fixed(seed + static_cast<std::uint64_t>(k));
      try {
        TSnapshotRunObserver watcher(run, stop, done[k], total);
        outcomes[k] = RunConcentration(run.Case(), run.Flow(), run.DustRun(), run.Results(), run.Control(), watcher,
                                       NumParticle, NumIteration, MoveVortices, own);
      } catch (...) {
        errors[k] = std::current_exception();
        stop = true;
      }
      if (!outcomes[k] && !errors[k]) stop = true;
      done[k] = 1.0;
      std::lock_guard<std::mutex> lock(mutex);
      ++finished;
      changed.notify_all();
    }
  };
  std::vector<std::thread> pool;
  for (int w = 0; w < workers; ++w) pool.emplace_back(work);
  for (;;) {
    int count = 0;
    {
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait_for(lock, std::chrono::milliseconds(100), [&] { return finished == K; });
      count = finished;
    }
    double share = 0;
    for (const std::atomic<double>& d : done) share += d.load();
    ui.SnapshotProgress(count, K, share / K);
    if (count == K) break;
    ui.ProcessMessages();
    if (s.StopConcentration) stop = true;
  }
  for (std::thread& t : pool) t.join();
  for (const std::exception_ptr& e : errors)
    if (e) std::rethrow_exception(e);
  for (const TOutcome& o : outcomes)
    if (o.Kind() == TOutcome::TKind::Failed || o.Kind() == TOutcome::TKind::Refused) {
      s.StopConcentration = true;
      return o;
    }
  if (stop || s.StopConcentration) {
    s.StopConcentration = true;
    return TOutcome::StoppedEarly();
  }

  results = TSnapshotResults{};
  results.Plan = plan;
  results.Settings = flows.back().RunSettings;
  results.Fractions = flows.back().Dust.Fractions;
  for (int k = 0; k < K; ++k) {
    TSnapshotResult r = ResultOf(flows[k]);
    r.Time = moments[k].Time;
    r.FreeCount = moments[k].FreeCount;
    results.Runs.push_back(std::move(r));
  }
  const TRunTally& tally = flows.back().OutputTally;
  for (int c = 0; c < static_cast<int>(tally.Classes.size()); ++c) {
    results.ClassLower.push_back(tally.ClassLower(c));
    results.ClassUpper.push_back(tally.ClassUpper(c));
  }
  SummarizeSnapshots(results);
  s = std::move(flows.back());
  s.Compute = compute;
  return {};
}

}  // namespace ltr
