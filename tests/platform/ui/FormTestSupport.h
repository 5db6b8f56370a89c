#pragma once
// A form on the headless display for the control tests to place controls on.

#include <gtest/gtest.h>

#include "platform/backend/Headless.h"
#include "platform/ui/Forms.h"

class FormFixture : public ::testing::Test {
protected:
  THeadlessDisplay Display;
  TForm* Form = nullptr;

  // The test's form at (100, 100), owned by the application.
  void MakeForm(Integer Width, Integer Height) {
    Form = new TForm(Application);
    Form->SetBounds(100, 100, Width, Height);
  }

  // A control owned by the form and shown in Parent (the form when null).
  template <class T>
  T* Make(Integer L, Integer T_, Integer W, Integer H, TWinControl* Parent = nullptr) {
    auto* c = new T(Form);
    c->SetParent(Parent ? Parent : Form);
    c->SetBounds(L, T_, W, H);
    return c;
  }
};
