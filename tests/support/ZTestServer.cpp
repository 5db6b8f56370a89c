#include "tests/support/ZTestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/Occurrences.h"
#include "tests/support/TlsTestKey.h"

namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in Loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

}  // namespace

int ZTestServer::FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) throw std::runtime_error("socket() failed");
  sockaddr_in a = Loopback(0);
  socklen_t len = sizeof a;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    close(s);
    throw std::runtime_error("no free loopback port");
  }
  close(s);
  return ntohs(a.sin_port);
}

ZTestServer::ZTestServer(bool Tls) {
  char tmpl[] = "/tmp/ztest.XXXXXX";
  if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
  FDir = tmpl;
  FLogPath = FDir + "/ztest.log";
  // The port is free when chosen but another process may take it before the
  // server binds it: then the server exits at once and we try another.
  if (Tls) std::ofstream(FDir + "/tls.pem") << kTlsTestPem;
  for (int attempt = 0; attempt < 5; ++attempt) {
    const int port = FreePort();
    const int tlsPort = Tls ? FreePort() : 0;
    if (!Spawn(port, tlsPort)) break;
    if (WaitListening(port) && (!Tls || WaitListening(tlsPort))) {
      FPort = port;
      FTlsPort = tlsPort;
      return;
    }
    Stop();
  }
  Stop();
  throw std::runtime_error("yaz-ztest could not be started");
}

ZTestServer::~ZTestServer() {
  Stop();
  if (!FDir.empty()) {
    unlink(FLogPath.c_str());
    unlink((FDir + "/tls.pem").c_str());
    rmdir(FDir.c_str());
  }
}

bool ZTestServer::Spawn(int Port, int TlsPort) {
  const std::string listen = "tcp:" + std::string(Host()) + ":" + std::to_string(Port);
  std::vector<std::string> args = {"yaz-ztest", "-T", "-l", FLogPath, listen};
  if (TlsPort > 0)
    args.insert(args.end(), {"-C", FDir + "/tls.pem", "ssl:" + std::string(Host()) + ":" + std::to_string(TlsPort)});
  FPid = SpawnQuietly("yaz-ztest", std::move(args));
  return FPid > 0;
}

bool ZTestServer::WaitListening(int Port) {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < deadline) {
    int status = 0;
    if (waitpid(FPid, &status, WNOHANG) == FPid) {
      FPid = -1;  // exited: most likely the port was taken
      return false;
    }
    if (CanConnectOnLoopback(Port)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

void ZTestServer::Stop() { StopChild(FPid, SIGINT); }

std::string ZTestServer::Log() const {
  std::ifstream in(FLogPath);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::size_t ZTestServer::Requests(const std::string& Kind) const {
  return Occurrences(Log(), "[request] " + Kind + " ");
}
