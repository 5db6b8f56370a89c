#pragma once
// A TLS front for a server of the tests on loopback: connections made to it
// over TLS ("ssl:127.0.0.1:port") are passed on, decrypted, to the server,
// which then speaks to the search over TLS whatever it is. It is a socat
// process, stopped by the destructor, so a failing test never leaves it
// running.

#include <sys/types.h>

#include <string>

class TTlsRelay {
public:
  // Starts it in front of the server at Port on loopback; throws
  // std::runtime_error when it cannot be started.
  explicit TTlsRelay(int Port);
  ~TTlsRelay();
  TTlsRelay(const TTlsRelay&) = delete;
  TTlsRelay& operator=(const TTlsRelay&) = delete;

  // As ZOOM takes it: "ssl:127.0.0.1:port".
  std::string Host() const { return "ssl:127.0.0.1:" + std::to_string(FPort); }

private:
  void RemoveFiles();

  pid_t FPid = -1;
  int FPort = 0;
  std::string FDir;
};
