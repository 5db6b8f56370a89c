// The editors in a component stream: their published properties, in published
// order, each written only when it holds something its default does not; the
// "EditMask" and "EditFormat" the editors write themselves; and the registration of
// the editor classes, so that a stream can create them.
//
// Rules worth knowing when reading a stream back:
//   - Alignment is written only when assigned (an unassigned one follows the field);
//   - a Value read waits for Loaded, when what it depends on (mask, edit format,
//     bounds, item lists) has been read whatever its place in the stream;
//   - Value (and the combo box's Text) only for an editor bound to nothing: a bound
//     editor's value is the field's;
//   - "EditMask" only when assigned;
//   - a date-time editor writes its Kind unless it is custom, and then its
//     "EditFormat" instead;
//   - the number editor's DisplayFormat, currency, MinValue and MaxValue only when
//     assigned (unassigned they follow the field);
//   - component references (DataSource, Images, actions, menus) are read back by
//     name once the whole stream is read.

#include <array>

#include "editors/DBCtrlsEh.h"
#include "editors/DBCtrlsEh_Internal.h"
#include "platform/core/TypInfo.h"

using namespace dbctrlseh_detail;

namespace {

constexpr std::array<const char16_t*, 3> AlignmentNames{u"taLeftJustify", u"taRightJustify", u"taCenter"};
static_assert(AlignmentNames.size() == taCenter + 1);
constexpr std::array<const char16_t*, 3> CharCaseNames{u"ecNormal", u"ecUpperCase", u"ecLowerCase"};
static_assert(CharCaseNames.size() == ecLowerCase + 1);
constexpr std::array<const char16_t*, 3> DropDownAlignNames{u"daLeft", u"daRight", u"daCenter"};
static_assert(DropDownAlignNames.size() == daCenter + 1);
constexpr std::array<const char16_t*, 4> DateTimeKindNames{u"dtkDateEh", u"dtkTimeEh", u"dtkDateTimeEh",
                                                           u"dtkCustomEh"};
static_assert(DateTimeKindNames.size() == dtkCustomEh + 1);
constexpr std::array<const char16_t*, 3> CheckBoxStateNames{u"cbUnchecked", u"cbChecked", u"cbGrayed"};
static_assert(CheckBoxStateNames.size() == cbGrayed + 1);

struct EditorClassesUnitInit {
  EditorClassesUnitInit() {
    RegisterClasses({TCustomDBEditEh::StaticComponentClass(), TDBComboBoxEh::StaticComponentClass(),
                     TDBDateTimeEditEh::StaticComponentClass(), TDBNumberEditEh::StaticComponentClass(),
                     TDBCheckBoxEh::StaticComponentClass()});
  }
  ~EditorClassesUnitInit() {
    UnRegisterClasses({TCustomDBEditEh::StaticComponentClass(), TDBComboBoxEh::StaticComponentClass(),
                       TDBDateTimeEditEh::StaticComponentClass(), TDBNumberEditEh::StaticComponentClass(),
                       TDBCheckBoxEh::StaticComponentClass()});
  }
} const UnitInit;

TPropInfo FlagPropInfo(const String& Name, std::function<bool()> Get, std::function<void(bool)> Set, bool Default) {
  return BooleanPropInfo(Name, Get, std::move(Set), [Get, Default] { return Get() != Default; });
}

}  // namespace

// ---- the text editor ---------------------------------------------------------------------------------

void TCustomDBEditEh::DefineProperties(TFiler* Filer) {
  TCustomMaskEdit::DefineProperties(Filer);
  Filer->DefineProperty(
      u"EditMask", [this](TReader* R) { SetEditMask(R->ReadString()); },
      [this](TWriter* W) { W->WriteString(GetEditMask()); }, FEditMaskAssigned);
}

void TCustomDBEditEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TCustomMaskEdit::GetPropInfos(Props);
  Props.push_back(EnumPropInfo<TAlignment>(
      u"Alignment", AlignmentNames, [this] { return GetAlignment(); }, [this](TAlignment V) { SetAlignment(V); },
      [this] { return FAlignmentAssigned; }));
  Props.push_back(FlagPropInfo(
      u"AlwaysShowBorder", [this] { return FAlwaysShowBorder; }, [this](bool V) { SetAlwaysShowBorder(V); }, false));
  Props.push_back(FlagPropInfo(
      u"AutoSelect", [this] { return GetAutoSelect(); }, [this](bool V) { SetAutoSelect(V); }, true));
  Props.push_back(FlagPropInfo(
      u"AutoSize", [this] { return GetAutoSize(); }, [this](bool V) { SetAutoSize(V); }, true));
  Props.push_back(StringPropInfo(
      u"DataField", [this] { return GetDataField(); }, [this](const String& V) { SetDataField(V); },
      [this] { return !GetDataField().empty(); }));
  Props.push_back(ComponentPropInfo<TDataSource>(
      u"DataSource", [this] { return GetDataSource(); }, [this](TDataSource* V) { SetDataSource(V); }));
  AddSubObjectPropInfos(Props, FEditButton.get(), u"EditButton.");
  Props.push_back(CollectionPropInfo(
      u"EditButtons", [this] { return FEditButtons.get(); }, [this] { return FEditButtons->GetCount() > 0; }));
  Props.push_back(FlagPropInfo(
      u"Flat", [this] { return FFlat; }, [this](bool V) { SetFlat(V); }, false));
  Props.push_back(FlagPropInfo(
      u"HighlightRequired", [this] { return FHighlightRequired; }, [this](bool V) { SetHighlightRequired(V); }, false));
  Props.push_back(ComponentPropInfo<TCustomImageList>(
      u"Images", [this] { return GetImages(); }, [this](TCustomImageList* V) { SetImages(V); }));
  AddSubObjectPropInfos(Props, FMRUList.get(), u"MRUList.");
  Props.push_back(FlagPropInfo(
      u"ReadOnly", [this] { return FReadOnly; }, [this](bool V) { SetReadOnly(V); }, false));
  Props.push_back(FlagPropInfo(
      u"ShowHint", [this] { return FShowHint; }, [this](bool V) { SetShowHint(V); }, false));
  Props.push_back(FlagPropInfo(
      u"Tooltips", [this] { return FTooltips; }, [this](bool V) { SetTooltips(V); }, false));
  Props.push_back(VariantPropInfo(
      u"Value", [this] { return GetValue(); },
      [this](const Variant& V) {
        if (!GetComponentState().Contains(csLoading)) return SetValue(V);
        FLoadedValue = V;
        FValueLoaded = true;
      },
      [this] { return DataIndependent() && !GetValue().IsNull(); }));
  Props.push_back(FlagPropInfo(
      u"Visible", [this] { return GetVisible(); }, [this](bool V) { SetVisible(V); }, true));
}

// ---- the combo box -----------------------------------------------------------------------------------

void TDropDownBoxEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TPersistent::GetPropInfos(Props);
  Props.push_back(EnumPropInfo<TDropDownAlign>(
      u"Align", DropDownAlignNames, [this] { return FAlign; }, [this](TDropDownAlign V) { FAlign = V; },
      [this] { return FAlign != daLeft; }));
  Props.push_back(FlagPropInfo(
      u"AutoDrop", [this] { return FAutoDrop; }, [this](bool V) { FAutoDrop = V; }, false));
  Props.push_back(IntegerPropInfo(
      u"Rows", [this] { return Int64(FRows); }, [this](Int64 V) { FRows = Integer(V); },
      [this] { return FRows != 7; }));
  Props.push_back(FlagPropInfo(
      u"Sizable", [this] { return FSizable; }, [this](bool V) { FSizable = V; }, false));
  Props.push_back(IntegerPropInfo(
      u"Width", [this] { return Int64(FWidth); }, [this](Int64 V) { FWidth = Integer(V); },
      [this] { return FWidth != 0; }));
}

void TCustomDBComboBoxEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TCustomDBEditEh::GetPropInfos(Props);
  AddSubObjectPropInfos(Props, FDropDownBox.get(), u"DropDownBox.");
  Props.push_back(StringsPropInfo(
      u"Items.Strings", [this] { return FItems.get(); }, [this] { return FItems->GetCount() > 0; }));
  Props.push_back(StringsPropInfo(
      u"KeyItems.Strings", [this] { return FKeyItems.get(); }, [this] { return FKeyItems->GetCount() > 0; }));
  Props.push_back(StringPropInfo(
      u"Text", [this] { return GetText(); }, [this](const String& V) { SetText(V); },
      [this] { return DataIndependent() && !GetText().empty(); }));
  Props.push_back(IntegerPropInfo(
      u"MaxLength", [this] { return Int64(GetMaxLength()); }, [this](Int64 V) { SetMaxLength(Integer(V)); },
      [this] { return GetMaxLength() != 0; }));
  Props.push_back(EnumPropInfo<TEditCharCase>(
      u"CharCase", CharCaseNames, [this] { return GetCharCase(); }, [this](TEditCharCase V) { SetCharCase(V); },
      [this] { return GetCharCase() != ecNormal; }));
  Props.push_back(FlagPropInfo(
      u"WordWrap", [this] { return GetWordWrap(); }, [this](bool V) { SetWordWrap(V); }, false));
}

// ---- the date-time editor ----------------------------------------------------------------------------

void TCustomDBDateTimeEditEh::DefineProperties(TFiler* Filer) {
  TCustomDBEditEh::DefineProperties(Filer);
  Filer->DefineProperty(
      u"EditFormat", [this](TReader* R) { SetEditFormat(R->ReadString()); },
      [this](TWriter* W) { W->WriteString(FEditFormat); }, FKind == dtkCustomEh);
}

void TCustomDBDateTimeEditEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TCustomDBEditEh::GetPropInfos(Props);
  Props.push_back(EnumPropInfo<TDateTimeKindEh>(
      u"Kind", DateTimeKindNames, [this] { return FKind; }, [this](TDateTimeKindEh V) { SetKind(V); },
      [this] { return FKind != dtkCustomEh; }));
}

// ---- the number editor -------------------------------------------------------------------------------

void TCustomDBNumberEditEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TCustomDBEditEh::GetPropInfos(Props);
  Props.push_back(BooleanPropInfo(
      u"currency", [this] { return GetCurrency(); }, [this](bool V) { SetCurrency(V); },
      [this] { return Assigned(avCurrency); }));
  Props.push_back(IntegerPropInfo(
      u"DecimalPlaces", [this] { return Int64(FDecimalPlaces); }, [this](Int64 V) { SetDecimalPlaces(Cardinal(V)); },
      [this] { return FDecimalPlaces != 2; }));
  Props.push_back(StringPropInfo(
      u"DisplayFormat", [this] { return GetDisplayFormat(); }, [this](const String& V) { SetDisplayFormat(V); },
      [this] { return Assigned(avDisplayFormat); }));
  Props.push_back(FloatPropInfo(
      u"Increment", [this] { return FIncrement; }, [this](Extended V) { SetIncrement(V); },
      [this] { return FIncrement != 1.0L; }));
  Props.push_back(FloatPropInfo(
      u"MaxValue", [this] { return GetMaxValue(); }, [this](Extended V) { SetMaxValue(V); },
      [this] { return Assigned(avMaxValue); }));
  Props.push_back(FloatPropInfo(
      u"MinValue", [this] { return GetMinValue(); }, [this](Extended V) { SetMinValue(V); },
      [this] { return Assigned(avMinValue); }));
  Props.push_back(CharPropInfo(
      u"PasswordChar", [this] { return GetPasswordChar(); }, [this](Char V) { SetPasswordChar(V); },
      [this] { return GetPasswordChar() != 0; }));
}

// ---- the check box -----------------------------------------------------------------------------------

void TCustomDBCheckBoxEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TButtonControl::GetPropInfos(Props);
  Props.push_back(ComponentPropInfo<TBasicAction>(
      u"Action", [this] { return GetAction(); }, [this](TBasicAction* V) { SetAction(V); }));
  Props.push_back(EnumPropInfo<TAlignment>(
      u"Alignment", AlignmentNames, [this] { return FAlignment; }, [this](TAlignment V) { SetAlignment(V); },
      [this] { return FAlignment != taRightJustify; }));
  Props.push_back(FlagPropInfo(
      u"AllowGrayed", [this] { return FAllowGrayed; }, [this](bool V) { FAllowGrayed = V; }, false));
  Props.push_back(FlagPropInfo(
      u"AlwaysShowBorder", [this] { return FAlwaysShowBorder; }, [this](bool V) { SetAlwaysShowBorder(V); }, false));
  Props.push_back(StringPropInfo(
      u"Caption", [this] { return GetCaption(); }, [this](const String& V) { SetCaption(V); },
      [this] { return !GetCaption().empty(); }));
  Props.push_back(StringPropInfo(
      u"DataField", [this] { return GetDataField(); }, [this](const String& V) { SetDataField(V); },
      [this] { return !GetDataField().empty(); }));
  Props.push_back(ComponentPropInfo<TDataSource>(
      u"DataSource", [this] { return GetDataSource(); }, [this](TDataSource* V) { SetDataSource(V); }));
  Props.push_back(FlagPropInfo(
      u"Flat", [this] { return FFlat; }, [this](bool V) { SetFlat(V); }, false));
  Props.push_back(FlagPropInfo(
      u"ReadOnly", [this] { return GetReadOnly(); }, [this](bool V) { SetReadOnly(V); }, false));
  Props.push_back(EnumPropInfo<TCheckBoxState>(
      u"State", CheckBoxStateNames, [this] { return FState; }, [this](TCheckBoxState V) { SetState(V); },
      [this] { return DataIndependent() && FState != cbUnchecked; }));
  Props.push_back(StringPropInfo(
      u"ValueChecked", [this] { return FValueChecked; }, [this](const String& V) { SetValueChecked(V); },
      [this] { return FValueChecked != CheckBoxDefaultValueChecked(); }));
  Props.push_back(StringPropInfo(
      u"ValueUnchecked", [this] { return FValueUnchecked; }, [this](const String& V) { SetValueUnchecked(V); },
      [this] { return FValueUnchecked != CheckBoxDefaultValueUnchecked(); }));
}
