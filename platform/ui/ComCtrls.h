#pragma once
// The rich edit (plain text whose characters carry a colour and a style) and the
// month calendar.

#include <cmath>
#include <memory>
#include <vector>

#include "platform/ui/StdCtrls.h"

// ---- Rich edit ----------------------------------------------------------------------------------
class TCustomRichEdit;

enum TAttributeType { atSelected, atDefaultText };

// The character attributes of a rich edit's selection (or of what is typed next,
// when nothing is selected), or its default attributes.
class TTextAttributes final : public TPersistent {
public:
  BORROW_CLASS(TTextAttributes, TPersistent)
  TTextAttributes(TCustomRichEdit* RichEdit, TAttributeType Type) : FRichEdit(RichEdit), FType(Type) {}
  TColor GetColor() const;
  void SetColor(TColor Value);
  TFontStyles GetStyle() const;
  void SetStyle(TFontStyles Value);
  void Assign(TPersistent* Source) override;

private:
  TCustomRichEdit* FRichEdit;
  TAttributeType FType;
};

struct TCharAttributes {
  TColor Color = clDefault;  // clDefault: the control's font colour
  TFontStyles Style;
  friend bool operator==(const TCharAttributes&, const TCharAttributes&) = default;
};

class TCustomRichEdit : public TCustomMemo {
public:
  BORROW_COMPONENT(TCustomRichEdit, TCustomMemo)
  explicit TCustomRichEdit(TComponent* AOwner);
  ~TCustomRichEdit() override;

  TTextAttributes* GetSelAttributes() const { return FSelAttributes.get(); }
  TTextAttributes* GetDefAttributes() const { return FDefAttributes.get(); }
  bool GetPlainText() const { return FPlainText; }
  void SetPlainText(bool Value) { FPlainText = Value; }
  // The attributes of one character (0-based).
  TCharAttributes GetCharAttributes(Integer Index) const;
  void Dispatch(TMessage& Message) override;

protected:
  friend class TTextAttributes;
  friend class TRichEditStrings;
  void TextChanged() override;
  void PaintLine(HDC DC, Integer Start, Integer Length, Integer X, Integer Y) override;
  Integer LineTextWidth(Integer Start, Integer Count) const override;
  TCharAttributes SelectionAttributes() const;
  void ApplyToSelection(const TCharAttributes& Value, bool Color, bool Style);
  HFONT FontFor(const TCharAttributes& A) const;
  COLORREF ColorFor(const TCharAttributes& A) const;
  void SetTextValue(const String& Value) override;

  std::unique_ptr<TTextAttributes> FSelAttributes;
  std::unique_ptr<TTextAttributes> FDefAttributes;
  std::unique_ptr<TStrings> FPlainLines;  // the memo's view of the lines, read by Lines
  std::vector<TCharAttributes> FAttrs;    // one per character of the text
  TCharAttributes FDefault;
  TCharAttributes FTyping;  // what the next typed text gets
  bool FTypingSet = false;
  bool FPlainText = false;
  bool FResetting = false;
  mutable std::unique_ptr<TFont> FStyled[16];
};

class TRichEdit : public TCustomRichEdit {
public:
  BORROW_COMPONENT(TRichEdit, TCustomRichEdit)
  explicit TRichEdit(TComponent* AOwner) : TCustomRichEdit(AOwner) {}
};

// ---- Month calendar -----------------------------------------------------------------------------
// Hit-test answers: a part (title, calendar, today link) in the high word and its
// detail in the low bits, as the system calendar gives them.
constexpr UINT MCHT_NOWHERE = 0x00000000;
constexpr UINT MCHT_TITLE = 0x00010000;
constexpr UINT MCHT_CALENDAR = 0x00020000;
constexpr UINT MCHT_TODAYLINK = 0x00030000;
constexpr UINT MCHT_NEXT = 0x01000000;
constexpr UINT MCHT_PREV = 0x02000000;
constexpr UINT MCHT_TITLEBK = MCHT_TITLE;
constexpr UINT MCHT_TITLEMONTH = MCHT_TITLE | 0x0001;
constexpr UINT MCHT_TITLEYEAR = MCHT_TITLE | 0x0002;
constexpr UINT MCHT_TITLEBTNNEXT = MCHT_TITLE | MCHT_NEXT | 0x0003;
constexpr UINT MCHT_TITLEBTNPREV = MCHT_TITLE | MCHT_PREV | 0x0003;
constexpr UINT MCHT_CALENDARBK = MCHT_CALENDAR;
constexpr UINT MCHT_CALENDARDATE = MCHT_CALENDAR | 0x0001;
constexpr UINT MCHT_CALENDARDATENEXT = MCHT_CALENDARDATE | MCHT_NEXT;
constexpr UINT MCHT_CALENDARDATEPREV = MCHT_CALENDARDATE | MCHT_PREV;
constexpr UINT MCHT_CALENDARDAY = MCHT_CALENDAR | 0x0002;
constexpr UINT MCHT_CALENDARWEEKNUM = MCHT_CALENDAR | 0x0003;

// Views (only the month view is shown here).
constexpr Integer MCMV_MONTH = 0;
constexpr Integer MCMV_YEAR = 1;
constexpr Integer MCMV_DECADE = 2;
constexpr Integer MCMV_CENTURY = 3;

// Asks the smallest client rectangle that shows a whole month: lParam points to a
// TRect that receives it; the result is nonzero.
constexpr Cardinal MCM_GETMINREQRECT = 0x1009;

struct TMCHitTestInfo {
  TPoint pt;
  UINT uHit = MCHT_NOWHERE;
  TDateTime st = 0;  // the date under the point, for date parts
};

class TMonthCalendar : public TCustomControl {
public:
  BORROW_COMPONENT(TMonthCalendar, TCustomControl)
  explicit TMonthCalendar(TComponent* AOwner);

  TDateTime GetDate() const { return FDate; }
  // The date without its time; the shown month follows it.
  void SetDate(TDateTime Value);
  // The first day of the month shown.
  TDateTime GetShownMonth() const { return FShown; }
  bool GetWeekNumbers() const { return FWeekNumbers; }
  void SetWeekNumbers(bool Value);
  bool GetShowToday() const { return FShowToday; }
  void SetShowToday(bool Value);
  Integer GetCurrentView() const { return MCMV_MONTH; }
  // The smallest client size that shows a whole month.
  TRect GetMinReqRect() const;
  UINT HitTest(TMCHitTestInfo& Info) const;

  TNotifyEvent OnChange;

  void Dispatch(TMessage& Message) override;

protected:
  void Paint() override;
  void CellSize(Integer& W, Integer& H) const;
  TDateTime FirstCellDate() const;
  void ShowMonth(Integer Delta);
  void ChangeDate(TDateTime Value);

  TDateTime FDate = 0;
  TDateTime FShown = 0;
  bool FWeekNumbers = false;
  bool FShowToday = true;
};
