#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "host/exceptions.h"
#include "host/formfile.h"
#include "tests/host/formfile_fixture.h"

namespace {

using formtest::TGadget;
using formtest::TTestForm;

// The codes as a raw-byte property holds them: a 32-bit count, then each
// code, little-endian, as upper-case hex, 64 digits to a line.
std::vector<std::string> CodeLines(const std::vector<std::uint32_t>& Codes) {
  std::string bytes;
  auto put = [&bytes](std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  put(static_cast<std::uint32_t>(Codes.size()));
  for (std::uint32_t code : Codes)
    put(code);
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i % 32 == 0) lines.emplace_back();
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(bytes[i]));
    lines.back() += hex;
  }
  return lines;
}

// The message of the write error Action raises.
template <typename Action>
std::string WriteErrorOf(Action&& action) {
  try {
    action();
  } catch (const host::EWriteError& e) {
    return e.Message;
  }
  return "<no exception>";
}

// A component class that nobody registered.
class TStranger : public host::TComponent {
 public:
  explicit TStranger(host::TComponent* Owner) : host::TComponent(Owner) {}
};

class FormFileWriting : public ::testing::Test {
 protected:
  void SetUp() override {
    formtest::RegisterTestClasses();
    form = std::make_unique<TTestForm>(nullptr);
    form->SetName("Form1");
  }
  TGadget* AddGadget(const char* Name, host::TComponent* Owner = nullptr) {
    auto* gadget = new TGadget(Owner != nullptr ? Owner : form.get());
    gadget->SetName(Name);
    return gadget;
  }
  std::unique_ptr<TTestForm> form;
};

TEST_F(FormFileWriting, ATreeWithEveryKindIsWrittenInTheFormFileLayout) {
  std::unique_ptr<TTestForm> sample(formtest::BuildSampleForm());
  std::vector<std::string> codes = CodeLines(formtest::SampleCodes(20));
  ASSERT_EQ(codes.size(), 3u);
  ASSERT_EQ(codes[0].substr(0, 16), "1400000004030201");
  EXPECT_EQ(host::WriteComponentText(sample.get()),
            "object MainForm: TTestForm\n"
            "  Title = 'Orders ''east'''\n"
            "  OnShow = FormShown\n"
            "  object First: TGadget\n"
            "    Count = -42\n"
            "    Caption = 'First'#9'gadget'#13#10#233't'#233\n"
            "    Shade = shDark\n"
            "    Visible = False\n"
            "    Locked = False\n"
            "    Lines.Strings = (\n"
            "      'select *'\n"
            "      'from t where a = '':a'''\n"
            "      '')\n"
            "    Buddy = Last\n"
            "    Options.Level = 3\n"
            "    Options.Label = 'deep'\n"
            "    Options.Codes = {\n"
            "      " +
                codes[0] +
                "\n"
                "      " +
                codes[1] +
                "\n"
                "      " +
                codes[2] +
                "}\n"
                "    OnChange = GadgetChanged\n"
                "    OnCount = GadgetCounted\n"
                "  end\n"
                "  object Panel: TGadget\n"
                "    Caption = ''\n"
                "    Locked = False\n"
                "    Partner = MainForm\n"
                "    object Inner: TGadget\n"
                "      Active = True\n"
                "      Caption = 'inner'\n"
                "      Locked = False\n"
                "      Buddy = First\n"
                "    end\n"
                "  end\n"
                "  object Last: TGadget\n"
                "    Caption = 'last'\n"
                "    Locked = False\n"
                "    Partner = Panel.Inner\n"
                "    Options.Codes = {\n"
                "      0100000004030201}\n"
                "  end\n"
                "end\n");
}

TEST_F(FormFileWriting, DefaultsAreLeftOutUnlessAlwaysWritten) {
  TGadget* gadget = AddGadget("G");
  gadget->Caption = "c";
  std::string text = host::WriteComponentText(form.get());
  EXPECT_EQ(text,
            "object Form1: TTestForm\n"
            "  object G: TGadget\n"
            "    Caption = 'c'\n"
            "    Locked = False\n"
            "  end\n"
            "end\n");
  gadget->Visible = false;
  gadget->Locked = true;
  gadget->SetTag(9);
  text = host::WriteComponentText(form.get());
  EXPECT_NE(text.find("    Tag = 9\n"), std::string::npos);
  EXPECT_NE(text.find("    Visible = False\n"), std::string::npos);
  EXPECT_NE(text.find("    Locked = True\n"), std::string::npos);
}

TEST_F(FormFileWriting, SubComponentsAreNotWrittenButUnnamedComponentsAre) {
  TGadget* named = AddGadget("Named");
  named->Caption = "n";
  auto* part = new TGadget(named);  // an internal part, as a component makes for itself
  part->SetSubComponent(true);
  part->Caption = "part";
  auto* unnamed = new TGadget(named);
  unnamed->Caption = "plain";
  EXPECT_EQ(host::WriteComponentText(form.get()),
            "object Form1: TTestForm\n"
            "  object Named: TGadget\n"
            "    Caption = 'n'\n"
            "    Locked = False\n"
            "    object TGadget\n"
            "      Caption = 'plain'\n"
            "      Locked = False\n"
            "    end\n"
            "  end\n"
            "end\n");
}

TEST_F(FormFileWriting, HandlersWithoutANameInThisRootAreNotWritten) {
  TGadget* gadget = AddGadget("G");
  gadget->Caption = "c";
  gadget->OnChange = [](host::TObject*) {};
  TTestForm other(nullptr);
  gadget->OnCount = TTestForm::Methods().Bind<void(host::TObject*, int)>(&other, "GadgetCounted");
  std::string text = host::WriteComponentText(form.get());
  EXPECT_EQ(text.find("OnChange"), std::string::npos);
  EXPECT_EQ(text.find("OnCount"), std::string::npos);
}

TEST_F(FormFileWriting, ReferencesTheFileCannotNameAreErrors) {
  TGadget* gadget = AddGadget("G");
  TGadget outsider(nullptr);
  outsider.SetName("Outsider");
  gadget->SetBuddy(&outsider);
  EXPECT_EQ(WriteErrorOf([&] { host::WriteComponentText(form.get()); }),
            "Property Buddy of G refers to Outsider, which the form file cannot name");
  TGadget* unnamed = new TGadget(form.get());
  gadget->SetBuddy(unnamed);
  EXPECT_EQ(WriteErrorOf([&] { host::WriteComponentText(form.get()); }),
            "Property Buddy of G refers to an unnamed TGadget, which the form file cannot name");
  gadget->SetBuddy(nullptr);
  EXPECT_NO_THROW(host::WriteComponentText(form.get()));
}

TEST_F(FormFileWriting, AnUnregisteredClassCannotBeWritten) {
  auto* stranger = new TStranger(form.get());
  stranger->SetName("Stranger");
  EXPECT_EQ(WriteErrorOf([&] { host::WriteComponentText(form.get()); }),
            "Class TStranger is not registered");
  EXPECT_FALSE(form->ComponentState().Contains(host::csWriting));
}

// Writing against an ancestor: the inherited form's file holds only what
// differs, and store tests compare with the ancestor's counterpart.
class FormFileAncestor : public ::testing::Test {
 protected:
  void SetUp() override {
    formtest::RegisterTestClasses();
    base.reset(Build());
    derived.reset(Build());
  }
  static TTestForm* Build() {
    auto* form = new TTestForm(nullptr);
    form->SetName("Form1");
    form->Title = "t";
    auto* gadget = new TGadget(form);
    gadget->SetName("G");
    gadget->Caption = "c";
    gadget->Options()->Codes = formtest::SampleCodes(2);
    gadget->Lines()->Add("x");
    gadget->OnChange = TTestForm::Methods().Bind<void(host::TObject*)>(form, "GadgetChanged");
    return form;
  }
  TGadget* Gadget(TTestForm* Form) { return static_cast<TGadget*>(Form->FindComponent("G")); }
  std::unique_ptr<TTestForm> base;
  std::unique_ptr<TTestForm> derived;
};

TEST_F(FormFileAncestor, OnlyDifferencesAreWritten) {
  EXPECT_EQ(host::WriteComponentText(derived.get(), base.get()),
            "inherited Form1: TTestForm\n"
            "  inherited G: TGadget\n"
            "  end\n"
            "end\n");
  Gadget(derived.get())->Options()->Codes = formtest::SampleCodes(1);
  Gadget(derived.get())->Visible = false;
  Gadget(derived.get())->OnChange = nullptr;
  auto* added = new TGadget(derived.get());
  added->SetName("Added");
  added->Caption = "new";
  EXPECT_EQ(host::WriteComponentText(derived.get(), base.get()),
            "inherited Form1: TTestForm\n"
            "  inherited G: TGadget\n"
            "    Visible = False\n"
            "    Options.Codes = {\n"
            "      0100000004030201}\n"
            "    OnChange = nil\n"
            "  end\n"
            "  object Added: TGadget\n"
            "    Caption = 'new'\n"
            "    Locked = False\n"
            "  end\n"
            "end\n");
}

TEST_F(FormFileAncestor, ADifferentiallyWrittenFileRebuildsTheDerivedForm) {
  Gadget(derived.get())->Options()->Codes.clear();
  Gadget(derived.get())->SetBuddy(Gadget(derived.get()));
  std::string text = host::WriteComponentText(derived.get(), base.get());
  std::unique_ptr<TTestForm> rebuilt(Build());
  host::ReadComponentText(rebuilt.get(), text);
  EXPECT_TRUE(Gadget(rebuilt.get())->Options()->Codes.empty());
  EXPECT_EQ(Gadget(rebuilt.get())->Buddy(), Gadget(rebuilt.get()));
  EXPECT_EQ(host::WriteComponentText(rebuilt.get()), host::WriteComponentText(derived.get()));
}

}  // namespace
