#include "platform/ui/Resources.h"

#include <map>
#include <utility>

#include "platform/core/Streams.h"
#include "platform/core/Strings.h"
#include "platform/ui/GDI.h"

struct TModuleTag {};

namespace {

// The program's resource table, made when first used.
std::map<std::pair<HINSTANCE, String>, std::vector<Byte>>& Table() {
  static std::map<std::pair<HINSTANCE, String>, std::vector<Byte>> table;
  return table;
}

std::pair<HINSTANCE, String> Key(HINSTANCE Module, const String& Name) { return {Module, AnsiUpperCase(Name)}; }

}  // namespace

HINSTANCE MainInstance() {
  static const TModuleTag program;
  return &program;
}

void RegisterBitmapResource(HINSTANCE Module, const String& Name, std::vector<Byte> BmpFile) {
  Table()[Key(Module, Name)] = std::move(BmpFile);
}

void UnregisterBitmapResource(HINSTANCE Module, const String& Name) { Table().erase(Key(Module, Name)); }

const std::vector<Byte>* FindBitmapResource(HINSTANCE Module, const String& Name) {
  auto it = Table().find(Key(Module, Name));
  return it == Table().end() ? nullptr : &it->second;
}

bool LoadBitmapResource(TBitmap* Bitmap, HINSTANCE Module, const String& Name) {
  const std::vector<Byte>* bytes = FindBitmapResource(Module, Name);
  if (!bytes || !Bitmap) return false;
  TMemoryStream stream;
  if (!bytes->empty()) stream.WriteBuffer(bytes->data(), static_cast<Integer>(bytes->size()));
  stream.SetPosition(0);
  Bitmap->LoadFromStream(&stream);
  return true;
}

HBITMAP LoadBitmap(HINSTANCE Module, const String& Name) {
  TBitmap image;
  if (!LoadBitmapResource(&image, Module, Name)) return nullptr;
  HBITMAP result = CreateCompatibleBitmap(nullptr, image.GetWidth(), image.GetHeight());
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, result);
  BitBlt(dc, 0, 0, image.GetWidth(), image.GetHeight(), image.GetCanvas()->GetHandle(), 0, 0, SRCCOPY);
  SelectObject(dc, old);
  DeleteDC(dc);
  return result;
}
