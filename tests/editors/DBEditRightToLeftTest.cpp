// The editors in right-to-left mode, as a user meets them. Each picture test
// builds one editor left to right and a twin whose bidirectional mode is
// right-to-left, and compares what the two show: the twin is the first one
// mirrored, except that its text, its button faces and its image keep their
// own direction (they stand at the mirrored places, unmirrored).

#include <algorithm>

#include "DBDateNumberTestSupport.h"
#include "platform/ui/ControlPaint.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Input.h"

namespace {

struct TPicture {
  Integer W = 0, H = 0;
  std::vector<TColor> Px;
  TColor At(Integer X, Integer Y) const { return Px[size_t(Y * W + X)]; }
};

// A block of the left-to-right picture that the twin shows unmirrored at the
// mirrored place: columns [Left, Right) of rows [Top, Bottom).
using TBlock = TRect;

class EditorsRightToLeft : public DBDateNumberFixture {
protected:
  TImageList Images{nullptr};

  void SetUp() override {
    DBDateNumberFixture::SetUp();
    OpenDates();
    MakeForm(420, 260);
    Images.SetWidth(12);
    Images.SetHeight(12);
    TBitmap strip;
    strip.SetSize(24, 12);
    // An image that is not its own mirror: a dark bar at its left.
    strip.GetCanvas()->GetBrush()->SetColor(clYellow);
    strip.GetCanvas()->FillRect(TRect(0, 0, 24, 12));
    strip.GetCanvas()->GetBrush()->SetColor(clNavy);
    strip.GetCanvas()->FillRect(TRect(0, 0, 3, 12));
    strip.GetCanvas()->FillRect(TRect(12, 0, 15, 12));
    Images.AddMasked(&strip, clNone);
  }

  TPicture Picture(TWinControl* C) {
    Display.ProcessMessages();
    TPicture P;
    P.W = C->GetClientWidth();
    P.H = C->GetClientHeight();
    for (Integer y = 0; y < P.H; ++y)
      for (Integer x = 0; x < P.W; ++x) P.Px.push_back(Display.PixelAt(C->GetHandle(), x, y));
    return P;
  }

  // The smallest rectangle of Area that holds all it shows other than Background.
  static TBlock InkOf(const TPicture& P, const TRect& Area, TColor Background) {
    TBlock ink(Area.Right, Area.Bottom, Area.Left, Area.Top);
    for (Integer x = Area.Left; x < Area.Right; ++x)
      for (Integer y = Area.Top; y < Area.Bottom; ++y)
        if (P.At(x, y) != ColorToRGB(Background))
          ink = TBlock(std::min(ink.Left, x), std::min(ink.Top, y), std::max(ink.Right, x + 1),
                       std::max(ink.Bottom, y + 1));
    return ink.Right > ink.Left ? ink : TBlock();
  }

  // How many pixels of Rtl differ from Ltr mirrored with Blocks kept unmirrored.
  static Integer MirrorDifferences(const TPicture& Ltr, const TPicture& Rtl, const std::vector<TBlock>& Blocks,
                                   std::string* First = nullptr) {
    if (Ltr.W != Rtl.W || Ltr.H != Rtl.H) return -1;
    const Integer W = Ltr.W;
    std::vector<TColor> expect(Ltr.Px.size());
    for (Integer y = 0; y < Ltr.H; ++y)
      for (Integer x = 0; x < W; ++x) expect[size_t(y * W + x)] = Ltr.At(W - 1 - x, y);
    for (const TBlock& b : Blocks)
      for (Integer y = b.Top; y < b.Bottom; ++y)
        for (Integer x = b.Left; x < b.Right; ++x) expect[size_t(y * W + (W - b.Right) + (x - b.Left))] = Ltr.At(x, y);
    Integer n = 0;
    for (Integer y = 0; y < Ltr.H; ++y)
      for (Integer x = 0; x < W; ++x)
        if (Rtl.At(x, y) != expect[size_t(y * W + x)]) {
          if (!n && First)
            *First = "(" + std::to_string(x) + "," + std::to_string(y) + ") is " + std::to_string(Rtl.At(x, y)) +
                     ", expected " + std::to_string(expect[size_t(y * W + x)]);
          ++n;
        }
    return n;
  }

  template <class E>
  std::pair<E*, E*> Twins(Integer Top, Integer Width, const std::function<void(E*)>& Setup) {
    E* ltr = Make<E>(20, Top, Width, 21);
    E* rtl = Make<E>(220, Top, Width, 21);
    Setup(ltr);
    Setup(rtl);
    rtl->SetBiDiMode(bdRightToLeft);
    Display.ProcessMessages();
    return {ltr, rtl};
  }

  // The picture of Rtl is that of Ltr (or Before, Ltr's taken earlier) mirrored,
  // its button faces, its image and its text kept unmirrored.
  void ExpectMirrored(TCustomDBEditEh* Ltr, TCustomDBEditEh* Rtl, const TPicture* Before = nullptr) {
    const TPicture a = Before ? *Before : Picture(Ltr), b = Picture(Rtl);
    std::vector<TBlock> blocks = PartsOf(Ltr);
    // The text, above the bottom row where the required mark runs.
    const TRect text = Ltr->GetEditRect();
    const TBlock ink = InkOf(a, TRect(text.Left, 0, text.Right, a.H - 1), Ltr->GetColor());
    EXPECT_TRUE(Ltr->GetText().empty() || !ink.IsEmpty());
    if (!ink.IsEmpty()) blocks.push_back(ink);
    std::string first;
    EXPECT_EQ(MirrorDifferences(a, b, blocks, &first), 0) << first;
  }

  // The button faces and the image of an editor, as blocks of its picture.
  static std::vector<TBlock> PartsOf(TCustomDBEditEh* E) {
    std::vector<TBlock> blocks;
    for (Integer i = 0; i < E->GetEditButtonControlCount(); ++i) {
      TEditButtonControlEh* b = E->GetEditButtonControl(i);
      if (b->GetVisible() && b->GetWidth() > 0) blocks.push_back(b->GetBoundsRect());
    }
    if (E->GetImageWidth() > 0) blocks.push_back(TBlock(0, 0, E->GetImageWidth(), E->GetClientHeight()));
    return blocks;
  }
};

TEST_F(EditorsRightToLeft, AnEditorWithButtonsAndAnImagePaintsAsTheLeftToRightOneMirrored) {
  TBitmap arrow;  // a glyph that is not its own mirror
  arrow.SetSize(8, 8);
  arrow.GetCanvas()->GetBrush()->SetColor(clOlive);
  arrow.GetCanvas()->FillRect(TRect(0, 0, 8, 8));
  arrow.GetCanvas()->GetBrush()->SetColor(clMaroon);
  arrow.GetCanvas()->FillRect(TRect(0, 2, 5, 6));
  struct TCase {
    const char* Name;
    std::function<void(TCustomDBEditEh*)> Setup;
  };
  const std::vector<TCase> cases = {
      {"a drop-down and an ellipsis button, an image, left-aligned text",
       [&](TCustomDBEditEh* E) {
         E->GetEditButton()->SetVisible(true);
         E->GetEditButton()->SetStyle(ebsDropDownEh);
         E->GetEditButtons()->Add()->SetStyle(ebsEllipsisEh);
         E->SetImages(&Images);
         E->SetOnGetImageIndex([](TObject*, Integer& Index) { Index = 0; });
         E->SetText(u"Фонд 12");
       }},
      {"flat with separators, a spin and a glyph button, right-aligned text",
       [&](TCustomDBEditEh* E) {
         E->SetFlat(true);
         E->SetAlwaysShowBorder(true);
         E->SetAlignment(taRightJustify);
         E->GetEditButton()->SetVisible(true);
         E->GetEditButton()->SetStyle(ebsUpDownEh);
         TEditButtonEh* glyph = E->GetEditButtons()->Add();
         glyph->SetStyle(ebsGlyphEh);
         glyph->SetGlyph(&arrow);
         glyph->SetWidth(14);
         E->GetEditButtons()->Add()->SetStyle(ebsPlusEh);
         E->SetText(u"42,5");
       }},
      {"centred text and the mark of a required empty value",
       [&](TCustomDBEditEh* E) {
         E->SetAlignment(taCenter);
         E->SetHighlightRequired(true);
         E->GetEditButton()->SetVisible(true);
         E->GetEditButton()->SetStyle(ebsMinusEh);
         E->SetText(u"");
       }},
  };
  Integer top = 10;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto [ltr, rtl] = Twins<TCustomDBEditEh>(top, 180, c.Setup);
    top += 30;
    ExpectMirrored(ltr, rtl);
  }
}

TEST_F(EditorsRightToLeft, AFocusedEditorShowsItsSelectionMirrored) {
  auto [ltr, rtl] = Twins<TCustomDBEditEh>(20, 180, [&](TCustomDBEditEh* E) {
    E->GetEditButton()->SetVisible(true);
    E->SetText(u"Фонд 12");
  });
  Focus(ltr);
  ltr->SetSelStart(1);
  ltr->SetSelLength(3);
  const TPicture a = Picture(ltr);
  Focus(rtl);
  rtl->SetSelStart(1);
  rtl->SetSelLength(3);
  ExpectMirrored(ltr, rtl, &a);
}

TEST_F(EditorsRightToLeft, WrappedLinesStandAtTheMirroredSideEachAndAClickFindsTheirCharacters) {
  auto [ltr, rtl] = Twins<TCustomDBEditEh>(20, 180, [&](TCustomDBEditEh* E) {
    E->SetAutoSize(false);
    E->SetHeight(60);
    E->SetWordWrap(true);
    E->GetEditButton()->SetVisible(true);
    E->SetText(u"Фонд редких книг и рукописей национальной библиотеки");
  });
  Display.ProcessMessages();
  const TPicture a = Picture(ltr), b = Picture(rtl);
  // Each line of text is a block of its own: the lines are not as wide.
  std::vector<TBlock> blocks = PartsOf(ltr);
  const TRect text = ltr->GetEditRect();
  const Integer lh = FontTextHeight(ltr->GetFont());
  Integer lines = 0;
  for (Integer top = text.Top; top + lh <= text.Bottom; top += lh) {
    const TBlock ink = InkOf(a, TRect(text.Left, top, text.Right, top + lh), ltr->GetColor());
    if (ink.IsEmpty()) continue;
    blocks.push_back(ink);
    ++lines;
  }
  EXPECT_GE(lines, 2);
  std::string first;
  EXPECT_EQ(MirrorDifferences(a, b, blocks, &first), 0) << first;
  // A click before the second line's third character puts the caret there.
  for (TCustomDBEditEh* e : {ltr, rtl}) {
    Focus(e);
    const Integer second = Integer(String(u"Фонд редких ").size());
    const TPoint p = e->PosFromChar(second + 2);
    Display.Click(e->GetHandle(), p.X, p.Y + 2);
    EXPECT_EQ(e->GetSelStart(), second + 2);
  }
}

TEST_F(EditorsRightToLeft, ACheckBoxPaintsAsTheLeftToRightOneMirrored) {
  for (TAlignment alignment : {taRightJustify, taLeftJustify}) {
    SCOPED_TRACE(alignment == taRightJustify ? "box before the caption" : "box after the caption");
    auto* ltr = MakeBound<TDBCheckBoxEh>(u"ACTIVE", 20, 150, 151, 19);
    auto* rtl = MakeBound<TDBCheckBoxEh>(u"ACTIVE", 220, 150, 151, 19);
    for (TDBCheckBoxEh* c : {ltr, rtl}) {
      c->SetCaption(u"Используется");
      c->SetAlignment(alignment);
    }
    rtl->SetBiDiMode(bdRightToLeft);
    const TPicture plain = Picture(ltr);
    // Focused, each shows its focus rectangle around the caption (which the edge
    // cuts when the caption starts there).
    const bool focus = alignment == taRightJustify;
    if (focus) Focus(ltr);
    const TPicture a = Picture(ltr);
    if (focus) Focus(rtl);
    const TPicture b = Picture(rtl);
    const TSize box = GetCheckBoxSizeEh();
    const Integer boxLeft = alignment == taRightJustify ? 0 : a.W - box.cx;
    const TBlock face(boxLeft, 0, boxLeft + box.cx, a.H);
    const TBlock caption = InkOf(
        plain, alignment == taRightJustify ? TRect(box.cx, 0, a.W, a.H) : TRect(0, 0, boxLeft, a.H), ltr->GetColor());
    ASSERT_FALSE(caption.IsEmpty());
    std::string first;
    EXPECT_EQ(MirrorDifferences(a, b, {face, caption}, &first), 0) << first;
    // A click on the mirrored box toggles it.
    Display.Click(rtl->GetHandle(), a.W - 1 - (boxLeft + box.cx / 2), a.H / 2);
    EXPECT_FALSE(rtl->GetChecked());
    delete ltr;
    delete rtl;
  }
}

// ---- drop-downs ----------------------------------------------------------------------------------------------

TEST_F(EditorsRightToLeft, DropDownsStandAtTheMirroredSideOfTheirEditor) {
  // Where a dropped-down window stands beside its editor, seen from the editor's
  // reading side: its rectangle relative to the editor, mirrored right to left.
  auto placed = [&](TWinControl* Editor, HWND DropDown) {
    Display.ProcessMessages();
    EXPECT_TRUE(IsWindowVisible(DropDown));
    const TRect e = GetWindowRect(Editor->GetHandle());
    TRect d = GetWindowRect(DropDown);
    if (Editor->UseRightToLeftAlignment()) d = TRect(e.Right - d.Right, d.Top, e.Right - d.Left, d.Bottom);
    else OffsetRect(d, -e.Left, 0);
    return d;
  };
  // Each twin dropped down in turn: the right-to-left one stands where the other does, mirrored.
  auto samePlace = [&](auto* Ltr, auto* Rtl, auto DropDownOf) {
    Ltr->DropDown();
    const TRect l = placed(Ltr, DropDownOf(Ltr)->GetHandle());
    Ltr->CloseUp(false);
    Rtl->DropDown();
    EXPECT_EQ(placed(Rtl, DropDownOf(Rtl)->GetHandle()), l);
    Rtl->CloseUp(false);
  };
  {
    auto [ltr, rtl] = Twins<TDBComboBoxEh>(20, 120, [](TDBComboBoxEh* E) {
      E->GetItems()->SetText(u"Группа\nРесурс");
      E->GetDropDownBox()->SetWidth(170);
    });
    samePlace(ltr, rtl, [](TDBComboBoxEh* E) { return E->GetPopupListbox(); });
  }
  {
    auto [ltr, rtl] = Twins<TDBDateTimeEditEh>(50, 90, [](TDBDateTimeEditEh*) {});
    samePlace(ltr, rtl, [](TDBDateTimeEditEh* E) { return E->GetCalendar(); });
  }
  {
    auto [ltr, rtl] = Twins<TDBNumberEditEh>(80, 90, [](TDBNumberEditEh*) {});
    samePlace(ltr, rtl, [](TDBNumberEditEh* E) { return E->GetCalculator(); });
  }
  {
    // The recent texts drop down under the text, from its reading side, and
    // their size grip stands in the far corner.
    auto [ltr, rtl] = Twins<TCustomDBEditEh>(110, 180, [](TCustomDBEditEh* E) {
      E->GetEditButton()->SetVisible(true);
      E->GetMRUList()->SetActive(true);
      E->GetMRUList()->GetItems()->Add(u"USMARC");
      E->GetMRUList()->GetItems()->Add(u"UNIMARC");
    });
    TRect l;
    for (TCustomDBEditEh* e : {ltr, rtl}) {
      Focus(e);
      Display.TypeText(u"U");
      ASSERT_NE(e->GetMRUListbox(), nullptr);
      const TRect r = placed(e, e->GetMRUListbox()->GetHandle());
      if (e == ltr) l = r;
      else EXPECT_EQ(r, l);
      EXPECT_EQ(e->GetMRUListbox()->GetSizeGrip()->GetPosition(), e == ltr ? sgpBottomRight : sgpBottomLeft);
      Display.Key(VK_ESCAPE);
    }
  }
}

// ---- mouse ---------------------------------------------------------------------------------------------------

TEST_F(EditorsRightToLeft, AClickOnAMirroredButtonPressesItAndAClickInTheTextLandsOnTheCharacterUnderIt) {
  auto [ltr, rtl] = Twins<TCustomDBEditEh>(20, 180, [&](TCustomDBEditEh* E) {
    E->GetEditButton()->SetVisible(true);
    E->GetEditButtons()->Add()->SetStyle(ebsEllipsisEh);
    E->SetImages(&Images);
    E->SetText(u"Фонд 12");
  });
  const Integer W = ltr->GetClientWidth();
  for (TCustomDBEditEh* e : {ltr, rtl}) {
    SCOPED_TRACE(e == rtl ? "right to left" : "left to right");
    auto X = [&](Integer x) { return e == rtl ? W - 1 - x : x; };
    std::vector<std::string> pressed;
    e->OnButtonClick = [&](TObject*, bool&) { pressed.push_back("main"); };
    e->GetEditButtons()->Items(0)->OnClick = [&](TObject*, bool&) { pressed.push_back("ellipsis"); };
    Focus(e);
    e->SetSelStart(3);
    // The ellipsis is outermost: the last columns of a left-to-right editor.
    Display.Click(e->GetHandle(), X(W - 4), 8);
    Display.Click(e->GetHandle(), X(W - ltr->GetButtonsWidth() + 4), 8);
    EXPECT_EQ(pressed, (std::vector<std::string>{"ellipsis", "main"}));
    EXPECT_EQ(e->GetSelStart(), 3);          // neither click reached the text
    Display.Click(e->GetHandle(), X(3), 8);  // on the image
    EXPECT_EQ(e->GetSelStart(), 3);
    // Between the second and the third character: the text is not mirrored.
    const Integer between = e->PosFromChar(2).X;
    Display.Click(e->GetHandle(), between, 8);
    EXPECT_EQ(e->GetSelStart(), 2);
    EXPECT_TRUE(e->GetEditRect().Contains(TPoint(between, 8)));
  }
  // The text stands at the reading side of its area.
  EXPECT_EQ(rtl->PosFromChar(0).X - rtl->GetEditRect().Left, ltr->GetEditRect().Right - ltr->PosFromChar(7).X);

  // The halves of a spin button on the left step the number.
  auto* number = MakeBound<TDBNumberEditEh>(u"COPIES", 20, 60);
  number->GetEditButton()->SetStyle(ebsUpDownEh);
  number->GetEditButton()->SetVisible(true);
  number->SetBiDiMode(bdRightToLeft);
  Display.ProcessMessages();
  const Integer spinHeight = number->GetEditButtonControl(0)->GetHeight();
  EXPECT_EQ(number->GetEditButtonControl(0)->GetLeft(), 0);
  Display.Click(number->GetHandle(), 4, 3);
  EXPECT_EQ(number->GetText(), u"4");
  Display.Click(number->GetHandle(), 4, spinHeight - 3);
  Display.Click(number->GetHandle(), 4, spinHeight - 3);
  EXPECT_EQ(number->GetText(), u"2");
}

// ---- changing the mode -----------------------------------------------------------------------------------------

TEST_F(EditorsRightToLeft, AChangedModeRecreatesTheWindowKeepingTheTypedTextItsSelectionAndTheRecord) {
  auto* name = MakeBound<TCustomDBEditEh>(u"NAME_THIS");
  name->GetEditButton()->SetVisible(true);
  Focus(name);
  name->SelectAll();
  Display.TypeText(u"Архив фонда");
  name->SetSelStart(2);
  name->SetSelLength(4);
  const HWND before = name->GetHandle();
  Form->SetBiDiMode(bdRightToLeft);  // the editor follows its form
  Display.ProcessMessages();

  EXPECT_NE(name->GetHandle(), before);
  EXPECT_TRUE(IsWindowVisible(name->GetHandle()));  // the form's new window is shown too
  EXPECT_TRUE(name->UseRightToLeftAlignment());
  EXPECT_EQ(name->GetEditButtonControl(0)->GetLeft(), 0);
  EXPECT_TRUE(HasFocus(name));
  EXPECT_EQ(name->GetText(), u"Архив фонда");
  EXPECT_EQ(name->GetSelStart(), 2);
  EXPECT_EQ(name->GetSelLength(), 4);
  EXPECT_TRUE(name->GetModified());
  EXPECT_EQ(Table.GetState(), dsEdit);
  EXPECT_EQ(Field(u"NAME_THIS")->GetAsString(), u"Библиотеки");  // not written before leaving
  // Typing goes on where the selection was.
  Display.TypeText(u"X");
  EXPECT_EQ(name->GetText(), u"АрXфонда");
  Display.Key(VK_TAB);
  EXPECT_EQ(Field(u"NAME_THIS")->GetAsString(), u"АрXфонда");

  // Back to left to right, a number and a date of their own keep their values.
  auto* price = Make<TDBNumberEditEh>(20, 60, 120, 21);
  price->SetDecimalPlaces(2);
  price->SetValue(Variant(42.5));
  auto* added = Make<TDBDateTimeEditEh>(20, 100, 120, 21);
  added->SetValue(Variant::FromDate(Day(2024, 3, 15)));
  Display.ProcessMessages();
  const String priceText = price->GetText(), addedText = added->GetText();
  Form->SetBiDiMode(bdLeftToRight);
  Display.ProcessMessages();
  EXPECT_FALSE(name->UseRightToLeftAlignment());
  EXPECT_EQ(name->GetEditButtonControl(0)->GetLeft(), name->GetClientWidth() - name->GetButtonsWidth());
  EXPECT_TRUE(price->GetValue() == Variant(42.5));
  EXPECT_EQ(price->GetText(), priceText);
  EXPECT_EQ(ValueDate(added), Day(2024, 3, 15));
  EXPECT_EQ(added->GetText(), addedText);

  // Right to left, binding a centred field, which has nothing to mirror,
  // re-creates the window without the right-aligned style, and a number is
  // mirrored to the left as the grid's cells show it; binding a text again brings
  // the style back.
  Field(u"SYNTAX")->SetAlignment(taCenter);
  Form->SetBiDiMode(bdRightToLeft);
  Display.ProcessMessages();
  auto alignedRight = [&] { return (GetWindowLong(name->GetHandle(), GWL_EXSTYLE) & WS_EX_RIGHT) != 0; };
  EXPECT_TRUE(alignedRight());
  name->SetDataField(u"SYNTAX");
  EXPECT_FALSE(alignedRight());
  EXPECT_EQ(name->GetText(), u"RUSMARC");
  name->SetDataField(u"NPP");
  EXPECT_TRUE(alignedRight());
  EXPECT_EQ(name->GetText(), u"1");
  const TPicture number = Picture(name);
  const TBlock ink = InkOf(number, name->GetEditRect(), name->GetColor());
  EXPECT_FALSE(ink.IsEmpty());
  EXPECT_LT(ink.Right, name->GetEditRect().Left + 12);
  name->SetDataField(u"NAME_THIS");
  EXPECT_TRUE(alignedRight());
  EXPECT_EQ(name->GetText(), u"АрXфонда");
}

}  // namespace
