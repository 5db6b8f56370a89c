// The tab-separated text formats (ANSI and UTF-16LE) and CSV: their exporters,
// and the importers' reading state machine.
//
// Reading: CheckState reads one character and answers 0 (a cell character),
// 1 (end of cell: TAB), 2 (end of row: CR LF) or 3 (end of data). A TAB or
// CR LF right after a cell or row end stands for an empty cell, which imports
// as Null. The data ends at its trailing zero characters (the clipboard's
// terminator); a zero character before other data, outside a quoted cell, is
// refused before anything is written rather than taken for the end, which
// would drop the rest without a word.
//
// Quoting: a cell that holds a TAB, CR, LF or zero character, or begins with a
// double quote, is written between double quotes with its quotes doubled, as
// spreadsheets write such cells; so is a first cell whose bytes would read as
// a byte-order mark. Every other cell is written as it stands. A cell read
// back that begins with a double quote closed by another (a doubled one inside
// stands for one) is such a cell; what follows the closing quote up to the
// cell's end is taken as it stands. An opening quote that is never closed is
// an ordinary character.

#include "grid/DBGridEhImpExp.h"

#include "gridbase/DaVirConsts.h"
#include "platform/core/CodePage.h"

namespace {

String Quoted(const String& Text) {
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

bool NeedsQuotes(const String& Text) {
  if (!Text.empty() && Text[0] == u'"') return true;
  for (Char C : Text)
    if (C == u'\t' || C == u'\r' || C == u'\n' || C == 0) return true;
  return false;
}

// The quoted cell whose opening quote lies just before From: answers where the
// cell's text ends past its closing quote, and appends the text to Text when
// given; false when no closing quote comes before the end of the data.
bool ReadQuotedCell(const String& Chars, size_t From, size_t& End, String* Text) {
  for (size_t I = From; I < Chars.size(); ++I) {
    if (Chars[I] != u'"') {
      if (Text) Text->push_back(Chars[I]);
    } else if (I + 1 < Chars.size() && Chars[I + 1] == u'"') {
      if (Text) Text->push_back(u'"');
      ++I;
    } else {
      End = I + 1;
      return true;
    }
  }
  return false;
}

bool IsEmptyCellText(const String& Text) { return Text.empty(); }

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

String TDBGridEhExportTextBaseEh::CellText(const String& Text) {
  // Only the data's first bytes are sniffed for a byte-order mark.
  const bool First = FAtStart;
  FAtStart = false;
  return NeedsQuotes(Text) || (First && LooksLikeByteOrderMark(Text)) ? Quoted(Text) : Text;
}

void TDBGridEhExportTextBaseEh::WriteCellText(const String& Text) { WriteText(CellText(Text)); }

void TDBGridEhExportTextBaseEh::WriteTitle(TColumnsEhList* ColumnsList) {
  BeginRow();
  String Line;
  for (Integer I = 0; I < ColumnsList->Count(); ++I) {
    if (I > 0) Line += u"\t";
    Line += CellText(ColumnsList->GetColumn(I)->GetTitle()->GetCaption());
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
    WriteCellText(Column->GetDataText());
  else WriteCellText(Params->GetText());
}

void TDBGridEhExportTextBaseEh::WriteFooter(TColumnsEhList* ColumnsList, Integer FooterNo) {
  BeginRow();
  FFirstCell = true;
  TDBGridEhExport::WriteFooter(ColumnsList, FooterNo);
}

void TDBGridEhExportTextBaseEh::WriteFooterCell(Integer, Integer, TColumnEh*, TFont*, TColor, TAlignment,
                                                const String& Text) {
  BeginCell();
  WriteCellText(Text);
}

void TDBGridEhExportTextBaseEh::ExportToStream(TStream* Stream, bool IsExportAll) {
  FFirstRec = true;
  FAtStart = true;
  TDBGridEhExport::ExportToStream(Stream, IsExportAll);
}

void TDBGridEhExportAsCSV::BeginCell() {
  if (FFirstCell) FFirstCell = false;
  else WriteByte(FSeparator);
}

void TDBGridEhExportAsCSV::WriteTitle(TColumnsEhList* ColumnsList) {
  BeginRow();
  for (Integer I = 0; I < ColumnsList->Count(); ++I) {
    if (I > 0) WriteByte(FSeparator);
    WriteText(Quoted(ColumnsList->GetColumn(I)->GetTitle()->GetCaption()));
  }
}

void TDBGridEhExportAsCSV::WriteDataCell(TColumnEh*, TColCellParamsEh* Params) {
  BeginCell();
  WriteText(Quoted(Params->GetText()));
}

void TDBGridEhExportAsCSV::WriteFooterCell(Integer, Integer, TColumnEh*, TFont*, TColor, TAlignment,
                                           const String& Text) {
  BeginCell();
  WriteText(Quoted(Text));
}

bool TDBGridEhExportAsText::LooksLikeByteOrderMark(const String& Text) const {
  // The ANSI importer takes these for UTF-8 and UTF-16 ("п»ї" and "яю" in CP1251).
  const AnsiString Bytes = StringToAnsi(Text.substr(0, 3));
  return Bytes.rfind("\xEF\xBB\xBF", 0) == 0 || Bytes.rfind("\xFF\xFE", 0) == 0;
}

bool TDBGridEhExportAsUnicodeText::LooksLikeByteOrderMark(const String& Text) const {
  return !Text.empty() && Text[0] == u'\xFEFF';
}

// ---- Import --------------------------------------------------------------------------------------------

String TDBGridEhImportAsText::Decode(const std::string& Bytes) const {
  if (Bytes.size() >= 3 && Byte(Bytes[0]) == 0xEF && Byte(Bytes[1]) == 0xBB && Byte(Bytes[2]) == 0xBF)
    return FromUtf8(std::string_view(Bytes).substr(3));
  if (Bytes.size() >= 2 && Byte(Bytes[0]) == 0xFF && Byte(Bytes[1]) == 0xFE) {
    if (Bytes.size() % 2 != 0) FormatError();
    String Out((Bytes.size() - 2) / 2, u'\0');
    std::memcpy(Out.data(), Bytes.data() + 2, Out.size() * 2);
    return Out;
  }
  return AnsiToString(Bytes);
}

String TDBGridEhImportAsUnicodeText::Decode(const std::string& Bytes) const {
  size_t From = Bytes.size() >= 2 && Byte(Bytes[0]) == 0xFF && Byte(Bytes[1]) == 0xFE ? 2 : 0;
  // A last odd byte is half a character: the text was cut or is not UTF-16,
  // and is refused rather than read without it.
  if ((Bytes.size() - From) % 2 != 0) FormatError();
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
      // CheckCells refused the data if it held one here.
      FormatError();
    default: return FState = 0;
  }
}

Integer TDBGridEhImportTextBaseEh::ReadCellText() {
  FValue.clear();
  // The cell's first character: the one in hand, else the next one read.
  if (FState != 0 && CheckState() != 0) return FState;
  size_t End = 0;
  if (FCh == u'"' && ReadQuotedCell(FChars, FPos, End, &FValue)) {
    FPos = End;
  } else if (FCh != 0) {    // a character of code 0 here stands for an empty cell
    FValue.assign(1, FCh);  // no closing quote: the cell is read as it stands
  }
  Integer Result;
  while ((Result = CheckState()) == 0) FValue.push_back(FCh);
  return Result;
}

void TDBGridEhImportTextBaseEh::CheckCells() const {
  // Cells are walked as ReadCellText reads them, so a CR or zero inside a quoted cell is text.
  bool CellStart = true;
  for (size_t I = 0; I < FChars.size();) {
    const Char C = FChars[I];
    size_t End = 0;
    if (CellStart && C == u'"' && ReadQuotedCell(FChars, I + 1, End, nullptr)) {
      I = End;
      CellStart = false;
      continue;
    }
    if (C == u'\r' && (I + 1 >= FChars.size() || FChars[I + 1] != u'\n')) FormatError();
    if (C == 0) FormatError();
    CellStart = C == u'\t' || C == u'\r';
    I += C == u'\r' ? 2 : 1;
  }
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
  while (!FChars.empty() && FChars.back() == 0) FChars.pop_back();
  // A CR without its LF, or a zero character, is refused before anything is written.
  CheckCells();
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
