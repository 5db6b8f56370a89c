#include "platform/ui/Menus.h"

#include <algorithm>

#include "platform/core/ScopeGuard.h"
#include "platform/core/Strings.h"
#include "platform/ui/ControlPaint.h"
#include "platform/ui/Forms.h"

// ---- TMenuItem ----------------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() = default;

void TMenuItem::Add(TMenuItem* Item) { Insert(GetCount(), Item); }

void TMenuItem::Insert(Integer Index, TMenuItem* Item) {
  if (!Item) return;
  if (Item->FParentItem) throw EInvalidOperation(u"Menu inserted twice");
  if (Index < 0 || Index > GetCount()) throw EListError(u"List index out of bounds (" + IntToStr(Index) + u")");
  // The item is owned here from now on, whatever component owned it before.
  if (Item->GetOwner()) Item->GetOwner()->RemoveComponent(Item);
  Item->FParentItem = this;
  FItems.insert(FItems.begin() + Index, std::unique_ptr<TMenuItem>(Item));
}

void TMenuItem::Delete(Integer Index) {
  if (Index < 0 || Index >= GetCount()) throw EListError(u"List index out of bounds (" + IntToStr(Index) + u")");
  FItems.erase(FItems.begin() + Index);
}

void TMenuItem::Remove(TMenuItem* Item) {
  const Integer Index = IndexOf(Item);
  if (Index < 0) return;
  FItems[size_t(Index)].release();
  FItems.erase(FItems.begin() + Index);
  Item->FParentItem = nullptr;
}

void TMenuItem::Clear() { FItems.clear(); }

Integer TMenuItem::IndexOf(const TMenuItem* Item) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == Item) return Integer(i);
  return -1;
}

void TMenuItem::Click() {
  if (FEnabled && OnClick) OnClick(this);
}

String ShortCutToText(TShortCut SC) {
  Word key;
  TShiftState shift;
  ShortCutToKey(SC, key, shift);
  if (!key) return String();
  String name;
  if (key >= 'A' && key <= 'Z') name = String(1, Char(key));
  else if (key >= '0' && key <= '9') name = String(1, Char(key));
  else if (key >= VK_F1 && key <= VK_F12) name = u"F" + IntToStr(key - VK_F1 + 1);
  else {
    switch (key) {
      case VK_DELETE: name = u"Del"; break;
      case VK_INSERT: name = u"Ins"; break;
      case VK_RETURN: name = u"Enter"; break;
      case VK_ESCAPE: name = u"Esc"; break;
      case VK_BACK: name = u"BkSp"; break;
      case VK_TAB: name = u"Tab"; break;
      case VK_SPACE: name = u"Space"; break;
      case VK_HOME: name = u"Home"; break;
      case VK_END: name = u"End"; break;
      case VK_PRIOR: name = u"PgUp"; break;
      case VK_NEXT: name = u"PgDn"; break;
      case VK_UP: name = u"Up"; break;
      case VK_DOWN: name = u"Down"; break;
      case VK_LEFT: name = u"Left"; break;
      case VK_RIGHT: name = u"Right"; break;
      default: name = u"#" + IntToStr(key); break;
    }
  }
  String out;
  if (shift.Contains(ssShift)) out += u"Shift+";
  if (shift.Contains(ssCtrl)) out += u"Ctrl+";
  if (shift.Contains(ssAlt)) out += u"Alt+";
  return out + name;
}

// ---- The menu window ------------------------------------------------------------------------------------

class TMenuWindow final : public TCustomControl {
public:
  explicit TMenuWindow(TPopupMenu* Menu) : TCustomControl(nullptr) {
    FVisible = false;
    FParentColor = false;
    FColor = clMenu;
    FBrush->SetColor(clMenu);
    InitializeForms();
    GetFont()->Assign(Screen->GetMenuFont());
    for (Integer i = 0; i < Menu->GetItems()->GetCount(); ++i)
      if (Menu->GetItems()->GetItem(i)->GetVisible()) FShown.push_back(Menu->GetItems()->GetItem(i));
  }

  bool Done = false;
  TMenuItem* Chosen = nullptr;
  Integer Hot = -1;

  TSize Measure() {
    TMeasureDC dc(GetFont());
    TTextMetric tm;
    GetTextMetrics(dc, tm);
    FRowHeight = tm.tmHeight + 6;
    Integer w = 60, h = 0, sw = 0;
    for (TMenuItem* it : FShown) {
      TRect r(0, 0, 0, 0);
      DrawText(dc, it->GetCaption(), -1, r, DT_CALCRECT | DT_SINGLELINE);
      w = std::max(w, r.Width());
      const String sc = ShortCutToText(it->GetShortCut());
      if (!sc.empty()) {
        TRect s(0, 0, 0, 0);
        DrawText(dc, sc, -1, s, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        sw = std::max(sw, s.Width());
      }
      h += it->IsLine() ? 8 : FRowHeight;
    }
    return TSize{w + (sw ? sw + 16 : 0) + 44, h + 4};
  }

  Integer ItemAt(TPoint p) const {
    Integer y = 2;
    for (size_t i = 0; i < FShown.size(); ++i) {
      const Integer h = FShown[i]->IsLine() ? 8 : FRowHeight;
      if (p.Y >= y && p.Y < y + h && p.X >= 0 && p.X < FWidth) return Integer(i);
      y += h;
    }
    return -1;
  }

  bool Choosable(Integer i) const {
    return i >= 0 && size_t(i) < FShown.size() && !FShown[size_t(i)]->IsLine() && FShown[size_t(i)]->GetEnabled() &&
           FShown[size_t(i)]->GetCount() == 0;
  }

  void MoveHot(Integer Step) {
    const Integer n = Integer(FShown.size());
    for (Integer k = 1; k <= n; ++k) {
      const Integer i = ((Hot < 0 ? (Step > 0 ? -1 : 0) : Hot) + Step * k + n * 2) % n;
      if (!FShown[size_t(i)]->IsLine() && FShown[size_t(i)]->GetEnabled()) {
        Hot = i;
        Invalidate();
        return;
      }
    }
  }

  void Choose(Integer i) {
    if (!Choosable(i)) return;
    Chosen = FShown[size_t(i)];
    Done = true;
  }

  void Key(Word K, Char C) {
    switch (K) {
      case VK_UP: MoveHot(-1); return;
      case VK_DOWN: MoveHot(1); return;
      case VK_RETURN: Choose(Hot); return;
      case VK_ESCAPE:
      case VK_MENU: Done = true; return;
      default: break;
    }
    if (!C) return;
    // A mnemonic chooses its item.
    for (size_t i = 0; i < FShown.size(); ++i) {
      const String cap = FShown[i]->GetCaption();
      const size_t amp = cap.find(u'&');
      if (amp != String::npos && amp + 1 < cap.size() &&
          AnsiUpperCase(String(1, cap[amp + 1])) == AnsiUpperCase(String(1, C))) {
        Choose(Integer(i));
        return;
      }
    }
  }

  void Dispatch(TMessage& Message) override {
    switch (Message.Msg) {
      case WM_MOUSEACTIVATE: Message.Result = MA_NOACTIVATE; return;
      case WM_MOUSEMOVE: {
        const Integer i = ItemAt(TPoint(GetXLParam(Message.LParam), GetYLParam(Message.LParam)));
        if (i != Hot) {
          Hot = i;
          Invalidate();
        }
        return;
      }
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN: {
        const TPoint p(GetXLParam(Message.LParam), GetYLParam(Message.LParam));
        if (!GetClientRect().Contains(p)) Done = true;
        return;
      }
      case WM_LBUTTONUP:
      case WM_RBUTTONUP: Choose(ItemAt(TPoint(GetXLParam(Message.LParam), GetYLParam(Message.LParam)))); return;
      case WM_CANCELMODE: Done = true; return;
      case WM_CAPTURECHANGED:
        if (HwndFromParam(std::uintptr_t(Message.LParam)) != FHandle) Done = true;
        return;
      default: TCustomControl::Dispatch(Message);
    }
  }

protected:
  void CreateParams(TCreateParams& Params) override {
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_BORDER;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    Params.WindowClass.style |= CS_SAVEBITS;
    Params.WndParent = FParentWindow;
  }

  void Paint() override {
    TCanvas* c = GetCanvas();
    const TRect client = GetClientRect();
    c->GetBrush()->SetColor(clMenu);
    c->FillRect(client);
    TRect edge = client;
    DrawEdge(c->GetHandle(), edge, EDGE_RAISED, BF_RECT);
    c->SetFont(GetFont());
    HDC dc = c->GetHandle();
    SetBkMode(dc, TRANSPARENT);
    Integer y = 2;
    for (size_t i = 0; i < FShown.size(); ++i) {
      TMenuItem* it = FShown[i];
      if (it->IsLine()) {
        TRect l(4, y + 3, client.Right - 4, y + 5);
        DrawEdge(dc, l, EDGE_ETCHED, BF_TOP);
        y += 8;
        continue;
      }
      TRect r(2, y, client.Right - 2, y + FRowHeight);
      const bool hot = Integer(i) == Hot && it->GetEnabled();
      if (hot) {
        c->GetBrush()->SetColor(clHighlight);
        c->FillRect(r);
      }
      SetTextColor(dc, ColorToRGB(!it->GetEnabled() ? clGrayText : hot ? clHighlightText : clMenuText));
      if (it->GetChecked()) {
        TRect mark(r.Left + 4, r.Top + (r.Height() - 8) / 2, r.Left + 12, r.Top + (r.Height() + 8) / 2);
        c->GetBrush()->SetColor(ColorToRGB(!it->GetEnabled() ? clGrayText : hot ? clHighlightText : clMenuText));
        c->FillRect(mark);
      }
      TRect t(r.Left + 20, r.Top, r.Right - 8, r.Bottom);
      DrawText(dc, it->GetCaption(), -1, t, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
      const String sc = ShortCutToText(it->GetShortCut());
      if (!sc.empty()) DrawText(dc, sc, -1, t, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      y += FRowHeight;
    }
  }

private:
  std::vector<TMenuItem*> FShown;
  Integer FRowHeight = 18;
};

// ---- TPopupMenu -----------------------------------------------------------------------------------------

namespace {

void InstallPopupHandler() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  SetPopupMenuHandler([](TComponent* Menu, TControl* Control, TPoint ScreenPos) {
    auto* pm = dynamic_cast<TPopupMenu*>(Menu);
    if (!pm || !pm->GetAutoPopup()) return false;
    pm->SetPopupComponent(Control);
    pm->Popup(ScreenPos.X, ScreenPos.Y);
    return true;
  });
}

}  // namespace

TPopupMenu::TPopupMenu(TComponent* AOwner) : TComponent(AOwner), FItems(std::make_unique<TMenuItem>(nullptr)) {
  InstallPopupHandler();
}

TPopupMenu::~TPopupMenu() = default;

HWND TPopupMenu::GetMenuWindow() const {
  return FWindow && FWindow->HandleAllocated() ? FWindow->GetHandle() : nullptr;
}

bool TPopupMenu::IsShortCut(Word Key, TShiftState Shift) {
  const TShortCut sc = ShortCut(Key, Shift);
  if (sc == scNone) return false;
  for (Integer i = 0; i < FItems->GetCount(); ++i) {
    TMenuItem* it = FItems->GetItem(i);
    if (it->GetShortCut() == sc && it->GetEnabled() && it->GetVisible()) {
      it->Click();
      return true;
    }
  }
  return false;
}

void TPopupMenu::Popup(Integer X, Integer Y) {
  if (FWindow) return;  // already showing
  FLastChosen = nullptr;
  if (OnPopup) OnPopup(this);
  // A modal loop starts: whoever holds the mouse lets it go.
  if (HWND cap = GetCapture()) SendMessage(cap, WM_CANCELMODE);
  auto window = std::make_unique<TMenuWindow>(this);
  FWindow = window.get();
  if (TWinControl* focus = FindControl(GetFocus())) window->SetParentWindow(GetAncestorTop(focus->GetHandle()));
  const TSize size = window->Measure();
  const Integer left = FAlignment == paRight ? X - size.cx : FAlignment == paCenter ? X - size.cx / 2 : X;
  TRect r = Bounds(left, Y, size.cx, size.cy);
  TMonitorInfo mi;
  if (GetMonitorInfo(MonitorFromPoint(TPoint(X, Y), MONITOR_DEFAULTTONEAREST), mi)) {
    if (r.Right > mi.rcWork.Right) OffsetRect(r, mi.rcWork.Right - r.Right, 0);
    if (r.Left < mi.rcWork.Left) OffsetRect(r, mi.rcWork.Left - r.Left, 0);
    if (r.Bottom > mi.rcWork.Bottom) OffsetRect(r, 0, -r.Height());
  }
  window->HandleNeeded();
  window->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  SetWindowPos(window->GetHandle(), HWND_TOPMOST, r.Left, r.Top, r.Width(), r.Height(),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  SetCapture(window->GetHandle());
  // Keys belong to the menu while it is open, whoever dispatches them: the window
  // with the focus hands them over.
  HWND keys = GetFocus() ? GetFocus() : GetActiveWindow();
  TWindowProcedure previous;
  TMenuWindow* menu = window.get();
  if (keys)
    previous = SetWindowProcedure(keys, [&previous, menu](HWND Wnd, TMessage& M) {
      switch (M.Msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: menu->Key(Word(M.WParam), 0); return;
        case WM_CHAR:
        case WM_SYSCHAR: menu->Key(0, Char(M.WParam)); return;
        case WM_KEYUP:
        case WM_SYSKEYUP: return;
        default: break;
      }
      if (previous) previous(Wnd, M);
      else DefaultWindowProc(Wnd, M);
    });
  {
    TScopeExit Restore([&] {
      if (keys && IsWindow(keys)) SetWindowProcedure(keys, previous);
      if (GetCapture() == menu->GetHandle()) ReleaseCapture();
      FWindow = nullptr;
    });
    while (!window->Done) {
      TMsg m;
      if (!PeekMessage(m, nullptr, 0, 0, PM_REMOVE)) {
        WaitMessage();
        continue;
      }
      if (m.message == WM_QUIT) {
        PostQuitMessage(Integer(m.wParam));
        break;
      }
      TranslateMessage(m);
      DispatchMessage(m);
    }
  }
  TMenuItem* chosen = window->Chosen;
  window.reset();
  FLastChosen = chosen;
  if (chosen) chosen->Click();
}
