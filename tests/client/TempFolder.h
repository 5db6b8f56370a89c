#pragma once
// A fresh folder under the temporary folder for one test, removed afterwards.

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/Files.h"
#include "platform/core/Types.h"

class TTempFolder {
public:
  TTempFolder() {
    static std::atomic<int> serial{0};
    FPath = std::filesystem::temp_directory_path() /
            ("clientcore-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    std::filesystem::remove_all(FPath);
    std::filesystem::create_directories(FPath);
  }
  ~TTempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  // The folder with a trailing "/".
  String Path() const { return FromUtf8(FPath.string() + "/"); }
  std::string Utf8() const { return FPath.string() + "/"; }

  // Names in the folder, sorted.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(FPath)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

private:
  std::filesystem::path FPath;
};

inline void WriteBytes(const String& FileName, const std::string& Bytes) { WriteFileAtomic(FileName, Bytes); }
