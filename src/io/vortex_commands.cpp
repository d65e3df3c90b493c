#include "io/vortex_commands.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "io/vortex_file.h"
#include "model/discretization.h"
#include "numerics/number_text.h"

namespace ltr {

void ApplyVortexStructure(TCase& c, TFlow& f, TDustRun& d, TVortexFileContent&& content) {
  const TVortexFileHeader& h = content.Header;
  d.Particles.clear();
  d.ParticleCount = 0;
  c.Area = h.Area;
  for (int i = 0; i < SeparationPointCount; ++i) c.Enabled[i] = h.Enabled[i];
  f.FreeCount = h.FreeCount;
  f.Time = h.Time;
  f.Dt = h.Dt;
  f.MaxFreeVortex = h.MaxFreeVortex;
  BuildArea(c.Area, f);  // N + MaxFreeVortex vortices, the bound ones to be replaced
  if (f.BoundCount != content.BoundCount ||
      content.Vortices.size() != static_cast<std::size_t>(content.BoundCount + h.FreeCount))
    throw std::logic_error("vortex structure content does not match its enclosure");
  f.CalcPoints = std::move(content.CalcPoints);
  std::copy(content.Vortices.begin(), content.Vortices.end(), f.Vortices.begin());
}

std::int64_t ProposedMaxFreeVortex(double time, double dt) {
  const std::int64_t nextSecond = static_cast<std::int64_t>(std::trunc(time)) + 1;
  const Extended steps = static_cast<Extended>(nextSecond) / dt;
  if (!(std::fabs(steps) <= MaxProposalQuotient)) return 0;  // not representable
  return 2 * static_cast<std::int64_t>(std::llrint(steps));
}

TLoadResult LoadedStateTexts(const TFlow& f) {
  TLoadResult r;
  r.TimeLabel = ElapsedTimeLabel(f.Time);
  r.VortexCountLabel = FreeVortexCountLabel(f.FreeCount);
  r.MaxTimeText = std::to_string(static_cast<std::int64_t>(std::trunc(f.Time)) + 1);
  r.MaxFreeVortexValue = ProposedMaxFreeVortex(f.Time, f.Dt);
  r.MaxFreeVortexText = std::to_string(r.MaxFreeVortexValue);
  r.DtText = FormatGeneral(f.Dt);
  return r;
}

TOutcome LoadVortexStructure(TCase& c, TFlow& f, TDustRun& d, TObserver& ui, const std::string& fileName,
                             TLoadResult& result) {
  result = TLoadResult{};
  TVortexFileContent content;
  if (std::string error; !ReadVortexStructure(fileName, content, error)) return TOutcome::Refusal(std::move(error));
  ApplyVortexStructure(c, f, d, std::move(content));
  ui.SetStatusText(BoundCountText(f.BoundCount));
  result = LoadedStateTexts(f);
  ui.SetLabel(TLabel::VortexCount, result.VortexCountLabel);
  ui.SetLabel(TLabel::Time, result.TimeLabel);
  return {};
}

TOutcome SaveVortexStructure(const TCase& c, const TFlow& f, const std::string& fileName) {
  if (std::string error; !WriteVortexStructure(c, f, fileName, error)) return TOutcome::Refusal(std::move(error));
  return {};
}

}  // namespace ltr
