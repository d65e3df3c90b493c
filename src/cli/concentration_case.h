#pragma once
// The concentration run of a case as ltr-cli's subcommands share it: its
// options, their reading, the flow it runs in and the run with its progress.

#include <CLI/CLI.hpp>
#include <string>

#include "cli/common.h"
#include "cli/run_options.h"
#include "dust/concentration_run.h"
#include "model/run_defaults.h"
#include "numerics/number_text.h"

namespace ltr::cli {

struct ConcentrationOptions {
  CaseOptions caseOptions;
  RunOptions run;
  std::string particles = std::to_string(DefaultParticleCount);
  std::string moments = std::to_string(DefaultMomentCount);
  bool moveVortices = false;
  std::string seed;  // empty: from the clock
  std::string maxSteps;
  std::string maxResidence = FormatGeneral(DefaultMaxResidence);
  std::string particleStep;  // auto or seconds; not given: as the run is described
  std::string replicas = "1";
  std::string snapshots;  // empty: one run in the flow as it is
  std::string every;
  bool listVortices = false;
  std::string report;  // --report: the PDF report of the run
};

// Follows the run on a progress bar: moment k of K while particles are
// injected, then the particles still in flight.
class ConcentrationProgressBar : public TObserver {
 public:
  ConcentrationProgressBar(Progress& progress, long long total) : progress_(progress), total_(total) {}
  void ConcentrationProgress(int moment, int moments, int inFlight, long long steps, double time) override;

 private:
  Progress& progress_;
  long long total_;
};

// The case, flow and concentration options (not --replicas, --vortices).
// Their callbacks take the case file's defaults (TakeCaseDefaults) first.
void AddConcentrationOptions(CLI::App& sub, ConcentrationOptions& options);

// The options as numbers, the case file's page fields for those the command
// line leaves out; InputError on a bad text.
struct ConcentrationSetup {
  int particles = 0;
  int moments = 0;
  bool moveVortices = false;
  double maxResidence = DefaultMaxResidence;
  TConcentrationOptions run;
};
ConcentrationSetup ParseConcentrationSetup(const ConcentrationOptions& options, const CLI::App& sub);

// Applies the case to s, refuses a run that cannot start, and computes or
// loads the flow the particles fly in. True when that flow is computed.
bool PrepareConcentrationCase(const ConcentrationOptions& options, const ConcentrationSetup& setup, TModelState& s);

// The run with a progress bar titled `title`; true when it completed.
// InputError with the core's message when the run refused to start.
bool RunConcentrationCase(TModelState& s, const ConcentrationSetup& setup, const TConcentrationOptions& run,
                          bool quiet, const std::string& title);

// Writes the PDF report of the last complete run of s (RunFailure when it
// cannot be written, an existing file then left as it was; InputError when
// ltr-cli was built without drawing).
void WriteRunReport(const TModelState& s, const std::string& fileName);

}  // namespace ltr::cli
