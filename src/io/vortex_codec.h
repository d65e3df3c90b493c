#pragma once
// The format of vortex structure files (".vrt" and ".evt", one format): the
// enclosure, the separation switches, the run counters, the calc points and
// all vortices of a vortex simulation, so that it can be continued or
// examined later. This is the pure codec, between bytes and a checked content;
// reading and writing files is in io/vortex_file.h.
//
// Layout, little-endian: a 167-byte header (63-byte signature, i32 version 1,
// nine f64 enclosure values, four u8 switches, i32 FreeCount, f64 Time, f64 Dt,
// i32 MaxFreeVortex), then N 64-byte calc point records and N + FreeCount
// 40-byte vortex records. N is not stored: it follows from the enclosure.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/model_state.h"
#include "solver/vortex_run.h"

namespace ltr {

inline constexpr char VortexFileSignature[] =
    "Dust Flow Vortex Structure File. Enclosure Model Data Set. R7. ";
inline constexpr std::size_t VortexFileSignatureSize = 63;
static_assert(sizeof(VortexFileSignature) == VortexFileSignatureSize + 1);

inline constexpr std::size_t VortexFileHeaderSize = 167;
inline constexpr std::int32_t VortexFileVersion = 1;
inline constexpr std::size_t CalcPointRecordSize = sizeof(TCalcPointRecord);
inline constexpr std::size_t VortexRecordSize = sizeof(TVortexRecord);

// The largest free-vortex maximum a file may declare. Every step of a run
// costs time proportional to the square of the free vortices, so a million is
// far beyond any run that can be computed, while the room it asks for (about
// 48 MB of vortices in memory, 40 MB of file) is still harmless. A larger value
// can only come from a damaged or foreign file.
inline constexpr std::int32_t VortexFileMaxFreeVortexLimit = 1000000;

// The most bound vortices the enclosure of a file may give: those a vortex
// run can still compute. Enclosure values beyond the dialog's ranges are
// accepted (the dialog shows them at its limits); an enclosure that would be
// discretized into more vortices than this is refused.
inline constexpr int VortexFileMaxBoundCount = MaxRunBoundCount;

// The header as stored.
struct TVortexFileHeader {
  std::array<char, VortexFileSignatureSize> Signature{};
  std::int32_t Version = 0;
  TAreaParams Area;
  std::array<bool, SeparationPointCount> Enabled{};
  std::int32_t FreeCount = 0;
  double Time = 0.0;
  double Dt = 0.0;
  std::int32_t MaxFreeVortex = 0;
};

// A whole file, checked and decoded.
struct TVortexFileContent {
  TVortexFileHeader Header;
  int BoundCount = 0;           // N, from the discretization of the stored enclosure
  TCalcPointArray CalcPoints;   // N records
  TVortexArray Vortices;        // N bound, then Header.FreeCount free vortices
};

// The largest quotient (trunc(Time) + 1) / Dt a file may give: the number of
// free vortices proposed after a load, twice its nearest integer, must stay
// within 64 bits.
inline constexpr Extended MaxProposalQuotient = 2305843009213693952.0L;  // 2^61

// 167 + 64 N + 40 (N + F).
std::uint64_t VortexFileSize(std::int64_t boundCount, std::int64_t freeCount);

// The complete file content for the flow f of case c: signature, version,
// header fields (the case's enclosure and switches, then the flow's counts and
// times), BoundCount calc points and BoundCount + FreeCount vortices, filler
// bytes zero. False (with the reason) when the flow does not hold that many
// records.
bool EncodeVortexStructure(const TCase& c, const TFlow& f, std::vector<std::uint8_t>& bytes, std::string& reason);

// Decodes and checks a whole file image: version 1, switches 0 or 1, the
// enclosure values finite and positive and passing the value check, at most
// VortexFileMaxBoundCount bound vortices, 0 <= MaxFreeVortex
// <= the limit above, 0 <= FreeCount <= MaxFreeVortex, a finite Time >= 0 and
// Dt > 0, the size exactly 167 + 64 N + 40 (N + F) with N from a discretization
// of the stored enclosure on a scratch model, and every record value a finite
// number passing CheckVortexRecords and DiscretizationMismatch. The signature
// is not compared. On failure `reason` says why (Russian, without the file
// name).
bool DecodeVortexStructure(const std::uint8_t* data, std::size_t size, TVortexFileContent& content,
                           std::string& reason);

// Why the records of a file cannot have been written by this program; empty
// when they can. Every value lies within the range of doubles; the calc points
// and the bound vortices lie on the walls of the enclosure `area` (within a
// rounding tolerance far above what the discretization produces), the normals
// are of unit length, the prescribed velocities are 0, Speed or -InflowSpeed,
// and the free vortices lie strictly inside the enclosure (where the runs
// keep them: never on a wall or a calc point), and their total circulation is
// within the range of doubles. `vortices` holds the bound vortices, then the
// free ones.
std::string CheckVortexRecords(const TAreaParams& area, const TCalcPointArray& calcPoints,
                               const TVortexArray& vortices, int boundCount);

// Why the stored calc points (position, normal, prescribed velocity) and the
// bound vortex positions are not those the discretization of the enclosure
// `area` gives, record by record; empty when they are (positions within the
// wall tolerance, normals within that of their length). The load replaces the
// discretization with them, so a record that differs would silently change
// the walls the flow is computed for.
std::string DiscretizationMismatch(const TAreaParams& area, const TCalcPointArray& calcPoints,
                                  const TVortexArray& vortices, int boundCount);

// Decodes the header at the start of `data` (VortexFileHeaderSize bytes) and
// checks everything the header alone decides: the version, the switches, the
// enclosure and its bound vortex count (to boundCount), the counters. The
// signature is not compared. On failure `reason` says why.
bool DecodeVortexFileHeader(const std::uint8_t* data, TVortexFileHeader& header, int& boundCount,
                            std::string& reason);

// Decodes and checks the records that follow a checked header: `data` is the
// whole file image of `size` bytes, which must be the size the header
// requires (refused otherwise, before anything is read).
bool DecodeVortexRecords(const std::uint8_t* data, std::size_t size, const TVortexFileHeader& header, int boundCount,
                         TVortexFileContent& content, std::string& reason);

// The reason for a file whose size is not the one its header requires.
std::string VortexFileSizeReason(std::uint64_t size, std::uint64_t expected, int boundCount, int freeCount);
// The reason for a file shorter than a header.
std::string ShortVortexFileReason(std::uint64_t size);

}  // namespace ltr
