#include "client/_DirSel_SkyBlue.h"

#include <memory>

#include "client/__files.h"
#include "client/__forms.h"
#include "platform/core/Files.h"
#include "platform/core/Strings.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/FileCtrl.h"
#include "platform/ui/StdCtrls.h"

namespace {
constexpr Char kDoubleClickHint[] = u"Двойной щелчок левой кнопкой мыши - выбрать папку (каталог)";
}

TDlg_DirSelect::TDlg_DirSelect(TComponent* AOwner) : TForm(AOwner) {
  CreateControls();
  DoCreate();
}

void TDlg_DirSelect::CreateControls() {
  SetUpDialogFrame(this, u"Dlg_DirSelect", 452, 318);
  SetCaption(u"Выбор папки(каталога)");
  SetKeyPreview(true);

  Label_Head = NewControl<TLabel>(this, this, u"Label_Head", Bounds(8, 4, 436, 14));
  Label_Head->SetAutoSize(false);
  Label_Head->GetFont()->SetStyle({fsBold});

  GroupBox1 = NewControl<TGroupBox>(this, this, u"GroupBox1", Bounds(6, 20, 214, 264));
  GroupBox1->SetCaption(u"Папки : ");
  DriveComboBox1 = NewControl<TDriveComboBox>(this, GroupBox1, u"DriveComboBox1", Bounds(8, 18, 198, 21));
  DirectoryListBox1 = NewControl<TDirectoryListBox>(this, GroupBox1, u"DirectoryListBox1", Bounds(8, 44, 198, 212));

  GroupBox2 = NewControl<TGroupBox>(this, this, u"GroupBox2", Bounds(228, 20, 218, 264));
  GroupBox2->SetCaption(u"Файлы : ");

  Label_Dir = NewControl<TLabel>(this, GroupBox2, u"Label_Dir", Bounds(8, 18, 202, 14));
  Label_Dir->SetAutoSize(false);
  Label_Dir->GetFont()->SetStyle({fsBold});
  Label_Dir->SetHint(kDoubleClickHint);
  Label_Dir->SetShowHint(true);
  Label_Dir->OnDblClick = [this](TObject* Sender) { FileListBox1DblClick(Sender); };

  FileListBox1 = NewControl<TFileListBox>(this, GroupBox2, u"FileListBox1", Bounds(8, 36, 202, 220));
  FileListBox1->SetFileType({ftReadOnly, ftHidden, ftSystem, ftArchive, ftNormal});
  FileListBox1->GetFont()->SetColor(clTeal);
  FileListBox1->SetHint(kDoubleClickHint);
  FileListBox1->SetShowHint(true);
  FileListBox1->OnDblClick = [this](TObject* Sender) { FileListBox1DblClick(Sender); };

  DriveComboBox1->SetDirList(DirectoryListBox1);
  DirectoryListBox1->SetDirLabel(Label_Dir);
  DirectoryListBox1->SetFileList(FileListBox1);

  SB_OK = NewOkButton(this, this, Bounds(290, 290, 75, 22), [this](TObject* Sender) { SB_OKClick(Sender); });
  SB_Cancel =
      NewCancelButton(this, this, Bounds(371, 290, 75, 22), [this](TObject* Sender) { SB_CancelClick(Sender); });

  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { FormKeyDown(Sender, Key, Shift); };
}

void TDlg_DirSelect::SB_OKClick(TObject*) { SetModalResult(mrOk); }
void TDlg_DirSelect::SB_CancelClick(TObject*) { SetModalResult(mrCancel); }
void TDlg_DirSelect::FileListBox1DblClick(TObject*) { SetModalResult(mrOk); }

void TDlg_DirSelect::FormKeyDown(TObject*, Word& Key, TShiftState) {
  DialogKeyDown(
      Key, [this] { SB_OKClick(SB_OK); }, [this] { SB_CancelClick(SB_Cancel); });
}

void SelectFolder(const String& Caption, const String& Head, const String& StartFolder, TColor FontColor,
                  TColor BackColor, String& Folder) {
  Folder.clear();
  auto dlg = std::make_unique<TDlg_DirSelect>(nullptr);
  dlg->SetChosenFolder(String());

  if (!Trim(Caption).empty()) dlg->SetCaption(Trim(Caption));
  dlg->Label_Head->SetCaption(String());
  dlg->Label_Head->SetVisible(false);
  if (!Trim(Head).empty()) {
    dlg->Label_Head->SetCaption(Trim(Head));
    dlg->Label_Head->SetVisible(true);
  }

  const String start = Trim(StartFolder);
  if (!start.empty() && FolderExists(start)) {
    dlg->SetChosenFolder(start);
    Application->ProcessMessages();
    dlg->DirectoryListBox1->SetDirectory(start);
  }

  if (FontColor >= 0) {
    ApplyColorsToControls(dlg.get(), FontColor, BackColor, String());
    dlg->FileListBox1->SetColor(BackColor);
  }

  if (dlg->ShowModal() != mrOk) return;
  String chosen = Trim(dlg->DirectoryListBox1->GetDirectory());
  if (!chosen.empty()) chosen = IncludeTrailingPathDelimiter(chosen);
  dlg->SetChosenFolder(FolderExists(chosen) ? chosen : String());
  Folder = Trim(dlg->GetChosenFolder());
}
