#include "tests/support/DirectZoom.h"

#include <yaz/proto.h>
#include <yaz/zoom.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

std::string DirectFetch::Joined() const {
  std::string all;
  for (const std::string& r : Records) all += r;
  return all;
}

DirectFetch DirectZoomFetch(const char* host, int port, const char* database, const char* pqf, std::size_t count,
                            const char* syntax) {
  ZOOM_options o = ZOOM_options_create();
  ZOOM_options_set(o, "databaseName", database);
  ZOOM_options_set(o, "preferredRecordSyntax", syntax);
  ZOOM_connection c = ZOOM_connection_create(o);
  ZOOM_connection_connect(c, host, port);
  ZOOM_resultset rs = ZOOM_connection_search_pqf(c, pqf);
  DirectFetch f;
  f.Hits = ZOOM_resultset_size(rs);
  for (std::size_t i = 0; i < count && i < f.Hits; ++i) {
    int len = 0;
    ZOOM_record rec = ZOOM_resultset_record(rs, i);
    // The octets of the record's EXTERNAL: the bytes as the server sent them
    // (ZOOM's "raw" rendering decodes an ISO 2709 record and writes it anew).
    const auto* ext = rec ? reinterpret_cast<const Z_External*>(ZOOM_record_get(rec, "ext", &len)) : nullptr;
    if (ext && ext->which == Z_External_octet && ext->u.octet_aligned) {
      f.Records.emplace_back(ext->u.octet_aligned->buf, static_cast<std::size_t>(ext->u.octet_aligned->len));
      continue;
    }
    const char* raw = rec ? ZOOM_record_get(rec, "raw", &len) : nullptr;
    f.Records.emplace_back(raw ? std::string(raw, static_cast<std::size_t>(len)) : std::string());
  }
  const int err = ZOOM_connection_errcode(c);
  ZOOM_resultset_destroy(rs);
  ZOOM_connection_destroy(c);
  ZOOM_options_destroy(o);
  if (err) throw std::runtime_error("direct ZOOM fetch failed");
  return f;
}

int MarcDumpCount(const std::string& bytes) {
  char path[] = "/tmp/marcdump.XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return -1;
  const bool written = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  close(fd);
  int count = -1;
  if (written) {
    // -p prints a comment line with the offset of every record it decodes.
    const std::string cmd = std::string("yaz-marcdump -p ") + path + " 2>&1";
    if (FILE* p = popen(cmd.c_str(), "r")) {
      count = 0;
      char line[4096];
      while (fgets(line, sizeof line, p))
        if (std::string(line).rfind("<!-- Record ", 0) == 0) ++count;
      if (pclose(p) != 0) count = -1;
    }
  }
  unlink(path);
  return count;
}
