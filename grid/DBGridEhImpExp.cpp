// The base exporter and importer (which records and which columns, footers
// over the exported rows), running them over streams and files, and the
// grid's clipboard commands.
//
// Index of this file:
//   unit values        the CSV separator and the clipboard formats
//   exporter           buffering, cell parameters, footers, ExportToStream, ExportToFile
//   importer           ImportFromStream, the insert loop, guarded field writes,
//                      taking back the changes of an import that stops
//   running            RunGridExport, RunGridImport, files
//   clipboard          copy, paste, cut, delete

#include "grid/DBGridEhImpExp.h"

#include <cmath>

#include "editors/DaVirVCL.h"
#include "grid/ScopeGuardEh.h"
#include "gridbase/DaVirConsts.h"
#include "platform/core/CodePage.h"
#include "platform/core/Files.h"
#include "platform/core/Format.h"
#include "platform/core/VariantText.h"
#include "platform/data/DBTypes.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/Forms.h"

char CsvSeparator = ';';

UINT CF_VCLDBIF() { return RegisterClipboardFormat(u"VCLDBIF"); }
UINT CF_CSV() { return RegisterClipboardFormat(u"Csv"); }
UINT CF_RTF() { return RegisterClipboardFormat(u"Rich Text Format"); }

void RegisterDBGridEhClipboardFormats() {
  CF_VCLDBIF();
  CF_CSV();
  CF_RTF();
}

namespace {

TDataSet* GridDataSet(TCustomDBGridEh* Grid) {
  TDataSource* Source = Grid ? Grid->GetDataSource() : nullptr;
  return Source ? Source->GetDataSet() : nullptr;
}

// The dataset's controls stay disabled for the scope.
class TControlsDisabled {
public:
  explicit TControlsDisabled(TDataSet* DataSet) : FDataSet(DataSet) {
    if (FDataSet) FDataSet->DisableControls();
  }
  ~TControlsDisabled() {
    if (FDataSet) FDataSet->EnableControls();
  }
  TControlsDisabled(const TControlsDisabled&) = delete;
  TControlsDisabled& operator=(const TControlsDisabled&) = delete;

private:
  TDataSet* FDataSet;
};

// The visible columns from Left to Right (indexes into the visible list).
std::unique_ptr<TColumnsEhList> VisibleColumnsBetween(TCustomDBGridEh* Grid, Integer Left, Integer Right) {
  auto List = std::make_unique<TColumnsEhList>();
  TColumnsEhList* Visible = Grid->GetVisibleColumns();
  for (Integer I = std::max(Left, 0); I <= Right && I < Visible->Count(); ++I)
    if (Visible->GetColumn(I)->GetVisible()) List->Add(Visible->GetColumn(I));
  return List;
}

// A stream that keeps what is written as the pieces it came in (the exporter
// writes 64 KB at a time), for a file written whole once the export is done.
class TPiecesStreamEh : public TStream {
public:
  Integer Read(void*, Integer) override { return 0; }
  Integer Write(const void* Buffer, Integer Count) override {
    if (Count <= 0) return 0;
    FPieces.emplace_back(static_cast<const char*>(Buffer), size_t(Count));
    FSize += Count;
    return Count;
  }
  // Only where it stands: at its end.
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override {
    if ((Origin == soFromBeginning ? Offset : FSize + Offset) != FSize)
      throw EStreamError(u"The export stream cannot seek.");
    return FSize;
  }
  std::vector<std::string_view> Views() const { return {FPieces.begin(), FPieces.end()}; }

private:
  std::vector<std::string> FPieces;
  Int64 FSize = 0;
};

// Whether a field holds exactly the value it held before: no write is needed
// to put it back.
bool SameValue(const Variant& A, const Variant& B) {
  if (VarIsNullOrEmpty(A) || VarIsNullOrEmpty(B)) return VarIsNullOrEmpty(A) && VarIsNullOrEmpty(B);
  if (A.IsArray() || B.IsArray()) {
    if (!A.IsArray() || !B.IsArray() || VarArrayLowBound(A) != VarArrayLowBound(B) ||
        VarArrayHighBound(A) != VarArrayHighBound(B))
      return false;
    for (Integer I = VarArrayLowBound(A); I <= VarArrayHighBound(A); ++I)
      if (!SameValue(VarArrayGet(A, I), VarArrayGet(B, I))) return false;
    return true;
  }
  const String* TextA = VarStrRef(A);
  const String* TextB = VarStrRef(B);
  if (TextA || TextB) return TextA && TextB && *TextA == *TextB;
  return A.VarType() == B.VarType() && VarSameValue(A, B);
}

// Whether a sum footer adds the field's values: numbers and dates do; a text
// or a blob adds nothing, as the grid's own sums.
bool SumsNumbers(const TField* Field) {
  const TFieldFamily Family = FieldTypeInfo(Field->GetDataType()).Family;
  return Family == ffInteger || Family == ffFloat || Family == ffDateTime;
}

// Whether the dataset is a detail of a master whose dataset holds records.
bool HasNonEmptyMaster(TDataSet* DataSet) {
  TDataSource* Master = DataSet->GetDataSource();
  return Master && Master->GetDataSet() && Master->GetDataSet()->GetActive() && !Master->GetDataSet()->IsEmpty();
}

}  // namespace

// ---- Exporter ----------------------------------------------------------------------------------------

TDBGridEhExport::TDBGridEhExport()
    : FColCellParams(std::make_unique<TColCellParamsEh>()), FBuffer(std::make_unique<char[]>(BufferSize)) {}
TDBGridEhExport::~TDBGridEhExport() = default;

TDataSet* TDBGridEhExport::DataSet() const { return GridDataSet(FDBGridEh); }

void TDBGridEhExport::WriteBytesPastBuffer(const void* Data, size_t Size) {
  if (Size <= BufferSize) {
    FlushBuffer();
    std::memcpy(FBuffer.get() + FBufferUsed, Data, Size);
    FBufferUsed += Size;
    return;
  }
  // More than the buffer holds goes straight on.
  FlushBuffer();
  if (FStream) FStream->WriteBuffer(Data, Integer(Size));
}

void TDBGridEhExport::WriteAnsi(const String& Text) {
  // Plain ASCII, the usual case, needs no conversion.
  bool Ascii = true;
  for (Char C : Text)
    if (C >= 0x80) {
      Ascii = false;
      break;
    }
  if (Ascii && Text.size() <= BufferSize) {
    if (Text.size() > BufferRoom()) FlushBuffer();
    char* Out = FBuffer.get() + FBufferUsed;
    for (size_t I = 0; I < Text.size(); ++I) Out[I] = char(Text[I]);
    FBufferUsed += Text.size();
    return;
  }
  WriteAnsiBytes(StringToAnsi(Text));
}

void TDBGridEhExport::FlushBuffer() {
  const size_t Pending = FBufferUsed;
  FBufferUsed = 0;
  if (Pending > 0 && FStream) FStream->WriteBuffer(FBuffer.get(), Integer(Pending));
}

bool TDBGridEhExport::StoredValuesReadable() const {
  const auto* Table = dynamic_cast<const TCustomMemTableEh*>(DataSet());
  return Table && Table->GetState() == dsBrowse && !Table->OnGetFieldValue;
}

Integer TDBGridEhExport::StoredColumnOf(const TField* Field) {
  return Field->GetFieldKind() == fkData && Field->GetFieldNo() > 0 ? Field->GetFieldNo() - 1 : -1;
}

const TRecValueEh* TDBGridEhExport::StoredValueAt(Integer Column) const {
  return FStoredRecord && Column >= 0 ? FStoredRecord->StoredValue(Column) : nullptr;
}

void TDBGridEhExport::WriteRecord(TColumnsEhList* ColumnsList) {
  TColCellParamsEh* Params = FColCellParams.get();
  const bool GridEvent = bool(FDBGridEh->OnGetCellParams);
  const bool ParamsUnread = !GridEvent && !NeedsCellText() && !NeedsCellLooks();
  for (Integer I = 0; I < ColumnsList->Count(); ++I) {
    TColumnEh* Column = ColumnsList->GetColumn(I);
    // The events may read everything; without them each writer gets what it writes.
    const bool ColumnEvent = Column->HasOnGetCellParams();
    if (ParamsUnread && !ColumnEvent) {
      WriteDataCell(Column, Params);
      continue;
    }
    const bool Events = ColumnEvent || GridEvent;
    Params->SetCol(-1);
    Params->SetRow(-1);
    Params->SetState(TGridDrawState());
    Params->SetFont(&FScratchFont);
    TColor Background = clWindow;
    if (Events || NeedsCellLooks()) {
      FScratchFont.Assign(Column->GetFont());
      Background = Column->GetColor();
      Params->SetAlignment(Column->GetAlignment());
    }
    Params->SetBackground(Background);
    Params->SetImageIndex(ColumnEvent ? Column->GetImageIndex() : -1);
    Params->SetCheckboxState(ColumnEvent ? Column->GetCheckboxState() : 0);
    Params->SetText(ColumnEvent || NeedsCellText() ? Column->GetDisplayText() : String());
    if (FDBGridEh->OnGetCellParams) FDBGridEh->OnGetCellParams(FDBGridEh, Column, &FScratchFont, Background, {});
    Params->SetBackground(Background);
    if (ColumnEvent) Column->GetColCellParams(false, Params);
    // The column's event may change anything but the background.
    Params->SetBackground(Background);
    WriteDataCell(Column, Params);
  }
}

void TDBGridEhExport::WriteFooter(TColumnsEhList* ColumnsList, Integer FooterNo) {
  TFont ScratchFont;
  for (Integer C = 0; C < ColumnsList->Count(); ++C) {
    TColumnEh* Column = ColumnsList->GetColumn(C);
    TColumnFooterEh* Footer = Column->GetFooterForRow(FooterNo);
    ScratchFont.Assign(Footer->GetFont());
    TColor Background = Footer->GetColor();
    TAlignment Alignment = Footer->GetAlignment();
    String Text;
    if (Footer->GetValueType() == fvtSum || Footer->GetValueType() == fvtCount)
      Text = FooterValueText(ColumnsList, FooterNo, C);
    else FDBGridEh->GetFooterValue(FooterNo, Column, Text);
    FDBGridEh->GetFooterParams(Column->GetIndex(), FooterNo, Column, &ScratchFont, Background, Alignment, {}, Text);
    WriteFooterCell(C, FooterNo, Column, &ScratchFont, Background, Alignment, Text);
  }
}

void TDBGridEhExport::SizeFooterValues() {
  const Integer Rows = std::max(FDBGridEh->GetFooterRowCount(), 0);
  FFooterValues.assign(size_t(Rows) * size_t(FExpCols->Count()), 0);
}

TField* TDBGridEhExport::FooterField(TColumnEh* Column, TColumnFooterEh* Footer) const {
  TDataSet* DS = DataSet();
  if (!DS) return nullptr;
  return DS->FindField(Footer->GetFieldName().empty() ? Column->GetFieldName() : Footer->GetFieldName());
}

void TDBGridEhExport::CalcFooterValues() {
  if (FFooterValues.empty()) return;  // no footer rows: nothing to add up, row after row
  const Integer Cols = FExpCols->Count();
  for (Integer R = 0; R < FDBGridEh->GetFooterRowCount(); ++R)
    for (Integer C = 0; C < Cols; ++C) {
      TColumnEh* Column = FExpCols->GetColumn(C);
      TColumnFooterEh* Footer = Column->GetFooterForRow(R);
      const TFooterValueType Kind = Footer->GetValueType();
      if (Kind != fvtSum && Kind != fvtCount) continue;
      TField* Field = FooterField(Column, Footer);
      if (!Field) continue;
      Int64& Entry = FFooterValues[size_t(R) * size_t(Cols) + size_t(C)];
      if (Kind == fvtCount) Entry += Currency::Scale;
      else if (SumsNumbers(Field) && !Field->GetIsNull())
        Entry += Int64(std::llround(Field->GetAsFloat() * double(Currency::Scale)));
    }
}

String TDBGridEhExport::FooterValueText(TColumnsEhList* ColumnsList, Integer FooterNo, Integer ColIndex) {
  TColumnEh* Column = ColumnsList->GetColumn(ColIndex);
  TColumnFooterEh* Footer = Column->GetFooterForRow(FooterNo);
  const size_t Index = size_t(FooterNo) * size_t(ColumnsList->Count()) + size_t(ColIndex);
  const Int64 Entry = Index < FFooterValues.size() ? FFooterValues[Index] : 0;
  if (Footer->GetValueType() == fvtCount) return FloatToStr(double(Entry) / double(Currency::Scale));
  TField* Field = FooterField(Column, Footer);
  if (!Field) return String();
  const Currency V = Currency::FromRaw(Entry);
  const double Value = double(Entry) / double(Currency::Scale);
  auto* Numeric = dynamic_cast<TNumericField*>(Field);
  const String Format = Numeric ? Numeric->GetDisplayFormat() : String();
  switch (Field->GetDataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: return Format.empty() ? IntToStr(Int64(std::nearbyint(Value))) : FormatFloat(Format, Value);
    case ftFloat:
    case ftCurrency: {
      if (!Format.empty()) return FormatFloat(Format, Value);
      auto* Float = dynamic_cast<TFloatField*>(Field);
      const bool IsCurrency = Float && Float->GetCurrency();
      return FloatToStrF(Value, IsCurrency ? ffCurrency : ffGeneral, Float ? Float->GetPrecision() : 15,
                         IsCurrency ? FormatSettings.CurrencyDecimals : 0);
    }
    case ftBCD:
    case ftFMTBcd: {
      if (!Format.empty()) return FormatCurr(Format, V);
      bool IsCurrency = false;
      if (auto* Bcd = dynamic_cast<TBCDField*>(Field)) IsCurrency = Bcd->GetCurrency();
      if (auto* Fmt = dynamic_cast<TFMTBCDField*>(Field)) IsCurrency = Fmt->GetCurrency();
      return CurrToStrF(V, IsCurrency ? ffCurrency : ffGeneral, IsCurrency ? FormatSettings.CurrencyDecimals : 0);
    }
    default: return String();
  }
}

void TDBGridEhExport::ExportRecords(TDBGridEhSelectionType Kind) {
  TDataSet* DS = DataSet();
  TDBGridEhSelection* Selection = FDBGridEh->GetSelection();
  const bool Titles = FDBGridEh->GetOptions().Contains(dgTitles);
  auto Begin = [&] {
    SizeFooterValues();
    WritePrefix();
    if (Titles) WriteTitle(FExpCols);
  };
  auto Footers = [&] {
    for (Integer R = 0; R < FDBGridEh->GetFooterRowCount(); ++R) WriteFooter(FExpCols, R);
  };
  auto AllRecords = [&] {
    Begin();
    IMemTableEh* Table = FDBGridEh->GetMemTableIntf();
    if (Table && DS->GetState() == dsBrowse) {
      // The grid's rows are the table's: each is read where it lies, without moving the cursor.
      const bool InPlace = StoredValuesReadable();
      const Integer Count = Table->InstantReadRowCount();
      for (Integer Row = 0; Row < Count; ++Row) {
        Table->InstantReadEnter(Row);
        TScopeExitEh Leave([this, Table] {
          FStoredRecord = nullptr;
          Table->InstantReadLeave();
        });
        if (InPlace) FStoredRecord = Table->GetCurrentRecord();
        WriteRecord(FExpCols);
        CalcFooterValues();
      }
    } else {
      DS->First();
      while (!DS->Eof()) {
        WriteRecord(FExpCols);
        CalcFooterValues();
        DS->Next();
      }
    }
    Footers();
  };
  switch (Kind) {
    case gstRecordBookmarks: {
      FExpCols = FDBGridEh->GetVisibleColumns();
      Begin();
      TBookmarkListEh* Rows = Selection->GetRows();
      for (Integer I = 0; I < Rows->GetCount(); ++I) {
        DS->GotoBookmark(Rows->GetItem(I));
        CalcFooterValues();
        WriteRecord(FExpCols);
      }
      Footers();
      break;
    }
    case gstRectangle: {
      TDBGridEhSelectionRect* Rect = Selection->GetRect();
      auto List = VisibleColumnsBetween(FDBGridEh, Rect->GetLeftCol(), Rect->GetRightCol());
      FExpCols = List.get();
      Begin();
      const TBookmark Bottom = Rect->GetBottomRow();
      DS->GotoBookmark(Rect->GetTopRow());
      while (!DS->Eof()) {
        WriteRecord(FExpCols);
        CalcFooterValues();
        if (DS->CompareBookmarks(DS->GetBookmark(), Bottom) == 0) break;
        DS->Next();
      }
      Footers();
      FExpCols = nullptr;
      break;
    }
    case gstColumns:
      FExpCols = Selection->GetColumns();
      AllRecords();
      break;
    case gstAll:
      FExpCols = FDBGridEh->GetVisibleColumns();
      AllRecords();
      break;
    case gstNon: break;
  }
}

void TDBGridEhExport::ExportToStream(TStream* Stream, bool IsExportAll) {
  FStream = Stream;
  FBufferUsed = 0;
  TDataSet* DS = DataSet();
  if (!FDBGridEh || !DS) return;
  const TDBGridEhSelectionType Kind = IsExportAll ? gstAll : FDBGridEh->GetSelection()->GetSelectionType();
  bool Completed = false;
  {
    TControlsDisabled Disabled(DS);
    FDBGridEh->SaveBookmark();
    TScopeExitEh Restore([this] { FDBGridEh->RestoreBookmark(); });
    if (Kind == gstNon) {
      // The current cell alone; a detail of a master with records exports nothing.
      if (!HasNonEmptyMaster(DS)) {
        TColumnsEhList Current;
        if (TColumnEh* Column = FDBGridEh->GetCurrentColumn()) Current.Add(Column);
        FExpCols = &Current;
        SizeFooterValues();
        WritePrefix();
        WriteRecord(FExpCols);
        FExpCols = nullptr;
        Completed = true;
      }
    } else {
      ExportRecords(Kind);
      Completed = true;
    }
  }
  if (Completed) WriteSuffix();
  FlushBuffer();
}

void TDBGridEhExport::ExportToFile(const String& FileName, bool IsExportAll) {
  // The export is gathered first and then replaces the file through a
  // temporary file beside it, so a failing write never leaves a fragment.
  CheckFileReplaceable(FileName);
  TPiecesStreamEh Pieces;
  ExportToStream(&Pieces, IsExportAll);
  WriteFilePiecesAtomic(FileName, Pieces.Views());
}

// ---- Importer ----------------------------------------------------------------------------------------

void TDBGridEhImport::ReadRecord(TColumnsEhList* ColumnsList) {
  for (Integer I = 0; I < ColumnsList->Count(); ++I) ReadDataCell(ColumnsList->GetColumn(I));
}

void TDBGridEhImport::InsertLoop(bool AtEnd) {
  TDataSet* DS = GridDataSet(FDBGridEh);
  while (!FEof) {
    if (AtEnd) DS->Append();
    else DS->Insert();
    FRecordNoted = true;  // a record the import adds is taken back whole
    ReadRecord(FColumnsList);
    DS->Post();
    TImportChangeEh Change = CurrentRecordChange();
    Change.Added = true;
    FChanges.push_back(std::move(Change));
    if (!AtEnd) DS->Next();
  }
}

void TDBGridEhImport::ReadRecordInPlace() {
  FRecordNoted = false;
  ReadRecord(FColumnsList);
}

TDBGridEhImport::TImportChangeEh TDBGridEhImport::CurrentRecordChange() const {
  TDataSet* DS = GridDataSet(FDBGridEh);
  TImportChangeEh Change;
  if (auto* Table = dynamic_cast<IMemTableEh*>(DS)) Change.Record = Table->GetCurrentRecord();
  else Change.Bookmark = DS->GetBookmark();
  return Change;
}

void TDBGridEhImport::TakeBackChanges() noexcept {
  TDataSet* DS = GridDataSet(FDBGridEh);
  auto* Table = dynamic_cast<IMemTableEh*>(DS);
  auto CancelEditing = [DS] {
    try {
      if (DS->GetState() == dsEdit || DS->GetState() == dsInsert) DS->Cancel();
    } catch (...) {
    }
  };
  // The record being written is dropped unposted; then each change goes back,
  // the last first, so every record is found where it was when it changed.
  CancelEditing();
  for (auto It = FChanges.rbegin(); It != FChanges.rend(); ++It) {
    try {
      if (It->Record ? !Table->GotoRecord(It->Record) : !DS->BookmarkValid(It->Bookmark)) continue;
      if (!It->Record) DS->GotoBookmark(It->Bookmark);
      if (It->Added) {
        DS->Delete();
        continue;
      }
      bool Editing = false;
      for (const auto& [Field, Old] : It->OldValues) {
        if (SameValue(Field->GetValue(), Old)) continue;
        if (!Editing) DS->Edit();
        Editing = true;
        Field->SetValue(Old);
      }
      if (Editing) DS->Post();
    } catch (...) {
      CancelEditing();  // what cannot be put back stays; the rest still goes back
    }
  }
  FChanges.clear();
}

void TDBGridEhImport::ImportFromStream(TStream* Stream, bool IsImportAll) {
  FStream = Stream;
  FEof = false;
  TDataSet* DS = GridDataSet(FDBGridEh);
  if (!FDBGridEh || !DS) return;
  TDBGridEhSelection* Selection = FDBGridEh->GetSelection();
  if (IsImportAll) {
    Selection->Clear();
    DS->First();
    if (FDBGridEh->GetVisibleColumns()->Count() > 0)
      FDBGridEh->SetSelectedIndex(FDBGridEh->GetVisibleColumns()->GetColumn(0)->GetIndex());
  }
  const bool AtEnd = DS->Eof();
  const bool Inserting = DS->GetState() == dsInsert;
  bool InsertMode = Inserting;
  if (!InsertMode) FDBGridEh->SaveBookmark();
  std::unique_ptr<TColumnsEhList> OwnList;
  bool Completed = false;
  {
    TControlsDisabled Disabled(DS);
    TScopeExitEh Restore([&] {
      if (!InsertMode) FDBGridEh->RestoreBookmark();
      FColumnsList = nullptr;
    });
    FChanges.clear();
    // An import that stops takes back what it wrote before its failure goes on.
    try {
      switch (Selection->GetSelectionType()) {
        case gstRecordBookmarks: {
          FColumnsList = FDBGridEh->GetVisibleColumns();
          ReadPrefix();
          if (InsertMode) {
            InsertLoop(AtEnd);
            break;
          }
          TBookmarkListEh* Rows = Selection->GetRows();
          for (Integer I = 0; I < Rows->GetCount() && !FEof; ++I) {
            DS->GotoBookmark(Rows->GetItem(I));
            ReadRecordInPlace();
          }
          break;
        }
        case gstRectangle: {
          TDBGridEhSelectionRect* Rect = Selection->GetRect();
          OwnList = VisibleColumnsBetween(FDBGridEh, Rect->GetLeftCol(), Rect->GetRightCol());
          FColumnsList = OwnList.get();
          ReadPrefix();
          if (InsertMode) {
            InsertLoop(AtEnd);
            break;
          }
          const TBookmark Bottom = Rect->GetBottomRow();
          DS->GotoBookmark(Rect->GetTopRow());
          while (!DS->Eof() && !FEof) {
            ReadRecordInPlace();
            if (DS->CompareBookmarks(DS->GetBookmark(), Bottom) == 0) break;
            DS->Next();
          }
          break;
        }
        case gstColumns:
        case gstAll: {
          FColumnsList =
              Selection->GetSelectionType() == gstColumns ? Selection->GetColumns() : FDBGridEh->GetVisibleColumns();
          ReadPrefix();
          if (InsertMode) {
            InsertLoop(AtEnd);
            break;
          }
          DS->First();
          while (!DS->Eof() && !FEof) {
            ReadRecordInPlace();
            DS->Next();
          }
          break;
        }
        case gstNon: {
          // From the current column to the last one.
          OwnList = std::make_unique<TColumnsEhList>();
          TColumnsEhList* Visible = FDBGridEh->GetVisibleColumns();
          TColumnEh* Current = FDBGridEh->GetCurrentColumn();
          const Integer From = std::max(Visible->IndexOf(Current), 0);
          for (Integer I = From; I < Visible->Count(); ++I) OwnList->Add(Visible->GetColumn(I));
          FColumnsList = OwnList.get();
          ReadPrefix();
          if (InsertMode) {
            InsertLoop(AtEnd);
            break;
          }
          FDBGridEh->RestoreBookmark();
          while (!DS->Eof() && !FEof) {
            ReadRecordInPlace();
            DS->Next();
          }
          if (!FEof && DS->Eof() && FDBGridEh->GetAllowedOperations().Contains(alopAppendEh)) {
            InsertMode = true;  // the rows left over are appended; the grid stays on the last one
            InsertLoop(true);
          }
          break;
        }
      }
    } catch (...) {
      TakeBackChanges();
      InsertMode = Inserting;  // rows appended and taken back: the grid returns to where it was
      throw;
    }
    FChanges.clear();
    Completed = true;
  }
  if (Completed) ReadSuffix();
}

void TDBGridEhImport::ImportFromFile(const String& FileName, bool IsImportAll) {
  TFileStream File(FileName, fmOpenRead);
  ImportFromStream(&File, IsImportAll);
}

void TDBGridEhImport::GuardedWrite(TField* Field, const std::function<void()>& Write) {
  TDataSet* DS = Field->GetDataSet();
  if (!DS || !DS->GetCanModify()) return;
  if (!FRecordNoted && DS->GetState() != dsInsert) {
    // The record's stored values before its first write, to put back if the import stops.
    TImportChangeEh Change = CurrentRecordChange();
    for (Integer I = 0; I < DS->GetFieldCount(); ++I) {
      TField* Each = DS->GetFields()->GetField(I);
      if (Each->GetFieldKind() == fkData) Change.OldValues.emplace_back(Each, Each->GetValue());
    }
    FChanges.push_back(std::move(Change));
    FRecordNoted = true;
  }
  try {
    if (DS->GetState() != dsEdit && DS->GetState() != dsInsert) DS->Edit();
    if (DS->GetState() != dsEdit && DS->GetState() != dsInsert) return;
    Write();
  } catch (const EAbort&) {
    throw;
  } catch (const Exception& E) {
    if (FIgnoreAllErrors) return;
    const String Text =
        LoadResStringEh(SErrorDuringInsertValueEh) + u"\n" + E.Message() + u"\n\n" + LoadResStringEh(SIgnoreErrorEh);
    const Integer Answer = MessageBox(FDBGridEh->HandleAllocated() ? FDBGridEh->GetHandle() : nullptr, Text,
                                      Application->GetTitle(), MB_YESNOALL | MB_ICONERROR);
    if (Answer == IDALL) FIgnoreAllErrors = true;
    else if (Answer != IDYES) throw EAbort(u"Operation aborted");
  }
}

void TDBGridEhImport::WriteLookupText(TField* Field, const String& Text) {
  TDataSet* Lookup = Field->GetLookupDataSet();
  TDataSet* DS = Field->GetDataSet();
  if (!Lookup || !DS) return;
  if (!Lookup->Locate(Field->GetLookupResultField(), Variant(Text), {loCaseInsensitive, loPartialKey})) return;
  std::vector<TField*> Keys, LookupKeys;
  DS->GetFieldList(Keys, Field->GetKeyFields());
  Lookup->GetFieldList(LookupKeys, Field->GetLookupKeyFields());
  for (size_t I = 0; I < Keys.size() && I < LookupKeys.size(); ++I) Keys[I]->SetValue(LookupKeys[I]->GetValue());
}

// ---- Running -------------------------------------------------------------------------------------------

void RunGridExport(TDBGridEhExportClass ExporterClass, TCustomDBGridEh* Grid, TStream* Stream, bool IsExportAll) {
  std::unique_ptr<TObject> Object(ExporterClass && ExporterClass->Create ? ExporterClass->Create() : nullptr);
  auto* Exporter = dynamic_cast<TDBGridEhExport*>(Object.get());
  if (!Exporter) throw Exception(u"RunGridExport: the class is no grid exporter.");
  Exporter->SetDBGridEh(Grid);
  Exporter->ExportToStream(Stream, IsExportAll);
}

void RunGridImport(TDBGridEhImportClass ImporterClass, TCustomDBGridEh* Grid, TStream* Stream, bool IsImportAll) {
  std::unique_ptr<TObject> Object(ImporterClass && ImporterClass->Create ? ImporterClass->Create() : nullptr);
  auto* Importer = dynamic_cast<TDBGridEhImport*>(Object.get());
  if (!Importer) throw Exception(u"RunGridImport: the class is no grid importer.");
  Importer->SetDBGridEh(Grid);
  Importer->ImportFromStream(Stream, IsImportAll);
}

// ---- Clipboard -------------------------------------------------------------------------------------------

namespace {

// The clipboard stays open for the scope.
class TClipboardOpen {
public:
  TClipboardOpen() { FOpen = OpenClipboard(nullptr); }
  ~TClipboardOpen() {
    if (FOpen) CloseClipboard();
  }
  TClipboardOpen(const TClipboardOpen&) = delete;
  TClipboardOpen& operator=(const TClipboardOpen&) = delete;
  bool IsOpen() const { return FOpen; }

private:
  bool FOpen = false;
};

void PutOnClipboard(UINT Format, TMemoryStream* Stream) {
  const size_t Size = size_t(Stream->GetSize());
  HGLOBAL Block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, Size);
  if (!Block) throw EOutOfMemory(u"Out of memory");
  if (Size > 0) {
    std::memcpy(GlobalLock(Block), Stream->GetMemory(), Size);
    GlobalUnlock(Block);
  }
  if (!SetClipboardData(Format, Block)) {
    GlobalFree(Block);
    throw Exception(u"Cannot put the data on the clipboard.");
  }
}

}  // namespace

void CopyGridToClipboard(TCustomDBGridEh* Grid, bool IsExportAll) {
  TClipboardOpen Open;
  if (!Open.IsOpen()) throw Exception(u"Cannot open the clipboard.");
  EmptyClipboard();
  TControlsDisabled Disabled(GridDataSet(Grid));
  TMemoryStreamEh Stream;
  struct TFormatRun {
    TDBGridEhExportClass Exporter;
    UINT Format;
    size_t Terminator;  // zero bytes after the data
  };
  const TFormatRun Runs[] = {
      {TDBGridEhExportAsText::StaticClass(), CF_TEXT, 1},
      {TDBGridEhExportAsUnicodeText::StaticClass(), CF_UNICODETEXT, 2},
      {TDBGridEhExportAsCSV::StaticClass(), CF_CSV(), 1},
      {TDBGridEhExportAsRTF::StaticClass(), CF_RTF(), 1},
      {TDBGridEhExportAsVCLDBIF::StaticClass(), CF_VCLDBIF(), 0},
  };
  for (const TFormatRun& Run : Runs) {
    RunGridExport(Run.Exporter, Grid, &Stream, IsExportAll);
    const char Zeros[2] = {0, 0};
    if (Run.Terminator > 0) Stream.WriteBuffer(Zeros, Integer(Run.Terminator));
    PutOnClipboard(Run.Format, &Stream);
    Stream.Clear();
  }
}

void PasteGridFromClipboard(TCustomDBGridEh* Grid, bool IsImportAll) {
  TClipboardOpen Open;
  if (!Open.IsOpen()) throw Exception(u"Cannot open the clipboard.");
  struct TFormatRun {
    UINT Format;
    TDBGridEhImportClass Importer;
  };
  const TFormatRun Runs[] = {
      {CF_VCLDBIF(), TDBGridEhImportAsVCLDBIF::StaticClass()},
      {CF_UNICODETEXT, TDBGridEhImportAsUnicodeText::StaticClass()},
      {CF_TEXT, TDBGridEhImportAsText::StaticClass()},
  };
  for (const TFormatRun& Run : Runs) {
    if (!IsClipboardFormatAvailable(Run.Format)) continue;
    HGLOBAL Block = GetClipboardData(Run.Format);
    if (!Block) continue;
    TMemoryStreamEh Stream;
    if (const size_t Size = GlobalSize(Block); Size > 0) {
      Stream.WriteBuffer(GlobalLock(Block), Integer(Size));
      GlobalUnlock(Block);
    }
    Stream.SetPosition(0);
    try {
      RunGridImport(Run.Importer, Grid, &Stream, IsImportAll);
    } catch (const EAbort&) {
      // The user chose to abandon the paste, which took back what it wrote.
    }
    return;
  }
}

void CutGridToClipboard(TCustomDBGridEh* Grid, bool IsAll) {
  CopyGridToClipboard(Grid, IsAll);
  DeleteGridSelection(Grid, IsAll);
}

namespace {

void ClearFieldValue(TField* Field) {
  TDataSet* DS = Field->GetDataSet();
  if (!DS || !DS->GetCanModify()) return;
  DS->Edit();
  if (DS->GetState() == dsEdit || DS->GetState() == dsInsert) Field->Clear();
}

void ClearColumnFields(TColumnsEhList* Columns) {
  for (Integer I = 0; I < Columns->Count(); ++I) {
    TColumnEh* Column = Columns->GetColumn(I);
    TField* Field = Column->GetField();
    if (!Field || !Column->CanModify(false)) continue;
    if (Field->GetFieldKind() == fkLookup) {
      std::vector<TField*> Keys;
      Field->GetDataSet()->GetFieldList(Keys, Field->GetKeyFields());
      for (TField* Key : Keys) ClearFieldValue(Key);
    } else {
      ClearFieldValue(Field);
    }
  }
  // Each record's cleared values are kept before the next one is reached.
  TDataSet* DS = Columns->Count() > 0 && Columns->GetColumn(0)->GetField()
                     ? Columns->GetColumn(0)->GetField()->GetDataSet()
                     : nullptr;
  if (DS && (DS->GetState() == dsEdit || DS->GetState() == dsInsert)) DS->Post();
}

bool ConfirmDeleteSelection(TCustomDBGridEh* Grid, TDBGridEhSelectionType Kind) {
  if (!Grid->GetOptions().Contains(dgConfirmDelete)) return true;
  String Text;
  if (Kind == gstRecordBookmarks)
    Text = Grid->GetSelection()->GetRows()->GetCount() >= 2 ? String(SDeleteMultipleRecordsQuestionEh)
                                                            : String(SDeleteRecordQuestionEh);
  else if (Kind == gstRectangle) Text = LoadResStringEh(SClearSelectedCellsEh);
  else return true;
  return MessageBox(Grid->HandleAllocated() ? Grid->GetHandle() : nullptr, Text, u"Confirm",
                    MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

}  // namespace

void DeleteGridSelection(TCustomDBGridEh* Grid, bool IsAll) {
  TDataSet* DS = GridDataSet(Grid);
  TDBGridEhSelection* Selection = Grid->GetSelection();
  const TDBGridEhSelectionType Kind = IsAll ? gstAll : Selection->GetSelectionType();
  if (Kind == gstNon || !DS) return;
  if (!ConfirmDeleteSelection(Grid, Kind)) return;
  Grid->SaveBookmark();
  TControlsDisabled Disabled(DS);
  switch (Kind) {
    case gstRecordBookmarks: {
      TBookmarkListEh* Rows = Selection->GetRows();
      // The records go from the last in dataset order, so the bookmarks of
      // those still to go keep naming their records.
      std::vector<TBookmark> Marks;
      for (Integer I = 0; I < Rows->GetCount(); ++I) Marks.push_back(Rows->GetItem(I));
      std::sort(Marks.begin(), Marks.end(),
                [DS](const TBookmark& A, const TBookmark& B) { return DS->CompareBookmarks(A, B) > 0; });
      for (const TBookmark& Mark : Marks) {
        if (!DS->BookmarkValid(Mark)) continue;
        DS->GotoBookmark(Mark);
        DS->Delete();
      }
      Selection->Clear();
      break;
    }
    case gstRectangle: {
      TDBGridEhSelectionRect* Rect = Selection->GetRect();
      auto Columns = VisibleColumnsBetween(Grid, Rect->GetLeftCol(), Rect->GetRightCol());
      const TBookmark Bottom = Rect->GetBottomRow();
      DS->GotoBookmark(Rect->GetTopRow());
      while (!DS->Eof()) {
        ClearColumnFields(Columns.get());
        if (DS->CompareBookmarks(DS->GetBookmark(), Bottom) == 0) break;
        DS->Next();
      }
      Grid->RestoreBookmark();
      break;
    }
    case gstColumns:
      DS->First();
      while (!DS->Eof()) {
        ClearColumnFields(Selection->GetColumns());
        DS->Next();
      }
      Grid->RestoreBookmark();
      break;
    case gstAll:
      DS->First();
      while (!DS->Eof() && !DS->IsEmpty()) DS->Delete();
      break;
    case gstNon: break;
  }
}
