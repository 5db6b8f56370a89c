// The X error filter of the SDL2 display: an X error never ends the program;
// one that says something about the program is reported, one about another
// client's resource is passed over without a word.

#include <gtest/gtest.h>

#include <string>

#include "XRequests.h"
#include "XvfbServer.h"
#include "platform/backend/XErrors.h"

namespace {

const char kReported[] = "X error passed over";

struct XErrorFilter : ::testing::Test {
  void SetUp() override {
    if (!Server.Start()) GTEST_SKIP() << "Xvfb cannot be started here";
    HandleXErrors();
  }
  // What the process wrote on stderr while Request ran; Request must succeed.
  template <class F>
  std::string StderrOf(F Request) {
    ::testing::internal::CaptureStderr();
    const bool sent = Request();
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(sent) << "the display cannot be opened";
    return said;
  }
  TXvfbServer Server;
};

}  // namespace

TEST_F(XErrorFilter, AnErrorAboutTheProgramsOwnWindowIsReported) {
  const std::string said = StderrOf([&] { return MapAWindowOfItsOwnThatIsGone(Server.Display()); });
  EXPECT_NE(said.find(kReported), std::string::npos) << said;
}

TEST_F(XErrorFilter, AnErrorAboutNoWindowAtAllIsReported) {
  const std::string said = StderrOf([&] { return MapNoWindow(Server.Display()); });
  EXPECT_NE(said.find(kReported), std::string::npos) << said;
}

TEST_F(XErrorFilter, AnErrorAboutAnotherClientsWindowIsPassedOverWithoutAWord) {
  const std::string said = StderrOf([&] { return SendEventToAWindowThatIsGone(Server.Display()); });
  EXPECT_EQ(said, "");
}
