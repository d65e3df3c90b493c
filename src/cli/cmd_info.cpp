// ltr-cli info: the header of a vortex structure file, after the file passed
// every check a load makes.

#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/common.h"
#include "io/vortex_file.h"
#include "model/fields.h"

namespace ltr::cli {

namespace {

// The stored signature as JSON text: printable ASCII as it is, any other byte
// as U+FFFD, since the signature of a file is not checked.
std::string SignatureText(const TVortexFileHeader& h) {
  std::string text;
  for (char c : h.Signature) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F)
      text += c;
    else
      text += "\xEF\xBF\xBD";
  }
  return text;
}

}  // namespace

void RegisterInfo(CLI::App& app) {
  auto file = std::make_shared<std::string>();
  CLI::App* sub = app.add_subcommand("info", "check a vortex structure file and print its header");
  sub->add_option("FILE", *file, "vortex structure file (.vrt, .evt)")->required();
  sub->callback([file] {
    TVortexFileContent content;
    std::string error;
    if (!ReadVortexStructure(*file, content, error)) throw InputError(EchoNames(error, {*file}));
    const TVortexFileHeader& h = content.Header;
    nlohmann::json j;
    j["signature"] = SignatureText(h);
    j["signature_matches"] =
        std::string(h.Signature.data(), h.Signature.size()) == std::string(VortexFileSignature);
    j["version"] = h.Version;
    for (const TAreaField& field : AreaFields) j[field.Name] = h.Area.*field.Member;
    j["separation"] = h.Enabled;
    j["free_count"] = h.FreeCount;
    j["time"] = h.Time;
    j["dt"] = h.Dt;
    j["max_free_vortex"] = h.MaxFreeVortex;
    j["bound_count"] = content.BoundCount;
    j["file_size"] = VortexFileSize(content.BoundCount, h.FreeCount);
    PrintJson(j);
  });
}

}  // namespace ltr::cli
