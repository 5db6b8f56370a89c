// The mask edit typed into on the headless display: accepted and refused
// characters (Cyrillic included), literals skipped, blanks on deletion, paste,
// validation and Esc.

#include <gtest/gtest.h>

#include "platform/backend/Headless.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/Mask.h"
#include "tests/platform/ui/FormTestSupport.h"

namespace {

class MaskEdit : public FormFixture {
protected:
  TMaskEdit* Edit = nullptr;
  TEdit* Other = nullptr;

  void SetUp() override {
    MakeForm(300, 200);
    Edit = Make<TMaskEdit>(10, 10, 150, 21);
    Other = Make<TEdit>(10, 50, 150, 21);
  }
  void Start(const String& Mask) {
    Edit->SetEditMask(Mask);
    Form->Show();
    Edit->SetFocus();
    Display.ProcessMessages();
    Edit->SetSelStart(0);
  }
};

}  // namespace

TEST_F(MaskEdit, TypingFillsInputPositionsAndSkipsLiterals) {
  Start(u">LLL-000;0;_");
  Display.TypeText(u"жук123");
  EXPECT_EQ(Edit->GetEditText(), u"ЖУК-123");
  EXPECT_EQ(Edit->GetText(), u"ЖУК123");
}

TEST_F(MaskEdit, RefusedCharactersBeepAndChangeNothing) {
  Start(u"00.00;1;_");
  const Integer beeps = GetMessageBeepCount();
  Display.TypeText(u"a");
  Display.TypeText(u"я");
  EXPECT_EQ(Edit->GetEditText(), u"__.__");
  EXPECT_EQ(GetMessageBeepCount(), beeps + 2);
  Display.TypeText(u"1x2");
  EXPECT_EQ(Edit->GetEditText(), u"12.__");
  Display.TypeText(u"345");  // the last one has no place left
  EXPECT_EQ(Edit->GetEditText(), u"12.34");
  EXPECT_EQ(GetMessageBeepCount(), beeps + 4);
}

TEST_F(MaskEdit, BackspaceAndDeleteBlankInsteadOfShifting) {
  Start(u"999-999;1;_");
  Display.TypeText(u"123456");
  EXPECT_EQ(Edit->GetEditText(), u"123-456");
  Display.Key(VK_BACK);
  EXPECT_EQ(Edit->GetEditText(), u"123-45_");
  Display.Key(VK_HOME);
  Display.Key(VK_DELETE);
  EXPECT_EQ(Edit->GetEditText(), u"_23-45_");
  Display.Key(VK_RIGHT);
  Display.Key(VK_RIGHT);
  Display.Key(VK_RIGHT);  // over the literal
  Display.TypeText(u"9");
  EXPECT_EQ(Edit->GetEditText(), u"_23-95_");
}

TEST_F(MaskEdit, PasteTypesEachCharacterAndStopsAtTheFirstRefused) {
  Start(u"000-000;0;_");
  Clipboard()->SetAsText(u"12-34x6");
  Display.Key('V', THeadlessShift::Ctrl);
  EXPECT_EQ(Edit->GetEditText(), u"12_-34_");
}

TEST_F(MaskEdit, LeavingWithRequiredBlanksRaisesAndEscapeRestores) {
  Start(u"00.00;1;_");
  Edit->SetEditText(u"11.22");
  Edit->SetFocus();
  Other->SetFocus();
  Edit->SetFocus();
  Display.ProcessMessages();
  Edit->SetSelStart(0);
  Display.TypeText(u"3");
  EXPECT_EQ(Edit->GetEditText(), u"31.22");
  Display.Key(VK_ESCAPE);
  EXPECT_EQ(Edit->GetEditText(), u"11.22");
  Display.Key(VK_END);
  Display.Key(VK_BACK);
  EXPECT_THROW(Edit->ValidateEdit(), EDBEditError);
  EXPECT_EQ(Edit->GetSelStart(), 4);  // the caret waits at the missing digit
}

TEST_F(MaskEdit, WithoutAMaskItIsAPlainEdit) {
  Start(u"");
  Display.TypeText(u"Ключевое слово");
  EXPECT_EQ(Edit->GetText(), u"Ключевое слово");
  Edit->SetEditMask(u"9999;0; ");
  EXPECT_EQ(Edit->GetEditText(), u"    ");
  Edit->SetText(u"2011");
  EXPECT_EQ(Edit->GetEditText(), u"2011");
  EXPECT_FALSE(Edit->GetModified());
}
