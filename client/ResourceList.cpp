#include "client/ResourceList.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "client/SettingsFile.h"
#include "client/__str.h"
#include "platform/core/Files.h"
#include "platform/core/StringList.h"
#include "platform/core/Strings.h"

namespace {

constexpr const Char* kFieldNames[15] = {u"ID_THIS",  u"ID_PARENT", u"ID_TYPE", u"NPP",
                                         u"ItsActual", u"ItsUse",   u"NAME_THIS", u"Database",
                                         u"URL",      u"PORT",      u"Syntax",  u"Encoding",
                                         u"Username", u"PSW",       u"Note"};


// Appends a text field as the file holds it: never empty (the reader could
// not see it), and without TABs or line breaks, which would split the line.
void AppendField(String& Line, const String& Value, const Char* Default) {
  size_t b = 0, e = Value.size();
  while (b < e && Value[b] <= u' ') ++b;
  while (e > b && Value[e - 1] <= u' ') --e;
  if (b == e) {
    Line += Default;
  } else {
    for (size_t i = b; i < e; ++i) Line += Value[i] < u' ' ? u' ' : Value[i];
  }
  Line += u'\t';
}

void AppendNumber(String& Line, Integer Value) {
  Line += IntToStr(Value);
  Line += u'\t';
}

String LineOf(Integer Id, Integer Parent, Integer Type, Integer Npp, Integer Port,
              const TResourceRecord& Texts) {
  const Char* connDefault = Type >= 1 ? u"???" : u" ";
  String line;
  line.reserve(128);
  AppendNumber(line, Id);
  AppendNumber(line, Parent);
  AppendNumber(line, Type);
  AppendNumber(line, Npp);
  AppendField(line, Texts.ItsActual, u" ");
  AppendField(line, Texts.ItsUse, u" ");
  AppendField(line, Texts.NAME_THIS, u"???");
  AppendField(line, Texts.Database, connDefault);
  AppendField(line, Texts.URL, connDefault);
  AppendNumber(line, Port);
  AppendField(line, Texts.Syntax, connDefault);
  AppendField(line, Texts.Encoding, connDefault);
  AppendField(line, Texts.Username, u" ");
  AppendField(line, Texts.PSW, u" ");
  AppendField(line, Texts.Note, u" ");
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
  auto num = [&](size_t i) { return i < n ? StrToIntDefTrim(String(f[i]), 0) : 0; };
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

String ResourceRecordToLine(const TResourceRecord& Record) {
  return LineOf(Record.ID_THIS, Record.ID_PARENT, Record.ID_TYPE, Record.NPP, Record.PORT, Record);
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
  return LineOf(num(u"ID_THIS"), num(u"ID_PARENT"), num(u"ID_TYPE"), num(u"NPP"), num(u"PORT"),
                texts);
}

Integer ResourceLineId(const String& Line) {
  return StrToIntDefTrim(ExtractWordN(Line, 1, TSysCharSet{u'\t'}, true), 0);
}

bool LineToResourceRecord(const String& Line, TResourceRecord& Record) {
  return ParseResourceLine(Line, Record);
}

bool LineToResourceRecord(const String& Line, TStrings* Record) {
  if (!Record) return false;
  Record->Clear();
  TResourceRecord r;
  if (!LineToResourceRecord(Line, r)) return false;
  const String values[15] = {IntToStr(r.ID_THIS), IntToStr(r.ID_PARENT), IntToStr(r.ID_TYPE),
                             IntToStr(r.NPP),     r.ItsActual,          r.ItsUse,
                             r.NAME_THIS,         r.Database,           r.URL,
                             IntToStr(r.PORT),    r.Syntax,             r.Encoding,
                             r.Username,          r.PSW,                r.Note};
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
  return SettingsFolder + ResourceListFileTitle;
}

String ResourceListHeaderLine() {
  String line = u"* ";
  for (const Char* name : kFieldNames) line += String(name) + u"\t";
  return line;
}

String ResourceListRulerLine() { return u"* " + String(173, u'='); }

std::vector<TResourceRecord> ReadResourceListText(const String& Text, const TProgressEvent& Progress,
                                                  bool* RootGroupMade) {
  const std::vector<StringView> lines = SplitLines(Text);
  std::vector<TResourceRecord> records;
  records.reserve(lines.size());
  std::unordered_set<Integer> ids;
  ids.reserve(lines.size());
  // The first line is the header and is never read, whatever it holds.
  for (size_t i = 1; i < lines.size(); ++i) {
    const StringView line = TrimView(lines[i]);
    TResourceRecord parsed;
    if (!line.empty() && line.front() != u'*' && ParseResourceLine(line, parsed) && parsed.ID_THIS >= 0 &&
        ids.insert(parsed.ID_THIS).second) {
      PutTablePlaceholders(parsed);
      records.push_back(std::move(parsed));
    }
    if (Progress) Progress(Percent(i, lines.size()));
  }
  if (Progress) Progress(100);
  if (RootGroupMade) *RootGroupMade = records.empty();
  if (records.empty()) records.push_back(RootGroupRecord());
  return records;
}

std::vector<TResourceRecord> LoadResourceListFile(const String& FileName, const TProgressEvent& Progress,
                                                  bool* RootGroupMade) {
  return ReadResourceListText(RegularFileExists(FileName) ? ReadTextFile(FileName) : String(), Progress,
                              RootGroupMade);
}

namespace {

// The positions of the records in the order of the tree.
std::vector<size_t> TreeOrderPositions(const std::vector<TResourceRecord>& Records) {
  const size_t n = Records.size();
  std::unordered_map<Integer, size_t> byId;
  for (size_t i = 0; i < n; ++i) byId.emplace(Records[i].ID_THIS, i);

  std::vector<std::vector<size_t>> children(n);
  std::vector<size_t> roots;
  for (size_t i = 0; i < n; ++i) {
    const auto parent = byId.find(Records[i].ID_PARENT);
    if (parent != byId.end() && parent->second != i)
      children[parent->second].push_back(i);
    else
      roots.push_back(i);
  }
  auto siblingOrder = [&](size_t a, size_t b) {
    if (Records[a].NPP != Records[b].NPP) return Records[a].NPP < Records[b].NPP;
    return AnsiCompareStr(Records[a].NAME_THIS, Records[b].NAME_THIS) < 0;
  };
  std::stable_sort(roots.begin(), roots.end(), siblingOrder);
  for (auto& c : children) std::stable_sort(c.begin(), c.end(), siblingOrder);

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
      for (auto c = children[i].rbegin(); c != children[i].rend(); ++c) {
        if (!visited[*c]) stack.push_back(*c);
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
  WriteTextFileAtomic(FileName, text);
}
