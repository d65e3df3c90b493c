// Fuzzing of the vortex structure file reader. The first input byte chooses
// the image: odd, the rest of the input as it is; even, a valid file of a small
// enclosure with the rest of the input laid over it (so that the checks deep in
// the body are reached). Whatever the reader accepts must be consistent and
// must write back to the same bytes, apart from the signature and the filler.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "io/vortex_commands.h"
#include "io/vortex_file.h"
#include "model/discretization.h"

namespace {

std::vector<std::uint8_t> SmallValidFile() {
  ltr::TModelState s;
  s.Area.H = 0.1;
  s.MaxFreeVortex = 4;
  ltr::BuildArea(s.Area, s.Flow());
  s.FreeCount = 3;
  for (int k = 0; k < 3; ++k) s.Vortices[s.BoundCount + k] = {{0.2L * (k + 1), 0.3L}, 0.01L * (k - 1)};
  s.Time = 0.5;
  std::vector<std::uint8_t> bytes;
  std::string reason;
  if (!ltr::EncodeVortexStructure(s.Case(), s.Flow(), bytes, reason)) std::abort();
  return bytes;
}

bool IsFiller(std::size_t offset, std::size_t boundCount) {
  using namespace ltr;
  if (offset < VortexFileHeaderSize) return false;
  std::size_t at = offset - VortexFileHeaderSize;
  if (at < CalcPointRecordSize * boundCount) {
    at %= CalcPointRecordSize;
    return (at >= 20 && at < 24) || (at >= 44 && at < 48) || at >= 58;
  }
  at = (at - CalcPointRecordSize * boundCount) % VortexRecordSize;
  return (at >= 20 && at < 24) || at >= 34;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ltr;
  if (size == 0) return 0;
  std::vector<std::uint8_t> image;
  if (data[0] & 1) {
    image.assign(data + 1, data + size);
  } else {
    static const std::vector<std::uint8_t> base = SmallValidFile();
    image = base;
    for (std::size_t i = 1; i < size && i - 1 < image.size(); ++i) image[i - 1] ^= data[i];
  }

  TVortexFileContent content;
  std::string reason;
  if (!DecodeVortexStructure(image.data(), image.size(), content, reason)) {
    if (reason.empty()) std::abort();
    return 0;
  }
  const TVortexFileHeader& h = content.Header;
  if (h.Version != 1 || h.FreeCount < 0 || h.FreeCount > h.MaxFreeVortex ||
      VortexFileSize(content.BoundCount, h.FreeCount) != image.size() ||
      content.CalcPoints.size() != static_cast<std::size_t>(content.BoundCount) ||
      content.Vortices.size() != static_cast<std::size_t>(content.BoundCount + h.FreeCount))
    std::abort();

  TModelState s;
  const std::size_t n = static_cast<std::size_t>(content.BoundCount);
  ApplyVortexStructure(s.Case(), s.Flow(), s.DustRun(), std::move(content));
  const TLoadResult texts = LoadedStateTexts(s.Flow());
  if (texts.MaxTimeText.empty() || texts.MaxFreeVortexValue < 0) std::abort();

  std::vector<std::uint8_t> again;
  if (!EncodeVortexStructure(s.Case(), s.Flow(), again, reason) || again.size() != image.size()) std::abort();
  for (std::size_t i = VortexFileSignatureSize; i < image.size(); ++i)
    if (again[i] != image[i] && !IsFiller(i, n)) std::abort();
  return 0;
}
