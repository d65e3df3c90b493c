// Fuzzing of the load command of vortex structure files: the input is the file
// on disk, loaded into a model that already holds a run. The load must agree
// with decoding the same bytes in memory: a file the decoder refuses is
// refused with a one-line message ending in the decoder's reason and leaves
// the model exactly as it was, its labels untouched; a file it accepts gives exactly the
// model that applying the decoded content gives, and the texts of the window.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_input_file.h"
#include "io/io_test_support.h"
#include "io/vortex_commands.h"
#include "io/vortex_file.h"

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool Same(const ltr::TLoadResult& a, const ltr::TLoadResult& b) {
  return a.TimeLabel == b.TimeLabel && a.VortexCountLabel == b.VortexCountLabel &&
         a.MaxTimeText == b.MaxTimeText && a.MaxFreeVortexValue == b.MaxFreeVortexValue &&
         a.MaxFreeVortexText == b.MaxFreeVortexText && a.DtText == b.DtText;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ltr;
  static ltr::fuzz::TInputFile file;
  static const TModelState before = ltr::testing::StateWithFreeVortices();
  static const ltr::testing::TStateImage beforeImage(before);

  const std::string& path = file.Hold(data, size);
  TModelState s = before;
  ltr::testing::TRecorder ui;
  TLoadResult result;
  const ltr::TOutcome outcome = LoadVortexStructure(s.Case(), s.Flow(), s.DustRun(), ui, path, result);
  const bool loaded = outcome.Ok();

  TVortexFileContent content;
  std::string reason;
  const bool decoded = DecodeVortexStructure(data, size, content, reason);
  if (loaded != decoded) std::abort();

  if (!loaded) {
    const std::string& message = outcome.Message();
    if (outcome.Kind() != TOutcome::TKind::Refused || reason.empty() || !EndsWith(message, ": " + reason) ||
        message.find('\n') != std::string::npos || !ui.labels.empty())
      std::abort();
    if (!Same(result, TLoadResult{}) || !(ltr::testing::TStateImage(s) == beforeImage)) std::abort();
    return 0;
  }

  TModelState expected = before;
  ApplyVortexStructure(expected.Case(), expected.Flow(), expected.DustRun(), std::move(content));
  if (!(ltr::testing::TStateImage(s) == ltr::testing::TStateImage(expected))) std::abort();
  if (!Same(result, LoadedStateTexts(expected.Flow())) || !outcome.Message().empty() ||
      ui.labels[TLabel::Time] != result.TimeLabel || ui.labels[TLabel::VortexCount] != result.VortexCountLabel)
    std::abort();
  return 0;
}
