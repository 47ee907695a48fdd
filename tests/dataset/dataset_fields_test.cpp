// Field values between the record buffer and the framework's fields on the
// stand-in: every column type through the framework's formats, nulls,
// calculated fields, and memo and blob values through the dataset's blob
// streams.
#include <memory>

#include "host/datetime.h"
#include "tests/dataset/dataset_fixture.h"

namespace dataset_test {
namespace {

class FieldTypesTest : public DatasetTest {
 protected:
  void SetUp() override {
    DatasetTest::SetUp();
    Run("CREATE TABLE shapes(id INTEGER PRIMARY KEY, name VARCHAR(10), raw BINARY(256), "
        "price DOUBLE, cost NUMERIC(10,4), flag BIT, born DATE, at TIME, seen TIMESTAMP)");
    Run("INSERT INTO shapes VALUES (1, 'one', NULL, 2.5, 12.3456, 1, '2001-02-03', '04:05:06', "
        "'2007-08-09 10:11:12')");
    SetSQL("SELECT * FROM shapes");
    dataset->SetReadOnly(false);
    dataset->Open();
  }
  host::TField* Field(const char* Name) { return dataset->FieldByName(Name); }
};

TEST_F(FieldTypesTest, ColumnsReadThroughTheFrameworksFormats) {
  EXPECT_EQ(Field("id")->AsInteger(), 1);
  EXPECT_EQ(Field("name")->AsString(), "one");
  EXPECT_EQ(Field("name")->Size(), 10);
  EXPECT_DOUBLE_EQ(Field("price")->AsFloat(), 2.5);
  EXPECT_EQ(Field("cost")->DataType(), host::ftCurrency);
  EXPECT_DOUBLE_EQ(Field("cost")->AsFloat(), 12.3456);
  EXPECT_TRUE(Field("flag")->AsBoolean());
  EXPECT_EQ(Field("born")->AsDateTime(), host::EncodeDate(2001, 2, 3));
  EXPECT_EQ(Field("at")->AsDateTime(), host::EncodeTime(4, 5, 6, 0));
  EXPECT_EQ(Field("seen")->AsDateTime(),
            host::ComposeDateTime(host::EncodeDate(2007, 8, 9), host::EncodeTime(10, 11, 12, 0)));
  EXPECT_TRUE(Field("raw")->IsNull());
  std::int32_t untouched = 77;
  EXPECT_FALSE(Field("raw")->GetData(&untouched));
  EXPECT_EQ(untouched, 77) << "a null value leaves the caller's buffer alone";
}

TEST_F(FieldTypesTest, ValuesWrittenComeBackFromTheServer) {
  dataset->Edit();
  Field("name")->SetAsString("a name too long");
  Field("price")->SetAsFloat(-1.25);
  Field("cost")->SetAsFloat(7.5);
  const std::int16_t two = 2;
  Field("flag")->SetData(&two);
  Field("born")->SetAsDateTime(host::ComposeDateTime(host::EncodeDate(2024, 2, 29), 0.75));
  Field("at")->SetAsDateTime(
      host::ComposeDateTime(host::EncodeDate(2020, 1, 1), host::EncodeTime(10, 20, 30, 0)));
  Field("seen")->SetAsDateTime(
      host::ComposeDateTime(host::EncodeDate(1999, 12, 31), host::EncodeTime(23, 59, 58, 0)));
  std::string bytes(256, '\0');
  for (int i = 0; i < 256; ++i)
    bytes[static_cast<std::size_t>(i)] = static_cast<char>(255 - i);
  Field("raw")->SetAsString(bytes);
  dataset->Post();

  EXPECT_EQ(Stored("SELECT name FROM shapes"), "a name too");
  EXPECT_EQ(Stored("SELECT price FROM shapes"), "-1.25");
  EXPECT_EQ(Stored("SELECT cost FROM shapes"), "7.5");
  EXPECT_EQ(Stored("SELECT count(*) FROM shapes WHERE flag = 1"), "1");
  EXPECT_EQ(Stored("SELECT count(*) FROM shapes WHERE born = '2024-02-29'"), "1")
      << "a date is stored at midnight";
  EXPECT_EQ(Stored("SELECT count(*) FROM shapes WHERE at = '10:20:30'"), "1")
      << "a time is stored on 30 December 1899";
  EXPECT_EQ(Stored("SELECT count(*) FROM shapes WHERE seen = '1999-12-31 23:59:58'"), "1");
  ASSERT_TRUE(query->OpenRead("SELECT raw FROM shapes"));
  const host::Variant raw = query->GetFieldValue(0);
  ASSERT_EQ(host::VarArrayHighBound(raw), 255) << "length 256, then the 256 bytes";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(host::VarArrayBytes(raw).data()), 256),
            bytes);

  // What the dataset shows after the post is what the server holds.
  std::int16_t flag = 0;
  ASSERT_TRUE(Field("flag")->GetData(&flag));
  EXPECT_EQ(flag, 1) << "a Boolean written as 2 reads back as 1";
  EXPECT_EQ(Field("at")->AsDateTime(), host::EncodeTime(10, 20, 30, 0));
  EXPECT_EQ(Field("born")->AsDateTime(), host::EncodeDate(2024, 2, 29));
  EXPECT_EQ(Field("raw")->AsString(), bytes);
}

TEST_F(FieldTypesTest, TextsAreConvertedToTheOemCodePageWhenTheSessionConverts) {
  session->SetOEMConvert(true);
  dataset->Edit();
  Field("name")->SetAsString("caf\xE9");
  dataset->Post();
  EXPECT_EQ(Stored("SELECT hex(name) FROM shapes"), "63616682");
  EXPECT_EQ(Field("name")->AsString(), "caf\xE9");
}

TEST_F(FieldTypesTest, ANewRecordHasNoValuesAndNullsAreStoredAsNull) {
  dataset->Append();
  for (int i = 0; i < dataset->FieldCount(); ++i)
    EXPECT_TRUE(dataset->Fields()[i]->IsNull()) << dataset->Fields()[i]->FieldName();
  Field("id")->SetAsInteger(2);
  dataset->Post();
  EXPECT_EQ(Stored("SELECT count(*) FROM shapes WHERE id = 2 AND name IS NULL AND flag IS NULL "
                   "AND seen IS NULL"),
            "1");
  EXPECT_EQ(dataset->State(), host::dsBrowse);
  EXPECT_EQ(Field("id")->AsInteger(), 2);
}

TEST_F(FieldTypesTest, CalculatedFieldsAreComputedForEveryRecordRead) {
  dataset->Close();
  auto* id = new host::TIntegerField(dataset.get());
  id->SetFieldName("id");
  id->SetDataSet(dataset.get());
  auto* twice = new host::TIntegerField(dataset.get());
  twice->SetFieldName("twice");
  twice->SetFieldKind(host::fkCalculated);
  twice->SetDataSet(dataset.get());
  dataset->OnCalcFields = [](host::TDataSet* Sender) {
    Sender->FieldByName("twice")->SetAsInteger(Sender->FieldByName("id")->AsInteger() * 2);
  };
  Run("INSERT INTO shapes(id) VALUES (5)");
  dataset->Open();
  EXPECT_EQ(dataset->FieldCount(), 2) << "persistent fields only";
  EXPECT_EQ(twice->AsInteger(), 2);
  dataset->Next();
  EXPECT_EQ(twice->AsInteger(), 10);
  EXPECT_EQ(dataset->Lookup("id", 1, "twice").AsInteger(), 2);
  EXPECT_EQ(twice->AsInteger(), 10);
}

// ------------------------------------------------------------------ blobs

class BlobTest : public DatasetTest {
 protected:
  void SetUp() override {
    DatasetTest::SetUp();
    Run("CREATE TABLE docs(id INTEGER PRIMARY KEY, note LONG VARCHAR, pic LONG BINARY)");
    Run("INSERT INTO docs VALUES (1, 'hello', X'000102'), (2, NULL, NULL)");
    SetSQL("SELECT id, note, pic FROM docs ORDER BY id");
    dataset->SetReadOnly(false);
    dataset->Open();
    note = dynamic_cast<host::TBlobField*>(dataset->FieldByName("note"));
    pic = dynamic_cast<host::TBlobField*>(dataset->FieldByName("pic"));
    note->OnChange = [this](host::TField*) { ++noteChanges; };
  }
  std::string ReadAll(host::TBlobField* Field) {
    std::unique_ptr<host::TStream> stream = dataset->CreateBlobStream(Field, host::bmRead);
    std::string value(static_cast<std::size_t>(stream->Size()), '\0');
    stream->SetPosition(0);
    if (!value.empty()) stream->ReadBuffer(value.data(), static_cast<std::int64_t>(value.size()));
    return value;
  }

  host::TBlobField* note = nullptr;
  host::TBlobField* pic = nullptr;
  int noteChanges = 0;
};

TEST_F(BlobTest, ValuesAreReadThroughTheStatementsBlobStreams) {
  EXPECT_EQ(note->DataType(), host::ftMemo);
  EXPECT_EQ(note->AsString(), "hello");
  EXPECT_EQ(ReadAll(pic), std::string("\0\1\2", 3));
  EXPECT_EQ(pic->AsVariant().Type(), host::varArray | host::varByte);
  dataset->Next();
  EXPECT_TRUE(note->IsNull());
  EXPECT_TRUE(pic->AsVariant().IsNull());
  dataset->Prior();
  EXPECT_EQ(note->AsString(), "hello") << "the stream serves the record now active";
  EXPECT_EQ(noteChanges, 0);
  EXPECT_FALSE(note->Modified());
  EXPECT_EQ(MessageOf<host::EInvalidCast>(
                [&] { dataset->CreateBlobStream(dataset->FieldByName("id"), host::bmRead); }),
            "Invalid class typecast");
}

TEST_F(BlobTest, AWriteStreamStartsEmptyAndItsWritingIsOneFieldChange) {
  dataset->Edit();
  {
    std::unique_ptr<host::TStream> stream = dataset->CreateBlobStream(note, host::bmWrite);
    EXPECT_EQ(stream->Position(), 0);
    stream->WriteBuffer("new ", 4);
    stream->WriteBuffer("text", 4);
    EXPECT_EQ(noteChanges, 0) << "nothing is announced before the stream closes";
  }
  EXPECT_EQ(noteChanges, 1);
  EXPECT_TRUE(note->Modified());
  EXPECT_TRUE(dataset->Modified());
  EXPECT_EQ(note->AsString(), "new text") << "written over an empty value";
  dataset->Post();
  EXPECT_EQ(Stored("SELECT note FROM docs WHERE id = 1"), "new text");
  EXPECT_EQ(note->AsString(), "new text");

  // A read-write stream that wrote gives a null field a value.
  dataset->Next();
  dataset->Edit();
  {
    std::unique_ptr<host::TStream> stream = dataset->CreateBlobStream(pic, host::bmReadWrite);
    stream->WriteBuffer("0123456789", 10);
  }
  EXPECT_FALSE(pic->IsNull());
  EXPECT_TRUE(pic->Modified());
  dataset->Post();
  EXPECT_EQ(Stored("SELECT length(pic) FROM docs WHERE id = 2"), "10");
}

TEST_F(BlobTest, AWriteStreamClosedWithoutWritingMakesTheValueNullAndReadingChangesNothing) {
  dataset->Edit();
  EXPECT_EQ(ReadAll(note), "hello");
  EXPECT_FALSE(note->IsNull()) << "a read stream changes nothing";
  EXPECT_FALSE(note->Modified());
  EXPECT_EQ(noteChanges, 0);
  {
    std::unique_ptr<host::TStream> stream = dataset->CreateBlobStream(note, host::bmReadWrite);
    char first = 0;
    EXPECT_EQ(stream->Read(&first, 1), 1);
    EXPECT_EQ(first, 'h');
  }
  EXPECT_FALSE(note->IsNull()) << "a read-write stream that only read leaves the value";
  dataset->CreateBlobStream(note, host::bmWrite);
  EXPECT_TRUE(note->IsNull());
  EXPECT_EQ(noteChanges, 0);
  dataset->Post();
  EXPECT_EQ(Stored("SELECT note FROM docs WHERE id = 1"), "<null>");
}

TEST_F(BlobTest, MemosAreConvertedOnTheWayWithoutChangingTheCallersText) {
  session->SetOEMConvert(true);
  dataset->Edit();
  const std::string text = "caf\xE9";
  {
    std::unique_ptr<host::TStream> stream = dataset->CreateBlobStream(note, host::bmWrite);
    stream->WriteBuffer(text.data(), 4);
  }
  EXPECT_EQ(text, "caf\xE9");
  dataset->Post();
  EXPECT_EQ(Stored("SELECT hex(note) FROM docs WHERE id = 1"), "63616682");
  std::unique_ptr<host::TStream> stream = dataset->CreateBlobStream(note, host::bmRead);
  char read[8] = "xxxxxxx";
  EXPECT_EQ(stream->Read(read, 8), 4);
  EXPECT_EQ(std::string(read, 8), std::string("caf\xE9xxx\0", 8))
      << "the bytes read are converted, the rest of the buffer is left alone";

  // A blob is no text: its bytes pass as they are.
  dataset->Edit();
  pic->SetAsString("\xE9");
  dataset->Post();
  EXPECT_EQ(Stored("SELECT hex(pic) FROM docs WHERE id = 1"), "E9");
}

TEST_F(BlobTest, AMemoOfANewRecordIsStoredWithIt) {
  dataset->Append();
  dataset->FieldByName("id")->SetAsInteger(3);
  note->SetAsString("appended");
  dataset->Post();
  EXPECT_EQ(Stored("SELECT note FROM docs WHERE id = 3"), "appended");
  dataset->Insert();
  dataset->FieldByName("id")->SetAsInteger(4);
  note->SetAsString("inserted");
  dataset->Post();
  EXPECT_EQ(Stored("SELECT note FROM docs WHERE id = 4"), "inserted");
}

TEST_F(BlobTest, FieldsWriteThroughTheStreamsAndAnEmptyDatasetHasNone) {
  dataset->Edit();
  note->SetAsString(std::string(70000, 'z'));
  pic->SetAsVariant(host::VarArrayFromBytes("\x7f\x80", 2));
  dataset->Post();
  EXPECT_EQ(Stored("SELECT length(note) FROM docs WHERE id = 1"), "70000");
  EXPECT_EQ(Stored("SELECT hex(pic) FROM docs WHERE id = 1"), "7F80");
  EXPECT_EQ(note->AsString().size(), 70000u);

  dataset->Close();
  SetSQL("SELECT id, note, pic FROM docs WHERE id > 5");
  dataset->Open();
  note = dynamic_cast<host::TBlobField*>(dataset->FieldByName("note"));
  auto* stream = new velar::TAsaDatasetBlobStream(note, host::bmWrite);
  EXPECT_FALSE(stream->Opened());
  EXPECT_EQ(stream->Write("x", 1), 0);
  char byte = 0;
  EXPECT_EQ(stream->Read(&byte, 1), 0);
  EXPECT_EQ(stream->Seek(5, host::soFromBeginning), 0);
  delete stream;
}

}  // namespace
}  // namespace dataset_test
