// The grid's "Columns" in a component stream: written only for columns of the
// user's, each property only when assigned and different from its default,
// and read back whole. The expected bytes are kept on disk.

#include <fstream>
#include <sstream>

#include "DBGridTestSupport.h"
#include "platform/core/Filer.h"
#include "platform/core/Streams.h"

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
