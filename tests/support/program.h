// A program of ours run as a user runs it: its arguments, its working
// folder, its output and error text, its exit status.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace quervik::test {

struct Outcome {
  int status = -1;  // exit status, -1 when the program did not exit normally
  int signal = 0;   // the signal that ended it, if one did
  std::string out;
  std::string err;
};

class Program {
 public:
  explicit Program(std::string path) : path_(std::move(path)) {}

  // Starts the program with its output into files; `cwd` (unless empty) is
  // its working folder, and `fileSizeLimit` limits the size of the files it
  // writes, as `ulimit -f` does. Returns its process id (-1 on failure).
  pid_t Start(const std::vector<std::string>& args, const std::string& cwd = {},
              rlim_t fileSizeLimit = RLIM_INFINITY) {
    std::vector<std::string> argv{path_};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (std::string& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    const std::string out = io_ / "out", err = io_ / "err";
    const pid_t pid = ::fork();
    if (pid == 0) {
      // Only async-signal-safe calls between fork and exec.
      const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (o < 0 || e < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0) ::_exit(126);
      if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(126);
      const rlimit limit{fileSizeLimit, fileSizeLimit};
      if (fileSizeLimit != RLIM_INFINITY && ::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
      ::execve(cargv[0], cargv.data(), environ);
      ::_exit(127);
    }
    return pid;
  }

  // Waits for the program started last and collects what it did.
  Outcome Finish(pid_t pid) {
    Outcome r;
    int wstatus = 0;
    if (pid <= 0 || ::waitpid(pid, &wstatus, 0) != pid) return r;
    if (WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus)) r.signal = WTERMSIG(wstatus);
    r.out = ReadFile(io_ / "out");
    r.err = ReadFile(io_ / "err");
    return r;
  }

  Outcome Run(const std::vector<std::string>& args, const std::string& cwd = {}) {
    return Finish(Start(args, cwd));
  }

 private:
  std::string path_;
  TempDir io_;  // the program's stdout and stderr
};

}  // namespace quervik::test
