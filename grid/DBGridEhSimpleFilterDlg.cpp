// The simple filter dialog: its window, reading a column's condition into it,
// and writing its two conditions back as filter-row text.
//
// Typical call flow: the grid's filter-row menu -> ExecuteSimpleFilterDialog ->
// Init reads the column's expression (each operator into an operator list, each
// operand into a value editor as the column's filter writes it) -> ShowModal ->
// OK -> FormCloseQuery -> GetFilterText -> the column's filter parses the text.

#include "grid/DBGridEhSimpleFilterDlg.h"

#include <array>

#include "editors/DBCtrlsEh.h"
#include "gridbase/DaVirConsts.h"
#include "platform/core/Strings.h"
#include "platform/data/DataSet.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

TDBGridEhSimpleFilterDialog* DBGridEhSimpleFilterDialog = nullptr;

namespace {

// One operator of the lists: its message, the filter-row text it writes, and
// where it puts the wildcards.
struct TSimpleFilterOperatorInfo {
  TSimpleFilterOperatorEh Code;
  int Message;  // 0: the empty item
  const char16_t* Text;
  bool PercentBefore;
  bool PercentAfter;
  bool InBrackets;
  bool NoValue;
  bool TextMatching;  // left out of the lists of number, date-time and Boolean columns
};

constexpr std::array<TSimpleFilterOperatorInfo, SimpleFilterOperatorCountEh> SimpleFilterOperators{{
    {sfoNoneEh, 0, u"", false, false, false, false, false},
    {sfoEqualEh, SEqualEh, u"=", false, false, false, false, false},
    {sfoNotEqualEh, SNotEqualEh, u"<>", false, false, false, false, false},
    {sfoGreaterEh, SGreaterThanEh, u">", false, false, false, false, false},
    {sfoGreaterOrEqualEh, SGreaterOrEqualEh, u">=", false, false, false, false, false},
    {sfoLessEh, SLessThanEh, u"<", false, false, false, false, false},
    {sfoLessOrEqualEh, SLessOrEqualEh, u"<=", false, false, false, false, false},
    {sfoBeginsWithEh, SBeginsWithEh, u"~", false, true, false, false, true},
    {sfoNotBeginsWithEh, SNotBeginsWithEh, u"!~", false, true, false, false, true},
    {sfoEndsWithEh, SEndsWithEh, u"~", true, false, false, false, true},
    {sfoNotEndsWithEh, SNotEndsWithEh, u"!~", true, false, false, false, true},
    {sfoContainsEh, SContainsEh, u"~", true, true, false, false, true},
    {sfoNotContainsEh, SNotContainsEh, u"!~", true, true, false, false, true},
    {sfoLikeEh, SLikeEh, u"~", false, false, false, false, true},
    {sfoNotLikeEh, SNotLikeEh, u"!~", false, false, false, false, true},
    {sfoInListEh, SInListEh, u"in", false, false, true, false, false},
    {sfoNotInListEh, SNotInListEh, u"!in", false, false, true, false, false},
    {sfoIsNullEh, SIsBlankEh, u"=Null", false, false, false, true, false},
    {sfoIsNotNullEh, SIsNotBlankEh, u"<>Null", false, false, false, true, false},
}};

constexpr bool OperatorTableInOrder() {
  for (Integer I = 0; I < SimpleFilterOperatorCountEh; ++I)
    if (SimpleFilterOperators[size_t(I)].Code != I) return false;
  return true;
}
static_assert(OperatorTableInOrder(), "one row per operator, in code order");

TObject* CodeObject(Integer Code) { return reinterpret_cast<TObject*>(static_cast<std::intptr_t>(Code)); }
Integer ObjectCode(TObject* Object) { return Integer(reinterpret_cast<std::intptr_t>(Object)); }

TRect At(Integer Left, Integer Top, Integer Width, Integer Height) {
  return TRect(Left, Top, Left + Width, Top + Height);
}

template <class T>
T* Place(TDBGridEhSimpleFilterDialog* Form, const Char* Name, const TRect& Bounds) {
  auto* Control = new T(Form);
  Control->SetName(Name);
  Control->SetParent(Form);
  Control->SetBoundsRect(Bounds);
  return Control;
}

// The list item of an operator code; -1 when the list leaves it out.
Integer ItemOfCode(TComboBox* Box, Integer Code) {
  TStrings* Items = Box->GetItems();
  for (Integer I = 0; I < Items->GetCount(); ++I)
    if (ObjectCode(Items->GetObject(I)) == Code) return I;
  return -1;
}

// The dialog's item for a condition's operator code (the codes of the two lists differ).
Integer CodeOfOperator(TSTFilterOperatorEh Operator) {
  switch (Operator) {
    case foNoneEh: return sfoNoneEh;
    case foEqualEh: return sfoEqualEh;
    case foNotEqualEh: return sfoNotEqualEh;
    case foGreaterEh: return sfoGreaterEh;
    case foLessEh: return sfoLessEh;
    case foGreaterOrEqualEh: return sfoGreaterOrEqualEh;
    case foLessOrEqualEh: return sfoLessOrEqualEh;
    case foLikeEh: return sfoLikeEh;
    case foNotLikeEh: return sfoNotLikeEh;
    case foInEh: return sfoInListEh;
    case foNotInEh: return sfoNotInListEh;
    case foNullEh: return sfoIsNullEh;
    case foNotNullEh: return sfoIsNotNullEh;
    default: return sfoNoneEh;
  }
}

// A value the filter-row parser would otherwise read differently goes in quotes,
// its own quotes doubled. A list's values are written as the filter row writes
// them, each quoted as it needs: a quote in front opens its first value.
bool ValueNeedsQuotes(const String& Value, bool StringType, bool List) {
  if (Value.empty()) return false;
  if (StringType && (Value.front() == u' ' || Value.back() == u' ')) return true;
  return (Value.front() == u'\'' && !List) || Value.find_first_of(u"()") != String::npos;
}

// The class library's default font face.
const TFontName& DefaultFontName() {
  static const TFontData Default;
  return Default.Name;
}

}  // namespace

TDBGridEhSimpleFilterDialog::TDBGridEhSimpleFilterDialog(TComponent* AOwner) : TForm(AOwner) {
  CreateControls();
  GetFont()->SetName(DefaultFontName());
  OnCloseQuery = [this](TObject* Sender, bool& CanClose) { FormCloseQuery(Sender, CanClose); };
  DoCreate();
}

TDBGridEhSimpleFilterDialog::~TDBGridEhSimpleFilterDialog() {
  if (DBGridEhSimpleFilterDialog == this) DBGridEhSimpleFilterDialog = nullptr;
}

// The window: the head line, two conditions (operator and value) with the AND/OR
// switch between them, a line, the two wildcard hints, and the buttons.
void TDBGridEhSimpleFilterDialog::CreateControls() {
  SetName(u"DBGridEhSimpleFilterDialog");
  SetCaption(u"Пользовательский фильтр");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  HandleNeeded();  // the client size below counts the dialog's frame only once the window exists
  SetClientWidth(390);
  SetClientHeight(196);

  ComboBox1 = Place<TComboBox>(this, u"ComboBox1", At(8, 28, 150, 21));
  ComboBox2 = Place<TComboBox>(this, u"ComboBox2", At(8, 80, 150, 21));
  for (TComboBox* Box : {ComboBox1, ComboBox2}) Box->SetStyle(csDropDownList);
  Edit1 = Place<TEdit>(this, u"Edit1", At(166, 28, 216, 21));
  Edit2 = Place<TEdit>(this, u"Edit2", At(166, 80, 216, 21));
  for (TEdit* Holder : {Edit1, Edit2}) Holder->SetVisible(false);
  Label1 = Place<TLabel>(this, u"Label1", At(8, 8, 374, 13));
  Label1->SetCaption(u"Показывать только те записи, значения которых:");
  Bevel1 = Place<TBevel>(this, u"Bevel1", At(8, 110, 374, 2));
  Bevel1->SetShape(bsTopLine);
  rbAnd = Place<TRadioButton>(this, u"rbAnd", At(40, 56, 60, 17));
  rbAnd->SetCaption(u"&И");
  rbOr = Place<TRadioButton>(this, u"rbOr", At(110, 56, 60, 17));
  rbOr->SetCaption(u"И&ли");
  rbAnd->SetChecked(true);
  Label2 = Place<TLabel>(this, u"Label2", At(8, 120, 374, 13));
  Label2->SetCaption(u"Знак '_' обозначает один любой знак");
  Label3 = Place<TLabel>(this, u"Label3", At(8, 138, 374, 13));
  Label3->SetCaption(u"Знак '%' обозначает последовательность любых знаков");
  bOk = Place<TButton>(this, u"bOk", At(226, 163, 75, 25));
  bOk->SetCaption(u"OK");
  bOk->SetDefault(true);
  bOk->SetModalResult(mrOk);
  bCancel = Place<TButton>(this, u"bCancel", At(307, 163, 75, 25));
  bCancel->SetCaption(u"Отмена");
  bCancel->SetCancel(true);
  bCancel->SetModalResult(mrCancel);

  DBComboBoxEh1 = Place<TDBComboBoxEh>(this, u"DBComboBoxEh1", Edit1->GetBoundsRect());
  DBComboBoxEh2 = Place<TDBComboBoxEh>(this, u"DBComboBoxEh2", Edit2->GetBoundsRect());
  // The typed editors are offered for forms that want them; the dialog edits every value as text.
  DBDateTimeEditEh1 = Place<TDBDateTimeEditEh>(this, u"DBDateTimeEditEh1", Edit1->GetBoundsRect());
  DBDateTimeEditEh2 = Place<TDBDateTimeEditEh>(this, u"DBDateTimeEditEh2", Edit2->GetBoundsRect());
  DBNumberEditEh1 = Place<TDBNumberEditEh>(this, u"DBNumberEditEh1", Edit1->GetBoundsRect());
  DBNumberEditEh2 = Place<TDBNumberEditEh>(this, u"DBNumberEditEh2", Edit2->GetBoundsRect());
  for (TWinControl* Editor :
       std::initializer_list<TWinControl*>{DBDateTimeEditEh1, DBDateTimeEditEh2, DBNumberEditEh1, DBNumberEditEh2})
    Editor->SetVisible(false);
  // Tab order follows the conditions.
  ComboBox1->SetTabOrder(0);
  DBComboBoxEh1->SetTabOrder(1);
  rbAnd->SetTabOrder(2);
  rbOr->SetTabOrder(3);
  ComboBox2->SetTabOrder(4);
  DBComboBoxEh2->SetTabOrder(5);
  bOk->SetTabOrder(6);
  bCancel->SetTabOrder(7);
}

// ---- Opening -------------------------------------------------------------------------------------

void TDBGridEhSimpleFilterDialog::FillOperators(TComboBox* Box) {
  TField* Field = FColumn ? FColumn->GetField() : nullptr;
  bool TextMatching = true;
  if (Field) {
    const TSTFilterValueTypeEh Type = STFilterValueTypeOfFieldTypeEh(Field->GetDataType());
    TextMatching = Type != stvtNumberEh && Type != stvtDateTimeEh && Type != stvtBooleanEh;
  }
  TStrings* Items = Box->GetItems();
  Items->Clear();
  for (const TSimpleFilterOperatorInfo& Info : SimpleFilterOperators) {
    if (Info.TextMatching && !TextMatching) continue;
    Items->AddObject(Info.Message ? LoadResStringEh(Info.Message) : String(), CodeObject(Info.Code));
  }
  // The whole list shows at once.
  Box->SetDropDownCount(Items->GetCount());
}

void TDBGridEhSimpleFilterDialog::PlaceValueEditor(TDBComboBoxEh* Editor, TEdit* Holder) {
  Editor->SetBounds(Holder->GetLeft(), Holder->GetTop(), Holder->GetWidth(), Holder->GetHeight());
  Editor->SetVisible(true);
  Editor->GetItems()->Clear();
  if (FValueList)
    if (TStringList* Values = FValueList->GetValues()) Editor->GetItems()->Assign(Values);
  Editor->SetText(String());
}

void TDBGridEhSimpleFilterDialog::Init(TColumnEh* Column) {
  FColumn = Column;
  FillOperators(ComboBox1);
  FillOperators(ComboBox2);
  FValueList = Column ? Column->GetFilterValueList() : nullptr;
  PlaceValueEditor(DBComboBoxEh1, Edit1);
  PlaceValueEditor(DBComboBoxEh2, Edit2);
  TSTFilterExpressionEh Expression;
  if (Column) Expression = Column->GetSTFilter()->GetExpression();
  ReadCondition(Expression.Operator1, Expression.Operand1, ComboBox1, DBComboBoxEh1);
  ReadCondition(Expression.Operator2, Expression.Operand2, ComboBox2, DBComboBoxEh2);
  if (Expression.Relation == foOrEh) rbOr->SetChecked(true);
  else rbAnd->SetChecked(true);
}

void TDBGridEhSimpleFilterDialog::ReadCondition(TSTFilterOperatorEh Operator, const Variant& Operand, TComboBox* Box,
                                                TDBComboBoxEh* Value) {
  String Text;
  if (FColumn && Operator != foNoneEh && Operator != foNullEh && Operator != foNotNullEh && !Operand.IsNull() &&
      !Operand.IsEmpty())
    Text = FColumn->GetSTFilter()->ValueToDisplayText(Operand, Operator);
  Integer Code = CodeOfOperator(Operator);
  if (Code == sfoLikeEh || Code == sfoNotLikeEh) {
    // The wildcards at the ends tell which of the word operators wrote the condition.
    const bool Not = Code == sfoNotLikeEh;
    const size_t N = Text.size();
    const bool Front = N >= 2 && Text[0] == u'%' && Text[1] != u'%';
    const bool Back = N >= 2 && Text[N - 1] == u'%' && Text[N - 2] != u'%';
    if (Front && Back && N >= 3) {
      Code = Not ? sfoNotContainsEh : sfoContainsEh;
      Text = Text.substr(1, N - 2);
    } else if (Front) {
      Code = Not ? sfoNotEndsWithEh : sfoEndsWithEh;
      Text = Text.substr(1);
    } else if (Back) {
      Code = Not ? sfoNotBeginsWithEh : sfoBeginsWithEh;
      Text = Text.substr(0, N - 1);
    }
  }
  Box->SetItemIndex(std::max<Integer>(0, ItemOfCode(Box, Code)));
  Value->SetText(Text);
}

// ---- Closing ---------------------------------------------------------------------------------------

String TDBGridEhSimpleFilterDialog::ConditionText(TComboBox* Box, TDBComboBoxEh* Value) {
  if (Box->GetItemIndex() < 0) Box->SetItemIndex(0);
  const Integer Code = ObjectCode(Box->GetItems()->GetObject(Box->GetItemIndex()));
  const TSimpleFilterOperatorInfo& Info =
      SimpleFilterOperators[size_t(std::clamp(Code, 0, SimpleFilterOperatorCountEh - 1))];
  String Text = Info.Text;
  if (Info.NoValue || Code == sfoNoneEh) return Text;
  String Operand = Value->GetText();
  if (Operand.empty()) return Text;
  const bool StringType = ValueType() == stvtStringEh;
  const bool Quote = ValueNeedsQuotes(Operand, StringType, Info.InBrackets);
  if (Info.PercentBefore) Operand = u"%" + Operand;
  if (Info.PercentAfter) Operand += u"%";
  if (Quote) Operand = QuotedStr(Operand);
  if (Info.InBrackets) Operand = u"(" + Operand + u")";
  return Text + Operand;
}

TSTFilterValueTypeEh TDBGridEhSimpleFilterDialog::ValueType() const {
  if (!FColumn) return stvtNoneEh;
  const TSTFilterValueTypeEh Type = FColumn->GetSTFilter()->GetExpression().ExpressionType;
  if (Type != stvtNoneEh) return Type;
  // Before its first condition the column's filter has no type yet: its field's decides.
  if (FColumn->HasKeyListItems() && FColumn->HasPickListItems()) return stvtStringEh;
  TField* Field = FColumn->GetField();
  return Field ? STFilterValueTypeOfFieldTypeEh(Field->GetDataType()) : stvtNoneEh;
}

String TDBGridEhSimpleFilterDialog::GetFilterText() {
  const String First = ConditionText(ComboBox1, DBComboBoxEh1);
  const String Second = ConditionText(ComboBox2, DBComboBoxEh2);
  if (Second.empty()) return First;
  return First + (rbOr->GetChecked() ? u" OR " : u" AND ") + Second;
}

// A condition the column's filter cannot read (letters in a number column, say)
// is shown and the dialog stays open with what was typed; the filter keeps its
// previous condition.
void TDBGridEhSimpleFilterDialog::FormCloseQuery(TObject*, bool& CanClose) {
  CanClose = true;
  if (GetModalResult() != mrOk || !FColumn) return;
  const String Previous = FColumn->GetSTFilter()->GetExpressionStr();
  try {
    FColumn->GetSTFilter()->SetExpressionStrAndRefresh(GetFilterText());
  } catch (const Exception& E) {
    FColumn->GetSTFilter()->SetExpressionStrAndRefresh(Previous);
    CanClose = false;
    Application->ShowException(E);
  }
}

bool ExecuteSimpleFilterDialog(TColumnEh* Column) {
  if (!DBGridEhSimpleFilterDialog) DBGridEhSimpleFilterDialog = new TDBGridEhSimpleFilterDialog(Application);
  TDBGridEhSimpleFilterDialog* Dialog = DBGridEhSimpleFilterDialog;
  Dialog->Init(Column);
  const bool Accepted = Dialog->ShowModal() == mrOk;
  Dialog->SetColumn(nullptr);
  return Accepted;
}
