#include "io/vortex_commands.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "io/vortex_file.h"
#include "model/discretization.h"
#include "numerics/number_text.h"

namespace ltr {

void ApplyVortexStructure(TModelState& s, TVortexFileContent&& content) {
  const TVortexFileHeader& h = content.Header;
  s.Particles.clear();
  s.ParticleCount = 0;
  s.Area = h.Area;
  for (int i = 0; i < SeparationPointCount; ++i) s.SepPoints[i].Enabled = h.Enabled[i];
  s.FreeCount = h.FreeCount;
  s.Time = h.Time;
  s.Dt = h.Dt;
  s.MaxFreeVortex = h.MaxFreeVortex;
  BuildArea(s);  // N + MaxFreeVortex vortices, the bound ones to be replaced
  if (s.BoundCount != content.BoundCount ||
      content.Vortices.size() != static_cast<std::size_t>(content.BoundCount + h.FreeCount))
    throw std::logic_error("vortex structure content does not match its enclosure");
  s.CalcPoints = std::move(content.CalcPoints);
  std::copy(content.Vortices.begin(), content.Vortices.end(), s.Vortices.begin());
}

std::int64_t ProposedMaxFreeVortex(double time, double dt) {
  const std::int64_t nextSecond = static_cast<std::int64_t>(std::trunc(time)) + 1;
  const Extended steps = static_cast<Extended>(nextSecond) / dt;
  if (!(std::fabs(steps) <= MaxProposalQuotient)) return 0;  // not representable
  return 2 * static_cast<std::int64_t>(std::llrint(steps));
}

TLoadResult LoadedStateTexts(const TModelState& s) {
  TLoadResult r;
  r.TimeLabel = ElapsedTimeLabel(s.Time);
  r.VortexCountLabel = FreeVortexCountLabel(s.FreeCount);
  r.MaxTimeText = std::to_string(static_cast<std::int64_t>(std::trunc(s.Time)) + 1);
  r.MaxFreeVortexValue = ProposedMaxFreeVortex(s.Time, s.Dt);
  r.MaxFreeVortexText = std::to_string(r.MaxFreeVortexValue);
  r.DtText = FormatGeneral(s.Dt);
  return r;
}

TOutcome LoadVortexStructure(TModelState& s, const std::string& fileName, TLoadResult& result) {
  result = TLoadResult{};
  TVortexFileContent content;
  if (std::string error; !ReadVortexStructure(fileName, content, error)) return TOutcome::Refusal(std::move(error));
  ApplyVortexStructure(s, std::move(content));
  result = LoadedStateTexts(s);
  s.Ui().SetLabel(TLabel::VortexCount, result.VortexCountLabel);
  s.Ui().SetLabel(TLabel::Time, result.TimeLabel);
  return {};
}

TOutcome SaveVortexStructure(const TModelState& s, const std::string& fileName) {
  if (std::string error; !WriteVortexStructure(s, fileName, error)) return TOutcome::Refusal(std::move(error));
  return {};
}

}  // namespace ltr
