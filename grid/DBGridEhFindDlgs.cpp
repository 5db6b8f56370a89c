#include "grid/DBGridEhFindDlgs.h"

#include "editors/ToolCtrlsEh.h"
#include "grid/DataGridIntfEh.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/ui/Input.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/StdCtrls.h"

TDBGridEhFindDlg* DBGridEhFindDlg = nullptr;

namespace {

constexpr const char16_t* AllColumnsText = u"<All>";

template <class T>
T* Place(TDBGridEhFindDlg* Form, const Char* Name, const TRect& Bounds) {
  auto* c = new T(Form);
  c->SetName(Name);
  c->SetParent(Form);
  c->SetBoundsRect(Bounds);
  return c;
}

TRect At(Integer Left, Integer Top, Integer Width, Integer Height) {
  return TRect(Left, Top, Left + Width, Top + Height);
}

TComboBox* PickList(TDBGridEhFindDlg* Form, const Char* Name, const TRect& Bounds,
                    std::initializer_list<const char16_t*> Items) {
  auto* box = Place<TComboBox>(Form, Name, Bounds);
  box->SetStyle(csDropDownList);
  for (const char16_t* item : Items) box->GetItems()->Add(item);
  box->SetItemIndex(0);
  return box;
}

TLabel* Caption(TDBGridEhFindDlg* Form, const Char* Name, const TRect& Bounds, const String& Text, TWinControl* Focus) {
  auto* label = Place<TLabel>(Form, Name, Bounds);
  label->SetCaption(Text);
  label->SetFocusControl(Focus);
  return label;
}

// The unit's start installs the dialog as the features' find-dialog procedure.
struct TDBGridEhFindDlgsUnit {
  TDBGridEhFindDlgsUnit() { ExecuteFindDialogProc = &ExecuteDBGridEhFindDialog; }
  ~TDBGridEhFindDlgsUnit() {
    if (ExecuteFindDialogProc == &ExecuteDBGridEhFindDialog) ExecuteFindDialogProc = nullptr;
  }
} const DBGridEhFindDlgsUnit;

}  // namespace

TDBGridEhFindDlg::TDBGridEhFindDlg(TComponent* AOwner) : TForm(AOwner) {
  CreateControls();
  FDesignHeight = GetClientHeight();
  DoCreate();
}

TDBGridEhFindDlg::~TDBGridEhFindDlg() {
  SetGrid(nullptr);
  if (DBGridEhFindDlg == this) DBGridEhFindDlg = nullptr;
}

void TDBGridEhFindDlg::CreateControls() {
  SetName(u"DBGridEhFindDlg");
  SetCaption(u"Поиск");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
  HandleNeeded();  // the client size below counts the dialog's frame only once the window exists
  SetClientWidth(424);
  SetClientHeight(186);

  cbText = Place<TComboBox>(this, u"cbText", At(116, 8, 202, 21));
  bFind = Place<TButton>(this, u"bFind", At(326, 8, 90, 25));
  bFind->SetCaption(u"На&йти далее");
  bCancel = Place<TButton>(this, u"bCancel", At(326, 38, 90, 25));
  bCancel->SetCaption(u"Закрыть");
  bCancel->SetCancel(true);
  bCancel->SetModalResult(mrCancel);
  Label1 = Caption(this, u"Label1", At(8, 12, 104, 13), u"&Образец:", cbText);
  cbFindIn = PickList(this, u"cbFindIn", At(116, 38, 202, 21), {});
  Label2 = Caption(this, u"Label2", At(8, 42, 104, 13), u"&Поиск в:", cbFindIn);
  cbMatchinType = PickList(this, u"cbMatchinType", At(116, 68, 202, 21),
                           {u"С любой части поля", u"Поля целиком", u"С начала поля"});
  cbMatchType = Caption(this, u"cbMatchType", At(8, 72, 104, 13), u"&Совпадение:", cbMatchinType);
  cbFindDirection = PickList(this, u"cbFindDirection", At(116, 98, 120, 21), {u"Вверх", u"Вниз", u"Все"});
  cbFindDirection->SetItemIndex(2);
  Label3 = Caption(this, u"Label3", At(8, 102, 104, 13), u"Прос&мотр:", cbFindDirection);
  cbCharCase = Place<TCheckBox>(this, u"cbCharCase", At(8, 130, 200, 17));
  cbCharCase->SetCaption(u"С учетом ре&гистра");
  cbCharCase->SetChecked(false);
  cbUseFormat = Place<TCheckBox>(this, u"cbUseFormat", At(216, 130, 200, 17));
  cbUseFormat->SetCaption(u"С у&четом формата");
  cbUseFormat->SetChecked(true);
  dbcTreeFindRange = PickList(this, u"dbcTreeFindRange", At(116, 156, 202, 21),
                              {u"Во всех ветвях", u"В раскрытых ветвях", u"В текущем уровне", u"В текущей ветке"});
  Label4 = Caption(this, u"Label4", At(8, 160, 104, 13), u"Искать в дереве:", dbcTreeFindRange);

  bFind->OnClick = [this](TObject* Sender) { bFindClick(Sender); };
  bCancel->OnClick = [this](TObject* Sender) { bCancelClick(Sender); };
  const TNotifyEvent changed = [this](TObject* Sender) { SearchSettingChanged(Sender); };
  cbText->OnChange = changed;
  cbFindDirection->OnChange = changed;
  dbcTreeFindRange->OnChange = changed;
  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { FormKeyDown(Sender, Key, Shift); };
}

// ---------------------------------------------------------------------------
// Opening

void TDBGridEhFindDlg::SetGrid(IDataGridEh* Grid) {
  if (FGridComponent) FGridComponent->RemoveFreeNotification(this);
  FGrid = Grid;
  FGridComponent = dynamic_cast<TComponent*>(Grid);
  if (FGridComponent) FGridComponent->FreeNotification(this);
}

void TDBGridEhFindDlg::Notification(TComponent* AComponent, TOperation Operation) {
  TForm::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent && AComponent == FGridComponent) {
    FGrid = nullptr;
    FGridComponent = nullptr;
    FColumnFields.clear();
    cbFindIn->GetItems()->Clear();
  }
}

void TDBGridEhFindDlg::ShowTreeRange(bool Visible) {
  Label4->SetVisible(Visible);
  dbcTreeFindRange->SetVisible(Visible);
  SetClientHeight(Visible ? FDesignHeight : dbcTreeFindRange->GetTop());
}

void TDBGridEhFindDlg::FillColumns(const TColumnFieldsArrEh& ColumnFields) {
  FColumnFields = ColumnFields;
  if (FColumnFields.empty() && FGrid)
    for (IDataGridColumnEh* column : FGrid->GetVisibleGridColumns())
      FColumnFields.push_back({column->GetTitleCaption(), column});
  FColumnFields.push_back({AllColumnsText, nullptr});
  TStrings* items = cbFindIn->GetItems();
  items->Clear();
  for (const TColumnFieldItemEh& item : FColumnFields) items->Add(item.Caption);

  String selected;
  if (FGrid) {
    const std::vector<IDataGridColumnEh*> columns = FGrid->GetGridColumns();
    const Integer index = FGrid->GetSelectedIndex();
    if (index >= 0 && index < static_cast<Integer>(columns.size()))
      selected = columns[static_cast<size_t>(index)]->GetTitleCaption();
  }
  Integer current = items->IndexOf(selected);
  if (selected.empty() || current < 0) current = items->GetCount() - 1;
  cbFindIn->SetItemIndex(current);
}

void TDBGridEhFindDlg::Execute(IDataGridEh* Grid, const String& Text, const TColumnFieldsArrEh& ColumnFields,
                               bool Modal) {
  TDataSource* source = Grid ? Grid->GetDataSource() : nullptr;
  TDataSet* dataSet = source ? source->GetDataSet() : nullptr;
  auto* memTable = dynamic_cast<IMemTableEh*>(dataSet);
  ShowTreeRange(dataSet && dataSet->GetActive() && memTable && memTable->IsTreeList());

  cbText->SetText(Text);
  SetGrid(Grid);
  FillColumns(ColumnFields);
  FFirstSearch = true;
  if (GetVisible()) Close();
  SetActiveControl(cbText);
  if (Modal) {
    SetFormStyle(fsNormal);
    ShowModal();
  } else {
    SetFormStyle(fsStayOnTop);
    Show();
  }
}

void ExecuteDBGridEhFindDialog(IDataGridEh* Grid, const String& Text, const TColumnFieldsArrEh& ColumnFields,
                               bool Modal) {
  if (!DBGridEhFindDlg) DBGridEhFindDlg = new TDBGridEhFindDlg(Application);
  DBGridEhFindDlg->Execute(Grid, Text, ColumnFields, Modal);
}

// ---------------------------------------------------------------------------
// Searching

void TDBGridEhFindDlg::SearchSettingChanged(TObject*) { FFirstSearch = true; }

void TDBGridEhFindDlg::bFindClick(TObject*) {
  const bool reverse = GetKeyState(VK_CONTROL) < 0;
  const String text = cbText->GetText();
  if (cbText->GetItems()->IndexOf(text) < 0) cbText->GetItems()->Add(text);

  TDataSource* source = FGrid ? FGrid->GetDataSource() : nullptr;
  TDataSet* dataSet = source ? source->GetDataSet() : nullptr;
  if (!dataSet || !dataSet->GetActive()) return;

  const Integer columnIndex = cbFindIn->GetItemIndex();
  IDataGridColumnEh* column = columnIndex >= 0 && columnIndex < static_cast<Integer>(FColumnFields.size())
                                  ? FColumnFields[static_cast<size_t>(columnIndex)].Column
                                  : nullptr;
  // Esc pressed during a long search stops it.
  TLocateTextOptionsEh options = ltoEscapeStopsEh;
  if (!cbCharCase->GetChecked()) options |= ltoIgnoreCaseEh;
  if (cbUseFormat->GetChecked()) options |= ltoDisplayTextEh;
  if (!column) options |= ltoAllColumnsEh;

  TLocateTextDirectionEh direction;
  switch (cbFindDirection->GetItemIndex()) {
    case 0: direction = ltdUpEh; break;
    case 1: direction = ltdDownEh; break;
    default: direction = ltdAllEh; break;
  }
  if (reverse) direction = direction == ltdUpEh ? ltdDownEh : ltdUpEh;
  if (!FFirstSearch && direction == ltdAllEh) direction = ltdDownEh;

  const Integer matching = cbMatchinType->GetItemIndex();
  const Integer range = dbcTreeFindRange->GetItemIndex();
  const bool found = FGrid->LocateText(
      column ? column->GetFieldName() : String(), text,
      range >= 0 && range <= 3 ? static_cast<TLocateTextTreeFindRangeEh>(range) : lttAllBranchesEh,
      matching >= 0 && matching <= 2 ? static_cast<TLocateTextMatchingEh>(matching) : ltmAnyPartEh, direction, options);
  if (found) FFirstSearch = false;
  else DropStoppingEscape();
}

// The Esc that stopped a search has done its work: it does not close the dialog too.
void TDBGridEhFindDlg::DropStoppingEscape() {
  const HWND focus = GetFocus();
  TMsg msg;
  if (focus && PeekMessage(msg, focus, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE) && msg.wParam == VK_ESCAPE)
    PeekMessage(msg, focus, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE);
}

void TDBGridEhFindDlg::bCancelClick(TObject*) {
  if (!(GetFormState().Contains(fsModal))) Close();
}

// ---------------------------------------------------------------------------
// Keys

// Whether the focused control (or a control around it) claims Enter or Esc,
// as an open drop-down list does.
bool TDBGridEhFindDlg::FocusedControlWantsKey(Word Key) {
  for (TWinControl* c = GetActiveControl(); c && c != this; c = c->GetParent())
    if (c->Perform(CM_WANTSPECIALKEY, Key, 0) != 0) return true;
  return false;
}

void TDBGridEhFindDlg::FormKeyDown(TObject*, Word& Key, TShiftState) {
  if (Key != VK_RETURN && Key != VK_ESCAPE) return;
  if (FocusedControlWantsKey(Key)) return;
  const bool modal = GetFormState().Contains(fsModal);
  if (Key == VK_ESCAPE) {
    // A modal dialog closes through its cancel button.
    if (!modal) {
      Key = 0;
      Close();
    }
  } else {
    Key = 0;
    bFindClick(bFind);
  }
  if (TCustomEdit* edit = cbText->GetEditControl()) edit->SetModified(false);
}
