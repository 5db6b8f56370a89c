// Which hosts ZConnect connects without ZOOM's lookup thread, and that such a
// connection is begun at once to the address ZOOM would reach; whole searches
// over it are checked in LendServerTest.cpp.
#include "lendsrv/ZConnect.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace {

TEST(ZConnectsAtOnce, PlainAddressesOverTcp) {
  for (const char* host : {"127.0.0.1:210", "127.0.0.1", "localhost:210", "catalogue.example.org:2100", "::1:210",
                           "[::1]:210", "[fe80::1%eth0]:210", "tcp:127.0.0.1:210", "tcp:[::1]:210", "tcp:localhost"})
    EXPECT_TRUE(ZConnectsAtOnce(host)) << host;
}

TEST(ZConnectsAtOnce, LeavesEveryOtherFormToZoom) {
  for (const char* host : {"ssl:127.0.0.1:210", "unix:/tmp/z3950.socket", "http:localhost:80", "https://localhost/sru",
                           "http://localhost:80", "connect:proxy:3128,localhost:210", "tcp:localhost:210,127.0.0.2",
                           "localhost:210?charset=utf-8", "localhost:210/Default", "tcp:@:210", "local host", ""})
    EXPECT_FALSE(ZConnectsAtOnce(host)) << host;
  EXPECT_FALSE(ZConnectsAtOnce(nullptr));
}

struct TOptionsDeleter {
  void operator()(ZOOM_options o) const { ZOOM_options_destroy(o); }
};
struct TConnectionDeleter {
  void operator()(ZOOM_connection c) const { ZOOM_connection_destroy(c); }
};

// A listening socket on the loopback address of Family, on a port of its own.
class TListener {
public:
  explicit TListener(int Family) : FFamily(Family) {
    FSocket = ::socket(Family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_storage a{};
    socklen_t length = 0;
    if (Family == AF_INET6) {
      auto* a6 = reinterpret_cast<sockaddr_in6*>(&a);
      a6->sin6_family = AF_INET6;
      a6->sin6_addr = in6addr_loopback;
      length = sizeof *a6;
    } else {
      auto* a4 = reinterpret_cast<sockaddr_in*>(&a);
      a4->sin_family = AF_INET;
      a4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      length = sizeof *a4;
    }
    if (FSocket < 0 || ::bind(FSocket, reinterpret_cast<sockaddr*>(&a), length) != 0 || ::listen(FSocket, 4) != 0 ||
        ::getsockname(FSocket, reinterpret_cast<sockaddr*>(&a), &length) != 0)
      return;
    FPort = ntohs(Family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&a)->sin6_port
                                     : reinterpret_cast<sockaddr_in*>(&a)->sin_port);
  }
  ~TListener() {
    if (FSocket >= 0) ::close(FSocket);
  }
  TListener(const TListener&) = delete;
  TListener& operator=(const TListener&) = delete;

  // 0 when the family has no loopback address here.
  int Port() const { return FPort; }
  int Family() const { return FFamily; }

private:
  int FFamily;
  int FSocket = -1;
  int FPort = 0;
};

using TOptions = std::unique_ptr<std::remove_pointer_t<ZOOM_options>, TOptionsDeleter>;
using TConnection = std::unique_ptr<std::remove_pointer_t<ZOOM_connection>, TConnectionDeleter>;

bool IsSocket(int Fd) {
  struct stat s {};
  return Fd >= 0 && ::fstat(Fd, &s) == 0 && S_ISSOCK(s.st_mode);
}

// The family and port a connecting socket leads to, once it is connected;
// {-1, 0} when it is not within a second.
std::pair<int, int> Peer(int Fd) {
  pollfd p{Fd, POLLOUT, 0};
  sockaddr_storage peer{};
  socklen_t length = sizeof peer;
  if (::poll(&p, 1, 1000) != 1 || ::getpeername(Fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0) return {-1, 0};
  const int port = ntohs(peer.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&peer)->sin6_port
                                                    : reinterpret_cast<sockaddr_in*>(&peer)->sin_port);
  return {peer.ss_family, port};
}

// An asynchronous connection, not yet connected.
struct TZoom {
  TOptions Options{ZOOM_options_create()};
  TConnection Connection;
  TZoom() {
    ZOOM_options_set(Options.get(), "async", "1");
    Connection.reset(ZOOM_connection_create(Options.get()));
  }
};

// Where ZConnect's connection to Host and Port goes; {0, 0} when ZOOM's
// descriptor right after it is no socket (the lookup is still to come).
std::pair<int, int> PeerOfZConnect(const char* Host, int Port) {
  TZoom z;
  ZConnect(z.Connection.get(), Host, Port);
  const int fd = ZOOM_connection_get_socket(z.Connection.get());
  return IsSocket(fd) ? Peer(fd) : std::make_pair(0, 0);
}

// Where ZOOM's own connection to Host and Port goes, its lookup thread
// awaited; {0, 0} when it makes no socket within a second.
std::pair<int, int> PeerOfZoomsOwnConnect(const char* Host, int Port) {
  TZoom z;
  ZOOM_connection c = z.Connection.get();
  ZOOM_connection_connect(c, Host, Port);
  ZOOM_connection_exec_task(c);
  for (int turn = 0; turn < 100; ++turn) {
    const int fd = ZOOM_connection_get_socket(c);
    if (IsSocket(fd)) return Peer(fd);
    pollfd p{fd, POLLIN, 0};
    if (fd < 0 || ::poll(&p, 1, 10) < 0) break;
    if (p.revents) ZOOM_connection_fire_event_socket(c, ZOOM_SELECT_READ);
  }
  return {0, 0};
}

TEST(ZConnect, BeginsAnIpv4AddressesConnectionAtOnce) {
  const TListener listener(AF_INET);
  ASSERT_GT(listener.Port(), 0);
  EXPECT_EQ(PeerOfZConnect("127.0.0.1", listener.Port()), std::make_pair(AF_INET, listener.Port()));
  EXPECT_EQ(PeerOfZConnect("tcp:127.0.0.1", listener.Port()), std::make_pair(AF_INET, listener.Port()));
}

TEST(ZConnect, BeginsAnIpv6AddressesConnectionAtOnceBareOrInBrackets) {
  const TListener listener(AF_INET6);
  if (listener.Port() == 0) GTEST_SKIP() << "no IPv6 loopback address here";
  EXPECT_EQ(PeerOfZConnect("::1", listener.Port()), std::make_pair(AF_INET6, listener.Port()));
  EXPECT_EQ(PeerOfZConnect("[::1]", listener.Port()), std::make_pair(AF_INET6, listener.Port()));
}

TEST(ZConnect, BeginsAHostNamesConnectionAtOnceWhereZoomsOwnGoes) {
  const TListener listener(AF_INET);
  ASSERT_GT(listener.Port(), 0);
  const std::pair<int, int> own = PeerOfZoomsOwnConnect("localhost", listener.Port());
  ASSERT_NE(own.first, 0) << "ZOOM made no connection to localhost";
  EXPECT_EQ(PeerOfZConnect("localhost", listener.Port()), own);
}

}  // namespace
