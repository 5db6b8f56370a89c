#pragma once
// The search list: a check list box of captions and its hidden twin, a list
// box of resource identifiers (ID_THIS in decimal), kept at the same length,
// order and selected index. The main window and the resource chooser both
// keep one; only the identifiers are ever stored.
//
// The list file ("ListDB_for_Search.txt", ".vvv" variants): one identifier
// per line, CR LF after each, in the ANSI code page.

#include <vector>

#include "client/ResourceTable.h"
#include "client/__files.h"
#include "platform/ui/CheckLst.h"

// The program's own search list, beside the settings file.
inline constexpr Char SearchListFileTitle[] = u"ListDB_for_Search.txt";
// SettingsFolder + SearchListFileTitle; none ("") when the folder is empty.
String SearchListFileName(const String& SettingsFolder);

// A resource's caption in a search list: its name, then its syntax in brackets.
String ResourceCaption(const String& Name, const String& Syntax);

class TSearchList {
public:
  TSearchList(TCheckListBox* Names, TCustomListBox* Ids, TResourceTable* Table)
      : clb_ListDB_Names(Names), lb_ListDB_ID(Ids), FTable(Table) {}

  TCheckListBox* clb_ListDB_Names;
  TCustomListBox* lb_ListDB_ID;

  Integer Count() const { return clb_ListDB_Names->GetCount(); }
  // The caption of a resource (ResourceCaption of its NAME_THIS and Syntax), read
  // through the second cursor (which is left on the resource).
  String CaptionOf(Integer Id);
  // The identifier of entry Index, read leniently (0 when not a number).
  Integer IdAt(Integer Index) const;

  // True when some entry's identifier names a record of the resource table.
  bool NamesAnyResource() const;

  // Captions rebuilt from the identifiers: lines that are not a positive
  // number or name no record go; every entry ends ticked.
  void BuildSearchList();
  // At each start of a search: captions set again (ticks kept) so earlier
  // marks go; entries whose resource has gone leave both lists; a line that
  // is not a positive number is left as it is.
  void RefreshSearchList();
  // Both lists cleared, the file's lines (when it exists) taken as
  // identifiers, then BuildSearchList. Answers the number of entries. A file
  // that cannot be read raises EStreamError with the system's error number,
  // the lists left empty.
  Integer LoadSearchList(const String& FileName);
  // The close's save of the program's own list file: nothing is written when
  // the file holds the identifiers already; else they are written when the
  // settings folder passes IsSettingsFolderWritable. True when written or
  // held, or when the file gives the list as it is (what LoadSearchList would
  // keep of each); false when a change of the user's is lost: the folder
  // takes no file or the write failed.
  bool SaveSearchList(const String& FileName, const String& SettingsFolder, const TFolderProbe& Probe = nullptr);
  // The identifiers to FileName, replacing it whole; raises when it cannot be
  // written.
  void WriteSearchListFile(const String& FileName) const;

  // Selection; the identifier list follows the caption list.
  void Select(Integer Index);
  void SelectFirst();
  void SelectLast();
  void SelectNext();
  void SelectPrior();
  // Removes the selected entry i, then selects i - 1 (0 when i was 0) in each
  // list long enough for it.
  void DeleteSelected();
  void Clear();
  void CheckAll();
  void UncheckAll();
  void InvertChecks();

private:
  // The identifier Line names when it is one of a resource in the table, else 0:
  // what a list keeps of each of its lines.
  Integer KnownId(const String& Line) const;
  // The file's content: each identifier, CR LF after each.
  String ListFileText() const;
  // The identifiers of Lines that BuildSearchList keeps, in their order.
  std::vector<Integer> KeptIds(TStrings* Lines) const;
  // True when loading FileName would give the identifiers the list holds.
  bool FileGivesThisList(const String& FileName) const;

  TResourceTable* FTable;
};
