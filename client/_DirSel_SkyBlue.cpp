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
  SetName(u"Dlg_DirSelect");
  SetCaption(u"Выбор папки(каталога)");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(452);
  SetClientHeight(318);
  GetFont()->SetName(u"Tahoma");
  SetKeyPreview(true);

  Label_Head = new TLabel(this);
  Label_Head->SetName(u"Label_Head");
  Label_Head->SetParent(this);
  Label_Head->SetBounds(8, 4, 436, 14);
  Label_Head->SetAutoSize(false);
  Label_Head->GetFont()->SetStyle({fsBold});

  GroupBox1 = new TGroupBox(this);
  GroupBox1->SetName(u"GroupBox1");
  GroupBox1->SetParent(this);
  GroupBox1->SetBounds(6, 20, 214, 264);
  GroupBox1->SetCaption(u"Папки : ");

  DriveComboBox1 = new TDriveComboBox(this);
  DriveComboBox1->SetName(u"DriveComboBox1");
  DriveComboBox1->SetParent(GroupBox1);
  DriveComboBox1->SetBounds(8, 18, 198, 21);

  DirectoryListBox1 = new TDirectoryListBox(this);
  DirectoryListBox1->SetName(u"DirectoryListBox1");
  DirectoryListBox1->SetParent(GroupBox1);
  DirectoryListBox1->SetBounds(8, 44, 198, 212);

  GroupBox2 = new TGroupBox(this);
  GroupBox2->SetName(u"GroupBox2");
  GroupBox2->SetParent(this);
  GroupBox2->SetBounds(228, 20, 218, 264);
  GroupBox2->SetCaption(u"Файлы : ");

  Label_Dir = new TLabel(this);
  Label_Dir->SetName(u"Label_Dir");
  Label_Dir->SetParent(GroupBox2);
  Label_Dir->SetBounds(8, 18, 202, 14);
  Label_Dir->SetAutoSize(false);
  Label_Dir->GetFont()->SetStyle({fsBold});
  Label_Dir->SetHint(kDoubleClickHint);
  Label_Dir->SetShowHint(true);
  Label_Dir->OnDblClick = [this](TObject* Sender) { FileListBox1DblClick(Sender); };

  FileListBox1 = new TFileListBox(this);
  FileListBox1->SetName(u"FileListBox1");
  FileListBox1->SetParent(GroupBox2);
  FileListBox1->SetBounds(8, 36, 202, 220);
  FileListBox1->SetFileType({ftReadOnly, ftHidden, ftSystem, ftArchive, ftNormal});
  FileListBox1->GetFont()->SetColor(clTeal);
  FileListBox1->SetHint(kDoubleClickHint);
  FileListBox1->SetShowHint(true);
  FileListBox1->OnDblClick = [this](TObject* Sender) { FileListBox1DblClick(Sender); };

  DriveComboBox1->SetDirList(DirectoryListBox1);
  DirectoryListBox1->SetDirLabel(Label_Dir);
  DirectoryListBox1->SetFileList(FileListBox1);

  SB_OK = new TSpeedButton(this);
  SB_OK->SetName(u"SB_OK");
  SB_OK->SetParent(this);
  SB_OK->SetBounds(290, 290, 75, 22);
  SB_OK->SetCaption(u"OK");
  SB_OK->GetFont()->SetStyle({fsBold});
  SB_OK->OnClick = [this](TObject* Sender) { SB_OKClick(Sender); };

  SB_Cancel = new TSpeedButton(this);
  SB_Cancel->SetName(u"SB_Cancel");
  SB_Cancel->SetParent(this);
  SB_Cancel->SetBounds(371, 290, 75, 22);
  SB_Cancel->SetCaption(u"Cancel");
  SB_Cancel->OnClick = [this](TObject* Sender) { SB_CancelClick(Sender); };

  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { FormKeyDown(Sender, Key, Shift); };
}

void TDlg_DirSelect::SB_OKClick(TObject*) { SetModalResult(mrOk); }
void TDlg_DirSelect::SB_CancelClick(TObject*) { SetModalResult(mrCancel); }
void TDlg_DirSelect::FileListBox1DblClick(TObject*) { SetModalResult(mrOk); }

void TDlg_DirSelect::FormKeyDown(TObject*, Word& Key, TShiftState) {
  if (Key == VK_RETURN) {
    Key = 0;
    SB_OKClick(SB_OK);
  } else if (Key == VK_ESCAPE) {
    Key = 0;
    SB_CancelClick(SB_Cancel);
  }
}

void SelectFolder(const String& Caption, const String& Head, const String& StartFolder,
                  TColor FontColor, TColor BackColor, String& Folder) {
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
