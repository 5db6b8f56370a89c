// The editors in a component stream: a form holding editors of every kind is
// written and read back into another form, and every property that was assigned
// comes back; what follows the field or keeps its default is not written.

#include "DBDateNumberTestSupport.h"
#include "editors/DaVirVCL.h"
#include "platform/core/Filer.h"
#include "platform/core/Streams.h"
#include "tests/support/ComponentStream.h"
#include "platform/ui/ImgList.h"

namespace {

// The stream creates the form's data source and image list by class.
struct PlatformClassesRegistered {
  PlatformClassesRegistered() {
    RegisterClasses({TDataSource::StaticComponentClass(), TImageList::StaticComponentClass()});
  }
  ~PlatformClassesRegistered() {
    UnRegisterClasses({TDataSource::StaticComponentClass(), TImageList::StaticComponentClass()});
  }
};

bool Contains(const std::string& Bytes, const std::string& Part) { return Bytes.find(Part) != std::string::npos; }

class DBEditorsStreaming : public DBDateNumberFixture {
protected:
  PlatformClassesRegistered Registered;

  void SetUp() override {
    DBDateNumberFixture::SetUp();
    OpenDates();
  }

  template <class E>
  E* Put(TForm* Owner, const String& Name) {
    auto* e = new E(Owner);
    e->SetName(Name);
    e->SetParent(Owner);
    return e;
  }

  template <class E>
  E* Named(TForm* Owner, const String& Name) {
    auto* e = dynamic_cast<E*>(Owner->FindComponent(Name));
    EXPECT_NE(e, nullptr) << "no " << std::string(Name.begin(), Name.end());
    return e;
  }
};

}  // namespace

TEST_F(DBEditorsStreaming, AFormOfEditorsComesBackWithEveryAssignedProperty) {
  auto* from = new TForm(Application);
  from->SetName(u"ResourceForm");
  auto* source = new TDataSource(from);
  source->SetName(u"SourceResources");
  auto* images = new TImageList(from);
  images->SetName(u"ImagesSmall");
  auto* find = new TAction(from);
  find->SetName(u"ActionFind");
  find->SetHint(u"Найти");

  auto* name = Put<TCustomDBEditEh>(from, u"EditName");
  name->SetDataSource(source);
  name->SetDataField(u"NAME_THIS");
  name->SetAlignment(taCenter);
  name->SetFlat(true);
  name->SetHighlightRequired(true);
  name->SetTooltips(true);
  name->SetAlwaysShowBorder(true);
  name->SetAutoSelect(false);
  name->SetImages(images);
  name->GetEditButton()->SetStyle(ebsEllipsisEh);
  name->GetEditButton()->SetVisible(true);
  name->GetEditButton()->SetWidth(15);
  name->GetEditButton()->SetAction(find);
  TEditButtonEh* extra = name->GetEditButtons()->Add();
  extra->SetStyle(ebsPlusEh);
  extra->SetHint(u"Добавить");
  extra->SetEnabled(false);
  extra->GetGlyph()->SetSize(3, 2);
  extra->GetGlyph()->GetCanvas()->SetPixel(1, 1, TColor(0x0000FF));
  name->GetMRUList()->SetActive(true);
  name->GetMRUList()->GetItems()->SetText(u"Первая\nВторая");

  auto* code = Put<TCustomDBEditEh>(from, u"EditCode");
  code->SetEditMask(u"!99-99;1;_");
  code->SetText(u"12-34");

  auto* kind = Put<TDBComboBoxEh>(from, u"ComboKind");
  kind->GetItems()->SetText(u"Группа\nРесурс");
  kind->GetKeyItems()->SetText(u"0\n1");
  kind->SetValue(Variant(u"1"));
  kind->GetDropDownBox()->SetRows(3);
  kind->GetDropDownBox()->SetWidth(-1);
  kind->GetDropDownBox()->SetAutoDrop(true);
  auto* syntax = Put<TDBComboBoxEh>(from, u"ComboSyntax");
  syntax->GetItems()->SetText(u"RUSMARC\nUSMARC");
  syntax->SetCharCase(ecUpperCase);
  syntax->SetMaxLength(20);
  syntax->SetText(u"UNIMARC");

  auto* added = Put<TDBDateTimeEditEh>(from, u"DateAdded");
  added->SetEditFormat(u"DD/MM/YYYY HH:NN");
  added->SetValue(Variant::FromDate(EncodeDateTime(2024, 3, 15, 9, 30, 0, 0)));
  auto* at = Put<TDBDateTimeEditEh>(from, u"TimeAt");
  at->SetKind(dtkTimeEh);

  auto* npp = Put<TDBNumberEditEh>(from, u"NumberNpp");
  npp->SetDecimalPlaces(0);
  npp->SetDisplayFormat(u"#,##0");
  npp->SetIncrement(5);
  npp->SetMinValue(1);
  npp->SetMaxValue(100);
  npp->SetCurrency(true);
  npp->SetValue(Variant(42.0));

  auto* active = Put<TDBCheckBoxEh>(from, u"CheckActive");
  active->SetCaption(u"Действует");
  active->SetAllowGrayed(true);
  active->SetState(cbGrayed);
  active->SetValueChecked(u"Y;Yes");
  active->SetAlignment(taLeftJustify);
  active->SetFlat(true);
  auto* used = Put<TDBCheckBoxEh>(from, u"CheckUsed");
  used->SetDataSource(source);
  used->SetDataField(u"USED");
  used->SetReadOnly(true);

  const std::string bytes = StreamOf(from);
  delete from;
  auto* to = new TForm(Application);
  ReadInto(bytes, to);
  auto* toSource = Named<TDataSource>(to, u"SourceResources");
  auto* toImages = Named<TImageList>(to, u"ImagesSmall");
  auto* toFind = Named<TAction>(to, u"ActionFind");

  name = Named<TCustomDBEditEh>(to, u"EditName");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->GetParent(), to);
  EXPECT_EQ(name->GetDataSource(), toSource);
  EXPECT_EQ(name->GetDataField(), u"NAME_THIS");
  EXPECT_TRUE(name->GetAlignmentAssigned());
  EXPECT_EQ(name->GetAlignment(), taCenter);
  EXPECT_TRUE(name->GetFlat());
  EXPECT_TRUE(name->GetHighlightRequired());
  EXPECT_TRUE(name->GetTooltips());
  EXPECT_TRUE(name->GetAlwaysShowBorder());
  EXPECT_FALSE(name->GetAutoSelect());
  EXPECT_EQ(name->GetImages(), toImages);
  EXPECT_TRUE(name->GetEditImage()->GetVisible());
  EXPECT_EQ(name->GetEditButton()->GetStyle(), ebsEllipsisEh);
  EXPECT_TRUE(name->GetEditButton()->GetVisible());
  EXPECT_EQ(name->GetEditButton()->GetWidth(), 15);
  EXPECT_EQ(name->GetEditButton()->GetAction(), toFind);
  EXPECT_EQ(name->GetEditButton()->GetHint(), u"Найти");
  ASSERT_EQ(name->GetEditButtons()->GetCount(), 1);
  extra = name->GetEditButtons()->Items(0);
  EXPECT_EQ(extra->GetStyle(), ebsPlusEh);
  EXPECT_EQ(extra->GetHint(), u"Добавить");
  EXPECT_FALSE(extra->GetEnabled());
  ASSERT_EQ(extra->GetGlyph()->GetWidth(), 3);
  EXPECT_EQ(extra->GetGlyph()->GetHeight(), 2);
  EXPECT_EQ(ColorToRGB(extra->GetGlyph()->GetCanvas()->GetPixel(1, 1)) & 0xFFFFFF, 0x0000FF);
  EXPECT_TRUE(name->GetMRUList()->GetActive());
  ASSERT_EQ(name->GetMRUList()->GetItems()->GetCount(), 2);
  EXPECT_EQ(name->GetMRUList()->GetItems()->Get(1), u"Вторая");

  code = Named<TCustomDBEditEh>(to, u"EditCode");
  EXPECT_EQ(code->GetEditMask(), u"!99-99;1;_");
  EXPECT_EQ(code->GetEditText(), u"12-34");
  EXPECT_TRUE(code->GetValue() == Variant(u"12-34"));

  kind = Named<TDBComboBoxEh>(to, u"ComboKind");
  EXPECT_TRUE(kind->GetKeyMode());
  EXPECT_EQ(kind->GetItemIndex(), 1);
  EXPECT_EQ(kind->GetText(), u"Ресурс");
  EXPECT_TRUE(kind->GetValue() == Variant(u"1"));
  EXPECT_EQ(kind->GetDropDownBox()->GetRows(), 3);
  EXPECT_EQ(kind->GetDropDownBox()->GetWidth(), -1);
  EXPECT_TRUE(kind->GetDropDownBox()->GetAutoDrop());
  syntax = Named<TDBComboBoxEh>(to, u"ComboSyntax");
  EXPECT_EQ(syntax->GetCharCase(), ecUpperCase);
  EXPECT_EQ(syntax->GetMaxLength(), 20);
  EXPECT_EQ(syntax->GetText(), u"UNIMARC");
  EXPECT_EQ(syntax->GetItems()->GetCount(), 2);

  added = Named<TDBDateTimeEditEh>(to, u"DateAdded");
  EXPECT_EQ(added->GetKind(), dtkCustomEh);
  EXPECT_EQ(added->GetEditFormat(), u"DD/MM/YYYY HH:NN");
  EXPECT_EQ(added->GetText(), u"15.03.2024 09:30");
  EXPECT_EQ(added->GetValue().AsDateTime(), EncodeDateTime(2024, 3, 15, 9, 30, 0, 0));
  at = Named<TDBDateTimeEditEh>(to, u"TimeAt");
  EXPECT_EQ(at->GetKind(), dtkTimeEh);
  EXPECT_EQ(at->GetEditFormat(), u"HH:NN:SS");

  npp = Named<TDBNumberEditEh>(to, u"NumberNpp");
  EXPECT_EQ(npp->GetDecimalPlaces(), 0u);
  EXPECT_EQ(npp->GetDisplayFormat(), u"#,##0");
  EXPECT_EQ(npp->GetIncrement(), 5);
  EXPECT_EQ(npp->GetMinValue(), 1);
  EXPECT_EQ(npp->GetMaxValue(), 100);
  EXPECT_TRUE(npp->GetCurrency());
  EXPECT_TRUE(npp->GetValue() == Variant(42.0));

  active = Named<TDBCheckBoxEh>(to, u"CheckActive");
  EXPECT_EQ(active->GetCaption(), u"Действует");
  EXPECT_TRUE(active->GetAllowGrayed());
  EXPECT_EQ(active->GetState(), cbGrayed);
  EXPECT_TRUE(active->GetValue().IsNull());
  EXPECT_EQ(active->GetValueChecked(), u"Y;Yes");
  EXPECT_EQ(active->GetAlignment(), taLeftJustify);
  EXPECT_TRUE(active->GetFlat());
  used = Named<TDBCheckBoxEh>(to, u"CheckUsed");
  EXPECT_EQ(used->GetDataSource(), toSource);
  EXPECT_EQ(used->GetDataField(), u"USED");
  EXPECT_TRUE(used->GetReadOnly());

  // Bound again to the table, the editors show its record.
  toSource->SetDataSet(&Table);
  EXPECT_EQ(name->GetText(), u"Библиотеки");
  EXPECT_EQ(used->GetState(), cbGrayed);  // "Y" is neither of the default texts
  EXPECT_EQ(StreamOf(to), bytes);
  delete to;
}

TEST_F(DBEditorsStreaming, WhatFollowsTheFieldOrKeepsItsDefaultIsNotWritten) {
  MakeForm();
  Form->SetName(u"Plain");
  auto* name = Put<TCustomDBEditEh>(Form, u"EditName");
  name->SetDataSource(&Source);
  name->SetDataField(u"NAME_THIS");
  auto* date = Put<TDBDateTimeEditEh>(Form, u"DateAdded");
  auto* number = Put<TDBNumberEditEh>(Form, u"NumberNpp");
  number->SetDataSource(&Source);
  number->SetDataField(u"NPP");
  auto* box = Put<TDBCheckBoxEh>(Form, u"CheckActive");
  box->SetDataSource(&Source);
  box->SetDataField(u"ACTIVE");
  const std::string bytes = StreamOf(Form);
  for (const char* absent : {"Alignment", "Value", "EditMask", "EditFormat", "DisplayFormat", "MinValue", "MaxValue",
                             "currency", "Increment", "DecimalPlaces", "State", "Text", "EditButton.", "EditButtons"})
    EXPECT_FALSE(Contains(bytes, absent)) << absent;
  EXPECT_TRUE(Contains(bytes, "Kind"));  // a date editor's kind is written unless it is custom

  // Assigned, they are.
  date->SetEditFormat(u"YYYY/MM/DD");
  Put<TDBComboBoxEh>(Form, u"ComboSyntax")->SetText(u"USMARC");
  number->SetMinValue(0);
  const std::string assigned = StreamOf(Form);
  EXPECT_TRUE(Contains(assigned, "EditFormat"));
  EXPECT_TRUE(Contains(assigned, "Text"));
  EXPECT_TRUE(Contains(assigned, "MinValue"));
}

TEST_F(DBEditorsStreaming, AnEditorsDataSourcePropertyLeadsToItsDatasetAndNoOtherPropertyDoes) {
  MakeForm();
  auto* name = Make<TCustomDBEditEh>(20, 20, 180, 21);
  TImageList images(nullptr);
  name->SetImages(&images);
  const std::vector<TPropInfo> props = TFiler::PropertiesOf(name);
  const TPropInfo* source = FindPropInfo(props, u"DataSource");
  const TPropInfo* imageList = FindPropInfo(props, u"Images");
  const TPropInfo* field = FindPropInfo(props, u"DataField");
  ASSERT_TRUE(source && imageList && field);
  EXPECT_EQ(TypeInfoKindEh(PropInfoTypeEh(*source)), tkClass);
  EXPECT_EQ(TypeInfoKindEh(PropInfoTypeEh(*field)), tkUString);
  EXPECT_EQ(GetDataSourcePropDataSetEh(name, *source), nullptr);  // no data source yet

  name->SetDataSource(&Source);
  name->SetDataField(u"NAME_THIS");
  EXPECT_EQ(GetDataSourcePropDataSetEh(name, *source), &Table);
  EXPECT_EQ(GetDataSourcePropDataSetEh(name, *imageList), nullptr);  // class-typed, another class
  EXPECT_EQ(GetDataSourcePropDataSetEh(name, *field), nullptr);      // not class-typed
}
