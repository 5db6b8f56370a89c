// Draws the about box's picture (an open book under a magnifying glass, with
// a catalogue card behind) and writes it as about.jpg through libjpeg.
//
// Build and run once, from the project root:
//   g++ -std=c++20 resources/MakeAboutPicture.cpp $(pkg-config --cflags --libs cairo libjpeg)
//       -o /tmp/make_about_picture
//   /tmp/make_about_picture resources/about.jpg
// The JPEG it writes is kept in resources/ and built into the program.

#include <cairo.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <vector>

#include <jpeglib.h>  // after <cstdio>: it uses FILE and size_t without including them

namespace {

constexpr int kSize = 112;

void Fill(cairo_t* cr, double r, double g, double b) {
  cairo_set_source_rgb(cr, r / 255.0, g / 255.0, b / 255.0);
  cairo_fill(cr);
}

void Stroke(cairo_t* cr, double r, double g, double b, double width) {
  cairo_set_source_rgb(cr, r / 255.0, g / 255.0, b / 255.0);
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
}

void DrawPicture(cairo_t* cr) {
  // Sky-blue ground with a lighter band, the program's own colours.
  cairo_rectangle(cr, 0, 0, kSize, kSize);
  Fill(cr, 0xA6, 0xCA, 0xF0);
  cairo_rectangle(cr, 0, 74, kSize, kSize - 74);
  Fill(cr, 0xD6, 0xE6, 0xF8);

  // A catalogue card, tilted, with its ruled lines and punched hole.
  cairo_save(cr);
  cairo_translate(cr, 30, 14);
  cairo_rotate(cr, -0.12);
  cairo_rectangle(cr, 0, 0, 58, 38);
  Fill(cr, 0xFF, 0xFB, 0xEE);
  cairo_rectangle(cr, 0.5, 0.5, 57, 37);
  Stroke(cr, 0x80, 0x70, 0x50, 1);
  for (int i = 0; i < 4; ++i) {
    cairo_move_to(cr, 6, 9 + i * 7);
    cairo_line_to(cr, 52 - (i == 3 ? 18 : 0), 9 + i * 7);
    Stroke(cr, 0x90, 0x90, 0xC0, 1);
  }
  cairo_arc(cr, 29, 34, 2.2, 0, 2 * M_PI);
  Fill(cr, 0xA6, 0xCA, 0xF0);
  cairo_restore(cr);

  // The open book: two pages meeting at the spine, a navy cover under them.
  cairo_move_to(cr, 12, 60);
  cairo_curve_to(cr, 30, 52, 46, 54, 56, 62);
  cairo_line_to(cr, 56, 96);
  cairo_curve_to(cr, 46, 88, 30, 86, 12, 94);
  cairo_close_path(cr);
  Fill(cr, 0xFF, 0xFF, 0xFF);
  cairo_move_to(cr, 100, 60);
  cairo_curve_to(cr, 82, 52, 66, 54, 56, 62);
  cairo_line_to(cr, 56, 96);
  cairo_curve_to(cr, 66, 88, 82, 86, 100, 94);
  cairo_close_path(cr);
  Fill(cr, 0xF4, 0xF4, 0xFF);
  cairo_move_to(cr, 10, 95);
  cairo_curve_to(cr, 30, 88, 46, 90, 56, 99);
  cairo_curve_to(cr, 66, 90, 82, 88, 102, 95);
  Stroke(cr, 0x00, 0x00, 0x80, 3);
  cairo_move_to(cr, 56, 62);
  cairo_line_to(cr, 56, 97);
  Stroke(cr, 0x00, 0x00, 0x80, 1.5);
  for (int i = 0; i < 4; ++i) {
    const double y = 66 + i * 6;
    cairo_move_to(cr, 19, y);
    cairo_line_to(cr, 49, y - 1);
    cairo_move_to(cr, 63, y - 1);
    cairo_line_to(cr, 93, y);
  }
  Stroke(cr, 0x80, 0x80, 0xA0, 1);

  // The magnifying glass over the right page.
  cairo_arc(cr, 78, 50, 15, 0, 2 * M_PI);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.35);
  cairo_fill_preserve(cr);
  Stroke(cr, 0x59, 0x43, 0x04, 4);
  cairo_move_to(cr, 89, 61);
  cairo_line_to(cr, 104, 76);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  Stroke(cr, 0x59, 0x43, 0x04, 6);
}

bool WriteJpeg(cairo_surface_t* surface, const char* path) {
  FILE* out = std::fopen(path, "wb");
  if (!out) return false;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, out);
  c.image_width = kSize;
  c.image_height = kSize;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  jpeg_start_compress(&c, TRUE);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  std::vector<unsigned char> row(kSize * 3);
  while (c.next_scanline < c.image_height) {
    const auto* px = reinterpret_cast<const unsigned*>(data + c.next_scanline * stride);
    for (int x = 0; x < kSize; ++x) {
      row[x * 3] = (px[x] >> 16) & 0xFF;
      row[x * 3 + 1] = (px[x] >> 8) & 0xFF;
      row[x * 3 + 2] = px[x] & 0xFF;
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.jpg\n", argv[0]);
    return 2;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kSize, kSize);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_GOOD);
  DrawPicture(cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  const bool ok = WriteJpeg(surface, argv[1]);
  cairo_surface_destroy(surface);
  return ok ? 0 : 1;
}
