#pragma once
// The program's string table: the user-visible texts of the component library,
// each under a fixed identifier and read through it, as resource strings are.
// Callers in any layer keep the number (the units that own the messages name
// them: gridbase/DaVirConsts.h, the in-memory table's own "No data found"), and
// localisation swaps the texts here without touching them.

#include "platform/core/Types.h"

// The text of a message by identifier; an identifier the table lacks gives an
// empty text, as a missing string-table entry does.
String LoadResString(int Ident);

// True when the table holds the identifier (an entry may hold an empty text).
bool HasResString(int Ident);
