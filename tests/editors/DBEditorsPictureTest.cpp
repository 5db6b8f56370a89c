// The three editors bound to the table, kept as a picture for a person to look at.

#include <cairo.h>

#include "DBEditorsTestSupport.h"
#include "platform/ui/Display.h"
#include "platform/ui/Input.h"
#include "platform/ui/Windows.h"

namespace {

// The windows as the screen shows them, one over the other, in one PNG.
void SaveScreenPNG(const std::vector<HWND>& Windows, const TRect& Area, const std::string& Path) {
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, Area.Width(), Area.Height());
  cairo_t* cr = cairo_create(out);
  cairo_set_source_rgb(cr, 0.23, 0.43, 0.65);
  cairo_paint(cr);
  for (HWND w : Windows) {
    cairo_surface_t* image = RenderWindow(w);
    const TRect r = GetWindowRect(w);
    cairo_set_source_surface(cr, image, r.Left - Area.Left, r.Top - Area.Top);
    cairo_paint(cr);
  }
  cairo_destroy(cr);
  cairo_surface_write_to_png(out, Path.c_str());
  cairo_surface_destroy(out);
}

class DBEditorsPicture : public DBEditorsFixture {};

TEST_F(DBEditorsPicture, TheThreeEditorsOnARecordAreKeptAsAPicture) {
  OpenTable();
  Table.Next();  // "Первая", a resource, not active, used
  MakeForm(380, 240);
  Form->SetCaption(u"Ресурс");
  auto label = [&](Integer Top, const String& Text) {
    auto* l = Make<TLabel>(12, Top + 3, 90, 17);
    l->SetCaption(Text);
  };
  label(16, u"Название");
  auto* name = MakeBound<TCustomDBEditEh>(u"NAME_THIS", 110, 16, 240, 21);
  name->GetEditButton()->SetVisible(true);
  name->GetEditButton()->SetStyle(ebsEllipsisEh);
  label(46, u"Порядок");
  auto* npp = MakeBound<TCustomDBEditEh>(u"NPP", 110, 46, 80, 21);
  npp->SetFlat(true);
  npp->SetAlwaysShowBorder(true);
  auto* used = MakeBound<TDBCheckBoxEh>(u"USED", 110, 78, 160, 17);
  used->SetCaption(u"Используется");
  used->SetValueChecked(u"Y");
  used->SetValueUnchecked(u"N");
  used->SetAllowGrayed(true);
  label(106, u"Тип");
  auto* kind = MakeBound<TDBComboBoxEh>(u"ID_TYPE", 110, 106, 160, 21);
  kind->GetItems()->SetText(u"Группа\nРесурс");
  kind->GetKeyItems()->SetText(u"0\n1");
  Focus(kind);
  kind->DropDown();
  Display.MouseMove(kind->GetPopupListbox()->GetHandle(), 10, 3);
  Display.ProcessMessages();

  EXPECT_EQ(name->GetText(), u"Первая");
  EXPECT_EQ(npp->GetText(), u"2");
  EXPECT_EQ(kind->GetText(), u"Ресурс");
  EXPECT_EQ(used->GetState(), cbUnchecked);
  // The number stands at the right of its box (painted by the editor while unfocused).
  auto inkColumns = [&](TWinControl* C, Integer From, Integer To) {
    Integer n = 0;
    for (Integer x = From; x < To; ++x)
      for (Integer y = 2; y < C->GetClientHeight() - 2; ++y)
        if (Display.PixelAt(C->GetHandle(), x, y) != ColorToRGB(C->GetColor())) {
          ++n;
          break;
        }
    return n;
  };
  EXPECT_EQ(inkColumns(npp, 0, npp->GetClientWidth() / 2), 0);
  EXPECT_GT(inkColumns(npp, npp->GetClientWidth() / 2, npp->GetClientWidth()), 0);

  const std::string file = EditorArtifactPath("db_editors_bound.png").string();
  const TRect window = GetWindowRect(Form->GetHandle());
  TRect area = window;
  InflateRect(area, 10, 10);
  SaveScreenPNG({Form->GetHandle(), kind->GetPopupListbox()->GetHandle()}, area, file);
  EXPECT_GT(std::filesystem::file_size(file), 1000u);
}

}  // namespace
