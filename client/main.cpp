// Borrowline: borrows bibliographic records from Z39.50 catalogues.

#include <cstdio>

#include "client/Borrowline.h"
#include "platform/backend/SdlDisplay.h"
#include "platform/core/Types.h"

int main() {
  String error;
  const auto display = TSdlDisplay::Open(error);
  if (!display) {
    std::fprintf(stderr, "borrowline: no display to open its windows on: %s\n", ToUtf8(error).c_str());
    return 1;
  }
  return ProgramRun();
}
