#pragma once
// A figure measured in a fresh process: the benchmark program runs itself
// again, with arguments that name the side to measure, and reads what the
// side printed or what it used.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

// Runs this program again with Args (Args[0] its name). Out, when given,
// receives what it printed on its standard output, else that goes where this
// program's goes; Usage, when given, what it used. False when it could not be
// started or did not end with status 0.
inline bool RunSelf(std::vector<std::string> Args, std::string* Out = nullptr, rusage* Usage = nullptr) {
  int out[2] = {-1, -1};
  if (Out && pipe(out) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (Out) {
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
  }
  std::vector<char*> argv;
  for (std::string& a : Args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const bool started = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (Out) {
    close(out[1]);
    char buf[256];
    for (ssize_t got; started && (got = read(out[0], buf, sizeof buf)) != 0;)
      if (got > 0) Out->append(buf, static_cast<size_t>(got));
      else if (errno != EINTR) break;
    close(out[0]);
  }
  int status = 0;
  rusage usage{};
  if (!started || wait4(pid, &status, 0, &usage) != pid) return false;
  if (Usage) *Usage = usage;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
