// Columns sized to their content: a column becomes as wide as its widest title,
// data cell or footer, measured with the fonts, margins, images and cell
// parameter events that painting uses. A double click on a title's edge does it
// for one column (with dghDblClickOptimizeColWidth); OptimizeSelectedColsWidth
// for the selected columns as well.
//
// The data cells are measured over every record, from the first on, with the
// dataset's controls disabled; the current record and its place in the window
// are restored afterwards.

#include <algorithm>

#include "editors/ToolCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/ScopeGuardEh.h"

void TCustomDBGridEh::OptimizeSelectedColsWidth(TColumnEh* Column) {
  TColumnsEhList List;
  if (FSelection->GetSelectionType() == gstColumns) {
    for (Integer I = 0; I < FSelection->GetColumns()->Count(); ++I) List.Add(FSelection->GetColumns()->Items(I));
  } else if (FSelection->GetSelectionType() == gstAll) {
    for (Integer I = 0; I < FColumns->GetCount(); ++I) List.Add(FColumns->Items(I));
  }
  if (Column && List.IndexOf(Column) < 0) List.Add(Column);
  OptimizeColsWidth(&List);
}

void TCustomDBGridEh::OptimizeColsWidth(TColumnsEhList* Columns) {
  const Integer Count = Columns->Count();
  std::vector<Integer> Widths(size_t(Count), 0);
  for (Integer I = 0; I < Count; ++I) Widths[size_t(I)] = TitleOptimalWidth(Columns->Items(I));
  if (FDataLink->GetActive()) {
    TDataSet* DataSet = FDataLink->GetDataSet();
    DataSet->DisableControls();
    TScopeExitEh Enable([DataSet] { DataSet->EnableControls(); });
    SaveBookmark();
    TScopeExitEh Restore([this] { RestoreBookmark(); });
    DataSet->First();
    Integer RecNo = DataSet->GetRecNo();
    const Integer RecordCount = DataSet->GetRecordCount();
    const bool Sequenced = DataSet->IsSequenced();
    while (!DataSet->GetEof()) {
      for (Integer I = 0; I < Count; ++I)
        Widths[size_t(I)] = std::max(Widths[size_t(I)], DataOptimalWidth(Columns->Items(I)));
      if (Sequenced && RecNo++ >= RecordCount) break;
      DataSet->Next();
    }
  }
  const bool Bracket = !FAutoFitColWidths;
  if (Bracket) BeginLayout();
  TScopeExitEh End([&] {
    if (Bracket) EndLayout();
  });
  for (Integer I = 0; I < Count; ++I)
    Columns->Items(I)->SetWidth(std::max(Widths[size_t(I)], FooterOptimalWidth(Columns->Items(I))));
}

// The width the text needs in Font, wrapped within R when asked.
Integer TCustomDBGridEh::MeasureCellText(const String& Text, TFont* Font, TRect R, bool WordWrap) {
  TCanvas* Canvas = GetCanvas();
  TFontDataEh Saved;
  SaveFontDataEh(Canvas->GetFont(), Saved);
  Canvas->GetFont()->Assign(Font);
  Integer Width = 0, Height = 0;
  MeasureTextEh(0, Canvas, 0, 0, Text, R, WordWrap, Width, Height);
  RestoreFontDataEh(Saved, Canvas->GetFont());
  return Width;
}

// Margins, the sort marker, then the title image or the caption.
Integer TCustomDBGridEh::TitleOptimalWidth(TColumnEh* Column) {
  TColumnTitleEh* Title = Column->GetTitle();
  Integer Margin = 4;
  if (const Integer Mark = Title->GetSortMarkerWidth(); Mark > 2) Margin += Mark - 2;
  if (FTitleImages && Title->GetImageIndex() != -1) return Margin + FTitleImages->GetWidth();
  TRect R(0, 0, Column->GetWidth() - Margin, std::max(FTitleRowHeight, 1));
  const bool Vertical = Title->GetOrientation() == tohVertical;
  const bool WordWrap = !Vertical && (MultiTitleActive() || FTitleHeight > 0 || FTitleLines > 0);
  TCanvas* Canvas = GetCanvas();
  TFontDataEh Saved;
  SaveFontDataEh(Canvas->GetFont(), Saved);
  Canvas->GetFont()->Assign(Title->GetFont());
  if (Vertical) RotateRectEh(R);
  Integer Width = 0, Height = 0;
  MeasureTextEh(0, Canvas, 0, 0, Title->GetCaption(), R, WordWrap, Width, Height);
  RestoreFontDataEh(Saved, Canvas->GetFont());
  return Vertical ? Margin + Height : Width + Margin;
}

// The current record's cell: images and check boxes by their size, text as the
// cell-parameter events leave it, with the tree indent in the first column.
Integer TCustomDBGridEh::DataOptimalWidth(TColumnEh* Column) {
  Integer Margin = 4;
  if (Column->GetAlwaysShowEditButton()) Margin += Column->EditButtonsWidth();
  if (FIntMemTable && FIntMemTable->IsTreeList() && FVisibleColumns->IndexOf(Column) == 0)
    Margin += GridTreeIndentEh * std::max(0, FIntMemTable->GetTreeNodeLevel());
  TCustomImageList* Images = Column->GetImageList();
  if (Column->GetShowImageAndText() && Images) Margin += Images->GetWidth() + 4;
  const TColumnKindEh Kind = Column->GetColumnKind();
  if (Kind == ckImageList && !Column->GetShowImageAndText()) return Margin + (Images ? Images->GetWidth() : 0);
  if (Kind == ckCheckBox) return Margin + GetCheckBoxSizeEh().cx;
  FInternalFont->Assign(Column->GetFont());
  TColCellParamsEh* Params = FColCellParams.get();
  Column->FillColCellParams(Params);
  Params->SetFont(FInternalFont.get());
  Params->SetCol(DataToRawColumn(Column->GetIndex()));
  Params->SetRow(GetRow());
  TColor Background = Params->GetBackground();
  if (OnGetCellParams) OnGetCellParams(this, Column, Params->GetFont(), Background, TGridDrawState());
  Params->SetBackground(Background);
  Column->GetColCellParams(false, Params);
  const bool WordWrap = Column->GetWordWrap() && Column->CanWrapInHeight(FDataRowHeight);
  const TRect R(0, 0, Column->GetWidth(), std::max(FDataRowHeight, 1));
  return MeasureCellText(Params->GetText(), Params->GetFont(), R, WordWrap) + Margin;
}

// The widest footer of the column, in the footer's look as the cell shows it.
Integer TCustomDBGridEh::FooterOptimalWidth(TColumnEh* Column) {
  Integer Width = 0;
  for (Integer Row = 0; Row < FFooterRowCount; ++Row) {
    TColumnFooterEh* Footer = Column->GetFooterForRow(Row);
    String Text;
    GetFooterValue(Row, Column, Text);
    FInternalFont->Assign(Footer->GetFont());
    TColor Background = Footer->GetColor();
    TAlignment Alignment = Footer->GetAlignment();
    GetFooterParams(Column->GetIndex(), Row, Column, FInternalFont.get(), Background, Alignment, TGridDrawState(),
                    Text);
    const TRect R(0, 0, Column->GetWidth(), std::max(FDataRowHeight, 1));
    Width = std::max(Width, MeasureCellText(Text, FInternalFont.get(), R, Footer->GetWordWrap()) + 5);
  }
  return Width;
}
