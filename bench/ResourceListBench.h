#pragma once
// Resource lists the benchmarks load, and the bare parse the loads are set
// beside.

#include <string>
#include <vector>

#include "platform/core/Files.h"
#include "platform/core/Strings.h"
#include "tests/client/ResourceListText.h"

// A list of Lines lines in groups of 50: each group's first line, then 49
// resources. With SomeUnchosen every third resource is not chosen for search.
inline std::string GroupedResourceList(int Lines, bool SomeUnchosen = false) {
  std::string bytes = kResourceListHead;
  bytes.reserve(static_cast<size_t>(Lines) * 90);
  for (int id = 1; id <= Lines; ++id) {
    if (id % 50 == 1) {
      bytes += std::to_string(id) + "\t0\t0\t" + std::to_string(id) + "\t+\t+\tГруппа " + std::to_string(id) +
               "\t \t \t0\t \t \t \t \t \t\r\n";
      continue;
    }
    const int group = id - (id - 1) % 50;
    bytes += std::to_string(id) + "\t" + std::to_string(group) + "\t1\t" + std::to_string(id % 97) + "\t+\t" +
             (SomeUnchosen && id % 3 == 0 ? " " : "+") + "\tКаталог " + std::to_string(id) + "\tDefault\thost" +
             std::to_string(id % 13) + ".example\t210\tRUSMARC\tutf-8\t \t \t \t\r\n";
  }
  return bytes;
}

// Reads the file and splits every line at its TABs into UTF-16 strings, as
// plain code would: answers the number of lines, and hands the lines' fields to
// Lines when given.
inline size_t BareParse(const String& FileName, std::vector<std::vector<String>>* Lines = nullptr) {
  const String text = ReadTextFile(FileName);
  std::vector<std::vector<String>> rows;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find(u'\n', at);
    if (end == String::npos) end = text.size();
    std::vector<String> fields;
    size_t f = at;
    for (size_t i = at; i <= end; ++i)
      if (i == end || text[i] == u'\t') {
        fields.emplace_back(text.substr(f, i - f));
        f = i + 1;
      }
    rows.push_back(std::move(fields));
    at = end + 1;
  }
  const size_t count = rows.size();
  if (Lines) *Lines = std::move(rows);
  return count;
}
