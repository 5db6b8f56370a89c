#pragma once
// The search processes this program started (the program's searches run in
// processes of their own, named "lendsrv"), as /proc shows them: so that a
// figure of the program's path counts the work and the memory of both
// processes, not of the benchmark's alone.
#include <sys/types.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// The ids of this process's children named "lendsrv", whichever thread
// started them.
inline std::vector<pid_t> SearchProcessIds() {
  std::vector<pid_t> ids;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
    std::ifstream children(task.path() / "children");
    for (pid_t pid = 0; children >> pid;) {
      std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
      std::string name;
      if (std::getline(comm, name) && name == "lendsrv") ids.push_back(pid);
    }
  }
  return ids;
}

// The CPU time the search processes alive now have spent so far, every
// thread's, in milliseconds.
inline double SearchProcessesCpuMs() {
  double ms = 0;
  for (const pid_t pid : SearchProcessIds()) {
    clockid_t clock{};
    timespec t{};
    if (clock_getcpuclockid(pid, &clock) == 0 && clock_gettime(clock, &t) == 0)
      ms += static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
  }
  return ms;
}

// The peak resident size of a process so far ("VmHWM"), in kilobytes; 0 when
// it cannot be read.
inline long PeakKb(const std::string& Pid) {
  std::ifstream status("/proc/" + Pid + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

// This process's peak and that of each of its search processes alive now,
// added up, in kilobytes: what a search's memory costs the machine. A search
// process keeps running once its search ended well, so it is read after the
// search.
inline long PeakWithSearchProcessesKb() {
  long kb = PeakKb("self");
  for (const pid_t pid : SearchProcessIds()) kb += PeakKb(std::to_string(pid));
  return kb;
}
