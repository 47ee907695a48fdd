// Field values between the record buffer and the framework's fields on the
// stand-in: the column types through the framework's formats, nulls,
// calculated fields, text conversion, and memo and blob values through the
// dataset's blob streams.
#include <memory>

#include "host/datetime.h"
#include "host/db_controls.h"
#include "tests/dataset/dataset_fixture.h"

namespace dataset_test {
namespace {

class FieldTypesTest : public DatasetTest {
 protected:
  void SetUp() override {
    DatasetTest::SetUp();
    Run("CREATE TABLE shapes(id INTEGER PRIMARY KEY, name VARCHAR(10), raw BINARY(256), "
        "cost NUMERIC(10,4), flag BIT, born DATE, at TIME, seen TIMESTAMP)");
    Run("INSERT INTO shapes VALUES (1, 'one', NULL, 12.3456, 1, '2001-02-03', '04:05:06', "
        "'2007-08-09 10:11:12')");
    SetSQL("SELECT * FROM shapes");
    dataset->SetReadOnly(false);
    dataset->Open();
  }
  host::TField* Field(const char* Name) { return dataset->FieldByName(Name); }
};

TEST_F(FieldTypesTest, ValuesWrittenComeBackFromTheServer) {
  EXPECT_EQ(Field("seen")->AsDateTime(),
            host::ComposeDateTime(host::EncodeDate(2007, 8, 9), host::EncodeTime(10, 11, 12, 0)));
  EXPECT_DOUBLE_EQ(Field("cost")->AsFloat(), 12.3456);
  std::int32_t untouched = 77;
  EXPECT_FALSE(Field("raw")->GetData(&untouched));
  EXPECT_EQ(untouched, 77) << "a null value leaves the caller's buffer alone";
  session->SetOEMConvert(true);
  dataset->Edit();
  Field("name")->SetAsString("caf\xE9 au lait");
  const std::int16_t two = 2;
  Field("flag")->SetData(&two);
  Field("born")->SetAsDateTime(host::ComposeDateTime(host::EncodeDate(2024, 2, 29), 0.75));
  Field("at")->SetAsDateTime(
      host::ComposeDateTime(host::EncodeDate(2020, 1, 1), host::EncodeTime(10, 20, 30, 0)));
  std::string bytes(256, '\0');
  for (int i = 0; i < 256; ++i)
    bytes[static_cast<std::size_t>(i)] = static_cast<char>(255 - i);
  Field("raw")->SetAsString(bytes);
  dataset->Post();

  EXPECT_EQ(Stored("SELECT hex(name) FROM shapes"), "63616682206175206C61")
      << "cut to the field's size, in the OEM code page";
  EXPECT_EQ(Field("name")->AsString(), "caf\xE9 au la");
  EXPECT_EQ(Stored("SELECT count(*) FROM shapes WHERE flag = 1"), "1");
  std::int16_t flag = 0;
  ASSERT_TRUE(Field("flag")->GetData(&flag));
  EXPECT_EQ(flag, 1) << "a Boolean written as 2 reads back as 1";
  EXPECT_EQ(Stored("SELECT count(*) FROM shapes WHERE born = '2024-02-29'"), "1")
      << "a date is stored at midnight";
  EXPECT_EQ(Stored("SELECT count(*) FROM shapes WHERE at = '10:20:30'"), "1")
      << "a time is stored on 30 December 1899";
  EXPECT_EQ(Field("at")->AsDateTime(), host::EncodeTime(10, 20, 30, 0));
  ASSERT_TRUE(query->OpenRead("SELECT raw FROM shapes"));
  const host::Variant raw = query->GetFieldValue(0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(host::VarArrayBytes(raw).data()),
                        host::VarArrayBytes(raw).size()),
            bytes);
  EXPECT_EQ(Field("raw")->AsString(), bytes);
}

TEST_F(FieldTypesTest, NewRecordsHaveNoValuesAndCalculatedFieldsFollowEveryRecord) {
  dataset->Append();
  for (host::TField* field : dataset->Fields())
    EXPECT_TRUE(field->IsNull()) << field->FieldName();
  Field("id")->SetAsInteger(5);
  dataset->Post();
  EXPECT_EQ(Stored("SELECT count(*) FROM shapes WHERE id = 5 AND name IS NULL AND seen IS NULL"),
            "1");

  dataset->Close();
  auto* id = new host::TIntegerField(dataset.get());
  id->SetFieldName("id");
  id->SetDataSet(dataset.get());
  auto* twice = new host::TIntegerField(dataset.get());
  twice->SetFieldName("twice");
  twice->SetFieldKind(host::fkCalculated);
  twice->SetDataSet(dataset.get());
  dataset->OnCalcFields = [id, twice](host::TDataSet*) {
    twice->SetAsInteger(id->AsInteger() * 2);
  };
  dataset->Open();
  EXPECT_EQ(twice->AsInteger(), 2);
  dataset->Next();
  EXPECT_EQ(twice->AsInteger(), 10);
  EXPECT_EQ(dataset->Lookup("id", 1, "twice").AsInteger(), 2);
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
  std::unique_ptr<host::TStream> Stream(host::TBlobField* Field, host::TBlobStreamMode Mode) {
    return dataset->CreateBlobStream(Field, Mode);
  }

  host::TBlobField* note = nullptr;
  host::TBlobField* pic = nullptr;
  int noteChanges = 0;
};

TEST_F(BlobTest, ValuesAreReadThroughTheStatementsBlobStreams) {
  EXPECT_EQ(note->AsString(), "hello");
  EXPECT_EQ(pic->AsString(), std::string("\0\1\2", 3));
  dataset->Next();
  EXPECT_TRUE(note->IsNull());
  dataset->Prior();
  EXPECT_EQ(note->AsString(), "hello") << "the stream serves the record now active";
  EXPECT_EQ(noteChanges, 0);
  EXPECT_EQ(MessageOf<host::EInvalidCast>(
                [&] { dataset->CreateBlobStream(dataset->FieldByName("id"), host::bmRead); }),
            "Invalid class typecast");
}

TEST_F(BlobTest, WritingThroughAStreamIsOneFieldChangeAndAnEmptyWriteMakesNull) {
  dataset->Edit();
  {
    std::unique_ptr<host::TStream> stream = Stream(note, host::bmWrite);
    stream->WriteBuffer("new ", 4);
    stream->WriteBuffer("text", 4);
    EXPECT_EQ(noteChanges, 0) << "nothing is announced before the stream closes";
  }
  EXPECT_EQ(noteChanges, 1);
  EXPECT_TRUE(note->Modified());
  EXPECT_EQ(note->AsString(), "new text") << "written over an emptied value";
  EXPECT_EQ(noteChanges, 1) << "reading changes nothing";
  dataset->Post();
  EXPECT_EQ(Stored("SELECT note FROM docs WHERE id = 1"), "new text");

  dataset->Edit();
  Stream(note, host::bmReadWrite)->Read(nullptr, 0);
  EXPECT_FALSE(note->IsNull()) << "a read-write stream that wrote nothing keeps the value";
  Stream(note, host::bmWrite);
  EXPECT_TRUE(note->IsNull());
  dataset->Post();
  EXPECT_EQ(Stored("SELECT note FROM docs WHERE id = 1"), "<null>");

  dataset->Next();
  dataset->Edit();
  Stream(pic, host::bmReadWrite)->WriteBuffer("0123456789", 10);
  EXPECT_FALSE(pic->IsNull());
  dataset->Post();
  EXPECT_EQ(Stored("SELECT length(pic) FROM docs WHERE id = 2"), "10");
}

// Reading another record's value moves the statement off the record being
// edited, and with it the statement's copy of what was written.
TEST_F(BlobTest, AValueWrittenSurvivesReadingAnotherRecordsValue) {
  host::TDataSource source(nullptr);
  source.SetDataSet(dataset.get());
  host::TDBGrid grid(nullptr);
  grid.SetRowCount(2);
  grid.SetDataSource(&source);
  dataset->Edit();
  note->SetAsString("edited");
  EXPECT_EQ(grid.Cell(1, 1), "") << "the second record's note";
  EXPECT_EQ(note->AsString(), "edited");
  dataset->Post();
  EXPECT_EQ(Stored("SELECT note FROM docs WHERE id = 1"), "edited");
}

// The caller's text stays as it was given; only the bytes read are
// converted back, the rest of the caller's buffer is left alone.
TEST_F(BlobTest, MemosOfNewAndChangedRecordsAreStoredAndConvertedOnTheWay) {
  dataset->Append();
  dataset->FieldByName("id")->SetAsInteger(3);
  note->SetAsString(std::string(70000, 'z'));
  dataset->Post();
  EXPECT_EQ(Stored("SELECT length(note) FROM docs WHERE id = 3"), "70000");

  session->SetOEMConvert(true);
  dataset->Edit();
  const std::string text = "caf\xE9";
  Stream(note, host::bmWrite)->WriteBuffer(text.data(), 4);
  EXPECT_EQ(text, "caf\xE9");
  dataset->Post();
  EXPECT_EQ(Stored("SELECT hex(note) FROM docs WHERE id = 3"), "63616682");
  char read[6] = "xxxxx";
  EXPECT_EQ(Stream(note, host::bmRead)->Read(read, 6), 4);
  EXPECT_EQ(std::string(read, 6), std::string("caf\xE9x\0", 6));
}

TEST_F(BlobTest, AStreamOnAnEmptyDatasetReadsAndWritesNothing) {
  SetSQL("SELECT id, note FROM docs WHERE id > 5");
  dataset->Open();
  velar::TAsaDatasetBlobStream stream(dynamic_cast<host::TBlobField*>(dataset->FieldByName("note")),
                                      host::bmWrite);
  EXPECT_FALSE(stream.Opened());
  EXPECT_EQ(stream.Write("x", 1), 0);
  EXPECT_EQ(stream.Seek(5, host::soFromBeginning), 0);
}

}  // namespace
}  // namespace dataset_test
