#pragma once
// Moving a data grid's data to and from bytes: exporters that write what the
// grid shows (titles, each cell's display text, footers), importers that write
// values back into the fields of the grid's dataset, and the grid's clipboard
// commands built on them.
//
//   TDBGridEhExport                 the base exporter: which records and columns,
//                                   cell parameters, footer sums over the exported rows
//     TDBGridEhExportAsText         tab-separated text in the ANSI code page
//       TDBGridEhExportAsCSV        quoted cells separated by CsvSeparator
//     TDBGridEhExportAsUnicodeText  tab-separated UTF-16LE text
//     TDBGridEhExportAsRTF          an RTF table with the grid's colours and fonts
//     TDBGridEhExportAsVCLDBIF      the binary interchange format (values, not texts)
//   TDBGridEhImport                 the base importer: which records and columns
//     TDBGridEhImportAsText         tab-separated ANSI text
//     TDBGridEhImportAsUnicodeText  tab-separated UTF-16LE text
//     TDBGridEhImportAsVCLDBIF      the binary interchange format
//
// The binary format: "VCLDBIF", a version byte (only 1 is read), a 32-bit column count N,
// N column descriptors (a flag byte and a zero-ended name), then tagged cells
// record by record and a final tag 0. Tags: 0 end, 1 no value, 2 Null, 3 int32,
// 4 double, 5 ANSI text, 6 bytes, 7 UTF-16 text (texts and bytes after a 32-bit
// byte length). All integers little-endian.
//
// The text formats write a cell that holds a TAB, CR, LF or zero character, or
// begins with a double quote, between double quotes with its quotes doubled, as
// spreadsheets do, and read such a cell back; so is a first cell whose bytes
// would read as a byte-order mark. Every other cell is written as it stands.
//
// Import faults: every length is checked against the data left; a malformed
// input (a bad header or version, a truncated or corrupt binary file, a CR
// without its LF in text, a zero character outside a quoted cell before the
// text's end) raises "Неверный формат ..." before any record is
// touched. An import or paste that stops later (a value a field refuses and
// the user answers No, a record that cannot be posted) takes back everything
// it wrote: the table is left as it was. An empty text cell imports as Null,
// and a text file's last character is read.
//
// Implementation files, by concern:
//   DBGridEhImpExp.cpp         the base classes' record and column walk, running
//                              an exporter or importer, files, clipboard commands
//   DBGridEhImpExp_Text.cpp    the text, Unicode text and CSV formats
//   DBGridEhImpExp_RTF.cpp     the RTF table
//   DBGridEhImpExp_Binary.cpp  the binary interchange format

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "grid/DBGridEh.h"
#include "platform/core/Streams.h"

using TDBGridEhExportClass = TClass;
using TDBGridEhImportClass = TClass;

// The separator of the CSV exporter, copied by each new CSV exporter.
extern char CsvSeparator;

// The three registered clipboard formats (registered on first use, in this order).
UINT CF_VCLDBIF();
UINT CF_CSV();
UINT CF_RTF();
void RegisterDBGridEhClipboardFormats();

// The binary format's first bytes.
inline constexpr char VCLDBIFMagic[7] = {'V', 'C', 'L', 'D', 'B', 'I', 'F'};
inline constexpr Byte VCLDBIFVersion = 1;
enum TVCLDBIFTagEh : Byte {
  vtEndEh = 0,
  vtNoValueEh = 1,
  vtNullEh = 2,
  vtIntegerEh = 3,
  vtFloatEh = 4,
  vtAnsiTextEh = 5,
  vtBytesEh = 6,
  vtWideTextEh = 7
};

// ===========================================================================
// Exporters

class TDBGridEhExport : public TObject {
public:
  BORROW_CLASS(TDBGridEhExport, TObject)
  TDBGridEhExport();
  ~TDBGridEhExport() override;
  TDBGridEhExport(const TDBGridEhExport&) = delete;
  TDBGridEhExport& operator=(const TDBGridEhExport&) = delete;

  virtual void WritePrefix() {}
  virtual void WriteSuffix() {}
  virtual void WriteTitle(TColumnsEhList* /*ColumnsList*/) {}
  // The current record: each column's cell parameters, then WriteDataCell.
  virtual void WriteRecord(TColumnsEhList* ColumnsList);
  virtual void WriteDataCell(TColumnEh* /*Column*/, TColCellParamsEh* /*Params*/) {}
  virtual void WriteFooter(TColumnsEhList* ColumnsList, Integer FooterNo);
  virtual void WriteFooterCell(Integer /*DataCol*/, Integer /*Row*/, TColumnEh* /*Column*/, TFont* /*AFont*/,
                               TColor /*Background*/, TAlignment /*Alignment*/, const String& /*Text*/) {}
  // Writes the grid's selection (everything with IsExportAll) into Stream.
  virtual void ExportToStream(TStream* Stream, bool IsExportAll);
  // Creates (or replaces) the file and exports into it, whole or not at all: a
  // failing write (a full disk) raises and leaves the old file as it was.
  virtual void ExportToFile(const String& FileName, bool IsExportAll);

  TCustomDBGridEh* GetDBGridEh() const { return FDBGridEh; }
  void SetDBGridEh(TCustomDBGridEh* Value) { FDBGridEh = Value; }
  TColumnsEhList* GetExpCols() const { return FExpCols; }
  TStream* GetStream() const { return FStream; }
  // Footer row R, list position C: R * column count + C; sums scaled by 10000.
  const std::vector<Int64>& GetFooterValues() const { return FFooterValues; }

protected:
  // Whether WriteDataCell writes the cell's display text (the binary format writes
  // values), and its font, colour and alignment (only RTF does).
  virtual bool NeedsCellText() const { return true; }
  virtual bool NeedsCellLooks() const { return false; }
  // Bytes go through a buffer of the exporter's own: one write to the stream
  // per 64 KB instead of one per cell. A few bytes are a copy in place.
  void WriteBytes(const void* Data, size_t Size) {
    if (Size <= BufferRoom()) {
      std::memcpy(FBuffer.get() + FBufferUsed, Data, Size);
      FBufferUsed += Size;
    } else {
      WriteBytesPastBuffer(Data, Size);
    }
  }
  void WriteByte(char Value) {
    if (BufferRoom() == 0) FlushBuffer();
    FBuffer[FBufferUsed++] = Value;
  }
  void WriteAnsi(const String& Text);
  void WriteAnsiBytes(const std::string& Bytes) { WriteBytes(Bytes.data(), Bytes.size()); }
  void WriteWide(const String& Text) { WriteBytes(Text.data(), Text.size() * sizeof(Char)); }
  void FlushBuffer();
  // The value of the table's column Column (-1: none) as the in-memory table
  // stores it for the row being exported, read in place; null when it must be
  // read through the field (another dataset, a field that is not stored, a
  // record being edited, a value event).
  const TRecValueEh* StoredValueAt(Integer Column) const;
  // The table's column whose stored value a field reads, -1 for a field not
  // stored; a writer looks it up once per export, not once per cell.
  static Integer StoredColumnOf(const TField* Field);
  // Adds the current record to the footer sums and counts.
  void CalcFooterValues();
  // The text of a sum or count footer over the exported records.
  String FooterValueText(TColumnsEhList* ColumnsList, Integer FooterNo, Integer ColIndex);
  TDataSet* DataSet() const;

  std::unique_ptr<TColCellParamsEh> FColCellParams;
  TFont FScratchFont;  // a cell's font, as the events may change it
  TCustomDBGridEh* FDBGridEh = nullptr;
  TColumnsEhList* FExpCols = nullptr;  // not owned
  TStream* FStream = nullptr;          // not owned
  std::vector<Int64> FFooterValues;

private:
  void ExportRecords(TDBGridEhSelectionType Kind);
  // Whether the rows' stored values may be read in place during this export.
  bool StoredValuesReadable() const;
  void SizeFooterValues();
  TField* FooterField(TColumnEh* Column, TColumnFooterEh* Footer) const;
  size_t BufferRoom() const { return BufferSize - FBufferUsed; }
  void WriteBytesPastBuffer(const void* Data, size_t Size);
  static constexpr size_t BufferSize = 64 * 1024;
  std::unique_ptr<char[]> FBuffer;
  size_t FBufferUsed = 0;
  TMemoryRecordEh* FStoredRecord = nullptr;  // the row being exported, while its values may be read in place
};

// What the two tab-separated text exporters share; they differ in how a text
// becomes bytes.
class TDBGridEhExportTextBaseEh : public TDBGridEhExport {
public:
  BORROW_CLASS(TDBGridEhExportTextBaseEh, TDBGridEhExport)
  // CR LF before every row but the first; a TAB before every cell but a row's first.
  virtual void BeginRow();
  virtual void BeginCell();
  void WriteTitle(TColumnsEhList* ColumnsList) override;
  void WriteRecord(TColumnsEhList* ColumnsList) override;
  void WriteDataCell(TColumnEh* Column, TColCellParamsEh* Params) override;
  void WriteFooter(TColumnsEhList* ColumnsList, Integer FooterNo) override;
  void WriteFooterCell(Integer DataCol, Integer Row, TColumnEh* Column, TFont* AFont, TColor Background,
                       TAlignment Alignment, const String& Text) override;
  void ExportToStream(TStream* Stream, bool IsExportAll) override;

protected:
  virtual void WriteText(const String& Text) = 0;
  // Whether Text, written first, would begin with bytes the importer takes for a byte-order mark.
  virtual bool LooksLikeByteOrderMark(const String& Text) const = 0;
  // A cell's text as written: between quotes when it holds a TAB, CR, LF or
  // zero character or begins with a quote, or is the first and looks like a
  // byte-order mark.
  String CellText(const String& Text);
  void WriteCellText(const String& Text);
  bool FFirstRec = true;
  bool FFirstCell = true;
  bool FAtStart = true;  // nothing written yet
};

class TDBGridEhExportAsText : public TDBGridEhExportTextBaseEh {
public:
  BORROW_CLASS(TDBGridEhExportAsText, TDBGridEhExportTextBaseEh)
  TDBGridEhExportAsText() = default;

protected:
  void WriteText(const String& Text) override { WriteAnsi(Text); }
  bool LooksLikeByteOrderMark(const String& Text) const override;
};

class TDBGridEhExportAsUnicodeText : public TDBGridEhExportTextBaseEh {
public:
  BORROW_CLASS(TDBGridEhExportAsUnicodeText, TDBGridEhExportTextBaseEh)
  TDBGridEhExportAsUnicodeText() = default;

protected:
  void WriteText(const String& Text) override { WriteWide(Text); }
  bool LooksLikeByteOrderMark(const String& Text) const override;
};

class TDBGridEhExportAsCSV : public TDBGridEhExportAsText {
public:
  BORROW_CLASS(TDBGridEhExportAsCSV, TDBGridEhExportAsText)
  TDBGridEhExportAsCSV() : FSeparator(CsvSeparator) {}
  void WriteTitle(TColumnsEhList* ColumnsList) override;
  void WriteDataCell(TColumnEh* Column, TColCellParamsEh* Params) override;
  void WriteFooterCell(Integer DataCol, Integer Row, TColumnEh* Column, TFont* AFont, TColor Background,
                       TAlignment Alignment, const String& Text) override;
  void BeginCell() override;
  char GetSeparator() const { return FSeparator; }

private:
  char FSeparator;
};

class TDBGridEhExportAsRTF : public TDBGridEhExport {
public:
  BORROW_CLASS(TDBGridEhExportAsRTF, TDBGridEhExport)
  TDBGridEhExportAsRTF() = default;
  void WriteSuffix() override;
  void WriteTitle(TColumnsEhList* ColumnsList) override;
  void WriteRecord(TColumnsEhList* ColumnsList) override;
  void WriteDataCell(TColumnEh* Column, TColCellParamsEh* Params) override;
  void WriteFooter(TColumnsEhList* ColumnsList, Integer FooterNo) override;
  void WriteFooterCell(Integer DataCol, Integer Row, TColumnEh* Column, TFont* AFont, TColor Background,
                       TAlignment Alignment, const String& Text) override;
  void ExportToStream(TStream* Stream, bool IsExportAll) override;

protected:
  bool NeedsCellLooks() const override { return true; }

private:
  struct TCellBorders {
    bool Left = true, Top = true, Bottom = true, Right = true;
  };
  Integer ColorIndex(TColor Color);
  Integer FontIndex(const String& Name);
  // The row head: "\trowd", each cell's borders, background and right edge.
  void WriteRowHead(TColumnsEhList* ColumnsList, const std::vector<TColor>& Backgrounds,
                    const std::vector<TCellBorders>* Borders);
  void WriteCell(TAlignment Alignment, TFont* Font, TColor Background, const String& Text, Integer Spacing);
  void WriteMultiTitle(TColumnsEhList* ColumnsList);
  Integer Spacing() const;
  Integer PixelsPerInch() const;

  std::vector<TColor> FColorTable;  // RGB values, in order of first use
  std::vector<String> FFontTable;
};

class TDBGridEhExportAsVCLDBIF : public TDBGridEhExport {
public:
  BORROW_CLASS(TDBGridEhExportAsVCLDBIF, TDBGridEhExport)
  TDBGridEhExportAsVCLDBIF() = default;
  void WritePrefix() override;
  void WriteSuffix() override;
  void WriteDataCell(TColumnEh* Column, TColCellParamsEh* Params) override;

protected:
  bool NeedsCellText() const override { return false; }

private:
  // What each exported column writes, worked out once per export.
  struct TCellPlan {
    TColumnEh* Column = nullptr;
    TField* Field = nullptr;
    Byte Tag = 0;               // the tag of the field's type
    bool TextField = false;     // a text field, whose text is its stored value's
    Integer StoredColumn = -1;  // the table's column of a data field, read in place when it may be
  };
  const TCellPlan& PlanOf(TColumnEh* Column);
  std::vector<TCellPlan> FPlans;
  size_t FNextPlan = 0;  // the columns come in order: the next cell's plan is usually the next one
};

// ===========================================================================
// Importers

class TDBGridEhImport : public TObject {
public:
  BORROW_CLASS(TDBGridEhImport, TObject)
  TDBGridEhImport() = default;
  TDBGridEhImport(const TDBGridEhImport&) = delete;
  TDBGridEhImport& operator=(const TDBGridEhImport&) = delete;

  virtual void ReadPrefix() {}
  virtual void ReadSuffix() {}
  virtual void ReadRecord(TColumnsEhList* ColumnsList);
  virtual void ReadDataCell(TColumnEh* /*Column*/) {}
  // Writes the data into the grid's selection (from the first record with IsImportAll).
  virtual void ImportFromStream(TStream* Stream, bool IsImportAll);
  virtual void ImportFromFile(const String& FileName, bool IsImportAll);

  TCustomDBGridEh* GetDBGridEh() const { return FDBGridEh; }
  void SetDBGridEh(TCustomDBGridEh* Value) { FDBGridEh = Value; }
  bool GetEof() const { return FEof; }

protected:
  // Runs Write on the field's dataset in edit or insert state; a failure is
  // asked about (Yes, No, All) unless IgnoreAllErrors.
  void GuardedWrite(TField* Field, const std::function<void()>& Write);
  // Writes Text into a lookup column's key fields (the key found in the lookup dataset).
  void WriteLookupText(TField* Field, const String& Text);

  TCustomDBGridEh* FDBGridEh = nullptr;
  TStream* FStream = nullptr;              // not owned
  TColumnsEhList* FColumnsList = nullptr;  // not owned
  bool FEof = false;
  bool FIgnoreAllErrors = false;

private:
  // A record the import changed, kept so that an import that stops can take
  // the change back.
  struct TImportChangeEh {
    TMemoryRecordEh* Record = nullptr;                   // the in-memory table's record, when the dataset is one
    TBookmark Bookmark;                                  // else the record's bookmark
    bool Added = false;                                  // a record the import added, else one it overwrote
    std::vector<std::pair<TField*, Variant>> OldValues;  // an overwritten record's data fields before
  };
  void InsertLoop(bool AtEnd);
  // ReadRecord over the current record, which is overwritten in place.
  void ReadRecordInPlace();
  TImportChangeEh CurrentRecordChange() const;
  // Puts the changed records back as they were, the last change first.
  void TakeBackChanges() noexcept;

  std::vector<TImportChangeEh> FChanges;
  bool FRecordNoted = true;  // the record being written in place has its old values kept
};

// What the two tab-separated text importers share: the reading state machine
// over the decoded characters.
class TDBGridEhImportTextBaseEh : public TDBGridEhImport {
public:
  BORROW_CLASS(TDBGridEhImportTextBaseEh, TDBGridEhImport)
  void ReadPrefix() override;
  void ReadRecord(TColumnsEhList* ColumnsList) override;
  void ReadDataCell(TColumnEh* Column) override;
  void ImportFromStream(TStream* Stream, bool IsImportAll) override;

protected:
  // The input as characters.
  virtual String Decode(const std::string& Bytes) const = 0;
  virtual const char16_t* ClassPrefix() const = 0;
  [[noreturn]] void FormatError() const;
  // Reads the next character into Ch and answers the state it ends in.
  Integer CheckState();
  // Reads one cell's text into Value, unquoting a quoted cell; answers the state after it.
  Integer ReadCellText();
  // Raises the format error for a CR without its LF, or a zero character,
  // outside a quoted cell.
  void CheckCells() const;

  Char FCh = 0;
  Integer FState = 0;  // 0 cell character, 1 end of cell, 2 end of row, 3 end of data
  String FValue;
  String FChars;  // the input, decoded whole
  size_t FPos = 0;
};

class TDBGridEhImportAsText : public TDBGridEhImportTextBaseEh {
public:
  BORROW_CLASS(TDBGridEhImportAsText, TDBGridEhImportTextBaseEh)
  TDBGridEhImportAsText() = default;

protected:
  // ANSI bytes; a UTF-8 or UTF-16 byte-order mark is honoured.
  String Decode(const std::string& Bytes) const override;
  const char16_t* ClassPrefix() const override { return u"TDBGridEhImportAsText.CheckState: "; }
};

class TDBGridEhImportAsUnicodeText : public TDBGridEhImportTextBaseEh {
public:
  BORROW_CLASS(TDBGridEhImportAsUnicodeText, TDBGridEhImportTextBaseEh)
  TDBGridEhImportAsUnicodeText() = default;

protected:
  String Decode(const std::string& Bytes) const override;
  const char16_t* ClassPrefix() const override { return u"TDBGridEhImportAsUnicodeText.CheckState: "; }
};

class TDBGridEhImportAsVCLDBIF : public TDBGridEhImport {
public:
  BORROW_CLASS(TDBGridEhImportAsVCLDBIF, TDBGridEhImport)
  TDBGridEhImportAsVCLDBIF() = default;
  void ReadPrefix() override;
  void ReadRecord(TColumnsEhList* ColumnsList) override;
  void ReadDataCell(TColumnEh* Column) override;
  void ImportFromStream(TStream* Stream, bool IsImportAll) override;

  // The column names and flags of the last import's header.
  const std::vector<std::pair<String, Byte>>& GetColumnNames() const { return FColumnNames; }
  bool GetHasNames() const { return FHasNames; }
  Cardinal GetColumnCount() const { return FColumnCount; }

private:
  [[noreturn]] void FormatError() const;
  void ReadValue();
  // Walks the cells after the header to their final tag without keeping them.
  void CheckCells(size_t From) const;
  bool Take(void* Buffer, size_t Size);

  std::string FData;  // the input, read whole
  size_t FPos = 0;
  Byte FHeader[12] = {};
  Cardinal FColumnCount = 0;
  Variant FValue;
  std::vector<std::pair<String, Byte>> FColumnNames;
  bool FHasNames = false;
};

// ===========================================================================
// Running them

// Creates an exporter of the class, exports the grid into Stream, frees it.
void RunGridExport(TDBGridEhExportClass ExporterClass, TCustomDBGridEh* Grid, TStream* Stream, bool IsExportAll);
void RunGridImport(TDBGridEhImportClass ImporterClass, TCustomDBGridEh* Grid, TStream* Stream, bool IsImportAll);

// The grid's clipboard commands; the grid's edit actions pass False for the flag.
void CopyGridToClipboard(TCustomDBGridEh* Grid, bool IsExportAll);
void PasteGridFromClipboard(TCustomDBGridEh* Grid, bool IsImportAll);
void CutGridToClipboard(TCustomDBGridEh* Grid, bool IsAll);
void DeleteGridSelection(TCustomDBGridEh* Grid, bool IsAll);
// The same command as the grid's edit actions name it.
inline void ClearSelectedCells(TCustomDBGridEh* Grid, bool IsAll) { DeleteGridSelection(Grid, IsAll); }
