#pragma once
// How many times a text occurs in another, counting overlaps: for tests that
// read a log or a program's output.
#include <cstddef>
#include <string>

inline std::size_t Occurrences(const std::string& In, const std::string& Text) {
  std::size_t n = 0;
  for (std::size_t at = In.find(Text); at != std::string::npos; at = In.find(Text, at + 1)) ++n;
  return n;
}
