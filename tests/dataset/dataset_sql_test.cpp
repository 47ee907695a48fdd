// The dataset's SQL text: the parameters its ":name" markers make, when they
// are found again, and the published properties with their defaults.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "asa/dataset/VlrAsaDS.h"
#include "host/strings.h"
#include "host/typinfo.h"

namespace {

using velar::TAsaDataset;

// The names of the parameters SQL makes.
std::vector<std::string> ParamsOf(const std::string& SQL) {
  TAsaDataset dataset(nullptr);
  dataset.SQL()->SetText(SQL);
  std::vector<std::string> names;
  for (int i = 0; i < dataset.GetParamsCount(); ++i) {
    EXPECT_EQ(dataset.Params()->GetParam(i)->Alias, dataset.Params()->GetParam(i)->Name);
    names.push_back(dataset.Params()->GetParam(i)->Name);
  }
  return names;
}

using Names = std::vector<std::string>;

TEST(DatasetSQL, MarkersOutsideQuotesMakeParametersInTheirOrder) {
  EXPECT_EQ(ParamsOf("select * from t where a = :a and b = :b"), (Names{"a", "b"}));
  EXPECT_EQ(ParamsOf("select * from t where x = ':a'"), Names{});
  EXPECT_EQ(ParamsOf("select * from t where x = \":a\" and y = :y"), Names{"y"});
  EXPECT_EQ(ParamsOf("select 'it''s' from t where y = :y"), Names{"y"})
      << "a doubled quote toggles twice";
  EXPECT_EQ(ParamsOf("select * from t where x = :x or y = :x"), (Names{"x", "x"}));
}

TEST(DatasetSQL, ANameEndsAtALineBreakBlankParenthesisCommaOrSemicolon) {
  EXPECT_EQ(ParamsOf("where a=:p1,b"), Names{"p1"});
  EXPECT_EQ(ParamsOf("values (:a,:b);"), (Names{"a", "b"}));
  EXPECT_EQ(ParamsOf("where a = :a\r\nand b = :b\n"), (Names{"a", "b"}));
  EXPECT_EQ(ParamsOf("where a = :p1=3"), Names{"p1=3"});
  EXPECT_EQ(ParamsOf("where a = :p\tand"), Names{"p\tand"}) << "a tab belongs to the name";
  EXPECT_EQ(ParamsOf("where a = :x:y"), Names{"x:y"});
  EXPECT_EQ(ParamsOf("where a = :"), Names{""});
}

TEST(DatasetSQL, ADoubledColonIsAnEscapedOne) {
  EXPECT_EQ(ParamsOf("where a = ::b"), Names{});
  EXPECT_EQ(ParamsOf("where a = :::b"), Names{"b"});
  EXPECT_EQ(ParamsOf("select a::int from t where b = :b"), Names{"b"});
}

TEST(DatasetSQL, ParamCheckOffKeepsTheParametersAtRunTimeButNotAtDesignTime) {
  TAsaDataset dataset(nullptr);
  dataset.SQL()->SetText("select * from t where a = :a");
  dataset.ParamByName("a")->SetAsInteger(5);
  dataset.SetParamCheck(false);
  dataset.SQL()->SetText("select * from t where b = :b");
  ASSERT_EQ(dataset.GetParamsCount(), 1);
  EXPECT_EQ(dataset.ParamByName("a")->GetAsInteger(), 5);

  dataset.SetDesigning(true);
  dataset.SQL()->SetText("select * from t where c = :c");
  ASSERT_EQ(dataset.GetParamsCount(), 1);
  EXPECT_EQ(dataset.Params()->GetParam(0)->Name, "c");
}

TEST(DatasetSQL, SettingTheSameTextChangesNothing) {
  TAsaDataset dataset(nullptr);
  dataset.SQL()->SetText("select * from t where a = :a");
  dataset.ParamByName("a")->SetAsInteger(5);
  host::TStringList same;
  same.SetText("select * from t where a = :a");
  dataset.SetSQL(&same);
  EXPECT_EQ(dataset.ParamByName("a")->GetAsInteger(), 5);
  host::TStringList other;
  other.SetText("select * from t where a = :a and b = :b");
  dataset.SetSQL(&other);
  EXPECT_EQ(dataset.GetParamsCount(), 2);
  EXPECT_EQ(dataset.ParamByName("a")->DataType(), velar::ntUnknown) << "parsed afresh";
}

TEST(DatasetSQL, PublishesItsPropertiesWithTheirDefaults) {
  const host::TPropertyTable& table = TAsaDataset::Properties();
  std::vector<std::string> names;
  for (int i = 0; i < table.Count(); ++i)
    names.push_back(table.Item(i).Name());
  const std::vector<std::string> expected = {
      "Name",         "Tag",           "Active",      "AutoCalcFields", "BeforeOpen",
      "AfterOpen",    "BeforeClose",   "AfterClose",  "BeforeInsert",   "AfterInsert",
      "BeforeEdit",   "AfterEdit",     "BeforePost",  "AfterPost",      "BeforeCancel",
      "AfterCancel",  "BeforeDelete",  "AfterDelete", "BeforeScroll",   "AfterScroll",
      "OnCalcFields", "OnDeleteError", "OnEditError", "OnNewRecord",    "OnPostError",
      "DataSource",   "ParamCheck",    "Params",      "ReadOnly",       "Session",
      "SQL"};
  EXPECT_EQ(names, expected);

  TAsaDataset dataset(nullptr);
  for (const char* name : {"Active", "AutoCalcFields", "ParamCheck", "ReadOnly"})
    EXPECT_TRUE(table.Find(name)->IsDefaultValue(&dataset)) << name;
  EXPECT_TRUE(dataset.ReadOnly());
  EXPECT_TRUE(dataset.ParamCheck());
  EXPECT_TRUE(dataset.AutoCalcFields());
  EXPECT_EQ(table.Find("Params")->TypeName(), "TAsaParams");
  std::unique_ptr<host::TComponent> made(host::FindClass("TAsaDataset")->Create(nullptr));
  EXPECT_EQ(made->ClassName(), "TAsaDataset");
}

}  // namespace
