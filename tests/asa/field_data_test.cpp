// Field data: every field type written through a cursor and read back from
// the table, values cut to their columns, long values read through the blob
// stream in pieces or from the row, and text in the OEM code page.
#include <cstring>
#include <string>

#include "host/datetime.h"
#include "host/stream.h"
#include "tests/asa/sql_fixture.h"

namespace asa_test {
namespace {

class FieldDataTest : public SqlTest {
 protected:
  void SetUp() override {
    SqlTest::SetUp();
    Run("CREATE TABLE typed(id INTEGER PRIMARY KEY, s VARCHAR(10), i INTEGER, f DOUBLE, "
        "c NUMERIC(12,4), d DATE, t TIME, ts TIMESTAMP, b BIT, bin BINARY(8), memo LONG VARCHAR, "
        "blob LONG BINARY)");
  }
  static host::Variant Bytes(const std::string& Text) {
    return host::VarArrayFromBytes(Text.data(), Text.size());
  }
  static std::string Text(const host::Variant& Value) {
    const auto bytes = host::VarArrayBytes(Value);
    return std::string(bytes.begin(), bytes.end());
  }
};

// Each value goes into the row buffer through the driver's encoding, to the
// table through Append, and back through a read cursor.
TEST_F(FieldDataTest, EveryFieldTypeRoundTripsThroughATable) {
  const host::TDateTime day = host::EncodeDate(2024, 2, 29);
  const host::TDateTime time = host::EncodeTime(23, 59, 58, 0);
  EXPECT_FALSE(query->OpenWrite("SELECT * FROM typed")) << "empty: no first row";
  ASSERT_TRUE(query->Opened());
  query->ClearNotNull();
  query->SetFieldValue("id", 1);
  query->SetFieldValue("s", "sixteen chars!!!");
  query->SetFieldValue("i", -123456);
  query->SetFieldValue("f", 2.5e-3);
  query->SetFieldValue("c", host::Currency::FromDouble(12.3456));
  query->SetFieldValue("d", host::VarFromDateTime(day));
  query->SetFieldValue("t", host::VarFromDateTime(time));
  query->SetFieldValue("ts", host::VarFromDateTime(host::ComposeDateTime(day, time)));
  query->SetFieldValue("b", true);
  query->SetFieldValue("bin", Bytes("twelve bytes"));
  query->SetFieldValue("memo", std::string(70000, 'm'));
  query->SetFieldValue("blob", Bytes(std::string("\0\1\2zero", 7)));
  ASSERT_TRUE(query->Append()) << session->LastError();

  auto reader = NewQuery();
  ASSERT_TRUE(reader->OpenRead("SELECT * FROM typed"));
  EXPECT_EQ(reader->GetFieldValue("s").AsString(), "sixteen ch") << "cut to 10 characters";
  EXPECT_EQ(reader->GetFieldValue("i").AsInteger(), -123456);
  EXPECT_EQ(reader->GetFieldValue("f").AsDouble(), 2.5e-3);
  const host::Variant currency = reader->GetFieldValue("c");
  EXPECT_EQ(currency.Type(), host::varCurrency);
  EXPECT_EQ(currency.AsCurrency(), host::Currency::FromDouble(12.3456));
  EXPECT_EQ(reader->GetFieldValue("d").Type(), host::varDate);
  EXPECT_EQ(reader->GetFieldValue("d").AsDateTime(), day);
  EXPECT_EQ(reader->GetFieldValue("t").AsDateTime(), time) << "a time of day 0";
  EXPECT_EQ(reader->GetFieldValue("ts").AsDateTime(), host::ComposeDateTime(day, time));
  EXPECT_EQ(reader->GetFieldValue("b").AsBoolean(), true);
  EXPECT_EQ(Text(reader->GetFieldValue("bin")), "twelve b") << "cut to the 8 bytes of the column";
  EXPECT_EQ(reader->GetFieldValue("memo").AsString(), std::string(70000, 'm'));
  EXPECT_EQ(Text(reader->GetFieldValue("blob")), std::string("\0\1\2zero", 7));
  EXPECT_EQ(QueryInt(*session, "SELECT length(bin) FROM typed"), 8);
}

// Byte strings read back with the length stored, not the column's width;
// a value of the wrong kind leaves a byte string or long value as it was.
TEST_F(FieldDataTest, ByteStringsKeepTheirLengthAndRefuseOtherKinds) {
  Run("INSERT INTO typed(id, bin, memo) VALUES (1, x'0102', 'kept')");
  ASSERT_TRUE(query->OpenWrite("SELECT id, bin, memo FROM typed"));
  EXPECT_EQ(Text(query->GetFieldValue("bin")), "\1\2");
  query->SetFieldValue("bin", "text is no byte string");
  EXPECT_EQ(Text(query->GetFieldValue("bin")), "\1\2");
  EXPECT_FALSE(query->IsFieldDirty("bin"));
  query->SetFieldValue("memo", 42);
  EXPECT_FALSE(query->IsFieldDirty("memo"));
  EXPECT_EQ(query->GetFieldValue("memo").AsString(), "kept");
}

// Long values come in pieces of at most 32765 bytes from the offset reached;
// only a load that ended cleanly counts. The stream is read again for every
// row it is asked on.
TEST_F(FieldDataTest, LongValuesAreLoadedInPiecesThroughTheStream) {
  std::string big(80000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i)
    big[i] = static_cast<char>('a' + i % 26);
  ASSERT_TRUE(
      query->Execute("INSERT INTO typed(id, memo, blob) VALUES (?, ?, ?)", {1, big, Bytes(big)}));
  ASSERT_TRUE(query->Execute("INSERT INTO typed(id, memo) VALUES (?, ?)", {2, ""}));
  ASSERT_TRUE(query->OpenRead("SELECT id, memo, blob FROM typed ORDER BY id"));
  standIn.StartTrace();
  EXPECT_EQ(query->GetFieldValue("memo").AsString(), big);
  EXPECT_EQ(Calls("dbpp_get_data"), 3) << "32765 + 32765 + 14470 bytes";
  velar::TVelarBlobStream* stream = query->BlobManager()->BlobByName("blob");
  EXPECT_EQ(stream->Size(), 80000);
  char piece[10];
  stream->SetPosition(79995);
  EXPECT_EQ(stream->Read(piece, sizeof piece), 5) << "only what remains";
  EXPECT_EQ(stream->Read(piece, sizeof piece), 0);
  host::TMemoryStream copy;
  query->BlobToStream("blob", &copy);
  EXPECT_EQ(TAsaSQL::StreamToStr(&copy), big);

  // The next row's stream reads the next row's value: an empty text, and a
  // null long binary that reads as Null.
  ASSERT_TRUE(query->Next());
  EXPECT_EQ(query->GetFieldValue("memo").AsString(), "");
  EXPECT_TRUE(query->GetFieldValue("blob").IsNull());
  EXPECT_EQ(stream->Size(), 0);

  // A failed load raises nothing and reads as empty.
  standIn.Inject("dbpp_get_data", DBE_ERROR);
  EXPECT_EQ(stream->GetBlobSize(), 0);
}

// A value of megabytes is gathered in one block that grows past the heap's
// sizes into a mapped one; every piece lands behind the one before it.
TEST_F(FieldDataTest, AValueOfMegabytesLoadsWholeAndInOrder) {
  std::string big(3 * 1024 * 1024 + 12345, '\0');
  for (std::size_t i = 0; i < big.size(); ++i)
    big[i] = static_cast<char>(i * 7 + i / 32765);  // shifts from piece to piece
  ASSERT_TRUE(query->Execute("INSERT INTO typed(id, blob) VALUES (?, ?)", {1, Bytes(big)}));
  ASSERT_TRUE(query->OpenRead("SELECT id, blob FROM typed"));
  velar::TVelarBlobStream* stream = query->BlobManager()->BlobByName("blob");
  ASSERT_EQ(stream->GetBlobSize(), static_cast<std::int32_t>(big.size()));
  std::string read(big.size(), '\0');
  stream->SetPosition(0);
  ASSERT_EQ(stream->Read(read.data(), static_cast<std::int64_t>(read.size())),
            static_cast<std::int64_t>(big.size()));
  EXPECT_TRUE(read == big) << "the bytes differ from the value stored";
  // Loaded again from the start, the value is the same.
  EXPECT_EQ(query->GetFieldValue("blob").Type(), host::varArray | host::varByte);
  EXPECT_TRUE(Text(query->GetFieldValue("blob")) == big);
}

// With a positive BlobSize a value that fits the row is taken from it with
// no further call; a longer one still comes through the stream.
TEST_F(FieldDataTest, AShortLongValueComesFromTheRowWithBlobSize) {
  ASSERT_TRUE(query->Execute("INSERT INTO typed(id, memo, blob) VALUES (?, ?, ?)",
                             {1, "short", Bytes(std::string("\0ab", 3))}));
  ASSERT_TRUE(
      query->Execute("INSERT INTO typed(id, memo) VALUES (?, ?)", {2, std::string(500, 'L')}));
  query->SetBlobSize(100);
  ASSERT_TRUE(query->OpenWrite("SELECT id, memo, blob FROM typed ORDER BY id"));
  standIn.StartTrace();
  EXPECT_EQ(query->GetFieldValue("memo").AsString(), "short");
  EXPECT_EQ(Text(query->GetFieldValue("blob")), std::string("\0ab", 3));
  EXPECT_EQ(Calls("dbpp_get_data"), 0);
  // Written through its stream, the row still answers for a complete value.
  query->SetFieldValue("memo", "changed");
  EXPECT_EQ(query->GetFieldValue("memo").AsString(), "short");
  ASSERT_TRUE(query->Next());
  EXPECT_EQ(query->GetFieldValue("memo").AsString(), std::string(500, 'L'));
  EXPECT_EQ(Calls("dbpp_get_data"), 1);
}

// A value written into the stream is read back from it without a call; an
// empty text written leaves the stream cleared, so the stored value shows.
TEST_F(FieldDataTest, WrittenLongValuesAreReadBackFromTheStream) {
  ASSERT_TRUE(query->Execute("INSERT INTO typed(id, memo) VALUES (1, 'stored')"));
  ASSERT_TRUE(query->OpenWrite("SELECT id, memo FROM typed"));
  query->SetFieldValue("memo", "local");
  standIn.StartTrace();
  EXPECT_EQ(query->GetFieldValue("memo").AsString(), "local");
  EXPECT_EQ(Calls("dbpp_get_data"), 0);
  query->SetFieldValue("memo", "");
  EXPECT_FALSE(query->BlobManager()->BlobByName("memo")->Modified());
  EXPECT_EQ(query->GetFieldValue("memo").AsString(), "stored");
}

// With OEMConvert, texts go to the database in the OEM code page and come
// back in the program's.
TEST_F(FieldDataTest, TextsCrossInTheOemCodePage) {
  session->SetOEMConvert(true);
  const std::string ansi = "\xE9t\xE9";  // été
  ASSERT_TRUE(query->Execute("INSERT INTO typed(id, s, memo) VALUES (?, ?, ?)", {1, ansi, ansi}));
  session->SetOEMConvert(false);
  auto raw = NewQuery();
  ASSERT_TRUE(raw->OpenRead("SELECT s, memo FROM typed"));
  EXPECT_EQ(raw->GetFieldValue("s").AsString(), "\x82t\x82");
  EXPECT_EQ(raw->GetFieldValue("memo").AsString(), "\x82t\x82");
  session->SetOEMConvert(true);
  ASSERT_TRUE(query->OpenRead("SELECT s, memo FROM typed"));
  EXPECT_EQ(query->GetFieldValue("s").AsString(), ansi);
  EXPECT_EQ(query->GetFieldValue("memo").AsString(), ansi);
}

}  // namespace
}  // namespace asa_test
