#include "client/SearchServer.h"

#include <algorithm>

#include "client/__str.h"
#include "lendsrv/LendServer.h"
#include "platform/automation/Automation.h"
#include "platform/core/Strings.h"
#include "platform/ui/MessageQueue.h"

Variant ServerObject;
HWND FoundServerWindow = nullptr;

void CreateSearchServer(const String& ProgID, Variant& Server) {
  Server = Variant();
  CloseServerWindow(FindServerWindow());
  String progId = Trim(ProgID);
  if (progId.empty()) progId = SearchServerProgID;
  Server = CreateOleObject(progId);
}

void ReleaseSearchServer(Variant& Server) {
  Server = Variant();
  CloseServerWindow(FindServerWindow());
}

bool IsServerAssigned(const Variant& Server) { return !Server.IsEmpty(); }

bool SetConnectionProperties(const Variant& Server, const TStrings* Params) {
  if (!IsServerAssigned(Server) || !Params || Params->GetCount() == 0) return false;
  using P = TConnectionParams;
  using S = TLendServerProps;
  OlePropertySet(Server, S::zDatabase, Variant(Trim(Params->GetValue(P::zDatabase))));
  OlePropertySet(Server, S::zHost, Variant(Trim(Params->GetValue(P::zHost))));
  String syntax = Trim(Params->GetValue(P::zSyntax));
  if (syntax.empty()) syntax = u"RUSMARC";
  OlePropertySet(Server, S::zSyntax, Variant(syntax));
  OlePropertySet(Server, S::zPort, Variant(StrToIntDefTrim(Params->GetValue(P::zPORT), 210)));
  const String user = Trim(Params->GetValue(P::zUsername));
  if (!user.empty()) OlePropertySet(Server, S::zUserName, Variant(user));
  const String password = Trim(Params->GetValue(P::zPassword));
  if (!password.empty()) OlePropertySet(Server, S::zPassword, Variant(password));
  return true;
}

void RunSingleSearch(const Variant& Server, const String& Term, Integer UseAttribute, Integer RecordLimit,
                     Variant& Result) {
  Result = Variant();
  const String term = Trim(Term);
  if (term.empty() || !IsServerAssigned(Server)) return;
  Result = OleFunction(Server, u"SingleSearchIT", Variant(term), Variant(false), Variant(UseAttribute),
                       Variant(RecordLimit));
}

Integer ServerCount(const Variant& Server, const String& Member) {
  return ClientCount((OleFunction(Server, Member) * Variant(Integer(1))).AsInteger());
}

Integer ServerFound(const Variant& Server) {
  if (!IsServerAssigned(Server)) return 0;
  // Read as a property: the search's own call is still under way, and an
  // object may set up its waits anew for every method called.
  try {
    return std::max<Integer>(ClientCount((OlePropertyGet(Server, u"tReturned") * Variant(Integer(1))).AsInteger()), 0);
  } catch (const Exception&) {
    return 0;  // a server without the member, or with no number in it
  }
}

String ServerLastError(const Variant& Server) {
  if (!IsServerAssigned(Server)) return String();
  try {
    return Trim(VarToStr(OleFunction(Server, TLendServerProps::zLastError)));
  } catch (const EOleError&) {
    return String();  // a server without the member has nothing to tell
  }
}

HWND FindServerWindow() {
  FoundServerWindow = nullptr;
  EnumWindows([](HWND Wnd) {
    if (GetWindowText(Wnd).substr(0, 200) == SearchServerWindowTitle) {
      FoundServerWindow = Wnd;
      return false;
    }
    return true;
  });
  return FoundServerWindow;
}

void CloseServerWindow(HWND Wnd) {
  if (Wnd) PostMessage(Wnd, WM_QUIT, 0, 0);
}
