// The grid's "Columns" in a component stream: written only for columns of the
// user's, each property only when assigned and different from its default,
// and read back whole. The expected bytes are kept on disk.

#include <fstream>
#include <sstream>

#include "DBGridTestSupport.h"
#include "platform/core/Filer.h"
#include "platform/core/Streams.h"
#include "platform/ui/ExtCtrls.h"

namespace {

std::string StreamOf(TComponent* Root) {
  TMemoryStream Stream;
  {
    TWriter Writer(&Stream);
    Writer.WriteRootComponent(Root);
  }
  return std::string(static_cast<const char*>(Stream.GetMemory()), size_t(Stream.GetSize()));
}

void ReadInto(const std::string& Bytes, TComponent* Root) {
  TMemoryStream Stream;
  Stream.WriteBuffer(Bytes.data(), Integer(Bytes.size()));
  Stream.SetPosition(0);
  TReader Reader(&Stream);
  Reader.ReadRootComponent(Root);
}

std::string ExpectedFile(const std::string& Name) {
  std::ifstream In(std::string(BORROW_SOURCE_DIR) + "/tests/grid/data/" + Name, std::ios::binary);
  std::ostringstream Bytes;
  Bytes << In.rdbuf();
  return Bytes.str();
}

std::string Hex(const std::string& Bytes) {
  static const char* Digits = "0123456789abcdef";
  std::string Out;
  for (size_t I = 0; I < Bytes.size(); ++I) {
    const auto B = static_cast<unsigned char>(Bytes[I]);
    Out += Digits[B >> 4];
    Out += Digits[B & 15];
    Out += (I % 32 == 31) ? '\n' : ' ';
  }
  return Out;
}

bool Contains(const std::string& Bytes, const std::string& Part) { return Bytes.find(Part) != std::string::npos; }

// Three columns of the user's: one with a caption, width, colour and a count
// footer; one hidden and sort-marked; one whose colour equals the grid's.
void BuildCustomColumns(TDBGridEh& Grid) {
  Grid.SetName(u"GridResources");
  TColumnEh* Name = Grid.GetColumns()->Add();
  Name->SetFieldName(u"NAME_THIS");
  Name->SetWidth(150);
  Name->GetTitle()->SetCaption(u"Название");
  Name->SetColor(clInfoBk);
  Name->GetFooter()->SetValueType(fvtCount);
  TColumnEh* Id = Grid.GetColumns()->Add();
  Id->SetFieldName(u"ID_THIS");
  Id->SetVisible(false);
  Id->GetTitle()->SetSortMarker(smDownEh);
  TColumnEh* Npp = Grid.GetColumns()->Add();
  Npp->SetFieldName(u"NPP");
  Npp->SetColor(Grid.GetColor());
  Npp->GetTitle()->SetTitleButton(true);
  Npp->SetInRowLinePos(2);
}

}  // namespace

using Streaming = GridFixture;

TEST_F(Streaming, ColumnsOfTheUsersAreWrittenAsExpected) {
  TDBGridEh Grid(nullptr);
  BuildCustomColumns(Grid);
  const std::string Bytes = StreamOf(&Grid);
  const std::string Expected = ExpectedFile("columns_custom.bin");
  EXPECT_EQ(Bytes, Expected) << "written:\n" << Hex(Bytes) << "\nexpected:\n" << Hex(Expected);
}

TEST_F(Streaming, ColumnsComeBackWithTheirSettingsAndSortMarks) {
  TDBGridEh From(nullptr);
  BuildCustomColumns(From);
  From.SetName(String());
  TDBGridEh To(nullptr);
  ReadInto(StreamOf(&From), &To);
  ASSERT_EQ(To.GetColumns()->GetCount(), 3);
  TColumnEh* Name = To.GetColumns()->Items(0);
  EXPECT_EQ(Name->GetFieldName(), u"NAME_THIS");
  EXPECT_EQ(Name->GetWidth(), 150);
  EXPECT_EQ(Name->GetTitle()->GetCaption(), u"Название");
  EXPECT_EQ(Name->GetColor(), clInfoBk);
  EXPECT_EQ(Name->GetFooter()->GetValueType(), fvtCount);
  TColumnEh* Id = To.GetColumns()->Items(1);
  EXPECT_FALSE(Id->GetVisible());
  EXPECT_EQ(Id->GetTitle()->GetSortMarker(), smDownEh);
  EXPECT_EQ(Id->GetTitle()->GetSortIndex(), 1);
  ASSERT_EQ(To.GetSortMarkedColumns()->Count(), 1);
  EXPECT_EQ(To.GetSortMarkedColumns()->Items(0), Id);
  TColumnEh* Npp = To.GetColumns()->Items(2);
  EXPECT_FALSE(Npp->GetAssignedValues().Contains(cvColor));  // equal to the grid's: never written
  EXPECT_TRUE(Npp->GetTitle()->GetTitleButton());
  EXPECT_EQ(Npp->GetInRowLinePos(), 2);
  EXPECT_EQ(StreamOf(&To), StreamOf(&From));
}

TEST_F(Streaming, DefaultColumnsAreNotWritten) {
  ShowResources();
  EXPECT_FALSE(Contains(StreamOf(Grid), "Columns"));
  Grid->GetColumns()->Add()->SetFieldName(u"NPP");
  EXPECT_TRUE(Contains(StreamOf(Grid), "Columns"));
}

TEST_F(Streaming, NeitherColumnWidthsNorRowHeightsOfTheBaseGridAreWritten) {
  ShowResources();
  Grid->GetColumns()->Add()->SetFieldName(u"NPP");
  Grid->SetColWidths(1, 77);
  const std::string Bytes = StreamOf(Grid);
  EXPECT_FALSE(Contains(Bytes, "ColWidths"));
  EXPECT_FALSE(Contains(Bytes, "RowHeights"));
}

TEST_F(Streaming, AFontIsWrittenOnlyOnceAssigned) {
  TDBGridEh Grid(nullptr);
  TColumnEh* Column = Grid.GetColumns()->Add();
  Column->SetFieldName(u"NPP");
  EXPECT_FALSE(Contains(StreamOf(&Grid), "Font.Height"));
  Grid.GetFont()->SetSize(12);
  EXPECT_FALSE(Contains(StreamOf(&Grid), "Font.Height"));
  Column->GetTitle()->GetFont()->SetStyle({fsBold});
  const std::string Bytes = StreamOf(&Grid);
  EXPECT_TRUE(Contains(Bytes, "Title.Font.Style"));
  EXPECT_FALSE(Contains(Bytes, "\x09" "Font.Name"));  // the column's own font stays unwritten
}

namespace {

// A grid that writes extra children after its own.
class TGridWithExtraChildren : public TDBGridEh {
public:
  using TDBGridEh::TDBGridEh;
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override {
    TDBGridEh::GetChildren(Proc, Root);
    for (TComponent* Child : Extras) Proc(Child);
  }
  std::vector<TComponent*> Extras;
};

class PanelRegistered {
public:
  PanelRegistered() { RegisterClass<TPanel>(); }
  ~PanelRegistered() { UnRegisterClass<TPanel>(); }
  PanelRegistered(const PanelRegistered&) = delete;
  PanelRegistered& operator=(const PanelRegistered&) = delete;
};

Integer ComponentsNamed(TComponent* Owner, const String& Name) {
  Integer Count = 0;
  for (Integer I = 0; I < Owner->GetComponentCount(); ++I)
    if (Owner->GetComponent(I)->GetName() == Name) ++Count;
  return Count;
}

}  // namespace

TEST_F(Streaming, AControlOnTheRowDetailPanelComesBackOnThePanelTheReadingGridAlreadyOwns) {
  PanelRegistered Registered;
  TDBGridEh From(nullptr);
  auto* Note = new TPanel(&From);
  Note->SetName(u"PanelNote");
  Note->SetParent(From.GetRowDetailPanelControl());
  const std::string Bytes = StreamOf(&From);
  EXPECT_TRUE(Contains(Bytes, "RowDetailData"));
  EXPECT_TRUE(Contains(Bytes, "PanelNote"));

  TDBGridEh To(nullptr);
  TRowDetailPanelControlEh* Panel = To.GetRowDetailPanelControl();
  ReadInto(Bytes, &To);
  EXPECT_EQ(To.GetRowDetailPanelControl(), Panel);
  EXPECT_EQ(ComponentsNamed(&To, u"RowDetailData"), 1);
  ASSERT_EQ(Panel->GetControlCount(), 1);
  EXPECT_EQ(Panel->GetControl(0)->GetName(), u"PanelNote");
  EXPECT_EQ(Panel->GetControl(0)->GetOwner(), &To);
  EXPECT_NE(dynamic_cast<TPanel*>(Panel->GetControl(0)), nullptr);
}

TEST_F(Streaming, AnEmptyRowDetailPanelIsNotWritten) {
  TDBGridEh Grid(nullptr);
  EXPECT_FALSE(Contains(StreamOf(&Grid), "RowDetailData"));
}

TEST_F(Streaming, AnUnresolvedRowDetailDataIsTheGridsOwnPanelAndTheReadersOwnHooksServeTheRestAndComeBack) {
  TGridWithExtraChildren From(nullptr);
  TComponent Stray(nullptr), Other(nullptr);
  Stray.SetName(u"RowDetailData");  // of a class the reader does not know
  Other.SetName(u"Other");
  From.Extras = {&Stray, &Other};
  const std::string Bytes = StreamOf(&From);

  TMemoryStream Stream;
  Stream.WriteBuffer(Bytes.data(), Integer(Bytes.size()));
  Stream.SetPosition(0);
  TReader Reader(&Stream);
  std::vector<String> AskedFor;
  TComponent Scratch(nullptr);
  Reader.OnAncestorNotFound = [&](TReader*, const String& Name, TComponentClass, TComponent*& Component) {
    AskedFor.push_back(Name);
    if (Name == u"Other") Component = &Scratch;
  };
  bool CreateHookAsked = false;
  Reader.OnCreateComponent = [&](TReader*, TComponentClass, TComponent*&) { CreateHookAsked = true; };
  TDBGridEh To(nullptr);
  Reader.ReadRootComponent(&To);
  // The grid's hook took "RowDetailData"; the reader's own hook was asked only for the other one.
  EXPECT_EQ(AskedFor, std::vector<String>{u"Other"});
  EXPECT_EQ(ComponentsNamed(&To, u"RowDetailData"), 1);
  EXPECT_EQ(Scratch.GetName(), u"Other");
  // After the grid's read the reader's hooks are its own again.
  AskedFor.clear();
  TComponent* Found = nullptr;
  Reader.OnAncestorNotFound(&Reader, u"RowDetailData", nullptr, Found);
  EXPECT_EQ(Found, nullptr);
  EXPECT_EQ(AskedFor, std::vector<String>{u"RowDetailData"});
  CreateHookAsked = false;
  Reader.OnCreateComponent(&Reader, TRowDetailPanelControlEh::StaticComponentClass(), Found);
  EXPECT_TRUE(CreateHookAsked);
  EXPECT_EQ(Found, nullptr);
}
