#include "io/results_export.h"

#include <charconv>
#include <cmath>

#include "dust/run_statistics.h"
#include "io/file_access.h"
#include "model/fields.h"

namespace ltr {

namespace {

constexpr const char* FateNames[FateKindCount] = {"injected", "exhausted", "settled", "at_rest", "held"};

nlohmann::json FateJson(const TFateTally& t) {
  nlohmann::json j;
  for (int k = 0; k < FateKindCount; ++k) {
    j[FateNames[k]] = t.Count[k];
    j[std::string(FateNames[k]) + "_mass"] = ToDouble(t.Mass[k]);
  }
  j["penetration"] = Penetration(t);
  return j;
}

void AppendNumber(std::string& out, double value) {
  if (!std::isfinite(value)) return;  // an empty cell
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (error == std::errc()) out.append(buffer, end);
}

void AppendRow(std::string& out, std::initializer_list<double> values) {
  bool first = true;
  for (double v : values) {
    if (!first) out += ',';
    first = false;
    AppendNumber(out, v);
  }
  out += '\n';
}

// name,value lines.
template <size_t N>
void AppendPairs(std::string& out, const std::pair<const char*, double> (&pairs)[N]) {
  for (const auto& [name, value] : pairs) {
    out += name;
    out += ',';
    AppendNumber(out, value);
    out += '\n';
  }
}

}  // namespace

nlohmann::json JsonNumber(double value) {
  if (!std::isfinite(value)) return nullptr;
  return value;
}

nlohmann::json JsonInterval(const TInterval& interval) {
  return {JsonNumber(interval.Low), JsonNumber(interval.High)};
}

void AddRunStatistics(nlohmann::json& j, const TModelState& s) {
  const TRunTally& tally = s.OutputTally;
  const TOutletStatistics stats = OutletStatistics(tally.Total(), s.RealInputConcentration);
  j["output_concentration_se"] = JsonNumber(stats.OutputStdError);
  j["output_concentration_ci95"] = JsonInterval(stats.Output95);
  j["penetration"] = stats.Penetration;
  j["penetration_ci95"] = JsonInterval(stats.Penetration95);
  nlohmann::json fates = nlohmann::json::array();
  for (size_t k = 0; k < tally.Fractions.size() && k < s.Dust.Fractions.size(); ++k) {
    nlohmann::json f = FateJson(tally.Fractions[k]);
    f["lower"] = s.Dust.Fractions[k].Lower;
    f["upper"] = s.Dust.Fractions[k].Upper;
    fates.push_back(std::move(f));
  }
  j["fates"] = std::move(fates);
  j["fates_total"] = FateJson(tally.Total());
  nlohmann::json curve = nlohmann::json::array();
  for (int k = 0; k < static_cast<int>(tally.Classes.size()); ++k) {
    const TFateTally& c = tally.Classes[k];
    nlohmann::json row = {{"lower", tally.ClassLower(k)},
                          {"upper", tally.ClassUpper(k)},
                          {"injected", c.CountOf(TFateKind::Injected)},
                          {"exhausted", c.CountOf(TFateKind::Exhausted)}};
    row["penetration"] = c.CountOf(TFateKind::Injected) > 0 ? nlohmann::json(Penetration(c)) : nullptr;
    curve.push_back(std::move(row));
  }
  j["grade_efficiency"] = std::move(curve);
}

nlohmann::json ResultsJson(const TModelState& s, const std::string& version) {
  const TRunSettings& run = s.RunSettings;
  const TAreaParams& a = s.Area;
  const TDustParams& d = s.Dust;
  nlohmann::json fractions = nlohmann::json::array();
  for (const TFraction& f : d.Fractions) fractions.push_back({{"lower", f.Lower}, {"upper", f.Upper}, {"share", f.Share}});
  nlohmann::json j;
  j["program"] = {{"name", "ЛТР"}, {"version", version}};
  nlohmann::json enclosure, dust;
  for (const TAreaField& f : AreaFields) enclosure[f.Name] = a.*f.Member;
  for (const TDustField& f : DustFields)
    if (f.Member != &TDustParams::ParticleDt) dust[f.Name] = d.*f.Member;
  dust["Fractions"] = std::move(fractions);
  j["enclosure"] = std::move(enclosure);
  j["dust"] = std::move(dust);
  nlohmann::json runJson = {{"particles", run.Particles},
                            {"moments", run.Moments},
                            {"move_vortices", run.MoveVortices},
                            {"particle_step", run.ParticleStep},
                            {"max_residence", s.MaxResidence},
                            {"free_vortices", s.FreeCount},
                            {"time", s.Time}};
  runJson["seed"] = s.RunSeed.Kind == TSizeSeed::TKind::Value ? nlohmann::json(s.RunSeed.Value) : nullptr;
  j["run"] = std::move(runJson);
  nlohmann::json results;
  results["particle_dt"] = d.ParticleDt;
  results["real_input_concentration"] = s.RealInputConcentration;
  results["output_concentration"] = s.OutputConcentration;
  nlohmann::json shares = nlohmann::json::array();
  for (const TFraction& f : s.OutputFractions) shares.push_back({{"lower", f.Lower}, {"upper", f.Upper}, {"share", f.Share}});
  results["output_fractions"] = std::move(shares);
  results["held"] = s.HeldCount;
  results["held_mass_share"] = s.HeldMassShare;
  results["steps"] = s.ConcentrationSteps;
  AddRunStatistics(results, s);
  j["results"] = std::move(results);
  return j;
}

std::string ResultsCsv(const TModelState& s, const std::string& version) {
  const TRunSettings& run = s.RunSettings;
  const TRunTally& tally = s.OutputTally;
  const TOutletStatistics stats = OutletStatistics(tally.Total(), s.RealInputConcentration);
  std::string out = "# program\nname,version\nЛТР," + version + "\n";
  out += "# case\nname,value\n";
  for (const TAreaField& f : AreaFields) AppendPairs(out, {{f.Name, s.Area.*f.Member}});
  for (const TDustField& f : DustFields)
    if (f.Member != &TDustParams::ParticleDt) AppendPairs(out, {{f.Name, s.Dust.*f.Member}});
  const std::pair<const char*, double> values[] = {
      {"particles", static_cast<double>(run.Particles)},
      {"moments", static_cast<double>(run.Moments)},
      {"move_vortices", run.MoveVortices ? 1.0 : 0.0},
      {"max_residence", s.MaxResidence},
      {"free_vortices", static_cast<double>(s.FreeCount)},
      {"time", s.Time},
  };
  AppendPairs(out, values);
  out += "particle_step,";
  out += run.ParticleStep;
  out += '\n';
  out += "seed,";
  if (s.RunSeed.Kind == TSizeSeed::TKind::Value) out += std::to_string(s.RunSeed.Value);
  out += "\n# results\nname,value\n";
  const std::pair<const char*, double> results[] = {
      {"particle_dt", s.Dust.ParticleDt},
      {"real_input_concentration", s.RealInputConcentration},
      {"output_concentration", s.OutputConcentration},
      {"output_concentration_se", stats.OutputStdError},
      {"output_concentration_ci95_low", stats.Output95.Low},
      {"output_concentration_ci95_high", stats.Output95.High},
      {"penetration", stats.Penetration},
      {"penetration_ci95_low", stats.Penetration95.Low},
      {"penetration_ci95_high", stats.Penetration95.High},
      {"held", static_cast<double>(s.HeldCount)},
      {"held_mass_share", s.HeldMassShare},
      {"steps", static_cast<double>(s.ConcentrationSteps)},
  };
  AppendPairs(out, results);
  out += "# fractions\nlower,upper,input_share,output_share";
  for (const char* f : FateNames) {
    out += ',';
    out += f;
  }
  for (const char* f : FateNames) {
    out += ',';
    out += f;
    out += "_mass";
  }
  out += ",penetration\n";
  for (size_t k = 0; k < s.Dust.Fractions.size() && k < tally.Fractions.size(); ++k) {
    const TFateTally& t = tally.Fractions[k];
    const double outShare = k < s.OutputFractions.size() ? s.OutputFractions[k].Share : 0.0;
    AppendNumber(out, s.Dust.Fractions[k].Lower);
    for (double v : {s.Dust.Fractions[k].Upper, s.Dust.Fractions[k].Share, outShare}) {
      out += ',';
      AppendNumber(out, v);
    }
    for (long long c : t.Count) {
      out += ',';
      out += std::to_string(c);
    }
    for (Extended m : t.Mass) {
      out += ',';
      AppendNumber(out, ToDouble(m));
    }
    out += ',';
    AppendNumber(out, Penetration(t));
    out += '\n';
  }
  out += "# grade_efficiency\nlower,upper,injected,exhausted,penetration\n";
  for (int k = 0; k < static_cast<int>(tally.Classes.size()); ++k) {
    const TFateTally& c = tally.Classes[k];
    const long long in = c.CountOf(TFateKind::Injected);
    AppendRow(out, {tally.ClassLower(k), tally.ClassUpper(k), static_cast<double>(in),
                    static_cast<double>(c.CountOf(TFateKind::Exhausted)),
                    in > 0 ? Penetration(c) : std::nan("")});
  }
  return out;
}

namespace {

nlohmann::json SummaryJson(const TReplicaSummary& r) {
  return {{"mean", JsonNumber(r.Count > 0 ? r.Mean : std::nan(""))},
          {"std_dev", JsonNumber(r.StdDev)},
          {"ci95", JsonInterval(r.Mean95)}};
}

nlohmann::json StatisticJson(const TSnapshotStatistic& r) {
  nlohmann::json j = SummaryJson(r.Between);
  j["run_ci95_mean"] = JsonInterval(r.RunMean95);
  return j;
}

// name,mean,std_dev,ci95_low,ci95_high,run_ci95_low,run_ci95_high
void AppendSummaryRow(std::string& out, const char* name, const TReplicaSummary& r, const TInterval& run) {
  out += name;
  out += ',';
  AppendRow(out, {r.Count > 0 ? r.Mean : std::nan(""), r.StdDev, r.Mean95.Low, r.Mean95.High, run.Low, run.High});
}

}  // namespace

nlohmann::json SnapshotsJson(const TSnapshotResults& r) {
  nlohmann::json j;
  j["count"] = r.Plan.Count;
  j["every"] = r.Plan.Every;
  nlohmann::json runs = nlohmann::json::array();
  for (const TSnapshotResult& run : r.Runs) {
    nlohmann::json shares = nlohmann::json::array(), curve = nlohmann::json::array();
    for (double v : run.OutletShares) shares.push_back(v);
    for (double v : run.GradeEfficiency) curve.push_back(JsonNumber(v));
    runs.push_back({{"time", run.Time},
                    {"free_count", run.FreeCount},
                    {"seed", run.Seed},
                    {"output_concentration", run.OutputConcentration},
                    {"output_concentration_ci95", JsonInterval(run.Statistics.Output95)},
                    {"real_input_concentration", run.RealInputConcentration},
                    {"penetration", run.Statistics.Penetration},
                    {"penetration_ci95", JsonInterval(run.Statistics.Penetration95)},
                    {"held_mass_share", run.HeldMassShare},
                    {"steps", run.Steps},
                    {"output_shares", std::move(shares)},
                    {"grade_efficiency", std::move(curve)}});
  }
  j["runs"] = std::move(runs);
  j["output_concentration"] = StatisticJson(r.Output);
  j["penetration"] = StatisticJson(r.Penetration);
  j["real_input_concentration"] = SummaryJson(r.Input);
  j["held_mass_share"] = SummaryJson(r.HeldShare);
  nlohmann::json fractions = nlohmann::json::array();
  for (size_t k = 0; k < r.OutletShares.size(); ++k) {
    nlohmann::json row = SummaryJson(r.OutletShares[k]);
    if (k < r.Fractions.size()) {
      row["lower"] = r.Fractions[k].Lower;
      row["upper"] = r.Fractions[k].Upper;
    }
    fractions.push_back(std::move(row));
  }
  j["output_shares"] = std::move(fractions);
  nlohmann::json curve = nlohmann::json::array();
  for (size_t k = 0; k < r.GradeEfficiency.size(); ++k) {
    nlohmann::json row = SummaryJson(r.GradeEfficiency[k]);
    row["lower"] = k < r.ClassLower.size() ? r.ClassLower[k] : std::nan("");
    row["upper"] = k < r.ClassUpper.size() ? r.ClassUpper[k] : std::nan("");
    row["runs"] = r.GradeEfficiency[k].Count;
    curve.push_back(std::move(row));
  }
  j["grade_efficiency"] = std::move(curve);
  return j;
}

std::string SnapshotsCsv(const TSnapshotResults& r) {
  std::string out = "# snapshots\ntime,free_count,seed,output_concentration,output_concentration_ci95_low,"
                    "output_concentration_ci95_high,real_input_concentration,penetration,penetration_ci95_low,"
                    "penetration_ci95_high,held_mass_share,steps\n";
  for (const TSnapshotResult& run : r.Runs) {
    AppendNumber(out, run.Time);
    out += ',' + std::to_string(run.FreeCount) + ',' + std::to_string(run.Seed) + ',';
    AppendRow(out, {run.OutputConcentration, run.Statistics.Output95.Low, run.Statistics.Output95.High,
                    run.RealInputConcentration, run.Statistics.Penetration, run.Statistics.Penetration95.Low,
                    run.Statistics.Penetration95.High, run.HeldMassShare, static_cast<double>(run.Steps)});
  }
  const TInterval none{std::nan(""), std::nan("")};
  out += "# snapshot_summary\nname,mean,std_dev,ci95_low,ci95_high,run_ci95_low,run_ci95_high\n";
  AppendSummaryRow(out, "output_concentration", r.Output.Between, r.Output.RunMean95);
  AppendSummaryRow(out, "penetration", r.Penetration.Between, r.Penetration.RunMean95);
  AppendSummaryRow(out, "real_input_concentration", r.Input, none);
  AppendSummaryRow(out, "held_mass_share", r.HeldShare, none);
  out += "# snapshot_fractions\nlower,upper,output_share_mean,std_dev,ci95_low,ci95_high\n";
  for (size_t k = 0; k < r.OutletShares.size(); ++k) {
    const TReplicaSummary& f = r.OutletShares[k];
    AppendRow(out, {k < r.Fractions.size() ? r.Fractions[k].Lower : std::nan(""),
                    k < r.Fractions.size() ? r.Fractions[k].Upper : std::nan(""), f.Mean, f.StdDev, f.Mean95.Low,
                    f.Mean95.High});
  }
  out += "# snapshot_grade_efficiency\nlower,upper,runs,mean,std_dev,ci95_low,ci95_high\n";
  for (size_t k = 0; k < r.GradeEfficiency.size(); ++k) {
    const TReplicaSummary& c = r.GradeEfficiency[k];
    AppendRow(out, {k < r.ClassLower.size() ? r.ClassLower[k] : std::nan(""),
                    k < r.ClassUpper.size() ? r.ClassUpper[k] : std::nan(""), static_cast<double>(c.Count),
                    c.Count > 0 ? c.Mean : std::nan(""), c.StdDev, c.Mean95.Low, c.Mean95.High});
  }
  return out;
}

bool ExportResults(const TModelState& s, const std::string& version,
                   const std::string& fileName, std::string& reason, const TSnapshotResults* snapshots) {
  const bool json = fileName.size() >= 5 && fileName.compare(fileName.size() - 5, 5, ".json") == 0;
  const bool averaged = snapshots != nullptr && !snapshots->Empty();
  std::string text;
  if (json) {
    nlohmann::json j = ResultsJson(s, version);
    if (averaged) j["snapshots"] = SnapshotsJson(*snapshots);
    text = j.dump(2) + "\n";
  } else {
    text = ResultsCsv(s, version);
    if (averaged) text += SnapshotsCsv(*snapshots);
  }
  return ReplaceFileText(fileName, text, reason);
}

}  // namespace ltr
