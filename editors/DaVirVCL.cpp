#include "editors/DaVirVCL.h"

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <memory>

namespace {

// Until the core's locale unit lands: one collator per strength for the Russian
// user locale, opened on first use.
struct CollatorCloser {
  void operator()(UCollator* c) const { ucol_close(c); }
};

UCollator* UserLocaleCollator(bool IgnoreCase) {
  static const std::unique_ptr<UCollator, CollatorCloser> collators[2] = {
      [] {
        UErrorCode err = U_ZERO_ERROR;
        UCollator* c = ucol_open("ru", &err);
        if (U_FAILURE(err)) return std::unique_ptr<UCollator, CollatorCloser>();
        ucol_setStrength(c, UCOL_TERTIARY);
        return std::unique_ptr<UCollator, CollatorCloser>(c);
      }(),
      [] {
        UErrorCode err = U_ZERO_ERROR;
        UCollator* c = ucol_open("ru", &err);
        if (U_FAILURE(err)) return std::unique_ptr<UCollator, CollatorCloser>();
        ucol_setStrength(c, UCOL_SECONDARY);
        return std::unique_ptr<UCollator, CollatorCloser>(c);
      }()};
  return collators[IgnoreCase ? 1 : 0].get();
}

int CompareUserLocale(StringView S1, StringView S2, bool IgnoreCase) {
  UCollator* c = UserLocaleCollator(IgnoreCase);
  if (!c) return -2;
  switch (ucol_strcoll(c, reinterpret_cast<const UChar*>(S1.data()), static_cast<int32_t>(S1.size()),
                       reinterpret_cast<const UChar*>(S2.data()), static_cast<int32_t>(S2.size()))) {
    case UCOL_LESS: return -1;
    case UCOL_EQUAL: return 0;
    case UCOL_GREATER: return 1;
  }
  return -2;
}

// A length limit cuts both strings; a string shorter than the limit is taken whole.
StringView Limit(StringView S, int CmpLen) {
  if (CmpLen > 0 && static_cast<size_t>(CmpLen) < S.size()) return S.substr(0, static_cast<size_t>(CmpLen));
  return S;
}

String MapCase(StringView S, bool Upper) {
  if (S.empty()) return String();
  String out(S.size(), u'\0');
  for (int pass = 0; pass < 2; ++pass) {
    UErrorCode err = U_ZERO_ERROR;
    const auto* src = reinterpret_cast<const UChar*>(S.data());
    auto* dst = reinterpret_cast<UChar*>(out.data());
    int32_t n = Upper ? u_strToUpper(dst, static_cast<int32_t>(out.size()), src, static_cast<int32_t>(S.size()), "", &err)
                      : u_strToLower(dst, static_cast<int32_t>(out.size()), src, static_cast<int32_t>(S.size()), "", &err);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
      out.assign(static_cast<size_t>(n), u'\0');
      continue;
    }
    if (U_FAILURE(err)) return String(S);
    out.resize(static_cast<size_t>(n));
    return out;
  }
  return String(S);
}

}  // namespace

TCharSetEh CharSetEh(StringView Chars) {
  TCharSetEh set;
  for (Char c : Chars)
    if (c < 256) set.set(c);
  return set;
}

int CompareWideStrEh(StringView S1, StringView S2, int CmpLen, bool IgnoreCase) {
  return CompareUserLocale(Limit(S1, CmpLen), Limit(S2, CmpLen), IgnoreCase);
}

int CompareUStrEh(StringView S1, StringView S2, int CmpLen, bool IgnoreCase) {
  return CompareWideStrEh(S1, S2, CmpLen, IgnoreCase);
}

int CompareStrUserLocaleEh(StringView S1, StringView S2) { return CompareUserLocale(S1, S2, false); }

int CompareTextUserLocaleEh(StringView S1, StringView S2) { return CompareUserLocale(S1, S2, true); }

bool CharInSetEh(Char C, const TCharSetEh& CharSet) { return C < 256 && CharSet.test(C); }

Char* WideStrCopyEh(Char* Dest, const Char* Source) {
  Char* d = Dest;
  while ((*d++ = *Source++) != 0) {
  }
  return Dest;
}

String WideUpperCaseEh(StringView S) { return MapCase(S, true); }
String WideLowerCaseEh(StringView S) { return MapCase(S, false); }
