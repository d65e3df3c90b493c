#pragma once
// The subcommands of ltr-cli; each adds itself to the application.

#include <CLI/CLI.hpp>

namespace ltr::cli {

void RegisterDiscretize(CLI::App& app);
void RegisterInfo(CLI::App& app);
void RegisterVortex(CLI::App& app);
void RegisterStreamline(CLI::App& app);
void RegisterConcentration(CLI::App& app);
void RegisterSweep(CLI::App& app);
void RegisterField(CLI::App& app);
#ifdef LTR_HAVE_VIEW
void RegisterRender(CLI::App& app);  // only with the drawing library
#endif

}  // namespace ltr::cli
