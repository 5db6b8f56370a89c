#include "gridbase/DaVirConsts.h"

#include "platform/core/ResStrings.h"

String LoadResStringEh(int Ident) { return LoadResString(Ident); }

bool HasResStringEh(int Ident) { return HasResString(Ident); }
