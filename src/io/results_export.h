#pragma once
// The results of a complete concentration run as JSON and CSV, with what they
// came from (the enclosure, the dust, the run's settings, the seed and the
// program version): one description used by ltr-cli and by the results
// window's export.

#include <nlohmann/json.hpp>
#include <string>

#include "dust/run_statistics.h"
#include "dust/snapshot_run.h"
#include "model/model_state.h"

namespace ltr {

// A number, or null where it is not defined (NaN: an error from one particle,
// a spread from one replica).
nlohmann::json JsonNumber(double value);
// An interval as [low, high], each a JsonNumber.
nlohmann::json JsonInterval(const TInterval& interval);

// The statistics of the last complete run beside its specified results: the
// standard error and 95 % interval of the outlet concentration, the
// penetration, the particles by fate per fraction and in total, and the
// grade-efficiency curve. Keys of their own, so they can be added to any
// object.
// The fractions are those of the run's dust, `dust`.
void AddRunStatistics(nlohmann::json& j, const TDustParams& dust, const TResults& r);

// The results of the last concentration run of s as ltr-cli concentration
// prints them: the particle step, the outlet concentration and composition
// (null when the run stopped before it had results), the steps and free
// vortices, the held particles and the statistics (AddRunStatistics) of a
// complete run; model_time with own particle steps, exhausted_vortices when
// vortices leave through the exhaust, flow_computed: false when the flow had
// no circulation.
nlohmann::json ConcentrationRunJson(const TModelState& s, bool completed, bool flowComputed, bool ownSteps);

// The state a vortex run leaves, as ltr-cli vortex prints it: time, free and
// bound counts, the steps made, the total circulation (summed in extended
// precision) and, when vortices leave through the exhaust, how many did.
nlohmann::json VortexRunJson(const TFlow& f, const TComputeSettings& compute, int steps);

// The whole export of the model: program, case, run (s.RunSettings,
// s.RunSeed, the residence limit, the flow's free vortices and time) and
// results.
nlohmann::json ResultsJson(const TModelState& s, const std::string& version);

// How a CSV file is written: for programs (commas between cells, a decimal
// point) or for the spreadsheets of desktops with a decimal comma, as
// "CSV для Excel (;)" (semicolons, decimal commas, UTF-8 with a byte order
// mark).
enum class TCsvFlavour { Program, Spreadsheet };

// The same as tables of one CSV file: a section per table, each with a
// heading line "# name", a header row and its rows; numbers in the shortest
// form that reads back exactly, the bounds of the size classes (computed from
// the composition's bounds) with 15 significant digits, which is the bound
// meant without the noise of its computation.
std::string ResultsCsv(const TModelState& s, const std::string& version,
                       TCsvFlavour flavour = TCsvFlavour::Program);

// The average over the moments of the flow: the plan, every moment's run and
// the summaries (mean, spread, 95 % interval between the moments and the mean
// of the runs' own intervals).
nlohmann::json SnapshotsJson(const TSnapshotResults& r);
// The same as CSV sections of the flavour: # snapshots (a row per moment),
// # snapshot_summary, # snapshot_fractions and # snapshot_grade_efficiency.
std::string SnapshotsCsv(const TSnapshotResults& r, TCsvFlavour flavour = TCsvFlavour::Program);

// Writes ResultsJson (a name ending in .json) or ResultsCsv of the flavour
// (any other name) to fileName through the atomic replacement, with the
// average over the moments of the flow added when `snapshots` holds one (key
// "snapshots", or the sections of SnapshotsCsv after the others). False with
// the reason.
bool ExportResults(const TModelState& s, const std::string& version, const std::string& fileName,
                   std::string& reason, TCsvFlavour flavour = TCsvFlavour::Program,
                   const TSnapshotResults* snapshots = nullptr);

}  // namespace ltr
