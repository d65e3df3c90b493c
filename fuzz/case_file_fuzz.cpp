// Fuzzing of ltr-cli's case files: the input is the file given to --case,
// applied to the start-up model as every subcommand does it. Bad input may
// only be refused with the tool's own input error, whose message is one line
// of valid UTF-8; any other exception, a crash or a sanitizer report is a
// fault. A case that is accepted, written back as a case file with every value
// it set, reads again into exactly the same model.

#include <cstdint>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/common.h"
#include "fuzz_input_file.h"
#include "io/io_test_support.h"

namespace {

bool OneLineOfUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) return false;
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > text.size()) return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return !text.empty();
}

// Applies the case file `path` to a start-up model; false with the message
// when it is refused.
bool Apply(const std::string& path, ltr::TModelState& s, std::string& message) {
  ltr::cli::CaseOptions options;
  options.caseFile = path;
  try {
    ltr::cli::ApplyCase(options, s);
  } catch (const ltr::cli::InputError& e) {
    message = e.what();
    return false;
  }
  return true;
}

nlohmann::json CaseOf(const ltr::TModelState& s) {
  const ltr::TAreaParams& a = s.Area;
  const ltr::TDustParams& d = s.Dust;
  nlohmann::json j;
  j["area"] = {{"H", a.H},
               {"Speed", a.Speed},
               {"InflowSpeed", a.InflowSpeed},
               {"RoomHeight", a.RoomHeight},
               {"RoomWidth", a.RoomWidth},
               {"ExhaustWidth", a.ExhaustWidth},
               {"ExhaustHeight", a.ExhaustHeight},
               {"InflowWidth", a.InflowWidth},
               {"InflowDistance", a.InflowDistance}};
  nlohmann::json fractions = nlohmann::json::array();
  for (const ltr::TFraction& f : d.Fractions)
    fractions.push_back({{"Lower", f.Lower}, {"Upper", f.Upper}, {"Share", f.Share}});
  j["dust"] = {{"InputConcentration", d.InputConcentration},
               {"ParticleDensity", d.ParticleDensity},
               {"AirViscosity", d.AirViscosity},
               {"ShapeFactor", d.ShapeFactor},
               {"KoefF", d.KoefF},
               {"KoefK", d.KoefK},
               {"ParticleDt", d.ParticleDt},
               {"Gravity", d.Gravity},
               {"Fractions", fractions}};
  j["separation"] = nlohmann::json::array();
  for (const bool enabled : s.Enabled) j["separation"].push_back(enabled);
  return j;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ltr::fuzz::TInputFile file;
  ltr::TModelState s;
  std::string message;
  if (!Apply(file.Hold(data, size), s, message)) {
    if (!OneLineOfUtf8(message)) std::abort();
    return 0;
  }

  const std::string again = CaseOf(s).dump();
  ltr::TModelState t;
  if (!Apply(file.Hold(reinterpret_cast<const std::uint8_t*>(again.data()), again.size()), t, message) ||
      !(ltr::testing::TStateImage(s) == ltr::testing::TStateImage(t)))
    std::abort();
  return 0;
}
