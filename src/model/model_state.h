#pragma once
// The records of the model and its parts: the case, the flow, a run's
// working storage and the results. The application owns one model; every
// test makes its own.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/fate_tally.h"
#include "numerics/extended.h"
#include "numerics/fast_velocity.h"
#include "numerics/geometry.h"
#include "numerics/matrix.h"

namespace ltr {

struct TVortex {
  TRealPoint Pos;
  Extended Gamma = 0.0L;  // circulation, m^2/s, counter-clockwise positive
};

struct TCalcPoint {
  TRealPoint Pos;     // on the wall, midway between two bound vortices
  TRealPoint Normal;  // unit normal of the wall, pointing out of the enclosure
  Extended Vn = 0.0L; // prescribed velocity along Normal, m/s
};

using TVortexArray = std::vector<TVortex>;
using TCalcPointArray = std::vector<TCalcPoint>;

// The stored image of the two records above, byte for byte as the vortex
// structure files hold them: each extended value in its 10-byte x87 form,
// little-endian, with filler bytes.
using TExt80 = std::array<std::uint8_t, 10>;

struct TVortexRecord {
  TExt80 PosX;
  TExt80 PosY;
  std::array<std::uint8_t, 4> Filler1;
  TExt80 Gamma;
  std::array<std::uint8_t, 6> Filler2;
};
static_assert(sizeof(TVortexRecord) == 40);
static_assert(offsetof(TVortexRecord, PosX) == 0 && offsetof(TVortexRecord, PosY) == 10);
static_assert(offsetof(TVortexRecord, Gamma) == 24 && offsetof(TVortexRecord, Filler2) == 34);

struct TCalcPointRecord {
  TExt80 PosX;
  TExt80 PosY;
  std::array<std::uint8_t, 4> Filler1;
  TExt80 NormalX;
  TExt80 NormalY;
  std::array<std::uint8_t, 4> Filler2;
  TExt80 Vn;
  std::array<std::uint8_t, 6> Filler3;
};
static_assert(sizeof(TCalcPointRecord) == 64);
static_assert(offsetof(TCalcPointRecord, PosX) == 0 && offsetof(TCalcPointRecord, PosY) == 10);
static_assert(offsetof(TCalcPointRecord, NormalX) == 24 && offsetof(TCalcPointRecord, NormalY) == 34);
static_assert(offsetof(TCalcPointRecord, Vn) == 48 && offsetof(TCalcPointRecord, Filler3) == 58);

// The 10 bytes of the x87 form of v, and back.
TExt80 ToExt80(Extended v);
Extended FromExt80(const TExt80& bytes);
TVortexRecord ToRecord(const TVortex& v);
TVortex FromRecord(const TVortexRecord& r);
TCalcPointRecord ToRecord(const TCalcPoint& c);
TCalcPoint FromRecord(const TCalcPointRecord& r);

// One of the four points from which free vortices are shed. Whether it sheds
// is the case's (TCase::Enabled); the rest is the discretization's.
struct TSeparationPoint {
  int Index = 0;       // bound vortex (and calc point) where the next vortex is born
  int SearchFrom = 0;  // where the search for Index starts
  int SearchTo = 0;    // towards which it runs
  TRealPoint Dir;      // shedding direction, the wall's inward unit normal
  int LastShed = -1;   // index in Vortices of the last vortex born here; -1 for none
};

inline constexpr int SeparationPointCount = 4;

// Start-up switches of the separation points: "Слева от притока" off, the
// others on.
inline constexpr std::array<bool, SeparationPointCount> DefaultSeparationSwitches = {false, true, true, true};

// The enclosure, m and m/s.
struct TAreaParams {
  double H = 0.02;               // spacing of the bound vortices along the walls
  double Speed = 3.0;            // air speed in the exhaust opening
  double InflowSpeed = 2.0;      // air speed in the inflow opening
  double RoomHeight = 0.7;
  double RoomWidth = 1.0;
  double ExhaustWidth = 0.2;     // height of the exhaust opening in the right wall
  double ExhaustHeight = 0.45;   // floor to the lower edge of the exhaust opening
  double InflowWidth = 0.3;
  double InflowDistance = 0.05;  // left wall to the left edge of the inflow opening

  bool operator==(const TAreaParams&) const = default;
};

// One size fraction of the dust: diameter bounds in metres and its share.
struct TFraction {
  double Lower = 0.0;
  double Upper = 0.0;
  double Share = 0.0;

  bool operator==(const TFraction&) const = default;
};

// Dust and air properties.
struct TDustParams {
  double InputConcentration = 3e-05;  // kg/m^3 in the inflow air
  double ParticleDensity = 3500;      // kg/m^3
  double AirViscosity = 1.78e-05;     // Pa*s
  double ShapeFactor = 1.0;
  double KoefF = 0.5;                 // sliding friction at wall impacts
  double KoefK = 0.5;                 // restitution at wall impacts
  double ParticleDt = 0.005;          // s, recomputed by each concentration run
  double Gravity = 9.81;              // m/s^2
  std::vector<TFraction> Fractions = DefaultFractions();

  // The start-up size composition: 30 to 50 and 50 to 70 micrometres.
  static std::vector<TFraction> DefaultFractions() { return {{3e-05, 5e-05, 0.4}, {5e-05, 7e-05, 0.6}}; }

  bool operator==(const TDustParams&) const = default;
};

// One dust particle in flight.
struct TParticle {
  TRealPoint Pos;
  Extended Diameter = 0.0L;
  TRealPoint Velocity;
  double FlightTime = 0.0;  // s of model time since its injection
  // Run steps of ParticleDt since its injection: the residence clock of the
  // run with one step per particle, FlightTime = FlightSteps ParticleDt.
  std::int64_t FlightSteps = 0;
};
using TParticleArray = std::vector<TParticle>;

// How the size generator of a run is seeded.
struct TSizeSeed {
  enum class TKind {
    Clock,     // a new sequence from the clock, as the desktop program runs
    Value,     // the sequence of Value: the same seed gives the same run
    Unseeded,  // the fixed start sequence of the uniform generator
  };
  TKind Kind = TKind::Clock;
  std::uint64_t Value = 0;

  static TSizeSeed FromClock() { return {}; }
  static TSizeSeed Fixed(std::uint64_t value) { return {TKind::Value, value}; }
  static TSizeSeed Unseeded() { return {TKind::Unseeded, 0}; }
};

// The settings of the run the results came from.
struct TRunSettings {
  int Particles = 0;
  int Moments = 0;
  bool MoveVortices = false;
  // "described", "auto" or the sub-step in seconds.
  std::string ParticleStep = "described";
};

// How the runs compute, beside what they compute.
struct TComputeSettings {
  // Threads of the particle steps and the vortex moves: 0 uses all cores
  // (or OMP_NUM_THREADS where that is set).
  // Results are the same for every count.
  int Threads = 0;
  // Fast mode: the velocity sums of the particles and of the moving free
  // vortices in double precision, vectorised. Off: the extended-precision
  // sums, whose results are exact to the last bit.
  bool Fast = false;
  // Free vortices leave the flow through the exhaust opening: a vortex whose
  // step reaches the inset right-hand side at the height of the opening is
  // dropped, and its circulation with it. Off: every free vortex stays. Not
  // kept in vortex structure files.
  bool ExhaustVortices = false;
};

// The residence limit of a concentration run at start-up, s of model time.
inline constexpr double DefaultMaxResidence = 30.0;

// The model is four parts, each with one writer at a time:
//  - the case (TCase): what the user gives, as a case file holds it;
//  - the flow (TFlow): the discretized enclosure and its vortices, as a
//    vortex structure file holds it beside the case's enclosure;
//  - the run (TRun): the working storage of one run, made at its start;
//  - the results (TDustRun, TResults): what the concentration runs leave.
// The computations take the parts they read (const) or write.

// The case: the enclosure, the switches of the separation points and the dust.
struct TCase {
  TAreaParams Area;
  // Whether each separation point sheds vortices, in the order of SepPoints.
  std::array<bool, SeparationPointCount> Enabled = DefaultSeparationSwitches;
  TDustParams Dust;

  bool operator==(const TCase&) const = default;
};

// The flow: the discretization of the case's enclosure, the bound and free
// vortices, their counts and the time they have reached, with the time
// parameters of the vortex run that moves them.
struct TFlow {
  int BoundCount = 0;        // N, bound vortices (= calc points)
  int FreeCount = 0;
  int MaxFreeVortex = 100;
  double Dt = 0.005;
  double MaxTime = 1.0;
  double Time = 0.0;
  double Delta = 0.0;        // shedding offset, H / 2
  TVortexArray Vortices;     // bound at 0..N-1, free at N..N+FreeCount-1
  TCalcPointArray CalcPoints;
  // Free vortices that left through the exhaust since the free vortices were
  // last discarded (a fresh discretization).
  int ExhaustedVortexCount = 0;
  TRibArray Ribs;            // the 8 ribs of the enclosure contour
  std::array<int, 8> RibCounts{};  // bound vortices on each rib
  TRibArray InnerRibs;       // the contour inset by H / 2, 4 ribs
  std::array<TSeparationPoint, SeparationPointCount> SepPoints{};
  int ExhaustRib = 4;
  int InflowRib = 1;
};

// The working storage of a run that moves vortices or particles: how it
// computes, the influence system of the bound circulations (Matr
// (N+1) x (N+2), its pristine copy, its elimination, replayed on each
// right-hand side while MatrFactored is set, and the Solution), the scratch of
// one move of the free vortices and the vortex field as the fast mode's sums
// read it. A run makes one at its start; nothing outlives the run.
struct TRun {
  explicit TRun(const TComputeSettings& compute = {}) : Compute(compute) {}

  TComputeSettings Compute;
  TRealMatr Matr;
  TRealMatr MatrCopy;
  TRealArray Solution;
  TGaussFactors MatrFactors;
  bool MatrFactored = false;
  TVortexArray MovedVortices;
  TFastVortices FastVortices;
  // The free vortices alone, with no core (as the influence coefficients
  // have none): the fast mode's right-hand side.
  TFastVortices FastFreeVortices;
};

// The particles of the current or last concentration run: those in flight
// and the counts, per input fraction, of those that left; kept after the run
// so that it can be drawn and followed.
struct TDustRun {
  TParticleArray Particles;  // the first ParticleCount are in flight
  int ParticleCount = 0;
  std::vector<int> FractionHits;  // per input fraction, left through the exhaust
  double ExhaustedMass = 0.0;     // their mass
  // Particles held in the flow: longer in flight than the residence limit.
  std::vector<int> FractionHeld;  // per input fraction
  double HeldMass = 0.0;          // their mass
  TRunTally Tally;                // the fates of the particles
  long long ConcentrationSteps = 0;  // particle time steps made
  double ConcentrationTime = 0.0;    // model time reached, s
};

// The results of the last complete concentration run.
struct TResults {
  double OutputConcentration = 0.0;
  double RealInputConcentration = 0.0;
  std::vector<TFraction> OutputFractions;
  int HeldCount = 0;              // particles held in the flow
  double HeldMassShare = 0.0;     // their share of the injected mass
  std::vector<int> OutputHeldCounts;  // held particles per input fraction
  TRunTally OutputTally;          // the fates of its particles
  TSizeSeed RunSeed;              // the seed it drew its sizes from (never Clock)
  TRunSettings RunSettings;       // its settings
  TCase RunCase;                  // the case it ran (what a report of it describes)
};

// How the runs compute and when they stop: the settings the window and
// ltr-cli give the runs, and the Stop requests a run reads after each step.
struct TRunControl {
  TComputeSettings Compute;
  // A particle longer in flight than MaxResidence (s of model time; 0 = no
  // limit) leaves the concentration run and is counted as held.
  double MaxResidence = DefaultMaxResidence;
  bool StopVortexRun = false;
  bool StopConcentration = false;
};

// Traced streamlines, one point list per line.
struct TFlowLines {
  TRealPointMatr FlowLines;
  int FlowLineCount = 0;
};

// The model as the window and ltr-cli keep it: the parts side by side (each
// field reached by its name), and the size of the free vortices' marks in the
// picture. The parts are passed on as Case(), Flow(), and so on.
struct TModelState : TCase, TFlow, TDustRun, TResults, TRunControl, TFlowLines {
  int FreeVortexSize = 3;

  TCase& Case() { return *this; }
  const TCase& Case() const { return *this; }
  TFlow& Flow() { return *this; }
  const TFlow& Flow() const { return *this; }
  TDustRun& DustRun() { return *this; }
  const TDustRun& DustRun() const { return *this; }
  TResults& Results() { return *this; }
  const TResults& Results() const { return *this; }
  TRunControl& Control() { return *this; }
  const TRunControl& Control() const { return *this; }
  TFlowLines& Lines() { return *this; }
  const TFlowLines& Lines() const { return *this; }
};

}  // namespace ltr
