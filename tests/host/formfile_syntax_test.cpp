// The form-file syntax beyond plain values: floating-point numbers, sets,
// collections (nested and empty), lists of numbers from defined properties,
// wide character codes, strings continued over lines, unnamed objects,
// inline blocks and child positions; read, written back and read again.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/collection.h"
#include "host/formfile.h"
#include "host/typinfo.h"
#include "tests/host/formfile_fixture.h"
#include "tests/host/settings_guard.h"
#include "tests/support/velar_test.h"

namespace {

using formtest::TGadget;
using formtest::TTestForm;

enum TDialSide : std::uint8_t { dsLeft, dsTop, dsRight, dsBottom };

const host::TEnumTypeInfo& DialSidesType() {
  static const host::TEnumTypeInfo type{"TDialSides", {"dsLeft", "dsTop", "dsRight", "dsBottom"}};
  return type;
}

class TDialMarks;

// One mark of a dial; a mark may have marks of its own.
class TDialMark : public host::TCollectionItem {
 public:
  explicit TDialMark(host::TCollection* Collection);
  ~TDialMark() override;
  static const host::TPropertyTable& Properties();

  TDialMarks* Children() { return children_.get(); }
  std::string Caption;
  double Weight = 1;

 private:
  std::unique_ptr<TDialMarks> children_;
};

class TDialMarks : public host::TCollection {
 public:
  explicit TDialMarks(host::TPersistent* Owner)
      : host::TCollection(
            Owner, [](host::TCollection* C) -> host::TCollectionItem* { return new TDialMark(C); },
            TDialMark::Properties()) {}
  TDialMark* Mark(int Index) const { return static_cast<TDialMark*>(Items(Index)); }
};

TDialMark::TDialMark(host::TCollection* Collection)
    : host::TCollectionItem(Collection), children_(std::make_unique<TDialMarks>(this)) {}

TDialMark::~TDialMark() = default;

const host::TPropertyTable& TDialMark::Properties() {
  static const host::TPropertyTable table(
      host::TPersistent::Properties(),
      {
          host::StringProp("Caption", &TDialMark::Caption, &TDialMark::Caption, ""),
          host::FloatProp("Weight", &TDialMark::Weight, &TDialMark::Weight, 1.0),
          host::PersistentProp("Children", &TDialMark::Children),
      });
  return table;
}

// A component with a float, a set, a collection and a list of numbers that
// it stores itself.
class TDial : public host::TComponent {
 public:
  explicit TDial(host::TComponent* Owner) : host::TComponent(Owner), marks_(this) {}

  static const host::TPropertyTable& Properties() {
    static const host::TPropertyTable table(
        host::TComponent::Properties(),
        {
            host::StringProp("Caption", &TDial::Caption, &TDial::Caption, ""),
            host::FloatProp("Ratio", &TDial::Ratio, &TDial::Ratio, 0.0),
            host::SetProp("Sides", &TDial::Sides, &TDial::Sides, std::uint8_t{3}, DialSidesType()),
            host::PersistentProp("Marks", &TDial::Marks),
        });
    return table;
  }

  void DefineProperties(host::TFiler* Filer) override {
    host::TComponent::DefineProperties(Filer);
    Filer->DefineProperty(
        "Stops",
        [this](host::TReader& Reader) {
          Stops.clear();
          Reader.ReadListBegin();
          while (!Reader.EndOfList())
            Stops.push_back(static_cast<int>(Reader.ReadInteger()));
          Reader.ReadListEnd();
        },
        [this](host::TWriter& Writer) {
          Writer.WriteListBegin();
          for (int stop : Stops)
            Writer.WriteInteger(stop);
          Writer.WriteListEnd();
        },
        !Stops.empty());
  }

  TDialMarks* Marks() { return &marks_; }
  std::string Caption;
  double Ratio = 0;
  std::uint8_t Sides = 3;  // dsLeft, dsTop
  std::vector<int> Stops;

 private:
  TDialMarks marks_;
};

class FormFileSyntax : public host_test::FormatSettingsGuard {
 protected:
  void SetUp() override {
    formtest::RegisterTestClasses();
    host::RegisterClass<TDial>();
    host::RegisterClass<TDialMark>();
  }
  std::unique_ptr<TTestForm> Read(const std::string& Text) {
    host::TComponent* root = host::CreateComponentFromText(Text);
    return std::unique_ptr<TTestForm>(dynamic_cast<TTestForm*>(root));
  }
  static TDial* DialOf(host::TComponent* Owner, const char* Name) {
    return dynamic_cast<TDial*>(Owner->FindComponent(Name));
  }
};

const char kDialForm[] =
    "object Form1: TTestForm\n"
    "  object Dial1: TDial\n"
    "    Ratio = 1.5\n"
    "    Sides = [dsLeft, dsBottom]\n"
    "    Marks = <\n"
    "      item\n"
    "        Caption = 'low'\n"
    "        Weight = 2.5E-7\n"
    "        Children = <\n"
    "          item\n"
    "            Caption = 'inner'\n"
    "          end>\n"
    "      end\n"
    "      item\n"
    "        Weight = -3\n"
    "      end>\n"
    "    Left = 40\n"
    "    Top = 16\n"
    "    Stops = (\n"
    "      10\n"
    "      -20\n"
    "      30)\n"
    "  end\n"
    "end\n";

TEST_F(FormFileSyntax, FloatsSetsNestedCollectionsAndNumberListsReadAndWriteBack) {
  std::unique_ptr<TTestForm> form = Read(kDialForm);
  ASSERT_NE(form, nullptr);
  TDial* dial = DialOf(form.get(), "Dial1");
  ASSERT_NE(dial, nullptr);
  EXPECT_EQ(dial->Ratio, 1.5);
  EXPECT_EQ(dial->Sides, (1u << dsLeft) | (1u << dsBottom));
  ASSERT_EQ(dial->Marks()->Count(), 2);
  TDialMark* low = dial->Marks()->Mark(0);
  EXPECT_EQ(low->Caption, "low");
  EXPECT_EQ(low->Weight, 2.5E-7);
  ASSERT_EQ(low->Children()->Count(), 1);
  EXPECT_EQ(low->Children()->Mark(0)->Caption, "inner");
  EXPECT_EQ(dial->Marks()->Mark(1)->Weight, -3.0);
  EXPECT_EQ(dial->Stops, (std::vector<int>{10, -20, 30}));
  EXPECT_EQ(dial->DesignInfo(), 16 << 16 | 40);
  EXPECT_EQ(host::WriteComponentText(form.get()), kDialForm);
}

TEST_F(FormFileSyntax, FloatsAreWrittenWithAPointWhateverTheDecimalSeparator) {
  host::FormatSettings.DecimalSeparator = ',';
  std::unique_ptr<TTestForm> form = Read(kDialForm);
  EXPECT_EQ(host::WriteComponentText(form.get()), kDialForm);
  const host::TPropInfo* ratio = TDial::Properties().Find("Ratio");
  EXPECT_EQ(ratio->GetAsText(DialOf(form.get(), "Dial1")), "1,5");
}

TEST_F(FormFileSyntax, EmptySetsAndCollectionsAndDefaultsReadBack) {
  std::unique_ptr<TTestForm> form = Read(
      "object Form1: TTestForm\n"
      "  object Dial1: TDial\n"
      "    Sides = []\n"
      "    Marks = <>\n"
      "    Ratio = 2\n"
      "  end\n"
      "end\n");
  TDial* dial = DialOf(form.get(), "Dial1");
  EXPECT_EQ(dial->Sides, 0u);
  EXPECT_EQ(dial->Marks()->Count(), 0);
  EXPECT_EQ(dial->Ratio, 2.0);  // an integer reads into a float property
  EXPECT_EQ(host::WriteComponentText(form.get()),
            "object Form1: TTestForm\n"
            "  object Dial1: TDial\n"
            "    Ratio = 2\n"
            "    Sides = []\n"
            "  end\n"
            "end\n");
}

TEST_F(FormFileSyntax, ACollectionReadTwiceKeepsTheSecondItemsOnly) {
  std::unique_ptr<TTestForm> form = Read(
      "object Form1: TTestForm\n"
      "  object Dial1: TDial\n"
      "    Marks = <item Caption = 'a' end item Caption = 'b' end>\n"
      "    Marks = <item Caption = 'c' end>\n"
      "  end\n"
      "end\n");
  TDial* dial = DialOf(form.get(), "Dial1");
  ASSERT_EQ(dial->Marks()->Count(), 1);
  EXPECT_EQ(dial->Marks()->Mark(0)->Caption, "c");
}

TEST_F(FormFileSyntax, WideCharacterCodesAreKeptAsUtf8AndWrittenAsCodesAgain) {
  std::unique_ptr<TTestForm> form = Read(
      "object Form1: TTestForm\n"
      "  Title = 'Line'#13#10#1090#1077#1089#1090' '#55357#56832' caf'#233\n"
      "end\n");
  EXPECT_EQ(form->Title, "Line\r\n\xD1\x82\xD0\xB5\xD1\x81\xD1\x82 \xF0\x9F\x98\x80 caf\xE9");
  std::string written = host::WriteComponentText(form.get());
  EXPECT_EQ(written,
            "object Form1: TTestForm\n"
            "  Title = 'Line'#13#10#1090#1077#1089#1090' '#128512' caf'#233\n"
            "end\n");
  EXPECT_EQ(Read(written)->Title, form->Title);
}

TEST_F(FormFileSyntax, StringsContinueWithPlusAndValuesMayStartOnTheNextLine) {
  std::unique_ptr<TTestForm> form = Read(
      "object Form1: TTestForm\n"
      "  Title =\n"
      "    'first part, ' +\n"
      "    'second part'\n"
      "  object G: TGadget\n"
      "    Count =\n"
      "      $FF\n"
      "    Lines.Strings = (\n"
      "      'one ' +\n"
      "        'line'\n"
      "      'two')\n"
      "  end\n"
      "end\n");
  EXPECT_EQ(form->Title, "first part, second part");
  auto* gadget = dynamic_cast<TGadget*>(form->FindComponent("G"));
  ASSERT_NE(gadget, nullptr);
  EXPECT_EQ(gadget->Count(), 255);
  EXPECT_EQ(gadget->Lines()->Text(), "one line\ntwo");
}

TEST_F(FormFileSyntax, UnnamedObjectsAreReadAndWrittenWithoutAName) {
  std::unique_ptr<TTestForm> form = Read(
      "object Form1: TTestForm\n"
      "  object TGadget\n"
      "    Caption = 'first'\n"
      "  end\n"
      "  object TGadget\n"
      "    Caption = 'second'\n"
      "  end\n"
      "end\n");
  ASSERT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(dynamic_cast<TGadget*>(form->Components(1))->Caption, "second");
  EXPECT_EQ(host::WriteComponentText(form.get()),
            "object Form1: TTestForm\n"
            "  object TGadget\n"
            "    Caption = 'first'\n"
            "    Locked = False\n"
            "  end\n"
            "  object TGadget\n"
            "    Caption = 'second'\n"
            "    Locked = False\n"
            "  end\n"
            "end\n");
}

TEST_F(FormFileSyntax, InlineBlocksStayInlineAndPositionsReorderComponents) {
  std::unique_ptr<TTestForm> form = Read(
      "object Form1: TTestForm\n"
      "  object A: TGadget\n"
      "  end\n"
      "  inline Frame1: TGadget\n"
      "    Caption = 'embedded'\n"
      "  end\n"
      "  object B: TGadget [0]\n"
      "  end\n"
      "end\n");
  EXPECT_EQ(form->Components(0)->Name(), "B");
  host::TComponent* frame = form->FindComponent("Frame1");
  EXPECT_TRUE(frame->ComponentState().Contains(host::csInline));
  std::string written = host::WriteComponentText(form.get());
  EXPECT_NE(written.find("  inline Frame1: TGadget\n    Caption = 'embedded'\n"),
            std::string::npos);
  EXPECT_LT(written.find("object B"), written.find("object A"));
}

TEST_F(FormFileSyntax, AnInheritedComponentThatMovedIsWrittenWithItsPosition) {
  TTestForm ancestor(nullptr);
  ancestor.SetName("Form1");
  (new TGadget(&ancestor))->SetName("A");
  (new TGadget(&ancestor))->SetName("B");
  TTestForm derived(nullptr);
  derived.SetName("Form1");
  (new TGadget(&derived))->SetName("A");
  (new TGadget(&derived))->SetName("B");
  derived.FindComponent("B")->SetComponentIndex(0);
  EXPECT_EQ(host::WriteComponentText(&derived, &ancestor),
            "inherited Form1: TTestForm\n"
            "  inherited B: TGadget [0]\n"
            "  end\n"
            "  inherited A: TGadget [1]\n"
            "  end\n"
            "end\n");
}

TEST_F(FormFileSyntax, UnknownClassesAndPropertiesFailWithTheirLineAndName) {
  const std::string head =
      "object Form1: TTestForm\n"
      "  object Dial1: TDial\n";
  EXPECT_EQ(velar::testing::MessageOf<host::EReadError>(
                [&] { Read(head + "    Needle = 1.25\n  end\nend\n"); }),
            "Line 3: property Needle does not exist");
  EXPECT_EQ(velar::testing::MessageOf<host::EReadError>(
                [&] { Read(head + "  end\n  object Ledger1: TLedger\n  end\nend\n"); }),
            "Line 4: Class TLedger not found");
  EXPECT_EQ(velar::testing::MessageOf<host::EReadError>(
                [&] { Read(head + "    Sides = [dsLeft, dsMiddle]\n  end\nend\n"); }),
            "Line 3: error setting Sides: 'dsMiddle' is not a member of TDialSides");
  EXPECT_EQ(velar::testing::MessageOf<host::EReadError>(
                [&] { Read(head + "    Marks = <item Shade = 1 end>\n  end\nend\n"); }),
            "Line 3: property Shade does not exist");
  EXPECT_EQ(velar::testing::MessageOf<host::EReadError>(
                [&] { Read(head + "    Stops = (1 'two')\n  end\nend\n"); }),
            "Line 3: error reading Stops: expected an integer, not a string");
  EXPECT_EQ(velar::testing::MessageOf<host::EReadError>(
                [&] { Read(head + "    Ratio = 1.5.2\n  end\nend\n"); }),
            "Line 3: invalid number 1.5.");
  EXPECT_EQ(velar::testing::MessageOf<host::EReadError>(
                [&] { Read(head + "    Marks = <item Caption = 'x'\n  end\nend\n"); }),
            "Line 5: expected 'item' or '>' in the items of Marks");
}

TEST_F(FormFileSyntax, SetPropertiesShowAndTakeTheirMembersAsText) {
  TDial dial(nullptr);
  const host::TPropInfo* sides = TDial::Properties().Find("Sides");
  EXPECT_EQ(sides->GetAsText(&dial), "[dsLeft, dsTop]");
  EXPECT_TRUE(sides->IsDefaultValue(&dial));
  sides->SetAsText(&dial, "[dsBottom, dsright]");
  EXPECT_EQ(dial.Sides, (1u << dsRight) | (1u << dsBottom));
  EXPECT_THROW(sides->SetAsText(&dial, "[dsUp]"), host::EConvertError);
  EXPECT_EQ(dial.Sides, (1u << dsRight) | (1u << dsBottom));
}

}  // namespace
