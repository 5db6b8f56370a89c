#include "client/z39_03_EditDB.h"

#include "client/ResourceList.h"
#include "client/ResourceTable.h"
#include "client/__forms.h"
#include "client/__str.h"
#include "client/z39_00_func.h"
#include "client/z39_04_MyShowMessage.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/ValEdit.h"

namespace {

// One row of the value list: its caption, the record field behind it, what an
// empty value shows, and whether only a resource has it.
struct TValueRow {
  const Char* Caption;
  const Char* Field;
  const Char* Empty;
  bool ResourceOnly;
};

constexpr TValueRow kRows[] = {
    {u"Наименование", u"NAME_THIS", u"???", false},
    {u"Актуальность", u"ItsActual", u" ", false},
    {u"Использовать", u"ItsUse", u" ", false},
    {u"База данных", u"Database", u"???", true},
    {u"URL", u"URL", u"???", true},
    {u"Порт", u"PORT", u"0", true},
    {u"Формат", u"Syntax", u"???", true},
    {u"Кодировка", u"Encoding", u"???", true},
    {u"Пользователь", u"Username", u"", true},
    {u"Пароль", u"PSW", u"", true},
    {u"Примечание", u"Note", u"", false},
    {u"Nп/п", u"NPP", u"0", false},
};

// The value of Name in a Name=Value list, the name matched without regard to case.
String ValueOf(const TStrings* List, const String& Name) {
  const String key = AnsiUpperCase(Name);
  for (Integer i = 0; i < List->GetCount(); ++i) {
    const String line = List->Get(i);
    const auto eq = line.find(u'=');
    if (eq != String::npos && AnsiUpperCase(line.substr(0, eq)) == key) return line.substr(eq + 1);
  }
  return String();
}

String FlagText(const String& Value) { return Trim(Value).empty() ? String(u" ") : String(u"+"); }

// The field's room: the value cut to the size its field is declared with.
String Fitted(const String& Value, const Char* Field) {
  const Integer size = ResourceFieldSize(Field);
  return size > 0 && static_cast<Integer>(Value.size()) > size ? Value.substr(0, static_cast<size_t>(size)) : Value;
}

// The number rows, what a value must be to be stored, and what is said otherwise.
struct TNumberRow {
  const Char* Caption;
  Integer Low, High;
  const Char* Refusal;
};
constexpr TNumberRow kNumberRows[] = {
    {u"Порт", 0, 65535, u"Порт - это целое число от 0 до 65535. Исправьте!"},
    {u"Nп/п", -2147483647 - 1, 2147483647, u"Nп/п - это целое число. Исправьте!"},
};

}  // namespace

TDlg_EditDB::TDlg_EditDB(TComponent* AOwner) : TForm(AOwner) {
  CreateControls();
  DoCreate();
}

TDlg_EditDB::~TDlg_EditDB() {
  if (Dlg_EditDB == this) Dlg_EditDB = nullptr;
}

void TDlg_EditDB::CreateControls() {
  SetUpDialogFrame(this, u"Dlg_EditDB", 420, 330);
  SetCaption(u"Редактировать информацию");
  SetSkyBlueColors(this);
  SetKeyPreview(true);

  Label_Type = NewControl<TLabel>(this, this, u"Label_Type", Bounds(8, 10, 40, 14));
  Label_Type->SetCaption(u"Тип : ");

  CB_Type = NewControl<TComboBox>(this, this, u"CB_Type", Bounds(48, 6, 130, 21));
  CB_Type->SetStyle(csDropDownList);
  CB_Type->SetColor(clWhite);
  CB_Type->GetItems()->Add(u"Группа");
  CB_Type->GetItems()->Add(u"Z39.50-ресурс ");

  Label_ID = NewControl<TLabel>(this, this, u"Label_ID", Bounds(190, 10, 30, 14));
  Label_ID->SetCaption(u"ID=  ");

  Edit_ID = NewControl<TEdit>(this, this, u"Edit_ID", Bounds(220, 6, 60, 21));
  Edit_ID->SetReadOnly(true);

  Label_Parents = NewControl<TLabel>(this, this, u"Label_Parents", Bounds(290, 10, 56, 14));
  Label_Parents->SetCaption(u"Группа:  ");

  Edit_Parents = NewControl<TEdit>(this, this, u"Edit_Parents", Bounds(346, 6, 66, 21));
  Edit_Parents->SetReadOnly(true);

  ValueListEditor1 = NewControl<TValueListEditor>(this, this, u"ValueListEditor1", Bounds(8, 34, 404, 256));
  ValueListEditor1->GetTitleCaptions()->Clear();
  ValueListEditor1->GetTitleCaptions()->Add(u"Параметр");
  ValueListEditor1->GetTitleCaptions()->Add(u"Значение");
  ValueListEditor1->SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goDrawFocusSelected,
                                goColSizing, goEditing, goThumbTracking});
  ValueListEditor1->SetColWidths(0, 86);
  ValueListEditor1->SetColWidths(1, 317);
  // Typing stops at the size of the row's field.
  for (const TValueRow& row : kRows)
    if (const Integer size = ResourceFieldSize(row.Field); size > 0)
      ValueListEditor1->SetItemMaxLength(row.Caption, size);

  ListBox1 = NewControl<TListBox>(this, this, u"ListBox1", Bounds(8, 34, 40, 40));
  ListBox1->SetVisible(false);

  SB_OK = NewOkButton(this, this, Bounds(254, 298, 76, 24), [this](TObject* Sender) { SB_OKClick(Sender); });
  SB_Cancel =
      NewCancelButton(this, this, Bounds(336, 298, 76, 24), [this](TObject* Sender) { SB_CancelClick(Sender); });

  CB_Type->OnChange = [this](TObject* Sender) { CB_TypeChange(Sender); };
  ValueListEditor1->OnDblClick = [this](TObject* Sender) { ValueListEditor1DblClick(Sender); };
  ValueListEditor1->OnSelectCell = [this](TObject* Sender, Integer ACol, Integer ARow, bool& CanSelect) {
    ValueListEditor1SelectCell(Sender, ACol, ARow, CanSelect);
  };
  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { FormKeyDown(Sender, Key, Shift); };
}

bool TDlg_EditDB::ResourceSelected() const { return CB_Type->GetItemIndex() > 0; }

void TDlg_EditDB::AppendRows(const std::function<String(const String& Field, const String& Caption)>& Value) {
  TStrings* lines = ValueListEditor1->GetStrings();
  const bool resource = ResourceSelected();
  lines->BeginUpdate();
  for (const TValueRow& row : kRows) {
    if (row.ResourceOnly && !resource) continue;
    lines->Add(String(row.Caption) + u"=" + TrimOrDefault(Value(row.Field, row.Caption), row.Empty));
  }
  lines->EndUpdate();
}

bool TDlg_EditDB::EditResourceValues(TStrings* Values) {
  if (!Values) return false;
  FFilling = true;
  FSelRow = 0;
  FSelCol = 0;
  ListBox1->GetItems()->Clear();
  ValueListEditor1->GetStrings()->Clear();
  FId = StrToIntDefTrim(ValueOf(Values, u"ID_THIS"), 0);
  FType = StrToIntDefTrim(ValueOf(Values, u"ID_Type"), 0);
  FParentId = StrToIntDefTrim(ValueOf(Values, u"ID_Parent"), 0);
  Edit_ID->SetText(IntToStr(FId));
  Edit_Parents->SetText(IntToStr(FParentId));
  // Any type other than a group or a resource opens as a resource.
  CB_Type->SetItemIndex(1);
  if (FType == 0 || FType == 1) CB_Type->SetItemIndex(FType);
  AppendRows([Values](const String& Field, const String&) { return ValueOf(Values, Field); });
  FFilling = false;

  const bool ok = ShowModal() == mrOk;
  if (ok) CollectValues(Values);
  ValueListEditor1->GetStrings()->Clear();
  ListBox1->GetItems()->Clear();
  return ok;
}

void TDlg_EditDB::CollectValues(TStrings* Values) const {
  Values->Clear();
  const Integer type = CB_Type->GetItemIndex();
  const bool resource = type > 0;
  Values->SetValue(u"ID_THIS", IntToStr(FId));
  Values->SetValue(u"ID_Parent", IntToStr(FParentId));
  Values->SetValue(u"ID_Type", IntToStr(type));
  const TStrings* lines = ValueListEditor1->GetStrings();
  auto orPlaceholder = [](const String& V, const Char* Empty) { return V.empty() ? String(Empty) : V; };
  for (Integer i = 0; i < lines->GetCount(); ++i) {
    const String caption = Trim(lines->GetName(i));
    String value = Trim(lines->GetValueFromIndex(i));
    for (const TValueRow& row : kRows)
      if (caption == row.Caption) value = Fitted(value, row.Field);
    if (caption == u"Наименование") Values->SetValue(u"NAME_THIS", orPlaceholder(value, u"???"));
    else if (caption == u"Примечание") Values->SetValue(u"Note", orPlaceholder(value, u" "));
    else if (caption == u"Nп/п") Values->SetValue(u"NPP", IntToStr(StrToIntDefTrim(value, 0)));
    else if (caption == u"Актуальность") Values->SetValue(u"ItsActual", FlagText(value));
    else if (caption == u"Использовать") Values->SetValue(u"ItsUse", FlagText(value));
    else if (!resource) continue;
    else if (caption == u"База данных") Values->SetValue(u"Database", orPlaceholder(value, u"???"));
    else if (caption == u"URL") Values->SetValue(u"URL", orPlaceholder(value, u"???"));
    else if (caption == u"Формат") Values->SetValue(u"Syntax", orPlaceholder(value, u"???"));
    else if (caption == u"Кодировка") Values->SetValue(u"Encoding", orPlaceholder(value, u"???"));
    else if (caption == u"Порт") Values->SetValue(u"PORT", IntToStr(StrToIntDefTrim(value, 0)));
    else if (caption == u"Пользователь") Values->SetValue(u"UserName", orPlaceholder(value, u" "));
    else if (caption == u"Пароль") Values->SetValue(u"PSW", orPlaceholder(value, u" "));
  }
}

void TDlg_EditDB::CB_TypeChange(TObject*) {
  if (FFilling || !CB_Type->Focused()) return;
  TStrings* copy = ListBox1->GetItems();
  copy->Assign(ValueListEditor1->GetStrings());
  ValueListEditor1->GetStrings()->Clear();
  AppendRows([copy](const String&, const String& Caption) { return ValueOf(copy, Caption); });
}

void TDlg_EditDB::ValueListEditor1SelectCell(TObject*, Integer ACol, Integer ARow, bool&) {
  FSelCol = ACol;
  FSelRow = ARow;
}

void TDlg_EditDB::ValueListEditor1DblClick(TObject*) {
  if (FSelRow <= 0 || FSelRow >= ValueListEditor1->GetRowCount()) return;
  const String caption = Trim(ValueListEditor1->GetCells(0, FSelRow));
  if (caption != u"Актуальность" && caption != u"Использовать") return;
  const bool empty = Trim(ValueListEditor1->GetCells(1, FSelRow)).empty();
  ValueListEditor1->SetCells(1, FSelRow, empty ? String(u"+") : String());
}

void TDlg_EditDB::SB_OKClick(TObject*) {
  // What is still being typed counts.
  if (ValueListEditor1->GetEditorMode()) ValueListEditor1->SetEditorMode(false);
  if (!CheckNumbers()) return;
  SetModalResult(mrOk);
}

bool TDlg_EditDB::CheckNumbers() {
  for (const TNumberRow& number : kNumberRows) {
    Integer row = 0;
    if (!ValueListEditor1->FindRow(number.Caption, row)) continue;
    const String text = Trim(ValueListEditor1->GetCells(1, row));
    Integer value = 0;
    // Empty stands for the row's placeholder, 0.
    if (text.empty() || (TryStrToInt(text, value) && value >= number.Low && value <= number.High)) continue;
    // The dialog stays open on the row, with what was typed.
    ValueListEditor1->SetRow(row);
    ShowMessageOk(GetCaption(), u"Ошибка", number.Refusal);
    if (ValueListEditor1->CanFocus()) ValueListEditor1->SetFocus();
    return false;
  }
  return true;
}
void TDlg_EditDB::SB_CancelClick(TObject*) { SetModalResult(mrCancel); }

void TDlg_EditDB::FormKeyDown(TObject*, Word& Key, TShiftState Shift) {
  GridDialogKeyDown(
      Key, Shift, [this] { SB_OKClick(SB_OK); }, [this] { SB_CancelClick(SB_Cancel); });
}
