// TDBGridInplaceEdit, the grid's cell editor: loading it for the current cell,
// its edit buttons, its formatting rectangle, painting the image and the
// required mark, and its keys, paste and mouse. The drop-down windows and the
// completion of typed text are in DBGridEh_InplaceEditLists.cpp.
//
// Index of this file:
//   construction, the divider
//   the column and the style: SetEditStyle, UpdateContents, UpdateImageIndex
//   edit buttons: layout, BoundsChanged, GetEditRect, clicks and presses
//   painting: the image and the required mark
//   keys: KeyDown, KeyPress, KeyUp, Delete and Backspace in list columns
//   paste, mouse, focus, the message switch

#include <algorithm>
#include <cmath>

#include "editors/DaVirVCL.h"
#include "grid/DBGridEh.h"
#include "grid/DBLookupGridsEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/core/FormatSettings.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/MessageQueue.h"

namespace {

// Posted to the editor while its buttons wait to be laid out again.
constexpr UINT EditorLayoutMessage = WM_USER + 102;

bool NoModifiers(TShiftState Shift) {
  return !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt);
}

TEditButtonStyleEh MainButtonStyle(TInplaceEditStyleEh Style) {
  switch (Style) {
    case esEllipsisEh: return ebsEllipsisEh;
    case esUpDownEh: return ebsUpDownEh;
    case esAltUpDownEh: return ebsAltUpDownEh;
    case esAltDropDownEh:
    case esDateAltDropDownEh: return ebsAltDropDownEh;
    default: return ebsDropDownEh;
  }
}

bool IsMouseButtonMessage(UINT Msg) {
  switch (Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: return true;
    default: return false;
  }
}

}  // namespace

// ---- Construction ---------------------------------------------------------------------------------------

void TEditButtonDividerEh::SetPenColor(TColor Value) {
  if (FPenColor == Value) return;
  FPenColor = Value;
  Invalidate();
}

void TEditButtonDividerEh::Paint() {
  GetCanvas()->GetBrush()->SetColor(FPenColor);
  GetCanvas()->FillRect(GetClientRect());
}

TDBGridInplaceEdit::TDBGridInplaceEdit(TComponent* AOwner)
    : TInplaceEdit(AOwner),
      FEditCanvas(std::make_unique<TControlCanvas>()),
      FDataSource(std::make_unique<TDataSource>(nullptr)) {
  FEditCanvas->SetControl(this);
}

TDBGridInplaceEdit::~TDBGridInplaceEdit() {
  // The popups are components of the editor; their notifications must not find
  // a half-destroyed editor.
  FActiveList = nullptr;
  FPickList = nullptr;
  // The drop-down grid is the column's: it leaves the editor, never goes with it.
  if (FDataList) {
    FDataList->OnMouseCloseUp = nullptr;
    FDataList->OnSpecRowChanged = nullptr;
    FDataList->RemoveFreeNotification(this);
    FDataList->SetParent(nullptr);
  }
  FDataList = nullptr;
  FCalendar = nullptr;
  FCalculator = nullptr;
  FMRUListBox = nullptr;
}

void TDBGridInplaceEdit::Notification(TComponent* AComponent, TOperation Operation) {
  TInplaceEdit::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FActiveList) {
    FActiveList = nullptr;
    FListVisible = false;
  }
  if (AComponent == FPickList) FPickList = nullptr;
  if (AComponent == FCalendar) FCalendar = nullptr;
  if (AComponent == FCalculator) FCalculator = nullptr;
  if (AComponent == FMRUListBox) FMRUListBox = nullptr;
  if (AComponent == FDataList) {
    FDataList = nullptr;
    // The column went, or its grid: no list style without its grid. (The grid
    // may be half destroyed here, so nothing of it is asked.)
    if (!GetComponentState().Contains(csDestroying)) FEditStyle = esSimpleEh;
  }
}

TCustomDBGridEh* TDBGridInplaceEdit::GetGridEh() const { return dynamic_cast<TCustomDBGridEh*>(GetGrid()); }

TColumnEh* TDBGridInplaceEdit::GetColumn() const {
  TCustomDBGridEh* Grid = GetGridEh();
  return Grid ? Grid->GetCurrentColumn() : nullptr;
}

void TDBGridInplaceEdit::CreateParams(TCreateParams& Params) {
  TInplaceEdit::CreateParams(Params);
  if (FWordWrap) Params.Style = (Params.Style & ~DWORD(ES_AUTOHSCROLL)) | ES_MULTILINE;
  if (FEditButtons.empty()) {
    TCustomDBGridEh* Grid = GetGridEh();
    FButtonsWidth = Grid && Grid->GetFlat() ? GetDefaultEditButtonWidthEh() + 1 : GetSystemMetrics(SM_CXVSCROLL);
  }
}

void TDBGridInplaceEdit::Invalidate() {
  TCustomDBGridEh* Grid = GetGridEh();
  if (Grid && Grid->GetRowPanel()->GetActive()) TWinControl::Invalidate();
  else TInplaceEdit::Invalidate();
}

// ---- The column and the style --------------------------------------------------------------------------

void TDBGridInplaceEdit::SetEditStyle(TInplaceEditStyleEh Value) {
  FEditStyle = Value;
  PrepareActiveList();
  if (TColumnEh* Column = GetColumn()) SetReadOnly(Column->GetReadOnly());
  Invalidate();
}

void TDBGridInplaceEdit::UpdateContents() {
  TCustomDBGridEh* Grid = GetGridEh();
  TColumnEh* Column = GetColumn();
  if (!Grid || !Column) {
    SetEditStyle(esSimpleEh);
    TInplaceEdit::UpdateContents();
    return;
  }
  SetEditStyle(Column->GetEditStyle());
  SetFont(Column->GetFont());
  // Its text starts where the cell's started: at the right edge, mirrored.
  SetAlignment(EditorMirrored() ? taRightJustify : taLeftJustify);
  // The text and the column's own answer first: both use the grid's shared
  // cell parameters, which are filled for the events after them.
  const String Text = Column->GetInplaceEditText();
  const bool ColumnReadOnly = !Column->CanModify(false);
  TColCellParamsEh* Params = Grid->GetCellParamsObject();
  Params->SetBackground(Column->GetColor());
  Params->SetFont(GetFont());
  Params->SetState(TGridDrawState{gdFocused});
  Params->SetText(Text);
  Params->SetReadOnly(ColumnReadOnly);
  Params->SetImageIndex(Column->GetImageIndex());
  TColor Background = Params->GetBackground();
  if (Grid->OnGetCellParams) Grid->OnGetCellParams(Grid, Column, Params->GetFont(), Background, Params->GetState());
  Params->SetBackground(Background);
  if (!Grid->GetComponentState().Contains(csLoading)) Column->GetColCellParams(true, Params);
  SetColor(Params->GetBackground());
  FImageIndex = Params->GetImageIndex();
  FReadOnlyForced = Params->GetReadOnly() != ColumnReadOnly;
  // A cell that cannot change (a read-only table, field or column) gets a
  // read-only editor: its text can still be selected and copied.
  if (FReadOnlyForced || ColumnReadOnly) SetReadOnly(true);
  // A cell more than one text line high edits its text wrapped; in a row
  // panel the cell is the column's place in the panel, not the whole row.
  const Integer CellHeight =
      Grid->GetRowPanel()->GetActive() ? Column->GetRowPanelRect().Height() : Grid->GetRowHeights(Grid->GetRow());
  const bool WordWrap = Column->GetWordWrap() && Column->CanWrapInHeight(CellHeight);
  if (WordWrap != FWordWrap) {
    FWordWrap = WordWrap;
    if (HandleAllocated()) RecreateWnd();
  }
  const String ParamsText = Params->GetText();
  TTemporaryChangeEh<bool> Loading(FLoading, true);
  SetText(String());
  SetEditMask(Column->GetEditMask());
  SetText(ParamsText);
  SetMaxLength(Grid->GetEditLimit());
  FMRUList = Column->GetMRUList();
  Grid->SetPendingEditText(ParamsText);
  FTextChanged = false;
}

void TDBGridInplaceEdit::UpdateImageIndex() {
  TColumnEh* Column = GetColumn();
  if (!Column || !Column->GetImageList()) return;
  Integer Index = -1;
  TField* Field = Column->GetField();
  if (Column->HasPickListItems()) Index = Column->GetPickList()->IndexOf(GetText());
  else if (Field && IsNumberFieldTypeEh(Field->GetDataType())) Index = FieldAsIntegerDefEh(Field, -1);
  if (Index == -1) Index = Column->GetNotInKeyListIndex();
  if (Index == FImageIndex) return;
  FImageIndex = Index;
  Invalidate();
}

// The grid passes the edit window's EN_CHANGE on; the editor's own loading of a
// cell is not a change.
void TDBGridInplaceEdit::NotifyTextChanged() {
  if (GetUpdatingContents() || FLoading) return;
  FTextChanged = true;
  UpdateImageIndex();
}

// ---- Edit buttons -----------------------------------------------------------------------------------------

TEditButtonControlEh* TDBGridInplaceEdit::CreateEditButtonControl() {
  auto* Button = new TEditButtonControlEh(this);
  Button->SetBounds(0, 0, 10, 17);
  Button->SetVisible(true);
  Button->SetParent(this);
  return Button;
}

void TDBGridInplaceEdit::LayoutEditButtons() {
  TCustomDBGridEh* Grid = GetGridEh();
  TColumnEh* Column = GetColumn();
  TEditButtonsEh* Extra = Column ? Column->GetEditButtons() : nullptr;
  const size_t Count = size_t(Extra ? Extra->GetCount() : 0) + 1;
  while (FEditButtons.size() > Count) {
    TEditButtonPair Pair = FEditButtons.back();
    FEditButtons.pop_back();
    delete Pair.Button;
    delete Pair.Divider;
  }
  while (FEditButtons.size() < Count) {
    TEditButtonPair Pair;
    Pair.Button = CreateEditButtonControl();
    Pair.Divider = new TEditButtonDividerEh(this);
    Pair.Divider->SetParent(this);
    FEditButtons.push_back(Pair);
  }
  const bool Flat = Grid && Grid->GetFlat();
  const Integer DefaultWidth = Flat ? GetDefaultEditButtonWidthEh() : GetSystemMetrics(SM_CXVSCROLL);
  const Integer ClientHeight = GetClientHeight();
  std::vector<Integer> Widths(Count, 0);
  Integer Height = ClientHeight;
  for (size_t I = 0; I < Count; ++I) {
    TEditButtonControlEh* Button = FEditButtons[I].Button;
    bool Visible = true;
    Integer Width = 0;
    if (I == 0) {
      Visible = FEditStyle != esSimpleEh;
      Button->SetStyle(MainButtonStyle(FEditStyle));
      Button->SetHint(String());
    } else {
      TEditButtonEh* Item = Extra->Items(Integer(I) - 1);
      Visible = Item->GetVisible();
      Button->SetStyle(Item->GetStyle());
      Button->SetHint(Item->GetHint());
      Width = Item->GetWidth();
    }
    Button->SetFlat(Flat);
    Button->SetVisible(Visible);
    if (!Visible) Width = 0;
    else if (Width < 1) Width = DefaultWidth;
    Widths[I] = Width;
    if (Visible) {
      Integer ButtonHeight = Width;
      if (Integer(std::lround(Width * 3.0 / 2.0)) >= ClientHeight) ButtonHeight = ClientHeight;
      else if (Flat) ButtonHeight = Width + Width / 2;
      Height = std::min(Height, ButtonHeight);
    }
    Button->OnDown = [this](TObject* Sender, bool Top, bool& AutoRepeat, bool& Handled) {
      EditButtonControlDown(Sender, Top, AutoRepeat, Handled);
    };
    Button->OnClick = [this](TObject* Sender) { EditButtonControlClick(Sender); };
    Button->OnMouseMove = [this](TObject* Sender, TShiftState Shift, Integer X, Integer Y) {
      EditButtonControlMouseMove(Sender, Shift, X, Y);
    };
    Button->OnMouseUp = [this](TObject* Sender, TMouseButton B, TShiftState Shift, Integer X, Integer Y) {
      EditButtonControlMouseUp(Sender, B, Shift, X, Y);
    };
    Button->SetTag(Integer(I));
  }
  // From the last pair to the main button, leftwards from the right edge
  // (rightwards from the left one when mirrored).
  const bool Mirrored = EditorMirrored();
  const Integer ClientW = GetClientWidth();
  Integer Taken = 0;
  for (size_t I = Count; I-- > 0;) {
    TEditButtonPair& Pair = FEditButtons[I];
    const bool Divided = Flat && Widths[I] > 0 && !ThemesEnabledEh();
    const Integer DividerW = Divided ? 1 : 0;
    if (Mirrored) {
      Pair.Button->SetBounds(Taken, 0, Widths[I], Height);
      Pair.Divider->SetBounds(Taken + Widths[I], 0, DividerW, Height);
    } else {
      Pair.Button->SetBounds(ClientW - Taken - Widths[I], 0, Widths[I], Height);
      Pair.Divider->SetBounds(ClientW - Taken - Widths[I] - DividerW, 0, DividerW, Height);
    }
    Pair.Divider->SetVisible(Divided);
    Taken += Widths[I] + DividerW;
  }
  FButtonsWidth = Taken;
}

void TDBGridInplaceEdit::BoundsChanged() {
  TMsg Pending;
  if (HandleAllocated())
    while (PeekMessage(Pending, GetHandle(), EditorLayoutMessage, EditorLayoutMessage, PM_REMOVE)) {
    }
  LayoutEditButtons();
  // Extra buttons keep the Enabled their items give them: a disabled button is
  // one its column means to be unusable here too.
  TColumnEh* Column = GetColumn();
  for (size_t I = 0; I < FEditButtons.size(); ++I) {
    const bool Enabled = I == 0 || !Column || Column->GetEditButtons()->Items(Integer(I) - 1)->GetEnabled();
    FEditButtons[I].Button->SetEnabled(Enabled);
    FEditButtons[I].Button->SetActive(true);
    FEditButtons[I].Divider->SetPenColor(clBtnFace);
  }
  if (!HandleAllocated()) return;
  TRect R = GetEditRect();
  SendMessage(GetHandle(), EM_SETRECTNP, 0, LPARAM(&R));
  SendMessage(GetHandle(), EM_SCROLLCARET, 0, 0);
}

TRect TDBGridInplaceEdit::GetEditRect() {
  TCustomDBGridEh* Grid = GetGridEh();
  const bool Flat = Grid && Grid->GetFlat();
  TRect R = Flat ? TRect(2, 1, GetWidth() - 2, GetHeight() - 1) : TRect(2, 2, GetWidth() - 2, GetHeight());
  if (FontTextMetricsEh(GetFont()).tmHeight > R.Height() && R.Bottom < GetHeight()) ++R.Bottom;
  TColumnEh* Column = GetColumn();
  // The buttons, image and tree area stand where the grid painted them in the
  // cell: mirrored in a right-to-left grid, whatever the column's alignment.
  const bool RightToLeft = EditorMirrored();
  auto TakeLeft = [&](Integer Width) {
    if (RightToLeft) R.Right -= Width;
    else R.Left += Width;
  };
  if (FButtonsWidth > 0) {
    if (RightToLeft) R.Left += FButtonsWidth;
    else R.Right -= FButtonsWidth;
  }
  if (Column && Column->GetImageList() && Column->GetShowImageAndText())
    TakeLeft(Column->GetImageList()->GetWidth() + 5);
  if (Grid && Grid->EditorCoversTreeArea(Column)) TakeLeft(Grid->TreeAreaWidth() + 1);
  return R;
}

void TDBGridInplaceEdit::EditButtonControlClick(TObject* Sender) {
  auto* Button = dynamic_cast<TEditButtonControlEh*>(Sender);
  TColumnEh* Column = GetColumn();
  TCustomDBGridEh* Grid = GetGridEh();
  if (!Button || !Column || !Grid) return;
  const Integer Index = Integer(Button->GetTag());
  bool Handled = false;
  if (Index == 0) {
    if (FEditStyle == esEllipsisEh || FEditStyle == esDropDownEh || FEditStyle == esAltDropDownEh)
      Grid->EditButtonClick();
    if (Column->OnEditButtonClick) Column->OnEditButtonClick(Column, Handled);
  } else if (Index - 1 < Column->GetEditButtons()->GetCount()) {
    TEditButtonEh* Item = Column->GetEditButtons()->Items(Index - 1);
    if (Item->OnClick) Item->OnClick(Item, Handled);
  }
  if (!Handled && FListVisible && !FPressOpenedList) CloseUp(false);
  FPressOpenedList = false;
}

void TDBGridInplaceEdit::EditButtonControlDown(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled) {
  auto* Button = dynamic_cast<TEditButtonControlEh*>(Sender);
  TColumnEh* Column = GetColumn();
  if (!Button || !Column) return;
  SetFocus();
  const Integer Index = Integer(Button->GetTag());
  if (Index == 0) {
    if (Column->OnEditButtonDown) Column->OnEditButtonDown(Column, TopButton, AutoRepeat, Handled);
    if (!Handled) DoEditButtonAction(!TopButton);
    return;
  }
  if (Index - 1 >= Column->GetEditButtons()->GetCount()) return;
  TEditButtonEh* Item = Column->GetEditButtons()->Items(Index - 1);
  if (Item->OnDown) Item->OnDown(Item, TopButton, AutoRepeat, Handled);
  if (Handled || !Item->GetDropdownMenu()) return;
  TPopupMenu* Menu = Item->GetDropdownMenu();
  const TPoint At = Button->ClientToScreen(TPoint(0, Button->GetHeight()));
  Menu->Popup(At.X, At.Y);
  RemovePendingClickOnControlEh(Button);
  Button->Perform(WM_LBUTTONUP, 0, 0);
}

void TDBGridInplaceEdit::DoEditButtonAction(bool Down) {
  if (FEditStyle == esUpDownEh || FEditStyle == esAltUpDownEh) return StepValue(Down);
  if (FListVisible) return;
  DropDown();
  FPressOpenedList = true;
}

void TDBGridInplaceEdit::EditButtonControlMouseMove(TObject* Sender, TShiftState Shift, Integer X, Integer Y) {
  auto* Button = dynamic_cast<TEditButtonControlEh*>(Sender);
  if (Button && Button->GetTag() == 0 && FListVisible && Shift.Contains(ssLeft))
    HandOverPressToList(Button->ClientToScreen(TPoint(X, Y)));
}

void TDBGridInplaceEdit::EditButtonControlMouseUp(TObject* Sender, TMouseButton, TShiftState, Integer X, Integer Y) {
  auto* Button = dynamic_cast<TControl*>(Sender);
  if (Button && !Button->GetClientRect().Contains(TPoint(X, Y))) FPressOpenedList = false;
}

// ---- Stepping --------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::StepValue(bool Down) {
  TCustomDBGridEh* Grid = GetGridEh();
  TColumnEh* Column = GetColumn();
  if (!Grid || !Column || !Column->CanModify(true)) return;
  if (Column->GetInplaceEditText() != GetText()) {
    Grid->SetPendingEditText(GetText());
    Grid->UpdateData();
  }
  Extended Step = Down ? -Column->GetIncrement() : Column->GetIncrement();
  if (Column->GetColumnKind() != ckPlain) Step = -Step;
  Column->SetNextFieldValue(Step);
}

// ---- Painting -----------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::Paint(HDC DC) {
  TInplaceEdit::Paint(DC);
  TCustomDBGridEh* Grid = GetGridEh();
  TColumnEh* Column = GetColumn();
  if (!Grid || !Column) return;
  FEditCanvas->SetHandle(DC);
  TScopeExitEh Unbind([this] { FEditCanvas->SetHandle(nullptr); });
  const bool TreeColumn = Grid->EditorCoversTreeArea(Column);
  const Integer Indent = TreeColumn ? Grid->TreeAreaWidth() : 0;
  // The tree area and the image are the cell's, mirrored with it.
  const bool Mirrored = EditorMirrored();
  if (Mirrored) SetCanvasMirror(FEditCanvas.get(), true, GetClientWidth(), GetClientHeight());
  if (TreeColumn && Grid->BeginReadRow(Grid->GetRow() - Grid->DataRowsOffset())) {
    TScopeExitEh Leave([Grid] { Grid->EndReadRow(); });
    Grid->DrawTreeCellArea(FEditCanvas.get(), TRect(0, 0, Indent, GetHeight()), false);
  }
  TCustomImageList* Images = Column->GetImageList();
  if (Images && Column->GetShowImageAndText() && FImageIndex >= 0) {
    const TRect Area(2 + Indent, 0, Images->GetWidth() + 2 + Indent, GetHeight());
    Images->Draw(FEditCanvas.get(), Area.Left + (Area.Width() - Images->GetWidth()) / 2,
                 Area.Top + (Area.Height() - Images->GetHeight()) / 2, FImageIndex, true);
  }
  if (Mirrored) {
    SetWindowOrgEx(DC, 0, 0, nullptr);
    SetMapMode(DC, MM_TEXT);
  }
  PaintRequiredState(FEditCanvas.get());
}

bool TDBGridInplaceEdit::EditorMirrored() const {
  TCustomDBGridEh* Grid = GetGridEh();
  return Grid && Grid->UseRightToLeftAlignment();
}

void TDBGridInplaceEdit::PaintRequiredState(TCanvas* ACanvas) {
  TCustomDBGridEh* Grid = GetGridEh();
  TColumnEh* Column = GetColumn();
  if (!Grid || !Column) return;
  TField* Field = Column->GetField();
  TDataSet* DataSet = Grid->GetDataLink()->GetDataSet();
  bool Draw = Column->GetHighlightRequired() && Grid->GetDataLink()->GetActive() && DataSet &&
              (DataSet->GetState() == dsEdit || DataSet->GetState() == dsInsert) && Field && Field->GetRequired() &&
              Field->GetIsNull();
  if (Column->OnCheckDrawRequiredState) Column->OnCheckDrawRequiredState(Column, GetText(), Draw);
  if (!Draw) return;
  const TRect R = GetEditRect();
  ACanvas->GetPen()->SetColor(clRed);
  ACanvas->GetPen()->SetStyle(psDot);
  ACanvas->MoveTo(R.Left + 2, GetClientHeight() - 1);
  ACanvas->LineTo(R.Right - 3, GetClientHeight() - 1);
  ACanvas->GetPen()->SetStyle(psSolid);
}

// ---- Keys -----------------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
  TCustomDBGridEh* Grid = GetGridEh();
  TColumnEh* Column = GetColumn();
  if (!Grid || !Column) return TInplaceEdit::KeyDown(Key, Shift);
  const TShortCut Pressed = ShortCut(Key, Shift);
  const TColumnKindEh Kind = Column->GetColumnKind();
  const bool ListKind = Kind == ckLookup || Kind == ckKeyPickList;
  const bool Ctrl = Shift.Contains(ssCtrl);
  if (Key == VK_RETURN && Ctrl && !Shift.Contains(ssShift) && !Shift.Contains(ssAlt) &&
      (FEditStyle == esEllipsisEh || FEditStyle == esDropDownEh)) {
    TMsg Pending;
    if (HandleAllocated()) PeekMessage(Pending, GetHandle(), WM_CHAR, WM_CHAR, PM_REMOVE);
    Grid->EditButtonClick();
    Key = 0;
    return;
  }
  if (Key == VK_DELETE && NoModifiers(Shift) && ListKind && Column->CanModify(false)) {
    DeleteListValue();
    if (!Column->OnNotInList || GetSelLength() == GetTextLen()) Key = 0;
    if (Key == 0) return;
  } else if (Key == VK_BACK && ListKind) {
    if (!Column->OnNotInList) {
      Key = VK_LEFT;
    } else {
      BackspaceListValue();
      Key = 0;
      return;
    }
  } else if ((Key == VK_UP || Key == VK_DOWN) && FWordWrap) {
    if (!Grid->GetOptions().Contains(dgAlwaysShowEditor)) {
      TCustomEdit::KeyDown(Key, Shift);
      return;
    }
    const bool AllSelected = GetSelLength() == GetTextLen();
    const Integer Line = VisualLineOf(GetSelStart());
    const bool ToGrid =
        AllSelected || (Key == VK_UP && Line == 0) || (Key == VK_DOWN && Line == Integer(VisualLines().size()) - 1);
    if (!ToGrid) {
      TCustomEdit::KeyDown(Key, Shift);
      return;
    }
  } else if (Key == VK_RETURN && !(FMRUList && FMRUList->GetDroppedDown()) &&
             Grid->GetOptionsEh().Contains(dghEnterAsTab)) {
    Grid->KeyDown(Key, Shift);
    Key = 0;
    return;
  } else if (Pressed == CopyFromPriorRowShortCut && Pressed != 0) {
    Grid->KeyDown(Key, Shift);
    Key = 0;
    return;
  } else if (Pressed == IncSearchShortCut && Grid->GetOptionsEh().Contains(dghIncSearch)) {
    if (Grid->GetIncSearchActive() && Grid->GetOptionsEh().Contains(dghDialogFind) &&
        FindDialogShortCut == IncSearchShortCut) {
      Grid->IncSearchStop();
      Grid->RunFindDialog(GetSelText());
    } else {
      Grid->IncSearchAdd(String(), IncSearchTimeOut, ltdAllEh);
    }
    Key = 0;
    return;
  } else if (Pressed == FindDialogShortCut && Grid->GetOptionsEh().Contains(dghDialogFind)) {
    Grid->RunFindDialog(GetSelText());
    Key = 0;
    return;
  } else if (FEditStyle == esDataListEh && Column->GetDropDownSpecRow()->GetVisible() &&
             Pressed == Column->GetDropDownSpecRow()->GetShortCut() && Column->CanModify(true)) {
    TSpecRowEh* SpecRow = Column->GetDropDownSpecRow();
    const String Text = SpecRow->CellText(0);
    SetText(Text);
    Grid->SetPendingEditText(Text);
    Grid->SetEditValue(SpecRow->GetValue());
    SelectAll();
    Key = 0;
    return;
  } else {
    TEditButtonsEh* Extra = Column->GetEditButtons();
    for (Integer I = 0; I < Extra->GetCount(); ++I) {
      TEditButtonEh* Item = Extra->Items(I);
      if (Item->GetShortCut() == 0 || Item->GetShortCut() != Pressed || !Item->GetEnabled()) continue;
      bool AutoRepeat = false, Handled = false;
      if (Item->OnDown) Item->OnDown(Item, false, AutoRepeat, Handled);
      if (size_t(I) + 1 < FEditButtons.size()) EditButtonControlClick(FEditButtons[size_t(I) + 1].Button);
      Key = 0;
      return;
    }
  }
  TInplaceEdit::KeyDown(Key, Shift);
}

// Delete in a list column: a whole selected text clears the value; otherwise,
// with OnNotInList, the selection goes and the key deletes at the caret.
void TDBGridInplaceEdit::DeleteListValue() {
  TCustomDBGridEh* Grid = GetGridEh();
  TColumnEh* Column = GetColumn();
  if (GetSelLength() == GetTextLen()) {
    if (FEditStyle == esDataListEh) {
      if (!Column->CanModify(true)) return;
      Grid->SetEditValue(Null());
      Grid->SetPendingEditText(String());
      SetText(String());
      // The list shows no row as chosen once the value is gone.
      if (FDataList) FDataList->SetKeyValue(Null());
    } else if (FEditStyle == esPickListEh && Column->GetColumnKind() == ckKeyPickList && Column->CanModify(true)) {
      SetText(String());
      Grid->SetPendingEditText(String());
    }
    return;
  }
  if (!Column->OnNotInList) return;
  if (GetSelLength() > 0) {
    const Integer Start = GetSelStart();
    SetSelText(String());
    SetSelStart(Start);
  }
  SyncEditValue();
  if (FPickList && FEditStyle == esPickListEh) FPickList->SetItemIndex(Column->GetPickList()->IndexOf(GetText()));
}

void TDBGridInplaceEdit::BackspaceListValue() {
  TColumnEh* Column = GetColumn();
  if (!Column->CanModify(true)) return;
  if (GetSelLength() > 0) SetSelText(String());
  const Integer Caret = GetSelStart();
  if (Caret > 0) {
    String Text = GetText();
    Text.erase(size_t(Caret - 1), 1);
    SetText(Text);
    SetSelStart(Caret - 1);
  }
  SyncEditValue();
  if (FPickList && FEditStyle == esPickListEh) FPickList->SetItemIndex(Column->GetPickList()->IndexOf(GetText()));
}

void TDBGridInplaceEdit::KeyPress(Char& Key) {
  TColumnEh* Column = GetColumn();
  TField* Field = Column ? Column->GetField() : nullptr;
  if (Field && dynamic_cast<TNumericField*>(Field) && (Key == u'.' || Key == u','))
    Key = FormatSettings.DecimalSeparator;
  FTypedText = String(1, Key);
  TMsg Trail;
  const bool Pair = Key >= 0xD800 && Key <= 0xDBFF && HandleAllocated() &&
                    PeekMessage(Trail, GetHandle(), WM_CHAR, WM_CHAR, PM_NOREMOVE) && Trail.message != WM_QUIT;
  if (Pair) FTypedText += Char(Trail.wParam);
  ProcessTypedText(FTypedText);
  if (FTypedText.empty()) {
    Key = 0;
    if (Pair) PeekMessage(Trail, GetHandle(), WM_CHAR, WM_CHAR, PM_REMOVE);
  }
  if (Key == 10 && !FWordWrap) Key = 0;
  if (Key != 0) TInplaceEdit::KeyPress(Key);
  if (Key == 8 && GetText().empty() && FMRUList && FMRUList->GetActive() && GetVisible() && !FButtonHeld)
    DropDownMRUList();
}

void TDBGridInplaceEdit::KeyUp(Word& Key, TShiftState Shift) {
  TInplaceEdit::KeyUp(Key, Shift);
  if (FEditStyle == esDataListEh && FListVisible && FDataList && Key == VK_CONTROL)
    FDataList->Perform(WM_KEYUP, Key, 0);
}

// ---- Paste --------------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::EditPaste() {
  TCustomDBGridEh* Grid = GetGridEh();
  TColumnEh* Column = GetColumn();
  if (!Grid || !Column || !Grid->CanEditModify() || !Column->CanModify(false)) return;
  const bool ListPaste = FEditStyle == esDataListEh || Column->GetColumnKind() == ckKeyPickList;
  TClipboard* Board = Clipboard();
  const bool HasText = Board->HasFormat(CF_TEXT) || Board->HasFormat(CF_UNICODETEXT);
  if (!ListPaste) {
    if (!EditCanModify()) return;
    if (!HasText || IsMasked()) return TInplaceEdit::EditPaste();
    const String Kept = Column->FilterValidChars(Board->GetAsText());
    const String Text = GetText();
    const Integer Start = GetSelStart();
    const String NewText = Text.substr(0, size_t(Start)) + Kept + Text.substr(size_t(Start + GetSelLength()));
    TGridDataLinkEh* Link = Grid->GetDataLink();
    Link->Edit();
    if (Link->GetEditing()) Link->Modified();
    SetText(NewText);
    SetSelStart(Start + Integer(Kept.size()));
    SetSelLength(0);
    Grid->SetPendingEditText(NewText);
    SendMessage(GetHandle(), EM_SCROLLCARET, 0, 0);
    return;
  }
  if (!HasText) return;
  String Pasted = Board->GetAsText();
  const String Before = GetText();
  ProcessTypedText(Pasted);
  // Text that matched nothing is taken only where the column accepts values outside its list.
  if (!Pasted.empty() && Column->OnNotInList) {
    const Integer Start = GetSelStart();
    SetText(Before.substr(0, size_t(Start)) + Pasted + Before.substr(size_t(Start + GetSelLength())));
    SetSelStart(Start + Integer(Pasted.size()));
    Grid->SetPendingEditText(GetText());
  }
}

// ---- Mouse ----------------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  TCustomDBGridEh* Grid = GetGridEh();
  TColumnEh* Column = GetColumn();
  if (Grid && Grid->EditorCoversTreeArea(Column)) {
    const Integer Indent = Grid->TreeAreaWidth();
    // Measured from the right edge when mirrored.
    const Integer TX = EditorMirrored() ? GetClientWidth() - 1 - X : X;
    if (TX < Indent && TX >= Indent - GridTreeIndentEh) {
      IMemTableEh* Table = Grid->GetMemTableIntf();
      if (Table && Table->GetTreeNodeHasChildren())
        Table->SetTreeNodeExpanded(Table->GetCurrentRowIndex(), !Table->GetTreeNodeExpanded());
    }
  }
  TInplaceEdit::MouseDown(Button, Shift, X, Y);
  if (Column && Shift.Contains(ssDouble) && Column->GetDblClickNextVal())
    Column->SetNextFieldValue(Shift.Contains(ssShift) ? -1 : 1);
}

bool TDBGridInplaceEdit::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  return FListVisible || TInplaceEdit::DoMouseWheelDown(Shift, MousePos);
}

bool TDBGridInplaceEdit::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  return FListVisible || TInplaceEdit::DoMouseWheelUp(Shift, MousePos);
}

// ---- Messages -------------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::WndProc(TMessage& Message) {
  if ((Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN || Message.Msg == WM_CHAR) && GetColumn()) {
    if (RouteMRUKey(Message)) return;
    if ((ListStyle() || CalculatorStyle()) && RouteListKey(Message)) return;
  }
  TInplaceEdit::WndProc(Message);
}

void TDBGridInplaceEdit::DefaultHandler(TMessage& Message) {
  if (IsMouseButtonMessage(Message.Msg) && !GetMouseCapture()) {
    const TRect Format = GetFormatRect();
    const TPoint P(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
    if (!TRect(Format.Left, 0, Format.Right, GetHeight()).Contains(P)) return;
  }
  TInplaceEdit::DefaultHandler(Message);
  if (FTextChanged) {
    FTextChanged = false;
    if (FMRUList && FMRUList->GetActive() && GetVisible() && !FButtonHeld) {
      if (GetText().empty()) CloseUpMRUList(false);
      else DropDownMRUList();
    }
  }
}

void TDBGridInplaceEdit::Dispatch(TMessage& Message) {
  if (FListVisible && ForwardToDroppedPopupEh(FActiveList, Message)) return;
  switch (Message.Msg) {
    case WM_SETCURSOR: {
      const TPoint P = ScreenToClient(GetCursorPos());
      const TRect Format = GetFormatRect();
      ::SetCursor(LoadCursor(Format.Contains(P) ? IDC_IBEAM : IDC_ARROW));
      Message.Result = 1;
      return;
    }
    case WM_LBUTTONDBLCLK:
      // The generic double-click handling, not the edit's word selection.
      TWinControl::Dispatch(Message);
      return;
    case WM_KILLFOCUS: {
      const HWND To = HwndFromParam(Message.WParam);
      CloseDropDowns(To);
      TInplaceEdit::Dispatch(Message);
      if (TCustomDBGridEh* Grid = GetGridEh()) Grid->Invalidate();
      return;
    }
    case WM_SETFOCUS:
      TInplaceEdit::Dispatch(Message);
      if (TCustomDBGridEh* Grid = GetGridEh()) Grid->Invalidate();
      return;
    case CM_CANCELMODE: {
      auto* Sender = reinterpret_cast<TControl*>(Message.LParam);
      const bool FromHere = Sender == this || (Sender && Sender->GetParent() == this);
      if (!FromHere) {
        const bool FromList = FActiveList && (Sender == FActiveList || (Sender && Sender->GetParent() == FActiveList));
        if (FListVisible && !FromList) CloseUp(false);
        const bool FromMRU = FMRUListBox && (Sender == FMRUListBox || (Sender && Sender->GetParent() == FMRUListBox));
        if (FMRUList && FMRUList->GetDroppedDown() && !FromMRU) CloseUpMRUList(false);
      }
      break;
    }
    default: break;
  }
  TInplaceEdit::Dispatch(Message);
}

// The focus went elsewhere: the open list (unless it took the focus), the MRU
// list and the grid's title filter list close without accepting.
void TDBGridInplaceEdit::CloseDropDowns(HWND FocusTo) {
  const bool ToList = FActiveList && FActiveList->HandleAllocated() &&
                      (FocusTo == FActiveList->GetHandle() || IsChild(FActiveList->GetHandle(), FocusTo));
  if (FListVisible && !ToList) CloseUp(false);
  const bool ToMRU = FMRUListBox && FMRUListBox->HandleAllocated() && FocusTo == FMRUListBox->GetHandle();
  if (FMRUList && FMRUList->GetDroppedDown() && !ToMRU) CloseUpMRUList(false);
  TCustomDBGridEh* Grid = GetGridEh();
  if (Grid && Grid->GetTitleFilterListVisible() && (!Grid->HandleAllocated() || FocusTo != Grid->GetHandle()))
    Grid->CloseUpTitleFilterList(false);
}
