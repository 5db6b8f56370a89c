#include "platform/ui/FileCtrl.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/core/Strings.h"

namespace fs = std::filesystem;

namespace {

fs::path ToPath(const String& s) { return fs::path(ToUtf8(s)); }
String FromPath(const fs::path& p) { return FromUtf8(p.string()); }

String NormalFolder(const String& Value) {
  String v = Value;
  while (v.size() > 1 && v.back() == u'/') v.pop_back();
  if (v.empty()) v = u"/";
  return v;
}

bool Glob(const String& name, size_t n, const String& pat, size_t p) {
  while (p < pat.size()) {
    if (pat[p] == u'*') {
      for (size_t k = n; k <= name.size(); ++k)
        if (Glob(name, k, pat, p + 1)) return true;
      return false;
    }
    if (n >= name.size()) return false;
    if (pat[p] != u'?' && !AnsiSameText(String(1, pat[p]), String(1, name[n]))) return false;
    ++p;
    ++n;
  }
  return n == name.size();
}

std::vector<String> ListDir(const String& Folder, bool Folders, bool Hidden) {
  std::vector<String> out;
  std::error_code ec;
  for (fs::directory_iterator it(ToPath(Folder), fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    std::error_code e2;
    const bool isDir = it->is_directory(e2);
    if (isDir != Folders) continue;
    const String name = FromPath(it->path().filename());
    if (!Hidden && !name.empty() && name[0] == u'.') continue;
    out.push_back(name);
  }
  std::sort(out.begin(), out.end(), [](const String& a, const String& b) { return AnsiCompareText(a, b) < 0; });
  return out;
}

}  // namespace

bool MatchesMask(const String& FileName, const String& Masks) {
  size_t start = 0;
  while (start <= Masks.size()) {
    size_t end = Masks.find(u';', start);
    if (end == String::npos) end = Masks.size();
    const String m = Trim(Masks.substr(start, end - start));
    if (m == u"*.*" || m == u"*") return true;
    if (!m.empty() && Glob(FileName, 0, m, 0)) return true;
    start = end + 1;
  }
  return false;
}

// ---- TDriveComboBox -------------------------------------------------------------------------------

TDriveComboBox::TDriveComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {
  SetStyle(csDropDownList);
  GetItems()->Add(u"/");
  SetItemIndex(0);
}

void TDriveComboBox::SetDrive(Char) {
  SetItemIndex(0);
  if (FDirList) FDirList->SetDrive(u'/');
}

void TDriveComboBox::SetDirList(TDirectoryListBox* Value) {
  if (FDirList) FDirList->RemoveFreeNotification(this);
  FDirList = Value;
  if (Value) Value->FreeNotification(this);
}

void TDriveComboBox::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomComboBox::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDirList) FDirList = nullptr;
}

void TDriveComboBox::Change() {
  TCustomComboBox::Change();
  if (FDirList) FDirList->SetDrive(u'/');
}

// ---- TDirectoryListBox ------------------------------------------------------------------------------

TDirectoryListBox::TDirectoryListBox(TComponent* AOwner) : TCustomListBox(AOwner) {
  FStyle = lbOwnerDrawFixed;
  std::error_code ec;
  const fs::path cwd = fs::current_path(ec);
  FDirectory = ec ? String(u"/") : NormalFolder(FromPath(cwd));
  ReadDirectory();
}

void TDirectoryListBox::ReadDirectory() {
  TStrings* items = GetItems();
  items->BeginUpdate();
  items->Clear();
  // The path from the root, one level per item, then the subfolders.
  items->Add(u"/");
  FPathLevels = 1;
  if (FDirectory != u"/") {
    size_t start = 1;
    while (start <= FDirectory.size()) {
      size_t end = FDirectory.find(u'/', start);
      if (end == String::npos) end = FDirectory.size();
      items->Add(FDirectory.substr(start, end - start));
      ++FPathLevels;
      start = end + 1;
    }
  }
  for (const String& d : ListDir(FDirectory, true, false)) items->Add(d);
  items->EndUpdate();
  SetItemIndex(FPathLevels - 1);
}

String TDirectoryListBox::GetItemPath(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) return String();
  if (Index < FPathLevels) {
    String p;
    for (Integer i = 1; i <= Index; ++i) p += u"/" + GetItems()->Get(i);
    return p.empty() ? String(u"/") : p;
  }
  return (FDirectory == u"/" ? String() : FDirectory) + u"/" + GetItems()->Get(Index);
}

void TDirectoryListBox::SetDirectory(const String& Value) {
  String v = NormalFolder(Value);
  if (v.empty() || v[0] != u'/') v = (FDirectory == u"/" ? String() : FDirectory) + u"/" + v;
  std::error_code ec;
  if (!fs::is_directory(ToPath(v), ec)) throw EInOutError(u"Invalid path: " + Value);
  const fs::path canon = fs::weakly_canonical(ToPath(v), ec);
  if (!ec) v = NormalFolder(FromPath(canon));
  if (v == FDirectory && GetCount() > 0) return;
  FDirectory = v;
  ReadDirectory();
  Change();
}

void TDirectoryListBox::SetDrive(Char) {
  // One drive: its folder is kept.
}

void TDirectoryListBox::SetDirLabel(TLabel* Value) {
  if (FDirLabel) FDirLabel->RemoveFreeNotification(this);
  FDirLabel = Value;
  if (Value) {
    Value->FreeNotification(this);
    Value->SetCaption(FDirectory);
  }
}

void TDirectoryListBox::SetFileList(TFileListBox* Value) {
  if (FFileList) FFileList->RemoveFreeNotification(this);
  FFileList = Value;
  if (Value) {
    Value->FreeNotification(this);
    Value->SetDirectory(FDirectory);
  }
}

void TDirectoryListBox::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomListBox::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FDirLabel) FDirLabel = nullptr;
  if (AComponent == FFileList) FFileList = nullptr;
}

void TDirectoryListBox::Change() {
  if (FDirLabel) FDirLabel->SetCaption(FDirectory);
  if (FFileList) FFileList->SetDirectory(FDirectory);
  if (OnChange) OnChange(this);
}

void TDirectoryListBox::OpenCurrent() {
  if (FItemIndex >= 0) SetDirectory(GetItemPath(FItemIndex));
}

void TDirectoryListBox::UpdateDirectory() { ReadDirectory(); }

void TDirectoryListBox::DblClick() {
  OpenCurrent();
  TCustomListBox::DblClick();
}

void TDirectoryListBox::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_CHAR && Message.WParam == VK_RETURN) {
    OpenCurrent();
    return;
  }
  if (Message.Msg == WM_GETDLGCODE) {
    TCustomListBox::DefaultHandler(Message);
    Message.Result |= DLGC_WANTALLKEYS;
    return;
  }
  TCustomListBox::DefaultHandler(Message);
}

void TDirectoryListBox::DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  TCanvas* c = GetCanvas();
  c->FillRect(Rect);
  // Path levels step in; the subfolders sit one step under the current folder.
  const Integer level = Index < FPathLevels ? Index : FPathLevels;
  const Integer x = Rect.Left + 2 + level * 8;
  // A small folder: a tab and a body in the button shadow colour.
  const Integer h = Rect.Height();
  TColor saved = c->GetBrush()->GetColor();
  c->GetBrush()->SetColor(Index == FPathLevels - 1 ? clBtnShadow : clBtnFace);
  c->FillRect(TRect(x, Rect.Top + h / 2 - 4, x + 12, Rect.Top + h / 2 + 5));
  c->GetBrush()->SetColor(clBtnShadow);
  c->FrameRect(TRect(x, Rect.Top + h / 2 - 4, x + 12, Rect.Top + h / 2 + 5));
  c->GetBrush()->SetColor(saved);
  SetBkMode(c->GetHandle(), TRANSPARENT);
  c->TextOut(x + 16, Rect.Top, GetItems()->Get(Index));
}

// ---- TFileListBox -----------------------------------------------------------------------------------

TFileListBox::TFileListBox(TComponent* AOwner) : TCustomListBox(AOwner) {
  std::error_code ec;
  const fs::path cwd = fs::current_path(ec);
  FDirectory = ec ? String(u"/") : NormalFolder(FromPath(cwd));
  ReadFiles();
}

void TFileListBox::ReadFiles() {
  TStrings* items = GetItems();
  items->BeginUpdate();
  items->Clear();
  const bool hidden = FFileType.Contains(ftHidden);
  if (FFileType.Contains(ftDirectory))
    for (const String& d : ListDir(FDirectory, true, hidden)) items->Add(u"[" + d + u"]");
  for (const String& f : ListDir(FDirectory, false, hidden))
    if (MatchesMask(f, FMask)) items->Add(f);
  items->EndUpdate();
}

void TFileListBox::SetDirectory(const String& Value) {
  FDirectory = NormalFolder(Value);
  ReadFiles();
  if (OnChange) OnChange(this);
}

void TFileListBox::SetMask(const String& Value) {
  FMask = Value.empty() ? String(u"*.*") : Value;
  ReadFiles();
}

void TFileListBox::SetFileType(TFileType Value) {
  FFileType = Value;
  ReadFiles();
}

String TFileListBox::GetFileName() const {
  if (FItemIndex < 0) return String();
  return (FDirectory == u"/" ? String() : FDirectory) + u"/" + GetItems()->Get(FItemIndex);
}

void TFileListBox::UpdateFileList() { ReadFiles(); }

void TFileListBox::SelectionChangedByUser() {
  TCustomListBox::SelectionChangedByUser();
  if (OnChange) OnChange(this);
}
