#pragma once
// A component written to the bytes of a component stream, and bytes read back
// into a component: the round trips of the streaming tests.

#include <string>

#include "platform/core/Component.h"
#include "platform/core/Filer.h"
#include "platform/core/Streams.h"

inline std::string StreamOf(TComponent* Root) {
  TMemoryStream Stream;
  {
    TWriter Writer(&Stream);
    Writer.WriteRootComponent(Root);
  }
  return std::string(static_cast<const char*>(Stream.GetMemory()), static_cast<size_t>(Stream.GetSize()));
}

inline void ReadInto(const std::string& Bytes, TComponent* Root) {
  TMemoryStream Stream;
  Stream.WriteBuffer(Bytes.data(), static_cast<Integer>(Bytes.size()));
  Stream.SetPosition(0);
  TReader Reader(&Stream);
  Reader.ReadRootComponent(Root);
}
