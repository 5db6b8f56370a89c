// A full repaint of a 1280x800 grid of 40x20 cells: fill every cell, stroke the
// grid lines in one PolyPolyline, and write a text in every cell. The canvas
// shapes each (font, text) once and reuses it; the baseline makes a new pango
// layout per cell, as naive drawing would. Times are CPU time per repaint.
#include <benchmark/benchmark.h>
#include <pango/pangocairo.h>

#include <cstdio>
#include <vector>

#include "bench/RatioReporter.h"
#include "platform/ui/GDI.h"

namespace {

constexpr Integer kWidth = 1280, kHeight = 800, kCellW = 40, kCellH = 20;
constexpr Integer kCols = kWidth / kCellW, kRows = kHeight / kCellH;

struct Grid {
  TBitmap Bitmap;
  std::vector<String> Texts;
  std::vector<TPoint> Lines;
  std::vector<DWORD> Counts;

  Grid() {
    Bitmap.SetSize(kWidth, kHeight);
    Bitmap.GetCanvas()->GetFont()->SetName(u"MS Sans Serif");
    Bitmap.GetCanvas()->GetFont()->SetSize(8);
    for (Integer r = 0; r < kRows; ++r)
      for (Integer c = 0; c < kCols; ++c) Texts.push_back(u"Кн" + AsciiToString(std::to_string(r * kCols + c)));
    for (Integer x = kCellW - 1; x < kWidth; x += kCellW) {
      Lines.push_back({x, 0});
      Lines.push_back({x, kHeight});
      Counts.push_back(2);
    }
    for (Integer y = kCellH - 1; y < kHeight; y += kCellH) {
      Lines.push_back({0, y});
      Lines.push_back({kWidth, y});
      Counts.push_back(2);
    }
  }

  // Fills and lines, the same in both variants.
  HDC PaintCells() {
    TCanvas* c = Bitmap.GetCanvas();
    for (Integer r = 0; r < kRows; ++r)
      for (Integer col = 0; col < kCols; ++col) {
        c->GetBrush()->SetColor((r + col) % 7 == 0 ? clHighlight : clWindow);
        c->FillRect(Bounds(col * kCellW, r * kCellH, kCellW - 1, kCellH - 1));
      }
    c->GetPen()->SetColor(clSilver);
    HDC dc = c->GetHandle();
    PolyPolyline(dc, Lines.data(), Counts.data(), static_cast<DWORD>(Counts.size()));
    SetBkMode(dc, TRANSPARENT);
    return dc;
  }

  TRect Cell(size_t i) const {
    const Integer r = static_cast<Integer>(i) / kCols, col = static_cast<Integer>(i) % kCols;
    return Bounds(col * kCellW, r * kCellH, kCellW - 1, kCellH - 1);
  }
};

void BM_GridRepaintShapedOnce(benchmark::State& state) {
  Grid g;
  for (auto _ : state) {
    HDC dc = g.PaintCells();
    for (size_t i = 0; i < g.Texts.size(); ++i) {
      const TRect cell = g.Cell(i);
      ExtTextOut(dc, cell.Left + 2, cell.Top + 2, ETO_CLIPPED, &cell, g.Texts[i], -1);
    }
  }
}

void BM_GridRepaintLayoutPerCell(benchmark::State& state) {
  Grid g;
  PangoFontDescription* desc = pango_font_description_from_string("DejaVu Sans");
  pango_font_description_set_absolute_size(desc, 11 * PANGO_SCALE);
  for (auto _ : state) {
    HDC dc = g.PaintCells();
    cairo_t* cr = dc->Cairo();
    for (size_t i = 0; i < g.Texts.size(); ++i) {
      const TRect cell = g.Cell(i);
      cairo_save(cr);
      cairo_rectangle(cr, cell.Left, cell.Top, cell.Width(), cell.Height());
      cairo_clip(cr);
      PangoLayout* layout = pango_cairo_create_layout(cr);
      pango_layout_set_font_description(layout, desc);
      const std::string text = ToUtf8(g.Texts[i]);
      pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
      cairo_set_source_rgb(cr, 0, 0, 0);
      cairo_move_to(cr, cell.Left + 2, cell.Top + 2);
      pango_cairo_show_layout(cr, layout);
      g_object_unref(layout);
      cairo_restore(cr);
    }
  }
  pango_font_description_free(desc);
}

BENCHMARK(BM_GridRepaintShapedOnce)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_GridRepaintLayoutPerCell)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  return RunWithRatios(argc, argv, TRatioReporter::CpuTime, [](const TRatioReporter& reporter) {
    const double once = reporter.Of("BM_GridRepaintShapedOnce");
    const double perCell = reporter.Of("BM_GridRepaintLayoutPerCell");
    if (once > 0 && perCell > 0)
      std::printf(
          "grid repaint 1280x800, text shaped once: %.2f ms CPU; new layout per cell: %.2f ms CPU; "
          "ratio %.2f (no target: the two baselines of the grid repaint)\n",
          once * 1e3, perCell * 1e3, once / perCell);
  });
}
