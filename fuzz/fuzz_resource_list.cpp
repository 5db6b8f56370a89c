// Feeds arbitrary bytes to the resource list loader as a user's "ListDB.txt",
// through the file as start-up reads it: its encoding by the byte-order mark,
// a UTF-16 text cut inside a character, then the lines. Reading must never
// crash, a cut must be said exactly when the bytes end inside a character, and
// what is read must save and read back to the same records in tree order,
// every field as the file keeps it: numbers as they were; texts trimmed, the
// control characters inside them blanks, an empty one the table's
// placeholder. Both the saved lines as text and the bytes of the file the
// program writes (the ANSI code page, where a character the page lacks
// becomes "?") are read back.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "client/ResourceList.h"
#include "platform/core/CodePage.h"
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

// Text as a saved list gives it back: trimmed of blanks and control
// characters, those left inside it blanks (so no TAB or line break splits the
// line), through the code page when Ansi; Placeholder when nothing is left.
String AsKept(StringView Text, const Char* Placeholder, bool Ansi) {
  size_t b = 0, e = Text.size();
  while (b < e && Text[b] <= u' ') ++b;
  while (e > b && Text[e - 1] <= u' ') --e;
  if (b == e) return Placeholder;
  String kept(Text.substr(b, e - b));
  for (Char& c : kept)
    if (c < u' ') c = u' ';
  return Ansi ? AnsiToString(StringToAnsi(kept)) : kept;
}

// Record as a saved list gives it back, with the table's placeholders: "???"
// for the name, and for a resource's connection texts ("" for a group's), " "
// for the optional texts.
TResourceRecord AsKept(const TResourceRecord& R, bool Ansi) {
  const Char* connection = R.IsResource() ? u"???" : u"";
  TResourceRecord k = R;
  k.NAME_THIS = AsKept(R.NAME_THIS, u"???", Ansi);
  k.ItsActual = AsKept(R.ItsActual, u" ", Ansi);
  k.ItsUse = AsKept(R.ItsUse, u" ", Ansi);
  k.Database = AsKept(R.Database, connection, Ansi);
  k.URL = AsKept(R.URL, connection, Ansi);
  k.Syntax = AsKept(R.Syntax, connection, Ansi);
  k.Encoding = AsKept(R.Encoding, connection, Ansi);
  k.Username = AsKept(R.Username, u" ", Ansi);
  k.PSW = AsKept(R.PSW, u" ", Ansi);
  k.Note = AsKept(R.Note, u" ", Ansi);
  return k;
}

[[noreturn]] void Differs(const char* How, size_t At, const char* Field, const std::string& Got,
                          const std::string& Expected) {
  std::fprintf(stderr, "%s: record %zu, %s read back as \"%s\", expected \"%s\"\n", How, At, Field, Got.c_str(),
               Expected.c_str());
  std::abort();
}

// Aborts, saying what differs, unless Back holds the records of Saved (in its
// order) as the file keeps them.
void ExpectKept(const std::vector<TResourceRecord>& Back, const std::vector<TResourceRecord>& Saved, bool Ansi,
                const char* How) {
  if (Back.size() != Saved.size()) {
    std::fprintf(stderr, "%s: %zu records read back, %zu saved\n", How, Back.size(), Saved.size());
    std::abort();
  }
  static constexpr struct {
    const char* Name;
    Integer TResourceRecord::*Field;
  } kNumbers[] = {{"ID_THIS", &TResourceRecord::ID_THIS},
                  {"ID_PARENT", &TResourceRecord::ID_PARENT},
                  {"ID_TYPE", &TResourceRecord::ID_TYPE},
                  {"NPP", &TResourceRecord::NPP},
                  {"PORT", &TResourceRecord::PORT}};
  static constexpr struct {
    const char* Name;
    String TResourceRecord::*Field;
  } kTexts[] = {{"NAME_THIS", &TResourceRecord::NAME_THIS},
                {"ItsActual", &TResourceRecord::ItsActual},
                {"ItsUse", &TResourceRecord::ItsUse},
                {"Database", &TResourceRecord::Database},
                {"URL", &TResourceRecord::URL},
                {"Syntax", &TResourceRecord::Syntax},
                {"Encoding", &TResourceRecord::Encoding},
                {"Username", &TResourceRecord::Username},
                {"PSW", &TResourceRecord::PSW},
                {"Note", &TResourceRecord::Note}};
  for (size_t i = 0; i < Saved.size(); ++i) {
    const TResourceRecord expected = AsKept(Saved[i], Ansi);
    for (const auto& n : kNumbers)
      if (Back[i].*n.Field != expected.*n.Field)
        Differs(How, i, n.Name, std::to_string(Back[i].*n.Field), std::to_string(expected.*n.Field));
    for (const auto& t : kTexts)
      if (Back[i].*t.Field != expected.*t.Field)
        Differs(How, i, t.Name, ToUtf8(Back[i].*t.Field), ToUtf8(expected.*t.Field));
  }
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
  const std::vector<TResourceRecord> ordered = ResourceTreeOrder(records);

  // The lines as text.
  String text;
  for (const String& line : BuildResourceListLines(ordered, nullptr)) text += line + u"\r\n";
  ExpectKept(ReadResourceListText(text), ordered, false, "saved as lines");

  // The file's bytes, as the table writes them, loaded from the file.
  std::string saved = ResourceListHeadBytes();
  for (const TResourceRecord& r : ordered) {
    const TResourceLineView view = ResourceLineView(r);
    const size_t at = saved.size();
    saved.resize(at + ResourceLineBound(view));
    saved.resize(static_cast<size_t>(WriteResourceLineBytes(saved.data() + at, view) - saved.data()));
  }
  WriteFileAtomic(path, saved, false);
  ExpectKept(LoadResourceListFile(path), ordered, true, "saved as the file's bytes");
  return 0;
}
