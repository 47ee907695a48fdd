// Data sets in form files: persistent fields stored nested in their data
// set's block but owned by the form, field definitions as a collection, data
// sources and controls by reference; a data module in the form another
// designer of this family writes reads, works and writes back.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "host/application.h"
#include "host/os.h"

#include "host/db_controls.h"
#include "host/fields_defs.h"
#include "host/formfile.h"
#include "tests/host/memory_dataset.h"
#include "tests/support/velar_test.h"

namespace {

using dbtest::TMemoryDataSet;
using velar::testing::MessageOf;

// A data module: a root with its size and the handlers its components use.
class TOrdersModule : public host::TComponent {
 public:
  explicit TOrdersModule(host::TComponent* Owner) : host::TComponent(Owner) {}

  static const host::TPropertyTable& Properties() {
    static const host::TPropertyTable table(
        host::TComponent::Properties(),
        {
            host::StringProp("Caption", &TOrdersModule::Caption, &TOrdersModule::Caption, ""),
            host::IntProp("Height", &TOrdersModule::Height, &TOrdersModule::Height),
            host::IntProp("Width", &TOrdersModule::Width, &TOrdersModule::Width),
        });
    return table;
  }
  static const host::TMethodTable& Methods() {
    static const host::TMethodTable table(
        host::TComponent::Methods(),
        {host::Method("Query1CalcFields", &TOrdersModule::Query1CalcFields)});
    return table;
  }

  // TOTAL is twice PRICE.
  void Query1CalcFields(host::TDataSet* DataSet) {
    DataSet->FieldByName("TOTAL")->SetAsFloat(DataSet->FieldByName("PRICE")->AsFloat() * 2);
  }

  std::string Caption;
  int Height = 0;
  int Width = 0;
};

// As another designer writes it: its own property order, floats with all
// their digits, the Calculated flag beside FieldKind.
const char kDesignerText[] =
    "object OrdersModule: TOrdersModule\n"
    "  Caption = 'Orders'\n"
    "  Left = 192\n"
    "  Top = 107\n"
    "  Height = 150\n"
    "  Width = 215\n"
    "  object Query1: TMemoryDataSet\n"
    "    FieldDefs = <\n"
    "      item\n"
    "        Name = 'ID'\n"
    "        DataType = ftInteger\n"
    "      end\n"
    "      item\n"
    "        Name = 'NAME'\n"
    "        DataType = ftString\n"
    "        Size = 10\n"
    "      end\n"
    "      item\n"
    "        Name = 'PRICE'\n"
    "        DataType = ftFloat\n"
    "      end>\n"
    "    OnCalcFields = Query1CalcFields\n"
    "    Left = 40\n"
    "    Top = 16\n"
    "    object Query1ID: TIntegerField\n"
    "      FieldName = 'ID'\n"
    "    end\n"
    "    object Query1NAME: TStringField\n"
    "      DisplayLabel = 'Name'\n"
    "      DisplayWidth = 30\n"
    "      FieldName = 'NAME'\n"
    "      Size = 10\n"
    "    end\n"
    "    object Query1PRICE: TFloatField\n"
    "      FieldName = 'PRICE'\n"
    "      DisplayFormat = '#,##0.00'\n"
    "      MaxValue = 1000.000000000000000000\n"
    "      ProviderFlags = [pfInUpdate]\n"
    "    end\n"
    "    object Query1TOTAL: TFloatField\n"
    "      FieldKind = fkCalculated\n"
    "      FieldName = 'TOTAL'\n"
    "      Calculated = True\n"
    "    end\n"
    "  end\n"
    "  object DataSource1: TDataSource\n"
    "    DataSet = Query1\n"
    "    Left = 112\n"
    "    Top = 16\n"
    "  end\n"
    "  object Grid1: TDBGrid\n"
    "    DataSource = DataSource1\n"
    "    RowCount = 3\n"
    "  end\n"
    "end\n";

// The same module as this framework writes it.
const char kWrittenText[] =
    "object OrdersModule: TOrdersModule\n"
    "  Caption = 'Orders'\n"
    "  Height = 150\n"
    "  Width = 215\n"
    "  Left = 192\n"
    "  Top = 107\n"
    "  object Query1: TMemoryDataSet\n"
    "    FieldDefs = <\n"
    "      item\n"
    "        Name = 'ID'\n"
    "        DataType = ftInteger\n"
    "      end\n"
    "      item\n"
    "        Name = 'NAME'\n"
    "        DataType = ftString\n"
    "        Size = 10\n"
    "      end\n"
    "      item\n"
    "        Name = 'PRICE'\n"
    "        DataType = ftFloat\n"
    "      end>\n"
    "    OnCalcFields = Query1CalcFields\n"
    "    Left = 40\n"
    "    Top = 16\n"
    "    object Query1ID: TIntegerField\n"
    "      FieldName = 'ID'\n"
    "    end\n"
    "    object Query1NAME: TStringField\n"
    "      DisplayLabel = 'Name'\n"
    "      DisplayWidth = 30\n"
    "      FieldName = 'NAME'\n"
    "      Size = 10\n"
    "    end\n"
    "    object Query1PRICE: TFloatField\n"
    "      FieldName = 'PRICE'\n"
    "      ProviderFlags = [pfInUpdate]\n"
    "      DisplayFormat = '#,##0.00'\n"
    "      MaxValue = 1000\n"
    "    end\n"
    "    object Query1TOTAL: TFloatField\n"
    "      FieldKind = fkCalculated\n"
    "      FieldName = 'TOTAL'\n"
    "    end\n"
    "  end\n"
    "  object DataSource1: TDataSource\n"
    "    DataSet = Query1\n"
    "    Left = 112\n"
    "    Top = 16\n"
    "  end\n"
    "  object Grid1: TDBGrid\n"
    "    DataSource = DataSource1\n"
    "    RowCount = 3\n"
    "  end\n"
    "end\n";

class DataModuleFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    host::RegisterClass<TOrdersModule>();
    host::RegisterClass<TMemoryDataSet>();
  }
  std::unique_ptr<TOrdersModule> Read(const std::string& Text) {
    return std::unique_ptr<TOrdersModule>(
        dynamic_cast<TOrdersModule*>(host::CreateComponentFromText(Text)));
  }
  static std::string ReadError(const std::string& Text) {
    return MessageOf<host::EReadError>(
        [&] { std::unique_ptr<host::TComponent>(host::CreateComponentFromText(Text)); });
  }
};

TEST_F(DataModuleFiles, PersistentFieldsBelongToTheFormAndToTheirDataSet) {
  std::unique_ptr<TOrdersModule> module = Read(kDesignerText);
  ASSERT_NE(module, nullptr);
  auto* query = dynamic_cast<TMemoryDataSet*>(module->FindComponent("Query1"));
  ASSERT_NE(query, nullptr);
  ASSERT_EQ(query->FieldCount(), 4);
  host::TField* name = query->Fields()[1];
  EXPECT_EQ(name, module->FindComponent("Query1NAME"));
  EXPECT_EQ(name->Owner(), module.get());
  EXPECT_EQ(name->DataSet(), query);
  EXPECT_EQ(name->DisplayName(), "Name");
  EXPECT_EQ(name->DisplayWidth(), 30);
  auto* price = dynamic_cast<host::TFloatField*>(query->FieldByName("PRICE"));
  EXPECT_EQ(price->MaxValue(), 1000.0);
  EXPECT_EQ(price->ProviderFlags(), 1u << host::pfInUpdate);
  EXPECT_EQ(query->FieldByName("TOTAL")->FieldKind(), host::fkCalculated);
  EXPECT_EQ(query->FieldDefs()->Count(), 3);
  EXPECT_EQ(query->DesignInfo(), 16 << 16 | 40);
  EXPECT_EQ(module->Height, 150);
}

TEST_F(DataModuleFiles, AModuleReadFromAnotherDesignersTextWorks) {
  std::unique_ptr<TOrdersModule> module = Read(kDesignerText);
  auto* query = dynamic_cast<TMemoryDataSet*>(module->FindComponent("Query1"));
  auto* grid = dynamic_cast<host::TDBGrid*>(module->FindComponent("Grid1"));
  query->AddRow({1, "Tea", 2.5});
  query->AddRow({2, "Coffee", 1234});
  query->AddRow({3, "Cocoa", 3});
  query->Open();
  EXPECT_FALSE(query->DefaultFields());
  EXPECT_EQ(grid->Rows(),
            (std::vector<std::vector<std::string>>{{"1", "Tea", "2.50", "5"},
                                                   {"2", "Coffee", "1,234.00", "2468"},
                                                   {"3", "Cocoa", "3.00", "6"}}));
  query->Next();
  query->Edit();
  EXPECT_EQ(velar::testing::MessageOf<host::EDatabaseError>(
                [&] { query->FieldByName("PRICE")->SetAsFloat(1500); }),
            "1500 is not a valid value for field 'PRICE'. The allowed range is 0 to 1000");
  query->Cancel();
  query->Close();
  EXPECT_EQ(query->FieldCount(), 4);  // persistent fields outlive the opening
}

TEST_F(DataModuleFiles, WritingNestsTheFieldsInTheDataSetAndReadsBackTheSame) {
  std::unique_ptr<TOrdersModule> module = Read(kDesignerText);
  std::string written = host::WriteComponentText(module.get());
  EXPECT_EQ(written, kWrittenText);
  std::unique_ptr<TOrdersModule> again = Read(written);
  EXPECT_EQ(host::WriteComponentText(again.get()), written);
}

TEST_F(DataModuleFiles, DefaultFieldsOfAnOpenDataSetAreNotWritten) {
  TOrdersModule module(nullptr);
  module.SetName("M");
  auto* query = new TMemoryDataSet(&module);
  query->SetName("Q");
  query->SetColumns({{"ID", host::ftInteger}});
  query->Open();
  ASSERT_EQ(query->FieldCount(), 1);
  EXPECT_EQ(host::WriteComponentText(&module),
            "object M: TOrdersModule\n"
            "  Height = 0\n"
            "  Width = 0\n"
            "  object Q: TMemoryDataSet\n"
            "    Active = True\n"
            "    FieldDefs = <\n"
            "      item\n"
            "        Name = 'ID'\n"
            "        DataType = ftInteger\n"
            "      end>\n"
            "  end\n"
            "end\n");
}

TEST_F(DataModuleFiles, AnActiveDataSetOpensOnceItsFieldsAreRead) {
  std::string text = kDesignerText;
  text.replace(text.find("    OnCalcFields"), 0, "    Active = True\n");
  std::unique_ptr<TOrdersModule> module = Read(text);
  auto* query = dynamic_cast<TMemoryDataSet*>(module->FindComponent("Query1"));
  EXPECT_TRUE(query->Active());
  EXPECT_FALSE(query->DefaultFields());
  EXPECT_EQ(query->FieldByName("PRICE")->FieldNo(), 3);
}

TEST_F(DataModuleFiles, AtDesignTimeAFailedOpeningIsReportedAndTheRestStillReads) {
  std::string text = kDesignerText;
  text.replace(text.find("    OnCalcFields"), 0, "    Active = True\n");
  text.replace(text.find("'PRICE'\n      Display"), 7, "'COST'");
  std::vector<std::string> reported;
  host::Application->OnException = [&](host::TObject* Sender, const std::exception& E) {
    reported.push_back(dynamic_cast<host::TComponent*>(Sender)->Name() + " | " + E.what());
  };
  TOrdersModule module(nullptr);
  module.SetDesigning(true);
  host::ReadComponentText(&module, text);
  host::Application->OnException = nullptr;
  EXPECT_EQ(reported, std::vector<std::string>{"Query1 | Query1: Field 'COST' not found"});
  auto* query = dynamic_cast<TMemoryDataSet*>(module.FindComponent("Query1"));
  EXPECT_FALSE(query->Active());
  EXPECT_NE(module.FindComponent("Grid1"), nullptr);
  // At run time the same text fails, with the data set's own error.
  EXPECT_EQ(MessageOf<host::EDatabaseError>(
                [&] { std::unique_ptr<host::TComponent>(host::CreateComponentFromText(text)); }),
            "Query1: Field 'COST' not found");
}

TEST_F(DataModuleFiles, UnknownFieldClassesAndPropertiesFailWithTheirLine) {
  std::string unknownClass = kDesignerText;
  unknownClass.replace(unknownClass.find("TIntegerField"), 13, "TRatioField");
  EXPECT_EQ(ReadError(unknownClass), "Line 25: Class TRatioField not found");
  std::string unknownProperty = kDesignerText;
  unknownProperty.replace(unknownProperty.find("      Size = 10\n    end"), 0,
                          "      EditMask = '>aaa'\n");
  EXPECT_EQ(ReadError(unknownProperty), "Line 32: property EditMask does not exist");
  std::string badType = kDesignerText;
  badType.replace(badType.find("ftFloat"), 7, "ftOleStr");
  EXPECT_EQ(ReadError(badType), "Line 20: 'ftOleStr' is not a value of TFieldType for DataType");
}

}  // namespace
