// ltr-cli streamline: one streamline traced in the flow of a case, after a
// vortex run when --max-time is given, otherwise in the steady flow.

#include <cmath>
#include <memory>

#include "cli/commands.h"
#include "cli/common.h"
#include "cli/run_options.h"
#include "numerics/number_text.h"
#include "solver/streamline.h"
#include "solver/velocity.h"

namespace ltr::cli {

namespace {

// The defaults are those of the main window's fields.
struct StreamlineOptions {
  CaseOptions caseOptions;
  RunOptions run;
  std::string x = DefaultFlowLineXText;
  std::string y = DefaultFlowLineYText;
  std::string step = DefaultFlowLineStepText;
  std::string maxLen = DefaultFlowLineMaxLenText;
};

// The points of the line as the text of the elements of a JSON array,
// written as the trace hands them over: a compact text instead of a tree of
// JSON values (a line may have a million points). The numbers are written as
// the JSON library writes them.
class TPointsText : public TObserver {
 public:
  void FlowLineStart(const TRealPoint& p) override { Add(p); }
  void FlowLineTo(const TRealPoint& p) override { Add(p); }
  const std::string& Text() const { return text_; }

 private:
  void Add(const TRealPoint& p) {
    if (!text_.empty()) text_ += ',';
    text_ += '[';
    text_ += nlohmann::json(ToDouble(p.X)).dump();
    text_ += ',';
    text_ += nlohmann::json(ToDouble(p.Y)).dump();
    text_ += ']';
  }
  std::string text_;
};

}  // namespace

void RegisterStreamline(CLI::App& app) {
  auto options = std::make_shared<StreamlineOptions>();
  CLI::App* sub = app.add_subcommand("streamline", "trace one streamline of the flow and print its points");
  AddCaseOptions(*sub, options->caseOptions);
  AddRunOptions(*sub, options->run);
  sub->add_option("--x", options->x, "start x, m (default " + options->x + ")");
  sub->add_option("--y", options->y, "start y, m (default " + options->y + ")");
  sub->add_option("--step", options->step, "step length, m (default " + options->step + ")");
  sub->add_option("--max-len", options->maxLen, "maximum line length, m (default " + options->maxLen + ")");
  sub->callback([options, sub] {
    TakeCaseDefaults(options->caseOptions, options->run, *sub);
    // Every text is checked before anything is computed.
    // The case file's streamline where the command line leaves it out.
    const TCaseSettings& c = CaseFileOf(options->caseOptions).Settings;
    auto value = [&sub](const char* option, const std::string& text, const std::optional<double>& fromCase) {
      return sub->count(option) == 0 && fromCase ? *fromCase : RealOption(option, text);
    };
    const double x = value("--x", options->x, c.FlowLineX);
    const double y = value("--y", options->y, c.FlowLineY);
    const double step = value("--step", options->step, c.FlowLineStep);
    const double maxLen = value("--max-len", options->maxLen, c.FlowLineMaxLen);
    const std::string refusal = CheckFlowLineArgs(x, y, step, maxLen);
    if (!refusal.empty()) throw InputError(refusal);
    ParseRunOptions(options->run);

    TModelState s;
    ApplyCase(options->caseOptions, s);
    // Before the flow is computed; a loaded file's enclosure is checked again
    // by the trace.
    if (std::string error = CheckFlowLineStep(s.Area, x, y, step); !error.empty()) throw InputError(error);
    PrepareFlow(options->run, s);
    // A loaded file may hold a flow that was never computed: the line is
    // traced all the same, and the output says so.
    const bool flowComputed = FlowComputed(s.Flow());
    TFlowLineEnd end = TFlowLineEnd::MaxLength;
    TPointsText points;
    ThrowUnlessDone(TraceFlowLine(s.Case(), s.Flow(), points, x, y, step, maxLen, &end, s.Compute));
    // The keys in the JSON library's (alphabetical) order; each of the other
    // two said only when it is so: the output of a line in a computed flow
    // that ends by itself stays as it was. The points are finite, as the trace
    // stops at the first velocity that is not.
    const char* head = flowComputed ? "{\"points\":[" : "{\"flow_computed\":false,\"points\":[";
    // The line was cut at the most steps a line may make, before its length.
    const char* tail = end == TFlowLineEnd::StepLimit ? "],\"step_limit_reached\":true}" : "]}";
    PrintJsonText({head, points.Text(), tail});
  });
}

}  // namespace ltr::cli
