#include "cli/common.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <iostream>

#include "io/case_file.h"
#include "io/echo_text.h"
#include "io/file_access.h"
#include "model/discretization.h"
#include "model/fields.h"
#include "model/validation.h"
#include "numerics/number_text.h"
#include "numerics/parallel.h"

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

void PrintJson(const nlohmann::json& j) { std::cout << j.dump() << std::endl; }

void WriteTextFile(const std::string& path, const std::string& text) {
  std::string reason;
  if (!ReplaceFileText(path, text, reason)) throw InputError("не удалось записать файл " + Echo(path) + ": " + reason);
}

}  // namespace ltr::cli
