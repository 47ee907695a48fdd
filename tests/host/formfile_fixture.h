// Component classes for the property-table and form-file tests: a gadget
// with a property of every kind, a sub-object with a raw-byte property, and a
// root class with named handlers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/component.h"
#include "host/formfile.h"
#include "host/stream.h"
#include "host/strings.h"
#include "host/typinfo.h"

namespace formtest {

using host::TComponent;
using host::TObject;
using host::TPersistent;

// What the components did, in order: "Loaded:Name", "Set:Name.Prop:flags".
inline std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

enum TShade : std::uint8_t { shNone, shLight, shDark };

inline const host::TEnumTypeInfo& ShadeType() {
  static const host::TEnumTypeInfo type{"TShade", {"shNone", "shLight", "shDark"}};
  return type;
}

using TCountEvent = std::function<void(TObject*, int)>;

// A sub-object with published properties and a raw-byte property "Codes",
// stored as a 32-bit count and that many 32-bit values, like a collection
// that keeps its items in a binary block.
class TGadgetOptions : public TPersistent {
 public:
  explicit TGadgetOptions(TComponent* Owner) : owner_(Owner) {}

  TPersistent* GetOwner() override { return owner_; }

  static const host::TPropertyTable& Properties() {
    static const host::TPropertyTable table(
        TPersistent::Properties(),
        {
            host::IntProp("Level", &TGadgetOptions::Level, &TGadgetOptions::Level, 0),
            host::StringProp("Label", &TGadgetOptions::Label, &TGadgetOptions::Label, ""),
        });
    return table;
  }

  // The store test compares with the ancestor's codes when there is one.
  void DefineProperties(host::TFiler* Filer) override {
    TPersistent::DefineProperties(Filer);
    auto* ancestor = dynamic_cast<TGadgetOptions*>(Filer->Ancestor());
    Filer->DefineBinaryProperty(
        "Codes", [this](host::TStream* S) { ReadCodes(S); },
        [this](host::TStream* S) { WriteCodes(S); },
        ancestor != nullptr ? Codes != ancestor->Codes : !Codes.empty());
  }

  int Level = 0;
  std::string Label;
  std::vector<std::uint32_t> Codes;

 private:
  // A short stream raises the stream's read error; nothing is reserved from
  // the count, which comes from the file.
  void ReadCodes(host::TStream* S) {
    Codes.clear();
    std::int32_t count = 0;
    S->ReadBuffer(&count, 4);
    if (count < 0) throw host::EReadError("negative count");
    for (std::int32_t i = 0; i < count; ++i) {
      std::uint32_t code = 0;
      S->ReadBuffer(&code, 4);
      Codes.push_back(code);
    }
  }
  void WriteCodes(host::TStream* S) {
    auto count = static_cast<std::int32_t>(Codes.size());
    S->WriteBuffer(&count, 4);
    for (std::uint32_t code : Codes)
      S->WriteBuffer(&code, 4);
  }

  TComponent* owner_;
};

// A component with a property of every kind. Active behaves like a session's
// Connected: a value read from a form is applied in Loaded.
class TGadget : public TComponent {
 public:
  explicit TGadget(TComponent* Owner) : TComponent(Owner), options_(this) {}

  static const host::TPropertyTable& Properties() {
    static const host::TPropertyTable table(
        TComponent::Properties(),
        {
            host::BoolProp("Active", &TGadget::Active, &TGadget::SetActive, false),
            host::IntProp("Count", &TGadget::Count, &TGadget::SetCount, 0),
            host::StringProp("Caption", &TGadget::Caption, &TGadget::Caption),
            host::EnumProp("Shade", &TGadget::Shade, &TGadget::Shade, shNone, ShadeType()),
            host::BoolProp("Visible", &TGadget::Visible, &TGadget::Visible, true),
            host::BoolProp("Locked", &TGadget::Locked, &TGadget::Locked, false).AlwaysWritten(),
            host::StringsProp("Lines", &TGadget::Lines),
            host::ComponentProp("Buddy", &TGadget::Buddy, &TGadget::SetBuddy),
            host::ComponentProp("Partner", &TGadget::Partner, &TGadget::SetPartner),
            host::PersistentProp("Options", &TGadget::Options),
            host::EventProp("OnChange", &TGadget::OnChange),
            host::EventProp("OnCount", &TGadget::OnCount),
        });
    return table;
  }

  bool Active() const { return active_; }
  // Deferred while reading, as a session defers Connected.
  void SetActive(bool Value) {
    Record("Active");
    if (ComponentState().Contains(host::csReading))
      streamedActive_ = Value;
    else
      active_ = Value;
  }
  int Count() const { return count_; }
  void SetCount(int Value) {
    Record("Count");
    count_ = Value;
  }
  host::TStringList* Lines() { return &lines_; }
  TGadget* Buddy() const { return buddy_; }
  void SetBuddy(TGadget* Value) {
    Record("Buddy");
    buddy_ = Value;
    if (Value != nullptr) Value->FreeNotification(this);
  }
  TComponent* Partner() const { return partner_; }
  void SetPartner(TComponent* Value) {
    partner_ = Value;
    if (Value != nullptr) Value->FreeNotification(this);
  }
  TGadgetOptions* Options() { return &options_; }

  void Loaded() override {
    TComponent::Loaded();
    Log().push_back("Loaded:" + Name());
    if (Tag() == kFailInLoaded) throw host::EInvalidOperation("Loaded failed for " + Name());
    if (streamedActive_) active_ = true;
  }
  void Notification(TComponent* AComponent, host::TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation != host::opRemove) return;
    if (AComponent == buddy_) buddy_ = nullptr;
    if (AComponent == partner_) partner_ = nullptr;
  }

  std::string Caption;
  TShade Shade = shNone;
  bool Visible = true;
  bool Locked = false;
  host::TNotifyEvent OnChange;
  TCountEvent OnCount;
  // A gadget read with this Tag fails in Loaded.
  static constexpr std::intptr_t kFailInLoaded = -1;

 private:
  // Notes the state the component was in when a setter ran.
  void Record(const char* Prop) {
    auto state = ComponentState();
    Log().push_back("Set:" + Name() + "." + Prop + ":" +
                    (state.Contains(host::csReading) ? "R" : "") +
                    (state.Contains(host::csLoading) ? "L" : ""));
  }

  bool active_ = false;
  bool streamedActive_ = false;
  int count_ = 0;
  host::TStringList lines_;
  TGadget* buddy_ = nullptr;
  TComponent* partner_ = nullptr;
  TGadgetOptions options_;
};

// A root with a title and named handlers that count their calls.
class TTestForm : public TComponent {
 public:
  explicit TTestForm(TComponent* Owner) : TComponent(Owner) {}

  static const host::TPropertyTable& Properties() {
    static const host::TPropertyTable table(
        TComponent::Properties(),
        {
            host::StringProp("Title", &TTestForm::Title, &TTestForm::Title, ""),
            host::EventProp("OnShow", &TTestForm::OnShow),
        });
    return table;
  }
  static const host::TMethodTable& Methods() {
    static const host::TMethodTable table(
        TComponent::Methods(), {
                                   host::Method("GadgetChanged", &TTestForm::GadgetChanged),
                                   host::Method("GadgetCounted", &TTestForm::GadgetCounted),
                                   host::Method("FormShown", &TTestForm::FormShown),
                               });
    return table;
  }

  void GadgetChanged(TObject* Sender) {
    ++changedCalls;
    lastSender = Sender;
  }
  void GadgetCounted(TObject* Sender, int N) {
    countedTotal += N;
    lastSender = Sender;
  }
  void FormShown(TObject*) { ++shownCalls; }

  void Loaded() override {
    TComponent::Loaded();
    Log().push_back("Loaded:" + Name());
  }

  std::string Title;
  host::TNotifyEvent OnShow;
  int changedCalls = 0;
  int shownCalls = 0;
  int countedTotal = 0;
  TObject* lastSender = nullptr;
};

// A form that inherits the test form's handlers and adds one.
class TDerivedForm : public TTestForm {
 public:
  explicit TDerivedForm(TComponent* Owner) : TTestForm(Owner) {}
  static const host::TMethodTable& Methods() {
    static const host::TMethodTable table(TTestForm::Methods(),
                                          {host::Method("Extra", &TDerivedForm::Extra)});
    return table;
  }
  void Extra(TObject*) {}
};

inline void RegisterTestClasses() {
  host::RegisterClass<TGadget>();
  host::RegisterClass<TTestForm>();
  host::RegisterClass<TDerivedForm>();
}

// Byte values 0..Count-1 shifted, so blocks of any length are recognisable.
inline std::vector<std::uint32_t> SampleCodes(int Count) {
  std::vector<std::uint32_t> codes;
  for (int i = 0; i < Count; ++i)
    codes.push_back(0x01020304u * static_cast<std::uint32_t>(i + 1));
  return codes;
}

// A form with every property kind set away from its default: nested
// components, a forward reference, a reference to the root, a reference into
// a nested component, bound events, a string list, a sub-object with a
// raw-byte property.
inline TTestForm* BuildSampleForm() {
  auto* form = new TTestForm(nullptr);
  form->SetName("MainForm");
  form->Title = "Orders 'east'";
  form->OnShow = TTestForm::Methods().Bind<void(TObject*)>(form, "FormShown");

  auto* first = new TGadget(form);
  first->SetName("First");
  first->SetCount(-42);
  first->Caption = "First\tgadget\r\n\xE9t\xE9";
  first->Shade = shDark;
  first->Visible = false;
  first->Lines()->Add("select *");
  first->Lines()->Add("from t where a = ':a'");
  first->Lines()->Add("");
  first->OnChange = TTestForm::Methods().Bind<void(TObject*)>(form, "GadgetChanged");
  first->OnCount = TTestForm::Methods().Bind<void(TObject*, int)>(form, "GadgetCounted");
  first->Options()->Level = 3;
  first->Options()->Label = "deep";
  first->Options()->Codes = SampleCodes(20);

  auto* panel = new TGadget(form);
  panel->SetName("Panel");
  panel->Caption = "";
  panel->SetPartner(form);
  auto* inner = new TGadget(panel);
  inner->SetName("Inner");
  inner->Caption = "inner";
  inner->SetActive(true);
  inner->SetBuddy(first);

  auto* last = new TGadget(form);
  last->SetName("Last");
  last->Caption = "last";
  last->Options()->Codes = SampleCodes(1);
  last->SetPartner(inner);

  first->SetBuddy(last);  // forward: Last comes after First in the file
  return form;
}

}  // namespace formtest
