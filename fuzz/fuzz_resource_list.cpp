// Feeds arbitrary bytes to the resource list reader and writes the result back.
// A user's "ListDB.txt" can hold anything: reading must never crash, and what it
// reads must always save and read back to the same records.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "client/ResourceList.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const String text = DecodeText(std::string_view(reinterpret_cast<const char*>(data), size));
  std::vector<TResourceRecord> records;
  try {
    records = ReadResourceListText(text);
  } catch (const Exception&) {
    return 0;
  }
  if (records.empty()) std::abort();  // the root group is always there
  String again;
  for (const String& line : BuildResourceListLines(ResourceTreeOrder(records), nullptr)) again += line + u"\r\n";
  const std::vector<TResourceRecord> back = ReadResourceListText(again);
  if (back.size() != records.size()) std::abort();
  return 0;
}
