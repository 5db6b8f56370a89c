// The property-storage interceptors: the registry that pairs target classes with
// interceptor classes, and the form interceptor's reading and applying of a
// form's place, size, state and active control.

#include <gtest/gtest.h>

#include "editors/PropFilerEh.h"
#include "platform/backend/Headless.h"
#include "platform/core/Filer.h"
#include "platform/core/Streams.h"
#include "platform/ui/StdCtrls.h"

namespace {

class TOtherFormInterceptor : public TFormStoragePropertyInterceptor {
public:
  BORROW_INTERCEPTOR(TOtherFormInterceptor, TFormStoragePropertyInterceptor)
  using TFormStoragePropertyInterceptor::TFormStoragePropertyInterceptor;
};

class TButtonInterceptor : public TStoragePropertyInterceptor {
public:
  BORROW_INTERCEPTOR(TButtonInterceptor, TStoragePropertyInterceptor)
  using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
};

// Puts the start-up registration back after each test.
class InterceptorRegistry : public ::testing::Test {
protected:
  void TearDown() override {
    UnregisterClassPropertyInterceptorEh(TCustomControl::StaticClass(), TButtonInterceptor::StaticInterceptorClass());
    UnregisterClassPropertyInterceptorEh(TButton::StaticClass(), TButtonInterceptor::StaticInterceptorClass());
    RegisterClassPropertyInterceptorEh(TCustomForm::StaticClass(),
                                       TFormStoragePropertyInterceptor::StaticInterceptorClass());
  }
};

TEST_F(InterceptorRegistry, FormsHaveTheirInterceptorFromStartUp) {
  EXPECT_EQ(GetClassPropertyInterceptorEh(TCustomForm::StaticClass()),
            TFormStoragePropertyInterceptor::StaticInterceptorClass());
  // A form class of its own finds its nearest registered ancestor's.
  EXPECT_EQ(GetClassPropertyInterceptorEh(TForm::StaticClass()),
            TFormStoragePropertyInterceptor::StaticInterceptorClass());
  EXPECT_EQ(GetClassPropertyInterceptorEh(TButton::StaticClass()), nullptr);
}

TEST_F(InterceptorRegistry, ASecondRegistrationForAClassReplacesTheFirst) {
  RegisterClassPropertyInterceptorEh(TCustomForm::StaticClass(), TOtherFormInterceptor::StaticInterceptorClass());
  EXPECT_EQ(GetClassPropertyInterceptorEh(TForm::StaticClass()), TOtherFormInterceptor::StaticInterceptorClass());
  // Unregistering needs both classes to match.
  UnregisterClassPropertyInterceptorEh(TCustomForm::StaticClass(),
                                       TFormStoragePropertyInterceptor::StaticInterceptorClass());
  EXPECT_EQ(GetClassPropertyInterceptorEh(TForm::StaticClass()), TOtherFormInterceptor::StaticInterceptorClass());
  UnregisterClassPropertyInterceptorEh(TCustomForm::StaticClass(), TOtherFormInterceptor::StaticInterceptorClass());
  EXPECT_EQ(GetClassPropertyInterceptorEh(TForm::StaticClass()), nullptr);
}

TEST_F(InterceptorRegistry, TheExactClassWinsOverAnAncestor) {
  RegisterClassPropertyInterceptorEh(TCustomControl::StaticClass(), TButtonInterceptor::StaticInterceptorClass());
  EXPECT_EQ(GetClassPropertyInterceptorEh(TForm::StaticClass()),
            TFormStoragePropertyInterceptor::StaticInterceptorClass());
  EXPECT_EQ(GetClassPropertyInterceptorEh(TCustomControl::StaticClass()), TButtonInterceptor::StaticInterceptorClass());
}

TEST_F(InterceptorRegistry, TheClassMakesAnInterceptorForItsTarget) {
  TStringList target;
  std::unique_ptr<TStoragePropertyInterceptor> i(TButtonInterceptor::StaticInterceptorClass()->Create(&target));
  EXPECT_EQ(i->GetTarget(), &target);
  EXPECT_EQ(i->ClassType(), TButtonInterceptor::StaticClass());
  i->ApplyLoadedValues();  // nothing in the base
}

// ---- The form interceptor ------------------------------------------------------------------------------

class FormInterceptor : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  TForm* Form = nullptr;
  TEdit* Edit1 = nullptr;
  TEdit* Edit2 = nullptr;

  void SetUp() override {
    Form = new TForm(Application);
    Form->SetBounds(120, 80, 400, 300);
    Edit1 = new TEdit(Form);
    Edit1->SetName(u"Edit1");
    Edit1->SetParent(Form);
    Edit2 = new TEdit(Form);
    Edit2->SetName(u"Edit2");
    Edit2->SetParent(Form);
    Edit2->SetTop(40);
    Form->SetActiveControl(Edit1);
  }
};

TEST_F(FormInterceptor, ReadsTheFormsPlaceStateAndActiveControl) {
  TFormStoragePropertyInterceptor i(Form);
  EXPECT_EQ(i.GetLeft(), 120);
  EXPECT_EQ(i.GetTop(), 80);
  EXPECT_EQ(i.GetWidth(), 400);
  EXPECT_EQ(i.GetHeight(), 300);
  EXPECT_EQ(i.GetPixelsPerInch(), 96);
  EXPECT_EQ(i.GetWindowState(), wsNormal);
  EXPECT_EQ(i.GetActiveControl(), Edit1);
  // The place is read live.
  Form->SetBounds(10, 20, 300, 200);
  EXPECT_EQ(i.GetLeft(), 10);
  EXPECT_EQ(i.GetWidth(), 300);
}

TEST_F(FormInterceptor, AnythingButAFormReadsAsZero) {
  TStringList notAForm;
  TFormStoragePropertyInterceptor i(&notAForm);
  EXPECT_EQ(i.GetLeft(), 0);
  EXPECT_EQ(i.GetHeight(), 0);
  i.SetWidth(50);
  i.ApplyLoadedValues();  // nothing to apply to
  EXPECT_EQ(i.GetActiveControl(), nullptr);
}

TEST_F(FormInterceptor, AppliesTheStoredPlaceAndActiveControl) {
  Form->Show();
  TFormStoragePropertyInterceptor i(Form);
  EXPECT_FALSE(i.GetPosLoaded());
  i.SetLeft(200);
  i.SetTop(150);
  i.SetWidth(500);
  i.SetHeight(350);
  i.SetActiveControl(Edit2);
  EXPECT_TRUE(i.GetPosLoaded());
  i.ApplyLoadedValues();
  EXPECT_EQ(Form->GetBoundsRect(), Bounds(200, 150, 500, 350));
  EXPECT_EQ(GetWindowRect(Form->GetHandle()), Bounds(200, 150, 500, 350));
  EXPECT_EQ(Form->GetActiveControl(), Edit2);
}

TEST_F(FormInterceptor, AMaximisedFormGivesAndKeepsItsRestoredSize) {
  Form->Show();
  Form->SetWindowState(wsMaximized);
  ASSERT_TRUE(IsZoomed(Form->GetHandle()));
  ASSERT_EQ(Form->GetWidth(), 1280);
  TFormStoragePropertyInterceptor i(Form);
  EXPECT_EQ(i.GetLeft(), 120);
  EXPECT_EQ(i.GetWidth(), 400);
  EXPECT_EQ(i.GetHeight(), 300);
  EXPECT_EQ(i.GetWindowState(), wsMaximized);
  // Applying keeps it maximised, with the stored size as its restored size.
  i.SetWidth(420);
  i.ApplyLoadedValues();
  EXPECT_TRUE(IsZoomed(Form->GetHandle()));
  EXPECT_EQ(Form->GetWidth(), 1280);
  EXPECT_EQ(i.GetWidth(), 420);
  Form->SetWindowState(wsNormal);
  EXPECT_EQ(Form->GetBoundsRect(), Bounds(120, 80, 420, 300));
}

TEST_F(FormInterceptor, AppliedStateMaximisesANormalForm) {
  Form->Show();
  TFormStoragePropertyInterceptor i(Form);
  i.SetWindowState(wsMaximized);
  i.SetLeft(30);
  i.ApplyLoadedValues();
  EXPECT_TRUE(IsZoomed(Form->GetHandle()));
  Form->SetWindowState(wsNormal);
  EXPECT_EQ(Form->GetBoundsRect(), Bounds(30, 80, 400, 300));
}

TEST_F(FormInterceptor, ValuesStoredAtAnotherDensityAreScaledToTheScreens) {
  TFormStoragePropertyInterceptor i(Form);
  // Stored at 120 pixels per inch, applied on this 96 one: four fifths.
  i.SetPixelsPerInch(120);
  i.SetLeft(100);
  i.SetTop(50);
  i.SetWidth(500);
  i.SetHeight(375);
  i.ApplyLoadedValues();
  EXPECT_EQ(Form->GetBoundsRect(), Bounds(80, 40, 400, 300));
  // Stored at 48: twice the size.
  TFormStoragePropertyInterceptor j(Form);
  j.SetPixelsPerInch(48);
  j.SetWidth(150);
  j.ApplyLoadedValues();
  EXPECT_EQ(Form->GetWidth(), 300);
}

TEST_F(FormInterceptor, AStoredDensityOfZeroLeavesTheValuesUnscaled) {
  TFormStoragePropertyInterceptor i(Form);
  i.SetPixelsPerInch(0);
  i.SetLeft(33);
  i.SetWidth(333);
  i.ApplyLoadedValues();
  EXPECT_EQ(Form->GetLeft(), 33);
  EXPECT_EQ(Form->GetWidth(), 333);
}

TEST_F(FormInterceptor, ALoadedPositionOverridesCentring) {
  Form->SetPosition(poScreenCenter);
  TFormStoragePropertyInterceptor i(Form);
  i.SetWidth(410);  // a size alone keeps the centring
  i.ApplyLoadedValues();
  EXPECT_EQ(Form->GetPosition(), poScreenCenter);
  i.SetTop(60);
  i.ApplyLoadedValues();
  EXPECT_EQ(Form->GetPosition(), poDesigned);
  Form->SetPosition(poMainFormCenter);
  i.ApplyLoadedValues();
  EXPECT_EQ(Form->GetPosition(), poMainFormCenter);
}

TEST_F(FormInterceptor, AStoreReadsAndWritesItsPublishedProperties) {
  TFormStoragePropertyInterceptor saved(Form);
  TMemoryStream stream;
  {
    TWriter w(&stream);
    w.WriteProperties(&saved);
    w.WriteListEnd();
  }
  std::vector<String> names;
  for (const TPropInfo& p : TFiler::PropertiesOf(&saved)) names.push_back(p.Name);
  EXPECT_EQ(names, (std::vector<String>{u"ActiveControl", u"Height", u"Left", u"PixelsPerInch", u"Top", u"Width",
                                        u"WindowState"}));
  // Read back into an interceptor of the same form after the form moved.
  Form->SetBounds(0, 0, 100, 100);
  Form->SetActiveControl(Edit2);
  TFormStoragePropertyInterceptor loaded(Form);
  stream.SetPosition(0);
  TReader r(&stream);
  while (!r.EndOfList()) r.ReadProperty(&loaded);
  loaded.ApplyLoadedValues();
  EXPECT_EQ(Form->GetBoundsRect(), Bounds(120, 80, 400, 300));
  EXPECT_EQ(Form->GetActiveControl(), Edit1);
}

}  // namespace
