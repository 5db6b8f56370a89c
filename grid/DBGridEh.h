#pragma once
// The data grid: a base grid (gridbase/GridsEh.h) that shows the records of a
// dataset as rows and its fields as configurable columns.
//
// Classes of this unit, from the leaves to the grid:
//   TColCellParamsEh        one cell's parameters, passed between a column, the
//                           cell-parameter events and painting
//   TColumnTitleEh          a column's title cell: caption, look, sort marker
//   TColumnFooterEh(s)      a column's footer cells and their sum items
//   TSTColumnFilterEh       a column's cell in the filter row
//   TPopupListboxItemEh*    the items of a filter drop-down list
//   TColumnDropDownBoxEh    the settings of a column's drop-down grid
//   TColumnEh               one column; TDBGridColumnEh publishes it
//   TColumnDefValuesEh      the grid-wide defaults that columns follow until assigned
//   TColumnsEhList          a plain list of columns (visible, sorted, selected)
//   TDBGridColumnsEh        the grid's collection of columns
//   TBookmarkListEh         the grid's selected rows
//   TGridDataLinkEh         the grid's end of its data source
//   TDBGridEhSelection      the grid's selection (rows, rectangle, columns, all)
//   TDBGridEhScrollBar      the settings of one scroll bar
//   TDBGridEhSumList        the footer-sum engine of a grid
//   TDBGridEhStyle          the process-wide highlight colours every grid asks
//   TDBGridEhCenter         the process-wide hook every dataset service goes through
//   TInplaceFilterEditEh    the editor of a filter-row cell
//   TCustomDBGridEh         the grid; TDBGridEh publishes it
//
// Most appearance properties of columns, titles and footers follow a live
// default (the grid's colours and fonts, the bound field, ColumnDefValues) until
// their setter is called once; an assigned flag records that, and the stream
// writes a property only when it is assigned and differs from its default.
//
// Implementation files, by concern:
//   DBGridEh.cpp               the grid's lifecycle: construction, the layout bracket,
//                              notification, events, focus and the delete prompt
//   DBGridEh_Properties.cpp    the grid's property setters, option mapping, cell types
//   DBGridEh_Layout.cpp        the layout pass, column building, heights and widths,
//                              auto-fit, scaling, window creation and data changes
//   DBGridEh_Scroll.cpp        row counts, the current row, scroll bars and scroll
//                              requests, data scrolls, row notices, the timer, reading rows
//   DBGridEh_ScrollBars.cpp    TDBGridEhScrollBar: the scroll-bar settings, the external bar
//   DBGridEh_ScrollRows.cpp    the grid's row heights: the run store behind the base
//                              grid's heights, and the per-row heights of a table's rows
//   DBGridEh_Messages.cpp      the grid's message switch and its smaller handlers:
//                              styles, timers, cursors, focus, fonts and colours
//   DBGridEh_Keyboard.cpp      KeyDown, KeyPress, WM_CHAR, KeyUp, the incremental search
//   DBGridEh_KeyboardMoves.cpp moving by rows, pages, Tab and columns, selecting on the way
//   DBGridEh_Mouse.cpp         MouseDown: titles, sizing, tree buttons, data cells
//   DBGridEh_MouseTrack.cpp    MouseMove and MouseUp: title clicks and sort marking,
//                              tracked selections, live sizing, auto-scroll, the wheel
//   DBGridEh_Selection.cpp     the selection (rows, rectangle, columns, all), edit-action tests
//   DBGridEh_Hints.cpp         tool tips of titles, data cells and footers
//   DBGridEh_OptimizeWidths.cpp columns sized to their content
//   DBGridEh_InplaceEdit.cpp   the cell editor: loading, edit buttons, keys, paste, mouse
//   DBGridEh_InplaceEditLists.cpp the cell editor's drop-down lists and completion
//   DBGridEh_Editing.cpp       showing, hiding and loading the editor, writing its text
//                              back, copying a value from the row above
//   DBGridEh_Streaming.cpp     "Columns", Loaded, and the published-property tables
//   DBGridEh_DataLink.cpp      TGridDataLinkEh
//   DBGridEh_Columns.cpp       TColumnEh and TDBGridColumnEh: defaults, setters, Assign
//   DBGridEh_ColumnValues.cpp  a column's texts, check state, image index, can-modify
//   DBGridEh_ColumnEdit.cpp    a column's editor text, writing values, stepping a cell
//   DBGridEh_Collection.cpp    TDBGridColumnsEh, TColumnsEhList, TBookmarkListEh
//   DBGridEh_Titles.cpp        TColumnTitleEh and the sort-marker bookkeeping
//   DBGridEh_MultiTitle.cpp    the multi-level title tree: building, measuring, painting
//   DBGridEh_Grouping.cpp      group rows, the group levels of a grid, the group panel
//   DBGridEh_RecordMoving.cpp  records dragged by the indicator, the move line, the drop
//   DBGridEh_Interceptors.cpp  the column width and column order interceptors
//   DBGridEh_Footers.cpp       footers and the grid's sum list
//   DBGridEh_FooterValues.cpp  the text a footer cell shows
//   DBGridEh_DefValues.cpp     the column defaults objects
//   DBGridEh_Filter.cpp        the column filter model, the filter-row switches, applying
//   DBGridEh_FilterEdit.cpp    the filter row's editor: opening, leaving, its keys and list
//   DBGridEh_FilterList.cpp    the filter drop-down items and the filling of a list
//   DBGridEh_Parts.cpp         the smaller owned objects: drop-down box,
//                              indicator title, grouping, selection, panels
//   DBGridEh_PaintHelpers.cpp  the painting routines of the unit: text writers, clips,
//                              cell buttons, fixed-cell backgrounds and frames
//   DBGridEh_PaintTitles.cpp   DrawCell's dispatch to the area painters; title cells
//                              and the filter row's cells
//   DBGridEh_PaintData.cpp     data cells: colours, tree area, buttons, text, check
//                              boxes, hidden duplicates, search highlight, focus
//   DBGridEh_PaintFooter.cpp   footer cells and the indicator column
//   DBGridEh_PaintBuffer.cpp   the paint message through a memory bitmap, the border,
//                              and the tree lines of the first column
//   DBGridEhBitmaps.cpp        the grid's own pictures (indicator arrows, sort markers)
//                              and the two shared image lists made of them
//   DBGridEh_Style.cpp         TDBGridEhStyle and the unit's small routines
//   DBGridEh_Center.cpp        TDBGridEhCenter, the indicator-title menu, the find hook,
//                              the filter drop-down items and the unit's start and end

#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "editors/CalculatorEh.h"
#include "editors/DBCtrlsEh.h"
#include "editors/PropFilerEh.h"
#include "editors/ToolCtrlsEh.h"
#include "platform/core/Filer.h"
#include "platform/core/Strings.h"
#include "grid/DBGridEhGrouping.h"
#include "grid/DataGridIntfEh.h"
#include "grid/RowHeightsEh.h"
#include "gridbase/DBSumLst.h"
#include "gridbase/GridsEh.h"
#include "memtable/MemTableEh.h"
#include "platform/data/DataSource.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/GDI.h"
#include "platform/ui/HintWnd.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/ScrollBarCtrl.h"
#include "platform/ui/StdCtrls.h"

class TCustomDBGridEh;
class TColumnEh;
class TDBGridColumnsEh;
class TColumnsEhList;
class TDBGridEhCenter;
class TDBGridEhStyle;
class TDBGridEhSumList;

// ===========================================================================
// Shared types

enum TDBGridOption {
  dgEditing,
  dgAlwaysShowEditor,
  dgTitles,
  dgIndicator,
  dgColumnResize,
  dgColLines,
  dgRowLines,
  dgTabs,
  dgRowSelect,
  dgAlwaysShowSelection,
  dgConfirmDelete,
  dgCancelOnExit,
  dgMultiSelect
};
using TDBGridOptions = TEnumSet<TDBGridOption>;

enum TDBGridEhOption {
  dghFixed3D,
  dghFrozen3D,
  dghFooter3D,
  dghData3D,
  dghResizeWholeRightPart,
  dghHighlightFocus,
  dghClearSelection,
  dghFitRowHeightToText,
  dghAutoSortMarking,
  dghMultiSortMarking,
  dghEnterAsTab,
  dghTraceColSizing,
  dghIncSearch,
  dghPreferIncSearch,
  dghRowHighlight,
  dghDblClickOptimizeColWidth,
  dghDialogFind,
  dghRecordMoving,
  dghShowRecNo,
  dghColumnResize,
  dghColumnMove,
  dghAutoFitRowHeight,
  dghHotTrack,
  dghExtendVertLines
};
using TDBGridEhOptions = TEnumSet<TDBGridEhOption>;

enum TDBGridEhAllowedOperation { alopInsertEh, alopUpdateEh, alopDeleteEh, alopAppendEh };
using TDBGridEhAllowedOperations = TEnumSet<TDBGridEhAllowedOperation>;

enum TDBGridEhSelectionType { gstRecordBookmarks, gstRectangle, gstColumns, gstAll, gstNon };
using TDBGridEhAllowedSelections = TEnumSet<TDBGridEhSelectionType>;

enum TDBGridEhEditAction { geaCutEh, geaCopyEh, geaPasteEh, geaDeleteEh, geaSelectAllEh };
using TDBGridEhEditActions = TEnumSet<TDBGridEhEditAction>;

enum TEditButtonsShowOptionEh {
  sebShowOnlyForCurCellEh,
  sebShowOnlyForCurRowEh,
  sebShowOnlyWhenGridActiveEh,
  sebShowOnlyWhenDataEditingEh
};
using TEditButtonsShowOptionsEh = TEnumSet<TEditButtonsShowOptionEh>;

// The defaults a grid starts with (3325, 10027105, and the base grid's 36495).
inline constexpr TDBGridOptions DefaultDBGridOptionsEh{
    dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgConfirmDelete, dgCancelOnExit};
inline constexpr TDBGridEhOptions DefaultDBGridEhOptionsEh{dghFixed3D,        dghHighlightFocus, dghClearSelection,
                                                           dghDialogFind,     dghColumnResize,   dghColumnMove,
                                                           dghExtendVertLines};
inline constexpr TGridOptions DefaultDBGridBaseOptionsEh{goFixedVertLine, goFixedHorzLine, goVertLine,
                                                         goHorzLine,      goColSizing,     goColMoving,
                                                         goEditing,       goTabs,          goExtendVertLinesEh};
inline constexpr TDBGridEhAllowedSelections DefaultAllowedSelectionsEh{gstRecordBookmarks, gstRectangle, gstColumns,
                                                                       gstAll};
inline constexpr TDBGridEhAllowedOperations AllAllowedOperationsEh{alopInsertEh, alopUpdateEh, alopDeleteEh,
                                                                   alopAppendEh};

enum TTextOrientationEh { tohHorizontal, tohVertical };
enum TColumnButtonStyleEh { cbsAuto, cbsEllipsis, cbsNone, cbsUpDown, cbsDropDown, cbsAltUpDown, cbsAltDropDown };
enum TColumnKindEh { ckPlain, ckPickList, ckLookup, ckKeyPickList, ckImageList, ckCheckBox, ckGraphic };
// How a cell's editor looks: which main button it shows and what drops down.
enum TInplaceEditStyleEh {
  esSimpleEh,
  esEllipsisEh,
  esPickListEh,
  esDataListEh,
  esDateCalendarEh,
  esUpDownEh,
  esDropDownEh,
  esAltUpDownEh,
  esAltDropDownEh,
  esDateAltDropDownEh
};
enum TFooterValueType { fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText };
enum TSTFilterLocationEh { stflUnderTitleFilterEh, stflInTitleFilterEh };
enum TScrollBarVisibleModeEh { sbAlwaysShowEh, sbNeverShowEh, sbAutoShowEh };
enum TGridRowPanelNavigationTypeEh { rpntRowToRowEh, rpntCellToCellEh };
enum TGridRowPanelTabNavigationTypeEh { rpntUpToDownPriorityEh, rpntLeftToRightPriorityEh };
enum TDBLookupGridEhOption {
  dlgColumnResizeEh,
  dlgColLinesEh,
  dlgRowLinesEh,
  dlgAutoSortMarkingEh,
  dlgMultiSortMarkingEh
};
using TDBLookupGridEhOptions = TEnumSet<TDBLookupGridEhOption>;

// What a held mouse button is doing, over the grid's own drags and the base
// grid's states. The same numbers stood for different states in different
// places (7 was both a group-panel drag and record moving, 9 both a row-panel
// move and a group-panel drag), so each state has a name of its own here.
enum TGridMouseTrackStateEh {
  gmtsNoneEh,              // nothing
  gmtsSelectingRowsEh,     // selecting record rows
  gmtsSelectingColumnsEh,  // selecting columns from their titles
  gmtsSelectingRectEh,     // selecting a rectangle of cells
  gmtsTitleSizingEh,       // sizing a column from the title line, or pressing a title-button area
  gmtsMovingRecordsEh,     // dragging records to a new place
  gmtsGroupPanelDragEh,    // dragging a column over the grouping panel
  gmtsGroupLevelPressEh,   // a press on a grouping-panel level, not yet a drag
  gmtsRowPanelMovingEh,    // moving a cell of the row panel
};

// The kinds of a cell, by area (GetCellType).
enum TCellAreaHorzEh { cahIndicatorEh = 0, cahDataEh = 1 };
enum TCellAreaVertEh { cavTitleEh = 0, cavSubTitleEh = 1, cavDataEh = 2, cavFooterEh = 4 };
struct TCellTypeEh {
  TCellAreaHorzEh Horz = cahIndicatorEh;
  TCellAreaVertEh Vert = cavTitleEh;
};

// The assigned flags of a column, its title among them. Bit order is fixed: the
// title has none of its own and reads the column's bits 5 to 12.
enum TColumnEhValue {
  cvColor,
  cvWidth,
  cvFont,
  cvAlignment,
  cvReadOnly,
  cvTitleColor,
  cvTitleCaption,
  cvTitleAlignment,
  cvTitleFont,
  cvTitleButton,
  cvTitleEndEllipsis,
  cvTitleToolTips,
  cvTitleOrientation,
  cvImeMode,
  cvImeName,
  cvWordWrap,
  cvLookupDisplayFields,
  cvCheckboxes,
  cvAlwaysShowEditButton,
  cvEndEllipsis,
  cvAutoDropDown,
  cvDblClickNextVal,
  cvToolTips,
  cvDropDownSizing,
  cvDropDownShowTitles,
  cvLayout,
  cvHighlightRequired,
  cvBiDiMode,
  cvTextEditing
};
using TColumnEhValues = TEnumSet<TColumnEhValue>;
inline constexpr TColumnEhValues ColumnEhTitleValues{cvTitleColor,    cvTitleCaption,    cvTitleAlignment,
                                                     cvTitleFont,     cvTitleButton,     cvTitleEndEllipsis,
                                                     cvTitleToolTips, cvTitleOrientation};
static_assert(cvTextEditing == 28, "a column has 29 assigned flags");
static_assert(cvTitleColor == 5 && cvTitleOrientation == 12, "the title's flags are bits 5 to 12");

// The texts the grid raises and asks with that the library's message table lacks.
inline constexpr const char16_t* SDeleteRecordQuestionEh = u"Delete record?";
inline constexpr const char16_t* SDeleteMultipleRecordsQuestionEh = u"Delete all selected records?";
inline constexpr const char16_t* STooManyColumnsEh = u"Grid requested to display more than 256 columns";
inline constexpr const char16_t* SGetCellTypeErrorEh = u"Algorithm error in TCustomDBGridEh.GetCellType";

// The tree indent of the grid: group rows, tree nodes and record moving.
inline constexpr Integer GridTreeIndentEh = 18;
// The box at the left of a record's first cell that opens the row detail panel.
inline constexpr Integer DetailBoxWidthEh = 18;
// The largest number of columns the data link maps.
inline constexpr Integer MaxMapSizeEh = 0x0FFFFFFF;

// ===========================================================================
// The unit's small routines

struct TFontDataEh {
  Integer Height = 0;
  TFontPitch Pitch = fpDefault;
  TFontStyles Style;
  TFontCharset Charset = DEFAULT_CHARSET;
  TFontName Name;
  TColor Color = clWindowText;
};

void SaveFontInfo(TFont* Font, TFontDataEh& Info);
// Sets only the attributes that differ, so an unchanged font sends no change notice.
void ApplyFontInfo(const TFontDataEh& Info, TFont* Font);
// Anisotropic mapping of Width x Height; mirrored, X grows to the left.
void SetCanvasMirror(TCanvas* Canvas, bool Mirror, Integer Width, Integer Height);
// The field's value as a 32-bit integer where its type and value allow, else Default.
// A null small-integer, integer, word, float or currency field reads as 0.
Integer FieldAsIntegerEh(TField* Field, Integer Default);
bool AllFieldsCanModify(const std::vector<TField*>& List);
inline TRect RectEh(Integer Left, Integer Top, Integer Right, Integer Bottom) { return {Left, Top, Right, Bottom}; }
inline Integer MaxEh(Integer A, Integer B) { return A > B ? A : B; }
inline Integer MinEh(Integer A, Integer B) { return A < B ? A : B; }
inline Integer IfThenEh(bool Condition, Integer A, Integer B) { return Condition ? A : B; }
// Per channel c1 + (c2 - c1) / 255 * Amount, rounded, clamped; system colours resolved.
TColor MixColors(TColor Color1, TColor Color2, double Amount);
// The softened (luminated) colour of a highlighted cell.
TColor LuminateColor(TColor Color, TColor Base, bool Darker);
[[noreturn]] void RaiseGridError(const String& Message);
// Removes one pending message of that number for the window; a removed WM_QUIT is posted again.
void KillMessageEh(HWND Window, UINT Msg);
// The hourglass bracket; calls nest.
void StartWaitCursor();
void StopWaitCursor();
void InvalidateGridRow(TCustomGridEh* Grid, Integer ARow);
// Keeps the top-left corner, exchanges width and height (vertical titles).
void TransposeRect(TRect& Rect);
// Measures Text within Rect's width less 2 and Margin (word-wrapped or on one line);
// True when it does not fit: wider than that, or taller than Rect's height less
// VertMargin plus 1.
bool IsTextTruncated(TCanvas* Canvas, const TRect& Rect, const String& Text, bool WordWrap, Integer Margin,
                     Integer VertMargin, Integer& TextWidth, Integer& TextHeight, UINT Flags = 0);
Integer TextWidthEh(TCanvas* Canvas, const String& Text);
bool IsFieldReadOnlyEh(TField* Field);
// Measuring with a font where no window is at hand: a memory device context of its own.
Integer FontTextWidthEh(TFont* Font, const String& Text);
Integer FontTextHeightEh(TFont* Font, const String& Text);
TTextMetric FontTextMetricsEh(TFont* Font);

// The names the grid's own parts use for the same routines.
inline void SaveFontDataEh(TFont* Font, TFontDataEh& Data) { SaveFontInfo(Font, Data); }
inline void RestoreFontDataEh(const TFontDataEh& Data, TFont* Font) { ApplyFontInfo(Data, Font); }
inline void ChangeCanvasOrientationEh(TCanvas* Canvas, bool Mirror, Integer Width, Integer Height) {
  SetCanvasMirror(Canvas, Mirror, Width, Height);
}
inline Integer FieldAsIntegerDefEh(TField* Field, Integer Default) { return FieldAsIntegerEh(Field, Default); }
inline bool FieldsCanModifyEh(const std::vector<TField*>& List) { return AllFieldsCanModify(List); }
inline TColor BlendColorsEh(TColor Color1, TColor Color2, double Weight) { return MixColors(Color1, Color2, Weight); }
[[noreturn]] inline void RaiseGridErrorEh(const String& Message) { RaiseGridError(Message); }
inline void RemovePendingMessageEh(HWND Window, UINT Msg) { KillMessageEh(Window, Msg); }
inline void BeginWaitCursorEh() { StartWaitCursor(); }
inline void EndWaitCursorEh() { StopWaitCursor(); }
inline void InvalidateGridRowEh(TCustomGridEh* Grid, Integer ARow) { InvalidateGridRow(Grid, ARow); }
inline void RotateRectEh(TRect& Rect) { TransposeRect(Rect); }
inline bool MeasureTextEh(UINT Flags, TCanvas* Canvas, Integer Margin, Integer VertMargin, const String& Text,
                          const TRect& Rect, bool WordWrap, Integer& Width, Integer& Height) {
  return IsTextTruncated(Canvas, Rect, Text, WordWrap, Margin, VertMargin, Width, Height, Flags);
}
inline Integer GetTextWidthEh(TCanvas* Canvas, const String& Text) { return TextWidthEh(Canvas, Text); }

// ===========================================================================
// Painting routines of the unit (DBGridEh_PaintHelpers.cpp)
//
// The text writers take a canvas whose font and brush are already set. A cell's
// text goes through WriteCellTextEh, which keeps right-to-left grids readable.
// Colours the device cannot show purely would be drawn through the shared
// scratch bitmap; on a 32-bit surface every colour is pure, so that detour only
// stands ready.

// DrawText flags by alignment (left, right, centre): one line, and word-wrapped.
inline constexpr UINT DrawTextAlignFlagsEh[3] = {DT_EXPANDTABS | DT_NOPREFIX | DT_LEFT,
                                                 DT_EXPANDTABS | DT_NOPREFIX | DT_RIGHT,
                                                 DT_EXPANDTABS | DT_NOPREFIX | DT_CENTER};
inline constexpr UINT DrawTextWrapFlagsEh[3] = {DrawTextAlignFlagsEh[0] | DT_WORDBREAK,
                                                DrawTextAlignFlagsEh[1] | DT_WORDBREAK,
                                                DrawTextAlignFlagsEh[2] | DT_WORDBREAK};
static_assert(DrawTextAlignFlagsEh[0] == 0x840 && DrawTextAlignFlagsEh[1] == 0x842 &&
              DrawTextAlignFlagsEh[2] == 0x841 && DrawTextWrapFlagsEh[1] == 0x852);

// The shared scratch bitmap: every grid holds a use, the last release frees it.
void AcquireTempBitmapEh();
void ReleaseTempBitmapEh();
// The scratch bitmap, grown to at least Width x Height (it never shrinks); null
// when no grid holds it.
TBitmap* TempBitmapEh(Integer Width, Integer Height);
Integer TempBitmapUsersEh();

// A clip region saved before it was narrowed, and given back after.
struct TSavedClipEh {
  Integer Result = 0;     // 1: the device context had a clip region
  HRGN Region = nullptr;  // the region it had
};
void SaveAndIntersectClipEh(TCanvas* Canvas, const TRect& Rect, TSavedClipEh& Saved);
void RestoreClipEh(TCanvas* Canvas, TSavedClipEh& Saved);

// Whether the device shows the brush colour without dithering.
bool IsPureBrushColorEh(TCanvas* Canvas);

// One line in a cell at the offsets DX, DY from its left (or right, or centre).
void WriteTextSimpleEh(TCanvas* Canvas, const TRect& ARect, Integer DX, Integer DY, const String& Text,
                       TAlignment Alignment);
// Text cut so that it and "..." fit MaxWidth.
void EllipsisTextEh(const String& Text, TCanvas* Canvas, Integer MaxWidth, String& Result);

// The parameters of the multi-line writer.
struct TWriteTextParamsEh {
  TRect Rect;
  TAlignment Alignment = taLeftJustify;
  Integer RightMargin = 0;
  Integer LeftMargin = 0;
  bool EndEllipsis = false;
  bool WordBreak = false;
  TTextLayout Layout = tlTop;
  TBiDiMode BiDiMode = bdLeftToRight;
  String Text;
  Integer VertMargin = 0;
  Integer HorzMargin = 0;
};
void WriteTextParamsEh(TCanvas* Canvas, const TWriteTextParamsEh& Params);

// The general cell text writer: one line (cut with "..." when EndEllipsis) or
// several (word-wrapped), placed by Alignment and Layout; FillRect paints the
// brush behind it.
void WriteTextEh(TCanvas* Canvas, const TRect& ARect, bool FillRect, Integer DX, Integer DY, const String& Text,
                 TAlignment Alignment, TTextLayout Layout, bool MultiLine, bool EndEllipsis, Integer LeftMarg,
                 Integer RightMarg, bool RightToLeftReading);
// The grid's cell text writer: WriteTextEh, unmirrored in right-to-left grids.
void WriteCellTextEh(TCustomDBGridEh* Grid, TColumnEh* Column, TCanvas* Canvas, const TRect& ARect, bool FillRect,
                     Integer DX, Integer DY, const String& Text, TAlignment Alignment, TTextLayout Layout,
                     bool MultiLine, bool EndEllipsis, Integer LeftMarg, Integer RightMarg);

// A font like Font turned by 90 degrees (text running upward); DeleteObject frees it.
HFONT CreateVerticalFontEh(TFont* Font);
inline void SwapIntEh(Integer& A, Integer& B) { std::swap(A, B); }
// Text from bottom to top; with CalcTextExtent nothing is drawn and the height the
// text needs is returned.
Integer WriteTextVerticalEh(TCanvas* Canvas, const TRect& ARect, bool FillRect, Integer DX, Integer DY,
                            const String& Text, TAlignment Alignment, TTextLayout Layout, bool EndEllipsis,
                            bool CalcTextExtent);

// An image of a list (or the graphic, without a list) centred vertically in ARect,
// placed by Alignment (Offset in from the left or right edge), clipped when larger.
void DrawImageInCellEh(TCustomImageList* Images, TGraphic* Graphic, TCanvas* Canvas, const TRect& ARect,
                       Integer ImageIndex, Integer Offset, TAlignment Alignment);

// One button of a cell or a title, in ButtonRect (clipped to CellRect); with
// Transparency (percent) above 0 it is blended over what the cell shows.
void DrawCellButtonEh(TCustomDBGridEh* Grid, TColumnEh* Column, TCanvas* Canvas, TEditButtonStyleEh Style,
                      const TRect& ButtonRect, const TRect& CellRect, bool Pressed, bool Hot, bool Flat, bool Enabled,
                      TColor Background, TGraphic* Glyph, Integer Transparency);
// The constant alpha of a button Transparency percent clear: (100 - t) * 2.55,
// rounded, with 2.55 as the extended type holds it (a hair below): 51 at 80, 178 at 30.
Byte ButtonAlphaEh(Integer Transparency);

// The background of a fixed (title, indicator, footer) cell; with flat themed
// looks a gradient, else the brush.
void FillFixedCellBackground(TCustomDBGridEh* Grid, bool Themed, const TRect& ARect, bool Hot, bool Pressed,
                             const TRect& ClipRect, bool Is3D, bool Last);
// The raised frame of a 3-D cell; sunken when highlighted or pressed; the two side
// flags draw the left and right halves (top and bottom always).
void DrawFixedCellFrame(TCustomDBGridEh* Grid, TCanvas* Canvas, const TRect& ARect, bool Pressed, bool Highlighted,
                        bool LeftTop, bool RightBottom);

// ===========================================================================
// The grid's own pictures (DBGridEhBitmaps.cpp)
//
// Indicator images, by index: 0 current-row arrow, 1 editing pencil, 2 inserting
// star, 3 multi-select dot, 4 multi-select arrow, 5 the white arrow, 6 the white
// arrow on the incremental search's yellow. Sort-marker images: 0 down, 1 up,
// 2 the drop-down sign, 3 and 4 the second pair of markers.

// Draws the named pictures and registers them as bitmap resources of the program.
void RegisterGridBitmapsEh();
// Builds the two shared image lists from those resources (once; later calls do nothing).
void LoadGridBitmaps();
// Adds (or replaces) indicator image 6: the white arrow in the incremental search's colour.
void BuildSearchArrowImage();
void FreeGridBitmaps();
TImageList* GetDBGridEhIndicators();
TImageList* GetDBGridEhSortMarkerImages();
// The colour behind the indicator images (and the themed kind-4 arrow).
inline constexpr TColor IndicatorColorEh = 0x808000;
// Keeps every grid from painting through a memory bitmap (off at start).
void SetDBGridEhBufferedPaintForbidden(bool Value);
bool GetDBGridEhBufferedPaintForbidden();

// ===========================================================================
// Cell parameters

class TColCellParamsEh : public TObject {
public:
  BORROW_CLASS(TColCellParamsEh, TObject)
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value) { FAlignment = Value; }
  TColor GetBackground() const { return FBackground; }
  void SetBackground(TColor Value) { FBackground = Value; }
  // 0 unchecked, 1 checked, 2 grayed.
  Integer GetCheckboxState() const { return FCheckboxState; }
  void SetCheckboxState(Integer Value) { FCheckboxState = Value; }
  TFont* GetFont() const { return FFont; }
  void SetFont(TFont* Value) { FFont = Value; }
  Integer GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value) { FImageIndex = Value; }
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  const String& GetText() const { return FText; }
  void SetText(const String& Value) { FText = Value; }
  bool GetTextEditing() const { return FTextEditing; }
  void SetTextEditing(bool Value) { FTextEditing = Value; }
  Integer GetCol() const { return FCol; }
  void SetCol(Integer Value) { FCol = Value; }
  Integer GetRow() const { return FRow; }
  void SetRow(Integer Value) { FRow = Value; }
  TGridDrawState GetState() const { return FState; }
  void SetState(TGridDrawState Value) { FState = Value; }
  bool GetSuppressActiveCellColor() const { return FSuppressActiveCellColor; }
  void SetSuppressActiveCellColor(bool Value) { FSuppressActiveCellColor = Value; }
  // A blank cell is drawn as a fixed cell without content (set by event handlers).
  bool GetBlankCell() const { return FBlankCell; }
  void SetBlankCell(bool Value) { FBlankCell = Value; }
  // The rectangle of the cell being painted.
  const TRect& GetCellRect() const { return FCellRect; }
  void SetCellRect(const TRect& Value) { FCellRect = Value; }

private:
  TAlignment FAlignment = taLeftJustify;
  TColor FBackground = clWindow;
  Integer FCheckboxState = 0;
  TFont* FFont = nullptr;  // the font to draw with; not owned
  Integer FImageIndex = -1;
  bool FReadOnly = false;
  String FText;
  bool FTextEditing = true;
  Integer FCol = -1;
  Integer FRow = -1;
  TGridDrawState FState;
  bool FSuppressActiveCellColor = false;
  bool FBlankCell = false;
  TRect FCellRect;
};

// ===========================================================================
// Tool tips of data cells

// What the tip of one data cell is made of (client coordinates), offered to the
// grid's and the column's OnDataHintShow before the grid computes it itself.
struct TDBGridEhDataHintParams {
  TPoint HintPos;
  Integer HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  TRect CursorRect;
  TPoint CursorPos;
  Integer ReshowTimeout = 0;
  Integer HideTimeout = 0;
  String HintStr;
  TComponentClass HintWindowClass = nullptr;
  TFont* HintFont = nullptr;  // not owned
  Integer Col = -1;
  Integer Row = -1;
};
// Processed keeps the grid from computing the tip itself.
using TDBGridEhDataHintShowEventEh = std::function<void(TObject* Sender, TPoint CursorPos, TGridCoord Cell,
                                                        TDBGridEhDataHintParams& Params, bool& Processed)>;
// The pause before a cell's tip; Processed keeps the grid's own rule from running.
using TDBGridEhHintShowPauseEventEh =
    std::function<void(TObject* Sender, TPoint CursorPos, TGridCoord Cell, Integer& HintPause, bool& Processed)>;

// ===========================================================================
// Column titles

class TColumnTitleEh : public TPersistent {
public:
  BORROW_CLASS(TColumnTitleEh, TPersistent)
  explicit TColumnTitleEh(TColumnEh* Column);
  ~TColumnTitleEh() override;
  TColumnTitleEh(const TColumnTitleEh&) = delete;
  TColumnTitleEh& operator=(const TColumnTitleEh&) = delete;

  void Assign(TPersistent* Source) override;
  virtual void SetCaption(const String& Value);
  virtual void RestoreDefaults();

  TColumnEh* GetColumn() const { return FColumn; }
  TAlignment GetAlignment() const;
  void SetAlignment(TAlignment Value);
  String GetCaption() const;
  TColor GetColor() const;
  void SetColor(TColor Value);
  bool GetEndEllipsis() const;
  void SetEndEllipsis(bool Value);
  TFont* GetFont() const;
  void SetFont(const TFont* Value);
  const String& GetHint() const { return FHint; }
  void SetHint(const String& Value) { FHint = Value; }
  Integer GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  TTextOrientationEh GetOrientation() const;
  void SetOrientation(TTextOrientationEh Value);
  Integer GetSortIndex() const { return FSortIndex; }
  void SetSortIndex(Integer Value);
  TSortMarkerEh GetSortMarker() const { return FSortMarker; }
  void SetSortMarker(TSortMarkerEh Value);
  bool GetTitleButton() const;
  void SetTitleButton(bool Value);
  bool GetToolTips() const;
  void SetToolTips(bool Value);

  // The live defaults of the unassigned properties.
  TAlignment DefaultAlignment() const;
  String DefaultCaption() const;
  TColor DefaultColor() const;
  bool DefaultEndEllipsis() const;
  TFont* DefaultFont() const;
  TTextOrientationEh DefaultOrientation() const;
  bool DefaultTitleButton() const;
  bool DefaultToolTips() const;

  bool IsAlignmentStored() const;
  bool IsCaptionStored() const;
  bool IsColorStored() const;
  bool IsEndEllipsisStored() const;
  bool IsFontStored() const;
  bool IsOrientationStored() const;
  bool IsTitleButtonStored() const;
  bool IsToolTipsStored() const;

  // The title-click step of automatic sort marking; KeepMulti keeps the other markers.
  void SetNextSortMarkerValue(bool KeepMulti);
  // The room the sort mark takes in the title.
  Integer GetSortMarkerWidth() const;
  // The room the filter button takes when the filter row sits in the titles.
  Integer GetFilterButtonWidth() const;
  // Re-copies the default font while the font is unassigned.
  void RefreshDefaultFont() const;

private:
  bool Assigned(TColumnEhValue Flag) const;
  void SetFlag(TColumnEhValue Flag);
  void FontChanged(TObject* Sender);
  void ColumnChanged(bool AllItems);

  TAlignment FAlignment = taLeftJustify;
  String FCaption;
  TColor FColor = clBtnFace;
  TColumnEh* FColumn;
  bool FEndEllipsis = false;
  std::unique_ptr<TFont> FFont;
  String FHint;
  Integer FImageIndex = -1;
  TTextOrientationEh FOrientation = tohHorizontal;
  Integer FSortIndex = 0;
  bool FToolTips = false;
  TSortMarkerEh FSortMarker = smNoneEh;
  bool FTitleButton = false;
  mutable Integer FFontCopying = 0;  // the default is being copied in: not an assignment
};

// ===========================================================================
// Column footers

class TColumnFooterEh : public TCollectionItem {
public:
  BORROW_COLLECTION_ITEM(TColumnFooterEh, TCollectionItem)
  explicit TColumnFooterEh(TCollection* Collection);
  // The column's own single footer, outside any collection.
  explicit TColumnFooterEh(TColumnEh* Column);
  ~TColumnFooterEh() override;

  void Assign(TPersistent* Source) override;
  virtual void RestoreDefaults();

  TColumnEh* GetColumn() const { return FColumn; }
  TAlignment GetAlignment() const;
  void SetAlignment(TAlignment Value);
  TColor GetColor() const;
  void SetColor(TColor Value);
  const String& GetDisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& Value);
  bool GetEndEllipsis() const { return FEndEllipsis; }
  void SetEndEllipsis(bool Value);
  const String& GetFieldName() const { return FFieldName; }
  void SetFieldName(const String& Value);
  TFont* GetFont() const;
  void SetFont(const TFont* Value);
  bool GetToolTips() const;
  void SetToolTips(bool Value);
  const String& GetValue() const { return FValue; }
  void SetValue(const String& Value);
  TFooterValueType GetValueType() const { return FValueType; }
  void SetValueType(TFooterValueType Value);
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);

  TAlignment DefaultAlignment() const;
  TColor DefaultColor() const;
  TFont* DefaultFont() const;
  bool DefaultToolTips() const;
  bool IsAlignmentStored() const;
  bool IsColorStored() const;
  bool IsFontStored() const;
  bool IsToolTipsStored() const;

  // Keeps the footer's sum item in step with its kind and field.
  void RefreshSumItem();
  TDBSum* GetSumItem() const { return FDBSum; }

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  enum TFooterValue { fvAlignment, fvFont, fvColor, fvToolTips };
  void Init();
  void FontChanged(TObject* Sender);
  void ColumnChanged(bool AllItems);
  void RefreshDefaultFont() const;
  TDBGridEhSumList* SumList() const;

  TAlignment FAlignment = taLeftJustify;
  TEnumSet<TFooterValue> FAssignedValues;
  TColor FColor = clWindow;
  TColumnEh* FColumn = nullptr;
  String FDisplayFormat;
  bool FEndEllipsis = false;
  String FFieldName;
  std::unique_ptr<TFont> FFont;
  bool FToolTips = false;
  String FValue;
  TFooterValueType FValueType = fvtNon;
  bool FWordWrap = false;
  TDBSum* FDBSum = nullptr;  // lives in the grid's sum list, freed with the footer
  mutable Integer FFontCopying = 0;
};

// The published properties of a footer, each name after Prefix ("Footer." for a column's own).
void AddFooterPropsEh(std::vector<TPropInfo>& Props, TColumnFooterEh* Footer, const String& Prefix);

class TColumnFootersEh : public TCollection {
public:
  BORROW_CLASS(TColumnFootersEh, TCollection)
  TColumnFootersEh(TColumnEh* Column, TCollectionItemClass FooterClass);
  TColumnFooterEh* Items(Integer Index) const { return dynamic_cast<TColumnFooterEh*>(GetItem(Index)); }
  TColumnFooterEh* Add() { return dynamic_cast<TColumnFooterEh*>(TCollection::Add()); }
  TColumnEh* GetColumn() const { return FColumn; }
  TPersistent* GetOwner() const override;

protected:
  void Update(TCollectionItem* Item) override;

private:
  TColumnEh* FColumn;
};

// ===========================================================================
// A column's cell in the filter row and the grid's filter-row switches

// Fills a column's filter drop-down; setting Processed keeps the default filling from running.
using TFillSTFilterListValuesEventEh =
    std::function<void(TCustomDBGridEh* Grid, TColumnEh* Column, TStrings* Items, bool& Processed)>;
class TSTFilterListLinkEh;

// The model behind one column's filter-row cell: the condition typed or picked
// (kept as typed and as a parsed two-condition record), the field it applies
// to, and for lookup and key/pick-list columns the translation between shown
// texts and stored keys. The filter drop-down's tick marks live here too.
class TSTColumnFilterEh : public TPersistent {
public:
  BORROW_CLASS(TSTColumnFilterEh, TPersistent)
  explicit TSTColumnFilterEh(TColumnEh* Column);
  ~TSTColumnFilterEh() override;
  TSTColumnFilterEh(const TSTColumnFilterEh&) = delete;
  TSTColumnFilterEh& operator=(const TSTColumnFilterEh&) = delete;

  void Assign(TPersistent* Source) override;
  // The condition written back as filter-row text; empty without a condition.
  virtual String GetExpressionAsText() const;
  virtual bool GetCanFilter() const { return true; }
  // Reads Text as the column's condition (typed for the column's field); a
  // malformed text raises, and the condition keeps what was read before the fault.
  virtual void SetExpressionStr(const String& Text);
  // Shown pick-list texts among the operands become their key-list values.
  virtual void ConvertPickListOperands(TSTFilterExpressionEh& Expression) const;
  // The dataset field the condition applies to: DataField, else a lookup field's
  // key fields, else the column's field name.
  virtual String GetDataField() const;
  // The key value picked in the filter editor when a key field is in effect, else Operand1.
  virtual Variant GetValue() const;
  virtual Variant GetValue2() const { return FExpression.Operand2; }

  TColumnEh* GetColumn() const { return FColumn; }
  const String& GetDataFieldProp() const { return FDataField; }
  void SetDataField(const String& Value) { FDataField = Value; }
  const String& GetKeyFieldProp() const { return FKeyField; }
  void SetKeyField(const String& Value);
  const String& GetListFieldProp() const { return FListField; }
  void SetListField(const String& Value);
  TDataSource* GetListSource() const;
  void SetListSource(TDataSource* Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  // The text last set, kept as it was, and the condition read from it.
  const String& GetExpressionStr() const { return FExpressionStr; }
  TSTFilterExpressionEh GetExpression() const { return FExpression; }
  const Variant& GetKeyValue() const { return FKeyValue; }
  void SetKeyValue(const Variant& Value) { FKeyValue = Value; }

  String GetKeyField() const;
  String GetListField() const;
  TDataSet* GetListDataSet() const;
  // Forgets the condition and the picked key value.
  void Clear();
  // SetExpressionStr, then repaints the grid.
  void SetExpressionStrAndRefresh(const String& Text);
  // The distinct values of the list data set's list field, for the drop-down;
  // null unless the grid's dataset and the list data set are open.
  std::shared_ptr<IMemTableDataFieldValueListEh> CreateListSourceValueList() const;
  // An operand of a condition with Operator as the user sees it: mapped to its
  // shown text through the list data set, quoted where it would otherwise read
  // as something else (a comma inside a list's value among them).
  String ValueToDisplayText(const Variant& Operand, TSTFilterOperatorEh Operator) const;
  // Ticks the drop-down's data items whose texts the condition names.
  void SetCheckStatesFromExpression(TStrings* Items);
  // The condition made of the ticked data items; applied at once when the
  // filter row applies instantly.
  void ApplyCheckedItems(TStrings* Items);
  // One byte per drop-down item: 1 where a data item is ticked.
  std::vector<Byte>& GetItemCheckStates() { return FItemCheckStates; }
  // The shown texts and keys of the list data set, index by index.
  TStrings* GetListValues() const { return FListValues.get(); }
  TStrings* GetKeyValues() const { return FKeyValues.get(); }
  // The drop-down's state between openings: the size the user last gave it (0
  // none yet), the item the mouse holds down (-1 none), a data item being
  // toggled, and whether ticks add up (a click, Ctrl+Space) rather than choose
  // one value.
  Integer GetDropDownWidth() const { return FDropDownWidth; }
  void SetDropDownWidth(Integer Value) { FDropDownWidth = Value; }
  Integer GetDropDownRows() const { return FDropDownRows; }
  void SetDropDownRows(Integer Value) { FDropDownRows = Value; }
  Integer GetPressedItemIndex() const { return FPressedItemIndex; }
  void SetPressedItemIndex(Integer Value) { FPressedItemIndex = Value; }
  bool GetExecuting() const { return FExecuting; }
  void SetExecuting(bool Value) { FExecuting = Value; }
  bool GetMultiCheck() const { return FMultiCheck; }
  void SetMultiCheck(bool Value) { FMultiCheck = Value; }

private:
  friend class TSTFilterListLinkEh;
  friend class TDBGridEhCenter;  // leaves this column's own condition out of its drop-down's values
  bool LookupFieldInEffect() const;
  bool ListLookupInEffect() const;
  // The list data set's shown text of a key, or of a key's shown text.
  Variant KeyToListText(const Variant& Key) const;
  Variant ListTextToKey(const Variant& Text) const;
  void ListDataChanged();

  TColumnEh* FColumn;
  String FDataField;
  String FKeyField;
  std::unique_ptr<TStringList> FKeyValues;
  Variant FKeyValue;
  std::unique_ptr<TStringList> FListValues;
  String FListField;
  std::unique_ptr<TSTFilterListLinkEh> FListLink;
  bool FVisible = true;
  TSTFilterExpressionEh FExpression;
  String FExpressionStr;
  std::vector<Byte> FItemCheckStates;
  bool FRefilling = false;
  Integer FDropDownWidth = 0;
  Integer FDropDownRows = 0;
  Integer FPressedItemIndex = -1;
  bool FExecuting = false;
  bool FMultiCheck = false;
};

class TSTDBGridEhFilter : public TPersistent {
public:
  BORROW_CLASS(TSTDBGridEhFilter, TPersistent)
  explicit TSTDBGridEhFilter(TCustomDBGridEh* Grid) : FGrid(Grid) {}
  void Assign(TPersistent* Source) override;

  TCustomDBGridEh* GetGrid() const { return FGrid; }
  bool GetLocal() const { return FLocal; }
  void SetLocal(bool Value) { FLocal = Value; }
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  // Follows Local until assigned.
  bool GetInstantApply() const { return FInstantApplyAssigned ? FInstantApply : FLocal; }
  void SetInstantApply(bool Value);
  bool IsInstantApplyStored() const { return FInstantApplyAssigned; }
  TSTFilterLocationEh GetLocation() const { return FLocation; }
  void SetLocation(TSTFilterLocationEh Value);
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
  }
  Integer GetUpdateCount() const { return FUpdateCount; }

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  TCustomDBGridEh* FGrid;
  bool FLocal = false;
  Integer FUpdateCount = 0;
  bool FVisible = false;
  bool FInstantApplyAssigned = false;
  bool FInstantApply = false;
  TSTFilterLocationEh FLocation = stflUnderTitleFilterEh;
};

// ===========================================================================
// The items of a filter drop-down list. Each text of the list carries one of
// the shared objects below (made at the unit's start), which says what choosing
// the text does: sort, a separator line, a command, or a value with a tick box.

class TDBGridFilterPopupListboxItemEh : public TPopupListboxItemEh {
public:
  BORROW_CLASS(TDBGridFilterPopupListboxItemEh, TPopupListboxItemEh)
  bool CanFocus(TPopupListboxEh*, Integer) override { return false; }
  // The column whose filter list this is: the grid's column with the drop-down
  // open, or the column of the filter-row editor owning the list.
  static TColumnEh* GetColumn(TPopupListboxEh* Sender);
  static TCustomDBGridEh* GetGrid(TPopupListboxEh* Sender);
  // The grid's group level whose sort list this is, or null.
  static TGridDataGroupLevelEh* GetDataGroupLevel(TPopupListboxEh* Sender);

protected:
  // The item's text after a box of the default button width (and 2 pixels).
  static void DrawTextAfterBox(TPopupListboxEh* Sender, Integer ItemIndex, TRect ARect, TOwnerDrawState State);
};

// Sorts by the column: smDownEh ascending, smUpEh descending.
class TPopupListboxItemEhSort : public TDBGridFilterPopupListboxItemEh {
public:
  BORROW_CLASS(TPopupListboxItemEhSort, TDBGridFilterPopupListboxItemEh)
  explicit TPopupListboxItemEhSort(TSortMarkerEh SortMarker = smDownEh) : FSortMarker(SortMarker) {}
  TSortMarkerEh GetSortMarker() const { return FSortMarker; }
  void DrawItem(TPopupListboxEh* Sender, Integer ItemIndex, TRect ARect, TOwnerDrawState State) override;
  void Execute(TPopupListboxEh* Sender, Integer ItemIndex, TPoint MousePos, TShiftState Shift) override;

private:
  TSortMarkerEh FSortMarker;
};

class TPopupListboxItemEhLine : public TDBGridFilterPopupListboxItemEh {
public:
  BORROW_CLASS(TPopupListboxItemEhLine, TDBGridFilterPopupListboxItemEh)
  void DrawItem(TPopupListboxEh* Sender, Integer ItemIndex, TRect ARect, TOwnerDrawState State) override;
  bool CloseOnExecute(TPopupListboxEh*, Integer) override { return false; }
};

enum TPopupListboxItemEhSpecType : Byte {
  ptFilterSpecItemClearFilter = 0,
  ptFilterSpecItemSelectAll = 1,
  ptFilterSpecItemEmpties = 2,
  ptFilterSpecItemNotEmpties = 3,
  ptFilterSpecItemDialog = 4,
  ptFilterSpecItemApplyFilter = 5
};

// A command: clear the filters, all, empty, not empty, a custom condition, apply.
class TPopupListboxItemEhSpec : public TDBGridFilterPopupListboxItemEh {
public:
  BORROW_CLASS(TPopupListboxItemEhSpec, TDBGridFilterPopupListboxItemEh)
  explicit TPopupListboxItemEhSpec(TPopupListboxItemEhSpecType Kind = ptFilterSpecItemClearFilter) : FKind(Kind) {}
  TPopupListboxItemEhSpecType GetKind() const { return FKind; }
  void DrawItem(TPopupListboxEh* Sender, Integer ItemIndex, TRect ARect, TOwnerDrawState State) override;
  void Execute(TPopupListboxEh* Sender, Integer ItemIndex, TPoint MousePos, TShiftState Shift) override;

private:
  TPopupListboxItemEhSpecType FKind;
};

// A value of the column; its tick lives in the column filter's check states.
class TPopupListboxItemEhData : public TDBGridFilterPopupListboxItemEh {
public:
  BORROW_CLASS(TPopupListboxItemEhData, TDBGridFilterPopupListboxItemEh)
  void DrawItem(TPopupListboxEh* Sender, Integer ItemIndex, TRect ARect, TOwnerDrawState State) override;
  void MouseDown(TPopupListboxEh* Sender, Integer ItemIndex, TPoint MousePos, TMouseButton Button,
                 TShiftState Shift) override;
  void MouseMove(TPopupListboxEh* Sender, Integer ItemIndex, TPoint MousePos, TShiftState Shift) override;
  void MouseUp(TPopupListboxEh* Sender, Integer ItemIndex, TPoint MousePos, TMouseButton Button, TShiftState Shift,
               bool& IsCloseListbox) override;
  void KeyPress(TPopupListboxEh*, Integer, Char&, TShiftState, bool&) override {}
  bool CloseOnExecute(TPopupListboxEh*, Integer) override { return false; }
  // Ticks or unticks the value (alone, unless ticks add up) and stores the condition.
  void Execute(TPopupListboxEh* Sender, Integer ItemIndex, TPoint MousePos, TShiftState Shift) override;
};

// The shared item objects; null outside the unit's start and end.
TPopupListboxItemEhLine* PopupListboxItemEhLine();
TPopupListboxItemEhSort* PopupListboxItemEhSort(TSortMarkerEh SortMarker);
TPopupListboxItemEhSpec* PopupListboxItemEhSpec(TPopupListboxItemEhSpecType Kind);
TPopupListboxItemEhData* PopupListboxItemEhData();

// ===========================================================================
// The settings of a column's drop-down grid

class TPopupDataGridEh;
class TColumnDefValuesEh;

// What a column offers its drop-down box: the grid that drops down under its
// cells (made on first call) and that grid's settings.
class IColumnDropDownHostEh {
public:
  virtual ~IColumnDropDownHostEh() = default;
  // Registers the column's grid for the component's free notice.
  virtual void DropDownFreeNotification(TComponent* Component) = 0;
  virtual TPopupDataGridEh* GetDropDownGrid() = 0;
  virtual TDBLookupGridEhOptions GetDropDownOptions() = 0;
  virtual void SetDropDownOptions(TDBLookupGridEhOptions Value) = 0;
};

// Most settings live in the column's drop-down grid, reached through the
// column's IColumnDropDownHostEh; without it they answer nil, empty or False.
class TColumnDropDownBoxEh : public TPersistent {
public:
  BORROW_CLASS(TColumnDropDownBoxEh, TPersistent)
  explicit TColumnDropDownBoxEh(TColumnEh* Column);
  ~TColumnDropDownBoxEh() override;
  void Assign(TPersistent* Source) override;

  TColumnEh* GetColumn() const { return FColumn; }
  bool GetAutoFitColWidths() const { return FAutoFitColWidths; }
  void SetAutoFitColWidths(bool Value) { FAutoFitColWidths = Value; }
  TDataSource* GetListSource() const { return FListSource; }
  void SetListSource(TDataSource* Value);
  bool GetUseMultiTitle() const { return FUseMultiTitle; }
  void SetUseMultiTitle(bool Value) { FUseMultiTitle = Value; }
  TSpecRowEh* GetSpecRow() const { return FSpecRow.get(); }
  // In the drop-down grid.
  bool GetSortLocal() const;
  void SetSortLocal(bool Value);
  TDBLookupGridEhOptions GetOptions() const;
  void SetOptions(TDBLookupGridEhOptions Value);
  TDBGridColumnsEh* GetColumns() const;
  TColumnDefValuesEh* GetColumnDefValues() const;

private:
  IColumnDropDownHostEh* Host() const;
  TColumnEh* FColumn;
  bool FAutoFitColWidths = true;
  TDataSource* FListSource = nullptr;
  bool FUseMultiTitle = false;
  std::unique_ptr<TSpecRowEh> FSpecRow;
};

// ===========================================================================
// Columns

using TColumnEhUpdateDataEvent =
    std::function<void(TObject* Sender, String& Text, Variant& Value, bool& UseText, bool& Handled)>;
using TGetColCellParamsEventEh = std::function<void(TObject* Sender, bool EditMode, TColCellParamsEh* Params)>;
using TColumnEhNotInListEvent = std::function<void(TObject* Sender, const String& NewText, bool& RecheckInList)>;
using TCheckDrawRequiredStateEventEh = std::function<void(TObject* Sender, const String& Text, bool& DrawState)>;
// Draws a data cell in place of the standard drawing (Processed true) or before it.
using TDrawColumnEhAdvCellEvent =
    std::function<void(TObject* Sender, TGridCoord Cell, TColumnEh* Column, TColCellParamsEh* Params, bool& Processed)>;

// The events of a grid that a column passes through to its drop-down grid.
using TCheckTitleEhBtnEvent = std::function<void(TObject* Sender, Integer ACol, TColumnEh* Column, bool& Enabled)>;
using TGetCellEhParamsEvent =
    std::function<void(TObject* Sender, TColumnEh* Column, TFont* AFont, TColor& Background, TGridDrawState State)>;
using TDrawColumnEhCellEvent =
    std::function<void(TObject* Sender, const TRect& Rect, Integer DataCol, TColumnEh* Column, TGridDrawState State)>;
using TTitleEhBtnClickEvent = std::function<void(TObject* Sender, Integer ACol, TColumnEh* Column)>;

class TColumnEh : public TCollectionItem, public IDataGridColumnEh, public IColumnDropDownHostEh {
public:
  BORROW_COLLECTION_ITEM(TColumnEh, TCollectionItem)
  explicit TColumnEh(TCollection* Collection);
  ~TColumnEh() override;

  // -- As the grid services see a column
  TField* GetField() override { return std::as_const(*this).GetField(); }
  String GetFieldName() override { return FFieldName; }
  String GetDisplayText() override { return std::as_const(*this).GetDisplayText(); }
  String GetTitleCaption() override { return FTitle->GetCaption(); }
  TSortMarkerEh GetTitleSortMarker() override { return FTitle->GetSortMarker(); }
  TSTFilterExpressionEh GetSTFilterExpression() override { return FSTFilter->GetExpression(); }
  String GetSTFilterDataField() override { return FSTFilter->GetDataFieldProp(); }
  String GetSTFilterFieldName() override { return FSTFilter->GetDataField(); }

  // -- Overrides of the collection item, and the column's own slots
  void Assign(TPersistent* Source) override;
  String GetDisplayName() const override;
  void SetIndex(Integer Value) override;
  void SetCollection(TCollection* Value) override;
  virtual std::unique_ptr<TEditButtonsEh> CreateEditButtons();
  virtual std::unique_ptr<TColumnFooterEh> CreateFooter();
  virtual std::unique_ptr<TColumnFootersEh> CreateFooters();
  virtual std::unique_ptr<TSTColumnFilterEh> CreateSTFilter();
  virtual std::unique_ptr<TColumnTitleEh> CreateTitle();
  virtual bool IsDefaultColumn() const { return !FPersistent; }
  virtual void SetAlignment(TAlignment Value);
  virtual void SetAutoFitColWidth(bool Value);
  virtual void SetField(TField* Value);
  virtual void SetHideDuplicates(bool Value);
  virtual void SetHighlightRequired(bool Value);
  virtual void SetImeMode(TImeMode Value);
  virtual void SetImeName(const TImeName& Value);
  virtual void SetLookupDisplayFields(const String& Value);
  virtual void SetReadOnly(bool Value);
  virtual void SetWidth(Integer Value);
  virtual void SetWordWrap(bool Value);
  virtual void DropDownSpecRowChanged(TObject* Sender);
  virtual bool UseRightToLeftAlignment() const;
  virtual void GetColCellParams(bool EditMode, TColCellParamsEh* Params);
  virtual void RestoreDefaults();

  // -- Links
  TCustomDBGridEh* GetGrid() const;
  TField* GetField() const;
  // The bound field as cached, without looking it up.
  TField* GetCachedField() const { return FField; }
  TColumnKindEh GetColumnKind() const;
  // The editor's style for this column, from ButtonStyle and the field.
  TInplaceEditStyleEh GetEditStyle() const;
  void ClearFieldBinding();

  // -- Properties
  TAlignment GetAlignment() const;
  bool GetAlwaysShowEditButton() const;
  void SetAlwaysShowEditButton(bool Value);
  bool GetAutoDropDown() const;
  void SetAutoDropDown(bool Value);
  bool GetAutoFitColWidth() const { return FAutoFitColWidth; }
  TBiDiMode GetBiDiMode() const;
  void SetBiDiMode(TBiDiMode Value);
  TColumnButtonStyleEh GetButtonStyle() const { return FButtonStyle; }
  void SetButtonStyle(TColumnButtonStyleEh Value);
  bool GetCheckboxes() const;
  void SetCheckboxes(bool Value);
  TColor GetColor() const;
  void SetColor(TColor Value);
  bool GetDblClickNextVal() const;
  void SetDblClickNextVal(bool Value);
  const String& GetDisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& Value);
  TColumnDropDownBoxEh* GetDropDownBox() const { return FDropDownBox.get(); }
  void SetDropDownBox(TColumnDropDownBoxEh* Value) { FDropDownBox->Assign(Value); }
  // The special row of the column's drop-down list (a "none" entry and the like).
  TSpecRowEh* GetDropDownSpecRow() const { return FDropDownSpecRow.get(); }
  void SetDropDownSpecRow(TSpecRowEh* Value) { FDropDownSpecRow->Assign(Value); }
  // The texts typed into the column's cells before, offered again by its editor.
  TMRUListEh* GetMRUList() const { return FMRUList.get(); }
  void SetMRUList(TMRUListEh* Value) { FMRUList->Assign(Value); }
  Cardinal GetDropDownRows() const { return FDropDownRows; }
  void SetDropDownRows(Cardinal Value) { FDropDownRows = Value; }
  bool GetDropDownShowTitles() const;
  void SetDropDownShowTitles(bool Value);
  bool GetDropDownSizing() const;
  void SetDropDownSizing(bool Value);
  Integer GetDropDownWidth() const { return FDropDownWidth; }
  void SetDropDownWidth(Integer Value);
  TEditButtonsEh* GetEditButtons() const { return FEditButtons.get(); }
  void SetEditButtons(TEditButtonsEh* Value) { FEditButtons->Assign(Value); }
  // The mask an editor uses: the column's, none with a key list, else the field's.
  String GetEditMask() const;
  const String& GetEditMaskProp() const { return FEditMask; }
  void SetEditMask(const String& Value);
  bool GetEndEllipsis() const;
  void SetEndEllipsis(bool Value);
  const String& GetFieldName() const { return FFieldName; }
  void SetFieldName(const String& Value);
  TFont* GetFont() const;
  void SetFont(const TFont* Value);
  TColumnFooterEh* GetFooter() const { return FFooter.get(); }
  void SetFooter(TColumnFooterEh* Value) { FFooter->Assign(Value); }
  TColumnFootersEh* GetFooters() const { return FFooters.get(); }
  void SetFooters(TColumnFootersEh* Value) { FFooters->Assign(Value); }
  // Footer row Row: item Row of Footers when there are that many, else Footer.
  TColumnFooterEh* GetFooterForRow(Integer Row) const;
  bool GetHideDuplicates() const { return FHideDuplicates; }
  bool GetHighlightRequired() const;
  TCustomImageList* GetImageList() const { return FImageList; }
  void SetImageList(TCustomImageList* Value);
  TImeMode GetImeMode() const;
  TImeName GetImeName() const;
  Extended GetIncrement() const { return FIncrement; }
  void SetIncrement(Extended Value) { FIncrement = Value; }
  Integer GetInRowLinePos() const { return FInRowLinePos < 0 ? 0 : FInRowLinePos; }
  void SetInRowLinePos(Integer Value);
  Integer GetInRowLineHeight() const { return FInRowLineHeight < 1 ? 1 : FInRowLineHeight; }
  void SetInRowLineHeight(Integer Value);
  // The column's cell and title cell inside a record's row panel, from the row panel layout.
  const TRect& GetRowPanelRect() const { return FRowPanelRect; }
  const TRect& GetRowPanelTitleRect() const { return FRowPanelTitleRect; }
  void SetRowPanelRects(const TRect& Cell, const TRect& Title) {
    FRowPanelRect = Cell;
    FRowPanelTitleRect = Title;
  }
  // Null until first read or assigned.
  TStrings* GetKeyList() const;
  bool HasKeyListItems() const { return FKeyList && FKeyList->GetCount() > 0; }
  void SetKeyList(const TStrings* Value);
  TTextLayout GetLayout() const;
  void SetLayout(TTextLayout Value);
  String GetLookupDisplayFields() const;
  Integer GetMaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(Integer Value);
  Integer GetMinWidth() const { return FMinWidth; }
  void SetMinWidth(Integer Value);
  Integer GetNotInKeyListIndex() const { return FNotInKeyListIndex; }
  void SetNotInKeyListIndex(Integer Value);
  TStrings* GetPickList() const;
  bool HasPickListItems() const { return FPickList && FPickList->GetCount() > 0; }
  void SetPickList(const TStrings* Value);
  TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);
  bool GetReadOnly() const;
  bool GetShowImageAndText() const { return FShowImageAndText; }
  void SetShowImageAndText(bool Value);
  TSTColumnFilterEh* GetSTFilter() const { return FSTFilter.get(); }
  void SetSTFilter(TSTColumnFilterEh* Value) { FSTFilter->Assign(Value); }
  Int64 GetTag() const { return FTag; }
  void SetTag(Int64 Value) { FTag = Value; }
  bool GetTextEditing() const;
  void SetTextEditing(bool Value);
  TColumnTitleEh* GetTitle() const { return FTitle.get(); }
  void SetTitle(TColumnTitleEh* Value) { FTitle->Assign(Value); }
  bool GetToolTips() const;
  void SetToolTips(bool Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  Integer GetWidth() const;
  bool GetWordWrap() const;
  Integer GetInitWidth() const { return FInitWidth; }
  void SetInitWidth(Integer Value) { FInitWidth = Value; }
  // The auto-fit base width: what the width is scaled from when the grid fits its columns.
  Integer GetAutoFitBaseWidth() const { return FInitWidth; }
  bool GetPersistent() const { return FPersistent; }
  // Default columns are made by the grid from the dataset's fields.
  void SetPersistent(bool Value) { FPersistent = Value; }

  // -- Defaults and stored predicates
  TColumnEhValues GetAssignedValues() const { return FAssignedValues; }
  TAlignment DefaultAlignment() const;
  bool DefaultAlwaysShowEditButton() const;
  bool DefaultAutoDropDown() const;
  TBiDiMode DefaultBiDiMode() const;
  bool DefaultCheckboxes() const;
  TColor DefaultColor() const;
  bool DefaultDblClickNextVal() const;
  bool DefaultDropDownShowTitles() const;
  bool DefaultDropDownSizing() const;
  bool DefaultEndEllipsis() const;
  TFont* DefaultFont() const;
  bool DefaultHighlightRequired() const;
  TImeMode DefaultImeMode() const;
  TImeName DefaultImeName() const;
  TTextLayout DefaultLayout() const;
  String DefaultLookupDisplayFields() const;
  bool DefaultReadOnly() const;
  bool DefaultTextEditing() const;
  bool DefaultToolTips() const;
  Integer DefaultWidth() const;
  bool DefaultWordWrap() const;
  bool IsAlignmentStored() const;
  bool IsAlwaysShowEditButtonStored() const;
  bool IsAutoDropDownStored() const;
  bool IsBiDiModeStored() const { return FAssignedValues.Contains(cvBiDiMode); }
  bool IsCheckboxesStored() const { return FAssignedValues.Contains(cvCheckboxes); }
  bool IsColorStored() const;
  bool IsDblClickNextValStored() const;
  bool IsDropDownShowTitlesStored() const;
  bool IsDropDownSizingStored() const;
  bool IsEndEllipsisStored() const;
  bool IsFontStored() const { return FAssignedValues.Contains(cvFont); }
  bool IsHighlightRequiredStored() const;
  bool IsImeModeStored() const;
  bool IsImeNameStored() const;
  bool IsLayoutStored() const;
  bool IsLookupDisplayFieldsStored() const;
  bool IsReadOnlyStored() const;
  bool IsTextEditingStored() const;
  bool IsToolTipsStored() const;
  bool IsWidthStored() const;
  bool IsWordWrapStored() const;

  // -- Geometry
  // Width within MinWidth and MaxWidth.
  Integer ClampWidth(Integer W) const;
  Integer EditButtonsWidth() const;
  // Width, plus the grid's first-column indent for the first visible column.
  Integer GetVisibleWidth() const;
  // "Column_" + index + "_" + field name.
  String GetDefaultName() const;

  // -- Values (DBGridEh_ColumnValues.cpp)
  String GetDisplayText() const;
  String GetDataText() const;
  // The field's text for the in-place editor, before any editor-side mapping.
  String GetEditFieldText() const;
  Integer GetImageIndex() const;
  // 0 unchecked, 1 checked, 2 grayed.
  Integer GetCheckboxState() const;
  // Whether the cell may change; TryEdit also starts the edit. A value that
  // comes as text (typed, or a text cell pasted) reaches a blob only when the
  // grid shows it as memo text or the field reads text itself; a value that
  // comes whole (the binary interchange format) passes AsText false.
  bool CanModify(bool TryEdit, bool AsText = true);
  // The field a change of the cell writes: the column's field, or a lookup
  // field's first key field; null without a field or when a lookup's keys
  // cannot all change.
  TField* FieldToModify() const;
  bool CanEditColumn() const;
  void FillColCellParams(TColCellParamsEh* Params) const;
  bool AllowsTextEditing();
  bool IsValidChar(Char Ch) const;
  String FilterValidChars(const String& Text) const;
  bool CanWrapInHeight(Integer Height) const;
  // The height this column needs for the record being read, when the grid fits
  // row heights to their text (else the grid's data row height).
  Integer CalcRowHeight();
  // The list of values of the filter-row drop-down, kept until released.
  std::shared_ptr<IMemTableDataFieldValueListEh> GetFilterValueList();
  void ReleaseFilterValueList() { FFilterValueList.reset(); }
  TDataSet* GetLookupListDataSet() const;

  // -- The drop-down grid (DBGridEh_ColumnEdit.cpp), named "DataList"
  void DropDownFreeNotification(TComponent* Component) override;
  TPopupDataGridEh* GetDropDownGrid() override;
  TPopupDataGridEh* GetDropDownGridIfMade() const { return FDropDownGrid.get(); }
  TDBLookupGridEhOptions GetDropDownOptions() override;
  void SetDropDownOptions(TDBLookupGridEhOptions Value) override;

  // -- Editing (DBGridEh_ColumnEdit.cpp)
  // The text the cell editor starts from; sets the grid's pending edit text and
  // edit key value (the keys of a lookup cell).
  String GetInplaceEditText();
  // Writes Text (UseText) or Value into the field, or the key fields of a lookup
  // field; OnUpdateData may change them or do the writing itself.
  void UpdateDataValues(const String& Text, const Variant& Value, bool UseText);
  // 0 unchecked, 1 checked, 2 grayed (Null).
  void SetCheckboxState(Integer State);
  // Steps the cell: exactly 1 forward, anything else backward (numbers add it).
  void SetNextFieldValue(Extended Increment);

  // -- Events
  TCheckDrawRequiredStateEventEh OnCheckDrawRequiredState;
  TButtonClickEventEh OnEditButtonClick;
  TButtonDownEventEh OnEditButtonDown;
  TColumnEhNotInListEvent OnNotInList;
  TColumnEhUpdateDataEvent OnUpdateData;
  TDrawColumnEhAdvCellEvent OnAdvDrawDataCell;
  TDBGridEhDataHintShowEventEh OnDataHintShow;
  TDBGridEhHintShowPauseEventEh OnHintShowPause;
  TFillSTFilterListValuesEventEh OnFillSTFilterListValues;
  // The key a record gives this column's grouping level, and that key as group row text.
  std::function<void(TCustomDBGridEh* Grid, TColumnEh* Column, Variant& KeyValue)> OnGroupGetKeyValue;
  std::function<void(TCustomDBGridEh* Grid, TGroupDataTreeNodeEh* Node, const Variant& KeyValue, String& Text)>
      OnGroupGetKeyValueAsText;
  // The same-named events of the drop-down grid, which the first access makes.
  TCheckTitleEhBtnEvent GetOnDropDownBoxCheckButton();
  void SetOnDropDownBoxCheckButton(TCheckTitleEhBtnEvent Value);
  TDrawColumnEhCellEvent GetOnDropDownBoxDrawColumnCell();
  void SetOnDropDownBoxDrawColumnCell(TDrawColumnEhCellEvent Value);
  TGetCellEhParamsEvent GetOnDropDownBoxGetCellParams();
  void SetOnDropDownBoxGetCellParams(TGetCellEhParamsEvent Value);
  TNotifyEvent GetOnDropDownBoxSortMarkingChanged();
  void SetOnDropDownBoxSortMarkingChanged(TNotifyEvent Value);
  TTitleEhBtnClickEvent GetOnDropDownBoxTitleBtnClick();
  void SetOnDropDownBoxTitleBtnClick(TTitleEhBtnClickEvent Value);
  // Fits the column's width to its title, data and footers.
  void OptimizeWidth();
  const TGetColCellParamsEventEh& GetOnGetCellParams() const { return FOnGetCellParams; }
  void SetOnGetCellParams(const TGetColCellParamsEventEh& Value);
  bool HasOnGetCellParams() const { return bool(FOnGetCellParams); }

  void Changed(bool AllItems) { TCollectionItem::Changed(AllItems); }

protected:
  void DefineProperties(TFiler* Filer) override;
  void GetPropInfos(std::vector<TPropInfo>& Props) override;
  bool GridLoading() const;

private:
  friend class TColumnTitleEh;
  // The grid of the collection the column is in, kept as the column moves:
  // painting asks for it many times per cell.
  TCustomDBGridEh* FGrid = nullptr;
  void FontChanged(TObject* Sender);
  void EditButtonsChanged(TObject* Sender);
  void RefreshDefaultFont() const;
  void RefreshFootersSumItems();
  bool DataLinkActive() const;
  void InvalidateGrid() const;
  // Assigned-flag setter: nothing when assigned and equal, else store, flag, notify.
  template <class T>
  void SetAssigned(T& Field, const T& Value, TColumnEhValue Flag, bool Notify);
  // Default-comparing setter: an unassigned value equal to the default only notifies.
  template <class T>
  void SetComparing(T& Field, const T& Value, const T& Default, TColumnEhValue Flag, bool Loading);
  bool ShowsSpecRow(TField* Field) const;
  bool SpecRowStandsForKeys(TField* Field, const Variant& Keys) const;
  bool CanStepValue();

  TAlignment FAlignment = taLeftJustify;
  TColumnEhValues FAssignedValues;
  TBiDiMode FBiDiMode = bdLeftToRight;
  TColumnButtonStyleEh FButtonStyle = cbsAuto;
  bool FCheckboxes = false;
  TColor FColor = clWindow;
  bool FDblClickNextVal = false;
  String FDisplayFormat;
  std::unique_ptr<TColumnDropDownBoxEh> FDropDownBox;
  Cardinal FDropDownRows = 7;
  bool FDropDownShowTitles = false;
  bool FDropDownSizing = false;
  std::unique_ptr<TSpecRowEh> FDropDownSpecRow;
  std::unique_ptr<TEditButtonsEh> FEditButtons;
  String FEditMask;
  mutable TField* FField = nullptr;  // the cache of the bound field
  String FFieldName;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TColumnFooterEh> FFooter;
  std::unique_ptr<TColumnFootersEh> FFooters;
  bool FHideDuplicates = false;
  bool FHighlightRequired = false;
  TCustomImageList* FImageList = nullptr;
  // Registered with ImageList: a change of the list repaints the column's grid.
  std::unique_ptr<TChangeLink> FImageChangeLink;
  TImeMode FImeMode = imDontCare;
  TImeName FImeName;
  Extended FIncrement = 1.0;
  mutable std::unique_ptr<TStringList> FKeyList;
  TTextLayout FLayout = tlTop;
  Integer FMaxWidth = 0;
  Integer FMinWidth = 0;
  std::unique_ptr<TMRUListEh> FMRUList;
  Integer FNotInKeyListIndex = -1;
  TGetColCellParamsEventEh FOnGetCellParams;
  mutable std::unique_ptr<TStringList> FPickList;
  TPopupMenu* FPopupMenu = nullptr;
  bool FReadOnly = false;
  bool FPersistent = true;
  bool FShowImageAndText = false;
  Int64 FTag = 0;
  bool FTextEditing = true;
  std::unique_ptr<TColumnTitleEh> FTitle;
  bool FToolTips = false;
  bool FVisible = true;
  Integer FWidth = 0;
  std::unique_ptr<TSTColumnFilterEh> FSTFilter;
  std::shared_ptr<IMemTableDataFieldValueListEh> FFilterValueList;
  Integer FInRowLinePos = 0;
  TRect FRowPanelRect, FRowPanelTitleRect;
  Integer FInRowLineHeight = 0;
  bool FAlwaysShowEditButton = false;
  bool FAutoDropDown = false;
  bool FAutoFitColWidth = true;
  Integer FDropDownWidth = 0;
  bool FEndEllipsis = false;
  Integer FInitWidth = 0;
  String FLookupDisplayFields;
  bool FWordWrap = false;
  mutable Integer FFontCopying = 0;
  std::unique_ptr<TPopupDataGridEh> FDropDownGrid;
};

class TDBGridColumnEh : public TColumnEh {
public:
  BORROW_COLLECTION_ITEM(TDBGridColumnEh, TColumnEh)
  explicit TDBGridColumnEh(TCollection* Collection) : TColumnEh(Collection) {}
};

// ===========================================================================
// Column defaults

class TColumnDefValuesEh;

class TColumnTitleDefValuesEh : public TPersistent {
public:
  BORROW_CLASS(TColumnTitleDefValuesEh, TPersistent)
  explicit TColumnTitleDefValuesEh(TColumnDefValuesEh* Owner) : FOwner(Owner) {}
  void Assign(TPersistent* Source) override;

  TAlignment GetAlignment() const;
  void SetAlignment(TAlignment Value);
  TColor GetColor() const;
  void SetColor(TColor Value);
  bool GetEndEllipsis() const { return FEndEllipsis; }
  void SetEndEllipsis(bool Value);
  TTextOrientationEh GetOrientation() const { return FOrientation; }
  void SetOrientation(TTextOrientationEh Value);
  bool GetTitleButton() const { return FTitleButton; }
  void SetTitleButton(bool Value) { FTitleButton = Value; }
  bool GetToolTips() const { return FToolTips; }
  void SetToolTips(bool Value) { FToolTips = Value; }
  TAlignment DefaultAlignment() const;
  TColor DefaultColor() const;
  bool IsAlignmentStored() const { return FAlignmentAssigned && FAlignment != DefaultAlignment(); }
  bool IsColorStored() const { return FColorAssigned && FColor != DefaultColor(); }

private:
  TCustomDBGridEh* Grid() const;
  TAlignment FAlignment = taLeftJustify;
  bool FColorAssigned = false;
  bool FAlignmentAssigned = false;
  TColor FColor = clBtnFace;
  TColumnDefValuesEh* FOwner;
  bool FEndEllipsis = false;
  TTextOrientationEh FOrientation = tohHorizontal;
  bool FTitleButton = false;
  bool FToolTips = false;
};

class TColumnFooterDefValuesEh : public TPersistent {
public:
  BORROW_CLASS(TColumnFooterDefValuesEh, TPersistent)
  void Assign(TPersistent* Source) override;
  bool GetToolTips() const { return FToolTips; }
  void SetToolTips(bool Value) { FToolTips = Value; }

private:
  bool FToolTips = false;
};

class TColumnDefValuesEh : public TPersistent {
public:
  BORROW_CLASS(TColumnDefValuesEh, TPersistent)
  explicit TColumnDefValuesEh(TCustomDBGridEh* Grid);
  ~TColumnDefValuesEh() override;
  TColumnDefValuesEh(const TColumnDefValuesEh&) = delete;
  TColumnDefValuesEh& operator=(const TColumnDefValuesEh&) = delete;
  void Assign(TPersistent* Source) override;

  TCustomDBGridEh* GetGrid() const { return FGrid; }
  bool GetAlwaysShowEditButton() const { return FAlwaysShowEditButton; }
  void SetAlwaysShowEditButton(bool Value);
  bool GetAutoDropDown() const { return FAutoDropDown; }
  void SetAutoDropDown(bool Value) { FAutoDropDown = Value; }
  bool GetDblClickNextVal() const { return FDblClickNextVal; }
  void SetDblClickNextVal(bool Value) { FDblClickNextVal = Value; }
  bool GetDropDownShowTitles() const { return FDropDownShowTitles; }
  void SetDropDownShowTitles(bool Value) { FDropDownShowTitles = Value; }
  bool GetDropDownSizing() const { return FDropDownSizing; }
  void SetDropDownSizing(bool Value) { FDropDownSizing = Value; }
  bool GetEndEllipsis() const { return FEndEllipsis; }
  void SetEndEllipsis(bool Value);
  TTextLayout GetLayout() const { return FLayout; }
  void SetLayout(TTextLayout Value);
  bool GetHighlightRequired() const { return FHighlightRequired; }
  void SetHighlightRequired(bool Value);
  TColumnTitleDefValuesEh* GetTitle() const { return FTitle.get(); }
  void SetTitle(TColumnTitleDefValuesEh* Value) { FTitle->Assign(Value); }
  TColumnFooterDefValuesEh* GetFooter() const { return FFooter.get(); }
  void SetFooter(TColumnFooterDefValuesEh* Value) { FFooter->Assign(Value); }
  bool GetToolTips() const { return FToolTips; }
  void SetToolTips(bool Value) { FToolTips = Value; }

private:
  bool FAlwaysShowEditButton = false;
  bool FAutoDropDown = false;
  bool FDblClickNextVal = false;
  bool FDropDownShowTitles = false;
  bool FDropDownSizing = false;
  bool FEndEllipsis = false;
  TTextLayout FLayout = tlTop;
  bool FHighlightRequired = false;
  TCustomDBGridEh* FGrid;
  std::unique_ptr<TColumnTitleDefValuesEh> FTitle;
  std::unique_ptr<TColumnFooterDefValuesEh> FFooter;
  bool FToolTips = false;
};

class TDBGridEhColumnDefValuesEh : public TColumnDefValuesEh {
public:
  BORROW_CLASS(TDBGridEhColumnDefValuesEh, TColumnDefValuesEh)
  using TColumnDefValuesEh::TColumnDefValuesEh;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;
};

// ===========================================================================
// Column lists and the collection

class TColumnsEhList : public TObject {
public:
  BORROW_CLASS(TColumnsEhList, TObject)
  Integer Count() const { return Integer(FItems.size()); }
  Integer GetCount() const { return Count(); }
  TColumnEh* GetColumn(Integer Index) const { return FItems.at(size_t(Index)); }
  TColumnEh* Items(Integer Index) const { return GetColumn(Index); }
  void SetItem(Integer Index, TColumnEh* Column) { FItems.at(size_t(Index)) = Column; }
  Integer Add(TColumnEh* Column);
  void Insert(Integer Index, TColumnEh* Column);
  void Delete(Integer Index);
  // Removes the first entry of Column; answers its index, -1 when absent.
  Integer Remove(TColumnEh* Column);
  Integer IndexOf(const TColumnEh* Column) const;
  // Grows with null entries, or shrinks.
  void SetCount(Integer Value) { FItems.resize(size_t(Value), nullptr); }
  virtual void Clear() { FItems.clear(); }
  void Exchange(Integer Index1, Integer Index2);

private:
  std::vector<TColumnEh*> FItems;  // not owned
};

enum TDBGridColumnsState { csDefault, csCustomized };

class TDBGridColumnsEh : public TCollection {
public:
  BORROW_CLASS(TDBGridColumnsEh, TCollection)
  TDBGridColumnsEh(TCustomDBGridEh* Grid, TCollectionItemClass ColumnClass);

  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() const override;
  TColumnEh* Add() { return dynamic_cast<TColumnEh*>(TCollection::Add()); }
  // A column the grid makes for a field; not persistent.
  TColumnEh* AddDefaultColumn();
  // Asked for every painted cell: the class is checked through the class
  // descriptors, a few pointer steps, instead of a dynamic_cast.
  TColumnEh* Items(Integer Index) const {
    TCollectionItem* Item = GetItem(Index);
    return Item && Item->InheritsFrom(TColumnEh::StaticClass()) ? static_cast<TColumnEh*>(Item) : nullptr;
  }
  TColumnEh* GetColumn(Integer Index) const { return Items(Index); }
  TCustomDBGridEh* GetGrid() const { return FGrid; }
  TDBGridColumnsState GetState() const;
  void ClearFieldBindings();
  TColumnEh* FindColumnByDefaultName(const String& Name) const;
  // In the grid's row panel these follow the panel's lines: the next cell on the
  // same line, else (wrapping) the nearest later line's leftmost; the last cell is
  // the lowest, rightmost one.
  TColumnEh* FindNextEditableColumn(TColumnEh* Column, bool Forward) const;
  TColumnEh* FirstEditableColumn() const;
  TColumnEh* LastEditableColumn() const;
  // The panel's cells above and below a column, lined up with the column that
  // vertical navigation started from (GetNavigationStartColumn) when there is one.
  TColumnEh* NearestColumnAbove(TColumnEh* Column) const;
  TColumnEh* NearestColumnBelow(TColumnEh* Column) const;
  TColumnEh* TopmostColumnOf(TColumnEh* Column) const;
  TColumnEh* BottommostColumnOf(TColumnEh* Column) const;
  // The panel rule: the next (previous) visible cell on the column's line, else,
  // with Wrap, on the nearest later (earlier) line; Editable skips cells that cannot be edited.
  TColumnEh* PanelNextColumn(TColumnEh* Column, bool Forward, bool Editable, bool Wrap) const;
  TColumnEh* GetNavigationStartColumn() const { return FNavigationStartColumn; }
  void SetNavigationStartColumn(TColumnEh* Value) { FNavigationStartColumn = Value; }
  void ColumnDestroying(TColumnEh* Column);

protected:
  void Update(TCollectionItem* Item) override;

private:
  TCustomDBGridEh* FGrid;
  TColumnEh* FNavigationStartColumn = nullptr;
};

class TBookmarkListEh : public TBMListEh {
public:
  BORROW_CLASS(TBookmarkListEh, TBMListEh)
  explicit TBookmarkListEh(TCustomDBGridEh* Grid) : FGrid(Grid) {}
  TDataSet* GetDataSet() const override;
  void Invalidate() override;
  void SetCurrentRowSelected(bool Value) override;
  void ItemsChanged(const TBookmark& Item) override;
  void Changed() override;
  void Clear() override;
  // The part of the selection among the loaded rows, in grid rows; (-1, -1, -1, -1) when none.
  TGridRect GetSelectedRowsRect() const;
  TCustomDBGridEh* GetGrid() const { return FGrid; }

private:
  TCustomDBGridEh* FGrid;
};

// ===========================================================================
// The data link

class TGridDataLinkEh : public TDataLink {
public:
  BORROW_CLASS(TGridDataLinkEh, TDataLink)
  explicit TGridDataLinkEh(TCustomDBGridEh* Grid) : FGrid(Grid) {}
  ~TGridDataLinkEh() override;

  bool AddMapping(const String& FieldName);
  void ClearMapping();
  TField* GetFields(Integer Index) const;
  Integer GetFieldCount() const { return FFieldCount; }
  Integer GetFieldMapSize() const { return FFieldMapSize; }
  bool DefaultFields() const;
  void Modified() { FModified = true; }
  bool GetModified() const { return FModified; }
  void Reset();
  bool GetSparseMap() const { return FSparseMap; }
  void SetSparseMap(bool Value) { FSparseMap = Value; }
  TCustomDBGridEh* GetGrid() const { return FGrid; }
  const TBookmark& GetCurrentBookmark() const { return FCurrentBookmark; }
  bool InUpdateData() const { return FInUpdateData; }

  // Made public so the grid can ask for the pending write-back.
  void UpdateData() override;

protected:
  void ActiveChanged() override;
  void DataEvent(TDataEvent Event, TDataEventInfo Info) override;
  void DataSetChanged() override;
  void DataSetScrolled(Integer Distance) override;
  void EditingChanged() override;
  void FocusControl(TField** Field) override;
  void LayoutChanged() override;
  void RecordChanged(TField* Field) override;

private:
  void KeepCurrentBookmark();

  Integer FFieldCount = 0;
  std::vector<Integer> FFieldMap;
  Integer FFieldMapSize = 0;
  TCustomDBGridEh* FGrid;
  bool FInUpdateData = false;
  bool FModified = false;
  bool FSparseMap = false;
  TBookmark FCurrentBookmark;
};

// ===========================================================================
// Selection

class TDBGridEhSelection;

// A rectangle of cells between two records and two columns: the anchor, where
// the selection began, and the shift cell, where it ends now. Column indexes
// count the grid's visible columns.
class TDBGridEhSelectionRect : public TObject {
public:
  BORROW_CLASS(TDBGridEhSelectionRect, TObject)
  explicit TDBGridEhSelectionRect(TCustomDBGridEh* Grid) : FGrid(Grid) {}
  void Clear();
  bool IsEmpty() const { return FAnchorColIndex < 0; }
  // Anchors the rectangle at the cell (when there is no anchor yet, or not
  // Extend) and stretches it to the cell; one cell alone is no selection.
  void Select(Integer ColumnIndex, const TBookmark& Bookmark, bool Extend);
  // The earlier and the later of the two records, the smaller and the larger
  // column index; EInvalidGridOperationEh without an active data link or a rectangle.
  TBookmark GetTopRow() const;
  TBookmark GetBottomRow() const;
  Integer GetLeftCol() const;
  Integer GetRightCol() const;
  bool CellSelected(Integer ColumnIndex, const TBookmark& Bookmark) const;
  // Grid cells (title rows counted); (-1, -1, -1, -1) when the records are not shown.
  TGridRect GetBounds() const;
  Integer GetAnchorColIndex() const { return FAnchorColIndex; }
  const TBookmark& GetAnchorBookmark() const { return FAnchorBookmark; }
  Integer GetShiftColIndex() const { return FShiftColIndex; }
  const TBookmark& GetShiftBookmark() const { return FShiftBookmark; }

private:
  void CheckActive(const char16_t* Message, bool Empty) const;
  TGridRect BoundsOf(Integer Col1, const TBookmark& Row1, Integer Col2, const TBookmark& Row2) const;
  void InvalidateChange(const TGridRect& OldRect, bool OldOneCell);

  Integer FAnchorColIndex = -1;
  TBookmark FAnchorBookmark;
  TCustomDBGridEh* FGrid;
  Integer FShiftColIndex = -1;
  TBookmark FShiftBookmark;
};

// The selected columns, kept in column order.
class TDBGridEhSelectionCols : public TColumnsEhList {
public:
  BORROW_CLASS(TDBGridEhSelectionCols, TColumnsEhList)
  explicit TDBGridEhSelectionCols(TCustomDBGridEh* Grid) : FGrid(Grid) {}
  void Clear() override;
  // Drops the columns that left the grid.
  void Refresh();
  using TColumnsEhList::Add;
  // Selects Column (alone unless Keep), in column order; it becomes the anchor.
  void Add(TColumnEh* Column, bool Keep);
  // Flips Column's selected state; it becomes the anchor.
  void InvertSelect(TColumnEh* Column);
  // Sweeps from the anchor to Column: the columns between take the anchor's
  // state, and those the sweep leaves again return to what they were.
  void SelectShift(TColumnEh* Column);
  // From the leftmost to the rightmost selected column, over all rows.
  TGridRect GetBounds() const;
  TColumnEh* GetAnchor() const { return FAnchor; }
  TColumnEh* GetShiftCol() const { return FShiftCol; }

private:
  void InsertOrdered(TColumnEh* Column);
  void SetSweptState(TColumnEh* Column, bool Selected);
  void ResetSweep(TColumnEh* Column);

  TColumnEh* FAnchor = nullptr;
  TCustomDBGridEh* FGrid;
  TColumnEh* FShiftCol = nullptr;
  // The columns the current sweep changed, with their state before it.
  std::vector<std::pair<TColumnEh*, bool>> FShiftSelectedCols;
};

class TDBGridEhSelection : public TObject {
public:
  BORROW_CLASS(TDBGridEhSelection, TObject)
  explicit TDBGridEhSelection(TCustomDBGridEh* Grid);
  ~TDBGridEhSelection() override;
  TDBGridEhSelection(const TDBGridEhSelection&) = delete;
  TDBGridEhSelection& operator=(const TDBGridEhSelection&) = delete;

  virtual void SelectionChanged();

  TDBGridEhSelectionCols* GetColumns() const { return FColumns.get(); }
  TDBGridEhSelectionRect* GetRect() const { return FRect.get(); }
  TBookmarkListEh* GetRows() const;
  TDBGridEhSelectionType GetSelectionType() const { return FSelectionType; }
  void SetSelectionType(TDBGridEhSelectionType Value);
  void Clear();
  void SelectAll();
  void UpdateState();
  void LinkActiveChanged(bool Active);
  // The selection's bounding cells in grid coordinates; (-1, -1, -1, -1) for none.
  TGridRect GetSelectionRect() const;

private:
  std::unique_ptr<TDBGridEhSelectionCols> FColumns;
  TCustomDBGridEh* FGrid;
  std::unique_ptr<TDBGridEhSelectionRect> FRect;
  TDBGridEhSelectionType FSelectionType = gstNon;
};

// ===========================================================================
// Scroll-bar settings, indicator title, grouping, panels, title tree

class TDBGridEhScrollBar : public TPersistent {
public:
  BORROW_CLASS(TDBGridEhScrollBar, TPersistent)
  TDBGridEhScrollBar(TCustomDBGridEh* Grid, TScrollBarKind Kind);
  ~TDBGridEhScrollBar() override;
  TDBGridEhScrollBar(const TDBGridEhScrollBar&) = delete;
  TDBGridEhScrollBar& operator=(const TDBGridEhScrollBar&) = delete;
  void Assign(TPersistent* Source) override;
  // The base does nothing; each direction refreshes its side of the grid.
  virtual void Changed() {}

  // Whether the bar is on screen: the external bar's Visible, else the window's bar style.
  bool ScrollBarShowing() const;
  // Whether the bar should show by VisibleMode and the current scroll information.
  bool ScrollBarNeeded() const;
  // The scroll information of the external bar, else of the grid window's bar.
  bool GetScrollInfo(TScrollInfo& Info) const;
  // The window bar of this direction (SB_HORZ or SB_VERT).
  Integer WindowBar() const { return FKind == sbVertical ? SB_VERT : SB_HORZ; }

  TCustomDBGridEh* GetGrid() const { return FGrid; }
  TScrollBarKind GetKind() const { return FKind; }
  // A separate scroll-bar control that shows this direction instead of the window's bar.
  TScrollBar* GetExtScrollBar() const { return FExtScrollBar; }
  void SetExtScrollBar(TScrollBar* Value);
  bool GetTracking() const { return FTracking; }
  void SetTracking(bool Value) { FTracking = Value; }
  bool GetVisible() const { return FVisibleMode != sbNeverShowEh; }
  void SetVisible(bool Value) { SetVisibleMode(Value ? sbAutoShowEh : sbNeverShowEh); }
  TScrollBarVisibleModeEh GetVisibleMode() const { return FVisibleMode; }
  void SetVisibleMode(TScrollBarVisibleModeEh Value);
  bool GetSmoothStep() const { return FSmoothStep; }
  void SetSmoothStep(bool Value);

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;
  // The external bar's messages pass here first: its scroll notices go to the grid.
  void ExtScrollBarWndProc(TMessage& Message);
  void UnhookExtScrollBar();

  TCustomDBGridEh* FGrid;
  TScrollBarKind FKind;
  TScrollBar* FExtScrollBar = nullptr;
  TWndMethod FExtScrollBarOwnProc;  // the bar's procedure before it was hooked
  bool FTracking = true;
  TScrollBarVisibleModeEh FVisibleMode = sbAutoShowEh;
  bool FSmoothStep = false;
};

class THorzDBGridEhScrollBar : public TDBGridEhScrollBar {
public:
  BORROW_CLASS(THorzDBGridEhScrollBar, TDBGridEhScrollBar)
  explicit THorzDBGridEhScrollBar(TCustomDBGridEh* Grid);
  void Changed() override;
};

class TVertDBGridEhScrollBar : public TDBGridEhScrollBar {
public:
  BORROW_CLASS(TVertDBGridEhScrollBar, TDBGridEhScrollBar)
  explicit TVertDBGridEhScrollBar(TCustomDBGridEh* Grid) : TDBGridEhScrollBar(Grid, sbVertical) {}
  void Changed() override;
};

class TDBGridEhIndicatorTitle : public TPersistent {
public:
  BORROW_CLASS(TDBGridEhIndicatorTitle, TPersistent)
  explicit TDBGridEhIndicatorTitle(TCustomDBGridEh* Grid) : FGrid(Grid) {}
  void Assign(TPersistent* Source) override;
  TPopupMenu* GetDropdownMenu() const { return FDropdownMenu; }
  void SetDropdownMenu(TPopupMenu* Value);
  bool GetShowDropDownSign() const { return FShowDropDownSign; }
  void SetShowDropDownSign(bool Value);
  bool GetTitleButton() const { return FTitleButton; }
  void SetTitleButton(bool Value) { FTitleButton = Value; }
  bool GetUseGlobalMenu() const { return FUseGlobalMenu; }
  void SetUseGlobalMenu(bool Value) { FUseGlobalMenu = Value; }

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  TPopupMenu* FDropdownMenu = nullptr;
  bool FShowDropDownSign = false;
  bool FTitleButton = false;
  bool FUseGlobalMenu = true;
  TCustomDBGridEh* FGrid;
};

class TDBGridEhDataGroupLevelEh;
using TGroupRowTextEventEh = std::function<void(TCustomDBGridEh* Grid, TGroupDataTreeNodeEh* Node, String& Text)>;
using TGroupLevelKeyValueEventEh =
    std::function<void(TCustomDBGridEh* Grid, TDBGridEhDataGroupLevelEh* Level, Variant& KeyValue)>;
using TGroupKeyValueAsTextEventEh =
    std::function<void(TCustomDBGridEh* Grid, TGroupDataTreeNodeEh* Node, const Variant& KeyValue, String& Text)>;

// A grouping level of a data grid: bound to a grid column by its field name;
// its group rows read "Caption: key (count)".
class TDBGridEhDataGroupLevelEh : public TGridDataGroupLevelEh {
public:
  BORROW_COLLECTION_ITEM(TDBGridEhDataGroupLevelEh, TGridDataGroupLevelEh)
  explicit TDBGridEhDataGroupLevelEh(TCollection* Collection) : TGridDataGroupLevelEh(Collection) {}
  void Assign(TPersistent* Source) override;
  void GridLayoutChanged() override;
  void GetGroupRowText(TGroupDataTreeNodeEh* GroupNode, String& Text) override;
  void GetKeyValue(Variant& Value) override;
  void GetKeyValueAsText(TGroupDataTreeNodeEh* GroupNode, String& Text);
  // The FieldName of the level's column; setting it binds the grid column of that field.
  String GetColumnName() const;
  void SetColumnName(const String& Value);
  // The name stored while the grid loads, bound by Loaded.
  const String& GetStoredColumnName() const { return FStoredColumnName; }

  TGroupLevelKeyValueEventEh OnGetKeyValue;
  TGroupKeyValueAsTextEventEh OnGetKeyValueAsText;
  TGroupRowTextEventEh OnGetGroupRowText;

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  String FStoredColumnName;
};

// The grid's data grouping (the model is DBGridEhGrouping.h): regroups the
// grid's in-memory table when switched on and when its levels change.
class TDBGridEhDataGroupsEh : public TGridDataGroupsEh {
public:
  BORROW_CLASS(TDBGridEhDataGroupsEh, TGridDataGroupsEh)
  explicit TDBGridEhDataGroupsEh(TCustomDBGridEh* Grid) : TGridDataGroupsEh(Grid) {}
  std::unique_ptr<TGridDataGroupLevelsEh> CreateGroupLevels() override;
  void ActiveChanged() override;
  void RegroupData() override;
  void GridLayoutChanged() override;
  void RebuildActiveGroupLevels() override;
  void SortLevel(Integer LevelIndex, TSortOrderEh SortOrder) override;
  // Whether rows are grouped now: active, over a table that offers grouping, with levels.
  bool IsGroupingWorks() const override;
  // Binds each level's stored column name to the loaded columns.
  void Loaded();
  TDBGridEhDataGroupLevelEh* Level(Integer Index) const {
    return dynamic_cast<TDBGridEhDataGroupLevelEh*>(GetGroupLevels()->Items(Index));
  }

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  Integer FHotLevel = -1, FHotLevelButton = -1;  // both -1 after every rebuild of the active levels
};

class TGridRowPanelEh : public TPersistent {
public:
  BORROW_CLASS(TGridRowPanelEh, TPersistent)
  explicit TGridRowPanelEh(TCustomDBGridEh* Grid) : FGrid(Grid) {}
  void Assign(TPersistent* Source) override;
  bool GetActive() const { return FActive; }
  void SetActive(bool Value);
  TGridRowPanelNavigationTypeEh GetNavKeysNavigationType() const { return FNavKeysNavigationType; }
  void SetNavKeysNavigationType(TGridRowPanelNavigationTypeEh Value) { FNavKeysNavigationType = Value; }
  TGridRowPanelTabNavigationTypeEh GetTabNavigationType() const { return FTabNavigationType; }
  void SetTabNavigationType(TGridRowPanelTabNavigationTypeEh Value) { FTabNavigationType = Value; }

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  bool FActive = false;
  TCustomDBGridEh* FGrid;
  TGridRowPanelNavigationTypeEh FNavKeysNavigationType = rpntRowToRowEh;
  TGridRowPanelTabNavigationTypeEh FTabNavigationType = rpntUpToDownPriorityEh;
};

class TRowDetailPanelEh : public TPersistent {
public:
  BORROW_CLASS(TRowDetailPanelEh, TPersistent)
  explicit TRowDetailPanelEh(TCustomDBGridEh* Grid) : FGrid(Grid) {}
  void Assign(TPersistent* Source) override;
  bool GetActive() const { return FActive; }
  void SetActive(bool Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  Integer GetWidth() const { return FWidth; }
  void SetWidth(Integer Value);
  Integer GetHeight() const { return FHeight; }
  void SetHeight(Integer Value);
  // The panel window's frame: its bevel and its border.
  TBevelEdges GetBevelEdges() const { return FBevelEdges; }
  void SetBevelEdges(TBevelEdges Value);
  TBevelCut GetBevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut Value);
  TBevelCut GetBevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut Value);
  TBevelKind GetBevelKind() const { return FBevelKind; }
  void SetBevelKind(TBevelKind Value);
  Integer GetBevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(Integer Value);
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  // The panel's colour: the grid's while ParentColor; setting it clears ParentColor.
  TColor GetColor() const;
  void SetColor(TColor Value);
  bool GetParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  bool IsColorStored() const { return !FParentColor; }
  TWinControl* GetActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* Value) { FActiveControl = Value; }
  // Places the panel's window under the current row, or hides it.
  void PlacePanel();

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  // The grid scrolls until the current row, grown by the panel, is in view.
  void ScrollCurrentRowIntoView();
  TCustomDBGridEh* FGrid;
  TColor FColor = clBtnFace;
  bool FParentColor = false;
  TWinControl* FActiveControl = nullptr;
  bool FActive = false;
  bool FVisible = false;
  Integer FWidth = 0;
  Integer FHeight = 120;
  TBevelEdges FBevelEdges{beLeft, beTop, beRight, beBottom};
  TBevelCut FBevelInner = bvRaised;
  TBevelCut FBevelOuter = bvLowered;
  TBevelKind FBevelKind = bkNone;
  Integer FBevelWidth = 1;
  TBorderStyle FBorderStyle = bsSingle;
};

// The window a row detail panel shows; the application puts its controls in it.
// Its frame is a single border (sunken with the 3-D look) and, with a bevel
// kind, a bevel on the chosen edges. Ctrl+Up in one of its controls gives the
// focus back to the grid.
class TRowDetailPanelControlEh : public TCustomControl {
public:
  BORROW_COMPONENT(TRowDetailPanelControlEh, TCustomControl)
  explicit TRowDetailPanelControlEh(TComponent* AOwner);
  // The controls placed on the panel that Root owns.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  void Dispatch(TMessage& Message) override;
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  // The bevel drawn in the frame (nothing with bkNone).
  void SetBevel(TBevelEdges Edges, TBevelCut Inner, TBevelCut Outer, TBevelKind Kind, Integer Width);
  TBevelEdges GetBevelEdges() const { return FBevelEdges; }
  TBevelCut GetBevelInner() const { return FBevelInner; }
  TBevelCut GetBevelOuter() const { return FBevelOuter; }
  TBevelKind GetBevelKind() const { return FBevelKind; }
  Integer GetBevelWidth() const { return FBevelWidth; }

protected:
  void CreateParams(TCreateParams& Params) override;

private:
  Integer BevelSize() const;
  TBorderStyle FBorderStyle = bsSingle;
  TBevelEdges FBevelEdges{beLeft, beTop, beRight, beBottom};
  TBevelCut FBevelInner = bvRaised;
  TBevelCut FBevelOuter = bvLowered;
  TBevelKind FBevelKind = bkNone;
  Integer FBevelWidth = 1;
};

// A node of the multi-level title tree. Siblings form a ring through Next (the
// last points back to the host's first child); a node owns its children.
class THeadTreeNode : public TObject {
public:
  BORROW_CLASS(THeadTreeNode, TObject)
  THeadTreeNode(const String& Text, Integer Height, Integer Width) : Text(Text), Height(Height), Width(Width) {}
  ~THeadTreeNode() override { FreeAllChild(); }
  THeadTreeNode(const THeadTreeNode&) = delete;
  THeadTreeNode& operator=(const THeadTreeNode&) = delete;

  const String& GetText() const { return Text; }
  Integer GetWidth() const { return Width; }
  Integer GetHeight() const { return Height; }

  // Whether Node lies in the tree below this node.
  bool Find(const THeadTreeNode* Node) const;
  // A new sibling right after After; raises "Node not in Tree" when After is not below this node.
  THeadTreeNode* Add(THeadTreeNode* After, const String& AText, Integer AHeight, Integer AWidth);
  // A new last child of Parent; raises "Node not in Tree" when Parent is not this node or below it.
  THeadTreeNode* AddChild(THeadTreeNode* Parent, const String& AText, Integer AHeight, Integer AWidth);
  void FreeAllChild();
  // The number of hosts above the node: children of the root are on level 1.
  Integer GetLevel() const;
  // Puts the siblings From .. To (in ring order) under a new node with AText.
  THeadTreeNode* Union(THeadTreeNode* From, THeadTreeNode* To, const String& AText, Integer AHeight);
  // The children in ring order.
  std::vector<THeadTreeNode*> Children() const;

  THeadTreeNode* Child = nullptr;
  TColumnEh* Column = nullptr;
  THeadTreeNode* Host = nullptr;
  THeadTreeNode* Next = nullptr;
  String Text;
  Integer Height;
  Integer Width;
  Integer WIndent = 0;  // the line between sibling cells: 1 with column lines, else 0
  Integer SortMarkWidth = 0;
};

// Words of S separated by runs of the characters in Delims (leading ones skipped).
// The 1-based position of word N, 0 when S has fewer words.
Integer WordPosition(Integer N, const String& S, const String& Delims);
String ExtractWord(Integer N, const String& S, const String& Delims);
String ExtractWordPos(Integer N, const String& S, const String& Delims, Integer& Pos);

// ===========================================================================
// Property-storage interceptors (DBGridEh_Interceptors.cpp)

// A column's stored width: written into the auto-fit base width while the grid
// fits its columns, else into Width.
class TColumnEhPropertyInterceptor : public TStoragePropertyInterceptor {
public:
  BORROW_INTERCEPTOR(TColumnEhPropertyInterceptor, TStoragePropertyInterceptor)
  explicit TColumnEhPropertyInterceptor(TPersistent* ATarget) : TStoragePropertyInterceptor(ATarget) {}
  void SetWidth(Integer Value);

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;
};

// The order of a grid's columns as a comma list of their field names.
class TColumnsEhPropertyInterceptor : public TStoragePropertyInterceptor {
public:
  BORROW_INTERCEPTOR(TColumnsEhPropertyInterceptor, TStoragePropertyInterceptor)
  explicit TColumnsEhPropertyInterceptor(TPersistent* ATarget) : TStoragePropertyInterceptor(ATarget) {}
  String GetColumnsIndex() const;
  // Each named column takes the position of its name; unknown names are skipped.
  void SetColumnsIndex(const String& Value);

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;
};

// ===========================================================================
// The grid's footer-sum engine

class TDBGridEhSumList : public TDBSumListProducer {
public:
  BORROW_CLASS(TDBGridEhSumList, TDBSumListProducer)
  explicit TDBGridEhSumList(TCustomDBGridEh* Grid);
  // In the designer the engine never attaches to the dataset.
  void SetDataSetEvents() override;
  void ResetDataSetEvents() override;
  TCustomDBGridEh* GetGrid() const { return FGrid; }

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;

private:
  TCustomDBGridEh* FGrid;
};

// ===========================================================================
// The style object

class TDBGridEhStyle : public TPersistent {
public:
  BORROW_CLASS(TDBGridEhStyle, TPersistent)
  TDBGridEhStyle();
  ~TDBGridEhStyle() override;
  TDBGridEhStyle(const TDBGridEhStyle&) = delete;
  TDBGridEhStyle& operator=(const TDBGridEhStyle&) = delete;

  // Whether a data cell is highlighted; chooses its background and font colour.
  virtual bool HighlightDataCell(TCustomDBGridEh* Grid, Integer GridCol, TFont* AFont, TColor& Background,
                                 bool IsSelected, TGridDrawState DrawState, Integer DataRow, Integer DataCol,
                                 Integer GridRow);
  // The same for a highlighted cell outside the data; CellKind's low byte is a flag, its high byte a kind.
  virtual bool HighlightNonDataCell(TCustomDBGridEh* Grid, TFont* AFont, TColor& Background, bool Highlighted,
                                    Integer CellKind);
  virtual void StyleWndProc(TMessage& Message);
  virtual void UpdateColorDepth();

  // The grid's own calls: the data-cell rule, and the rule for any highlighted cell.
  bool GetHighlightColors(TCustomDBGridEh* Grid, Integer GridCol, TFont* AFont, TColor& Background, bool IsSelected,
                          TGridDrawState DrawState, Integer DataRow, Integer DataCol, Integer GridRow) {
    return HighlightDataCell(Grid, GridCol, AFont, Background, IsSelected, DrawState, DataRow, DataCol, GridRow);
  }
  bool GetCellParams(TCustomDBGridEh* Grid, TFont* AFont, TColor& Background, bool Highlighted, bool DataRow);
  void WndProc(TMessage& Message) { StyleWndProc(Message); }
  void UpdateScreenColors() { UpdateColorDepth(); }

  void RegisterGrid(TCustomDBGridEh* Grid);
  void UnregisterGrid(TCustomDBGridEh* Grid);
  bool IsGridRegistered(const TCustomDBGridEh* Grid) const;
  void AddGrid(TCustomDBGridEh* Grid) { RegisterGrid(Grid); }
  void RemoveGrid(TCustomDBGridEh* Grid) { UnregisterGrid(Grid); }
  Integer GridCount() const { return Integer(FGrids.size()); }

  bool GetLuminateSelection() const { return FLuminateSelection; }
  void SetLuminateSelection(bool Value) { FLuminateSelection = Value; }
  // Two switches the painters read (on and off to begin with); what they decide is the painters'.
  bool GetFirstPaintSwitch() const { return FFirstPaintSwitch; }
  void SetFirstPaintSwitch(bool Value) { FFirstPaintSwitch = Value; }
  bool GetSecondPaintSwitch() const { return FSecondPaintSwitch; }
  void SetSecondPaintSwitch(bool Value) { FSecondPaintSwitch = Value; }
  HWND GetHandle() const { return FHandle; }

private:
  bool TrueColor() const;
  TColor Luminated(TCustomDBGridEh* Grid, TColor Color, TColor Base, bool Darker) const;

  std::vector<TCustomDBGridEh*> FGrids;  // not owned
  bool FLuminateSelection = true;
  HWND FHandle = nullptr;
  bool FFirstPaintSwitch = true;
  bool FSecondPaintSwitch = false;
};

// The display's colour count: -1 when it shows more than 256 colours.
Integer GetScreenNumColors();
void SetScreenNumColors(Integer Value);
inline Integer ScreenNumColors() { return GetScreenNumColors(); }
TDBGridEhStyle* DBGridEhStyle();
inline TDBGridEhStyle* GetDBGridEhStyle() { return DBGridEhStyle(); }

// ===========================================================================
// The center

using TDBGridEhGridEvent = std::function<void(TDBGridEhCenter* Sender, TCustomDBGridEh* Grid, bool& Processed)>;

using TDBGridEhCenterApplyEventEh = std::function<void(TDBGridEhCenter* Sender, TCustomDBGridEh* Grid, bool IsReopen)>;
using TBuildIndicatorTitleMenuEventEh =
    std::function<void(TDBGridEhCenter* Sender, TCustomDBGridEh* Grid, TPopupMenu*& PopupMenu)>;
using TIndicatorTitleNotifyEventEh = std::function<void(TDBGridEhCenter* Sender, TCustomDBGridEh* Grid, TGridCoord Cell,
                                                        TMouseButton Button, TShiftState Shift, TPoint Point)>;
using TIndicatorTitleMouseDownEventEh = std::function<void(
    TDBGridEhCenter* Sender, TCustomDBGridEh* Grid, TMouseButton Button, TShiftState Shift, Integer X, Integer Y)>;
using TCenterLocateTextEventEh =
    std::function<bool(TDBGridEhCenter* Sender, TCustomDBGridEh* Grid, const String& FieldName, const String& Text,
                       TLocateTextOptionsEh Options, TLocateTextDirectionEh Direction, TLocateTextMatchingEh Matching,
                       TLocateTextTreeFindRangeEh TreeFindRange)>;

// The one hook through which every grid reaches what depends on its dataset:
// sorting, filtering, text search, record moving, the find dialog, the filter
// drop-down lists. Each operation asks the dataset-features object registered
// for the dataset's class, after the center's event when one is assigned.
// It also builds the indicator-title menu, shared by all grids.
class TDBGridEhCenter : public TPersistent {
public:
  BORROW_CLASS(TDBGridEhCenter, TPersistent)
  TDBGridEhCenter();
  ~TDBGridEhCenter() override;
  TDBGridEhCenter(const TDBGridEhCenter&) = delete;
  TDBGridEhCenter& operator=(const TDBGridEhCenter&) = delete;

  // -- Virtual operations, in slot order
  // The features' text search; the plain grid search without features.
  virtual bool LocateText(TCustomDBGridEh* Grid, const String& FieldName, const String& Text,
                          TLocateTextOptionsEh Options, TLocateTextDirectionEh Direction,
                          TLocateTextMatchingEh Matching, TLocateTextTreeFindRangeEh TreeFindRange);
  // The features' record moving; false without a dataset or features.
  virtual bool MoveRecords(TCustomDBGridEh* Grid, TBMListEh* Bookmarks, Integer TargetRecNo, bool CheckOnly);
  virtual bool DoLocateText(TCustomDBGridEh* Grid, const String& FieldName, const String& Text,
                            TLocateTextOptionsEh Options, TLocateTextDirectionEh Direction,
                            TLocateTextMatchingEh Matching, TLocateTextTreeFindRangeEh TreeFindRange);
  virtual bool DoMoveRecords(TCustomDBGridEh* Grid, TBMListEh* Bookmarks, Integer TargetRecNo, bool CheckOnly);
  virtual void DoApplyFilter(TCustomDBGridEh* Grid, bool IsReopen);
  virtual void DoApplySorting(TCustomDBGridEh* Grid, bool IsReopen);
  // The features' find dialog; the find dialog itself without features.
  virtual void ExecuteFindDialog(TCustomDBGridEh* Grid, const String& Text, const String& FieldName, bool Modal);
  // The operator a value typed without one takes, per value type.
  virtual TSTFilterDefaultOperatorEh GetDefaultOperator(TSTFilterValueTypeEh ValueType) const;
  virtual void DoIndicatorTitleMouseDown(TCustomDBGridEh* Grid, TMouseButton Button, TShiftState Shift, Integer X,
                                         Integer Y);
  // The commands at the head of a filter drop-down (sorting, clear, apply, ...).
  virtual void FillSTFilterListSpecialItems(TCustomDBGridEh* Grid, TColumnEh* Column, TStrings* Items);
  virtual void FillSTFilterListValues(TCustomDBGridEh* Grid, TColumnEh* Column, TStrings* Items);
  // The column's distinct values among the records the other columns' filters pass.
  virtual void FillSTFilterListValuesDefault(TCustomDBGridEh* Grid, TColumnEh* Column, TStrings* Items);
  virtual void ApplyFilter(TCustomDBGridEh* Grid, bool IsReopen);
  virtual void ApplySorting(TCustomDBGridEh* Grid, bool IsReopen);
  virtual void BuildIndicatorTitleMenu(TCustomDBGridEh* Grid, TPopupMenu*& PopupMenu);
  virtual void IndicatorTitleNotify(TCustomDBGridEh*, TGridCoord, TMouseButton, TShiftState, TPoint) {}
  virtual void IndicatorTitleMouseDown(TCustomDBGridEh* Grid, TMouseButton Button, TShiftState Shift, Integer X,
                                       Integer Y);

  void DoBuildIndicatorTitleMenu(TCustomDBGridEh* Grid, TPopupMenu*& PopupMenu);
  void DoIndicatorTitleNotify(TCustomDBGridEh* Grid, TGridCoord Cell, TMouseButton Button, TShiftState Shift,
                              TPoint Point);
  void SetDefaultOperator(TSTFilterValueTypeEh ValueType, TSTFilterDefaultOperatorEh Value);

  void AddGrid(TCustomDBGridEh* Grid);
  void RemoveGrid(TCustomDBGridEh* Grid);
  bool IsGridAttached(const TCustomDBGridEh* Grid) const;
  Integer GridCount() const { return Integer(FGrids.size()); }

  // A value picked from a filter drop-down applies the filter at once even
  // where the grid's filter row does not apply instantly.
  bool GetFilterEditCloseUpApplyFilter() const { return FFilterEditCloseUpApplyFilter; }
  void SetFilterEditCloseUpApplyFilter(bool Value) { FFilterEditCloseUpApplyFilter = Value; }
  // Bit 0 visible columns, 1 cut, 2 copy, 3 paste, 4 delete, 5 select all.
  Integer GetIndicatorTitleMenuItems() const { return FIndicatorTitleMenuItems; }
  void SetIndicatorTitleMenuItems(Integer Value) { FIndicatorTitleMenuItems = Value; }
  // Numeric columns by their field text in plain-text export and incremental search.
  bool GetUseExtendedDataFormats() const { return FUseExtendedDataFormats; }
  void SetUseExtendedDataFormats(bool Value) { FUseExtendedDataFormats = Value; }

  TDBGridEhCenterApplyEventEh OnApplyFilter;
  TDBGridEhCenterApplyEventEh OnApplySorting;
  TBuildIndicatorTitleMenuEventEh OnBuildIndicatorTitleMenu;
  TIndicatorTitleNotifyEventEh OnIndicatorTitleNotify;
  TIndicatorTitleMouseDownEventEh OnIndicatorTitleMouseDown;
  TCenterLocateTextEventEh OnLocateText;
  TFillSTFilterListValuesEventEh OnFillSTFilterListValues;

private:
  bool FFilterEditCloseUpApplyFilter = false;
  std::vector<TCustomDBGridEh*> FGrids;  // not owned
  Integer FIndicatorTitleMenuItems = 63;
  bool FUseExtendedDataFormats = false;
  // Strings and other types, numbers, booleans, date-time values.
  std::array<TSTFilterDefaultOperatorEh, 4> FDefaultOperators{fdoNoneEh, fdoNoneEh, fdoNoneEh, fdoNoneEh};
  bool FSeventhField = true;
};

// Loads the bitmap a graphic field holds (after the graphic header when it has
// one); false for no field, a null value or bytes that are no bitmap.
bool LoadGraphicFieldEh(TField* Field, TBitmap& Picture);

// The unit's key bindings and incremental-search settings, set by its start.
extern TShortCut IncSearchShortCut;
extern TShortCut IncSearchNextShortCut;
extern TShortCut IncSearchPriorShortCut;
extern TShortCut CopyFromPriorRowShortCut;
extern TShortCut FindDialogShortCut;
extern TShortCut FilterListShortCut;
extern Integer IncSearchTimeOut;
extern TColor IncSearchColor;
extern TColor IncSearchTextColor;

TDBGridEhCenter* GetDBGridEhCenter();
// Replaces the global center (the old one is not freed); answers the old one.
TDBGridEhCenter* SetDBGridEhCenter(TDBGridEhCenter* Value);

// The unit's start and end: the global style and center, the sort-marker font.
// Nested calls count; the last end frees what the first start made.
void InitDBGridEhUnit();
void FinalDBGridEhUnit();
// The font the sort index beside a sort marker is written in.
TFont* SortMarkerFontEh();

// ===========================================================================
// The grid's cell editor and tip window

// The line between two of the cell editor's buttons in a flat grid.
class TEditButtonDividerEh : public TCustomControl {
public:
  BORROW_COMPONENT(TEditButtonDividerEh, TCustomControl)
  explicit TEditButtonDividerEh(TComponent* AOwner) : TCustomControl(AOwner) {}
  TColor GetPenColor() const { return FPenColor; }
  void SetPenColor(TColor Value);

protected:
  void Paint() override;

private:
  TColor FPenColor = clBtnFace;
};

// The editor the grid places over its current cell. It takes its edit style
// from the current column (TColumnEh::GetEditStyle), shows the column's edit
// buttons at its right edge, completes typed and pasted text against the
// column's pick list or lookup data, steps values, and drops down the list of
// its style: the pick list, the lookup data list, the calendar or the
// calculator; besides, the column's most-recently-used texts.
//
// Implementation files:
//   DBGridEh_InplaceEdit.cpp       loading, the edit buttons, painting, keys, paste, mouse
//   DBGridEh_InplaceEditLists.cpp  the drop-down windows, completion, the MRU list
class TDBGridInplaceEdit : public TInplaceEdit, public IPopupOwnerEh {
public:
  BORROW_COMPONENT(TDBGridInplaceEdit, TInplaceEdit)
  explicit TDBGridInplaceEdit(TComponent* AOwner);
  ~TDBGridInplaceEdit() override;

  void UpdateContents() override;
  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  void Invalidate() override;

  TCustomDBGridEh* GetGridEh() const;
  // The grid's column at its selected index; null when there is none.
  TColumnEh* GetColumn() const;
  TInplaceEditStyleEh GetEditStyle() const { return FEditStyle; }
  void SetEditStyle(TInplaceEditStyleEh Value);
  // The drop-down window of the style (null when it has none) and whether it is open.
  TWinControl* GetActiveList() const { return FActiveList; }
  bool GetListVisible() const { return FListVisible; }
  bool GetButtonHeld() const { return FButtonHeld; }
  Integer GetButtonsWidth() const { return FButtonsWidth; }
  bool GetReadOnlyForced() const { return FReadOnlyForced; }
  bool GetWordWrap() const { return FWordWrap; }
  Integer GetImageIndex() const { return FImageIndex; }
  // Pair 0 is the main button, pair I the column's edit button I - 1.
  Integer GetEditButtonCount() const { return Integer(FEditButtons.size()); }
  TEditButtonControlEh* GetEditButtonControl(Integer Index) const { return FEditButtons[size_t(Index)].Button; }
  TEditButtonDividerEh* GetEditButtonDivider(Integer Index) const { return FEditButtons[size_t(Index)].Divider; }
  TPopupListboxEh* GetPickListBox() const { return FPickList; }
  // The column's drop-down grid while the style is esDataListEh.
  TPopupDataGridEh* GetDataList() const { return FDataList; }
  TPopupMonthCalendarEh* GetCalendar() const { return FCalendar; }
  TMRUListboxEh* GetMRUListBox();
  TPopupCalculatorEh* GetCalculator();
  // Set by the grid while it reloads a changed record: CloseUp does nothing.
  void SetCloseUpSuppressed(bool Value) { FCloseUpSuppressed = Value; }

  void DropDown();
  // IPopupOwnerEh: closes the open list, with Accept writing its value back.
  void CloseUp(bool Accept) override;
  void StepValue(bool Down);
  // The first index of List whose item equals Text (case aside), or with Partial
  // begins with it; -1 when none.
  static Integer SelectItemByText(TStrings* List, const String& Text, bool Partial);
  void SyncEditValue();
  void UpdateImageIndex();
  void NotifyTextChanged();
  void DropDownMRUList();
  void CloseUpMRUList(bool Accept);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateParams(TCreateParams& Params) override;
  void BoundsChanged() override;
  // Ctrl+V, Shift+Insert and WM_PASTE: only characters the column takes, or
  // in a list column the list item the text completes to.
  void EditPaste() override;
  void Paint(HDC DC) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;

  virtual TEditButtonControlEh* CreateEditButtonControl();
  virtual TMRUListboxEh* CreateMRUListBox();
  virtual void DoEditButtonAction(bool Down);
  virtual TRect GetEditRect();
  // The editor's buttons, image and tree area stand mirrored (a right-to-left grid).
  bool EditorMirrored() const;
  virtual void ProcessTypedText(String& Text);
  virtual void EditButtonControlClick(TObject* Sender);
  virtual void EditButtonControlDown(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled);
  virtual void EditButtonControlMouseMove(TObject* Sender, TShiftState Shift, Integer X, Integer Y);
  virtual void EditButtonControlMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  // Whether an MRU item is offered for the editor's text: it begins with it.
  virtual void CompareMRUText(const String& Item, bool& Accept);
  virtual void PaintRequiredState(TCanvas* ACanvas);
  virtual void ListKeyDown(Word& Key, TShiftState Shift);

private:
  struct TEditButtonPair {
    TEditButtonDividerEh* Divider = nullptr;  // owned by the editor as a component
    TEditButtonControlEh* Button = nullptr;   // the same
  };
  bool ListStyle() const;
  bool CalculatorStyle() const;
  void LayoutEditButtons();
  void PrepareActiveList();
  void SetEditorText(const String& Text, bool SelectRest, Integer CandidateLength);
  bool RouteListKey(TMessage& Message);
  bool RouteMRUKey(TMessage& Message);
  void DeleteListValue();
  void BackspaceListValue();
  void HandOverPressToList(TPoint ScreenPoint);
  // Moves the lookup data to the record whose result text is Text (a prefix
  // with Partial), case aside; answers whether one was found.
  bool LocateLookupText(const String& Text, bool Partial);
  // The display text of the data list's key (the special row's text for its value).
  String DataListText();
  void ListMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  void MRUListMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  void CloseDropDowns(HWND FocusTo);

  std::unique_ptr<TControlCanvas> FEditCanvas;
  TWinControl* FActiveList = nullptr;
  Integer FButtonsWidth = 0;
  String FTypedText;
  TPopupDataGridEh* FDataList = nullptr;  // the column's drop-down grid, owned by the column
  TRect FDataListBounds;                  // its bounds when it dropped down: a change is the user's sizing
  bool FDataListSpecRowChanged = false;   // its special row changed while open: the column takes its texts
  bool FButtonHeld = false;
  std::vector<TEditButtonPair> FEditButtons;
  TInplaceEditStyleEh FEditStyle = esSimpleEh;
  bool FListVisible = false;
  bool FCloseUpSuppressed = false;
  std::unique_ptr<TDataSource> FDataSource;
  TMRUListEh* FMRUList = nullptr;
  TMRUListboxEh* FMRUListBox = nullptr;
  bool FPressOpenedList = false;
  TPopupListboxEh* FPickList = nullptr;
  TPopupCalculatorEh* FCalculator = nullptr;
  bool FCaretHidden = false;  // the calculator's drop-down hid the caret: its close-up shows it again
  TPopupMonthCalendarEh* FCalendar = nullptr;
  bool FReadOnlyForced = false;
  bool FTextChanged = false;
  bool FWordWrap = false;
  Integer FImageIndex = -1;
  bool FLoading = false;   // UpdateContents sets the text: no change of the user's
  String FTextBeforeList;  // the text when the list dropped down, back on a cancel
};

// The grid's tool tips show in the editors' tip window (editors/DBCtrlsEh.h), which
// writes in the font passed as the hint data; the grid passes the cell's font in
// the window-text colour.

// The editor of a filter-row cell: a combo box over the cell whose list offers
// the filter commands and the column's values (DBGridEh_FilterEdit.cpp).
class TInplaceFilterEditEh : public TDBComboBoxEh {
public:
  BORROW_COMPONENT(TInplaceFilterEditEh, TDBComboBoxEh)
  explicit TInplaceFilterEditEh(TComponent* AOwner) : TDBComboBoxEh(AOwner) {}
  // One pixel lower than a plain editor's, to line up with the cell's text.
  TRect GetEditRect() override;
  // Stays open while a ticked value is being applied.
  void CloseUp(bool Accept) override;
  void SetValueAndText(const Variant& AValue, const String& AText);
  TColumnEh* GetColumn() const { return FColumn; }
  void SetColumn(TColumnEh* Value) { FColumn = Value; }

private:
  TColumnEh* FColumn = nullptr;
};

// The cursor shown over the upper edge of a title, where a press selects the column.
HCURSOR ColumnSelectCursorEh();
// The width of the border a flat grid draws itself.
inline constexpr Integer OwnBorderWidthEh = 1;

// ===========================================================================
// The grid

using TDBGridEhColumnEvent = std::function<void(TObject* Sender, TColumnEh* Column)>;
using TMovedEventEh = std::function<void(TObject* Sender, Integer FromIndex, Integer ToIndex)>;
using TDBGridEhNotifyEvent = TNotifyEvent;
using TGetFooterParamsEventEh =
    std::function<void(TObject* Sender, Integer DataCol, Integer Row, TColumnEh* Column, TFont* AFont,
                       TColor& Background, TAlignment& Alignment, TGridDrawState State, String& Text)>;
// Raised with the height a data row needs for the record being read; the handler may change it.
using TGetRowHeightEventEh = std::function<void(TCustomDBGridEh* Sender, Integer& RowHeight)>;
// The painting events.
using TDrawDataCellEventEh =
    std::function<void(TObject* Sender, const TRect& Rect, TField* Field, TGridDrawState State)>;
using TCheckRowHaveDetailPanelEventEh = std::function<void(TCustomDBGridEh* Sender, bool& RowHaveDetailPanel)>;
using TGetBtnEhParamsEvent = std::function<void(TObject* Sender, TColumnEh* Column, TFont* AFont, TColor& Background,
                                                TSortMarkerEh& SortMarker, bool IsDown)>;
using TDrawFooterCellEventEh = std::function<void(TObject* Sender, Integer DataCol, Integer Row, TColumnEh* Column,
                                                  const TRect& Rect, TGridDrawState State)>;

// What DrawTitleCell hands DrawTitleCellContent for one title cell.
struct TDrawTitleParamsEh {
  bool Down = false;       // the title button is pressed
  bool MultiLine = false;  // the caption may wrap
  TColor Background = clBtnFace;
  bool FontIsLight = false;  // the title is highlighted: the sort index is written in white
  TTextOrientationEh Orientation = tohHorizontal;
  bool Is3D = false;
  bool Themed = false;
  bool HasFilterButton = false;
  bool Selected = false;
  TSortMarkerEh SortMarker = smNoneEh;
  bool ShowSortIndex = true;
  TFontCharset FontCharset = DEFAULT_CHARSET;
  TColor FontColor = clWindowText;
  Integer FontSize = 8;
  TFontName FontName;
  TFontStyles FontStyle;
  String Caption;
};

// The numbers of a vertical scroll bar as the grid sets them.
struct TGridScrollBarParamsEh {
  Integer Min = 0;
  Integer Max = 0;
  Integer Page = 0;
  Integer Pos = 0;
  friend constexpr bool operator==(const TGridScrollBarParamsEh&, const TGridScrollBarParamsEh&) = default;
};

class TCustomDBGridEh : public TCustomGridEh,
                        public IMemTableLinkedComponentEh,
                        public IDataGridEh,
                        public IInplaceEditHolderEh {
public:
  BORROW_COMPONENT(TCustomDBGridEh, TCustomGridEh)
  explicit TCustomDBGridEh(TComponent* AOwner);
  ~TCustomDBGridEh() override;

  // -- The layout bracket (DBGridEh.cpp)
  void BeginUpdate() { ++FUpdateLock; }
  // The last end runs a resize that came while the lock was held.
  void EndUpdate() {
    if (FUpdateLock > 0 && --FUpdateLock == 0 && FResizePending) ProcessPendingResize();
  }
  void BeginLayout();
  void EndLayout();
  void CancelLayout();
  bool AcquireLayoutLock();
  void DeferLayout();
  Integer GetUpdateLock() const { return FUpdateLock; }
  Integer GetLayoutLock() const { return FLayoutLock; }
  bool GetLayoutPending() const { return FLayoutPending; }
  bool GetLayoutFromDataLink() const { return FLayoutFromDataLink; }
  void SetLayoutFromDataLink(bool Value) { FLayoutFromDataLink = Value; }

  // -- Columns and mapping
  Integer RawToDataColumn(Integer ACol) const { return ACol - FIndicatorOffset; }
  Integer DataToRawColumn(Integer ACol) const;
  Integer GetIndicatorOffset() const { return FIndicatorOffset; }
  TColumnEh* FindColumnByFieldName(const String& FieldName) const;
  // Raises EInvalidGridOperationEh "Имя поля '%s' не найдено" when no column has it.
  TColumnEh* ColumnByFieldName(const String& FieldName) const;
  // Whether the selection holds the cell of a data column in the record of Bookmark.
  bool IsCellSelected(Integer DataCol, const TBookmark& Bookmark) const;
  TCellTypeEh GetCellType(Integer ACol, Integer ARow, Integer& DataCol, Integer& DataRow) const;
  // Rows above the data: the title row and the rows under it (the filter row).
  Integer GetTitleRowCount() const;
  Integer DataRowsOffset() const { return GetTitleRowCount(); }

  // -- Services
  virtual bool AcquireFocus();
  virtual bool DeletePrompt();
  virtual bool GridFocused();
  bool IsFocusedEh() { return GridFocused(); }
  void DefaultDrawFieldCell(const TRect& Rect, TField* Field, TGridDrawState State);
  void QueryMemTableIntf();
  IMemTableEh* GetMemTableIntf() const { return FIntMemTable; }
  bool GetMemTableSupportIntf() const { return FMemTableSupport; }
  void SetMemTableSupportIntf(bool Value);
  TColCellParamsEh* GetCellParamsObject() const { return FColCellParams.get(); }
  // The pending text and key value of the cell being edited.
  const String& GetEditText() const { return FEditText; }
  const Variant& GetEditKeyValue() const { return FEditKeyValue; }
  void SetEditKeyValue(const Variant& Value) { FEditKeyValue = Value; }
  void SetPendingEditText(const String& Value) { FEditText = Value; }
  TFont* GetCellFont() const;
  Integer GetTextMargin() const { return FTextMargin; }
  Integer GetCellButtonWidth() const { return FCellButtonWidth; }
  Integer GetCellButtonHeight() const { return FCellButtonHeight; }
  Integer GetDataRowHeightValue() const { return FDataRowHeight; }
  Integer GetTitleRowHeight() const { return FTitleRowHeight; }
  // The data row is taller than one line of text.
  bool GetMultiLineRow() const { return FMultiLineRow; }
  Integer GetIndicatorWidth() const { return FIndicatorWidth; }
  // The indent of the first visible column: the grouping levels' boxes, which the
  // column's grid width holds besides its Width.
  virtual Integer FirstColumnIndent() const { return GroupIndentWidth(); }
  // Right-to-left, a client x stands for its mirror, where the cells were
  // painted: the x and the cell rectangles in those terms, for the hit tests
  // that measure inside a cell from its leading edge.
  Integer LogicalX(Integer X) const { return UseRightToLeftAlignment() ? MirroredX(X) : X; }
  TRect LogicalCellRect(Integer ACol, Integer ARow) const {
    return UseRightToLeftAlignment() ? MirroredRect(CellRect(ACol, ARow)) : CellRect(ACol, ARow);
  }
  bool GetUpdateFieldsFromWidths() const { return FUpdateFieldsFromWidths; }
  // Reading one data row's values without moving the dataset: instant read of the
  // in-memory table, else the data link's active record. Answers whether a row was entered.
  bool BeginReadRow(Integer DataRow);
  void EndReadRow();
  // Data rows shown: the table's rows in memory-table mode, else the link's buffered records.
  Integer VisibleDataRowCount() const;
  // The record number a data row shows (memory-table mode: the row + 1).
  Integer GetRowRecNo(Integer DataRow);
  // Whether the data row shows the current record.
  bool IsCurrentDataRow(Integer DataRow) const;
  // An incremental search runs: no editor shows and nothing may be typed into cells.
  bool GetIncSearchActive() const { return FIncSearchActive; }
  void SetIncSearchActive(bool Value) { FIncSearchActive = Value; }
  // A filter-row cell is being edited: the cell editor stays off.
  bool GetFilterEditing() const { return FFilterEditing; }
  void SetFilterEditing(bool Value) { FFilterEditing = Value; }
  bool GetSortMarking() const { return FSortMarking; }
  void SetSortMarking(bool Value) { FSortMarking = Value; }
  // The list of visible columns and the list of sort-marked columns in sort order.
  TColumnsEhList* GetVisibleColumns() const { return FVisibleColumns.get(); }
  TColumnsEhList* GetSortMarkedColumns() const { return FSortMarkedColumns.get(); }
  void RebuildSortMarkedColumns();
  void InvalidateFooter();
  void InvalidateTitle();

  // -- Geometry and scrolling (DBGridEh_Scroll.cpp)
  // Rows scroll one grid row per record of an in-memory table (else the grid shows
  // the data link's window of buffered records).
  bool RowScrollMode() const { return FIntMemTable != nullptr; }
  // Row scrolling by pixels: an in-memory table with the vertical bar's SmoothStep.
  bool SmoothRowScrollMode() const;
  // The last row that can be the top row with the window still full (at least the fixed rows).
  Integer LastTopRow() const;
  // Data rows wholly shown between the titles and the footers (at least 1).
  Integer VisibleDataRows() const;
  // The numbers the grid's vertical bar shows now (ordinary or row mode).
  virtual TGridScrollBarParamsEh GetVertScrollBarParams();
  // An external bar scrolled itself: it is given the grid's numbers again.
  void ExtScrollBarScrolled(TScrollBarKind Kind);
  // Timer 1 of the grid's window (tracking and automatic scrolling).
  void StartTimer(Integer Interval);
  void StopTimer();
  bool GetTimerActive() const { return FTimerInterval >= 0; }
  Integer GetTimerInterval() const { return FTimerInterval; }
  // The data cells: from the first data column and row to the last visible column and the last row.
  TGridRect GetDataAreaRect() const;
  void InvalidateDataArea();

  // -- Row heights (DBGridEh_ScrollRows.cpp). The grid keeps them itself, in runs,
  //    so that a grid of a million rows of one height costs no more than one of ten.
  Integer GetRowHeights(Integer Index) const override;
  // A height set from outside the grid (the user sizing a row) is taken as the user's.
  void SetRowHeights(Integer Index, Integer Value) override;
  Int64 GetRowsExtent(Integer From, Integer To) const override;
  const TRowHeightsEh& GetRowHeightsStore() const { return FRowHeightsStore; }

  // -- Properties
  TDBGridEhAllowedOperations GetAllowedOperations() const { return FAllowedOperations; }
  void SetAllowedOperations(TDBGridEhAllowedOperations Value) { FAllowedOperations = Value; }
  TDBGridEhAllowedSelections GetAllowedSelections() const { return FAllowedSelections; }
  void SetAllowedSelections(TDBGridEhAllowedSelections Value);
  bool GetAutoFitColWidths() const { return FAutoFitColWidths; }
  void SetAutoFitColWidths(bool Value);
  TColumnDefValuesEh* GetColumnDefValues() const { return FColumnDefValues.get(); }
  void SetColumnDefValues(TColumnDefValuesEh* Value) { FColumnDefValues->Assign(Value); }
  TDBGridColumnsEh* GetColumns() const { return FColumns.get(); }
  void SetColumns(TDBGridColumnsEh* Value) { FColumns->Assign(Value); }
  // The columns kept at the right edge (the base grid's contra columns, at most the unfrozen visible ones).
  Integer GetContraColCountEh() const { return FContraColCountSet; }
  void SetContraColCountEh(Integer Value);
  TDBGridEhDataGroupsEh* GetDataGrouping() const { return FDataGrouping.get(); }
  // Takes the settings and levels of Value, its levels bound to this grid's columns of the same fields.
  void SetDataGrouping(TDBGridEhDataGroupsEh* Value) { FDataGrouping->Assign(Value); }
  TDataSource* GetDataSource() const override;
  void SetDataSource(TDataSource* Value);
  bool GetDrawGraphicData() const { return FDrawGraphicData; }
  void SetDrawGraphicData(bool Value);
  bool GetDrawMemoText() const { return FDrawMemoText; }
  void SetDrawMemoText(bool Value);
  // The cells show and edit Field's memo text as plain text.
  bool DrawsMemoTextOf(const TField* Field) const;
  TDBGridEhEditActions GetEditActions() const { return FEditActions; }
  void SetEditActions(TDBGridEhEditActions Value) { FEditActions = Value; }
  TEditButtonsShowOptionsEh GetEditButtonsShowOptions() const { return FEditButtonsShowOptions; }
  void SetEditButtonsShowOptions(TEditButtonsShowOptionsEh Value);
  TColor GetEvenRowColor() const { return FEvenRowColorAssigned ? FEvenRowColor : GetColor(); }
  void SetEvenRowColor(TColor Value);
  bool IsEvenRowColorStored() const { return FEvenRowColorAssigned; }
  TColor GetOddRowColor() const { return FOddRowColorAssigned ? FOddRowColor : GetColor(); }
  void SetOddRowColor(TColor Value);
  bool IsOddRowColorStored() const { return FOddRowColorAssigned; }
  TColor GetFooterColor() const { return FFooterColor; }
  void SetFooterColor(TColor Value);
  TFont* GetFooterFont() const { return FFooterFont.get(); }
  void SetFooterFont(const TFont* Value);
  Integer GetFooterRowCount() const { return FFooterRowCount; }
  void SetFooterRowCount(Integer Value);
  Integer GetFrozenCols() const { return FFrozenCols; }
  void SetFrozenCols(Integer Value);
  TDBGridEhScrollBar* GetHorzScrollBar() const { return FHorzScrollBar.get(); }
  TDBGridEhScrollBar* GetVertScrollBar() const { return FVertScrollBar.get(); }
  TDBGridEhIndicatorTitle* GetIndicatorTitle() const { return FIndicatorTitle.get(); }
  Integer GetMinAutoFitWidth() const { return FMinAutoFitWidth; }
  void SetMinAutoFitWidth(Integer Value);
  TDBGridOptions GetOptions() const { return FOptions; }
  void SetOptions(TDBGridOptions Value);
  TDBGridEhOptions GetOptionsEh() const { return FOptionsEh; }
  void SetOptionsEh(TDBGridEhOptions Value);
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  TRowDetailPanelEh* GetRowDetailPanel() const { return FRowDetailPanel.get(); }
  TRowDetailPanelControlEh* GetRowDetailPanelControl() const { return FRowDetailPanelControl; }
  Integer GetRowHeight() const { return FRowHeight; }
  void SetRowHeight(Integer Value);
  Integer GetRowLines() const { return FRowLines; }
  void SetRowLines(Integer Value);
  TGridRowPanelEh* GetRowPanel() const { return FRowPanel.get(); }
  // Takes Value's Active; nothing written while loading switches the panel on.
  void SetRowPanel(TGridRowPanelEh* Value);
  bool GetRowSizingAllowed() const { return FRowSizingAllowed; }
  void SetRowSizingAllowed(bool Value);
  bool GetSortLocal() const override { return FSortLocal; }
  void SetSortLocal(bool Value) { FSortLocal = Value; }
  TSTDBGridEhFilter* GetSTFilter() const { return FSTFilter.get(); }
  void SetSTFilter(TSTDBGridEhFilter* Value) { FSTFilter->Assign(Value); }
  TDBGridEhSumList* GetSumList() const { return FSumList.get(); }
  void SetSumList(TDBGridEhSumList* Value) { FSumList->Assign(Value); }
  TFont* GetTitleFont() const { return FTitleFont.get(); }
  void SetTitleFont(const TFont* Value);
  Integer GetTitleHeight() const { return FTitleHeight; }
  void SetTitleHeight(Integer Value);
  Integer GetTitleLines() const { return FTitleLines; }
  void SetTitleLines(Integer Value);
  TCustomImageList* GetTitleImages() const { return FTitleImages; }
  void SetTitleImages(TCustomImageList* Value);
  bool GetUseMultiTitle() const { return FUseMultiTitle; }
  void SetUseMultiTitle(bool Value);
  Integer GetVTitleMargin() const { return FVTitleMargin; }
  void SetVTitleMargin(Integer Value);
  THeadTreeNode* GetHeadTreeRoot() const { return FHeadTree.get(); }

  // ---- Record moving (DBGridEh_RecordMoving.cpp)
  virtual bool CanStartRecordMoving() { return true; }
  // The tree level a drop at Point over Row gives, and the pixel where the move line starts.
  virtual Integer CalcMoveTargetLevel(Integer Row, TPoint Point, Integer& Level);
  virtual bool DoMoveRecords(TBMListEh* Rows, Integer ToIndex, Integer TreeLevel, bool CheckOnly);
  // Moves the selected rows, or the pressed one, in front of data row ToIndex.
  virtual bool MoveRecords(Integer ToIndex, Integer TreeLevel, bool CheckOnly);
  virtual void EndRecordMoving(Integer X, Integer Y, bool Drop);
  virtual void TrackRecordMoving(Integer X, Integer Y);
  virtual bool MoveRecordsDefault(TBMListEh* Rows, Integer ToIndex, Integer TreeLevel, bool CheckOnly);
  Integer GetMoveToRow() const { return FMoveToRow; }
  Integer GetMoveToLevel() const { return FMoveToLevel; }
  bool GetMoveLineShown() const { return FMoveLineShown; }
  std::function<bool(TObject* Sender, TBMListEh* Rows, Integer ToIndex, Integer TreeLevel, bool CheckOnly)>
      OnMoveRecords;

  // ---- Group rows and the group panel (DBGridEh_Grouping.cpp)
  // Whether the rows are the group tree's visible nodes.
  bool GroupedRows() const;
  // The width of the group boxes before a record's first cell (0 when not grouped).
  Integer GroupIndentWidth() const;
  // The group tree node of a data row, or null.
  TGroupDataTreeNodeEh* GroupNodeOfRow(Integer DataRow) const;
  // The current group row's node; null while a record row is current.
  TGroupDataTreeNodeEh* GetCurrentGroupNode() const { return FCurrentGroupNode; }
  // The data row of the current node or record.
  Integer CurrentFlatIndex() const;
  // Moves by Delta rows of the group tree: a record row moves the table there.
  void MoveGroupedBy(Integer Delta);
  void SetCurrentFlatIndex(Integer FlatIndex);
  Integer GetGroupPanelHeight() const { return FGroupPanelHeight; }
  // The box of active level Index in the group panel, in client coordinates.
  TRect GetGroupLevelBoxRect(Integer Index) const;
  // The position a level dropped at X takes among the active levels.
  Integer GroupPanelInsertIndex(Integer X) const;
  // A column title dropped on the panel becomes a level there and its column hides.
  void DropColumnOnGroupPanel(TColumnEh* Column, Integer X);
  // An active level's box dragged to X moves the level there; out of the panel it goes.
  void DropGroupLevelBox(Integer ActiveIndex, Integer X, Integer Y);
  // The active level at a point of the panel, or -1.
  Integer GroupLevelBoxAt(Integer X, Integer Y) const;
  // The position the insertion arrow shows while a title or a level is dragged
  // over the panel; -1 when no arrow is shown.
  Integer GetGroupPanelArrowIndex() const { return FGroupPanelArrowIndex; }
  // Where the arrow for position Index stands: its X and the height of the boxes beside it.
  TRect GroupPanelArrowRect(Integer Index) const;
  // The leaf node of the column at Index of the title tree (null before the tree is built).
  THeadTreeNode* GetLeafNode(Integer Index) const {
    return Index >= 0 && Index < Integer(FLeafFieldArr.size()) ? FLeafFieldArr[size_t(Index)] : nullptr;
  }
  // Rebuilds the title tree from the columns' captions and measures its heights.
  void BuildTitleTree();
  // Whether a point in the title cell of Column lies in the column's own leaf part.
  bool InTitleLeafPart(TColumnEh* Column, const TRect& CellRect, Integer Y) const;

  TDBGridEhSelection* GetSelection() const { return FSelection.get(); }
  Integer GetSelectedIndex() const override;
  void SetSelectedIndex(Integer Value) override;
  TField* GetSelectedField() const;
  void SetSelectedField(TField* Value);
  TColumnEh* GetCurrentColumn() const;
  TGridDataLinkEh* GetDataLink() const { return FDataLink.get(); }
  TDBGridEhCenter* GetCenter() const { return FCenter; }
  void SetCenter(TDBGridEhCenter* Value);
  TDBGridEhStyle* GetStyle() const { return FStyle; }
  // Nil takes the global style again when there is one.
  void SetStyle(TDBGridEhStyle* Value);
  // The grid's style object is going: the grid takes the global one, when
  // there is another, or none. Nothing is laid out: a style decides colours,
  // which the next paint asks for.
  void StyleDestroyed();
  bool GetAcquireFocusSwitch() const { return FAcquireFocus; }
  void SetAcquireFocusSwitch(bool Value) { FAcquireFocus = Value; }
  bool IsInnerGrid() const { return FInnerGrid; }
  TGridMouseTrackStateEh GetMouseTrackState() const { return FMouseTrackState; }

  // -- Virtual operations introduced by the data grid, in slot order
  virtual Integer GetDataRowHeight();
  virtual Integer CalcDataRowHeight();
  virtual bool RowFocusRectVisible();
  virtual bool CanEditorMode();
  virtual bool IsCell3D(Integer ACol, Integer ARow);
  virtual bool CellSelected(Integer DataCol, Integer DataRow);
  virtual std::unique_ptr<TDBGridEhColumnDefValuesEh> CreateColumnDefValues();
  virtual std::unique_ptr<TDBGridColumnsEh> CreateColumns();
  // The settings object of a scroll bar: the vertical class for sbVertical, else the horizontal one.
  virtual std::unique_ptr<TDBGridEhScrollBar> CreateScrollBar(TScrollBarKind Kind);
  virtual Integer GetSubTitleRowCount() const;
  // The height of the filter row under the titles: "Wg" in the grid's font and its margins.
  virtual Integer FilterRowHeight();
  virtual bool TitlesVisible() const { return FOptions.Contains(dgTitles); }
  virtual bool IndicatorVisible() const { return FOptions.Contains(dgIndicator); }
  virtual void CellClick(TColumnEh* Column);
  virtual void CheckTitleButton(Integer ACol, bool& Enabled);
  virtual void ColEnter();
  virtual void ColExit();
  virtual void DataChanged();
  virtual void BuildFieldColumns();
  virtual void SortMarkingChanged();
  virtual void TitleBtnClick(Integer ACol, TColumnEh* Column);
  // The group tree's visible rows changed: the grid's rows follow.
  virtual void GroupRowsChanged();
  // The grouping model's calls: the height of a group row, a grouped row whose
  // record changed (by its index in the group tree's flat list), and the group
  // panel switched on or off.
  virtual Integer GetGroupDataRowHeight(TGroupDataTreeNodeEh* Node);
  virtual void RefreshDataRow(Integer FlatIndex);
  // Lays the group panel's level boxes out and gives the panel its height.
  virtual void GroupPanelVisibleChanged();
  // The text of footer row Row of Column as the grid shows it (DBGridEh_FooterValues.cpp).
  virtual void GetFooterValue(Integer Row, TColumnEh* Column, String& Text);
  // Lets OnGetFooterParams change a footer cell's look and text.
  virtual void GetFooterParams(Integer DataCol, Integer Row, TColumnEh* Column, TFont* AFont, TColor& Background,
                               TAlignment& Alignment, TGridDrawState State, String& Text);
  virtual void EditButtonClick();
  virtual void GetDatasetFieldList(std::vector<TField*>& FieldList);
  virtual void LayoutChanged();
  virtual void DataLinkActiveChanged(bool Active);
  void ScrollData(Integer DX, Integer DY) override;
  virtual void DataScrolled(Integer Distance);
  virtual void SetColumnAttributes();
  virtual void TitleClick(TColumnEh* Column);
  virtual void SyncActiveRow();
  virtual void UpdateRowCount();
  virtual void UpdateScrollBar();
  virtual void SetDataRowHeight(Integer ARow);
  virtual bool CanShowRecNo() const { return true; }
  virtual bool MultiTitleActive() const;
  virtual void DefaultApplySorting();
  void DefaultApplyFilter() { ApplyFilterDefault(); }
  virtual void UpdateVisibleRowHeights();
  virtual void DataRowHeightsChanged();
  // The data link's record-changed notice (nil: the whole record).
  virtual void EditTextChanged(TField* Field);
  // Writes the pending edit text into the current column's field.
  virtual void UpdateData();
  // A row notice of the in-memory table: Kind 0 inserted, 1 changed, 2 removed,
  // 3 moved from OtherIndex to Index, 4 everything changed.
  virtual void DataRowChanged(Integer Index, Integer Kind, Integer OtherIndex);
  // The external horizontal bar's numbers (only with an external bar).
  virtual void GetScrollBarParams();
  // Whether a data cell is highlighted, and its colours (the style object decides when there is one).
  virtual bool GetHighlightColors(Integer ACol, Integer ARow, Integer DataCol, Integer DataRow, TGridDrawState State,
                                  bool IsSelected, TFont* AFont, TColor& Background);
  // The colours of a highlighted cell of any area (Selected: the cell is highlighted).
  virtual bool GetCellParams(Integer ACol, Integer ARow, TCellAreaVertEh CellKind, TGridDrawState State, bool Selected,
                             TFont* AFont, TColor& Background);
  virtual bool CanEditModifyDataCell();
  // Puts the value the current column's field has in the row above into the
  // current cell, and shows the editor over it.
  virtual void CopyValueFromRowAbove();
  // Writes the pending text of a lookup cell: its keys, looked up by the text.
  void UpdateLookupData(TColumnEh* Column, TField* Field, const String& Text);
  // The edited cell's key value (lookup cells), shared with the cell editor.
  const Variant& GetEditValue() const { return FEditKeyValue; }
  void SetEditValue(const Variant& Value) { FEditKeyValue = Value; }
  // The column index and row the editor was last loaded for in row-panel mode.
  TGridCoord GetRowPanelEditedCell() const { return FRowPanelEditedCell; }

  // -- Editor management (DBGridEh_Editing.cpp)
  void ShowEditor() override;
  void HideEditor() override;
  void UpdateEdit() override;
  void UpdateText() override;
  // In the row panel: the current column's panel cell on the current row. Else the
  // cell, the first column's after its group boxes and detail box, and only the
  // data part of a row grown by the open row detail panel.
  TRect CellEditRect(Integer ACol, Integer ARow) override;
  // The cell editor as the base grid refreshes it, and the filter editor placed again.
  void InvalidateEditor() override;

  // -- Streaming (DBGridEh_Streaming.cpp). Links to other components (the data
  //    source, image lists, menus, scroll bars, controls) are written by name and
  //    bound when the grid is loaded, to the components its owner holds.
  void WriteComponentRef(TWriter* Writer, const TComponent* Component) const;
  // Reads a name; Bind is called with the component of that name when loading ends.
  void ReadComponentRef(TReader* Reader, std::function<void(TComponent*)> Bind);

  // -- Overrides of the base grid
  void Loaded() override;
  // Controls placed on the row detail panel are read into the panel the grid owns.
  void ReadState(TReader* Reader) override;
  // The row detail panel is written while controls stand on it.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  void ChangeScale(Integer M, Integer D) override;
  bool CanEditAcceptKey(Char Key) override;
  bool CanEditModify() override;
  bool CanEditShow() override;
  bool CanCellHotTrack(Integer ACol, Integer ARow) override;
  void GetCellLinesVisibility(Integer ACol, Integer ARow, TCellLineKindEh Border, bool& IsDraw, TColor& Color,
                              bool& IsExtent) override;
  void RowHeightsChanged() override;
  void SizeChanged(Integer OldColCount, Integer OldRowCount) override;
  void RowMoved(Integer FromIndex, Integer ToIndex) override;
  void TopLeftChanged() override;
  void TimedScroll(Integer Direction) override;
  bool IsSmoothVertScroll() override;
  bool IsSmoothHorzScroll() override;
  // In the row panel the horizontal bar scrolls the panel inside its column.
  bool GetOwnHorzPixels(Integer Page, Integer& Extent, Integer& Pos) override;
  void SetOwnHorzPixelPos(Integer Pos) override;
  void ColumnMoved(Integer FromIndex, Integer ToIndex) override;
  void ColWidthsChanged() override;
  String GetEditText(Integer ACol, Integer ARow) override;
  void SetEditText(Integer ACol, Integer ARow, const String& Value) override;
  String GetEditMask(Integer ACol, Integer ARow) override;
  Integer GetEditLimit() override;
  void DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) override;
  // In automatic drag mode a left press is handled in manual mode, marked for the mouse handler.
  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

  // -- As the grid services see the grid
  std::vector<IDataGridColumnEh*> GetGridColumns() override;
  std::vector<IDataGridColumnEh*> GetVisibleGridColumns() override;
  std::vector<IDataGridColumnEh*> GetSortMarkedGridColumns() override;
  // Raises EInvalidGridOperationEh "Имя поля '%s' не найдено" when no column has the field.
  IDataGridColumnEh* GetColumnByFieldName(const String& FieldName) override { return ColumnByFieldName(FieldName); }
  bool GetRowSelect() const override { return FOptions.Contains(dgRowSelect); }
  Integer GetCurrentColumnPosition() const override;
  void SaveBookmark() override;
  void RestoreBookmark() override;
  TBookmarkListEh* GetSelectedRows() override { return FBookmarks.get(); }
  bool GetSTFilterLocal() const override { return FSTFilter->GetLocal(); }
  bool LocateText(const String& FieldName, const String& Text, TLocateTextTreeFindRangeEh TreeFindRange,
                  TLocateTextMatchingEh Matching, TLocateTextDirectionEh Direction,
                  TLocateTextOptionsEh Options) override;

  // -- Filter row, find and the indicator title (DBGridEh_Filter.cpp, DBGridEh_Center.cpp)
  // Applies the conditions of the filter row: OnApplyFilter, else ApplyFilterDefault.
  void ApplyFilterRow();
  // The center applies the filter row to the dataset (repainting held meanwhile).
  virtual void ApplyFilterDefault();
  // The center's text search, with the wait cursor shown while it runs.
  bool Find(const String& FieldName, const String& Text, TLocateTextOptionsEh Options, TLocateTextDirectionEh Direction,
            TLocateTextMatchingEh Matching, TLocateTextTreeFindRangeEh TreeFindRange);
  // A press on the indicator title: with the drop-down sign, the indicator-title
  // menu under the cell; without it, with dgMultiSelect, select all or clear.
  virtual void DefaultIndicatorTitleMouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  // The menu the center builds for the indicator title.
  virtual void DefaultBuildIndicatorTitleMenu(TPopupMenu*& PopupMenu);
  // Whether the indicator title is drawn pressed (its menu is open).
  bool GetIndicatorTitlePressed() const { return FIndicatorTitlePressed; }

  // -- The filter row's editor (DBGridEh_FilterEdit.cpp). A combo box placed over
  //    the filter cell of one column; leaving the cell stores its text as the
  //    column's condition, Enter also applies the row.
  // A visible column with a visible filter cell, in a filter row under the titles.
  bool IsColumnFilterable(Integer ColumnIndex) const;
  // Opens the editor on the filter cell of column ColumnIndex (the column becomes current).
  void ShowFilterEditor(Integer ColumnIndex);
  // Places the editor on its cell, loaded from the column when Show.
  void UpdateFilterEditor(bool Show);
  // Binds the editor to the column: its handlers, its text, its list's size.
  virtual void SetupFilterEditor(Integer ColumnIndex);
  // Hides the editor, storing its text as its column's condition (a malformed text raises).
  void HideFilterEditor();
  // Leaves filter-row editing; the cell editor comes back where it always shows.
  void ExitFilterEditor();
  // The editor's text becomes the condition of column ColumnIndex.
  virtual void ApplyFilterEditorText(Integer ColumnIndex);
  virtual bool FilterEditorCanShow();
  virtual TInplaceFilterEditEh* CreateFilterEditor();
  // Fills a filter drop-down: the events, else the center's commands and values;
  // Width grows to fit the command texts.
  void FillFilterListValues(TSTColumnFilterEh* ColumnFilter, TStrings* Items, TPopupListboxEh* ListBox, Integer& Width);
  TInplaceFilterEditEh* GetFilterEditor() const { return FFilterEditor; }
  // The column (index in Columns) whose filter cell the editor serves; -1 none.
  Integer GetFilterRowColumn() const { return FFilterRowColumn; }
  // Clears every column's condition, with the editor hidden first.
  void ClearColumnFilters();
  // The filter list of a column's title (a filter row in the titles): opened under
  // the title by its filter button or FilterListShortCut; Enter, a click or Space
  // choose, Esc or a press elsewhere close it.
  void TitleFilterListDropDown(TColumnEh* Column);
  void DropDownTitleFilterList(TColumnEh* Column, const TRect& ARect);
  void CloseUpTitleFilterList(bool Accept);
  // The title list, made on first use, and its showing under a rectangle of the grid.
  TPopupListboxEh* TitleFilterList();
  void ShowTitleFilterListUnder(const TRect& ARect);
  bool GetTitleFilterListVisible() const { return FTitleFilterListVisible; }
  // The group level whose sort list is open in the title list, or null.
  TGridDataGroupLevelEh* GetGroupSortDropDownLevel() const;
  // Opens the sort list of an active level under its box in the group panel.
  void GroupLevelSortDropDown(Integer ActiveIndex);
  TPopupListboxEh* GetTitleFilterList() const { return FTitleFilterList; }
  // The edit button a data cell shows under a client point: 0 the column's own
  // button, n its n-th visible extra button, -1 none.
  Integer CellEditButtonAt(TGridCoord Cell, Integer X, Integer Y);
  // The edit button the mouse is over in the hot-tracked cell, -1 none.
  Integer GetHotEditButton() const { return FHotEditButton; }
  // Whether a point of the client area lies on the filter button of a data column's title.
  bool IsTitleFilterButtonPoint(Integer X, Integer Y, TColumnEh*& Column);
  // That button's rectangle in a title cell (inside the cell's frame when Is3D).
  TRect TitleFilterButtonRect(const TRect& Cell, bool Is3D) const;

  // -- As the holder of the filter editor
  bool InplaceEditCanModify(TControl*) override { return true; }
  void GetMouseDownInfo(TPoint& Pos, Integer& Time) override;
  void InplaceEditWndProc(TControl*, TMessage&) override {}
  void InplaceEditKeyDown(TControl* Control, Word& Key, TShiftState Shift) override;
  void InplaceEditKeyPress(TControl* Control, Char& Key) override;
  void InplaceEditKeyUp(TControl*, Word&, TShiftState) override {}

  // -- Selection (DBGridEh_Selection.cpp)
  // Whether the mouse and keys may make a selection of this kind (none always).
  bool CanSelectType(TDBGridEhSelectionType Type) const;
  // The raw grid column of a visible column; -1 outside them.
  Integer VisibleColumnToRaw(Integer VisibleIndex) const;
  // The current column's index among the visible columns; -1 without one.
  Integer CurrentVisibleColumn() const;
  // Whether each edit action can run on the current selection.
  bool CanCopy();
  bool CanPaste();
  bool CanCut();
  bool CanDelete();
  bool CanSelectAll();

  // -- Keyboard (DBGridEh_Keyboard.cpp)
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  // Moves the current record by Direction rows (to the first or the last record
  // with MaxDirection), selecting the rows or the cells passed when Select.
  void SelectMove(bool Select, Integer Direction, bool MaxDirection, bool UseRowSelection);
  // One row down or up; a record appended past the last, an untouched new one cancelled.
  void NextRow(bool Select);
  void PriorRow(bool Select);
  // The next or previous visible column, wrapping to the next or previous row.
  void TabMove(bool GoForward);
  // Makes grid column Index current, stepping by Step past hidden columns; with
  // ExtendSelection the cell rectangle follows.
  void MoveToColumn(Integer Index, Integer Step, bool ExtendSelection);
  // With dghClearSelection every selection goes; the Shift-selection run ends in any case.
  void ClearSelectionIfNeeded();
  // Whether the current record offers a row detail panel (OnCheckRowHaveDetailPanel, else yes).
  bool RowHasDetailPanel();
  // Gives the focus to the open row detail panel's control.
  void FocusRowDetailPanelControl();

  // -- Mouse (DBGridEh_Mouse.cpp, DBGridEh_MouseTrack.cpp)
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  // The double-click event is raised by the press handling itself, which knows
  // when a double click only sized a column.
  void DblClick() override {}
  void CancelMode() override;
  // In the row panel the edges of the title panel's cells size the columns: the
  // right edge their width (Index: the column's index), the bottom edge their lines.
  void CalcSizingState(Integer X, Integer Y, TGridState& State, Integer& Index, Integer& SizingPos, Integer& SizingOfs,
                       const TGridDrawInfoEh& FixedInfo) override;
  void UpdateHotTrack(Integer X, Integer Y) override;
  void DoExit() override;
  std::unique_ptr<TInplaceEdit> CreateEditor() override;
  // The grid column whose title is held down (-1 when none), and whether the mouse is over it.
  Integer GetPressedTitleColumn() const { return FTitleButtonDown ? FPressedTitleColumn : -1; }
  bool GetPressedTitleInside() const { return FPressedTitleInside; }
  // Ctrl-clicked titles wait for the release of Ctrl before the sorting runs.
  bool GetSortMarkingPending() const { return FSortMarkingPending; }
  // Where the mouse was last seen, in client coordinates.
  TPoint GetLastMovePos() const { return FLastMovePos; }
  // Whether the grid draws its own border in the non-client area (flat with the 3-D look).
  bool GetOwnBorder() const { return FOwnBorder; }

  // -- Column widths (DBGridEh_OptimizeWidths.cpp)
  // Each column of the list as wide as its widest title, data cell or footer.
  void OptimizeColsWidth(TColumnsEhList* Columns);
  // The selected columns (every column when all is selected) and Column.
  void OptimizeSelectedColsWidth(TColumnEh* Column);

  // -- Incremental search (DBGridEh_Keyboard.cpp)
  const String& GetIncSearchText() const { return FIncSearchText; }
  // Searches the current column for the search text plus Text (Direction: ltdAllEh
  // from the start, ltdDownEh on, ltdUpEh back) and restarts the time-out.
  void IncSearchAdd(const String& Text, Integer TimeOut, TLocateTextDirectionEh Direction);
  void IncSearchStop();
  // The find dialog for this grid, opened with Text (through the center when there is one).
  void RunFindDialog(const String& Text);

  // -- Tool tips (DBGridEh_Hints.cpp)
  // The font of the tip window, the cell's font copied in (made on first use).
  TFont* GetHintFont();
  // The text a data cell's tip shows: a pick-list item for image and check-box
  // columns, else the display text.
  String ToolTipText(TColumnEh* Column);

  // The table's row notices (IMemTableLinkedComponentEh).
  void MTDataChanged(Integer Row, Integer Kind, Integer Index) override { DataRowChanged(Row, Kind, Index); }

  // -- Painting (DBGridEh_Paint*.cpp). The base grid calls DrawCell for every
  //    visible cell; DrawCell hands it to the painter of its area, which paints
  //    the whole rectangle: background, content and frame.
  bool GetDefaultDrawing() const { return FDefaultDrawing; }
  void SetDefaultDrawing(bool Value);
  virtual bool IsCellThemed(Integer ACol, Integer ARow, Integer DataCol, Integer DataRow, TGridDrawState State,
                            TCellTypeEh CellType, bool Is3D);
  virtual void DrawTitleCell(Integer ACol, Integer ARow, Integer DataCol, Integer DataRow, const TRect& ARect,
                             TGridDrawState State, TCellTypeEh CellType);
  virtual void DrawTitleCellContent(TColumnEh* Column, const TRect& ARect, TGridDrawState State,
                                    TDrawTitleParamsEh& Params);
  // The cell of the filter row under the titles.
  virtual void DrawSubTitleCell(Integer ACol, Integer ARow, Integer DataCol, Integer DataRow, const TRect& ARect,
                                TGridDrawState State, TCellTypeEh CellType);
  virtual void DrawDataCell(Integer ACol, Integer ARow, Integer DataCol, Integer DataRow, const TRect& ARect,
                            TGridDrawState State, TCellTypeEh CellType);
  // The standard drawing of a data cell from its parameters (the data row is being read).
  virtual void DefaultDrawDataCell(const TGridCoord& Cell, const TGridCoord& AreaCell, TColumnEh* Column,
                                   const TRect& ARect, TColCellParamsEh* Params);
  // For drawing handlers: fills the cell and writes the column's text in the canvas font.
  void DefaultDrawColumnCell(const TRect& Rect, Integer DataCol, TColumnEh* Column, TGridDrawState State);
  virtual void DoDrawColumnCell(const TRect& Rect, Integer DataCol, TColumnEh* Column, TGridDrawState State);
  virtual void DoDrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State);
  virtual void DrawFooterCell(Integer ACol, Integer ARow, Integer DataCol, Integer DataRow, const TRect& ARect,
                              TGridDrawState State, TCellTypeEh CellType);
  virtual void DrawIndicatorCell(Integer ACol, Integer ARow, Integer DataCol, Integer DataRow, const TRect& ARect,
                                 TGridDrawState State, TCellTypeEh CellType);
  // Indicator image Kind (0 current row, 1 and 4 further arrows, 2 editing, 3 inserting) centred in ARect.
  virtual void DrawIndicatorImage(TCanvas* Canvas, const TRect& ARect, Integer Kind);
  // The indicator title's drop-down sign, centred in ARect.
  virtual void DrawIndicatorTitleSign(TCanvas* Canvas, const TRect& ARect);
  // A small downward arrow with a stem, centred in ARect.
  virtual void DrawDownArrowSign(TCanvas* Canvas, const TRect& ARect);
  // A check box of the system size in the cell, in State (0 unchecked, 1 checked, 2 grayed).
  virtual void DrawCheckBoxInCell(TCanvas* Canvas, const TRect& ARect, Integer State, TColor Background);
  void DrawGraphicOrMemoCell(TColumnEh* Column, const TRect& ARect);
  // Titles in several levels, split at "|".
  virtual bool IsMultiTitleMode() const { return MultiTitleActive(); }
  // The upper levels of a multi-level title above the leaf of Column, clipped to the leaf's cell.
  void DrawTitleNodes(TColumnEh* Column, const TRect& ARect, const TDrawTitleParamsEh& Params);
  // The row panel lays cells out inside a record's panel: each record, the titles,
  // the filter row and the footers are painted as panels of their columns' cells.
  virtual bool RowPanelPainted() const;
  void DrawRowPanelCell(Integer ACol, Integer ARow, Integer DataRow, const TRect& ARect, TGridDrawState State,
                        TCellTypeEh CellType);
  // The row detail panel under the current row; not painted yet.
  virtual bool RowDetailPanelPainted() const;
  // Places every column's cell inside a record's panel, line by line; gives the panel's size.
  void RowPanelLayout();
  // Scales the columns' widths so that the panel becomes NewWidth wide.
  void ResizeRowPanel(Integer NewWidth);
  Integer GetRowPanelWidth() const { return FRowPanelWidth; }
  Integer GetRowPanelHeight() const { return FRowPanelHeight; }
  // How many panel lines the visible columns take, at least one.
  Integer RowPanelLineCount() const;
  // A column's cell in the row panel of the grid row whose rectangle is RowRect
  // (title or data geometry), moved left by the panel's horizontal scroll offset.
  TRect RowPanelCellRect(TColumnEh* Column, const TRect& RowRect, bool Title) const;
  // The visible column whose panel cell holds the client point, in the grid row of RowRect; null when none.
  TColumnEh* RowPanelColumnAt(const TRect& RowRect, Integer X, Integer Y, bool Title) const;
  // How far the panel is scrolled to the left so that the current cell shows.
  Integer GetRowPanelLeftOffset() const { return FRowPanelLeftOffset; }
  // Makes the column with data index DataCol current inside the panel (exit and enter
  // notices, the editor, the horizontal scroll that shows its cell).
  void RowPanelMoveToColumn(Integer DataCol);
  // The panel's next cell for Tab (TabNavigationType) or the arrows; the given column when none.
  TColumnEh* RowPanelNextColumn(TColumnEh* Column, bool Forward, bool ForTab) const;
  // The expand box of the row detail panel at the left of a data row's first cell;
  // without HasPanel the box stays empty. Answers its width.
  Integer DrawRowDetailButton(const TRect& ARect, Integer DataRow, bool HasPanel);
  // Whether a press at X on a data row hits that box; a hit opens or closes the panel.
  bool RowDetailButtonPress(Integer X, TGridCoord Cell);
  // Grouped data rows; painted once grouping works.
  virtual bool GroupingPainted() const { return FDataGrouping && FDataGrouping->IsGroupingWorks(); }
  // A group row (true when DataRow is one and was painted), and the grouping
  // indent of a record row with its width (nothing until grouping works).
  virtual bool DrawGroupDataRow(const TRect& ARect, Integer DataRow, TGridDrawState State);
  virtual Integer DrawGroupIndent(const TRect& ARect, Integer DataRow);
  // Colours of a group row, the current one or one among the selected rows;
  // whether it is highlighted.
  virtual bool GetGroupRowColors(TGroupDataTreeNodeEh* Node, bool IsCurrent, bool IsSelected, TColor& Background,
                                 TColor& TextColor);
  void DrawOutBoundaryArea(const TRect& ARect) override;
  virtual void DrawGroupPanel(const TRect& ARect);
  void DrawGroupPanelBoxes();
  void DrawGroupPanelArrow(Integer Index);
  void InvalidateGroupPanel();
  // Whether the look needs the memory bitmap; once it did, painting stays buffered.
  bool NeedsBufferedPaint();
  bool GetPaintBuffered() const { return FPaintBuffered; }
  bool IsThemedFixed3D();
  // The tree of an in-memory table: whether it is shown, its area in the first
  // column (18 pixels per level of the row being read) and its painters.
  bool TreeShown() const;
  Integer TreeAreaWidth();
  // Whether the editor over a cell of Column covers the cell's tree area and
  // paints it: in the first visible column, unless the detail box follows the
  // tree, when the editor keeps clear of both and the cell shows them.
  bool EditorCoversTreeArea(TColumnEh* Column);
  virtual void DrawTreeElement(TCanvas* Canvas, const TRect& ARect, Integer Kind, bool RightToLeft);
  // Copies a tree element drawn once before in the same look; false where a copy
  // could differ from drawing it (a mirrored or scaled canvas, a pattern brush, a wide pen).
  bool CopyTreeElement(TCanvas* Canvas, const TRect& ARect, Integer Kind, bool DotPhase, bool RightToLeft);
  virtual void DrawTreeLines(TCanvas* Canvas, const TRect& ARect, bool RowLines, bool BandOnly);
  virtual void DrawTreeCellArea(TCanvas* Canvas, const TRect& ARect, bool HasDetailPanel);
  // The border of a flat single-line grid, drawn sunken.
  virtual void PaintNonClientArea();
  // The pressed and open states of the title buttons, as the mouse sets them.
  bool GetTitleButtonDown() const { return FTitleButtonDown; }
  void SetTitleButtonDown(TColumnEh* Column, bool Down);
  TColumnEh* GetTitleFilterListColumn() const { return FTitleFilterListColumn; }
  void SetTitleFilterListColumn(TColumnEh* Column);
  bool GetTitleFilterButtonHot() const { return FTitleFilterButtonHot; }
  void SetTitleFilterButtonHot(bool Value);
  bool GetIndicatorTitleDown() const { return FIndicatorTitleDown; }
  void SetIndicatorTitleDown(bool Value);
  // Sets the text an incremental search has typed so far, as a painting test would.
  void SetIncSearchText(const String& Value) { FIncSearchText = Value; }
  // The data row the indicator last marked as the current record.
  Integer GetIndicatorRow() const { return FIndicatorRow; }
  // The grid's bitmap for semi-transparent buttons, at least Width x Height.
  TBitmap* CellButtonBitmap(Integer Width, Integer Height);

  // -- Events
  TGetRowHeightEventEh OnGetRowHeight;
  TDrawColumnEhAdvCellEvent OnAdvDrawDataCell;
  TCheckRowHaveDetailPanelEventEh OnCheckRowHaveDetailPanel;
  // Before the row detail panel opens or closes; clearing CanShow or CanHide vetoes.
  std::function<void(TCustomDBGridEh* Sender, bool& CanShow)> OnRowDetailPanelShow;
  std::function<void(TCustomDBGridEh* Sender, bool& CanHide)> OnRowDetailPanelHide;
  TDrawColumnEhCellEvent OnDrawColumnCell;
  TDrawDataCellEventEh OnDrawDataCell;
  TDrawFooterCellEventEh OnDrawFooterCell;
  TGetBtnEhParamsEvent OnGetBtnParams;
  TGetFooterParamsEventEh OnGetFooterParams;
  TNotifyEvent OnTopLeftChanged;
  TDBGridEhColumnEvent OnCellClick;
  TCheckTitleEhBtnEvent OnCheckButton;
  TNotifyEvent OnColEnter;
  TNotifyEvent OnColExit;
  TMovedEventEh OnColumnMoved;
  TNotifyEvent OnColWidthsChanged;
  TNotifyEvent OnEditButtonClick;
  TGetCellEhParamsEvent OnGetCellParams;
  TNotifyEvent OnSelectionChanged;
  TNotifyEvent OnSortMarkingChanged;
  TNotifyEvent OnSumListAfterRecalcAll;
  TNotifyEvent OnSumListRecalcAll;
  TNotifyEvent OnActiveGroupingStructChanged;
  TGroupRowTextEventEh OnDataGroupGetRowText;
  TTitleEhBtnClickEvent OnTitleBtnClick;
  TDBGridEhColumnEvent OnTitleClick;
  TNotifyEvent OnApplyFilter;
  std::function<void(TObject* Sender, TPopupMenu*& PopupMenu)> OnBuildIndicatorTitleMenu;
  std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y)>
      OnIndicatorTitleMouseDown;
  TFillSTFilterListValuesEventEh OnFillSTFilterListValues;

  TDBGridEhDataHintShowEventEh OnDataHintShow;
  TDBGridEhHintShowPauseEventEh OnHintShowPause;

protected:
  // A descendant's constructor makes its own column and defaults objects again:
  // the virtual factories run the base versions while the base is constructed.
  void RecreateColumnObjects() {
    FColumns.reset();
    FColumnDefValues = CreateColumnDefValues();
    FColumns = CreateColumns();
  }
  // The same for the scroll-bar settings objects (CreateScrollBar).
  void RecreateScrollBarObjects() {
    FHorzScrollBar = CreateScrollBar(sbHorizontal);
    FVertScrollBar = CreateScrollBar(sbVertical);
  }
  void DefineProperties(TFiler* Filer) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateWnd() override;
  void FlatChanged() override;
  // The layout pass (DBGridEh_Layout.cpp).
  virtual void InternalLayout();
  // A private messages: the deferred layout.
  void WMDeferredLayout(TMessage& Message);
  // Painting messages (DBGridEh_PaintBuffer.cpp).
  void WMPaint(TMessage& Message);
  void WMEraseBkgnd(TMessage& Message);
  void WMNCPaint(TMessage& Message);
  // The base grid's paint, then the focus rectangle of a selected row.
  void Paint() override;
  // Scrolling and sizing messages (DBGridEh_Scroll.cpp).
  void WMVScroll(TMessage& Message);
  void WMHScroll(TMessage& Message);
  void WMSize(TMessage& Message);
  void CreateParams(TCreateParams& Params) override;
  // The message handlers (DBGridEh_Messages.cpp, DBGridEh_Hints.cpp, DBGridEh_Keyboard.cpp).
  void WMChar(TMessage& Message);
  void WMTimer(TMessage& Message);
  void WMSetCursor(TMessage& Message);
  void WMSetFocus(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  void WMGetDlgCode(TMessage& Message);
  void WMCancelMode(TMessage& Message);
  void WMNCCalcSize(TMessage& Message);
  void WMImeStartComposition(TMessage& Message);
  // A child's notice: the editors' text changes.
  void WMCommand(TMessage& Message);
  void CMCancelMode(TMessage& Message);
  void CMMouseLeave(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  void CMParentFontChanged(TMessage& Message);
  void CMParentColorChanged(TMessage& Message);
  void CMSysColorChange(TMessage& Message);
  void CMWantSpecialKey(TMessage& Message);
  void CMHintShow(TMessage& Message);
  void CMHintShowPause(TMessage& Message);
  // A press in a filter cell opens the filter editor there (DBGridEh_FilterEdit.cpp).
  void WMLButtonDown(TMessage& Message);
  // The handlers of the filter editor's keys and list.
  void FilterEditorKeyDown(TInplaceFilterEditEh* Editor, Word& Key, TShiftState Shift);
  void FilterEditorKeyPress(TInplaceFilterEditEh* Editor, Char& Key);
  void FilterEditorDropDown(TInplaceFilterEditEh* Editor);
  void FilterEditorCloseUp(TInplaceFilterEditEh* Editor, bool& Accept);
  void FilterEditorClosedUp(TInplaceFilterEditEh* Editor, bool Accept);
  // Up on the first record (or with Ctrl) opens the filter editor; true when it did.
  bool FilterRowEntryKeyDown(Word& Key, TShiftState Shift);
  // The filter editor takes the focus the grid is given while filter-row editing.
  void FilterEditorTakeFocus(HWND From);
  // An open title filter list hears the grid's keys; true when it took the message.
  bool TitleFilterListTakesKey(TMessage& Message);
  // A column being destroyed: the filter editor or the title list open on it closes,
  // its text going nowhere.
  void FilterColumnGoing(TColumnEh* Column);
  // A value-stepping cell (check box, image list) takes its next value, the
  // previous one with Backward.
  virtual void StepCellValue(TColumnEh* Column, bool Backward);
  // Automatic scrolling while the mouse selects beyond the data area (timer 1).
  virtual void AutoScrollSelection();
  // Presses the control of the cell editor under a client point (an edit button).
  void PressEditorButton(Integer X, Integer Y);
  // Shows the popup menu of the column under a right-button release; true when it did.
  bool ColumnPopupMenu(TMessage& Message);

  friend class TColumnEh;
  friend class TColumnTitleEh;
  friend class TDBGridColumnsEh;
  friend class TGridDataLinkEh;
  friend class TDBGridEhSelection;

private:
  void TitleFontChanged(TObject* Sender);
  void FooterFontChanged(TObject* Sender);
  void SumListChanged(TObject* Sender);
  void SumListRecalcAll(TObject* Sender);
  void SumListAfterRecalcAll(TObject* Sender);
  void ReadColumns(TReader* Reader);
  void WriteColumns(TWriter* Writer);
  bool ColumnsStored(TFiler* Filer) const;
  void ApplyOptions(TDBGridOptions Options, TDBGridEhOptions OptionsEh, bool Force);
  void ApplyColumnResizeRule(TDBGridOptions OldOptions, TDBGridOptions& NewOptions, TDBGridEhOptions OldOptionsEh,
                             TDBGridEhOptions& NewOptionsEh) const;
  void ClearSelection();
  // Layout steps (DBGridEh_Layout.cpp).
  void RebuildDefaultColumns();
  void RebuildVisibleColumns();
  void SetColumnCountAndFixed();
  void CalcDataRowHeightValue();
  void CalcIndicatorWidth();
  void CalcTitleRowHeight();
  void CalcCellButtonSize();
  void UpdateLineColors();
  void LayoutColumns();
  void LayoutRows();
  void UpdateScrollBarsSetting();
  void AutoFitColWidthsPass();
  Integer AutoFitRoom(Integer FixedSum) const;
  void ApplyGridWidthsToColumns();
  void ScaleFooterFont(TColumnFooterEh* Footer, Integer M, Integer D);
  void ShareSizedWidth(Integer Index, Integer OldWidth, Integer NewWidth);
  void ScaleColumns(Integer M, Integer D);
  // The current column, or the first one that can be current.
  Integer CurrentColumnOrFixed() const;
  // Scrolling steps (DBGridEh_Scroll.cpp).
  void UpdateDataLinkRowCount();
  void UpdateTableRowCount();
  void SetTitleRowsOfTable(Integer TitleRows);
  void SetRowCountKeepingCurrent(Integer Count);
  void FetchRecordsOnDemand();
  void ApplyVertScrollBarParams(const TGridScrollBarParamsEh& Params);
  void SetExtScrollBarParams(TScrollBar* Bar, Integer Min, Integer Max, Integer Page, Integer Pos);
  bool VertScrollBarShowingNow();
  void AfterScrollBarUpdate(bool WasShowing);
  void ScrollDataLinkRows(Integer Distance);
  void ScrollTableRows();
  void PostDeferredLayout();
  Integer LastLeftCol() const;
  void VScrollDataLink(Integer Code, Integer TrackPos);
  void VScrollTableRows(Integer Code, Integer TrackPos);
  void ProcessPendingResize();
  void RefreshAfterResize();
  // Keyboard steps (DBGridEh_Keyboard.cpp).
  bool ShortCutKeyDown(Word& Key, TShiftState Shift);
  bool IncSearchKeyDown(Word& Key, TShiftState Shift);
  void NavigationKeyDown(Word& Key, TShiftState Shift);
  void CtrlNavigationKeyDown(Word& Key, TShiftState Shift, bool Sel);
  void PlainNavigationKeyDown(Word& Key, TShiftState Shift, bool Sel);
  void EditingKeyDown(Word& Key, TShiftState Shift);
  void EscapeKeyDown();
  void InsertKeyDown();
  void DeleteRecordsKeyDown();
  void TreeKeyDown(Word Key);
  // Down into the open row detail panel, Ctrl+Down opening it; true when the key was taken.
  bool RowDetailPanelKeyDown(TShiftState Shift);
  void ClearValueKeyDown(Word Key, TShiftState Shift);
  void MoveByRows(Integer Distance);
  bool MoveOneRow(Integer Direction);
  void MarkSelectedRow(bool Back);
  void SelectMoveRect(Integer Direction, bool MaxDirection);
  void SelectMoveRows(bool Select, Integer Direction, bool MaxDirection);
  void AppendAtEnd();
  bool CancelUntouchedInsert(bool AtEndOnly);
  bool IncSearchTakesChar(Char Ch);
  // Mouse steps (DBGridEh_Mouse.cpp, DBGridEh_MouseTrack.cpp).
  bool TakeFocusOnPress();
  void DoubleClickPress(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  bool SizingPress(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  bool IsColumnSelectPoint(Integer X, Integer Y) const;
  void ColumnSelectPress(TShiftState Shift, Integer X, Integer Y);
  bool TitlePress(TMouseButton& Button, TShiftState Shift, Integer X, Integer Y, TGridCoord Cell);
  bool TreeButtonPress(Integer X, Integer Y, TGridCoord Cell, bool CheckOnly);
  // Opens or closes the node of a table row; the current record stays current,
  // or its nearest shown ancestor when the node hid it.
  void SetTreeNodeExpandedKeepingRecord(Integer Row, bool Expanded);
  void DataPress(TMouseButton Button, TShiftState Shift, Integer X, Integer Y, TGridCoord Cell);
  void StartRectSelection(TMouseButton Button, TShiftState Shift, TGridCoord Cell, TGridCoord OldCell,
                          const TBookmark& OldBookmark, bool InSelection);
  void StartRowSelection(TMouseButton Button, TShiftState Shift, Integer RowDistance);
  void TrackTitlePress(Integer X, Integer Y);
  void TrackSelection(TShiftState Shift, Integer X, Integer Y);
  void TrackColumnSelection(Integer X, Integer Y);
  void TrackColumnSizing(Integer X);
  void ReleaseTitle(TShiftState Shift, Integer X, Integer Y, TGridCoord Cell);
  void ReleaseClicks(TMouseButton Button, TShiftState Shift, Integer X, Integer Y, TGridCoord Cell);
  void EndMouseTracking();
  bool IsTrackingSelection() const;
  Integer ColumnLeftEdge(Integer ACol) const;
  bool WheelStep(Integer Direction, TShiftState Shift, TPoint MousePos);
  // Tool-tip steps (DBGridEh_Hints.cpp).
  bool TitleTip(THintInfo& Info, TColumnEh* Column, TRect R, Integer TextRight);
  bool DataTip(THintInfo& Info, TColumnEh* Column, TGridCoord Cell, TPoint At, TRect R, Integer TextRight);
  bool FooterTip(THintInfo& Info, TColumnEh* Column, Integer FooterRow, TRect R, Integer TextRight);
  void PlaceTip(THintInfo& Info, const String& Text, TRect R, Integer TextRight, TAlignment Alignment, bool WordWrap,
                TFont* Font);
  // Column-width steps (DBGridEh_OptimizeWidths.cpp).
  Integer TitleOptimalWidth(TColumnEh* Column);
  Integer DataOptimalWidth(TColumnEh* Column);
  Integer FooterOptimalWidth(TColumnEh* Column);
  Integer MeasureCellText(const String& Text, TFont* Font, TRect R, bool WordWrap);
  // Row heights steps (DBGridEh_ScrollRows.cpp).
  bool StoreRowHeight(Integer ARow, Integer Height);
  void StoreSubTitleRowHeights();
  void ResetRowHeights(Integer Height);
  bool PerRowHeightsVary();

  // State shared by the grid's parts, in the order the grid keeps it.
  Integer FLayoutLock = 0;
  Integer FUpdateLock = 0;
  Integer FIndicatorOffset = 1;
  Integer FIndicatorWidth = 11;
  Integer FDataRowHeight = 0;
  Integer FTitleRowHeight = 0;
  Integer FTitleTextHeight = 0;
  Integer FCellButtonWidth = 0;
  Integer FCellButtonHeight = 0;
  bool FMultiLineRow = false;
  Integer FFrozenCols = 0;
  Integer FFooterRowCount = 0;
  Integer FRowHeight = 0;
  Integer FRowLines = 0;
  Integer FTitleHeight = 0;
  Integer FTitleLines = 0;
  Integer FTitleHeightFull = 0;
  TDBGridEhCenter* FCenter = nullptr;
  TDBGridEhStyle* FStyle = nullptr;
  IMemTableEh* FIntMemTable = nullptr;
  TDataSet* FIntMemTableDataSet = nullptr;  // the dataset whose interface is held
  bool FMemTableSupport = true;
  bool FAcquireFocus = true;
  bool FInnerGrid = false;
  bool FLayoutPending = false;
  bool FLayoutFromDataLink = false;
  bool FSortMarking = false;
  Integer FTextMargin = 4;
  Integer FSelectedColumnIndex = -1;  // the current column remembered
  TGridMouseTrackStateEh FMouseTrackState = gmtsNoneEh;
  String FEditText;
  Variant FEditKeyValue;
  TGridCoord FRowPanelEditedCell{-1, -1};

  TDBGridOptions FOptions = DefaultDBGridOptionsEh;
  TDBGridEhOptions FOptionsEh = DefaultDBGridEhOptionsEh;
  TDBGridEhAllowedOperations FAllowedOperations = AllAllowedOperationsEh;
  TDBGridEhAllowedSelections FAllowedSelections = DefaultAllowedSelectionsEh;
  TDBGridEhEditActions FEditActions;
  TEditButtonsShowOptionsEh FEditButtonsShowOptions;
  bool FAutoFitColWidths = false;
  bool FDrawGraphicData = false;
  bool FDrawMemoText = false;
  TColor FEvenRowColor = clWindow;
  TColor FOddRowColor = clWindow;
  bool FEvenRowColorAssigned = false;
  bool FOddRowColorAssigned = false;
  TColor FFooterColor = clWindow;
  Integer FMinAutoFitWidth = 0;
  bool FReadOnly = false;
  bool FRowSizingAllowed = false;
  bool FSortLocal = false;
  bool FUseMultiTitle = false;
  Integer FVTitleMargin = 10;
  TCustomImageList* FTitleImages = nullptr;
  TChangeLink FTitleImagesChangeLink;  // registered with TitleImages: a change repaints the titles
  Integer FSelfChangingFonts = 0;      // the grid changes its own fonts: ParentFont stays
  Integer FContraColCountSet = 0;
  bool FUpdateFieldsFromWidths = true;  // a user's width change goes to a default column's field
  std::vector<Integer> FReadRowSaved;   // the active records BeginReadRow replaced, innermost last
  TRowHeightsEh FRowHeightsStore;       // the heights of rows 0 .. RowCount-1
  bool FUserRowSizing = false;          // a height came from outside the grid (RowHeightsChanged reads it)
  bool FInColWidthsChanged = false;
  bool FIncSearchActive = false;
  bool FFilterEditing = false;
  bool FFilterEditTextChanged = false;    // the filter cell's text was typed over since the editor opened on it
  Integer FTimerInterval = -1;            // timer 1's interval, -1 while stopped
  TGridScrollBarParamsEh FVertBarParams;  // what the vertical bar was last given
  TScrollBarVisibleModeEh FVertBarMode = sbAutoShowEh;  // the VisibleMode the bar was last shown with
  bool FVertBarSet = false;                             // the vertical bar has been given numbers
  TScrollBar* FVertBarExt = nullptr;                    // the external bar the numbers were last given to
  bool FIgnoreThumbPosition = false;  // a thumb track moved the record: the next thumb position is spent
  bool FFetchingRecords = false;
  bool FResizePending = false;
  bool FTopRowIsFirst = true;  // the first data row was the top row at the last top-left change
  TGridCoord FLastTopLeft{-1, -1};
  TGridScrollBarParamsEh FHorzExtBarParams{-1, -1, -1, -1};
  TBookmark FSavedBookmark;  // SaveBookmark's record and its row offset in the window
  Integer FSavedRowOffset = 0;
  bool FIndicatorTitlePressed = false;
  TInplaceFilterEditEh* FFilterEditor = nullptr;  // owned as a component of the grid
  Integer FFilterRowColumn = -1;
  TPoint FFilterPressPos;                       // the press that opened the editor, screen
  Integer FFilterPressTime = 0;                 // its time; 0 once the editor asked
  Integer FFilterApplyCount = 0;                // ApplyFilterRow runs, to apply once per close-up
  Integer FFilterCloseUpApplyCount = 0;         // the count when the list dropped down
  bool FFilterCloseUpAccepted = false;          // the user accepted the pick the list closes with
  TPopupListboxEh* FTitleFilterList = nullptr;  // owned as a component of the grid
  bool FTitleFilterListVisible = false;
  TGridDataGroupLevelEh* FGroupSortDropDownLevel = nullptr;  // checked against the levels before use

  // -- Input state (DBGridEh_Keyboard.cpp, DBGridEh_Mouse*.cpp)
  TShiftState FDownShift;        // the last press
  TGridCoord FDownCell{-1, -1};  // a value-stepping cell pressed, stepped on release
  TPoint FDownPos;
  Integer FPressedTitleColumn = -1;  // the title held down, grid column and column index
  Integer FPressedTitleDataColumn = -1;
  bool FPressedTitleInside = false;
  bool FTitleButtonDown = false;  // a title, or the data area while tracking, holds the mouse
  bool FCellTracking = false;     // the current cell follows the held mouse
  bool FRightButtonColumnMove = false;
  bool FSelectStartedByMouse = false;
  bool FSelectionDragArmed = false;
  bool FAutoDragPress = false;  // the press being handled came in automatic drag mode
  bool FToggleSelectOnMove = false;
  bool FSelectionAnchorSet = false;  // a Shift-selection run over rows
  TBookmark FSelectionAnchorBookmark;
  bool FSelectionAnchorWasSelected = false;
  TPoint FLastMovePos{-1, -1};
  TPoint FPriorMovePos{-1, -1};
  TShiftState FTrackShift;
  bool FSortMarkingPending = false;  // Ctrl-clicked titles wait for Ctrl's release
  Integer FSizingIndexEh = -1;       // the grid's own live column sizing
  Integer FSizingPosEh = 0;
  Integer FSizingOffsetEh = 0;
  String FIncSearchText;
  Integer FIncSearchTimeOutValue = 0;
  bool FIncSearchTimerRunning = false;
  String FTypedText;
  bool FSwallowEnterChar = false;  // the Enter that ended a search has its character still to come
  std::unique_ptr<TFont> FHintFont;
  bool FOwnBorder = false;  // a flat grid draws its own border (CreateParams)

  std::unique_ptr<TDBGridColumnsEh> FColumns;
  std::unique_ptr<TDBGridEhColumnDefValuesEh> FColumnDefValues;
  std::unique_ptr<TColumnsEhList> FVisibleColumns;
  std::unique_ptr<TColumnsEhList> FSortMarkedColumns;
  std::unique_ptr<TGridDataLinkEh> FDataLink;
  std::unique_ptr<TBookmarkListEh> FBookmarks;
  std::unique_ptr<TDBGridEhSelection> FSelection;
  std::unique_ptr<TFont> FTitleFont;
  std::unique_ptr<TFont> FFooterFont;
  std::unique_ptr<TFont> FInternalFont;
  std::unique_ptr<THeadTreeNode> FHeadTree;
  friend class TRowDetailPanelEh;
  Integer FRowPanelWidth = 0, FRowPanelHeight = 0;
  Integer FRowPanelLineHeight = 0;       // one panel line of a record (the data row height of one line)
  Integer FRowPanelTitleLineHeight = 0;  // one panel line of the titles
  Integer FRowPanelColIndex = -1;        // the current column inside the panel
  Integer FRowPanelLeftOffset = 0;       // the panel's horizontal scroll
  bool FRowPanelVerticalMove = false;    // Up or Down is moving: the column it started from stays remembered
  Integer FRowPanelMoveColumn = -1;      // the column being moved inside the panel
  Integer FRowPanelMoveTarget = -1;      // the index it will take
  Integer FRowPanelMoveLine = 0;         // the panel line it will stand on
  TPoint FRowPanelMoveGrip;              // the press point inside the moved title cell
  void SetRowPanelColumnAttributes();
  void FitRowPanelToClient();
  void RowPanelScrollToColumn(TColumnEh* Column);
  bool RowPanelKeyDown(Word Key, TShiftState Shift, bool Sel);
  // The release of a panel cell's sizing edge (the base grid's sizing state), and
  // a double click on a right edge, which widens the column up to its right neighbour.
  void RowPanelSizingRelease(TGridState State, TShiftState Shift);
  void RowPanelWidenColumn(TColumnEh* Column);
  // A title of the panel dragged by the mouse: the column follows in a drag box and
  // drops on the panel line under the mouse, after the cells left of it.
  void RowPanelStartColumnMove(Integer DataCol, Integer X, Integer Y);
  void RowPanelTrackColumnMove(Integer X, Integer Y);
  void SetRowPanelLeftOffset(Integer Offset);
  // Each tick of the tracking timer tracks the cursor as a mouse move would.
  void RowPanelColumnMoveTimer();
  void RowPanelEndColumnMove(bool Drop);
  void RowPanelTabMove(bool GoForward);
  // The data column under a mouse point on Cell: in the row panel, the cell under it (-1 for none).
  Integer MouseDataColumn(TGridCoord Cell, Integer X, Integer Y) const;
  friend class TGridRowPanelEh;
  std::vector<THeadTreeNode*> FLeafFieldArr;          // one leaf of FHeadTree per column, in column order
  TGroupDataTreeNodeEh* FCurrentGroupNode = nullptr;  // a node of the group tree; compared, never read, once stale
  Integer FCurrentGroupRecIndex = -1;                 // the table's row when the group row became current
  std::vector<TRect> FGroupPanelRects;                // per active level, panel coordinates
  Integer FGroupPanelHeight = 0;
  Integer FGroupPanelPressed = -1;     // the level box pressed, -1 when none
  Integer FGroupPanelDragColumn = -1;  // the data column a title drag carries, -1 when none
  Integer FGroupPanelArrowIndex = -1;  // the insertion place shown on the panel, -1 when none
  Integer FMoveFromRow = -1;
  TBookmark FMoveFromBookmark;
  Integer FMoveFromLevel = -1;
  Integer FMoveToRow = -1;
  Integer FMoveToLevel = -1;
  Integer FMoveLinePixel = 0;
  TPoint FMoveLinePos;
  bool FMoveLineShown = false;
  bool FMoveSelectedRows = false;
  bool RecordMovingPress(TMouseButton Button, TShiftState Shift, Integer X, Integer Y, TGridCoord Cell);
  void ShowRecordMoveLine();
  void RecordMovingTimer();
  void HideRecordMoveLine();
  bool HandleGroupRowKey(Word& Key, TShiftState Shift);
  // Each visible group row takes its node's height (the others are data rows).
  void StoreGroupRowHeights();
  // Before an insert: the keys of the current group path, for the new record.
  void StoreGroupInsertKeyValues();
  bool GroupRowMouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  bool GroupPanelMouseDown(TMouseButton Button, Integer X, Integer Y);
  bool GroupPanelMouseUp(Integer X, Integer Y);
  // A title or level dragged over the panel: the insertion arrow follows the mouse.
  void GroupPanelDragOver(Integer X, Integer Y);
  // The base grid's column move reaching the panel becomes a drag onto it.
  bool ColumnMoveOntoGroupPanel(Integer X, Integer Y);
  void EndGroupPanelDrag();
  std::unique_ptr<TDBGridEhSumList> FSumList;
  std::unique_ptr<TDBGridEhScrollBar> FHorzScrollBar;
  std::unique_ptr<TDBGridEhScrollBar> FVertScrollBar;
  std::unique_ptr<TColCellParamsEh> FColCellParams;
  std::unique_ptr<TSTDBGridEhFilter> FSTFilter;
  std::unique_ptr<TDBGridEhIndicatorTitle> FIndicatorTitle;
  std::unique_ptr<TDBGridEhDataGroupsEh> FDataGrouping;
  std::unique_ptr<TGridRowPanelEh> FRowPanel;
  std::unique_ptr<TRowDetailPanelEh> FRowDetailPanel;
  TRowDetailPanelControlEh* FRowDetailPanelControl = nullptr;  // owned as a component of the grid

  // Painting state (DBGridEh_Paint*.cpp).
  void PaintTitleFilterButton(TColumnEh* Column, const TRect& ButtonRect, const TRect& CellRect, TGridDrawState State,
                              const TDrawTitleParamsEh& Params, Integer PressedOffset);
  void DrawDataCellButtons(TColumnEh* Column, const TRect& CellRect, const TRect& TextRect, TColCellParamsEh* Params,
                           bool Is3D, bool Themed, Integer FlatButtonOffset);
  void ForEachCellEditButton(TColumnEh* Column, Integer Left, Integer Top, Integer Height,
                             const std::function<void(Integer Index, TEditButtonStyleEh Style, const TRect& Rect,
                                                      TEditButtonEh* Button)>& Visit);
  bool EditButtonsShown(TColumnEh* Column, Integer ACol, Integer ARow);
  void HideDuplicateLines(TColumnEh* Column, Integer DataRow, TColCellParamsEh* Params, bool& TopLine,
                          bool& BottomLine);
  // The parameters of a data cell of the row being read, through both OnGetCellParams.
  void FillCellParams(TColumnEh* Column, Integer DataCol, Integer DataRow, TGridDrawState State, const TRect& ARect,
                      TColor Background, TFont* Font, TColCellParamsEh* Params);
  void DrawIncSearchHighlight(TColumnEh* Column, const TRect& ARect, TColCellParamsEh* Params);
  bool PaintDataCellBackground(const TRect& ARect, Integer ARow, TColCellParamsEh* Params, bool Is3D, bool Themed);
  void PaintBuffered(TMessage& Message);
  bool FocusRectAllowed();
  bool FDefaultDrawing = true;
  bool FPaintBuffered = false;
  TColumnEh* FTitleFilterListColumn = nullptr;
  bool FTitleFilterButtonHot = false;
  bool FIndicatorTitleDown = false;
  Integer FHotEditButton = -1;  // the edit button under the mouse in the hot-tracked cell
  Integer FIndicatorRow = -1;
  std::unique_ptr<TColCellParamsEh> FNeighbourParams;  // the neighbour record of HideDuplicates
  std::unique_ptr<TFont> FNeighbourFont;
  std::unique_ptr<TBitmap> FButtonBitmap;  // semi-transparent buttons are painted here first
  std::unique_ptr<TBitmap> FPaintBitmap;   // the memory bitmap a buffered paint goes through
  // Tree elements as drawn once for a look (kind, size, dot phase, pixel parity,
  // colours), with the pen and brush the drawing left: a tree row shows two or three.
  struct TTreeElementImageEh {
    Integer Kind, Width, Height, OddX, OddY;
    bool DotPhase;
    TColor Background, Shadow, Window, Text;
    std::unique_ptr<TBitmap> Bitmap;
    TColor PenColor, BrushColor;
    TPenStyle PenStyle;
    TBrushStyle BrushStyle;
  };
  std::vector<TTreeElementImageEh> FTreeElementImages;
  // Links read by name, bound by Loaded.
  std::vector<std::pair<String, std::function<void(TComponent*)>>> FPendingRefs;
};

// The same grid with its properties published.
class TDBGridEh : public TCustomDBGridEh {
public:
  BORROW_COMPONENT(TDBGridEh, TCustomDBGridEh)
  explicit TDBGridEh(TComponent* AOwner) : TCustomDBGridEh(AOwner) {}

protected:
  void GetPropInfos(std::vector<TPropInfo>& Props) override;
};
