#include "lendsrv/LendServer.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <climits>
#include <new>

#include "lendsrv/SearchProcess.h"
#include "platform/core/CodePage.h"

namespace {

#ifdef __GLIBC__
// Fetches from this size on give their memory back to the system: small ones
// leave little, and a trim costs in proportion to the whole heap. Only glibc
// can be asked to.
constexpr std::size_t kGiveBackAfterBytes = 1 << 20;
#endif

const bool Registered = (RegisterOleClass(LendServerProgID, [] { return std::make_shared<TLendServer>(); }), true);

}  // namespace

// Referenced from the link line (see CMakeLists.txt) so that a program that
// only ever names the ProgID still links this file, and with it the registration.
extern "C" bool LendServerRegistered() { return Registered; }

TLendServer::TLendServer() {
  DefineProperty(
      TLendServerProps::zHost, [this] { return Variant(FzHost); }, [this](const Variant& v) { FzHost = VarToStr(v); });
  DefineProperty(
      TLendServerProps::zPort, [this] { return Variant(FzPort); },
      [this](const Variant& v) { FzPort = v.AsInteger(); });
  DefineProperty(
      TLendServerProps::zDatabase, [this] { return Variant(FzDatabase); },
      [this](const Variant& v) { FzDatabase = VarToStr(v); });
  DefineProperty(
      TLendServerProps::zSyntax, [this] { return Variant(FzSyntax); },
      [this](const Variant& v) { FzSyntax = VarToStr(v); });
  DefineProperty(
      TLendServerProps::zUserName, [this] { return Variant(GetzUserName()); },
      [this](const Variant& v) { FzUserName = VarToStr(v); });
  DefineProperty(
      TLendServerProps::zPassword, [this] { return Variant(GetzPassword()); },
      [this](const Variant& v) { FzPassword = VarToStr(v); });
  DefineProperty(
      TLendServerProps::zLastError, [this] { return Variant(FzLastError); }, nullptr);
  DefineMethod(u"SingleSearchIT", 4, [this](const std::vector<Variant>& a) {
    return Variant(SingleSearchIT(VarToStr(a[0]), false, a[2].AsInteger(), a[3].AsInteger()));
  });
  DefineMethod(u"tReturned", 0, [this](const std::vector<Variant>&) { return Variant(tReturned()); });
  DefineMethod(u"rCount", 0, [this](const std::vector<Variant>&) { return Variant(rCount()); });
}

String TLendServer::SingleSearchIT(const String& term, bool /*flag*/, Integer use, Integer limit) {
  FHits = 0;
  FDelivered = 0;
  FzLastError.clear();

  TZConnectionParams p;
  p.Host = ToUtf8(FzHost);
  p.Port = FzPort;
  p.Database = ToUtf8(FzDatabase);
  p.Syntax = ToUtf8(FzSyntax);
  if (FzUserName) p.User = ToUtf8(*FzUserName);
  if (FzPassword) p.Password = ToUtf8(*FzPassword);
  p.TimeoutSeconds = FTimeoutSeconds;
  // The caller's windows keep answering while the server is waited for.
  p.Waiting = [this] { return CallWaiting(); };
  // While the records come, the caller (its stop button, say) can tell that
  // the server has answered.
  p.Answered = [this](std::size_t Hits) { FHits = Hits; };

  const std::size_t wanted = limit > 0 ? static_cast<std::size_t>(limit) : 0;
  // In a search process: nothing the server sends ends this one.
  TZSearchResult r = SearchInSearchProcess(p, PqfUseQuery(use, ToUtf8(term)), wanted);
  // A fetch that broke off before any record came still tells what was found.
  FHits = r.Hits;
  if (!r.Ok) {
    FzLastError = FromUtf8(r.Error);
    return String();
  }
  FDelivered = r.Delivered;
  // Records that could not be delivered, or were delivered damaged, are told too.
  FzLastError = FromUtf8(r.Error);
  // A large fetch's messages and records, freed as the search ended but kept
  // by the C library, are given back first, so that the text below and what
  // the caller makes of it do not come on top.
#ifdef __GLIBC__
  if (r.Records.size() >= kGiveBackAfterBytes) malloc_trim(0);
#endif
  // Record lengths count bytes: the code page's table is total, so writing the
  // text back in the ANSI code page gives the server's bytes again. Room for
  // the two terminators a record file ends with, when the records lack them.
  // No memory for the text is the search's failure like any other.
  try {
    return AnsiToString(r.Records, 2);
  } catch (const std::bad_alloc&) {
    r.Records = std::string();
    FDelivered = 0;
    FzLastError = FromUtf8(OutOfMemoryText);
    return String();
  }
}

Integer TLendServer::Reported(std::size_t n) {
  if (n == 0) return 0;
  if (n >= static_cast<std::size_t>(INT_MAX)) return INT_MAX;
  return static_cast<Integer>(n) + 1;
}
