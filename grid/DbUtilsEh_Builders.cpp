// The builders: one condition in dataset-filter or SQL syntax, the filter text
// of a whole grid, and the rewriting of a dataset's SQL text at its filter
// marker and its ORDER BY line.
//
// Every value is written so that it stays one literal: quotes inside a text
// are doubled, numbers are written with "." (which the filter compiler and
// SQL both read), and a date-time column's "NOW" becomes the filter
// compiler's current-time function.

#include "grid/DataGridIntfEh.h"
#include "grid/DbUtilsEh.h"
#include "grid/DbUtilsEh_Internal.h"
#include "platform/core/DateTime.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Filer.h"
#include "platform/core/Format.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/StringList.h"
#include "platform/core/Streams.h"
#include "platform/core/Strings.h"
#include "platform/data/DataSource.h"
#include "platform/data/Fields.h"
#include "editors/DaVirVCL.h"

const char16_t* const STFilterSQLMarkerEh = u"/*FILTER*/";

TDataSet* GridDataSetEh(IDataGridEh* Grid) {
  if (!Grid) return nullptr;
  TDataSource* source = Grid->GetDataSource();
  return source ? source->GetDataSet() : nullptr;
}

namespace {

// ---------------------------------------------------------------------------
// Values

String DotFloatText(const Variant& V) {
  TFormatSettings dot = FormatSettings;
  dot.DecimalSeparator = u'.';
  dot.ThousandSeparator = u',';
  return FloatToStr(V.AsDouble(), dot);
}

bool IsFloatValue(const Variant& V) { return VarIsNumeric(V) && V.VarType() != varBoolean; }

bool IsNowText(const Variant& V) { return VarIsStr(V) && WideUpperCaseEh(VarToStr(V)) == u"NOW"; }

bool IsDateTimeField(TDataSet* DataSet, const String& FieldName) {
  TField* f = DataSet ? DataSet->FindField(FieldName) : nullptr;
  return f && IsDateTimeFieldType(f->GetDataType());
}

// A value of a dataset filter text.
String FilterValueText(const Variant& V, const String& FieldName, const TDateValueToSQLStringEh& DateWriter,
                       TDataSet* DataSet) {
  if (IsFloatValue(V)) return DotFloatText(V);
  if (V.VarType() == varDate) {
    if (DateWriter) {
      String text;
      DateWriter(DataSet, V, text);
      return text;
    }
    return QuotedStr(DateTimeToStr(V.AsDateTime()));
  }
  if (IsNowText(V) && IsDateTimeField(DataSet, FieldName)) return u"GETDATE()";
  return QuotedStr(VarToStr(V));
}

// A value of an SQL condition.
String SQLValueText(const Variant& V, const TDateValueToSQLStringEh& DateWriter, TDataSet* DataSet) {
  if (IsFloatValue(V)) return DotFloatText(V);
  if (V.VarType() == varDate) {
    if (DateWriter) {
      String text;
      DateWriter(DataSet, V, text);
      return text;
    }
    return QuotedStr(VarToStr(V));
  }
  return QuotedStr(VarToStr(V));
}

// The elements of a list operand; a single value is a list of one.
std::vector<Variant> ListElements(const Variant& Operand) {
  std::vector<Variant> out;
  if (!Operand.IsArray()) {
    out.push_back(Operand);
    return out;
  }
  for (Integer i = VarArrayLowBound(Operand); i <= VarArrayHighBound(Operand); ++i)
    out.push_back(VarArrayGet(Operand, i));
  return out;
}

String SQLWord(TSTFilterOperatorEh Operator) {
  return Operator <= foOrEh ? String(STFilterOperatorSQLTextsEh[Operator]) : String();
}

}  // namespace

// ---------------------------------------------------------------------------
// Condition builders

void BuildDataSetFilterCondition(TSTFilterOperatorEh Operator, const Variant& Operand, const String& FieldName,
                                 String& Text, bool LikeSupported, const TDateValueToSQLStringEh& DateWriter,
                                 TDataSet* DataSet) {
  Text.clear();
  const String field = u"[" + FieldName + u"]";
  const auto value = [&](const Variant& V) { return FilterValueText(V, FieldName, DateWriter, DataSet); };
  switch (Operator) {
    case foInEh:
    case foNotInEh: {
      if (Operator == foNotInEh) Text += u" NOT";
      String list;
      for (const Variant& v : ListElements(Operand)) list += field + u" = " + value(v) + u" OR ";
      list.resize(list.size() - 4);
      Text += u" (" + list + u")";
      break;
    }
    case foLikeEh: Text = u" " + field + (LikeSupported ? u" Like " : u" = ") + value(Operand); break;
    case foNotLikeEh: Text = u" " + field + (LikeSupported ? u" Not Like " : u" <> ") + value(Operand); break;
    case foNullEh:
    case foNotNullEh: Text = u" " + field + u" " + SQLWord(Operator); break;
    case foEqualEh:
    case foNotEqualEh:
    case foGreaterEh:
    case foLessEh:
    case foGreaterOrEqualEh:
    case foLessOrEqualEh: Text = u" " + field + u" " + SQLWord(Operator) + u" " + value(Operand); break;
    default: break;
  }
}

void BuildSQLCondition(TSTFilterOperatorEh Operator, const Variant& Operand, const String& FieldName, String& Text,
                       bool /*LikeSupported*/, const TDateValueToSQLStringEh& DateWriter, TDataSet* DataSet) {
  Text.clear();
  if (Operator == foNoneEh || Operator > foNotNullEh) return;
  if (Operator == foInEh || Operator == foNotInEh) {
    String list;
    for (const Variant& v : ListElements(Operand)) list += SQLValueText(v, DateWriter, DataSet) + u",";
    list.pop_back();
    Text = u" " + FieldName + (Operator == foNotInEh ? u" NOT" : u"") + u" IN (" + list + u")";
    return;
  }
  Text = u" " + FieldName + u" " + SQLWord(Operator);
  if (Operator != foNullEh && Operator != foNotNullEh) Text += u" " + SQLValueText(Operand, DateWriter, DataSet);
}

// ---------------------------------------------------------------------------
// The grid's filter text

namespace {

String ColumnConditionText(IDataGridColumnEh* Column, TSTConditionBuilderEh Builder,
                           const TDateValueToSQLStringEh& DateWriter, bool LikeSupported, bool SQLMode,
                           TDataSet* DataSet) {
  TField* field = Column->GetField();
  const TSTFilterExpressionEh e = Column->GetSTFilterExpression();
  if (!field || e.ExpressionType == stvtNoneEh || e.Operator1 == foNoneEh) return String();
  String name;
  if (SQLMode && !field->GetOrigin().empty() && Column->GetSTFilterDataField().empty()) name = field->GetOrigin();
  else name = Column->GetSTFilterFieldName();
  String text;
  Builder(e.Operator1, e.Operand1, name, text, LikeSupported, DateWriter, DataSet);
  // A relation typed without a second condition adds nothing.
  if (e.Relation != foNoneEh && e.Operator2 != foNoneEh) {
    String second;
    Builder(e.Operator2, e.Operand2, name, second, LikeSupported, DateWriter, DataSet);
    text += u" " + SQLWord(e.Relation) + second;
    if (e.Relation == foOrEh) text = u"(" + text + u")";
  }
  return text;
}

}  // namespace

void BuildGridFilterText(IDataGridEh* Grid, TSTConditionBuilderEh ConditionBuilder,
                         const TDateValueToSQLStringEh& DateWriter, String& Text, bool LikeSupported, bool SQLMode) {
  Text.clear();
  TDataSet* dataSet = GridDataSetEh(Grid);
  if (!dataSet) return;
  for (IDataGridColumnEh* column : Grid->GetGridColumns()) {
    const String condition = ColumnConditionText(column, ConditionBuilder, DateWriter, LikeSupported, SQLMode, dataSet);
    if (!condition.empty()) Text += condition + u" AND ";
  }
  if (!Text.empty()) Text.resize(Text.size() - 4);
}

// ---------------------------------------------------------------------------
// The SQL text of a dataset, through its published property

namespace {

bool FindProperty(TDataSet* DataSet, const String& Name, TPropInfo& Info) {
  if (!DataSet) return false;
  for (TPropInfo& p : TFiler::PropertiesOf(DataSet))
    if (SameText(p.Name, Name) && p.Write) {
      Info = std::move(p);
      return true;
    }
  return false;
}

// The property's value as the writer streams it, ready to be read back.
void StreamProperty(const TPropInfo& Info, TMemoryStream& Stream) {
  TWriter writer(&Stream);
  Info.Write(&writer);
  Stream.SetPosition(0);
}

enum TSQLPropKind { spkNone, spkString, spkLines };

TSQLPropKind ReadSQLProperty(const TPropInfo& Info, String& Text) {
  TMemoryStream stream;
  StreamProperty(Info, stream);
  TReader reader(&stream);
  switch (reader.NextValue()) {
    case vaWString:
    case vaUTF8String: Text = reader.ReadString(); return spkString;
    case vaList: {
      TStringList lines;
      reader.ReadListBegin();
      while (!reader.EndOfList()) {
        const TValueType t = reader.NextValue();
        if (t != vaWString && t != vaUTF8String) return spkNone;
        lines.Add(reader.ReadString());
      }
      reader.ReadListEnd();
      Text = lines.GetText();
      return spkLines;
    }
    default: return spkNone;
  }
}

[[noreturn]] void NotSQLBased(TDataSet* DataSet) {
  throw Exception(DataSet->ClassName() + u" is not SQL based dataset");
}

}  // namespace

bool GetDataSetSQLTextEh(TDataSet* DataSet, const String& SQLPropName, String& Text) {
  TPropInfo info;
  return FindProperty(DataSet, SQLPropName, info) && ReadSQLProperty(info, Text) != spkNone;
}

bool SetDataSetSQLTextEh(TDataSet* DataSet, const String& SQLPropName, const String& Text) {
  TPropInfo info;
  String old;
  if (!FindProperty(DataSet, SQLPropName, info) || !info.Read) return false;
  const TSQLPropKind kind = ReadSQLProperty(info, old);
  if (kind == spkNone) return false;
  TMemoryStream stream;
  {
    TWriter writer(&stream);
    if (kind == spkString) {
      writer.WriteString(Text);
    } else {
      TStringList lines;
      lines.SetText(Text);
      writer.WriteListBegin();
      for (Integer i = 0; i < lines.GetCount(); ++i) writer.WriteString(lines.Get(i));
      writer.WriteListEnd();
    }
  }
  stream.SetPosition(0);
  TReader reader(&stream);
  info.Read(&reader);
  return true;
}

// ---------------------------------------------------------------------------
// Rewriting the SQL text

namespace {

// Reads the dataset's SQL text into Lines; raises for a dataset without one.
void ReadSQLLines(TDataSet* DataSet, const String& SQLPropName, TStringList& Lines) {
  String text;
  if (!GetDataSetSQLTextEh(DataSet, SQLPropName, text)) NotSQLBased(DataSet);
  Lines.SetText(text);
}

// Writes the lines back with the dataset closed, and opens it again when asked.
void WriteSQLLines(TDataSet* DataSet, const String& SQLPropName, const TStringList& Lines, bool IsReopen) {
  TControlsDisabledScopeEh controls(DataSet);
  if (DataSet->GetActive()) DataSet->Close();
  if (!SetDataSetSQLTextEh(DataSet, SQLPropName, Lines.GetText())) NotSQLBased(DataSet);
  if (IsReopen) DataSet->Open();
}

}  // namespace

void ApplyFilterToSQL(IDataGridEh* Grid, const TDateValueToSQLStringEh& DateWriter, bool IsReopen,
                      const String& SQLPropName) {
  TDataSet* dataSet = GridDataSetEh(Grid);
  if (!dataSet) return;
  TStringList lines;
  ReadSQLLines(dataSet, SQLPropName, lines);
  const String marker = STFilterSQLMarkerEh;
  const String upperMarker = WideUpperCaseEh(marker);
  Integer markerLine = -1;
  for (Integer i = 0; i < lines.GetCount() && markerLine < 0; ++i)
    if (WideUpperCaseEh(Copy(lines.Get(i), 1, Length(upperMarker))) == upperMarker) markerLine = i;
  String filter;
  BuildGridFilterText(Grid, &BuildSQLCondition, DateWriter, filter, false, true);
  if (filter.empty()) filter = u"1=1";
  if (markerLine < 0) return;
  lines.Put(markerLine, marker + u" (" + filter + u")");
  WriteSQLLines(dataSet, SQLPropName, lines, IsReopen);
}

void ApplySortingToSQL(IDataGridEh* Grid, TDataSet* DataSet, bool SortUsingFieldName, const String& SQLPropName,
                       bool IsReopen) {
  if (!Grid || !DataSet) return;
  TStringList lines;
  ReadSQLLines(DataSet, SQLPropName, lines);
  String order;
  for (IDataGridColumnEh* column : Grid->GetSortMarkedGridColumns()) {
    TField* field = column->GetField();
    order += SortUsingFieldName || !field ? column->GetFieldName() : IntToStr(field->GetFieldNo());
    order += column->GetTitleSortMarker() == smUpEh ? u" DESC, " : u", ";
  }
  if (!order.empty()) order = u"ORDER BY " + order.substr(0, order.size() - 2);
  Integer orderLine = -1;
  for (Integer i = 0; i < lines.GetCount() && orderLine < 0; ++i)
    if (WideUpperCaseEh(Copy(lines.Get(i), 1, 8)) == u"ORDER BY") orderLine = i;
  if (orderLine < 0) orderLine = lines.Add(String());
  lines.Put(orderLine, order);
  WriteSQLLines(DataSet, SQLPropName, lines, IsReopen);
}
