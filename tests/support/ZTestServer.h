#pragma once
// A yaz-ztest process on a free loopback port for end-to-end tests. The
// database "Default" answers, "Slow<n>" answers after n seconds, any other
// database gives diagnostic 109; a numeric term gives that many hits.
// The server is stopped by the destructor, so a failing test never leaves it
// running.

#include <sys/types.h>

#include <cstddef>
#include <string>

#include "lendsrv/ZSearch.h"

class ZTestServer {
public:
  // Starts the server; throws std::runtime_error when it cannot be started.
  // With Tls it also listens for connections over TLS, at TlsPort.
  explicit ZTestServer(bool Tls = false);
  ~ZTestServer();
  ZTestServer(const ZTestServer&) = delete;
  ZTestServer& operator=(const ZTestServer&) = delete;

  static const char* Host() { return "127.0.0.1"; }
  int Port() const { return FPort; }
  // Its port for connections over TLS ("ssl:127.0.0.1:port"); 0 without.
  int TlsPort() const { return FTlsPort; }
  // What the server logged so far (its -l file): one line per request.
  std::string Log() const;
  // How many requests of Kind ("Search", "Present") it has logged so far.
  std::size_t Requests(const std::string& Kind) const;
  // A search of its database "Default" in USMARC at Port: the server's own,
  // or a relay's in front of it.
  static TZConnectionParams Params(int Port) {
    TZConnectionParams p;
    p.Host = Host();
    p.Port = Port;
    p.Database = "Default";
    p.Syntax = "USMARC";
    return p;
  }
  // SIGINT, then SIGKILL if it has not ended within a second. Idempotent.
  void Stop();

  // A loopback port that nothing listens on at the moment of the call.
  static int FreePort();

private:
  bool Spawn(int Port, int TlsPort);
  bool WaitListening(int Port);

  pid_t FPid = -1;
  int FPort = 0;
  int FTlsPort = 0;
  std::string FDir;
  std::string FLogPath;
};
