// Blob streams of table fields and the reference field of type unknown.

#include <gtest/gtest.h>

#include <cstring>

#include "MemTableTestUtil.h"
#include "editors/DaVirVCL.h"
#include "platform/core/Streams.h"

namespace {

class MemTableBlobs : public ::testing::Test {
protected:
  void SetUp() override {
    TMemTableDataEh* store = Table.GetMemTableData();
    AddColumn(*store, TMTNumericDataFieldEh::StaticComponentClass(), ftInteger, u"ID");
    AddColumn(*store, TMTBlobDataFieldEh::StaticComponentClass(), ftMemo, u"NOTE");
    AddColumn(*store, TMTBlobDataFieldEh::StaticComponentClass(), ftBlob, u"DATA");
    AddColumn(*store, TMTRefObjectFieldEh::StaticComponentClass(), ftUnknown, u"OBJ");
    Table.Open();
    Table.Append();
    Table.FieldByName(u"ID")->SetAsInteger(1);
    Table.Post();
  }
  std::string ReadAll(TField* Field) {
    std::unique_ptr<TStream> s = Table.CreateBlobStream(Field, bmRead);
    std::string bytes(static_cast<size_t>(s->GetSize()), '\0');
    if (!bytes.empty()) s->ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    return bytes;
  }
  void WriteAll(TField* Field, const std::string& Bytes) {
    std::unique_ptr<TStream> s = Table.CreateBlobStream(Field, bmWrite);
    s->WriteBuffer(Bytes.data(), static_cast<Integer>(Bytes.size()));
  }
  TMemTableEh Table{nullptr};
};

}  // namespace

TEST_F(MemTableBlobs, WritingAStreamStoresTheFieldValue) {
  Table.Edit();
  WriteAll(Table.FieldByName(u"DATA"), std::string("\x01\x00\xff", 3));
  WriteAll(Table.FieldByName(u"NOTE"), "\xcf\xf0\xe8\xec\xe5\xf0");  // "Пример" in the ANSI code page
  Table.Post();
  EXPECT_EQ(ReadAll(Table.FieldByName(u"DATA")), std::string("\x01\x00\xff", 3));
  EXPECT_EQ(Table.FieldByName(u"NOTE")->GetAsString(), u"Пример");
  EXPECT_EQ(ReadAll(Table.FieldByName(u"NOTE")), "\xcf\xf0\xe8\xec\xe5\xf0");
}

TEST_F(MemTableBlobs, AnEmptyFieldReadsAsAnEmptyStream) {
  EXPECT_EQ(ReadAll(Table.FieldByName(u"DATA")), "");
  EXPECT_TRUE(Table.FieldByName(u"NOTE")->GetIsNull());
}

TEST_F(MemTableBlobs, AWritingStreamNeedsEditModeAndAWritableField) {
  try {
    Table.CreateBlobStream(Table.FieldByName(u"DATA"), bmWrite);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"Dataset not in edit or insert mode");
  }
  Table.FieldByName(u"NOTE")->SetReadOnly(true);
  Table.Edit();
  try {
    Table.CreateBlobStream(Table.FieldByName(u"NOTE"), bmReadWrite);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"Field 'NOTE' cannot be modified");
  }
  Table.Cancel();
}

TEST_F(MemTableBlobs, AnUnchangedStreamWritesNothingBack) {
  Table.Edit();
  WriteAll(Table.FieldByName(u"NOTE"), "abc");
  Table.Post();
  Table.Edit();
  {
    std::unique_ptr<TStream> s = Table.CreateBlobStream(Table.FieldByName(u"NOTE"), bmReadWrite);
    char c;
    s->ReadBuffer(&c, 1);
  }
  EXPECT_FALSE(Table.GetModified());
  Table.Cancel();
  EXPECT_EQ(Table.FieldByName(u"NOTE")->GetAsString(), u"abc");
}

TEST_F(MemTableBlobs, TheReferenceFieldCarriesAnObject) {
  TField* obj = Table.FieldByName(u"OBJ");
  EXPECT_NE(dynamic_cast<TRefObjectField*>(obj), nullptr);
  TObject target;
  Table.Edit();
  obj->SetValue(RefObjectToVariantEh(&target));
  Table.Post();
  EXPECT_EQ(VariantToRefObjectEh(obj->GetValue()), &target);
}
