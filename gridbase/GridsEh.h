#pragma once
// The library's base grid: a self-painting control that shows a rectangle of
// cells in columns and rows. Along each axis the lines fall into four bands:
//
//   title (fixed, not frozen) | frozen (fixed, painted as data) | scrolling | contra
//
// The contra lines are kept after the normal ones at the far (right, bottom)
// edge of the client area whatever the scroll position; the data grid's footers
// are contra rows. Around the cells lie four out-of-grid areas (top, left,
// bottom, right) whose sizes the out-of-boundary object keeps.
//
// The grid paints no cell content itself: DrawCell is abstract. What it owns is
// the geometry (the per-axis draw info, hit tests, the extents arrays and their
// streaming), the painting of lines, backgrounds, frames and focus, the in-place
// editor's upkeep, scrolling by cells or pixels, keyboard navigation, mouse
// selecting, sizing and moving of lines, and hot tracking.
//
// Sections of the implementation:
//   GridsEh.cpp          construction, extents arrays, draw info, hit tests, movement, streaming
//   GridsEh_Lines.cpp    line colours, line cache, out-of-grid areas, drawing primitives
//   GridsEh_Paint.cpp    Paint, area by area
//   GridsEh_Inplace.cpp  the in-place editor and the editor upkeep
//   GridsEh_DragWin.cpp  drag box, move marker, sizing line
//   GridsEh_Scroll.cpp   scroll bars, pixel scrolling, keyboard, properties
//   GridsEh_Messages.cpp window creation and the window messages, one handler each
//   GridsEh_Mouse.cpp    mouse selecting, sizing, moving, timer and hot tracking

#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Component.h"
#include "platform/core/Exceptions.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Grids.h"
#include "platform/ui/Messages.h"
#include "platform/ui/ScrollBars.h"
#include "platform/ui/Mask.h"
#include "platform/ui/StdCtrls.h"

class TCustomGridEh;
class TInplaceEdit;

BORROW_EXCEPTION(EInvalidGridOperationEh, Exception)

// Raises EInvalidGridOperationEh with Message.
[[noreturn]] void RaiseInvalidGridOperationEh(const String& Message);

// ---- Shared value types ---------------------------------------------------------------
struct TGridCoord {
  Integer X = 0;
  Integer Y = 0;
  friend constexpr bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

// Column and row indexes, both ends inclusive.
struct TGridRect {
  Integer Left = 0;
  Integer Top = 0;
  Integer Right = 0;
  Integer Bottom = 0;
  friend constexpr bool operator==(const TGridRect&, const TGridRect&) = default;
};

// Bit 15 of the platform's option set: the vertical lines continue through the
// empty space below the last row.
constexpr TGridOption goExtendVertLinesEh = static_cast<TGridOption>(15);

enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed, gdHotTrack, gdCurrent };
using TGridDrawState = TEnumSet<TGridDrawStateItem>;

enum TGridState : Byte { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

enum TCellLineKindEh { clkTop, clkLeft, clkBottom, clkRight };

// Element 0 holds the entry count N, elements 1..N the entries; empty means unassigned
// (every entry has the default).
using TIntegerArray = std::vector<Integer>;

using TGridEhCellMouseEvent = std::function<void(TCustomGridEh* Grid, TGridCoord Cell, TMouseButton Button,
                                                 TShiftState Shift, Integer X, Integer Y)>;
using TMovedEvent = std::function<void(TObject* Sender, Integer FromIndex, Integer ToIndex)>;

// Timed-scroll directions (a set of bits).
constexpr Integer sdLeft = 1;
constexpr Integer sdRight = 2;
constexpr Integer sdUp = 4;
constexpr Integer sdDown = 8;

// The extents-array routines.
void ChangeExtentsEh(TIntegerArray& Extents, Integer Index, Integer Amount, Integer Default);
void ModifyExtentsEh(TIntegerArray& Extents, Integer NewSize, Integer Default);
// Indexes are element indexes (line + 1).
void MoveExtentEh(TIntegerArray& Extents, Integer FromIndex, Integer ToIndex);
bool CompareExtentsEh(const TIntegerArray& E1, const TIntegerArray& E2);

// Always False here: there is no theme engine, so the classic look is drawn.
bool GridThemesEnabledEh();

// ---- Draw info ---------------------------------------------------------------------------
struct TGridAxisDrawInfoEh {
  Integer EffectiveLineWidth = 0;
  Integer FixedBoundary = 0;
  Integer GridBoundary = 0;
  Integer GridExtent = 0;
  Integer LastFullVisibleCell = 0;
  Integer FullVisBoundary = 0;
  Integer FixedCellCount = 0;
  Integer FirstGridCell = 0;
  Integer GridCellCount = 0;
  Integer FrozenBoundary = 0;
  Integer FrozenCount = 0;
  Integer ContraCount = 0;
  Integer ContraBoundary = 0;
  Integer DataEnd = 0;
  Integer ClientExtent = 0;
  Integer FullGridBoundary = 0;
  Integer FullCellCount = 0;
  Integer FirstCellOffset = 0;
  Integer FirstCellStart = 0;
  Integer StartIndent = 0;
  Integer EndIndent = 0;
  // The width (height) function of the axis and the grid it is asked of.
  const TCustomGridEh* Grid = nullptr;
  bool Horizontal = true;
  Integer GetExtent(Integer Index) const;
  // Client position of a line's start; 0 when it lies past DataEnd (not shown).
  Integer LinePos(Integer Index) const;
};

struct TGridDrawInfoEh {
  TGridAxisDrawInfoEh Horz;
  TGridAxisDrawInfoEh Vert;
};

// ---- Line colours ------------------------------------------------------------------------
class TGridLineColorsEh : public TPersistent {
public:
  BORROW_CLASS(TGridLineColorsEh, TPersistent)
  explicit TGridLineColorsEh(TCustomGridEh* AGrid);

  virtual TColor GetDarkColor() const;
  virtual TColor GetBrightColor() const;
  virtual TColor GetCellLineColor(Integer ACol, Integer ARow) const;
  virtual TColor GetVertLineColor(Integer ACol) const;
  virtual TColor GetHorzLineColor(Integer ACol, Integer ARow) const;
  virtual TColor GetFrozenVertLineColor(Integer ACol) const;
  virtual TColor GetFrozenHorzLineColor(Integer ACol, Integer ARow) const;
  // The sixteen per-kind getters, 1-based as the table lists them.
  virtual TColor GetKindColor(Integer Kind) const;

  TCustomGridEh* GetGrid() const { return FGrid; }
  // Colour values 1..18 in field order (1 bright, 2 dark); clDefault means "the default".
  TColor GetColorValue(Integer Index) const { return Index >= 1 && Index <= 18 ? FColors[Index - 1] : clDefault; }
  void SetColorValue(Integer Index, TColor Value);
  // The two values the data grid sets after each layout pass.
  void SetDarkColor(TColor Value) { SetColorValue(2, Value); }
  void SetBrightColor(TColor Value) { SetColorValue(1, Value); }
  // The contra-row lines (kind 11, value 15).
  void SetContraRowLinesColor(TColor Value) { SetColorValue(15, Value); }

protected:
  TCustomGridEh* FGrid;
  TColor FColors[18];
};

// ---- Line cache -----------------------------------------------------------------------------
// One batch of line segments of one colour, two points per segment.
class TGridLinesEh : public TObject {
public:
  BORROW_CLASS(TGridLinesEh, TObject)
  explicit TGridLinesEh(TColor AColor) : Color(AColor) {}
  TColor Color;
  std::vector<TPoint> Points;
};

// The batches, at most one per colour, in the order their colours first appeared;
// Flush draws each with one PolyPolyline.
class TGridLinesCacheEh : public TObject {
public:
  BORROW_CLASS(TGridLinesCacheEh, TObject)
  void Clear() { FItems.clear(); }
  TGridLinesEh* GetLinesForColor(TColor Color);
  void AddLine(TColor Color, TPoint P1, TPoint P2);
  void Flush(TCustomGridEh* Grid, TCanvas* Canvas);
  Integer Count() const { return Integer(FItems.size()); }
  TGridLinesEh* Items(Integer Index) const { return FItems.at(size_t(Index)).get(); }

private:
  std::vector<std::unique_ptr<TGridLinesEh>> FItems;
};

// ---- Out-of-grid areas ------------------------------------------------------------------
class TGridOutBoundaryDataEh : public TPersistent {
public:
  BORROW_CLASS(TGridOutBoundaryDataEh, TPersistent)
  explicit TGridOutBoundaryDataEh(TCustomGridEh* AGrid) : FGrid(AGrid) {}

  Integer GetLeftIndent() const { return FLeftIndent; }
  Integer GetTopIndent() const { return FTopIndent; }
  Integer GetRightIndent() const { return FRightIndent; }
  Integer GetBottomIndent() const { return FBottomIndent; }
  void SetLeftIndent(Integer Value);
  void SetTopIndent(Integer Value);
  void SetRightIndent(Integer Value);
  void SetBottomIndent(Integer Value);
  // Layout flags: whether the top (bottom) area starts right of the left area and
  // ends before the right area.
  bool TopStartsAfterLeft = false;
  bool TopEndsBeforeRight = false;
  bool BottomStartsAfterLeft = false;
  bool BottomEndsBeforeRight = false;

  // Area 0 top, 1 left, 2 bottom, 3 right; False when the area's size is below 1.
  bool GetAreaRect(Integer Area, TRect& Rect) const;
  void InvalidateArea(Integer Area);

private:
  void Changed();
  TCustomGridEh* FGrid;
  Integer FLeftIndent = 0, FTopIndent = 0, FRightIndent = 0, FBottomIndent = 0;
};

// ---- The in-place editor ---------------------------------------------------------------
// The edit control the in-place editor builds on.
using TInplaceEditBase = TCustomMaskEdit;

class TInplaceEdit : public TInplaceEditBase {
public:
  BORROW_COMPONENT(TInplaceEdit, TInplaceEditBase)
  explicit TInplaceEdit(TComponent* AOwner);

  TCustomGridEh* GetGrid() const { return FGrid; }
  void SetGrid(TCustomGridEh* Value) { FGrid = Value; }
  DWORD GetClickTime() const { return FClickTime; }
  void SetClickTime(DWORD Value) { FClickTime = Value; }
  // True while UpdateContents sets the text: those changes are not the user's.
  bool GetUpdatingContents() const { return FUpdatingContents; }

  void Move(const TRect& Loc);
  void UpdateLoc(const TRect& Loc);
  void Hide();
  bool GetVisible();
  void SetFocus() override;
  void Deselect();
  void Invalidate() override;
  // Caret and selection as the key routing reads them.
  bool CaretAtStart() const;
  bool CaretAtEnd() const;
  virtual void UpdateContents();

  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  bool EditCanModify() override;
  virtual void BoundsChanged();
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;

private:
  void InternalMove(const TRect& Loc, bool Redraw);
  TCustomGridEh* FGrid = nullptr;
  DWORD FClickTime = 0;
  bool FUpdatingContents = false;
};

// ---- The base grid -------------------------------------------------------------------------
class TCustomGridEh : public TCustomControl {
public:
  BORROW_COMPONENT(TCustomGridEh, TCustomControl)
  explicit TCustomGridEh(TComponent* AOwner);
  ~TCustomGridEh() override;

  // -- Geometry and hit testing
  void CalcDrawInfo(TGridDrawInfoEh& DrawInfo) const;
  void CalcDrawInfoXY(TGridDrawInfoEh& DrawInfo, Integer UseWidth, Integer UseHeight) const;
  TGridCoord CalcCoordFromPoint(Integer X, Integer Y, const TGridDrawInfoEh& DrawInfo) const;
  TGridCoord MouseCoord(Integer X, Integer Y) const;
  TRect BoxRect(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom) const;
  TRect CellRect(Integer ACol, Integer ARow) const;
  void GridRectToScreenRect(const TGridRect& GridRect, TRect& ScreenRect, bool IncludeLine) const;
  bool Sizing(Integer X, Integer Y);
  Integer GetFullColCount() const { return FColCount + FContraColCount; }
  Integer GetFullRowCount() const { return FRowCount + FContraRowCount; }
  Integer GetGridWidth() const;
  Integer GetGridHeight() const;
  Integer GetVisibleColCount() const;
  Integer GetVisibleRowCount() const;
  TGridRect GetSelection() const;

  // -- Invalidation
  void InvalidateCell(Integer ACol, Integer ARow);
  void InvalidateCol(Integer ACol);
  void InvalidateRow(Integer ARow);
  void InvalidateGrid();
  void InvalidateRect(const TGridRect& ARect);
  // Forgets the editor's cell and loads and places the editor again.
  virtual void InvalidateEditor();

  // -- Editing
  virtual void ShowEditor();
  virtual void HideEditor();
  void ShowEditorChar(Char Ch);
  void HideEdit();
  bool EnsureInplaceEdit();
  bool IsActiveControl();
  TInplaceEdit* GetInplaceEditor() const { return FInplaceEdit.get(); }
  bool GetEditorMode() const { return FEditorMode; }
  void SetEditorMode(bool Value);
  Integer GetInplaceCol() const { return FInplaceCol; }
  Integer GetInplaceRow() const { return FInplaceRow; }

  // -- Movement
  virtual void FocusCell(Integer ACol, Integer ARow, bool MoveAnchor);
  void MoveColRow(Integer ACol, Integer ARow, bool MoveAnchor, bool ShowHorz, bool ShowVert);
  void MoveAnchor(const TGridCoord& NewAnchor, bool Show = true);
  void MoveTopLeft(Integer ALeft, Integer ATop);
  void ClampInView(const TGridCoord& Coord, bool CheckHorz, bool CheckVert);
  void MoveColumn(Integer FromIndex, Integer ToIndex);
  void MoveRow(Integer FromIndex, Integer ToIndex);
  void ChangeSize(Integer NewColCount, Integer NewRowCount);

  // -- Scrolling
  void CalcHorzExtents();
  void CalcVertExtents();
  void UpdateScrollRange();
  void UpdateScrollPos();
  void ScrollByPixels(Integer DX, Integer DY);
  void ModifyScrollBar(Integer ScrollBar, Integer ScrollCode, Integer Pos, bool UseRightToLeft);
  Integer GetHorzPixelPos() const { return FPixelPos[0]; }
  Integer GetVertPixelPos() const { return FPixelPos[1]; }
  Integer GetHorzPixelExtent() const { return FPixelExtent[0]; }
  Integer GetVertPixelExtent() const { return FPixelExtent[1]; }
  Integer GetHorzPixelPage() const { return FPixelPage[0]; }
  Integer GetVertPixelPage() const { return FPixelPage[1]; }
  TPoint GetTopLeftOffset() const { return FTopLeftOffset; }

  // -- Paint lock
  void LockPaint() { ++FPaintLock; }
  void UnlockPaint() {
    if (FPaintLock > 0) --FPaintLock;
  }
  bool IsPaintLocked() const { return FPaintLock > 0; }

  void UpdateDesigner();
  void UpdateColumnMoveTarget(Integer ColumnIndex, Integer X, Integer Y);

  // -- Drawing primitives (the painting here and the data grid's)
  virtual void CanvasPolyPolyline(const std::vector<TPoint>& Points, const std::vector<DWORD>& StrokeCounts,
                                  Integer PointCount);
  void CanvasPolyline(const std::vector<TPoint>& Points, Integer LastIndex);
  void CanvasShadedRect(const TRect& ARect, TColor BaseColor, TColor EndColor);
  void DrawFixedCellFrame(const TRect& ARect, bool LeftSide, bool RightSide, bool State1, bool State2);

  // -- Properties
  Integer GetColCount() const { return FColCount; }
  void SetColCount(Integer Value);
  Integer GetRowCount() const { return FRowCount; }
  void SetRowCount(Integer Value);
  Integer GetFixedCols() const { return FFixedCols; }
  void SetFixedCols(Integer Value);
  Integer GetFixedRows() const { return FFixedRows; }
  void SetFixedRows(Integer Value);
  Integer GetContraColCount() const { return FContraColCount; }
  void SetContraColCount(Integer Value);
  Integer GetContraRowCount() const { return FContraRowCount; }
  void SetContraRowCount(Integer Value);
  Integer GetFrozenColCount() const { return FFrozenColCount; }
  void SetFrozenColCount(Integer Value);
  Integer GetFrozenRowCount() const { return FFrozenRowCount; }
  void SetFrozenRowCount(Integer Value);
  Integer GetColWidths(Integer Index) const;
  void SetColWidths(Integer Index, Integer Value);
  // Virtual so that a grid of very many rows can keep its heights in a store of
  // its own (GetRowsExtent then answers from that store's sums).
  virtual Integer GetRowHeights(Integer Index) const;
  virtual void SetRowHeights(Integer Index, Integer Value);
  bool GetTabStops(Integer Index) const;
  void SetTabStops(Integer Index, bool Value);
  const TIntegerArray& GetColWidthsArray() const { return FColWidths; }
  const TIntegerArray& GetRowHeightsArray() const { return FRowHeights; }
  Integer GetDefaultColWidth() const { return FDefaultColWidth; }
  void SetDefaultColWidth(Integer Value);
  Integer GetDefaultRowHeight() const { return FDefaultRowHeight; }
  void SetDefaultRowHeight(Integer Value);
  bool GetDefaultDrawing() const { return FDefaultDrawing; }
  void SetDefaultDrawing(bool Value);
  Integer GetGridLineWidth() const { return FGridLineWidth; }
  void SetGridLineWidth(Integer Value);
  TGridOptions GetOptions() const { return FOptions; }
  void SetOptions(TGridOptions Value);
  TScrollStyle GetScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  TColor GetFixedColor() const { return FFixedColor; }
  void SetFixedColor(TColor Value);
  bool GetFlat() const { return FFlat; }
  void SetFlat(bool Value);
  TColor GetFlatLineColor() const { return FFlatLineColor; }
  Integer GetCol() const { return FCurrent.X; }
  void SetCol(Integer Value);
  Integer GetRow() const { return FCurrent.Y; }
  void SetRow(Integer Value);
  Integer GetLeftCol() const { return FTopLeft.X; }
  void SetLeftCol(Integer Value);
  Integer GetTopRow() const { return FTopLeft.Y; }
  void SetTopRow(Integer Value);
  TGridCoord GetAnchor() const { return FAnchor; }
  TGridState GetGridState() const { return FGridState; }
  bool GetSaveCellExtents() const { return FSaveCellExtents; }
  void SetSaveCellExtents(bool Value) { FSaveCellExtents = Value; }
  bool GetVirtualView() const { return FVirtualView; }
  void SetVirtualView(bool Value) { FVirtualView = Value; }
  bool GetCanEditModifyFlag() const { return FCanEditModify; }
  TGridCoord GetHotTrackCell() const { return FHotTrackCell; }
  TPoint GetHotTrackOffset() const { return FHotTrackOffset; }
  TGridCoord GetMouseDownCell() const { return FMouseDownCell; }
  Integer GetSizingIndex() const { return FSizingIndex; }
  Integer GetSizingPos() const { return FSizingPos; }
  Integer GetMoveIndex() const { return FMoveIndex; }
  Integer GetMovePos() const { return FMovePos; }
  bool GetMoveRight() const { return FMoveRight; }
  TGridLineColorsEh* GetGridLineColors() const { return FGridLineColors.get(); }
  TGridOutBoundaryDataEh* GetOutBoundaryData() const { return FOutBoundaryData.get(); }
  TGridLinesCacheEh* GetLinesCache() const { return FLinesCache.get(); }

  TGridEhCellMouseEvent OnCellMouseClick;

  void Dispatch(TMessage& Message) override;

  // -- Virtual operations, in slot order
  virtual void HideMoveLine();
  virtual bool BeginColumnDrag(Integer& Origin, Integer& Destination, const TPoint& MousePt);
  virtual bool BeginRowDrag(Integer& Origin, Integer& Destination, const TPoint& MousePt);
  virtual bool CanEditAcceptKey(Char Key);
  virtual bool CanEditModify();
  virtual bool CanEditShow();
  virtual bool CanGridAcceptKey(Word Key, TShiftState Shift);
  virtual TRect CellEditRect(Integer ACol, Integer ARow);
  virtual bool CanCellMouseClick(const TMessage& Message);
  virtual bool CheckColumnDrag(Integer& Origin, Integer& Destination, const TPoint& MousePt);
  virtual bool CheckRowDrag(Integer& Origin, Integer& Destination, const TPoint& MousePt);
  virtual std::unique_ptr<TInplaceEdit> CreateEditor();
  virtual std::unique_ptr<TGridLineColorsEh> CreateGridLineColors();
  virtual bool EndColumnDrag(Integer& Origin, Integer& Destination, const TPoint& MousePt);
  virtual bool EndRowDrag(Integer& Origin, Integer& Destination, const TPoint& MousePt);
  virtual Integer GetEditLimit();
  virtual String GetEditMask(Integer ACol, Integer ARow);
  virtual Integer GetEditStyle(Integer ACol, Integer ARow);
  virtual String GetEditText(Integer ACol, Integer ARow);
  virtual Integer GetHorzScrollStep();
  virtual Integer GetVertScrollStep();
  virtual bool IsSmoothHorzScroll();
  virtual bool IsSmoothVertScroll();
  // A descendant that moves the contents of its scrolling column sideways
  // itself (a panel wider than the column) gives the horizontal pixel extent
  // and position here, for a page of Page pixels, and takes the new position
  // a horizontal pixel scroll asks for; the base grid's own lines stay put.
  virtual bool GetOwnHorzPixels(Integer Page, Integer& Extent, Integer& Pos);
  virtual void SetOwnHorzPixelPos(Integer Pos);
  virtual bool CanCellHotTrack(Integer ACol, Integer ARow);
  virtual bool SelectCell(Integer ACol, Integer ARow);
  virtual void ChangeLineCount(Integer Index, Integer Count, bool IsRow);
  virtual void CalcSizingState(Integer X, Integer Y, TGridState& State, Integer& Index, Integer& SizingPos,
                               Integer& SizingOfs, const TGridDrawInfoEh& FixedInfo);
  virtual void CancelMode();
  virtual void CellMouseClick(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  virtual void GetCellLinesVisibility(Integer ACol, Integer ARow, TCellLineKindEh Border, bool& IsDraw, TColor& Color,
                                      bool& IsExtent);
  virtual void ColumnMoved(Integer FromIndex, Integer ToIndex);
  virtual void ColWidthsChanged();
  virtual void GetSizingLineBounds(const TGridDrawInfoEh& DrawInfo, Integer& StartPos, Integer& EndPos);
  virtual void DeleteColumn(Integer ACol);
  virtual void DeleteRow(Integer ARow);
  virtual void DrawCell(Integer ACol, Integer ARow, const TRect& ARect, TGridDrawState AState) = 0;
  virtual void PaintOutBoundaries();
  virtual void DrawOutBoundaryArea(const TRect& ARect);
  virtual void DrawSizingLine(const TGridDrawInfoEh& DrawInfo);
  virtual void FlatChanged();
  virtual void OutBoundaryDataChanged();
  virtual void RowHeightsChanged();
  virtual void RowMoved(Integer FromIndex, Integer ToIndex);
  virtual void ScrollData(Integer DX, Integer DY);
  virtual void ChangeContraSize(Integer NewContraColCount, Integer NewContraRowCount);
  virtual void SetEditText(Integer ACol, Integer ARow, const String& Value);
  virtual void SizeChanged(Integer OldColCount, Integer OldRowCount);
  virtual void TimedScroll(Integer Direction);
  virtual void TopLeftChanged();
  virtual void UpdateFlatLineColor();
  virtual void UpdateEdit();
  virtual void UpdateText();
  virtual void UpdateHotTrack(Integer X, Integer Y);
  virtual void DefaultCellMouseClick(const TGridCoord& Cell, TMouseButton Button, TShiftState Shift, Integer X,
                                     Integer Y);
  // The pixels rows From..To-1 take, each with its line below it (0 when To <= From).
  // The vertical extents and the distance of a vertical scroll are read from it.
  virtual Int64 GetRowsExtent(Integer From, Integer To) const;

  // Dynamic methods the data grid calls as its inherited step.
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  void DoExit() override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void DefineProperties(TFiler* Filer) override;
  void Loaded() override;

  // Painting steps (GridsEh_Paint.cpp).
  void DrawCells(Integer ACol, Integer ARow, Integer StartX, Integer StartY, Integer StopX, Integer StopY, TColor Color,
                 TGridDrawState IncludeDrawState, const TGridDrawInfoEh& DrawInfo, const TGridRect& Sel,
                 UINT FrameFlags1, UINT FrameFlags2);
  void DrawAreaLines(const TRect& Rect, Integer ACol, Integer ARow, TColor LineColor, TColor BackColor, bool VertSwitch,
                     bool HorzSwitch, const TGridDrawInfoEh& DrawInfo);
  void DrawMove(const TGridDrawInfoEh& DrawInfo);
  // Under right-to-left alignment the grid paints on a mirrored canvas: logical
  // x stands at client width - x, and text and 3D edges keep their own
  // direction. Outside painting the canvas is not mirrored and the client
  // rectangles the grid answers (CellRect, BoxRect) are mirrored instead.
  void ChangeGridOrientation(bool RightToLeftOrientation);
  bool IsCanvasMirrored() const { return FCanvasMirrored; }
  // The mirror of a client pixel column (and of a logical one), client width - 1 - X.
  Integer MirroredX(Integer X) const { return GetClientWidth() - 1 - X; }
  // A client rectangle seen from the other side.
  TRect MirroredRect(const TRect& R) const {
    return TRect(GetClientWidth() - R.Right, R.Top, GetClientWidth() - R.Left, R.Bottom);
  }
  // Intersects the clip with R (logical: mirrored on a mirrored canvas, as
  // clip regions are in device units).
  void SaveClipAndIntersect(const TRect& R, HRGN& Saved, bool& HadClip);
  void RestoreClip(HRGN Saved, bool HadClip);
  // Runs Body clipped to R when Narrow, else as the clip stands.
  void PaintClipped(bool Narrow, const TRect& R, const std::function<void()>& Body);
  // The point/line buffers are sized once per paint.
  std::vector<TPoint> FPaintPoints;
  std::vector<DWORD> FPaintCounts;

  // Grid-state changes used by the data grid.
  void SetGridState(TGridState Value) { FGridState = Value; }
  TGridCoord& CurrentRef() { return FCurrent; }

private:
  friend class TInplaceEdit;
  friend class TGridOutBoundaryDataEh;

  void Initialize();
  void MoveCurrent(Integer ACol, Integer ARow, bool ShowVert, bool ShowHorz, bool MoveAnchorToo);
  void InvalidateSelectionChange(const TGridRect& OldSel);
  void TopLeftMoved(const TGridCoord& OldTopLeft, const TPoint& OldOffset);
  TGridCoord CalcMaxTopLeft(const TGridCoord& Coord, const TGridDrawInfoEh& DrawInfo) const;
  Integer CalcMaxTopLeftOffset(Integer Start, const TGridAxisDrawInfoEh& Axis) const;
  Integer CalcAxisMaxTopLeft(Integer Coord, const TGridAxisDrawInfoEh& Axis) const;
  // Per-axis helpers: Horizontal picks columns, else rows.
  void CalcAxisExtents(bool Horizontal);
  static Integer PixelPage(const TGridAxisDrawInfoEh& Axis);
  Int64 GetLinesExtent(bool Horizontal, Integer From, Integer To) const;
  Integer ClampPixelDelta(bool Horizontal, Integer Delta);
  void SetAxisFixedCount(bool Horizontal, Integer Value);
  void LineExtentChangedForSmoothScroll(bool Horizontal, Integer Index, Integer OldExtent, Integer NewExtent);
  void SetLineExtent(bool Horizontal, Integer Index, Integer Value);
  Integer ScrollAxisDistance(Integer OldFirst, Integer OldOffset, Integer NewFirst, Integer NewOffset,
                             bool Horizontal) const;
  void ScrollAxisByPixels(bool Horizontal, Integer Delta);
  void UpdateAxisScrollRange(bool Horizontal, const TGridDrawInfoEh& DrawInfo);
  // A single column scrolled so far that less than the client width of it is
  // left in view scrolls back to show its end at the right edge; true when it moved.
  bool KeepSingleColumnEndInView();
  // Whether any column the current cell can take is a tab stop.
  bool AnyTabStop() const;
  void PaintContraArea(const TGridDrawInfoEh& DrawInfo, const TGridRect& Sel);
  void DrawAxisLines(bool Horizontal, const TRect& Area, Integer FirstCell, Integer LastCell, TColor LineColor,
                     TColor BackColor, bool Switch, const TGridDrawInfoEh& DrawInfo);
  void DrawContraCells(Integer ACol, Integer ARow, Integer StartX, Integer StartY, Integer StopX, Integer StopY,
                       TColor Color, TGridDrawState IncludeDrawState, const TGridDrawInfoEh& DrawInfo);
  void DrawExtendedVertLines(Integer FromX, Integer ToX, const TGridDrawInfoEh& DrawInfo);
  void DrawSeparator(TColor Color, TPoint P1, TPoint P2);
  void MoveAndScroll(Integer Mouse, Integer CellHit, TGridDrawInfoEh& DrawInfo, bool Horizontal, const TPoint& MousePt);
  void WMTimer();
  // The window messages (GridsEh_Messages.cpp), in Dispatch's order.
  void WMScroll(TMessage& Message);
  void WMSize(TMessage& Message);
  void WMSetFocus(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  void WMGetDlgCode(TMessage& Message);
  void WMChar(TMessage& Message);
  void WMCommand(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  void CMWantSpecialKey(TMessage& Message);
  void CMCtl3DChanged(TMessage& Message);
  void CMShowingChanged(TMessage& Message);
  void WMTimer(TMessage& Message);
  void WMNCHitTest(TMessage& Message);
  void WMSetCursor(TMessage& Message);
  void WMButtonDown(TMessage& Message);
  void WMButtonUp(TMessage& Message);
  void WMCancelMode(TMessage& Message);
  void CMCancelMode(TMessage& Message);
  void CMDesignHitTest(TMessage& Message);
  void CMMouseLeave(TMessage& Message);
  void ReadColWidths(TReader* Reader);
  void ReadRowHeights(TReader* Reader);
  void WriteColWidths(TWriter* Writer);
  void WriteRowHeights(TWriter* Writer);

  // State, in the order the class keeps it.
  TGridCoord FAnchor;
  TBorderStyle FBorderStyle = bsSingle;
  bool FCanEditModify = true;
  Integer FColCount = 5;
  TIntegerArray FColWidths;
  Integer FContraColCount = 0;
  Integer FContraRowCount = 0;
  TGridCoord FCurrent;
  Integer FDefaultColWidth = 64;
  bool FDefaultDrawing = true;
  Integer FDefaultRowHeight = 24;
  bool FEditorMode = false;
  TColor FFixedColor = clBtnFace;
  Integer FFixedCols = 1;
  Integer FFixedRows = 1;
  bool FFlat = false;
  Integer FFrozenColCount = 0;
  Integer FFrozenRowCount = 0;
  std::unique_ptr<TGridLineColorsEh> FGridLineColors;
  Integer FGridLineWidth = 1;
  Integer FInplaceCol = -1;
  Integer FInplaceRow = -1;
  std::unique_ptr<TInplaceEdit> FInplaceEdit;
  TGridOptions FOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
  Integer FRowCount = 5;
  TIntegerArray FRowHeights;
  TScrollStyle FScrollBars = ssBoth;
  TIntegerArray FTabStops;
  TGridCoord FTopLeft;
  std::unique_ptr<TGridOutBoundaryDataEh> FOutBoundaryData;
  TGridOptions FDesignOptionsBoost{goRowSizing, goColSizing, goColMoving};
  TPoint FTopLeftOffset;
  // Pixel scroll model per axis (0 horizontal, 1 vertical).
  Integer FPixelPage[2] = {0, 0};
  Integer FPixelExtent[2] = {0, 0};
  Integer FPixelPos[2] = {0, 0};
  TColor FFlatLineColor = 0;
  TGridState FGridState = gsNormal;
  Integer FPaintLock = 0;
  TGridCoord FMouseDownCell{-1, -1};
  bool FSaveCellExtents = true;
  bool FVirtualView = false;
  Integer FSizingIndex = 0, FSizingPos = 0, FSizingOfs = 0;
  bool FCanvasMirrored = false;
  TGridCoord FHotTrackCell{-1, -1};
  TPoint FHotTrackOffset{-1, -1};
  std::unique_ptr<TGridLinesCacheEh> FLinesCache;
  Integer FMoveIndex = 0, FMovePos = 0;
  bool FMoveRight = false;
  TPoint FLastHitTestPoint;
};

// ---- Drag windows ---------------------------------------------------------------------------
class TGridDragWinEh : public TWinControl {
public:
  BORROW_COMPONENT(TGridDragWinEh, TWinControl)
  explicit TGridDragWinEh(TComponent* AOwner);
  ~TGridDragWinEh() override;

  Byte GetAlphaBlendValue() const { return FAlphaBlendValue; }
  void SetAlphaBlendValue(Byte Value);
  TColor GetTransparentColorValue() const { return FTransparentColorValue; }
  void SetTransparentColorValue(TColor Value);

  virtual void MoveToFor(TCustomGridEh* Grid, TPoint Pos);
  virtual void MoveResizeFor(TCustomGridEh* Grid, TPoint Pos, Integer AWidth, Integer AHeight);
  virtual void StartShowFor(TCustomGridEh* Grid, TPoint Pos, Integer AWidth, Integer AHeight);
  virtual void StartShowForHeight(TCustomGridEh* Grid, TPoint Pos, Integer AHeight);
  bool GetVisible();
  void Hide();

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWindowHandle(const TCreateParams& Params) override;
  void PaintWindow(HDC DC) override;
  void ApplyLayeredAttributes();
  Byte FAlphaBlendValue = 200;
  TColor FTransparentColorValue = 0;
};

class TGridDragBoxEh : public TGridDragWinEh {
public:
  BORROW_COMPONENT(TGridDragBoxEh, TGridDragWinEh)
  using TGridDragWinEh::TGridDragWinEh;
};

// The red double-arrow marker of a moved line's drop position. Its shapes are
// painted directly, with the 7-pixel geometry of the fourteen shapes of the
// original layout; white pixels are keyed out.
class TGridMoveLineEh : public TGridDragWinEh {
public:
  BORROW_COMPONENT(TGridMoveLineEh, TGridDragWinEh)
  explicit TGridMoveLineEh(TComponent* AOwner);
  void MoveToFor(TCustomGridEh* Grid, TPoint Pos) override;
  void StartShowMoveLineFor(TCustomGridEh* Grid, TPoint Pos, Integer ASize, bool IsVertical);
  bool GetIsVertical() const { return FIsVertical; }
  void SetIsVertical(bool Value);

protected:
  void PaintWindow(HDC DC) override;

private:
  bool FIsVertical = true;
};

// The shared instances, made on first use and kept for the run.
TGridDragBoxEh* GridDragBoxEh();
TGridMoveLineEh* GridMoveLineEh();
