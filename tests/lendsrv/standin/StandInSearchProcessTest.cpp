// The program's side of its search processes against a stand-in that
// misbehaves as each search's term tells it to (process/StandInSearchProcess.cpp):
// whatever a search process does, the search ends with a text that says
// what, keeps the records handed over, and the next search goes on in a
// process that can be trusted.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "lendsrv/LendServer.h"
#include "lendsrv/SearchProcess.h"
#include "platform/core/CodePage.h"

namespace {

struct TSearched {
  std::string Records;
  std::string Error;
  Integer Delivered = 0;
};

std::unique_ptr<TLendServer> NewServer(int TimeoutSeconds = 5) {
  auto s = std::make_unique<TLendServer>();
  s->SetzHost(u"stand-in");
  s->SetzDatabase(u"Default");
  s->SetzSyntax(u"SUTRS");
  s->SetTimeoutSeconds(TimeoutSeconds);
  return s;
}

TSearched Search(TLendServer& S, const std::string& Term, Integer Limit = 10) {
  TSearched r;
  r.Records = StringToAnsi(S.SingleSearchIT(FromUtf8(Term), false, 4, Limit));
  r.Error = ToUtf8(S.GetzLastError());
  r.Delivered = ClientCount(S.rCount());
  return r;
}

// A failed search leaves its process in doubt: the next search starts a
// fresh one, which reads the environment as it is now.
void EndTheIdleProcess(TLendServer& S) { Search(S, "fail"); }

// The stand-in's process id, as its records tell it ("<pid>:<i>").
std::string ServedBy(const TSearched& R) { return R.Records.substr(0, R.Records.find(':')); }

TEST(StandInSearchProcess, IsTheOneTheseTestsSearchThrough) {
  const std::string path = SearchProcessPath();
  EXPECT_NE(path.find("/standin/bin/lendsrv"), std::string::npos) << path;
}

// Each way a process can go wrong after handing over a record: the record
// stands, the text names what went wrong, and the next search is served.
TEST(StandInSearchProcess, AProcessThatGoesWrongEndsOnlyItsSearchSayingHowAndKeepingTheRecordHandedOver) {
  struct TCase {
    const char* Term;
    const char* Said;
  };
  const TCase cases[] = {
      {"damaged", "The search process sent a damaged message"},
      {"huge", "The search process sent a damaged message"},
      {"givenup", "The search process sent a damaged message"},
      {"close", "The search process closed its connection"},
      {"exit:3", "The search process ended with exit code 3"},
      {"crash", "The search process ended by signal SIGSEGV (Segmentation fault)"},
  };
  auto s = NewServer();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Term);
    const TSearched r = Search(*s, c.Term);
    if (std::string(c.Term) == "givenup") {
      // No record came before it: a failure, never "Search given up".
      EXPECT_EQ(r.Records, "");
      EXPECT_EQ(r.Error, std::string("Records 1-3 of 3 did not come: ") + c.Said);
    } else {
      EXPECT_EQ(r.Records.substr(r.Records.find(':')), ":1");
      EXPECT_EQ(r.Error, std::string("Records 2-3 of 3 did not come: ") + c.Said);
      EXPECT_EQ(r.Delivered, 1);
    }
    const TSearched next = Search(*s, "records:2");
    EXPECT_EQ(next.Error, "");
    EXPECT_EQ(next.Delivered, 2);
  }
}

// A program that lets its children be reaped for it cannot tell how one
// ended, and says so, never "exit code 0".
TEST(StandInSearchProcess, AnEndThatCannotBeToldIsNotToldAsAnExit) {
  auto s = NewServer();
  struct sigaction ignore {
  }, before{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGCHLD, &ignore, &before);
  const TSearched r = Search(*s, "exit:0");
  ::sigaction(SIGCHLD, &before, nullptr);
  EXPECT_EQ(r.Error,
            "Records 2-3 of 3 did not come: The search process ended, and how cannot be told: No child processes");
}

// Nothing a process says keeps a search going past its progress: neither
// silence nor "alive" without more of the server's bytes.
TEST(StandInSearchProcess, AProcessThatMakesNoProgressIsEndedWhateverItSays) {
  auto s = NewServer(1);
  for (const char* term : {"silent", "alive"}) {
    SCOPED_TRACE(term);
    const TSearched r = Search(*s, term);
    EXPECT_EQ(r.Delivered, 1);
    EXPECT_EQ(r.Error, "Records 2-3 of 3 did not come: The search process stopped answering and was ended");
  }
  // A process that asks to send request after request and hands nothing over.
  const TSearched asking = Search(*s, "asking:3");
  EXPECT_EQ(asking.Records, "");
  EXPECT_EQ(asking.Error, "Records 1-3 of 3 did not come: The search process sent a damaged message");
}

TEST(StandInSearchProcess, OnlyAProcessWhoseSearchEndedWellServesTheNext) {
  auto s = NewServer();
  // A sound search leaves its process for the next; a failed search, or one
  // broken off, leaves it in doubt, and the next search starts another.
  for (const char* term : {"records:3", "fail", "damaged"}) {
    SCOPED_TRACE(term);
    const std::string before = ServedBy(Search(*s, "records:1"));
    const bool sound = Search(*s, term).Error.empty();
    const std::string after = ServedBy(Search(*s, "records:1"));
    EXPECT_EQ(after == before, sound);
  }
}

TEST(StandInSearchProcess, AProcessOfAnotherBuildIsToldNotToMatchTheProgram) {
  auto s = NewServer();
  const std::string path = SearchProcessPath();
  EndTheIdleProcess(*s);
  const TSearched old = Search(*s, "old");
  EXPECT_EQ(old.Records, "");
  EXPECT_EQ(old.Error, "The search process does not match the program: " + path + " (it ended with exit code 2)");
  const TSearched other = Search(*s, "other");
  EXPECT_EQ(other.Records, "");
  EXPECT_EQ(other.Error, "The search process does not match the program: " + path);
  EXPECT_EQ(Search(*s, "records:1").Error, "");
}

// Each request waits for the program's word, given once the caller's Waiting
// has run; a search given up gets none, and its process ends.
TEST(StandInSearchProcess, EachRequestWaitsForTheCallersWordAndAGivenUpSearchSendsNoMore) {
  char folder[] = "/tmp/standin-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string goes = std::string(folder) + "/goes";
  ::setenv("STANDIN_GO_FILE", goes.c_str(), 1);
  auto s = NewServer();
  EndTheIdleProcess(*s);
  int waits = 0;
  s->SetCallWaitHandler([&] { return ++waits < 3; });
  const TSearched r = Search(*s, "asks:5");
  EXPECT_EQ(r.Error, "Search given up");
  // Two questions answered, the third given up: two requests went.
  std::ifstream told(goes);
  std::string line;
  std::vector<std::string> lines;
  while (std::getline(told, line)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"go 1", "go 2"}));
  ::unsetenv("STANDIN_GO_FILE");
  std::remove(goes.c_str());
  ::rmdir(folder);
  s->SetCallWaitHandler(nullptr);
  EXPECT_EQ(Search(*s, "asks:4").Delivered, 4);
}

// A process started while one thread searched serves another thread's search
// after the first thread has ended, to its end.
TEST(StandInSearchProcess, AProcessOutlivesTheThreadThatStartedIt) {
  auto s = NewServer();
  std::atomic<bool> searched{false}, end{false};
  std::string first;
  std::thread starter([&] {
    first = ServedBy(Search(*s, "records:1"));
    searched = true;
    while (!end) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  while (!searched) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  bool ended = false;
  s->SetCallWaitHandler([&] {
    if (!ended) {
      end = true;
      starter.join();
      ended = true;
    }
    return true;
  });
  const TSearched r = Search(*s, "slow:20", 20);
  EXPECT_TRUE(ended);
  EXPECT_EQ(r.Error, "");
  EXPECT_EQ(r.Delivered, 20);
  EXPECT_EQ(ServedBy(r), first);
  if (starter.joinable()) {
    end = true;
    starter.join();
  }
}

// Out of memory while records come is the search's failure, told so, and the
// next search goes on. Memory is bounded in a child of the test's, which the
// sanitizers' reservations would not fit in.
TEST(StandInSearchProcess, RunningOutOfMemoryIsTheSearchsFailureAndTheNextSearchGoesOn) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "memory cannot be bounded under AddressSanitizer; the release build runs this";
#else
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipeEnds[0]);
    // Room for the program and two of the stand-in's 64 MiB records, not for twelve.
    const rlimit room{std::size_t(600) << 20, std::size_t(600) << 20};
    ::setrlimit(RLIMIT_AS, &room);
    std::string said;
    try {
      auto s = NewServer();
      const TSearched big = Search(*s, "big:12", 12);
      const TSearched next = Search(*s, "records:2");
      said =
          big.Error + "\n" + std::to_string(big.Delivered) + "\n" + next.Error + "\n" + std::to_string(next.Delivered);
    } catch (...) {
      said = "thrown";
    }
    (void)!::write(pipeEnds[1], said.data(), said.size());
    ::_exit(0);
  }
  ::close(pipeEnds[1]);
  std::string said;
  char buf[4096];
  for (ssize_t n; (n = ::read(pipeEnds[0], buf, sizeof buf)) > 0;) said.append(buf, static_cast<std::size_t>(n));
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << said;
  const std::size_t first = said.find('\n');
  ASSERT_NE(first, std::string::npos) << said;
  const std::string error = said.substr(0, first);
  EXPECT_NE(error.find("Out of memory (10001)"), std::string::npos) << said;
  EXPECT_EQ(said.substr(said.rfind('\n') + 1), "2") << said;
#endif
}

}  // namespace
