// ltr-cli render: the picture of a case's model state, drawn as the main
// window draws it in its initial view, written to a PNG file.

#ifdef LTR_HAVE_VIEW

#include <QGuiApplication>
#include <QtGlobal>
#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/common.h"
#include "cli/offscreen_app.h"
#include "cli/run_options.h"
#include "numerics/number_text.h"
#include "solver/velocity_field.h"
#include "solver/vortex_run.h"
#include "view/scene_file.h"
#include "view/scene_renderer.h"
#include "view/view_transform.h"

namespace ltr::cli {

namespace {

struct RenderOptions {
  CaseOptions caseOptions;
  RunOptions run;
  std::string out;
  std::string width = "640";
  std::string height = "400";
  std::string vortexSize = "3";
  bool boundVortices = false;
  bool noFreeVortices = false;
  bool noAxes = false;
  bool vortexNumbers = false;
  bool speedField = false;
};

// The largest picture side accepted.
constexpr int MaxPictureSide = 20000;

}  // namespace

void RegisterRender(CLI::App& app) {
  auto options = std::make_shared<RenderOptions>();
  CLI::App* sub = app.add_subcommand(
      "render", "draw the model state (after a vortex run or a loaded file) into a PNG picture");
  AddCaseOptions(*sub, options->caseOptions);
  AddRunOptions(*sub, options->run);
  sub->add_option("--out", options->out, "PNG file to write")->required()->check(NonEmpty());
  sub->add_option("--width", options->width, "picture width, pixels (default 640)");
  sub->add_option("--height", options->height, "picture height, pixels (default 400)");
  sub->add_option("--vortex-size", options->vortexSize, "size of the free-vortex marks, 1 to 3 (default 3)");
  sub->add_flag("--bound-vortices", options->boundVortices, "also mark the bound vortices");
  sub->add_flag("--no-free-vortices", options->noFreeVortices, "leave out the free vortices");
  sub->add_flag("--no-axes", options->noAxes, "leave out the coordinate axes");
  sub->add_flag("--vortex-numbers", options->vortexNumbers, "write each vortex's index beside it");
  sub->add_flag("--field", options->speedField,
                "colour the interior by air speed with its scale in m/s and direction arrows");
  sub->callback([options] {
    // Every text is checked before anything is computed.
    const int width = IntegerOption("--width", options->width, 1, MaxPictureSide);
    const int height = IntegerOption("--height", options->height, 1, MaxPictureSide);
    const int vortexSize = IntegerOption("--vortex-size", options->vortexSize, 1, 3);
    ParseRunOptions(options->run);
    std::vector<OutputFile> outputs{TextOutput("--out", options->out)};
    CheckOutputs(outputs);

    TModelState s;
    ApplyCase(options->caseOptions, s);
    PrepareFlow(options->run, s);
    s.FreeVortexSize = vortexSize;

    TDrawToggles toggles;
    toggles.FreeVortices = !options->noFreeVortices;
    toggles.BoundVortices = options->boundVortices;
    toggles.Axes = !options->noAxes;
    toggles.VortexNumbers = options->vortexNumbers;
    toggles.SpeedField = options->speedField;

    OffscreenApplication gui;
    TViewState view;
    SetInitialView(view, height);
    TSceneRenderer renderer;
    renderer.FullRedraw(s, width, height, view, toggles);
    // What the picture shows must be numbers: the vortices, and the speeds it
    // colours.
    if (!VorticesFinite(s) || (toggles.SpeedField && !VelocityFieldFinite(renderer.Field)))
      throw RunFailure(NonFiniteResultText("Рисунок не записан"));
    std::string reason;
    if (!EncodePng(renderer.SceneBitmap, outputs[0].data, &reason)) throw RunFailure(outputs[0].failure + ": " + reason);
    WriteOutputs(outputs);

    nlohmann::json j;
    j["out"] = options->out;
    j["width"] = width;
    j["height"] = height;
    j["time"] = s.Time;
    j["free_count"] = s.FreeCount;
    j["bound_count"] = s.BoundCount;
    PrintJson(j);
  });
}

}  // namespace ltr::cli

#endif  // LTR_HAVE_VIEW
