// The date-time and number editors bound to the table, the calendar dropped down,
// kept as a picture for a person to look at.

#include "DBDateNumberTestSupport.h"
#include "PopupOwnerTestSupport.h"

namespace {

class DBDateNumberPicture : public DBDateNumberFixture {};

TEST_F(DBDateNumberPicture, TheDateEditorWithItsCalendarDownIsKeptAsAPicture) {
  OpenDates();
  MakeForm(380, 240);
  Form->SetCaption(u"Поступление");
  auto label = [&](Integer Top, const String& Text) {
    auto* l = Make<TLabel>(12, Top + 3, 90, 17);
    l->SetCaption(Text);
  };
  label(16, u"Цена");
  auto* price = MakeBound<TDBNumberEditEh>(u"PRICE", 110, 16, 120, 21);
  price->SetDisplayFormat(u"#,##0.00 'р.'");
  price->GetEditButton()->SetVisible(true);
  label(46, u"Добавлено");
  auto* added = MakeBound<TDBDateTimeEditEh>(u"ADDED", 110, 46, 120, 21);
  Focus(added);
  added->DropDown();
  Display.ProcessMessages();

  EXPECT_EQ(price->GetText(), u"12,50 р.");
  EXPECT_EQ(added->GetText(), u"15.03.2024");
  ASSERT_TRUE(IsWindowVisible(added->GetCalendar()->GetHandle()));
  // The calendar hangs below the editor, its left edge at the editor's.
  const TRect editor = GetWindowRect(added->GetHandle());
  const TRect calendar = GetWindowRect(added->GetCalendar()->GetHandle());
  EXPECT_EQ(calendar.Top, editor.Bottom);
  EXPECT_EQ(calendar.Left, editor.Left);

  const std::string file = EditorArtifactPath("db_date_editor_calendar.png").string();
  TRect area = GetWindowRect(Form->GetHandle());
  InflateRect(area, 10, 10);
  area.Bottom = std::max(area.Bottom, calendar.Bottom + 10);
  SaveScreenAreaPNG({Form->GetHandle(), added->GetCalendar()->GetHandle()}, area, file);
  EXPECT_GT(std::filesystem::file_size(file), 1000u);
}

}  // namespace
