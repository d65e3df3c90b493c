#pragma once
// Reading and writing vortex structure files. A read checks the whole file
// before anything is handed out and never reads past its end; a write replaces
// the target only once the complete content has been written next to it, and
// only with a content that loads again.

#include <string>

#include "io/vortex_codec.h"

namespace ltr {

// Reads and checks the file `fileName`; never reads past its end. On failure
// `error` is a complete one-line message naming the file and the reason.
bool ReadVortexStructure(const std::string& fileName, TVortexFileContent& content, std::string& error);

// Writes the state to `fileName` through a temporary file in the same folder
// that is renamed over the target once everything is written. On failure an
// existing file stays as it was and `error` is a complete message.
bool WriteVortexStructure(const TCase& c, const TFlow& f, const std::string& fileName, std::string& error);

}  // namespace ltr
