// The parameters' stored form: "Params.Data" through form files, with and
// without an ancestor, and damaged data refused with a message instead of
// being read past its end.
#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>

#include "asa/dataset/VlrAsaDS.h"
#include "host/formfile.h"
#include "host/typinfo.h"
#include "tests/support/velar_test.h"

namespace {

using velar::TAsaDataset;
using velar::TAsaParam;
using velar::TAsaParams;
using velar::testing::MessageOf;

// A data module holding Query1, whose SQL text has parameters a and b.
class TQueryModule : public host::TComponent {
 public:
  explicit TQueryModule(host::TComponent* Owner) : host::TComponent(Owner) {
    SetName("Module");
    query = new TAsaDataset(this);
    query->SetName("Query1");
    query->SQL()->SetText("select * from t\nwhere a = :a and b = :b");
    query->ParamByName("a")->SetAsInteger(42);
    query->ParamByName("b")->Alias = "Bee";
    query->ParamByName("b")->SetAsCurrency(1.5);
  }
  TAsaDataset* query;
};

const host::TClassInfo& moduleClass = host::RegisterClass<TQueryModule>();

TEST(ParamsData, RoundTripsThroughFormFilesWithAndWithoutAnAncestor) {
  TQueryModule module(nullptr);
  const std::string text = host::WriteComponentText(&module);
  std::unique_ptr<host::TComponent> read(host::CreateComponentFromText(text));
  auto* query = dynamic_cast<TAsaDataset*>(read->FindComponent("Query1"));
  ASSERT_NE(query, nullptr) << text;
  EXPECT_EQ(query->ParamByName("a")->GetAsInteger(), 42);
  EXPECT_EQ(query->ParamByName("b")->Alias, "Bee") << "the stored alias, not the parsed name";
  EXPECT_EQ(query->ParamByName("b")->Value().Type(), host::varCurrency)
      << "a currency stored as text comes back as a currency";

  TQueryModule ancestor(nullptr);
  EXPECT_EQ(host::WriteComponentText(&module, &ancestor).find("Params.Data"), std::string::npos);
  module.query->ParamByName("a")->SetAsInteger(43);
  EXPECT_NE(host::WriteComponentText(&module, &ancestor).find("Params.Data"), std::string::npos);
  module.query->Params()->Clear();
  EXPECT_NE(host::WriteComponentText(&module, &ancestor).find("Params.Data = {\n      00000000}"),
            std::string::npos)
      << "dropping the ancestor's parameters stores an empty list";
  EXPECT_EQ(host::WriteComponentText(&module).find("Params.Data"), std::string::npos)
      << "no parameters and no ancestor: nothing";
}

std::string Int32(std::uint32_t Value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i)
    bytes += static_cast<char>((Value >> (8 * i)) & 0xFF);
  return bytes;
}

std::string Text(const std::string& Value) {
  return Int32(static_cast<std::uint32_t>(Value.size())) + Value;
}

// What reading Bytes raises ("<no exception>" when they are accepted).
std::string ReadError(TAsaParams& Params, const std::string& Bytes) {
  host::TMemoryStream stream;
  if (!Bytes.empty()) stream.WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
  stream.SetPosition(0);
  return MessageOf<host::EReadError>([&] { Params.ReadData(&stream); });
}

// A parameter without a value is stored with an empty text, which no integer,
// float, Boolean or date can be read from: it comes back without a value, so
// that the form still loads. A repeated name keeps both parameters.
TEST(ParamsData, TheLayoutKeepsParametersWithoutValuesAndRepeatedNames) {
  TAsaParams params(nullptr);
  params.CreateParam("id")->SetAsInteger(7);
  params.CreateParam("any");
  host::TMemoryStream stream;
  params.WriteData(&stream);
  EXPECT_EQ(
      std::string(reinterpret_cast<const char*>(stream.Memory()),
                  static_cast<std::size_t>(stream.Size())),
      Int32(2) + Text("id") + Text("id") + "\x02" + Text("7") + Text("any") + Text("any") + '\0');

  for (auto type : {velar::ntInteger, velar::ntFloat, velar::ntBoolean, velar::ntDate}) {
    TAsaParam* p = params.CreateParam("empty");
    p->SetDataType(type);
    p->Clear();
  }
  params.CreateParam("s")->SetAsString("");
  params.CreateParam("id")->SetAsInteger(8);
  stream.Clear();
  params.WriteData(&stream);
  stream.SetPosition(0);
  TAsaParams copy(nullptr);
  copy.ReadData(&stream);
  ASSERT_EQ(copy.Count(), 8);
  for (int i = 2; i < 6; ++i) {
    EXPECT_TRUE(copy.GetParam(i)->IsNull()) << i;
    EXPECT_EQ(copy.GetParam(i)->DataType(), params.GetParam(i)->DataType()) << i;
  }
  EXPECT_FALSE(copy.GetParam(6)->IsNull()) << "an empty string is a value";
  EXPECT_EQ(copy.GetParam(7)->GetAsInteger(), 8) << "the second id, not a copy of the first";
}

TEST(ParamsData, DamagedDataIsRefusedWithAMessage) {
  TAsaParams params(nullptr);
  const std::string prefix = "Invalid parameter data: ";
  EXPECT_EQ(ReadError(params, ""), prefix + "it ends early, at offset 0");
  EXPECT_EQ(ReadError(params, Int32(3)),
            prefix + "3 parameters cannot be stored in the 0 bytes that follow");
  EXPECT_EQ(ReadError(params, Int32(0xFFFFFFFF) + std::string(20, 'x')),
            prefix + "-1 parameters cannot be stored in the 20 bytes that follow");
  EXPECT_EQ(ReadError(params, Int32(1) + Int32(1000) + "abcde"),
            prefix + "a length of 1000 bytes at offset 4 does not fit the 5 bytes left");
  EXPECT_EQ(ReadError(params, Int32(1) + Int32(0xFFFFFFFB) + "abcde"),
            prefix + "a length of -5 bytes at offset 4 does not fit the 5 bytes left");
  EXPECT_EQ(ReadError(params, Int32(1) + Text("") + Text("") + "\x0c"),
            prefix + "12 is not a parameter data type");
  EXPECT_EQ(ReadError(params, Int32(1) + Text("a") + Text("a") + "\x02" + Int32(50) + "12"),
            prefix + "a length of 50 bytes at offset 15 does not fit the 2 bytes left");
  EXPECT_EQ(ReadError(params, Int32(0) + "xyz"), prefix + "3 bytes follow the last parameter");
  EXPECT_EQ(ReadError(params, Int32(2) + Text("abcdefghij") + Text("") + '\0' + Text("")),
            prefix + "it ends early, at offset 27");
  ASSERT_EQ(params.Count(), 2) << "the parameters read before the damage stay";
  EXPECT_EQ(params.GetParam(0)->Name, "abcdefghij");

  // In a form file, the message names the line and the property.
  std::string text = host::WriteComponentText(std::make_unique<TQueryModule>(nullptr).get());
  std::size_t hex = text.find('{', text.find("Params.Data")) + 1;
  while (!std::isxdigit(static_cast<unsigned char>(text[hex])))
    ++hex;
  text.replace(hex + 6, 2, "7F");  // the count's high byte
  EXPECT_EQ(MessageOf<host::EReadError>([&] { delete host::CreateComponentFromText(text); }),
            "Line 3: error reading Params.Data: " + prefix +
                "2130706434 parameters cannot be stored in the 37 bytes that follow");
}

}  // namespace
