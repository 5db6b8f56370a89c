// The cell editor's drop-down windows: which one each edit style uses, opening
// and closing it (with the chosen value written back), the keys it takes while
// open, the completion of typed and pasted text against the pick list or the
// lookup data, and the column's most-recently-used list.
//
// Index of this file:
//   the windows of the styles: PrepareActiveList, GetCalculator, the MRU list box
//   DropDown and CloseUp, per window
//   keys: ListKeyDown and the routing of the window procedure
//   completion: ProcessTypedText, SyncEditValue, SelectItemByText
//   the MRU list
//
// The lookup list is a popup list box of the lookup data's result texts, the
// keys of its records kept beside the items; it is filled each time it drops
// down, so that it always shows the lookup data as it is.

#include <algorithm>

#include "editors/DaVirVCL.h"
#include "grid/DBGridEh.h"
#include "grid/DBLookupGridsEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/core/DateTime.h"
#include "platform/core/Format.h"
#include "platform/core/FormatSettings.h"
#include "platform/ui/ControlPaint.h"
#include "platform/ui/MessageQueue.h"

namespace {

// The calculator's value is written back only when it is a number.
bool IsNumberVariant(const Variant& Value) {
  switch (Value.VarType()) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency: return true;
    default: return false;
  }
}

Integer MeasureWidest(TFont* Font, TStrings* Items) {
  Integer Widest = 0;
  TMeasureDC DC(Font);
  for (Integer I = 0; I < Items->GetCount(); ++I) {
    const String Item = Items->Get(I);
    TSize Size{0, 0};
    if (!Item.empty()) GetTextExtentPoint32(DC, Item, Integer(Item.size()), Size);
    Widest = std::max<Integer>(Widest, Size.cx);
  }
  return Widest;
}

}  // namespace

// ---- The windows of the styles ---------------------------------------------------------------------------

bool TDBGridInplaceEdit::ListStyle() const {
  return FEditStyle == esPickListEh || FEditStyle == esDataListEh || FEditStyle == esDateCalendarEh ||
         FEditStyle == esDateAltDropDownEh;
}

bool TDBGridInplaceEdit::CalculatorStyle() const {
  if (FEditStyle != esDropDownEh && FEditStyle != esAltDropDownEh) return false;
  TColumnEh* Column = GetColumn();
  return Column && dynamic_cast<TNumericField*>(Column->GetField());
}

void TDBGridInplaceEdit::PrepareActiveList() {
  switch (FEditStyle) {
    case esPickListEh:
      if (!FPickList) {
        FPickList = new TPopupListboxEh(this);
        FPickList->SetVisible(false);
        FPickList->SetCtl3D(true);
        FPickList->OnMouseUp = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
          ListMouseUp(Sender, Button, Shift, X, Y);
        };
        FPickList->FreeNotification(this);
      }
      FActiveList = FPickList;
      return;
    case esDataListEh: {
      TColumnEh* Column = GetColumn();
      TPopupDataGridEh* List = Column ? Column->GetDropDownGrid() : nullptr;
      if (List != FDataList) {
        if (FDataList) {
          FDataList->OnMouseCloseUp = nullptr;
          FDataList->OnSpecRowChanged = nullptr;
          FDataList->RemoveFreeNotification(this);
          FDataList->SetParent(nullptr);
        }
        FDataList = List;
        if (List) {
          List->SetVisible(false);
          List->SetCtl3D(true);
          List->SetParentCtl3D(false);
          List->SetParent(this);
          List->OnMouseCloseUp = [this](TObject*, bool Accept) { CloseUp(Accept); };
          List->OnSpecRowChanged = [this](TObject*) { FDataListSpecRowChanged = true; };
          List->FreeNotification(this);
        }
      }
      FActiveList = FDataList;
      return;
    }
    case esDateCalendarEh:
    case esDateAltDropDownEh:
      if (!FCalendar) {
        FCalendar = new TPopupMonthCalendarEh(this);
        FCalendar->SetParent(this);
        FCalendar->FreeNotification(this);
      }
      FActiveList = FCalendar;
      return;
    case esDropDownEh:
    case esAltDropDownEh: FActiveList = CalculatorStyle() ? GetCalculator() : nullptr; return;
    default: FActiveList = nullptr; return;
  }
}

TPopupCalculatorEh* TDBGridInplaceEdit::GetCalculator() {
  if (FCalculator) return FCalculator;
  FCalculator = new TPopupCalculatorEh(this);
  FCalculator->SetParent(this);
  FCalculator->FreeNotification(this);
  if (HandleAllocated()) FCalculator->HandleNeeded();
  return FCalculator;
}

TMRUListboxEh* TDBGridInplaceEdit::CreateMRUListBox() {
  auto* Box = new TMRUListboxEh(this);
  Box->SetVisible(false);
  Box->SetCtl3D(false);
  Box->SetSorted(true);
  Box->OnMouseUp = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
    MRUListMouseUp(Sender, Button, Shift, X, Y);
  };
  Box->FreeNotification(this);
  return Box;
}

TMRUListboxEh* TDBGridInplaceEdit::GetMRUListBox() {
  if (!FMRUListBox) FMRUListBox = CreateMRUListBox();
  return FMRUListBox;
}

// ---- DropDown ----------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::DropDown() {
  TCustomDBGridEh* Grid = GetGridEh();
  TColumnEh* Column = GetColumn();
  if (FListVisible || !FActiveList || !Grid || !Column) return;
  FActiveList->SetWidth(GetWidth());
  TPopupListboxEh* SizedList = nullptr;
  if (FActiveList == FDataList) {
    TDataSet* LookupData = Column->GetLookupListDataSet();
    TField* Field = Column->GetField();
    if (!LookupData || !Field) return;
    FDataList->SetColor(GetColor());
    FDataList->SetFont(GetFont());
    FDataList->SetSpecRow(Column->GetDropDownSpecRow());
    const Integer Rows = Integer(Column->GetDropDownRows());
    const Integer Records = LookupData->GetActive() && LookupData->IsSequenced() ? LookupData->GetRecordCount() : 0;
    FDataList->SetListRowCount(Records > 0 && Records < Rows ? Records : Rows);
    FDataList->SetShowTitles(Column->GetDropDownShowTitles());
    FDataSource->SetDataSet(LookupData);
    FDataList->SetAutoFitColWidths(false);
    FDataList->SetLookupUseMultiTitle(Column->GetDropDownBox()->GetUseMultiTitle());
    FDataList->SetListSource(FDataSource.get());
    FDataList->SetKeyField(Field->GetLookupKeyFields());
    String ListField = Column->GetLookupDisplayFields();
    if (ListField.empty()) ListField = Field->GetLookupResultField();
    FDataList->SetListField(ListField);
    Integer Width = GetWidth();
    if (Column->GetDropDownWidth() == -1)
      Width = std::max(Width, FDataList->GetColumnsWidthToFit() + GetSystemMetrics(SM_CXVSCROLL) + 4);
    else if (Column->GetDropDownWidth() > 0) Width = std::max(Width, Column->GetDropDownWidth());
    FDataList->SetWidth(Width);
    FDataList->SetKeyValue(Grid->GetEditValue());
    FDataListSpecRowChanged = false;
    FDataList->SetAutoFitColWidths(Column->GetDropDownBox()->GetAutoFitColWidths());
    FDataList->GetSizeGrip()->ShowGrip(Column->GetDropDownSizing());
    FDataListBounds = FDataList->GetBoundsRect();
  } else if (FActiveList == FCalendar) {
    FCalendar->SetColor(GetColor());
    FCalendar->SetFont(GetFont());
    TDateTime Day = Date();
    TField* Field = Column->GetField();
    if (!GetText().empty() && !TryStrToDateTime(GetText(), Day))
      Day = !Field || Field->GetIsNull() || Field->GetAsFloat() == 0 ? Date() : Field->GetAsDateTime();
    FCalendar->SetDate(Day);
    // A whole month shows, whatever the cell's width and the font.
    TRect Least;
    FCalendar->Perform(MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&Least));
    const Integer Border = 2 * FCalendar->GetBorderMargin();
    FCalendar->SetBounds(FCalendar->GetLeft(), FCalendar->GetTop(), Least.Width() + Border, Least.Height() + Border);
  } else if (FActiveList == FCalculator) {
    auto* Box = dynamic_cast<IPopupEditBoxEh*>(FCalculator);
    Extended Value = 0;
    if (!GetText().empty() && !TryStrToFloat(GetText(), Value)) Value = 0;
    Box->SetValue(Variant(Value));
    Box->SetFlat(Grid->GetFlat());
    // The keys go to the calculator now: the editor shows no caret meanwhile.
    FCaretHidden = HandleAllocated() && HideCaret(GetHandle());
    SetSelLength(0);
  } else if (FActiveList == FPickList) {
    FPickList->SetColor(GetColor());
    FPickList->SetFont(GetFont());
    FPickList->SetImageList(Column->GetImageList());
    FPickList->SetItemHeight(FPickList->GetTextHeight());
    TStrings* Items = FPickList->GetItems();
    Items->Clear();
    TStrings* Picks = Column->GetPickList();
    const Integer Count =
        Column->HasKeyListItems() ? std::min(Picks->GetCount(), Column->GetKeyList()->GetCount()) : Picks->GetCount();
    for (Integer I = 0; I < Count; ++I) Items->AddObject(Picks->Get(I), Picks->GetObject(I));
    const Integer Rows = std::max<Integer>(1, std::min<Integer>(Count, Integer(Column->GetDropDownRows())));
    FPickList->SetRowCount(Rows);
    TField* Field = Column->GetField();
    FPickList->SetItemIndex(!Field || Field->GetIsNull() ? -1
                            : Column->HasKeyListItems()  ? Picks->IndexOf(GetText())
                                                         : Items->IndexOf(GetText()));
    const Integer Widest = MeasureWidest(GetFont(), Items) + 4;
    if (Widest > FPickList->GetClientWidth()) FPickList->SetClientWidth(Widest);
    SizedList = FPickList;
  }
  if (FMRUList && FMRUList->GetDroppedDown()) CloseUpMRUList(false);
  FTextBeforeList = GetText();
  TPoint At;
  AlignDropDownWindowEh(this, FActiveList, Column->UseRightToLeftAlignment() ? daRight : daLeft, At);
  SetWindowPos(FActiveList->GetHandle(), HWND_TOP, At.X, At.Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (SizedList) {
    SizedList->GetSizeGrip()->ShowGrip(Column->GetDropDownSizing());
    SizedList->SetSizeChanged(false);
  }
  if (FActiveList == FCalculator) FCalculator->SetVisible(true);
  FListVisible = true;
  Invalidate();
  if (!FEditButtons.empty()) FEditButtons[0].Button->SetAlwaysDown(true);
  FButtonHeld = true;
}

// ---- CloseUp -----------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::CloseUp(bool Accept) {
  TCustomDBGridEh* Grid = GetGridEh();
  TColumnEh* Column = GetColumn();
  TWinControl* List = FActiveList;
  if (List && List->HandleAllocated()) {
    const HWND Focus = GetFocus();
    if (Focus && (Focus == List->GetHandle() || IsChild(List->GetHandle(), Focus))) SetFocus();
  }
  if (!FListVisible || FCloseUpSuppressed || !List || !Grid || !Column) {
    if (!FEditButtons.empty() && !FListVisible) FEditButtons[0].Button->SetAlwaysDown(false);
    return;
  }
  if (HWND Captor = GetCapture()) SendMessage(Captor, WM_CANCELMODE, 0, 0);
  Variant ListValue;
  bool HasValue = false;
  String ListText;
  if (List == FDataList) {
    ListValue = FDataList->GetKeyValue();
    ListText = DataListText();
    HasValue = true;
    // The user resized the list: the column keeps its size.
    const TRect Bounds = FDataList->GetBoundsRect();
    if (Bounds.Width() != FDataListBounds.Width() || Bounds.Height() != FDataListBounds.Height()) {
      Column->SetDropDownRows(Cardinal(std::max<Integer>(1, FDataList->GetListRowCount())));
      Column->SetDropDownWidth(FDataList->GetWidth());
    }
    // Cell texts moved or changed in the open list stay with the column.
    if (FDataListSpecRowChanged) {
      FDataListSpecRowChanged = false;
      Column->GetDropDownSpecRow()->SetCellsText(FDataList->GetSpecRow()->GetCellsText());
    }
  } else if (List == FPickList) {
    const Integer Index = FPickList->GetItemIndex();
    if (Index >= 0) {
      ListValue = Column->HasKeyListItems() ? Variant(Column->GetKeyList()->Get(Index))
                                            : Variant(FPickList->GetItems()->Get(Index));
      HasValue = true;
    }
    if (FPickList->GetSizeChanged() && FPickList->GetItemHeight() > 0) {
      Column->SetDropDownRows(
          Cardinal(std::max<Integer>(1, FPickList->GetClientHeight() / FPickList->GetItemHeight())));
      Column->SetDropDownWidth(FPickList->GetWidth());
    }
  }
  SetWindowPos(List->GetHandle(), nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  List->SetVisible(false);
  FButtonHeld = false;
  FListVisible = false;
  if (!FEditButtons.empty()) FEditButtons[0].Button->SetAlwaysDown(false);
  if (List == FDataList) {
    FDataList->SetAutoFitColWidths(false);
    FDataList->SetListSource(nullptr);
  }
  FDataSource->SetDataSet(nullptr);
  Invalidate();
  if (FCaretHidden && HandleAllocated()) ShowCaret(GetHandle());
  FCaretHidden = false;
  if (!Accept) {
    // The keys that moved through the list changed the text as they went.
    if (List == FDataList || List == FPickList) SetText(FTextBeforeList);
    return;
  }
  if (List == FDataList) {
    TField* Field = Column->GetField();
    std::vector<TField*> Keys;
    if (Field && Field->GetDataSet()) Field->GetDataSet()->GetFieldList(Keys, Field->GetKeyFields());
    if (!HasValue || Keys.empty() || !AllFieldsCanModify(Keys) || !Grid->CanEditModify() || !Column->CanModify(true))
      return;
    const String Text = ListText;
    TGridDataLinkEh* Link = Grid->GetDataLink();
    Link->Edit();
    if (Link->GetEditing()) {
      Link->Modified();
      Grid->SetEditValue(ListValue);
      Grid->SetPendingEditText(Text);
    }
    SetText(Text);
    SelectAll();
  } else if (List == FCalendar) {
    if (!Column->CanModify(true) || !Grid->CanEditModify()) return;
    Grid->GetDataLink()->Edit();
    TDateTime Time = 0;
    TField* Field = Column->GetField();
    TDateTime FieldValue = 0;
    if (Field && TryStrToDateTime(Field->GetText(), FieldValue)) Time = FieldValue - Integer(FieldValue);
    const TDateTime Value = Integer(FCalendar->GetDate()) + Time;
    Column->UpdateDataValues(FormatDateTime(FormatSettings.ShortDateFormat, Value), Variant::FromDate(Value), false);
  } else if (List == FCalculator) {
    auto* Box = dynamic_cast<IPopupEditBoxEh*>(FCalculator);
    if (!Column->CanModify(true) || !Grid->CanEditModify() || !Box->CanClose()) return;
    const Variant Value = Box->GetValue();
    if (!IsNumberVariant(Value)) return;
    SetText(FloatToStr(Value.AsDouble()));
    Grid->SetPendingEditText(GetText());
    SelectAll();
  } else if (List == FPickList) {
    if (!HasValue || !Grid->CanEditModify()) return;
    if (Column->HasKeyListItems()) SetText(FPickList->GetItems()->Get(FPickList->GetItemIndex()));
    else SetText(ListValue.AsString());
    Grid->SetPendingEditText(GetText());
    UpdateImageIndex();
  }
}

void TDBGridInplaceEdit::ListMouseUp(TObject* Sender, TMouseButton Button, TShiftState, Integer X, Integer Y) {
  auto* List = dynamic_cast<TPopupListboxEh*>(Sender);
  if (Button != mbLeft || !List) return;
  CloseUp(List->GetClientRect().Contains(TPoint(X, Y)));
}

void TDBGridInplaceEdit::HandOverPressToList(TPoint ScreenPoint) {
  if (FListVisible) HandOverPressToPopupEh(FActiveList, ScreenPoint);
}

// ---- Keys -------------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::ListKeyDown(Word& Key, TShiftState Shift) {
  const bool Alt = Shift.Contains(ssAlt);
  if ((Key == VK_UP || Key == VK_DOWN) && Alt && !Shift.Contains(ssCtrl) && !Shift.Contains(ssShift)) {
    if (FListVisible) CloseUp(true);
    else DropDown();
    Key = 0;
    return;
  }
  if ((Key == VK_RETURN || Key == VK_ESCAPE) && FListVisible && !Alt && FActiveList != FCalculator) {
    bool Accept = Key == VK_RETURN;
    TColumnEh* Column = GetColumn();
    if (Accept && FActiveList == FDataList && Column && Column->OnNotInList)
      Accept = LocateLookupText(GetText(), false);
    CloseUp(Accept);
    Key = 0;
    return;
  }
  if (Key == VK_RETURN && !FListVisible && Shift.Contains(ssCtrl) && !Alt && !Shift.Contains(ssShift)) {
    DropDown();
    Key = 0;
  }
}

// Keys and characters for the open list (and the keys that open and close it),
// ahead of the edit's own handling; true when the message was used up.
bool TDBGridInplaceEdit::RouteListKey(TMessage& Message) {
  if (Message.Msg == WM_KEYDOWN || Message.Msg == WM_SYSKEYDOWN) {
    Word Key = Word(Message.WParam);
    const Word Pressed = Key;
    ListKeyDown(Key, GetShiftStateEh());
    if (Key == 0) {
      // Enter and Esc that closed the list have their characters still to come.
      if ((Pressed == VK_RETURN || Pressed == VK_ESCAPE) && HandleAllocated()) {
        TMsg Pending;
        if (PeekMessage(Pending, GetHandle(), WM_CHAR, WM_CHAR, PM_NOREMOVE) && Pending.wParam == Pressed)
          PeekMessage(Pending, GetHandle(), WM_CHAR, WM_CHAR, PM_REMOVE);
      }
      return true;
    }
  }
  const Integer Code = Integer(Message.WParam);
  TColumnEh* Column = GetColumn();
  if (Message.Msg == WM_CHAR && Code >= 32 && !FListVisible && Column && Column->GetAutoDropDown()) DropDown();
  if (!FListVisible || !FActiveList) return false;
  if (FActiveList == FCalculator) {
    if (Code == VK_BACK || Code == VK_RETURN || Code == VK_ESCAPE || (Code >= 32 && Code <= 126)) {
      FCalculator->Perform(Message.Msg, Message.WParam, Message.LParam);
      return true;
    }
    return false;
  }
  if (Message.Msg != WM_KEYDOWN) return false;
  const TShiftState Shift = GetShiftStateEh();
  const bool Calendar = FActiveList == FCalendar;
  bool ToList = false;
  switch (Code) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN: ToList = !Shift.Contains(ssShift); break;
    case VK_HOME:
    case VK_END: ToList = Shift.Contains(ssCtrl); break;
    case VK_LEFT:
    case VK_RIGHT: ToList = Calendar; break;
    default: break;
  }
  if (!ToList) return false;
  FActiveList->Perform(WM_KEYDOWN, Message.WParam, Message.LParam);
  if (FActiveList == FDataList) {
    SetText(DataListText());
    SelectAll();
  } else if (FActiveList == FPickList) {
    const Integer Index = FPickList->GetItemIndex();
    if (Index >= 0 && FPickList->GetItems()->Get(Index) != GetText()) {
      SetText(FPickList->GetItems()->Get(Index));
      SelectAll();
    }
  }
  return true;
}

bool TDBGridInplaceEdit::RouteMRUKey(TMessage& Message) {
  if (!FMRUList || !FMRUList->GetDroppedDown() || !FMRUListBox) return false;
  const Integer Code = Integer(Message.WParam);
  const TShiftState Shift = GetShiftStateEh();
  if (Message.Msg == WM_KEYDOWN) {
    bool ToBox = false;
    switch (Code) {
      case VK_PRIOR:
      case VK_NEXT:
      case VK_UP:
      case VK_DOWN: ToBox = !Shift.Contains(ssAlt); break;
      case VK_HOME:
      case VK_END: ToBox = Shift.Contains(ssCtrl); break;
      default: break;
    }
    if (ToBox) FMRUListBox->Perform(WM_KEYDOWN, Message.WParam, Message.LParam);
    return ToBox;
  }
  if (Message.Msg == WM_CHAR && (Code == VK_RETURN || Code == VK_ESCAPE)) {
    CloseUpMRUList(Code == VK_RETURN);
    return true;
  }
  return false;
}

// ---- Completion ----------------------------------------------------------------------------------------------

Integer TDBGridInplaceEdit::SelectItemByText(TStrings* List, const String& Text, bool Partial) {
  if (!List) return -1;
  for (Integer I = 0; I < List->GetCount(); ++I) {
    const String Item = List->Get(I);
    const String Compared = Partial ? Item.substr(0, Text.size()) : Item;
    if (Compared.size() == Text.size() && CompareTextUserLocaleEh(Compared, Text) == 0) return I;
  }
  return -1;
}

// The editor shows Text with the part after Candidate selected (none when
// SelectRest is off: the caret goes to the end).
void TDBGridInplaceEdit::SetEditorText(const String& Text, bool SelectRest, Integer CandidateLength) {
  SetText(Text);
  const Integer Length = Integer(Text.size());
  if (SelectRest) {
    SetSelStart(CandidateLength);
    SetSelLength(Length - CandidateLength);
  } else {
    SetSelStart(Length);
    SetSelLength(0);
  }
}

void TDBGridInplaceEdit::ProcessTypedText(String& Text) {
  if (Text.size() == 1 && Text[0] < 32 && Text[0] != 8) return;
  TCustomDBGridEh* Grid = GetGridEh();
  TColumnEh* Column = GetColumn();
  if (!Grid || !Column) return;
  const bool Back = Text.size() == 1 && Text[0] == 8;
  const String Candidate = GetText().substr(0, size_t(GetSelStart())) + (Back ? String() : Text);
  TGridDataLinkEh* Link = Grid->GetDataLink();
  if (FEditStyle == esDataListEh && Grid->CanEditModify() && Column->GetLookupListDataSet()) {
    if (Back) {
      Text.clear();
      return;
    }
    Text.clear();
    TField* Field = Column->GetField();
    TDataSet* LookupData = Column->GetLookupListDataSet();
    if (LocateLookupText(Candidate, true)) {
      Link->Edit();
      if (Link->GetEditing()) Link->Modified();
      TField* Result = LookupData->FindField(Field->GetLookupResultField());
      SetEditorText(Result ? Result->GetText() : Candidate, true, Integer(Candidate.size()));
      Grid->SetEditValue(LookupData->GetFieldValues(Field->GetLookupKeyFields()));
      Grid->SetPendingEditText(GetText());
      if (FDataList) FDataList->SetKeyValue(Grid->GetEditValue());
    } else if (Column->OnNotInList) {
      SetEditorText(Candidate, false, 0);
      Grid->SetEditValue(Null());
      Grid->SetPendingEditText(GetText());
      if (FDataList) FDataList->SetKeyValue(Null());
    }
    return;
  }
  const bool KeyPick = Column->GetColumnKind() == ckKeyPickList;
  if ((!KeyPick && FEditStyle != esPickListEh) || !Grid->CanEditModify()) return;
  if (Back) {
    if (KeyPick) Text.clear();
    return;
  }
  const Integer Index = SelectItemByText(Column->GetPickList(), Candidate, true);
  if (Index >= 0) {
    Text.clear();
    Link->Edit();
    if (Link->GetEditing()) Link->Modified();
    SetEditorText(Column->GetPickList()->Get(Index), true, Integer(Candidate.size()));
    Grid->SetPendingEditText(GetText());
    if (FPickList && FListVisible) FPickList->SetItemIndex(Index);
    return;
  }
  if (KeyPick) {
    if (Column->OnNotInList) {
      SetEditorText(Candidate, false, 0);
      Grid->SetEditValue(Null());
      Grid->SetPendingEditText(GetText());
      if (FPickList) FPickList->SetItemIndex(-1);
    }
    Text.clear();
  }
}

void TDBGridInplaceEdit::SyncEditValue() {
  TCustomDBGridEh* Grid = GetGridEh();
  TColumnEh* Column = GetColumn();
  if (!Grid || !Column || !Column->CanModify(false)) return;
  Grid->SetPendingEditText(GetText());
  if (FEditStyle != esDataListEh || !Column->GetLookupListDataSet()) return;
  TField* Field = Column->GetField();
  const bool Found = LocateLookupText(GetText(), false);
  Grid->SetEditValue(Found ? Column->GetLookupListDataSet()->GetFieldValues(Field->GetLookupKeyFields()) : Null());
  if (FDataList) FDataList->SetKeyValue(Grid->GetEditValue());
}

bool TDBGridInplaceEdit::LocateLookupText(const String& Text, bool Partial) {
  TColumnEh* Column = GetColumn();
  TField* Field = Column ? Column->GetField() : nullptr;
  TDataSet* LookupData = Column ? Column->GetLookupListDataSet() : nullptr;
  if (!Field || !LookupData || !LookupData->GetActive() || Field->GetLookupResultField().empty()) return false;
  TLocateOptions Options{loCaseInsensitive};
  if (Partial) Options.Include(loPartialKey);
  return LookupData->Locate(Field->GetLookupResultField(), Variant(Text), Options);
}

String TDBGridInplaceEdit::DataListText() { return FDataList ? FDataList->GetDisplayText() : String(); }

// ---- The MRU list ---------------------------------------------------------------------------------------------

void TDBGridInplaceEdit::CompareMRUText(const String& Item, bool& Accept) {
  const String Text = GetText();
  const String Head = Item.substr(0, Text.size());
  Accept = Head.size() == Text.size() &&
           (FMRUList->GetCaseSensitive() ? Head == Text : CompareTextUserLocaleEh(Head, Text) == 0);
  if (FMRUList->OnFilterItem) FMRUList->OnFilterItem(GetColumn(), Accept);
}

void TDBGridInplaceEdit::DropDownMRUList() {
  if (!FMRUList) return;
  TMRUListboxEh* Box = GetMRUListBox();
  const String Text = GetText();
  TStrings* Items = Box->GetItems();
  Items->Clear();
  TStrings* All = FMRUList->GetItems();
  for (Integer I = 0; I < All->GetCount(); ++I) {
    bool Accept = false;
    CompareMRUText(All->Get(I), Accept);
    if (Accept) Items->Add(All->Get(I));
  }
  if (Items->GetCount() == 0) {
    if (FMRUList->GetDroppedDown()) CloseUpMRUList(false);
    return;
  }
  Box->SetRowCount(std::min(Items->GetCount(), FMRUList->GetRows()));
  if (!FMRUList->GetDroppedDown()) {
    Box->SetColor(GetColor());
    Box->SetFont(GetFont());
    Box->SetItemHeight(Box->GetTextHeight());
    Box->SetItemIndex(-1);
    Box->SetWidth(GetWidth());
    TRect Format = GetFormatRect();
    const TPoint TopLeft = ClientToScreen(TPoint(Format.Left, 0));
    const TPoint BottomRight = ClientToScreen(TPoint(Format.Right, GetHeight()));
    TPoint At;
    AlignDropDownWindowRectEh(TRect(TopLeft.X, TopLeft.Y, BottomRight.X, BottomRight.Y), Box, daLeft, At);
    SetWindowPos(Box->GetHandle(), HWND_TOP, At.X, At.Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    Box->GetSizeGrip()->ShowGrip(true);
    FMRUList->SetDroppedDown(true);
  }
}

void TDBGridInplaceEdit::CloseUpMRUList(bool Accept) {
  if (!FMRUList || !FMRUListBox) return;
  if (HWND Captor = GetCapture()) SendMessage(Captor, WM_CANCELMODE, 0, 0);
  SetWindowPos(FMRUListBox->GetHandle(), nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  if (GetFocus() == FMRUListBox->GetHandle()) SetFocus();
  FMRUList->SetDroppedDown(false);
  TCustomDBGridEh* Grid = GetGridEh();
  if (!Accept || GetReadOnly() || !Grid) return;
  TGridDataLinkEh* Link = Grid->GetDataLink();
  Link->Edit();
  if (!Link->GetEditing()) return;
  const Integer Index = FMRUListBox->GetItemIndex();
  if (Index >= 0) {
    Link->Modified();
    SetText(FMRUListBox->GetItems()->Get(Index));
    FTextChanged = false;  // the chosen text does not open the list again
    Grid->SetPendingEditText(GetText());
  }
  if (Focused()) SelectAll();
}

void TDBGridInplaceEdit::MRUListMouseUp(TObject*, TMouseButton Button, TShiftState, Integer X, Integer Y) {
  if (Button != mbLeft || !FMRUListBox) return;
  CloseUpMRUList(FMRUListBox->GetClientRect().Contains(TPoint(X, Y)));
}
