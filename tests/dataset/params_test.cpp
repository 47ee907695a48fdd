// Dataset parameters: typed values and their text, the values a statement
// receives for zero, one and several parameters and their aliases, lookups
// and copies.
#include <gtest/gtest.h>

#include "asa/dataset/VlrAsaDS.h"
#include "host/graphics.h"
#include "host/strings.h"
#include "host/typinfo.h"
#include "tests/support/velar_test.h"

namespace {

using velar::TAsaParam;
using velar::TAsaParams;
using velar::testing::MessageOf;

TEST(AsaParam, TakesItsTypeFromTheValueItIsGiven) {
  TAsaParams params(nullptr);
  TAsaParam& p = *params.CreateParam("p");
  EXPECT_EQ(p.DataType(), velar::ntUnknown);
  EXPECT_EQ(p.Value().Type(), host::varInteger);
  EXPECT_FALSE(p.IsNull());

  p.SetAsVariant(short{3});
  EXPECT_EQ(p.DataType(), velar::ntInteger);
  p.SetAsVariant(2.5f);
  EXPECT_EQ(p.DataType(), velar::ntFloat);
  p.SetAsVariant(host::Currency::FromDouble(1.25));
  EXPECT_EQ(p.DataType(), velar::ntCurrency);
  p.SetAsVariant(host::Variant::FromDateTime(45000.5));
  EXPECT_EQ(p.DataType(), velar::ntDateTime);
  p.SetAsVariant(true);
  EXPECT_EQ(p.DataType(), velar::ntBoolean);
  p.SetAsVariant(host::VarArrayFromBytes("ab", 2));
  EXPECT_EQ(p.DataType(), velar::ntBinary);
  p.SetAsVariant("text");
  EXPECT_EQ(p.DataType(), velar::ntString);
  EXPECT_FALSE(p.IsNull());

  p.SetAsVariant(host::Null());
  EXPECT_TRUE(p.IsNull());
  EXPECT_EQ(p.DataType(), velar::ntUnknown);
  EXPECT_TRUE(p.Value().IsNull());
  p.SetAsVariant(static_cast<unsigned char>(7));  // a byte alone fits no type
  EXPECT_TRUE(p.IsNull());
  EXPECT_EQ(p.DataType(), velar::ntUnknown);
  EXPECT_EQ(p.Value().Type(), host::varByte);
  EXPECT_EQ(p.Value().AsInteger(), 7);
}

TEST(AsaParam, TypedSettersAndClear) {
  TAsaParam p(nullptr, "p");
  p.SetAsCurrency(1.5);
  EXPECT_EQ(p.DataType(), velar::ntCurrency);
  EXPECT_EQ(p.Value().Type(), host::varDouble);
  p.SetAsTime(0.25);
  EXPECT_EQ(p.DataType(), velar::ntTime);
  EXPECT_EQ(p.Value().Type(), host::varDate);
  p.Clear();
  EXPECT_TRUE(p.IsNull());
  EXPECT_EQ(p.DataType(), velar::ntTime) << "the type stays";
  EXPECT_EQ(p.GetAsDateTime(), 0);
  EXPECT_EQ(p.GetAsInteger(), 0);
  EXPECT_EQ(p.GetAsMemo(), "0");
  p.SetDataType(velar::ntString);
  EXPECT_TRUE(p.IsNull()) << "a new type keeps the null flag";

  p.SetAsBlob("xyz");
  EXPECT_EQ(p.DataType(), velar::ntBlob);
  EXPECT_EQ(p.Value().Type(), host::varArray | host::varByte);
  EXPECT_EQ(host::VarArrayHighBound(p.Value()), 2);
  p.SetAsBlob("");
  EXPECT_EQ(p.DataType(), velar::ntBlob) << "an empty blob changes nothing";
  EXPECT_EQ(host::VarArrayHighBound(p.Value()), 2);
  p.Clear();
  p.SetAsBlob("");
  EXPECT_TRUE(p.IsNull());
}

TEST(AsaParam, SetTextConvertsByTypeAndGetAsStringShowsIt) {
  TAsaParam p(nullptr, "p");
  p.SetText("abc");
  EXPECT_EQ(p.DataType(), velar::ntString) << "a new parameter becomes a string";
  EXPECT_EQ(p.Value().AsString(), "abc");

  p.SetDataType(velar::ntInteger);
  p.SetText("42");
  EXPECT_EQ(p.Value().Type(), host::varInteger);
  EXPECT_EQ(p.GetAsString(), "42");
  EXPECT_EQ(MessageOf<host::EConvertError>([&] { p.SetText("4x2"); }),
            "'4x2' is not a valid integer value");
  EXPECT_EQ(p.Value().AsString(), "4x2") << "the refused text stays";
  EXPECT_FALSE(p.IsNull());

  p.SetDataType(velar::ntCurrency);
  p.SetText("12.3456");
  EXPECT_EQ(p.Value().Type(), host::varCurrency);

  p.SetDataType(velar::ntDate);
  p.SetText("2024-02-29");
  EXPECT_EQ(p.Value().Type(), host::varDate);
  EXPECT_EQ(p.GetAsString(), "2024-02-29");
  p.SetText("no date");
  EXPECT_EQ(p.Value().Type(), host::varInteger) << "a text that is no date is 0";
  EXPECT_EQ(p.Value().AsInteger(), 0);

  p.SetDataType(velar::ntBoolean);
  p.SetText("true");
  EXPECT_EQ(p.GetAsString(), "True");
  p.SetAsBoolean(false);
  EXPECT_EQ(p.GetAsString(), "False");
  p.Clear();
  EXPECT_EQ(p.GetAsString(), "") << "null shows nothing";
}

TEST(AsaParams, ValuesForZeroOneAndSeveralParametersFollowTheAliases) {
  TAsaParams params(nullptr);
  host::Variant values;
  params.GetParamValues(values);
  EXPECT_TRUE(values.IsNull()) << "no parameters: no values";

  params.CreateParam("a")->SetAsInteger(1);
  params.GetParamValues(values);
  EXPECT_EQ(values.Type(), host::varInteger);
  EXPECT_EQ(values.AsInteger(), 1);
  params.GetParam(0)->Clear();
  params.GetParamValues(values);
  EXPECT_TRUE(values.IsNull());

  params.GetParam(0)->SetAsInteger(1);
  TAsaParam* empty = params.CreateParam("e");
  empty->Alias.clear();
  empty->SetAsString("middle");
  params.CreateParam("b")->Clear();
  EXPECT_EQ(params.GetParamAliases(), "a;;b");
  params.GetParamValues(values);
  ASSERT_TRUE(values.IsArray());
  EXPECT_EQ(host::VarArrayHighBound(values), 2);
  EXPECT_EQ(host::VarArrayGet(values, 0).AsInteger(), 1);
  EXPECT_EQ(host::VarArrayGet(values, 1).AsString(), "middle");
  EXPECT_TRUE(host::VarArrayGet(values, 2).IsNull());

  // An empty alias before the first one leaves no trace: one value.
  params.GetParam(0)->Alias.clear();
  params.GetParam(2)->SetAsString("bee");
  delete params.GetParam(1);
  EXPECT_EQ(params.Count(), 2);
  EXPECT_EQ(params.GetParamAliases(), "b");
  params.GetParamValues(values);
  EXPECT_EQ(values.AsString(), "bee");

  // One alias holding ";" counts as several: a one-element array.
  TAsaParams single(nullptr);
  TAsaParam* odd = single.CreateParam("x");
  odd->Alias = "x;y";
  odd->SetAsInteger(5);
  single.GetParamValues(values);
  ASSERT_TRUE(values.IsArray());
  EXPECT_EQ(host::VarArrayHighBound(values), 0);
  EXPECT_EQ(host::VarArrayGet(values, 0).AsInteger(), 5);
}

TEST(AsaParams, LookupsIgnoreCaseAndMissingNamesRaise) {
  TAsaParams params(nullptr);
  TAsaParam* cust = params.CreateParam("CustNo");
  cust->Alias = "Customer";
  EXPECT_EQ(params.ParamByName("custno"), cust);
  EXPECT_EQ(params.ParamByAlias("CUSTOMER"), cust);
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { params.ParamByName("Customer"); }),
            "Host variable \"Customer\" not found.");
  EXPECT_EQ(MessageOf<velar::EVelarException>([&] { params.ParamByAlias("CustNo"); }),
            "Host variable \"CustNo\" not found.");
  EXPECT_EQ(MessageOf<host::EListError>([&] { params.GetParam(1); }),
            "List index out of bounds (1)");
}

// A name the SQL text uses twice gives two parameters; each keeps its own
// alias and value through copies, so a dialog cancelled over a copy gives
// back what it took.
TEST(AsaParams, CopiesRebuildEveryParameterAtItsPosition) {
  TAsaParams params(nullptr);
  params.CreateParam("x")->SetAsInteger(1);
  TAsaParam* second = params.CreateParam("x");
  second->Alias = "x2";
  second->SetAsString("two");
  TAsaParams copy(nullptr);
  copy.CreateParam("stale");
  copy.Assign(&params);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.GetParam(1)->Alias, "x2");
  EXPECT_EQ(copy.GetParam(1)->GetAsString(), "two");
  EXPECT_TRUE(copy.IsEqual(params));
  EXPECT_EQ(copy.ParamByName("X"), copy.GetParam(0)) << "by name, the first of the two";

  copy.GetParam(1)->Name = "X";
  EXPECT_FALSE(copy.IsEqual(params)) << "names compare case-sensitively";
  copy.GetParam(1)->Name = "x";
  copy.GetParam(1)->SetAsVariant(host::Variant(std::string("two")));
  EXPECT_TRUE(copy.IsEqual(params));
  copy.GetParam(0)->SetAsVariant(host::Variant(1.0));
  EXPECT_FALSE(copy.IsEqual(params)) << "1.0 is not the integer 1";

  copy.Assign(&copy);
  EXPECT_EQ(copy.Count(), 2) << "assigning a collection to itself keeps it";
  TAsaParams other(nullptr);
  params.AssignTo(&other);
  EXPECT_EQ(other.Count(), 2);
  host::TStringList lines;
  EXPECT_EQ(MessageOf<host::EConvertError>([&] { params.AssignTo(&lines); }),
            "Cannot assign a TAsaParams to a TStringList");
}

TEST(AsaParam, AssignsFromTextsAndBitmapsAndRefusesOtherClasses) {
  TAsaParam p(nullptr, "p");
  host::TStringList lines;
  lines.Add("one");
  lines.Add("two");
  p.Assign(&lines);
  EXPECT_EQ(p.DataType(), velar::ntMemo);
  EXPECT_EQ(p.GetAsMemo(), "one\ntwo");

  host::TPicture picture;
  picture.Bitmap()->SetSize(2, 2);
  p.Assign(&picture);
  EXPECT_EQ(p.DataType(), velar::ntBlob);
  host::TMemoryStream saved;
  picture.Bitmap()->SaveToStream(&saved);
  EXPECT_EQ(host::VarArrayHighBound(p.Value()) + 1, saved.Size());

  picture.Metafile();
  EXPECT_EQ(MessageOf<host::EConvertError>([&] { p.Assign(&picture); }),
            "Cannot assign a TPicture to a TAsaParam");
  EXPECT_EQ(p.DataType(), velar::ntBlob);

  TAsaParams params(nullptr);
  TAsaParam* source = params.CreateParam("src");
  source->Alias = "alias";
  source->SetAsDate(100);
  p.Assign(source);
  EXPECT_EQ(p.Name, "src");
  EXPECT_EQ(p.Alias, "alias");
  EXPECT_TRUE(p.IsEqual(*source));
  EXPECT_EQ(p.Params(), nullptr) << "a copy does not join the source's collection";
}

TEST(AsaParam, LoadsFilesAndStreamsAsMemoOrBlob) {
  velar::testing::TempDir dir;
  host::TMemoryStream stream;
  stream.WriteBuffer("abc\0d", 5);
  TAsaParam p(nullptr, "p");
  p.LoadFromStream(&stream, velar::ntMemo);
  EXPECT_EQ(p.DataType(), velar::ntMemo);
  EXPECT_EQ(p.GetAsMemo(), std::string("abc\0d", 5));
  stream.SaveToFile(dir.File("blob.bin"));
  p.LoadFromFile(dir.File("blob.bin"), velar::ntBlob);
  EXPECT_EQ(p.DataType(), velar::ntBlob);
  EXPECT_EQ(host::VarArrayHighBound(p.Value()), 4);
  EXPECT_THROW(p.LoadFromFile(dir.File("missing.bin"), velar::ntBlob), host::EFOpenError);
}

TEST(AsaParams, ParametersLeaveTheirCollectionWhenFreedAndTheTypeNamesItsValues) {
  TAsaParams params(nullptr);
  TAsaParam* a = params.CreateParam("a");
  auto* loose = new TAsaParam(nullptr, "loose");
  EXPECT_EQ(loose->Params(), nullptr);
  params.AddParam(loose);
  EXPECT_EQ(params.Count(), 2);
  delete a;
  EXPECT_EQ(params.Count(), 1);
  EXPECT_EQ(params.GetParam(0), loose);
  params.RemoveParam(loose);
  EXPECT_EQ(params.Count(), 0);
  EXPECT_EQ(loose->Params(), nullptr);
  delete loose;

  const host::TEnumTypeInfo& type = velar::AsaParamDataTypeInfo();
  ASSERT_EQ(type.Values.size(), 12u);
  EXPECT_EQ(type.Values.front(), "ntUnknown");
  EXPECT_EQ(type.Values[velar::ntDate], "ntDate");
  EXPECT_EQ(type.Values.back(), "ntBlob");
}

}  // namespace
