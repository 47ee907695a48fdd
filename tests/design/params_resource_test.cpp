// The parameter dialog's form resource, read into a probe form that offers
// the dialog's handler names: its geometry, parents, tab order, settings and
// the events each control names.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "asa/design/VlrAsaEd.h"
#include "host/controls_lists.h"
#include "host/controls_std.h"
#include "host/formfile.h"
#include "host/sysutils.h"
#include "host/typinfo.h"
#include "tests/design/design_fixture.h"

namespace design_test {
namespace {

// Offers the handlers the resource names and records each call.
class TParamsDlgProbe : public host::TForm {
 public:
  explicit TParamsDlgProbe(host::TComponent* AOwner) : host::TForm(AOwner) {
    host::RegisterClass<TParamsDlgProbe>();
    InitForm(Resource());
  }
  ~TParamsDlgProbe() override { DoDestroy(); }

  // The dialog's resource with the probe's class as its root's.
  static std::string Resource() {
    return host::StringReplace(velar::kVlrAsaEdResource, ": TVelarParamsDlg", ": TParamsDlgProbe",
                               host::TReplaceFlags{});
  }

  static const host::TMethodTable& Methods() {
    using P = TParamsDlgProbe;
    static const host::TMethodTable table(
        host::TForm::Methods(), {
                                    host::Method("FormCreate", &P::FormCreate),
                                    host::Method("FormDestroy", &P::FormDestroy),
                                    host::Method("FormClose", &P::FormClose),
                                    host::Method("lbParamNamesClick", &P::lbParamNamesClick),
                                    host::Method("edParamNameChange", &P::edParamNameChange),
                                    host::Method("cbDataTypeChange", &P::cbDataTypeChange),
                                    host::Method("edParamValueExit", &P::edParamValueExit),
                                    host::Method("btnNewClick", &P::btnNewClick),
                                    host::Method("btnDeleteClick", &P::btnDeleteClick),
                                });
    return table;
  }

  // The dialog fills its type list here, so its fields must be bound.
  void FormCreate(host::TObject*) {
    Calls().push_back(cbDataType != nullptr ? "FormCreate" : "FormCreate before the fields");
  }
  void FormDestroy(host::TObject*) { Calls().push_back("FormDestroy"); }
  void FormClose(host::TObject*, host::TCloseAction&) {
    Calls().push_back("FormClose=" + std::to_string(ModalResult()));
  }
  void lbParamNamesClick(host::TObject*) { Calls().push_back("lbParamNamesClick"); }
  void edParamNameChange(host::TObject* Sender) {
    Calls().push_back("edParamNameChange=" + static_cast<host::TEdit*>(Sender)->Text());
  }
  void cbDataTypeChange(host::TObject*) { Calls().push_back("cbDataTypeChange"); }
  void edParamValueExit(host::TObject*) { Calls().push_back("edParamValueExit"); }
  void btnNewClick(host::TObject*) { Calls().push_back("btnNewClick"); }
  void btnDeleteClick(host::TObject*) { Calls().push_back("btnDeleteClick"); }

  // Outlives the probe, so that FormDestroy can be seen.
  static std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
  }
  host::TComboBox* cbDataType = nullptr;

 protected:
  void BindFields() override { BindField(cbDataType, "cbDataType"); }

 public:
  template <class T = host::TControl>
  T* Get(const char* Name) const {
    return dynamic_cast<T*>(FindComponent(Name));
  }
};

class ParamsResource : public DesignTest {
 protected:
  void SetUp() override {
    DesignTest::SetUp();
    TParamsDlgProbe::Calls().clear();
    dialog = std::make_unique<TParamsDlgProbe>(host::Application);
  }
  void TearDown() override {
    dialog.reset();
    DesignTest::TearDown();
  }
  std::unique_ptr<TParamsDlgProbe> dialog;
};

TEST_F(ParamsResource, TheFormIsTheDialogOfTheTable) {
  EXPECT_EQ(dialog->Name(), "VelarParamsDlg");
  EXPECT_EQ(dialog->Caption(), "Parameters");
  EXPECT_EQ(dialog->BorderStyle(), host::bsDialog);
  EXPECT_EQ(dialog->ClientWidth(), 400);
  EXPECT_EQ(dialog->ClientHeight(), 232);
  EXPECT_EQ(dialog->Font()->Name(), "MS Sans Serif");
  EXPECT_EQ(dialog->Font()->Height(), -11);
  EXPECT_EQ(dialog->Font()->Charset(), host::DEFAULT_CHARSET);
  EXPECT_EQ(dialog->Font()->Color(), host::clWindowText);
  EXPECT_EQ(dialog->Position(), host::poScreenCenter);
  EXPECT_EQ(dialog->PixelsPerInch(), 96);
  EXPECT_EQ(dialog->TextHeight(), 13);
  EXPECT_EQ(TParamsDlgProbe::Calls(), (std::vector<std::string>{"FormCreate"}));
}

TEST_F(ParamsResource, EveryControlHasItsPlaceParentAndTabOrder) {
  struct TExpected {
    const char* Name;
    int Left, Top, Width, Height;
    bool InGroup;
    int TabOrder;  // -1: not a windowed control
  };
  const TExpected expected[] = {
      {"gbParams", 8, 8, 385, 169, false, 0},       {"lblParamNames", 16, 24, 80, 13, true, -1},
      {"lblParamName", 160, 40, 31, 13, true, -1},  {"lblDataType", 160, 64, 49, 13, true, -1},
      {"lblParamValue", 160, 88, 30, 13, true, -1}, {"lbParamNames", 16, 40, 121, 113, true, 0},
      {"edParamName", 240, 40, 129, 21, true, 1},   {"cbDataType", 240, 64, 129, 21, true, 2},
      {"edParamValue", 240, 88, 129, 21, true, 3},  {"btnNew", 184, 128, 73, 25, true, 4},
      {"btnDelete", 272, 128, 73, 25, true, 5},     {"btnOK", 72, 192, 75, 25, false, 1},
      {"btnCancel", 160, 192, 75, 25, false, 2},    {"btnHelp", 248, 192, 75, 25, false, 3},
  };
  host::TControl* group = dialog->Get("gbParams");
  for (const TExpected& e : expected) {
    SCOPED_TRACE(e.Name);
    host::TControl* control = dialog->Get(e.Name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->Left(), e.Left);
    EXPECT_EQ(control->Top(), e.Top);
    EXPECT_EQ(control->Width(), e.Width);
    EXPECT_EQ(control->Height(), e.Height);
    EXPECT_EQ(control->Parent(), e.InGroup ? group : static_cast<host::TControl*>(dialog.get()));
    if (e.TabOrder >= 0) {
      EXPECT_EQ(dynamic_cast<host::TWinControl*>(control)->TabOrder(), e.TabOrder);
    }
  }
  EXPECT_EQ(dialog->ComponentCount(), 14);
}

TEST_F(ParamsResource, TheSettingsOfTheControlsAreStored) {
  EXPECT_EQ(dialog->Get("gbParams")->Caption(), "Declare Parameters");
  EXPECT_EQ(dialog->Get("lblParamNames")->Caption(), "&Parameter name:");
  EXPECT_EQ(dialog->Get("lblParamName")->Caption(), "&Name:");
  EXPECT_EQ(dialog->Get("lblDataType")->Caption(), "&Data type:");
  EXPECT_EQ(dialog->Get("lblParamValue")->Caption(), "&Value:");
  EXPECT_EQ(dialog->Get<host::TListBox>("lbParamNames")->ItemHeight(), 13);
  auto* types = dialog->Get<host::TComboBox>("cbDataType");
  EXPECT_EQ(types->Style(), host::csDropDownList);
  EXPECT_EQ(types->ItemHeight(), 13);
  EXPECT_EQ(types->Items()->Text(),
            "ntString\nntInteger\nntFloat\nntDate\nntTime\nntDateTime\nntBoolean\nntBinary");
  EXPECT_EQ(dialog->Get("btnNew")->Caption(), "New");
  EXPECT_EQ(dialog->Get("btnDelete")->Caption(), "Delete");
  EXPECT_FALSE(dialog->Get("btnDelete")->Enabled());
  auto* ok = dialog->Get<host::TButton>("btnOK");
  EXPECT_TRUE(ok->Default());
  EXPECT_EQ(ok->ModalResult(), host::mrOk);
  auto* cancel = dialog->Get<host::TButton>("btnCancel");
  EXPECT_TRUE(cancel->Cancel());
  EXPECT_EQ(cancel->ModalResult(), host::mrCancel);
  auto* help = dialog->Get<host::TButton>("btnHelp");
  EXPECT_EQ(help->Caption(), "&Help");
  EXPECT_EQ(help->ModalResult(), host::mrNone);
  EXPECT_FALSE(help->OnClick);
}

TEST_F(ParamsResource, TabVisitsTheGroupBoxThenTheButtonsAndSkipsTheDisabledDelete) {
  std::vector<std::string> visited;
  driver.Expect([&](host::TFormScript& ui) {
    for (int i = 0; i < 9; ++i) {
      visited.push_back(dialog->ActiveControl()->Name());
      ui.Tab();
    }
    ui.Escape();
  });
  dialog->ShowModal();
  EXPECT_EQ(visited,
            (std::vector<std::string>{"lbParamNames", "edParamName", "cbDataType", "edParamValue",
                                      "btnNew", "btnOK", "btnCancel", "btnHelp", "lbParamNames"}));
}

TEST_F(ParamsResource, EachControlRunsTheHandlerItsEventNames) {
  dialog->Get<host::TListBox>("lbParamNames")->Items()->Add("p1");
  dialog->Get("btnDelete")->SetEnabled(true);
  driver.Expect([&](host::TFormScript& ui) {
    ui.ClickItem("lbParamNames", 0);
    ui.Type("edParamName", "ab");
    ui.Choose("cbDataType", "ntDate");
    ui.Type("edParamValue", "1");
    ui.Click("btnNew");  // leaves the value edit first
    ui.Click("btnDelete");
    ui.Click("btnHelp");
    EXPECT_FALSE(ui.Closed());
    ui.CloseByFrame();
  });
  EXPECT_EQ(dialog->ShowModal(), host::mrCancel);
  dialog.reset();
  EXPECT_EQ(
      TParamsDlgProbe::Calls(),
      (std::vector<std::string>{"FormCreate", "lbParamNamesClick", "edParamNameChange=a",
                                "edParamNameChange=ab", "cbDataTypeChange", "edParamValueExit",
                                "btnNewClick", "btnDeleteClick", "FormClose=2", "FormDestroy"}));
}

TEST_F(ParamsResource, TheDialogDrawsItsGroupAndFieldsWhereTheLayoutPutsThem) {
  driver.Expect([&](host::TFormScript& ui) {
    const std::string screen = ui.Screen();
    std::vector<std::string> rows;
    for (std::size_t start = 0; start <= screen.size();) {
      std::size_t end = screen.find('\n', start);
      if (end == std::string::npos) end = screen.size();
      rows.push_back(screen.substr(start, end - start));
      start = end + 1;
    }
    ASSERT_EQ(rows.size(), 21u) << screen;
    EXPECT_NE(rows[0].find(" Parameters "), std::string::npos) << screen;
    EXPECT_NE(rows[2].find("+- Declare Parameters -"), std::string::npos) << screen;
    EXPECT_NE(rows[4].find("Parameter name:"), std::string::npos) << screen;
    EXPECT_NE(rows[5].find("Name:"), std::string::npos) << screen;
    EXPECT_NE(rows[7].find("Data type:"), std::string::npos) << screen;
    EXPECT_NE(rows[9].find("Value:"), std::string::npos) << screen;
    EXPECT_NE(rows[12].find("[ New ]"), std::string::npos) << screen;
    EXPECT_NE(rows[12].find("[ Delete ]"), std::string::npos) << screen;
    EXPECT_NE(rows[17].find("[ OK ]"), std::string::npos) << screen;
    EXPECT_NE(rows[17].find("[ Help ]"), std::string::npos) << screen;
    ui.Escape();
  });
  dialog->ShowModal();
}

// The controls' published properties carry everything the resource holds:
// the dialog written as a form file reads back into the same dialog.
TEST_F(ParamsResource, WrittenAsAFormFileTheDialogReadsBackUnchanged) {
  const std::string written = host::WriteComponentText(dialog.get());
  EXPECT_NE(written.find("    Parent = gbParams\n"), std::string::npos) << written;
  EXPECT_NE(written.find("    OnExit = edParamValueExit\n"), std::string::npos) << written;
  EXPECT_NE(written.find("    Items.Strings = (\n"), std::string::npos) << written;
  EXPECT_NE(written.find("  ClientWidth = 400\n"), std::string::npos) << written;
  EXPECT_EQ(written.find("  Width = 400\n"), std::string::npos) << "a form's size is written once";

  dialog.reset();
  TParamsDlgProbe again(host::Application);
  host::ReadComponentText(&again, written);
  EXPECT_EQ(host::WriteComponentText(&again), written);
}

TEST_F(ParamsResource, ASecondDialogOfTheOwnerIsNumbered) {
  TParamsDlgProbe second(host::Application);
  EXPECT_EQ(second.Name(), "VelarParamsDlg_1");
  EXPECT_NE(second.FindComponent("lbParamNames"), dialog->FindComponent("lbParamNames"));
}

}  // namespace
}  // namespace design_test
