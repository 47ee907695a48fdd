// Fields: the data formats they exchange with their data set, conversions
// between types, text for display and editing, checks on the values they
// take, blob values through streams, and character-set conversion.
#include <gtest/gtest.h>

#include <cstring>

#include "host/datetime.h"
#include "host/fields.h"
#include "host/stream.h"
#include "host/strings.h"
#include "tests/host/memory_dataset.h"
#include "tests/host/settings_guard.h"
#include "tests/support/velar_test.h"

namespace {

using dbtest::TMemoryDataSet;
using host::Variant;
using velar::testing::MessageOf;

class Fields : public host_test::FormatSettingsGuard {
 protected:
  void SetUp() override {
    data.SetColumns({{"ID", host::ftInteger},
                     {"NAME", host::ftString, 10},
                     {"PRICE", host::ftFloat},
                     {"AMOUNT", host::ftCurrency},
                     {"ACTIVE", host::ftBoolean},
                     {"BORN", host::ftDate},
                     {"AT", host::ftTime},
                     {"STAMP", host::ftDateTime},
                     {"CODE", host::ftBytes, 4},
                     {"NOTES", host::ftMemo},
                     {"DATA", host::ftBlob},
                     {"SMALL", host::ftSmallint}});
    data.AddRow(
        {1, "Alpha", 1234.5, 10.25, true, Variant::FromDateTime(host::EncodeDate(2001, 2, 3)),
         Variant::FromDateTime(host::EncodeTime(4, 5, 6, 0)),
         Variant::FromDateTime(host::EncodeDate(2001, 2, 3) + host::EncodeTime(4, 5, 6, 789)),
         std::string("\x01\x02\x03\x04", 4), "memo text", std::string("blob\0bytes", 10), -7});
    data.AddRow({2});
    data.Open();
  }
  host::TField* F(const char* Name) { return data.FieldByName(Name); }

  TMemoryDataSet data;
};

TEST_F(Fields, DefaultFieldsAreOfTheClassOfTheirType) {
  EXPECT_NE(dynamic_cast<host::TIntegerField*>(F("ID")), nullptr);
  EXPECT_NE(dynamic_cast<host::TStringField*>(F("NAME")), nullptr);
  EXPECT_NE(dynamic_cast<host::TCurrencyField*>(F("AMOUNT")), nullptr);
  EXPECT_NE(dynamic_cast<host::TDateField*>(F("BORN")), nullptr);
  EXPECT_NE(dynamic_cast<host::TTimeField*>(F("AT")), nullptr);
  EXPECT_NE(dynamic_cast<host::TMemoField*>(F("NOTES")), nullptr);
  EXPECT_NE(dynamic_cast<host::TSmallintField*>(F("SMALL")), nullptr);
  EXPECT_EQ(F("NAME")->Size(), 10);
  EXPECT_EQ(F("NAME")->DataSize(), 11);
  EXPECT_EQ(F("ID")->FieldNo(), 1);
  EXPECT_EQ(F("SMALL")->FieldNo(), 12);
  EXPECT_TRUE(F("ID")->IsSubComponent());
}

TEST_F(Fields, ValuesCrossInTheHostDataFormats) {
  std::int32_t id = 0;
  ASSERT_TRUE(F("ID")->GetData(&id));
  EXPECT_EQ(id, 1);
  char name[11] = {};
  ASSERT_TRUE(F("NAME")->GetData(name));
  EXPECT_STREQ(name, "Alpha");
  std::int16_t active = 0;
  ASSERT_TRUE(F("ACTIVE")->GetData(&active));
  EXPECT_EQ(active, 1);
  host::TDateTimeRec born{};
  ASSERT_TRUE(F("BORN")->GetData(&born));
  EXPECT_EQ(born.Date, host::DateTimeToTimeStamp(host::EncodeDate(2001, 2, 3)).Date);
  host::TDateTimeRec at{};
  ASSERT_TRUE(F("AT")->GetData(&at));
  EXPECT_EQ(at.Time, ((4 * 60 + 5) * 60 + 6) * 1000);
  host::TDateTimeRec stamp{};
  ASSERT_TRUE(F("STAMP")->GetData(&stamp));
  EXPECT_EQ(stamp.DateTime, (730519.0 * 86400000.0) + 14706789.0);
  EXPECT_EQ(host::DateTimeToTimeStamp(host::EncodeDate(1899, 12, 30)).Date, 693594);

  data.Edit();
  F("ACTIVE")->SetAsBoolean(true);
  F("AT")->SetAsDateTime(host::EncodeTime(23, 59, 58, 0));
  F("BORN")->SetAsDateTime(host::EncodeDate(1999, 12, 31) + 0.75);
  ASSERT_TRUE(F("AT")->GetData(&at));
  EXPECT_EQ(at.Time, 86398000);
  EXPECT_EQ(F("BORN")->AsDateTime(), host::EncodeDate(1999, 12, 31));  // the time is dropped
  EXPECT_EQ(F("AT")->AsDateTime(), host::EncodeTime(23, 59, 58, 0));   // on day 0
}

TEST_F(Fields, TypedAccessorsConvertBetweenKinds) {
  EXPECT_EQ(F("ID")->AsString(), "1");
  EXPECT_EQ(F("ID")->AsFloat(), 1.0);
  EXPECT_EQ(F("PRICE")->AsInteger(), 1234);
  EXPECT_EQ(F("PRICE")->AsString(), "1234.5");
  EXPECT_EQ(F("AMOUNT")->AsFloat(), 10.25);
  EXPECT_EQ(F("ACTIVE")->AsString(), "True");
  EXPECT_EQ(F("BORN")->AsString(), "2001-02-03");
  EXPECT_EQ(F("AT")->AsString(), "04:05:06");
  EXPECT_EQ(F("STAMP")->AsString(), "2001-02-03 04:05:06");
  EXPECT_EQ(F("CODE")->AsString(), std::string("\x01\x02\x03\x04", 4));
  EXPECT_EQ(F("CODE")->DisplayText(), "01020304");
  EXPECT_EQ(F("SMALL")->AsInteger(), -7);
  EXPECT_EQ(F("NAME")->AsVariant().Type(), host::varString);
  EXPECT_EQ(F("STAMP")->AsVariant().Type(), host::varDate);
  EXPECT_EQ(F("ACTIVE")->AsVariant().Type(), host::varBoolean);
  EXPECT_EQ(F("CODE")->AsVariant().Type(), host::varArray | host::varByte);
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { F("ID")->AsDateTime(); }),
            "Cannot access field 'ID' as type DateTime");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { F("NAME")->AsInteger(); }),
            "'Alpha' is not a valid integer value for field 'NAME'");
}

TEST_F(Fields, AFieldWithoutValueReadsAsNothing) {
  data.Next();
  for (const char* name : {"NAME", "PRICE", "ACTIVE", "BORN", "CODE", "NOTES", "DATA"}) {
    EXPECT_TRUE(F(name)->IsNull()) << name;
    EXPECT_TRUE(F(name)->AsVariant().IsNull()) << name;
    EXPECT_EQ(F(name)->DisplayText(), name == std::string("DATA") ? "(blob)" : "") << name;
  }
  EXPECT_EQ(F("PRICE")->AsFloat(), 0.0);
  EXPECT_EQ(F("ACTIVE")->AsBoolean(), false);
  std::int32_t untouched = 99;
  EXPECT_FALSE(F("SMALL")->GetData(&untouched));
  EXPECT_EQ(untouched, 99);
}

TEST_F(Fields, ValuesAreCheckedBeforeTheyAreStored) {
  data.Edit();
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { F("ID")->SetAsString("12x"); }),
            "'12x' is not a valid integer value for field 'ID'");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { F("PRICE")->SetAsString("cheap"); }),
            "'cheap' is not a valid floating point value for field 'PRICE'");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { F("BORN")->SetAsString("31.2.2001"); }),
            "'31.2.2001' is not a valid date value for field 'BORN'");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { F("SMALL")->SetAsInteger(40000); }),
            "40000 is not a valid value for field 'SMALL'. The allowed range is -32768 to 32767");
  auto* id = dynamic_cast<host::TIntegerField*>(F("ID"));
  id->SetMinValue(1);
  id->SetMaxValue(100);
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { id->SetAsFloat(100.4 + 1); }),
            "101 is not a valid value for field 'ID'. The allowed range is 1 to 100");
  id->SetAsFloat(99.5);
  EXPECT_EQ(id->AsInteger(), 100);  // half to even
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { F("ID")->SetAsFloat(1e12); }),
            "1000000000000 is not a valid value for field 'ID'. The allowed range is -2147483648 "
            "to 2147483647");
  F("NAME")->SetAsString("A much longer name");
  EXPECT_EQ(F("NAME")->AsString(), "A much lon");
  F("PRICE")->SetAsString("");
  EXPECT_TRUE(F("PRICE")->IsNull());
  F("ACTIVE")->SetAsString("f");
  EXPECT_FALSE(F("ACTIVE")->AsBoolean());
  F("CODE")->SetAsString("AB");
  EXPECT_EQ(F("CODE")->AsString(), std::string("AB\0\0", 4));
  F("ID")->SetAsVariant("42");
  F("PRICE")->SetAsVariant(Variant(3));
  F("STAMP")->SetAsVariant(Variant("2020-05-06 07:08:09"));
  EXPECT_EQ(F("ID")->AsInteger(), 42);
  EXPECT_EQ(F("PRICE")->AsFloat(), 3.0);
  EXPECT_EQ(F("STAMP")->AsString(), "2020-05-06 07:08:09");
  F("ID")->SetAsVariant(host::Null());
  EXPECT_TRUE(F("ID")->IsNull());
}

TEST_F(Fields, DisplayTextFollowsFormatsAndHandlers) {
  auto* price = dynamic_cast<host::TFloatField*>(F("PRICE"));
  price->SetDisplayFormat("#,##0.00 EUR;(#,##0.00);'zero'");
  EXPECT_EQ(price->DisplayText(), "1,234.50 EUR");
  EXPECT_EQ(price->Text(), "1,234.50 EUR");
  price->SetEditFormat("0.0");
  EXPECT_EQ(price->Text(), "1234.5");
  EXPECT_EQ(F("AMOUNT")->DisplayText(), "10.25");
  data.Edit();
  price->SetAsFloat(-2.5);
  EXPECT_EQ(price->DisplayText(), "(2.50)");
  price->SetAsFloat(0);
  EXPECT_EQ(price->DisplayText(), "zero");
  F("AMOUNT")->SetAsFloat(3);
  EXPECT_EQ(F("AMOUNT")->DisplayText(), "3.00");
  EXPECT_EQ(F("AMOUNT")->Text(), "3");
  price->SetAsFloat(0.1 + 0.2);
  price->SetDisplayFormat("");
  EXPECT_EQ(price->DisplayText(), "0.3");

  auto* active = dynamic_cast<host::TBooleanField*>(F("ACTIVE"));
  active->SetDisplayValues("Yes;No");
  EXPECT_EQ(active->DisplayText(), "Yes");
  active->SetEditText("n");
  EXPECT_FALSE(active->AsBoolean());
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { active->SetEditText("maybe"); }),
            "'maybe' is not a valid Boolean value for field 'ACTIVE'");

  auto* born = dynamic_cast<host::TDateTimeField*>(F("BORN"));
  born->SetDisplayFormat("d mmmm yyyy");
  EXPECT_EQ(born->DisplayText(), "3 February 2001");
  EXPECT_EQ(born->Text(), "2001-02-03");

  host::FormatSettings.DecimalSeparator = ',';
  price->SetAsFloat(1.5);
  EXPECT_EQ(price->DisplayText(), "1,5");
  price->SetEditText("2,25");
  EXPECT_EQ(price->AsFloat(), 2.25);

  F("NAME")->OnGetText = [](host::TField* Field, std::string& Text, bool Display) {
    Text = (Display ? "<" : "[") + Field->AsString() + (Display ? ">" : "]");
  };
  F("NAME")->OnSetText = [](host::TField* Field, const std::string& Text) {
    Field->SetAsString(host::UpperCase(Text));
  };
  EXPECT_EQ(F("NAME")->DisplayText(), "<Alpha>");
  EXPECT_EQ(F("NAME")->Text(), "[Alpha]");
  F("NAME")->SetEditText("beta");
  EXPECT_EQ(F("NAME")->AsString(), "BETA");
}

TEST_F(Fields, BlobValuesTravelThroughTheDataSetsStreams) {
  auto* notes = dynamic_cast<host::TMemoField*>(F("NOTES"));
  auto* blob = dynamic_cast<host::TBlobField*>(F("DATA"));
  EXPECT_EQ(notes->AsString(), "memo text");
  EXPECT_EQ(notes->AsVariant().Type(), host::varString);
  EXPECT_EQ(blob->AsString(), std::string("blob\0bytes", 10));
  EXPECT_EQ(blob->BlobSize(), 10);
  EXPECT_EQ(blob->AsVariant().Type(), host::varArray | host::varByte);
  EXPECT_EQ(blob->DisplayText(), "(Blob)");
  host::TMemoryStream saved;
  blob->SaveToStream(&saved);
  EXPECT_EQ(saved.Size(), 10);
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { notes->SetAsString("no"); }),
            "Data set not in edit or insert mode");

  data.Edit();
  notes->SetAsString("changed");
  EXPECT_TRUE(notes->Modified());
  EXPECT_TRUE(data.Modified());
  host::TStringStream source("loaded");
  blob->LoadFromStream(&source);
  EXPECT_EQ(blob->AsString(), "loaded");
  data.Post();
  EXPECT_EQ(data.StoredText(1, "NOTES"), "changed");
  EXPECT_EQ(data.StoredText(1, "DATA"), "loaded");

  data.Edit();
  notes->Clear();
  EXPECT_TRUE(notes->IsNull());
  host::TStringList lines;
  lines.Add("one");
  lines.Add("two");
  blob->Assign(&lines);
  data.Post();
  EXPECT_EQ(data.StoredText(1, "NOTES"), "<null>");
  EXPECT_EQ(blob->AsString(), "one\ntwo");
}

TEST_F(Fields, StringsAreConvertedByTheDataSetWhenTransliterateIsSet) {
  data.Converting = true;
  data.Trace().clear();
  EXPECT_EQ(F("NAME")->AsString(), "alpha");
  data.Edit();
  F("NAME")->SetAsString("Beta");
  data.Post();
  EXPECT_EQ(data.StoredText(1, "NAME"), "BETA");
  F("NAME")->SetTransliterate(false);
  data.Trace().clear();
  EXPECT_EQ(F("NAME")->AsString(), "BETA");
  EXPECT_EQ(dbtest::Filtered(data.Trace(), {"Translate"}), dbtest::TTrace{});
}

TEST_F(Fields, SettingFieldPropertiesOfAnOpenDataSetIsRefused) {
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { F("NAME")->SetSize(5); }),
            "Cannot perform this operation on an open data set");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { F("NAME")->SetFieldName("ID"); }),
            "Cannot perform this operation on an open data set");
  data.Close();
  host::TStringField orphan(nullptr);
  orphan.SetFieldName("LOOSE");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { orphan.AsString(); }),
            "Field 'LOOSE' has no data set");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { orphan.SetSize(0); }),
            "Invalid size 0 for field 'LOOSE'");
}

}  // namespace
