#pragma once
// The resource table: the in-memory table MemTableEh_Tree that holds the whole
// resource tree while the program runs, and MemTableEh_Buf, a second cursor
// over the same records for look-ups that must not move the record the
// editor shows. Loading and saving "ListDB.txt" into and out of the table,
// a resource turned into its connection parameters, and the numbers a new
// record gets.
//
// The resource tree editor window owns one of these; the main window and the
// search run only read through it.

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "client/ResourceList.h"
#include "memtable/MemTableEh.h"
#include "platform/core/StringList.h"

// What a load or a save tells the wait window. Every member may be empty.
struct TResourceListWait {
  // Shown with this width, caption, message line and progress 0.
  std::function<void(Integer Width, const String& Caption, const String& Message)> Show;
  std::function<void(const String& Message)> SetMessage;
  std::function<void(Integer Percent)> SetProgress;
  // Back to a normal window (not stay-on-top); the caller hides it.
  std::function<void()> Normal;
  // Lets pending window messages run.
  std::function<void()> Pump;
};

inline constexpr Char TreeSortOrder[] = u"NPP,NAME_THIS";
inline constexpr Char ListSortOrder[] = u"NAME_THIS";  // the flat list of resources
inline constexpr Char ListFilter[] = u"ID_TYPE>0";     // the flat list shows resources only
inline constexpr Char GroupTypeName[] = u"Группа";
inline constexpr Char ResourceTypeName[] = u"Ресурс";

class TResourceTable {
public:
  // The tables are owned by Owner when one is given (the editor window), else
  // by this object.
  explicit TResourceTable(TComponent* Owner = nullptr);
  ~TResourceTable();
  TResourceTable(const TResourceTable&) = delete;
  TResourceTable& operator=(const TResourceTable&) = delete;

  TMemTableEh* MemTableEh_Tree = nullptr;
  TMemTableEh* MemTableEh_Buf = nullptr;

  // Reloads the whole table from SettingsFolder + "ListDB.txt" (from nothing
  // when the folder is empty); the root group alone when the file is missing
  // or has no usable line. Ends with the table open, read-only, in tree mode
  // with nodes expanded, and the second cursor open. Answers the record count.
  Integer LoadResourceList(const String& SettingsFolder, const TResourceListWait& Wait = {});

  // Writes every record, groups included, in tree order to SettingsFolder +
  // "ListDB.txt". False, and nothing written, when the file is unread
  // (IsFileUnread), the folder fails IsSettingsFolderWritable or the table is
  // closed. Leaves the table in tree mode, with its filtering as it was.
  bool SaveResourceList(const String& SettingsFolder, const TResourceListWait& Wait = {},
                        const TFolderProbe& Probe = nullptr);

  // The last load stopped before the table held the file's list (the file
  // could not be read to its end): what the table holds is not the user's
  // list, so no save writes over the file until a load reads it.
  bool IsFileUnread() const { return FFileUnread; }
  // The table holds a change its file does not: whatever window shows it,
  // until a load or a save makes table and file agree again.
  bool HasUnsavedChanges() const { return FUnsavedChanges; }
  void MarkChanged() { FUnsavedChanges = true; }

  // Every record of the table, whatever the view shows (collapsed groups and
  // filters included), in the data store's order.
  std::vector<TResourceRecord> AllRecords() const;

  // Fills Params with ID_THIS, zDatabase, zHost, zPORT, zSyntax and, when
  // present, zEncoding, zUsername, zPassword of resource Id, found through
  // MemTableEh_Buf (inside collapsed groups too), so the record the editor
  // shows stays where the user put it. False at the
  // first missing value (database, host, port above 0, syntax); what was set
  // by then stays. "???" counts as a value.
  bool ResourceToConnectionParams(Integer Id, TStrings* Params, bool ClearFirst);

  // The largest ID_THIS of the table, and the largest NPP of the whole table
  // (the parent does not narrow it, so a new record sorts after every other).
  Integer MaxResourceId();
  Integer MaxNpp(Integer ParentId);

  // Deletes MemTableEh_Tree's current record and every record the tree holds
  // below it, at any depth: the tree's own records, so a record elsewhere that
  // bears one of their identifiers stays. The cursor goes to the row that
  // followed them (the one before, at the end). Answers the count deleted;
  // a deletion is a change (HasUnsavedChanges).
  Integer DeleteCurrentSubtree();

  // Moves MemTableEh_Buf to resource Id; the displayed record stays.
  bool LocateInBuf(Integer Id);
  // A text field of MemTableEh_Buf's current record; "" when empty or Null.
  String BufText(const String& FieldName) const;

  // Fills Name_Type: "Группа", or "Ресурс" when ID_TYPE is 1 or more.
  void MemTableEh_TreeCalcFields(TDataSet* DataSet);

  // Tree mode on with ID_THIS / ID_PARENT, nodes expanded by default.
  void SwitchTreeOn();

private:
  void CreateTables(TComponent* Owner);
  // The resource list file as SaveResourceList writes it: pieces of Buffers,
  // which the lines are written into, in the file's order.
  std::vector<std::string_view> ResourceListPieces(const std::function<void(Integer Percent)>& Progress,
                                                   std::vector<AnsiString>& Buffers) const;
  // Rec and the records below it: the tree's nodes in tree mode; in list mode
  // the tree the same keys give (a key's records hang below the first record
  // bearing it).
  std::vector<TMemoryRecordEh*> Subtree(TMemoryRecordEh* Rec) const;
  // A new record of the table holding Record's values (its texts are moved
  // away), not yet in the table.
  TMemoryRecordEh* MakeRecord(TResourceRecord& Record, bool RootGroup, const std::vector<Integer>& Columns);

  std::unique_ptr<TMemTableEh> FOwnTree;
  std::unique_ptr<TMemTableEh> FOwnBuf;
  // The store's columns of what a search's connection takes (database, URL,
  // port, syntax, encoding, user name, password), found once: the columns
  // are made with the tables and never change.
  std::vector<Integer> FConnectionColumns;
  bool FFileUnread = false;
  bool FUnsavedChanges = false;
};

// The most characters a text field of the resource record holds (NAME_THIS
// 200, Note 100, ...); 0 for a number field or a name that is none of them.
Integer ResourceFieldSize(const String& FieldName);

// A text value of a memory record as the client reads it: "" for Null.
String RecordText(const TMemoryRecordEh* Record, const String& FieldName);
// An integer value of a memory record; 0 for Null or text that is no number.
Integer RecordInteger(const TMemoryRecordEh* Record, const String& FieldName);
