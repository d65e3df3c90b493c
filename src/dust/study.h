#pragma once
// A parameter study: the concentration run of one case for each of a list of
// values of one of its enclosure or dust fields, each in a flow of its own
// made the same way, all with the same seed. A row depends only on the case,
// its value and the seed, so the rows of a study are those of single runs,
// and parts of a study (Part of Parts) run anywhere and join to the whole.
// The window's study and ltr-cli sweep run this; the rows as CSV are written
// here too, so that both write the same file.

#include <cstdint>
#include <string>
#include <vector>

#include "dust/concentration_run.h"
#include "dust/run_statistics.h"
#include "io/flow_source.h"
#include "model/model_state.h"
#include "model/observer.h"
#include "model/outcome.h"
#include "model/run_defaults.h"

namespace ltr {

// The most values one study takes.
inline constexpr int MaxStudyValues = 100000;

struct TStudy {
  // The case the values are put into, as given: InflowSpeed is derived anew
  // for each value unless it was given (or is the field studied).
  TCase Case;
  bool InflowSpeedGiven = false;
  // The field, by its name in case files (FindAreaField, FindDustField).
  std::string Field;
  std::vector<double> Values;
  // How each value's flow is made. A vortex structure file holds an
  // enclosure of its own, so with one only a dust field can be studied.
  TFlowSource Flow;
  // The concentration run of each value.
  int Particles = DefaultParticleCount;
  int Moments = DefaultMomentCount;
  bool MoveVortices = false;
  double MaxResidence = DefaultMaxResidence;
  TComputeSettings Compute;
  // The seed (from the clock: one seed drawn for the whole study), the step
  // bound and the particle step of every run.
  TConcentrationOptions Run;
  // With own particle steps, Flow.Dt is the time step of the moving vortices
  // instead of that of the flow made.
  bool DtGiven = false;
  // This part runs the values Part, Part + Parts, Part + 2 Parts, ... (from 0).
  int Part = 0;
  int Parts = 1;
};

// The result of one value.
struct TStudyRow {
  int Index = 0;  // of the value in TStudy::Values
  double Value = 0.0;
  std::uint64_t Seed = 0;
  // False when the step bound stopped the run: the row has its value alone.
  bool Completed = false;
  bool FlowComputed = true;  // the flow had a computed circulation
  double RealInputConcentration = 0.0;  // kg/m3
  double OutputConcentration = 0.0;     // kg/m3
  double OutputStdError = 0.0;          // kg/m3; NaN with fewer than two particles
  TInterval Output95;                   // kg/m3
  double Penetration = 0.0;
  double HeldMassShare = 0.0;
  std::vector<double> OutletShares;  // per fraction of the case, by number of particles
};

// Follows a study: besides what the runs report (the flow's vortex run, then
// the concentration run), the value begun and each row made; and it may end
// the study.
class TStudyObserver : public TObserver {
 public:
  // The run of `value` begins: the k-th (from 0) of the `count` of this part.
  virtual void StudyValue(int /*k*/, int /*count*/, double /*value*/) {}
  // A row is made.
  virtual void StudyRow(const TStudyRow& /*row*/) {}
  // Asked after every message processing of the runs and between them: true
  // ends the study at once (the run in progress gives no row).
  virtual bool StudyStopRequested() { return false; }
};

// The values of this part of the study, by their index in Values.
std::vector<int> StudyPartIndices(const TStudy& study);

// The case of one value: the field set, InflowSpeed derived unless given.
TCase StudyCase(const TStudy& study, double value);

// The number of fractions every row reports.
int StudyFractionCount(const TStudy& study);

// Why the study cannot run; empty when it can. The field must be one of the
// case's, the values finite and at most MaxStudyValues, the part within the
// parts, a file's flow used only with a dust field; then for each value of
// the part the case (CaseError) and the run's arguments
// (CheckConcentrationArgs) are checked, the message naming the value.
std::string CheckStudy(const TStudy& study);

// Runs the study: for each value of the part, its case, its flow and its
// concentration run; each row goes to `rows` (and to ui) as it is made.
// Refused, with CheckStudy's message, before any run; Stopped when ui asked
// for it (the rows made are kept); Failed, or Refused, when a flow or a run
// could not be made, with its message (the rows before it are kept). The
// seed from the clock is drawn once: `rows` say which.
TOutcome RunStudy(const TStudy& study, TStudyObserver& ui, std::vector<TStudyRow>& rows);

// The values of an even range from `from` to `to` in `steps` values (at least
// 2): from + (to - from) i / (steps - 1), in extended precision.
std::vector<double> StudyRange(double from, double to, int steps);

// The study's CSV: the header line for `fractions` outlet shares, and a line
// per row (numbers in their shortest exact form with a decimal point; a
// row stopped by the step bound has its value and seed alone).
std::string StudyCsvHeader(int fractions);
std::string StudyCsvRow(const std::string& field, const TStudyRow& row, int fractions);

}  // namespace ltr
