#include "tests/support/FaultServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <yaz/odr.h>
#include <yaz/oid_db.h>
#include <yaz/proto.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "tests/support/InitGrant.h"
#include "tests/support/LoopbackListener.h"

namespace {

// No wait of the server lasts longer than this, whatever the test does.
constexpr auto kLifetime = std::chrono::seconds(120);
constexpr int kSliceMs = 20;

struct TOdr {
  ODR O;
  explicit TOdr(int Direction) : O(odr_createmem(Direction)) {}
  ~TOdr() { odr_destroy(O); }
  TOdr(const TOdr&) = delete;
  TOdr& operator=(const TOdr&) = delete;
};

bool SendAll(int Fd, const char* Data, size_t Len, std::atomic<long>& Sent) {
  while (Len > 0) {
    const ssize_t n = ::send(Fd, Data, Len, MSG_NOSIGNAL);
    if (n <= 0) return false;
    Sent += n;
    Data += n;
    Len -= static_cast<size_t>(n);
  }
  return true;
}

// The records of positions Start .. Start + Count - 1 (1-based), as a Z_Records.
Z_Records* RecordsOf(ODR O, const std::vector<std::string>& All, Odr_int Start, Odr_int Count, Odr_int& Returned) {
  Returned = 0;
  auto* list = static_cast<Z_NamePlusRecordList*>(odr_malloc(O, sizeof(Z_NamePlusRecordList)));
  list->records = static_cast<Z_NamePlusRecord**>(odr_malloc(O, sizeof(Z_NamePlusRecord*) * (All.size() + 1)));
  list->num_records = 0;
  for (Odr_int i = Start; i < Start + Count && i >= 1 && i <= static_cast<Odr_int>(All.size()); ++i) {
    const std::string& bytes = All[static_cast<size_t>(i - 1)];
    auto* ext = static_cast<Z_External*>(odr_malloc(O, sizeof(Z_External)));
    *ext = Z_External{};
    ext->direct_reference = odr_oiddup(O, yaz_oid_recsyn_usmarc);
    ext->which = Z_External_octet;
    ext->u.octet_aligned = odr_create_Odr_oct(O, bytes.data(), static_cast<int>(bytes.size()));
    auto* npr = static_cast<Z_NamePlusRecord*>(odr_malloc(O, sizeof(Z_NamePlusRecord)));
    npr->databaseName = nullptr;
    npr->which = Z_NamePlusRecord_databaseRecord;
    npr->u.databaseRecord = ext;
    list->records[list->num_records++] = npr;
    ++Returned;
  }
  auto* recs = static_cast<Z_Records*>(odr_malloc(O, sizeof(Z_Records)));
  recs->which = Z_Records_DBOSD;
  recs->u.databaseOrSurDiagnostics = list;
  return recs;
}

// A socket listening at a new path in the temporary folder, which Path gets.
int ListenOnUnixSocket(std::string& Path) {
  static std::atomic<int> made{0};
  Path = "/tmp/borrow-fault-" + std::to_string(::getpid()) + "-" + std::to_string(made++) + ".sock";
  ::unlink(Path.c_str());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::snprintf(a.sun_path, sizeof a.sun_path, "%s", Path.c_str());
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 4) != 0) {
    if (fd >= 0) ::close(fd);
    throw std::runtime_error("the fault server cannot listen at " + Path);
  }
  return fd;
}

}  // namespace

std::unique_ptr<TZFaultServer> TZFaultServer::Trickle(std::chrono::milliseconds Interval) {
  return std::unique_ptr<TZFaultServer>(new TZFaultServer(TMode::Trickle, Interval, {}, {}));
}

std::unique_ptr<TZFaultServer> TZFaultServer::Records(std::vector<std::string> Records, TFaultRecordsShape Shape) {
  return std::unique_ptr<TZFaultServer>(new TZFaultServer(TMode::Records, {}, std::move(Records), Shape));
}

std::unique_ptr<TZFaultServer> TZFaultServer::Answers(std::string Bytes) {
  return std::unique_ptr<TZFaultServer>(new TZFaultServer(TMode::Answers, {}, {std::move(Bytes)}, {}));
}

std::unique_ptr<TZFaultServer> TZFaultServer::Greets(std::string Bytes) {
  return std::unique_ptr<TZFaultServer>(new TZFaultServer(TMode::Greets, {}, {std::move(Bytes)}, {}));
}

std::unique_ptr<TZFaultServer> TZFaultServer::Scripted(std::vector<std::string> Answers, bool CloseAfter) {
  TFaultScript script;
  script.Answers = std::move(Answers);
  script.After = CloseAfter ? TFaultScript::TAfter::Close : TFaultScript::TAfter::Silent;
  return Scripted(std::move(script));
}

std::unique_ptr<TZFaultServer> TZFaultServer::Scripted(TFaultScript Script) {
  return std::unique_ptr<TZFaultServer>(new TZFaultServer(TMode::Scripted, {}, {}, {}, std::move(Script)));
}

std::vector<long> TZFaultServer::PresentStarts() const {
  std::lock_guard lock(FStartsLock);
  return FPresentStarts;
}

TZFaultServer::TZFaultServer(TMode Mode, std::chrono::milliseconds Interval, std::vector<std::string> Records,
                             TFaultRecordsShape Shape, TFaultScript Script)
    : FMode(Mode), FInterval(Interval), FRecords(std::move(Records)), FShape(Shape), FScript(std::move(Script)) {
  FListen = ListenOnLoopback(4, FPort, "the fault server");
  FUnixListen = ListenOnUnixSocket(FUnixPath);
  FThread = std::thread([this] { Serve(); });
}

TZFaultServer::~TZFaultServer() {
  FStop = true;
  if (FThread.joinable()) FThread.join();
  if (FListen >= 0) ::close(FListen);
  if (FUnixListen >= 0) ::close(FUnixListen);
  if (!FUnixPath.empty()) ::unlink(FUnixPath.c_str());
}

void TZFaultServer::Serve() {
  const auto end = std::chrono::steady_clock::now() + kLifetime;
  while (!FStop && std::chrono::steady_clock::now() < end) {
    pollfd p[2] = {{FListen, POLLIN, 0}, {FUnixListen, POLLIN, 0}};
    if (::poll(p, 2, kSliceMs) <= 0) continue;
    const int fd = ::accept4(p[0].revents ? FListen : FUnixListen, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ServeConnection(fd);
    ::close(fd);
  }
}

void TZFaultServer::ServeConnection(int Fd) {
  const auto end = std::chrono::steady_clock::now() + kLifetime;
  std::string in;
  auto next = std::chrono::steady_clock::now() + FInterval;
  // An init response of 64 KiB that never comes whole: one element of
  // 65,530 bytes in it.
  const std::string trickle =
      std::string("\xB5\x84\x00\x01\x00\x00\x84\x84\x00\x00\xFF\xFA", 12) + std::string(65530, '\0');
  size_t trickled = 0;
  bool answered = false;
  std::size_t scripted = 0;  // answers sent
  if (FMode == TMode::Greets) {
    answered = true;
    if (!SendAll(Fd, FRecords[0].data(), FRecords[0].size(), FSent)) return;
    ::shutdown(Fd, SHUT_WR);
  }
  if (FMode == TMode::Scripted && !FScript.AtConnect.empty() &&
      !SendAll(Fd, FScript.AtConnect.data(), FScript.AtConnect.size(), FSent))
    return;
  while (!FStop && std::chrono::steady_clock::now() < end) {
    pollfd p{Fd, POLLIN, 0};
    const int r = ::poll(&p, 1, kSliceMs);
    if (r > 0) {
      char buf[4096];
      const ssize_t n = ::recv(Fd, buf, sizeof buf, 0);
      if (n <= 0) return;  // the client has gone
      in.append(buf, static_cast<size_t>(n));
    }
    if (FMode == TMode::Trickle) {
      if (std::chrono::steady_clock::now() >= next && trickled < trickle.size()) {
        if (!SendAll(Fd, trickle.data() + trickled++, 1, FSent)) return;
        next += FInterval;
      }
      in.clear();
      continue;
    }
    if (FMode == TMode::Answers || FMode == TMode::Greets) {
      if (answered || completeBER(in.data(), static_cast<int>(in.size())) <= 0) continue;
      // Closed our way only, and read on until the client closes: a close with
      // its request unread would reset the connection instead.
      answered = true;
      if (!SendAll(Fd, FRecords[0].data(), FRecords[0].size(), FSent)) return;
      ::shutdown(Fd, SHUT_WR);
      continue;
    }
    // Records: answer every whole request.
    for (;;) {
      const int whole = completeBER(in.data(), static_cast<int>(in.size()));
      if (whole <= 0) break;
      TOdr dec(ODR_DECODE), enc(ODR_ENCODE);
      odr_setbuf(dec.O, in.data(), whole, 0);
      Z_APDU* req = nullptr;
      const bool ok = z_APDU(dec.O, &req, 0, nullptr) && req;
      in.erase(0, static_cast<size_t>(whole));
      if (!ok) return;
      ++FRequests;
      if (FMode == TMode::Scripted && (req->which != Z_APDU_initRequest || !FScript.AnswerInit)) {
        const std::vector<std::string>& answers = FScript.Answers;
        using TAfter = TFaultScript::TAfter;
        if (scripted == answers.size() && (answers.empty() || FScript.After != TAfter::RepeatLast))
          continue;  // silent, or closed for writing
        const std::string& answer = answers[std::min(scripted++, answers.size() - 1)];
        if (!SendAll(Fd, answer.data(), answer.size(), FSent)) return;
        if (scripted == answers.size() && FScript.After == TAfter::Close) ::shutdown(Fd, SHUT_WR);
        continue;
      }
      Z_APDU* res = nullptr;
      switch (req->which) {
        case Z_APDU_initRequest: {
          res = zget_APDU(enc.O, Z_APDU_initResponse);
          Z_InitResponse* ir = res->u.initResponse;
          ir->referenceId = req->u.initRequest->referenceId;
          GrantSearchAndPresent(ir);
          break;
        }
        case Z_APDU_searchRequest: {
          res = zget_APDU(enc.O, Z_APDU_searchResponse);
          Z_SearchResponse* sr = res->u.searchResponse;
          sr->referenceId = req->u.searchRequest->referenceId;
          *sr->resultCount = FShape.Hits ? static_cast<Odr_int>(*FShape.Hits) : static_cast<Odr_int>(FRecords.size());
          *sr->numberOfRecordsReturned = 0;
          *sr->nextResultSetPosition = 1;
          break;
        }
        case Z_APDU_presentRequest: {
          Z_PresentRequest* pr = req->u.presentRequest;
          {
            std::lock_guard lock(FStartsLock);
            FPresentStarts.push_back(static_cast<long>(*pr->resultSetStartPoint));
          }
          ++FPresents;
          if (FShape.SilentOnPresent) continue;
          res = zget_APDU(enc.O, Z_APDU_presentResponse);
          Z_PresentResponse* ps = res->u.presentResponse;
          ps->referenceId = pr->referenceId;
          Odr_int returned = 0;
          Odr_int asked = *pr->numberOfRecordsRequested;
          if (FShape.MostPerPresent > 0) asked = std::min(asked, static_cast<Odr_int>(FShape.MostPerPresent));
          ps->records = RecordsOf(enc.O, FRecords, *pr->resultSetStartPoint, asked, returned);
          if (returned == 0 && FShape.NoEmptyList) ps->records = nullptr;
          *ps->numberOfRecordsReturned = returned;
          *ps->nextResultSetPosition = *pr->resultSetStartPoint + returned;
          break;
        }
        default: return;  // a close, or anything else: the connection ends
      }
      if (!z_APDU(enc.O, &res, 0, nullptr)) return;
      int len = 0;
      char* out = odr_getbuf(enc.O, &len, nullptr);
      if (!SendAll(Fd, out, static_cast<size_t>(len), FSent)) return;
    }
  }
}
