#include "platform/core/IniFiles.h"

#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/core/Files.h"
#include "platform/core/Format.h"
#include "platform/core/Strings.h"
#include "platform/core/WithUpdate.h"

namespace {

// Where a section's lines are: the header line and the first line after the section.
struct SectionSpan {
  Integer Header = -1;
  Integer End = -1;
};

bool IsComment(const String& line) { return !line.empty() && line[0] == u';'; }

bool HeaderName(const String& raw, String& name) {
  const String line = Trim(raw);
  if (line.size() < 2 || line.front() != u'[') return false;
  const auto close = line.find(u']');
  if (close == String::npos) return false;
  name = Trim(line.substr(1, close - 1));
  return true;
}

SectionSpan FindSection(const TStringList& lines, const String& section) {
  SectionSpan span;
  String name;
  for (Integer i = 0; i < lines.GetCount(); ++i) {
    if (!HeaderName(lines.Get(i), name)) continue;
    if (span.Header >= 0) {
      span.End = i;
      return span;
    }
    if (AnsiSameText(name, section)) span.Header = i;
  }
  if (span.Header >= 0) span.End = lines.GetCount();
  return span;
}

// Splits "name = value": false for lines that are not a key.
bool KeyLine(const String& raw, String& name, String& value) {
  if (IsComment(TrimLeft(raw))) return false;
  const auto eq = raw.find(u'=');
  if (eq == String::npos) return false;
  name = Trim(raw.substr(0, eq));
  if (name.empty()) return false;
  value = Trim(raw.substr(eq + 1));
  return true;
}

Integer FindKey(const TStringList& lines, const SectionSpan& span, const String& ident) {
  String name, value;
  for (Integer i = span.Header + 1; i < span.End; ++i)
    if (KeyLine(lines.Get(i), name, value) && AnsiSameText(name, ident)) return i;
  return -1;
}

// A typed value: absent, empty or unreadable text gives the default.
template <class T, class Parse>
T ReadParsed(TCustomIniFile& ini, const String& Section, const String& Ident, T Default, Parse parse) {
  const String s = ini.ReadString(Section, Ident, String());
  T v = 0;
  return !s.empty() && parse(s, v) ? v : Default;
}

// A value written between matching quotes reads without them.
String Unquote(const String& v) {
  if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

}  // namespace

// ---- TCustomIniFile

Integer TCustomIniFile::ReadInteger(const String& Section, const String& Ident, Integer Default) {
  String s = ReadString(Section, Ident, String());
  if (s.size() > 2 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X')) s = u"$" + s.substr(2);
  return StrToIntDef(s, Default);
}

void TCustomIniFile::WriteInteger(const String& Section, const String& Ident, Integer Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const String& Section, const String& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const String& Section, const String& Ident, bool Value) {
  WriteString(Section, Ident, Value ? u"1" : u"0");
}

double TCustomIniFile::ReadFloat(const String& Section, const String& Ident, double Default) {
  return ReadParsed(*this, Section, Ident, Default, [](const String& s, double& v) { return TryStrToFloat(s, v); });
}

void TCustomIniFile::WriteFloat(const String& Section, const String& Ident, double Value) {
  WriteString(Section, Ident, FloatToStr(Value));
}

TDateTime TCustomIniFile::ReadDate(const String& Section, const String& Ident, TDateTime Default) {
  return ReadParsed(*this, Section, Ident, Default, [](const String& s, TDateTime& v) { return TryStrToDate(s, v); });
}

void TCustomIniFile::WriteDate(const String& Section, const String& Ident, TDateTime Value) {
  WriteString(Section, Ident, DateToStr(Value));
}

TDateTime TCustomIniFile::ReadDateTime(const String& Section, const String& Ident, TDateTime Default) {
  return ReadParsed(*this, Section, Ident, Default,
                    [](const String& s, TDateTime& v) { return TryStrToDateTime(s, v); });
}

void TCustomIniFile::WriteDateTime(const String& Section, const String& Ident, TDateTime Value) {
  WriteString(Section, Ident, DateTimeToStr(Value));
}

TDateTime TCustomIniFile::ReadTime(const String& Section, const String& Ident, TDateTime Default) {
  return ReadParsed(*this, Section, Ident, Default, [](const String& s, TDateTime& v) { return TryStrToTime(s, v); });
}

void TCustomIniFile::WriteTime(const String& Section, const String& Ident, TDateTime Value) {
  WriteString(Section, Ident, TimeToStr(Value));
}

bool TCustomIniFile::SectionExists(const String& Section) {
  TStringList names;
  ReadSections(&names);
  for (Integer i = 0; i < names.GetCount(); ++i)
    if (AnsiSameText(names.Get(i), Section)) return true;
  return false;
}

bool TCustomIniFile::ValueExists(const String& Section, const String& Ident) {
  TStringList names;
  ReadSection(Section, &names);
  for (Integer i = 0; i < names.GetCount(); ++i)
    if (AnsiSameText(names.Get(i), Ident)) return true;
  return false;
}

// ---- TIniFile

void TIniFile::Load(TStringList& Lines) const {
  Lines.Clear();
  // A missing, unreadable or non-file path reads as empty: every read gives its default.
  if (!RegularFileExists(GetFileName())) return;
  try {
    Lines.SetText(DecodeText(ReadFileBytes(GetFileName())));
  } catch (const Exception&) {
    Lines.Clear();
  }
}

void TIniFile::Save(const TStringList& Lines) const {
  try {
    WriteFileAtomic(GetFileName(), StringToAnsi(Lines.GetText()));
  } catch (const Exception& e) {
    throw EIniFileException(u"Unable to write to " + GetFileName() + u": " + e.Message());
  }
}

String TIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
  TStringList lines;
  Load(lines);
  const SectionSpan span = FindSection(lines, Section);
  if (span.Header < 0) return Default;
  const Integer i = FindKey(lines, span, Ident);
  if (i < 0) return Default;
  String name, value;
  KeyLine(lines.Get(i), name, value);
  return Unquote(value);
}

void TIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
  TStringList lines;
  Load(lines);
  const String line = Ident + u"=" + Value;
  SectionSpan span = FindSection(lines, Section);
  if (span.Header < 0) {
    // A new section follows the last one, after a blank line.
    if (lines.GetCount() > 0 && !Trim(lines.Get(lines.GetCount() - 1)).empty()) lines.Add(String());
    lines.Add(u"[" + Section + u"]");
    lines.Add(line);
  } else {
    const Integer i = FindKey(lines, span, Ident);
    if (i >= 0) {
      lines.Put(i, line);
    } else {
      // After the section's last non-blank line, so the blank line before the next section stays.
      Integer at = span.End;
      while (at - 1 > span.Header && Trim(lines.Get(at - 1)).empty()) --at;
      lines.Insert(at, line);
    }
  }
  Save(lines);
}

void TIniFile::ReadSection(const String& Section, TStrings* Strings) {
  WithUpdate(*Strings, [&] {
    Strings->Clear();
    TStringList lines;
    Load(lines);
    const SectionSpan span = FindSection(lines, Section);
    String name, value;
    if (span.Header >= 0)
      for (Integer i = span.Header + 1; i < span.End; ++i)
        if (KeyLine(lines.Get(i), name, value)) Strings->Add(name);
  });
}

void TIniFile::ReadSections(TStrings* Strings) {
  WithUpdate(*Strings, [&] {
    Strings->Clear();
    TStringList lines;
    Load(lines);
    String name;
    for (Integer i = 0; i < lines.GetCount(); ++i)
      if (HeaderName(lines.Get(i), name)) Strings->Add(name);
  });
}

void TIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
  WithUpdate(*Strings, [&] {
    Strings->Clear();
    TStringList lines;
    Load(lines);
    const SectionSpan span = FindSection(lines, Section);
    String name, value;
    if (span.Header >= 0)
      for (Integer i = span.Header + 1; i < span.End; ++i)
        if (KeyLine(lines.Get(i), name, value)) Strings->Add(name + u"=" + Unquote(value));
  });
}

void TIniFile::EraseSection(const String& Section) {
  TStringList lines;
  Load(lines);
  const SectionSpan span = FindSection(lines, Section);
  if (span.Header < 0) return;
  for (Integer i = span.End - 1; i >= span.Header; --i) lines.Delete(i);
  Save(lines);
}

void TIniFile::DeleteKey(const String& Section, const String& Ident) {
  TStringList lines;
  Load(lines);
  const SectionSpan span = FindSection(lines, Section);
  if (span.Header < 0) return;
  const Integer i = FindKey(lines, span, Ident);
  if (i < 0) return;
  lines.Delete(i);
  Save(lines);
}

bool TIniFile::ValueExists(const String& Section, const String& Ident) {
  TStringList lines;
  Load(lines);
  const SectionSpan span = FindSection(lines, Section);
  return span.Header >= 0 && FindKey(lines, span, Ident) >= 0;
}
