#include "client/ResourceList.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "client/SettingsFile.h"
#include "client/__str.h"
#include "platform/core/CodePage.h"
#include "platform/core/Files.h"
#include "platform/core/StringList.h"
#include "platform/core/Strings.h"

namespace {

constexpr const Char* kFieldNames[15] = {u"ID_THIS", u"ID_PARENT", u"ID_TYPE",  u"NPP", u"ItsActual",
                                         u"ItsUse",  u"NAME_THIS", u"Database", u"URL", u"PORT",
                                         u"Syntax",  u"Encoding",  u"Username", u"PSW", u"Note"};

// Where a line's characters go: a UTF-16 line, or the file's bytes in the
// ANSI code page. Clean writes a value with its control characters as blanks,
// so that no TAB or line break inside it splits the line.
struct TWideSink {
  String& Out;
  void Text(StringView Run) { Out.append(Run); }
  void Clean(StringView Value) {
    for (Char c : Value) Out.push_back(c < u' ' ? u' ' : c);
  }
  void Tab() { Out.push_back(u'\t'); }
  void Number(Integer Value) { Out += IntToStr(Value); }
};

// Writes at P, which has room for the whole line (ResourceLineBound).
struct TAnsiSink {
  char* P;
  void Text(StringView Run) { P = WriteAnsi(Run, P); }
  void Clean(StringView Value) {
    // Printable ASCII, most of any line, goes across as it is, eight
    // characters a step. (A local pointer from here: the bytes written might
    // alias the member for the compiler.)
    size_t i = CopyAsciiRun(Value, P, u' ');
    char* p = P + i;
    // The rest in runs between control characters.
    size_t run = i;
    for (; i < Value.size(); ++i) {
      if (Value[i] >= u' ') continue;
      p = WriteAnsi(Value.substr(run, i - run), p);
      *p++ = ' ';
      run = i + 1;
    }
    P = run < Value.size() ? WriteAnsi(Value.substr(run), p) : p;
  }
  void Tab() { *P++ = '\t'; }
  void Number(Integer Value) { P = std::to_chars(P, P + 11, Value).ptr; }
};

// Appends a text field as the file holds it: never empty (the reader could
// not see it), and without TABs or line breaks, which would split the line.
template <class TSink>
void AppendField(TSink& Line, StringView Value, const Char* Default) {
  size_t b = 0, e = Value.size();
  while (b < e && Value[b] <= u' ') ++b;
  while (e > b && Value[e - 1] <= u' ') --e;
  if (b == e) Line.Text(Default);
  else Line.Clean(Value.substr(b, e - b));
  Line.Tab();
}

template <class TSink>
void AppendNumber(TSink& Line, Integer Value) {
  Line.Number(Value);
  Line.Tab();
}

template <class TSink>
void AppendLine(TSink& Line, const TResourceLineView& R) {
  const Char* connDefault = R.ID_TYPE >= 1 ? u"???" : u" ";
  AppendNumber(Line, R.ID_THIS);
  AppendNumber(Line, R.ID_PARENT);
  AppendNumber(Line, R.ID_TYPE);
  AppendNumber(Line, R.NPP);
  AppendField(Line, R.ItsActual, u" ");
  AppendField(Line, R.ItsUse, u" ");
  AppendField(Line, R.NAME_THIS, u"???");
  AppendField(Line, R.Database, connDefault);
  AppendField(Line, R.URL, connDefault);
  AppendNumber(Line, R.PORT);
  AppendField(Line, R.Syntax, connDefault);
  AppendField(Line, R.Encoding, connDefault);
  AppendField(Line, R.Username, u" ");
  AppendField(Line, R.PSW, u" ");
  AppendField(Line, R.Note, u" ");
}

String LineOf(const TResourceLineView& R) {
  String line;
  line.reserve(128);
  TWideSink sink{line};
  AppendLine(sink, R);
  return line;
}

// Lines as the platform's string list reads them: CR LF, CR and LF each end a
// line, and a final line end adds no empty line.
// Views into Text, which must outlive them.
std::vector<StringView> SplitLines(const String& Text) {
  std::vector<StringView> lines;
  const StringView t(Text);
  size_t start = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == u'\r' || t[i] == u'\n') {
      lines.push_back(t.substr(start, i - start));
      if (t[i] == u'\r' && i + 1 < t.size() && t[i + 1] == u'\n') ++i;
      start = i + 1;
    }
  }
  if (start < t.size()) lines.push_back(t.substr(start));
  return lines;
}

// Trim without the copy.
StringView TrimView(StringView S) {
  size_t b = 0, e = S.size();
  while (b < e && S[b] <= u' ') ++b;
  while (e > b && S[e - 1] <= u' ') --e;
  return S.substr(b, e - b);
}

// LineToResourceRecord over a view: each field is copied once, trimmed.
bool ParseResourceLine(StringView Line, TResourceRecord& Record) {
  Record = TResourceRecord();
  const StringView s = TrimView(Line);
  StringView f[15];
  size_t n = 0;
  for (size_t i = 0; i < s.size() && n < 15;) {
    while (i < s.size() && s[i] == u'\t') ++i;
    if (i == s.size()) break;
    const size_t start = i;
    while (i < s.size() && s[i] != u'\t') ++i;
    f[n++] = s.substr(start, i - start);
  }
  if (n == 0) return false;
  auto text = [&](size_t i) { return i < n ? String(TrimView(f[i])) : String(); };
  // StrToIntDefTrim over the view, without copying the digits.
  auto num = [&](size_t i) {
    Integer v = 0;
    return i < n && TryStrToInt(TrimView(f[i]), v) ? v : 0;
  };
  Record.ID_THIS = num(0);
  Record.ID_PARENT = num(1);
  Record.ID_TYPE = num(2);
  Record.NPP = num(3);
  Record.ItsActual = text(4);
  Record.ItsUse = text(5);
  Record.NAME_THIS = text(6);
  Record.Database = text(7);
  Record.URL = text(8);
  Record.PORT = num(9);
  Record.Syntax = text(10);
  Record.Encoding = text(11);
  Record.Username = text(12);
  Record.PSW = text(13);
  Record.Note = text(14);
  return true;
}

// The table's placeholders put into a record in place (its texts are trimmed).
void PutTablePlaceholders(TResourceRecord& R) {
  const Char* connDefault = R.IsResource() ? u"???" : u"";
  auto orDefault = [](String& Value, const Char* Default) {
    if (Value.empty()) Value = Default;
  };
  orDefault(R.NAME_THIS, u"???");
  orDefault(R.Database, connDefault);
  orDefault(R.URL, connDefault);
  orDefault(R.Syntax, connDefault);
  orDefault(R.Encoding, connDefault);
  orDefault(R.ItsActual, u" ");
  orDefault(R.ItsUse, u" ");
  orDefault(R.Username, u" ");
  orDefault(R.PSW, u" ");
  orDefault(R.Note, u" ");
}

Integer Percent(size_t Done, size_t Total) {
  return static_cast<Integer>(static_cast<unsigned long long>(Done) * 100 / Total);
}

}  // namespace

String TrimOrDefault(const String& Value, const String& Default) {
  String s = Trim(Value);
  return s.empty() ? Default : s;
}

String ResourceRecordToLine(const TResourceRecord& Record) { return LineOf(ResourceLineView(Record)); }

TResourceLineView ResourceLineView(const TResourceRecord& R) {
  TResourceLineView v;
  v.ID_THIS = R.ID_THIS;
  v.ID_PARENT = R.ID_PARENT;
  v.ID_TYPE = R.ID_TYPE;
  v.NPP = R.NPP;
  v.PORT = R.PORT;
  v.NAME_THIS = R.NAME_THIS;
  v.ItsActual = R.ItsActual;
  v.ItsUse = R.ItsUse;
  v.Database = R.Database;
  v.URL = R.URL;
  v.Syntax = R.Syntax;
  v.Encoding = R.Encoding;
  v.Username = R.Username;
  v.PSW = R.PSW;
  v.Note = R.Note;
  return v;
}

size_t ResourceLineBound(const TResourceLineView& R) {
  // Every character one byte at most, each number 11, each field at least a
  // 3-byte default, its TAB, and CR LF.
  return R.NAME_THIS.size() + R.ItsActual.size() + R.ItsUse.size() + R.Database.size() + R.URL.size() +
         R.Syntax.size() + R.Encoding.size() + R.Username.size() + R.PSW.size() + R.Note.size() + 15 * (11 + 3 + 1) + 2;
}

char* WriteResourceLineBytes(char* Out, const TResourceLineView& Record) {
  TAnsiSink sink{Out};
  AppendLine(sink, Record);
  *sink.P++ = '\r';
  *sink.P++ = '\n';
  return sink.P;
}

String ResourceRecordToLine(const TStrings* Record) {
  if (!Record || Record->GetCount() == 0) return String();
  auto num = [&](const Char* Name) { return StrToIntDefTrim(Record->GetValue(Name), 0); };
  TResourceRecord texts;
  texts.NAME_THIS = Record->GetValue(u"NAME_THIS");
  texts.ItsActual = Record->GetValue(u"ItsActual");
  texts.ItsUse = Record->GetValue(u"ItsUse");
  texts.Database = Record->GetValue(u"Database");
  texts.URL = Record->GetValue(u"URL");
  texts.Syntax = Record->GetValue(u"Syntax");
  texts.Encoding = Record->GetValue(u"Encoding");
  texts.Username = Record->GetValue(u"Username");
  texts.PSW = Record->GetValue(u"PSW");
  texts.Note = Record->GetValue(u"Note");
  TResourceLineView view = ResourceLineView(texts);
  view.ID_THIS = num(u"ID_THIS");
  view.ID_PARENT = num(u"ID_PARENT");
  view.ID_TYPE = num(u"ID_TYPE");
  view.NPP = num(u"NPP");
  view.PORT = num(u"PORT");
  return LineOf(view);
}

Integer ResourceLineId(const String& Line) {
  return StrToIntDefTrim(ExtractWordN(Line, 1, TSysCharSet{u'\t'}, true), 0);
}

bool LineToResourceRecord(const String& Line, TResourceRecord& Record) { return ParseResourceLine(Line, Record); }

bool LineToResourceRecord(const String& Line, TStrings* Record) {
  if (!Record) return false;
  Record->Clear();
  TResourceRecord r;
  if (!LineToResourceRecord(Line, r)) return false;
  const String values[15] = {IntToStr(r.ID_THIS),
                             IntToStr(r.ID_PARENT),
                             IntToStr(r.ID_TYPE),
                             IntToStr(r.NPP),
                             r.ItsActual,
                             r.ItsUse,
                             r.NAME_THIS,
                             r.Database,
                             r.URL,
                             IntToStr(r.PORT),
                             r.Syntax,
                             r.Encoding,
                             r.Username,
                             r.PSW,
                             r.Note};
  // Added line by line: setting an empty value by name would drop the name.
  for (size_t i = 0; i < 15; ++i) Record->Add(String(kFieldNames[i]) + u"=" + values[i]);
  return true;
}

TResourceRecord ResourceRecordForTable(const TResourceRecord& Parsed) {
  TResourceRecord r = Parsed;
  const String connDefault = r.IsResource() ? u"???" : u"";
  r.NAME_THIS = TrimOrDefault(r.NAME_THIS, u"???");
  r.Database = TrimOrDefault(r.Database, connDefault);
  r.URL = TrimOrDefault(r.URL, connDefault);
  r.Syntax = TrimOrDefault(r.Syntax, connDefault);
  r.Encoding = TrimOrDefault(r.Encoding, connDefault);
  r.ItsActual = TrimOrDefault(r.ItsActual, u" ");
  r.ItsUse = TrimOrDefault(r.ItsUse, u" ");
  r.Username = TrimOrDefault(r.Username, u" ");
  r.PSW = TrimOrDefault(r.PSW, u" ");
  r.Note = TrimOrDefault(r.Note, u" ");
  return r;
}

TResourceRecord RootGroupRecord() {
  TResourceRecord r;
  r.ID_THIS = 0;
  r.ID_PARENT = -1;
  r.ID_TYPE = 0;
  r.NPP = 0;
  r.NAME_THIS = RootGroupName;
  r.ItsActual = u"+";
  r.ItsUse = u"+";
  return r;
}

String ResourceListFileName(const String& SettingsFolder) {
  return SettingsFolderFile(SettingsFolder, ResourceListFileTitle);
}

String ResourceListHeaderLine() {
  String line = u"* ";
  for (const Char* name : kFieldNames) line += String(name) + u"\t";
  return line;
}

String ResourceListRulerLine() { return u"* " + String(173, u'='); }

AnsiString ResourceListHeadBytes() {
  return StringToAnsi(ResourceListHeaderLine() + u"\r\n" + ResourceListRulerLine() + u"\r\n");
}

namespace {

// The identifiers met so far, the first record of each winning: a bit each
// for identifiers up to a bound that numbered records stay under, a hash for
// the rare larger ones.
class TSeenIds {
public:
  explicit TSeenIds(size_t Lines) : FBound(64 * static_cast<UInt64>(Lines) + 4096) {}
  // False when Id was met before.
  bool Insert(Integer Id) {
    if (static_cast<UInt64>(Id) >= FBound) return FLarge.insert(Id).second;
    const size_t at = static_cast<size_t>(Id);
    if (at >= FBits.size()) FBits.resize(std::max(at + 1, FBits.size() * 2));
    if (FBits[at]) return false;
    FBits[at] = true;
    return true;
  }

private:
  UInt64 FBound;
  std::vector<bool> FBits;
  std::unordered_set<Integer> FLarge;
};

}  // namespace

size_t ReadResourceListText(const String& Text, const TResourceRecordSink& Take, const TProgressEvent& Progress) {
  const std::vector<StringView> lines = SplitLines(Text);
  TSeenIds ids(lines.size());
  size_t taken = 0;
  TResourceRecord parsed;
  // The first line is the header and is never read, whatever it holds.
  for (size_t i = 1; i < lines.size(); ++i) {
    const StringView line = TrimView(lines[i]);
    if (!line.empty() && line.front() != u'*' && ParseResourceLine(line, parsed) && parsed.ID_THIS >= 0 &&
        ids.Insert(parsed.ID_THIS)) {
      PutTablePlaceholders(parsed);
      Take(parsed, false);
      ++taken;
    }
    if (Progress) Progress(Percent(i, lines.size()));
  }
  if (Progress) Progress(100);
  if (taken == 0) {
    TResourceRecord root = RootGroupRecord();
    Take(root, true);
  }
  return taken;
}

namespace {

// The bytes a UTF-16 text (by its mark) ends in that make no whole character:
// a byte past the last whole code unit, and before it the first half of a
// surrogate pair whose second half is missing. 0 for other texts. Head is the
// text's start, Tail its end (its last three bytes, or all of a shorter text),
// Size its length.
size_t CutCharacterBytes(std::string_view Head, std::string_view Tail, std::uintmax_t Size) {
  const bool big = Head.starts_with("\xFE\xFF");
  if (!big && !Head.starts_with("\xFF\xFE")) return 0;
  const size_t odd = Size % 2;
  // The last whole code unit, when one follows the mark.
  if (Size < 4 + odd || Tail.size() < 2 + odd) return odd;
  const std::string_view unit = Tail.substr(Tail.size() - odd - 2, 2);
  const auto high = static_cast<unsigned char>(big ? unit[0] : unit[1]);
  return high >= 0xD8 && high <= 0xDB ? odd + 2 : odd;
}

// The list file's text, or none when there is no regular file. The part of a
// character a cut UTF-16 text ends in is left out: read, it would become a
// character of its own that the file never held.
String ResourceListFileText(const String& FileName) {
  if (!RegularFileExists(FileName)) return String();
  std::string bytes = ReadFileBytes(FileName);
  bytes.resize(bytes.size() - CutCharacterBytes(bytes, bytes, bytes.size()));
  return DecodeText(bytes);
}

}  // namespace

String ResourceListCutShortText(const String& FileName) {
  if (!RegularFileExists(FileName)) return String();
  // The mark, the last bytes and the size tell it: the list itself is not
  // read twice.
  std::ifstream in(ToUtf8(FileName), std::ios::binary | std::ios::ate);
  const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
  char head[2] = {}, tail[3] = {};
  const std::streamoff tailSize = std::min<std::streamoff>(size, 3);
  if (size < 2 || !in.seekg(0) || !in.read(head, 2) || !in.seekg(size - tailSize) || !in.read(tail, tailSize) ||
      CutCharacterBytes(std::string_view(head, 2), std::string_view(tail, static_cast<size_t>(tailSize)),
                        static_cast<std::uintmax_t>(size)) == 0)
    return String();
  // The cause first: the message box shows two lines without scrolling.
  return u"Список ресурсов повреждён: текст в UTF-16 обрывается на половине символа. Список прочитан без "
         u"неполного последнего символа. Файл: " +
         Trim(FileName);
}

size_t LoadResourceListFile(const String& FileName, const TResourceRecordSink& Take, const TProgressEvent& Progress) {
  return ReadResourceListText(ResourceListFileText(FileName), Take, Progress);
}

std::vector<TResourceRecord> ReadResourceListText(const String& Text, const TProgressEvent& Progress,
                                                  bool* RootGroupMade) {
  std::vector<TResourceRecord> records;
  bool root = false;
  ReadResourceListText(
      Text,
      [&](TResourceRecord& Record, bool RootGroup) {
        records.push_back(std::move(Record));
        root = RootGroup;
      },
      Progress);
  if (RootGroupMade) *RootGroupMade = root;
  return records;
}

std::vector<TResourceRecord> LoadResourceListFile(const String& FileName, const TProgressEvent& Progress,
                                                  bool* RootGroupMade) {
  return ReadResourceListText(ResourceListFileText(FileName), Progress, RootGroupMade);
}

namespace {

// Record positions by identifier, the first record of an identifier winning:
// a plain array over the identifiers' range when they lie close together (as
// numbered records do), else a hash map.
class TIdPositions {
public:
  explicit TIdPositions(const std::vector<TResourceTreeKey>& Keys) {
    const size_t n = Keys.size();
    if (n == 0) return;
    Int64 lo = Keys[0].ID_THIS, hi = lo;
    for (const TResourceTreeKey& k : Keys) {
      lo = std::min<Int64>(lo, k.ID_THIS);
      hi = std::max<Int64>(hi, k.ID_THIS);
    }
    if (hi - lo < static_cast<Int64>(4 * n + 1024)) {
      FLow = lo;
      FDense.assign(static_cast<size_t>(hi - lo + 1), kNone);
      for (size_t i = 0; i < n; ++i) {
        size_t& at = FDense[static_cast<size_t>(Keys[i].ID_THIS - lo)];
        if (at == kNone) at = i;
      }
    } else {
      FSparse.reserve(n);
      for (size_t i = 0; i < n; ++i) FSparse.emplace(Keys[i].ID_THIS, i);
    }
  }
  static constexpr size_t kNone = static_cast<size_t>(-1);
  // The position of Id's record, or kNone.
  size_t Find(Integer Id) const {
    if (!FSparse.empty()) {
      const auto it = FSparse.find(Id);
      return it == FSparse.end() ? kNone : it->second;
    }
    const Int64 at = static_cast<Int64>(Id) - FLow;
    return at < 0 || at >= static_cast<Int64>(FDense.size()) ? kNone : FDense[static_cast<size_t>(at)];
  }

private:
  Int64 FLow = 0;
  std::vector<size_t> FDense;
  std::unordered_map<Integer, size_t> FSparse;
};

}  // namespace

std::vector<size_t> ResourceTreeOrderPositions(const std::vector<TResourceTreeKey>& Keys) {
  const size_t n = Keys.size();
  const TIdPositions byId(Keys);
  constexpr size_t kNone = TIdPositions::kNone;

  // Each record's children as one run of a shared array, in store order, so
  // the stable sort below keeps store order among equal siblings.
  std::vector<size_t> parentOf(n, kNone);
  std::vector<size_t> firstChild(n + 1, 0);
  std::vector<size_t> roots;
  for (size_t i = 0; i < n; ++i) {
    const size_t parent = byId.Find(Keys[i].ID_PARENT);
    if (parent != kNone && parent != i) {
      parentOf[i] = parent;
      ++firstChild[parent + 1];
    } else {
      roots.push_back(i);
    }
  }
  for (size_t i = 0; i < n; ++i) firstChild[i + 1] += firstChild[i];
  std::vector<size_t> children(firstChild[n]);
  {
    std::vector<size_t> fill(firstChild.begin(), firstChild.end() - 1);
    for (size_t i = 0; i < n; ++i)
      if (parentOf[i] != kNone) children[fill[parentOf[i]]++] = i;
  }
  auto siblingOrder = [&](size_t a, size_t b) {
    if (Keys[a].NPP != Keys[b].NPP) return Keys[a].NPP < Keys[b].NPP;
    return AnsiCompareStr(Keys[a].NAME_THIS, Keys[b].NAME_THIS) < 0;
  };
  std::stable_sort(roots.begin(), roots.end(), siblingOrder);
  for (size_t p = 0; p < n; ++p)
    if (firstChild[p + 1] - firstChild[p] > 1)
      std::stable_sort(children.begin() + static_cast<std::ptrdiff_t>(firstChild[p]),
                       children.begin() + static_cast<std::ptrdiff_t>(firstChild[p + 1]), siblingOrder);

  std::vector<size_t> ordered;
  ordered.reserve(n);
  std::vector<bool> visited(n, false);
  std::vector<size_t> stack;
  auto walk = [&](size_t top) {
    stack.push_back(top);
    while (!stack.empty()) {
      const size_t i = stack.back();
      stack.pop_back();
      if (visited[i]) continue;
      visited[i] = true;
      ordered.push_back(i);
      for (size_t c = firstChild[i + 1]; c-- > firstChild[i];) {
        if (!visited[children[c]]) stack.push_back(children[c]);
      }
    }
  };
  for (size_t r : roots) walk(r);
  // Records whose parents form a loop are reached from no top-level record.
  for (size_t i = 0; i < n; ++i) {
    if (!visited[i]) walk(i);
  }
  return ordered;
}

namespace {

std::vector<size_t> TreeOrderPositions(const std::vector<TResourceRecord>& Records) {
  std::vector<TResourceTreeKey> keys;
  keys.reserve(Records.size());
  for (const TResourceRecord& r : Records) keys.push_back({r.ID_THIS, r.ID_PARENT, r.NPP, r.NAME_THIS});
  return ResourceTreeOrderPositions(keys);
}

}  // namespace

std::vector<TResourceRecord> ResourceTreeOrder(const std::vector<TResourceRecord>& Records) {
  std::vector<TResourceRecord> ordered;
  ordered.reserve(Records.size());
  for (size_t i : TreeOrderPositions(Records)) ordered.push_back(Records[i]);
  return ordered;
}

std::vector<TResourceRecord> ResourceTreeOrder(std::vector<TResourceRecord>&& Records) {
  std::vector<TResourceRecord> ordered;
  ordered.reserve(Records.size());
  for (size_t i : TreeOrderPositions(Records)) ordered.push_back(std::move(Records[i]));
  return ordered;
}

std::vector<String> BuildResourceListLines(const std::vector<TResourceRecord>& Records,
                                           const TProgressEvent& Progress) {
  std::vector<String> lines;
  lines.reserve(Records.size() + 2);
  lines.push_back(ResourceListHeaderLine());
  lines.push_back(ResourceListRulerLine());
  for (size_t i = 0; i < Records.size(); ++i) {
    lines.push_back(ResourceRecordToLine(Records[i]));
    if (Progress) Progress(Percent(i + 1, Records.size()));
  }
  return lines;
}

void WriteResourceListFile(const String& FileName, const std::vector<String>& Lines) {
  String text;
  size_t size = 0;
  for (const String& l : Lines) size += l.size() + 2;
  text.reserve(size);
  for (const String& l : Lines) {
    text += l;
    text += u"\r\n";
  }
  // What a save killed part-way left beside the list goes with this one.
  RemoveLeftoverTempFiles(FileName);
  WriteTextFileAtomic(FileName, text);
}
