// TControl: geometry, alignment requests, inherited colour and font, mouse
// handling and message dispatch. TWinControl and the painting classes are in
// WinControl.cpp.

#include "platform/ui/Controls.h"

#include <algorithm>
#include <utility>

#include "platform/core/Filer.h"
#include "platform/data/Fields.h"
#include "platform/ui/ActnList.h"
#include "platform/ui/DragDrop.h"
#include "platform/ui/Forms.h"

namespace {

TControl* CaptureControlRef = nullptr;

TPopupMenuHandler& PopupHandler() {
  static TPopupMenuHandler handler;
  return handler;
}

}  // namespace

TPopupMenuHandler SetPopupMenuHandler(TPopupMenuHandler Handler) {
  TPopupMenuHandler old = std::move(PopupHandler());
  PopupHandler() = std::move(Handler);
  return old;
}

// ---- TSizeConstraints ------------------------------------------------------------------------

void TSizeConstraints::Assign(TPersistent* Source) {
  if (auto* c = dynamic_cast<TSizeConstraints*>(Source)) {
    FMinWidth = c->FMinWidth;
    FMaxWidth = c->FMaxWidth;
    FMinHeight = c->FMinHeight;
    FMaxHeight = c->FMaxHeight;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

void TSizeConstraints::Constrain(Integer& Width, Integer& Height) const {
  if (FMaxWidth > 0 && Width > FMaxWidth) Width = FMaxWidth;
  if (FMinWidth > 0 && Width < FMinWidth) Width = FMinWidth;
  if (FMaxHeight > 0 && Height > FMaxHeight) Height = FMaxHeight;
  if (FMinHeight > 0 && Height < FMinHeight) Height = FMinHeight;
}

// ---- Shift states and shortcuts -------------------------------------------------------------

TShiftState KeysToShiftState(WPARAM Keys) {
  TShiftState s;
  if (Keys & MK_SHIFT) s.Include(ssShift);
  if (Keys & MK_CONTROL) s.Include(ssCtrl);
  if (Keys & MK_LBUTTON) s.Include(ssLeft);
  if (Keys & MK_RBUTTON) s.Include(ssRight);
  if (Keys & MK_MBUTTON) s.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

TShiftState KeyDataToShiftState(LPARAM KeyData) {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (KeyData & KF_ALTDOWN_LPARAM) s.Include(ssAlt);
  return s;
}

TShiftState KeyboardStateToShiftState() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  if (GetKeyState(VK_LBUTTON) < 0) s.Include(ssLeft);
  if (GetKeyState(VK_RBUTTON) < 0) s.Include(ssRight);
  if (GetKeyState(VK_MBUTTON) < 0) s.Include(ssMiddle);
  return s;
}

TShortCut ShortCut(Word Key, TShiftState Shift) {
  if (Key & 0xFF00) return scNone;
  TShortCut r = Key;
  if (Shift.Contains(ssShift)) r |= scShift;
  if (Shift.Contains(ssCtrl)) r |= scCtrl;
  if (Shift.Contains(ssAlt)) r |= scAlt;
  return r;
}

void ShortCutToKey(TShortCut SC, Word& Key, TShiftState& Shift) {
  Key = SC & 0xFF;
  Shift = TShiftState();
  if (SC & scShift) Shift.Include(ssShift);
  if (SC & scCtrl) Shift.Include(ssCtrl);
  if (SC & scAlt) Shift.Include(ssAlt);
}

HCURSOR CursorToHandle(TCursor Cursor) {
  InitializeForms();
  return Screen->GetCursors(Cursor);
}

// The control holding the mouse: a graphic child of the capture window when one took
// it, else the control behind the capture window itself.
TControl* GetCaptureControl() {
  TWinControl* holder = FindControl(GetCapture());
  if (!holder) {
    CaptureControlRef = nullptr;
    return nullptr;
  }
  if (CaptureControlRef && (CaptureControlRef == holder || CaptureControlRef->GetParent() == holder))
    return CaptureControlRef;
  CaptureControlRef = nullptr;
  return holder;
}

void SetCaptureControl(TControl* Control) {
  ReleaseCapture();
  CaptureControlRef = nullptr;
  if (!Control) return;
  TWinControl* win = dynamic_cast<TWinControl*>(Control);
  if (!win) {
    win = Control->GetParent();
    if (!win) return;
  }
  SetCapture(win->GetHandle());
  CaptureControlRef = Control;
}

bool FieldAlignmentMirrors(const TField* Field) { return !Field || Field->GetAlignment() != taCenter; }

bool DBUseRightToLeftAlignment(const TControl* Control, const TField* Field) {
  return Control && Control->UseRightToLeftAlignment() && FieldAlignmentMirrors(Field);
}

TCustomForm* GetParentForm(TControl* Control) {
  TControl* c = Control;
  while (c && c->GetParent()) c = c->GetParent();
  return dynamic_cast<TCustomForm*>(c);
}

TCustomForm* ValidParentForm(TControl* Control) {
  TCustomForm* f = GetParentForm(Control);
  if (!f) throw EInvalidOperation(u"Control '" + Control->GetName() + u"' has no parent form");
  return f;
}

// ---- TControl ------------------------------------------------------------------------------------

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), FFont(std::make_unique<TFont>()), FConstraints(std::make_unique<TSizeConstraints>()) {
  InitializeForms();
  FWindowProc = DefaultWindowProcMethod();
  FFont->OnChange = [this](TObject*) { FontChanged(); };
  FConstraints->OnChange = [this](TObject*) { SetBounds(FLeft, FTop, FWidth, FHeight); };
}

TControl::~TControl() {
  DragControlDestroying(this);
  if (FHostDockSite) {
    // Out of its parent before the site hears of it: a floating site goes with its last client.
    SetParent(nullptr);
    LeaveDockSite();
  }
  if (CaptureControlRef == this) ::SetCaptureControl(nullptr);
  if (Application) Application->ControlDestroying(this);
  if (Screen) Screen->ControlDestroying(this);
  SetParent(nullptr);
}

namespace {

// The control's own window procedure, as a named type so that a hooked one can be told from it.
struct TOwnWindowProc {
  TControl* Control;
  void operator()(TMessage& Message) const { Control->WndProc(Message); }
};

}  // namespace

TWndMethod TControl::DefaultWindowProcMethod() { return TOwnWindowProc{this}; }

bool TControl::WindowProcIsOwn() const {
  const TOwnWindowProc* Own = FWindowProc.target<TOwnWindowProc>();
  return Own && Own->Control == this;
}

void TControl::SetParent(TWinControl* AParent) {
  if (FParent == AParent) return;
  if (AParent == this) throw EInvalidOperation(u"A control cannot have itself as its parent");
  if (FParent) FParent->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
  // Moved out of the site it was docked in, the control is docked there no more.
  if (FHostDockSite != AParent) LeaveDockSite();
}

void TControl::LeaveDockSite() {
  TWinControl* host = std::exchange(FHostDockSite, nullptr);
  if (!host) return;
  std::erase(host->FDockClients, this);
  host->DoRemoveDockClient(this);
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* Value) {
  if (auto* w = dynamic_cast<TWinControl*>(Value)) SetParent(w);
}

void TControl::ReadState(TReader* Reader) {
  TComponent::ReadState(Reader);
  if (!FParent) SetParentComponent(Reader->GetParent());
}

void TControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  if (AWidth < 0) AWidth = 0;
  if (AHeight < 0) AHeight = 0;
  FConstraints->Constrain(AWidth, AHeight);
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  InvalidateControl(GetVisible(), false);
  bool sized = AWidth != FWidth || AHeight != FHeight;
  ChangeBounds(ALeft, ATop, AWidth, AHeight);
  InvalidateControl(GetVisible(), false);
  FAnchorsValid = false;
  RequestAlign();
  if (sized) Resize();
}

void TControl::ChangeBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
}

TRect TControl::GetClientRect() const { return TRect(0, 0, FWidth, FHeight); }

void TControl::SetClientWidth(Integer Value) { SetWidth(Value + (FWidth - GetClientWidth())); }
void TControl::SetClientHeight(Integer Value) { SetHeight(Value + (FHeight - GetClientHeight())); }

TPoint TControl::GetClientOrigin() const {
  if (!FParent) return TPoint(FLeft, FTop);
  return FParent->GetClientOrigin() + TPoint(FLeft, FTop);
}

TPoint TControl::ClientToScreen(const TPoint& Point) const { return Point + GetClientOrigin(); }
TPoint TControl::ScreenToClient(const TPoint& Point) const { return Point - GetClientOrigin(); }

TPoint TControl::ClientToParent(const TPoint& Point, TWinControl* AParent) const {
  if (!AParent) AParent = FParent;
  if (!AParent) throw EInvalidOperation(u"Control has no parent window");
  return AParent->ScreenToClient(ClientToScreen(Point));
}

void TControl::SetAlign(TAlign Value) {
  if (FAlign == Value) return;
  const TAlign old = FAlign;
  FAlign = Value;
  if (Value != alNone) FAnchors = TAnchors{akLeft, akTop};
  // A bar turned from a side to the top or bottom (or back) keeps its
  // thickness: width and height change places.
  auto side = [](TAlign a) { return a == alLeft || a == alRight; };
  auto edge = [](TAlign a) { return a == alTop || a == alBottom; };
  if ((side(old) && edge(Value)) || (edge(old) && side(Value))) SetBounds(FLeft, FTop, FHeight, FWidth);
  RequestAlign();
}

void TControl::SetAnchors(TAnchors Value) {
  FAnchors = Value;
  FAnchorsValid = false;
}

void TControl::RequestAlign() {
  if (FParent) FParent->AlignControl(this);
}

void TControl::SetVisible(bool Value) {
  if (FVisible == Value) return;
  VisibleChanging();
  InvalidateControl(true, false);
  FVisible = Value;
  Perform(CM_VISIBLECHANGED, Value ? 1 : 0);
  RequestAlign();
}

void TControl::Show() {
  if (FParent) FParent->Show();
  SetVisible(true);
  BringToFront();
}

void TControl::Hide() { SetVisible(false); }

void TControl::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Perform(CM_ENABLEDCHANGED);
}

bool TControl::GetShowing() const { return FVisible && FParent && FParent->GetShowing(); }

void TControl::SetColor(TColor Value) {
  if (FColor == Value && !FParentColor) return;
  FColor = Value;
  FParentColor = false;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool Value) {
  FParentColor = Value;
  if (Value && FParent) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (!FParentColor || !FParent) return;
  FColor = FParent->GetColor();
  FParentColor = true;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentFont(bool Value) {
  FParentFont = Value;
  if (Value && FParent) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!FParentFont || !FParent) return;
  FUpdatingFont = true;
  FFont->Assign(FParent->GetFont());
  FUpdatingFont = false;
  FParentFont = true;
  Perform(CM_FONTCHANGED);
}

void TControl::FontChanged() {
  if (!FUpdatingFont) FParentFont = false;
  if (!FUpdatingFont) Perform(CM_FONTCHANGED);
}

void TControl::SetCursor(TCursor Value) {
  if (FCursor == Value) return;
  FCursor = Value;
  Perform(CM_CURSORCHANGED);
}

void TControl::SetShowHint(bool Value) {
  FShowHint = Value;
  FParentShowHint = false;
  Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool Value) {
  FParentShowHint = Value;
  if (Value && FParent) {
    FShowHint = FParent->GetShowHint();
    Perform(CM_SHOWHINTCHANGED);
  }
}

void TControl::SetBiDiMode(TBiDiMode Value) {
  // A mode set on the control itself no longer follows the parent's.
  FParentBiDiMode = false;
  if (FBiDiMode == Value) return;
  FBiDiMode = Value;
  Perform(CM_BIDIMODECHANGED);
}

void TControl::AddBiDiModeExStyle(DWORD& ExStyle) const {
  if (UseRightToLeftReading()) ExStyle |= WS_EX_RTLREADING;
  if (UseRightToLeftScrollBar()) ExStyle |= WS_EX_LEFTSCROLLBAR;
  if (UseRightToLeftAlignment()) ExStyle |= WS_EX_RIGHT;
}

String TControl::GetText() const { return GetTextValue(); }

void TControl::SetText(const String& Value) {
  if (GetTextValue() == Value) return;
  SetTextValue(Value);
  Perform(CM_TEXTCHANGED);
}

void TControl::SetTextValue(const String& Value) { FText = Value; }

LRESULT TControl::Perform(Cardinal Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  TWndMethod proc = FWindowProc;  // a hook may replace itself while it runs
  proc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& Message) {
  if (Application && ((Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST) || Message.Msg == WM_KEYDOWN))
    Application->HintMouseMessage(this, Message);
  // A left press anywhere on a form first asks its active control to leave any
  // mode, before the pressed control takes the focus (an open drop-down closes
  // when the user clicks beside it).
  if (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) SendCancelMode(this);
  Dispatch(Message);
}

String GetShortHint(const String& Hint) {
  size_t bar = Hint.find(u'|');
  return bar == String::npos ? Hint : Hint.substr(0, bar);
}

String GetLongHint(const String& Hint) {
  size_t bar = Hint.find(u'|');
  return bar == String::npos ? Hint : Hint.substr(bar + 1);
}

void TControl::HandleMouseDown(TMessage& Message, TMouseButton Button, bool Double) {
  if (FControlStyle.Contains(csCaptureMouse) && Button == mbLeft) ::SetCaptureControl(this);
  if (Button == mbLeft && FControlStyle.Contains(csClickEvents)) FControlState.Include(csClicked);
  if (Button == mbLeft) FControlState.Include(csLButtonDown);
  TShiftState shift = KeysToShiftState(Message.WParam);
  if (Double) {
    shift.Include(ssDouble);
    if (FControlStyle.Contains(csClickEvents) && Button == mbLeft) DblClick();
  }
  MouseDown(Button, shift, GetXLParam(Message.LParam), GetYLParam(Message.LParam));
  // A control dragged automatically takes the press as the start of a drag; until
  // the mouse moves far enough it is still the control's click. A press that
  // OnMouseDown's modal window interrupted (cancel mode) or outlived (the button
  // went up meanwhile) begins nothing.
  if (Message.Msg == WM_LBUTTONDOWN && FDragMode == dmAutomatic && !Dragging() &&
      FControlState.Contains(csLButtonDown) && GetKeyState(VK_LBUTTON) < 0)
    BeginDrag(false);
}

void TControl::HandleMouseUp(TMessage& Message, TMouseButton Button) {
  if (Button == mbLeft) {
    if (FControlStyle.Contains(csCaptureMouse) && GetCaptureControl() == this) ::SetCaptureControl(nullptr);
    FControlState.Exclude(csLButtonDown);
    if (FControlState.Contains(csClicked)) {
      FControlState.Exclude(csClicked);
      TPoint p(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
      if (GetClientRect().Contains(p)) Click();
    }
  }
  MouseUp(Button, KeysToShiftState(Message.WParam), GetXLParam(Message.LParam), GetYLParam(Message.LParam));
}

void TControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN: HandleMouseDown(Message, mbLeft, false); return;
    case WM_RBUTTONDOWN: HandleMouseDown(Message, mbRight, false); return;
    case WM_MBUTTONDOWN: HandleMouseDown(Message, mbMiddle, false); return;
    case WM_LBUTTONDBLCLK: HandleMouseDown(Message, mbLeft, FControlStyle.Contains(csDoubleClicks)); return;
    case WM_RBUTTONDBLCLK: HandleMouseDown(Message, mbRight, FControlStyle.Contains(csDoubleClicks)); return;
    case WM_MBUTTONDBLCLK: HandleMouseDown(Message, mbMiddle, FControlStyle.Contains(csDoubleClicks)); return;
    case WM_LBUTTONUP: HandleMouseUp(Message, mbLeft); return;
    case WM_RBUTTONUP:
      HandleMouseUp(Message, mbRight);
      DefaultHandler(Message);
      return;
    case WM_MBUTTONUP: HandleMouseUp(Message, mbMiddle); return;
    case WM_CONTEXTMENU: {
      if (Message.Result != 0) return;
      TPoint pt(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
      bool keyboard = pt.X == -1 && pt.Y == -1;  // from the keyboard: no mouse position
      bool handled = false;
      DoContextPopup(keyboard ? TPoint(-1, -1) : ScreenToClient(pt), handled);
      Message.Result = handled ? 1 : 0;
      if (handled) return;
      if (FPopupMenu && PopupHandler()) {
        SendCancelMode(nullptr);
        if (keyboard) pt = ClientToScreen(TPoint(0, 0));
        if (PopupHandler()(FPopupMenu, this, pt)) {
          Message.Result = 1;
          return;
        }
      }
      DefaultHandler(Message);
      return;
    }
    case WM_MOUSEMOVE:
      MouseMove(KeysToShiftState(Message.WParam), GetXLParam(Message.LParam), GetYLParam(Message.LParam));
      return;
    case CM_MOUSEWHEEL: {
      TShiftState shift = KeysToShiftState(LoWord(Message.WParam));
      Integer delta = Integer(std::int16_t(HiWord(Message.WParam)));
      TPoint p(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
      Message.Result = DoMouseWheel(shift, delta, p) ? 1 : 0;
      return;
    }
    case CM_ACTIONEXECUTE:
      Message.Result = ExecuteAction(reinterpret_cast<TBasicAction*>(Message.LParam)) ? 1 : 0;
      return;
    case CM_ACTIONUPDATE:
      Message.Result = UpdateAction(reinterpret_cast<TBasicAction*>(Message.LParam)) ? 1 : 0;
      return;
    case CM_PARENTCOLORCHANGED: ParentColorChanged(); return;
    case CM_PARENTBIDIMODECHANGED:
      if (FParentBiDiMode && FParent) {
        SetBiDiMode(FParent->GetBiDiMode());
        FParentBiDiMode = true;
      }
      return;
    case CM_BIDIMODECHANGED: Invalidate(); return;
    case CM_PARENTFONTCHANGED: ParentFontChanged(); return;
    case CM_PARENTSHOWHINTCHANGED:
      if (FParentShowHint && FParent) {
        FShowHint = FParent->GetShowHint();
        Perform(CM_SHOWHINTCHANGED);
      }
      return;
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED: Invalidate(); return;
    case CM_VISIBLECHANGED: return;
    case WM_CANCELMODE:
      if (GetCaptureControl() == this) ::SetCaptureControl(nullptr);
      FControlState.Exclude(csClicked);
      FControlState.Exclude(csLButtonDown);
      return;
    default: DefaultHandler(Message);
  }
}

void TControl::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETTEXT:
      if (Message.LParam) *reinterpret_cast<String*>(Message.LParam) = FText;
      Message.Result = LRESULT(FText.size());
      return;
    case WM_GETTEXTLENGTH: Message.Result = LRESULT(FText.size()); return;
    case WM_SETTEXT:
      if (Message.LParam) FText = *reinterpret_cast<const String*>(Message.LParam);
      Message.Result = 1;
      return;
    default: return;
  }
}

void TControl::Invalidate() { InvalidateControl(GetVisible(), FControlStyle.Contains(csOpaque)); }

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
  if (!IsVisible || !FParent || !FParent->HandleAllocated()) return;
  TRect r = GetBoundsRect();
  InvalidateRect(FParent->GetHandle(), &r, !IsOpaque);
}

void TControl::Repaint() {
  if (!GetVisible() || !FParent || !FParent->HandleAllocated()) return;
  Invalidate();
  FParent->Update();
}

void TControl::Update() {
  if (FParent) FParent->Update();
}

void TControl::SetZOrder(bool TopMost) {
  if (!FParent) return;
  auto& list = FParent->FControls;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  if (TopMost) list.push_back(this);
  else list.insert(list.begin(), this);
  Invalidate();
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
  else if (FActionLink) FActionLink->Execute(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

bool TControl::DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  if (!handled) {
    handled = WheelDelta < 0 ? DoMouseWheelDown(Shift, MousePos) : DoMouseWheelUp(Shift, MousePos);
  }
  return handled;
}

bool TControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheelDown) OnMouseWheelDown(this, Shift, MousePos, handled);
  return handled;
}

bool TControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheelUp) OnMouseWheelUp(this, Shift, MousePos, handled);
  return handled;
}

void TControl::Loaded() {
  TComponent::Loaded();
  if (FParent) {
    if (FParentColor) ParentColorChanged();
    if (FParentFont) ParentFontChanged();
  }
}

void TControl::ChangeScale(Integer M, Integer D) {
  if (M == D || D == 0) return;
  Integer x = MulDiv(FLeft, M, D), y = MulDiv(FTop, M, D);
  Integer w = FControlStyle.Contains(csFixedWidth) ? FWidth : MulDiv(FLeft + FWidth, M, D) - x;
  Integer h = FControlStyle.Contains(csFixedHeight) ? FHeight : MulDiv(FTop + FHeight, M, D) - y;
  SetBounds(x, y, w, h);
  if (!FParentFont) {
    bool keep = FParentFont;
    FFont->SetSize(MulDiv(FFont->GetSize(), M, D));
    FParentFont = keep;
  }
}

void TControl::SetPopupMenu(TComponent* Value) {
  if (FPopupMenu == Value) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = Value;
  if (Value) Value->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
  if (Operation == opRemove && FActionLink && AComponent == FActionLink->GetAction()) FActionLink.reset();
}

void TControl::DoContextPopup(TPoint MousePos, bool& Handled) {
  if (OnContextPopup) OnContextPopup(this, MousePos, Handled);
}

bool TControl::GetMouseCapture() { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool Value) {
  if (GetMouseCapture() == Value) return;
  ::SetCaptureControl(Value ? this : nullptr);
}

void TControl::SendCancelMode(TControl* Sender) {
  for (TControl* c = this; c; c = c->GetParent())
    if (auto* form = dynamic_cast<TCustomForm*>(c)) form->SendCancelMode(Sender);
}

void TControl::SetAutoSize(bool Value) {
  if (FAutoSize == Value) return;
  FAutoSize = Value;
  if (Value) AdjustSize();
}

void TControl::SetParentBiDiMode(bool Value) {
  FParentBiDiMode = Value;
  if (Value) Perform(CM_PARENTBIDIMODECHANGED);
}

TCustomForm* TControl::ParentForm() const { return GetParentForm(const_cast<TControl*>(this)); }
