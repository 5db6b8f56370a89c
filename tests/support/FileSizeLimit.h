#pragma once
// A file-size limit makes writes fail part-way, as a full disk does: the
// write that passes it fails (SIGXFSZ ignored), and the limit goes with the
// object.

#include <signal.h>
#include <sys/resource.h>

class TFileSizeLimit {
public:
  explicit TFileSizeLimit(rlim_t Bytes = 4096) {
    ::getrlimit(RLIMIT_FSIZE, &FSaved);
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &FPrevious);
    struct rlimit small = FSaved;
    small.rlim_cur = Bytes;
    ::setrlimit(RLIMIT_FSIZE, &small);
  }
  ~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &FSaved);
    ::sigaction(SIGXFSZ, &FPrevious, nullptr);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
  struct rlimit FSaved;
  struct sigaction FPrevious;
};
