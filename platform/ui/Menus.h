#pragma once
// Popup menus: items with captions, checks, shortcuts and submenus, shown as a
// popup window that keeps the keyboard with the window that has the focus. Popup
// runs until an item is chosen or the menu is dismissed, then runs the item's
// OnClick.

#include <memory>
#include <vector>

#include "platform/ui/Controls.h"

class TMenuItem : public TComponent {
public:
  BORROW_COMPONENT(TMenuItem, TComponent)
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  String GetCaption() const { return FCaption; }
  void SetCaption(const String& Value) { FCaption = Value; }
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool Value) { FChecked = Value; }
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; }
  bool GetDefault() const { return FDefault; }
  void SetDefault(bool Value) { FDefault = Value; }
  TShortCut GetShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value) { FShortCut = Value; }
  // A caption of "-" makes a separator line.
  bool IsLine() const { return FCaption == u"-"; }

  // Submenu items; the item owns what is added to it.
  Integer GetCount() const { return Integer(FItems.size()); }
  TMenuItem* GetItem(Integer Index) const { return FItems.at(size_t(Index)).get(); }
  TMenuItem* Items(Integer Index) const { return GetItem(Index); }
  void Add(TMenuItem* Item);
  void Insert(Integer Index, TMenuItem* Item);
  void Delete(Integer Index);
  // Takes the item out without freeing it: its caller owns it again.
  void Remove(TMenuItem* Item);
  void Clear();
  Integer IndexOf(const TMenuItem* Item) const;
  TMenuItem* GetParentItem() const { return FParentItem; }

  virtual void Click();
  TNotifyEvent OnClick;

private:
  String FCaption;
  bool FChecked = false, FEnabled = true, FVisible = true, FDefault = false;
  TShortCut FShortCut = scNone;
  std::vector<std::unique_ptr<TMenuItem>> FItems;
  TMenuItem* FParentItem = nullptr;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TComponent {
public:
  BORROW_COMPONENT(TPopupMenu, TComponent)
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;

  TMenuItem* GetItems() const { return FItems.get(); }
  bool GetAutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool Value) { FAutoPopup = Value; }
  // The control the menu was last shown for.
  TComponent* GetPopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* Value) { FPopupComponent = Value; }
  // Which of the menu's top corners, or the middle of its top, a popup puts at
  // the point it is given.
  TPopupAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment Value) { FAlignment = Value; }
  // Shows the menu with its top corner (by Alignment) at a screen point and
  // waits for the choice; the chosen item's OnClick runs after the menu is gone.
  virtual void Popup(Integer X, Integer Y);
  // The item chosen by the last Popup (null when dismissed).
  TMenuItem* GetLastChosen() const { return FLastChosen; }
  // The menu's window while it is shown (tests click into it).
  HWND GetMenuWindow() const;
  // Runs the item whose shortcut this is; false when none has it.
  bool IsShortCut(Word Key, TShiftState Shift);

  TNotifyEvent OnPopup;

private:
  std::unique_ptr<TMenuItem> FItems;
  bool FAutoPopup = true;
  TPopupAlignment FAlignment = paLeft;
  TComponent* FPopupComponent = nullptr;
  TMenuItem* FLastChosen = nullptr;
  class TMenuWindow* FWindow = nullptr;
  friend class TMenuWindow;
};

// The text of a shortcut ("Ctrl+C", "Shift+Del").
String ShortCutToText(TShortCut ShortCut);
