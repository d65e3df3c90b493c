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

void AddRunStatistics(nlohmann::json& j, const TDustParams& dust, const TResults& r) {
  const TRunTally& tally = r.OutputTally;
  const TOutletStatistics stats = OutletStatistics(tally.Total(), r.RealInputConcentration);
  j["output_concentration_se"] = JsonNumber(stats.OutputStdError);
  j["output_concentration_ci95"] = JsonInterval(stats.Output95);
  j["penetration"] = stats.Penetration;
  j["penetration_ci95"] = JsonInterval(stats.Penetration95);
  nlohmann::json fates = nlohmann::json::array();
  for (size_t k = 0; k < tally.Fractions.size() && k < dust.Fractions.size(); ++k) {
    nlohmann::json f = FateJson(tally.Fractions[k]);
    f["lower"] = dust.Fractions[k].Lower;
    f["upper"] = dust.Fractions[k].Upper;
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
  AddRunStatistics(results, s.Dust, s.Results());
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

bool ExportResults(const TModelState& s, const std::string& version,
                   const std::string& fileName, std::string& reason) {
  const bool json = fileName.size() >= 5 && fileName.compare(fileName.size() - 5, 5, ".json") == 0;
  const std::string text = json ? ResultsJson(s, version).dump(2) + "\n" : ResultsCsv(s, version);
  return ReplaceFileText(fileName, text, reason);
}

}  // namespace ltr
