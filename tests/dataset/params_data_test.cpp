// The parameters' stored form: "Params.Data" written to a form file and read
// back, with and without an ancestor, and damaged forms refused with a
// message instead of being read past their end.
#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>

#include "asa/dataset/VlrAsaDS.h"
#include "host/formfile.h"
#include "host/strings.h"
#include "host/typinfo.h"
#include "tests/support/velar_test.h"

namespace {

using velar::TAsaDataset;
using velar::TAsaParam;
using velar::TAsaParams;
using velar::testing::MessageOf;

// A data module holding one dataset, Query1.
class TQueryModule : public host::TComponent {
 public:
  explicit TQueryModule(host::TComponent* Owner) : host::TComponent(Owner) {
    query = new TAsaDataset(this);
    query->SetName("Query1");
  }
  TAsaDataset* query;
};

const host::TClassInfo& moduleClass = host::RegisterClass<TQueryModule>();

TAsaDataset* QueryOf(host::TComponent* Module) {
  return dynamic_cast<TAsaDataset*>(Module->FindComponent("Query1"));
}

// Parameters a and b of the SQL text, typed and with values.
void FillParams(TAsaDataset& Query) {
  Query.SQL()->SetText("select * from t\nwhere a = :a and b = :b");
  Query.ParamByName("a")->SetAsInteger(42);
  Query.ParamByName("b")->Alias = "Bee";
  Query.ParamByName("b")->SetAsCurrency(1.5);
}

TEST(ParamsData, RoundTripsThroughAFormFile) {
  TQueryModule module(nullptr);
  module.SetName("Module");
  FillParams(*module.query);
  const std::string text = host::WriteComponentText(&module);
  EXPECT_NE(text.find("    Params.Data = {"), std::string::npos) << text;

  std::unique_ptr<host::TComponent> read(host::CreateComponentFromText(text));
  TAsaDataset* query = QueryOf(read.get());
  ASSERT_NE(query, nullptr);
  EXPECT_EQ(query->SQL()->Text(), "select * from t\nwhere a = :a and b = :b");
  TAsaParams& params = *query->Params();
  ASSERT_EQ(params.Count(), 2);
  EXPECT_EQ(params.GetParam(0)->GetAsInteger(), 42);
  EXPECT_EQ(params.GetParam(1)->Alias, "Bee") << "the stored alias, not the parsed name";
  EXPECT_EQ(params.GetParam(1)->DataType(), velar::ntCurrency);
  EXPECT_EQ(params.GetParam(1)->Value().Type(), host::varCurrency)
      << "a currency stored as its text comes back as a currency";
  EXPECT_EQ(params.GetOwner(), query);
}

TEST(ParamsData, IsWrittenWhenItDiffersFromTheAncestorsOrWithoutOneWhenThereAreParameters) {
  TQueryModule empty(nullptr);
  empty.SetName("Module");
  EXPECT_EQ(host::WriteComponentText(&empty).find("Params.Data"), std::string::npos);

  TQueryModule ancestor(nullptr);
  ancestor.SetName("Module");
  FillParams(*ancestor.query);
  TQueryModule module(nullptr);
  module.SetName("Module");
  FillParams(*module.query);
  EXPECT_EQ(host::WriteComponentText(&module, &ancestor).find("Params.Data"), std::string::npos);

  module.query->ParamByName("a")->SetAsInteger(43);
  const std::string text = host::WriteComponentText(&module, &ancestor);
  EXPECT_NE(text.find("Params.Data"), std::string::npos) << text;

  // A descendant that dropped the ancestor's parameters stores an empty list.
  module.query->Params()->Clear();
  const std::string cleared = host::WriteComponentText(&module, &ancestor);
  EXPECT_NE(cleared.find("Params.Data = {\n      00000000}"), std::string::npos) << cleared;
}

std::string Int32(std::int32_t Value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i)
    bytes[static_cast<std::size_t>(i)] =
        static_cast<char>((static_cast<std::uint32_t>(Value) >> (8 * i)) & 0xFF);
  return bytes;
}

std::string Text(const std::string& Value) {
  return Int32(static_cast<std::int32_t>(Value.size())) + Value;
}

// What reading these bytes raises ("<none>" when they are accepted).
std::string ReadError(TAsaParams& Params, const std::string& Bytes) {
  host::TMemoryStream stream;
  if (!Bytes.empty()) stream.WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
  stream.SetPosition(0);
  return MessageOf<host::EReadError>([&] { Params.ReadData(&stream); });
}

TEST(ParamsData, TheStoredBytesAreTheDocumentedLayout) {
  TAsaParams params(nullptr);
  TAsaParam* p = params.CreateParam("id");
  p->SetAsInteger(7);
  params.CreateParam("any");
  host::TMemoryStream stream;
  params.WriteData(&stream);
  const std::string expected =
      Int32(2) + Text("id") + Text("id") + "\x02" + Text("7") + Text("any") + Text("any") + '\0';
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()),
                        static_cast<std::size_t>(stream.Size())),
            expected);
  TAsaParams copy(nullptr);
  EXPECT_EQ(ReadError(copy, expected), "<no exception>");
  EXPECT_TRUE(copy.IsEqual(params));
}

// A parameter without a value is stored with an empty text: an integer, a
// float or a Boolean comes back without a value (the empty text would not
// convert and the form would not load), a string as the empty string.
TEST(ParamsData, ParametersWithoutAValueAndRepeatedNamesComeBack) {
  TAsaParams params(nullptr);
  for (auto type : {velar::ntInteger, velar::ntFloat, velar::ntBoolean, velar::ntDate}) {
    TAsaParam* p = params.CreateParam("p" + std::to_string(type));
    p->SetDataType(type);
    p->Clear();
  }
  params.CreateParam("s")->SetAsString("");
  TAsaParam* twice = params.CreateParam("x");
  twice->SetAsInteger(1);
  twice = params.CreateParam("x");
  twice->Alias = "second x";
  twice->SetAsInteger(2);
  host::TMemoryStream stream;
  params.WriteData(&stream);
  stream.SetPosition(0);
  TAsaParams copy(nullptr);
  copy.ReadData(&stream);
  ASSERT_EQ(copy.Count(), 7);
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(copy.GetParam(i)->IsNull()) << i;
    EXPECT_EQ(copy.GetParam(i)->DataType(), params.GetParam(i)->DataType()) << i;
  }
  EXPECT_FALSE(copy.GetParam(4)->IsNull());
  EXPECT_EQ(copy.GetParam(4)->Value().AsString(), "");
  EXPECT_EQ(copy.GetParam(6)->Alias, "second x");
  EXPECT_EQ(copy.GetParam(6)->GetAsInteger(), 2);
}

TEST(ParamsData, DamagedDataIsRefusedWithAMessage) {
  TAsaParams params(nullptr);
  EXPECT_EQ(ReadError(params, ""), "Invalid parameter data: it ends early, at offset 0");
  EXPECT_EQ(ReadError(params, Int32(3)),
            "Invalid parameter data: 3 parameters cannot be stored in the 0 bytes that follow");
  EXPECT_EQ(ReadError(params, Int32(-1) + std::string(20, 'x')),
            "Invalid parameter data: -1 parameters cannot be stored in the 20 bytes that follow");
  EXPECT_EQ(ReadError(params, Int32(1) + Int32(1000) + "abcde"),
            "Invalid parameter data: a length of 1000 bytes at offset 4 does not fit the 5 bytes "
            "left");
  EXPECT_EQ(
      ReadError(params, Int32(1) + Int32(-5) + "abcde"),
      "Invalid parameter data: a length of -5 bytes at offset 4 does not fit the 5 bytes left");
  EXPECT_EQ(ReadError(params, Int32(1) + Text("") + Text("") + "\x0c"),
            "Invalid parameter data: 12 is not a parameter data type");
  EXPECT_EQ(ReadError(params, Int32(1) + Text("a") + Text("a") + "\x02" + Int32(50) + "12"),
            "Invalid parameter data: a length of 50 bytes at offset 15 does not fit the 2 bytes "
            "left");
  EXPECT_EQ(ReadError(params, Int32(0) + "xyz"),
            "Invalid parameter data: 3 bytes follow the last parameter");

  // The parameters read before the damage stay.
  EXPECT_EQ(
      ReadError(params, Int32(2) + Text("abcdefghij") + Text("") + '\0' + Text("") + Text("")),
      "Invalid parameter data: it ends early, at offset 31");
  ASSERT_EQ(params.Count(), 2);
  EXPECT_EQ(params.GetParam(0)->Name, "abcdefghij");
}

TEST(ParamsData, ADamagedFormFileNamesThePropertyAndLoadsNothing) {
  TQueryModule module(nullptr);
  module.SetName("Module");
  FillParams(*module.query);
  std::string text = host::WriteComponentText(&module);
  const std::size_t data = text.find("Params.Data = {");
  ASSERT_NE(data, std::string::npos);
  // The count's high byte becomes 0x7F.
  std::size_t hex = text.find('{', data) + 1;
  while (!std::isxdigit(static_cast<unsigned char>(text[hex])))
    ++hex;
  text.replace(hex + 6, 2, "7F");
  EXPECT_EQ(MessageOf<host::EReadError>([&] { delete host::CreateComponentFromText(text); }),
            "Line 3: error reading Params.Data: Invalid parameter data: 2130706434 parameters "
            "cannot be stored in the 37 bytes that follow");
}

}  // namespace
