#pragma once
// The search server's late-bound interface by name: its ProgID and the
// properties its callers put before a search and read after it. The server
// matches names without regard to case; these are the spellings it defines.

inline constexpr const char16_t* LendServerProgID = u"lendsrv.Application";

struct TLendServerProps {
  static constexpr const char16_t* zHost = u"zHost";
  static constexpr const char16_t* zPort = u"zPort";
  static constexpr const char16_t* zDatabase = u"zDatabase";
  static constexpr const char16_t* zSyntax = u"zSyntax";
  static constexpr const char16_t* zUserName = u"zUserName";
  static constexpr const char16_t* zPassword = u"zPassword";
  static constexpr const char16_t* zLastError = u"zLastError";
};
