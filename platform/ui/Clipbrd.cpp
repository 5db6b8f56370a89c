#include "platform/ui/Clipbrd.h"

#include <cstring>
#include <map>
#include <memory>

#include "platform/core/CodePage.h"
#include "platform/core/Strings.h"

namespace {

// A block is its bytes plus a lock count; the handle is the record's address,
// checked against the live set before use.
struct TGlobalBlock {
  std::vector<Byte> Data;
  Integer Locks = 0;
};

struct TClipboardState {
  std::map<HGLOBAL, std::unique_ptr<TGlobalBlock>> Blocks;
  std::map<UINT, HGLOBAL> Formats;  // owned blocks
  std::vector<String> Names;        // registered formats, from 0xC000
  bool Open = false;
  HWND Owner = nullptr;
  TClipboardBridge* Bridge = nullptr;
  String Pushed;  // the text last given to the bridge
  bool PushedValid = false;
  bool TextDirty = false;  // a text format changed since the last push
};

TClipboardState& St() {
  static TClipboardState s;
  return s;
}

constexpr UINT FirstRegistered = 0xC000;
constexpr size_t MaxBlock = size_t(1) << 30;

TGlobalBlock* Block(HGLOBAL h) {
  auto it = St().Blocks.find(h);
  return it == St().Blocks.end() ? nullptr : it->second.get();
}

HGLOBAL NewBlock(const void* data, size_t size) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
  if (h && size) std::memcpy(Block(h)->Data.data(), data, size);
  return h;
}

void DropFormats() {
  for (auto& [f, h] : St().Formats) St().Blocks.erase(h);
  St().Formats.clear();
}

// The text a format holds, up to its NUL.
String TextOf(UINT format) {
  auto it = St().Formats.find(format);
  if (it == St().Formats.end()) return String();
  // A text ends at its trailing terminators, not at its first zero: a quoted
  // cell holding a zero character must reach the other format whole.
  const std::vector<Byte>& d = Block(it->second)->Data;
  if (format == CF_UNICODETEXT) {
    String s;
    for (size_t i = 0; i + 1 < d.size(); i += 2) s += Char(d[i] | (d[i + 1] << 8));
    while (!s.empty() && s.back() == 0) s.pop_back();
    return s;
  }
  std::string bytes(d.begin(), d.end());
  while (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
  return AnsiToString(bytes);
}

HGLOBAL UnicodeBlock(const String& s) {
  std::vector<Byte> d;
  d.reserve((s.size() + 1) * 2);
  for (Char c : s) {
    d.push_back(Byte(c & 0xFF));
    d.push_back(Byte(c >> 8));
  }
  d.push_back(0);
  d.push_back(0);
  return NewBlock(d.data(), d.size());
}

HGLOBAL AnsiBlock(const String& s) {
  AnsiString a = StringToAnsi(s);
  a.push_back('\0');
  return NewBlock(a.data(), a.size());
}

// Text another program put on the system clipboard takes the clipboard over.
void PullFromBridge() {
  TClipboardState& s = St();
  if (!s.Bridge || s.Open) return;
  String text;
  const bool has = s.Bridge->GetText(text);
  if (s.PushedValid && has && text == s.Pushed) return;
  if (!s.PushedValid && !has) return;
  DropFormats();
  s.PushedValid = has;
  s.Pushed = text;
  if (has) s.Formats[CF_UNICODETEXT] = UnicodeBlock(text);
}

void PushToBridge() {
  TClipboardState& s = St();
  if (!s.Bridge || !s.TextDirty) return;
  s.TextDirty = false;
  String text;
  if (s.Formats.count(CF_UNICODETEXT)) text = TextOf(CF_UNICODETEXT);
  else if (s.Formats.count(CF_TEXT)) text = TextOf(CF_TEXT);
  else return;
  s.Bridge->SetText(text);
  s.Pushed = text;
  s.PushedValid = true;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT, size_t Bytes) {
  if (Bytes > MaxBlock) return nullptr;
  auto b = std::make_unique<TGlobalBlock>();
  b->Data.assign(Bytes, 0);
  HGLOBAL h = reinterpret_cast<HGLOBAL>(b.get());
  St().Blocks[h] = std::move(b);
  return h;
}

void* GlobalLock(HGLOBAL Mem) {
  TGlobalBlock* b = Block(Mem);
  if (!b) return nullptr;
  ++b->Locks;
  return b->Data.data();
}

bool GlobalUnlock(HGLOBAL Mem) {
  TGlobalBlock* b = Block(Mem);
  if (!b || b->Locks == 0) return false;
  return --b->Locks > 0;
}

size_t GlobalSize(HGLOBAL Mem) {
  TGlobalBlock* b = Block(Mem);
  return b ? b->Data.size() : 0;
}

HGLOBAL GlobalFree(HGLOBAL Mem) {
  TClipboardState& s = St();
  if (!Block(Mem)) return Mem;
  for (auto& [f, h] : s.Formats)
    if (h == Mem) return Mem;  // the clipboard owns it
  s.Blocks.erase(Mem);
  return nullptr;
}

UINT RegisterClipboardFormat(const String& Name) {
  if (Name.empty()) return 0;
  std::vector<String>& names = St().Names;
  for (size_t i = 0; i < names.size(); ++i)
    if (SameText(names[i], Name)) return FirstRegistered + UINT(i);
  names.push_back(Name);
  return FirstRegistered + UINT(names.size() - 1);
}

String GetClipboardFormatName(UINT Format) {
  const std::vector<String>& names = St().Names;
  if (Format < FirstRegistered || Format - FirstRegistered >= names.size()) return String();
  return names[Format - FirstRegistered];
}

bool OpenClipboard(HWND Owner) {
  TClipboardState& s = St();
  if (s.Open) return false;
  PullFromBridge();
  s.Open = true;
  s.Owner = Owner;
  return true;
}

bool CloseClipboard() {
  TClipboardState& s = St();
  if (!s.Open) return false;
  s.Open = false;
  PushToBridge();
  return true;
}

bool EmptyClipboard() {
  TClipboardState& s = St();
  if (!s.Open) return false;
  DropFormats();
  return true;
}

HGLOBAL SetClipboardData(UINT Format, HGLOBAL Mem) {
  TClipboardState& s = St();
  if (!s.Open || !Block(Mem) || Format == 0) return nullptr;
  auto it = s.Formats.find(Format);
  if (it != s.Formats.end() && it->second != Mem) s.Blocks.erase(it->second);
  s.Formats[Format] = Mem;
  if (Format == CF_TEXT || Format == CF_UNICODETEXT) {
    // The other text format follows the one set last.
    const UINT other = Format == CF_TEXT ? CF_UNICODETEXT : CF_TEXT;
    auto o = s.Formats.find(other);
    if (o != s.Formats.end()) {
      s.Blocks.erase(o->second);
      s.Formats.erase(o);
    }
    s.TextDirty = true;
  }
  return Mem;
}

HGLOBAL GetClipboardData(UINT Format) {
  TClipboardState& s = St();
  if (!s.Open) return nullptr;
  auto it = s.Formats.find(Format);
  if (it != s.Formats.end()) return it->second;
  // Synthesised text formats.
  if (Format == CF_TEXT && s.Formats.count(CF_UNICODETEXT)) {
    HGLOBAL h = AnsiBlock(TextOf(CF_UNICODETEXT));
    s.Formats[CF_TEXT] = h;
    return h;
  }
  if (Format == CF_UNICODETEXT && s.Formats.count(CF_TEXT)) {
    HGLOBAL h = UnicodeBlock(TextOf(CF_TEXT));
    s.Formats[CF_UNICODETEXT] = h;
    return h;
  }
  return nullptr;
}

bool IsClipboardFormatAvailable(UINT Format) {
  PullFromBridge();
  const auto& f = St().Formats;
  if (f.count(Format)) return true;
  if (Format == CF_TEXT || Format == CF_UNICODETEXT) return f.count(CF_TEXT) || f.count(CF_UNICODETEXT);
  return false;
}

std::vector<UINT> EnumClipboardFormats() {
  PullFromBridge();
  std::vector<UINT> out;
  for (const auto& [f, h] : St().Formats) out.push_back(f);
  return out;
}

void SetClipboardBridge(TClipboardBridge* Bridge) {
  TClipboardState& s = St();
  s.Bridge = Bridge;
  s.PushedValid = false;
  s.Pushed.clear();
  s.TextDirty = false;
}

// ---- TClipboard ---------------------------------------------------------------------------

void TClipboard::Open() {
  if (FOpenRefCount == 0) {
    if (!OpenClipboard(nullptr)) throw Exception(u"Cannot open clipboard");
    FEmptied = false;
  }
  ++FOpenRefCount;
}

void TClipboard::Close() {
  if (FOpenRefCount == 0) return;
  if (--FOpenRefCount == 0) CloseClipboard();
}

void TClipboard::Clear() {
  Open();
  EmptyClipboard();
  FEmptied = true;
  Close();
}

void TClipboard::Adding() {
  // The first write of an open session replaces whatever was there.
  if (FOpenRefCount > 0 && !FEmptied) {
    EmptyClipboard();
    FEmptied = true;
  }
}

bool TClipboard::HasFormat(UINT Format) const { return IsClipboardFormatAvailable(Format); }

String TClipboard::GetAsText() {
  Open();
  String s;
  if (GetClipboardData(CF_UNICODETEXT)) s = TextOf(CF_UNICODETEXT);
  Close();
  return s;
}

void TClipboard::SetAsText(const String& Value) {
  Open();
  Adding();
  SetClipboardData(CF_UNICODETEXT, UnicodeBlock(Value));
  Close();
}

void TClipboard::SetBuffer(UINT Format, const void* Buffer, size_t Size) {
  Open();
  Adding();
  HGLOBAL h = NewBlock(Buffer, Size);
  if (!SetClipboardData(Format, h)) GlobalFree(h);
  Close();
}

std::string TClipboard::GetBuffer(UINT Format) {
  Open();
  std::string out;
  if (HGLOBAL h = GetClipboardData(Format)) {
    const std::vector<Byte>& d = Block(h)->Data;
    out.assign(d.begin(), d.end());
  }
  Close();
  return out;
}

Integer TClipboard::GetFormatCount() const { return Integer(EnumClipboardFormats().size()); }

UINT TClipboard::GetFormats(Integer Index) const {
  const std::vector<UINT> f = EnumClipboardFormats();
  if (Index < 0 || size_t(Index) >= f.size()) throw EListError(u"List index out of bounds (" + IntToStr(Index) + u")");
  return f[size_t(Index)];
}

TClipboard* Clipboard() {
  static TClipboard c;
  return &c;
}
