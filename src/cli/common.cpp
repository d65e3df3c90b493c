#include "cli/common.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <set>
#include <system_error>

#include "cli/run_options.h"
#include "io/case_file.h"
#include "io/echo_text.h"
#include "io/file_access.h"
#include "model/discretization.h"
#include "model/fields.h"
#include "model/validation.h"
#include "numerics/number_text.h"
#include "numerics/parallel.h"
#include "solver/vortex_run.h"

namespace ltr::cli {

std::string Echo(const std::string& text) { return EchoText(text); }

CLI::Validator NonEmpty() {
  return CLI::Validator(
      [](std::string& value) { return value.empty() ? std::string("пустое значение не допускается") : std::string(); },
      "", "NonEmpty");
}

void AddCaseOptions(CLI::App& app, CaseOptions& options) {
  app.add_option("--case", options.caseFile, "case file (JSON: area, separation, dust)")->check(NonEmpty());
  app.add_option("--set", options.sets, "NAME=VALUE: one numeric field of the enclosure or the dust")
      ->take_all();
  app.add_option("--separation", options.separation,
                 "four 0/1 switches of the separation points, e.g. 0111")
      ->check(NonEmpty());
  app.add_option("--threads", options.threads,
                 "threads of the particle steps and vortex moves (default: all cores); results do "
                 "not depend on it");
  app.add_flag("--fast", options.fast,
               "fast mode: velocity sums of particles and free vortices in double precision, "
               "vectorised (results differ from the exact mode in the last digits)");
  app.add_flag("--exhaust-removal", options.exhaustVortices,
               "free vortices leave the flow through the exhaust opening, with their circulation; "
               "without it every free vortex stays");
}

const TCaseFile& CaseFileOf(const CaseOptions& options) {
  if (!options.loaded) {
    auto file = std::make_shared<TCaseFile>();
    if (!options.caseFile.empty()) {
      if (const TOutcome outcome = ReadCaseFile(options.caseFile, *file); !outcome) throw InputError(outcome.Message());
    }
    options.loaded = std::move(file);
  }
  return *options.loaded;
}

void ApplySet(const std::string& assignment, TCase& s, bool& inflowSpeedGiven) {
  const size_t eq = assignment.find('=');
  if (eq == std::string::npos) throw InputError("--set ожидает NAME=VALUE, получено: " + Echo(assignment));
  const std::string name = assignment.substr(0, eq);
  const std::string text = assignment.substr(eq + 1);
  Extended value;
  if (!ParseReal(text, value) || !std::isfinite(static_cast<double>(value)))
    throw InputError("значение поля " + Echo(name) + " не является числом: " + Echo(text));
  if (!SetCaseField(s, name, ToDouble(value), inflowSpeedGiven)) throw InputError("неизвестное поле " + Echo(name));
}

TCase ComposeCase(const CaseOptions& options, bool& inflowSpeedGiven) {
  const TCaseFile& file = CaseFileOf(options);
  TCase c = file.Case;
  inflowSpeedGiven = file.InflowSpeedGiven;
  for (const std::string& assignment : options.sets) ApplySet(assignment, c, inflowSpeedGiven);
  if (!options.separation.empty()) {
    if (options.separation.size() != SeparationPointCount ||
        options.separation.find_first_not_of("01") != std::string::npos)
      throw InputError("--separation ожидает четыре знака 0 или 1, например 0111");
    for (int i = 0; i < SeparationPointCount; ++i) c.Enabled[i] = options.separation[i] == '1';
  }
  return c;
}

TComputeSettings ComputeSettingsOf(const CaseOptions& options) {
  TComputeSettings compute;
  if (!options.threads.empty()) compute.Threads = IntegerOption("--threads", options.threads, 1, MaxThreads);
  // The case file's options unless the command line gives them: the fast
  // mode of the concentration page for the runs of particles, that of the
  // velocity page for the others.
  const TCaseSettings& settings = CaseFileOf(options).Settings;
  const std::optional<bool> caseFast = options.particles ? settings.FastConcentration : settings.FastVortexRun;
  compute.Fast = options.fast || caseFast.value_or(false);
  compute.ExhaustVortices = options.exhaustVortices || settings.ExhaustRemoval.value_or(false);
  return compute;
}

void ApplyCase(const CaseOptions& options, TModelState& s) {
  bool inflowSpeedGiven = false;
  s.Case() = ComposeCase(options, inflowSpeedGiven);
  if (!inflowSpeedGiven) s.Area.InflowSpeed = DerivedInflowSpeed(s.Area);
  // The checks of the two dialogs, with their words.
  if (std::string error = CaseError(s.Case()); !error.empty()) throw InputError(error);
  s.Compute = ComputeSettingsOf(options);
  BuildArea(s.Area, s.Flow());
}

double RealOption(const std::string& name, const std::string& text) {
  Extended value;
  if (!ParseReal(text, value)) throw InputError("значение " + name + " не является числом: " + Echo(text));
  const double d = ToDouble(value);
  if (!std::isfinite(d)) throw InputError("значение " + name + " не является конечным числом: " + Echo(text));
  return d;
}

int IntegerOption(const std::string& name, const std::string& text, int low, int high) {
  int value = 0;
  if (!ParseInteger(text, value)) throw InputError("значение " + name + " не является целым числом: " + Echo(text));
  if (value < low || value > high)
    throw InputError("значение " + name + " должно быть от " + std::to_string(low) + " до " +
                     std::to_string(high) + ": " + Echo(text));
  return value;
}

nlohmann::json VortexList(const TFlow& s) {
  nlohmann::json list = nlohmann::json::array();
  for (int k = 0; k < s.BoundCount + s.FreeCount; ++k) {
    const TVortex& v = s.Vortices[k];
    list.push_back({ToDouble(v.Pos.X), ToDouble(v.Pos.Y), ToDouble(v.Gamma)});
  }
  return list;
}

namespace {

bool AllNumbersFinite(const nlohmann::json& j) {
  if (j.is_number_float()) return std::isfinite(j.get<double>());
  if (j.is_structured()) {
    for (const nlohmann::json& item : j)
      if (!AllNumbersFinite(item)) return false;
  }
  return true;
}

}  // namespace

void PrintJson(const nlohmann::json& j) {
  // A number that is not finite would print as null: a result that says
  // nothing, with exit status 0. (A value that is deliberately absent is
  // written as null, not as a NaN.)
  if (!AllNumbersFinite(j)) throw RunFailure(NonFiniteResultText("Результат не выведен"));
  PrintJsonText({j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)});
}

void PrintJsonText(std::initializer_list<std::string_view> parts) {
  errno = 0;
  for (std::string_view part : parts) std::cout << part;
  std::cout << std::endl;
  if (!std::cout) throw RunFailure("не удалось вывести результат: " + SystemReason(errno != 0 ? errno : EIO));
}

std::string EchoNames(std::string message, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    const std::string echo = Echo(name);
    if (name.empty() || echo == name) continue;
    for (std::size_t at = message.find(name); at != std::string::npos; at = message.find(name, at + echo.size()))
      message.replace(at, name.size(), echo);
  }
  return message;
}

OutputFile TextOutput(const std::string& option, const std::string& name) {
  return {option, name, "не удалось записать файл " + Echo(name), {}};
}

void CheckOutputs(const std::vector<OutputFile>& outputs) {
  namespace fs = std::filesystem;
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const OutputFile& o = outputs[i];
    if (std::string reason = OutputFileError(o.name); !reason.empty()) throw InputError(o.failure + ": " + reason);
    for (std::size_t k = 0; k < i; ++k) {
      std::error_code e1, e2;
      if (fs::weakly_canonical(outputs[k].name, e1) == fs::weakly_canonical(o.name, e2))
        throw InputError(outputs[k].option + " и " + o.option + " называют один и тот же файл: " + Echo(o.name));
    }
  }
}

void WriteOutputs(const std::vector<OutputFile>& outputs) {
  std::vector<TFileContents> files;
  for (const OutputFile& o : outputs) files.push_back({o.name, o.data});
  std::size_t failed = 0;
  std::string reason;
  if (!ReplaceFilesTogether(files, failed, reason)) throw RunFailure(outputs[failed].failure + ": " + reason);
}

}  // namespace ltr::cli
