// ltr-cli vortex: a vortex simulation run from time 0, as the Start button
// makes it, and the vortex structure it leaves.

#include <cstdint>
#include <memory>

#include "cli/commands.h"
#include "cli/common.h"
#include "cli/run_options.h"
#include "io/results_export.h"
#include "io/vortex_file.h"

namespace ltr::cli {

namespace {

struct VortexOptions {
  CaseOptions caseOptions;
  RunOptions run;
  bool listVortices = false;
  std::string save;
};

}  // namespace

void RegisterVortex(CLI::App& app) {
  auto options = std::make_shared<VortexOptions>();
  CLI::App* sub = app.add_subcommand(
      "vortex", "run the vortex simulation and print the time, the counts and the total circulation");
  AddCaseOptions(*sub, options->caseOptions);
  AddRunOptions(*sub, options->run);
  sub->add_flag("--vortices", options->listVortices, "also print every vortex as [x, y, gamma]");
  sub->add_option("--save", options->save, "write the vortex structure after the run to this file (.vrt, .evt)")
      ->check(NonEmpty());
  sub->add_option("--history", options->run.history,
                  "write the state after every step of the run to this CSV file: step, time, free "
                  "vortices, shed and exhausted in the step, exhausted in all, free circulation")
      ->check(NonEmpty());
  sub->callback([options, sub] {
    TakeCaseDefaults(options->caseOptions, options->run, *sub);
    if (!options->run.history.empty() && options->run.maxTime.empty())
      throw InputError("--history требует --max-time: без расчета движения вихрей нет шагов");
    // The files are checked before the run and written together after it.
    std::vector<OutputFile> outputs;
    if (!options->save.empty())
      outputs.push_back({"--save", options->save,
                         EchoNames(VortexSaveFailureText(options->save), {options->save}), {}});
    if (!options->run.history.empty())
      outputs.push_back({"--history", options->run.history,
                         "Не удалось записать историю расчета в файл \"" + Echo(options->run.history) + "\"", {}});
    CheckOutputs(outputs);

    TModelState s;
    ApplyCase(options->caseOptions, s);
    const FlowOutcome outcome = PrepareFlow(options->run, s);
    for (OutputFile& output : outputs) {
      if (output.option == "--history") {
        output.data = HistoryCsv(outcome.history);
        continue;
      }
      std::vector<std::uint8_t> bytes;
      std::string reason;
      if (!CheckedVortexStructureBytes(s.Case(), s.Flow(), bytes, reason)) throw RunFailure(output.failure + ": " + reason);
      output.data.assign(bytes.begin(), bytes.end());
    }
    WriteOutputs(outputs);

    nlohmann::json j = VortexRunJson(s.Flow(), s.Compute, outcome.steps);
    if (options->listVortices) j["vortices"] = VortexList(s);
    PrintJson(j);
  });
}

}  // namespace ltr::cli
