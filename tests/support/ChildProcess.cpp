#include "tests/support/ChildProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

pid_t SpawnQuietly(const char* File, std::vector<std::string> Args) {
  std::vector<char*> argv;
  for (std::string& a : Args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  // A test runner started in the background ignores SIGINT, and an ignored
  // signal is inherited: give the child the default handling back.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t def, none;
  sigemptyset(&def);
  sigaddset(&def, SIGINT);
  sigaddset(&def, SIGTERM);
  sigaddset(&def, SIGPIPE);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attr, &def);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = -1;
  const int rc = ::posix_spawnp(&pid, File, &fa, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&fa);
  return rc == 0 ? pid : -1;
}

bool CanConnectOnLoopback(int Port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return false;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(Port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(s);
  return ok;
}

void StopChild(pid_t& Pid, int Signal) {
  if (Pid <= 0) return;
  ::kill(Pid, Signal);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  int status = 0;
  while (::waitpid(Pid, &status, WNOHANG) != Pid) {
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(Pid, SIGKILL);
      ::waitpid(Pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  Pid = -1;
}
