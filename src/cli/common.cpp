#include "cli/common.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <set>
#include <system_error>

#include "cli/run_options.h"
#include "io/file_access.h"
#include "model/discretization.h"
#include "model/fields.h"
#include "model/validation.h"
#include "numerics/number_text.h"
#include "numerics/parallel.h"
#include "solver/vortex_run.h"

namespace ltr::cli {

namespace {

// The largest case file read; anything larger cannot be a case of this program.
constexpr std::size_t MaxCaseFileSize = 1024 * 1024;
constexpr const char* MaxCaseFileSizeText = "1 МБ";

// A name or text from the input as it is echoed in a message: at most
// EchoLength characters (a longer one is cut and ends in "…"), control
// characters shown as "?".
constexpr std::size_t EchoLength = 60;

double JsonNumber(const nlohmann::json& v, const std::string& where) {
  if (!v.is_number()) throw InputError("значение " + where + " не является числом");
  const double d = v.get<double>();
  if (!std::isfinite(d)) throw InputError("значение " + where + " не является конечным числом");
  return d;
}

void ReadFractions(const nlohmann::json& list, TDustParams& dust) {
  if (!list.is_array()) throw InputError("поле dust.Fractions должно быть списком фракций");
  std::vector<TFraction> fractions;
  for (size_t i = 0; i < list.size(); ++i) {
    const nlohmann::json& item = list[i];
    const std::string where = "dust.Fractions[" + std::to_string(i) + "]";
    if (!item.is_object()) throw InputError("элемент " + where + " должен быть объектом");
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
        throw InputError("неизвестное поле " + where + "." + Echo(key));
      }
    }
    if (!has[0] || !has[1] || !has[2])
      throw InputError("во фракции " + where + " нужны поля Lower, Upper и Share");
    fractions.push_back(f);
  }
  dust.Fractions = fractions;
}

// The whole case file, read only when it is a regular file of at most
// MaxCaseFileSize bytes (a folder, a FIFO or a device is refused at once).
std::string CaseFileText(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw InputError("не удалось открыть файл " + Echo(path) + ": " + SystemReason(errno));
  TFileDescriptor file(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw InputError("не удалось открыть файл " + Echo(path) + ": " + SystemReason(errno));
  if (S_ISDIR(st.st_mode))
    throw InputError("не удалось открыть файл " + Echo(path) + ": " + SystemReason(EISDIR));
  if (!S_ISREG(st.st_mode))
    throw InputError("не удалось открыть файл " + Echo(path) + ": по этому пути находится не обычный файл");
  if (static_cast<std::uintmax_t>(st.st_size) > MaxCaseFileSize)
    throw InputError(std::string("файл ") + Echo(path) + " больше допустимого размера файла варианта (" +
                     MaxCaseFileSizeText + ")");
  // One byte more than the limit shows a file that has grown since.
  std::string text(MaxCaseFileSize + 1, '\0');
  int err = 0;
  const std::size_t got = ReadFully(fd, reinterpret_cast<std::uint8_t*>(text.data()), text.size(), err);
  if (err != 0) throw InputError("не удалось прочитать файл " + Echo(path) + ": " + SystemReason(err));
  if (got > MaxCaseFileSize)
    throw InputError(std::string("файл ") + Echo(path) + " больше допустимого размера файла варианта (" +
                     MaxCaseFileSizeText + ")");
  text.resize(got);
  return text;
}

// A key given twice in one object of a case file: the reader would keep the
// last value and drop the first without a word.
struct DuplicateKey {
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
      if (!keys.back().insert(key).second) throw DuplicateKey{std::move(key)};
    }
    return true;
  };
  return nlohmann::json::parse(text, callback);
}

}  // namespace

std::string Echo(const std::string& text) {
  std::string out;
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    // The length of the UTF-8 sequence starting here; a stray byte counts as one.
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (i + n > text.size()) n = 1;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) n = 1;
    if (chars == EchoLength) return out + "…";
    if (n == 1 && (c < 0x20 || c >= 0x7F)) out += '?';
    else out.append(text, i, n);
    i += n;
    ++chars;
  }
  return out;
}

CLI::Validator NonEmpty() {
  return CLI::Validator(
      [](std::string& value) { return value.empty() ? std::string("пустое значение не допускается") : std::string(); },
      "", "NonEmpty");
}

void AddCaseOptions(CLI::App& app, CaseOptions& options) {
  app.add_option("--case", options.caseFile, "case file (JSON: area, separation, dust)")->check(NonEmpty());
  app.add_option("--set", options.sets, "NAME=VALUE: one numeric field of the enclosure or the dust")
      ->take_all();
  app.add_option("--separation", options.separation,
                 "four 0/1 switches of the separation points, e.g. 0111")
      ->check(NonEmpty());
  app.add_option("--threads", options.threads,
                 "threads of the particle steps and vortex moves (default: all cores); results do "
                 "not depend on it");
  app.add_flag("--fast", options.fast,
               "fast mode: velocity sums of particles and free vortices in double precision, "
               "vectorised (results differ from the exact mode in the last digits)");
  app.add_flag("--exhaust-removal", options.exhaustVortices,
               "free vortices leave the flow through the exhaust opening, with their circulation; "
               "without it every free vortex stays");
}

void ReadCaseFile(const std::string& path, TCase& s, bool& inflowSpeedGiven) {
  const std::string text = CaseFileText(path);
  // The JSON reader takes a NUL byte for the end of its input: what follows
  // one would go unread.
  if (text.find('\0') != std::string::npos)
    throw InputError("файл " + Echo(path) + " не является корректным JSON: в нем нулевой байт");
  nlohmann::json j;
  try {
    j = ParseWithoutDuplicateKeys(text);
  } catch (const nlohmann::json::exception& e) {
    throw InputError("файл " + Echo(path) + " не является корректным JSON");
  } catch (const DuplicateKey& e) {
    throw InputError("в файле " + Echo(path) + " поле " + Echo(e.key) + " задано дважды");
  }
  if (!j.is_object()) throw InputError("файл " + Echo(path) + " должен содержать объект JSON");
  for (const auto& [key, value] : j.items()) {
    if (key == "area") {
      if (!value.is_object()) throw InputError("поле area должно быть объектом");
      for (const auto& [name, v] : value.items()) {
        const TAreaField* field = FindAreaField(name);
        if (field == nullptr) throw InputError("неизвестное поле area." + Echo(name));
        s.Area.*(field->Member) = JsonNumber(v, "area." + name);
        if (field->Member == &TAreaParams::InflowSpeed) inflowSpeedGiven = true;
      }
    } else if (key == "dust") {
      if (!value.is_object()) throw InputError("поле dust должно быть объектом");
      for (const auto& [name, v] : value.items()) {
        if (name == "Fractions") {
          ReadFractions(v, s.Dust);
          continue;
        }
        const TDustField* field = FindDustField(name);
        if (field == nullptr) throw InputError("неизвестное поле dust." + Echo(name));
        s.Dust.*(field->Member) = JsonNumber(v, "dust." + name);
      }
    } else if (key == "separation") {
      if (!value.is_array() || value.size() != SeparationPointCount)
        throw InputError("поле separation должно быть списком из четырех логических значений");
      for (int i = 0; i < SeparationPointCount; ++i) {
        if (!value[i].is_boolean())
          throw InputError("поле separation должно быть списком из четырех логических значений");
        s.Enabled[i] = value[i].get<bool>();
      }
    } else {
      throw InputError("неизвестное поле " + Echo(key) + " в файле " + Echo(path));
    }
  }
}

void ApplySet(const std::string& assignment, TCase& s, bool& inflowSpeedGiven) {
  const size_t eq = assignment.find('=');
  if (eq == std::string::npos) throw InputError("--set ожидает NAME=VALUE, получено: " + Echo(assignment));
  const std::string name = assignment.substr(0, eq);
  const std::string text = assignment.substr(eq + 1);
  Extended value;
  if (!ParseReal(text, value) || !std::isfinite(static_cast<double>(value)))
    throw InputError("значение поля " + Echo(name) + " не является числом: " + Echo(text));
  if (const TAreaField* area = FindAreaField(name); area != nullptr) {
    s.Area.*(area->Member) = ToDouble(value);
    if (area->Member == &TAreaParams::InflowSpeed) inflowSpeedGiven = true;
  } else if (const TDustField* dust = FindDustField(name); dust != nullptr) {
    s.Dust.*(dust->Member) = ToDouble(value);
  } else {
    throw InputError("неизвестное поле " + Echo(name));
  }
}

void ApplyCase(const CaseOptions& options, TModelState& s) {
  bool inflowSpeedGiven = false;
  if (!options.caseFile.empty()) ReadCaseFile(options.caseFile, s, inflowSpeedGiven);
  for (const std::string& assignment : options.sets) ApplySet(assignment, s, inflowSpeedGiven);
  if (!options.separation.empty()) {
    if (options.separation.size() != SeparationPointCount ||
        options.separation.find_first_not_of("01") != std::string::npos)
      throw InputError("--separation ожидает четыре знака 0 или 1, например 0111");
    for (int i = 0; i < SeparationPointCount; ++i) s.Enabled[i] = options.separation[i] == '1';
  }
  if (!inflowSpeedGiven) s.Area.InflowSpeed = DerivedInflowSpeed(s.Area);
  // The checks of the two dialogs, with their words.
  if (std::string error = AreaParamsError(s.Area); !error.empty()) throw InputError(error);
  if (std::string error = FractionCountError(static_cast<long long>(s.Dust.Fractions.size())); !error.empty())
    throw InputError(error);
  if (std::string error = FractionsError(s.Dust.Fractions); !error.empty()) throw InputError(error);
  if (std::string error = DustParamsError(s.Dust); !error.empty()) throw InputError(error);
  if (!options.threads.empty()) s.Compute.Threads = IntegerOption("--threads", options.threads, 1, MaxThreads);
  s.Compute.Fast = options.fast;
  s.Compute.ExhaustVortices = options.exhaustVortices;
  BuildArea(s.Area, s.Flow());
}

double RealOption(const std::string& name, const std::string& text) {
  Extended value;
  if (!ParseReal(text, value)) throw InputError("значение " + name + " не является числом: " + Echo(text));
  const double d = ToDouble(value);
  if (!std::isfinite(d)) throw InputError("значение " + name + " не является конечным числом: " + Echo(text));
  return d;
}

int IntegerOption(const std::string& name, const std::string& text, int low, int high) {
  int value = 0;
  if (!ParseInteger(text, value)) throw InputError("значение " + name + " не является целым числом: " + Echo(text));
  if (value < low || value > high)
    throw InputError("значение " + name + " должно быть от " + std::to_string(low) + " до " +
                     std::to_string(high) + ": " + Echo(text));
  return value;
}

nlohmann::json VortexList(const TFlow& s) {
  nlohmann::json list = nlohmann::json::array();
  for (int k = 0; k < s.BoundCount + s.FreeCount; ++k) {
    const TVortex& v = s.Vortices[k];
    list.push_back({ToDouble(v.Pos.X), ToDouble(v.Pos.Y), ToDouble(v.Gamma)});
  }
  return list;
}

namespace {

bool AllNumbersFinite(const nlohmann::json& j) {
  if (j.is_number_float()) return std::isfinite(j.get<double>());
  if (j.is_structured()) {
    for (const nlohmann::json& item : j)
      if (!AllNumbersFinite(item)) return false;
  }
  return true;
}

}  // namespace

void PrintJson(const nlohmann::json& j) {
  // A number that is not finite would print as null: a result that says
  // nothing, with exit status 0. (A value that is deliberately absent is
  // written as null, not as a NaN.)
  if (!AllNumbersFinite(j)) throw RunFailure(NonFiniteResultText("Результат не выведен"));
  errno = 0;
  std::cout << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
  if (!std::cout) throw RunFailure("не удалось вывести результат: " + SystemReason(errno != 0 ? errno : EIO));
}

std::string EchoNames(std::string message, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    const std::string echo = Echo(name);
    if (name.empty() || echo == name) continue;
    for (std::size_t at = message.find(name); at != std::string::npos; at = message.find(name, at + echo.size()))
      message.replace(at, name.size(), echo);
  }
  return message;
}

OutputFile TextOutput(const std::string& option, const std::string& name) {
  return {option, name, "не удалось записать файл " + Echo(name), {}};
}

void CheckOutputs(const std::vector<OutputFile>& outputs) {
  namespace fs = std::filesystem;
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const OutputFile& o = outputs[i];
    if (std::string reason = OutputFileError(o.name); !reason.empty()) throw InputError(o.failure + ": " + reason);
    for (std::size_t k = 0; k < i; ++k) {
      std::error_code e1, e2;
      if (fs::weakly_canonical(outputs[k].name, e1) == fs::weakly_canonical(o.name, e2))
        throw InputError(outputs[k].option + " и " + o.option + " называют один и тот же файл: " + Echo(o.name));
    }
  }
}

void WriteOutputs(const std::vector<OutputFile>& outputs) {
  std::vector<TFileContents> files;
  for (const OutputFile& o : outputs) files.push_back({o.name, o.data});
  std::size_t failed = 0;
  std::string reason;
  if (!ReplaceFilesTogether(files, failed, reason)) throw RunFailure(outputs[failed].failure + ": " + reason);
}

}  // namespace ltr::cli
