// The grid in a component stream: its "Columns" written only for columns of the
// user's, each property only when assigned and different from its default, and
// read back whole (the expected bytes are kept on disk); the grid's own published
// properties and those of its parts the same way, links to other components by name.

#include <fstream>
#include <sstream>

#include "DBGridTestSupport.h"
#include "platform/core/Filer.h"
#include "platform/core/Streams.h"
#include "tests/support/ComponentStream.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/ScrollBarCtrl.h"
#include "platform/ui/StdCtrls.h"

namespace {

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
  EXPECT_FALSE(Contains(StreamOf(&Grid),
                        "\x0b"
                        "Font.Height"));  // the grid's title font is its own now
  Column->GetTitle()->GetFont()->SetStyle({fsBold});
  const std::string Bytes = StreamOf(&Grid);
  EXPECT_TRUE(Contains(Bytes, "Title.Font.Style"));
  EXPECT_FALSE(Contains(Bytes,
                        "\x09"
                        "Font.Name"));  // the column's own font stays unwritten
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

namespace {

// What a grid links to, under the same names for the writing and the reading grid.
struct TGridLinks {
  explicit TGridLinks(TDataSet* DataSet) {
    Source->SetName(u"SourceResources");
    Source->SetDataSet(DataSet);
    Images->SetName(u"ImagesTitles");
    Menu->SetName(u"MenuIndicator");
    Bar->SetName(u"BarHorizontal");
    Edit->SetName(u"EditNote");
  }
  TComponent Owner{nullptr};
  TDataSource* Source = new TDataSource(&Owner);
  TImageList* Images = new TImageList(&Owner);
  TPopupMenu* Menu = new TPopupMenu(&Owner);
  TScrollBar* Bar = new TScrollBar(&Owner);
  TEdit* Edit = new TEdit(&Owner);
};

}  // namespace

TEST_F(Streaming, EveryPropertyAssignedToTheGridAndItsPartsComesBackAndLinksFindTheirComponentsByName) {
  AddResourceTree(Table);
  Table.Open();
  TGridLinks FromLinks(&Table), ToLinks(&Table);
  auto* From = new TDBGridEh(&FromLinks.Owner);
  From->SetName(u"GridResources");
  for (const char16_t* Field : {u"NAME_THIS", u"ID_TYPE", u"NPP"}) From->GetColumns()->Add()->SetFieldName(Field);
  From->SetAllowedOperations({alopUpdateEh});
  From->SetAllowedSelections({gstRecordBookmarks});
  From->SetAutoFitColWidths(true);
  From->GetColumnDefValues()->SetEndEllipsis(true);
  From->GetColumnDefValues()->GetTitle()->SetColor(clInfoBk);
  From->GetColumnDefValues()->GetTitle()->SetTitleButton(true);
  From->SetContraColCountEh(1);
  From->GetDataGrouping()->GetGroupLevels()->Add();
  auto* Level = dynamic_cast<TDBGridEhDataGroupLevelEh*>(From->GetDataGrouping()->GetGroupLevels()->Items(0));
  Level->SetColumnName(u"ID_TYPE");
  Level->SetSortOrder(soDescEh);
  Level->SetColor(TColor(0xE0F0E0));
  From->GetDataGrouping()->SetGroupPanelVisible(true);
  From->GetDataGrouping()->SetDefaultStateExpanded(true);
  From->SetDataSource(FromLinks.Source);
  From->GetDataGrouping()->SetActive(true);
  From->SetDefaultDrawing(false);
  From->SetDrawGraphicData(true);
  From->SetDrawMemoText(true);
  From->SetEditActions({geaCopyEh, geaSelectAllEh});
  From->SetEditButtonsShowOptions({sebShowOnlyForCurRowEh});
  From->SetEvenRowColor(TColor(0xF8F8F8));
  From->SetOddRowColor(From->GetColor());  // assigned, so kept though it equals the grid's
  From->SetFooterColor(clInfoBk);
  From->GetFont()->SetSize(10);
  From->GetFooterFont()->SetStyle({fsItalic});
  From->GetTitleFont()->SetStyle({fsBold});
  From->SetFooterRowCount(2);
  From->SetFrozenCols(1);
  From->GetHorzScrollBar()->SetExtScrollBar(FromLinks.Bar);
  From->GetHorzScrollBar()->SetTracking(false);
  From->GetVertScrollBar()->SetVisibleMode(sbAlwaysShowEh);
  From->GetVertScrollBar()->SetSmoothStep(true);
  From->GetIndicatorTitle()->SetDropdownMenu(FromLinks.Menu);
  From->GetIndicatorTitle()->SetShowDropDownSign(true);
  From->GetIndicatorTitle()->SetUseGlobalMenu(false);
  From->SetMinAutoFitWidth(300);
  From->SetOptions(DefaultDBGridOptionsEh + dgMultiSelect - dgConfirmDelete);
  From->SetOptionsEh(DefaultDBGridEhOptionsEh + dghIncSearch + dghRowHighlight);
  From->SetReadOnly(true);
  TRowDetailPanelEh* Panel = From->GetRowDetailPanel();
  Panel->SetActive(true);
  Panel->SetActiveControl(FromLinks.Edit);
  Panel->SetBevelKind(bkFlat);
  Panel->SetBevelEdges({beTop, beBottom});
  Panel->SetBevelInner(bvNone);
  Panel->SetBevelWidth(2);
  Panel->SetBorderStyle(bsNone);
  Panel->SetColor(TColor(0xF0D0C0));
  Panel->SetHeight(80);
  Panel->SetWidth(200);
  From->SetRowHeight(4);
  From->SetRowLines(2);
  From->GetRowPanel()->SetNavKeysNavigationType(rpntCellToCellEh);
  From->GetRowPanel()->SetTabNavigationType(rpntLeftToRightPriorityEh);
  From->SetRowSizingAllowed(true);
  From->SetSortLocal(true);
  From->GetSTFilter()->SetVisible(true);
  From->GetSTFilter()->SetLocal(true);
  From->GetSTFilter()->SetLocation(stflInTitleFilterEh);
  From->GetSTFilter()->SetInstantApply(false);
  From->GetSumList()->SetVirtualRecords(true);
  From->SetTitleHeight(6);
  From->SetTitleImages(FromLinks.Images);
  From->SetTitleLines(2);
  From->SetUseMultiTitle(true);
  From->SetVTitleMargin(12);
  const std::string Bytes = StreamOf(From);

  auto* To = new TDBGridEh(&ToLinks.Owner);
  ReadInto(Bytes, To);
  EXPECT_EQ(StreamOf(To), Bytes);
  EXPECT_EQ(To->GetOptions(), DefaultDBGridOptionsEh + dgMultiSelect - dgConfirmDelete);
  EXPECT_EQ(To->GetOptionsEh(), DefaultDBGridEhOptionsEh + dghIncSearch + dghRowHighlight);
  EXPECT_EQ(To->GetFooterRowCount(), 2);
  EXPECT_EQ(To->GetTitleFont()->GetStyle(), TFontStyles{fsBold});
  EXPECT_TRUE(To->IsOddRowColorStored());
  // Links find the reading grid's own components of the same names.
  EXPECT_EQ(To->GetDataSource(), ToLinks.Source);
  EXPECT_EQ(To->GetTitleImages(), ToLinks.Images);
  EXPECT_EQ(To->GetHorzScrollBar()->GetExtScrollBar(), ToLinks.Bar);
  EXPECT_EQ(To->GetIndicatorTitle()->GetDropdownMenu(), ToLinks.Menu);
  EXPECT_EQ(To->GetRowDetailPanel()->GetActiveControl(), ToLinks.Edit);
  EXPECT_EQ(To->GetRowDetailPanel()->GetBevelEdges(), (TBevelEdges{beTop, beBottom}));
  EXPECT_EQ(To->GetRowDetailPanel()->GetBorderStyle(), bsNone);
  // The grouping level is bound to the loaded column and groups the records.
  TDBGridEhDataGroupsEh* Grouping = To->GetDataGrouping();
  ASSERT_EQ(Grouping->GetGroupLevels()->GetCount(), 1);
  EXPECT_EQ(Grouping->Level(0)->GetColumn(), To->GetColumns()->Items(1));
  EXPECT_EQ(Grouping->Level(0)->GetSortOrder(), soDescEh);
  EXPECT_TRUE(Grouping->GetActive());
  EXPECT_TRUE(Grouping->IsGroupingWorks());
  EXPECT_EQ(Grouping->GetActiveGroupLevelsCount(), 1);
}

TEST_F(Streaming, AGridOfDefaultsWritesNoneOfItsOwnPropertiesButThePanelsColour) {
  TDBGridEh Grid(nullptr);
  const std::string Bytes = StreamOf(&Grid);
  for (const char* Name : {"Options", "OptionsEh", "FooterRowCount", "DataGrouping", "STFilter", "SumList", "ScrollBar",
                           "IndicatorTitle", "RowPanel", "TitleFont", "FooterFont", "VTitleMargin", "DataSource",
                           "ColumnDefValues", "AllowedOperations", "RowDetailPanel.Active"})
    EXPECT_FALSE(Contains(Bytes, Name)) << Name;
  // The panel's colour is its own unless it takes the grid's.
  EXPECT_TRUE(Contains(Bytes, "RowDetailPanel.Color"));
  Grid.GetRowDetailPanel()->SetParentColor(true);
  EXPECT_FALSE(Contains(StreamOf(&Grid), "RowDetailPanel.Color"));
}
