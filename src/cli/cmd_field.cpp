// ltr-cli field: the air velocity on a grid over the enclosure's interior,
// written as legacy VTK (with the vortices in a second VTK file) or as CSV.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <memory>

#include "cli/commands.h"
#include "cli/common.h"
#include "cli/run_options.h"
#include "io/field_file.h"
#include "solver/velocity_field.h"
#include "solver/vortex_run.h"

namespace ltr::cli {

namespace {

struct FieldOptions {
  CaseOptions caseOptions;
  RunOptions run;
  std::string out;
  std::vector<std::string> grid;  // NX NY; empty: 100 across, rows in proportion
};

// The default grid: this many points across, as many up as keep the cells square.
constexpr int DefaultGridX = 100;

bool EndsWith(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  return std::equal(tail.rbegin(), tail.rend(), text.rbegin(),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}


}  // namespace

void RegisterField(CLI::App& app) {
  auto options = std::make_shared<FieldOptions>();
  CLI::App* sub = app.add_subcommand(
      "field",
      "write the air velocity on a grid over the enclosure: FILE.vtk (legacy VTK structured points with the "
      "vectors velocity and the scalars speed; the vortices with their circulation go to FILE_vortices.vtk) "
      "or FILE.csv (x,y,vx,vy,speed)");
  AddCaseOptions(*sub, options->caseOptions);
  AddRunOptions(*sub, options->run);
  sub->add_option("--out", options->out, "file to write, ending in .vtk or .csv")->required()->check(NonEmpty());
  sub->add_option("--grid", options->grid,
                  "grid points across and up, 1 to 2000 each (default 100 across, square cells)")
      ->expected(2);
  sub->callback([options] {
    // Every text is checked before anything is computed.
    const bool vtk = EndsWith(options->out, ".vtk");
    if (!vtk && !EndsWith(options->out, ".csv"))
      throw InputError("файл --out должен оканчиваться на .vtk или .csv: " + Echo(options->out));
    int nx = 0;
    int ny = 0;
    if (!options->grid.empty()) {
      nx = IntegerOption("--grid", options->grid[0], 1, MaxFieldGridSide);
      ny = IntegerOption("--grid", options->grid[1], 1, MaxFieldGridSide);
    }
    ParseRunOptions(options->run);
    std::vector<OutputFile> outputs{TextOutput("--out", options->out)};
    if (vtk) outputs.push_back(TextOutput("--out", VorticesFileName(options->out)));
    CheckOutputs(outputs);

    TModelState s;
    ApplyCase(options->caseOptions, s);
    PrepareFlow(options->run, s);
    if (nx == 0) {
      nx = DefaultGridX;
      const double rows = std::nearbyint(DefaultGridX * s.Area.RoomHeight / s.Area.RoomWidth);
      ny = std::isfinite(rows) ? static_cast<int>(std::clamp(rows, 1.0, double{MaxFieldGridSide})) : 1;
    }

    const TVelocityField f = ComputeVelocityField(s.Case(), s.Flow(), s.Compute, nx, ny);
    // Every number the files hold must be one.
    if (!VelocityFieldFinite(f) || !VorticesFinite(s.Flow()))
      throw RunFailure(NonFiniteResultText("Поле скоростей не записано"));
    nlohmann::json j;
    j["out"] = options->out;
    if (vtk) {
      outputs[0].data = VelocityFieldVtk(f);
      outputs[1].data = VorticesVtk(s.Flow());
      j["vortices_out"] = outputs[1].name;
    } else {
      outputs[0].data = VelocityFieldCsv(f);
    }
    WriteOutputs(outputs);
    j["nx"] = f.NX;
    j["ny"] = f.NY;
    j["max_speed"] = f.MaxSpeed;
    j["time"] = s.Time;
    j["free_count"] = s.FreeCount;
    j["bound_count"] = s.BoundCount;
    PrintJson(j);
  });
}

}  // namespace ltr::cli
