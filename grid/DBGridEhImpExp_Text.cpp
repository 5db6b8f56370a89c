// The tab-separated text formats (ANSI and UTF-16LE) and CSV: their exporters,
// and the importers' reading state machine.
//
// Reading: CheckState reads one character and answers 0 (a cell character),
// 1 (end of cell: TAB), 2 (end of row: CR LF) or 3 (end of data: the end, or a
// zero character). A TAB or CR LF right after a cell or row end stands for an
// empty cell, which imports as Null.

#include "grid/DBGridEhImpExp.h"

#include "gridbase/DaVirConsts.h"
#include "platform/core/CodePage.h"

namespace {

String CsvQuoted(const String& Text) {
  String Out;
  Out.reserve(Text.size() + 2);
  Out.push_back(u'"');
  for (Char C : Text) {
    if (C == u'"') Out.push_back(u'"');
    Out.push_back(C);
  }
  Out.push_back(u'"');
  return Out;
}

// An empty cell reads as one character of code 0.
bool IsEmptyCellText(const String& Text) { return Text.empty() || (Text.size() == 1 && Text[0] == 0); }

}  // namespace

// ---- Export --------------------------------------------------------------------------------------------

void TDBGridEhExportTextBaseEh::BeginRow() {
  if (FFirstRec) FFirstRec = false;
  else WriteText(u"\r\n");
}

void TDBGridEhExportTextBaseEh::BeginCell() {
  if (FFirstCell) FFirstCell = false;
  else WriteText(u"\t");
}

void TDBGridEhExportTextBaseEh::WriteTitle(TColumnsEhList* ColumnsList) {
  BeginRow();
  String Line;
  for (Integer I = 0; I < ColumnsList->Count(); ++I) {
    if (I > 0) Line += u"\t";
    Line += ColumnsList->GetColumn(I)->GetTitle()->GetCaption();
  }
  WriteText(Line);
}

void TDBGridEhExportTextBaseEh::WriteRecord(TColumnsEhList* ColumnsList) {
  BeginRow();
  FFirstCell = true;
  TDBGridEhExport::WriteRecord(ColumnsList);
}

void TDBGridEhExportTextBaseEh::WriteDataCell(TColumnEh* Column, TColCellParamsEh* Params) {
  BeginCell();
  TField* Field = Column->GetField();
  if (Field && IsNumberFieldTypeEh(Field->GetDataType()) && GetDBGridEhCenter() &&
      GetDBGridEhCenter()->GetUseExtendedDataFormats())
    WriteText(Column->GetDataText());
  else
    WriteText(Params->GetText());
}

void TDBGridEhExportTextBaseEh::WriteFooter(TColumnsEhList* ColumnsList, Integer FooterNo) {
  BeginRow();
  FFirstCell = true;
  TDBGridEhExport::WriteFooter(ColumnsList, FooterNo);
}

void TDBGridEhExportTextBaseEh::WriteFooterCell(Integer, Integer, TColumnEh*, TFont*, TColor, TAlignment,
                                                const String& Text) {
  BeginCell();
  WriteText(Text);
}

void TDBGridEhExportTextBaseEh::ExportToStream(TStream* Stream, bool IsExportAll) {
  FFirstRec = true;
  TDBGridEhExport::ExportToStream(Stream, IsExportAll);
}

void TDBGridEhExportAsCSV::BeginCell() {
  if (FFirstCell) FFirstCell = false;
  else WriteBytes(&FSeparator, 1);
}

void TDBGridEhExportAsCSV::WriteTitle(TColumnsEhList* ColumnsList) {
  BeginRow();
  for (Integer I = 0; I < ColumnsList->Count(); ++I) {
    if (I > 0) WriteBytes(&FSeparator, 1);
    WriteText(CsvQuoted(ColumnsList->GetColumn(I)->GetTitle()->GetCaption()));
  }
}

void TDBGridEhExportAsCSV::WriteDataCell(TColumnEh*, TColCellParamsEh* Params) {
  BeginCell();
  WriteText(CsvQuoted(Params->GetText()));
}

void TDBGridEhExportAsCSV::WriteFooterCell(Integer, Integer, TColumnEh*, TFont*, TColor, TAlignment,
                                           const String& Text) {
  BeginCell();
  WriteText(CsvQuoted(Text));
}

// ---- Import --------------------------------------------------------------------------------------------

String TDBGridEhImportAsText::Decode(const std::string& Bytes) const {
  if (Bytes.size() >= 3 && Byte(Bytes[0]) == 0xEF && Byte(Bytes[1]) == 0xBB && Byte(Bytes[2]) == 0xBF)
    return FromUtf8(std::string_view(Bytes).substr(3));
  if (Bytes.size() >= 2 && Byte(Bytes[0]) == 0xFF && Byte(Bytes[1]) == 0xFE) {
    String Out((Bytes.size() - 2) / 2, u'\0');
    std::memcpy(Out.data(), Bytes.data() + 2, Out.size() * 2);
    return Out;
  }
  return AnsiToString(Bytes);
}

String TDBGridEhImportAsUnicodeText::Decode(const std::string& Bytes) const {
  size_t From = Bytes.size() >= 2 && Byte(Bytes[0]) == 0xFF && Byte(Bytes[1]) == 0xFE ? 2 : 0;
  // A last odd byte is half a character: it is not read.
  String Out((Bytes.size() - From) / 2, u'\0');
  std::memcpy(Out.data(), Bytes.data() + From, Out.size() * 2);
  return Out;
}

void TDBGridEhImportTextBaseEh::FormatError() const {
  throw Exception(String(ClassPrefix()) + LoadResStringEh(SInvalidTextFormatEh));
}

Integer TDBGridEhImportTextBaseEh::CheckState() {
  const Integer Previous = FState;
  if (FPos >= FChars.size()) {
    FEof = true;
    return FState = 3;
  }
  FCh = FChars[FPos++];
  switch (FCh) {
    case u'\t':
      if (Previous == 0 || Previous == 3) return FState = 1;
      // The TAB begins an empty cell: it is read again as that cell's end.
      FCh = 0;
      --FPos;
      return FState = 0;
    case u'\r':
      if (FPos >= FChars.size() || FChars[FPos] != u'\n') FormatError();
      ++FPos;
      if (Previous == 0 || Previous == 3) return FState = 2;
      FCh = 0;
      FPos -= 2;
      return FState = 0;
    case 0:
      FEof = true;
      return FState = 3;
    default:
      return FState = 0;
  }
}

Integer TDBGridEhImportTextBaseEh::ReadCellText() {
  FValue.clear();
  if (FState == 0) FValue.push_back(FCh);
  Integer Result;
  while ((Result = CheckState()) == 0) FValue.push_back(FCh);
  return Result;
}

void TDBGridEhImportTextBaseEh::ImportFromStream(TStream* Stream, bool IsImportAll) {
  FIgnoreAllErrors = false;
  std::string Bytes;
  const Int64 Left = Stream->GetSize() - Stream->GetPosition();
  if (Left > 0) {
    Bytes.resize(size_t(Left));
    Stream->ReadBuffer(Bytes.data(), Integer(Left));
  }
  FChars = Decode(Bytes);
  // A CR without its LF is refused before anything is written.
  for (size_t I = 0; I < FChars.size() && FChars[I] != 0; ++I)
    if (FChars[I] == u'\r' && (I + 1 >= FChars.size() || FChars[I + 1] != u'\n')) FormatError();
  FPos = 0;
  FState = 2;
  TDBGridEhImport::ImportFromStream(Stream, IsImportAll);
}

void TDBGridEhImportTextBaseEh::ReadPrefix() {
  FState = 2;
  CheckState();
}

void TDBGridEhImportTextBaseEh::ReadRecord(TColumnsEhList* ColumnsList) {
  if (FState == 3) return;
  Integer P = 0;
  if (FState == 0) {
    ReadCellText();
    if (ColumnsList->Count() > 0) ReadDataCell(ColumnsList->GetColumn(0));
    P = 1;
  }
  while (FState != 2 && FState != 3) {
    ReadCellText();
    if (P < ColumnsList->Count()) ReadDataCell(ColumnsList->GetColumn(P));
    ++P;
  }
  // The first character of the next row.
  if (FState != 3) CheckState();
}

void TDBGridEhImportTextBaseEh::ReadDataCell(TColumnEh* Column) {
  if (!Column->CanModify(false)) return;
  TField* Field = Column->GetField();
  if (!Field) return;
  const bool Lookup = Field->GetFieldKind() == fkLookup;
  if (Lookup && Field->GetKeyFields().empty()) return;
  const String Text = FValue;
  GuardedWrite(Field, [&] {
    if (Lookup) {
      if (IsEmptyCellText(Text)) {
        std::vector<TField*> Keys;
        Field->GetDataSet()->GetFieldList(Keys, Field->GetKeyFields());
        for (TField* Key : Keys) Key->Clear();
      } else {
        WriteLookupText(Field, Text);
      }
    } else if (IsEmptyCellText(Text)) {
      Field->Clear();
    } else if (Column->GetColumnKind() == ckKeyPickList) {
      const Integer Index = Column->GetPickList()->IndexOf(Text);
      if (Index < 0) Field->Clear();
      else Field->SetText(Column->GetKeyList()->Get(Index));
    } else {
      Field->SetText(Column->FilterValidChars(Text));
    }
  });
}
