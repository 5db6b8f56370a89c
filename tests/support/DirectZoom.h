#pragma once
// The reference the stand-in is checked against: records fetched one by one
// with plain ZOOM calls, no code of ours in between.

#include <string>
#include <vector>

struct DirectFetch {
  std::size_t Hits = 0;
  std::vector<std::string> Records;  // the bytes the server sent for records 1..n
  std::string Joined() const;
};

DirectFetch DirectZoomFetch(const char* host, int port, const char* database, const char* pqf, std::size_t count,
                            const char* syntax = "usmarc");

// Number of records yaz-marcdump finds in the bytes, or -1 when it fails.
int MarcDumpCount(const std::string& bytes);
