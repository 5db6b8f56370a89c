#pragma once
// The data-aware editors on a headless form, bound to an in-memory table of three
// resources:
//   NAME_THIS  text (40)          NPP     a number from 1 to 100
//   ID_TYPE    0 group, 1 item    SYNTAX  text (20)
//   ACTIVE     Boolean            USED    "Y" / "N" text (5)
// The third record holds Null in every field.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "editors/DBCtrlsEh.h"
#include "memtable/MemTableEh.h"
#include "platform/backend/Headless.h"
#include "platform/ui/ActnList.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

class DBEditorsFixture : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  TMemTableEh Table{nullptr};
  TDataSource Source{nullptr};
  TForm* Form = nullptr;
  TButton* Other = nullptr;  // a control to leave the editors for

  void SetUp() override {
    AddColumn(TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"NAME_THIS", 40);
    AddColumn(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"NPP");
    AddColumn(TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID_TYPE");
    AddColumn(TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"SYNTAX", 20);
    AddColumn(TMTBooleanDataFieldEh::StaticComponentClass(), ftBoolean, u"ACTIVE");
    AddColumn(TMTStringDataFieldEh::StaticComponentClass(), ftWideString, u"USED", 5);
    Source.SetDataSet(&Table);
  }

  void TearDown() override {
    delete Form;
    Form = nullptr;
  }

  // The table open on its first record.
  void OpenTable() {
    Table.Open();
    Table.AppendRecord(
        {Variant(u"Библиотеки"), Variant(1), Variant(0), Variant(u"RUSMARC"), Variant(true), Variant(u"Y")});
    Table.AppendRecord(
        {Variant(u"Первая"), Variant(2), Variant(1), Variant(u"UNIMARC"), Variant(false), Variant(u"N")});
    Table.AppendRecord({Null(), Null(), Null(), Null(), Null(), Null()});
    auto* npp = dynamic_cast<TIntegerField*>(Table.FieldByName(u"NPP"));
    npp->SetMinValue(1);
    npp->SetMaxValue(100);
    Table.First();
  }

  // A shown form at (100, 100) with a button to move the focus to.
  void MakeForm(Integer Width = 360, Integer Height = 220) {
    Form = new TForm(Application);
    Form->SetBounds(100, 100, Width, Height);
    Other = new TButton(Form);
    Other->SetParent(Form);
    Other->SetBounds(Width - 100, Height - 70, 75, 25);
    Other->SetCaption(u"Другая");
    Form->Show();
    Display.ProcessMessages();
  }

  template <class E>
  E* Make(Integer L, Integer T, Integer W, Integer H) {
    auto* e = new E(Form);
    e->SetParent(Form);
    e->SetBounds(L, T, W, H);
    return e;
  }

  // An editor of class E bound to a field of the table.
  template <class E>
  E* MakeBound(const String& FieldName, Integer L = 20, Integer T = 20, Integer W = 180, Integer H = 21) {
    E* e = Make<E>(L, T, W, H);
    e->SetDataSource(&Source);
    e->SetDataField(FieldName);
    Display.ProcessMessages();
    return e;
  }

  void Focus(TWinControl* Control) {
    Control->SetFocus();
    Display.ProcessMessages();
  }

  bool HasFocus(TWinControl* Control) { return Control->HandleAllocated() && GetFocus() == Control->GetHandle(); }

  TField* Field(const String& Name) { return Table.FieldByName(Name); }

  // The field's value in the store, read again from the first record's position.
  Variant StoredValue(const String& Name, Integer RecNo) {
    Table.First();
    Table.MoveBy(RecNo - 1);
    return Table.FieldByName(Name)->GetValue();
  }

private:
  void AddColumn(TComponentClass Class, TFieldType Type, const String& Name, Integer Size = 0) {
    TMTDataFieldEh* f = Table.GetMemTableData()->GetDataStruct()->CreateField(Class);
    f->SetDataType(Type);
    f->SetFieldName(Name);
    if (Size > 0) f->SetSize(Size);
  }
};

// Posts the record of the data source it is aimed at; enabled while that record is
// edited. It has no handlers: executed, it finds its data source through the
// control that has the focus.
class TPostRecordAction : public TAction {
public:
  using TAction::TAction;
  bool HandlesTarget(TObject* Target) override {
    auto* source = dynamic_cast<TDataSource*>(Target);
    return source && source->GetDataSet();
  }
  void ExecuteTarget(TObject* Target) override { static_cast<TDataSource*>(Target)->GetDataSet()->Post(); }
  void UpdateTarget(TObject* Target) override {
    const TDataSetState state = static_cast<TDataSource*>(Target)->GetState();
    SetEnabled(state == dsEdit || state == dsInsert);
  }
};

// Where the editors' tests keep their pictures.
inline std::filesystem::path EditorArtifactPath(const std::string& Name) {
  const std::filesystem::path dir = std::filesystem::path(BORROW_BINARY_DIR) / "test-artifacts";
  std::filesystem::create_directories(dir);
  return dir / Name;
}
