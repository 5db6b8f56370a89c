// Streaming of a grid's columns ("Columns") and what happens after a grid is
// read (Loaded). A column writes its published properties in their published
// order; a default-following property is written only when it is assigned and
// differs from its default. Sub-objects (title, footer, font, filter cell,
// drop-down box) are written as "Object.Property"; collections as collections.
// The grid's own row detail panel control is written as its child while controls
// stand on it, and read back into the panel the grid already owns (ReadState).

#include <array>
#include <iterator>

#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"
#include "platform/core/Filer.h"
#include "platform/core/Streams.h"

namespace {

// ---- Enumeration names, one table per enumeration ----------------------------------------------------

constexpr std::array<const char16_t*, 3> AlignmentNames{u"taLeftJustify", u"taRightJustify", u"taCenter"};
static_assert(AlignmentNames.size() == taCenter + 1);
constexpr std::array<const char16_t*, 4> BiDiModeNames{u"bdLeftToRight", u"bdRightToLeft", u"bdRightToLeftNoAlign",
                                                       u"bdRightToLeftReadingOnly"};
static_assert(BiDiModeNames.size() == bdRightToLeftReadingOnly + 1);
constexpr std::array<const char16_t*, 7> ButtonStyleNames{u"cbsAuto",     u"cbsEllipsis",  u"cbsNone",
                                                          u"cbsUpDown",   u"cbsDropDown",  u"cbsAltUpDown",
                                                          u"cbsAltDropDown"};
static_assert(ButtonStyleNames.size() == cbsAltDropDown + 1);
constexpr std::array<const char16_t*, 3> LayoutNames{u"tlTop", u"tlCenter", u"tlBottom"};
static_assert(LayoutNames.size() == tlBottom + 1);
constexpr std::array<const char16_t*, 12> ImeModeNames{u"imDisable", u"imClose",   u"imOpen",     u"imDontCare",
                                                       u"imSAlpha",  u"imAlpha",   u"imHira",     u"imSKata",
                                                       u"imKata",    u"imChinese", u"imSHanguel", u"imHanguel"};
static_assert(ImeModeNames.size() == imHanguel + 1);
constexpr std::array<const char16_t*, 3> SortMarkerNames{u"smNoneEh", u"smDownEh", u"smUpEh"};
static_assert(SortMarkerNames.size() == smUpEh + 1);
constexpr std::array<const char16_t*, 2> OrientationNames{u"tohHorizontal", u"tohVertical"};
static_assert(OrientationNames.size() == tohVertical + 1);
constexpr std::array<const char16_t*, 6> FooterValueTypeNames{u"fvtNon",        u"fvtSum",
                                                              u"fvtAvg",        u"fvtCount",
                                                              u"fvtFieldValue", u"fvtStaticText"};
static_assert(FooterValueTypeNames.size() == fvtStaticText + 1);

template <class E, size_t N>
E ReadEnum(TReader* R, const std::array<const char16_t*, N>& Names) {
  const String Ident = R->ReadIdent();
  for (size_t I = 0; I < N; ++I)
    if (SameText(Ident, Names[I])) return static_cast<E>(I);
  throw EReadError(u"Invalid property value: " + Ident);
}

// ---- Property-table builders ------------------------------------------------------------------------

using TStoredFn = std::function<bool()>;

TPropInfo BoolProp(const String& Name, std::function<bool()> Get, std::function<void(bool)> Set, TStoredFn Stored) {
  return {Name, [Get](TWriter* W) { W->WriteBoolean(Get()); }, [Set](TReader* R) { Set(R->ReadBoolean()); },
          std::move(Stored)};
}

TPropInfo IntProp(const String& Name, std::function<Int64()> Get, std::function<void(Int64)> Set, TStoredFn Stored) {
  return {Name, [Get](TWriter* W) { W->WriteInteger(Get()); }, [Set](TReader* R) { Set(R->ReadInt64()); },
          std::move(Stored)};
}

TPropInfo TextProp(const String& Name, std::function<String()> Get, std::function<void(const String&)> Set,
                   TStoredFn Stored = nullptr) {
  if (!Stored) Stored = [Get] { return !Get().empty(); };
  return {Name, [Get](TWriter* W) { W->WriteString(Get()); }, [Set](TReader* R) { Set(R->ReadString()); },
          std::move(Stored)};
}

template <class E, size_t N>
TPropInfo EnumProp(const String& Name, const std::array<const char16_t*, N>& Names, std::function<E()> Get,
                   std::function<void(E)> Set, TStoredFn Stored) {
  return {Name, [&Names, Get](TWriter* W) { W->WriteIdent(Names[size_t(Get())]); },
          [&Names, Set](TReader* R) { Set(ReadEnum<E>(R, Names)); }, std::move(Stored)};
}

TPropInfo StringsProp(const String& Name, std::function<TStrings*()> Get, TStoredFn Stored) {
  return {Name,
          [Get](TWriter* W) {
            W->WriteListBegin();
            TStrings* S = Get();
            for (Integer I = 0; I < S->GetCount(); ++I) W->WriteString(S->Get(I));
            W->WriteListEnd();
          },
          [Get](TReader* R) {
            TStrings* S = Get();
            S->Clear();
            R->ReadListBegin();
            while (!R->EndOfList()) S->Add(R->ReadString());
            R->ReadListEnd();
          },
          std::move(Stored)};
}

// A font written whole when it is stored: charset, colour, height, name, style.
void AddFontProps(std::vector<TPropInfo>& Props, const String& Prefix, std::function<TFont*()> Font,
                  TStoredFn Stored) {
  Props.push_back(IntProp(Prefix + u"Charset", [Font] { return Font()->GetCharset(); },
                          [Font](Int64 V) { Font()->SetCharset(TFontCharset(V)); }, Stored));
  Props.push_back(IntProp(Prefix + u"Color", [Font] { return Font()->GetColor(); },
                          [Font](Int64 V) { Font()->SetColor(TColor(V)); }, Stored));
  Props.push_back(IntProp(Prefix + u"Height", [Font] { return Font()->GetHeight(); },
                          [Font](Int64 V) { Font()->SetHeight(Integer(V)); }, Stored));
  Props.push_back(TextProp(Prefix + u"Name", [Font] { return Font()->GetName(); },
                           [Font](const String& V) { Font()->SetName(V); }, Stored));
  Props.push_back(IntProp(Prefix + u"Style", [Font] { return Int64(Font()->GetStyle().Bits()); },
                          [Font](Int64 V) {
                            TFontStyles Styles;
                            for (TFontStyle S : {fsBold, fsItalic, fsUnderline, fsStrikeOut})
                              if (V & (Int64{1} << S)) Styles.Include(S);
                            Font()->SetStyle(Styles);
                          }, Stored));
}

// The published properties of a sub-object, each name after Prefix.
void AddPrefixedProps(std::vector<TPropInfo>& Props, TPersistent* Object, const String& Prefix) {
  for (TPropInfo P : TFiler::PropertiesOf(Object)) {
    P.Name = Prefix + P.Name;
    Props.push_back(std::move(P));
  }
}

void AddTitleProps(std::vector<TPropInfo>& Props, TColumnTitleEh* T) {
  Props.push_back(EnumProp<TAlignment>(u"Title.Alignment", AlignmentNames, [T] { return T->GetAlignment(); },
                                       [T](TAlignment V) { T->SetAlignment(V); }, [T] { return T->IsAlignmentStored(); }));
  Props.push_back(TextProp(u"Title.Caption", [T] { return T->GetCaption(); },
                           [T](const String& V) { T->SetCaption(V); }, [T] { return T->IsCaptionStored(); }));
  Props.push_back(IntProp(u"Title.Color", [T] { return T->GetColor(); }, [T](Int64 V) { T->SetColor(TColor(V)); },
                          [T] { return T->IsColorStored(); }));
  Props.push_back(BoolProp(u"Title.EndEllipsis", [T] { return T->GetEndEllipsis(); },
                           [T](bool V) { T->SetEndEllipsis(V); }, [T] { return T->IsEndEllipsisStored(); }));
  AddFontProps(Props, u"Title.Font.", [T] { return T->GetFont(); }, [T] { return T->IsFontStored(); });
  Props.push_back(TextProp(u"Title.Hint", [T] { return T->GetHint(); }, [T](const String& V) { T->SetHint(V); }));
  Props.push_back(IntProp(u"Title.ImageIndex", [T] { return T->GetImageIndex(); },
                          [T](Int64 V) { T->SetImageIndex(Integer(V)); }, [T] { return T->GetImageIndex() != -1; }));
  Props.push_back(EnumProp<TTextOrientationEh>(u"Title.Orientation", OrientationNames,
                                               [T] { return T->GetOrientation(); },
                                               [T](TTextOrientationEh V) { T->SetOrientation(V); },
                                               [T] { return T->IsOrientationStored(); }));
  Props.push_back(IntProp(u"Title.SortIndex", [T] { return T->GetSortIndex(); },
                          [T](Int64 V) { T->SetSortIndex(Integer(V)); }, [T] { return T->GetSortIndex() != 0; }));
  Props.push_back(EnumProp<TSortMarkerEh>(u"Title.SortMarker", SortMarkerNames, [T] { return T->GetSortMarker(); },
                                          [T](TSortMarkerEh V) { T->SetSortMarker(V); },
                                          [T] { return T->GetSortMarker() != smNoneEh; }));
  Props.push_back(BoolProp(u"Title.TitleButton", [T] { return T->GetTitleButton(); },
                           [T](bool V) { T->SetTitleButton(V); }, [T] { return T->IsTitleButtonStored(); }));
  Props.push_back(BoolProp(u"Title.ToolTips", [T] { return T->GetToolTips(); }, [T](bool V) { T->SetToolTips(V); },
                           [T] { return T->IsToolTipsStored(); }));
}

}  // namespace

void AddFooterPropsEh(std::vector<TPropInfo>& Props, TColumnFooterEh* F, const String& Prefix) {
  Props.push_back(EnumProp<TAlignment>(Prefix + u"Alignment", AlignmentNames, [F] { return F->GetAlignment(); },
                                       [F](TAlignment V) { F->SetAlignment(V); }, [F] { return F->IsAlignmentStored(); }));
  Props.push_back(IntProp(Prefix + u"Color", [F] { return F->GetColor(); }, [F](Int64 V) { F->SetColor(TColor(V)); },
                          [F] { return F->IsColorStored(); }));
  Props.push_back(TextProp(Prefix + u"DisplayFormat", [F] { return F->GetDisplayFormat(); },
                           [F](const String& V) { F->SetDisplayFormat(V); }));
  Props.push_back(BoolProp(Prefix + u"EndEllipsis", [F] { return F->GetEndEllipsis(); },
                           [F](bool V) { F->SetEndEllipsis(V); }, [F] { return F->GetEndEllipsis(); }));
  Props.push_back(TextProp(Prefix + u"FieldName", [F] { return F->GetFieldName(); },
                           [F](const String& V) { F->SetFieldName(V); }));
  AddFontProps(Props, Prefix + u"Font.", [F] { return F->GetFont(); }, [F] { return F->IsFontStored(); });
  Props.push_back(BoolProp(Prefix + u"ToolTips", [F] { return F->GetToolTips(); }, [F](bool V) { F->SetToolTips(V); },
                           [F] { return F->IsToolTipsStored(); }));
  Props.push_back(TextProp(Prefix + u"Value", [F] { return F->GetValue(); }, [F](const String& V) { F->SetValue(V); }));
  Props.push_back(EnumProp<TFooterValueType>(Prefix + u"ValueType", FooterValueTypeNames,
                                             [F] { return F->GetValueType(); },
                                             [F](TFooterValueType V) { F->SetValueType(V); },
                                             [F] { return F->GetValueType() != fvtNon; }));
  Props.push_back(BoolProp(Prefix + u"WordWrap", [F] { return F->GetWordWrap(); }, [F](bool V) { F->SetWordWrap(V); },
                           [F] { return F->GetWordWrap(); }));
}

void TColumnFooterEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TCollectionItem::GetPropInfos(Props);
  AddFooterPropsEh(Props, this, String());
}

// ---- A column's published properties, in their published order ---------------------------------------

void TColumnEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TCollectionItem::GetPropInfos(Props);
  TColumnEh* C = this;
  Props.push_back(EnumProp<TAlignment>(u"Alignment", AlignmentNames, [C] { return C->GetAlignment(); },
                                       [C](TAlignment V) { C->SetAlignment(V); }, [C] { return C->IsAlignmentStored(); }));
  Props.push_back(BoolProp(u"AlwaysShowEditButton", [C] { return C->GetAlwaysShowEditButton(); },
                           [C](bool V) { C->SetAlwaysShowEditButton(V); },
                           [C] { return C->IsAlwaysShowEditButtonStored(); }));
  Props.push_back(BoolProp(u"AutoDropDown", [C] { return C->GetAutoDropDown(); }, [C](bool V) { C->SetAutoDropDown(V); },
                           [C] { return C->IsAutoDropDownStored(); }));
  Props.push_back(BoolProp(u"AutoFitColWidth", [C] { return C->GetAutoFitColWidth(); },
                           [C](bool V) { C->SetAutoFitColWidth(V); }, [C] { return !C->GetAutoFitColWidth(); }));
  Props.push_back(EnumProp<TBiDiMode>(u"BiDiMode", BiDiModeNames, [C] { return C->GetBiDiMode(); },
                                      [C](TBiDiMode V) { C->SetBiDiMode(V); }, [C] { return C->IsBiDiModeStored(); }));
  Props.push_back(EnumProp<TColumnButtonStyleEh>(u"ButtonStyle", ButtonStyleNames, [C] { return C->GetButtonStyle(); },
                                                 [C](TColumnButtonStyleEh V) { C->SetButtonStyle(V); },
                                                 [C] { return C->GetButtonStyle() != cbsAuto; }));
  Props.push_back(BoolProp(u"Checkboxes", [C] { return C->GetCheckboxes(); }, [C](bool V) { C->SetCheckboxes(V); },
                           [C] { return C->IsCheckboxesStored(); }));
  Props.push_back(IntProp(u"Color", [C] { return C->GetColor(); }, [C](Int64 V) { C->SetColor(TColor(V)); },
                          [C] { return C->IsColorStored(); }));
  Props.push_back(BoolProp(u"DblClickNextVal", [C] { return C->GetDblClickNextVal(); },
                           [C](bool V) { C->SetDblClickNextVal(V); }, [C] { return C->IsDblClickNextValStored(); }));
  Props.push_back(TextProp(u"DisplayFormat", [C] { return C->GetDisplayFormat(); },
                           [C](const String& V) { C->SetDisplayFormat(V); }));
  TColumnDropDownBoxEh* Box = FDropDownBox.get();
  Props.push_back(BoolProp(u"DropDownBox.AutoFitColWidths", [Box] { return Box->GetAutoFitColWidths(); },
                           [Box](bool V) { Box->SetAutoFitColWidths(V); }, [Box] { return !Box->GetAutoFitColWidths(); }));
  Props.push_back(IntProp(u"DropDownBox.Options", [Box] { return Int64(Box->GetOptions().Bits()); },
                          [Box](Int64 V) { Box->SetOptions(TDBLookupGridEhOptions::FromBits(std::uint64_t(V))); },
                          [Box, C] {
                            // Settings held by the drop-down grid: none to write before it is made.
                            return C->GetDropDownGridIfMade() &&
                                   !(Box->GetOptions() == TDBLookupGridEhOptions{dlgColLinesEh});
                          }));
  Props.push_back(BoolProp(u"DropDownBox.SortLocal", [Box] { return Box->GetSortLocal(); },
                           [Box](bool V) { Box->SetSortLocal(V); },
                           [Box, C] { return C->GetDropDownGridIfMade() && Box->GetSortLocal(); }));
  Props.push_back(BoolProp(u"DropDownBox.UseMultiTitle", [Box] { return Box->GetUseMultiTitle(); },
                           [Box](bool V) { Box->SetUseMultiTitle(V); }, [Box] { return Box->GetUseMultiTitle(); }));
  Props.push_back(IntProp(u"DropDownRows", [C] { return C->GetDropDownRows(); },
                          [C](Int64 V) { C->SetDropDownRows(Cardinal(V)); }, [C] { return C->GetDropDownRows() != 7; }));
  Props.push_back(BoolProp(u"DropDownShowTitles", [C] { return C->GetDropDownShowTitles(); },
                           [C](bool V) { C->SetDropDownShowTitles(V); }, [C] { return C->IsDropDownShowTitlesStored(); }));
  Props.push_back(BoolProp(u"DropDownSizing", [C] { return C->GetDropDownSizing(); },
                           [C](bool V) { C->SetDropDownSizing(V); }, [C] { return C->IsDropDownSizingStored(); }));
  AddPrefixedProps(Props, FDropDownSpecRow.get(), u"DropDownSpecRow.");
  Props.push_back(IntProp(u"DropDownWidth", [C] { return C->GetDropDownWidth(); },
                          [C](Int64 V) { C->SetDropDownWidth(Integer(V)); }, [C] { return C->GetDropDownWidth() != 0; }));
  Props.push_back({u"EditButtons", [C](TWriter* W) { W->WriteCollection(C->GetEditButtons()); },
                   [C](TReader* R) { R->ReadCollection(C->GetEditButtons()); }, nullptr});
  Props.push_back(TextProp(u"EditMask", [C] { return C->GetEditMaskProp(); },
                           [C](const String& V) { C->SetEditMask(V); }));
  Props.push_back(BoolProp(u"EndEllipsis", [C] { return C->GetEndEllipsis(); }, [C](bool V) { C->SetEndEllipsis(V); },
                           [C] { return C->IsEndEllipsisStored(); }));
  Props.push_back(TextProp(u"FieldName", [C] { return C->GetFieldName(); },
                           [C](const String& V) { C->SetFieldName(V); }));
  AddFontProps(Props, u"Font.", [C] { return C->GetFont(); }, [C] { return C->IsFontStored(); });
  AddFooterPropsEh(Props, FFooter.get(), u"Footer.");
  Props.push_back({u"Footers", [C](TWriter* W) { W->WriteCollection(C->GetFooters()); },
                   [C](TReader* R) { R->ReadCollection(C->GetFooters()); }, nullptr});
  Props.push_back(BoolProp(u"HideDuplicates", [C] { return C->GetHideDuplicates(); },
                           [C](bool V) { C->SetHideDuplicates(V); }, [C] { return C->GetHideDuplicates(); }));
  Props.push_back(BoolProp(u"HighlightRequired", [C] { return C->GetHighlightRequired(); },
                           [C](bool V) { C->SetHighlightRequired(V); }, [C] { return C->IsHighlightRequiredStored(); }));
  Props.push_back(EnumProp<TImeMode>(u"ImeMode", ImeModeNames, [C] { return C->GetImeMode(); },
                                     [C](TImeMode V) { C->SetImeMode(V); }, [C] { return C->IsImeModeStored(); }));
  Props.push_back(TextProp(u"ImeName", [C] { return C->GetImeName(); }, [C](const String& V) { C->SetImeName(V); },
                           [C] { return C->IsImeNameStored(); }));
  Props.push_back({u"Increment", [C](TWriter* W) { W->WriteFloat(C->GetIncrement()); },
                   [C](TReader* R) { C->SetIncrement(R->ReadFloat()); }, [C] { return C->GetIncrement() != 1.0; }});
  Props.push_back(StringsProp(u"KeyList.Strings", [C] { return C->GetKeyList(); }, [C] { return C->HasKeyListItems(); }));
  Props.push_back(EnumProp<TTextLayout>(u"Layout", LayoutNames, [C] { return C->GetLayout(); },
                                        [C](TTextLayout V) { C->SetLayout(V); }, [C] { return C->IsLayoutStored(); }));
  Props.push_back(TextProp(u"LookupDisplayFields", [C] { return C->GetLookupDisplayFields(); },
                           [C](const String& V) { C->SetLookupDisplayFields(V); },
                           [C] { return C->IsLookupDisplayFieldsStored(); }));
  Props.push_back(IntProp(u"MaxWidth", [C] { return C->GetMaxWidth(); }, [C](Int64 V) { C->SetMaxWidth(Integer(V)); },
                          [C] { return C->GetMaxWidth() != 0; }));
  Props.push_back(IntProp(u"MinWidth", [C] { return C->GetMinWidth(); }, [C](Int64 V) { C->SetMinWidth(Integer(V)); },
                          [C] { return C->GetMinWidth() != 0; }));
  AddPrefixedProps(Props, FMRUList.get(), u"MRUList.");
  Props.push_back(IntProp(u"NotInKeyListIndex", [C] { return C->GetNotInKeyListIndex(); },
                          [C](Int64 V) { C->SetNotInKeyListIndex(Integer(V)); },
                          [C] { return C->GetNotInKeyListIndex() != -1; }));
  Props.push_back(
      StringsProp(u"PickList.Strings", [C] { return C->GetPickList(); }, [C] { return C->HasPickListItems(); }));
  Props.push_back(BoolProp(u"ReadOnly", [C] { return C->GetReadOnly(); }, [C](bool V) { C->SetReadOnly(V); },
                           [C] { return C->IsReadOnlyStored(); }));
  Props.push_back(BoolProp(u"ShowImageAndText", [C] { return C->GetShowImageAndText(); },
                           [C](bool V) { C->SetShowImageAndText(V); }, [C] { return C->GetShowImageAndText(); }));
  TSTColumnFilterEh* Filter = FSTFilter.get();
  Props.push_back(TextProp(u"STFilter.DataField", [Filter] { return Filter->GetDataFieldProp(); },
                           [Filter](const String& V) { Filter->SetDataField(V); }));
  Props.push_back(TextProp(u"STFilter.KeyField", [Filter] { return Filter->GetKeyFieldProp(); },
                           [Filter](const String& V) { Filter->SetKeyField(V); }));
  Props.push_back(TextProp(u"STFilter.ListField", [Filter] { return Filter->GetListFieldProp(); },
                           [Filter](const String& V) { Filter->SetListField(V); }));
  Props.push_back(BoolProp(u"STFilter.Visible", [Filter] { return Filter->GetVisible(); },
                           [Filter](bool V) { Filter->SetVisible(V); }, [Filter] { return !Filter->GetVisible(); }));
  Props.push_back(IntProp(u"Tag", [C] { return C->GetTag(); }, [C](Int64 V) { C->SetTag(V); },
                          [C] { return C->GetTag() != 0; }));
  Props.push_back(BoolProp(u"TextEditing", [C] { return C->GetTextEditing(); }, [C](bool V) { C->SetTextEditing(V); },
                           [C] { return C->IsTextEditingStored(); }));
  AddTitleProps(Props, FTitle.get());
  Props.push_back(BoolProp(u"ToolTips", [C] { return C->GetToolTips(); }, [C](bool V) { C->SetToolTips(V); },
                           [C] { return C->IsToolTipsStored(); }));
  Props.push_back(BoolProp(u"Visible", [C] { return C->GetVisible(); }, [C](bool V) { C->SetVisible(V); },
                           [C] { return !C->GetVisible(); }));
  Props.push_back(IntProp(u"Width", [C] { return C->GetWidth(); }, [C](Int64 V) { C->SetWidth(Integer(V)); },
                          [C] { return C->IsWidthStored(); }));
  Props.push_back(BoolProp(u"WordWrap", [C] { return C->GetWordWrap(); }, [C](bool V) { C->SetWordWrap(V); },
                           [C] { return C->IsWordWrapStored(); }));
}

void TColumnEh::DefineProperties(TFiler* Filer) {
  TCollectionItem::DefineProperties(Filer);
  Filer->DefineProperty(
      u"InRowLinePos", [this](TReader* R) { SetInRowLinePos(R->ReadInteger()); },
      [this](TWriter* W) { W->WriteInteger(GetInRowLinePos()); }, GetInRowLinePos() != 0);
  Filer->DefineProperty(
      u"InRowLineHeight", [this](TReader* R) { SetInRowLineHeight(R->ReadInteger()); },
      [this](TWriter* W) { W->WriteInteger(GetInRowLineHeight()); }, GetInRowLineHeight() != 1);
}

// ---- The grid's "Columns" ----------------------------------------------------------------------------

namespace {

std::string CollectionBytes(TCollection* Collection) {
  TMemoryStream Stream;
  {
    TWriter Writer(&Stream);
    Writer.WriteCollection(Collection);
  }
  return std::string(static_cast<const char*>(Stream.GetMemory()), size_t(Stream.GetSize()));
}

}  // namespace

bool TCustomDBGridEh::ColumnsStored(TFiler* Filer) const {
  auto* Ancestor = dynamic_cast<TCustomDBGridEh*>(Filer->GetAncestor());
  if (!Ancestor) return FColumns->GetState() == csCustomized;
  return Ancestor->FColumns->GetState() != FColumns->GetState() ||
         CollectionBytes(Ancestor->FColumns.get()) != CollectionBytes(FColumns.get());
}

void TCustomDBGridEh::ReadColumns(TReader* Reader) {
  FColumns->Clear();
  Reader->ReadCollection(FColumns.get());
}

void TCustomDBGridEh::WriteColumns(TWriter* Writer) { Writer->WriteCollection(FColumns.get()); }

// The base grid's "ColWidths" and "RowHeights" are not written: the columns carry the widths.
void TCustomDBGridEh::DefineProperties(TFiler* Filer) {
  TCustomControl::DefineProperties(Filer);
  Filer->DefineProperty(
      u"Columns", [this](TReader* R) { ReadColumns(R); }, [this](TWriter* W) { WriteColumns(W); },
      ColumnsStored(Filer));
  // The design information of a form designer has no place here: read and dropped.
  Filer->DefineProperty(
      u"DesignInfoCollection", [](TReader* R) { R->SkipValue(); }, nullptr, false);
}

void TCustomDBGridEh::Loaded() {
  TCustomGridEh::Loaded();
  ApplyOptions(FOptions, FOptionsEh, true);
  if (FColumns->GetCount() > 0) {
    SetColCount(std::max(1, FColumns->GetCount()));
    if (FAutoFitColWidths && !GetComponentState().Contains(csDesigning)) {
      FColumns->BeginUpdate();
      for (Integer I = 0; I < FColumns->GetCount(); ++I)
        FColumns->Items(I)->SetInitWidth(FColumns->Items(I)->GetWidth());
      FColumns->EndUpdate();
      SetScrollBars(ssNone);
    }
    RebuildSortMarkedColumns();
  }
  if (GetDataSource()) FSumList->ActivateIfReady();
  LayoutChanged();
  DeferLayout();
  // The levels find their columns among the loaded ones.
  FDataGrouping->Loaded();
}

// Two reader hooks stand while the grid reads itself: the panel control the
// stream creates, or a "RowDetailData" the reader cannot resolve, is the grid's own.
void TCustomDBGridEh::ReadState(TReader* Reader) {
  const auto SavedCreate = Reader->OnCreateComponent;
  const auto SavedAncestor = Reader->OnAncestorNotFound;
  TScopeExitEh Restore([&] {
    Reader->OnCreateComponent = SavedCreate;
    Reader->OnAncestorNotFound = SavedAncestor;
  });
  Reader->OnCreateComponent = [this, SavedCreate](TReader* R, TComponentClass ComponentClass, TComponent*& Component) {
    if (ComponentClass == TRowDetailPanelControlEh::StaticComponentClass())
      Component = FRowDetailPanelControl;
    else if (SavedCreate)
      SavedCreate(R, ComponentClass, Component);
  };
  Reader->OnAncestorNotFound = [this, SavedAncestor](TReader* R, const String& ComponentName,
                                                     TComponentClass ComponentClass, TComponent*& Component) {
    if (SameText(ComponentName, u"RowDetailData"))
      Component = FRowDetailPanelControl;
    else if (SavedAncestor)
      SavedAncestor(R, ComponentName, ComponentClass, Component);
  };
  TCustomGridEh::ReadState(Reader);
}

void TCustomDBGridEh::GetChildren(const TGetChildProc& Proc, TComponent*) {
  if (FRowDetailPanelControl && FRowDetailPanelControl->GetControlCount() > 0) Proc(FRowDetailPanelControl);
}

void TRowDetailPanelControlEh::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (Integer I = 0; I < GetControlCount(); ++I)
    if (GetControl(I)->GetOwner() == Root) Proc(GetControl(I));
}
