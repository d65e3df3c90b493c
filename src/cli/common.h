#pragma once
// What every subcommand of ltr-cli shares: the case options (case file,
// --set, --separation), bad-input errors and JSON output.

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <climits>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "io/case_file.h"
#include "model/model_state.h"

namespace ltr::cli {

// Bad input: reported as one line on stderr, exit status 2, nothing computed.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr int ExitBadInput = 2;

struct CaseOptions {
  std::string caseFile;
  // The case file once read (CaseFileOf), shared by the copies of these options.
  mutable std::shared_ptr<const TCaseFile> loaded;
  // The subcommand runs particles: the case file's fast mode of the
  // concentration page applies, otherwise that of the velocity page.
  bool particles = false;
  std::vector<std::string> sets;
  std::string separation;
  std::string threads;  // empty: all cores
  bool fast = false;
  bool exhaustVortices = false;
};

void AddCaseOptions(CLI::App& app, CaseOptions& options);

// Refuses an empty value of an option (a file name or a text that an empty
// value would silently turn into "not given").
CLI::Validator NonEmpty();

// A name or text from the input as it is echoed in a message: cut to a
// readable length (ending in "…"), control characters shown as "?".
std::string Echo(const std::string& text);

// Replaces each occurrence of the names in a message of the core by its echo
// (Echo), so that a name that is overlong or holds control characters is cut
// and shown safely there too.
std::string EchoNames(std::string message, const std::vector<std::string>& names);

// A file a subcommand writes.
struct OutputFile {
  std::string option;   // the option that names it ("--save")
  std::string name;     // as given
  std::string failure;  // the start of the message that it cannot be written, naming it (echoed)
  std::string data;     // what it gets, once computed
};

// An output with the usual message: "не удалось записать файл NAME".
OutputFile TextOutput(const std::string& option, const std::string& name);

// Refuses (InputError) what cannot be written, before anything is computed:
// an output whose folder does not exist or takes no file, or that names a
// folder, and two outputs that name the same file.
void CheckOutputs(const std::vector<OutputFile>& outputs);

// Writes the outputs as one set (every file, or none when one cannot be
// written). A failure at this point is not bad input: RunFailure, with the
// output's message and the reason.
void WriteOutputs(const std::vector<OutputFile>& outputs);

// The case of the options: the start-up values, the case file, the --set
// overrides and the separation switches, before InflowSpeed is derived
// (inflowSpeedGiven says whether it was given) and the case is checked.
// Throws InputError.
TCase ComposeCase(const CaseOptions& options, bool& inflowSpeedGiven);

// How the runs compute: --threads, and --fast and --exhaust-removal or the
// case file's options.
TComputeSettings ComputeSettingsOf(const CaseOptions& options);

// Fills s from the defaults, the case file, the --set overrides and the
// separation switches; derives InflowSpeed unless it was given; checks the
// enclosure and the dust composition; then discretizes the enclosure.
// Throws InputError on any bad input, leaving nothing half-applied that matters.
void ApplyCase(const CaseOptions& options, TModelState& s);

// The case file of the options, read once, over the start-up values (those
// alone when no file is given). Throws InputError when it is refused.
const TCaseFile& CaseFileOf(const CaseOptions& options);

// NAME=VALUE for one numeric field of the enclosure or the dust.
void ApplySet(const std::string& assignment, TCase& s, bool& inflowSpeedGiven);

// The number typed for an option (decimal comma or point), as a finite double;
// InputError naming the option otherwise.
double RealOption(const std::string& name, const std::string& text);

// The whole number typed for an option, within [low, high]; InputError naming
// the option otherwise.
int IntegerOption(const std::string& name, const std::string& text, int low = INT_MIN, int high = INT_MAX);

// Every vortex, bound then free, as [x, y, gamma].
nlohmann::json VortexList(const TFlow& s);

// Prints the JSON object on stdout as one line; a name that is not UTF-8
// appears with its bad bytes replaced. RunFailure when a number in it is not
// finite (which would print as null) or when stdout cannot take it.
void PrintJson(const nlohmann::json& j);
// Writes a JSON text already made, in parts, and its line end to stdout; a
// failed write is a RunFailure.
void PrintJsonText(std::initializer_list<std::string_view> parts);

}  // namespace ltr::cli
