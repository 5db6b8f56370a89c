#include "client/SearchList.h"

#include <utility>
#include <vector>

#include "client/SettingsFile.h"
#include "client/__str.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"

namespace {

bool FileHoldsBytes(const String& FileName, const AnsiString& Bytes) {
  if (FileName.empty() || !RegularFileExists(FileName)) return false;
  try {
    return ReadFileBytes(FileName) == Bytes;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

String SearchListFileName(const String& SettingsFolder) {
  return SettingsFolderFile(SettingsFolder, SearchListFileTitle);
}

String ResourceCaption(const String& Name, const String& Syntax) { return Name + u" (" + Syntax + u")"; }

String TSearchList::CaptionOf(Integer Id) {
  if (!FTable || Id <= 0 || !FTable->LocateInBuf(Id)) return String();
  return ResourceCaption(FTable->BufText(u"NAME_THIS"), FTable->BufText(u"Syntax"));
}

Integer TSearchList::IdAt(Integer Index) const {
  TStrings* ids = lb_ListDB_ID->GetItems();
  if (Index < 0 || Index >= ids->GetCount()) return 0;
  return StrToIntDefTrim(ids->Get(Index), 0);
}

Integer TSearchList::KnownId(const String& Line) const {
  const Integer id = StrToIntDefTrim(Line, 0);
  return id > 0 && FTable && FTable->LocateInBuf(id) ? id : 0;
}

bool TSearchList::NamesAnyResource() const {
  TStrings* ids = lb_ListDB_ID->GetItems();
  for (Integer i = 0; i < ids->GetCount(); ++i)
    if (KnownId(ids->Get(i)) > 0) return true;
  return false;
}

// Both rebuilds collect what stays and fill the lists once: deleting entries
// one by one moves every entry behind each, which grows with the square.
void TSearchList::BuildSearchList() {
  TStrings* names = clb_ListDB_Names->GetItems();
  TStrings* ids = lb_ListDB_ID->GetItems();
  names->Clear();
  std::vector<String> keptIds, captions;
  for (Integer i = 0; i < ids->GetCount(); ++i) {
    const Integer id = KnownId(ids->Get(i));
    if (id <= 0) continue;
    keptIds.push_back(ids->Get(i));
    captions.push_back(CaptionOf(id));
  }
  ids->Clear();
  for (const String& id : keptIds) ids->Add(id);
  for (const String& caption : captions) names->Add(caption);
  for (Integer i = 0; i < names->GetCount(); ++i) clb_ListDB_Names->SetChecked(i, true);
}

void TSearchList::RefreshSearchList() {
  TStrings* names = clb_ListDB_Names->GetItems();
  TStrings* ids = lb_ListDB_ID->GetItems();
  struct TEntry {
    String Id;
    bool HasName;
    String Name;
    bool Checked;
  };
  std::vector<TEntry> kept;
  bool dropped = false;
  Integer keptSelected = -1;
  for (Integer i = 0; i < ids->GetCount(); ++i) {
    const bool hasName = i < names->GetCount();
    TEntry e{ids->Get(i), hasName, hasName ? names->Get(i) : String(), hasName && clb_ListDB_Names->GetChecked(i)};
    const Integer id = StrToIntDefTrim(e.Id, 0);
    if (id > 0) {
      if (!FTable || !FTable->LocateInBuf(id)) {
        dropped = true;
        continue;
      }
      e.Name = CaptionOf(id);
    }
    kept.push_back(std::move(e));
    if (i == clb_ListDB_Names->GetItemIndex()) keptSelected = static_cast<Integer>(kept.size()) - 1;
  }
  if (!dropped) {
    // Nothing leaves: captions change in place, selection and ticks stay.
    for (Integer i = 0; i < static_cast<Integer>(kept.size()) && i < names->GetCount(); ++i) {
      names->Put(i, kept[static_cast<size_t>(i)].Name);
      clb_ListDB_Names->SetChecked(i, kept[static_cast<size_t>(i)].Checked);
    }
    return;
  }
  // Captions beyond the identifiers stay as they were.
  std::vector<std::pair<String, bool>> extraNames;
  const Integer selected = clb_ListDB_Names->GetItemIndex();
  Integer newSelected = -1;
  for (Integer i = ids->GetCount(); i < names->GetCount(); ++i)
    extraNames.emplace_back(names->Get(i), clb_ListDB_Names->GetChecked(i));
  ids->Clear();
  names->Clear();
  for (const TEntry& e : kept) {
    ids->Add(e.Id);
    if (!e.HasName) continue;
    names->Add(e.Name);
    clb_ListDB_Names->SetChecked(names->GetCount() - 1, e.Checked);
  }
  for (const auto& [name, checked] : extraNames) {
    names->Add(name);
    clb_ListDB_Names->SetChecked(names->GetCount() - 1, checked);
  }
  // The selected entry stays selected when it stays.
  newSelected = selected >= 0 ? keptSelected : -1;
  clb_ListDB_Names->SetItemIndex(newSelected < names->GetCount() ? newSelected : -1);
  lb_ListDB_ID->SetItemIndex(newSelected < ids->GetCount() ? newSelected : -1);
}

Integer TSearchList::LoadSearchList(const String& FileName) {
  clb_ListDB_Names->GetItems()->Clear();
  lb_ListDB_ID->GetItems()->Clear();
  const String name = Trim(FileName);
  if (!name.empty() && RegularFileExists(name)) lb_ListDB_ID->GetItems()->SetText(DecodeText(ReadFileBytes(name)));
  BuildSearchList();
  return lb_ListDB_ID->GetCount();
}

String TSearchList::ListFileText() const {
  String text;
  TStrings* ids = lb_ListDB_ID->GetItems();
  for (Integer i = 0; i < ids->GetCount(); ++i) text += ids->Get(i) + u"\r\n";
  return text;
}

void TSearchList::WriteSearchListFile(const String& FileName) const { WriteTextFileAtomic(FileName, ListFileText()); }

bool TSearchList::SaveSearchList(const String& FileName, const String& SettingsFolder, const TFolderProbe& Probe) {
  const String name = Trim(FileName);
  if (FileHoldsBytes(name, StringToAnsi(ListFileText()))) return true;
  if (IsSettingsFolderWritable(SettingsFolder, Probe)) {
    try {
      WriteSearchListFile(name);
      return true;
    } catch (const Exception&) {
      // A full disk: lost only when the old file gives another list.
    }
  }
  return FileGivesThisList(name);
}

std::vector<Integer> TSearchList::KeptIds(TStrings* Lines) const {
  std::vector<Integer> kept;
  for (Integer i = 0; i < Lines->GetCount(); ++i)
    if (const Integer id = KnownId(Lines->Get(i)); id > 0) kept.push_back(id);
  return kept;
}

bool TSearchList::FileGivesThisList(const String& FileName) const {
  TStringList lines;
  if (!FileName.empty() && RegularFileExists(FileName)) {
    try {
      lines.LoadFromFile(FileName);
    } catch (const Exception&) {
      lines.Clear();  // unreadable: the next start gets nothing from it either
    }
  }
  return KeptIds(&lines) == KeptIds(lb_ListDB_ID->GetItems());
}

void TSearchList::Select(Integer Index) {
  clb_ListDB_Names->SetItemIndex(Index);
  lb_ListDB_ID->SetItemIndex(clb_ListDB_Names->GetItemIndex());
}

void TSearchList::SelectFirst() {
  if (Count() > 0) clb_ListDB_Names->SetItemIndex(0);
  lb_ListDB_ID->SetItemIndex(clb_ListDB_Names->GetItemIndex());
}

void TSearchList::SelectLast() {
  if (Count() > 0) clb_ListDB_Names->SetItemIndex(Count() - 1);
  lb_ListDB_ID->SetItemIndex(clb_ListDB_Names->GetItemIndex());
}

void TSearchList::SelectNext() {
  const Integer i = clb_ListDB_Names->GetItemIndex();
  if (Count() > 0 && i < Count() - 1) clb_ListDB_Names->SetItemIndex(i + 1);
  lb_ListDB_ID->SetItemIndex(clb_ListDB_Names->GetItemIndex());
}

void TSearchList::SelectPrior() {
  const Integer i = clb_ListDB_Names->GetItemIndex();
  if (Count() > 0 && i > 0) clb_ListDB_Names->SetItemIndex(i - 1);
  lb_ListDB_ID->SetItemIndex(clb_ListDB_Names->GetItemIndex());
}

void TSearchList::DeleteSelected() {
  const Integer i = clb_ListDB_Names->GetItemIndex();
  if (i < 0) return;
  clb_ListDB_Names->GetItems()->Delete(i);
  if (i < lb_ListDB_ID->GetCount()) lb_ListDB_ID->GetItems()->Delete(i);
  const Integer next = i > 0 ? i - 1 : 0;
  clb_ListDB_Names->SetItemIndex(next < clb_ListDB_Names->GetCount() ? next : -1);
  lb_ListDB_ID->SetItemIndex(next < lb_ListDB_ID->GetCount() ? next : -1);
}

void TSearchList::Clear() {
  clb_ListDB_Names->GetItems()->Clear();
  lb_ListDB_ID->GetItems()->Clear();
}

void TSearchList::CheckAll() {
  for (Integer i = 0; i < Count(); ++i) clb_ListDB_Names->SetChecked(i, true);
}

void TSearchList::UncheckAll() {
  for (Integer i = 0; i < Count(); ++i) clb_ListDB_Names->SetChecked(i, false);
}

void TSearchList::InvertChecks() {
  for (Integer i = 0; i < Count(); ++i) clb_ListDB_Names->SetChecked(i, !clb_ListDB_Names->GetChecked(i));
}
