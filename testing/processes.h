// Programs of the project started as separate processes, so that tests can
// run two stations at once, or kill one half-way.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// The built executable of a tool ("mirtosek", "kepdata", "divivovi").
inline std::string ToolPath(const std::string& name) {
  return std::string(std::getenv("KEP_TEST_BIN_DIR")) + "/tools/" + name;
}

// Starts program with args; env entries ("NAME=value") are added to the
// test's environment. Standard input is /dev/null, standard output and
// error go to err_path.
inline pid_t StartProcessIn(const std::string& program, const std::vector<std::string>& args,
                            const std::vector<std::string>& env,
                            const std::vector<std::string>& unset, const std::string& cwd,
                            const std::string& out_path, const std::string& err_path);

inline pid_t StartProcess(const std::string& program, const std::vector<std::string>& args,
                          const std::vector<std::string>& env, const std::string& err_path) {
  return StartProcessIn(program, args, env, {}, "", err_path, err_path);
}

// The same with the process started in folder cwd (empty: the test's), its
// standard output in out_path and its standard error in err_path (one file
// when they are the same), and the variables named in unset removed from its
// environment.
inline pid_t StartProcessIn(const std::string& program, const std::vector<std::string>& args,
                            const std::vector<std::string>& env,
                            const std::vector<std::string>& unset, const std::string& cwd,
                            const std::string& out_path, const std::string& err_path) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  for (const std::string& name : unset) ::unsetenv(name.c_str());
  for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
  if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(126);
  const int in = ::open("/dev/null", O_RDONLY);
  const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err =
      err_path == out_path ? out : ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ::dup2(in, 0);
  ::dup2(out, 1);
  ::dup2(err, 2);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execv(program.c_str(), argv.data());
  ::_exit(127);
}

// How a process ended: its exit status, or the signal that ended it.
struct Ending {
  bool timed_out = false;
  int exit_status = -1;  // when it exited
  int signal = 0;        // when a signal ended it
};

// Waits at most timeout for the process; one that is still running then is
// killed and reported as timed out.
inline Ending WaitForProcess(pid_t pid, std::chrono::milliseconds timeout) {
  Ending ending;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      ending.timed_out = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (WIFEXITED(status)) ending.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) ending.signal = WTERMSIG(status);
  return ending;
}

// The environment of a mirtosek run as the suite's menu sets it.
inline std::vector<std::string> MirtosekEnvironment(const std::string& root, const std::string& exe,
                                                    const std::string& tmp) {
  return {"KEPROOT=" + root, "KEPEXE=" + exe, "KEPTMP=" + tmp};
}

// Prints a figure of a reliability test (kills survived, records compared,
// inputs tried) and keeps it in the build's "reliability_figures.txt", which
// the test script shows at its end.
inline void ReportFigure(const std::string& line) {
  std::printf("%s\n", line.c_str());
  if (FILE* f = std::fopen(
          (std::string(std::getenv("KEP_TEST_BIN_DIR")) + "/reliability_figures.txt").c_str(),
          "a")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

}  // namespace testing_support
