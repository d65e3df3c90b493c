// ltr-cli discretize: the discrete enclosure of a case.

#include <memory>

#include "cli/commands.h"
#include "cli/common.h"
#include "model/discretization.h"

namespace ltr::cli {

void RegisterDiscretize(CLI::App& app) {
  auto options = std::make_shared<CaseOptions>();
  CLI::App* sub = app.add_subcommand("discretize", "discretize the enclosure and print the bound vortex counts");
  AddCaseOptions(*sub, *options);
  sub->callback([options] {
    TModelState s;
    ApplyCase(*options, s);
    nlohmann::json j;
    j["bound_count"] = s.BoundCount;
    j["rib_counts"] = s.RibCounts;
    j["status"] = BoundCountText(s.BoundCount);
    PrintJson(j);
  });
}

}  // namespace ltr::cli
