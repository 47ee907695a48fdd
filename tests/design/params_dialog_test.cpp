// The parameter editor of a dataset, driven as a developer drives it: the
// dialog it opens on the dataset's parameters, what OK keeps and what every
// other way of leaving undoes, and the dialog's controls following the
// selected parameter.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "asa/dataset/VlrAsaDS.h"
#include "asa/design/VlrAsaEd.h"
#include "host/controls_lists.h"
#include "host/controls_std.h"
#include "host/forms.h"
#include "tests/design/design_fixture.h"

namespace design_test {
namespace {

using velar::TAsaParam;
using velar::TAsaParams;
using velar::TVelarParamsDlg;

// A parameter as a line a failure message can show: alias (name) type =
// value, or null.
std::string Describe(const TAsaParam& P) {
  const std::string type =
      velar::AsaParamDataTypeInfo().Values[static_cast<std::size_t>(P.DataType())];
  return P.Alias + " (" + P.Name + ") " + type + (P.IsNull() ? " null" : " = " + P.GetAsString());
}

std::vector<std::string> Describe(const TAsaParams& Params) {
  std::vector<std::string> lines;
  for (int i = 0; i < Params.Count(); ++i)
    lines.push_back(Describe(*Params.GetParam(i)));
  return lines;
}

std::vector<std::string> ListItems(host::TFormScript& ui) {
  std::vector<std::string> items;
  host::TStrings* strings = ui.Control<host::TListBox>("lbParamNames").Items();
  for (int i = 0; i < strings->Count(); ++i)
    items.push_back(strings->Strings(i));
  return items;
}

TVelarParamsDlg& Dialog(host::TFormScript& ui) {
  return dynamic_cast<TVelarParamsDlg&>(ui.Form());
}

// A data module with a dataset Query1 whose Params the registered editor
// edits for a counting designer.
class ParamsEditor : public DesignTest {
 protected:
  void SetUp() override {
    DesignTest::SetUp();
    host::InstallDesignUnits();
    module.SetName("Module");
    dataset = new velar::TAsaDataset(&module);
    dataset->SetName("Query1");
  }

  TAsaParams& Params() { return *dataset->Params(); }
  TAsaParam* Add(const std::string& Name, velar::TAsaParamDataType Type, const std::string& Text) {
    TAsaParam* param = Params().CreateParam(Name);
    param->SetDataType(Type);
    if (!Text.empty()) param->SetText(Text);
    return param;
  }
  std::unique_ptr<host::TPropertyEditor> Editor() {
    return host::GetPropertyEditor(&designer, dataset,
                                   *velar::TAsaDataset::Properties().Find("Params"));
  }
  // Opens the editor with Script playing on the dialog.
  void Edit(std::function<void(host::TFormScript&)> Script) {
    driver.Expect(std::move(Script));
    Editor()->Edit();
  }

  host::TDataModule module{nullptr};
  velar::TAsaDataset* dataset = nullptr;
  TCountingDesigner designer{&module};
};

TEST_F(ParamsEditor, IsTheDatasetsParamsEditorAndOffersADialogAlone) {
  auto editor = Editor();
  ASSERT_NE(dynamic_cast<velar::TVelarParamsProperty*>(editor.get()), nullptr);
  EXPECT_EQ(editor->GetAttributes(), host::TPropertyAttributes{host::paDialog});
  EXPECT_EQ(editor->GetAttributes().Bits(), 4u);
  EXPECT_EQ(editor->GetValue(), "(TAsaParams)");
}

TEST_F(ParamsEditor, OpensOnTheFirstParameterUnderTheCollectionsName) {
  Add("CustNo", velar::ntInteger, "42");
  Add("Since", velar::ntDate, "2001-02-03");
  Params().GetParam(0)->Alias = "Customer";
  Edit([&](host::TFormScript& ui) {
    TVelarParamsDlg& dialog = Dialog(ui);
    EXPECT_EQ(dialog.Caption(), "Query1.TAsaParams Parameters");
    EXPECT_EQ(dialog.Owner(), host::Application);
    EXPECT_EQ(ListItems(ui), (std::vector<std::string>{"Customer", "Since"})) << "the aliases";
    EXPECT_EQ(dialog.lbParamNames->ItemIndex(), 0);
    EXPECT_EQ(dialog.edParamName->Text(), "Customer");
    EXPECT_EQ(dialog.cbDataType->Text(), "ntInteger");
    EXPECT_EQ(dialog.edParamValue->Text(), "42");
    EXPECT_TRUE(dialog.btnDelete->Enabled());
    EXPECT_EQ(dialog.ActiveControl(), dialog.lbParamNames);

    ui.ClickItem("lbParamNames", 1);
    EXPECT_EQ(dialog.edParamName->Text(), "Since");
    EXPECT_EQ(dialog.cbDataType->ItemIndex(), velar::ntDate);
    EXPECT_EQ(dialog.edParamValue->Text(), "2001-02-03");
    ui.Escape();
  });
  EXPECT_EQ(driver.Shown(), (std::vector<std::string>{"Query1.TAsaParams Parameters"}));
}

// The combo box lists every type by its ordinal, not the resource's eight.
TEST_F(ParamsEditor, TheTypeListHoldsTheTwelveTypesFromUnknownAndChoosingSetsTheOrdinal) {
  Add("p1", velar::ntString, "x");
  Edit([&](host::TFormScript& ui) {
    host::TStrings* types = Dialog(ui).cbDataType->Items();
    EXPECT_EQ(types->Text(),
              "ntUnknown\nntString\nntInteger\nntFloat\nntCurrency\nntDate\nntTime\nntDateTime\n"
              "ntBoolean\nntBinary\nntMemo\nntBlob");
    ui.Choose("cbDataType", "ntDate");
    ui.Click("btnOK");
  });
  EXPECT_EQ(Params().GetParam(0)->DataType(), 5);
  EXPECT_EQ(designer.ModifiedCount, 1);
}

TEST_F(ParamsEditor, AnEmptyCollectionSelectsNothingAndDisablesEditingUntilNew) {
  Edit([&](host::TFormScript& ui) {
    TVelarParamsDlg& dialog = Dialog(ui);
    EXPECT_EQ(dialog.lbParamNames->ItemIndex(), -1);
    EXPECT_EQ(dialog.cbDataType->ItemIndex(), -1);
    EXPECT_EQ(dialog.edParamName->Text(), "");
    for (host::TControl* control : {static_cast<host::TControl*>(dialog.edParamName),
                                    static_cast<host::TControl*>(dialog.cbDataType),
                                    static_cast<host::TControl*>(dialog.edParamValue),
                                    static_cast<host::TControl*>(dialog.btnDelete)})
      EXPECT_FALSE(control->Enabled()) << control->Name();
    EXPECT_FALSE(ui.Type("edParamName", "x")) << "a disabled edit takes no typing";
    EXPECT_FALSE(ui.Click("btnDelete"));

    ui.Click("btnNew");
    EXPECT_EQ(ListItems(ui), (std::vector<std::string>{"p1"}));
    EXPECT_EQ(dialog.lbParamNames->ItemIndex(), 0);
    EXPECT_EQ(dialog.edParamName->Text(), "p1");
    EXPECT_EQ(dialog.cbDataType->Text(), "ntUnknown");
    EXPECT_TRUE(dialog.edParamValue->Enabled());
    EXPECT_TRUE(dialog.btnDelete->Enabled());
    ui.Click("btnDelete");
    EXPECT_FALSE(dialog.btnDelete->Enabled()) << "the last one went";
    EXPECT_FALSE(dialog.edParamValue->Enabled());
    ui.Enter();
  });
  EXPECT_EQ(Params().Count(), 0);
}

TEST_F(ParamsEditor, TypingANameRenamesTheListEntryAtEveryKeystroke) {
  Add("p1", velar::ntString, "a");
  Add("p2", velar::ntString, "b");
  std::vector<std::string> entries;
  Edit([&](host::TFormScript& ui) {
    ui.ClickItem("lbParamNames", 1);
    ui.Focus("edParamName");
    for (char c : std::string("Key")) {
      ui.Type(std::string(1, c));
      entries.push_back(ListItems(ui)[1]);
    }
    EXPECT_EQ(ListItems(ui)[0], "p1");
    EXPECT_EQ(Dialog(ui).lbParamNames->ItemIndex(), 1) << "the renamed entry stays selected";
    ui.Enter();
  });
  EXPECT_EQ(entries, (std::vector<std::string>{"K", "Ke", "Key"}));
  EXPECT_EQ(Params().GetParam(1)->Alias, "Key");
  EXPECT_EQ(Params().GetParam(1)->Name, "p2") << "the name in the SQL text stays";
}

TEST_F(ParamsEditor, OkKeepsEveryKindOfChangeAndTellsTheDesigner) {
  Add("id", velar::ntInteger, "1");
  Add("gone", velar::ntString, "x");
  Add("when", velar::ntString, "");
  Edit([&](host::TFormScript& ui) {
    ui.Type("edParamName", "minid");  // focusing selects the old alias: typing replaces it
    ui.Type("edParamValue", "7");
    ui.ClickItem("lbParamNames", 1);  // leaving the value edit stores the value
    ui.Click("btnDelete");
    ui.ClickItem("lbParamNames", 1);
    ui.Choose("cbDataType", "ntDate");
    ui.Type("edParamValue", "2024-05-06");
    ui.Click("btnNew");
    ui.Choose("cbDataType", "ntBoolean");
    ui.Type("edParamValue", "true");
    ui.Enter();  // the default button; the value edit is left first
    EXPECT_TRUE(ui.Closed());
  });
  EXPECT_EQ(Describe(Params()),
            (std::vector<std::string>{"minid (id) ntInteger = 7", "when (when) ntDate = 2024-05-06",
                                      "p3 (p3) ntBoolean = True"}));
  EXPECT_EQ(designer.ModifiedCount, 1);
}

// Cancel, Escape and the window's frame all leave the collection as it was.
class ParamsEditorLeaving
    : public ParamsEditor,
      public ::testing::WithParamInterface<std::function<void(host::TFormScript&)>> {};

TEST_P(ParamsEditorLeaving, UndoesAdditionsDeletionsRenamesTypesAndValues) {
  Add("id", velar::ntInteger, "1");
  Add("name", velar::ntString, "Smith");
  Add("gone", velar::ntFloat, "2.5");
  Params().GetParam(1)->Clear();
  const std::vector<std::string> before = Describe(Params());
  TAsaParams copy(nullptr);
  copy.Assign(&Params());

  Edit([&](host::TFormScript& ui) {
    ui.Type("edParamName", "renamed");
    ui.Type("edParamValue", "99");
    ui.ClickItem("lbParamNames", 1);
    ui.Choose("cbDataType", "ntDateTime");
    ui.ClickItem("lbParamNames", 2);
    ui.Click("btnDelete");
    ui.Click("btnNew");
    ui.Click("btnNew");
    EXPECT_EQ(ListItems(ui), (std::vector<std::string>{"renamed", "name", "p3", "p4"}));
    EXPECT_EQ(Params().Count(), 4) << "the changes reach the collection at once";
    GetParam()(ui);
    EXPECT_TRUE(ui.Closed());
  });
  EXPECT_EQ(Describe(Params()), before);
  EXPECT_TRUE(Params().IsEqual(copy));
  EXPECT_EQ(designer.ModifiedCount, 0);
}

INSTANTIATE_TEST_SUITE_P(ByEveryWay, ParamsEditorLeaving,
                         ::testing::Values([](host::TFormScript& ui) { ui.Click("btnCancel"); },
                                           [](host::TFormScript& ui) { ui.Escape(); },
                                           [](host::TFormScript& ui) { ui.CloseByFrame(); }));

// The name comes from the count: with p2 still there, New makes a second p2.
TEST_F(ParamsEditor, NewAfterDeletingTheFirstOfTwoMakesASecondP2) {
  Edit([&](host::TFormScript& ui) {
    ui.Click("btnNew");
    ui.Click("btnNew");
    ui.ClickItem("lbParamNames", 0);
    ui.Click("btnDelete");
    EXPECT_EQ(Dialog(ui).edParamName->Text(), "p2") << "the first remaining one is shown";
    ui.Click("btnNew");
    EXPECT_EQ(ListItems(ui), (std::vector<std::string>{"p2", "p2"}));
    EXPECT_EQ(Dialog(ui).lbParamNames->ItemIndex(), 1) << "the new one is selected";
    ui.Click("btnOK");
  });
  ASSERT_EQ(Params().Count(), 2);
  EXPECT_EQ(Params().GetParam(1)->Name, "p2");
  EXPECT_EQ(Params().GetParam(1)->Alias, "p2");
}

TEST_F(ParamsEditor, NewStopsAt255Parameters) {
  for (int i = 0; i < TVelarParamsDlg::kMaxParams - 1; ++i)
    Params().CreateParam("x");
  Edit([&](host::TFormScript& ui) {
    ui.Click("btnNew");
    EXPECT_EQ(Params().Count(), 255);
    EXPECT_EQ(Dialog(ui).edParamName->Text(), "p255");
    ui.Click("btnNew");
    EXPECT_EQ(Params().Count(), 255) << "a 256th is refused without a word";
    EXPECT_EQ(Dialog(ui).lbParamNames->ItemIndex(), 254);
    ui.Click("btnOK");
  });
  EXPECT_TRUE(messages.empty());
}

// A value that does not convert fails the move that left the edit; the
// dialog stays open with the focus in the edit, and can still be cancelled.
TEST_F(ParamsEditor, AValueThatDoesNotConvertFailsLeavingTheEditAndCancelStillUndoes) {
  Add("qty", velar::ntInteger, "3");
  Edit([&](host::TFormScript& ui) {
    TVelarParamsDlg& dialog = Dialog(ui);
    ui.Type("edParamValue", "three");
    EXPECT_THROW(ui.Enter(), host::EConvertError);
    EXPECT_FALSE(ui.Closed());
    EXPECT_EQ(dialog.ActiveControl(), dialog.edParamValue);
    EXPECT_THROW(ui.Click("btnNew"), host::EConvertError);
    EXPECT_EQ(Params().Count(), 1) << "the click that failed did not add";
    ui.Escape();
  });
  EXPECT_EQ(Describe(Params()), (std::vector<std::string>{"qty (qty) ntInteger = 3"}));

  // A date type takes text that is no date as 0, without an error.
  Params().GetParam(0)->SetDataType(velar::ntDate);
  Edit([&](host::TFormScript& ui) {
    ui.Type("edParamValue", "someday");
    ui.Enter();
  });
  EXPECT_EQ(Params().GetParam(0)->Value().AsInteger(), 0);
}

// Passing through the value edit stores nothing: a null integer stays null
// (its empty text is no integer), and a new parameter keeps its type.
TEST_F(ParamsEditor, PassingThroughTheValueEditChangesNothing) {
  Add("id", velar::ntInteger, "")->Clear();
  Edit([&](host::TFormScript& ui) {
    ui.Focus("edParamValue");
    ui.Tab();
    ui.Click("btnNew");
    ui.Focus("edParamValue");
    ui.Enter();
  });
  EXPECT_EQ(Describe(Params()),
            (std::vector<std::string>{"id (id) ntInteger null", "p2 (p2) ntUnknown = 0"}));
}

// A new type clears the value; the edit shows the cleared value, not the
// text the parameter no longer holds.
TEST_F(ParamsEditor, ChangingTheTypeShowsTheClearedValue) {
  Add("n", velar::ntString, "5");
  Edit([&](host::TFormScript& ui) {
    ui.Choose("cbDataType", "ntInteger");
    EXPECT_EQ(Dialog(ui).edParamValue->Text(), "0");
    ui.Type("edParamValue", "12");
    ui.Click("btnOK");
  });
  EXPECT_EQ(Describe(Params()), (std::vector<std::string>{"n (n) ntInteger = 12"}));
}

// A showing that fails before the dialog closes leaves no half-made edit
// behind, and no dialog.
TEST_F(ParamsEditor, AShowingThatFailsLeavesTheCollectionAsItWas) {
  Add("id", velar::ntInteger, "1");
  driver.Expect([&](host::TFormScript& ui) {
    ui.Click("btnNew");
    ui.Type("edParamName", "half");
    // The script ends with the dialog open: the driver raises.
  });
  EXPECT_THROW(Editor()->Edit(), host::EInvalidOperation);
  EXPECT_EQ(Describe(Params()), (std::vector<std::string>{"id (id) ntInteger = 1"}));
  EXPECT_EQ(designer.ModifiedCount, 0);

  host::TFormDriverScope none(nullptr);
  EXPECT_THROW(Editor()->Edit(), host::EInvalidOperation);
  EXPECT_EQ(Params().Count(), 1);
}

}  // namespace
}  // namespace design_test
