// The Python module ltr: the case, the flow and the runs of the core for
// scripts (NumPy arrays in and out). Thin by design: every number comes from
// the core's functions, set up as ltr-cli sets them up, so that a result here
// equals ltr-cli's JSON for the same inputs. The runs release the GIL; the
// progress callable and Ctrl+C are served at the runs' message points.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dust/concentration_run.h"
#include "dust/study.h"
#include "io/case_file.h"
#include "io/flow_source.h"
#include "io/results_export.h"
#include "io/vortex_commands.h"
#include "model/discretization.h"
#include "model/fields.h"
#include "model/run_defaults.h"
#include "model/validation.h"
#include "numerics/number_text.h"
#include "numerics/parallel.h"
#include "numerics/random.h"
#include "solver/velocity.h"
#include "solver/velocity_field.h"
#include "solver/vortex_run.h"

namespace py = pybind11;

namespace ltr::python {

namespace {

// Bad input: ValueError with the program's one-line message.
[[noreturn]] void ThrowInput(const std::string& message) { throw py::value_error(message); }

// What the module makes of an outcome of the core: a refusal is bad input, a
// failure (numbers no longer finite) a RuntimeError; done or stopped passes.
void RaiseUnlessDone(const TOutcome& outcome) {
  if (outcome.Kind() == TOutcome::TKind::Refused) ThrowInput(outcome.Message());
  if (outcome.Kind() == TOutcome::TKind::Failed) throw std::runtime_error(outcome.Message());
}

// A JSON value of the core as the Python value json.loads gives for
// ltr-cli's output: the same text, so the same numbers, bit for bit.
py::object ToPython(const nlohmann::json& j) {
  return py::module_::import("json").attr("loads")(j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

nlohmann::json FromPython(const py::handle& value) {
  return nlohmann::json::parse(py::module_::import("json").attr("dumps")(value).cast<std::string>());
}

// ---------------------------------------------------------------------------
// Following a run from Python: the progress callable and Ctrl+C.

// Serves a run whose thread has released the GIL: at each message point of
// the run it takes the GIL back, lets Python handle its signals (Ctrl+C
// raises KeyboardInterrupt there) and calls the progress callable with the
// share done and the run's progress text. An exception from either stops the
// run as the Stop button does; it is raised once the run has returned.
class PythonObserver : public TStudyObserver {
 public:
  PythonObserver(TRunControl& control, py::object progress) : control_(control), progress_(std::move(progress)) {}

  void VortexRunProgress(double time, double startTime, double maxTime) override {
    const double span = maxTime - startTime;
    fraction_ = span > 0 ? (time - startTime) / span : 1.0;
    text_ = VortexRunProgressText(time, maxTime);
  }
  void ConcentrationProgress(int moment, int moments, int inFlight, long long steps, double time) override {
    if (moment > 0) {
      fraction_ = 0.5 * moment / moments;
    } else {
      const double left = total_ > 0 ? static_cast<double>(inFlight) / static_cast<double>(total_) : 0.0;
      fraction_ = 0.5 + 0.5 * (1 - left);
    }
    text_ = ConcentrationProgressText(moment, moments, inFlight, steps, time);
  }
  void StudyValue(int k, int count, double value) override {
    studyIndex_ = k;
    studyCount_ = count;
    text_ = "значение " + std::to_string(k + 1) + " из " + std::to_string(count) + ": " + FormatGeneral(value);
  }
  void ProcessMessages() override { Serve(); }
  bool StudyStopRequested() override { return static_cast<bool>(error_); }

  // Particles of the concentration run (for the share of the drain phase).
  void SetTotalParticles(long long total) { total_ = total; }

  // Raises what stopped the run, if anything did.
  void RaiseIfInterrupted() {
    if (error_) {
      std::shared_ptr<py::error_already_set> error = std::move(error_);
      throw py::error_already_set(*error);
    }
  }

 private:
  void Serve() {
    if (error_) return;
    py::gil_scoped_acquire gil;
    try {
      if (PyErr_CheckSignals() != 0) throw py::error_already_set();
      if (!progress_.is_none()) {
        double fraction = fraction_;
        if (studyCount_ > 0) fraction = (studyIndex_ + fraction) / studyCount_;
        progress_(fraction, text_);
      }
    } catch (py::error_already_set& e) {
      error_ = std::make_shared<py::error_already_set>(std::move(e));
      Stop();
    }
  }
  void Stop() {
    control_.StopVortexRun = true;
    control_.StopConcentration = true;
  }

  TRunControl& control_;
  py::object progress_;
  double fraction_ = 0.0;
  std::string text_;
  long long total_ = 0;
  int studyIndex_ = 0;
  int studyCount_ = 0;
  std::shared_ptr<py::error_already_set> error_;
};

// ---------------------------------------------------------------------------
// The case.

struct Case {
  TCaseFile File;
};

enum class Section { Area, Dust };

// The enclosure or dust fields of a case, read and written by name as a
// mapping: case.area["Speed"] = 4.
struct CaseSection {
  std::shared_ptr<Case> Owner;
  Section Kind;

  std::vector<std::string> Keys() const {
    std::vector<std::string> keys;
    if (Kind == Section::Area)
      for (const TAreaField& f : AreaFields) keys.push_back(f.Name);
    else
      for (const TDustField& f : DustFields) keys.push_back(f.Name);
    return keys;
  }
  bool Has(const std::string& name) const {
    return Kind == Section::Area ? FindAreaField(name) != nullptr : FindDustField(name) != nullptr;
  }
  double Get(const std::string& name) const {
    double value = 0.0;
    if (!Has(name) || !CaseFieldValue(Owner->File.Case, name, value)) throw py::key_error(name);
    return value;
  }
  void Set(const std::string& name, double value) const {
    if (!Has(name)) throw py::key_error(name);
    SetField(*Owner, name, value);
  }

  // As --set NAME=VALUE: a finite number for a known field.
  static void SetField(Case& c, const std::string& name, double value) {
    if (!std::isfinite(value)) ThrowInput("значение поля " + name + " не является числом: " + FormatGeneral(value));
    if (!SetCaseField(c.File.Case, name, value, c.File.InflowSpeedGiven)) ThrowInput("неизвестное поле " + name);
  }
};

void SetSection(Case& c, Section kind, const py::dict& values) {
  for (auto item : values) {
    const std::string name = py::str(item.first);
    if (kind == Section::Area ? FindAreaField(name) == nullptr : FindDustField(name) == nullptr)
      ThrowInput("неизвестное поле " + name);
    CaseSection::SetField(c, name, item.second.cast<double>());
  }
}

// The case read from a file or from a dict of a case file's keys, with the
// overrides as ltr-cli --set gives them.
std::shared_ptr<Case> MakeCase(const py::object& source, const py::kwargs& fields) {
  auto c = std::make_shared<Case>();
  if (py::isinstance<py::dict>(source)) {
    const nlohmann::json j = FromPython(source);
    RaiseUnlessDone(ParseCaseText(j.dump(), "<dict>", c->File));
  } else if (py::isinstance<py::str>(source) || py::hasattr(source, "__fspath__")) {
    const std::string name = py::str(py::module_::import("os").attr("fsdecode")(source));
    RaiseUnlessDone(ReadCaseFile(name, c->File));
  } else if (!source.is_none()) {
    throw py::type_error("Case() takes a dict of case keys or the name of a case file");
  }
  for (auto item : fields) CaseSection::SetField(*c, py::str(item.first), item.second.cast<double>());
  return c;
}

// The case completed (InflowSpeed derived unless given) and checked as the
// dialogs check it; ValueError with their message.
TCaseFile CompletedCase(const Case& c) {
  TCaseFile file = c.File;
  if (std::string error = CompleteCase(file); !error.empty()) ThrowInput(error);
  return file;
}

// One description of a field as a dict: its section, name, unit, one-line
// caption, range (None for a field that is not typed) and decimals.
template <class TField>
py::dict FieldDict(const char* section, const TField& f) {
  py::dict d;
  d["section"] = section;
  d["name"] = f.Name;
  d["unit"] = f.Unit;
  d["caption"] = OneLineCaption(f.Caption);
  d["minimum"] = f.Minimum < f.Maximum ? py::object(py::float_(f.Minimum)) : py::object(py::none());
  d["maximum"] = f.Minimum < f.Maximum ? py::object(py::float_(f.Maximum)) : py::object(py::none());
  d["decimals"] = f.Decimals;
  return d;
}

py::list CaseFields() {
  py::list fields;
  for (const TAreaField& f : AreaFields) fields.append(FieldDict("area", f));
  for (const TDustField& f : DustFields) fields.append(FieldDict("dust", f));
  return fields;
}

// ---------------------------------------------------------------------------
// The flow.

struct VortexRow {
  double x;
  double y;
  double gamma;
  bool bound;
};

struct Flow {
  TModelState State;
  TCaseSettings Settings;  // the case file's page fields and options
  int LastSteps = 0;       // steps of the last vortex run
  int LastMaxFree = -1;
};

// The flow's compute settings for a run: the arguments where given, the case
// file's options (of the velocity page or, for particles, the concentration
// page) otherwise.
TComputeSettings ComputeOf(const Flow& f, std::optional<bool> fast, std::optional<bool> exhaust, int threads,
                           bool particles) {
  TComputeSettings compute = f.State.Compute;
  if (threads < 0 || threads > MaxThreads)
    ThrowInput("значение threads должно быть от 0 до " + std::to_string(MaxThreads) + ": " + std::to_string(threads));
  compute.Threads = threads;
  const std::optional<bool> caseFast = particles ? f.Settings.FastConcentration : f.Settings.FastVortexRun;
  compute.Fast = fast.value_or(caseFast.value_or(false));
  if (exhaust) compute.ExhaustVortices = *exhaust;
  return compute;
}


// The flow of `source` made in s (the steady solve, or the file loaded) as
// ltr-cli makes it, without the GIL; ValueError or RuntimeError as the outcome
// says.
void MakeFlowOf(TModelState& s, const TFlowSource& source) {
  TFlowMade made;
  TObserver quiet;
  TOutcome outcome;
  {
    py::gil_scoped_release release;
    outcome = MakeFlow(source, s.Case(), s.Flow(), s.DustRun(), s.Control(), quiet, made);
  }
  RaiseUnlessDone(outcome);
}

std::shared_ptr<Flow> MakeSteadyFlow(const Case& c) {
  auto f = std::make_shared<Flow>();
  const TCaseFile file = CompletedCase(c);
  TModelState& s = f->State;
  s.Case() = file.Case;
  f->Settings = file.Settings;
  s.Compute = ComputeOf(*f, std::nullopt, file.Settings.ExhaustRemoval.value_or(false), 0, false);
  BuildArea(s.Area, s.Flow());
  MakeFlowOf(s, TFlowSource{});
  return f;
}

std::shared_ptr<Flow> LoadFlow(const py::object& path) {
  auto f = std::make_shared<Flow>();
  TFlowSource source;
  source.File = py::str(py::module_::import("os").attr("fsdecode")(path));
  MakeFlowOf(f->State, source);
  return f;
}

// A vortex run of the flow: from time 0 when it has no free vortices and
// has not run (as the Start button), otherwise on from its time and
// vortices (as Continue). The state of the run as ltr-cli vortex prints it.
py::object RunFlow(Flow& f, double maxTime, std::optional<double> dt, std::optional<int> maxFree,
                   std::optional<bool> exhaust, std::optional<bool> fast, int threads, py::object progress) {
  TModelState& s = f.State;
  const int free = maxFree.value_or(f.Settings.MaxFree.value_or(std::stoi(DefaultMaxFreeVortexText)));
  const double step = dt.value_or(f.Settings.Dt.value_or(0.005));
  s.Compute = ComputeOf(f, fast, exhaust, threads, false);
  s.StopVortexRun = false;
  TRunStart start;
  if (s.FreeCount > 0 || s.Time != 0.0)
    RaiseUnlessDone(BeginContinuedRun(s.Case(), s.Flow(), free, maxTime, step, start));
  PythonObserver observer(s.Control(), progress);
  int steps = 0;
  struct Counter : TObserver {
    PythonObserver& Inner;
    int& Steps;
    Counter(PythonObserver& inner, int& steps) : Inner(inner), Steps(steps) {}
    void RedrawRun(const TFlow&, bool) override { ++Steps; }
    void VortexRunProgress(double time, double startTime, double maxTime) override {
      Inner.VortexRunProgress(time, startTime, maxTime);
    }
    void ProcessMessages() override { Inner.ProcessMessages(); }
  } counter(observer, steps);
  TOutcome outcome;
  {
    py::gil_scoped_release release;
    outcome = RunVortices(s.Case(), s.Flow(), s.Control(), counter, free, start.FreeCount, start.Time, maxTime, step);
  }
  s.StopVortexRun = false;
  f.LastSteps = steps;
  observer.RaiseIfInterrupted();
  RaiseUnlessDone(outcome);
  return ToPython(VortexRunJson(s.Flow(), s.Compute, steps));
}

py::array VortexArray(const Flow& f) {
  const TFlow& flow = f.State.Flow();
  const int count = flow.BoundCount + flow.FreeCount;
  py::array_t<VortexRow> rows(count);
  auto r = rows.mutable_unchecked<1>();
  for (int k = 0; k < count; ++k) {
    const TVortex& v = flow.Vortices[k];
    r(k) = VortexRow{ToDouble(v.Pos.X), ToDouble(v.Pos.Y), ToDouble(v.Gamma), k < flow.BoundCount};
  }
  return rows;
}

// The velocity at the points (x, y), broadcast as NumPy broadcasts: each
// point as the exact sum of every vortex gives it (VelocityVectorAt).
py::tuple Velocity(const Flow& f, const py::object& x, const py::object& y) {
  py::module_ np = py::module_::import("numpy");
  py::tuple both = np.attr("broadcast_arrays")(np.attr("asarray")(x, "float64"), np.attr("asarray")(y, "float64"));
  using Array = py::array_t<double, py::array::c_style | py::array::forcecast>;
  Array xs = Array::ensure(both[0]), ys = Array::ensure(both[1]);
  std::vector<py::ssize_t> shape(xs.shape(), xs.shape() + xs.ndim());
  Array u(shape), v(shape);
  const py::ssize_t n = xs.size();
  const double* px = xs.data();
  const double* py_ = ys.data();
  double* pu = u.mutable_data();
  double* pv = v.mutable_data();
  {
    py::gil_scoped_release release;
    for (py::ssize_t k = 0; k < n; ++k)
      VelocityVectorAt(f.State.Case(), f.State.Flow(), TRealPoint{px[k], py_[k]}, -1, pu[k], pv[k]);
  }
  return py::make_tuple(u, v);
}

py::dict Field(const Flow& f, int nx, int ny, std::optional<bool> fast, int threads) {
  if (nx < 1 || nx > MaxFieldGridSide || ny < 1 || ny > MaxFieldGridSide)
    ThrowInput("размер сетки должен быть от 1 до " + std::to_string(MaxFieldGridSide) +
               " точек: " + std::to_string(nx) + " x " + std::to_string(ny));
  const TComputeSettings compute = ComputeOf(f, fast, std::nullopt, threads, false);
  TVelocityField field;
  {
    py::gil_scoped_release release;
    field = ComputeVelocityField(f.State.Case(), f.State.Flow(), compute, nx, ny);
  }
  using Array = py::array_t<double>;
  Array xs(std::vector<py::ssize_t>{nx}), ys(std::vector<py::ssize_t>{ny});
  for (int i = 0; i < nx; ++i) xs.mutable_data()[i] = field.X(i);
  for (int j = 0; j < ny; ++j) ys.mutable_data()[j] = field.Y(j);
  auto grid = [&](const std::vector<double>& values) {
    Array a(std::vector<py::ssize_t>{ny, nx});
    std::copy(values.begin(), values.end(), a.mutable_data());
    return a;
  };
  py::dict d;
  d["x"] = xs;
  d["y"] = ys;
  d["u"] = grid(field.U);
  d["v"] = grid(field.V);
  d["speed"] = grid(field.Speed);
  d["max_speed"] = field.MaxSpeed;
  return d;
}

// ---------------------------------------------------------------------------
// The concentration run and the study.

TSizeSeed SeedOf(const py::object& seed) {
  if (seed.is_none()) return TSizeSeed::FromClock();
  if (py::isinstance<py::str>(seed) && seed.cast<std::string>() == "none") return TSizeSeed::Unseeded();
  if (!py::isinstance<py::int_>(seed) || seed.cast<py::int_>() < py::int_(0) ||
      seed.cast<py::int_>() > py::int_(999999999999999999LL))
    ThrowInput("значение seed должно быть целым неотрицательным числом или none: " + std::string(py::str(seed)));
  return TSizeSeed::Fixed(seed.cast<std::uint64_t>());
}

TParticleStepMode ParticleStepOf(const py::object& step) {
  if (step.is_none()) return TParticleStepMode::Described();
  if (py::isinstance<py::str>(step) && step.cast<std::string>() == "auto") return TParticleStepMode::Auto();
  if (!py::isinstance<py::str>(step)) {
    const double value = step.cast<double>();
    if (std::isfinite(value) && value > 0) return TParticleStepMode::FixedStep(value);
  }
  ThrowInput("значение particle_step должно быть auto или положительным числом секунд: " + std::string(py::str(step)));
}

struct ConcentrationResult {
  nlohmann::json Json;
  TSizeSeed Seed;
  std::shared_ptr<Flow> After;  // the flow the run leaves (moved vortices)
};

std::shared_ptr<ConcentrationResult> Concentration(const Flow& flow, int particles, int moments, const py::object& seed,
                                                   bool moveVortices, const py::object& particleStep,
                                                   double maxResidence, long long maxSteps, std::optional<bool> fast,
                                                   int threads, py::object progress) {
  // The run goes in a copy: the flow stays as it is for the next run.
  auto after = std::make_shared<Flow>(flow);
  TModelState& s = after->State;
  if (!std::isfinite(maxResidence) || maxResidence < 0)
    ThrowInput("значение max_residence должно быть неотрицательным числом секунд: " + FormatGeneral(maxResidence));
  if (maxSteps < 0)
    ThrowInput("значение max_steps должно быть целым положительным числом: " + std::to_string(maxSteps));
  s.MaxResidence = maxResidence;
  s.Compute = ComputeOf(*after, fast, std::nullopt, threads, true);
  TConcentrationOptions run;
  run.Seed = SeedOf(seed);
  if (run.Seed.Kind == TSizeSeed::TKind::Clock) run.Seed = TSizeSeed::Fixed(ClockSeed());
  run.MaxSteps = maxSteps;
  run.ParticleStep = ParticleStepOf(particleStep);
  if (std::string error = CheckConcentrationArgs(s.Case(), s.Flow(), s.MaxResidence, particles, moments, moveVortices,
                                                 run.ParticleStep);
      !error.empty())
    ThrowInput(error);
  const bool flowComputed = ConcentrationFlowComputed(s.Flow(), moveVortices);
  PythonObserver observer(s.Control(), progress);
  observer.SetTotalParticles(static_cast<long long>(particles) * moments);
  s.StopConcentration = false;
  TOutcome outcome;
  {
    py::gil_scoped_release release;
    outcome = RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), observer, particles, moments,
                               moveVortices, run);
  }
  s.StopConcentration = false;
  observer.RaiseIfInterrupted();
  RaiseUnlessDone(outcome);
  auto result = std::make_shared<ConcentrationResult>();
  result->Json = ConcentrationRunJson(s, outcome.Ok(), flowComputed, run.ParticleStep.OwnSteps());
  result->Seed = run.Seed;
  result->After = after;
  return result;
}

// The numbers of one key of the result as a NumPy array, or None.
py::object ResultArray(const ConcentrationResult& r, const char* key, const char* field) {
  const nlohmann::json& list = r.Json.value(key, nlohmann::json());
  if (!list.is_array()) return py::none();
  py::array_t<double> a(static_cast<py::ssize_t>(list.size()));
  for (std::size_t k = 0; k < list.size(); ++k) {
    const nlohmann::json& v = list[k][field];
    a.mutable_data()[k] = v.is_number() ? v.get<double>() : std::nan("");
  }
  return a;
}

struct SweepResult {
  std::string Field;
  int Fractions = 0;
  std::vector<TStudyRow> Rows;
};

std::shared_ptr<SweepResult> Sweep(const Case& c, const std::string& param, const std::vector<double>& values,
                                   int particles, int moments, const py::object& seed, bool moveVortices,
                                   const py::object& particleStep, double maxResidence, std::optional<double> maxTime,
                                   std::optional<double> dt, std::optional<int> maxFree, std::optional<bool> fast,
                                   std::optional<bool> exhaust, int threads, py::object progress) {
  TStudy study;
  study.Case = c.File.Case;
  study.InflowSpeedGiven = c.File.InflowSpeedGiven;
  study.Field = param;
  study.Values = values;
  study.Flow.Run = maxTime.has_value();
  study.Flow.MaxTime = maxTime.value_or(0.0);
  study.Flow.MaxFree = maxFree.value_or(c.File.Settings.MaxFree.value_or(std::stoi(DefaultMaxFreeVortexText)));
  study.Flow.Dt = dt.value_or(c.File.Settings.Dt.value_or(0.005));
  study.DtGiven = dt.has_value();
  study.Particles = particles;
  study.Moments = moments;
  study.MoveVortices = moveVortices;
  study.MaxResidence = maxResidence;
  study.Compute.Threads = threads;
  study.Compute.Fast = fast.value_or(c.File.Settings.FastConcentration.value_or(false));
  study.Compute.ExhaustVortices = exhaust.value_or(c.File.Settings.ExhaustRemoval.value_or(false));
  study.Run.Seed = SeedOf(seed);
  study.Run.ParticleStep = ParticleStepOf(particleStep);
  if (std::string error = CheckStudy(study); !error.empty()) ThrowInput(error);
  auto result = std::make_shared<SweepResult>();
  result->Field = param;
  result->Fractions = StudyFractionCount(study);
  TRunControl control;
  PythonObserver observer(control, progress);
  TOutcome outcome;
  {
    py::gil_scoped_release release;
    outcome = RunStudy(study, observer, result->Rows);
  }
  observer.RaiseIfInterrupted();
  RaiseUnlessDone(outcome);
  return result;
}

py::dict StudyRowDict(const TStudyRow& row) {
  py::dict d;
  d["value"] = row.Value;
  d["seed"] = row.Seed;
  d["completed"] = row.Completed;
  d["flow_computed"] = row.FlowComputed;
  d["real_input_concentration"] = row.RealInputConcentration;
  d["output_concentration"] = row.OutputConcentration;
  d["output_concentration_se"] = row.OutputStdError;
  d["output_concentration_ci95"] = py::make_tuple(row.Output95.Low, row.Output95.High);
  d["penetration"] = row.Penetration;
  d["held_mass_share"] = row.HeldMassShare;
  d["outlet_shares"] = row.OutletShares;
  return d;
}

}  // namespace

}  // namespace ltr::python

using namespace ltr;
using namespace ltr::python;

PYBIND11_MODULE(ltr, m) {
  m.doc() = "The air flow in an aspiration enclosure by the discrete vortex method and the dust it carries";
  PYBIND11_NUMPY_DTYPE(VortexRow, x, y, gamma, bound);

  py::class_<CaseSection>(m, "CaseSection", "The enclosure or dust fields of a case, by name")
      .def("__getitem__", &CaseSection::Get)
      .def("__setitem__", &CaseSection::Set)
      .def("__contains__", &CaseSection::Has)
      .def("__len__", [](const CaseSection& s) { return s.Keys().size(); })
      .def("__iter__", [](const CaseSection& s) { return py::iter(py::cast(s.Keys())); })
      .def("keys", &CaseSection::Keys)
      .def("to_dict",
           [](const CaseSection& s) {
             py::dict d;
             for (const std::string& k : s.Keys()) d[py::str(k)] = s.Get(k);
             return d;
           })
      .def("__repr__", [](const CaseSection& s) {
        py::dict d;
        for (const std::string& k : s.Keys()) d[py::str(k)] = s.Get(k);
        return std::string(py::repr(d));
      });

  py::class_<Case, std::shared_ptr<Case>>(m, "Case",
                                          "A case: the enclosure, the separation switches and the dust. "
                                          "Case(), Case(dict of case-file keys), Case('file.json'); keyword "
                                          "arguments set fields by name as ltr-cli --set does.")
      .def(py::init(&MakeCase), py::arg("source") = py::none())
      .def_static("fields", &CaseFields, "Every field: section, name, unit, Russian caption, range, decimals")
      .def_property(
          "area",
          [](std::shared_ptr<Case> c) {
            return CaseSection{c, Section::Area};
          },
          [](Case& c, const py::dict& values) { SetSection(c, Section::Area, values); })
      .def_property(
          "dust",
          [](std::shared_ptr<Case> c) {
            return CaseSection{c, Section::Dust};
          },
          [](Case& c, const py::dict& values) { SetSection(c, Section::Dust, values); })
      .def_property(
          "separation",
          [](const Case& c) { return std::vector<bool>(c.File.Case.Enabled.begin(), c.File.Case.Enabled.end()); },
          [](Case& c, const std::vector<bool>& on) {
            if (on.size() != SeparationPointCount) ThrowInput("separation ожидает четыре значения");
            for (int i = 0; i < SeparationPointCount; ++i) c.File.Case.Enabled[i] = on[i];
          })
      .def_property(
          "fractions",
          [](const Case& c) {
            py::list l;
            for (const TFraction& f : c.File.Case.Dust.Fractions) l.append(py::make_tuple(f.Lower, f.Upper, f.Share));
            return l;
          },
          [](Case& c, const std::vector<std::tuple<double, double, double>>& list) {
            std::vector<TFraction> fractions;
            for (const auto& [lower, upper, share] : list) fractions.push_back({lower, upper, share});
            if (std::string error = FractionsError(fractions); !error.empty()) ThrowInput(error);
            c.File.Case.Dust.Fractions = fractions;
          })
      .def(
          "check", [](const Case& c) { (void)CompletedCase(c); },
          "Raises ValueError with the program's message when the case cannot be computed")
      .def("to_dict", [](const Case& c) { return ToPython(nlohmann::json::parse(CaseFileText(c.File))); })
      .def("save",
           [](const Case& c, const py::object& path) {
             const std::string name = py::str(py::module_::import("os").attr("fsdecode")(path));
             const TOutcome o = WriteCaseFile(name, c.File);
             if (!o) throw std::runtime_error(o.Message());
           })
      .def("copy", [](const Case& c) { return std::make_shared<Case>(c); })
      .def("__repr__", [](const Case& c) {
        return "ltr.Case(" + std::string(py::repr(ToPython(nlohmann::json::parse(CaseFileText(c.File))))) + ")";
      });

  py::class_<Flow, std::shared_ptr<Flow>>(m, "Flow", "The flow of a case: its discretization and vortices")
      .def(py::init(&MakeSteadyFlow), py::arg("case"), "The steady flow of the bound vortices of the case")
      .def_static("load", &LoadFlow, py::arg("path"), "A vortex structure file (.vrt, .evt)")
      .def("save",
           [](const Flow& f, const py::object& path) {
             const std::string name = py::str(py::module_::import("os").attr("fsdecode")(path));
             const TOutcome o = SaveVortexStructure(f.State.Case(), f.State.Flow(), name);
             if (!o) throw std::runtime_error(o.Message());
           })
      .def("run", &RunFlow, py::arg("max_time"), py::arg("dt") = py::none(), py::arg("max_free") = py::none(),
           py::arg("exhaust_removal") = py::none(), py::arg("fast") = py::none(), py::arg("threads") = 0,
           py::arg("progress") = py::none(),
           "A vortex run to max_time: from time 0 (Start) or on from the flow's time (Continue). Returns "
           "time, free_count, bound_count, steps, total_gamma as ltr-cli vortex prints them.")
      .def_property_readonly("vortices", &VortexArray)
      .def("velocity", &Velocity, py::arg("x"), py::arg("y"), "The air velocity (u, v) at the points")
      .def("field", &Field, py::arg("nx") = 100, py::arg("ny") = 70, py::arg("fast") = py::none(),
           py::arg("threads") = 0)
      .def_property_readonly("time", [](const Flow& f) { return f.State.Time; })
      .def_property_readonly("dt", [](const Flow& f) { return f.State.Dt; })
      .def_property_readonly("free_count", [](const Flow& f) { return f.State.FreeCount; })
      .def_property_readonly("bound_count", [](const Flow& f) { return f.State.BoundCount; })
      .def_property_readonly("exhausted_vortices", [](const Flow& f) { return f.State.ExhaustedVortexCount; })
      .def_property_readonly("computed", [](const Flow& f) { return FlowComputed(f.State.Flow()); })
      .def_property_readonly("case",
                             [](const Flow& f) {
                               auto c = std::make_shared<Case>();
                               c->File.Case = f.State.Case();
                               c->File.InflowSpeedGiven = true;
                               c->File.Settings = f.Settings;
                               return c;
                             })
      .def("copy", [](const Flow& f) { return std::make_shared<Flow>(f); });

  py::class_<ConcentrationResult, std::shared_ptr<ConcentrationResult>>(m, "ConcentrationResult")
      .def(
          "to_dict", [](const ConcentrationResult& r) { return ToPython(r.Json); },
          "Every number as ltr-cli concentration prints it")
      .def("__getitem__",
           [](const ConcentrationResult& r, const std::string& key) {
             if (!r.Json.contains(key)) throw py::key_error(key);
             return ToPython(r.Json[key]);
           })
      .def_property_readonly("seed",
                             [](const ConcentrationResult& r) -> py::object {
                               if (r.Seed.Kind == TSizeSeed::TKind::Value) return py::int_(r.Seed.Value);
                               return py::none();
                             })
      .def_property_readonly("stopped", [](const ConcentrationResult& r) { return r.Json["stopped"].get<bool>(); })
      .def_property_readonly("output_concentration",
                             [](const ConcentrationResult& r) { return ToPython(r.Json["output_concentration"]); })
      .def_property_readonly("real_input_concentration",
                             [](const ConcentrationResult& r) { return ToPython(r.Json["real_input_concentration"]); })
      .def_property_readonly(
          "penetration",
          [](const ConcentrationResult& r) { return ToPython(r.Json.value("penetration", nlohmann::json())); })
      .def_property_readonly(
          "fates", [](const ConcentrationResult& r) { return ToPython(r.Json.value("fates", nlohmann::json())); })
      .def_property_readonly("grade_efficiency",
                             [](const ConcentrationResult& r) -> py::object {
                               if (!r.Json.contains("grade_efficiency")) return py::none();
                               py::dict d;
                               d["lower"] = ResultArray(r, "grade_efficiency", "lower");
                               d["upper"] = ResultArray(r, "grade_efficiency", "upper");
                               d["injected"] = ResultArray(r, "grade_efficiency", "injected");
                               d["exhausted"] = ResultArray(r, "grade_efficiency", "exhausted");
                               d["penetration"] = ResultArray(r, "grade_efficiency", "penetration");
                               return d;
                             })
      .def_property_readonly(
          "flow", [](const ConcentrationResult& r) { return r.After; },
          "The flow after the run (its free vortices moved with move_vortices)")
      .def("table", [](const ConcentrationResult& r) {
        // The grade-efficiency curve as a pandas DataFrame (pandas is optional).
        py::module_ pandas = py::module_::import("pandas");
        return pandas.attr("DataFrame")(ToPython(r.Json.value("grade_efficiency", nlohmann::json::array())));
      });

  m.def("concentration", &Concentration, py::arg("flow"), py::arg("particles") = DefaultParticleCount,
        py::arg("moments") = DefaultMomentCount, py::arg("seed") = py::none(), py::arg("move_vortices") = false,
        py::arg("particle_step") = py::none(), py::arg("max_residence") = DefaultMaxResidence, py::arg("max_steps") = 0,
        py::arg("fast") = py::none(), py::arg("threads") = 0, py::arg("progress") = py::none(),
        "The concentration run in the flow (a copy of it: the flow stays as it is); seed None draws one from "
        "the clock, 'none' takes the generator's fixed start sequence");

  py::class_<SweepResult, std::shared_ptr<SweepResult>>(m, "SweepResult")
      .def_property_readonly("rows",
                             [](const SweepResult& r) {
                               py::list l;
                               for (const TStudyRow& row : r.Rows) l.append(StudyRowDict(row));
                               return l;
                             })
      .def(
          "to_csv",
          [](const SweepResult& r) {
            std::string text = StudyCsvHeader(r.Fractions);
            for (const TStudyRow& row : r.Rows) text += StudyCsvRow(r.Field, row, r.Fractions);
            return text;
          },
          "The CSV ltr-cli sweep writes");

  m.def("sweep", &Sweep, py::arg("case"), py::arg("param"), py::arg("values"),
        py::arg("particles") = DefaultParticleCount, py::arg("moments") = DefaultMomentCount,
        py::arg("seed") = py::none(), py::arg("move_vortices") = false, py::arg("particle_step") = py::none(),
        py::arg("max_residence") = DefaultMaxResidence, py::arg("max_time") = py::none(), py::arg("dt") = py::none(),
        py::arg("max_free") = py::none(), py::arg("fast") = py::none(), py::arg("exhaust_removal") = py::none(),
        py::arg("threads") = 0, py::arg("progress") = py::none(),
        "The concentration run for each value of one field, as ltr-cli sweep");
}
