#pragma once
// A listening socket on a free loopback port, for the servers and relays that
// tests run on a thread of their own.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

// The socket, listening; Port gets its port. Throws std::runtime_error, naming
// What, when it cannot listen.
inline int ListenOnLoopback(int Backlog, int& Port, const std::string& What) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, Backlog) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    if (fd >= 0) ::close(fd);
    throw std::runtime_error(What + " cannot listen");
  }
  Port = ntohs(a.sin_port);
  return fd;
}
