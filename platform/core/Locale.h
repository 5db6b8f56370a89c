#pragma once
// Comparison in the user's locale, which is Russian: an ICU collator for "ru",
// tertiary strength (case matters), secondary strength when case is ignored.
// Collators are cloned per thread from one master, so callers need no locking.

#include <string>

#include "platform/core/Types.h"

// -1, 0 or 1; -2 only when no collator could be opened at all.
int CompareStringLocale(StringView a, StringView b, bool ignoreCase);

// A byte string whose ordering (plain byte comparison, as std::string's
// operator<) is that of CompareStringLocale with the same ignoreCase: sorting
// many strings computes each key once instead of collating every pair.
std::string CollationSortKey(StringView s, bool ignoreCase);
// The same key appended to Out, which grows as needed: many keys end to end in
// one block instead of a block each. Answers the key's length.
size_t AppendCollationSortKey(StringView s, bool ignoreCase, std::string& Out);
