#include "client/SearchList.h"

#include "client/SettingsFile.h"
#include "client/__str.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"

String TSearchList::CaptionOf(Integer Id) {
  if (!FTable || Id <= 0 || !FTable->LocateInBuf(Id)) return String();
  return FTable->BufText(u"NAME_THIS") + u" (" + FTable->BufText(u"Syntax") + u")";
}

Integer TSearchList::IdAt(Integer Index) const {
  TStrings* ids = lb_ListDB_ID->GetItems();
  if (Index < 0 || Index >= ids->GetCount()) return 0;
  return StrToIntDefTrim(ids->Get(Index), 0);
}

void TSearchList::BuildSearchList() {
  TStrings* names = clb_ListDB_Names->GetItems();
  TStrings* ids = lb_ListDB_ID->GetItems();
  names->Clear();
  Integer i = 0;
  while (i < ids->GetCount()) {
    const Integer id = StrToIntDefTrim(ids->Get(i), 0);
    if (id <= 0 || !FTable || !FTable->LocateInBuf(id)) {
      ids->Delete(i);
      continue;
    }
    names->Add(CaptionOf(id));
    clb_ListDB_Names->SetChecked(names->GetCount() - 1, true);
    ++i;
  }
}

void TSearchList::RefreshSearchList() {
  TStrings* names = clb_ListDB_Names->GetItems();
  TStrings* ids = lb_ListDB_ID->GetItems();
  Integer i = 0;
  while (i < ids->GetCount()) {
    const Integer id = StrToIntDefTrim(ids->Get(i), 0);
    if (id > 0) {
      if (FTable && FTable->LocateInBuf(id)) {
        if (i < names->GetCount()) {
          const bool checked = clb_ListDB_Names->GetChecked(i);
          names->Put(i, CaptionOf(id));
          clb_ListDB_Names->SetChecked(i, checked);
        }
      } else {
        ids->Delete(i);
        if (i < names->GetCount()) names->Delete(i);
        continue;
      }
    }
    ++i;
  }
}

Integer TSearchList::LoadSearchList(const String& FileName) {
  clb_ListDB_Names->GetItems()->Clear();
  lb_ListDB_ID->GetItems()->Clear();
  const String name = Trim(FileName);
  if (!name.empty() && FileExists(name)) lb_ListDB_ID->GetItems()->LoadFromFile(name);
  BuildSearchList();
  return lb_ListDB_ID->GetCount();
}

void TSearchList::WriteSearchListFile(const String& FileName) const {
  String text;
  TStrings* ids = lb_ListDB_ID->GetItems();
  for (Integer i = 0; i < ids->GetCount(); ++i) text += ids->Get(i) + u"\r\n";
  WriteTextFileAtomic(FileName, text);
}

bool TSearchList::SaveSearchList(const String& FileName, const String& SettingsFolder,
                                 const TFolderProbe& Probe) {
  if (!IsSettingsFolderWritable(SettingsFolder, Probe)) return false;
  WriteSearchListFile(Trim(FileName));
  return true;
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
  for (Integer i = 0; i < Count(); ++i)
    clb_ListDB_Names->SetChecked(i, !clb_ListDB_Names->GetChecked(i));
}
