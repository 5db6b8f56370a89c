// Sorting records by an order-by list: the records view's sort, the records
// list's, and the sort of every node's children in tree mode.
//
// Without an OnCompareRecords hook the order is CompareRecordsByOrder's. A sort
// reads each record's sort values once, in one pass over the records, into a
// key table: numbers as numbers, texts as their collation keys laid end to end
// in one block (each distinct text keyed once while texts repeat, and ranked
// into numbers when few are distinct, or when very many are: their keys are
// then sorted eight bytes at a time on several threads). Whole-number columns (Nulls and ranked
// texts included) are then packed into one number per row that orders as the
// columns do, and the same quicksort runs over compact items that carry their
// keys side by side (that number, the head of a last text column's collation
// key, the row), so a comparison seldom leaves the item. Every comparison
// answers as comparing the records would, so the quicksort makes the same
// moves and the order is the same, ties included. Values the table cannot key
// (mixed or unusual types) are compared record by record.
//
// Index:
//   TTextSeen     the distinct texts met so far
//   TTextKeys     collation keys end to end, each text's found by its number
//   TSortKeys     the key table of one sort, and its packing
//   SortedRows    the quicksort over compact items
//   CompareRecordsByOrder, SortRecordsByOrder, TMemoryTreeListEh::SortByOrder

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <string>

#include "memtable/MemTableDataEh.h"
#include "platform/core/Locale.h"
#include "platform/core/Parallel.h"

namespace {

const TRecValueEh& ValueAt(TMemoryRecordEh* Rec, Integer Column) {
  static const TRecValueEh kNull;
  const TRecValueEh* v = Rec->StoredValue(Column);
  return v ? *v : kNull;
}

// How many records ahead of the one being read the next are asked for: they
// lie scattered, and waiting for each in turn would be most of the reading.
constexpr size_t kPrefetchAhead = 8;

// The distinct texts met so far, each with its key number: an open table of
// the texts as they lie in the store, which does not change while a sort runs.
class TTextSeen {
public:
  // Room made for Expected texts at the first one.
  explicit TTextSeen(size_t Expected) : FExpected(Expected) {}
  size_t Count() const { return FCount; }
  // The key number of Text; Make() gives it one when the text is new.
  template <class TMake>
  uint32_t KeyOf(StringView Text, TMake&& Make) {
    if (FSlots.empty()) Resize(std::bit_ceil(std::max<size_t>(FExpected * 2, 64)));
    const uint32_t hash = Hash(Text);
    for (size_t at = hash & FMask;; at = (at + 1) & FMask) {
      TSlot& s = FSlots[at];
      if (s.KeyPlus1 == 0) {
        const uint32_t key = Make();
        s = TSlot{Text.data(), static_cast<uint32_t>(Text.size()), hash, key + 1};
        if (++FCount * 2 > FSlots.size()) Resize(FSlots.size() * 2);
        return key;
      }
      if (s.Hash == hash && s.Length == Text.size() &&
          std::memcmp(s.Chars, Text.data(), Text.size() * sizeof(Char)) == 0)
        return s.KeyPlus1 - 1;
    }
  }

private:
  struct TSlot {
    const Char* Chars = nullptr;
    uint32_t Length = 0, Hash = 0, KeyPlus1 = 0;  // KeyPlus1 0: free
  };
  static uint32_t Hash(StringView Text) {
    uint64_t h = 0xcbf29ce484222325ull ^ Text.size();
    for (Char c : Text) h = (h ^ c) * 0x100000001b3ull;
    return static_cast<uint32_t>(h ^ (h >> 32));
  }
  void Resize(size_t Slots) {
    std::vector<TSlot> old(Slots);
    old.swap(FSlots);
    FMask = Slots - 1;
    for (const TSlot& s : old) {
      if (s.KeyPlus1 == 0) continue;
      size_t at = s.Hash & FMask;
      while (FSlots[at].KeyPlus1 != 0) at = (at + 1) & FMask;
      FSlots[at] = s;
    }
  }

  std::vector<TSlot> FSlots;
  size_t FExpected, FMask = 0, FCount = 0;
};

// Collation keys of texts, end to end in one block, each found by its number.
// Texts are numbered as they come and keyed all at once when every one is
// known: a large number of them by several threads, each making the keys of a
// run of texts (collation is most of a text sort's cost). The texts lie in the
// store, which does not change while a sort runs.
class TTextKeys {
public:
  uint32_t Add(StringView Text) {
    FTexts.push_back(Text);
    return static_cast<uint32_t>(FTexts.size() - 1);
  }
  void Make() {
    const size_t count = FTexts.size();
    const size_t threads = ThreadsFor(count, kTextsPerThread, kMaxThreads);
    std::vector<TPart> parts = CutIntoParts<TPart>(count, threads, kPartsPerThread);
    RunPartsOnThreads(parts.size(), threads, [&](size_t p) { MakePart(parts[p]); });
    size_t bytes = 0;
    for (const TPart& part : parts) {
      if (part.Error) std::rethrow_exception(part.Error);
      bytes += part.Bytes.size();
    }
    std::vector<StringView>().swap(FTexts);
    FBytes.reserve(bytes);
    FEnds.reserve(count);
    for (TPart& part : parts) {
      const size_t at = FBytes.size();
      FBytes += part.Bytes;
      for (size_t end : part.Ends) FEnds.push_back(at + end);
      TPart().Swap(part);
    }
  }
  size_t Count() const { return FEnds.size(); }  // once made
  std::string_view Key(uint32_t K) const {
    const size_t from = K == 0 ? 0 : FEnds[K - 1];
    return std::string_view(FBytes.data() + from, FEnds[K] - from);
  }
  // Once every key is made: the bytes all keys begin with (texts of one column
  // often share a start) need not be compared again.
  void Finish() {
    if (FEnds.empty()) return;
    const std::string_view first = Key(0);
    FPrefix = first.size();
    for (uint32_t k = 1; k < FEnds.size() && FPrefix > 0; ++k) {
      const std::string_view key = Key(k);
      const size_t n = std::min(FPrefix, key.size());
      FPrefix = static_cast<size_t>(
          std::mismatch(first.begin(), first.begin() + static_cast<ptrdiff_t>(n), key.begin()).first - first.begin());
    }
  }
  // The eight bytes after the shared start as a number that orders as the
  // bytes do. Keys hold no zero byte, so a shorter key padded with zeros still
  // sorts first.
  uint64_t Head(uint32_t K) const {
    const std::string_view k = Key(K).substr(FPrefix);
    unsigned char b[8] = {};
    std::memcpy(b, k.data(), std::min<size_t>(8, k.size()));
    uint64_t h = 0;
    for (unsigned char c : b) h = (h << 8) | c;
    return h;
  }
  // The key after the start all keys share (once Finish has found it).
  std::string_view Rest(uint32_t K) const { return Key(K).substr(FPrefix); }
  int Compare(uint32_t A, uint32_t B) const {
    if (A == B) return 0;
    const int c = Key(A).substr(FPrefix).compare(Key(B).substr(FPrefix));
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  void Clear() {
    std::string().swap(FBytes);
    std::vector<size_t>().swap(FEnds);
    FPrefix = 0;
  }

private:
  // Below this many texts a thread of its own costs more than it saves.
  static constexpr size_t kTextsPerThread = 16384;
  static constexpr size_t kMaxThreads = 4;
  static constexpr size_t kPartsPerThread = 4;
  // The keys of a run of texts, and the first failure in making them.
  struct TPart {
    size_t Begin = 0, End = 0;
    std::string Bytes;
    std::vector<size_t> Ends;
    std::exception_ptr Error;
    void Swap(TPart& Other) {
      std::swap(Begin, Other.Begin);
      std::swap(End, Other.End);
      Bytes.swap(Other.Bytes);
      Ends.swap(Other.Ends);
      std::swap(Error, Other.Error);
    }
  };
  void MakePart(TPart& Part) const {
    try {
      Part.Ends.reserve(Part.End - Part.Begin);
      for (size_t k = Part.Begin; k < Part.End; ++k) {
        AppendCollationSortKey(FTexts[k], false, Part.Bytes);
        Part.Ends.push_back(Part.Bytes.size());
      }
    } catch (...) {
      Part.Error = std::current_exception();
    }
  }

  std::vector<StringView> FTexts;  // until the keys are made
  std::string FBytes;
  std::vector<size_t> FEnds;
  size_t FPrefix = 0;
};

int Order(Int64 A, Int64 B) { return A < B ? -1 : A > B ? 1 : 0; }
int Order(uint64_t A, uint64_t B) { return A < B ? -1 : A > B ? 1 : 0; }

// A text column's row without a key (its value is Null).
constexpr uint32_t kNoText = ~0u;

class TSortKeys {
public:
  enum TKind : Byte { kNone = 0, kInt = 1, kFloat = 2, kText = 3 };

  // False when some value has no key of its column's kind (mixed or unusual
  // types): the caller then compares the records themselves.
  bool Build(const std::vector<TMemoryRecordEh*>& Recs, TOrderByList* OrderBy) {
    const size_t n = Recs.size();
    FRows = n;
    FColumns.assign(static_cast<size_t>(OrderBy->Count()), Column());
    std::vector<TColumnBuild> builds;
    builds.reserve(FColumns.size());
    for (size_t k = 0; k < FColumns.size(); ++k) {
      builds.emplace_back(n);
      FColumns[k].Desc = OrderBy->GetItem(static_cast<Integer>(k))->Desc;
      builds[k].Field = OrderBy->GetItem(static_cast<Integer>(k))->FieldIndex;
    }
    for (size_t r = 0; r < n; ++r) {
      if (r + kPrefetchAhead < n) __builtin_prefetch(Recs[r + kPrefetchAhead]);
      for (size_t k = 0; k < FColumns.size(); ++k)
        if (!AddValue(FColumns[k], builds[k], r, n, ValueAt(Recs[r], builds[k].Field))) return false;
    }
    for (Column& col : FColumns) {
      if (col.Kind != kText) continue;
      col.T.Make();
      RankTexts(col);
      if (col.Kind == kText) col.T.Finish();
    }
    return true;
  }

  size_t ColumnCount() const { return FColumns.size(); }
  TKind KindOf(size_t Col) const { return static_cast<TKind>(FColumns[Col].Kind); }
  bool Descending(size_t Col) const { return FColumns[Col].Desc; }
  // A text column's key number for a row (kNoText for Null).
  uint32_t TextOf(size_t Col, size_t Row) const {
    const Column& col = FColumns[Col];
    return !col.Nulls.empty() && col.Nulls[Row] ? kNoText : col.TI[Row];
  }
  uint64_t HeadOf(size_t Col, size_t Row) const {
    const uint32_t t = TextOf(Col, Row);
    return t == kNoText ? 0 : FColumns[Col].T.Head(t);
  }
  const TTextKeys& Texts(size_t Col) const { return FColumns[Col].T; }

  // Every column but a last text column packed into one number per row that
  // orders as CompareRecordsByOrder orders those columns (Nulls first, then
  // the values; all reversed for DESC), with the last text column's Null mark
  // at the bottom. False when a column is not whole numbers or the columns
  // need more than 64 bits; Bits is what they need.
  bool Pack(std::vector<uint64_t>& Out, unsigned& Bits) const {
    struct TPart {
      unsigned Width;
      uint64_t Top;  // the largest code
    };
    std::vector<TPart> parts(FColumns.size());
    Bits = 0;
    for (size_t c = 0; c < FColumns.size(); ++c) {
      const Column& col = FColumns[c];
      const bool nulls = !col.Nulls.empty();
      uint64_t top;
      if (col.Kind == kText) {
        if (c + 1 != FColumns.size()) return false;
        top = nulls ? 1 : 0;
      } else if (col.Kind == kInt) {
        // Codes: 0 for Null, then the values from the smallest (unsigned
        // arithmetic: the span of two Int64 always fits).
        top = static_cast<uint64_t>(col.Max) - static_cast<uint64_t>(col.Min) + (nulls ? 1 : 0);
        if (nulls && top == 0) return false;  // the span took all 64 bits
      } else if (col.Kind == kNone) {
        top = 0;  // every value Null: all equal
      } else {
        return false;
      }
      parts[c].Top = top;
      parts[c].Width = static_cast<unsigned>(std::bit_width(top));
      Bits += parts[c].Width;
      if (Bits > 64) return false;
    }
    Out.assign(FRows, 0);
    for (size_t c = 0; c < FColumns.size(); ++c) {
      const Column& col = FColumns[c];
      const TPart part = parts[c];
      if (part.Width == 0) continue;
      const bool nulls = !col.Nulls.empty();
      const uint64_t base = static_cast<uint64_t>(col.Min) - (nulls ? 1 : 0);
      for (size_t r = 0; r < FRows; ++r) {
        uint64_t code;
        if (nulls && col.Nulls[r]) code = 0;
        else code = col.Kind == kText ? 1 : static_cast<uint64_t>(col.I[r]) - base;
        if (col.Desc) code = part.Top - code;
        Out[r] = part.Width == 64 ? code : (Out[r] << part.Width) | code;
      }
    }
    return true;
  }

  Integer Compare(Integer A, Integer B) const {
    if (A == B) return 0;
    const size_t a = static_cast<size_t>(A), b = static_cast<size_t>(B);
    for (const Column& col : FColumns) {
      Integer r = 0;
      if (!col.Nulls.empty() && (col.Nulls[a] || col.Nulls[b])) {
        if (col.Nulls[a] && col.Nulls[b]) continue;
        r = col.Nulls[a] ? -1 : 1;
      } else {
        switch (col.Kind) {
          case kInt: r = Order(col.I[a], col.I[b]); break;
          case kFloat: r = col.D[a] < col.D[b] ? -1 : col.D[a] > col.D[b] ? 1 : 0; break;
          case kText: r = col.T.Compare(col.TI[a], col.TI[b]); break;
          default: break;  // every value Null
        }
      }
      if (r != 0) return col.Desc ? -r : r;
    }
    return 0;
  }

private:
  struct Column {
    Byte Kind = kNone;
    bool Desc = false;
    std::vector<Int64> I;
    Int64 Min = 0, Max = 0;  // whole numbers: the least and greatest value
    std::vector<double> D;
    TTextKeys T;               // texts: the distinct collation keys
    std::vector<uint32_t> TI;  // each row's key in T
    std::vector<Byte> Nulls;   // empty while no value is Null
  };
  // What one column's build keeps until every row is read.
  struct TColumnBuild {
    // Texts repeat often (group names, states): each distinct text is keyed
    // once. Where they hardly repeat, the lookup is given up after a quarter of
    // the rows.
    explicit TColumnBuild(size_t Rows) : Sample(std::max<size_t>(Rows / 4, 1024)), Seen(Sample) {}
    Integer Field = -1;
    bool Currency = false;
    bool Boolean = false;
    size_t Sample;
    TTextSeen Seen;
    size_t Looked = 0;
    bool Looking = true;
  };

  static uint32_t TextKey(Column& Col, TColumnBuild& B, StringView Text) {
    if (!B.Looking) return Col.T.Add(Text);
    const uint32_t key = B.Seen.KeyOf(Text, [&] { return Col.T.Add(Text); });
    if (++B.Looked == B.Sample && B.Seen.Count() * 10 > B.Sample * 9) {
      B.Looking = false;
      B.Seen = TTextSeen(0);
    }
    return key;
  }

  // An integer keyed beside floats: a double holds it exactly only up to 2^53,
  // and comparing the records weighs a larger one exactly.
  static bool FitsDouble(Int64 W) {
    constexpr Int64 kExact = Int64{1} << 53;
    return W >= -kExact && W <= kExact;
  }

  // A column's values are whole numbers (integers, Booleans), currencies, floats
  // (and dates) or texts; integers mixed with floats compare as floats.
  static bool AddValue(Column& col, TColumnBuild& B, size_t r, size_t n, const TRecValueEh& v) {
    const TVarType t = v.VarType();
    if (v.IsNullOrEmpty()) {
      if (col.Nulls.empty()) col.Nulls.assign(n, 0);
      col.Nulls[r] = 1;
      return true;
    }
    Byte kind;
    switch (t) {
      case varSmallint:
      case varInteger:
      case varShortInt:
      case varByte:
      case varWord:
      case varLongWord:
      case varInt64:
      case varBoolean:
      case varCurrency: kind = kInt; break;
      case varSingle:
      case varDouble:
      case varDate: kind = kFloat; break;
      case varOleStr:
      case varString: kind = kText; break;
      default: return false;
    }
    // Currency against plain integers would compare raw amounts: not keyed.
    if (col.Kind != kNone && (t == varCurrency) != B.Currency) return false;
    // A Boolean compares with a Boolean as 0 and 1 but with a number as 0 and
    // -1: beside other kinds it is not keyed.
    if (col.Kind != kNone && (t == varBoolean) != B.Boolean) return false;
    // NaN compares unlike any number a key could give it.
    if (kind == kFloat && v.Real() != v.Real()) return false;
    B.Currency = t == varCurrency;
    B.Boolean = t == varBoolean;
    if (col.Kind == kNone) {
      col.Kind = kind;
      if (kind == kText) col.TI.assign(n, 0);
      else if (kind == kInt) {
        col.I.assign(n, 0);
        col.Min = col.Max = v.Whole();
      } else col.D.assign(n, 0);
    } else if (col.Kind != kind) {
      if (col.Kind == kText || kind == kText) return false;
      if (col.Kind == kInt) {  // floats arrived: the integers so far become floats
        if (!FitsDouble(col.Min) || !FitsDouble(col.Max)) return false;
        col.D.assign(n, 0);
        for (size_t k = 0; k < r; ++k) col.D[k] = static_cast<double>(col.I[k]);
        std::vector<Int64>().swap(col.I);
        col.Kind = kFloat;
      }
    }
    switch (col.Kind) {
      // Booleans are stored as 0 and 1, currencies as their scaled amounts.
      case kInt: {
        const Int64 w = v.Whole();
        col.I[r] = w;
        col.Min = std::min(col.Min, w);
        col.Max = std::max(col.Max, w);
        break;
      }
      case kFloat:
        if (kind != kFloat && !FitsDouble(v.Whole())) return false;
        col.D[r] = kind == kFloat ? v.Real() : static_cast<double>(v.Whole());
        break;
      default: col.TI[r] = TextKey(col, B, v.Text()); break;
    }
    return true;
  }

  // Few distinct texts: their order is found once, and rows compare as numbers.
  // So do many: their keys are then sorted on several threads, which a sort of
  // the rows by the keys themselves, on one thread, cannot match.
  static void RankTexts(Column& col) {
    const size_t n = col.TI.size(), distinct = col.T.Count();
    std::vector<Int64> rank;
    Int64 r = 0;
    if (distinct * 2 <= n) {
      std::vector<uint32_t> order(distinct);
      for (size_t k = 0; k < distinct; ++k) order[k] = static_cast<uint32_t>(k);
      std::sort(order.begin(), order.end(), [&col](uint32_t a, uint32_t b) { return col.T.Compare(a, b) < 0; });
      rank.resize(distinct);
      for (size_t k = 0; k < distinct; ++k) {
        if (k > 0 && col.T.Compare(order[k], order[k - 1]) != 0) ++r;
        rank[order[k]] = r;
      }
    } else if (distinct >= kRankOnThreads) {
      col.T.Finish();
      r = RankOnThreads(col.T, rank);
    } else {
      return;
    }
    col.I.resize(n);
    for (size_t k = 0; k < n; ++k) col.I[k] = rank[col.TI[k]];
    col.Min = 0;
    col.Max = r;
    col.Kind = kInt;
    col.T.Clear();
    std::vector<uint32_t>().swap(col.TI);
  }

  // From this many distinct texts on, ranking them on several threads and
  // sorting the rows by number beats sorting the rows by their keys.
  static constexpr size_t kRankOnThreads = 32768;
  static constexpr size_t kRankPerThread = 16384;
  static constexpr size_t kRankThreads = 4;

  // A distinct text's key while ranking: eight of its bytes (from the
  // position the ranking has come to) as a number that orders as the bytes do.
  struct TKeyDigits {
    uint64_t Digits;
    const char* Bytes;  // the key after the start all keys share
    uint32_t Length;
    uint32_t Key;
  };
  // The eight bytes of Key at Offset, zeros past its end: keys hold no zero
  // byte, so a key that has ended has the digits 0 and sorts first.
  static uint64_t DigitsAt(const TKeyDigits& Key, size_t Offset) {
    if (Offset >= Key.Length) return 0;
    unsigned char b[8] = {};
    std::memcpy(b, Key.Bytes + Offset, std::min<size_t>(8, Key.Length - Offset));
    uint64_t d = 0;
    for (unsigned char c : b) d = (d << 8) | c;
    return d;
  }
  // Sorts Keys[0..Count), alike in their bytes before Offset and with their
  // digits at Offset read, by the bytes from Offset on, eight at a time (each
  // run of equal digits sorted by its next eight), and marks in Starts each
  // place where a key differs from the one before it (never the first place).
  static void SortByDigits(TKeyDigits* Keys, size_t Count, size_t Offset, char* Starts) {
    std::sort(Keys, Keys + Count, [](const TKeyDigits& a, const TKeyDigits& b) { return a.Digits < b.Digits; });
    for (size_t i = 0; i < Count;) {
      size_t j = i + 1;
      while (j < Count && Keys[j].Digits == Keys[i].Digits) ++j;
      if (i > 0) Starts[i] = 1;
      // Equal digits of keys that have ended: equal keys.
      if (j - i > 1 && Keys[i].Digits != 0) {
        for (size_t k = i; k < j; ++k) Keys[k].Digits = DigitsAt(Keys[k], Offset + 8);
        SortByDigits(Keys + i, j - i, Offset + 8, Starts + i);
      }
      i = j;
    }
  }

  // Each distinct text's rank (equal keys one rank) in Rank; answers the
  // greatest rank. The keys are sorted by their first eight bytes (in runs on
  // several threads, the runs merged), then each run of equal bytes by the
  // bytes after them, the runs shared among the threads. Ties have one rank,
  // so the rows' sort makes the same moves whatever order this sort leaves
  // equal keys in.
  static Int64 RankOnThreads(const TTextKeys& T, std::vector<Int64>& Rank) {
    const size_t count = T.Count();
    std::vector<TKeyDigits> keys(count);
    for (size_t k = 0; k < count; ++k) {
      const std::string_view rest = T.Rest(static_cast<uint32_t>(k));
      keys[k] = TKeyDigits{0, rest.data(), static_cast<uint32_t>(rest.size()), static_cast<uint32_t>(k)};
      keys[k].Digits = DigitsAt(keys[k], 0);
    }
    auto byDigits = [](const TKeyDigits& a, const TKeyDigits& b) { return a.Digits < b.Digits; };
    struct TRun {
      size_t Begin = 0, End = 0;
    };
    const size_t threads = ThreadsFor(count, kRankPerThread, kRankThreads);
    std::vector<TRun> runs = CutIntoParts<TRun>(count, threads, 1);
    RunPartsOnThreads(runs.size(), threads, [&](size_t p) {
      std::sort(keys.begin() + static_cast<ptrdiff_t>(runs[p].Begin),
                keys.begin() + static_cast<ptrdiff_t>(runs[p].End), byDigits);
    });
    // Neighbouring runs merged pairwise, the pairs of a round on threads of their own.
    std::vector<TKeyDigits> merged(count);
    auto at = [](std::vector<TKeyDigits>& v, size_t i) { return v.begin() + static_cast<ptrdiff_t>(i); };
    while (runs.size() > 1) {
      std::vector<TRun> next((runs.size() + 1) / 2);
      RunPartsOnThreads(next.size(), std::min(threads, next.size()), [&](size_t p) {
        const TRun& a = runs[2 * p];
        if (2 * p + 1 == runs.size()) {
          std::copy(at(keys, a.Begin), at(keys, a.End), at(merged, a.Begin));
          next[p] = a;
          return;
        }
        const TRun& b = runs[2 * p + 1];
        std::merge(at(keys, a.Begin), at(keys, a.End), at(keys, b.Begin), at(keys, b.End), at(merged, a.Begin),
                   byDigits);
        next[p] = TRun{a.Begin, b.End};
      });
      keys.swap(merged);
      runs.swap(next);
    }
    std::vector<TKeyDigits>().swap(merged);
    // The runs of equal first digits, each sorted on by whichever thread is free.
    std::vector<char> starts(count, 0);
    std::vector<TRun> equal;
    for (size_t i = 0; i < count;) {
      size_t j = i + 1;
      while (j < count && keys[j].Digits == keys[i].Digits) ++j;
      if (i > 0) starts[i] = 1;
      if (j - i > 1 && keys[i].Digits != 0) equal.push_back(TRun{i, j});
      i = j;
    }
    RunPartsOnThreads(equal.size(), threads, [&](size_t p) {
      const TRun run = equal[p];
      for (size_t k = run.Begin; k < run.End; ++k) keys[k].Digits = DigitsAt(keys[k], 8);
      SortByDigits(keys.data() + run.Begin, run.End - run.Begin, 8, starts.data() + run.Begin);
    });
    Rank.resize(count);
    Int64 r = 0;
    for (size_t k = 0; k < count; ++k) {
      if (k > 0 && starts[k]) ++r;
      Rank[keys[k].Key] = r;
    }
    return r;
  }

  std::vector<Column> FColumns;
  size_t FRows = 0;
};

// ---- the quicksort over compact items ------------------------------------------------
//
// Each item holds a row and the keys its comparisons need, so that sorting
// walks items side by side instead of reaching for keys all over the table.

template <class TKey>
struct TPackedItem {
  TKey K;
  Integer Row;
};

// The packed number, then a last text column: the head of its collation key
// after the start all keys share, and the key's number.
struct TTextItem {
  uint64_t K;
  uint64_t Head;
  uint32_t Text;
  Integer Row;
};

template <class TItem, class TCompare>
std::vector<Integer> SortItems(std::vector<TItem>& Items, TCompare&& Cmp) {
  QuickSortEh(Items, 0, static_cast<Integer>(Items.size()) - 1, Cmp);
  std::vector<Integer> rows(Items.size());
  for (size_t i = 0; i < Items.size(); ++i) rows[i] = Items[i].Row;
  return rows;
}

template <class TKey>
std::vector<Integer> SortPacked(const std::vector<uint64_t>& Packed) {
  std::vector<TPackedItem<TKey>> items(Packed.size());
  for (size_t i = 0; i < Packed.size(); ++i)
    items[i] = TPackedItem<TKey>{static_cast<TKey>(Packed[i]), static_cast<Integer>(i)};
  return SortItems(items, [](const TPackedItem<TKey>& a, const TPackedItem<TKey>& b) {
    return a.K < b.K ? -1 : a.K > b.K ? 1 : 0;
  });
}

// Each row's text item: its packed number beside the head and number of the
// last text column's key.
std::vector<TTextItem> TextItems(const TSortKeys& Keys, const std::vector<uint64_t>& Packed) {
  const size_t last = Keys.ColumnCount() - 1;
  std::vector<TTextItem> items(Packed.size());
  for (size_t i = 0; i < Packed.size(); ++i)
    items[i] = TTextItem{Packed[i], Keys.HeadOf(last, i), Keys.TextOf(last, i), static_cast<Integer>(i)};
  return items;
}

// Two text items as their rows compare: the packed number, then the text's
// head, then its whole key (reversed for DESC).
class TTextItemOrder {
public:
  explicit TTextItemOrder(const TSortKeys& Keys)
      : FTexts(Keys.Texts(Keys.ColumnCount() - 1)), FSign(Keys.Descending(Keys.ColumnCount() - 1) ? -1 : 1) {}
  int operator()(const TTextItem& A, const TTextItem& B) const {
    if (A.K != B.K) return A.K < B.K ? -1 : 1;
    if (A.Head != B.Head) return A.Head < B.Head ? -FSign : FSign;
    return FSign * FTexts.Compare(A.Text, B.Text);
  }

private:
  const TTextKeys& FTexts;
  int FSign;
};

// How two rows of a key table compare (CompareRecordsByOrder's answer):
// through the packed number and, with a last text column, the text items
// beside it, where the keys pack; else column by column.
class TRowOrder {
public:
  explicit TRowOrder(const TSortKeys& Keys) : FKeys(Keys), FTextOrder(Keys) {
    unsigned bits = 0;
    if (!Keys.Pack(FPacked, bits)) return;
    if (Keys.KindOf(Keys.ColumnCount() - 1) != TSortKeys::kText) {
      FKind = kNumbers;
      return;
    }
    FItems = TextItems(Keys, FPacked);
    std::vector<uint64_t>().swap(FPacked);
    FKind = kTextItems;
  }
  // The packed number alone orders the rows: Number(row) is it.
  bool NumbersOnly() const { return FKind == kNumbers; }
  uint64_t Number(Integer Row) const { return FPacked[static_cast<size_t>(Row)]; }
  int operator()(Integer A, Integer B) const {
    switch (FKind) {
      case kNumbers: return Order(Number(A), Number(B));
      case kTextItems: return FTextOrder(FItems[static_cast<size_t>(A)], FItems[static_cast<size_t>(B)]);
      default: return FKeys.Compare(A, B);
    }
  }

private:
  enum TKind { kColumns, kNumbers, kTextItems };
  const TSortKeys& FKeys;
  TTextItemOrder FTextOrder;
  TKind FKind = kColumns;
  std::vector<uint64_t> FPacked;
  std::vector<TTextItem> FItems;
};

// The rows in sorted order, sorting compact items where the keys allow it.
std::vector<Integer> SortedRows(const TSortKeys& Keys, size_t Count) {
  std::vector<uint64_t> packed;
  unsigned bits = 0;
  if (Keys.Pack(packed, bits)) {
    if (Keys.KindOf(Keys.ColumnCount() - 1) != TSortKeys::kText)
      return bits <= 32 ? SortPacked<uint32_t>(packed) : SortPacked<uint64_t>(packed);
    std::vector<TTextItem> items = TextItems(Keys, packed);
    std::vector<uint64_t>().swap(packed);
    return SortItems(items, TTextItemOrder(Keys));
  }
  std::vector<Integer> rows(Count);
  for (size_t i = 0; i < Count; ++i) rows[i] = static_cast<Integer>(i);
  if (Count > 1)
    QuickSortEh(rows, 0, static_cast<Integer>(Count) - 1, [&Keys](Integer a, Integer b) { return Keys.Compare(a, b); });
  return rows;
}

}  // namespace

Integer TRecordsViewEh::CompareRecordsByOrder(TMemoryRecordEh* Rec1, TMemoryRecordEh* Rec2, TOrderByList* OrderBy) {
  if (!OrderBy) return 0;
  for (Integer k = 0; k < OrderBy->Count(); ++k) {
    const TOrderByItemEh* item = OrderBy->GetItem(k);
    const TRecValueEh& a = ValueAt(Rec1, item->FieldIndex);
    const TRecValueEh& b = ValueAt(Rec2, item->FieldIndex);
    const bool an = a.IsNullOrEmpty(), bn = b.IsNullOrEmpty();
    Integer r;
    if (an || bn) {
      if (an && bn) continue;
      r = an ? -1 : 1;
    } else {
      switch (CompareStoredValues(a, b)) {
        case TVarCompareResult::vrEqual: r = 0; break;
        case TVarCompareResult::vrLessThan: r = -1; break;
        default: r = 1; break;
      }
    }
    if (r != 0) return item->Desc ? -r : r;
  }
  return 0;
}

void TRecordsViewEh::SortRecordsByOrder(std::vector<TMemoryRecordEh*>& List, TOrderByList* OrderBy) {
  if (List.size() < 2) return;
  TSortKeys keys;
  if (!keys.Build(List, OrderBy)) {
    QuickSortEh(List, 0, static_cast<Integer>(List.size()) - 1,
                [OrderBy](TMemoryRecordEh* a, TMemoryRecordEh* b) { return CompareRecordsByOrder(a, b, OrderBy); });
    return;
  }
  const std::vector<Integer> rows = SortedRows(keys, List.size());
  std::vector<TMemoryRecordEh*> sorted(List.size());
  for (size_t i = 0; i < rows.size(); ++i) sorted[i] = List[static_cast<size_t>(rows[i])];
  List.swap(sorted);
}

bool TMemoryTreeListEh::SortFamilies(const std::vector<TMemoryRecordEh*>& List, const TLentTableEh<Integer>& First,
                                     TLentTableEh<Integer>& Children) {
  TSortKeys keys;
  if (List.size() < 2 || !keys.Build(List, FOrderByList.get())) return false;
  // The quicksort SortData runs over each node's children, so ties end where they would.
  const TRowOrder order(keys);
  if (!order.NumbersOnly()) {
    for (size_t g = 0; g + 1 < First.size(); ++g)
      if (First[g + 1] - First[g] > 1) QuickSortEh(Children, First[g], First[g + 1] - 1, order);
    return true;
  }
  // Each family's numbers gathered beside their rows: the same moves, without
  // a reach into the table at every comparison.
  std::vector<TPackedItem<uint64_t>> items;
  for (size_t g = 0; g + 1 < First.size(); ++g) {
    const size_t from = static_cast<size_t>(First[g]), count = static_cast<size_t>(First[g + 1]) - from;
    if (count < 2) continue;
    items.resize(count);
    for (size_t k = 0; k < count; ++k) items[k] = {order.Number(Children[from + k]), Children[from + k]};
    QuickSortEh(items, 0, static_cast<Integer>(count) - 1,
                [](const TPackedItem<uint64_t>& a, const TPackedItem<uint64_t>& b) { return Order(a.K, b.K); });
    for (size_t k = 0; k < count; ++k) Children[from + k] = items[k].Row;
  }
  return true;
}

void TMemoryTreeListEh::SortByOrder(TOrderByList* OrderBy) {
  // Only children that have a sibling are ever compared: the others need no key.
  std::vector<TMemoryRecordEh*> recs;
  std::vector<TMemRecViewEh*> nodes;
  recs.reserve(FRecordNodes.Size());
  nodes.reserve(FRecordNodes.Size());
  for (TBaseTreeNodeEh* n = GetFirst(); n; n = GetNext(n)) {
    auto* node = static_cast<TMemRecViewEh*>(n);
    if (node->GetParent() && node->GetParent()->Count() < 2) continue;
    node->FSortRow = static_cast<Integer>(recs.size());
    recs.push_back(node->GetRec());
    nodes.push_back(node);
  }
  auto rowOf = [](TBaseTreeNodeEh* n) { return static_cast<TMemRecViewEh*>(n)->FSortRow; };
  TSortKeys keys;
  if (keys.Build(recs, OrderBy)) {
    const TRowOrder order(keys);
    TTreeListEh::SortData([&](TBaseTreeNodeEh* a, TBaseTreeNodeEh* b, TObject*) { return order(rowOf(a), rowOf(b)); },
                          OrderBy, true);
  } else {
    TTreeListEh::SortData(
        [](TBaseTreeNodeEh* a, TBaseTreeNodeEh* b, TObject* param) {
          return TRecordsViewEh::CompareRecordsByOrder(static_cast<TMemRecViewEh*>(a)->GetRec(),
                                                       static_cast<TMemRecViewEh*>(b)->GetRec(),
                                                       static_cast<TOrderByList*>(param));
        },
        OrderBy, true);
  }
  for (TMemRecViewEh* node : nodes) node->FSortRow = -1;
  MakeDirty();
}
