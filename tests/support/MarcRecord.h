#pragma once
// An ISO 2709 record with the given fields (tag, data without terminator),
// as a catalogue sends it, for the servers and inputs of tests and fuzzing.

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

inline std::string MarcRecord(const std::vector<std::pair<std::string, std::string>>& Fields) {
  std::string directory, data;
  for (const auto& [tag, value] : Fields) {
    char entry[13];
    std::snprintf(entry, sizeof entry, "%3s%04zu%05zu", tag.c_str(), value.size() + 1, data.size());
    directory += entry;
    data += value + "\x1E";
  }
  directory += "\x1E";
  const size_t base = 24 + directory.size();
  const size_t length = base + data.size() + 1;
  char leader[25];
  std::snprintf(leader, sizeof leader, "%05zunam a22%05zu   4500", length, base);
  return std::string(leader) + directory + data + "\x1D";
}
