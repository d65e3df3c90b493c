#pragma once
// Reading and writing vortex structure files. A read checks the whole file
// before anything is handed out and never reads past its end; a write replaces
// the target only once the complete content has been written next to it, and
// only with a content that loads again.

#include <cstdint>
#include <string>
#include <vector>

#include "io/vortex_codec.h"

namespace ltr {

// Reads and checks the file `fileName`; never reads past its end. On failure
// `error` is a complete one-line message naming the file and the reason.
bool ReadVortexStructure(const std::string& fileName, TVortexFileContent& content, std::string& error);

// The content WriteVortexStructure writes for the state, once it has passed
// the checks of a load. False with the reason (without a file name).
bool CheckedVortexStructureBytes(const TCase& c, const TFlow& f, std::vector<std::uint8_t>& bytes, std::string& reason);

// The start of the message that the state could not be saved to `fileName`.
std::string VortexSaveFailureText(const std::string& fileName);

// Writes the state to `fileName` through a temporary file in the same folder
// that is renamed over the target once everything is written. On failure an
// existing file stays as it was and `error` is a complete message.
bool WriteVortexStructure(const TCase& c, const TFlow& f, const std::string& fileName, std::string& error);

}  // namespace ltr
