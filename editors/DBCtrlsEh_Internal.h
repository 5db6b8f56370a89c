#pragma once
// Small helpers the editors' files share; not part of the unit's interface.

#include "platform/data/Fields.h"
#include "platform/ui/Messages.h"

namespace dbctrlseh_detail {

// Sets a flag for the length of a scope and puts the old value back after it.
class TFlagScope {
public:
  explicit TFlagScope(bool& Flag) : FFlag(Flag), FOld(Flag) { FFlag = true; }
  ~TFlagScope() { FFlag = FOld; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

private:
  bool& FFlag;
  bool FOld;
};

inline bool IsStringField(const TField* Field) {
  return Field && (Field->GetDataType() == ftString || Field->GetDataType() == ftWideString);
}

inline bool IsMemoField(const TField* Field) {
  return Field && (Field->GetDataType() == ftMemo || Field->GetDataType() == ftWideMemo);
}

inline bool IsMouseButtonMessage(Cardinal Msg) {
  return Msg == WM_LBUTTONDOWN || Msg == WM_LBUTTONUP || Msg == WM_LBUTTONDBLCLK || Msg == WM_RBUTTONDOWN ||
         Msg == WM_RBUTTONUP || Msg == WM_RBUTTONDBLCLK || Msg == WM_MBUTTONDOWN || Msg == WM_MBUTTONUP ||
         Msg == WM_MBUTTONDBLCLK;
}

}  // namespace dbctrlseh_detail
