#pragma once
// Named resources of the program's modules: a module's bitmaps, each the bytes of
// a BMP file, registered under a name and loaded by module and name, as the
// library loads the pictures it draws with (its arrows, markers and glyphs).

#include <vector>

#include "platform/ui/Graphics.h"

// A module of the program; MainInstance is the program itself.
struct TModuleTag;
using HINSTANCE = const TModuleTag*;
HINSTANCE MainInstance();

// Registers (or replaces) a bitmap resource of a module; names match without
// regard to case.
void RegisterBitmapResource(HINSTANCE Module, const String& Name, std::vector<Byte> BmpFile);
void UnregisterBitmapResource(HINSTANCE Module, const String& Name);
// The bytes of a module's bitmap resource, or null.
const std::vector<Byte>* FindBitmapResource(HINSTANCE Module, const String& Name);

// Reads the named bitmap resource into Bitmap (its size becomes the resource's):
// false when there is none; EInvalidGraphic when its bytes are not a bitmap.
bool LoadBitmapResource(TBitmap* Bitmap, HINSTANCE Module, const String& Name);
// A new bitmap object holding the resource (DeleteObject frees it), or null.
HBITMAP LoadBitmap(HINSTANCE Module, const String& Name);
