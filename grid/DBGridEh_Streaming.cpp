// Streaming of a grid: its published properties and those of its parts (the
// column defaults, grouping, scroll bars, indicator title, panels, filter row and
// sum list, written as "Part.Property"), its columns ("Columns"), and what happens
// after a grid is read (Loaded). A column writes its published properties in their
// published order; a default-following property is written only when it is
// assigned and differs from its default. Sub-objects (title, footer, font, filter
// cell, drop-down box) are written as "Object.Property"; collections as collections.
// Links to other components are written by name and bound by Loaded to the
// components of the grid's owner. The grid's own row detail panel control is
// written as its child while controls stand on it, and read back into the panel
// the grid already owns (ReadState).

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
constexpr std::array<const char16_t*, 7> ButtonStyleNames{
    u"cbsAuto", u"cbsEllipsis", u"cbsNone", u"cbsUpDown", u"cbsDropDown", u"cbsAltUpDown", u"cbsAltDropDown"};
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
constexpr std::array<const char16_t*, 6> FooterValueTypeNames{u"fvtNon",   u"fvtSum",        u"fvtAvg",
                                                              u"fvtCount", u"fvtFieldValue", u"fvtStaticText"};
static_assert(FooterValueTypeNames.size() == fvtStaticText + 1);

constexpr std::array<const char16_t*, 2> SortOrderNames{u"soAscEh", u"soDescEh"};
static_assert(SortOrderNames.size() == soDescEh + 1);
constexpr std::array<const char16_t*, 2> FilterLocationNames{u"stflUnderTitleFilterEh", u"stflInTitleFilterEh"};
static_assert(FilterLocationNames.size() == stflInTitleFilterEh + 1);
constexpr std::array<const char16_t*, 3> VisibleModeNames{u"sbAlwaysShowEh", u"sbNeverShowEh", u"sbAutoShowEh"};
static_assert(VisibleModeNames.size() == sbAutoShowEh + 1);
constexpr std::array<const char16_t*, 2> NavKeysNames{u"rpntRowToRowEh", u"rpntCellToCellEh"};
static_assert(NavKeysNames.size() == rpntCellToCellEh + 1);
constexpr std::array<const char16_t*, 2> TabNavigationNames{u"rpntUpToDownPriorityEh", u"rpntLeftToRightPriorityEh"};
static_assert(TabNavigationNames.size() == rpntLeftToRightPriorityEh + 1);
constexpr std::array<const char16_t*, 4> BevelCutNames{u"bvNone", u"bvLowered", u"bvRaised", u"bvSpace"};
static_assert(BevelCutNames.size() == bvSpace + 1);
constexpr std::array<const char16_t*, 4> BevelKindNames{u"bkNone", u"bkTile", u"bkSoft", u"bkFlat"};
static_assert(BevelKindNames.size() == bkFlat + 1);
constexpr std::array<const char16_t*, 6> BorderStyleNames{u"bsNone",   u"bsSingle",     u"bsSizeable",
                                                          u"bsDialog", u"bsToolWindow", u"bsSizeToolWin"};
static_assert(BorderStyleNames.size() == bsSizeToolWin + 1);

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

// A set written as its bits.
template <class E>
TPropInfo SetProp(const String& Name, std::function<TEnumSet<E>()> Get, std::function<void(TEnumSet<E>)> Set,
                  TStoredFn Stored) {
  return {Name, [Get](TWriter* W) { W->WriteInteger(Int64(Get().Bits())); },
          [Set](TReader* R) { Set(TEnumSet<E>::FromBits(std::uint64_t(R->ReadInt64()))); }, std::move(Stored)};
}

TPropInfo ColorProp(const String& Name, std::function<TColor()> Get, std::function<void(TColor)> Set,
                    TStoredFn Stored) {
  return IntProp(
      Name, [Get] { return Int64(Get()); }, [Set](Int64 V) { Set(TColor(V)); }, std::move(Stored));
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
void AddFontProps(std::vector<TPropInfo>& Props, const String& Prefix, std::function<TFont*()> Font, TStoredFn Stored) {
  Props.push_back(IntProp(
      Prefix + u"Charset", [Font] { return Font()->GetCharset(); },
      [Font](Int64 V) { Font()->SetCharset(TFontCharset(V)); }, Stored));
  Props.push_back(IntProp(
      Prefix + u"Color", [Font] { return Font()->GetColor(); }, [Font](Int64 V) { Font()->SetColor(TColor(V)); },
      Stored));
  Props.push_back(IntProp(
      Prefix + u"Height", [Font] { return Font()->GetHeight(); }, [Font](Int64 V) { Font()->SetHeight(Integer(V)); },
      Stored));
  Props.push_back(TextProp(
      Prefix + u"Name", [Font] { return Font()->GetName(); }, [Font](const String& V) { Font()->SetName(V); }, Stored));
  Props.push_back(IntProp(
      Prefix + u"Style", [Font] { return Int64(Font()->GetStyle().Bits()); },
      [Font](Int64 V) {
        TFontStyles Styles;
        for (TFontStyle S : {fsBold, fsItalic, fsUnderline, fsStrikeOut})
          if (V & (Int64{1} << S)) Styles.Include(S);
        Font()->SetStyle(Styles);
      },
      Stored));
}

// The published properties of a sub-object, each name after Prefix.
void AddPrefixedProps(std::vector<TPropInfo>& Props, TPersistent* Object, const String& Prefix) {
  for (TPropInfo P : TFiler::PropertiesOf(Object)) {
    P.Name = Prefix + P.Name;
    Props.push_back(std::move(P));
  }
}

void AddTitleProps(std::vector<TPropInfo>& Props, TColumnTitleEh* T) {
  Props.push_back(EnumProp<TAlignment>(
      u"Title.Alignment", AlignmentNames, [T] { return T->GetAlignment(); }, [T](TAlignment V) { T->SetAlignment(V); },
      [T] { return T->IsAlignmentStored(); }));
  Props.push_back(TextProp(
      u"Title.Caption", [T] { return T->GetCaption(); }, [T](const String& V) { T->SetCaption(V); },
      [T] { return T->IsCaptionStored(); }));
  Props.push_back(IntProp(
      u"Title.Color", [T] { return T->GetColor(); }, [T](Int64 V) { T->SetColor(TColor(V)); },
      [T] { return T->IsColorStored(); }));
  Props.push_back(BoolProp(
      u"Title.EndEllipsis", [T] { return T->GetEndEllipsis(); }, [T](bool V) { T->SetEndEllipsis(V); },
      [T] { return T->IsEndEllipsisStored(); }));
  AddFontProps(
      Props, u"Title.Font.", [T] { return T->GetFont(); }, [T] { return T->IsFontStored(); });
  Props.push_back(TextProp(
      u"Title.Hint", [T] { return T->GetHint(); }, [T](const String& V) { T->SetHint(V); }));
  Props.push_back(IntProp(
      u"Title.ImageIndex", [T] { return T->GetImageIndex(); }, [T](Int64 V) { T->SetImageIndex(Integer(V)); },
      [T] { return T->GetImageIndex() != -1; }));
  Props.push_back(EnumProp<TTextOrientationEh>(
      u"Title.Orientation", OrientationNames, [T] { return T->GetOrientation(); },
      [T](TTextOrientationEh V) { T->SetOrientation(V); }, [T] { return T->IsOrientationStored(); }));
  Props.push_back(IntProp(
      u"Title.SortIndex", [T] { return T->GetSortIndex(); }, [T](Int64 V) { T->SetSortIndex(Integer(V)); },
      [T] { return T->GetSortIndex() != 0; }));
  Props.push_back(EnumProp<TSortMarkerEh>(
      u"Title.SortMarker", SortMarkerNames, [T] { return T->GetSortMarker(); },
      [T](TSortMarkerEh V) { T->SetSortMarker(V); }, [T] { return T->GetSortMarker() != smNoneEh; }));
  Props.push_back(BoolProp(
      u"Title.TitleButton", [T] { return T->GetTitleButton(); }, [T](bool V) { T->SetTitleButton(V); },
      [T] { return T->IsTitleButtonStored(); }));
  Props.push_back(BoolProp(
      u"Title.ToolTips", [T] { return T->GetToolTips(); }, [T](bool V) { T->SetToolTips(V); },
      [T] { return T->IsToolTipsStored(); }));
}

}  // namespace

void AddFooterPropsEh(std::vector<TPropInfo>& Props, TColumnFooterEh* F, const String& Prefix) {
  Props.push_back(EnumProp<TAlignment>(
      Prefix + u"Alignment", AlignmentNames, [F] { return F->GetAlignment(); },
      [F](TAlignment V) { F->SetAlignment(V); }, [F] { return F->IsAlignmentStored(); }));
  Props.push_back(IntProp(
      Prefix + u"Color", [F] { return F->GetColor(); }, [F](Int64 V) { F->SetColor(TColor(V)); },
      [F] { return F->IsColorStored(); }));
  Props.push_back(TextProp(
      Prefix + u"DisplayFormat", [F] { return F->GetDisplayFormat(); },
      [F](const String& V) { F->SetDisplayFormat(V); }));
  Props.push_back(BoolProp(
      Prefix + u"EndEllipsis", [F] { return F->GetEndEllipsis(); }, [F](bool V) { F->SetEndEllipsis(V); },
      [F] { return F->GetEndEllipsis(); }));
  Props.push_back(TextProp(
      Prefix + u"FieldName", [F] { return F->GetFieldName(); }, [F](const String& V) { F->SetFieldName(V); }));
  AddFontProps(
      Props, Prefix + u"Font.", [F] { return F->GetFont(); }, [F] { return F->IsFontStored(); });
  Props.push_back(BoolProp(
      Prefix + u"ToolTips", [F] { return F->GetToolTips(); }, [F](bool V) { F->SetToolTips(V); },
      [F] { return F->IsToolTipsStored(); }));
  Props.push_back(TextProp(
      Prefix + u"Value", [F] { return F->GetValue(); }, [F](const String& V) { F->SetValue(V); }));
  Props.push_back(EnumProp<TFooterValueType>(
      Prefix + u"ValueType", FooterValueTypeNames, [F] { return F->GetValueType(); },
      [F](TFooterValueType V) { F->SetValueType(V); }, [F] { return F->GetValueType() != fvtNon; }));
  Props.push_back(BoolProp(
      Prefix + u"WordWrap", [F] { return F->GetWordWrap(); }, [F](bool V) { F->SetWordWrap(V); },
      [F] { return F->GetWordWrap(); }));
}

void TColumnFooterEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TCollectionItem::GetPropInfos(Props);
  AddFooterPropsEh(Props, this, String());
}

// ---- The grid's published properties and those of its parts --------------------------------------------
//
// Each part writes its published properties in their published order; the grid
// writes them as "Part.Property". A property is written when it differs from its
// default (a colour or font that follows the grid's only once it is its own).

void TCustomDBGridEh::WriteComponentRef(TWriter* Writer, const TComponent* Component) const {
  Writer->WriteIdent(Component ? Component->GetName() : String());
}

void TCustomDBGridEh::ReadComponentRef(TReader* Reader, std::function<void(TComponent*)> Bind) {
  FPendingRefs.emplace_back(Reader->ReadIdent(), std::move(Bind));
}

namespace {

// A link to another component, by name; written only when it is set and named.
TPropInfo RefProp(TCustomDBGridEh* Grid, const String& Name, std::function<TComponent*()> Get,
                  std::function<void(TComponent*)> Set) {
  return {Name, [Grid, Get](TWriter* W) { Grid->WriteComponentRef(W, Get()); },
          [Grid, Set](TReader* R) { Grid->ReadComponentRef(R, Set); },
          [Get] { return Get() && !Get()->GetName().empty(); }};
}

}  // namespace

void TSTDBGridEhFilter::GetPropInfos(std::vector<TPropInfo>& Props) {
  TPersistent::GetPropInfos(Props);
  TSTDBGridEhFilter* F = this;
  Props.push_back(BoolProp(
      u"InstantApply", [F] { return F->GetInstantApply(); }, [F](bool V) { F->SetInstantApply(V); },
      [F] { return F->IsInstantApplyStored(); }));
  Props.push_back(BoolProp(
      u"Local", [F] { return F->GetLocal(); }, [F](bool V) { F->SetLocal(V); }, [F] { return F->GetLocal(); }));
  Props.push_back(EnumProp<TSTFilterLocationEh>(
      u"Location", FilterLocationNames, [F] { return F->GetLocation(); },
      [F](TSTFilterLocationEh V) { F->SetLocation(V); }, [F] { return F->GetLocation() != stflUnderTitleFilterEh; }));
  Props.push_back(BoolProp(
      u"Visible", [F] { return F->GetVisible(); }, [F](bool V) { F->SetVisible(V); }, [F] { return F->GetVisible(); }));
}

void TDBGridEhColumnDefValuesEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TColumnDefValuesEh::GetPropInfos(Props);
  TColumnDefValuesEh* D = this;
  TColumnTitleDefValuesEh* T = GetTitle();
  TColumnFooterDefValuesEh* F = GetFooter();
  Props.push_back(BoolProp(
      u"AlwaysShowEditButton", [D] { return D->GetAlwaysShowEditButton(); },
      [D](bool V) { D->SetAlwaysShowEditButton(V); }, [D] { return D->GetAlwaysShowEditButton(); }));
  Props.push_back(BoolProp(
      u"AutoDropDown", [D] { return D->GetAutoDropDown(); }, [D](bool V) { D->SetAutoDropDown(V); },
      [D] { return D->GetAutoDropDown(); }));
  Props.push_back(BoolProp(
      u"DblClickNextVal", [D] { return D->GetDblClickNextVal(); }, [D](bool V) { D->SetDblClickNextVal(V); },
      [D] { return D->GetDblClickNextVal(); }));
  Props.push_back(BoolProp(
      u"DropDownShowTitles", [D] { return D->GetDropDownShowTitles(); }, [D](bool V) { D->SetDropDownShowTitles(V); },
      [D] { return D->GetDropDownShowTitles(); }));
  Props.push_back(BoolProp(
      u"DropDownSizing", [D] { return D->GetDropDownSizing(); }, [D](bool V) { D->SetDropDownSizing(V); },
      [D] { return D->GetDropDownSizing(); }));
  Props.push_back(BoolProp(
      u"EndEllipsis", [D] { return D->GetEndEllipsis(); }, [D](bool V) { D->SetEndEllipsis(V); },
      [D] { return D->GetEndEllipsis(); }));
  Props.push_back(BoolProp(
      u"Footer.ToolTips", [F] { return F->GetToolTips(); }, [F](bool V) { F->SetToolTips(V); },
      [F] { return F->GetToolTips(); }));
  Props.push_back(BoolProp(
      u"HighlightRequired", [D] { return D->GetHighlightRequired(); }, [D](bool V) { D->SetHighlightRequired(V); },
      [D] { return D->GetHighlightRequired(); }));
  Props.push_back(EnumProp<TTextLayout>(
      u"Layout", LayoutNames, [D] { return D->GetLayout(); }, [D](TTextLayout V) { D->SetLayout(V); },
      [D] { return D->GetLayout() != tlTop; }));
  Props.push_back(EnumProp<TAlignment>(
      u"Title.Alignment", AlignmentNames, [T] { return T->GetAlignment(); }, [T](TAlignment V) { T->SetAlignment(V); },
      [T] { return T->IsAlignmentStored(); }));
  Props.push_back(ColorProp(
      u"Title.Color", [T] { return T->GetColor(); }, [T](TColor V) { T->SetColor(V); },
      [T] { return T->IsColorStored(); }));
  Props.push_back(BoolProp(
      u"Title.EndEllipsis", [T] { return T->GetEndEllipsis(); }, [T](bool V) { T->SetEndEllipsis(V); },
      [T] { return T->GetEndEllipsis(); }));
  Props.push_back(EnumProp<TTextOrientationEh>(
      u"Title.Orientation", OrientationNames, [T] { return T->GetOrientation(); },
      [T](TTextOrientationEh V) { T->SetOrientation(V); }, [T] { return T->GetOrientation() != tohHorizontal; }));
  Props.push_back(BoolProp(
      u"Title.TitleButton", [T] { return T->GetTitleButton(); }, [T](bool V) { T->SetTitleButton(V); },
      [T] { return T->GetTitleButton(); }));
  Props.push_back(BoolProp(
      u"Title.ToolTips", [T] { return T->GetToolTips(); }, [T](bool V) { T->SetToolTips(V); },
      [T] { return T->GetToolTips(); }));
  Props.push_back(BoolProp(
      u"ToolTips", [D] { return D->GetToolTips(); }, [D](bool V) { D->SetToolTips(V); },
      [D] { return D->GetToolTips(); }));
}

// The vertical bar does not write Visible: its VisibleMode says it.
void TDBGridEhScrollBar::GetPropInfos(std::vector<TPropInfo>& Props) {
  TPersistent::GetPropInfos(Props);
  TDBGridEhScrollBar* B = this;
  const bool Vertical = FKind == sbVertical;
  const bool DefaultSmooth = !Vertical;
  Props.push_back(RefProp(
      FGrid, u"ExtScrollBar", [B] { return B->GetExtScrollBar(); },
      [B](TComponent* C) { B->SetExtScrollBar(dynamic_cast<TScrollBar*>(C)); }));
  Props.push_back(BoolProp(
      u"SmoothStep", [B] { return B->GetSmoothStep(); }, [B](bool V) { B->SetSmoothStep(V); },
      [B, DefaultSmooth] { return B->GetSmoothStep() != DefaultSmooth; }));
  Props.push_back(BoolProp(
      u"Tracking", [B] { return B->GetTracking(); }, [B](bool V) { B->SetTracking(V); },
      [B] { return !B->GetTracking(); }));
  if (!Vertical) {
    Props.push_back(BoolProp(
        u"Visible", [B] { return B->GetVisible(); }, [B](bool V) { B->SetVisible(V); },
        [B] { return !B->GetVisible(); }));
    return;
  }
  Props.push_back(EnumProp<TScrollBarVisibleModeEh>(
      u"VisibleMode", VisibleModeNames, [B] { return B->GetVisibleMode(); },
      [B](TScrollBarVisibleModeEh V) { B->SetVisibleMode(V); }, [B] { return B->GetVisibleMode() != sbAutoShowEh; }));
}

void TDBGridEhIndicatorTitle::GetPropInfos(std::vector<TPropInfo>& Props) {
  TPersistent::GetPropInfos(Props);
  TDBGridEhIndicatorTitle* T = this;
  Props.push_back(RefProp(
      FGrid, u"DropdownMenu", [T] { return T->GetDropdownMenu(); },
      [T](TComponent* C) { T->SetDropdownMenu(dynamic_cast<TPopupMenu*>(C)); }));
  Props.push_back(BoolProp(
      u"ShowDropDownSign", [T] { return T->GetShowDropDownSign(); }, [T](bool V) { T->SetShowDropDownSign(V); },
      [T] { return T->GetShowDropDownSign(); }));
  Props.push_back(BoolProp(
      u"TitleButton", [T] { return T->GetTitleButton(); }, [T](bool V) { T->SetTitleButton(V); },
      [T] { return T->GetTitleButton(); }));
  Props.push_back(BoolProp(
      u"UseGlobalMenu", [T] { return T->GetUseGlobalMenu(); }, [T](bool V) { T->SetUseGlobalMenu(V); },
      [T] { return !T->GetUseGlobalMenu(); }));
}

void TDBGridEhDataGroupLevelEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TGridDataGroupLevelEh::GetPropInfos(Props);
  TDBGridEhDataGroupLevelEh* L = this;
  Props.push_back(ColorProp(
      u"Color", [L] { return L->GetColor(); }, [L](TColor V) { L->SetColor(V); }, [L] { return L->IsColorStored(); }));
  Props.push_back(TextProp(
      u"ColumnName", [L] { return L->GetColumnName(); }, [L](const String& V) { L->SetColumnName(V); }));
  AddFontProps(
      Props, u"Font.", [L] { return L->GetFont(); }, [L] { return L->IsFontStored(); });
  Props.push_back(BoolProp(
      u"ParentColor", [L] { return L->GetParentColor(); }, [L](bool V) { L->SetParentColor(V); },
      [L] { return !L->GetParentColor(); }));
  Props.push_back(BoolProp(
      u"ParentFont", [L] { return L->GetParentFont(); }, [L](bool V) { L->SetParentFont(V); },
      [L] { return !L->GetParentFont(); }));
  Props.push_back(EnumProp<TSortOrderEh>(
      u"SortOrder", SortOrderNames, [L] { return L->GetSortOrder(); }, [L](TSortOrderEh V) { L->SetSortOrder(V); },
      [L] { return L->GetSortOrder() != soAscEh; }));
}

void TDBGridEhDataGroupsEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TGridDataGroupsEh::GetPropInfos(Props);
  TDBGridEhDataGroupsEh* G = this;
  Props.push_back(BoolProp(
      u"Active", [G] { return G->GetActive(); }, [G](bool V) { G->SetActive(V); }, [G] { return G->GetActive(); }));
  Props.push_back(ColorProp(
      u"Color", [G] { return G->GetColor(); }, [G](TColor V) { G->SetColor(V); }, [G] { return G->IsColorStored(); }));
  AddFontProps(
      Props, u"Font.", [G] { return G->GetFont(); }, [G] { return G->IsFontStored(); });
  Props.push_back({u"GroupLevels", [G](TWriter* W) { W->WriteCollection(G->GetGroupLevels()); },
                   [G](TReader* R) {
                     G->GetGroupLevels()->Clear();
                     R->ReadCollection(G->GetGroupLevels());
                   },
                   [G] { return G->GetGroupLevels()->GetCount() > 0; }});
  Props.push_back(BoolProp(
      u"GroupPanelVisible", [G] { return G->GetGroupPanelVisible(); }, [G](bool V) { G->SetGroupPanelVisible(V); },
      [G] { return G->GetGroupPanelVisible(); }));
  Props.push_back(BoolProp(
      u"ParentColor", [G] { return G->GetParentColor(); }, [G](bool V) { G->SetParentColor(V); },
      [G] { return !G->GetParentColor(); }));
  Props.push_back(BoolProp(
      u"ParentFont", [G] { return G->GetParentFont(); }, [G](bool V) { G->SetParentFont(V); },
      [G] { return !G->GetParentFont(); }));
  Props.push_back(BoolProp(
      u"DefaultStateExpanded", [G] { return G->GetDefaultStateExpanded(); },
      [G](bool V) { G->SetDefaultStateExpanded(V); }, [G] { return G->GetDefaultStateExpanded(); }));
}

void TGridRowPanelEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TPersistent::GetPropInfos(Props);
  TGridRowPanelEh* P = this;
  Props.push_back(BoolProp(
      u"Active", [P] { return P->GetActive(); }, [P](bool V) { P->SetActive(V); }, [P] { return P->GetActive(); }));
  Props.push_back(EnumProp<TGridRowPanelNavigationTypeEh>(
      u"NavKeysNavigationType", NavKeysNames, [P] { return P->GetNavKeysNavigationType(); },
      [P](TGridRowPanelNavigationTypeEh V) { P->SetNavKeysNavigationType(V); },
      [P] { return P->GetNavKeysNavigationType() != rpntRowToRowEh; }));
  Props.push_back(EnumProp<TGridRowPanelTabNavigationTypeEh>(
      u"TabNavigationType", TabNavigationNames, [P] { return P->GetTabNavigationType(); },
      [P](TGridRowPanelTabNavigationTypeEh V) { P->SetTabNavigationType(V); },
      [P] { return P->GetTabNavigationType() != rpntUpToDownPriorityEh; }));
}

void TRowDetailPanelEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TPersistent::GetPropInfos(Props);
  TRowDetailPanelEh* P = this;
  Props.push_back(BoolProp(
      u"Active", [P] { return P->GetActive(); }, [P](bool V) { P->SetActive(V); }, [P] { return P->GetActive(); }));
  Props.push_back(RefProp(
      FGrid, u"ActiveControl", [P] { return P->GetActiveControl(); },
      [P](TComponent* C) { P->SetActiveControl(dynamic_cast<TWinControl*>(C)); }));
  Props.push_back(SetProp<TBevelEdge>(
      u"BevelEdges", [P] { return P->GetBevelEdges(); }, [P](TBevelEdges V) { P->SetBevelEdges(V); },
      [P] {
        return P->GetBevelEdges() != TBevelEdges{beLeft, beTop, beRight, beBottom};
      }));
  Props.push_back(EnumProp<TBevelCut>(
      u"BevelInner", BevelCutNames, [P] { return P->GetBevelInner(); }, [P](TBevelCut V) { P->SetBevelInner(V); },
      [P] { return P->GetBevelInner() != bvRaised; }));
  Props.push_back(EnumProp<TBevelCut>(
      u"BevelOuter", BevelCutNames, [P] { return P->GetBevelOuter(); }, [P](TBevelCut V) { P->SetBevelOuter(V); },
      [P] { return P->GetBevelOuter() != bvLowered; }));
  Props.push_back(EnumProp<TBevelKind>(
      u"BevelKind", BevelKindNames, [P] { return P->GetBevelKind(); }, [P](TBevelKind V) { P->SetBevelKind(V); },
      [P] { return P->GetBevelKind() != bkNone; }));
  Props.push_back(IntProp(
      u"BevelWidth", [P] { return P->GetBevelWidth(); }, [P](Int64 V) { P->SetBevelWidth(Integer(V)); },
      [P] { return P->GetBevelWidth() != 1; }));
  Props.push_back(EnumProp<TBorderStyle>(
      u"BorderStyle", BorderStyleNames, [P] { return P->GetBorderStyle(); },
      [P](TBorderStyle V) { P->SetBorderStyle(V); }, [P] { return P->GetBorderStyle() != bsSingle; }));
  Props.push_back(ColorProp(
      u"Color", [P] { return P->GetColor(); }, [P](TColor V) { P->SetColor(V); }, [P] { return P->IsColorStored(); }));
  Props.push_back(IntProp(
      u"Height", [P] { return P->GetHeight(); }, [P](Int64 V) { P->SetHeight(Integer(V)); },
      [P] { return P->GetHeight() != 120; }));
  Props.push_back(BoolProp(
      u"ParentColor", [P] { return P->GetParentColor(); }, [P](bool V) { P->SetParentColor(V); },
      [P] { return P->GetParentColor(); }));
  Props.push_back(IntProp(
      u"Width", [P] { return P->GetWidth(); }, [P](Int64 V) { P->SetWidth(Integer(V)); },
      [P] { return P->GetWidth() != 0; }));
}

void TDBGridEhSumList::GetPropInfos(std::vector<TPropInfo>& Props) {
  TDBSumListProducer::GetPropInfos(Props);
  TDBGridEhSumList* L = this;
  Props.push_back(BoolProp(
      u"Active", [L] { return L->GetActive(); }, [L](bool V) { L->SetActive(V); }, [L] { return L->GetActive(); }));
  Props.push_back(BoolProp(
      u"ExternalRecalc", [L] { return L->GetExternalRecalc(); }, [L](bool V) { L->SetExternalRecalc(V); },
      [L] { return L->GetExternalRecalc(); }));
  Props.push_back(BoolProp(
      u"VirtualRecords", [L] { return L->GetVirtualRecords(); }, [L](bool V) { L->SetVirtualRecords(V); },
      [L] { return L->GetVirtualRecords(); }));
}

void TDBGridEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TCustomDBGridEh::GetPropInfos(Props);
  TCustomDBGridEh* G = this;
  Props.push_back(SetProp<TDBGridEhAllowedOperation>(
      u"AllowedOperations", [G] { return G->GetAllowedOperations(); },
      [G](TDBGridEhAllowedOperations V) { G->SetAllowedOperations(V); },
      [G] { return G->GetAllowedOperations() != AllAllowedOperationsEh; }));
  Props.push_back(SetProp<TDBGridEhSelectionType>(
      u"AllowedSelections", [G] { return G->GetAllowedSelections(); },
      [G](TDBGridEhAllowedSelections V) { G->SetAllowedSelections(V); },
      [G] { return G->GetAllowedSelections() != DefaultAllowedSelectionsEh; }));
  Props.push_back(BoolProp(
      u"AutoFitColWidths", [G] { return G->GetAutoFitColWidths(); }, [G](bool V) { G->SetAutoFitColWidths(V); },
      [G] { return G->GetAutoFitColWidths(); }));
  AddPrefixedProps(Props, GetColumnDefValues(), u"ColumnDefValues.");
  Props.push_back(IntProp(
      u"ContraColCount", [G] { return G->GetContraColCountEh(); }, [G](Int64 V) { G->SetContraColCountEh(Integer(V)); },
      [G] { return G->GetContraColCountEh() != 0; }));
  AddPrefixedProps(Props, GetDataGrouping(), u"DataGrouping.");
  Props.push_back(RefProp(
      G, u"DataSource", [G] { return G->GetDataSource(); },
      [G](TComponent* C) { G->SetDataSource(dynamic_cast<TDataSource*>(C)); }));
  Props.push_back(BoolProp(
      u"DefaultDrawing", [G] { return G->GetDefaultDrawing(); }, [G](bool V) { G->SetDefaultDrawing(V); },
      [G] { return !G->GetDefaultDrawing(); }));
  Props.push_back(BoolProp(
      u"DrawGraphicData", [G] { return G->GetDrawGraphicData(); }, [G](bool V) { G->SetDrawGraphicData(V); },
      [G] { return G->GetDrawGraphicData(); }));
  Props.push_back(BoolProp(
      u"DrawMemoText", [G] { return G->GetDrawMemoText(); }, [G](bool V) { G->SetDrawMemoText(V); },
      [G] { return G->GetDrawMemoText(); }));
  Props.push_back(SetProp<TDBGridEhEditAction>(
      u"EditActions", [G] { return G->GetEditActions(); }, [G](TDBGridEhEditActions V) { G->SetEditActions(V); },
      [G] { return !G->GetEditActions().Empty(); }));
  Props.push_back(SetProp<TEditButtonsShowOptionEh>(
      u"EditButtonsShowOptions", [G] { return G->GetEditButtonsShowOptions(); },
      [G](TEditButtonsShowOptionsEh V) { G->SetEditButtonsShowOptions(V); },
      [G] { return !G->GetEditButtonsShowOptions().Empty(); }));
  Props.push_back(ColorProp(
      u"EvenRowColor", [G] { return G->GetEvenRowColor(); }, [G](TColor V) { G->SetEvenRowColor(V); },
      [G] { return G->IsEvenRowColorStored(); }));
  Props.push_back(ColorProp(
      u"FooterColor", [G] { return G->GetFooterColor(); }, [G](TColor V) { G->SetFooterColor(V); },
      [G] { return G->GetFooterColor() != clWindow; }));
  // The title and footer fonts start as the grid's font: written once they differ from it.
  AddFontProps(
      Props, u"FooterFont.", [G] { return G->GetFooterFont(); },
      [G] { return G->GetFooterFont()->GetHandle() != G->GetFont()->GetHandle(); });
  Props.push_back(IntProp(
      u"FooterRowCount", [G] { return G->GetFooterRowCount(); }, [G](Int64 V) { G->SetFooterRowCount(Integer(V)); },
      [G] { return G->GetFooterRowCount() != 0; }));
  Props.push_back(IntProp(
      u"FrozenCols", [G] { return G->GetFrozenCols(); }, [G](Int64 V) { G->SetFrozenCols(Integer(V)); },
      [G] { return G->GetFrozenCols() != 0; }));
  AddPrefixedProps(Props, GetHorzScrollBar(), u"HorzScrollBar.");
  AddPrefixedProps(Props, GetIndicatorTitle(), u"IndicatorTitle.");
  Props.push_back(IntProp(
      u"MinAutoFitWidth", [G] { return G->GetMinAutoFitWidth(); }, [G](Int64 V) { G->SetMinAutoFitWidth(Integer(V)); },
      [G] { return G->GetMinAutoFitWidth() != 0; }));
  Props.push_back(ColorProp(
      u"OddRowColor", [G] { return G->GetOddRowColor(); }, [G](TColor V) { G->SetOddRowColor(V); },
      [G] { return G->IsOddRowColorStored(); }));
  Props.push_back(SetProp<TDBGridOption>(
      u"Options", [G] { return G->GetOptions(); }, [G](TDBGridOptions V) { G->SetOptions(V); },
      [G] { return G->GetOptions() != DefaultDBGridOptionsEh; }));
  Props.push_back(SetProp<TDBGridEhOption>(
      u"OptionsEh", [G] { return G->GetOptionsEh(); }, [G](TDBGridEhOptions V) { G->SetOptionsEh(V); },
      [G] { return G->GetOptionsEh() != DefaultDBGridEhOptionsEh; }));
  Props.push_back(BoolProp(
      u"ReadOnly", [G] { return G->GetReadOnly(); }, [G](bool V) { G->SetReadOnly(V); },
      [G] { return G->GetReadOnly(); }));
  AddPrefixedProps(Props, GetRowDetailPanel(), u"RowDetailPanel.");
  Props.push_back(IntProp(
      u"RowHeight", [G] { return G->GetRowHeight(); }, [G](Int64 V) { G->SetRowHeight(Integer(V)); },
      [G] { return G->GetRowHeight() != 0; }));
  Props.push_back(IntProp(
      u"RowLines", [G] { return G->GetRowLines(); }, [G](Int64 V) { G->SetRowLines(Integer(V)); },
      [G] { return G->GetRowLines() != 0; }));
  AddPrefixedProps(Props, GetRowPanel(), u"RowPanel.");
  Props.push_back(BoolProp(
      u"RowSizingAllowed", [G] { return G->GetRowSizingAllowed(); }, [G](bool V) { G->SetRowSizingAllowed(V); },
      [G] { return G->GetRowSizingAllowed(); }));
  Props.push_back(BoolProp(
      u"SortLocal", [G] { return G->GetSortLocal(); }, [G](bool V) { G->SetSortLocal(V); },
      [G] { return G->GetSortLocal(); }));
  AddPrefixedProps(Props, GetSTFilter(), u"STFilter.");
  AddPrefixedProps(Props, GetSumList(), u"SumList.");
  AddFontProps(
      Props, u"TitleFont.", [G] { return G->GetTitleFont(); },
      [G] { return G->GetTitleFont()->GetHandle() != G->GetFont()->GetHandle(); });
  Props.push_back(IntProp(
      u"TitleHeight", [G] { return G->GetTitleHeight(); }, [G](Int64 V) { G->SetTitleHeight(Integer(V)); },
      [G] { return G->GetTitleHeight() != 0; }));
  Props.push_back(RefProp(
      G, u"TitleImages", [G] { return G->GetTitleImages(); },
      [G](TComponent* C) { G->SetTitleImages(dynamic_cast<TCustomImageList*>(C)); }));
  Props.push_back(IntProp(
      u"TitleLines", [G] { return G->GetTitleLines(); }, [G](Int64 V) { G->SetTitleLines(Integer(V)); },
      [G] { return G->GetTitleLines() != 0; }));
  Props.push_back(BoolProp(
      u"UseMultiTitle", [G] { return G->GetUseMultiTitle(); }, [G](bool V) { G->SetUseMultiTitle(V); },
      [G] { return G->GetUseMultiTitle(); }));
  AddPrefixedProps(Props, GetVertScrollBar(), u"VertScrollBar.");
  Props.push_back(IntProp(
      u"VTitleMargin", [G] { return G->GetVTitleMargin(); }, [G](Int64 V) { G->SetVTitleMargin(Integer(V)); },
      [G] { return G->GetVTitleMargin() != 10; }));
}

// ---- A column's published properties, in their published order ---------------------------------------

void TColumnEh::GetPropInfos(std::vector<TPropInfo>& Props) {
  TCollectionItem::GetPropInfos(Props);
  TColumnEh* C = this;
  Props.push_back(EnumProp<TAlignment>(
      u"Alignment", AlignmentNames, [C] { return C->GetAlignment(); }, [C](TAlignment V) { C->SetAlignment(V); },
      [C] { return C->IsAlignmentStored(); }));
  Props.push_back(BoolProp(
      u"AlwaysShowEditButton", [C] { return C->GetAlwaysShowEditButton(); },
      [C](bool V) { C->SetAlwaysShowEditButton(V); }, [C] { return C->IsAlwaysShowEditButtonStored(); }));
  Props.push_back(BoolProp(
      u"AutoDropDown", [C] { return C->GetAutoDropDown(); }, [C](bool V) { C->SetAutoDropDown(V); },
      [C] { return C->IsAutoDropDownStored(); }));
  Props.push_back(BoolProp(
      u"AutoFitColWidth", [C] { return C->GetAutoFitColWidth(); }, [C](bool V) { C->SetAutoFitColWidth(V); },
      [C] { return !C->GetAutoFitColWidth(); }));
  Props.push_back(EnumProp<TBiDiMode>(
      u"BiDiMode", BiDiModeNames, [C] { return C->GetBiDiMode(); }, [C](TBiDiMode V) { C->SetBiDiMode(V); },
      [C] { return C->IsBiDiModeStored(); }));
  Props.push_back(EnumProp<TColumnButtonStyleEh>(
      u"ButtonStyle", ButtonStyleNames, [C] { return C->GetButtonStyle(); },
      [C](TColumnButtonStyleEh V) { C->SetButtonStyle(V); }, [C] { return C->GetButtonStyle() != cbsAuto; }));
  Props.push_back(BoolProp(
      u"Checkboxes", [C] { return C->GetCheckboxes(); }, [C](bool V) { C->SetCheckboxes(V); },
      [C] { return C->IsCheckboxesStored(); }));
  Props.push_back(IntProp(
      u"Color", [C] { return C->GetColor(); }, [C](Int64 V) { C->SetColor(TColor(V)); },
      [C] { return C->IsColorStored(); }));
  Props.push_back(BoolProp(
      u"DblClickNextVal", [C] { return C->GetDblClickNextVal(); }, [C](bool V) { C->SetDblClickNextVal(V); },
      [C] { return C->IsDblClickNextValStored(); }));
  Props.push_back(TextProp(
      u"DisplayFormat", [C] { return C->GetDisplayFormat(); }, [C](const String& V) { C->SetDisplayFormat(V); }));
  TColumnDropDownBoxEh* Box = FDropDownBox.get();
  Props.push_back(BoolProp(
      u"DropDownBox.AutoFitColWidths", [Box] { return Box->GetAutoFitColWidths(); },
      [Box](bool V) { Box->SetAutoFitColWidths(V); }, [Box] { return !Box->GetAutoFitColWidths(); }));
  Props.push_back(IntProp(
      u"DropDownBox.Options", [Box] { return Int64(Box->GetOptions().Bits()); },
      [Box](Int64 V) { Box->SetOptions(TDBLookupGridEhOptions::FromBits(std::uint64_t(V))); },
      [Box, C] {
        // Settings held by the drop-down grid: none to write before it is made.
        return C->GetDropDownGridIfMade() && !(Box->GetOptions() == TDBLookupGridEhOptions{dlgColLinesEh});
      }));
  Props.push_back(BoolProp(
      u"DropDownBox.SortLocal", [Box] { return Box->GetSortLocal(); }, [Box](bool V) { Box->SetSortLocal(V); },
      [Box, C] { return C->GetDropDownGridIfMade() && Box->GetSortLocal(); }));
  Props.push_back(BoolProp(
      u"DropDownBox.UseMultiTitle", [Box] { return Box->GetUseMultiTitle(); },
      [Box](bool V) { Box->SetUseMultiTitle(V); }, [Box] { return Box->GetUseMultiTitle(); }));
  Props.push_back(IntProp(
      u"DropDownRows", [C] { return C->GetDropDownRows(); }, [C](Int64 V) { C->SetDropDownRows(Cardinal(V)); },
      [C] { return C->GetDropDownRows() != 7; }));
  Props.push_back(BoolProp(
      u"DropDownShowTitles", [C] { return C->GetDropDownShowTitles(); }, [C](bool V) { C->SetDropDownShowTitles(V); },
      [C] { return C->IsDropDownShowTitlesStored(); }));
  Props.push_back(BoolProp(
      u"DropDownSizing", [C] { return C->GetDropDownSizing(); }, [C](bool V) { C->SetDropDownSizing(V); },
      [C] { return C->IsDropDownSizingStored(); }));
  AddPrefixedProps(Props, FDropDownSpecRow.get(), u"DropDownSpecRow.");
  Props.push_back(IntProp(
      u"DropDownWidth", [C] { return C->GetDropDownWidth(); }, [C](Int64 V) { C->SetDropDownWidth(Integer(V)); },
      [C] { return C->GetDropDownWidth() != 0; }));
  Props.push_back({u"EditButtons", [C](TWriter* W) { W->WriteCollection(C->GetEditButtons()); },
                   [C](TReader* R) { R->ReadCollection(C->GetEditButtons()); }, nullptr});
  Props.push_back(TextProp(
      u"EditMask", [C] { return C->GetEditMaskProp(); }, [C](const String& V) { C->SetEditMask(V); }));
  Props.push_back(BoolProp(
      u"EndEllipsis", [C] { return C->GetEndEllipsis(); }, [C](bool V) { C->SetEndEllipsis(V); },
      [C] { return C->IsEndEllipsisStored(); }));
  Props.push_back(TextProp(
      u"FieldName", [C] { return C->GetFieldName(); }, [C](const String& V) { C->SetFieldName(V); }));
  AddFontProps(
      Props, u"Font.", [C] { return C->GetFont(); }, [C] { return C->IsFontStored(); });
  AddFooterPropsEh(Props, FFooter.get(), u"Footer.");
  Props.push_back({u"Footers", [C](TWriter* W) { W->WriteCollection(C->GetFooters()); },
                   [C](TReader* R) { R->ReadCollection(C->GetFooters()); }, nullptr});
  Props.push_back(BoolProp(
      u"HideDuplicates", [C] { return C->GetHideDuplicates(); }, [C](bool V) { C->SetHideDuplicates(V); },
      [C] { return C->GetHideDuplicates(); }));
  Props.push_back(BoolProp(
      u"HighlightRequired", [C] { return C->GetHighlightRequired(); }, [C](bool V) { C->SetHighlightRequired(V); },
      [C] { return C->IsHighlightRequiredStored(); }));
  Props.push_back(EnumProp<TImeMode>(
      u"ImeMode", ImeModeNames, [C] { return C->GetImeMode(); }, [C](TImeMode V) { C->SetImeMode(V); },
      [C] { return C->IsImeModeStored(); }));
  Props.push_back(TextProp(
      u"ImeName", [C] { return C->GetImeName(); }, [C](const String& V) { C->SetImeName(V); },
      [C] { return C->IsImeNameStored(); }));
  Props.push_back({u"Increment", [C](TWriter* W) { W->WriteFloat(C->GetIncrement()); },
                   [C](TReader* R) { C->SetIncrement(R->ReadFloat()); }, [C] { return C->GetIncrement() != 1.0; }});
  Props.push_back(StringsProp(
      u"KeyList.Strings", [C] { return C->GetKeyList(); }, [C] { return C->HasKeyListItems(); }));
  Props.push_back(EnumProp<TTextLayout>(
      u"Layout", LayoutNames, [C] { return C->GetLayout(); }, [C](TTextLayout V) { C->SetLayout(V); },
      [C] { return C->IsLayoutStored(); }));
  Props.push_back(TextProp(
      u"LookupDisplayFields", [C] { return C->GetLookupDisplayFields(); },
      [C](const String& V) { C->SetLookupDisplayFields(V); }, [C] { return C->IsLookupDisplayFieldsStored(); }));
  Props.push_back(IntProp(
      u"MaxWidth", [C] { return C->GetMaxWidth(); }, [C](Int64 V) { C->SetMaxWidth(Integer(V)); },
      [C] { return C->GetMaxWidth() != 0; }));
  Props.push_back(IntProp(
      u"MinWidth", [C] { return C->GetMinWidth(); }, [C](Int64 V) { C->SetMinWidth(Integer(V)); },
      [C] { return C->GetMinWidth() != 0; }));
  AddPrefixedProps(Props, FMRUList.get(), u"MRUList.");
  Props.push_back(IntProp(
      u"NotInKeyListIndex", [C] { return C->GetNotInKeyListIndex(); },
      [C](Int64 V) { C->SetNotInKeyListIndex(Integer(V)); }, [C] { return C->GetNotInKeyListIndex() != -1; }));
  Props.push_back(StringsProp(
      u"PickList.Strings", [C] { return C->GetPickList(); }, [C] { return C->HasPickListItems(); }));
  Props.push_back(BoolProp(
      u"ReadOnly", [C] { return C->GetReadOnly(); }, [C](bool V) { C->SetReadOnly(V); },
      [C] { return C->IsReadOnlyStored(); }));
  Props.push_back(BoolProp(
      u"ShowImageAndText", [C] { return C->GetShowImageAndText(); }, [C](bool V) { C->SetShowImageAndText(V); },
      [C] { return C->GetShowImageAndText(); }));
  TSTColumnFilterEh* Filter = FSTFilter.get();
  Props.push_back(TextProp(
      u"STFilter.DataField", [Filter] { return Filter->GetDataFieldProp(); },
      [Filter](const String& V) { Filter->SetDataField(V); }));
  Props.push_back(TextProp(
      u"STFilter.KeyField", [Filter] { return Filter->GetKeyFieldProp(); },
      [Filter](const String& V) { Filter->SetKeyField(V); }));
  Props.push_back(TextProp(
      u"STFilter.ListField", [Filter] { return Filter->GetListFieldProp(); },
      [Filter](const String& V) { Filter->SetListField(V); }));
  Props.push_back(BoolProp(
      u"STFilter.Visible", [Filter] { return Filter->GetVisible(); }, [Filter](bool V) { Filter->SetVisible(V); },
      [Filter] { return !Filter->GetVisible(); }));
  Props.push_back(IntProp(
      u"Tag", [C] { return C->GetTag(); }, [C](Int64 V) { C->SetTag(V); }, [C] { return C->GetTag() != 0; }));
  Props.push_back(BoolProp(
      u"TextEditing", [C] { return C->GetTextEditing(); }, [C](bool V) { C->SetTextEditing(V); },
      [C] { return C->IsTextEditingStored(); }));
  AddTitleProps(Props, FTitle.get());
  Props.push_back(BoolProp(
      u"ToolTips", [C] { return C->GetToolTips(); }, [C](bool V) { C->SetToolTips(V); },
      [C] { return C->IsToolTipsStored(); }));
  Props.push_back(BoolProp(
      u"Visible", [C] { return C->GetVisible(); }, [C](bool V) { C->SetVisible(V); },
      [C] { return !C->GetVisible(); }));
  Props.push_back(IntProp(
      u"Width", [C] { return C->GetWidth(); }, [C](Int64 V) { C->SetWidth(Integer(V)); },
      [C] { return C->IsWidthStored(); }));
  Props.push_back(BoolProp(
      u"WordWrap", [C] { return C->GetWordWrap(); }, [C](bool V) { C->SetWordWrap(V); },
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
  // Links read by name find their components among the owner's.
  std::vector<std::pair<String, std::function<void(TComponent*)>>> Refs;
  Refs.swap(FPendingRefs);
  for (auto& [Name, Bind] : Refs)
    if (TComponent* Found = GetOwner() && !Name.empty() ? GetOwner()->FindComponent(Name) : nullptr) Bind(Found);
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
    if (ComponentClass == TRowDetailPanelControlEh::StaticComponentClass()) Component = FRowDetailPanelControl;
    else if (SavedCreate) SavedCreate(R, ComponentClass, Component);
  };
  Reader->OnAncestorNotFound = [this, SavedAncestor](TReader* R, const String& ComponentName,
                                                     TComponentClass ComponentClass, TComponent*& Component) {
    if (SameText(ComponentName, u"RowDetailData")) Component = FRowDetailPanelControl;
    else if (SavedAncestor) SavedAncestor(R, ComponentName, ComponentClass, Component);
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
