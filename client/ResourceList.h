#pragma once
// The resource record, its one-line text form (ResourceLine) and the resource
// list file "ListDB.txt", without the table and the windows: the reader gives
// the records the resource tree editor puts into its table, in file order;
// the writer takes them in tree order (ResourceTreeOrder gives it).
//
// Placeholders: "???" marks a value still to be filled in, " " an empty
// optional text. Records here hold the table's values, placeholders included.

#include <functional>
#include <vector>

#include "client/__files.h"
#include "platform/core/Types.h"

class TStrings;

struct TResourceRecord {
  Integer ID_THIS = 0;
  Integer ID_PARENT = 0;
  Integer ID_TYPE = 0;  // 0 or less a group, 1 or more a resource
  Integer NPP = 0;
  String NAME_THIS;
  String ItsActual;
  String ItsUse;
  String Database;
  String URL;
  Integer PORT = 0;
  String Syntax;
  String Encoding;
  String Username;
  String PSW;
  String Note;

  bool IsResource() const { return ID_TYPE >= 1; }
  friend bool operator==(const TResourceRecord&, const TResourceRecord&) = default;
};

inline constexpr Char ResourceListFileTitle[] = u"ListDB.txt";
inline constexpr Char RootGroupName[] = u"Ресурсы Z39.50";

// Percent done, 0..100; the window shows it and lets pending messages run.
using TProgressEvent = std::function<void(Integer Percent)>;

// Value trimmed of blanks and control characters; Default (untrimmed) when
// nothing is left.
String TrimOrDefault(const String& Value, const String& Default);

// ---- One record as a line ----------------------------------------------------
// Fifteen fields, each followed by one TAB: ID_THIS ID_PARENT ID_TYPE NPP
// ItsActual ItsUse NAME_THIS Database URL PORT Syntax Encoding Username PSW Note.

String ResourceRecordToLine(const TResourceRecord& Record);
// From a Name=Value list with the fifteen names (numbers through
// StrToIntDefTrim, default 0); empty when the list is null or has no lines.
String ResourceRecordToLine(const TStrings* Record);

// First TAB-separated field of the trimmed line as a number; 0 when not one.
Integer ResourceLineId(const String& Line);

// Parses a line: the N-th field is the N-th run of non-TAB characters of the
// trimmed line, texts are stored trimmed (so " " reads as ""). False, and the
// record left default, when the trimmed line is empty.
bool LineToResourceRecord(const String& Line, TResourceRecord& Record);
// The same into a Name=Value list, which is cleared first and then holds all
// fifteen names.
bool LineToResourceRecord(const String& Line, TStrings* Record);

// A parsed record with the table's placeholders: name "???"; database, host,
// syntax and encoding "???" for a resource and "" for a group; the five
// optional texts " ".
TResourceRecord ResourceRecordForTable(const TResourceRecord& Parsed);

// The group the loader puts into a table that would otherwise stay empty.
TResourceRecord RootGroupRecord();

// ---- The file ----------------------------------------------------------------

// SettingsFolder + "ListDB.txt"; none ("") when the folder is empty.
String ResourceListFileName(const String& SettingsFolder);

// The header and ruler lines every saved file starts with.
String ResourceListHeaderLine();
String ResourceListRulerLine();

// Records of the file in file order, in table form. The first line is never
// read; empty lines, comments ("*"), negative identifiers, repeated
// identifiers (the first wins) are skipped. A missing file, or one without a
// usable line, gives the root group alone (and sets *RootGroupMade when
// given). Progress goes i * 100 / lines for each line i from 1, then 100.
// Reading errors raise; a UTF-16 file cut inside a character is read up to
// the cut (ResourceListCutShortText).
std::vector<TResourceRecord> ReadResourceListText(const String& Text, const TProgressEvent& Progress = nullptr,
                                                  bool* RootGroupMade = nullptr);
std::vector<TResourceRecord> LoadResourceListFile(const String& FileName, const TProgressEvent& Progress = nullptr,
                                                  bool* RootGroupMade = nullptr);
// The same records handed to Take one by one as they are read, so that a large
// list never lies in memory twice; the root group comes with RootGroup set.
// Take may move the record's texts away. Answers how many records were taken.
using TResourceRecordSink = std::function<void(TResourceRecord& Record, bool RootGroup)>;
size_t ReadResourceListText(const String& Text, const TResourceRecordSink& Take,
                            const TProgressEvent& Progress = nullptr);
size_t LoadResourceListFile(const String& FileName, const TResourceRecordSink& Take,
                            const TProgressEvent& Progress = nullptr);

// A UTF-16 list (by its byte-order mark) was cut inside its last character:
// it has an odd number of bytes, or it ends in the first half of a surrogate
// pair (with or without a byte of the second). The loaders read it without
// that part of a character, which no reading can make whole, and this is what
// the user is told before a load. Empty for any other file: missing, not a
// regular file, unreadable, UTF-8, ANSI (where every byte is a character) or
// whole UTF-16.
String ResourceListCutShortText(const String& FileName);

// The records in the order of the tree: each record followed by its subtree,
// siblings by NPP and then NAME_THIS, records whose parent is absent at the
// top. Records caught in a parent loop follow, so none is ever left out.
std::vector<TResourceRecord> ResourceTreeOrder(const std::vector<TResourceRecord>& Records);
// The same, moving the records instead of copying them.
std::vector<TResourceRecord> ResourceTreeOrder(std::vector<TResourceRecord>&& Records);

// ---- Writing straight from where the records live -------------------------------
// The table's own save reads its store in place: views instead of copies.

// What the order of the tree looks at in a record.
struct TResourceTreeKey {
  Integer ID_THIS = 0;
  Integer ID_PARENT = 0;
  Integer NPP = 0;
  StringView NAME_THIS;
};
// ResourceTreeOrder's order, as positions into Keys.
std::vector<size_t> ResourceTreeOrderPositions(const std::vector<TResourceTreeKey>& Keys);

// A record's values as views, for the line writer.
struct TResourceLineView {
  Integer ID_THIS = 0;
  Integer ID_PARENT = 0;
  Integer ID_TYPE = 0;
  Integer NPP = 0;
  Integer PORT = 0;
  StringView NAME_THIS, ItsActual, ItsUse, Database, URL, Syntax, Encoding, Username, PSW, Note;
};
TResourceLineView ResourceLineView(const TResourceRecord& Record);

// The header and ruler lines, each ended by CR LF, in the ANSI code page.
AnsiString ResourceListHeadBytes();
// ResourceRecordToLine's line, ended by CR LF, written at Out in the ANSI code
// page; answers the end of what was written. Out has room for
// ResourceLineBound(Record) bytes.
size_t ResourceLineBound(const TResourceLineView& Record);
char* WriteResourceLineBytes(char* Out, const TResourceLineView& Record);

// Header, ruler and one line per record in the order given. Progress goes
// count * 100 / total after each record.
std::vector<String> BuildResourceListLines(const std::vector<TResourceRecord>& Records,
                                           const TProgressEvent& Progress = nullptr);
// Writes the lines, each ended by CR LF, in the ANSI code page, replacing the
// file atomically. Raises when it cannot be written.
void WriteResourceListFile(const String& FileName, const std::vector<String>& Lines);
