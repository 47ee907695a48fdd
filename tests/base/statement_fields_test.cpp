// Field access on an open cursor: selecting fields by number and by name,
// information that never raises, values, null and changed state, clearing a
// row, the settings' ranges and the conversions drivers use.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/stream.h"
#include "tests/base/statement_fixture.h"
#include "tests/support/velar_test.h"

namespace {

using namespace velar_test;
using velar::TVelarSQL;
using velar::testing::MessageOf;

class FieldAccessTest : public StatementFixture {
 protected:
  std::string NotFound(const host::Variant& Field) {
    return MessageOf<velar::EVelarException>([&] { query->GetFieldValue(Field); });
  }
};

TEST_F(FieldAccessTest, FieldsAreSelectedByNumberOrByName) {
  ASSERT_TRUE(query->OpenRead("select * from T"));
  int number = -5, offset = -5;
  ASSERT_TRUE(query->GetFieldInfo(2, &number, &offset));
  EXPECT_EQ(number, 2);
  EXPECT_EQ(offset, 15) << "after the 4 bytes of ID and 11 of NAME";
  EXPECT_EQ(query->GetFieldValue(2).AsCurrency(), host::Currency::FromDouble(1.5));
  ASSERT_TRUE(query->GetFieldInfo("name", &number, &offset));
  EXPECT_EQ(number, 1);
  EXPECT_EQ(offset, 4);
  EXPECT_EQ(query->GetFieldValue("nAmE").AsString(), "Smith");

  // A 16-bit number is a name; an out-of-range number selects nothing.
  EXPECT_FALSE(query->GetFieldInfo(short{2}, &number, &offset));
  EXPECT_EQ(number, -1);
  EXPECT_EQ(offset, 0);
  EXPECT_FALSE(query->GetFieldInfo(4));
  EXPECT_FALSE(query->GetFieldInfo(-1));
  EXPECT_EQ(NotFound(short{2}), "Field \"2\" not found.");
  EXPECT_EQ(NotFound(4), "Field \"4\" not found.");
  EXPECT_EQ(NotFound("AMOUNT"), "Field \"AMOUNT\" not found.");
  EXPECT_EQ(session->LastError(), "Field \"AMOUNT\" not found.");
}

TEST_F(FieldAccessTest, InformationNeverRaises) {
  ASSERT_TRUE(query->Describe("select * from T"));
  EXPECT_EQ(query->GetFieldCount(), 4);
  EXPECT_EQ(query->GetFieldName(0), "ID");
  EXPECT_EQ(query->GetFieldName(4), "");
  EXPECT_EQ(query->GetFieldName(-1), "");
  EXPECT_TRUE(query->FindField("price"));
  EXPECT_FALSE(query->FindField("PRICES"));
  EXPECT_EQ(query->GetFieldType("NOTE"), velar::ntMemo);
  EXPECT_EQ(query->GetFieldSize("NAME"), 11);
  EXPECT_EQ(query->GetFieldLength(1), 11);
  EXPECT_TRUE(query->GetFieldNulls(0));
  EXPECT_EQ(query->GetFieldType("missing"), velar::ntUnknown);
  EXPECT_EQ(query->GetFieldSize("missing"), 0);
  EXPECT_EQ(query->GetFieldLength(9), 0);
  EXPECT_EQ(query->GetFieldDecimals(9), 0);
  EXPECT_FALSE(query->GetFieldNulls(9));

  // Unpreparing forgets the fields.
  query->UnprepareOpen();
  EXPECT_EQ(query->GetFieldCount(), 0);
  EXPECT_FALSE(query->FindField("ID"));
  EXPECT_EQ(query->BlobManager()->Count(), 0);
}

// Setting a field to Null and back to its fetched value leaves it clean once
// bytes and null indicator match the fetched row again.
TEST_F(FieldAccessTest, ChangesAreMeasuredAgainstTheFetchedRow) {
  ASSERT_TRUE(query->OpenWrite("select * from T"));
  EXPECT_FALSE(query->IsDirty());
  query->SetFieldValue("NAME", host::Null());
  EXPECT_TRUE(query->IsFieldNull("NAME"));
  EXPECT_TRUE(query->IsFieldDirty("NAME"));
  EXPECT_EQ(query->GetFieldValue("NAME").AsString(), "") << "a null slot is zero-filled";
  EXPECT_EQ(query->GetOldValue("NAME").AsString(), "Smith");
  EXPECT_TRUE(query->IsDirty());
  query->SetFieldValue("NAME", "Smith");
  EXPECT_FALSE(query->IsFieldNull("NAME"));
  EXPECT_FALSE(query->IsFieldDirty("NAME"));
  EXPECT_FALSE(query->IsDirty());

  // A long field is dirty when its stream was written.
  query->SetFieldValue("NOTE", "changed");
  EXPECT_TRUE(query->IsFieldDirty("NOTE"));
  EXPECT_EQ(query->GetFieldValue("NOTE").AsString(), "changed");
  ASSERT_TRUE(query->Modify());
  EXPECT_EQ(TestTable::Rows[0][3].AsString(), "changed");
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { query->IsFieldDirty("nothing"); }),
            "Field \"nothing\" not found.");
}

// A field of no size never counts as changed, unless it is a long one.
TEST_F(FieldAccessTest, FieldsWithoutRoomAreNeverDirty) {
  TestTable::Columns.push_back({"EMPTY", velar::ntUnknown, 0});
  for (auto& row : TestTable::Rows)
    row.push_back(host::Null());
  ASSERT_TRUE(query->OpenWrite("select * from T"));
  query->SetFieldValue("EMPTY", 5);
  EXPECT_FALSE(query->IsFieldNull("EMPTY"));
  EXPECT_FALSE(query->IsFieldDirty("EMPTY")) << "null indicator changed, but no bytes to differ";
  query->SetFieldValue("NOTE", host::Null());
  EXPECT_TRUE(query->IsFieldDirty("NOTE")) << "the memo's null indicator changed";
}

TEST_F(FieldAccessTest, ReadOnlyAndClosedCursorsRefuseChanges) {
  ASSERT_TRUE(query->OpenRead("select * from T"));
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { query->SetFieldValue("ID", 1); }),
            "The cursor is read-only.");
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { query->Clear(); }), "The cursor is read-only.");
  query->Close();
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { query->ClearNotNull(); }),
            "The cursor is not opened.");
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { query->IsDirty(); }),
            "The cursor is not opened.");
  EXPECT_EQ(query->GetFieldValue("ID").AsInteger(), 1) << "a closed cursor keeps its row";
}

TEST_F(FieldAccessTest, ClearingARowAndAppendingIt) {
  ASSERT_TRUE(query->OpenWrite("select * from T"));
  query->Clear();
  for (int i = 0; i < 4; ++i)
    EXPECT_TRUE(query->IsFieldNull(i)) << i;
  EXPECT_EQ(query->GetFieldValue("ID").AsInteger(), 0);
  query->ClearNotNull();
  EXPECT_FALSE(query->IsFieldNull("PRICE"));
  query->SetFieldValue("ID", 4);
  query->SetFieldValue("NAME", "a name longer than ten");
  query->SetFieldValue("NOTE", host::Null());
  ASSERT_TRUE(query->Append());
  ASSERT_EQ(TestTable::Rows.size(), 4u);
  EXPECT_EQ(TestTable::Rows[3][0].AsInteger(), 4);
  EXPECT_EQ(TestTable::Rows[3][1].AsString(), "a name lon") << "cut to the field's ten characters";
  EXPECT_TRUE(TestTable::Rows[3][3].IsNull());

  // ClearFieldNotNull works by name, ignores unknown names.
  query->SetFieldValue("ID", host::Null());
  query->ClearFieldNotNull("id");
  EXPECT_FALSE(query->IsFieldNull("ID"));
  query->ClearFieldNotNull("nothing");
}

TEST_F(FieldAccessTest, SettingsKeepTheirRanges) {
  EXPECT_EQ(query->MaxFetchCount(), 25);
  EXPECT_TRUE(query->UniDirectional());
  EXPECT_FALSE(query->WantExceptions());
  EXPECT_EQ(query->BlobSize(), 0);
  query->SetBlobSize(32763);
  EXPECT_EQ(query->BlobSize(), 32763);
  query->SetBlobSize(32764);
  query->SetBlobSize(-1);
  EXPECT_EQ(query->BlobSize(), 32763);
  query->SetMaxFetchCount(1);
  EXPECT_EQ(query->MaxFetchCount(), 1);
  query->SetMaxFetchCount(1000);
  query->SetMaxFetchCount(0);
  query->SetMaxFetchCount(1001);
  EXPECT_EQ(query->MaxFetchCount(), 1000);
}

TEST(StatementConversions, FailedConversionsGiveNeutralValues) {
  std::string text = "old";
  TVelarSQL::SetVarToStr(host::Null(), text);
  EXPECT_EQ(text, "");
  TVelarSQL::SetVarToStr(host::VarArrayOf({1}), text);
  EXPECT_EQ(text, "");
  TVelarSQL::SetVarToStr(12.5, text);
  EXPECT_EQ(text, "12.5");
  EXPECT_EQ(TVelarSQL::SetVarToInt("abc"), 0);
  EXPECT_EQ(TVelarSQL::SetVarToInt(true), 1);
  EXPECT_EQ(TVelarSQL::SetVarToInt("42"), 42);
  EXPECT_EQ(TVelarSQL::SetVarToFloat(true), 1.0);
  EXPECT_EQ(TVelarSQL::SetVarToFloat(host::Null()), 0.0);
  EXPECT_FALSE(TVelarSQL::SetVarToBoolean("maybe"));
  EXPECT_TRUE(TVelarSQL::SetVarToBoolean("true"));
  EXPECT_EQ(TVelarSQL::SetVarToDateTime("no date"), 0.0);
  EXPECT_EQ(TVelarSQL::SetVarToDateTime("2000-03-01"), 36586.0);

  const char bytes[] = "xyz";
  EXPECT_TRUE(TVelarSQL::StrToVarByte(bytes, 0).IsNull());
  const host::Variant one = TVelarSQL::StrToVarByte(bytes, 1);
  EXPECT_EQ(one.Type(), host::varArray | host::varByte);
  EXPECT_EQ(host::VarArrayLowBound(one), 0);
  EXPECT_EQ(host::VarArrayHighBound(one), 0);
  EXPECT_EQ(host::VarArrayGet(one, 0).AsInteger(), 'x');

  host::TMemoryStream stream;
  EXPECT_TRUE(TVelarSQL::StreamToVarByte(nullptr).IsNull());
  EXPECT_TRUE(TVelarSQL::StreamToVarByte(&stream).IsNull());
  EXPECT_EQ(TVelarSQL::StreamToStr(&stream), "");
  stream.Write("ab\0c", 4);
  EXPECT_EQ(host::VarArrayHighBound(TVelarSQL::StreamToVarByte(&stream)), 3);
  EXPECT_EQ(TVelarSQL::StreamToStr(&stream), std::string("ab\0c", 4));
  EXPECT_EQ(TVelarSQL::StreamToStr(nullptr), "");
}

}  // namespace
