#pragma once
// A private X server for the display tests: Xvfb on a free display number, its
// framebuffer kept in a file (-fbdir) so a test can take a real screenshot of
// what the server shows.

#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cairo.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

class TXvfbServer {
public:
  TXvfbServer() = default;
  ~TXvfbServer() { Stop(); }
  TXvfbServer(const TXvfbServer&) = delete;
  TXvfbServer& operator=(const TXvfbServer&) = delete;

  // Starts the server (1024x768, 24 bits); false when Xvfb is missing or no display
  // number could be had.
  bool Start() {
    namespace fs = std::filesystem;
    char tmpl[] = "/tmp/uictl-xvfb-XXXXXX";
    if (!mkdtemp(tmpl)) return false;
    FDir = tmpl;
    for (int n = 90 + getpid() % 50, tries = 0; tries < 40; ++n, ++tries) {
      const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
      const std::string sock = "/tmp/.X11-unix/X" + std::to_string(n);
      if (fs::exists(lock) || fs::exists(sock)) continue;
      const std::string disp = ":" + std::to_string(n);
      std::vector<std::string> args{"Xvfb",   disp, "-screen",   "0",   "1024x768x24",
                                    "-fbdir", FDir, "-nolisten", "tcp", "-noreset"};
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      // The server goes when the test process goes, even when it is killed.
      const pid_t parent = getpid();
      pid_t pid = fork();
      if (pid < 0) return false;
      if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        execvp("Xvfb", argv.data());
        _exit(127);
      }
      for (int i = 0; i < 100; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
          pid = 0;
          break;
        }
        if (fs::exists(sock) && fs::exists(FDir + "/Xvfb_screen0")) {
          FPid = pid;
          FDisplay = disp;
          return true;
        }
      }
      if (pid) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
    }
    return false;
  }

  void Stop() {
    if (FPid > 0) {
      kill(FPid, SIGTERM);
      for (int i = 0; i < 40; ++i) {
        if (waitpid(FPid, nullptr, WNOHANG) == FPid) {
          FPid = 0;
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      if (FPid > 0) {
        kill(FPid, SIGKILL);
        waitpid(FPid, nullptr, 0);
      }
      FPid = 0;
    }
    if (!FDir.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(FDir, ec);
      FDir.clear();
    }
  }

  const std::string& Display() const { return FDisplay; }

  // The screen as the server has it now: 0x00RRGGBB pixels, row by row.
  struct TShot {
    int Width = 0, Height = 0;
    std::vector<std::uint32_t> Pixels;
    std::uint32_t At(int x, int y) const { return Pixels[size_t(y) * size_t(Width) + size_t(x)] & 0xFFFFFF; }
  };
  bool Screenshot(TShot& Shot) const {
    std::ifstream f(FDir + "/Xvfb_screen0", std::ios::binary);
    std::vector<unsigned char> d((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (d.size() < 100) return false;
    auto be = [&](size_t i) {
      return std::uint32_t(d[4 * i]) << 24 | std::uint32_t(d[4 * i + 1]) << 16 | std::uint32_t(d[4 * i + 2]) << 8 |
             d[4 * i + 3];
    };
    const std::uint32_t headerSize = be(0), width = be(4), height = be(5), byteOrder = be(7), bpp = be(11),
                        bytesPerLine = be(12), ncolors = be(19);
    const size_t offset = size_t(headerSize) + size_t(ncolors) * 12;
    if (bpp != 32 || offset + size_t(bytesPerLine) * height > d.size()) return false;
    Shot.Width = int(width);
    Shot.Height = int(height);
    Shot.Pixels.resize(size_t(width) * height);
    for (std::uint32_t y = 0; y < height; ++y)
      for (std::uint32_t x = 0; x < width; ++x) {
        const unsigned char* p = d.data() + offset + size_t(y) * bytesPerLine + size_t(x) * 4;
        Shot.Pixels[size_t(y) * width + x] = byteOrder == 0
                                                 ? (std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0])
                                                 : (std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3]);
      }
    return true;
  }

  static bool SavePNG(const TShot& Shot, const std::string& Path) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, Shot.Width, Shot.Height);
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < Shot.Height; ++y)
      for (int x = 0; x < Shot.Width; ++x)
        reinterpret_cast<std::uint32_t*>(data + size_t(y) * size_t(stride))[x] = Shot.At(x, y);
    cairo_surface_mark_dirty(s);
    const bool ok = cairo_surface_write_to_png(s, Path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    return ok;
  }

private:
  pid_t FPid = 0;
  std::string FDisplay;
  std::string FDir;
};
