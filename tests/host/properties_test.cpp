#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/exceptions.h"
#include "host/typinfo.h"
#include "tests/host/formfile_fixture.h"

namespace {

using formtest::TGadget;
using formtest::TTestForm;
using host::TPropInfo;

// The message of the E that Action raises, or a note that it raised none.
template <typename E, typename Action>
std::string MessageOf(Action&& action) {
  try {
    action();
  } catch (const E& e) {
    return e.Message;
  }
  return "<no exception>";
}

// A class whose unqualified name clashes with the test form's.
namespace other {
class TTestForm : public host::TComponent {
 public:
  explicit TTestForm(host::TComponent* Owner) : host::TComponent(Owner) {}
};
}  // namespace other

// A persistent class that is no component: registered for its table only.
class TPlainOptions : public host::TPersistent {};

// An abstract component class: known by name, not creatable.
class TAbstractThing : public host::TComponent {
 public:
  explicit TAbstractThing(host::TComponent* Owner) : host::TComponent(Owner) {}
  virtual void Run() = 0;
};

// A gadget class that redeclares an inherited property with another default.
class TShadedGadget : public TGadget {
 public:
  explicit TShadedGadget(host::TComponent* Owner) : TGadget(Owner) { Shade = formtest::shLight; }
  static const host::TPropertyTable& Properties() {
    static const host::TPropertyTable table(
        TGadget::Properties(),
        {
            host::EnumProp("Shade", &TGadget::Shade, &TGadget::Shade, formtest::shLight,
                           formtest::ShadeType()),
            host::IntProp("Weight", &TShadedGadget::Weight, &TShadedGadget::Weight),
        });
    return table;
  }
  std::int64_t Weight = 0;
};

class PropertyTables : public ::testing::Test {};

TEST_F(PropertyTables, ATableStartsWithItsParentsPropertiesInTheirOrder) {
  const host::TPropertyTable& table = TGadget::Properties();
  ASSERT_GE(table.Count(), 4);
  EXPECT_EQ(table.Item(0).Name(), "Name");
  EXPECT_EQ(table.Item(1).Name(), "Tag");
  EXPECT_EQ(table.Item(2).Name(), "Active");
  EXPECT_FALSE(table.Item(0).Stored());
  EXPECT_EQ(table.Find("tag"), &table.Item(1));
  EXPECT_EQ(table.Find("NoSuchProperty"), nullptr);
}

TEST_F(PropertyTables, ARedeclaredPropertyKeepsItsPlaceAndTakesTheNewDefault) {
  const host::TPropertyTable& parent = TGadget::Properties();
  const host::TPropertyTable& child = TShadedGadget::Properties();
  EXPECT_EQ(child.Count(), parent.Count() + 1);
  const TPropInfo* shade = child.Find("Shade");
  ASSERT_NE(shade, nullptr);
  EXPECT_EQ(child.Find("Shade"), &child.Item(5));
  EXPECT_EQ(shade->DefaultText(), "shLight");
  EXPECT_EQ(parent.Find("Shade")->DefaultText(), "shNone");
  EXPECT_EQ(child.Item(child.Count() - 1).Name(), "Weight");
}

TEST_F(PropertyTables, EachPropertyReportsItsKindTypeAndDefault) {
  const host::TPropertyTable& table = TGadget::Properties();
  struct Expected {
    const char* name;
    host::TPropKind kind;
    const char* type;
    bool hasDefault;
    const char* defaultText;
  };
  const Expected expected[] = {
      {"Active", host::pkBoolean, "Boolean", true, "False"},
      {"Count", host::pkInteger, "Integer", true, "0"},
      {"Caption", host::pkString, "String", false, ""},
      {"Shade", host::pkEnumeration, "TShade", true, "shNone"},
      {"Visible", host::pkBoolean, "Boolean", true, "True"},
      {"Lines", host::pkStringList, "TStrings", false, ""},
      {"Buddy", host::pkComponent, "TGadget", false, ""},
      {"Partner", host::pkComponent, "TComponent", false, ""},
      {"Options", host::pkPersistent, "TGadgetOptions", false, ""},
      {"OnChange", host::pkEvent, "", false, ""},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.name);
    const TPropInfo* prop = table.Find(e.name);
    ASSERT_NE(prop, nullptr);
    EXPECT_EQ(prop->Kind(), e.kind);
    if (e.kind != host::pkEvent) {
      EXPECT_EQ(prop->TypeName(), e.type);
    }
    EXPECT_EQ(prop->HasDefault(), e.hasDefault);
    EXPECT_EQ(prop->DefaultText(), e.defaultText);
  }
  EXPECT_TRUE(table.Find("Locked")->AlwaysWritten());
  EXPECT_EQ(table.Find("Shade")->EnumNames(),
            (std::vector<std::string>{"shNone", "shLight", "shDark"}));
  EXPECT_EQ(table.Find("Count")->MinValue(), INT32_MIN);
  EXPECT_EQ(table.Find("Count")->MaxValue(), INT32_MAX);
}

TEST_F(PropertyTables, AnAccessorOfAnotherKindIsRefused) {
  TGadget gadget(nullptr);
  const TPropInfo* caption = TGadget::Properties().Find("Caption");
  EXPECT_THROW(caption->GetOrdinal(&gadget), host::EInvalidOperation);
  EXPECT_THROW(caption->GetComponent(&gadget), host::EInvalidOperation);
}

// What a property editor does: read and write every kind as text.
class PropertyText : public ::testing::Test {
 protected:
  void SetUp() override {
    formtest::RegisterTestClasses();
    form = std::make_unique<TTestForm>(nullptr);
    form->SetName("Form1");
    gadget = new TGadget(form.get());
    gadget->SetName("Gadget1");
    panel = new TGadget(form.get());
    panel->SetName("Panel");
    inner = new TGadget(panel);
    inner->SetName("Inner");
  }
  const TPropInfo& Prop(const char* Name) { return *TGadget::Properties().Find(Name); }

  std::unique_ptr<TTestForm> form;
  TGadget* gadget = nullptr;
  TGadget* panel = nullptr;
  TGadget* inner = nullptr;
};

TEST_F(PropertyText, ValuesReadAndWriteAsText) {
  Prop("Active").SetAsText(gadget, "true");
  EXPECT_TRUE(gadget->Active());
  EXPECT_EQ(Prop("Active").GetAsText(gadget), "True");
  Prop("Count").SetAsText(gadget, "-17");
  EXPECT_EQ(gadget->Count(), -17);
  EXPECT_EQ(Prop("Count").GetAsText(gadget), "-17");
  Prop("Caption").SetAsText(gadget, "a 'b'");
  EXPECT_EQ(gadget->Caption, "a 'b'");
  Prop("Shade").SetAsText(gadget, "SHDARK");
  EXPECT_EQ(gadget->Shade, formtest::shDark);
  EXPECT_EQ(Prop("Shade").GetAsText(gadget), "shDark");
  Prop("Lines").SetAsText(gadget, "one\ntwo");
  EXPECT_EQ(gadget->Lines()->Count(), 2);
  EXPECT_EQ(Prop("Lines").GetAsText(gadget), "one\ntwo");
  EXPECT_EQ(Prop("Options").GetAsText(gadget), "(TGadgetOptions)");
}

TEST_F(PropertyText, RefusedTextLeavesTheValueAlone) {
  gadget->SetCount(5);
  EXPECT_THROW(Prop("Count").SetAsText(gadget, "five"), host::EConvertError);
  EXPECT_EQ(MessageOf<host::EConvertError>([&] { Prop("Count").SetAsText(gadget, "4294967296"); }),
            "4294967296 is out of range for property Count (-2147483648..2147483647)");
  EXPECT_EQ(gadget->Count(), 5);
  EXPECT_THROW(Prop("Active").SetAsText(gadget, "yes"), host::EConvertError);
  EXPECT_THROW(Prop("Shade").SetAsText(gadget, "shPurple"), host::EConvertError);
  EXPECT_EQ(gadget->Shade, formtest::shNone);
  EXPECT_THROW(Prop("Options").SetAsText(gadget, "x"), host::EConvertError);
  EXPECT_THROW(Prop("Buddy").SetAsText(gadget, "Nobody"), host::EConvertError);
  EXPECT_THROW(Prop("Buddy").SetAsText(gadget, "Form1"), host::EInvalidCast);
  EXPECT_EQ(gadget->Buddy(), nullptr);
}

TEST_F(PropertyText, ReferencesAreNamedByTheirPathFromTheRoot) {
  Prop("Buddy").SetAsText(gadget, "panel.inner");
  EXPECT_EQ(gadget->Buddy(), inner);
  EXPECT_EQ(Prop("Buddy").GetAsText(gadget), "Panel.Inner");
  Prop("Partner").SetAsText(inner, "Form1");
  EXPECT_EQ(inner->Partner(), form.get());
  EXPECT_EQ(Prop("Partner").GetAsText(inner), "Form1");
  Prop("Partner").SetAsText(inner, "");
  EXPECT_EQ(inner->Partner(), nullptr);

  TGadget outsider(nullptr);
  outsider.SetName("Outsider");
  gadget->SetBuddy(&outsider);
  EXPECT_EQ(Prop("Buddy").GetAsText(gadget), "Outsider");
  gadget->SetBuddy(nullptr);
}

TEST_F(PropertyText, EventsBindToTheRootsHandlersByName) {
  Prop("OnChange").SetAsText(gadget, "gadgetchanged");
  ASSERT_TRUE(gadget->OnChange);
  gadget->OnChange(gadget);
  EXPECT_EQ(form->changedCalls, 1);
  EXPECT_EQ(form->lastSender, gadget);
  EXPECT_EQ(Prop("OnChange").GetAsText(gadget), "GadgetChanged");

  EXPECT_THROW(Prop("OnChange").SetAsText(gadget, "GadgetCounted"), host::EInvalidCast);
  EXPECT_THROW(Prop("OnChange").SetAsText(gadget, "Missing"), host::EConvertError);

  gadget->OnChange = [](host::TObject*) {};
  EXPECT_TRUE(Prop("OnChange").IsHandlerAssigned(gadget));
  EXPECT_EQ(Prop("OnChange").GetAsText(gadget), "");
  Prop("OnChange").SetAsText(gadget, "");
  EXPECT_FALSE(gadget->OnChange);
}

TEST_F(PropertyText, DefaultValuesAreRecognised) {
  EXPECT_TRUE(Prop("Visible").IsDefaultValue(gadget));
  gadget->Visible = false;
  EXPECT_FALSE(Prop("Visible").IsDefaultValue(gadget));
  EXPECT_FALSE(Prop("Caption").IsDefaultValue(gadget));  // no default: always written
  EXPECT_TRUE(Prop("Lines").IsDefaultValue(gadget));
  EXPECT_TRUE(Prop("Buddy").IsDefaultValue(gadget));
  EXPECT_TRUE(Prop("OnChange").IsDefaultValue(gadget));
  EXPECT_FALSE(Prop("Options").IsDefaultValue(gadget));
}

class ClassRegistry : public ::testing::Test {
 protected:
  void SetUp() override { formtest::RegisterTestClasses(); }
};

TEST_F(ClassRegistry, CreatesComponentsByNameWithAnOwner) {
  TTestForm form(nullptr);
  const host::TClassInfo& info = host::GetClass("tgadget");
  EXPECT_EQ(info.ClassName(), "TGadget");
  EXPECT_EQ(&info.Properties(), &TGadget::Properties());
  host::TComponent* made = info.Create(&form);
  EXPECT_EQ(made->Owner(), &form);
  EXPECT_NE(dynamic_cast<TGadget*>(made), nullptr);
  EXPECT_EQ(host::FindClassOf(made), &info);
  EXPECT_EQ(&host::RegisterClass<TGadget>(), &info);
}

TEST_F(ClassRegistry, UnknownNamesAndUncreatableClassesAreRefused) {
  EXPECT_EQ(MessageOf<host::EClassNotFound>([] { host::GetClass("TNoSuchThing"); }),
            "Class TNoSuchThing not found");
  EXPECT_EQ(host::FindClass("TNoSuchThing"), nullptr);

  const host::TClassInfo& plain = host::RegisterClass<TPlainOptions>();
  EXPECT_FALSE(plain.CanCreate());
  EXPECT_EQ(plain.Methods(), nullptr);
  const host::TClassInfo& abstract = host::RegisterClass<TAbstractThing>();
  EXPECT_FALSE(abstract.CanCreate());
  EXPECT_THROW(abstract.Create(nullptr), host::EInvalidOperation);
}

TEST_F(ClassRegistry, ANameMeansOneClassOnly) {
  EXPECT_THROW(host::RegisterClass<other::TTestForm>(), host::EInvalidOperation);
  EXPECT_EQ(host::GetClass("TTestForm").Type(), typeid(TTestForm));
}

TEST_F(ClassRegistry, AnUnregisteredClassIsForgotten) {
  host::RegisterClass<TShadedGadget>();
  ASSERT_NE(host::FindClass("TShadedGadget"), nullptr);
  host::UnRegisterClass(typeid(TShadedGadget));
  EXPECT_EQ(host::FindClass("TShadedGadget"), nullptr);
  TShadedGadget gadget(nullptr);
  EXPECT_EQ(host::FindClassOf(&gadget), nullptr);
}

class MethodTables : public ::testing::Test {};

TEST_F(MethodTables, ADerivedRootOffersItsParentsHandlersToo) {
  const host::TMethodTable& table = formtest::TDerivedForm::Methods();
  EXPECT_EQ(table.Count(), 4);
  EXPECT_NE(table.Find("gadgetchanged"), nullptr);
  EXPECT_NE(table.Find("Extra"), nullptr);
  EXPECT_EQ(TTestForm::Methods().Find("Extra"), nullptr);
  EXPECT_EQ(table.NamesFor(typeid(void(host::TObject*))),
            (std::vector<std::string>{"GadgetChanged", "FormShown", "Extra"}));
  EXPECT_EQ(table.NamesFor(typeid(void(host::TObject*, int))),
            (std::vector<std::string>{"GadgetCounted"}));
}

TEST_F(MethodTables, BindingCallsTheHandlerOnTheInstanceWithoutLosingArguments) {
  formtest::TDerivedForm form(nullptr);
  formtest::TCountEvent counted =
      form.Methods().Bind<void(host::TObject*, int)>(&form, "GadgetCounted");
  counted(&form, 5);
  counted(nullptr, 7);
  EXPECT_EQ(form.countedTotal, 12);
  EXPECT_EQ(form.lastSender, nullptr);
  EXPECT_THROW(form.Methods().Bind<void(host::TObject*)>(&form, "GadgetCounted"),
               host::EInvalidOperation);
  EXPECT_THROW(form.Methods().Bind<void(host::TObject*)>(&form, "Nothing"),
               host::EInvalidOperation);
}

}  // namespace
