// Feeds arbitrary bytes to the resource list loader as a user's "ListDB.txt",
// through the file as start-up reads it: its encoding by the byte-order mark,
// a UTF-16 text cut inside a character, then the lines. Reading must never
// crash, a cut must be said exactly when the bytes end inside a character, and
// what is read must always save and read back to the same records.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "client/ResourceList.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Files.h"
#include "platform/core/ScopeGuard.h"

namespace {

// Whether Bytes, UTF-16 by their mark, end inside a character: an odd byte, or
// the last whole code unit is the first half of a surrogate pair.
bool EndsInsideACharacter(std::string_view Bytes) {
  const bool big = Bytes.starts_with("\xFE\xFF");
  if (!big && !Bytes.starts_with("\xFF\xFE")) return false;
  const size_t odd = Bytes.size() % 2;
  if (odd) return true;
  if (Bytes.size() < 4) return false;
  const auto high = static_cast<unsigned char>(Bytes[Bytes.size() - (big ? 2 : 1)]);
  return high >= 0xD8 && high <= 0xDB;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const String path =
      GetTempFolder() + u"fuzz_resource_list_" + AsciiToString(std::to_string(getpid())) + u".txt";
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  WriteFileAtomic(path, bytes, false);
  TScopeExit removeFile([] { DeleteFile(path); });
  std::vector<TResourceRecord> records;
  bool cutSaid = false;
  try {
    cutSaid = !ResourceListCutShortText(path).empty();
    records = LoadResourceListFile(path);
  } catch (const Exception&) {
    return 0;
  }
  if (cutSaid != EndsInsideACharacter(bytes)) std::abort();
  if (records.empty()) std::abort();  // the root group is always there
  String again;
  for (const String& line : BuildResourceListLines(ResourceTreeOrder(records), nullptr)) again += line + u"\r\n";
  const std::vector<TResourceRecord> back = ReadResourceListText(again);
  if (back.size() != records.size()) std::abort();
  return 0;
}
