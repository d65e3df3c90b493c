#include "io/vortex_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cmath>
#include <functional>
#include <limits>
#include <random>

#include "io/io_test_support.h"
#include "io/vortex_commands.h"
#include "model/discretization.h"
#include "model/validation.h"
#include "quiet_observer.h"

namespace ltr {
namespace {

using testing::Quiet;
using testing::ReadBytes;
using testing::StateWithFreeVortices;
using testing::TempDir;
using testing::TRecorder;
using testing::TStateImage;
using testing::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

Bytes Encode(const TModelState& s) {
  Bytes bytes;
  std::string reason;
  EXPECT_TRUE(EncodeVortexStructure(s.Case(), s.Flow(), bytes, reason)) << reason;
  return bytes;
}

Bytes Slice(const Bytes& b, std::size_t from, std::size_t count) {
  return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from),
               b.begin() + static_cast<std::ptrdiff_t>(from + count));
}

template <class T>
void Poke(Bytes& b, std::size_t offset, T v) {
  std::memcpy(b.data() + offset, &v, sizeof(T));
}

const Bytes Ext80One = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0xFF, 0x3F};
const Bytes Ext80MinusTwo = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0xC0};

// ---------------------------------------------------------------------------
// The byte format.

TEST(VortexFileFormat, StartUpStateGivesTheDocumentedHeaderBytes) {
  TModelState s;
  BuildArea(s.Area, s.Flow());
  const Bytes file = Encode(s);

  const std::string signature = "Dust Flow Vortex Structure File. Enclosure Model Data Set. R7. ";
  ASSERT_EQ(signature.size(), 63u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 63), signature);

  const Bytes expected = {
      0x01, 0x00, 0x00, 0x00,                          // version
      0x7B, 0x14, 0xAE, 0x47, 0xE1, 0x7A, 0x94, 0x3F,  // H 0.02
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x40,  // Speed 3.0
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40,  // InflowSpeed 2.0
      0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0xE6, 0x3F,  // RoomHeight 0.7
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F,  // RoomWidth 1.0
      0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xC9, 0x3F,  // ExhaustWidth 0.2
      0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xDC, 0x3F,  // ExhaustHeight 0.45
      0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0xD3, 0x3F,  // InflowWidth 0.3
      0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xA9, 0x3F,  // InflowDistance 0.05
      0x00, 0x01, 0x01, 0x01,                          // switches
      0x00, 0x00, 0x00, 0x00,                          // FreeCount
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // Time
      0x7B, 0x14, 0xAE, 0x47, 0xE1, 0x7A, 0x74, 0x3F,  // Dt 0.005
      0x64, 0x00, 0x00, 0x00,                          // MaxFreeVortex 100
  };
  ASSERT_EQ(expected.size(), 104u);
  EXPECT_EQ(Slice(file, 63, 104), expected);
  EXPECT_EQ(file.size(), 167u + 64u * s.BoundCount + 40u * s.BoundCount);
}

TEST(VortexFileFormat, ExtendedValuesInTheRecordsAreTheTenX87Bytes) {
  const TExt80 one = ToExt80(1.0L), minusTwo = ToExt80(-2.0L);
  EXPECT_EQ(Bytes(one.begin(), one.end()), Ext80One);
  EXPECT_EQ(Bytes(minusTwo.begin(), minusTwo.end()), Ext80MinusTwo);
  EXPECT_EQ(FromExt80(one), 1.0L);
  EXPECT_EQ(FromExt80(minusTwo), -2.0L);

  TModelState s;
  BuildArea(s.Area, s.Flow());
  const Bytes file = Encode(s);
  // Calc point 0 lies on the ceiling: its normal is (0, 1).
  EXPECT_EQ(Slice(file, 167 + 24, 10), Bytes(10, 0));
  EXPECT_EQ(Slice(file, 167 + 34, 10), Ext80One);
  // The first calc point of the inflow opening prescribes -InflowSpeed = -2.
  const std::size_t inflow = 167 + 64 * static_cast<std::size_t>(s.RibCounts[0]);
  EXPECT_EQ(Slice(file, inflow + 48, 10), Ext80MinusTwo);
  // Filler bytes are zero in both kinds of record.
  for (std::size_t off : {20, 44, 45, 46, 47, 58, 59, 60, 61, 62, 63}) EXPECT_EQ(file[inflow + off], 0);
  const std::size_t vortex = 167 + 64 * static_cast<std::size_t>(s.BoundCount);
  for (std::size_t off : {20, 21, 22, 23, 34, 35, 36, 37, 38, 39}) EXPECT_EQ(file[vortex + off], 0);
}

TEST(VortexFileFormat, SizeFollowsTheCountsAndTheLastVortexEndsTheFile) {
  TModelState s = StateWithFreeVortices();
  const int n = s.BoundCount;
  ASSERT_EQ(n, 68);
  Bytes file = Encode(s);
  EXPECT_EQ(file.size(), 167u + 64u * 68 + 40u * (68 + 7));
  EXPECT_EQ(VortexFileSize(68, 7), file.size());
  // The last record is the last free vortex.
  const TVortexRecord last = ToRecord(s.Vortices[n + 6]);
  EXPECT_EQ(std::memcmp(file.data() + file.size() - 40, &last, 40), 0);

  // Without free vortices the file ends right after the bound vortices.
  s.FreeCount = 0;
  file = Encode(s);
  EXPECT_EQ(file.size(), 167u + 64u * 68 + 40u * 68);
  const TVortexRecord lastBound = ToRecord(s.Vortices[n - 1]);
  EXPECT_EQ(std::memcmp(file.data() + file.size() - 40, &lastBound, 40), 0);
}

// ---------------------------------------------------------------------------
// Save and load.

TEST(VortexFileRoundTrip, WriteReadWriteGivesIdenticalFilesUnderBothExtensions) {
  TempDir dir;
  TModelState s = StateWithFreeVortices();
  std::string error;
  ASSERT_TRUE(WriteVortexStructure(s.Case(), s.Flow(), dir.File("a.evt"), error)) << error;
  ASSERT_TRUE(WriteVortexStructure(s.Case(), s.Flow(), dir.File("a.vrt"), error)) << error;
  const Bytes first = ReadBytes(dir.File("a.evt"));
  EXPECT_EQ(first, Encode(s));
  EXPECT_EQ(ReadBytes(dir.File("a.vrt")), first);

  // Filler bytes of a file being read carry no meaning: fill them with junk.
  Bytes junk = first;
  const std::size_t n = static_cast<std::size_t>(s.BoundCount);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t off : {20, 21, 22, 23, 44, 45, 46, 47, 58, 59, 60, 61, 62, 63})
      junk[167 + 64 * i + off] = 0xA5;
  for (std::size_t i = 0; i < n + 7; ++i)
    for (std::size_t off : {20, 21, 22, 23, 34, 35, 36, 37, 38, 39}) junk[167 + 64 * n + 40 * i + off] = 0x5A;
  WriteBytes(dir.File("junk.vrt"), junk);

  for (const char* name : {"a.vrt", "junk.vrt"}) {
    TModelState t;
    TLoadResult result;
    ASSERT_TRUE(LoadVortexStructure(t.Case(), t.Flow(), t.DustRun(), Quiet(), dir.File(name), result));
    ASSERT_TRUE(WriteVortexStructure(t.Case(), t.Flow(), dir.File("again.evt"), error)) << error;
    EXPECT_EQ(ReadBytes(dir.File("again.evt")), first) << name;
  }
}

TEST(VortexFileRoundTrip, SaveThenLoadRestoresEveryStoredValueBitForBit) {
  TempDir dir;
  TModelState s = StateWithFreeVortices();
  s.Area.InflowSpeed = 1.7;  // not the derived value: read back as stored
  for (TCalcPoint& c : s.CalcPoints)  // the inflow as a rebuild with that speed gives it
    if (c.Vn == -2.0L) c.Vn = -static_cast<Extended>(s.Area.InflowSpeed);
  // Calc points that differ from a rebuild within its tolerance: the stored
  // ones must win.
  s.CalcPoints[3].Pos.X += 1e-12L;
  s.CalcPoints[5].Normal.Y -= 1e-15L;
  s.CalcPoints[9].Normal.X = -0.0L;  // a ceiling point: (0, 1) with a signed zero
  const std::string path = dir.File("run.evt");
  ASSERT_TRUE(SaveVortexStructure(s.Case(), s.Flow(), path));

  TModelState t;  // the start-up state, with more bound vortices
  t.Particles.resize(5);
  t.ParticleCount = 5;
  BuildArea(t.Area, t.Flow());
  ASSERT_GT(t.BoundCount, s.BoundCount);
  TRecorder ui;
  TLoadResult result;
  const TOutcome loaded = LoadVortexStructure(t.Case(), t.Flow(), t.DustRun(), ui, path, result);
  ASSERT_TRUE(loaded) << loaded;
  EXPECT_TRUE(loaded.Message().empty());

  auto same = [](const auto& a, const auto& b) { return std::memcmp(&a, &b, sizeof(a)) == 0; };
  static_assert(sizeof(TAreaParams) == 9 * sizeof(double));
  EXPECT_TRUE(same(t.Area, s.Area));  // all nine values, InflowSpeed as stored
  for (int i = 0; i < SeparationPointCount; ++i) EXPECT_EQ(t.Enabled[i], s.Enabled[i]);
  EXPECT_EQ(t.FreeCount, 7);
  EXPECT_TRUE(same(t.Time, s.Time));
  EXPECT_TRUE(same(t.Dt, s.Dt));
  EXPECT_EQ(t.MaxFreeVortex, 50);

  // The rebuilt discretization of the loaded enclosure, with the stored records.
  EXPECT_EQ(t.BoundCount, 68);
  ASSERT_EQ(t.CalcPoints.size(), 68u);
  for (int i = 0; i < 68; ++i) {
    const TCalcPointRecord a = ToRecord(t.CalcPoints[i]), b = ToRecord(s.CalcPoints[i]);
    EXPECT_TRUE(same(a, b)) << "calc point " << i;
  }
  ASSERT_EQ(t.Vortices.size(), 68u + 50u);  // N + MaxFreeVortex
  for (int i = 0; i < 68 + 7; ++i) {
    const TVortexRecord a = ToRecord(t.Vortices[i]), b = ToRecord(s.Vortices[i]);
    EXPECT_TRUE(same(a, b)) << "vortex " << i;
  }
  EXPECT_TRUE(std::signbit(t.Vortices[68 + 6].Gamma));
  for (std::size_t i = 68 + 7; i < t.Vortices.size(); ++i) EXPECT_EQ(t.Vortices[i].Gamma, 0.0L);

  // The particles of the last concentration run are gone; the rebuild reported N.
  EXPECT_TRUE(t.Particles.empty());
  EXPECT_EQ(t.ParticleCount, 0);
  ASSERT_FALSE(ui.status.empty());
  EXPECT_EQ(ui.status.back(), "Количество присоединенных вихрей: 68");
  EXPECT_EQ(ui.labels[TLabel::Time], "Прошло времени: 1,250 сек.");
  EXPECT_EQ(ui.labels[TLabel::VortexCount], "Свободных вихрей: 7");
  EXPECT_EQ(result.TimeLabel, ui.labels[TLabel::Time]);
  EXPECT_EQ(result.VortexCountLabel, ui.labels[TLabel::VortexCount]);
  EXPECT_EQ(result.DtText, "0,0025");
  EXPECT_EQ(result.MaxTimeText, "2");
  EXPECT_EQ(result.MaxFreeVortexValue, 1600);
}

TEST(VortexFileRoundTrip, SignatureIsNotRequired) {
  TempDir dir;
  TModelState s = StateWithFreeVortices();
  Bytes file = Encode(s);
  for (std::size_t i = 0; i < 63; ++i) file[i] = static_cast<std::uint8_t>(0xFF - i);
  WriteBytes(dir.File("foreign.vrt"), file);
  TModelState t;
  TLoadResult result;
  ASSERT_TRUE(LoadVortexStructure(t.Case(), t.Flow(), t.DustRun(), Quiet(), dir.File("foreign.vrt"), result));
  EXPECT_EQ(t.FreeCount, 7);
  // Written again, it carries the proper signature.
  const Bytes again = Encode(t);
  EXPECT_EQ(std::string(again.begin(), again.begin() + 63), std::string(VortexFileSignature));
  EXPECT_TRUE(std::equal(again.begin() + 63, again.end(), file.begin() + 63));
}

struct TProposalCase {
  double time;
  double dt;
  const char* maxTime;
  std::int64_t maxFree;
  const char* dtText;
  const char* timeLabel;
};

TEST(VortexFileLoad, ProposesTheNextWholeSecondAndTwiceItsSteps) {
  const TProposalCase cases[] = {
      {2.5, 0.01, "3", 600, "0,01", "Прошло времени: 2,500 сек."},
      {1.0, 0.005, "2", 800, "0,005", "Прошло времени: 1,000 сек."},
      // Where 200 steps of 0.005 really end.
      {1.0000000000000007, 0.005, "2", 800, "0,005", "Прошло времени: 1,000 сек."},
      {0.0, 0.005, "1", 400, "0,005", "Прошло времени: 0,000 сек."},
      // 3 / 0.008 lies a hair below 375: the nearest integer, then doubled.
      {2.999, 0.008, "3", 750, "0,008", "Прошло времени: 2,999 сек."},
      // 1 / 0.0003 = 3333.33...: rounded before the doubling.
      {0.5, 0.0003, "1", 6666, "0,0003", "Прошло времени: 0,500 сек."},
      {0.25, 0.000004, "1", 500000, "4E-6", "Прошло времени: 0,250 сек."},
      // Quotients near a half that only the extended division rounds right:
      // 1 / 0.0031999999999999997 (the double below 0.0032) = 312.50000000000003
      // (a double quotient gives 312.5 -> 312), 3 / 0.016 = 187.49999999999999
      // (a double quotient gives 187.5 -> 188).
      {0.1, 0.0031999999999999997, "1", 626, "0,0032", "Прошло времени: 0,100 сек."},
      {2.0, 0.016, "3", 374, "0,016", "Прошло времени: 2,000 сек."},
  };
  TempDir dir;
  for (const TProposalCase& c : cases) {
    TModelState s;
    BuildArea(s.Area, s.Flow());
    s.Time = c.time;
    s.Dt = c.dt;
    const std::string path = dir.File("p.evt");
    std::string error;
    ASSERT_TRUE(WriteVortexStructure(s.Case(), s.Flow(), path, error)) << error;
    TModelState t;
    t.MaxFreeVortex = 12345;  // the proposal does not depend on any maximum
    TLoadResult r;
    ASSERT_TRUE(LoadVortexStructure(t.Case(), t.Flow(), t.DustRun(), Quiet(), path, r));
    EXPECT_EQ(r.MaxTimeText, c.maxTime) << c.time;
    EXPECT_EQ(r.MaxFreeVortexValue, c.maxFree) << c.time << " / " << c.dt;
    EXPECT_EQ(r.MaxFreeVortexText, std::to_string(c.maxFree));
    EXPECT_EQ(r.DtText, c.dtText);
    EXPECT_EQ(r.TimeLabel, c.timeLabel);
    EXPECT_EQ(r.VortexCountLabel, "Свободных вихрей: 0");
  }
  // A quotient exactly on a half goes to the even neighbour before doubling.
  EXPECT_EQ(ProposedMaxFreeVortex(4.0, 2.0), 2 * 2);  // 5 / 2 = 2.5 -> 2
  EXPECT_EQ(ProposedMaxFreeVortex(6.5, 2.0), 2 * 4);  // 7 / 2 = 3.5 -> 4
}

TEST(VortexFileLoad, FileOfASmallerEnclosureReplacesAllVortexState) {
  TempDir dir;
  TModelState small = StateWithFreeVortices();
  const std::string path = dir.File("small.evt");
  std::string error;
  ASSERT_TRUE(WriteVortexStructure(small.Case(), small.Flow(), path, error)) << error;

  // The current model: the default enclosure with many more bound vortices and
  // a larger free-vortex maximum.
  TModelState t;
  t.MaxFreeVortex = 400;
  BuildArea(t.Area, t.Flow());
  const int before = t.BoundCount;
  ASSERT_GT(before, 68);
  t.FreeCount = 3;
  t.Time = 9.0;
  TLoadResult r;
  ASSERT_TRUE(LoadVortexStructure(t.Case(), t.Flow(), t.DustRun(), Quiet(), path, r));
  EXPECT_EQ(t.BoundCount, 68);
  EXPECT_EQ(t.CalcPoints.size(), 68u);
  EXPECT_EQ(t.Vortices.size(), 68u + 50u);
  EXPECT_EQ(t.Ribs.size(), 8u);
  EXPECT_EQ(t.RibCounts, small.RibCounts);
  EXPECT_EQ(t.FreeCount, 7);
  EXPECT_EQ(t.Time, small.Time);
  EXPECT_EQ(t.Area.H, 0.05);
  for (int p = 0; p < SeparationPointCount; ++p) {
    EXPECT_EQ(t.SepPoints[p].SearchFrom, small.SepPoints[p].SearchFrom);
    EXPECT_EQ(t.SepPoints[p].LastShed, -1);
  }
}

TEST(VortexFileLoad, ValuesBeyondTheDialogsRangesLoadAsStored) {
  // A spacing of 2 m, an exhaust speed of 150 m/s and a width of 20 m lie
  // beyond the enclosure dialog's fields, yet can be computed.
  TempDir dir;
  TModelState big;
  big.Area.H = 2.0;
  big.Area.Speed = 150.0;
  big.Area.RoomWidth = 20.0;
  big.Area.InflowSpeed = DerivedInflowSpeed(big.Area);
  BuildArea(big.Area, big.Flow());
  const std::string path = dir.File("big.evt");
  std::string error;
  ASSERT_TRUE(WriteVortexStructure(big.Case(), big.Flow(), path, error)) << error;

  TModelState t;
  BuildArea(t.Area, t.Flow());
  TLoadResult r;
  ASSERT_TRUE(LoadVortexStructure(t.Case(), t.Flow(), t.DustRun(), Quiet(), path, r));
  EXPECT_EQ(t.Area.H, 2.0);
  EXPECT_EQ(t.Area.Speed, 150.0);
  EXPECT_EQ(t.Area.RoomWidth, 20.0);
  EXPECT_EQ(t.BoundCount, big.BoundCount);

  // What a run cannot compute is neither saved nor loaded, and the message
  // names the bound.
  TModelState fine;
  fine.Area.H = 0.0002;
  BuildArea(fine.Area, fine.Flow());
  ASSERT_GT(fine.BoundCount, VortexFileMaxBoundCount);
  EXPECT_FALSE(WriteVortexStructure(fine.Case(), fine.Flow(), dir.File("fine.evt"), error));
  EXPECT_NE(error.find("допускается не более 4000"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(dir.File("fine.evt")));
}

// ---------------------------------------------------------------------------
// Refused files: a message naming the file and the reason, and the model
// exactly as it was.

// A model in use: its own enclosure, free vortices, particles, streamlines.
TModelState ModelInUse() {
  TModelState s;
  s.Area.RoomWidth = 1.2;
  s.MaxFreeVortex = 30;
  BuildArea(s.Area, s.Flow());
  s.FreeCount = 2;
  s.Vortices[s.BoundCount].Pos = {0.3L, 0.3L};
  s.Vortices[s.BoundCount].Gamma = 0.01L;
  s.Vortices[s.BoundCount + 1].Pos = {0.6L, 0.2L};
  s.Vortices[s.BoundCount + 1].Gamma = -0.02L;
  s.Time = 0.75;
  s.Dt = 0.002;
  s.MaxTime = 3.0;
  s.Particles.resize(4);
  s.Particles[2].Diameter = 4e-5L;
  s.ParticleCount = 4;
  s.FlowLines = {{{0.1L, 0.1L}, {0.2L, 0.15L}}};
  s.FlowLineCount = 1;
  s.OutputConcentration = 1.5e-6;
  return s;
}

struct TBadFile {
  const char* name;
  std::function<void(Bytes&)> spoil;
  const char* reason;  // part of the message
};

void PokeArea(Bytes& b, int field, double v) { Poke(b, 67 + 8 * static_cast<std::size_t>(field), v); }

std::vector<TBadFile> BadFiles() {
  const std::size_t n = 68;
  const std::size_t f = 7;
  const std::size_t full = 167 + 64 * n + 40 * (n + f);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  return {
      {"empty", [](Bytes& b) { b.clear(); }, "файл пуст"},
      {"cut in the signature", [](Bytes& b) { b.resize(40); }, "короче заголовка: 40 байт из 167"},
      {"cut in the header", [](Bytes& b) { b.resize(166); }, "короче заголовка"},
      {"header only", [](Bytes& b) { b.resize(167); }, "файл обрывается: в нем 167 байт"},
      {"cut in the calc points", [](Bytes& b) { b.resize(167 + 64 * 10 + 5); }, "файл обрывается"},
      {"last vortex one byte short", [=](Bytes& b) { b.resize(full - 1); }, "файл обрывается"},
      {"one byte too many", [](Bytes& b) { b.push_back(0); }, "лишние байты"},
      {"a whole vortex too many", [](Bytes& b) { b.resize(b.size() + 40); }, "лишние байты"},
      {"version 0", [](Bytes& b) { Poke<std::int32_t>(b, 63, 0); }, "версия формата 0"},
      {"version 2", [](Bytes& b) { Poke<std::int32_t>(b, 63, 2); }, "версия формата 2"},
      {"negative FreeCount", [](Bytes& b) { Poke<std::int32_t>(b, 143, -1); }, "число свободных вихрей -1"},
      {"FreeCount above the maximum", [](Bytes& b) { Poke<std::int32_t>(b, 143, 51); },
       "число свободных вихрей 51 вне пределов от 0 до 50"},
      {"huge FreeCount", [](Bytes& b) { Poke<std::int32_t>(b, 143, 0x7FFFFFFF); }, "число свободных вихрей"},
      {"maximum above the limit", [](Bytes& b) { Poke<std::int32_t>(b, 163, 1000001); },
       "наибольшее число свободных вихрей 1000001"},
      {"negative maximum", [](Bytes& b) { Poke<std::int32_t>(b, 163, -5); }, "наибольшее число"},
      {"switch byte 2", [](Bytes& b) { b[141] = 2; }, "точке 3 равен 2"},
      {"zero spacing", [](Bytes& b) { PokeArea(b, 0, 0.0); }, "параметры укрытия"},
      {"NaN height", [=](Bytes& b) { PokeArea(b, 3, nan); }, "параметры укрытия"},
      {"inflow beyond the right wall", [](Bytes& b) { PokeArea(b, 8, 0.9); }, "заданы некорректно"},
      // A spacing beyond the dialog's range is no reason to refuse a file: the
      // records of the 68 vortices do not fit the 8 its enclosure gives.
      {"spacing beyond the dialog's range", [](Bytes& b) { PokeArea(b, 0, 2.0); }, "лишние байты"},
      {"zero inflow speed", [](Bytes& b) { PokeArea(b, 2, 0.0); }, "конечными положительными числами"},
      {"infinite width", [](Bytes& b) { PokeArea(b, 4, std::numeric_limits<double>::infinity()); },
       "конечными положительными числами"},
      // Discretized into about 8500 bound vortices, or only estimated at 34000.
      {"more bound vortices than a run computes", [](Bytes& b) { PokeArea(b, 0, 0.0004); },
       "слишком много присоединенных вихрей (допускается не более 4000)"},
      {"far more bound vortices", [](Bytes& b) { PokeArea(b, 0, 0.0001); },
       "слишком много присоединенных вихрей (допускается не более 4000)"},
      {"zero Dt", [](Bytes& b) { Poke(b, 155, 0.0); }, "шаг по времени"},
      {"negative Dt", [](Bytes& b) { Poke(b, 155, -0.005); }, "шаг по времени"},
      {"negative Time", [](Bytes& b) { Poke(b, 147, -1.0); }, "время моделирования"},
      {"NaN Time", [=](Bytes& b) { Poke(b, 147, nan); }, "время моделирования"},
      {"time far beyond its steps", [](Bytes& b) { Poke(b, 147, 1e14); Poke(b, 155, 1e-10); },
       "слишком велико"},
      {"enclosure with more bound vortices", [](Bytes& b) { PokeArea(b, 0, 0.02); }, "файл обрывается"},
      {"enclosure with fewer bound vortices", [](Bytes& b) { PokeArea(b, 0, 0.1); }, "лишние байты"},
      {"NaN circulation", [=](Bytes& b) {
         const long double v = std::numeric_limits<long double>::quiet_NaN();
         std::memcpy(b.data() + full - 40 + 24, &v, 10);
       }, "вихрь № 75"},
      {"unnormal in a calc point", [](Bytes& b) {
         const std::uint8_t unnormal[10] = {0, 0, 0, 0, 0, 0, 0, 0x40, 0xFF, 0x3F};
         std::memcpy(b.data() + 167, unnormal, 10);
       }, "расчетная точка № 1"},
      // One flipped bit or a foreign writer: values this program never writes.
      {"circulation at 1e4000", [](Bytes& b) {
         const long double v = 1e4000L;
         std::memcpy(b.data() + 167 + 64 * n + 40 * 2 + 24, &v, 10);
       }, "присоединенный вихрь № 3 содержит число вне допустимого диапазона"},
      {"normal at the largest extended value", [](Bytes& b) {
         const long double v = std::numeric_limits<long double>::max();
         std::memcpy(b.data() + 167 + 64 * 4 + 34, &v, 10);
       }, "расчетная точка № 5 содержит число вне допустимого диапазона"},
      {"free vortex exactly on a calc point", [](Bytes& b) {
         std::memcpy(b.data() + 167 + 64 * n + 40 * (n + 3), b.data() + 167 + 64 * 20, 20);
       }, "свободный вихрь № 4 лежит вне укрытия"},
      {"free vortex beyond the right wall", [](Bytes& b) {
         const long double x = 1.5L;
         std::memcpy(b.data() + 167 + 64 * n + 40 * (n + 1), &x, 10);
       }, "свободный вихрь № 2 лежит вне укрытия"},
      {"calc point off its wall", [](Bytes& b) {
         long double y;
         std::memcpy(&y, b.data() + 167 + 64 * 7 + 10, 10);
         y -= 1e-6L;  // a ceiling point a micrometre below the ceiling
         std::memcpy(b.data() + 167 + 64 * 7 + 10, &y, 10);
       }, "расчетная точка № 8 лежит вне стенок укрытия"},
      {"bound vortex off its wall", [](Bytes& b) {
         const long double x = 0.5L;
         std::memcpy(b.data() + 167 + 64 * n + 40 * 60, &x, 10);  // on the left wall
         std::memcpy(b.data() + 167 + 64 * n + 40 * 60 + 10, &x, 10);
       }, "присоединенный вихрь № 61 лежит вне стенок укрытия"},
      {"normal not of unit length", [](Bytes& b) {
         long double y;
         std::memcpy(&y, b.data() + 167 + 64 * 7 + 34, 10);
         y *= 1.000001L;
         std::memcpy(b.data() + 167 + 64 * 7 + 34, &y, 10);
       }, "расчетная точка № 8: нормаль к стенке не единичной длины"},
      {"prescribed velocity of no opening", [](Bytes& b) {
         const long double v = 1.5L;
         std::memcpy(b.data() + 167 + 64 * 9 + 48, &v, 10);
       }, "расчетная точка № 10: нормальная скорость 1,5 м/с (допускаются 0, 3 и -2)"},
      // Records that lie on the walls, and that the discretization the load
      // rebuilds would never give: refused, naming the record.
      {"calc point duplicated", [](Bytes& b) {
         std::memcpy(b.data() + 167 + 64 * 11, b.data() + 167 + 64 * 10, 64);
       }, "расчетная точка № 12 лежит не там, где ее дает разбиение стенок укрытия"},
      {"calc point moved to the floor", [](Bytes& b) {
         std::memcpy(b.data() + 167 + 64 * 8, b.data() + 167 + 64 * 40, 20);
       }, "расчетная точка № 9 лежит не там"},
      {"normal turned along the ceiling", [](Bytes& b) {
         std::uint8_t x[10];
         std::memcpy(x, b.data() + 167 + 64 * 8 + 24, 10);
         std::memcpy(b.data() + 167 + 64 * 8 + 24, b.data() + 167 + 64 * 8 + 34, 10);
         std::memcpy(b.data() + 167 + 64 * 8 + 34, x, 10);
       }, "расчетная точка № 9: нормаль к стенке (1; 0) вместо (0; 1)"},
      {"normal reversed", [](Bytes& b) { b[167 + 64 * 8 + 43] ^= 0x80; },
       "расчетная точка № 9: нормаль к стенке (0; -1) вместо (0; 1)"},
      {"exhaust speed at every calc point", [=](Bytes& b) {
         const long double speed = 3.0L;
         for (std::size_t i = 0; i < n; ++i) std::memcpy(b.data() + 167 + 64 * i + 48, &speed, 10);
       }, "расчетная точка № 1: нормальная скорость 3 м/с вместо 0 м/с"},
      {"bound vortex duplicated", [](Bytes& b) {
         std::memcpy(b.data() + 167 + 64 * n + 40 * 6, b.data() + 167 + 64 * n + 40 * 5, 40);
       }, "присоединенный вихрь № 7 лежит не там, где его дает разбиение стенок укрытия"},
      {"every bound vortex at one point", [=](Bytes& b) {
         for (std::size_t j = 1; j < n; ++j)
           std::memcpy(b.data() + 167 + 64 * n + 40 * j, b.data() + 167 + 64 * n, 20);
       }, "присоединенный вихрь № 2 лежит не там"},
      {"bound vortex on a calc point", [](Bytes& b) {
         std::memcpy(b.data() + 167 + 64 * n + 40 * 10, b.data() + 167 + 64 * 10, 20);
       }, "присоединенный вихрь № 11 лежит не там"},
      // Each within the range of doubles, their sum not.
      {"free circulations at the largest double", [](Bytes& b) {
         const long double big = std::numeric_limits<double>::max();
         std::memcpy(b.data() + 167 + 64 * n + 40 * n + 24, &big, 10);
         std::memcpy(b.data() + 167 + 64 * n + 40 * (n + 1) + 24, &big, 10);
       }, "сумма циркуляций вихрей вне допустимого диапазона"},
      {"random bytes", [](Bytes& b) {
         std::mt19937 gen(20240501u);
         b.resize(5000);
         for (auto& x : b) x = static_cast<std::uint8_t>(gen());
       }, ""},
  };
}

TEST(VortexFileRefusal, EveryDamagedFileIsRefusedAndTheModelStaysAsItWas) {
  TempDir dir;
  const Bytes good = Encode(StateWithFreeVortices());
  for (const TBadFile& bad : BadFiles()) {
    SCOPED_TRACE(bad.name);
    Bytes file = good;
    bad.spoil(file);
    const std::string path = dir.File("bad.evt");
    WriteBytes(path, file);

    TModelState s = ModelInUse();
    TRecorder ui;
    const TStateImage before(s);
    TLoadResult r;
    const TOutcome refused = LoadVortexStructure(s.Case(), s.Flow(), s.DustRun(), ui, path, r);
    EXPECT_EQ(refused.Kind(), TOutcome::TKind::Refused);
    EXPECT_TRUE(TStateImage(s) == before);
    const std::string& message = refused.Message();
    EXPECT_NE(message.find("Не удалось загрузить вихревую структуру из файла \"" + path + "\": "),
              std::string::npos)
        << message;
    EXPECT_NE(message.find(bad.reason), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos);
    EXPECT_TRUE(ui.status.empty());
    EXPECT_TRUE(ui.labels.empty());
    EXPECT_TRUE(r.MaxTimeText.empty() && r.DtText.empty());

    // The same verdict from the image in memory, read exactly to its end.
    TVortexFileContent content;
    std::string reason;
    auto exact = std::make_unique<std::uint8_t[]>(file.size());
    std::memcpy(exact.get(), file.data(), file.size());
    EXPECT_FALSE(DecodeVortexStructure(exact.get(), file.size(), content, reason));
    EXPECT_NE(reason.find(bad.reason), std::string::npos) << reason;
  }
}

TEST(VortexFileRefusal, MissingFileAndFolderAreRefused) {
  TempDir dir;
  const TModelState original = ModelInUse();
  const TStateImage before(original);
  for (const std::string& path : {dir.File("none.evt"), dir.Path().string()}) {
    TModelState s = original;
    TRecorder ui;
    TLoadResult r;
    const TOutcome refused = LoadVortexStructure(s.Case(), s.Flow(), s.DustRun(), ui, path, r);
    EXPECT_EQ(refused.Kind(), TOutcome::TKind::Refused);
    EXPECT_TRUE(TStateImage(s) == before);
    EXPECT_NE(refused.Message().find("\"" + path + "\""), std::string::npos);
    EXPECT_TRUE(ui.labels.empty());
  }
  TVortexFileContent c;
  std::string error;
  EXPECT_FALSE(ReadVortexStructure(dir.File("none.evt"), c, error));
  EXPECT_NE(error.find("файл не найден"), std::string::npos) << error;
  EXPECT_FALSE(ReadVortexStructure(dir.Path().string(), c, error));
  EXPECT_NE(error.find("папка"), std::string::npos) << error;
}

TEST(VortexFileRefusal, RandomImagesAndSpoiledHeadersNeverPassUnchecked) {
  // Random images of every short length and a valid file with one header byte
  // changed: each is either refused or decodes into a consistent content.
  std::mt19937 gen(7u);
  const Bytes good = Encode(StateWithFreeVortices());
  int accepted = 0;
  for (std::size_t size = 0; size < 400; ++size) {
    Bytes b(size);
    for (auto& x : b) x = static_cast<std::uint8_t>(gen());
    TVortexFileContent c;
    std::string reason;
    EXPECT_FALSE(DecodeVortexStructure(b.data(), b.size(), c, reason));
    EXPECT_FALSE(reason.empty());
  }
  for (std::size_t at = 63; at < 167; ++at) {
    for (int trial = 0; trial < 8; ++trial) {
      Bytes b = good;
      b[at] = static_cast<std::uint8_t>(gen());
      TVortexFileContent c;
      std::string reason;
      if (!DecodeVortexStructure(b.data(), b.size(), c, reason)) continue;
      ++accepted;
      EXPECT_EQ(VortexFileSize(c.BoundCount, c.Header.FreeCount), b.size());
      EXPECT_EQ(c.Vortices.size(), static_cast<std::size_t>(c.BoundCount + c.Header.FreeCount));
      EXPECT_LE(c.Header.FreeCount, c.Header.MaxFreeVortex);
    }
  }
  EXPECT_GT(accepted, 0);  // e.g. changed low bytes of the doubles
}

// ---------------------------------------------------------------------------
// Saving: the target is replaced only by a complete file.

std::vector<std::string> Entries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(VortexFileSave, FailedSaveLeavesTheExistingFileIntact) {
  TempDir dir;
  const std::string target = dir.File("keep.evt");
  const Bytes previous = {'o', 'l', 'd', ' ', 'd', 'a', 't', 'a'};
  WriteBytes(target, previous);
  TModelState s = StateWithFreeVortices();
  std::string error;

  // A state that could not be loaded again is not written.
  s.FreeCount = 51;
  s.Vortices.resize(200);
  const TOutcome refused = SaveVortexStructure(s.Case(), s.Flow(), target);
  EXPECT_EQ(refused.Kind(), TOutcome::TKind::Refused);
  EXPECT_NE(refused.Message().find("Не удалось сохранить вихревую структуру в файл \"" + target + "\": "),
            std::string::npos);
  EXPECT_NE(refused.Message().find("число свободных вихрей 51"), std::string::npos) << refused;
  s.FreeCount = 7;
  s.Vortices[s.BoundCount + 2].Gamma = std::numeric_limits<long double>::infinity();
  EXPECT_FALSE(WriteVortexStructure(s.Case(), s.Flow(), target, error));
  EXPECT_NE(error.find("вихрь № 71"), std::string::npos) << error;
  s.Vortices[s.BoundCount + 2].Gamma = 0.5L;
  s.BoundCount -= 1;  // does not match the enclosure
  EXPECT_FALSE(WriteVortexStructure(s.Case(), s.Flow(), target, error));
  s.BoundCount += 1;
  EXPECT_EQ(ReadBytes(target), previous);

  // The write itself fails half-way: the file size limit stops it.
  {
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = WriteVortexStructure(s.Case(), s.Flow(), target, error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find("\"" + target + "\""), std::string::npos) << error;
  }
  EXPECT_EQ(ReadBytes(target), previous);

  // A folder in place of the file, a missing folder.
  std::filesystem::create_directory(dir.File("folder.evt"));
  EXPECT_FALSE(WriteVortexStructure(s.Case(), s.Flow(), dir.File("folder.evt"), error));
  EXPECT_NE(error.find("папка"), std::string::npos) << error;
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder.evt")));
  EXPECT_FALSE(WriteVortexStructure(s.Case(), s.Flow(), dir.File("missing/x.evt"), error));
  EXPECT_FALSE(WriteVortexStructure(s.Case(), s.Flow(), "", error));

  // A folder that cannot be written to (permissions bind only non-root users).
  if (::geteuid() != 0) {
    ::chmod(dir.Path().c_str(), 0500);
    EXPECT_FALSE(WriteVortexStructure(s.Case(), s.Flow(), target, error));
    EXPECT_NE(error.find("нет прав доступа"), std::string::npos) << error;
    ::chmod(dir.Path().c_str(), 0700);
  }
  EXPECT_EQ(ReadBytes(target), previous);
  // No temporary file is left behind.
  EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"folder.evt", "keep.evt"}));
}

TEST(VortexFileSave, SaveReplacesTheFileItNamesAndKeepsItsPermissions) {
  TempDir dir;
  const std::string target = dir.File("data.evt");
  WriteBytes(target, {'o', 'l', 'd'});
  ::chmod(target.c_str(), 0640);
  std::filesystem::create_directory(dir.File("sub"));
  std::filesystem::create_symlink(target, dir.File("sub/link.evt"));

  const TModelState s = StateWithFreeVortices();
  std::string error;
  ASSERT_TRUE(WriteVortexStructure(s.Case(), s.Flow(), target, error)) << error;
  EXPECT_EQ(ReadBytes(target), Encode(s));
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  // Saving through a link replaces the linked file, and the link stays.
  TModelState t;
  BuildArea(t.Area, t.Flow());
  ASSERT_TRUE(WriteVortexStructure(t.Case(), t.Flow(), dir.File("sub/link.evt"), error)) << error;
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("sub/link.evt")));
  EXPECT_EQ(ReadBytes(target), Encode(t));
  EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"data.evt", "sub"}));
  EXPECT_EQ(Entries(dir.Path() / "sub"), (std::vector<std::string>{"link.evt"}));
}

// A file at the very limits of the checks loads: as many free vortices as
// its maximum, time 0, a calc point off its wall by less than the tolerance
// (1e-9 of the larger side, the width 1 m), a free vortex a hair inside the
// left wall. On that wall it is refused.
TEST(VortexFileLoad, AFileAtTheLimitsOfTheChecksLoads) {
  TempDir dir;
  TModelState s = StateWithFreeVortices();
  s.MaxFreeVortex = s.FreeCount;
  s.Time = 0;
  s.CalcPoints[7].Pos.Y -= 0.8e-9L;  // a ceiling point, the height being 0.7 m
  s.Vortices[s.BoundCount].Pos.X = 1e-12L;
  const std::string path = dir.File("limits.evt");
  ASSERT_TRUE(SaveVortexStructure(s.Case(), s.Flow(), path));
  TModelState t;
  TLoadResult result;
  const TOutcome loaded = LoadVortexStructure(t.Case(), t.Flow(), t.DustRun(), Quiet(), path, result);
  ASSERT_TRUE(loaded) << loaded;
  EXPECT_EQ(t.FreeCount, 7);
  EXPECT_EQ(t.MaxFreeVortex, 7);
  EXPECT_EQ(t.Time, 0.0);
  EXPECT_EQ(t.CalcPoints[7].Pos.Y, s.CalcPoints[7].Pos.Y);
  EXPECT_EQ(t.Vortices[t.BoundCount].Pos.X, 1e-12L);

  Bytes bytes = ReadBytes(path);
  const long double zero = 0.0L;
  std::memcpy(bytes.data() + 167 + 64 * 68 + 40 * 68, &zero, 10);  // x of the first free vortex
  WriteBytes(path, bytes);
  const TOutcome refused = LoadVortexStructure(t.Case(), t.Flow(), t.DustRun(), Quiet(), path, result);
  EXPECT_EQ(refused.Kind(), TOutcome::TKind::Refused);
  EXPECT_NE(refused.Message().find("свободный вихрь № 1 лежит вне укрытия"), std::string::npos) << refused;
}

}  // namespace
}  // namespace ltr
