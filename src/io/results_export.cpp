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

nlohmann::json ConcentrationRunJson(const TModelState& s, bool completed, bool flowComputed, bool ownSteps) {
  nlohmann::json j;
  j["particle_dt"] = s.Dust.ParticleDt;
  if (completed) {
    j["real_input_concentration"] = s.RealInputConcentration;
    j["output_concentration"] = s.OutputConcentration;
    nlohmann::json fractions = nlohmann::json::array();
    for (const TFraction& f : s.OutputFractions)
      fractions.push_back({{"lower", f.Lower}, {"upper", f.Upper}, {"share", f.Share}});
    j["output_fractions"] = std::move(fractions);
  } else {
    j["real_input_concentration"] = nullptr;
    j["output_concentration"] = nullptr;
    j["output_fractions"] = nullptr;
  }
  j["stopped"] = !completed;
  j["steps"] = s.ConcentrationSteps;
  j["free_count"] = s.FreeCount;
  if (s.Compute.ExhaustVortices) j["exhausted_vortices"] = s.ExhaustedVortexCount;
  // Only with own particle steps, whose run steps have no fixed length.
  if (ownSteps) j["model_time"] = s.ConcentrationTime;
  if (completed) {
    j["held"] = s.HeldCount;
    j["held_mass_share"] = s.HeldMassShare;
    AddRunStatistics(j, s.Dust, s.Results());
  } else {
    j["held"] = nullptr;
    j["held_mass_share"] = nullptr;
  }
  // Said only when it is so, so that a run in a computed flow prints what it
  // always printed.
  if (!flowComputed) j["flow_computed"] = false;
  return j;
}

nlohmann::json VortexRunJson(const TFlow& f, const TComputeSettings& compute, int steps) {
  const int count = f.BoundCount + f.FreeCount;
  Extended total = 0.0L;
  for (int j = 0; j < count; ++j) total += f.Vortices[j].Gamma;
  nlohmann::json j;
  j["time"] = f.Time;
  j["free_count"] = f.FreeCount;
  j["bound_count"] = f.BoundCount;
  j["steps"] = steps;
  j["total_gamma"] = ToDouble(total);
  if (compute.ExhaustVortices) j["exhausted_vortices"] = f.ExhaustedVortexCount;
  return j;
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
void SummaryRow(TCsvWriter& w, const char* name, const TReplicaSummary& r, const TInterval& run) {
  w.Text(name);
  for (double v : {r.Count > 0 ? r.Mean : std::nan(""), r.StdDev, r.Mean95.Low, r.Mean95.High, run.Low, run.High}) {
    w.Cell();
    w.Number(v);
  }
  w.End();
}

// Cells of numbers, the first without a separator before it.
void NumberRow(TCsvWriter& w, std::initializer_list<double> values) {
  bool first = true;
  for (double v : values) {
    if (!first) w.Cell();
    first = false;
    w.Number(v);
  }
  w.End();
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

std::string SnapshotsCsv(const TSnapshotResults& r, TCsvFlavour flavour) {
  TCsvWriter w;
  if (flavour == TCsvFlavour::Spreadsheet) {
    w.Separator = ';';
    w.Point = ',';
  }
  w.Text("# snapshots\n");
  w.Header({"time", "free_count", "seed", "output_concentration", "output_concentration_ci95_low",
            "output_concentration_ci95_high", "real_input_concentration", "penetration", "penetration_ci95_low",
            "penetration_ci95_high", "held_mass_share", "steps"});
  for (const TSnapshotResult& run : r.Runs) {
    w.Number(run.Time);
    w.Cell();
    w.Count(run.FreeCount);
    w.Cell();
    w.Text(std::to_string(run.Seed));
    w.Cell();
    NumberRow(w, {run.OutputConcentration, run.Statistics.Output95.Low, run.Statistics.Output95.High,
                  run.RealInputConcentration, run.Statistics.Penetration, run.Statistics.Penetration95.Low,
                  run.Statistics.Penetration95.High, run.HeldMassShare, static_cast<double>(run.Steps)});
  }
  const TInterval none{std::nan(""), std::nan("")};
  w.Text("# snapshot_summary\n");
  w.Header({"name", "mean", "std_dev", "ci95_low", "ci95_high", "run_ci95_low", "run_ci95_high"});
  SummaryRow(w, "output_concentration", r.Output.Between, r.Output.RunMean95);
  SummaryRow(w, "penetration", r.Penetration.Between, r.Penetration.RunMean95);
  SummaryRow(w, "real_input_concentration", r.Input, none);
  SummaryRow(w, "held_mass_share", r.HeldShare, none);
  w.Text("# snapshot_fractions\n");
  w.Header({"lower", "upper", "output_share_mean", "std_dev", "ci95_low", "ci95_high"});
  for (size_t k = 0; k < r.OutletShares.size(); ++k) {
    const TReplicaSummary& f = r.OutletShares[k];
    NumberRow(w, {k < r.Fractions.size() ? r.Fractions[k].Lower : std::nan(""),
                  k < r.Fractions.size() ? r.Fractions[k].Upper : std::nan(""), f.Mean, f.StdDev, f.Mean95.Low,
                  f.Mean95.High});
  }
  w.Text("# snapshot_grade_efficiency\n");
  w.Header({"lower", "upper", "runs", "mean", "std_dev", "ci95_low", "ci95_high"});
  for (size_t k = 0; k < r.GradeEfficiency.size(); ++k) {
    const TReplicaSummary& c = r.GradeEfficiency[k];
    NumberRow(w, {k < r.ClassLower.size() ? r.ClassLower[k] : std::nan(""),
                  k < r.ClassUpper.size() ? r.ClassUpper[k] : std::nan(""), static_cast<double>(c.Count),
                  c.Count > 0 ? c.Mean : std::nan(""), c.StdDev, c.Mean95.Low, c.Mean95.High});
  }
  return w.Out;
}

bool ExportResults(const TModelState& s, const std::string& version, const std::string& fileName,
                   std::string& reason, TCsvFlavour flavour, const TSnapshotResults* snapshots) {
  const bool json = fileName.size() >= 5 && fileName.compare(fileName.size() - 5, 5, ".json") == 0;
  const bool averaged = snapshots != nullptr && !snapshots->Empty();
  std::string text;
  if (json) {
    nlohmann::json j = ResultsJson(s, version);
    if (averaged) j["snapshots"] = SnapshotsJson(*snapshots);
    text = j.dump(2) + "\n";
  } else {
    text = ResultsCsv(s, version, flavour);
    if (averaged) text += SnapshotsCsv(*snapshots, flavour);
  }
  return ReplaceFileText(fileName, text, reason);
}

}  // namespace ltr
