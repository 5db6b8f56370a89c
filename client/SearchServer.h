#pragma once
// The program's whole contact with the Z39.50 automation server: creating and
// releasing the object, closing a server window left over by an earlier
// search, setting the connection properties, the search call and the counts.
// Every call names its member and blocks until the server answers.

#include "lendsrv/LendServerNames.h"
#include "platform/core/StringList.h"
#include "platform/core/Variant.h"
#include "platform/ui/Windows.h"

inline constexpr const Char* SearchServerProgID = LendServerProgID;

// The names of a search's Name=Value parameter list (readers match them without
// regard to case). The connection the resource table fills in takes the
// server's property names, but for the resource's number, the two names it
// spells its own way, and the encoding, which only the resource list carries;
// then the search itself.
struct TConnectionParams {
  static constexpr const Char *zDatabase = TLendServerProps::zDatabase, *zHost = TLendServerProps::zHost,
                              *zSyntax = TLendServerProps::zSyntax, *zPassword = TLendServerProps::zPassword;
  static constexpr const Char *ID_THIS = u"ID_THIS", *zPORT = u"zPORT", *zUsername = u"zUsername";
  static constexpr const Char* zEncoding = u"zEncoding";
  static constexpr const Char *WhatSearch = u"WhatSearch", *RecLimit = u"RecLimit", *WhereSearch = u"WhereSearch";
};
// The title of the window a server may leave behind.
inline constexpr Char SearchServerWindowTitle[] = u"lendsrv";

// The server object of the search under way (empty between searches), and the
// window the last window search found (none: nullptr).
extern Variant ServerObject;
extern HWND FoundServerWindow;

// Empties Server, closes a left-over server window, then creates the object of
// ProgID (trimmed; "lendsrv.Application" when empty) into Server. Raises
// EOleError when it cannot be created.
void CreateSearchServer(const String& ProgID, Variant& Server);
// Empties Server, which releases the object, then closes a left-over window.
void ReleaseSearchServer(Variant& Server);
bool IsServerAssigned(const Variant& Server);

// Puts zDatabase, zHost, zSyntax ("RUSMARC" when empty), zPort
// (StrToIntDefTrim, default 210) and, only when not empty, zUserName and
// zPassword, each trimmed, from the Name=Value list (names matched without
// regard to case). False, and nothing put, without a server or without lines.
bool SetConnectionProperties(const Variant& Server, const TStrings* Params);

// Result := SingleSearchIT(trimmed term, False, use attribute, limit) when the
// trimmed term is not empty and a server is held; else empty.
void RunSingleSearch(const Variant& Server, const String& Term, Integer UseAttribute, Integer RecordLimit,
                     Variant& Result);

// A server count as the client reads it: the value times one as a Variant (so
// a numeric text is accepted), then one less when above one.
Integer ServerCount(const Variant& Server, const String& Member);

// During a search: the records its server found, as ServerCount reads them,
// once it has answered (its tReturned is above 0); 0 before, and when the
// server cannot say.
Integer ServerFound(const Variant& Server);

// The server's text for its last failure (its zLastError); "" when it has none
// or cannot say.
String ServerLastError(const Variant& Server);
// The first top-level window titled exactly "lendsrv" (nullptr when none);
// also stored in FoundServerWindow.
HWND FindServerWindow();
// Posts WM_QUIT to the window when there is one.
void CloseServerWindow(HWND Wnd);
