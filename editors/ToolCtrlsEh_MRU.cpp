// The special row of a drop-down, the most-recently-used texts of an edit and
// their drop-down list.

#include <algorithm>

#include "editors/DaVirVCL.h"
#include "editors/ToolCtrlsEh.h"
#include "platform/core/Filer.h"
#include "platform/core/Strings.h"
#include "platform/ui/MessageQueue.h"

namespace {

bool IsControlChar(Char C) { return C >= 1 && C <= 31; }

// Cell texts: leading characters 1..32 skipped; entries separated by ';'; an entry
// in double quotes is a quoted string (doubled quotes inside), any other runs to
// the next ';' or control character with its blanks kept.
void ParseCellsText(const String& Text, TStrings* Cells) {
  Cells->Clear();
  size_t i = 0;
  const size_t n = Text.size();
  while (i < n && Text[i] >= 1 && Text[i] <= 32) ++i;
  while (i < n) {
    String cell;
    if (Text[i] == u'"') {
      ++i;
      while (i < n) {
        if (Text[i] == u'"') {
          if (i + 1 < n && Text[i + 1] == u'"') {
            cell += u'"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        cell += Text[i++];
      }
    } else {
      while (i < n && Text[i] != u';' && Text[i] >= 32) cell += Text[i++];
    }
    Cells->Add(cell);
    while (i < n && IsControlChar(Text[i])) ++i;
    if (i < n && Text[i] == u';') {
      ++i;
      while (i < n && IsControlChar(Text[i])) ++i;
    }
  }
}

void WriteFont(std::vector<TPropInfo>& Props, const std::function<TFont*()>& Font,
               const std::function<bool()>& Stored) {
  Props.push_back({u"Font.Charset", [Font](TWriter* W) { W->WriteInteger(Font()->GetCharset()); },
                   [Font](TReader* R) { Font()->SetCharset(Byte(R->ReadInteger())); }, Stored});
  Props.push_back({u"Font.Color", [Font](TWriter* W) { W->WriteInteger(Font()->GetColor()); },
                   [Font](TReader* R) { Font()->SetColor(TColor(R->ReadInteger())); }, Stored});
  Props.push_back({u"Font.Height", [Font](TWriter* W) { W->WriteInteger(Font()->GetHeight()); },
                   [Font](TReader* R) { Font()->SetHeight(R->ReadInteger()); }, Stored});
  Props.push_back({u"Font.Name", [Font](TWriter* W) { W->WriteString(Font()->GetName()); },
                   [Font](TReader* R) { Font()->SetName(R->ReadString()); }, Stored});
  Props.push_back({u"Font.Style", [Font](TWriter* W) { W->WriteInteger(Int64(Font()->GetStyle().Bits())); },
                   [Font](TReader* R) {
                     const Int64 bits = R->ReadInt64();
                     TFontStyles style;
                     for (TFontStyle s : {fsBold, fsItalic, fsUnderline, fsStrikeOut})
                       if (bits & (Int64{1} << unsigned(s))) style.Include(s);
                     Font()->SetStyle(style);
                   },
                   Stored});
}

}  // namespace

// ---- TSpecRowEh --------------------------------------------------------------------------------------------

TSpecRowEh::TSpecRowEh(TControl* Owner)
    : FOwner(Owner), FCellsStrings(std::make_unique<TStringList>()), FFont(std::make_unique<TFont>()) {
  if (FOwner) FColor = FOwner->GetColor();
  FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
}

TSpecRowEh::~TSpecRowEh() { FFont->OnChange = nullptr; }

void TSpecRowEh::Changed() {
  if (FUpdateCount > 0) {
    FChangedPending = true;
    return;
  }
  FChangedPending = false;
  if (OnChanged) OnChanged(this);
}

void TSpecRowEh::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  if (FUpdateCount == 0 && FChangedPending) Changed();
}

void TSpecRowEh::SetCellsText(const String& Value) {
  if (FCellsText == Value) return;
  FCellsText = Value;
  ParseCellsText(Value, FCellsStrings.get());
  Changed();
}

String TSpecRowEh::CellText(Integer Index) const {
  if (Index < 0 || Index >= FCellsStrings->GetCount()) return String();
  return FCellsStrings->Get(Index);
}

TColor TSpecRowEh::GetColor() const {
  if (!FColorAssigned && FOwner) return FOwner->GetColor();
  return FColor;
}

void TSpecRowEh::SetColor(TColor Value) {
  if (FColorAssigned && FColor == Value) return;
  FColor = Value;
  FColorAssigned = true;
  Changed();
}

TFont* TSpecRowEh::GetFont() {
  if (!FFontAssigned && FOwner) {
    FFontFollowing = true;
    FFont->Assign(FOwner->GetFont());
    FFontFollowing = false;
  }
  return FFont.get();
}

void TSpecRowEh::SetFont(const TFont* Value) { FFont->Assign(Value); }

void TSpecRowEh::FontChanged(TObject*) {
  if (FFontFollowing) return;
  FFontAssigned = true;
  Changed();
}

void TSpecRowEh::SetShortCut(TShortCut Value) {
  if (FShortCut == Value) return;
  FShortCut = Value;
  Changed();
}

void TSpecRowEh::SetShowIfNotInKeyList(bool Value) {
  if (FShowIfNotInKeyList == Value) return;
  FShowIfNotInKeyList = Value;
  Changed();
}

void TSpecRowEh::SetValue(const Variant& Value) {
  FValue = Value;
  Changed();
}

void TSpecRowEh::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  Changed();
}

void TSpecRowEh::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TSpecRowEh*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  SetCellsText(src->GetCellsText());
  SetColor(src->GetColor());
  if (src->GetFontAssigned()) SetFont(src->GetFont());
  SetShortCut(src->GetShortCut());
  SetShowIfNotInKeyList(src->GetShowIfNotInKeyList());
  SetValue(src->GetValue());
  SetVisible(src->GetVisible());
  EndUpdate();
}

void TSpecRowEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TPersistent::GetPropInfos(Props);
  Props.push_back({u"CellsText", [this](TWriter* W) { W->WriteString(FCellsText); },
                   [this](TReader* R) { SetCellsText(R->ReadString()); }, [this] { return !FCellsText.empty(); }});
  Props.push_back({u"Color", [this](TWriter* W) { W->WriteInteger(FColor); },
                   [this](TReader* R) { SetColor(TColor(R->ReadInteger())); }, [this] { return FColorAssigned; }});
  WriteFont(
      Props, [this] { return GetFont(); }, [this] { return FFontAssigned; });
  Props.push_back({u"ShortCut", [this](TWriter* W) { W->WriteInteger(FShortCut); },
                   [this](TReader* R) { SetShortCut(TShortCut(R->ReadInteger())); },
                   [this] { return FShortCut != 32814; }});
  Props.push_back({u"ShowIfNotInKeyList", [this](TWriter* W) { W->WriteBoolean(FShowIfNotInKeyList); },
                   [this](TReader* R) { SetShowIfNotInKeyList(R->ReadBoolean()); },
                   [this] { return !FShowIfNotInKeyList; }});
  Props.push_back({u"Value", [this](TWriter* W) { W->WriteVariant(FValue); },
                   [this](TReader* R) { SetValue(R->ReadVariant()); }, [this] { return !FValue.IsNull(); }});
  Props.push_back({u"Visible", [this](TWriter* W) { W->WriteBoolean(FVisible); },
                   [this](TReader* R) { SetVisible(R->ReadBoolean()); }, [this] { return FVisible; }});
}

// ---- TMRUListEh --------------------------------------------------------------------------------------------

TMRUListEh::TMRUListEh(TPersistent* Owner) : FOwner(Owner), FItems(std::make_unique<TStringList>()) {}

TMRUListEh::~TMRUListEh() = default;

void TMRUListEh::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TMRUListEh*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  SetActive(src->GetActive());
  SetItems(src->GetItems());
  SetLimit(src->GetLimit());
  SetRows(src->GetRows());
  SetCaseSensitive(src->GetCaseSensitive());
}

void TMRUListEh::SetActive(bool Value) {
  if (FActive == Value) return;
  FActive = Value;
  if (OnActiveChanged) OnActiveChanged(this);
}

void TMRUListEh::SetItems(const TStrings* Value) { FItems->Assign(const_cast<TStrings*>(Value)); }

void TMRUListEh::SetLimit(Integer Value) {
  FLimit = std::max<Integer>(0, Value);
  Trim();
}

void TMRUListEh::Trim() {
  if (FItems->GetCount() <= FLimit) return;
  FItems->BeginUpdate();
  while (FItems->GetCount() > FLimit) FItems->Delete(0);
  FItems->EndUpdate();
}

void TMRUListEh::Add(const String& AText) {
  const String text = ::Trim(AText);
  if (text.empty()) return;
  Integer found = -1;
  for (Integer i = 0; i < FItems->GetCount() && found < 0; ++i) {
    const String& item = FItems->Get(i);
    if (FCaseSensitive ? item == text : CompareTextUserLocaleEh(item, text) == 0) found = i;
  }
  if (found >= 0) {
    FItems->Move(found, FItems->GetCount() - 1);
    return;
  }
  FItems->Add(text);
  Trim();
}

bool TMRUListEh::FilterItemsTo(TStrings* FilteredItems, const String& AText, const TMRUItemFilterEh& ItemFilter) {
  FilteredItems->BeginUpdate();
  FilteredItems->Clear();
  FilteredItems->EndUpdate();
  for (Integer i = 0; i < FItems->GetCount(); ++i) {
    if (i % 100 == 0 && FCancelFilterOnKey) {
      // A key the user pressed meanwhile makes the result out of date.
      TMsg msg;
      if (PeekMessage(msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE)) return false;
    }
    const String item = FItems->Get(i);
    bool accept = false;
    if (ItemFilter) {
      ItemFilter(item, accept);
    } else {
      accept = (FCaseSensitive ? CompareStrUserLocaleEh(StringView(item).substr(0, AText.size()), AText)
                               : CompareTextUserLocaleEh(StringView(item).substr(0, AText.size()), AText)) == 0;
      if (OnFilterItem) OnFilterItem(dynamic_cast<TObject*>(FOwner), accept);
    }
    if (accept) FilteredItems->Add(item);
  }
  return true;
}

void TMRUListEh::CloseUp(bool Accept) {
  if (OnSetCloseUpEvent) OnSetCloseUpEvent(this, Accept);
}

void TMRUListEh::DropDown() {
  if (OnSetDropDownEvent) OnSetDropDownEvent(this);
}

void TMRUListEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TPersistent::GetPropInfos(Props);
  Props.push_back({u"AutoAdd", [this](TWriter* W) { W->WriteBoolean(FAutoAdd); },
                   [this](TReader* R) { FAutoAdd = R->ReadBoolean(); }, [this] { return !FAutoAdd; }});
  Props.push_back({u"Active", [this](TWriter* W) { W->WriteBoolean(FActive); },
                   [this](TReader* R) { SetActive(R->ReadBoolean()); }, [this] { return FActive; }});
  Props.push_back({u"CaseSensitive", [this](TWriter* W) { W->WriteBoolean(FCaseSensitive); },
                   [this](TReader* R) { FCaseSensitive = R->ReadBoolean(); }, [this] { return FCaseSensitive; }});
  Props.push_back({u"Items.Strings",
                   [this](TWriter* W) {
                     W->WriteListBegin();
                     for (Integer i = 0; i < FItems->GetCount(); ++i) W->WriteString(FItems->Get(i));
                     W->WriteListEnd();
                   },
                   [this](TReader* R) {
                     FItems->BeginUpdate();
                     FItems->Clear();
                     R->ReadListBegin();
                     while (!R->EndOfList()) FItems->Add(R->ReadString());
                     R->ReadListEnd();
                     FItems->EndUpdate();
                   },
                   [this] { return FItems->GetCount() > 0; }});
  Props.push_back({u"Limit", [this](TWriter* W) { W->WriteInteger(FLimit); },
                   [this](TReader* R) { SetLimit(R->ReadInteger()); }, [this] { return FLimit != 100; }});
  Props.push_back({u"Rows", [this](TWriter* W) { W->WriteInteger(FRows); },
                   [this](TReader* R) { FRows = R->ReadInteger(); }, [this] { return FRows != 7; }});
}

// ---- TMRUListboxEh -----------------------------------------------------------------------------------------

TMRUListboxEh::TMRUListboxEh(TComponent* AOwner) : TPopupListboxEh(AOwner) {
  FScrollBar = std::make_unique<TScrollBar>(nullptr);
  FScrollBar->SetKind(sbVertical);
  FScrollBar->SetTabStop(false);
  FScrollBar->SetVisible(false);
  FScrollBar->SetParent(this);
  FScrollBar->OnScroll = [this](TObject* Sender, TScrollCode Code, Integer& Pos) {
    ScrollBarScroll(Sender, Code, Pos);
  };
}

TMRUListboxEh::~TMRUListboxEh() {
  if (FScrollBar) FScrollBar->SetParent(nullptr);
}

void TMRUListboxEh::CreateParams(TCreateParams& Params) {
  TPopupListboxEh::CreateParams(Params);
  // The list's window has no bar of its own: its bar is the child control.
  Params.Style &= ~(WS_VSCROLL | WS_HSCROLL);
}

void TMRUListboxEh::CreateWnd() {
  TPopupListboxEh::CreateWnd();
  UpdateScrollBar();
}

void TMRUListboxEh::UpdateScrollBar() {
  if (!FScrollBar || FUpdatingBar) return;
  FUpdatingBar = true;
  TSizeGripEh* grip = GetSizeGrip();
  const TRect client = GetClientRect();
  const Integer barWidth = GetSystemMetrics(SM_CXVSCROLL);
  const bool gripShown = grip->GetVisible() && grip->GetParent() == this;
  Integer top = client.Top, bottom = client.Bottom;
  if (gripShown && grip->GetPosition() == sgpBottomRight) bottom -= grip->GetHeight();
  if (gripShown && grip->GetPosition() == sgpTopRight) top += grip->GetHeight();
  const Integer rows = std::max<Integer>(1, client.Height() / std::max<Integer>(1, GetItemHeight()));
  const bool needed = GetCount() > rows;
  const bool gripOnRight = grip->GetPosition() == sgpTopRight || grip->GetPosition() == sgpBottomRight;
  if (needed) {
    FScrollBar->SetBounds(client.Right - barWidth, top, barWidth, std::max(0, bottom - top));
    FScrollBar->SetParams(FTopIndex, 0, GetCount() - 1);
    FScrollBar->SetPageSize(rows);
    FScrollBar->SetPosition(FTopIndex);
    FScrollBar->SetVisible(true);
    grip->SetTriangle(!gripOnRight);
  } else {
    FScrollBar->SetVisible(false);
    grip->SetTriangle(true);
  }
  FUpdatingBar = false;
}

void TMRUListboxEh::ScrollBarScroll(TObject*, TScrollCode, Integer& ScrollPos) {
  SetTopIndex(ScrollPos);
  ScrollPos = FTopIndex;
}

bool TMRUListboxEh::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  const bool handled = TPopupListboxEh::DoMouseWheelDown(Shift, MousePos);
  UpdateScrollBar();
  return handled;
}

bool TMRUListboxEh::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  const bool handled = TPopupListboxEh::DoMouseWheelUp(Shift, MousePos);
  UpdateScrollBar();
  return handled;
}

void TMRUListboxEh::Dispatch(TMessage& Message) {
  TPopupListboxEh::Dispatch(Message);
  switch (Message.Msg) {
    case WM_MOVE:
    case WM_SIZE:
    case WM_DROPDOWNPLACED:
    case WM_SHOWWINDOW:
    case CM_SHOWINGCHANGED: UpdateScrollBar(); break;
    default: break;
  }
}
