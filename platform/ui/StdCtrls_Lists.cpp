// List boxes and combo boxes (with their drop-down list, a popup that never takes
// the focus: the combo box keeps the keys while it is open).

#include <algorithm>

#include "platform/core/Strings.h"
#include "platform/ui/ControlPaint.h"
#include "platform/ui/ListItems.h"
#include "platform/ui/ScrollBars.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Timers.h"

// ---- TListItems ---------------------------------------------------------------------------------------

TListItem& TListItems::At(Integer Index) {
  if (Index < 0 || size_t(Index) >= FItems.size())
    throw EStringListError(u"List index out of bounds (" + IntToStr(Index) + u")");
  return FItems[size_t(Index)];
}

const TListItem& TListItems::At(Integer Index) const { return const_cast<TListItems*>(this)->At(Index); }

void TListItems::Changed() {
  if (!FUpdating && FChanged) FChanged();
}

void TListItems::SetUpdateState(bool Updating) {
  FUpdating = Updating;
  if (!Updating) Changed();
}

void TListItems::Put(Integer Index, const String& S) {
  At(Index).Text = S;
  Changed();
}

Integer TListItems::Add(const String& S) {
  Integer at = Integer(FItems.size());
  if (FSorted && FSorted()) {
    at = 0;
    while (at < Integer(FItems.size()) && AnsiCompareText(FItems[size_t(at)].Text, S) <= 0) ++at;
  }
  FItems.insert(FItems.begin() + at, TListItem{S});
  Changed();
  return at;
}

void TListItems::Insert(Integer Index, const String& S) {
  if (Index < 0 || size_t(Index) > FItems.size())
    throw EStringListError(u"List index out of bounds (" + IntToStr(Index) + u")");
  FItems.insert(FItems.begin() + Index, TListItem{S});
  Changed();
}

void TListItems::Delete(Integer Index) {
  At(Index);
  FItems.erase(FItems.begin() + Index);
  Changed();
}

void TListItems::Clear() {
  FItems.clear();
  Changed();
}

void TListItems::Exchange(Integer Index1, Integer Index2) {
  std::swap(At(Index1), At(Index2));
  Changed();
}

void TListItems::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  TListItem item = At(CurIndex);
  At(NewIndex);
  FItems.erase(FItems.begin() + CurIndex);
  FItems.insert(FItems.begin() + NewIndex, item);
  Changed();
}

void TListItems::SortItems() {
  std::stable_sort(FItems.begin(), FItems.end(),
                   [](const TListItem& a, const TListItem& b) { return AnsiCompareText(a.Text, b.Text) < 0; });
  Changed();
}

namespace {

bool StartsWithText(const String& s, const String& prefix) {
  return s.size() >= prefix.size() && AnsiSameText(s.substr(0, prefix.size()), prefix);
}

}  // namespace

// ---- TCustomListBox -------------------------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner),
      FItems(std::make_unique<TListItems>([this] { ItemsChanged(); }, [this] { return FSorted; })),
      FCanvas(std::make_unique<TControlCanvas>()) {
  // OnClick comes from a change of selection, not from every press.
  FControlStyle = TControlStyle{csSetCaption, csDoubleClicks};
  FCanvas->SetControl(this);
  SetBounds(0, 0, 121, 97);
  FTabStop = true;
  FParentColor = false;
  FColor = clWindow;
  FBrush->SetColor(clWindow);
}

TCustomListBox::~TCustomListBox() = default;

TStrings* TCustomListBox::GetItems() const { return FItems.get(); }

void TCustomListBox::SetItems(const TStrings* Value) { FItems->Assign(const_cast<TStrings*>(Value)); }

bool TCustomListBox::IsVirtual() const { return FStyle == lbVirtual || FStyle == lbVirtualOwnerDraw; }

Integer TCustomListBox::GetCount() const { return IsVirtual() ? FVirtualCount : FItems->GetCount(); }

void TCustomListBox::SetCount(Integer Value) {
  if (!IsVirtual()) throw EInvalidOperation(u"Setting the count needs a virtual list box style");
  FVirtualCount = std::max(0, Value);
  ItemsChanged();
}

String TCustomListBox::DoGetData(Integer Index) const {
  String data;
  if (OnData) OnData(const_cast<TCustomListBox*>(this), Index, data);
  return data;
}

TObject* TCustomListBox::DoGetDataObject(Integer Index) const {
  TObject* obj = nullptr;
  if (OnDataObject) OnDataObject(const_cast<TCustomListBox*>(this), Index, obj);
  return obj;
}

String TCustomListBox::GetItemText(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) return String();
  return IsVirtual() ? DoGetData(Index) : FItems->Get(Index);
}

TObject* TCustomListBox::GetItemObject(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) return nullptr;
  return IsVirtual() ? DoGetDataObject(Index) : FItems->GetObject(Index);
}

void TCustomListBox::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style |= WS_VSCROLL;
  if (FBorderStyle == bsSingle) {
    if (FCtl3D) Params.ExStyle |= WS_EX_CLIENTEDGE;
    else Params.Style |= WS_BORDER;
  }
}

void TCustomListBox::ItemsChanged() {
  if (FItemIndex >= GetCount()) FItemIndex = -1;
  FTopIndex = std::clamp(FTopIndex, 0, std::max(0, GetCount() - VisibleRows()));
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::SetItemIndex(Integer Value) {
  if (Value < -1 || Value >= GetCount()) Value = -1;
  if (Value == FItemIndex) return;
  FItemIndex = Value;
  if (Value >= 0) MakeVisible(Value);
  Invalidate();
}

void TCustomListBox::SetTopIndex(Integer Value) {
  Value = std::clamp(Value, 0, std::max(0, GetCount() - VisibleRows()));
  if (Value == FTopIndex) return;
  FTopIndex = Value;
  UpdateScrollBar();
  Invalidate();
}

Integer TCustomListBox::GetItemHeight() const {
  if (FItemHeight > 0 && FStyle != lbStandard) return FItemHeight;
  // Measuring takes a device context; the height holds until the font changes.
  const TFontData& font = GetFont()->Data();
  if (FFontHeight == 0 || !(font == FMeasuredFont)) {
    FFontHeight = std::max<Integer>(1, FontTextHeight(GetFont()));
    FMeasuredFont = font;
  }
  return FFontHeight;
}

void TCustomListBox::SetItemHeight(Integer Value) {
  FItemHeight = Value;
  ItemsChanged();
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
  FStyle = Value;
  ItemsChanged();
}

void TCustomListBox::SetSorted(bool Value) {
  if (FSorted == Value) return;
  FSorted = Value;
  if (Value) FItems->SortItems();
}

void TCustomListBox::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomListBox::Clear() { FItems->Clear(); }

Integer TCustomListBox::VisibleRows() const {
  const TRect r = GetClientRect();
  return std::max(1, r.Height() / GetItemHeight());
}

TRect TCustomListBox::ItemRect(Integer Index) const {
  const Integer h = GetItemHeight();
  const TRect r = GetClientRect();
  return TRect(0, (Index - FTopIndex) * h, r.Right, (Index - FTopIndex + 1) * h);
}

Integer TCustomListBox::ItemAtPos(TPoint Pos, bool Existing) const {
  const TRect r = GetClientRect();
  if (Pos.Y < 0 || Pos.Y >= r.Bottom || Pos.X < 0 || Pos.X >= r.Right) return Existing ? -1 : GetCount();
  const Integer i = FTopIndex + Pos.Y / GetItemHeight();
  if (i >= GetCount()) return Existing ? -1 : GetCount();
  return i;
}

void TCustomListBox::MakeVisible(Integer Index) {
  if (Index < FTopIndex) SetTopIndex(Index);
  else if (Index >= FTopIndex + VisibleRows()) SetTopIndex(Index - VisibleRows() + 1);
}

void TCustomListBox::UpdateScrollBar() {
  if (!FHandle) return;
  SetScrollBarView(FHandle, SB_VERT, 0, std::max(0, GetCount() - 1), UINT(VisibleRows()), FTopIndex);
}

void TCustomListBox::DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem && FStyle != lbStandard) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  TCanvas* c = FCanvas.get();
  c->FillRect(Rect);
  HDC dc = c->GetHandle();
  SetBkMode(dc, TRANSPARENT);
  if (Index < GetCount()) c->TextOut(Rect.Left + ItemTextIndent(), Rect.Top, GetItemText(Index));
}

void TCustomListBox::PaintItems(HDC DC) {
  const TRect client = ::GetClientRect(FHandle);
  FillWith(DC, client, FColor);
  const bool focused = Focused();
  for (Integer i = FTopIndex; i < GetCount(); ++i) {
    const TRect r = ItemRect(i);
    if (r.Top >= client.Bottom) break;
    TOwnerDrawState state;
    const bool selected = i == FItemIndex;
    if (selected) state.Include(odSelected);
    if (selected && focused) state.Include(odFocused);
    if (!GetEnabled() || (!IsVirtual() && !FItems->At(i).Enabled)) state.Include(odDisabled);
    // Each item draws between a save and a restore of the device context; the
    // canvas is attached inside them, so it selects its font, pen and brush
    // afresh instead of believing the restored ones are still in place.
    const Integer saved = SaveDC(DC);
    FCanvas->SetHandle(DC);
    FCanvas->SetFont(GetFont());
    FCanvas->GetBrush()->SetStyle(bsSolid);
    if (selected) {
      FCanvas->GetBrush()->SetColor(clHighlight);
      FCanvas->GetFont()->SetColor(clHighlightText);
    } else {
      FCanvas->GetBrush()->SetColor(FColor);
      if (state.Contains(odDisabled)) FCanvas->GetFont()->SetColor(clGrayText);
    }
    IntersectClipRect(DC, r.Left, r.Top, r.Right, r.Bottom);
    DrawItem(i, r, state);
    FCanvas->SetHandle(nullptr);
    RestoreDC(DC, saved);
    if (state.Contains(odFocused)) DrawFocusRect(DC, r);
  }
  if (focused && FItemIndex < 0 && GetCount() == 0) DrawFocusRect(DC, TRect(0, 0, client.Right, GetItemHeight()));
}

void TCustomListBox::SelectionChangedByUser() { Click(); }

void TCustomListBox::ListKeyDown(Word Key) {
  if (GetCount() == 0) return;
  Integer i = FItemIndex;
  const Integer page = std::max(1, VisibleRows() - 1);
  switch (Key) {
    case VK_UP: i = std::max(0, i - 1); break;
    case VK_DOWN: i = std::min(GetCount() - 1, i + 1); break;
    case VK_HOME: i = 0; break;
    case VK_END: i = GetCount() - 1; break;
    case VK_PRIOR: i = std::max(0, i - page); break;
    case VK_NEXT: i = std::min(GetCount() - 1, (i < 0 ? 0 : i) + page); break;
    default: return;
  }
  if (i == FItemIndex) return;
  SetItemIndex(i);
  SelectionChangedByUser();
}

void TCustomListBox::ListMouseDown(TPoint P, bool Double) {
  if (CanFocus() && !Focused()) SetFocus();
  const Integer i = ItemAtPos(P, true);
  if (i < 0) return;
  SetItemIndex(i);
  FTracking = !Double;
  SelectionChangedByUser();
}

void TCustomListBox::IncrementalSearch(Char C) {
  const UInt64 now = GetTickCount64();
  if (now - FSearchTime >= 500) FSearchText.clear();
  FSearchTime = now;
  if (C == VK_BACK) {
    if (!FSearchText.empty()) FSearchText.pop_back();
  } else {
    FSearchText += C;
  }
  if (FSearchText.empty()) return;
  for (Integer k = 0; k < GetCount(); ++k)
    if (StartsWithText(GetItemText(k), FSearchText)) {
      if (k != FItemIndex) {
        SetItemIndex(k);
        SelectionChangedByUser();
      }
      return;
    }
}

void TCustomListBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      ListMouseDown(TPoint(GetXLParam(Message.LParam), GetYLParam(Message.LParam)), Message.Msg == WM_LBUTTONDBLCLK);
      if (FHandle && Message.Msg == WM_LBUTTONDOWN) SetCapture(FHandle);
      // Clicks come from the selection; a double click is reported here.
      if (Message.Msg == WM_LBUTTONDBLCLK) DblClick();
      break;
    case WM_MOUSEMOVE:
      if (FTracking && (Message.WParam & MK_LBUTTON)) {
        TPoint p(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
        const TRect client = ::GetClientRect(FHandle);
        p.Y = std::clamp(p.Y, 0, client.Bottom - 1);
        const Integer i = ItemAtPos(TPoint(std::clamp(p.X, 0, client.Right - 1), p.Y), true);
        if (i >= 0 && i != FItemIndex) {
          SetItemIndex(i);
          SelectionChangedByUser();
        }
      }
      break;
    case WM_LBUTTONUP:
      // The mouse was taken at the press, on an item or below the last one:
      // it is given back either way, or every later click would land here.
      FTracking = false;
      if (FHandle && GetCapture() == FHandle) ReleaseCapture();
      break;
    case WM_CANCELMODE: FTracking = false; break;
    case CM_FONTCHANGED:
      TWinControl::Dispatch(Message);
      ItemsChanged();
      return;
    default: break;
  }
  TWinControl::Dispatch(Message);
}

void TCustomListBox::DefaultHandler(TMessage& Message) {
  // The messages about one item answer LB_ERR when WParam names none.
  const auto refused = [&] {
    if (Integer(Message.WParam) >= 0 && Integer(Message.WParam) < GetCount()) return false;
    Message.Result = LB_ERR;
    return true;
  };
  switch (Message.Msg) {
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case WM_KEYDOWN: ListKeyDown(Word(Message.WParam)); return;
    case WM_CHAR: {
      const Char c = Char(Message.WParam);
      if (c >= 0x20 || c == VK_BACK) IncrementalSearch(c);
      return;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Invalidate(); break;
    case WM_SIZE:
      TWinControl::DefaultHandler(Message);
      ItemsChanged();
      return;
    case WM_PAINT: {
      HDC dc = reinterpret_cast<HDC>(Message.WParam);
      TPaintStruct ps;
      if (!dc) dc = BeginPaint(FHandle, ps);
      PaintItems(dc);
      if (!Message.WParam) EndPaint(FHandle, ps);
      return;
    }
    case WM_ERASEBKGND: Message.Result = 1; return;
    case WM_VSCROLL: {
      SetTopIndex(ScrollRequestPos(FHandle, SB_VERT, Message.WParam, FTopIndex, 1, VisibleRows(), 0, GetCount()));
      return;
    }
    case WM_MOUSEWHEEL: {
      const Integer delta = Integer(std::int16_t(HiWord(Message.WParam)));
      SetTopIndex(FTopIndex + (delta > 0 ? -3 : 3));
      Message.Result = 1;
      return;
    }
    case LB_GETCOUNT: Message.Result = GetCount(); return;
    case LB_GETCURSEL: Message.Result = FItemIndex; return;
    case LB_SETCURSEL:
      SetItemIndex(Integer(Message.WParam));
      Message.Result = FItemIndex;
      return;
    case LB_GETTOPINDEX: Message.Result = FTopIndex; return;
    case LB_SETTOPINDEX: SetTopIndex(Integer(Message.WParam)); return;
    case LB_GETITEMHEIGHT: Message.Result = GetItemHeight(); return;
    case LB_SETITEMHEIGHT: SetItemHeight(Integer(LoWord(std::uintptr_t(Message.LParam)))); return;
    case LB_GETITEMRECT:
      if (Message.LParam) *reinterpret_cast<TRect*>(Message.LParam) = ItemRect(Integer(Message.WParam));
      Message.Result = Integer(Message.WParam) >= 0 && Integer(Message.WParam) < GetCount() ? 1 : LB_ERR;
      return;
    case LB_ITEMFROMPOINT: {
      const Integer i = ItemAtPos(TPoint(GetXLParam(Message.LParam), GetYLParam(Message.LParam)), false);
      Message.Result = MakeLParam(std::min(i, std::max(0, GetCount() - 1)), i >= GetCount() ? 1 : 0);
      return;
    }
    case LB_GETTEXT: {
      if (refused()) return;
      const String text = GetItemText(Integer(Message.WParam));
      if (Message.LParam) *reinterpret_cast<String*>(Message.LParam) = text;
      Message.Result = Integer(text.size());
      return;
    }
    case LB_GETTEXTLEN:
      if (refused()) return;
      Message.Result = Integer(GetItemText(Integer(Message.WParam)).size());
      return;
    case LB_ADDSTRING:
      Message.Result = FItems->Add(Message.LParam ? *reinterpret_cast<const String*>(Message.LParam) : String());
      return;
    case LB_INSERTSTRING: {
      Integer at = Integer(Message.WParam);
      if (at < 0) at = GetCount();
      FItems->Insert(at, Message.LParam ? *reinterpret_cast<const String*>(Message.LParam) : String());
      Message.Result = at;
      return;
    }
    case LB_DELETESTRING:
      if (refused()) return;
      FItems->Delete(Integer(Message.WParam));
      Message.Result = GetCount();
      return;
    case LB_RESETCONTENT:
      if (IsVirtual()) SetCount(0);
      else FItems->Clear();
      return;
    case LB_SETCOUNT:
      if (!IsVirtual()) {
        Message.Result = LB_ERR;
        return;
      }
      SetCount(Integer(Message.WParam));
      return;
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
    case LB_SELECTSTRING: {
      // From the item after WParam (-1 / 65535: from the top), wrapping, ignoring case.
      const String s = Message.LParam ? *reinterpret_cast<const String*>(Message.LParam) : String();
      const Integer n = GetCount();
      Integer start = Integer(std::int16_t(Word(Message.WParam)));
      if (start < 0 || start >= n) start = -1;
      Message.Result = LB_ERR;
      for (Integer k = 1; k <= n; ++k) {
        const Integer i = (start + k) % n;
        const bool hit =
            Message.Msg == LB_FINDSTRINGEXACT ? AnsiSameText(GetItemText(i), s) : StartsWithText(GetItemText(i), s);
        if (hit) {
          Message.Result = i;
          if (Message.Msg == LB_SELECTSTRING) SetItemIndex(i);
          return;
        }
      }
      return;
    }
    case LB_GETITEMDATA:
      if (refused()) return;
      Message.Result = LRESULT(reinterpret_cast<std::intptr_t>(GetItemObject(Integer(Message.WParam))));
      return;
    case LB_SETITEMDATA:
      if (refused()) return;
      FItems->PutObject(Integer(Message.WParam), reinterpret_cast<TObject*>(Message.LParam));
      return;
    default: break;
  }
  TWinControl::DefaultHandler(Message);
}

// ---- Combo box parts ---------------------------------------------------------------------------------------

// The edit of a drop-down or simple combo box: keys go to the combo box first.
class TComboEdit final : public TCustomEdit {
public:
  TComboEdit(TCustomComboBox* Combo) : TCustomEdit(nullptr), FCombo(Combo) {
    FBorderStyle = bsNone;
    FTabStop = false;
    FAutoSelect = true;
    SetParentFont(true);
  }
  // Shows Value without reporting it as the user's change.
  void SetTextQuietly(const String& Value) {
    FUpdating = true;
    SetText(Value);
    FUpdating = false;
  }

  void Dispatch(TMessage& Message) override {
    switch (Message.Msg) {
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        // The combo box's key events and the form's preview run once, for the combo box.
        if (FCombo->DoKeyDown(Message)) return;
        {
          bool handled = false;
          FCombo->ComboKeyDown(Word(Message.WParam), KeyDataToShiftState(Message.LParam), handled);
          if (handled) return;
        }
        DefaultHandler(Message);
        return;
      case WM_KEYUP:
      case WM_SYSKEYUP:
        if (!FCombo->DoKeyUp(Message)) DefaultHandler(Message);
        return;
      case WM_CHAR:
        if (!FCombo->DoKeyPress(Message)) DefaultHandler(Message);
        return;
      case CM_WANTSPECIALKEY:
        Message.Result =
            FCombo->GetDroppedDown() && (Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE) ? 1 : 0;
        return;
      case WM_KILLFOCUS:
        if (HwndFromParam(Message.WParam) != FCombo->GetHandle()) FCombo->SetDroppedDown(false);
        break;
      default: break;
    }
    TCustomEdit::Dispatch(Message);
  }

protected:
  void Change() override {
    if (FUpdating) return;
    FCombo->FItemIndex = -1;
    FCombo->Change();
  }

private:
  TCustomComboBox* FCombo;
  bool FUpdating = false;
};

// The list of a combo box: a popup below it while dropped down (a child below the
// edit for a simple combo box).
class TComboDropList final : public TCustomListBox {
public:
  TComboDropList(TCustomComboBox* Combo) : TCustomListBox(nullptr), FCombo(Combo) {
    FVisible = false;
    FTabStop = false;
    FBorderStyle = bsNone;
  }
  bool Popup = true;

  void ShowAt(const TRect& ScreenRect) {
    HandleNeeded();
    SetBounds(ScreenRect.Left, ScreenRect.Top, ScreenRect.Width(), ScreenRect.Height());
    FVisible = true;
    SetWindowPos(FHandle, HWND_TOPMOST, ScreenRect.Left, ScreenRect.Top, ScreenRect.Width(), ScreenRect.Height(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    ItemsChanged();
    if (FItemIndex >= 0) MakeVisible(FItemIndex);
    SetCapture(FHandle);
  }
  void HideList() {
    if (!FHandle) return;
    if (GetCapture() == FHandle) ReleaseCapture();
    FVisible = false;
    ShowWindow(FHandle, SW_HIDE);
  }
  bool Shown() const { return FHandle && IsWindowVisible(FHandle) && Popup; }

  void Dispatch(TMessage& Message) override {
    if (!Popup) {
      TCustomListBox::Dispatch(Message);
      return;
    }
    switch (Message.Msg) {
      case WM_MOUSEACTIVATE: Message.Result = MA_NOACTIVATE; return;
      case WM_MOUSEMOVE: {
        const Integer i = ItemAtPos(TPoint(GetXLParam(Message.LParam), GetYLParam(Message.LParam)), true);
        if (i >= 0 && i != FItemIndex) SetItemIndex(i);
        return;
      }
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        const TPoint p(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
        if (!::GetClientRect(FHandle).Contains(p)) {
          // A press outside closes the list; on the combo box's button it only closes.
          FCombo->SetDroppedDown(false);
          FCombo->FButtonDown = false;
          FCombo->FIgnoreNextClick = true;
        }
        return;
      }
      case WM_LBUTTONUP: {
        const TPoint p(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
        const Integer i = ItemAtPos(p, true);
        if (i >= 0) {
          FCombo->SetDroppedDown(false);
          FCombo->UserSelect(i);
        }
        return;
      }
      case WM_CANCELMODE:
      case WM_CAPTURECHANGED:
        if (Message.Msg == WM_CANCELMODE || HwndFromParam(std::uintptr_t(Message.LParam)) != FHandle)
          FCombo->SetDroppedDown(false);
        return;
      default: TCustomListBox::Dispatch(Message);
    }
  }

protected:
  void CreateParams(TCreateParams& Params) override {
    TCustomListBox::CreateParams(Params);
    if (!Popup) return;
    Params.Style = WS_POPUP | WS_BORDER | WS_VSCROLL | WS_CLIPSIBLINGS;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    Params.WndParent = FParentWindow;
  }
  void SelectionChangedByUser() override {
    if (!Popup) FCombo->UserSelect(FItemIndex);
  }
  void ItemsChanged() override {
    TCustomListBox::ItemsChanged();
    FCombo->ItemsChanged();
  }

private:
  TCustomComboBox* FCombo;
};

// ---- TCustomComboBox ---------------------------------------------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TWinControl(AOwner), FList(std::make_unique<TComboDropList>(this)), FCanvas(std::make_unique<TControlCanvas>()) {
  FControlStyle = TControlStyle{csSetCaption, csDoubleClicks, csFixedHeight};
  FCanvas->SetControl(this);
  FTabStop = true;
  FParentColor = false;
  FColor = clWindow;
  FBrush->SetColor(clWindow);
  FEdit = std::make_unique<TComboEdit>(this);
  FEdit->SetParent(this);
  SetBounds(0, 0, 145, 21);
}

TCustomComboBox::~TCustomComboBox() {
  if (FEdit) FEdit->SetParent(nullptr);
  FList->SetParent(nullptr);
}

TStrings* TCustomComboBox::GetItems() const { return FList->GetItems(); }
void TCustomComboBox::SetItems(const TStrings* Value) { FList->SetItems(Value); }
TCustomListBox* TCustomComboBox::GetListControl() const { return FList.get(); }
Integer TCustomComboBox::GetItemHeight() const { return FList->GetItemHeight(); }

void TCustomComboBox::SetSorted(bool Value) {
  FSorted = Value;
  FList->SetSorted(Value);
}

void TCustomComboBox::SetMaxLength(Integer Value) {
  FMaxLength = Value;
  if (FEdit) FEdit->SetMaxLength(Value);
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
  if (FStyle == Value) return;
  const String text = GetText();
  FStyle = Value;
  const bool hasEdit = Value == csDropDown || Value == csSimple;
  if (hasEdit && !FEdit) {
    FEdit = std::make_unique<TComboEdit>(this);
    FEdit->SetParent(this);
    FEdit->SetMaxLength(FMaxLength);
  } else if (!hasEdit && FEdit) {
    FEdit->SetParent(nullptr);
    FEdit.reset();
  }
  FList->HideList();
  FList->Popup = Value != csSimple;
  if (FList->HandleAllocated()) FList->RecreateWnd();
  if (Value == csSimple) {
    FList->SetParent(this);
    FList->SetVisible(true);
  } else {
    FList->SetParent(nullptr);
    FList->SetVisible(false);
  }
  SetTextValue(text);
  LayoutParts();
  Invalidate();
}

Integer TCustomComboBox::EditHeight() const { return FontTextHeight(GetFont()) + 2; }

void TCustomComboBox::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  // A drop-down box is as high as its edit; a simple one keeps the height it is given.
  if (FStyle != csSimple) AHeight = EditHeight() + 6;
  TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  LayoutParts();
}

TRect TCustomComboBox::ButtonRect() const {
  const TRect c = FHandle ? ::GetClientRect(FHandle) : TRect(0, 0, FWidth - 4, FHeight - 4);
  if (FStyle == csSimple) return TRect();
  const Integer w = GetSystemMetrics(SM_CXVSCROLL);
  return TRect(c.Right - w, c.Top, c.Right, c.Bottom);
}

void TCustomComboBox::LayoutParts() {
  const TRect c = FHandle ? ::GetClientRect(FHandle) : TRect(0, 0, FWidth - 4, FHeight - 4);
  const Integer eh = EditHeight();
  if (FEdit) {
    if (FStyle == csSimple) FEdit->SetBounds(1, 1, c.Width() - 2, eh);
    else FEdit->SetBounds(1, 1, ButtonRect().Left - 2, c.Height() - 2);
  }
  if (FStyle == csSimple) FList->SetBounds(0, eh + 3, c.Width(), std::max(0, c.Height() - eh - 3));
}

void TCustomComboBox::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN;
  Params.Caption.clear();
  if (FCtl3D) Params.ExStyle |= WS_EX_CLIENTEDGE;
  else Params.Style |= WS_BORDER;
}

void TCustomComboBox::CreateWnd() {
  TWinControl::CreateWnd();
  LayoutParts();
}

String TCustomComboBox::GetTextValue() const { return FEdit ? FEdit->GetText() : FListText; }

void TCustomComboBox::SetTextValue(const String& Value) {
  if (FEdit) {
    static_cast<TComboEdit*>(FEdit.get())->SetTextQuietly(Value);
  } else {
    // A drop-down list shows only its items' texts.
    FListText.clear();
    FItemIndex = -1;
    for (Integer i = 0; i < GetItems()->GetCount(); ++i)
      if (GetItems()->Get(i) == Value) {
        FItemIndex = i;
        FListText = Value;
        break;
      }
  }
  Invalidate();
}

void TCustomComboBox::SetItemIndex(Integer Value) {
  if (Value < -1 || Value >= GetItems()->GetCount()) Value = -1;
  FItemIndex = Value;
  const String text = Value >= 0 ? GetItems()->Get(Value) : String();
  if (FEdit) {
    static_cast<TComboEdit*>(FEdit.get())->SetTextQuietly(text);
    if (FEdit->Focused()) FEdit->SelectAll();
  } else {
    FListText = text;
  }
  FList->SetItemIndex(Value);
  Invalidate();
}

void TCustomComboBox::ItemsChanged() {
  if (FItemIndex >= GetItems()->GetCount()) SetItemIndex(-1);
}

void TCustomComboBox::Clear() {
  GetItems()->Clear();
  SetItemIndex(-1);
  if (FEdit) SetTextValue(String());
}

void TCustomComboBox::SelectAll() {
  if (FEdit) FEdit->SelectAll();
}

bool TCustomComboBox::Focused() { return TWinControl::Focused() || (FEdit && FEdit->Focused()); }

bool TCustomComboBox::GetDroppedDown() const { return FList->Shown(); }

void TCustomComboBox::SetDroppedDown(bool Value) {
  if (FStyle == csSimple || Value == GetDroppedDown()) return;
  if (!Value) {
    FList->HideList();
    Invalidate();
    CloseUp();
    return;
  }
  DropDown();
  HWND top = GetAncestorTop(GetHandle());
  FList->SetParentWindow(top);
  FList->SetFont(GetFont());
  FList->SetColor(FColor);
  const Integer rows = std::clamp(GetItems()->GetCount(), 1, FDropDownCount);
  const TRect wr = GetWindowRect(GetHandle());
  TRect r(wr.Left, wr.Bottom, wr.Right, wr.Bottom + rows * FList->GetItemHeight() + 2);
  // Open upwards when the list would leave the work area.
  TMonitorInfo mi;
  if (GetMonitorInfo(MonitorFromRect(wr, 2), mi) && r.Bottom > mi.rcWork.Bottom && wr.Top - r.Height() >= mi.rcWork.Top)
    OffsetRect(r, 0, -(r.Height() + wr.Height()));
  FList->SetItemIndex(FItemIndex);
  FList->ShowAt(r);
  Invalidate();
}

void TCustomComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TCustomComboBox::Select() {
  if (OnSelect) OnSelect(this);
  else Change();
}

void TCustomComboBox::DropDown() {
  if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::CloseUp() {
  if (OnCloseUp) OnCloseUp(this);
}

void TCustomComboBox::UserSelect(Integer Index) {
  if (Index < 0 || Index >= GetItems()->GetCount()) return;
  SetItemIndex(Index);
  Click();
  Select();
}

void TCustomComboBox::ComboKeyDown(Word Key, TShiftState Shift, bool& Handled) {
  Handled = false;
  const bool open = GetDroppedDown();
  if (Key == VK_F4 || ((Key == VK_DOWN || Key == VK_UP) && Shift.Contains(ssAlt))) {
    SetDroppedDown(!open);
    Handled = true;
    return;
  }
  if (open) {
    switch (Key) {
      case VK_RETURN: {
        const Integer i = FList->GetItemIndex();
        SetDroppedDown(false);
        if (i >= 0 && i != FItemIndex) UserSelect(i);
        Handled = true;
        return;
      }
      case VK_ESCAPE:
        SetDroppedDown(false);
        Handled = true;
        return;
      case VK_UP:
      case VK_DOWN:
      case VK_PRIOR:
      case VK_NEXT:
      case VK_HOME:
      case VK_END: {
        const Integer n = GetItems()->GetCount();
        if (!n) break;
        Integer i = FList->GetItemIndex();
        const Integer page = std::max(1, FList->VisibleRows() - 1);
        if (Key == VK_UP) i = std::max(0, i - 1);
        else if (Key == VK_DOWN) i = std::min(n - 1, i + 1);
        else if (Key == VK_PRIOR) i = std::max(0, i - page);
        else if (Key == VK_NEXT) i = std::min(n - 1, std::max(0, i) + page);
        else if (Key == VK_HOME && !FEdit) i = 0;
        else if (Key == VK_END && !FEdit) i = n - 1;
        else break;
        FList->SetItemIndex(i);
        UserSelect(i);
        Handled = true;
        return;
      }
      default: break;
    }
    return;
  }
  // Closed: the arrows step through the items.
  const Integer n = GetItems()->GetCount();
  if (!n) return;
  Integer i = FItemIndex;
  switch (Key) {
    case VK_UP: i = std::max(0, i - 1); break;
    case VK_DOWN: i = std::min(n - 1, i + 1); break;
    case VK_PRIOR: i = std::max(0, i - FDropDownCount + 1); break;
    case VK_NEXT: i = std::min(n - 1, std::max(0, i) + FDropDownCount - 1); break;
    case VK_HOME:
      if (FEdit) return;
      i = 0;
      break;
    case VK_END:
      if (FEdit) return;
      i = n - 1;
      break;
    default: return;
  }
  Handled = true;
  if (i != FItemIndex) UserSelect(i);
}

void TCustomComboBox::Paint(HDC DC) {
  const TRect client = ::GetClientRect(FHandle);
  FillWith(DC, client, GetEnabled() ? FColor : clBtnFace);
  if (FStyle == csSimple) return;
  if (!FEdit) {
    TRect text(client.Left + 1, client.Top + 1, ButtonRect().Left - 1, client.Bottom - 1);
    const bool focused = Focused() && !GetDroppedDown();
    FCanvas->SetHandle(DC);
    FCanvas->SetFont(GetFont());
    SelectObject(DC, GetFont()->GetHandle());
    if (OnDrawItem && (FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable) && FItemIndex >= 0) {
      TOwnerDrawState st{odComboBoxEdit};
      if (focused) st.Include(odSelected).Include(odFocused);
      FCanvas->GetBrush()->SetColor(focused ? clHighlight : FColor);
      if (focused) FCanvas->GetFont()->SetColor(clHighlightText);
      OnDrawItem(this, FItemIndex, text, st);
    } else {
      if (focused) FillWith(DC, text, clHighlight);
      SetBkMode(DC, TRANSPARENT);
      SetTextColor(DC, ColorToRGB(!GetEnabled() ? clGrayText : focused ? clHighlightText : GetFont()->GetColor()));
      TRect tr = text;
      tr.Left += 2;
      DrawText(DC, FListText, -1, tr, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (focused) DrawFocusRect(DC, text);
    FCanvas->SetHandle(nullptr);
  }
  TRect b = ButtonRect();
  UINT st = DFCS_SCROLLCOMBOBOX;
  if (FButtonDown) st |= DFCS_PUSHED;
  if (!GetEnabled()) st |= DFCS_INACTIVE;
  DrawFrameControl(DC, b, DFC_SCROLL, st);
}

void TCustomComboBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (FIgnoreNextClick) {
        // The press that closed the list lands here too: it only closes.
        FIgnoreNextClick = false;
        break;
      }
      const TPoint p(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
      if (CanFocus()) {
        if (FEdit && !FEdit->Focused()) FEdit->SetFocus();
        else if (!FEdit && !Focused()) SetFocus();
      }
      if (FStyle != csSimple && (!FEdit || ButtonRect().Contains(p))) {
        FButtonDown = ButtonRect().Contains(p);
        SetDroppedDown(!GetDroppedDown());
      }
      break;
    }
    case WM_LBUTTONUP:
      if (FButtonDown) {
        FButtonDown = false;
        Invalidate();
      }
      break;
    case WM_SIZE:
      TWinControl::Dispatch(Message);
      LayoutParts();
      return;
    case CM_FONTCHANGED:
      TWinControl::Dispatch(Message);
      SetBounds(FLeft, FTop, FWidth, FHeight);
      return;
    case CM_ENABLEDCHANGED:
      if (FEdit) FEdit->SetEnabled(GetEnabled());
      break;
    case CM_COLORCHANGED:
      if (FEdit) FEdit->SetColor(FColor);
      break;
    case CM_WANTSPECIALKEY:
      Message.Result = GetDroppedDown() && (Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE) ? 1 : 0;
      return;
    default: break;
  }
  TWinControl::Dispatch(Message);
}

void TCustomComboBox::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case WM_SETFOCUS:
      // A combo box with an edit hands the focus to it.
      if (FEdit && FEdit->CanFocus()) {
        ::SetFocus(FEdit->GetHandle());
        return;
      }
      Invalidate();
      break;
    case WM_KILLFOCUS:
      if (!FEdit) {
        SetDroppedDown(false);
        Invalidate();
      }
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      bool handled = false;
      ComboKeyDown(Word(Message.WParam), KeyDataToShiftState(Message.LParam), handled);
      if (handled) return;
      break;
    }
    case WM_CHAR: {
      const Char c = Char(Message.WParam);
      if (!FEdit && c >= 0x20) {
        // A drop-down list selects the next item starting with the character typed.
        const Integer n = GetItems()->GetCount();
        for (Integer k = 1; k <= n; ++k) {
          const Integer i = (std::max(FItemIndex, -1) + k) % n;
          if (StartsWithText(GetItems()->Get(i), String(1, c))) {
            if (GetDroppedDown()) FList->SetItemIndex(i);
            if (i != FItemIndex) UserSelect(i);
            break;
          }
        }
        return;
      }
      break;
    }
    case WM_PAINT: {
      HDC dc = reinterpret_cast<HDC>(Message.WParam);
      TPaintStruct ps;
      if (!dc) dc = BeginPaint(FHandle, ps);
      Paint(dc);
      if (!Message.WParam) EndPaint(FHandle, ps);
      return;
    }
    case WM_ERASEBKGND: Message.Result = 1; return;
    case WM_MOUSEWHEEL:
      if (!GetDroppedDown()) {
        bool handled = false;
        ComboKeyDown(Integer(std::int16_t(HiWord(Message.WParam))) > 0 ? VK_UP : VK_DOWN, TShiftState(), handled);
        Message.Result = 1;
        return;
      }
      break;
    default: break;
  }
  TWinControl::DefaultHandler(Message);
}
