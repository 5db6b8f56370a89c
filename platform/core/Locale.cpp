#include "platform/core/Locale.h"

#include <unicode/ucol.h>

#include <memory>

namespace {

struct CollatorCloser {
  void operator()(UCollator* c) const { ucol_close(c); }
};
using CollatorPtr = std::unique_ptr<UCollator, CollatorCloser>;

CollatorPtr OpenMaster(UColAttributeValue strength) {
  UErrorCode status = U_ZERO_ERROR;
  CollatorPtr c(ucol_open("ru", &status));
  if (U_FAILURE(status)) return nullptr;
  ucol_setStrength(c.get(), strength);
  return c;
}

// Opened once (opening parses the tailoring); never changed afterwards.
const UCollator* Master(bool ignoreCase) {
  static const CollatorPtr tertiary = OpenMaster(UCOL_TERTIARY);
  static const CollatorPtr secondary = OpenMaster(UCOL_SECONDARY);
  return ignoreCase ? secondary.get() : tertiary.get();
}

// A collator may not be used by two threads at once; each thread gets clones.
UCollator* ThreadCollator(bool ignoreCase) {
  thread_local CollatorPtr clones[2];
  CollatorPtr& c = clones[ignoreCase ? 1 : 0];
  if (!c) {
    const UCollator* master = Master(ignoreCase);
    if (!master) return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    c.reset(ucol_clone(master, &status));
    if (U_FAILURE(status)) c.reset();
  }
  return c.get();
}

// ICU rejects a null pointer with a non-zero length only, but keep it simple.
const UChar* Chars(StringView s) { return s.empty() ? u"" : s.data(); }
int32_t Len(StringView s) { return static_cast<int32_t>(s.size()); }

}  // namespace

int CompareStringLocale(StringView a, StringView b, bool ignoreCase) {
  UCollator* c = ThreadCollator(ignoreCase);
  if (!c) return -2;
  switch (ucol_strcoll(c, Chars(a), Len(a), Chars(b), Len(b))) {
    case UCOL_LESS: return -1;
    case UCOL_EQUAL: return 0;
    default: return 1;
  }
}

std::string CollationSortKey(StringView s, bool ignoreCase) {
  std::string key;
  AppendCollationSortKey(s, ignoreCase, key);
  return key;
}

size_t AppendCollationSortKey(StringView s, bool ignoreCase, std::string& Out) {
  UCollator* c = ThreadCollator(ignoreCase);
  if (!c) return 0;
  const size_t at = Out.size();
  size_t room = 64 + 2 * s.size();
  for (;;) {
    Out.resize(at + room);
    const int32_t n =
        ucol_getSortKey(c, Chars(s), Len(s), reinterpret_cast<uint8_t*>(Out.data() + at), static_cast<int32_t>(room));
    if (n <= 0) {
      Out.resize(at);
      return 0;
    }
    if (static_cast<size_t>(n) <= room) {
      Out.resize(at + static_cast<size_t>(n) - 1);  // without the terminating zero byte
      return static_cast<size_t>(n) - 1;
    }
    room = static_cast<size_t>(n);
  }
}
