#include "platform/ui/ValEdit.h"

#include <algorithm>

#include "platform/core/Strings.h"
#include "platform/ui/ControlPaint.h"
#include "platform/ui/ScrollBars.h"

namespace {

// The editor over a value cell: Enter stores, Esc drops, Up/Down move the row.
class TValueEdit final : public TEdit {
public:
  explicit TValueEdit(std::function<void(Word)> OnKey) : TEdit(nullptr), FOnKey(std::move(OnKey)) {
    FBorderStyle = bsNone;
    FTabStop = false;
    FAutoSelect = false;
  }
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_KEYDOWN) {
      const Word k = Word(Message.WParam);
      if (k == VK_RETURN || k == VK_ESCAPE || k == VK_UP || k == VK_DOWN || k == VK_PRIOR || k == VK_NEXT ||
          k == VK_TAB) {
        FOnKey(k);
        return;
      }
    }
    if (Message.Msg == WM_GETDLGCODE) {
      Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
      return;
    }
    if (Message.Msg == WM_CHAR && (Message.WParam == VK_RETURN || Message.WParam == 27)) return;
    if (Message.Msg == WM_KILLFOCUS && GetVisible()) {
      const HWND next = reinterpret_cast<HWND>(Message.WParam);
      TEdit::Dispatch(Message);
      FOnKey(Leave);
      // Hiding the focused editor drops the focus: it goes on to the window it
      // was going to (the grid itself, when a click there moves the editing).
      if (next && IsWindow(next) && !::GetFocus()) ::SetFocus(next);
      return;
    }
    TEdit::Dispatch(Message);
  }

  // Leaving the editor for another control stores the value.
  static constexpr Word Leave = 0xFFFF;

private:
  std::function<void(Word)> FOnKey;
};

}  // namespace

TValueListEditor::TValueListEditor(TComponent* AOwner)
    : TCustomControl(AOwner),
      FStrings(std::make_unique<TStringList>()),
      FTitleCaptions(std::make_unique<TStringList>()) {
  FControlStyle = TControlStyle{csCaptureMouse, csDoubleClicks, csClickEvents, csOpaque};
  FTabStop = true;
  FParentColor = false;
  FColor = clWindow;
  FBrush->SetColor(clWindow);
  FOptions = TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine,         goHorzLine,
                          goColSizing,     goEditing,       goAlwaysShowEditor, goThumbTracking};
  FTitleCaptions->Add(u"Key");
  FTitleCaptions->Add(u"Value");
  FStrings->OnChange = [this](TObject*) {
    if (FRow >= GetRowCount()) FRow = std::max(1, GetRowCount() - 1);
    UpdateScrollBar();
    Invalidate();
    if (OnStringsChange) OnStringsChange(this);
  };
  FTitleCaptions->OnChange = [this](TObject*) { Invalidate(); };
  SetBounds(0, 0, 306, 300);
}

TValueListEditor::~TValueListEditor() {
  FStrings->OnChange = nullptr;
  FTitleCaptions->OnChange = nullptr;
  if (FEditor) FEditor->SetParent(nullptr);
}

void TValueListEditor::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= WS_VSCROLL;
  if (FCtl3D) Params.ExStyle |= WS_EX_CLIENTEDGE;
  else Params.Style |= WS_BORDER;
}

void TValueListEditor::SetStrings(const TStrings* Value) { FStrings->Assign(const_cast<TStrings*>(Value)); }

void TValueListEditor::SetOptions(TGridOptions Value) {
  FOptions = Value;
  Invalidate();
}

void TValueListEditor::SetFixedColor(TColor Value) {
  FFixedColor = Value;
  Invalidate();
}

void TValueListEditor::SetColWidths(Integer Col, Integer Value) {
  FColWidths[Col == 0 ? 0 : 1] = std::max(0, Value);
  if (FEditing) ShowEditor(nullptr);
  Invalidate();
}

Integer TValueListEditor::GetDefaultRowHeight() const { return FontTextHeight(GetFont()) + 5; }

Integer TValueListEditor::GetRowCount() const { return std::max(2, FStrings->GetCount() + 1); }

String TValueListEditor::GetCells(Integer ACol, Integer ARow) const {
  if (ARow == 0) return ACol < FTitleCaptions->GetCount() ? FTitleCaptions->Get(ACol) : String();
  const Integer i = ARow - 1;
  if (i < 0 || i >= FStrings->GetCount()) return String();
  return ACol == 0 ? FStrings->GetName(i) : FStrings->GetValueFromIndex(i);
}

void TValueListEditor::SetCells(Integer ACol, Integer ARow, const String& Value) {
  const Integer i = ARow - 1;
  if (ARow == 0) {
    while (FTitleCaptions->GetCount() <= ACol) FTitleCaptions->Add(String());
    FTitleCaptions->Put(ACol, Value);
    return;
  }
  if (i < 0 || i >= FStrings->GetCount()) return;
  const String key = FStrings->GetName(i), value = FStrings->GetValueFromIndex(i);
  FStrings->Put(i, (ACol == 0 ? Value : key) + u"=" + (ACol == 0 ? value : Value));
}

bool TValueListEditor::FindRow(const String& KeyName, Integer& Row) const {
  for (Integer i = 0; i < FStrings->GetCount(); ++i)
    if (AnsiSameText(FStrings->GetName(i), KeyName)) {
      Row = i + 1;
      return true;
    }
  return false;
}

Integer TValueListEditor::GetItemMaxLength(const String& KeyName) const {
  for (const auto& [key, length] : FItemMaxLengths)
    if (AnsiSameText(key, KeyName)) return length;
  return 0;
}

void TValueListEditor::SetItemMaxLength(const String& KeyName, Integer MaxLength) {
  for (auto& [key, length] : FItemMaxLengths)
    if (AnsiSameText(key, KeyName)) {
      length = std::max(0, MaxLength);
      return;
    }
  FItemMaxLengths.emplace_back(KeyName, std::max(0, MaxLength));
}

String TValueListEditor::GetValues(const String& Key) const {
  Integer row = 0;
  return FindRow(Key, row) ? GetCells(1, row) : String();
}

void TValueListEditor::SetValues(const String& Key, const String& Value) {
  Integer row = 0;
  if (FindRow(Key, row)) SetCells(1, row, Value);
  else InsertRow(Key, Value, true);
}

Integer TValueListEditor::InsertRow(const String& KeyName, const String& Value, bool Append) {
  const String line = KeyName + u"=" + Value;
  if (Append || FStrings->GetCount() == 0) {
    FStrings->Add(line);
    return FStrings->GetCount();
  }
  const Integer at = std::clamp(FRow - 1, 0, FStrings->GetCount());
  FStrings->Insert(at, line);
  return at + 1;
}

void TValueListEditor::DeleteRow(Integer ARow) {
  if (ARow >= 1 && ARow <= FStrings->GetCount()) FStrings->Delete(ARow - 1);
}

TRect TValueListEditor::CellRect(Integer ACol, Integer ARow) const {
  const Integer h = GetDefaultRowHeight();
  Integer top;
  if (ARow == 0) top = 0;
  else if (ARow < FTopRow) return TRect();
  else top = (ARow - FTopRow + 1) * h;
  const Integer left = ACol == 0 ? 0 : FColWidths[0] + 1;
  return TRect(left, top, left + FColWidths[ACol == 0 ? 0 : 1], top + h - 1);
}

void TValueListEditor::MouseToCell(Integer X, Integer Y, Integer& ACol, Integer& ARow) const {
  const Integer h = GetDefaultRowHeight();
  ACol = X <= FColWidths[0] ? 0 : (X <= FColWidths[0] + 1 + FColWidths[1] ? 1 : -1);
  ARow = Y < h ? 0 : FTopRow + (Y - h) / h;
  if (ARow >= GetRowCount()) ARow = -1;
}

Integer TValueListEditor::VisibleDataRows() const {
  const TRect c = GetClientRect();
  return std::max(1, c.Height() / GetDefaultRowHeight() - 1);
}

void TValueListEditor::MakeRowVisible(Integer ARow) {
  if (ARow < FTopRow) FTopRow = ARow;
  else if (ARow >= FTopRow + VisibleDataRows()) FTopRow = ARow - VisibleDataRows() + 1;
  FTopRow = std::max(1, FTopRow);
  UpdateScrollBar();
}

void TValueListEditor::UpdateScrollBar() {
  if (!HandleAllocated()) return;
  SetScrollBarView(FHandle, SB_VERT, 1, GetRowCount() - 1, UINT(VisibleDataRows()), FTopRow);
}

bool TValueListEditor::SelectCell(Integer ACol, Integer ARow) {
  bool can = true;
  if (OnSelectCell) OnSelectCell(this, ACol, ARow, can);
  return can;
}

bool TValueListEditor::MoveTo(Integer ACol, Integer ARow) {
  ARow = std::clamp(ARow, 1, GetRowCount() - 1);
  ACol = std::clamp(ACol, 1, 1);
  if (ARow == FRow && ACol == FCol) return true;
  if (!SelectCell(ACol, ARow)) return false;
  HideEditor(true);
  FRow = ARow;
  FCol = ACol;
  MakeRowVisible(ARow);
  Invalidate();
  return true;
}

void TValueListEditor::SetRow(Integer Value) { MoveTo(FCol, Value); }
void TValueListEditor::SetCol(Integer Value) { MoveTo(Value, FRow); }

void TValueListEditor::SetEditorMode(bool Value) {
  if (Value) ShowEditor(nullptr);
  else HideEditor(true);
}

void TValueListEditor::ShowEditor(const String* Initial) {
  if (!FOptions.Contains(goEditing) || FRow < 1 || FRow > FStrings->GetCount()) return;
  if (!FEditor) {
    FEditor = std::make_unique<TValueEdit>([this](Word k) {
      switch (k) {
        case TValueEdit::Leave: HideEditor(true); break;
        case VK_RETURN:
          HideEditor(true);
          SetFocus();
          break;
        case VK_ESCAPE:
          HideEditor(false);
          SetFocus();
          break;
        case VK_UP:
          MoveTo(FCol, FRow - 1);
          SetFocus();
          break;
        case VK_DOWN:
          MoveTo(FCol, FRow + 1);
          SetFocus();
          break;
        case VK_PRIOR:
          MoveTo(FCol, FRow - VisibleDataRows());
          SetFocus();
          break;
        case VK_NEXT:
          MoveTo(FCol, FRow + VisibleDataRows());
          SetFocus();
          break;
        default:
          HideEditor(true);
          SetFocus();
          break;
      }
    });
    FEditor->SetParent(this);
  }
  FEditor->SetFont(GetFont());
  FEditor->SetMaxLength(GetItemMaxLength(GetKeys(FRow)));
  TRect r = CellRect(1, FRow);
  FEditor->SetBounds(r.Left + 1, r.Top + 1, r.Width() - 1, r.Height() - 1);
  FEditor->SetText(Initial ? *Initial : GetCells(1, FRow));
  FEditor->SetVisible(true);
  FEditing = true;
  FEditor->SetFocus();
  if (Initial) {
    // The character that opened the editor is an edit already.
    FEditor->SetModified(true);
    FEditor->SetSelStart(FEditor->GetTextLen());
  } else {
    FEditor->SelectAll();
  }
}

void TValueListEditor::HideEditor(bool Store) {
  if (!FEditor || !FEditing) return;
  FEditing = false;
  if (Store && FEditor->GetModified()) SetCells(1, FRow, FEditor->GetText());
  FEditor->SetVisible(false);
  Invalidate();
}

void TValueListEditor::Paint() {
  TCanvas* c = GetCanvas();
  const TRect client = GetClientRect();
  c->GetBrush()->SetColor(FColor);
  c->FillRect(client);
  c->SetFont(GetFont());
  HDC dc = c->GetHandle();
  SetBkMode(dc, TRANSPARENT);
  const Integer h = GetDefaultRowHeight();
  const bool focused = Focused() || (FEditor && FEditor->Focused());
  auto cell = [&](Integer col, Integer row) {
    TRect r = CellRect(col, row);
    if (r.IsEmpty()) return;
    const bool fixed = row == 0 || col == 0;
    const bool selected = !fixed && row == FRow && FOptions.Contains(goDrawFocusSelected) && focused;
    c->GetBrush()->SetColor(fixed ? FFixedColor : selected ? clHighlight : FColor);
    c->FillRect(r);
    if (fixed) {
      TRect e = r;
      DrawEdge(dc, e, BDR_RAISEDINNER, BF_RECT);
    }
    SetTextColor(dc, ColorToRGB(selected ? clHighlightText : GetFont()->GetColor()));
    TRect t = r;
    t.Left += 2;
    DrawText(dc, GetCells(col, row), -1, t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (!fixed && row == FRow && focused && !FEditing) DrawFocusRect(dc, r);
  };
  // Grid lines in the button shadow colour under the cells' right and bottom edges.
  c->GetBrush()->SetColor(clBtnShadow);
  const Integer right = FColWidths[0] + 1 + FColWidths[1];
  const Integer rows = GetRowCount();
  for (Integer row = 0; row < rows; ++row) {
    if (row > 0 && row < FTopRow) continue;
    const TRect r = CellRect(0, row);
    if (r.Top >= client.Bottom) break;
    c->FillRect(TRect(0, r.Bottom, right, r.Bottom + 1));
    cell(0, row);
    cell(1, row);
  }
  c->FillRect(TRect(FColWidths[0], 0, FColWidths[0] + 1, std::min(client.Bottom, (rows - FTopRow + 1) * h)));
}

void TValueListEditor::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (CanFocus() && !Focused()) SetFocus();
      const Integer x = GetXLParam(Message.LParam), y = GetYLParam(Message.LParam);
      if (FOptions.Contains(goColSizing) && std::abs(x - FColWidths[0]) <= 2) {
        FSizingCol = true;
        break;
      }
      Integer col, row;
      MouseToCell(x, y, col, row);
      if (row >= 1) MoveTo(1, row);
      break;
    }
    case WM_MOUSEMOVE:
      if (FSizingCol && (Message.WParam & MK_LBUTTON))
        SetColWidths(0, std::max(8, Integer(GetXLParam(Message.LParam))));
      break;
    case WM_LBUTTONUP: FSizingCol = false; break;
    case WM_SETCURSOR: {
      const TPoint p = ScreenToClient(GetCursorPos());
      if (FOptions.Contains(goColSizing) && std::abs(p.X - FColWidths[0]) <= 2) {
        ::SetCursor(CursorToHandle(crHSplit));
        Message.Result = 1;
        return;
      }
      break;
    }
    case WM_SIZE:
      TCustomControl::Dispatch(Message);
      UpdateScrollBar();
      return;
    default: break;
  }
  TCustomControl::Dispatch(Message);
}

void TValueListEditor::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case WM_KEYDOWN:
      switch (Word(Message.WParam)) {
        case VK_UP: MoveTo(FCol, FRow - 1); return;
        case VK_DOWN: MoveTo(FCol, FRow + 1); return;
        case VK_PRIOR: MoveTo(FCol, FRow - VisibleDataRows()); return;
        case VK_NEXT: MoveTo(FCol, FRow + VisibleDataRows()); return;
        case VK_HOME: MoveTo(FCol, 1); return;
        case VK_END: MoveTo(FCol, GetRowCount() - 1); return;
        case VK_F2: ShowEditor(nullptr); return;
        default: break;
      }
      break;
    case WM_CHAR: {
      const Char ch = Char(Message.WParam);
      if (ch == VK_RETURN) {
        ShowEditor(nullptr);
        return;
      }
      if (ch >= 0x20) {
        const String first(1, ch);
        ShowEditor(&first);
        return;
      }
      break;
    }
    case WM_VSCROLL: {
      // The grid has no jump to either end: SB_TOP and SB_BOTTOM keep the top row.
      const Integer top =
          ScrollRequestPos(FHandle, SB_VERT, Message.WParam, FTopRow, 1, VisibleDataRows(), FTopRow, FTopRow);
      FTopRow = std::clamp(top, 1, std::max(1, GetRowCount() - VisibleDataRows()));
      HideEditor(true);
      UpdateScrollBar();
      Invalidate();
      return;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Invalidate(); break;
    default: break;
  }
  TCustomControl::DefaultHandler(Message);
}
