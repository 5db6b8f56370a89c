#pragma once
// Runs a change between the target's BeginUpdate and EndUpdate, so its
// listeners hear of the change once; the update is closed even when the
// change throws.

#include "platform/core/ScopeGuard.h"

template <class Target, class Change>
void WithUpdate(Target& T, Change&& C) {
  T.BeginUpdate();
  TScopeExit End([&] { T.EndUpdate(); });
  C();
}
