// Forms built in code for the form and control tests, and a fixture that
// installs the scripted driver for every test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/controls_lists.h"
#include "host/controls_std.h"
#include "host/forms.h"
#include "host/forms_script.h"

namespace forms_test {

// Places a named control on Parent (inside Form), at a place in pixels.
template <class T>
T* Add(host::TForm& Form, host::TWinControl* Parent, const char* Name, int Left, int Top, int Width,
       int Height) {
  auto* control = new T(&Form);
  control->SetName(Name);
  control->SetParent(Parent);
  control->SetBounds(Left, Top, Width, Height);
  return control;
}

// A dialog shaped like a small editor: a group box with a list, an edit and
// a combo box, then OK (default) and Cancel outside. Every event it fires is
// written to Events, as "Name.Event".
class TEditorForm : public host::TForm {
 public:
  TEditorForm() : host::TForm(nullptr) {
    SetName("EditorForm");
    SetCaption("Editor");
    SetClientWidth(300);
    SetClientHeight(180);
    Group = Add<host::TGroupBox>(*this, this, "Group", 6, 6, 288, 120);
    Group->SetCaption("Items");
    List = Add<host::TListBox>(*this, Group, "List", 12, 12, 96, 96);
    NameEdit = Add<host::TEdit>(*this, Group, "NameEdit", 120, 12, 150, 12);
    Kind = Add<host::TComboBox>(*this, Group, "Kind", 120, 36, 150, 12);
    Kind->SetStyle(host::csDropDownList);
    Ok = Add<host::TButton>(*this, this, "OK", 108, 144, 72, 24);
    Ok->SetCaption("OK");
    Ok->SetDefault(true);
    Ok->SetModalResult(host::mrOk);
    Cancel = Add<host::TButton>(*this, this, "Cancel", 192, 144, 72, 24);
    Cancel->SetCaption("Cancel");
    Cancel->SetCancel(true);
    Cancel->SetModalResult(host::mrCancel);
    for (const char* item : {"alpha", "beta", "gamma"})
      List->Items()->Add(item);
    for (const char* item : {"ntString", "ntInteger", "ntDate"})
      Kind->Items()->Add(item);
    Record(List, "List");
    Record(NameEdit, "NameEdit");
    Record(Kind, "Kind");
    Record(Ok, "OK");
    Record(Cancel, "Cancel");
    List->OnClick = [this](host::TObject*) { Events.push_back("List.Click"); };
    NameEdit->OnChange = [this](host::TObject*) {
      Events.push_back("NameEdit.Change=" + NameEdit->Text());
    };
    Kind->OnChange = [this](host::TObject*) { Events.push_back("Kind.Change=" + Kind->Text()); };
    Ok->OnClick = [this](host::TObject*) { Events.push_back("OK.Click"); };
    Cancel->OnClick = [this](host::TObject*) { Events.push_back("Cancel.Click"); };
    OnClose = [this](host::TObject*, host::TCloseAction&) {
      Events.push_back("Form.Close=" + std::to_string(ModalResult()));
    };
  }

  std::vector<std::string> Events;
  host::TGroupBox* Group;
  host::TListBox* List;
  host::TEdit* NameEdit;
  host::TComboBox* Kind;
  host::TButton* Ok;
  host::TButton* Cancel;

 private:
  void Record(host::TWinControl* Control, const std::string& Label) {
    Control->OnEnter = [this, Label](host::TObject*) { Events.push_back(Label + ".Enter"); };
    Control->OnExit = [this, Label](host::TObject*) { Events.push_back(Label + ".Exit"); };
  }
};

// Every test runs with a scripted driver installed, and fails when it
// leaves scripts unplayed.
class FormsTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(driver.Pending(), 0) << "a script was not played"; }

  host::TScriptedDriver driver;
  host::TFormDriverScope scope{&driver};
};

}  // namespace forms_test
