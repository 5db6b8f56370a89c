#pragma once
// Expected bytes kept on disk for file formats: a writer and a reader that
// drift together still pass a round trip, but not a comparison with bytes
// written down once.
//
//   EXPECT_TRUE(MatchesExpectedFile(Bytes, "tests/client/expected/ListDB.txt"));
//
// The path is relative to the source tree. A missing file is written from the
// bytes at hand and the comparison fails once, naming it, so the new file is
// looked at and committed rather than taken on trust.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

inline ::testing::AssertionResult MatchesExpectedFile(const std::string& Actual, const std::string& RelativePath) {
  const std::filesystem::path Path = std::filesystem::path(BORROW_SOURCE_DIR) / RelativePath;
  if (!std::filesystem::exists(Path)) {
    std::filesystem::create_directories(Path.parent_path());
    std::ofstream(Path, std::ios::binary) << Actual;
    return ::testing::AssertionFailure() << RelativePath << " was missing: written from this run (" << Actual.size()
                                         << " bytes); look it over and commit it";
  }
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream Bytes;
  Bytes << In.rdbuf();
  const std::string Expected = Bytes.str();
  if (Actual == Expected) return ::testing::AssertionSuccess();
  const auto Diff = std::mismatch(Actual.begin(), Actual.end(), Expected.begin(), Expected.end());
  return ::testing::AssertionFailure() << RelativePath << ": " << Actual.size() << " bytes written, " << Expected.size()
                                       << " expected; they differ first at offset " << (Diff.first - Actual.begin());
}
