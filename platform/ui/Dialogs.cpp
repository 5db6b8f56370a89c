#include "platform/ui/Dialogs.h"

#include <filesystem>
#include <system_error>

#include "platform/core/ScopeGuard.h"
#include "platform/core/Strings.h"

namespace fs = std::filesystem;

namespace {

bool IsFile(const String& p) {
  std::error_code ec;
  return fs::is_regular_file(fs::path(ToUtf8(p)), ec);
}

bool IsFolder(const String& p) {
  std::error_code ec;
  return fs::is_directory(fs::path(ToUtf8(p)), ec);
}

String FolderOf(const String& p) {
  const size_t slash = p.rfind(u'/');
  if (slash == String::npos) return String();
  return slash == 0 ? String(u"/") : p.substr(0, slash);
}

String NameOf(const String& p) {
  const size_t slash = p.rfind(u'/');
  return slash == String::npos ? p : p.substr(slash + 1);
}

}  // namespace

// ---- TOpenDialog --------------------------------------------------------------------------------------

TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}

TOpenDialog::~TOpenDialog() = default;

void TOpenDialog::SetDefaultExt(const String& Value) {
  FDefaultExt = Value;
  if (!FDefaultExt.empty() && FDefaultExt[0] == u'.') FDefaultExt.erase(0, 1);
}

bool TOpenDialog::Accept(const String& Typed) {
  String path = Typed;
  if (!FDefaultExt.empty() && NameOf(path).find(u'.') == String::npos) path += u"." + FDefaultExt;
  HWND owner = FForm ? FForm->GetHandle() : nullptr;
  const String caption = FForm ? FForm->GetCaption() : FTitle;
  if ((FOptions.Contains(ofPathMustExist) || FOptions.Contains(ofFileMustExist) || IsSaveDialog()) &&
      !IsFolder(FolderOf(path))) {
    MessageBox(owner, path + u"\nПуть не найден.\nПроверьте правильность пути.", caption, MB_OK | MB_ICONWARNING);
    return false;
  }
  if (FOptions.Contains(ofFileMustExist) && !IsFile(path)) {
    MessageBox(owner, path + u"\nФайл не найден.\nПроверьте правильность имени файла.", caption,
               MB_OK | MB_ICONWARNING);
    return false;
  }
  if (IsSaveDialog() && FOptions.Contains(ofOverwritePrompt) && IsFile(path) &&
      MessageBox(owner, path + u" уже существует.\nЗаменить?", caption, MB_YESNO | MB_ICONWARNING) != IDYES)
    return false;
  FFileName = path;
  return true;
}

bool TOpenDialog::Execute() {
  auto* form = new TFileDialogForm(Application, this);
  FForm = form;
  TScopeExit Free([&] {
    FForm = nullptr;
    delete form;
  });
  if (OnShow) OnShow(this);
  const bool ok = form->ShowModal() == mrOk;
  if (ok) FFilterIndex = form->cb_Type->GetItemIndex() + 1;
  if (OnClose) OnClose(this);
  return ok;
}

// ---- TFileDialogForm ----------------------------------------------------------------------------------

TFileDialogForm::TFileDialogForm(TComponent* AOwner, TOpenDialog* Dialog) : TForm(AOwner), FDialog(Dialog) {
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetCaption(!Dialog->FTitle.empty()  ? Dialog->FTitle
             : Dialog->IsSaveDialog() ? String(u"Сохранить как")
                                      : String(u"Открыть"));
  SetClientWidth(448);
  SetClientHeight(306);
  CreateControls();
  DoCreate();
}

void TFileDialogForm::CreateControls() {
  auto place = [this](TControl* c, Integer l, Integer t, Integer w, Integer h) {
    c->SetParent(this);
    c->SetBounds(l, t, w, h);
  };
  Label_Dir = new TLabel(this);
  place(Label_Dir, 8, 6, 432, 16);
  Label_Dir->SetAutoSize(false);
  DirList = new TDirectoryListBox(this);
  place(DirList, 8, 26, 208, 200);
  FileList = new TFileListBox(this);
  place(FileList, 224, 26, 216, 200);
  Label_Name = new TLabel(this);
  place(Label_Name, 8, 240, 90, 16);
  Label_Name->SetCaption(u"Имя файла:");
  Edit_Name = new TEdit(this);
  place(Edit_Name, 100, 236, 250, 21);
  Label_Type = new TLabel(this);
  place(Label_Type, 8, 272, 90, 16);
  Label_Type->SetCaption(u"Тип файлов:");
  cb_Type = new TComboBox(this);
  place(cb_Type, 100, 268, 250, 21);
  cb_Type->SetStyle(csDropDownList);
  Button_OK = new TButton(this);
  place(Button_OK, 362, 234, 78, 25);
  Button_OK->SetCaption(FDialog->IsSaveDialog() ? u"Сохранить" : u"Открыть");
  Button_OK->SetDefault(true);
  Button_OK->OnClick = [this](TObject*) { OKClick(); };
  Button_Cancel = new TButton(this);
  place(Button_Cancel, 362, 266, 78, 25);
  Button_Cancel->SetCaption(u"Отмена");
  Button_Cancel->SetCancel(true);
  Button_Cancel->SetModalResult(mrCancel);

  DirList->SetDirLabel(Label_Dir);
  DirList->SetFileList(FileList);
  FileList->OnClick = [this](TObject*) {
    if (FileList->GetItemIndex() >= 0) Edit_Name->SetText(FileList->GetItems()->Get(FileList->GetItemIndex()));
  };
  FileList->OnDblClick = [this](TObject*) { OKClick(); };

  // "Name|Patterns|..." pairs.
  const String& f = FDialog->FFilter;
  std::vector<String> parts;
  size_t start = 0;
  while (start <= f.size() && !f.empty()) {
    size_t bar = f.find(u'|', start);
    if (bar == String::npos) bar = f.size();
    parts.push_back(f.substr(start, bar - start));
    start = bar + 1;
  }
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    cb_Type->GetItems()->Add(parts[i]);
    FMasks.push_back(parts[i + 1]);
  }
  if (FMasks.empty()) {
    cb_Type->GetItems()->Add(u"*.*");
    FMasks.push_back(u"*.*");
  }
  cb_Type->OnChange = [this](TObject*) {
    const Integer i = cb_Type->GetItemIndex();
    if (i >= 0 && size_t(i) < FMasks.size()) FileList->SetMask(FMasks[size_t(i)]);
  };
  const Integer index = std::clamp(FDialog->FFilterIndex - 1, 0, Integer(FMasks.size()) - 1);
  cb_Type->SetItemIndex(index);
  FileList->SetMask(FMasks[size_t(index)]);

  // Start in InitialDir, else the folder of FileName, else where the list stands.
  String dir = FDialog->FInitialDir;
  while (dir.size() > 1 && dir.back() == u'/') dir.pop_back();
  if (!IsFolder(dir)) dir = FolderOf(FDialog->FFileName);
  if (IsFolder(dir)) DirList->SetDirectory(dir);
  Label_Dir->SetCaption(DirList->GetDirectory());
  Edit_Name->SetText(NameOf(FDialog->FFileName));
  SetActiveControl(Edit_Name);
}

void TFileDialogForm::OKClick() {
  const String typed = Trim(Edit_Name->GetText());
  if (typed.empty()) return;
  const String base = DirList->GetDirectory();
  const String path = typed[0] == u'/' ? typed : (base == u"/" ? String() : base) + u"/" + typed;
  if (IsFolder(path)) {
    // A folder typed in opens it.
    DirList->SetDirectory(path);
    Edit_Name->SetText(String());
    return;
  }
  if (FDialog->Accept(path)) SetModalResult(mrOk);
}
