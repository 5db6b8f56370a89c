#pragma once
// A text Variant's characters read in place, for loops over many stored values
// that would otherwise copy every text through AsString only to look at it.

#include "platform/core/Variant.h"

// The text of a string Variant (varOleStr or varString); null for any other
// type. Valid while the Variant lives unchanged.
const String* VarStrRef(const Variant& v);
