#include "dust/study.h"

#include <charconv>
#include <cmath>

#include "io/echo_text.h"
#include "model/discretization.h"
#include "model/fields.h"
#include "model/validation.h"
#include "numerics/random.h"

namespace ltr {

namespace {

std::string Shortest(double value) {
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return error == std::errc() ? std::string(buffer, end) : std::string();
}

void AppendCell(std::string& out, double value) {
  out += ',';
  if (std::isfinite(value)) out += Shortest(value);
}

// Passes what the runs of one value report on to the study's observer, and
// turns its stop request into the runs' own.
class TRowObserver : public TObserver {
 public:
  TRowObserver(TStudyObserver& ui, TRunControl& control) : Ui_(ui), Control_(control) {}

  void SetStatusText(const std::string& text) override { Ui_.SetStatusText(text); }
  void SetLabel(TLabel label, const std::string& text) override { Ui_.SetLabel(label, text); }
  void RedrawRun(const TFlow& flow, bool withParticles) override { Ui_.RedrawRun(flow, withParticles); }
  void ProcessMessages() override {
    Ui_.ProcessMessages();
    if (Ui_.StudyStopRequested()) {
      Control_.StopVortexRun = true;
      Control_.StopConcentration = true;
    }
  }
  void ConcentrationProgress(int moment, int moments, int inFlight, long long steps, double time) override {
    Ui_.ConcentrationProgress(moment, moments, inFlight, steps, time);
  }
  void VortexRunProgress(double time, double startTime, double maxTime) override {
    Ui_.VortexRunProgress(time, startTime, maxTime);
  }

 private:
  TStudyObserver& Ui_;
  TRunControl& Control_;
};

std::string ValueRefusal(const TStudy& study, double value, const std::string& error) {
  return "значение " + Shortest(value) + " для " + EchoText(study.Field) + ": " + error;
}

}  // namespace

std::vector<int> StudyPartIndices(const TStudy& study) {
  std::vector<int> mine;
  if (study.Parts < 1) return mine;
  for (int k = 0; k < static_cast<int>(study.Values.size()); ++k)
    if (k % study.Parts == study.Part) mine.push_back(k);
  return mine;
}

TCase StudyCase(const TStudy& study, double value) {
  TCase c = study.Case;
  bool inflowSpeedGiven = study.InflowSpeedGiven;
  SetCaseField(c, study.Field, value, inflowSpeedGiven);
  if (!inflowSpeedGiven) c.Area.InflowSpeed = DerivedInflowSpeed(c.Area);
  return c;
}

int StudyFractionCount(const TStudy& study) { return static_cast<int>(study.Case.Dust.Fractions.size()); }

std::string CheckStudy(const TStudy& study) {
  const bool areaField = FindAreaField(study.Field) != nullptr;
  if (!areaField && FindDustField(study.Field) == nullptr) return "неизвестное поле " + EchoText(study.Field);
  if (study.Values.empty()) return "не задано ни одного значения";
  if (study.Values.size() > static_cast<size_t>(MaxStudyValues))
    return "значений больше " + std::to_string(MaxStudyValues);
  for (double v : study.Values)
    if (!std::isfinite(v)) return "значение " + Shortest(v) + " не является конечным числом";
  if (study.Parts < 1 || study.Part < 0 || study.Part >= study.Parts) return "часть исследования задана неверно";
  // A file brings its own enclosure: an enclosure value put into the case
  // would be replaced by the file's, and every row would be the same run.
  if (areaField && !study.Flow.File.empty())
    return "поле укрытия " + EchoText(study.Field) +
           " нельзя перебирать в потоке из файла вихревой структуры: файл задает укрытие сам";
  for (int k : StudyPartIndices(study)) {
    const double value = study.Values[static_cast<size_t>(k)];
    const TCase c = StudyCase(study, value);
    if (std::string error = CaseError(c); !error.empty()) return ValueRefusal(study, value, error);
    TFlow f;
    BuildArea(c.Area, f);
    if (std::string error = CheckConcentrationArgs(c, f, study.MaxResidence, study.Particles, study.Moments,
                                                   study.MoveVortices, study.Run.ParticleStep);
        !error.empty())
      return ValueRefusal(study, value, error);
  }
  return {};
}

TOutcome RunStudy(const TStudy& study, TStudyObserver& ui, std::vector<TStudyRow>& rows) {
  if (std::string error = CheckStudy(study); !error.empty()) return TOutcome::Refusal(error);
  // One seed for every row: a row is the run of its value and this seed.
  TConcentrationOptions run = study.Run;
  if (run.Seed.Kind == TSizeSeed::TKind::Clock) run.Seed = TSizeSeed::Fixed(ClockSeed());
  const int fractions = StudyFractionCount(study);
  const std::vector<int> mine = StudyPartIndices(study);
  for (size_t done = 0; done < mine.size(); ++done) {
    if (ui.StudyStopRequested()) return TOutcome::StoppedEarly();
    const int index = mine[done];
    const double value = study.Values[static_cast<size_t>(index)];
    ui.StudyValue(static_cast<int>(done), static_cast<int>(mine.size()), value);

    TModelState s;
    s.Case() = StudyCase(study, value);
    s.Compute = study.Compute;
    s.MaxResidence = study.MaxResidence;
    BuildArea(s.Area, s.Flow());
    TRowObserver observer(ui, s.Control());
    TFlowMade made;
    if (TOutcome outcome = MakeFlow(study.Flow, s.Case(), s.Flow(), s.DustRun(), s.Control(), observer, made);
        !outcome)
      return outcome;
    if (ui.StudyStopRequested()) return TOutcome::StoppedEarly();
    // The flow of the steady solve is computed; a loaded one may hold none.
    const bool flowComputed = ConcentrationFlowComputed(s.Flow(), study.MoveVortices);
    if (run.ParticleStep.OwnSteps() && study.DtGiven) s.Dt = study.Flow.Dt;
    const TOutcome outcome = RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), observer,
                                              study.Particles, study.Moments, study.MoveVortices, run);
    if (outcome.Kind() == TOutcome::TKind::Refused || outcome.Kind() == TOutcome::TKind::Failed) return outcome;
    if (!outcome && ui.StudyStopRequested()) return TOutcome::StoppedEarly();

    TStudyRow row;
    row.Index = index;
    row.Value = value;
    row.Seed = run.Seed.Value;
    row.Completed = outcome.Ok();
    row.FlowComputed = flowComputed;
    if (row.Completed) {
      const TOutletStatistics stats = OutletStatistics(s.OutputTally.Total(), s.RealInputConcentration);
      row.RealInputConcentration = s.RealInputConcentration;
      row.OutputConcentration = s.OutputConcentration;
      row.OutputStdError = stats.OutputStdError;
      row.Output95 = stats.Output95;
      row.Penetration = stats.Penetration;
      row.HeldMassShare = s.HeldMassShare;
      for (int j = 0; j < fractions; ++j)
        row.OutletShares.push_back(j < static_cast<int>(s.OutputFractions.size()) ? s.OutputFractions[j].Share
                                                                                  : NAN);
    }
    rows.push_back(row);
    ui.StudyRow(rows.back());
  }
  return {};
}

std::vector<double> StudyRange(double from, double to, int steps) {
  const Extended a = from, b = to;
  std::vector<double> values;
  for (int i = 0; i < steps; ++i) values.push_back(ToDouble(a + (b - a) * i / (steps - 1)));
  return values;
}

std::string StudyCsvHeader(int fractions) {
  std::string csv =
      "param,value,seed,real_input_concentration,output_concentration,output_concentration_se,"
      "output_ci95_low,output_ci95_high,penetration,held_mass_share";
  for (int j = 1; j <= fractions; ++j) csv += ",outlet_share_" + std::to_string(j);
  return csv + '\n';
}

std::string StudyCsvRow(const std::string& field, const TStudyRow& row, int fractions) {
  std::string csv = field;
  AppendCell(csv, row.Value);
  csv += ',' + std::to_string(row.Seed);
  if (row.Completed) {
    for (double v : {row.RealInputConcentration, row.OutputConcentration, row.OutputStdError, row.Output95.Low,
                     row.Output95.High, row.Penetration, row.HeldMassShare})
      AppendCell(csv, v);
    for (int j = 0; j < fractions; ++j)
      AppendCell(csv, j < static_cast<int>(row.OutletShares.size()) ? row.OutletShares[j] : NAN);
  } else {
    // Stopped by the step bound: the row says nothing but its value.
    csv.append(static_cast<size_t>(7 + fractions), ',');
  }
  return csv + '\n';
}

}  // namespace ltr
