#include "io/vortex_codec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "model/discretization.h"
#include "model/fields.h"
#include "model/validation.h"
#include "numerics/number_text.h"

namespace ltr {

static_assert(std::endian::native == std::endian::little,
              "the file format is little-endian and is copied as it lies in memory");

namespace {

// Offsets of the header fields.
constexpr std::size_t OffVersion = 63;
constexpr std::size_t OffArea = 67;  // nine doubles, H to InflowDistance
constexpr std::size_t OffEnabled = 139;
constexpr std::size_t OffFreeCount = 143;
constexpr std::size_t OffTime = 147;
constexpr std::size_t OffDt = 155;
constexpr std::size_t OffMaxFreeVortex = 163;
static_assert(OffMaxFreeVortex + 4 == VortexFileHeaderSize);

// The enclosure values in file order, the order of their descriptions.
constexpr std::array<double TAreaParams::*, AreaFields.size()> AreaFileOrder = [] {
  std::array<double TAreaParams::*, AreaFields.size()> members{};
  for (std::size_t i = 0; i < AreaFields.size(); ++i) members[i] = AreaFields[i].Member;
  return members;
}();
static_assert(OffArea + 8 * std::size(AreaFileOrder) == OffEnabled);

template <class T>
T Get(const std::uint8_t* data, std::size_t offset) {
  T v;
  std::memcpy(&v, data + offset, sizeof(T));
  return v;
}

template <class T>
void Put(std::vector<std::uint8_t>& bytes, std::size_t offset, T v) {
  std::memcpy(bytes.data() + offset, &v, sizeof(T));
}

TVortexFileHeader ParseHeader(const std::uint8_t* data) {
  TVortexFileHeader h;
  std::memcpy(h.Signature.data(), data, VortexFileSignatureSize);
  h.Version = Get<std::int32_t>(data, OffVersion);
  for (std::size_t i = 0; i < std::size(AreaFileOrder); ++i)
    h.Area.*AreaFileOrder[i] = Get<double>(data, OffArea + 8 * i);
  for (int i = 0; i < SeparationPointCount; ++i) h.Enabled[i] = data[OffEnabled + i] != 0;
  h.FreeCount = Get<std::int32_t>(data, OffFreeCount);
  h.Time = Get<double>(data, OffTime);
  h.Dt = Get<double>(data, OffDt);
  h.MaxFreeVortex = Get<std::int32_t>(data, OffMaxFreeVortex);
  return h;
}

// Checks everything the header alone decides and finds N. The switch bytes are
// passed raw: only 0 and 1 are meaningful.
bool CheckHeader(const TVortexFileHeader& h, const std::uint8_t* switchBytes, int& boundCount,
                 std::string& reason) {
  if (h.Version != VortexFileVersion) {
    reason = "неизвестная версия формата " + std::to_string(h.Version) + " (ожидается " +
             std::to_string(VortexFileVersion) + ")";
    return false;
  }
  if (!AreaValuesFinitePositive(h.Area)) {
    reason = "параметры укрытия в файле должны быть конечными положительными числами";
    return false;
  }
  if (!AreaValuesValid(h.Area)) {
    reason = "параметры укрытия в файле заданы некорректно";
    return false;
  }
  for (int i = 0; i < SeparationPointCount; ++i) {
    if (switchBytes[i] > 1) {
      reason = "признак отрыва вихрей в точке " + std::to_string(i + 1) + " равен " +
               std::to_string(switchBytes[i]) + " (ожидается 0 или 1)";
      return false;
    }
  }
  if (h.MaxFreeVortex < 0 || h.MaxFreeVortex > VortexFileMaxFreeVortexLimit) {
    reason = "наибольшее число свободных вихрей " + std::to_string(h.MaxFreeVortex) +
             " вне пределов от 0 до " + std::to_string(VortexFileMaxFreeVortexLimit);
    return false;
  }
  if (h.FreeCount < 0 || h.FreeCount > h.MaxFreeVortex) {
    reason = "число свободных вихрей " + std::to_string(h.FreeCount) + " вне пределов от 0 до " +
             std::to_string(h.MaxFreeVortex) + " (наибольшего числа свободных вихрей)";
    return false;
  }
  if (!std::isfinite(h.Time) || h.Time < 0.0) {
    reason = "недопустимое время моделирования";
    return false;
  }
  if (!std::isfinite(h.Dt) || !(h.Dt > 0.0)) {
    reason = "недопустимый шаг по времени";
    return false;
  }
  // The proposals after a load must be representable: trunc(Time) + 1 and
  // twice the number of steps to it.
  if (h.Time >= 1e15 ||
      (static_cast<Extended>(std::trunc(h.Time)) + 1) / h.Dt > MaxProposalQuotient) {
    reason = "время моделирования слишком велико для такого шага по времени";
    return false;
  }
  boundCount = BoundCountWithin(h.Area, VortexFileMaxBoundCount);
  if (boundCount > VortexFileMaxBoundCount) {
    reason = "укрытие в файле дает слишком много присоединенных вихрей (допускается не более " +
             std::to_string(VortexFileMaxBoundCount) + ")";
    return false;
  }
  return true;
}

bool Finite(const TRealPoint& p) { return std::isfinite(p.X) && std::isfinite(p.Y); }

// The relative distance from the walls within which a stored point counts as
// lying on them: the discretization itself puts its points there to the last
// bit of an extended value.
constexpr Extended WallTolerance = 1e-9L;
// How far the length of a stored normal may differ from 1.
constexpr Extended NormalTolerance = 1e-9L;

bool InDoubleRange(Extended v) { return std::fabs(v) <= static_cast<Extended>(std::numeric_limits<double>::max()); }
bool InDoubleRange(const TRealPoint& p) { return InDoubleRange(p.X) && InDoubleRange(p.Y); }

}  // namespace

bool DecodeVortexFileHeader(const std::uint8_t* data, TVortexFileHeader& header, int& boundCount,
                            std::string& reason) {
  header = ParseHeader(data);
  return CheckHeader(header, data + OffEnabled, boundCount, reason);
}

std::string ShortVortexFileReason(std::uint64_t size) {
  if (size == 0) return "файл пуст";
  return "файл короче заголовка: " + std::to_string(size) + " байт из " +
         std::to_string(VortexFileHeaderSize);
}

std::string VortexFileSizeReason(std::uint64_t size, std::uint64_t expected, int n, int f) {
  const std::string counts = std::to_string(n) + " расчетных точек и " + std::to_string(n) + " + " +
                             std::to_string(f) + " вихрей";
  if (size < expected)
    return "файл обрывается: в нем " + std::to_string(size) + " байт, а для " + counts + " нужно " +
           std::to_string(expected);
  return "после данных в файле лишние байты: в нем " + std::to_string(size) + " байт, а для " +
         counts + " нужно " + std::to_string(expected);
}

bool DecodeVortexRecords(const std::uint8_t* data, std::size_t size, const TVortexFileHeader& header, int n,
                         TVortexFileContent& content, std::string& reason) {
  const int f = header.FreeCount;
  if (const std::uint64_t expected = VortexFileSize(n, f); size != expected) {
    reason = VortexFileSizeReason(size, expected, n, f);
    return false;
  }
  TCalcPointArray calcPoints(static_cast<std::size_t>(n));
  const std::uint8_t* p = data + VortexFileHeaderSize;
  for (int i = 0; i < n; ++i, p += CalcPointRecordSize) {
    TCalcPointRecord r;
    std::memcpy(&r, p, CalcPointRecordSize);
    calcPoints[i] = FromRecord(r);
    const TCalcPoint& c = calcPoints[i];
    if (!Finite(c.Pos) || !Finite(c.Normal) || !std::isfinite(c.Vn)) {
      reason = "расчетная точка № " + std::to_string(i + 1) + " содержит недопустимое число";
      return false;
    }
  }
  TVortexArray vortices(static_cast<std::size_t>(n) + static_cast<std::size_t>(f));
  for (std::size_t i = 0; i < vortices.size(); ++i, p += VortexRecordSize) {
    TVortexRecord r;
    std::memcpy(&r, p, VortexRecordSize);
    vortices[i] = FromRecord(r);
    if (!Finite(vortices[i].Pos) || !std::isfinite(vortices[i].Gamma)) {
      reason = "вихрь № " + std::to_string(i + 1) + " содержит недопустимое число";
      return false;
    }
  }
  if (std::string why = CheckVortexRecords(header.Area, calcPoints, vortices, n); !why.empty()) {
    reason = std::move(why);
    return false;
  }
  if (std::string why = DiscretizationMismatch(header.Area, calcPoints, vortices, n); !why.empty()) {
    reason = std::move(why);
    return false;
  }
  content.Header = header;
  content.BoundCount = n;
  content.CalcPoints = std::move(calcPoints);
  content.Vortices = std::move(vortices);
  return true;
}

std::string CheckVortexRecords(const TAreaParams& area, const TCalcPointArray& calcPoints,
                               const TVortexArray& vortices, int boundCount) {
  const Extended W = area.RoomWidth;
  const Extended R = area.RoomHeight;
  const Extended tol = WallTolerance * std::max(W, R);
  // On one of the four walls, within the enclosure's extent.
  auto onWall = [&](const TRealPoint& p) {
    if (p.X < -tol || p.X > W + tol || p.Y < -tol || p.Y > R + tol) return false;
    return std::fabs(p.X) <= tol || std::fabs(p.X - W) <= tol || std::fabs(p.Y) <= tol ||
           std::fabs(p.Y - R) <= tol;
  };
  const Extended speed = area.Speed;
  const Extended inflow = -static_cast<Extended>(area.InflowSpeed);
  for (size_t i = 0; i < calcPoints.size(); ++i) {
    const TCalcPoint& c = calcPoints[i];
    const std::string which = "расчетная точка № " + std::to_string(i + 1);
    if (!InDoubleRange(c.Pos) || !InDoubleRange(c.Normal) || !InDoubleRange(c.Vn))
      return which + " содержит число вне допустимого диапазона";
    if (!onWall(c.Pos)) return which + " лежит вне стенок укрытия";
    if (!(std::fabs(std::hypot(c.Normal.X, c.Normal.Y) - 1) <= NormalTolerance))
      return which + ": нормаль к стенке не единичной длины";
    if (c.Vn != 0 && c.Vn != speed && c.Vn != inflow)
      return which + ": нормальная скорость " + FormatGeneral(c.Vn) + " м/с (допускаются 0, " +
             FormatGeneral(speed) + " и " + FormatGeneral(inflow) + ")";
  }
  for (size_t i = 0; i < vortices.size(); ++i) {
    const TVortex& v = vortices[i];
    const bool bound = i < static_cast<size_t>(boundCount);
    const std::string which = bound ? "присоединенный вихрь № " + std::to_string(i + 1)
                                    : "свободный вихрь № " + std::to_string(i + 1 - boundCount);
    if (!InDoubleRange(v.Pos) || !InDoubleRange(v.Gamma)) return which + " содержит число вне допустимого диапазона";
    if (bound && !onWall(v.Pos)) return which + " лежит вне стенок укрытия";
    if (!bound && !(v.Pos.X > 0 && v.Pos.X < W && v.Pos.Y > 0 && v.Pos.Y < R))
      return which + " лежит вне укрытия";
  }
  // The runs keep the total circulation at zero; one that a double cannot
  // even hold gives no flow that can be computed or written.
  Extended total = 0.0L;
  for (const TVortex& v : vortices) total += v.Gamma;
  if (!InDoubleRange(total)) return "сумма циркуляций вихрей вне допустимого диапазона";
  return {};
}

std::string DiscretizationMismatch(const TAreaParams& area, const TCalcPointArray& calcPoints,
                                  const TVortexArray& vortices, int boundCount) {
  // The walls as the load will discretize them.
  TFlow built;
  built.MaxFreeVortex = 0;
  BuildArea(area, built);
  if (built.BoundCount != boundCount || calcPoints.size() != static_cast<std::size_t>(boundCount) ||
      vortices.size() < static_cast<std::size_t>(boundCount))
    return "число расчетных точек не соответствует параметрам укрытия";
  const Extended tol = WallTolerance * std::max<Extended>(area.RoomWidth, area.RoomHeight);
  auto near = [](const TRealPoint& a, const TRealPoint& b, Extended within) {
    return std::fabs(a.X - b.X) <= within && std::fabs(a.Y - b.Y) <= within;
  };
  for (int i = 0; i < boundCount; ++i) {
    const TCalcPoint& c = calcPoints[i];
    const TCalcPoint& e = built.CalcPoints[i];
    const std::string which = "расчетная точка № " + std::to_string(i + 1);
    if (!near(c.Pos, e.Pos, tol))
      return which + " лежит не там, где ее дает разбиение стенок укрытия (" + FormatGeneral(ToDouble(e.Pos.X)) +
             "; " + FormatGeneral(ToDouble(e.Pos.Y)) + ")";
    if (!near(c.Normal, e.Normal, NormalTolerance))
      return which + ": нормаль к стенке (" + FormatGeneral(ToDouble(c.Normal.X)) + "; " +
             FormatGeneral(ToDouble(c.Normal.Y)) + ") вместо (" + FormatGeneral(ToDouble(e.Normal.X)) + "; " +
             FormatGeneral(ToDouble(e.Normal.Y)) + ")";
    if (c.Vn != e.Vn)
      return which + ": нормальная скорость " + FormatGeneral(ToDouble(c.Vn)) + " м/с вместо " +
             FormatGeneral(ToDouble(e.Vn)) + " м/с";
  }
  for (int j = 0; j < boundCount; ++j) {
    if (!near(vortices[j].Pos, built.Vortices[j].Pos, tol))
      return "присоединенный вихрь № " + std::to_string(j + 1) +
             " лежит не там, где его дает разбиение стенок укрытия (" +
             FormatGeneral(ToDouble(built.Vortices[j].Pos.X)) + "; " +
             FormatGeneral(ToDouble(built.Vortices[j].Pos.Y)) + ")";
  }
  return {};
}

std::uint64_t VortexFileSize(std::int64_t boundCount, std::int64_t freeCount) {
  return VortexFileHeaderSize + CalcPointRecordSize * static_cast<std::uint64_t>(boundCount) +
         VortexRecordSize * static_cast<std::uint64_t>(boundCount + freeCount);
}

bool EncodeVortexStructure(const TCase& c, const TFlow& flow, std::vector<std::uint8_t>& bytes, std::string& reason) {
  const int n = flow.BoundCount;
  const int f = flow.FreeCount;
  if (n < 0 || f < 0 || flow.CalcPoints.size() < static_cast<std::size_t>(n) ||
      flow.Vortices.size() < static_cast<std::size_t>(n) + static_cast<std::size_t>(f)) {
    reason = "модель не содержит всех расчетных точек и вихрей";
    return false;
  }
  bytes.assign(VortexFileSize(n, f), 0);
  std::memcpy(bytes.data(), VortexFileSignature, VortexFileSignatureSize);
  Put<std::int32_t>(bytes, OffVersion, VortexFileVersion);
  for (std::size_t i = 0; i < std::size(AreaFileOrder); ++i)
    Put<double>(bytes, OffArea + 8 * i, c.Area.*AreaFileOrder[i]);
  for (int i = 0; i < SeparationPointCount; ++i) bytes[OffEnabled + i] = c.Enabled[i] ? 1 : 0;
  Put<std::int32_t>(bytes, OffFreeCount, f);
  Put<double>(bytes, OffTime, flow.Time);
  Put<double>(bytes, OffDt, flow.Dt);
  Put<std::int32_t>(bytes, OffMaxFreeVortex, flow.MaxFreeVortex);
  std::uint8_t* p = bytes.data() + VortexFileHeaderSize;
  for (int i = 0; i < n; ++i, p += CalcPointRecordSize) {
    const TCalcPointRecord r = ToRecord(flow.CalcPoints[i]);
    std::memcpy(p, &r, CalcPointRecordSize);
  }
  for (int i = 0; i < n + f; ++i, p += VortexRecordSize) {
    const TVortexRecord r = ToRecord(flow.Vortices[i]);
    std::memcpy(p, &r, VortexRecordSize);
  }
  return true;
}

bool DecodeVortexStructure(const std::uint8_t* data, std::size_t size, TVortexFileContent& content,
                           std::string& reason) {
  if (size < VortexFileHeaderSize) {
    reason = ShortVortexFileReason(size);
    return false;
  }
  TVortexFileHeader h;
  int n = 0;
  if (!DecodeVortexFileHeader(data, h, n, reason)) return false;
  TVortexFileContent decoded;
  if (!DecodeVortexRecords(data, size, h, n, decoded, reason)) return false;
  content = std::move(decoded);
  return true;
}

}  // namespace ltr
