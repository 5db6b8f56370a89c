// Feeds arbitrary bytes to the INI reader as a settings file would be read:
// every section and key must read without a crash, and defaults come back for
// what is missing. The file goes after each input.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/core/Files.h"
#include "platform/core/IniFiles.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/StringList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const String path = GetTempFolder() + u"fuzz_ini_" + AsciiToString(std::to_string(getpid())) + u".ini";
  WriteFileAtomic(path, std::string_view(reinterpret_cast<const char*>(data), size), false);
  TScopeExit removeFile([] { DeleteFile(path); });
  TIniFile ini(path);
  TStringList sections;
  ini.ReadSections(&sections);
  for (Integer i = 0; i < sections.GetCount(); ++i) {
    TStringList values;
    ini.ReadSectionValues(sections.GetStrings(i), &values);
    for (Integer k = 0; k < values.GetCount(); ++k) (void)ini.ReadInteger(sections.GetStrings(i), values.Names(k), 7);
  }
  if (ini.ReadString(u"\u0001missing", u"key", u"default") != u"default") std::abort();
  return 0;
}
