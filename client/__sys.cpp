#include "client/__sys.h"

#include "client/InstanceGuard.h"

namespace {
String& NamedProgramPath() {
  static String path;
  return path;
}
}  // namespace

String ParamStr0() {
  const String& named = NamedProgramPath();
  return named.empty() ? ProgramFilePath() : named;
}

void SetParamStr0(const String& Path) { NamedProgramPath() = Path; }
