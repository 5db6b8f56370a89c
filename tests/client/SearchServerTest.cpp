// The bridge to the search server: what each member receives, and what the
// client makes of the answers. A recording object stands in for the server.

#include <gtest/gtest.h>

#include "client/SearchServer.h"
#include "platform/automation/Automation.h"
#include "platform/backend/Headless.h"
#include "platform/ui/Windows.h"

namespace {

// Records every put and call; answers the counts it is given.
class TRecordingServer final : public TLateBoundObject {
public:
  static inline std::vector<std::string>* Log = nullptr;
  static inline Variant Returned, Received;

  TRecordingServer() {
    for (const Char* name : {u"zDatabase", u"zHost", u"zSyntax", u"zPort", u"zUserName", u"zPassword"}) {
      const String n = name;
      DefineProperty(n, nullptr, [n](const Variant& v) { Log->push_back(ToUtf8(n) + "=" + ToUtf8(VarToStr(v))); });
    }
    DefineMethod(u"SingleSearchIT", 4, [](const std::vector<Variant>& a) {
      Log->push_back("search " + ToUtf8(VarToStr(a[0])) + " " + ToUtf8(VarToStr(a[1])) + " " + ToUtf8(VarToStr(a[2])) +
                     " " + ToUtf8(VarToStr(a[3])));
      return Variant(u"records");
    });
    DefineMethod(u"tReturned", 0, [](const std::vector<Variant>&) { return Returned; });
    DefineMethod(u"rCount", 0, [](const std::vector<Variant>&) { return Received; });
  }
};

class Bridge : public ::testing::Test {
protected:
  void SetUp() override {
    TRecordingServer::Log = &Log;
    RegisterOleClass(u"test.Recorder", [] { return std::make_shared<TRecordingServer>(); });
    CreateSearchServer(u"  test.Recorder ", Server);
  }
  void TearDown() override { ReleaseSearchServer(Server); }

  std::vector<std::string> Log;
  Variant Server;
};

TStringList* Params(TStringList& L, std::initializer_list<const Char*> Lines) {
  for (const Char* l : Lines) L.Add(l);
  return &L;
}

}  // namespace

TEST_F(Bridge, PropertiesArePutInOrderTrimmedWithTheirDefaults) {
  TStringList p;
  ASSERT_TRUE(SetConnectionProperties(Server, Params(p, {u"zDatabase= Books ", u"zHost= h.example ", u"zPORT= 2100 ",
                                                         u"zUsername= u ", u"zPassword=pw", u"zEncoding=utf-8"})));
  EXPECT_EQ(Log, (std::vector<std::string>{"zDatabase=Books", "zHost=h.example", "zSyntax=RUSMARC", "zPort=2100",
                                           "zUserName=u", "zPassword=pw"}));
}

TEST_F(Bridge, BadPortGives210AndEmptyCredentialsAreNotPut) {
  TStringList p;
  ASSERT_TRUE(
      SetConnectionProperties(Server, Params(p, {u"zDatabase=D", u"zPort=abc", u"zSyntax=usmarc", u"zUserName=  "})));
  EXPECT_EQ(Log, (std::vector<std::string>{"zDatabase=D", "zHost=", "zSyntax=usmarc", "zPort=210"}));
}

TEST_F(Bridge, NothingIsPutWithoutAServerOrWithoutLines) {
  TStringList empty;
  EXPECT_FALSE(SetConnectionProperties(Server, &empty));
  EXPECT_FALSE(SetConnectionProperties(Server, nullptr));
  TStringList p;
  Variant none;
  EXPECT_FALSE(SetConnectionProperties(none, Params(p, {u"zDatabase=D"})));
  EXPECT_TRUE(Log.empty());
}

TEST_F(Bridge, SearchGetsTheTrimmedTermAndABlankTermIsNeverSent) {
  Variant result;
  RunSingleSearch(Server, u"  war and peace ", 1003, 7, result);
  EXPECT_EQ(VarToStr(result), u"records");
  RunSingleSearch(Server, u"   ", 4, 7, result);
  EXPECT_TRUE(result.IsEmpty());
  ASSERT_EQ(Log.size(), 1u);
  EXPECT_EQ(Log[0], "search war and peace False 1003 7");
  ReleaseSearchServer(Server);
  RunSingleSearch(Server, u"x", 4, 7, result);
  EXPECT_TRUE(result.IsEmpty());
}

TEST_F(Bridge, CountsAboveOneLoseOneAndNumericTextIsAccepted) {
  TRecordingServer::Returned = Variant(u"5");
  TRecordingServer::Received = Variant(Integer(1));
  EXPECT_EQ(ServerCount(Server, u"tReturned"), 4);
  EXPECT_EQ(ServerCount(Server, u"rCount"), 1);
  TRecordingServer::Returned = Variant(Integer(10));
  TRecordingServer::Received = Variant(Integer(0));
  EXPECT_EQ(ServerCount(Server, u"tReturned"), 9);
  EXPECT_EQ(ServerCount(Server, u"rCount"), 0);
}

TEST_F(Bridge, UnknownProgIdRaisesAndLeavesNoServer) {
  Variant v = Server;
  EXPECT_THROW(CreateSearchServer(u"no.Such.Server", v), EOleError);
  EXPECT_FALSE(IsServerAssigned(v));
}

TEST(BridgeWindows, ALeftOverServerWindowGetsQuitPostedToTheFirstOnly) {
  THeadlessDisplay display;
  EXPECT_EQ(FindServerWindow(), nullptr);
  HWND first = CreateWindowEx(0, u"Static", u"lendsrv", WS_OVERLAPPED, 0, 0, 10, 10, nullptr);
  HWND second = CreateWindowEx(0, u"Static", u"lendsrv", WS_OVERLAPPED, 0, 0, 10, 10, nullptr);
  HWND other = CreateWindowEx(0, u"Static", u"Lendsrv", WS_OVERLAPPED, 0, 0, 10, 10, nullptr);
  HWND found = FindServerWindow();
  EXPECT_TRUE(found == first || found == second);
  EXPECT_EQ(FoundServerWindow, found);
  Variant v;
  ReleaseSearchServer(v);
  TMsg m;
  ASSERT_TRUE(PeekMessage(m, found, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_FALSE(PeekMessage(m, found == first ? second : first, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_FALSE(PeekMessage(m, other, WM_QUIT, WM_QUIT, PM_REMOVE));
  DestroyWindow(first);
  DestroyWindow(second);
  DestroyWindow(other);
  FoundServerWindow = nullptr;
}
