#pragma once
// The load and save commands of the main window and ltr-cli for vortex
// structure files, and the texts the window refreshes after a load.

#include <cstdint>
#include <string>

#include "io/vortex_codec.h"
#include "model/model_state.h"
#include "model/observer.h"
#include "model/outcome.h"

namespace ltr {

// What the main window shows after a load.
struct TLoadResult {
  std::string TimeLabel;                // lbTime
  std::string VortexCountLabel;         // lbVortexCount
  std::string MaxTimeText;              // edMaxTime: the next whole second
  std::int64_t MaxFreeVortexValue = 0;  // edMaxFreeVortex
  std::string MaxFreeVortexText;
  std::string DtText;                   // edDt, general notation
};

// Replaces the flow f by a checked file: empties the particles of d, takes
// the header fields (the enclosure and the switches into the case c, the rest
// into f), rebuilds the discretization and puts in the stored calc points and
// vortices. Vortices is left with N + MaxFreeVortex entries.
void ApplyVortexStructure(TCase& c, TFlow& f, TDustRun& d, TVortexFileContent&& content);

// The texts the main window refreshes from the loaded flow. Expects a finite
// Time >= 0 and a Dt > 0 as a successful read guarantees.
TLoadResult LoadedStateTexts(const TFlow& f);

// The whole number of free vortices proposed after a load: twice the nearest
// integer (halves to even) to (trunc(Time) + 1) / Dt, the quotient in extended
// precision, the integer and the doubling in 64 bits.
std::int64_t ProposedMaxFreeVortex(double time, double dt);

// The load command: reads and checks the whole file, then applies it and fills
// `result` with the refreshed texts (the bound vortex count as the status text
// and the two progress labels also go to ui). A file that cannot be loaded is
// refused with a one-line message naming it; nothing in c, f or d changes
// then.
TOutcome LoadVortexStructure(TCase& c, TFlow& f, TDustRun& d, TObserver& ui, const std::string& fileName,
                             TLoadResult& result);

// The save command: WriteVortexStructure, refused with its message when the
// file could not be written (an existing file then stays as it was).
TOutcome SaveVortexStructure(const TCase& c, const TFlow& f, const std::string& fileName);

}  // namespace ltr
