// Dataset parameters: typed values and their text, the values a statement
// receives for zero, one and several parameters, lookups and copies.
#include <gtest/gtest.h>

#include "asa/dataset/VlrAsaDS.h"
#include "host/graphics.h"
#include "host/typinfo.h"
#include "tests/support/velar_test.h"

namespace {

using velar::TAsaParam;
using velar::TAsaParams;
using velar::testing::MessageOf;

TEST(AsaParam, TakesItsTypeFromTheValueAndAValueOfNoTypeMakesItNull) {
  TAsaParam p(nullptr, "p");
  EXPECT_EQ(p.DataType(), velar::ntUnknown);
  EXPECT_EQ(p.Value().Type(), host::varInteger);
  const std::pair<host::Variant, velar::TAsaParamDataType> cases[] = {
      {short{3}, velar::ntInteger},
      {2.5f, velar::ntFloat},
      {host::Currency(1), velar::ntCurrency},
      {host::Variant::FromDateTime(45000.5), velar::ntDateTime},
      {true, velar::ntBoolean},
      {host::VarArrayFromBytes("ab", 2), velar::ntBinary},
      {"text", velar::ntString}};
  for (const auto& [value, type] : cases) {
    p.SetAsVariant(value);
    EXPECT_EQ(p.DataType(), type) << host::VarTypeAsText(value.Type());
    EXPECT_FALSE(p.IsNull());
  }
  p.SetAsVariant(host::Null());
  EXPECT_TRUE(p.IsNull());
  EXPECT_EQ(p.DataType(), velar::ntUnknown);
  p.SetAsVariant(static_cast<unsigned char>(7));
  EXPECT_TRUE(p.IsNull()) << "a byte alone fits no type";
  EXPECT_EQ(p.Value().AsInteger(), 7) << "but stays the value";

  p.SetAsCurrency(1.5);
  EXPECT_EQ(p.DataType(), velar::ntCurrency);
  EXPECT_EQ(p.Value().Type(), host::varDouble);
  p.Clear();
  EXPECT_EQ(p.DataType(), velar::ntCurrency) << "Clear keeps the type";
  EXPECT_EQ(p.GetAsInteger(), 0);
  p.SetAsBlob("");
  EXPECT_TRUE(p.IsNull()) << "an empty blob changes nothing";
}

TEST(AsaParam, SetTextConvertsByTypeAndGetAsStringShowsIt) {
  TAsaParam p(nullptr, "p");
  p.SetText("abc");
  EXPECT_EQ(p.DataType(), velar::ntString) << "a new parameter becomes a string";
  p.SetDataType(velar::ntInteger);
  p.SetText("42");
  EXPECT_EQ(p.Value().Type(), host::varInteger);
  EXPECT_EQ(MessageOf<host::EConvertError>([&] { p.SetText("4x2"); }),
            "'4x2' is not a valid integer value");
  EXPECT_EQ(p.Value().AsString(), "4x2") << "the refused text stays";
  p.SetDataType(velar::ntDate);
  p.SetText("2024-02-29");
  EXPECT_EQ(p.GetAsString(), "2024-02-29");
  p.SetText("no date");
  EXPECT_EQ(p.Value().Type(), host::varInteger) << "a text that is no date is 0";
  p.SetDataType(velar::ntBoolean);
  p.SetText("true");
  EXPECT_EQ(p.GetAsString(), "True");
  p.Clear();
  EXPECT_EQ(p.GetAsString(), "");
}

TEST(AsaParams, ValuesForZeroOneAndSeveralParametersFollowTheAliases) {
  TAsaParams params(nullptr);
  host::Variant values;
  params.GetParamValues(values);
  EXPECT_TRUE(values.IsNull()) << "no parameters";
  params.CreateParam("a")->SetAsInteger(1);
  params.GetParamValues(values);
  EXPECT_EQ(values.AsInteger(), 1) << "one parameter: its value alone";

  TAsaParam* empty = params.CreateParam("e");
  empty->Alias.clear();
  empty->SetAsString("middle");
  params.CreateParam("b")->Clear();
  EXPECT_EQ(params.GetParamAliases(), "a;;b");
  params.GetParamValues(values);
  ASSERT_EQ(host::VarArrayHighBound(values), 2);
  EXPECT_EQ(host::VarArrayGet(values, 1).AsString(), "middle");
  EXPECT_TRUE(host::VarArrayGet(values, 2).IsNull());

  params.GetParam(0)->Alias.clear();
  params.GetParam(2)->SetAsString("bee");
  delete params.GetParam(1);
  EXPECT_EQ(params.GetParamAliases(), "b") << "empty aliases before the first leave no trace";
  params.GetParamValues(values);
  EXPECT_EQ(values.AsString(), "bee");
  params.GetParam(1)->Alias = "b;c";
  params.GetParamValues(values);
  EXPECT_TRUE(values.IsArray()) << "an alias with \";\" counts as several";
}

// A name the SQL text uses twice gives two parameters; each keeps its own
// alias and value through copies, so that a dialog cancelled over a copy
// gives back what it took.
TEST(AsaParams, LookupsIgnoreCaseAndCopiesKeepEveryParameterAtItsPosition) {
  TAsaParams params(nullptr);
  TAsaParam* first = params.CreateParam("CustNo");
  first->SetAsInteger(1);
  TAsaParam* second = params.CreateParam("CustNo");
  second->Alias = "Customer";
  second->SetAsString("two");
  EXPECT_EQ(params.ParamByName("custno"), first);
  EXPECT_EQ(params.ParamByAlias("CUSTOMER"), second);
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { params.ParamByName("Customer"); }),
            "Host variable \"Customer\" not found.");

  TAsaParams copy(nullptr);
  copy.CreateParam("stale");
  copy.Assign(&params);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.GetParam(1)->Alias, "Customer");
  EXPECT_TRUE(copy.IsEqual(params));
  copy.GetParam(1)->Name = "CUSTNO";
  EXPECT_FALSE(copy.IsEqual(params)) << "names compare case-sensitively";
  copy.Assign(&copy);
  EXPECT_EQ(copy.Count(), 2);
  delete copy.GetParam(0);
  EXPECT_EQ(copy.Count(), 1) << "a parameter freed leaves its collection";

  TAsaParam p(nullptr, "p");
  host::TPicture picture;
  picture.Bitmap()->SetSize(2, 2);
  p.Assign(&picture);
  EXPECT_EQ(p.DataType(), velar::ntBlob);
  picture.Metafile();
  EXPECT_EQ(MessageOf<host::EConvertError>([&] { p.Assign(&picture); }),
            "Cannot assign a TPicture to a TAsaParam");
  const host::TEnumTypeInfo& type = velar::AsaParamDataTypeInfo();
  EXPECT_EQ(type.Values.size(), 12u);
  EXPECT_EQ(type.Values[velar::ntDate], "ntDate");
}

}  // namespace
