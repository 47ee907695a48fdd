// Design time: the standard property editors, which registration a property
// gets, component editors and their verbs, the palette and the units.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "host/design.h"
#include "tests/host/formfile_fixture.h"
#include "tests/support/velar_test.h"

namespace {

using formtest::TGadget;
using formtest::TTestForm;
using host::TPropertyAttributes;
using velar::testing::MessageOf;

// Counts what the editors report.
class TCountingDesigner : public host::IDesigner {
 public:
  explicit TCountingDesigner(host::TComponent* Root) : root_(Root) {}
  void Modified() override { ++ModifiedCount; }
  host::TComponent* GetRoot() const override { return root_; }
  int ModifiedCount = 0;

 private:
  host::TComponent* root_;
};

class TSubGadget : public TGadget {
 public:
  using TGadget::TGadget;
};

// A form with two gadgets and a plain component, designed by a counter.
class PropertyEditors : public ::testing::Test {
 protected:
  void SetUp() override {
    formtest::RegisterTestClasses();
    host::RegisterClass<TSubGadget>();
    form.SetName("Form1");
    gadget = new TGadget(&form);
    gadget->SetName("Gadget1");
    other = new TGadget(&form);
    other->SetName("Another");
    (new host::TComponent(&form))->SetName("Plain");
  }
  std::unique_ptr<host::TPropertyEditor> Editor(host::TPersistent* Instance, const char* Name) {
    const host::TPropInfo* prop = host::FindClassOf(Instance)->Properties().Find(Name);
    EXPECT_NE(prop, nullptr) << Name;
    return host::GetPropertyEditor(&designer, Instance, *prop);
  }

  TTestForm form{nullptr};
  TGadget* gadget = nullptr;
  TGadget* other = nullptr;
  TCountingDesigner designer{&form};
};

TEST_F(PropertyEditors, OrdinalEditorsOfferTheirValuesAndCheckTheText) {
  auto active = Editor(gadget, "Active");
  EXPECT_NE(dynamic_cast<host::TBoolProperty*>(active.get()), nullptr);
  EXPECT_EQ(active->ValueList(), (std::vector<std::string>{"False", "True"}));
  EXPECT_TRUE(active->GetAttributes().Contains(host::paValueList));
  active->Edit();  // steps to the next value, as a double click does
  EXPECT_TRUE(gadget->Active());
  EXPECT_EQ(active->GetOrdValue(), 1);

  auto shade = Editor(gadget, "Shade");
  EXPECT_EQ(shade->ValueList(), (std::vector<std::string>{"shNone", "shLight", "shDark"}));
  shade->SetValue("shDark");
  EXPECT_EQ(gadget->Shade, formtest::shDark);

  auto count = Editor(gadget, "Count");
  count->SetValue(" 12 ");
  EXPECT_EQ(gadget->Count(), 12);
  EXPECT_EQ(MessageOf<host::EConvertError>([&] { count->SetValue("twelve"); }),
            "'twelve' is not a valid integer value");
  EXPECT_EQ(gadget->Count(), 12);
  EXPECT_EQ(designer.ModifiedCount, 3) << "a refused value reports no change";
}

TEST_F(PropertyEditors, StringEditorsReadAndSetTheTextAndReportTheChange) {
  auto caption = Editor(gadget, "Caption");
  EXPECT_NE(dynamic_cast<host::TStringProperty*>(caption.get()), nullptr);
  caption->SetValue("Hello");
  EXPECT_EQ(gadget->Caption, "Hello");
  EXPECT_EQ(caption->GetValue(), "Hello");
  EXPECT_EQ(designer.ModifiedCount, 1);
  EXPECT_FALSE(caption->GetAttributes().Contains(host::paDialog));

  auto name = Editor(gadget, "Name");
  EXPECT_EQ(MessageOf<host::EComponentError>([&] { name->SetValue("Another"); }),
            "A component named \"Another\" already exists.");
  EXPECT_EQ(gadget->Name(), "Gadget1");
}

TEST_F(PropertyEditors, AnObjectPropertyIsEditedThroughItsOwnProperties) {
  auto options = Editor(gadget, "Options");
  EXPECT_NE(dynamic_cast<host::TClassProperty*>(options.get()), nullptr);
  EXPECT_EQ(options->GetValue(), "(TGadgetOptions)");
  EXPECT_EQ(options->GetAttributes(),
            (TPropertyAttributes{host::paMultiSelect, host::paSubProperties, host::paReadOnly}));
  EXPECT_EQ(options->GetObjectValue(), gadget->Options());
  EXPECT_EQ(options->GetOrdValue(), reinterpret_cast<std::intptr_t>(gadget->Options()));

  std::vector<std::unique_ptr<host::TPropertyEditor>> parts;
  options->GetProperties(
      [&](std::unique_ptr<host::TPropertyEditor> Part) { parts.push_back(std::move(Part)); });
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0]->GetName(), "Level");
  parts[0]->SetValue("3");
  parts[1]->SetValue("big");
  EXPECT_EQ(gadget->Options()->Level, 3);
  EXPECT_EQ(gadget->Options()->Label, "big");
  EXPECT_EQ(designer.ModifiedCount, 2);
}

TEST_F(PropertyEditors, ReferencesAndEventsOfferWhatTheRootHas) {
  auto buddy = Editor(gadget, "Buddy");
  EXPECT_EQ(buddy->ValueList(), (std::vector<std::string>{"Another", "Gadget1"}));
  buddy->SetValue("Another");
  EXPECT_EQ(gadget->Buddy(), other);
  auto partner = Editor(gadget, "Partner");
  EXPECT_EQ(partner->ValueList(),
            (std::vector<std::string>{"Another", "Form1", "Gadget1", "Plain"}));

  auto onChange = Editor(gadget, "OnChange");
  EXPECT_EQ(onChange->ValueList(), (std::vector<std::string>{"GadgetChanged", "FormShown"}));
  onChange->SetValue("GadgetChanged");
  gadget->OnChange(gadget);
  EXPECT_EQ(form.changedCalls, 1);
  EXPECT_EQ(Editor(gadget, "OnCount")->ValueList(), (std::vector<std::string>{"GadgetCounted"}));
}

TEST_F(PropertyEditors, EveryPublishedPropertyGetsAnEditorInTableOrder) {
  auto editors = host::GetComponentProperties(&designer, gadget);
  const host::TPropertyTable& table = TGadget::Properties();
  ASSERT_EQ(static_cast<int>(editors.size()), table.Count());
  for (int i = 0; i < table.Count(); ++i)
    EXPECT_EQ(editors[static_cast<std::size_t>(i)]->GetName(), table.Item(i).Name());
  EXPECT_EQ(host::TPropertyAttributes{host::paDialog}.Bits(), 4u);
}

// Editors that say which registration made them.
template <int N>
class TMarkedEditor : public host::TStringProperty {
 public:
  using host::TStringProperty::TStringProperty;
  std::string GetValue() override { return "editor " + std::to_string(N); }
};

class TOptionsEditor : public host::TClassProperty {
 public:
  using host::TClassProperty::TClassProperty;
  std::string GetValue() override { return "options editor"; }
  TPropertyAttributes GetAttributes() override { return TPropertyAttributes{host::paDialog}; }
};

TEST_F(PropertyEditors, TheMostSpecificRegistrationWinsAndTheLatestAmongEquals) {
  host::RegisterPropertyEditor("TGadgetOptions", nullptr, "",
                               host::PropertyEditorClass<TMarkedEditor<1>>());
  host::RegisterPropertyEditor<TGadget, TMarkedEditor<2>, TGadget>();
  host::RegisterPropertyEditor<std::string, TMarkedEditor<3>, TGadget>();
  host::RegisterPropertyEditor<std::string, TMarkedEditor<4>, TGadget>("Caption");
  host::RegisterPropertyEditor<std::string, TMarkedEditor<5>, TSubGadget>();
  host::RegisterPropertyEditor("TGadgetOptions", nullptr, "",
                               host::PropertyEditorClass<TOptionsEditor>());

  auto* sub = new TSubGadget(&form);
  sub->SetName("Sub");
  EXPECT_EQ(Editor(gadget, "Caption")->GetValue(), "editor 4");
  EXPECT_EQ(Editor(sub, "Caption")->GetValue(), "editor 4") << "the name outranks the class";
  EXPECT_EQ(Editor(gadget, "Name")->GetValue(), "editor 3");
  EXPECT_EQ(Editor(sub, "Name")->GetValue(), "editor 5");
  EXPECT_EQ(Editor(gadget, "Buddy")->GetValue(), "editor 2");
  EXPECT_EQ(Editor(gadget, "Options")->GetValue(), "options editor");
  EXPECT_EQ(Editor(&form, "Title")->GetValue(), "") << "another class keeps the standard editor";
}

// A component editor with two verbs that records what ran.
class TGadgetEditor : public host::TComponentEditor {
 public:
  using host::TComponentEditor::TComponentEditor;
  void ExecuteVerb(int Index) override {
    Ran.push_back(Component()->Name() + ":" + GetVerb(Index));
  }
  std::string GetVerb(int Index) override { return Index == 0 ? "&Reset" : "&Count"; }
  int GetVerbCount() override { return 2; }
  static inline std::vector<std::string> Ran;
};

class TSubGadgetEditor : public TGadgetEditor {
 public:
  using TGadgetEditor::TGadgetEditor;
  int GetVerbCount() override { return 1; }
};

TEST_F(PropertyEditors, ComponentEditorsGiveVerbsAndTheLatestFittingOneWins) {
  auto plain = host::GetComponentEditor(&form, &designer);
  EXPECT_EQ(plain->GetVerbCount(), 0);
  plain->Edit();

  host::RegisterComponentEditor<TGadget, TGadgetEditor>();
  host::RegisterComponentEditor<TSubGadget, TSubGadgetEditor>();
  auto* sub = new TSubGadget(&form);
  sub->SetName("Sub");
  auto editor = host::GetComponentEditor(gadget, &designer);
  EXPECT_EQ(editor->GetVerbCount(), 2);
  EXPECT_EQ(host::GetComponentEditor(sub, &designer)->GetVerbCount(), 1);
  TGadgetEditor::Ran.clear();
  editor->Edit();
  editor->ExecuteVerb(1);
  EXPECT_EQ(TGadgetEditor::Ran, (std::vector<std::string>{"Gadget1:&Reset", "Gadget1:&Count"}));
  EXPECT_EQ(editor->Designer(), &designer);
}

TEST(Palette, PagesKeepTheirClassesOnceAndInOrder) {
  formtest::RegisterTestClasses();
  host::RegisterComponents<TGadget, TTestForm>("Test page");
  host::RegisterComponents<TGadget>("Test page");
  host::RegisterComponents<TSubGadget>("Test page");
  std::vector<std::string> names;
  for (const host::TClassInfo* info : host::PaletteClasses("test PAGE"))
    names.push_back(info->ClassName());
  EXPECT_EQ(names, (std::vector<std::string>{"TGadget", "TTestForm", "TSubGadget"}));
  std::vector<std::string> pages = host::PalettePages();
  EXPECT_NE(std::find(pages.begin(), pages.end(), "Test page"), pages.end());
  EXPECT_TRUE(host::PaletteClasses("No such page").empty());
}

std::vector<std::string>& UnitCalls() {
  static std::vector<std::string> calls;
  return calls;
}
void RegisterFirstUnit() {
  UnitCalls().push_back("first");
}
void RegisterSecondUnit() {
  UnitCalls().push_back("second");
}
void RegisterLateUnit() {
  UnitCalls().push_back("late");
}

TEST(DesignUnits, EachProcedureRunsOnceInTheOrderRecorded) {
  host::RegisterDesignUnit("TestFirst", &RegisterFirstUnit);
  host::RegisterDesignUnit("TestSecond", &RegisterSecondUnit);
  host::RegisterDesignUnit("TestFirstAgain", &RegisterFirstUnit);
  host::InstallDesignUnits();
  host::InstallDesignUnits();
  EXPECT_EQ(UnitCalls(), (std::vector<std::string>{"first", "second"}));
  host::RegisterDesignUnit("TestLate", &RegisterLateUnit);
  host::InstallDesignUnits();
  EXPECT_EQ(UnitCalls(), (std::vector<std::string>{"first", "second", "late"}));
  std::vector<std::string> installed = host::InstalledDesignUnits();
  EXPECT_NE(std::find(installed.begin(), installed.end(), "TestLate"), installed.end());
  EXPECT_EQ(std::find(installed.begin(), installed.end(), "TestFirstAgain"), installed.end());
}

}  // namespace
