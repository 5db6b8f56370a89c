#include "tests/support/TlsRelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/support/TlsTestKey.h"
#include "tests/support/ZTestServer.h"

extern char** environ;

namespace {

bool Listening(int Port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(Port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = s >= 0 && ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  if (s >= 0) ::close(s);
  return ok;
}

}  // namespace

TTlsRelay::TTlsRelay(int Port) {
  char tmpl[] = "/tmp/tlsrelay.XXXXXX";
  if (!::mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
  FDir = tmpl;
  std::ofstream(FDir + "/tls.pem") << kTlsTestPem;
  FPort = ZTestServer::FreePort();
  std::vector<std::string> args = {
      "socat",
      "OPENSSL-LISTEN:" + std::to_string(FPort) + ",bind=127.0.0.1,reuseaddr,fork,verify=0,cert=" + FDir + "/tls.pem",
      "TCP:127.0.0.1:" + std::to_string(Port)};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  const int rc = ::posix_spawnp(&FPid, "socat", &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) {
    FPid = -1;
    throw std::runtime_error("socat could not be started");
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!Listening(FPort)) {
    int status = 0;
    if (std::chrono::steady_clock::now() > deadline || ::waitpid(FPid, &status, WNOHANG) == FPid)
      throw std::runtime_error("the TLS relay is not listening");
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

TTlsRelay::~TTlsRelay() {
  if (FPid > 0) {
    // Its forked children, one a connection, end with it.
    ::kill(FPid, SIGTERM);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (::waitpid(FPid, &status, WNOHANG) != FPid) {
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(FPid, SIGKILL);
        ::waitpid(FPid, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  ::unlink((FDir + "/tls.pem").c_str());
  ::rmdir(FDir.c_str());
}
