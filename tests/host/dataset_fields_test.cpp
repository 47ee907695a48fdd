// Persistent, calculated and lookup fields, and searching: binding declared
// fields to the driver's definitions, calculated values that follow every
// record, values looked up in another data set, Locate and Lookup.
#include <gtest/gtest.h>

#include "host/fields_defs.h"
#include "host/strings.h"
#include "tests/host/dataset_fixture.h"
#include "tests/support/velar_test.h"

namespace {

using dbtest::RecordSetTest;
using dbtest::TMemoryDataSet;
using dbtest::TTrace;
using host::Variant;
using velar::testing::MessageOf;

class DeclaredFields : public RecordSetTest {
 protected:
  void SetUp() override {
    RecordSetTest::SetUp();
    data.SetName("Orders");
    customers.SetName("Customers");
    customers.SetColumns({{"CID", host::ftInteger}, {"CNAME", host::ftString, 12}});
    customers.AddRow({1, "Ann"});
    customers.AddRow({2, "Bob"});
  }

  template <class F>
  F* Declare(const char* Name, host::TFieldKind Kind = host::fkData) {
    auto* field = new F(&form);
    field->SetFieldName(Name);
    field->SetFieldKind(Kind);
    field->SetDataSet(&data);
    return field;
  }

  host::TComponent form{nullptr};
  TMemoryDataSet customers;
};

TEST_F(DeclaredFields, DeclaredFieldsBindByNameAndStayWhenTheDataSetCloses) {
  auto* price = Declare<host::TFloatField>("PRICE");
  auto* id = Declare<host::TIntegerField>("ID");
  data.Open();
  EXPECT_FALSE(data.DefaultFields());
  EXPECT_EQ(data.FieldCount(), 2);
  EXPECT_EQ(data.Fields()[0], price);
  EXPECT_EQ(price->FieldNo(), 3);
  EXPECT_EQ(id->FieldNo(), 1);
  EXPECT_EQ(price->AsFloat(), 1.5);
  data.Close();
  EXPECT_EQ(data.FieldCount(), 2);
  EXPECT_EQ(price->Owner(), &form);
  delete price;  // a field may go at any time; the data set forgets it
  EXPECT_EQ(data.FieldCount(), 1);
}

TEST_F(DeclaredFields, AFieldTheDriverDoesNotKnowOrOfAnotherTypeOrSizeStopsTheOpening) {
  auto* missing = Declare<host::TIntegerField>("MISSING");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.Open(); }),
            "Orders: Field 'MISSING' not found");
  EXPECT_FALSE(data.Active());
  EXPECT_EQ(data.LiveBuffers(), 0);
  delete missing;
  auto* wrongType = Declare<host::TStringField>("ID");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.Open(); }),
            "Orders: Type mismatch for field 'ID', expecting: String actual: Integer");
  delete wrongType;
  auto* wrongSize = Declare<host::TStringField>("NAME");
  wrongSize->SetSize(30);
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.Open(); }),
            "Orders: Size mismatch for field 'NAME', expecting: 30 actual: 10");
  wrongSize->SetSize(10);
  data.Open();
  EXPECT_EQ(wrongSize->AsString(), "Item 1");
}

TEST_F(DeclaredFields, CalculatedFieldsAreComputedForEveryRecordAndAfterEveryChange) {
  Declare<host::TIntegerField>("ID");
  auto* price = Declare<host::TFloatField>("PRICE");
  auto* total = Declare<host::TFloatField>("TOTAL", host::fkCalculated);
  auto* label = Declare<host::TStringField>("LABEL", host::fkCalculated);
  int calculations = 0;
  data.OnCalcFields = [&](host::TDataSet* DataSet) {
    ++calculations;
    EXPECT_EQ(DataSet->State(), host::dsCalcFields);
    total->SetAsFloat(price->AsFloat() * 2);
    label->SetAsString("#" + DataSet->FieldByName("ID")->AsString());
  };
  data.Open();
  EXPECT_EQ(total->FieldNo(), -1);
  EXPECT_EQ(total->AsFloat(), 3.0);
  EXPECT_EQ(label->AsString(), "#1");
  data.MoveBy(3);
  EXPECT_EQ(total->AsFloat(), 12.0);
  EXPECT_EQ(calculations, 4);
  data.Edit();
  price->SetAsFloat(10);
  EXPECT_EQ(total->AsFloat(), 20.0);  // recalculated on the change
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { total->SetAsFloat(1); }),
            "Orders: Field 'TOTAL' cannot be modified");
  data.SetAutoCalcFields(false);
  price->SetAsFloat(11);
  EXPECT_EQ(total->AsFloat(), 20.0);
  data.Post();
  EXPECT_EQ(total->AsFloat(), 22.0);  // read again from the driver
}

TEST_F(DeclaredFields, LookupFieldsShowTheValueOfTheMatchingRecordOfAnotherDataSet) {
  data.SetColumns({{"ID", host::ftInteger}, {"CUST", host::ftInteger}});
  data.AddRow({1, 2});
  data.AddRow({2, 1});
  data.AddRow({3, 7});
  data.AddRow({4});
  Declare<host::TIntegerField>("ID");
  auto* cust = Declare<host::TIntegerField>("CUST");
  auto* name = Declare<host::TStringField>("CUSTNAME", host::fkLookup);
  name->SetSize(12);
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.Open(); }),
            "Orders: Lookup information for field 'CUSTNAME' is incomplete");
  name->SetLookupDataSet(&customers);
  name->SetKeyFields("CUST");
  name->SetLookupKeyFields("CID");
  name->SetLookupResultField("CNAME");
  customers.Open();
  data.Open();
  EXPECT_EQ(name->AsString(), "Bob");
  data.Next();
  EXPECT_EQ(name->AsString(), "Ann");
  data.Next();
  EXPECT_TRUE(name->IsNull());  // no customer 7
  data.Next();
  EXPECT_TRUE(name->IsNull());  // no key
  data.Edit();
  cust->SetAsInteger(2);
  EXPECT_EQ(name->AsString(), "Bob");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { name->SetLookupDataSet(&data); }),
            "Orders: Cannot perform this operation on an open data set");
  data.Cancel();
  data.Close();
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { name->SetLookupDataSet(&data); }),
            "Circular data links are not allowed");
}

TEST_F(DeclaredFields, TheLookupDataSetGoingAwayClearsTheReference) {
  auto* lookupSource = new TMemoryDataSet(&form);
  auto* name = Declare<host::TStringField>("CUSTNAME", host::fkLookup);
  name->SetLookupDataSet(lookupSource);
  delete lookupSource;
  EXPECT_EQ(name->LookupDataSet(), nullptr);
}

using Searching = RecordSetTest;

TEST_F(Searching, LocateMovesToTheFirstMatchByTheOptions) {
  data.Open();
  EXPECT_TRUE(data.Locate("NAME", "item 5", host::loCaseInsensitive));
  EXPECT_EQ(ActiveId(), 5);
  EXPECT_FALSE(data.Locate("NAME", "item 5", 0));
  EXPECT_EQ(ActiveId(), 5);  // a failed search leaves the record
  EXPECT_TRUE(data.Locate("NAME", "Item 1", host::loPartialKey));
  EXPECT_EQ(ActiveId(), 1);
  data.Next();
  EXPECT_TRUE(data.Locate("NAME", "Item 1", host::loPartialKey));
  EXPECT_EQ(ActiveId(), 1);  // always the first match from the start
  EXPECT_TRUE(data.Locate("ID;PRICE", host::VarArrayOf({7, 10.5}), 0));
  EXPECT_EQ(ActiveId(), 7);
  EXPECT_TRUE(data.Locate("ID", "9", 0));  // a key given as text
  EXPECT_EQ(ActiveId(), 9);
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.Locate("ID;PRICE", 7, 0); }),
            "Several key fields need an array of key values");
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.Locate("COLOUR", 7, 0); }),
            "Field 'COLOUR' not found");
}

TEST_F(Searching, LookupAnswersWithoutMovingAndTheCursorComesBackForTheNextMove) {
  data.Open();
  data.MoveBy(2);
  Variant found = data.Lookup("ID", 8, "NAME;PRICE");
  ASSERT_TRUE(found.IsArray());
  EXPECT_EQ(host::VarArrayGet(found, 0).AsString(), "Item 8");
  EXPECT_EQ(host::VarArrayGet(found, 1).AsDouble(), 12.0);
  EXPECT_EQ(ActiveId(), 3);
  EXPECT_TRUE(data.Lookup("ID", 99, "NAME").IsNull());
  Mark();
  data.Edit();
  EXPECT_EQ(dbtest::Filtered(Trace(), {"Internal"}),
            (TTrace{"InternalSetToRecord 3", "InternalEdit"}));
  data.Cancel();
  EXPECT_EQ(data.FieldValues("ID;NAME").IsArray(), true);
  EXPECT_EQ(data.FieldValues("NAME").AsString(), "Item 3");
}

TEST_F(Searching, FieldNamesComeFromTheFieldsOrTheDefinitions) {
  host::TStringList names;
  data.GetFieldNames(&names);
  EXPECT_EQ(names.CommaText(), "ID,NAME,PRICE");
  // The definitions are asked of a cursor opened for them alone.
  EXPECT_EQ(dbtest::Filtered(Trace(), {"Internal"}),
            (TTrace{"InternalInitFieldDefs", "InternalClose"}));
  host::TFieldDef* def = data.FieldDefs()->Find("price");
  EXPECT_EQ(def->DataType(), host::ftFloat);
  EXPECT_EQ(def->FieldNo(), 3);
  EXPECT_EQ(MessageOf<host::EDatabaseError>([&] { data.FieldDefs()->Find("COLOUR"); }),
            "Field definition 'COLOUR' not found");
}

}  // namespace
