// ltr-cli: the headless face of the program. Each subcommand runs one of the
// program's computations and prints its result as one JSON object on stdout.

#include <csignal>
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "cli/common.h"
#include "ltr/version.h"
#include "cli/run_options.h"

int main(int argc, char** argv) {
  // A file size limit makes a write fail with EFBIG, reported in one line,
  // instead of ending the program without a word.
  std::signal(SIGXFSZ, SIG_IGN);
  CLI::App app{std::string(ltr::ApplicationName) +
                   ": расчет концентрации пыли в аспирационном укрытии (командная строка)",
               "ltr-cli"};
  app.set_version_flag("--version", std::string("ltr-cli ") + ltr::VersionText, "print the version and exit");
  app.require_subcommand(1);
  ltr::cli::RegisterDiscretize(app);
  ltr::cli::RegisterInfo(app);
  ltr::cli::RegisterVortex(app);
  ltr::cli::RegisterStreamline(app);
  ltr::cli::RegisterConcentration(app);
  ltr::cli::RegisterSweep(app);
  ltr::cli::RegisterField(app);
#ifdef LTR_HAVE_VIEW
  ltr::cli::RegisterRender(app);
#endif
  // A first word that names no command is named in the refusal.
  if (argc > 1 && argv[1][0] != '-') {
    const std::string word = argv[1];
    std::string known;
    bool found = false;
    for (const CLI::App* sub : app.get_subcommands({})) {
      found = found || sub->check_name(word);
      known += (known.empty() ? "" : ", ") + sub->get_name();
    }
    if (!found) {
      std::cerr << "ltr-cli: неизвестная команда " << ltr::cli::Echo(word) << " (команды: " << known << ")"
                << std::endl;
      return ltr::cli::ExitBadInput;
    }
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "ltr-cli: ошибка в аргументах: " << e.what() << std::endl;
    return ltr::cli::ExitBadInput;
  } catch (const ltr::cli::InputError& e) {
    std::cerr << "ltr-cli: " << e.what() << std::endl;
    return ltr::cli::ExitBadInput;
  } catch (const ltr::cli::RunFailure& e) {
    std::cerr << "ltr-cli: " << e.what() << std::endl;
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "ltr-cli: внутренняя ошибка: " << e.what() << std::endl;
    return 1;
  }
  return 0;
}
