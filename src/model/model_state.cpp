#include "model/model_state.h"

#include <cstring>

namespace ltr {

TExt80 ToExt80(Extended v) {
  TExt80 bytes{};
  std::memcpy(bytes.data(), &v, bytes.size());
  return bytes;
}

Extended FromExt80(const TExt80& bytes) {
  Extended v = 0.0L;  // the 6 padding bytes of the in-memory form stay zero
  std::memcpy(&v, bytes.data(), bytes.size());
  return v;
}

TVortexRecord ToRecord(const TVortex& v) {
  TVortexRecord r{};
  r.PosX = ToExt80(v.Pos.X);
  r.PosY = ToExt80(v.Pos.Y);
  r.Gamma = ToExt80(v.Gamma);
  return r;
}

TVortex FromRecord(const TVortexRecord& r) {
  return {{FromExt80(r.PosX), FromExt80(r.PosY)}, FromExt80(r.Gamma)};
}

TCalcPointRecord ToRecord(const TCalcPoint& c) {
  TCalcPointRecord r{};
  r.PosX = ToExt80(c.Pos.X);
  r.PosY = ToExt80(c.Pos.Y);
  r.NormalX = ToExt80(c.Normal.X);
  r.NormalY = ToExt80(c.Normal.Y);
  r.Vn = ToExt80(c.Vn);
  return r;
}

TCalcPoint FromRecord(const TCalcPointRecord& r) {
  return {{FromExt80(r.PosX), FromExt80(r.PosY)},
          {FromExt80(r.NormalX), FromExt80(r.NormalY)},
          FromExt80(r.Vn)};
}

}  // namespace ltr
