#pragma once
// Averages over the developed flow: the vortex run goes on from the flow as it
// is, and at a number of moments a given time apart the concentration run is
// made in the flow of that moment, each with a seed of its own. The results of
// the moments are summarised by their mean and the 95 % interval from their
// spread (Student's t), beside the mean of the runs' own intervals, which
// cover the randomness of the particles only.

#include <cstdint>
#include <string>
#include <vector>

#include "dust/concentration_run.h"
#include "dust/run_statistics.h"
#include "model/model_state.h"
#include "model/outcome.h"

namespace ltr {

// The most moments one call averages over.
inline constexpr int MaxSnapshotCount = 1000;

// When and how the flow is sampled.
struct TSnapshotPlan {
  int Count = 0;       // moments, from 1
  double Every = 0.0;  // s of model time between two moments
  // The vortex run between the moments, as the Continue command makes it:
  // its maximum of free vortices and its time step.
  int MaxFree = 0;
  double Dt = 0.0;
  // Threads of the whole computation (0: all cores). The moments' runs go
  // side by side, one thread each, as far as there are threads; what is left
  // goes to each run's particles. The results do not depend on it.
  int Threads = 0;
};

// What the run at one moment gave.
struct TSnapshotResult {
  double Time = 0.0;   // model time of the flow the run started from, s
  int FreeCount = 0;   // its free vortices
  std::uint64_t Seed = 0;
  double OutputConcentration = 0.0;     // kg/m3
  double RealInputConcentration = 0.0;  // kg/m3
  double HeldMassShare = 0.0;
  long long Steps = 0;
  TOutletStatistics Statistics;         // its own errors and intervals
  std::vector<double> OutletShares;     // per input fraction
  std::vector<double> GradeEfficiency;  // per size class; NaN for a class no particle fell in
};

// A value over the moments: the mean with the interval from the spread
// between them, and the mean of the runs' own 95 % intervals.
struct TSnapshotStatistic {
  TReplicaSummary Between;
  TInterval RunMean95{};  // NaN where a run has no interval
};

struct TSnapshotResults {
  TSnapshotPlan Plan;
  TRunSettings Settings;  // the settings of every run
  std::vector<TSnapshotResult> Runs;  // in the order of the moments
  TSnapshotStatistic Output;          // outlet concentration, kg/m3
  TSnapshotStatistic Penetration;
  TReplicaSummary Input;              // injected concentration, kg/m3
  TReplicaSummary HeldShare;
  std::vector<TReplicaSummary> OutletShares;  // per input fraction
  std::vector<TFraction> Fractions;           // the input fractions
  // Per size class of the grade-efficiency curve, over the moments whose run
  // had particles in the class.
  std::vector<TReplicaSummary> GradeEfficiency;
  std::vector<double> ClassLower, ClassUpper;  // m
  bool Empty() const { return Runs.empty(); }
};

// Why averaging with these arguments cannot start; empty when it can. Checks
// the plan (Every no shorter than Dt) and the vortex run to its last moment
// from the flow of s.
std::string CheckSnapshotArgs(const TModelState& s, const TSnapshotPlan& plan);

// The mean, the spread and the mean own interval of the moments' runs.
void SummarizeSnapshots(TSnapshotResults& results);

// The progress text: which moment's flow is being computed, or how many runs
// are done.
std::string SnapshotProgressText(int done, int count);

// The moments are Time, Time + Every, ..., Time + (Count - 1) Every of the
// flow in s: before each but the first, the vortex run goes on as Continue
// does (RunVortices with plan.MaxFree and plan.Dt) to the step nearest to
// it; moment k's concentration run starts from a copy of that flow,
// with the seed of `options` plus k (a seed from the clock is drawn first;
// the fixed start sequence is refused, since every run would draw the same
// sizes). The runs then go side by side (TSnapshotPlan::Threads); the
// observer `ui` sees the vortex run, the progress over the runs, and its
// messages are processed; setting StopConcentration of s stops everything
// (Stopped, no results). Done: `results` holds every run and the summaries,
// and s is left as the last moment's run left its copy (its flow, its
// results). Refused before anything changes; a refusal of one of the runs,
// or a state that stops being finite, ends it without results.
TOutcome RunSnapshots(TModelState& s, TObserver& ui, int NumParticle, int NumIteration, bool MoveVortices,
                      const TConcentrationOptions& options, const TSnapshotPlan& plan, TSnapshotResults& results);

}  // namespace ltr
