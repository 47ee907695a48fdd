// The dataset's SQL text: the parameters its ":name" markers make and when
// they are found again; the published properties with their defaults.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "asa/dataset/VlrAsaDS.h"
#include "host/typinfo.h"

namespace {

using velar::TAsaDataset;
using Names = std::vector<std::string>;

// The names of the parameters SQL makes (each aliased by its name).
Names ParamsOf(const std::string& SQL) {
  TAsaDataset dataset(nullptr);
  dataset.SQL()->SetText(SQL);
  Names names;
  for (int i = 0; i < dataset.GetParamsCount(); ++i) {
    EXPECT_EQ(dataset.Params()->GetParam(i)->Alias, dataset.Params()->GetParam(i)->Name);
    names.push_back(dataset.Params()->GetParam(i)->Name);
  }
  return names;
}

TEST(DatasetSQL, MarkersOutsideQuotesMakeParametersInTheirOrder) {
  EXPECT_EQ(ParamsOf("select * from t where a = :a and b = :b"), (Names{"a", "b"}));
  EXPECT_EQ(ParamsOf("select * from t where x = ':a'"), Names{});
  EXPECT_EQ(ParamsOf("where x = \":a\" and y = :y"), Names{"y"});
  EXPECT_EQ(ParamsOf("select 'it''s' from t where y = :y"), Names{"y"});
  EXPECT_EQ(ParamsOf("where x = :x or y = :x"), (Names{"x", "x"}));
  EXPECT_EQ(ParamsOf("where a = ::b"), Names{}) << "an escaped colon";
  EXPECT_EQ(ParamsOf("where a = :::b"), Names{"b"});
  EXPECT_EQ(ParamsOf("select a::int from t where b = :b"), Names{"b"});
}

TEST(DatasetSQL, ANameEndsAtALineBreakBlankParenthesisCommaOrSemicolon) {
  EXPECT_EQ(ParamsOf("where a=:p1,b"), Names{"p1"});
  EXPECT_EQ(ParamsOf("values (:a,:b);"), (Names{"a", "b"}));
  EXPECT_EQ(ParamsOf("where a = :a\r\nand b = :b\n"), (Names{"a", "b"}));
  EXPECT_EQ(ParamsOf("where a = :p1=3"), Names{"p1=3"});
  EXPECT_EQ(ParamsOf("where a = :p\tand"), Names{"p\tand"}) << "a tab belongs to the name";
  EXPECT_EQ(ParamsOf("where a = :x:y"), Names{"x:y"});
}

TEST(DatasetSQL, ParamCheckOffKeepsTheParametersAtRunTimeButNotAtDesignTime) {
  TAsaDataset dataset(nullptr);
  dataset.SQL()->SetText("select * from t where a = :a");
  dataset.ParamByName("a")->SetAsInteger(5);
  dataset.SetParamCheck(false);
  dataset.SQL()->SetText("select * from t where b = :b");
  EXPECT_EQ(dataset.ParamByName("a")->GetAsInteger(), 5);
  dataset.SetDesigning(true);
  dataset.SQL()->SetText("select * from t where c = :c");
  ASSERT_EQ(dataset.GetParamsCount(), 1);
  EXPECT_EQ(dataset.Params()->GetParam(0)->Name, "c");
}

TEST(DatasetSQL, PublishesItsPropertiesInOrderWithTheirDefaults) {
  const host::TPropertyTable& table = TAsaDataset::Properties();
  std::string names;
  for (int i = 0; i < table.Count(); ++i)
    names += table.Item(i).Name() + " ";
  EXPECT_EQ(names,
            "Name Tag Active AutoCalcFields BeforeOpen AfterOpen BeforeClose AfterClose "
            "BeforeInsert AfterInsert BeforeEdit AfterEdit BeforePost AfterPost BeforeCancel "
            "AfterCancel BeforeDelete AfterDelete BeforeScroll AfterScroll OnCalcFields "
            "OnDeleteError OnEditError OnNewRecord OnPostError DataSource ParamCheck Params "
            "ReadOnly Session SQL ");
  std::unique_ptr<host::TComponent> made(host::FindClass("TAsaDataset")->Create(nullptr));
  for (const char* name : {"Active", "AutoCalcFields", "ParamCheck", "ReadOnly"})
    EXPECT_TRUE(table.Find(name)->IsDefaultValue(made.get())) << name;
  EXPECT_TRUE(dynamic_cast<TAsaDataset*>(made.get())->ReadOnly());
  made->SetName("Query1");
  EXPECT_EQ(dynamic_cast<TAsaDataset*>(made.get())->Params()->GetNamePath(), "Query1.TAsaParams")
      << "the parameter dialog's caption names the dataset";
}

}  // namespace
