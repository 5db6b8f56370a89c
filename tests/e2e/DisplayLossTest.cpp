// The program loses its display: the X server it shows its windows on ends
// while it runs. The program says so and ends by itself, and the files in its
// folders stay whole.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/backend/XvfbServer.h"

// Last: its macros would rename what the headers above declare.
#include <X11/Xlib.h>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& Path) {
  std::ifstream f(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Every file under Folder with its bytes.
std::map<fs::path, std::string> FilesUnder(const fs::path& Folder) {
  std::map<fs::path, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(Folder))
    if (e.is_regular_file()) files[e.path()] = ReadFile(e.path());
  return files;
}

// Whether the server shows a top-level window whose title begins with Title.
bool ShowsWindow(const std::string& DisplayName, const std::string& Title) {
  ::Display* d = XOpenDisplay(DisplayName.c_str());
  if (!d) return false;
  bool found = false;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) {
    for (unsigned i = 0; i < n && !found; ++i) {
      XWindowAttributes a;
      char* name = nullptr;
      if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable && XFetchName(d, children[i], &name) &&
          name)
        found = std::strncmp(name, Title.c_str(), Title.size()) == 0;
      if (name) XFree(name);
    }
    if (children) XFree(children);
  }
  XCloseDisplay(d);
  return found;
}

// A copy of the program in a folder of its own, with the resource list of a
// first run, started on a display.
class TProgram {
public:
  TProgram() {
    const std::string id = std::to_string(getpid());
    FFolder = fs::path(BORROW_BINARY_DIR) / "test-artifacts" / ("display-loss-" + id);
    fs::remove_all(FFolder);
    fs::create_directories(FFolder / "Settings");
    // Its folders lie beside the program file, and its single-instance lock is
    // named after it: a name of its own keeps it apart from any other copy.
    FExe = FFolder / ("borrowline-" + id);
    std::error_code ec;
    fs::create_hard_link(BORROWLINE_PATH, FExe, ec);
    if (ec) fs::copy_file(BORROWLINE_PATH, FExe);
    fs::copy_file(fs::path(BORROW_SOURCE_DIR) / "resources" / "ListDB.txt", FFolder / "Settings" / "ListDB.txt");
    std::ofstream(FFolder / "Settings" / "ListDB_for_Search.txt", std::ios::binary) << "3\r\n";
  }
  ~TProgram() {
    if (FPid > 0) {
      kill(FPid, SIGKILL);
      waitpid(FPid, nullptr, 0);
    }
    std::error_code ec;
    fs::remove_all(FFolder, ec);
  }
  TProgram(const TProgram&) = delete;
  TProgram& operator=(const TProgram&) = delete;

  bool Start(const std::string& DisplayName) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    const std::string err = (FFolder / "stderr.txt").string();
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
      if (std::strncmp(*e, "DISPLAY=", 8) != 0) env.emplace_back(*e);
    env.push_back("DISPLAY=" + DisplayName);
    std::vector<char*> envp, argv;
    for (auto& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string path = FExe.string();
    argv.push_back(path.data());
    argv.push_back(nullptr);
    const bool ok = posix_spawn(&FPid, path.c_str(), &fa, nullptr, argv.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&fa);
    if (!ok) FPid = 0;
    return ok;
  }

  // Whether the program still runs; once it has ended, ExitStatus says how.
  bool Running() {
    if (FPid <= 0) return false;
    if (waitpid(FPid, &FStatus, WNOHANG) != FPid) return true;
    FPid = 0;
    return false;
  }
  int ExitStatus() const { return FStatus; }
  const fs::path& Folder() const { return FFolder; }
  std::string Stderr() const { return ReadFile(FFolder / "stderr.txt"); }

private:
  fs::path FFolder, FExe;
  pid_t FPid = 0;
  int FStatus = 0;
};

// Waits, up to a bound that only a broken run reaches, until Done holds.
template <class F>
bool WaitFor(F Done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  while (std::chrono::steady_clock::now() < end) {
    if (Done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace

TEST(DisplayLoss, AProgramWhoseXServerEndsSaysSoAndEndsItselfWithItsFilesWhole) {
  TXvfbServer server;
  if (!server.Start()) GTEST_SKIP() << "Xvfb cannot be started here";
  TProgram program;
  ASSERT_TRUE(program.Start(server.Display()));
  ASSERT_TRUE(WaitFor([&] { return !program.Running() || ShowsWindow(server.Display(), "Borrowline"); }))
      << program.Stderr();
  ASSERT_TRUE(program.Running()) << program.Stderr();
  const auto before = FilesUnder(program.Folder() / "Settings");

  server.Stop();
  ASSERT_TRUE(WaitFor([&] { return !program.Running(); })) << "the program goes on without its display";

  const std::string err = program.Stderr();
  ASSERT_TRUE(WIFEXITED(program.ExitStatus())) << "ended by signal " << WTERMSIG(program.ExitStatus()) << "\n" << err;
  EXPECT_EQ(WEXITSTATUS(program.ExitStatus()), 1);
  EXPECT_NE(err.find("borrowline: the connection to the display " + server.Display() + " is lost; the program ends."),
            std::string::npos)
      << err;
  EXPECT_EQ(err.find("AddressSanitizer"), std::string::npos) << err;
  EXPECT_EQ(err.find("runtime error"), std::string::npos) << err;
  EXPECT_EQ(FilesUnder(program.Folder() / "Settings"), before);
}
