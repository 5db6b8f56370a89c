// Text: the pango text engine with its layout cache, and DrawText, ExtTextOut,
// TextOut, GetTextMetrics and GetTextExtentPoint32 on top of whichever engine is
// installed.
//
// Lines are laid out here (breaks, tabs, '&' prefixes, ellipsis) and each line is
// shaped once per (font, text) and kept in a small cache, so a repaint that draws
// the same texts again does no shaping.

#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <list>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/ui/GDI.h"
#include "platform/ui/TextPieces.h"

namespace {

// ---------------------------------------------------------------------------
// Font mapping

String AsciiLower(const String& s) {
  String r = s;
  for (Char& c : r)
    if (c >= u'A' && c <= u'Z') c = static_cast<Char>(c + 32);
  return r;
}

// Faces that stand in for the classic 8-point UI font, closest first. Measured
// at 8 points, 96 dpi, against the classic font (text cell 13 pixels, average
// of the 52 Latin letters rounding to 6 pixels, the dialog base unit):
//   Liberation Sans        cell 13, base unit 6 (letters 334 px), "=" 6 px
//   DejaVu Sans Condensed  cell 14, base unit 6 (letters 318 px), "=" 8 px
//   DejaVu Sans            cell 14, base unit 7 (letters 358 px), "=" 9 px
// DejaVu Sans is too wide: captions laid out for the classic font wrap or are cut.
constexpr const char* kUiFaces[] = {"Liberation Sans", "DejaVu Sans Condensed", "DejaVu Sans"};

bool IsClassicUiName(const String& LowerName) {
  for (const char16_t* n : {u"ms sans serif", u"microsoft sans serif", u"ms shell dlg", u"ms shell dlg 2", u"tahoma",
                            u"arial", u"helvetica", u"liberation sans"})
    if (LowerName == n) return true;
  return false;
}

// The first of kUiFaces the font map has; DejaVu Sans, which the program
// always installs, when none is.
const char* FindUiFace(PangoFontMap* Map) {
  PangoFontFamily** families = nullptr;
  int count = 0;
  pango_font_map_list_families(Map, &families, &count);
  const char* found = nullptr;
  for (const char* face : kUiFaces) {
    for (int i = 0; i < count && !found; ++i)
      if (std::string_view(pango_font_family_get_name(families[i])) == face) found = face;
    if (found) break;
  }
  g_free(families);
  return found ? found : "DejaVu Sans";
}

// Logical face names map onto installed faces: fixed pitch to DejaVu Sans Mono,
// serif faces to DejaVu Serif, the classic UI faces to UiFace, the rest to DejaVu Sans.
const char* FamilyFor(const TFontData& f, const char* UiFace) {
  const String n = AsciiLower(f.Name);
  auto has = [&](const char16_t* w) { return n.find(w) != String::npos; };
  if (f.Pitch == fpFixed || has(u"mono") || has(u"courier") || has(u"console") || has(u"consolas") ||
      has(u"fixedsys") || has(u"terminal"))
    return "DejaVu Sans Mono";
  if (!has(u"sans") && (has(u"times") || has(u"serif") || has(u"georgia") || has(u"roman"))) return "DejaVu Serif";
  if (IsClassicUiName(n)) return UiFace;
  return "DejaVu Sans";
}

// ---------------------------------------------------------------------------
// The pango engine

class TPangoTextEngine final : public TTextEngine {
public:
  TPangoTextEngine() {
    FMap = pango_cairo_font_map_new();
    pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(FMap), 96.0);
    FContext = pango_font_map_create_context(FMap);
    // Right-to-left lines are laid out in a context of their own, whose base
    // direction their layouts take instead of guessing it from the text.
    FRtlContext = pango_font_map_create_context(FMap);
    pango_context_set_base_dir(FRtlContext, PANGO_DIRECTION_RTL);
    cairo_font_options_t* fo = cairo_font_options_create();
    cairo_font_options_set_antialias(fo, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_hint_style(fo, CAIRO_HINT_STYLE_SLIGHT);
    pango_cairo_context_set_font_options(FContext, fo);
    pango_cairo_context_set_font_options(FRtlContext, fo);
    cairo_font_options_destroy(fo);
    FUiFace = FindUiFace(FMap);
  }

  ~TPangoTextEngine() override {
    for (auto& e : FLru) Release(e);
    for (auto& [k, f] : FFonts) {
      pango_font_description_free(f.Desc);
      if (f.Attrs) pango_attr_list_unref(f.Attrs);
    }
    g_object_unref(FRtlContext);
    g_object_unref(FContext);
    g_object_unref(FMap);
  }

  TTextMetric GetMetrics(const TFontData& Font) override { return Entry(Font).Metrics; }

  Integer TextWidth(const TFontData& Font, StringView Text) override {
    if (Text.empty()) return 0;
    FontEntry& f = Entry(Font);
    if (Text.size() <= size_t(kTextPieceMax)) return Layout(f, Text, false).Width;
    // A long line is the sum of its pieces; the sum is kept in range.
    Int64 w = 0;
    for (size_t at = 0; at < Text.size();) {
      const size_t end = TextPieceEnd(Text, at);
      w = std::min<Int64>(w + Layout(f, Text.substr(at, end - at), false).Width, kMaxLineWidth);
      at = end;
    }
    return Integer(w);
  }

  void DrawLine(cairo_t* Cr, const TFontData& Font, StringView Text, double X, double Y, COLORREF Color) override {
    if (Text.empty()) return;
    FontEntry& f = Entry(Font);
    SetCairoSource(Cr, Color);
    if (Text.size() <= size_t(kTextPieceMax)) {
      DrawLayout(Cr, f, Layout(f, Text, false), X, Y);
      return;
    }
    // A long line: only the pieces that meet the clip are drawn, and the
    // measuring stops past its right edge.
    double left, top, right, bottom;
    cairo_clip_extents(Cr, &left, &top, &right, &bottom);
    double x = X;
    for (size_t at = 0; at < Text.size() && x < right;) {
      const size_t end = TextPieceEnd(Text, at);
      const CachedLayout& l = Layout(f, Text.substr(at, end - at), false);
      // Glyphs reach a little past their advance: a piece just left of the clip may still show.
      if (x + l.Width + f.Metrics.tmHeight > left) DrawLayout(Cr, f, l, x, Y);
      x += l.Width;
      at = end;
    }
  }

  void DrawLineRightToLeft(cairo_t* Cr, const TFontData& Font, StringView Text, double X, double Y,
                           COLORREF Color) override {
    if (Text.empty()) return;
    FontEntry& f = Entry(Font);
    SetCairoSource(Cr, Color);
    if (Text.size() <= kWholeRightToLeftLine) {
      // The order of a line's runs needs the whole line. It ends where the
      // caller measured it to end: a right-to-left line starts there.
      const Integer measured = TextWidth(Font, Text);
      const CachedLayout& l = Layout(f, Text, true);
      DrawLayout(Cr, f, l, X + measured - l.Width, Y);
      return;
    }
    // A very long line: its pieces follow each other from its right end
    // leftwards, each in the room its measure gives it; only those meeting the
    // clip are drawn.
    double left, top, right, bottom;
    cairo_clip_extents(Cr, &left, &top, &right, &bottom);
    double x = X + TextWidth(Font, Text);
    for (size_t at = 0; at < Text.size() && x + f.Metrics.tmHeight > left;) {
      const size_t end = TextPieceEnd(Text, at);
      const StringView piece = Text.substr(at, end - at);
      const Integer measured = Layout(f, piece, false).Width;
      x -= measured;
      if (x - f.Metrics.tmHeight < right) {
        const CachedLayout& l = Layout(f, piece, true);
        DrawLayout(Cr, f, l, x + measured - l.Width, Y);
      }
      at = end;
    }
  }

private:
  struct FontEntry;
  struct CachedLayout;

  // Right-to-left lines up to this length are laid out whole.
  static constexpr size_t kWholeRightToLeftLine = 4096;

  void DrawLayout(cairo_t* Cr, const FontEntry& f, const CachedLayout& l, double X, double Y) {
    const double top = Y + f.Metrics.tmAscent - l.Baseline;
    if (!l.Glyphs) {
      cairo_move_to(Cr, X, top);
      pango_cairo_show_layout(Cr, l.Layout);
      return;
    }
    // The glyphs shaped when the line was first seen, placed again.
    cairo_matrix_t saved;
    cairo_get_matrix(Cr, &saved);
    cairo_translate(Cr, X, top);
    for (const GlyphRun& run : l.Runs) {
      cairo_set_scaled_font(Cr, run.Font);
      cairo_show_glyphs(Cr, run.Glyphs.data(), static_cast<int>(run.Glyphs.size()));
    }
    cairo_set_matrix(Cr, &saved);
  }

  struct FontEntry {
    Integer Id = 0;
    PangoFontDescription* Desc = nullptr;
    PangoAttrList* Attrs = nullptr;
    TTextMetric Metrics;
  };
  struct GlyphRun {
    cairo_scaled_font_t* Font = nullptr;
    std::vector<cairo_glyph_t> Glyphs;
  };
  struct CachedLayout {
    String Key;
    PangoLayout* Layout = nullptr;
    Integer Width = 0;
    double Baseline = 0;
    // Positioned glyphs of the line; false when pango must draw it itself
    // (underline, strike-out, or characters no face has).
    bool Glyphs = false;
    std::vector<GlyphRun> Runs;
  };

  static void Release(CachedLayout& l) {
    for (GlyphRun& r : l.Runs) cairo_scaled_font_destroy(r.Font);
    if (l.Layout) g_object_unref(l.Layout);
  }

  // Extracts the shaped glyphs with their positions relative to the layout's top-left.
  static void CollectGlyphs(CachedLayout& l, bool decorated) {
    if (decorated) return;
    PangoLayoutIter* it = pango_layout_get_iter(l.Layout);
    bool ok = true;
    do {
      PangoLayoutRun* run = pango_layout_iter_get_run_readonly(it);
      if (!run) continue;
      PangoRectangle logical;
      pango_layout_iter_get_run_extents(it, nullptr, &logical);
      const int baseline = pango_layout_iter_get_baseline(it);
      GlyphRun out;
      out.Font =
          cairo_scaled_font_reference(pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(run->item->analysis.font)));
      Int64 x = logical.x;
      for (int i = 0; i < run->glyphs->num_glyphs; ++i) {
        const PangoGlyphInfo& g = run->glyphs->glyphs[i];
        if (g.glyph & PANGO_GLYPH_UNKNOWN_FLAG) ok = false;
        if (g.glyph != PANGO_GLYPH_EMPTY && !(g.glyph & PANGO_GLYPH_UNKNOWN_FLAG))
          out.Glyphs.push_back({g.glyph, static_cast<double>(x + g.geometry.x_offset) / PANGO_SCALE,
                                static_cast<double>(baseline + g.geometry.y_offset) / PANGO_SCALE});
        x += g.geometry.width;
      }
      l.Runs.push_back(std::move(out));
    } while (ok && pango_layout_iter_next_run(it));
    pango_layout_iter_free(it);
    l.Glyphs = ok;
    if (!ok) {
      for (GlyphRun& r : l.Runs) cairo_scaled_font_destroy(r.Font);
      l.Runs.clear();
    }
  }

  static String FontKey(const TFontData& f) {
    String k = f.Name;
    k += u'\x01';
    for (Integer v : {f.Height, static_cast<Integer>(f.Style.Bits()), static_cast<Integer>(f.Pitch)}) {
      k += static_cast<Char>(v & 0xFFFF);
      k += static_cast<Char>((v >> 16) & 0xFFFF);
    }
    return k;
  }

  PangoFontDescription* Describe(const char* family, double px, const TFontData& f) {
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, family);
    pango_font_description_set_absolute_size(d, px * PANGO_SCALE);
    pango_font_description_set_weight(d, f.Style.Contains(fsBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(d, f.Style.Contains(fsItalic) ? PANGO_STYLE_OBLIQUE : PANGO_STYLE_NORMAL);
    return d;
  }

  // Ascent and descent in pixels of a face at a pixel size.
  void RawMetrics(PangoFontDescription* d, double& asc, double& desc, double& ave) {
    PangoFontMetrics* m = pango_context_get_metrics(FContext, d, nullptr);
    asc = pango_font_metrics_get_ascent(m) / static_cast<double>(PANGO_SCALE);
    desc = pango_font_metrics_get_descent(m) / static_cast<double>(PANGO_SCALE);
    ave = pango_font_metrics_get_approximate_char_width(m) / static_cast<double>(PANGO_SCALE);
    pango_font_metrics_unref(m);
  }

  FontEntry& Entry(const TFontData& Font) {
    // Consecutive calls nearly always use one of a few fonts (a grid row takes
    // turns between its cells' font and the smaller one of its record number):
    // those are found without building and hashing a key.
    for (RecentFont& r : FRecent)
      if (r.Entry && r.Font == Font) return *r.Entry;
    FontEntry& e = FindEntry(Font);
    std::move_backward(FRecent.begin(), FRecent.end() - 1, FRecent.end());
    FRecent.front() = RecentFont{Font, &e};
    return e;
  }

  FontEntry& FindEntry(const TFontData& Font) {
    String key = FontKey(Font);
    auto it = FFonts.find(key);
    if (it != FFonts.end()) return it->second;
    FontEntry e;
    e.Id = static_cast<Integer>(FFonts.size()) + 1;
    const char* family = FamilyFor(Font, FUiFace);
    // Negative heights are the em size; positive ones the cell height (ascent + descent).
    double em = Font.Height < 0 ? -Font.Height : Font.Height == 0 ? 12 : Font.Height;
    double asc, desc, ave;
    if (Font.Height > 0) {
      PangoFontDescription* probe = Describe(family, 100, Font);
      RawMetrics(probe, asc, desc, ave);
      pango_font_description_free(probe);
      em = std::max(1.0, std::round(Font.Height * 100.0 / (asc + desc)));
    }
    e.Desc = Describe(family, em, Font);
    RawMetrics(e.Desc, asc, desc, ave);
    TTextMetric& tm = e.Metrics;
    if (Font.Height > 0) {
      tm.tmHeight = Font.Height;
      tm.tmAscent = static_cast<Integer>(std::lround(Font.Height * asc / (asc + desc)));
    } else {
      tm.tmAscent = static_cast<Integer>(std::ceil(asc - 0.01));
      tm.tmHeight = tm.tmAscent + static_cast<Integer>(std::ceil(desc - 0.01));
    }
    tm.tmDescent = tm.tmHeight - tm.tmAscent;
    tm.tmInternalLeading = std::max(0, tm.tmHeight - static_cast<Integer>(em));
    tm.tmExternalLeading = 0;
    tm.tmAveCharWidth = std::max(1, static_cast<Integer>(std::lround(ave)));
    tm.tmWeight = Font.Style.Contains(fsBold) ? 700 : 400;
    tm.tmItalic = Font.Style.Contains(fsItalic);
    tm.tmUnderlined = Font.Style.Contains(fsUnderline);
    tm.tmStruckOut = Font.Style.Contains(fsStrikeOut);
    tm.tmCharSet = Font.Charset;
    tm.tmPitchAndFamily = std::string_view(family) == "DejaVu Sans Mono" ? 0 : 1;  // bit 0 set: variable
    if (Font.Style.Contains(fsUnderline) || Font.Style.Contains(fsStrikeOut)) {
      e.Attrs = pango_attr_list_new();
      if (Font.Style.Contains(fsUnderline))
        pango_attr_list_insert(e.Attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
      if (Font.Style.Contains(fsStrikeOut)) pango_attr_list_insert(e.Attrs, pango_attr_strikethrough_new(TRUE));
    }
    auto [pos, ok] = FFonts.emplace(std::move(key), e);
    (void)ok;
    FontEntry& stored = pos->second;
    stored.Metrics.tmMaxCharWidth = std::max(TextWidth(Font, u"W"), TextWidth(Font, u"Ш"));
    return stored;
  }

  // The line's key: the font, the base direction, the text.
  static constexpr size_t kKeyHead = 3;

  const CachedLayout& Layout(FontEntry& f, StringView Text, bool RightToLeft) {
    const Char direction = RightToLeft ? u'R' : u'L';
    // A line is mostly measured and then drawn at once: the one used last is
    // found without building and hashing its key.
    if (!FLru.empty()) {
      const String& k = FLru.front().Key;
      if (k.size() == Text.size() + kKeyHead && k[0] == static_cast<Char>(f.Id & 0xFFFF) &&
          k[1] == static_cast<Char>((f.Id >> 16) & 0xFFFF) && k[2] == direction &&
          StringView(k).substr(kKeyHead) == Text)
        return FLru.front();
    }
    String key;
    key.reserve(Text.size() + kKeyHead);
    key += static_cast<Char>(f.Id & 0xFFFF);
    key += static_cast<Char>((f.Id >> 16) & 0xFFFF);
    key += direction;
    key.append(Text);
    auto it = FIndex.find(key);
    if (it != FIndex.end()) {
      FLru.splice(FLru.begin(), FLru, it->second);
      return *it->second;
    }
    // Bounded by count and by characters, so a text that keeps changing (an
    // edit being typed into) cannot fill memory with its old versions.
    while (!FLru.empty() && (FLru.size() >= kCapacity || FCachedChars + Text.size() > kCharCapacity)) {
      FCachedChars -= FLru.back().Key.size();
      FIndex.erase(FLru.back().Key);
      Release(FLru.back());
      FLru.pop_back();
    }
    CachedLayout l;
    l.Key = key;
    l.Layout = pango_layout_new(RightToLeft ? FRtlContext : FContext);
    // A left-to-right line keeps the direction its first strong character gives.
    if (RightToLeft) pango_layout_set_auto_dir(l.Layout, FALSE);
    pango_layout_set_font_description(l.Layout, f.Desc);
    pango_layout_set_single_paragraph_mode(l.Layout, TRUE);
    if (f.Attrs) pango_layout_set_attributes(l.Layout, f.Attrs);
    const std::string utf8 = ToUtf8(Text);
    pango_layout_set_text(l.Layout, utf8.data(), static_cast<int>(utf8.size()));
    PangoRectangle logical;
    pango_layout_get_extents(l.Layout, nullptr, &logical);
    l.Width = (logical.width + PANGO_SCALE / 2) / PANGO_SCALE;
    l.Baseline = pango_layout_get_baseline(l.Layout) / static_cast<double>(PANGO_SCALE);
    CollectGlyphs(l, f.Attrs != nullptr);
    if (l.Glyphs) {
      // The glyphs are all a drawing needs.
      g_object_unref(l.Layout);
      l.Layout = nullptr;
    }
    FCachedChars += l.Key.size();
    FLru.push_front(std::move(l));
    FIndex.emplace(key, FLru.begin());
    return FLru.front();
  }

  static constexpr size_t kCapacity = 8192;
  static constexpr size_t kCharCapacity = size_t(1) << 18;
  static constexpr Int64 kMaxLineWidth = TLineRuler::kNoLimit;
  size_t FCachedChars = 0;
  PangoFontMap* FMap = nullptr;
  PangoContext* FContext = nullptr;
  PangoContext* FRtlContext = nullptr;
  const char* FUiFace = "DejaVu Sans";
  std::unordered_map<String, FontEntry> FFonts;  // node-based: entries never move
  struct RecentFont {
    TFontData Font;
    FontEntry* Entry = nullptr;
  };
  std::array<RecentFont, 4> FRecent;
  std::list<CachedLayout> FLru;
  std::unordered_map<String, std::list<CachedLayout>::iterator> FIndex;
};

// Lives for the process: the font library keeps caches that point into it, and
// tearing it down at exit gains nothing.
TPangoTextEngine& DefaultEngine() {
  static TPangoTextEngine* engine = new TPangoTextEngine();
  return *engine;
}

TTextEngine*& CurrentEngine() {
  static TTextEngine* current = nullptr;
  return current;
}

// ---------------------------------------------------------------------------
// Line layout

struct TextLine {
  String Text;
  Integer Underline = -1;  // index of the '&'-marked character in Text, or -1
};

// Removes '&' prefixes ("&&" is a literal '&'); the last marked character is underlined.
TextLine StripPrefix(const String& s, bool noPrefix) {
  TextLine l;
  if (noPrefix) {
    l.Text = s;
    return l;
  }
  l.Text.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'&' && i + 1 < s.size()) {
      ++i;
      if (s[i] != u'&') l.Underline = static_cast<Integer>(l.Text.size());
    } else if (s[i] == u'&') {
      continue;  // a trailing '&' shows nothing
    }
    l.Text += s[i];
  }
  return l;
}

struct Measurer {
  TTextEngine* Engine;
  const TFontData& Font;
  bool ExpandTabs;
  Integer TabWidth;

  // Width of a line; tabs advance to the next tab stop when expanded. A long
  // line is measured only until it passes Limit: the answer is then beyond Limit.
  Integer Width(StringView s, Integer Limit = TLineRuler::kNoLimit) const {
    if (!ExpandTabs || s.find(u'\t') == StringView::npos) return PiecesWidth(s, Limit);
    Integer x = 0;
    size_t start = 0;
    while (x <= Limit) {
      size_t tab = s.find(u'\t', start);
      x += PiecesWidth(s.substr(start, tab == StringView::npos ? StringView::npos : tab - start), Limit - x);
      if (tab == StringView::npos) break;
      x = TabWidth > 0 ? (x / TabWidth + 1) * TabWidth : x;
      start = tab + 1;
    }
    return x;
  }

  Integer PiecesWidth(StringView s, Integer Limit) const {
    if (s.size() <= size_t(kTextPieceMax) || Limit >= TLineRuler::kNoLimit) return Engine->TextWidth(Font, s);
    Int64 w = 0;
    for (size_t at = 0; at < s.size() && w <= Limit;) {
      const size_t end = TextPieceEnd(s, at);
      w += Engine->TextWidth(Font, s.substr(at, end - at));
      at = end;
    }
    return Integer(std::min<Int64>(w, TLineRuler::kNoLimit));
  }
};

// Splits at CR, LF or CR LF.
std::vector<String> SplitLines(const String& s) {
  std::vector<String> out(1);
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'\r' || s[i] == u'\n') {
      if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') ++i;
      out.emplace_back();
    } else {
      out.back() += s[i];
    }
  }
  return out;
}

// Breaks a paragraph between words to fit Width; a word wider than the line stays whole.
void WrapParagraph(const String& para, Integer Width, const Measurer& m, std::vector<String>& out) {
  if (para.empty()) {
    out.emplace_back();
    return;
  }
  const size_t n = para.size();
  size_t pos = 0;
  while (pos < n) {
    size_t lineEnd = pos, next = pos, i = pos;
    while (true) {
      size_t wordEnd = i;
      while (wordEnd < n && para[wordEnd] != u' ') ++wordEnd;
      if (lineEnd > pos && m.Width(StringView(para).substr(pos, wordEnd - pos), Width) > Width) break;
      lineEnd = wordEnd;
      size_t sp = wordEnd;
      while (sp < n && para[sp] == u' ') ++sp;
      next = i = sp;
      if (sp >= n) break;
    }
    out.push_back(para.substr(pos, lineEnd - pos));
    pos = next;
  }
}

// The longest start of Text that fits Width with "..." after it.
String Ellipsize(const String& Text, Integer Width, const Measurer& m) {
  if (m.Width(Text, Width) <= Width) return Text;
  const String dots = u"...";
  // Only the start that reaches past Width can hold the cut.
  size_t lo = 0, hi = Text.size();
  if (hi > size_t(kTextPieceMax) && !(m.ExpandTabs && Text.find(u'\t') != String::npos)) {
    Int64 w = 0;
    for (size_t at = 0; at < Text.size(); at = hi) {
      hi = TextPieceEnd(Text, at);
      w += m.Engine->TextWidth(m.Font, StringView(Text).substr(at, hi - at));
      if (w > Width) break;
    }
  }
  while (lo < hi) {
    size_t mid = (lo + hi + 1) / 2;
    if (m.Width(Text.substr(0, mid) + dots, Width) <= Width) lo = mid;
    else hi = mid - 1;
  }
  // Keep surrogate pairs whole.
  if (lo > 0 && Text[lo - 1] >= 0xD800 && Text[lo - 1] <= 0xDBFF) --lo;
  return Text.substr(0, lo) + dots;
}

// Draws one line with the top-left of its cell at (X, Y), in the reading order asked.
void DrawDirected(cairo_t* cr, TTextEngine* e, const TFontData& f, StringView s, double X, double Y, COLORREF c,
                  bool RightToLeft) {
  if (RightToLeft) e->DrawLineRightToLeft(cr, f, s, X, Y, c);
  else e->DrawLine(cr, f, s, X, Y, c);
}

// Draws one line at surface point P (top-left of its cell), expanding tabs when
// asked. A right-to-left line of Width runs from its right end: its first piece
// and tab stops stand there.
void DrawLineAt(cairo_t* cr, TTextEngine* e, const TFontData& f, StringView s, TPoint P, COLORREF c, const Measurer& m,
                bool RightToLeft, Integer Width) {
  if (!m.ExpandTabs || s.find(u'\t') == String::npos) {
    DrawDirected(cr, e, f, s, P.X, P.Y, c, RightToLeft);
    return;
  }
  Integer x = 0;
  size_t start = 0;
  while (true) {
    size_t tab = s.find(u'\t', start);
    StringView part = StringView(s).substr(start, tab == String::npos ? String::npos : tab - start);
    const Integer w = e->TextWidth(f, part);
    DrawDirected(cr, e, f, part, RightToLeft ? P.X + Width - x - w : P.X + x, P.Y, c, RightToLeft);
    x += w;
    if (tab == String::npos) break;
    x = m.TabWidth > 0 ? (x / m.TabWidth + 1) * m.TabWidth : x;
    start = tab + 1;
  }
}

// True when a text box, with room for glyphs that reach a little past their
// advance, lies inside a clip rectangle, so clipping would change nothing.
bool InsideWithInk(TRect box, const TRect& clip) {
  InflateRect(box, 2, 1);
  return box.Left >= clip.Left && box.Top >= clip.Top && box.Right <= clip.Right && box.Bottom <= clip.Bottom;
}

// What a recorded text carries: the text, where and how it was asked for, and the
// context's font and colours.
void RecordText(TGdiOp& Op, HDC DC, const String& Text, const TRect& Rect, TPoint Origin, UINT Flags, UINT Call) {
  Op.Type = Call;
  Op.Text = Text;
  Op.Rect = Rect;
  Op.Origin = Origin;
  Op.Flags = Flags;
  Op.Font = DC->S.Font;
  Op.Color = DC->S.TextColor & 0xFFFFFF;
}

}  // namespace

TTextEngine* GetTextEngine() {
  TTextEngine* e = CurrentEngine();
  return e ? e : &DefaultEngine();
}

TTextEngine* SetTextEngine(TTextEngine* Engine) {
  TTextEngine* prev = GetTextEngine();
  CurrentEngine() = Engine;
  return prev;
}

// ---------------------------------------------------------------------------
// The fixed-pitch engine

TTextMetric TFixedPitchTextEngine::GetMetrics(const TFontData& Font) {
  TTextMetric tm;
  tm.tmHeight = FHeight;
  tm.tmAscent = FAscent;
  tm.tmDescent = FHeight - FAscent;
  tm.tmAveCharWidth = FCharWidth;
  tm.tmMaxCharWidth = FCharWidth;
  tm.tmWeight = Font.Style.Contains(fsBold) ? 700 : 400;
  tm.tmCharSet = Font.Charset;
  return tm;
}

Integer TFixedPitchTextEngine::TextWidth(const TFontData&, StringView Text) {
  Int64 n = 0;
  for (Char c : Text)
    if (c < 0xDC00 || c > 0xDFFF) ++n;  // a surrogate pair is one character
  return Integer(std::min<Int64>(n * FCharWidth, TLineRuler::kNoLimit));
}

void TFixedPitchTextEngine::DrawLine(cairo_t* Cr, const TFontData&, StringView Text, double X, double Y,
                                     COLORREF Color) {
  cairo_save(Cr);
  cairo_set_antialias(Cr, CAIRO_ANTIALIAS_NONE);
  SetCairoSource(Cr, Color);
  double left, top, right, bottom;
  cairo_clip_extents(Cr, &left, &top, &right, &bottom);
  Int64 i = 0;
  for (Char c : Text) {
    if (c >= 0xDC00 && c <= 0xDFFF) continue;
    const double x = X + double(i) * FCharWidth;
    if (x >= right) break;
    if (c != u' ' && c != u'\t' && x + FCharWidth > left)
      cairo_rectangle(Cr, x, Y + 1, std::max(1, FCharWidth - 1), std::max(1, FAscent - 1));
    ++i;
  }
  cairo_fill(Cr);
  cairo_restore(Cr);
}

// ---------------------------------------------------------------------------
// GDI text calls

bool GetTextMetrics(HDC DC, TTextMetric& TM) {
  if (!DC) return false;
  TM = GetTextEngine()->GetMetrics(DC->S.Font);
  return true;
}

bool GetTextExtentPoint32(HDC DC, const String& Text, Integer Count, TSize& Size) {
  if (!DC || Count < 0) return false;
  TTextEngine* e = GetTextEngine();
  const StringView s = StringView(Text).substr(0, static_cast<size_t>(Count));
  Size = TSize(e->TextWidth(DC->S.Font, s), e->GetMetrics(DC->S.Font).tmHeight);
  return true;
}

UINT GetOutlineTextMetrics(HDC DC, UINT, TOutlineTextMetric* Metric) {
  if (!DC) return 0;
  const UINT size = sizeof(TOutlineTextMetric);
  if (!Metric) return size;
  TOutlineTextMetric m;
  m.otmSize = size;
  m.otmTextMetrics = GetTextEngine()->GetMetrics(DC->S.Font);
  m.otmAscent = m.otmTextMetrics.tmAscent;
  m.otmDescent = m.otmTextMetrics.tmDescent;
  if (m.otmTextMetrics.tmItalic) {
    // The oblique DejaVu faces lean about 11 degrees.
    m.otmItalicAngle = -110;
    m.otmsCharSlopeRise = 100;
    m.otmsCharSlopeRun = 19;
  }
  *Metric = m;
  return size;
}

bool ExtTextOut(HDC DC, Integer X, Integer Y, UINT Options, const TRect* Rect, const String& Text, Integer Count,
                const Integer*) {
  if (!DC) return false;
  TTextEngine* e = GetTextEngine();
  const TFontData& font = DC->S.Font;
  // A view of the text: no copy per call.
  const StringView s =
      Count < 0 ? StringView(Text) : StringView(Text).substr(0, std::min(Text.size(), static_cast<size_t>(Count)));
  TGdiRecordScope Rec(DC, gopText);
  if (Rec.Active()) RecordText(Rec.Op(), DC, String(s), Rect ? *Rect : TRect(), TPoint(X, Y), Options, gtxExtTextOut);
  const TTextMetric tm = e->GetMetrics(font);
  const UINT align = DC->S.TextAlign;
  const bool rtlReading = (Options & ETO_RTLREADING) || (align & TA_RTLREADING);
  // Left-aligned text is measured only as far as the clip lets it show (a
  // right-to-left line starts at its far end: it is measured whole).
  Integer limit = TLineRuler::kNoLimit;
  if (!(align & (TA_CENTER | TA_RIGHT | TA_UPDATECP)) && !DC->Mirrored() && !rtlReading) {
    TRect box;
    if (GetClipBox(DC, box) != ERROR_REGION) limit = std::max(0, box.Right - X) + tm.tmHeight;
  }
  const Integer w = Measurer{e, font, false, 0}.Width(s, limit);
  if (align & TA_UPDATECP) {
    X = DC->S.PenPos.X;
    Y = DC->S.PenPos.Y;
  }
  Integer x = X, y = Y;
  if ((align & TA_CENTER) == TA_CENTER) x -= w / 2;
  else if (align & TA_RIGHT) x -= w;
  if ((align & TA_BASELINE) == TA_BASELINE) y -= tm.tmAscent;
  else if (align & TA_BOTTOM) y -= tm.tmHeight;
  if (align & TA_UPDATECP) DC->S.PenPos.X += w;

  // The rectangle, on the surface.
  const TRect area = Rect ? DC->ToSurface(*Rect) : TRect();
  const bool opaqueRect = Rect && (Options & ETO_OPAQUE);
  const bool clipped = Rect && (Options & ETO_CLIPPED);
  if (opaqueRect) DC->RopRect(area, DC->S.BkColor, R2_COPYPEN);
  cairo_t* cr = DC->Cairo();
  if (!cr || s.empty()) return true;
  const bool rotated = font.Orientation % 3600 != 0;
  const TRect cell = DC->ToSurface(TRect(x, y, x + w, y + tm.tmHeight));
  if (DC->S.BkMode == OPAQUE && !rotated) {
    TRect box = cell;
    if (clipped) IntersectRect(box, box, area);
    // Inside the rectangle just filled the text's background is already there
    // (a grid cell writes its text so, every cell of every paint).
    TRect filled;
    if (!(opaqueRect && IntersectRect(filled, box, area) && filled == box)) DC->RopRect(box, DC->S.BkColor, R2_COPYPEN);
  }
  cairo_save(cr);
  if (clipped && (rotated || !InsideWithInk(cell, area))) {
    cairo_rectangle(cr, area.Left, area.Top, area.Width(), area.Height());
    cairo_clip(cr);
  }
  if (rotated) {
    // The reference point stays where it is; the line turns around it.
    TPoint ref = DC->ToSurface(TPoint(x, y));
    cairo_translate(cr, ref.X, ref.Y);
    cairo_rotate(cr, -font.Orientation * std::acos(-1.0) / 1800.0);
    DrawDirected(cr, e, font, s, 0, 0, DC->S.TextColor, rtlReading);
  } else {
    DrawDirected(cr, e, font, s, cell.Left, cell.Top, DC->S.TextColor, rtlReading);
  }
  cairo_restore(cr);
  return true;
}

bool TextOut(HDC DC, Integer X, Integer Y, const String& Text, Integer Count) {
  return ExtTextOut(DC, X, Y, 0, nullptr, Text, Count, nullptr);
}

Integer DrawText(HDC DC, const String& Text, Integer Count, TRect& Rect, UINT Format) {
  return DrawTextEx(DC, Text, Count, Rect, Format, nullptr);
}

namespace {

// How far a line of DrawTextEx needs measuring: left-aligned, clipped text
// only as far as it can show (a right-to-left line starts at its far end).
Integer ShownWidthLimit(HDC DC, UINT Format, const TRect& r, const TTextMetric& tm) {
  if (Format & (DT_CALCRECT | DT_CENTER | DT_RIGHT | DT_NOCLIP | DT_RTLREADING) || DC->Mirrored())
    return TLineRuler::kNoLimit;
  return std::max(0, r.Width()) + tm.tmHeight;
}

// A display line of DrawTextEx, measured.
struct PlacedLine {
  StringView Text;
  Integer Width = 0;
  Integer Underline = -1;
};

// Places measured lines in the format's rectangle and draws them (or only
// answers their box for DT_CALCRECT).
Integer PlaceLines(HDC DC, TRect& Rect, UINT Format, const TRect& r, const TTextMetric& tm, Integer lineH,
                   const Measurer& m, const PlacedLine* lines, size_t count, TDrawTextParams* Params,
                   size_t SourceLength) {
  TTextEngine* e = m.Engine;
  const TFontData& font = m.Font;
  const bool singleLine = Format & DT_SINGLELINE;
  const Integer totalH = static_cast<Integer>(count) * lineH;
  if (Format & DT_CALCRECT) {
    Integer maxW = 0;
    for (size_t i = 0; i < count; ++i) maxW = std::max(maxW, lines[i].Width);
    // The margins stay around the widest line.
    Rect.Right = r.Left + maxW + (Rect.Right - r.Right);
    Rect.Bottom = Rect.Top + totalH;
    return totalH;
  }

  Integer y = r.Top;
  if (singleLine) {
    if (Format & DT_VCENTER) y = r.Top + (r.Height() - lineH) / 2;
    else if (Format & DT_BOTTOM) y = r.Bottom - lineH;
  }
  const Integer result = (singleLine && (Format & (DT_VCENTER | DT_BOTTOM))) ? y - Rect.Top + totalH : totalH;

  cairo_t* cr = DC->Cairo();
  if (!cr) return result;
  auto LineLeft = [&](Integer w) {
    if (Format & DT_CENTER) return r.Left + (r.Width() - w) / 2;
    if (Format & DT_RIGHT) return r.Right - w;
    return r.Left;
  };
  cairo_save(cr);
  bool needClip = !(Format & DT_NOCLIP);
  if (needClip) {
    // Skip the clip when every line with its ink stays inside anyway.
    TRect all;
    Integer ly = y;
    for (size_t i = 0; i < count; ++i, ly += lineH) {
      const Integer lx = LineLeft(lines[i].Width);
      UnionRect(all, all, TRect(lx, ly, lx + std::max(1, lines[i].Width), ly + lineH));
    }
    needClip = !InsideWithInk(DC->ToSurface(all), DC->ToSurface(r));
  }
  if (needClip) {
    TRect c = DC->ToSurface(r);
    cairo_rectangle(cr, c.Left, c.Top, std::max(0, c.Width()), std::max(0, c.Height()));
    cairo_clip(cr);
  }
  const COLORREF color = DC->S.TextColor;
  for (size_t i = 0; i < count; ++i, y += lineH) {
    const PlacedLine& line = lines[i];
    const Integer w = line.Width;
    const Integer x = LineLeft(w);
    TRect cell = DC->ToSurface(TRect(x, y, x + w, y + lineH));
    if (DC->S.BkMode == OPAQUE && w > 0) {
      TRect box = cell;
      if (!(Format & DT_NOCLIP)) IntersectRect(box, box, DC->ToSurface(r));
      DC->RopRect(box, DC->S.BkColor, R2_COPYPEN);
    }
    if (!(Format & DT_PREFIXONLY))
      DrawLineAt(cr, e, font, line.Text, cell.TopLeft(), color, m, (Format & DT_RTLREADING) != 0, w);
    if (line.Underline >= 0 && !(Format & DT_HIDEPREFIX)) {
      const size_t u = static_cast<size_t>(line.Underline);
      const Integer ux = m.Width(line.Text.substr(0, u));
      const Integer uw = std::max<Integer>(1, e->TextWidth(font, line.Text.substr(u, 1)));
      TRect ul = DC->ToSurface(TRect(x + ux, y + tm.tmAscent + 1, x + ux + uw, y + tm.tmAscent + 2));
      cairo_save(cr);
      cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
      SetCairoSource(cr, color);
      cairo_rectangle(cr, ul.Left, ul.Top, ul.Width(), ul.Height());
      cairo_fill(cr);
      cairo_restore(cr);
    }
  }
  cairo_restore(cr);
  if (Params) Params->uiLengthDrawn = static_cast<UINT>(SourceLength);
  return result;
}

}  // namespace

Integer DrawTextEx(HDC DC, const String& Text, Integer Count, TRect& Rect, UINT Format, TDrawTextParams* Params) {
  if (!DC) return 0;
  TTextEngine* e = GetTextEngine();
  const TFontData& font = DC->S.Font;
  const TTextMetric tm = e->GetMetrics(font);
  const StringView text =
      Count < 0 ? StringView(Text) : StringView(Text).substr(0, std::min(Text.size(), static_cast<size_t>(Count)));
  // Measuring draws nothing and is not recorded.
  TGdiRecordScope Rec((Format & DT_CALCRECT) ? nullptr : DC, gopText);
  if (Rec.Active()) RecordText(Rec.Op(), DC, String(text), Rect, Rect.TopLeft(), Format, gtxDrawText);
  const Integer lm = Params ? Params->iLeftMargin : 0, rm = Params ? Params->iRightMargin : 0;
  const Integer tabChars = Params && Params->iTabLength > 0 ? Params->iTabLength : 8;
  const Measurer m{e, font, (Format & DT_EXPANDTABS) != 0, tabChars * tm.tmAveCharWidth};
  const Integer lineH = tm.tmHeight + ((Format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  const TRect r(Rect.Left + lm, Rect.Top, Rect.Right - rm, Rect.Bottom);
  const bool noPrefix = Format & DT_NOPREFIX;
  const bool singleLine = Format & DT_SINGLELINE;
  if (text.empty()) {
    // Nothing to lay out: no height, as on the platform (callers that want a
    // line's height measure a space).
    if (Format & DT_CALCRECT) {
      Rect.Right = Rect.Left;
      Rect.Bottom = Rect.Top;
    }
    return 0;
  }

  // One line that shows as it is given (a number, a caption) needs no line
  // lists: it is measured and drawn straight from the caller's text.
  if (singleLine && !(Format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)) &&
      text.find_first_of(noPrefix ? StringView(u"\r\n") : StringView(u"\r\n&")) == StringView::npos) {
    const PlacedLine one{text, m.Width(text, ShownWidthLimit(DC, Format, r, tm)), -1};
    return PlaceLines(DC, Rect, Format, r, tm, lineH, m, &one, 1, Params, text.size());
  }

  // Break into display lines.
  std::vector<String> raw;
  if (singleLine) {
    String one;
    for (Char c : text)
      if (c != u'\r' && c != u'\n') one += c;
    raw.push_back(std::move(one));
  } else {
    for (const String& para : SplitLines(String(text))) {
      if (Format & DT_WORDBREAK) {
        // Prefix marks take no room, so break on the text as shown.
        WrapParagraph(para, r.Width(), m, raw);
      } else {
        raw.push_back(para);
      }
    }
  }
  std::vector<TextLine> lines;
  lines.reserve(raw.size());
  std::vector<PlacedLine> placed;
  placed.reserve(raw.size());
  for (const String& l : raw) {
    TextLine tl = StripPrefix(l, noPrefix);
    if ((Format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)) && !(Format & DT_CALCRECT)) {
      String shortened = Ellipsize(tl.Text, r.Width(), m);
      if (shortened.size() != tl.Text.size() || shortened != tl.Text) {
        if (tl.Underline >= static_cast<Integer>(shortened.size()) - 3) tl.Underline = -1;
        tl.Text = std::move(shortened);
      }
    }
    Integer w = m.Width(tl.Text, ShownWidthLimit(DC, Format, r, tm));
    if ((Format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)) && (Format & DT_CALCRECT))
      w = std::min(w, std::max(0, r.Width()));
    lines.push_back(std::move(tl));
    placed.push_back(PlacedLine{StringView(lines.back().Text), w, lines.back().Underline});
  }
  return PlaceLines(DC, Rect, Format, r, tm, lineH, m, placed.data(), placed.size(), Params, text.size());
}

// The font configuration library keeps its caches until the process ends and
// never frees them; the leak checker of sanitized builds is told so here, beside
// the code that loads fonts, so every program that draws text is covered.
extern "C" const char* __lsan_default_suppressions();
// The display's system libraries (the X client, its D-Bus helper) also keep
// caches for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libdbus-1.so\n"
         "leak:libX11.so\n"
         "leak:libSDL2\n";
}
