#pragma once
// Case files: one JSON object holding the case (the enclosure, the switches
// of the separation points, the dust with its fractions), the fields of the
// main window's two pages with the run options, and the name of the vortex
// structure file of its flow, if it has one. The window opens and saves them;
// ltr-cli reads them (--case). Every key is optional; a key this program does
// not know, a value of the wrong kind and a text that is not one JSON object
// are refused with a message naming them, and nothing is taken from such a
// file.
//
//   {"area": {"H": 0.02, ...}, "separation": [false, true, true, true],
//    "dust": {"InputConcentration": 3e-05, ..., "Fractions": [{"Lower": 3e-05, "Upper": 5e-05, "Share": 0.4}]},
//    "concentration": {"particles": 10, "moments": 10, "move_vortices": false, "max_residence": 30,
//                      "particle_step": "described" | "auto" | seconds, "fast": false},
//    "vortex_run": {"max_free": 400, "max_time": 1, "dt": 0.005, "fast": false, "exhaust_removal": false},
//    "flow_line": {"x": 0.1, "y": 0.005, "step": 0.005, "max_len": 1},
//    "vortex_file": "run.evt"}

#include <optional>
#include <string>

#include "dust/concentration_run.h"
#include "model/model_state.h"
#include "model/outcome.h"

namespace ltr {

// The largest case file read; anything larger cannot be a case of this program.
inline constexpr std::size_t MaxCaseFileSize = 1024 * 1024;

// The fields of the window's pages and the run options; each absent unless
// the file gives it.
struct TCaseSettings {
  // "concentration": the page "Расчет концентрации".
  std::optional<int> Particles;                   // particles per moment
  std::optional<int> Moments;                     // moments
  std::optional<bool> MoveVortices;               // move_vortices
  std::optional<double> MaxResidence;             // max_residence, s (0: no limit)
  std::optional<TParticleStepMode> ParticleStep;  // particle_step
  std::optional<bool> FastConcentration;          // fast
  // "vortex_run": the page "Расчет поля скоростей".
  std::optional<int> MaxFree;          // max_free
  std::optional<double> MaxTime;       // max_time, s
  std::optional<double> Dt;            // dt, s
  std::optional<bool> FastVortexRun;   // fast
  std::optional<bool> ExhaustRemoval;  // exhaust_removal: free vortices leave through the exhaust
  // "flow_line": the streamline's start, step and greatest length, m.
  std::optional<double> FlowLineX;
  std::optional<double> FlowLineY;
  std::optional<double> FlowLineStep;
  std::optional<double> FlowLineMaxLen;

  bool operator==(const TCaseSettings&) const = default;
};

struct TCaseFile {
  TCase Case;
  // area.InflowSpeed was given; otherwise it is derived from the others
  // (DerivedInflowSpeed) once the case is complete.
  bool InflowSpeedGiven = false;
  TCaseSettings Settings;
  // The vortex structure file of the case's flow as written in the file:
  // relative to the case file's folder, or absolute; empty: none.
  std::string VortexFile;

  bool operator==(const TCaseFile&) const = default;
};

// Reads the JSON text of a case file over `into` (which holds the start-up
// values or a case to amend): each key given replaces its value. `name` is
// the file's name as the messages quote it. A refusal leaves `into` as it
// was.
TOutcome ParseCaseText(const std::string& text, const std::string& name, TCaseFile& into);

// Reads the whole file (a regular file of at most MaxCaseFileSize bytes; a
// folder, a FIFO or a device is refused at once) and parses it over `into`.
TOutcome ReadCaseFile(const std::string& fileName, TCaseFile& into);

// The case as the JSON text of a case file: every value of the case
// (InflowSpeed only when given, ParticleDt never: a run computes it), the
// settings given and the vortex file when there is one. Read back, it gives
// the same TCaseFile.
std::string CaseFileText(const TCaseFile& file);

// Writes CaseFileText through the atomic replacement; refused with the
// reason when it cannot be written (an existing file then stays as it was).
TOutcome WriteCaseFile(const std::string& fileName, const TCaseFile& file);

// Derives InflowSpeed unless it was given, then checks the case as the
// dialogs do (CaseError); the refusal's message, or empty.
std::string CompleteCase(TCaseFile& file);

// Where the vortex file of a case file is: `vortexFile` as it is when
// absolute, otherwise in the case file's folder.
std::string VortexFileBeside(const std::string& caseFileName, const std::string& vortexFile);
// How a case file saved as caseFileName names vortexFile: relative to its
// folder when the vortex file lies in it or below, otherwise absolute.
std::string VortexFileReference(const std::string& caseFileName, const std::string& vortexFile);

}  // namespace ltr
