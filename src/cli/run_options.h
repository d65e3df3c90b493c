#pragma once
// The vortex-run options shared by the subcommands that need a flow
// (--max-free, --max-time, --dt, --quiet), the preparation of that flow, and
// progress reporting on stderr.

#include <CLI/CLI.hpp>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/model_state.h"
#include "model/outcome.h"
#include "model/run_defaults.h"

namespace ltr::cli {

// A run that stopped because its state stopped being finite: one line on
// stderr and exit status 1, no result.
class RunFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What ltr-cli makes of an operation of the core that did not go through: a
// refusal is bad input (InputError), a failure a RunFailure; done or stopped
// passes. The file names the message may hold are echoed (EchoNames).
void ThrowUnlessDone(const TOutcome& outcome, const std::vector<std::string>& names = {});

// As typed; parsed (decimal comma or point) by PrepareFlow. The defaults are
// those of the main window's fields.
struct RunOptions {
  std::string maxFree = DefaultMaxFreeVortexText;  // --max-free: the maximum of free vortices
  std::string maxTime;                            // --max-time: model time to run to; empty: no run
  std::string dt = DefaultDtText;                 // --dt: time step
  std::string load;             // --load: start from a vortex structure file
  bool quiet = false;           // --quiet: no progress on stderr
  std::string history;          // --history (vortex only): the step history to this CSV file
};

void AddRunOptions(CLI::App& app, RunOptions& options);

// The run options as numbers. Throws InputError on a text that is not a
// number of the right kind.
struct RunValues {
  int maxFree = 0;
  bool run = false;  // --max-time given
  double maxTime = 0.0;
  double dt = 0.0;
};
RunValues ParseRunOptions(const RunOptions& options);

// The state after one step of a vortex run (or before the first one).
struct HistoryRow {
  int step = 0;
  double time = 0.0;
  int freeCount = 0;
  int shed = 0;            // vortices born in the step
  int exhausted = 0;       // vortices that left through the exhaust in the step
  int exhaustedTotal = 0;  // since the free vortices were last discarded
  double freeGamma = 0.0;  // total circulation of the free vortices
};

struct FlowOutcome {
  bool ran = false;     // a vortex run was made (rather than one steady solve)
  bool loaded = false;  // the vortex state came from a file
  int steps = 0;        // time steps made
  std::vector<HistoryRow> history;  // with --history: the start, then every step
};

// The history as CSV: a header line, then one line a row; "." as the decimal
// point, doubles in their shortest exact form.
std::string HistoryCsv(const std::vector<HistoryRow>& rows);

// Makes the flow of s, whose case options are already applied.
// Without --load: with --max-time, a fresh vortex run from time 0 with no free
// vortices, as the Start button does; without it, the steady flow of the bound
// vortices solved once.
// With --load: the file's vortex state replaces the case's enclosure and
// vortices; with --max-time the run then goes on from the stored time and
// vortices, as the Continue button does (the free vortices cut to --max-free
// first when that is lower); without it the stored flow is used as it is.
// Progress goes to stderr unless --quiet. Throws InputError when the file or
// the run is refused and RunFailure when the run stops being finite (with
// the core's message).
FlowOutcome PrepareFlow(const RunOptions& options, TModelState& s);

// Progress of a long computation on stderr: a bar redrawn in place when
// stderr is a terminal, otherwise a line every ProgressLineSeconds and one
// short line when it ends; nothing when quiet.
class Progress {
 public:
  Progress(std::string title, bool quiet);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // fraction from 0 to 1 and a short text about the state reached.
  void Update(double fraction, const std::string& detail);
  // Ends the bar (terminal) or writes the one line (otherwise).
  void Finish(const std::string& summary);

 private:
  std::string title_;
  bool quiet_;
  bool terminal_;
  bool barShown_ = false;
  bool finished_ = false;
  int lastPermille_ = -1;
  std::chrono::steady_clock::time_point nextLine_;
};

// Seconds between the progress lines written when stderr is not a terminal.
inline constexpr int ProgressLineSeconds = 5;

}  // namespace ltr::cli
