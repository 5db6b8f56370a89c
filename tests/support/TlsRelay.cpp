#include "tests/support/TlsRelay.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "tests/support/ChildProcess.h"
#include "tests/support/TlsTestKey.h"
#include "tests/support/ZTestServer.h"

TTlsRelay::TTlsRelay(int Port) {
  char tmpl[] = "/tmp/tlsrelay.XXXXXX";
  if (!::mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
  FDir = tmpl;
  std::ofstream(FDir + "/tls.pem") << kTlsTestPem;
  FPort = ZTestServer::FreePort();
  FPid = SpawnQuietly("socat", {"socat",
                                "OPENSSL-LISTEN:" + std::to_string(FPort) +
                                    ",bind=127.0.0.1,reuseaddr,fork,verify=0,cert=" + FDir + "/tls.pem",
                                "TCP:127.0.0.1:" + std::to_string(Port)});
  if (FPid < 0) {
    RemoveFiles();
    throw std::runtime_error("socat could not be started");
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!CanConnectOnLoopback(FPort)) {
    int status = 0;
    if (::waitpid(FPid, &status, WNOHANG) == FPid) FPid = -1;  // ended: nothing to stop
    if (FPid < 0 || std::chrono::steady_clock::now() > deadline) {
      StopChild(FPid, SIGTERM);
      RemoveFiles();
      throw std::runtime_error("the TLS relay is not listening");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

TTlsRelay::~TTlsRelay() {
  // Its forked children, one a connection, end with it.
  StopChild(FPid, SIGTERM);
  RemoveFiles();
}

void TTlsRelay::RemoveFiles() {
  ::unlink((FDir + "/tls.pem").c_str());
  ::rmdir(FDir.c_str());
}
