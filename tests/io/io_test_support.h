#pragma once
// Shared helpers of the file tests: a scratch folder, whole-file access, an
// observer that records what the core reports, a model state with free
// vortices, and a byte image of a whole model state for before/after checks.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "model/discretization.h"
#include "model/model_state.h"
#include "model/observer.h"

namespace ltr::testing {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "ltr-io-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~TempDir() {
    ::chmod(path_.c_str(), 0700);
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class TRecorder : public TObserver {
 public:
  void SetStatusText(const std::string& text) override { status.push_back(text); }
  void SetLabel(TLabel label, const std::string& text) override { labels[label] = text; }
  std::vector<std::string> status;
  std::map<TLabel, std::string> labels;
};

// A small enclosure (H = 0.05, 68 bound vortices) after some simulated time:
// bound circulations, seven free vortices and unusual run counters.
inline TModelState StateWithFreeVortices() {
  TModelState s;
  s.Area.H = 0.05;
  s.MaxFreeVortex = 50;
  BuildArea(s.Area, s.Flow());
  s.Enabled[0] = true;
  s.Enabled[1] = false;
  s.Enabled[3] = false;
  s.Time = 1.25;
  s.Dt = 0.0025;
  for (int i = 0; i < s.BoundCount; ++i) s.Vortices[i].Gamma = (i % 2 ? -1.0L : 1.0L) / (3 + i);
  s.FreeCount = 7;
  for (int k = 0; k < s.FreeCount; ++k) {
    TVortex& v = s.Vortices[s.BoundCount + k];
    v.Pos = {0.1L + k / 7.0L, 0.65L - k / 13.0L};
    v.Gamma = (k % 2 ? 1.0L : -1.0L) / (11.0L + k);
  }
  s.Vortices[s.BoundCount + 6].Gamma = -0.0L;
  return s;
}

// Everything a model state holds, as bytes: extended values by their 10 bytes,
// so that two images are equal exactly when the states are equal bit for bit.
class TStateImage {
 public:
  explicit TStateImage(const TModelState& s) {
    for (double v : {s.Area.H, s.Area.Speed, s.Area.InflowSpeed, s.Area.RoomHeight, s.Area.RoomWidth,
                     s.Area.ExhaustWidth, s.Area.ExhaustHeight, s.Area.InflowWidth, s.Area.InflowDistance})
      Add(v);
    for (double v : {s.Dust.InputConcentration, s.Dust.ParticleDensity, s.Dust.AirViscosity,
                     s.Dust.ShapeFactor, s.Dust.KoefF, s.Dust.KoefK, s.Dust.ParticleDt, s.Dust.Gravity})
      Add(v);
    Add(s.Dust.Fractions);
    for (int v : {s.BoundCount, s.FreeCount, s.MaxFreeVortex}) Add(v);
    for (double v : {s.Dt, s.MaxTime, s.Time, s.Delta}) Add(v);
    Add(s.Vortices);
    Add(s.CalcPoints.size());
    for (const TCalcPoint& c : s.CalcPoints) {
      Add(c.Pos);
      Add(c.Normal);
      Add(c.Vn);
    }
    Add(s.StopVortexRun);
    for (const TRibArray* ribs : {&s.Ribs, &s.InnerRibs}) {
      Add(ribs->size());
      for (const TRib& r : *ribs) {
        Add(r.P1);
        Add(r.P2);
      }
    }
    for (int n : s.RibCounts) Add(n);
    for (const TSeparationPoint& p : s.SepPoints) {
      for (int v : {p.Index, p.SearchFrom, p.SearchTo, p.LastShed}) Add(v);
      Add(p.Dir);
    }
    for (bool enabled : s.Enabled) Add(enabled);
    for (int v : {s.ExhaustRib, s.InflowRib, s.FreeVortexSize}) Add(v);
    Add(s.Particles.size());
    for (const TParticle& p : s.Particles) {
      Add(p.Pos);
      Add(p.Diameter);
      Add(p.Velocity);
    }
    Add(s.ParticleCount);
    Add(s.StopConcentration);
    Add(s.FractionHits.size());
    for (int v : s.FractionHits) Add(v);
    for (double v : {s.ExhaustedMass, s.OutputConcentration, s.RealInputConcentration}) Add(v);
    Add(s.OutputFractions);
    Add(s.FlowLines.size());
    for (const TRealPointArray& line : s.FlowLines) {
      Add(line.size());
      for (const TRealPoint& p : line) Add(p);
    }
    Add(s.FlowLineCount);
  }

  bool operator==(const TStateImage& other) const { return bytes_ == other.bytes_; }
  std::size_t Size() const { return bytes_.size(); }

 private:
  template <class T>
  void Raw(const T& v) {
    bytes_.append(reinterpret_cast<const char*>(&v), sizeof(T));
  }
  void Add(int v) { Raw(v); }
  void Add(bool v) { Raw(v); }
  void Add(std::size_t v) { Raw(v); }
  void Add(double v) { Raw(v); }
  void Add(Extended v) { bytes_.append(reinterpret_cast<const char*>(&v), 10); }
  void Add(const TRealPoint& p) {
    Add(p.X);
    Add(p.Y);
  }
  void Add(const TVortexArray& a) {
    Add(a.size());
    for (const TVortex& v : a) {
      Add(v.Pos);
      Add(v.Gamma);
    }
  }
  void Add(const TRealArray& a) {
    Add(a.size());
    for (Extended v : a) Add(v);
  }
  void Add(const std::vector<TFraction>& a) {
    Add(a.size());
    for (const TFraction& f : a)
      for (double v : {f.Lower, f.Upper, f.Share}) Add(v);
  }

  std::string bytes_;
};

}  // namespace ltr::testing
