#pragma once
// Small helpers the editors' files share; not part of the unit's interface.

#include "platform/data/Fields.h"
#include "platform/ui/Controls.h"
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

// The texts a check box takes as checked and unchecked unless told otherwise.
inline const String& CheckBoxDefaultValueChecked() {
  static const String Text = u"True";
  return Text;
}
inline const String& CheckBoxDefaultValueUnchecked() {
  static const String Text = u"False";
  return Text;
}

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

// Whether Control is Root or lies inside it: an editor's popups are its children, so
// a press on a popup or its buttons counts as one inside the editor.
inline bool IsControlWithin(const TControl* Control, const TControl* Root) {
  for (const TControl* c = Control; c; c = c->GetParent())
    if (c == Root) return true;
  return false;
}

}  // namespace dbctrlseh_detail
