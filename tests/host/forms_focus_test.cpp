// Showing forms modally: the focus order, the keys a form handles itself,
// how a form closes and what may keep it open.
#include <string>
#include <vector>

#include "tests/host/forms_fixture.h"
#include "tests/support/velar_test.h"

namespace forms_test {
namespace {

using Events = std::vector<std::string>;
using velar::testing::MessageOf;

std::string Focused(const host::TCustomForm& Form) {
  return Form.ActiveControl() != nullptr ? Form.ActiveControl()->Name() : "(none)";
}

class FormFocus : public FormsTest {};

TEST_F(FormFocus, TabVisitsTheGroupBoxControlsInOrderThenTheButtonsAndWraps) {
  TEditorForm form;
  std::vector<std::string> forward;
  std::vector<std::string> backward;
  driver.Expect([&](host::TFormScript& ui) {
    for (int i = 0; i < 6; ++i) {
      forward.push_back(Focused(form));
      ui.Tab();
    }
    for (int i = 0; i < 3; ++i) {
      ui.Key(host::VK_TAB, host::TShiftState{host::ssShift});
      backward.push_back(Focused(form));
    }
    ui.CloseByFrame();
  });
  form.ShowModal();
  EXPECT_EQ(forward, (Events{"List", "NameEdit", "Kind", "OK", "Cancel", "List"}));
  EXPECT_EQ(backward, (Events{"List", "Cancel", "OK"}));
}

TEST_F(FormFocus, TabOrderDecidesThePlaceAndSkipsWhatTheUserCannotReach) {
  TEditorForm form;
  form.Kind->SetTabOrder(0);
  form.List->SetTabOrder(1);
  form.NameEdit->SetTabOrder(2);
  form.Ok->SetEnabled(false);
  std::vector<std::string> visited;
  driver.Expect([&](host::TFormScript& ui) {
    for (int i = 0; i < 4; ++i) {
      visited.push_back(Focused(form));
      ui.Tab();
    }
    form.Group->SetEnabled(false);
    ui.Tab();
    visited.push_back(Focused(form));
    ui.Escape();
  });
  form.ShowModal();
  EXPECT_EQ(visited, (Events{"Kind", "List", "NameEdit", "Cancel", "Cancel"}));
}

TEST_F(FormFocus, EnterMovesTheFocusToTheDefaultButtonBeforeClickingIt) {
  TEditorForm form;
  driver.Expect([&](host::TFormScript& ui) {
    ui.Focus("NameEdit");
    form.Events.clear();
    ui.Enter();
  });
  EXPECT_EQ(form.ShowModal(), host::mrOk);
  EXPECT_EQ(form.Events, (Events{"NameEdit.Exit", "OK.Enter", "OK.Click", "Form.Close=1"}));
}

TEST_F(FormFocus, EnterOnAFocusedButtonClicksThatButton) {
  TEditorForm form;
  driver.Expect([&](host::TFormScript& ui) {
    ui.Focus("Cancel");
    ui.Enter();
  });
  EXPECT_EQ(form.ShowModal(), host::mrCancel);
}

TEST_F(FormFocus, EscapeClicksCancelWithoutTakingTheFocus) {
  TEditorForm form;
  driver.Expect([&](host::TFormScript& ui) {
    ui.Focus("NameEdit");
    form.Events.clear();
    ui.Escape();
  });
  EXPECT_EQ(form.ShowModal(), host::mrCancel);
  EXPECT_EQ(form.Events, (Events{"Cancel.Click", "Form.Close=2"}));
  EXPECT_EQ(Focused(form), "NameEdit");
}

TEST_F(FormFocus, ClosingByTheFrameEndsWithCancelAndRunsOnClose) {
  TEditorForm form;
  driver.Expect([](host::TFormScript& ui) { ui.CloseByFrame(); });
  EXPECT_EQ(form.ShowModal(), host::mrCancel);
  EXPECT_EQ(form.Events.back(), "Form.Close=2");
}

TEST_F(FormFocus, EscapeWithoutACancelButtonLeavesTheFormOpen) {
  TEditorForm form;
  form.Cancel->SetCancel(false);
  bool stillOpen = false;
  driver.Expect([&](host::TFormScript& ui) {
    ui.Escape();
    stillOpen = !ui.Closed();
    ui.Click("OK");
  });
  EXPECT_EQ(form.ShowModal(), host::mrOk);
  EXPECT_TRUE(stillOpen);
}

TEST_F(FormFocus, CloseQueryAndCloseActionCanKeepTheFormOpen) {
  TEditorForm form;
  int asked = 0;
  form.OnCloseQuery = [&](host::TObject*, bool& CanClose) { CanClose = ++asked > 1; };
  bool openAfterRefusal = false;
  driver.Expect([&](host::TFormScript& ui) {
    ui.Click("OK");
    openAfterRefusal = !ui.Closed() && form.ModalResult() == host::mrNone;
    ui.Click("OK");
  });
  EXPECT_EQ(form.ShowModal(), host::mrOk);
  EXPECT_TRUE(openAfterRefusal);
  EXPECT_EQ(asked, 2);

  form.OnCloseQuery = nullptr;
  form.OnClose = [](host::TObject*, host::TCloseAction& Action) { Action = host::caNone; };
  driver.Expect([&](host::TFormScript& ui) {
    ui.Click("Cancel");
    EXPECT_FALSE(ui.Closed());
    form.OnClose = nullptr;
    ui.Click("Cancel");
  });
  EXPECT_EQ(form.ShowModal(), host::mrCancel);
}

// A value checked when its edit loses the focus keeps the focus there, and
// the button the user went for is not clicked.
TEST_F(FormFocus, AnExceptionInOnExitKeepsTheFocusAndCancelsTheClick) {
  TEditorForm form;
  form.NameEdit->OnExit = [&](host::TObject*) {
    if (form.NameEdit->Text() != "ok")
      throw host::EConvertError("'" + form.NameEdit->Text() + "' is not ok");
  };
  std::string error;
  driver.Expect([&](host::TFormScript& ui) {
    ui.Type("NameEdit", "bad");
    error = MessageOf<host::EConvertError>([&] { ui.Enter(); });
    EXPECT_EQ(Focused(form), "NameEdit");
    EXPECT_FALSE(ui.Closed());
    for (int i = 0; i < 3; ++i)
      ui.Key(host::VK_BACK);
    ui.Type("ok");
    ui.Enter();
  });
  EXPECT_EQ(form.ShowModal(), host::mrOk);
  EXPECT_EQ(error, "'bad' is not ok");
}

TEST_F(FormFocus, AltWithALetterActsOnTheCaptionThatMarksIt) {
  TEditorForm form;
  auto* label = Add<host::TLabel>(form, form.Group, "NameLabel", 120, 0, 40, 12);
  label->SetCaption("&Name:");
  label->SetFocusControl(form.NameEdit);
  form.Cancel->SetCaption("&Cancel");
  driver.Expect([&](host::TFormScript& ui) {
    ui.Key('N', host::TShiftState{host::ssAlt});
    EXPECT_EQ(Focused(form), "NameEdit");
    ui.Key('C', host::TShiftState{host::ssAlt});
  });
  EXPECT_EQ(form.ShowModal(), host::mrCancel);
}

TEST_F(FormFocus, ActiveControlChosenBeforeShowingGetsTheFirstFocus) {
  TEditorForm form;
  form.SetActiveControl(form.Kind);
  driver.Expect([&](host::TFormScript& ui) {
    EXPECT_EQ(Focused(form), "Kind");
    ui.Escape();
  });
  form.ShowModal();
  EXPECT_EQ(form.Events.front(), "Kind.Enter");
}

TEST_F(FormFocus, AFocusedControlThatGoesAwayLeavesNoFocusBehind) {
  TEditorForm form;
  driver.Expect([&](host::TFormScript& ui) {
    ui.Focus("Kind");
    delete form.Group;
    EXPECT_EQ(form.ActiveControl(), nullptr);
    EXPECT_EQ(form.FindComponent("NameEdit"), nullptr);
    ui.Tab();
    EXPECT_EQ(Focused(form), "OK");
    ui.Escape();
  });
  form.ShowModal();
}

class FormShowing : public ::testing::Test {};

TEST_F(FormShowing, RefusesWithoutADriverAScriptOrWhenAScriptLeavesItOpen) {
  TEditorForm form;
  host::TFormDriverScope none(nullptr);
  EXPECT_EQ(MessageOf<host::EInvalidOperation>([&] { form.ShowModal(); }),
            "There is no form driver to show \"Editor\" with.");

  host::TScriptedDriver driver;
  host::TFormDriverScope scope(&driver);
  EXPECT_EQ(MessageOf<host::EInvalidOperation>([&] { form.ShowModal(); }),
            "No script is waiting for the form \"Editor\".");
  driver.Expect([](host::TFormScript& ui) { ui.Tab(); });
  EXPECT_EQ(MessageOf<host::EInvalidOperation>([&] { form.ShowModal(); }),
            "The script left the form \"Editor\" open.");
  EXPECT_FALSE(form.Modal());

  driver.Expect([](host::TFormScript& ui) {
    ui.Escape();
    EXPECT_EQ(MessageOf<host::EInvalidOperation>([&] { ui.Tab(); }),
              "The form \"Editor\" is already closed.");
  });
  form.ShowModal();
  EXPECT_EQ(driver.Shown(), (std::vector<std::string>{"Editor", "Editor", "Editor"}));
}

TEST_F(FormShowing, ActionsOnControlsTheUserCannotReachDoNothing) {
  TEditorForm form;
  form.Ok->SetEnabled(false);
  form.NameEdit->SetVisible(false);
  host::TScriptedDriver driver;
  host::TFormDriverScope scope(&driver);
  driver.Expect([&](host::TFormScript& ui) {
    EXPECT_FALSE(ui.Click("OK"));
    EXPECT_FALSE(ui.Type("NameEdit", "x"));
    ui.Enter();  // the default button is disabled
    EXPECT_FALSE(ui.Closed());
    ui.Escape();
  });
  EXPECT_EQ(form.ShowModal(), host::mrCancel);
  EXPECT_EQ(form.NameEdit->Text(), "");
}

}  // namespace
}  // namespace forms_test
