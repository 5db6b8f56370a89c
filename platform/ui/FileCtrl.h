#pragma once
// The drive combo box, the folder list box and the file list box, linked as the
// platform links them: the drive box sets the folder list's drive, the folder
// list sets its label's caption and its file list's folder. Here there is one
// drive, the root "/"; folders are written without a trailing "/" (the root is "/").

#include "platform/ui/StdCtrls.h"

class TDirectoryListBox;
class TFileListBox;

class TDriveComboBox : public TCustomComboBox {
public:
  BORROW_COMPONENT(TDriveComboBox, TCustomComboBox)
  explicit TDriveComboBox(TComponent* AOwner);
  Char GetDrive() const { return u'/'; }
  // Any drive letter means the root: there is only one.
  void SetDrive(Char Value);
  TDirectoryListBox* GetDirList() const { return FDirList; }
  void SetDirList(TDirectoryListBox* Value);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Change() override;
  TDirectoryListBox* FDirList = nullptr;
};

class TDirectoryListBox : public TCustomListBox {
public:
  BORROW_COMPONENT(TDirectoryListBox, TCustomListBox)
  explicit TDirectoryListBox(TComponent* AOwner);
  String GetDirectory() const { return FDirectory; }
  // An absolute folder (a trailing "/" is dropped); one that does not exist is
  // refused with EInOutError, and the list stays where it was.
  void SetDirectory(const String& Value);
  Char GetDrive() const { return u'/'; }
  void SetDrive(Char Value);
  TLabel* GetDirLabel() const { return FDirLabel; }
  void SetDirLabel(TLabel* Value);
  TFileListBox* GetFileList() const { return FFileList; }
  void SetFileList(TFileListBox* Value);
  // The folder an item stands for.
  String GetItemPath(Integer Index) const;
  // Opens the selected item's folder.
  void OpenCurrent();
  // Re-reads the folder.
  void UpdateDirectory();

  TNotifyEvent OnChange;

  void DefaultHandler(TMessage& Message) override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) override;
  void ReadDirectory();
  void DblClick() override;
  virtual void Change();

  String FDirectory = u"/";
  Integer FPathLevels = 0;  // items 0 .. FPathLevels - 1 are the path, the rest subfolders
  TLabel* FDirLabel = nullptr;
  TFileListBox* FFileList = nullptr;
};

enum TFileAttr { ftReadOnly, ftHidden, ftSystem, ftVolumeID, ftDirectory, ftArchive, ftNormal };
using TFileType = TEnumSet<TFileAttr>;

class TFileListBox : public TCustomListBox {
public:
  BORROW_COMPONENT(TFileListBox, TCustomListBox)
  explicit TFileListBox(TComponent* AOwner);
  String GetDirectory() const { return FDirectory; }
  void SetDirectory(const String& Value);
  // Patterns separated by ";" ("*" any run of characters, "?" one character).
  String GetMask() const { return FMask; }
  void SetMask(const String& Value);
  TFileType GetFileType() const { return FFileType; }
  // Hidden files are listed only with ftHidden; folders only with ftDirectory.
  void SetFileType(TFileType Value);
  // The selected file with its folder (empty when none).
  String GetFileName() const;
  // Re-reads the folder.
  void UpdateFileList();

  TNotifyEvent OnChange;

protected:
  void ReadFiles();
  void SelectionChangedByUser() override;
  String FDirectory = u"/";
  String FMask = u"*.*";
  TFileType FFileType{ftNormal};
};

// Whether a file name matches one of the ";"-separated patterns; "*.*" matches every name.
bool MatchesMask(const String& FileName, const String& Masks);
