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

// The CSV as it is written: for programs (commas, decimal points) or for the
// spreadsheets of desktops with a decimal comma (semicolons, decimal commas).
struct TCsvWriter {
  std::string Out;
  char Separator = ',';
  char Point = '.';

  void Text(const std::string& text) { Out += text; }
  void Cell() { Out += Separator; }
  void End() { Out += '\n'; }
  // A number in the shortest form that reads back exactly; nothing for one
  // that is not finite (an empty cell).
  void Number(double value) { Chars(value, std::chars_format::general, -1); }
  // A bound of a size class, which is computed from the composition's bounds:
  // 15 significant digits, which give the bound meant (5e-05) without the
  // noise of its computation (4.9999999999999996e-05).
  void Bound(double value) { Chars(value, std::chars_format::general, 15); }
  void Count(long long value) { Out += std::to_string(value); }

  // A header row: the names with the separator.
  void Header(std::initializer_list<const char*> names) {
    bool first = true;
    for (const char* name : names) {
      if (!first) Cell();
      first = false;
      Text(name);
    }
    End();
  }
  // name,value lines.
  template <size_t N>
  void Pairs(const std::pair<const char*, double> (&pairs)[N]) {
    for (const auto& [name, value] : pairs) {
      Text(name);
      Cell();
      Number(value);
      End();
    }
  }

 private:
  void Chars(double value, std::chars_format format, int precision) {
    if (!std::isfinite(value)) return;
    char buffer[40];
    const auto [end, error] = precision < 0 ? std::to_chars(buffer, buffer + sizeof buffer, value)
                                            : std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    if (error != std::errc()) return;
    for (char* c = buffer; c != end; ++c)
      if (*c == '.') *c = Point;
    Out.append(buffer, end);
  }
};

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

std::string ResultsCsv(const TModelState& s, const std::string& version, TCsvFlavour flavour) {
  const TRunSettings& run = s.RunSettings;
  const TRunTally& tally = s.OutputTally;
  const TOutletStatistics stats = OutletStatistics(tally.Total(), s.RealInputConcentration);
  TCsvWriter w;
  if (flavour == TCsvFlavour::Spreadsheet) {
    w.Separator = ';';
    w.Point = ',';
    // The byte order mark tells a spreadsheet that the file is UTF-8.
    w.Text("\xEF\xBB\xBF");
  }
  w.Text("# program\n");
  w.Header({"name", "version"});
  w.Text("ЛТР");
  w.Cell();
  w.Text(version);
  w.End();
  w.Text("# case\n");
  w.Header({"name", "value"});
  for (const TAreaField& f : AreaFields) w.Pairs({{f.Name, s.Area.*f.Member}});
  for (const TDustField& f : DustFields)
    if (f.Member != &TDustParams::ParticleDt) w.Pairs({{f.Name, s.Dust.*f.Member}});
  const std::pair<const char*, double> values[] = {
      {"particles", static_cast<double>(run.Particles)},
      {"moments", static_cast<double>(run.Moments)},
      {"move_vortices", run.MoveVortices ? 1.0 : 0.0},
      {"max_residence", s.MaxResidence},
      {"free_vortices", static_cast<double>(s.FreeCount)},
      {"time", s.Time},
  };
  w.Pairs(values);
  w.Text("particle_step");
  w.Cell();
  // A step written as a number takes the flavour's decimal sign.
  std::string step = run.ParticleStep;
  if (flavour == TCsvFlavour::Spreadsheet)
    for (char& c : step)
      if (c == '.') c = ',';
  w.Text(step);
  w.End();
  w.Text("seed");
  w.Cell();
  if (s.RunSeed.Kind == TSizeSeed::TKind::Value) w.Text(std::to_string(s.RunSeed.Value));
  w.End();
  w.Text("# results\n");
  w.Header({"name", "value"});
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
  w.Pairs(results);
  w.Text("# fractions\nlower");
  for (const char* name : {"upper", "input_share", "output_share"}) {
    w.Cell();
    w.Text(name);
  }
  for (const char* f : FateNames) {
    w.Cell();
    w.Text(f);
  }
  for (const char* f : FateNames) {
    w.Cell();
    w.Text(std::string(f) + "_mass");
  }
  w.Cell();
  w.Text("penetration");
  w.End();
  for (size_t k = 0; k < s.Dust.Fractions.size() && k < tally.Fractions.size(); ++k) {
    const TFateTally& t = tally.Fractions[k];
    const double outShare = k < s.OutputFractions.size() ? s.OutputFractions[k].Share : 0.0;
    w.Number(s.Dust.Fractions[k].Lower);
    for (double v : {s.Dust.Fractions[k].Upper, s.Dust.Fractions[k].Share, outShare}) {
      w.Cell();
      w.Number(v);
    }
    for (long long c : t.Count) {
      w.Cell();
      w.Count(c);
    }
    for (Extended m : t.Mass) {
      w.Cell();
      w.Number(ToDouble(m));
    }
    w.Cell();
    w.Number(Penetration(t));
    w.End();
  }
  w.Text("# grade_efficiency\n");
  w.Header({"lower", "upper", "injected", "exhausted", "penetration"});
  for (int k = 0; k < static_cast<int>(tally.Classes.size()); ++k) {
    const TFateTally& c = tally.Classes[k];
    const long long in = c.CountOf(TFateKind::Injected);
    w.Bound(tally.ClassLower(k));
    w.Cell();
    w.Bound(tally.ClassUpper(k));
    w.Cell();
    w.Count(in);
    w.Cell();
    w.Count(c.CountOf(TFateKind::Exhausted));
    w.Cell();
    if (in > 0) w.Number(Penetration(c));
    w.End();
  }
  return w.Out;
}

bool ExportResults(const TModelState& s, const std::string& version, const std::string& fileName,
                   std::string& reason, TCsvFlavour flavour) {
  const bool json = fileName.size() >= 5 && fileName.compare(fileName.size() - 5, 5, ".json") == 0;
  const std::string text = json ? ResultsJson(s, version).dump(2) + "\n" : ResultsCsv(s, version, flavour);
  return ReplaceFileText(fileName, text, reason);
}

}  // namespace ltr
