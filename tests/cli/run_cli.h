#pragma once
// Runs the built ltr-cli with arguments and collects its exit status, stdout
// and stderr, for the command-line tests.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ltr::testing {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string CliPath() {
  if (const char* env = std::getenv("LTR_CLI")) return env;
#ifdef LTR_CLI_PATH
  return LTR_CLI_PATH;
#else
  return "ltr-cli";
#endif
}

inline std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Runs ltr-cli with args (no shell involved); stdout and stderr go to
// temporary files that are read back. A fileSizeLimit above 0 limits the size
// of the files it writes (RLIMIT_FSIZE, bytes).
inline CliResult RunCli(const std::vector<std::string>& args, long fileSizeLimit = 0) {
  char outName[] = "/tmp/ltr-cli-out-XXXXXX";
  char errName[] = "/tmp/ltr-cli-err-XXXXXX";
  const int outFd = mkstemp(outName);
  const int errFd = mkstemp(errName);
  CliResult r;
  const pid_t pid = fork();
  if (pid == 0) {
    if (fileSizeLimit > 0) {
      const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    dup2(outFd, 1);
    dup2(errFd, 2);
    std::vector<std::string> all{CliPath()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  close(outFd);
  close(errFd);
  r.out = ReadWhole(outName);
  r.err = ReadWhole(errName);
  std::remove(outName);
  std::remove(errName);
  return r;
}

// The text of a PDF file as pdftotext (Debian's poppler-utils) reads it.
inline std::string PdfText(const std::string& path) {
  const std::string command = "pdftotext -enc UTF-8 '" + path + "' - 2>&1";
  std::string text;
  if (FILE* pipe = ::popen(command.c_str(), "r"); pipe != nullptr) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    ::pclose(pipe);
  }
  return text;
}

}  // namespace ltr::testing
