// The binary interchange format: the exporter writes each cell's value with a
// tag by its field type; the importer checks the whole input first (every
// length against the data left, the final tag present), so a damaged file is
// refused before any record changes, and then writes the values back.

#include "grid/DBGridEhImpExp.h"

#include <cstring>

#include "gridbase/DaVirConsts.h"
#include "platform/core/CodePage.h"
#include "platform/core/VariantText.h"

namespace {

TVCLDBIFTagEh TagOfFieldType(TFieldType Type) {
  switch (Type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftShortint:
    case ftByte: return vtIntegerEh;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
    case ftFMTBcd: return vtFloatEh;
    case ftString:
    case ftBoolean:
    case ftMemo:
    case ftFixedChar:
    case ftLargeint:
    case ftOraClob:
    case ftGuid:
    case ftOraTimeStamp:
    case ftOraInterval:
    case ftLongWord:
    case ftExtended: return vtAnsiTextEh;
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob: return vtBytesEh;
    case ftWideString:
    case ftFixedWideChar:
    case ftWideMemo: return vtWideTextEh;
    default: return vtNoValueEh;
  }
}

// Items joined by ","; an item with a blank, a comma or a quote is quoted.
String CommaText(const std::vector<String>& Items) {
  String Out;
  for (size_t I = 0; I < Items.size(); ++I) {
    if (I > 0) Out.push_back(u',');
    const String& Item = Items[I];
    if (Item.find_first_of(u" ,\"") == String::npos) {
      Out += Item;
      continue;
    }
    Out.push_back(u'"');
    for (Char C : Item) {
      if (C == u'"') Out.push_back(u'"');
      Out.push_back(C);
    }
    Out.push_back(u'"');
  }
  return Out;
}

std::vector<String> SplitCommaText(const String& Text) {
  std::vector<String> Items;
  String Item;
  bool Quoted = false;
  for (size_t I = 0; I < Text.size(); ++I) {
    const Char C = Text[I];
    if (Quoted) {
      if (C == u'"' && I + 1 < Text.size() && Text[I + 1] == u'"') {
        Item.push_back(u'"');
        ++I;
      } else if (C == u'"') {
        Quoted = false;
      } else {
        Item.push_back(C);
      }
    } else if (C == u'"') {
      Quoted = true;
    } else if (C == u',') {
      Items.push_back(Item);
      Item.clear();
    } else {
      Item.push_back(C);
    }
  }
  Items.push_back(Item);
  return Items;
}

template <class T>
void AppendLE(std::string& Out, T Value) {
  char Bytes[sizeof(T)];
  std::memcpy(Bytes, &Value, sizeof(T));  // the machine is little-endian, as the format
  Out.append(Bytes, sizeof(T));
}

}  // namespace

// ---- Export --------------------------------------------------------------------------------------------

const TDBGridEhExportAsVCLDBIF::TCellPlan& TDBGridEhExportAsVCLDBIF::PlanOf(TColumnEh* Column) {
  if (FNextPlan >= FPlans.size()) FNextPlan = 0;
  if (FNextPlan < FPlans.size() && FPlans[FNextPlan].Column == Column) return FPlans[FNextPlan++];
  for (size_t I = 0; I < FPlans.size(); ++I)
    if (FPlans[I].Column == Column) {
      FNextPlan = I + 1;
      return FPlans[I];
    }
  TCellPlan Plan;
  Plan.Column = Column;
  Plan.Field = Column->GetField();
  if (Plan.Field) {
    Plan.Tag = Byte(TagOfFieldType(Plan.Field->GetDataType()));
    Plan.TextField = dynamic_cast<const TStringField*>(Plan.Field) != nullptr;
    Plan.StoredColumn = StoredColumnOf(Plan.Field);
  }
  FPlans.push_back(Plan);
  FNextPlan = FPlans.size();
  return FPlans.back();
}

void TDBGridEhExportAsVCLDBIF::WritePrefix() {
  FPlans.clear();
  FNextPlan = 0;
  std::string Head(VCLDBIFMagic, sizeof(VCLDBIFMagic));
  Head.push_back(char(VCLDBIFVersion));
  AppendLE<uint32_t>(Head, uint32_t(FExpCols ? FExpCols->Count() : 0));
  for (Integer I = 0; FExpCols && I < FExpCols->Count(); ++I) {
    Head.push_back(FExpCols->GetColumn(I)->GetVisible() ? 1 : 0);
    Head.push_back(0);  // no name
  }
  WriteAnsiBytes(Head);
}

void TDBGridEhExportAsVCLDBIF::WriteSuffix() { WriteByte(char(vtEndEh)); }

void TDBGridEhExportAsVCLDBIF::WriteDataCell(TColumnEh* Column, TColCellParamsEh*) {
  const TCellPlan& Plan = PlanOf(Column);
  TField* Field = Plan.Field;
  // Each cell goes straight into the export buffer: a tag, then its value.
  auto Tag = [this](TVCLDBIFTagEh Value) { WriteByte(char(Value)); };
  auto Text = [&](TVCLDBIFTagEh Value, const void* Bytes, size_t Size) {
    Tag(Value);
    const int32_t Length = int32_t(Size);
    WriteBytes(&Length, sizeof(Length));  // the machine is little-endian, as the format
    WriteBytes(Bytes, Size);
  };
  if (!Field) return Tag(vtNoValueEh);
  if (Field->GetFieldKind() == fkLookup) {
    std::vector<TField*> Keys;
    Field->GetDataSet()->GetFieldList(Keys, Field->GetKeyFields());
    std::vector<String> Items;
    for (TField* Key : Keys) Items.push_back(Key->GetAsString());
    const String Joined = CommaText(Items);
    return Text(vtWideTextEh, Joined.data(), Joined.size() * sizeof(Char));
  }
  // One read gives both whether the cell is Null and its value; a stored value is read in place.
  Variant Read;
  const TRecValueEh* Stored = StoredValueAt(Plan.StoredColumn);
  if (Stored ? Stored->IsNullOrEmpty() : VarIsNullOrEmpty(Read = Field->GetValue())) return Tag(vtNullEh);
  switch (const TVCLDBIFTagEh Kind = TVCLDBIFTagEh(Plan.Tag)) {
    case vtIntegerEh: {
      Tag(Kind);
      const int32_t Number = Stored ? Stored->AsInteger() : Read.AsInteger();
      return WriteBytes(&Number, sizeof(Number));
    }
    case vtFloatEh: {
      Tag(Kind);
      const double Number = Stored ? Stored->AsDouble() : Read.AsDouble();
      return WriteBytes(&Number, sizeof(Number));
    }
    case vtAnsiTextEh:
    case vtBytesEh: {
      const std::string Bytes = StringToAnsi(Field->GetAsString());
      return Text(Kind, Bytes.data(), Bytes.size());
    }
    case vtWideTextEh: {
      // A text field's text is its value's; other fields (memos) say how theirs reads.
      if (Plan.TextField && Stored && Stored->IsText()) {
        const StringView S = Stored->Text();
        return Text(Kind, S.data(), S.size() * sizeof(Char));
      }
      if (const String* S = Plan.TextField && !Stored ? VarStrRef(Read) : nullptr)
        return Text(Kind, S->data(), S->size() * sizeof(Char));
      const String S = Field->GetAsString();
      return Text(Kind, S.data(), S.size() * sizeof(Char));
    }
    default: return Tag(vtNoValueEh);
  }
}

// ---- Import --------------------------------------------------------------------------------------------

void TDBGridEhImportAsVCLDBIF::FormatError() const {
  throw Exception(u"TDBGridEhImportAsVCLDBIF.ReadPrefix: " + LoadResStringEh(SInvalidVCLDBIFFormatEh));
}

bool TDBGridEhImportAsVCLDBIF::Take(void* Buffer, size_t Size) {
  if (Size > FData.size() - FPos) return false;
  if (Size > 0) std::memcpy(Buffer, FData.data() + FPos, Size);
  FPos += Size;
  return true;
}

void TDBGridEhImportAsVCLDBIF::CheckCells(size_t From) const {
  size_t Pos = From;
  const size_t Size = FData.size();
  for (;;) {
    if (Pos >= Size) FormatError();  // the final tag is missing
    const Byte Tag = Byte(FData[Pos++]);
    switch (Tag) {
      case vtEndEh: return;
      case vtIntegerEh:
        if (Size - Pos < 4) FormatError();
        Pos += 4;
        break;
      case vtFloatEh:
        if (Size - Pos < 8) FormatError();
        Pos += 8;
        break;
      case vtAnsiTextEh:
      case vtBytesEh:
      case vtWideTextEh: {
        int32_t Length;
        if (Size - Pos < 4) FormatError();
        std::memcpy(&Length, FData.data() + Pos, 4);
        Pos += 4;
        if (Length < 0 || size_t(Length) > Size - Pos || (Tag == vtWideTextEh && Length % 2 != 0)) FormatError();
        Pos += size_t(Length);
        break;
      }
      default: break;  // no value, Null, and unknown tags carry no payload
    }
  }
}

void TDBGridEhImportAsVCLDBIF::ImportFromStream(TStream* Stream, bool IsImportAll) {
  FIgnoreAllErrors = false;
  FHasNames = false;
  FColumnNames.clear();
  FData.clear();
  const Int64 Left = Stream->GetSize() - Stream->GetPosition();
  if (Left > 0) {
    FData.resize(size_t(Left));
    Stream->ReadBuffer(FData.data(), Integer(Left));
  }
  FPos = 0;
  // The whole input is checked before the dataset is touched.
  size_t Cells = 0;
  {
    // Another version's cells could mean something else: only this one is read.
    if (!Take(FHeader, sizeof(FHeader)) || std::memcmp(FHeader, VCLDBIFMagic, sizeof(VCLDBIFMagic)) != 0 ||
        FHeader[sizeof(VCLDBIFMagic)] != VCLDBIFVersion)
      FormatError();
    std::memcpy(&FColumnCount, FHeader + 8, 4);
    for (Cardinal I = 0; I < FColumnCount; ++I) {
      Byte Flag;
      if (!Take(&Flag, 1)) FormatError();
      const size_t End = FData.find('\0', FPos);
      if (End == std::string::npos) FormatError();
      String Name;
      for (size_t K = FPos; K < End; ++K) Name.push_back(Char(Byte(FData[K])));  // a byte a character
      FPos = End + 1;
      if (!Name.empty()) FHasNames = true;
      FColumnNames.emplace_back(std::move(Name), Flag);
    }
    Cells = FPos;
    CheckCells(Cells);
    // Cells without columns could never be read to their end.
    if (FColumnCount == 0 && Byte(FData[Cells]) != vtEndEh) FormatError();
  }
  FPos = 0;
  TDBGridEhImport::ImportFromStream(Stream, IsImportAll);
  FData.clear();
}

void TDBGridEhImportAsVCLDBIF::ReadPrefix() {
  // The header was read and checked when the data arrived; skip past it.
  FPos = sizeof(FHeader);
  for (Cardinal I = 0; I < FColumnCount; ++I) FPos = FData.find('\0', FPos + 1) + 1;
  FEof = false;
  ReadValue();
}

void TDBGridEhImportAsVCLDBIF::ReadValue() {
  if (FEof) return;
  FValue = Variant();
  Byte Tag;
  if (!Take(&Tag, 1)) FormatError();
  switch (Tag) {
    case vtEndEh: FEof = true; break;
    case vtNullEh: FValue = Null(); break;
    case vtIntegerEh: {
      int32_t V;
      if (!Take(&V, 4)) FormatError();
      FValue = Variant(Integer(V));
      break;
    }
    case vtFloatEh: {
      double V;
      if (!Take(&V, 8)) FormatError();
      FValue = Variant(V);
      break;
    }
    case vtAnsiTextEh:
    case vtBytesEh:
    case vtWideTextEh: {
      int32_t Length;
      if (!Take(&Length, 4) || Length < 0 || size_t(Length) > FData.size() - FPos) FormatError();
      if (Tag == vtWideTextEh) {
        String S(size_t(Length) / 2, u'\0');
        std::memcpy(S.data(), FData.data() + FPos, S.size() * sizeof(Char));
        FValue = Variant(std::move(S));
      } else {
        FValue = Variant::FromAnsiStr(AnsiToString(std::string_view(FData).substr(FPos, size_t(Length))));
      }
      FPos += size_t(Length);
      break;
    }
    default: break;  // no value, or a tag this reader does not know
  }
}

void TDBGridEhImportAsVCLDBIF::ReadRecord(TColumnsEhList* ColumnsList) {
  for (Cardinal P = 0; P < FColumnCount; ++P)
    ReadDataCell(Integer(P) < ColumnsList->Count() ? ColumnsList->GetColumn(Integer(P)) : nullptr);
}

void TDBGridEhImportAsVCLDBIF::ReadDataCell(TColumnEh* Column) {
  TField* Field = Column ? Column->GetField() : nullptr;
  // A value arrives whole, not as text: blobs take it as well.
  if (!VarIsEmpty(FValue) && Field && Column->CanModify(false, false)) {
    const Variant Value = FValue;
    if (Field->GetFieldKind() == fkLookup) {
      std::vector<TField*> Keys;
      Field->GetDataSet()->GetFieldList(Keys, Field->GetKeyFields());
      const std::vector<String> Items = VarIsNull(Value) ? std::vector<String>() : SplitCommaText(Value.AsString());
      for (size_t I = 0; I < Keys.size(); ++I) {
        TField* Key = Keys[I];
        GuardedWrite(Key, [&] {
          if (I < Items.size() && !Items[I].empty()) Key->SetText(Items[I]);
          else Key->Clear();
        });
      }
    } else {
      GuardedWrite(Field, [&] { Field->SetValue(Value); });
    }
  }
  ReadValue();
}
