#pragma once
// The program as a user starts it: a copy in a folder of its own, with a
// resource list in its settings folder, started on a display with its stderr
// kept in a file.
//
//   TProgram program("display-loss", ResourceList);
//   ASSERT_TRUE(program.Start(server.Display()));
//   ASSERT_TRUE(WaitFor([&] { return !program.Running(); }));
//   EXPECT_EQ(WEXITSTATUS(program.ExitStatus()), 0) << program.Stderr();

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

inline std::string ReadFile(const std::filesystem::path& Path) {
  std::ifstream f(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Every file under Folder with its bytes.
inline std::map<std::filesystem::path, std::string> FilesUnder(const std::filesystem::path& Folder) {
  std::map<std::filesystem::path, std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(Folder))
    if (e.is_regular_file()) files[e.path()] = ReadFile(e.path());
  return files;
}

// Waits, up to a bound that only a broken run reaches, until Done holds.
template <class F>
bool WaitFor(F Done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  while (std::chrono::steady_clock::now() < end) {
    if (Done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

class TProgram {
public:
  // Name tells the folder apart; ResourceList is written as the list of the
  // settings folder, and a search list naming resource 3 beside it.
  TProgram(const std::string& Name, const std::string& ResourceList) {
    namespace fs = std::filesystem;
    const std::string id = std::to_string(getpid());
    FFolder = fs::path(BORROW_BINARY_DIR) / "test-artifacts" / (Name + "-" + id);
    fs::remove_all(FFolder);
    fs::create_directories(FFolder / "Settings");
    // Its folders lie beside the program file, and its single-instance lock is
    // named after it: a name of its own keeps it apart from any other copy.
    FExe = FFolder / ("borrowline-" + id);
    std::error_code ec;
    fs::create_hard_link(BORROWLINE_PATH, FExe, ec);
    if (ec) fs::copy_file(BORROWLINE_PATH, FExe);
    std::ofstream(FFolder / "Settings" / "ListDB.txt", std::ios::binary) << ResourceList;
    std::ofstream(FFolder / "Settings" / "ListDB_for_Search.txt", std::ios::binary) << "3\r\n";
  }
  ~TProgram() {
    if (FPid > 0) {
      kill(FPid, SIGKILL);
      waitpid(FPid, nullptr, 0);
    }
    std::error_code ec;
    std::filesystem::remove_all(FFolder, ec);
  }
  TProgram(const TProgram&) = delete;
  TProgram& operator=(const TProgram&) = delete;

  // The process environment with DISPLAY set to DisplayName; a sanitized
  // build's leak checker keeps its list of known leaks to itself, so that
  // stderr holds what the program says.
  bool Start(const std::string& DisplayName) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    const std::string err = (FFolder / "stderr.txt").string();
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
      if (std::strncmp(*e, "DISPLAY=", 8) != 0 && std::strncmp(*e, "LSAN_OPTIONS=", 13) != 0) env.emplace_back(*e);
    env.push_back("DISPLAY=" + DisplayName);
    env.push_back("LSAN_OPTIONS=print_suppressions=0");
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
  const std::filesystem::path& Folder() const { return FFolder; }
  std::string Stderr() const { return ReadFile(FFolder / "stderr.txt"); }

private:
  std::filesystem::path FFolder, FExe;
  pid_t FPid = 0;
  int FStatus = 0;
};
