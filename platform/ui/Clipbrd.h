#pragma once
// The clipboard: standard and registered formats, each holding exact bytes, the
// global-memory blocks data is handed over in, and the TClipboard object the
// controls use. The text formats (CF_TEXT in the ANSI code page, CF_UNICODETEXT
// in UTF-16LE, both NUL-terminated) are interchangeable: setting one makes the
// other readable. When a display installs a system bridge, the text formats
// also reach the system clipboard, and text another program put there replaces
// what this process holds.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/core/Component.h"
#include "platform/ui/Messages.h"

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_OEMTEXT = 7;
constexpr UINT CF_UNICODETEXT = 13;

// ---- Global memory blocks -----------------------------------------------------------
struct TGlobalBlockTag;
using HGLOBAL = TGlobalBlockTag*;
constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_DDESHARE = 0x2000;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// Blocks are zero-filled; null when Bytes is unreasonably large.
HGLOBAL GlobalAlloc(UINT Flags, size_t Bytes);
void* GlobalLock(HGLOBAL Mem);
bool GlobalUnlock(HGLOBAL Mem);
size_t GlobalSize(HGLOBAL Mem);
// Null on success, as the platform answers; Mem itself when it is not a block.
HGLOBAL GlobalFree(HGLOBAL Mem);

// ---- The clipboard API -----------------------------------------------------------------
// The same name (without regard to case) always gives the same number (0xC000 and up).
UINT RegisterClipboardFormat(const String& Name);
String GetClipboardFormatName(UINT Format);
bool OpenClipboard(HWND Owner);
bool CloseClipboard();
bool EmptyClipboard();
// Hands the block over (the clipboard owns it from then on); null when it fails,
// in which case the caller still owns the block. The clipboard must be open.
HGLOBAL SetClipboardData(UINT Format, HGLOBAL Mem);
// A block the clipboard keeps owning; null when the format is absent.
HGLOBAL GetClipboardData(UINT Format);
bool IsClipboardFormatAvailable(UINT Format);
std::vector<UINT> EnumClipboardFormats();

// Where the display keeps the system clipboard's text.
class TClipboardBridge {
public:
  virtual ~TClipboardBridge() = default;
  virtual void SetText(const String& Text) = 0;
  // False when the system clipboard holds no text; throws, saying why, when it
  // holds text that could not be had (its owner does not answer, say).
  virtual bool GetText(String& Text) = 0;
};
// Not owned; null removes it.
void SetClipboardBridge(TClipboardBridge* Bridge);

// ---- TClipboard --------------------------------------------------------------------------
class TClipboard final : public TPersistent {
public:
  BORROW_CLASS(TClipboard, TPersistent)
  // Opens are counted: the clipboard closes when the last Close balances them.
  void Open();
  void Close();
  void Clear();
  bool HasFormat(UINT Format) const;
  String GetAsText();
  void SetAsText(const String& Value);
  // Raw bytes of one format (empty when absent).
  void SetBuffer(UINT Format, const void* Buffer, size_t Size);
  std::string GetBuffer(UINT Format);
  Integer GetFormatCount() const;
  UINT GetFormats(Integer Index) const;

private:
  void Adding();
  Integer FOpenRefCount = 0;
  bool FEmptied = false;
};

// The process's clipboard object.
TClipboard* Clipboard();
