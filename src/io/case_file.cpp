#include "io/case_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>

#include "io/echo_text.h"
#include "io/file_access.h"
#include "model/fields.h"
#include "model/validation.h"

namespace ltr {

namespace {

constexpr const char* MaxCaseFileSizeText = "1 МБ";

// A refusal while reading: its message ends the reading.
struct TRefusal {
  std::string message;
};

double JsonNumber(const nlohmann::json& v, const std::string& where) {
  if (!v.is_number()) throw TRefusal{"значение " + where + " не является числом"};
  const double d = v.get<double>();
  if (!std::isfinite(d)) throw TRefusal{"значение " + where + " не является конечным числом"};
  return d;
}

int JsonInteger(const nlohmann::json& v, const std::string& where) {
  const double d = JsonNumber(v, where);
  if (d != std::floor(d) || d < std::numeric_limits<int>::min() || d > std::numeric_limits<int>::max())
    throw TRefusal{"значение " + where + " должно быть целым числом"};
  return static_cast<int>(d);
}

bool JsonBoolean(const nlohmann::json& v, const std::string& where) {
  if (!v.is_boolean()) throw TRefusal{"значение " + where + " должно быть true или false"};
  return v.get<bool>();
}

void ReadFractions(const nlohmann::json& list, TDustParams& dust) {
  if (!list.is_array()) throw TRefusal{"поле dust.Fractions должно быть списком фракций"};
  std::vector<TFraction> fractions;
  for (size_t i = 0; i < list.size(); ++i) {
    const nlohmann::json& item = list[i];
    const std::string where = "dust.Fractions[" + std::to_string(i) + "]";
    if (!item.is_object()) throw TRefusal{"элемент " + where + " должен быть объектом"};
    TFraction f;
    bool has[3] = {false, false, false};
    for (const auto& [key, value] : item.items()) {
      if (key == "Lower") {
        f.Lower = JsonNumber(value, where + ".Lower");
        has[0] = true;
      } else if (key == "Upper") {
        f.Upper = JsonNumber(value, where + ".Upper");
        has[1] = true;
      } else if (key == "Share") {
        f.Share = JsonNumber(value, where + ".Share");
        has[2] = true;
      } else {
        throw TRefusal{"неизвестное поле " + where + "." + EchoText(key)};
      }
    }
    if (!has[0] || !has[1] || !has[2]) throw TRefusal{"во фракции " + where + " нужны поля Lower, Upper и Share"};
    fractions.push_back(f);
  }
  dust.Fractions = fractions;
}

TParticleStepMode JsonParticleStep(const nlohmann::json& v) {
  if (v.is_string() && v.get<std::string>() == "described") return TParticleStepMode::Described();
  if (v.is_string() && v.get<std::string>() == "auto") return TParticleStepMode::Auto();
  if (v.is_number() && std::isfinite(v.get<double>()) && v.get<double>() > 0)
    return TParticleStepMode::FixedStep(v.get<double>());
  throw TRefusal{
      "значение concentration.particle_step должно быть \"described\", \"auto\" или положительным числом секунд"};
}

// The object `section` of the file, each key handled by `read`, which throws
// for a key it does not know.
template <typename Read>
void ReadSection(const nlohmann::json& value, const std::string& section, Read read) {
  if (!value.is_object()) throw TRefusal{"поле " + section + " должно быть объектом"};
  for (const auto& [key, v] : value.items()) {
    const std::string where = section + "." + key;
    if (!read(key, v, where)) throw TRefusal{"неизвестное поле " + section + "." + EchoText(key)};
  }
}

void ReadConcentration(const nlohmann::json& value, TCaseSettings& s) {
  ReadSection(value, "concentration", [&s](const std::string& key, const nlohmann::json& v, const std::string& where) {
    if (key == "particles") s.Particles = JsonInteger(v, where);
    else if (key == "moments") s.Moments = JsonInteger(v, where);
    else if (key == "move_vortices") s.MoveVortices = JsonBoolean(v, where);
    else if (key == "max_residence") s.MaxResidence = JsonNumber(v, where);
    else if (key == "particle_step") s.ParticleStep = JsonParticleStep(v);
    else if (key == "fast") s.FastConcentration = JsonBoolean(v, where);
    else return false;
    return true;
  });
}

void ReadVortexRun(const nlohmann::json& value, TCaseSettings& s) {
  ReadSection(value, "vortex_run", [&s](const std::string& key, const nlohmann::json& v, const std::string& where) {
    if (key == "max_free") s.MaxFree = JsonInteger(v, where);
    else if (key == "max_time") s.MaxTime = JsonNumber(v, where);
    else if (key == "dt") s.Dt = JsonNumber(v, where);
    else if (key == "fast") s.FastVortexRun = JsonBoolean(v, where);
    else if (key == "exhaust_removal") s.ExhaustRemoval = JsonBoolean(v, where);
    else return false;
    return true;
  });
}

void ReadFlowLine(const nlohmann::json& value, TCaseSettings& s) {
  ReadSection(value, "flow_line", [&s](const std::string& key, const nlohmann::json& v, const std::string& where) {
    if (key == "x") s.FlowLineX = JsonNumber(v, where);
    else if (key == "y") s.FlowLineY = JsonNumber(v, where);
    else if (key == "step") s.FlowLineStep = JsonNumber(v, where);
    else if (key == "max_len") s.FlowLineMaxLen = JsonNumber(v, where);
    else return false;
    return true;
  });
}

void ReadCase(const nlohmann::json& j, const std::string& name, TCaseFile& file) {
  if (!j.is_object()) throw TRefusal{"файл " + EchoText(name) + " должен содержать объект JSON"};
  for (const auto& [key, value] : j.items()) {
    if (key == "area") {
      if (!value.is_object()) throw TRefusal{"поле area должно быть объектом"};
      for (const auto& [field, v] : value.items()) {
        if (FindAreaField(field) == nullptr) throw TRefusal{"неизвестное поле area." + EchoText(field)};
        SetCaseField(file.Case, field, JsonNumber(v, "area." + field), file.InflowSpeedGiven);
      }
    } else if (key == "dust") {
      if (!value.is_object()) throw TRefusal{"поле dust должно быть объектом"};
      for (const auto& [field, v] : value.items()) {
        if (field == "Fractions") {
          ReadFractions(v, file.Case.Dust);
          continue;
        }
        if (FindDustField(field) == nullptr) throw TRefusal{"неизвестное поле dust." + EchoText(field)};
        SetCaseField(file.Case, field, JsonNumber(v, "dust." + field), file.InflowSpeedGiven);
      }
    } else if (key == "separation") {
      if (!value.is_array() || value.size() != SeparationPointCount)
        throw TRefusal{"поле separation должно быть списком из четырех логических значений"};
      for (int i = 0; i < SeparationPointCount; ++i) {
        if (!value[i].is_boolean())
          throw TRefusal{"поле separation должно быть списком из четырех логических значений"};
        file.Case.Enabled[i] = value[i].get<bool>();
      }
    } else if (key == "concentration") {
      ReadConcentration(value, file.Settings);
    } else if (key == "vortex_run") {
      ReadVortexRun(value, file.Settings);
    } else if (key == "flow_line") {
      ReadFlowLine(value, file.Settings);
    } else if (key == "vortex_file") {
      if (!value.is_string() || value.get<std::string>().empty())
        throw TRefusal{"поле vortex_file должно быть непустым именем файла"};
      file.VortexFile = value.get<std::string>();
    } else {
      throw TRefusal{"неизвестное поле " + EchoText(key) + " в файле " + EchoText(name)};
    }
  }
}

// The whole case file, read only when it is a regular file of at most
// MaxCaseFileSize bytes (a folder, a FIFO or a device is refused at once).
std::string WholeCaseFile(const std::string& path) {
  const std::string cannotOpen = "не удалось открыть файл " + EchoText(path) + ": ";
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw TRefusal{cannotOpen + SystemReason(errno)};
  TFileDescriptor file(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw TRefusal{cannotOpen + SystemReason(errno)};
  if (S_ISDIR(st.st_mode)) throw TRefusal{cannotOpen + SystemReason(EISDIR)};
  if (!S_ISREG(st.st_mode)) throw TRefusal{cannotOpen + "по этому пути находится не обычный файл"};
  const std::string tooLarge = std::string("файл ") + EchoText(path) +
                               " больше допустимого размера файла варианта (" + MaxCaseFileSizeText + ")";
  if (static_cast<std::uintmax_t>(st.st_size) > MaxCaseFileSize) throw TRefusal{tooLarge};
  // One byte more than the limit shows a file that has grown since.
  std::string text(MaxCaseFileSize + 1, '\0');
  int err = 0;
  const std::size_t got = ReadFully(fd, reinterpret_cast<std::uint8_t*>(text.data()), text.size(), err);
  if (err != 0) throw TRefusal{"не удалось прочитать файл " + EchoText(path) + ": " + SystemReason(err)};
  if (got > MaxCaseFileSize) throw TRefusal{tooLarge};
  text.resize(got);
  return text;
}

// A key given twice in one object of a case file: the reader would keep the
// last value and drop the first without a word.
struct TDuplicateKey {
  std::string key;
};

nlohmann::json ParseWithoutDuplicateKeys(const std::string& text) {
  std::vector<std::set<std::string>> keys;  // of each object being read
  const nlohmann::json::parser_callback_t callback = [&keys](int, nlohmann::json::parse_event_t event,
                                                             nlohmann::json& parsed) {
    using Event = nlohmann::json::parse_event_t;
    if (event == Event::object_start) {
      keys.emplace_back();
    } else if (event == Event::object_end) {
      if (!keys.empty()) keys.pop_back();
    } else if (event == Event::key && !keys.empty()) {
      std::string key = parsed.get<std::string>();
      if (!keys.back().insert(key).second) throw TDuplicateKey{std::move(key)};
    }
    return true;
  };
  return nlohmann::json::parse(text, callback);
}

}  // namespace

TOutcome ParseCaseText(const std::string& text, const std::string& name, TCaseFile& into) {
  // The JSON reader takes a NUL byte for the end of its input: what follows
  // one would go unread.
  if (text.find('\0') != std::string::npos)
    return TOutcome::Refusal("файл " + EchoText(name) + " не является корректным JSON: в нем нулевой байт");
  nlohmann::json j;
  try {
    j = ParseWithoutDuplicateKeys(text);
  } catch (const nlohmann::json::exception&) {
    return TOutcome::Refusal("файл " + EchoText(name) + " не является корректным JSON");
  } catch (const TDuplicateKey& e) {
    return TOutcome::Refusal("в файле " + EchoText(name) + " поле " + EchoText(e.key) + " задано дважды");
  }
  TCaseFile file = into;
  try {
    ReadCase(j, name, file);
  } catch (const TRefusal& r) {
    return TOutcome::Refusal(r.message);
  }
  into = std::move(file);
  return {};
}

TOutcome ReadCaseFile(const std::string& fileName, TCaseFile& into) {
  std::string text;
  try {
    text = WholeCaseFile(fileName);
  } catch (const TRefusal& r) {
    return TOutcome::Refusal(r.message);
  }
  return ParseCaseText(text, fileName, into);
}

std::string CaseFileText(const TCaseFile& file) {
  using Json = nlohmann::ordered_json;
  const TCase& c = file.Case;
  Json j;
  Json area = Json::object();
  for (const TAreaField& f : AreaFields)
    if (f.Member != &TAreaParams::InflowSpeed || file.InflowSpeedGiven) area[f.Name] = c.Area.*f.Member;
  j["area"] = std::move(area);
  j["separation"] = Json::array();
  for (bool on : c.Enabled) j["separation"].push_back(on);
  Json dust = Json::object();
  for (const TDustField& f : DustFields)
    if (f.Member != &TDustParams::ParticleDt) dust[f.Name] = c.Dust.*f.Member;
  dust["Fractions"] = Json::array();
  for (const TFraction& f : c.Dust.Fractions)
    dust["Fractions"].push_back({{"Lower", f.Lower}, {"Upper", f.Upper}, {"Share", f.Share}});
  j["dust"] = std::move(dust);

  const TCaseSettings& s = file.Settings;
  auto put = [](Json& section, const char* key, const auto& value) {
    if (value) section[key] = *value;
  };
  Json concentration = Json::object();
  put(concentration, "particles", s.Particles);
  put(concentration, "moments", s.Moments);
  put(concentration, "move_vortices", s.MoveVortices);
  put(concentration, "max_residence", s.MaxResidence);
  if (s.ParticleStep) {
    switch (s.ParticleStep->Kind) {
      case TParticleStepMode::TKind::Described: concentration["particle_step"] = "described"; break;
      case TParticleStepMode::TKind::Auto: concentration["particle_step"] = "auto"; break;
      case TParticleStepMode::TKind::Fixed: concentration["particle_step"] = s.ParticleStep->Value; break;
    }
  }
  put(concentration, "fast", s.FastConcentration);
  if (!concentration.empty()) j["concentration"] = std::move(concentration);
  Json vortexRun = Json::object();
  put(vortexRun, "max_free", s.MaxFree);
  put(vortexRun, "max_time", s.MaxTime);
  put(vortexRun, "dt", s.Dt);
  put(vortexRun, "fast", s.FastVortexRun);
  put(vortexRun, "exhaust_removal", s.ExhaustRemoval);
  if (!vortexRun.empty()) j["vortex_run"] = std::move(vortexRun);
  Json flowLine = Json::object();
  put(flowLine, "x", s.FlowLineX);
  put(flowLine, "y", s.FlowLineY);
  put(flowLine, "step", s.FlowLineStep);
  put(flowLine, "max_len", s.FlowLineMaxLen);
  if (!flowLine.empty()) j["flow_line"] = std::move(flowLine);
  if (!file.VortexFile.empty()) j["vortex_file"] = file.VortexFile;
  return j.dump(2) + "\n";
}

TOutcome WriteCaseFile(const std::string& fileName, const TCaseFile& file) {
  std::string reason;
  if (!ReplaceFileText(fileName, CaseFileText(file), reason))
    return TOutcome::Refusal("не удалось записать файл " + EchoText(fileName) + ": " + reason);
  return {};
}

std::string CompleteCase(TCaseFile& file) {
  if (!file.InflowSpeedGiven) file.Case.Area.InflowSpeed = DerivedInflowSpeed(file.Case.Area);
  return CaseError(file.Case);
}

std::string VortexFileBeside(const std::string& caseFileName, const std::string& vortexFile) {
  namespace fs = std::filesystem;
  const fs::path vortex(vortexFile);
  if (vortex.is_absolute()) return vortexFile;
  return (fs::path(caseFileName).parent_path() / vortex).string();
}

std::string VortexFileReference(const std::string& caseFileName, const std::string& vortexFile) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path folder = fs::absolute(fs::path(caseFileName), error).parent_path().lexically_normal();
  const fs::path vortex = fs::absolute(fs::path(vortexFile), error).lexically_normal();
  const fs::path relative = vortex.lexically_relative(folder);
  if (!relative.empty() && *relative.begin() != "..") return relative.string();
  return vortex.string();
}

}  // namespace ltr
