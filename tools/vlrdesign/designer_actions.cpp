// What the designer does: files, components, property and component editors.
#include <algorithm>
#include <fstream>
#include <sstream>

#include "host/application.h"
#include "host/controls_lists.h"
#include "host/dialogs.h"
#include "host/exceptions.h"
#include "host/formfile.h"
#include "host/os.h"
#include "host/sysutils.h"
#include "host/typinfo.h"
#include "tools/vlrdesign/designer_form.h"

namespace vlrdesign {

namespace {

constexpr char kFormFileFilter[] = "Form files (*.vfm)|*.vfm|All Files (*.*)|*.*";

std::string ReadText(const std::string& FileName) {
  std::ifstream file(FileName, std::ios::binary);
  if (!file) throw host::EFOpenError("Cannot open file \"" + FileName + "\".");
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

// ---------------------------------------------------------------- the file

void TDesignerForm::NewModule(const std::string& FileName) {
  auto root = std::make_unique<host::TDataModule>(nullptr);
  root->SetName("DataModule1");
  root->SetDesigning(true);
  SetRoot(std::move(root), FileName);
}

// The root is made and marked as designed before the file is read into it,
// so that its components are read in design state.
void TDesignerForm::OpenFile(const std::string& FileName) {
  const std::string text = ReadText(FileName);
  const std::string className = host::ResourceRootClass(text);
  if (className.empty())
    throw host::EReadError("\"" + FileName +
                           "\" does not begin as a form file does (object Name: TClass).");
  const host::TClassInfo& info = host::GetClass(className);
  std::unique_ptr<host::TComponent> root(info.Create(nullptr));
  root->SetDesigning(true);
  host::ReadComponentText(root.get(), text);
  SetRoot(std::move(root), FileName);
}

void TDesignerForm::SetRoot(std::unique_ptr<host::TComponent> Root, const std::string& FileName) {
  editors_.clear();
  selected_ = nullptr;
  root_ = std::move(Root);
  fileName_ = FileName;
  modified_ = false;
  Select(root_.get());
}

bool TDesignerForm::Save() {
  if (root_ == nullptr) return false;
  std::string fileName = fileName_;
  if (fileName.empty()) {
    if (!host::InputQuery("Save As", "File name:", fileName) || host::Trim(fileName).empty())
      return false;
    fileName = host::Trim(fileName);
  }
  host::SaveComponentToFile(root_.get(), fileName);
  fileName_ = fileName;
  modified_ = false;
  UpdateCaption();
  return true;
}

bool TDesignerForm::CanDiscard() {
  if (!modified_) return true;
  switch (host::Application->MessageBox("Save changes to " + root_->Name() + "?", "vlrdesign",
                                        3 | host::MB_ICONQUESTION)) {
    case host::IDYES:
      return Save();
    case host::IDNO:
      return true;
    default:
      return false;
  }
}

void TDesignerForm::OpenWithDialog() {
  if (!CanDiscard()) return;
  host::TOpenDialog dialog(nullptr);
  dialog.SetFilter(kFormFileFilter);
  dialog.SetFileName(fileName_);
  dialog.SetOptions(
      host::TOpenOptions{host::ofNoChangeDir, host::ofPathMustExist, host::ofFileMustExist});
  if (dialog.Execute()) OpenFile(dialog.FileName());
}

// ----------------------------------------------------------- components

std::string TDesignerForm::UniqueName(const std::string& ClassName) const {
  std::string base = ClassName.size() > 1 && ClassName[0] == 'T' ? ClassName.substr(1) : ClassName;
  for (int number = 1;; ++number) {
    std::string name = base + host::IntToStr(number);
    if (root_->FindComponent(name) == nullptr && !host::SameText(root_->Name(), name)) return name;
  }
}

// A component the class cannot name is freed again, so that no unnamed
// component is left that the form file would not keep.
host::TComponent* TDesignerForm::AddComponent(const host::TClassInfo& Class) {
  std::unique_ptr<host::TComponent> component(Class.Create(root_.get()));
  component->SetName(UniqueName(Class.ClassName()));
  host::TComponent* added = component.release();
  Modified();
  Select(added);
  SetActiveControl(lbInspector);
  return added;
}

void TDesignerForm::DeleteComponent(host::TComponent* Component) {
  if (Component == nullptr || Component == root_.get()) return;
  editors_.clear();
  if (selected_ == Component) selected_ = root_.get();
  delete Component;
  Modified();
  Refresh();
}

void TDesignerForm::Select(host::TComponent* Component) {
  if (Component != selected_) lbInspector->SetItemIndex(0);
  selected_ = Component;
  Refresh();
}

void TDesignerForm::ShowContextMenu() {
  if (selected_ == nullptr) return;
  auto editor = host::GetComponentEditor(selected_, this);
  std::vector<std::string> verbs;
  for (int i = 0; i < editor->GetVerbCount(); ++i)
    verbs.push_back(host::StripAccel(editor->GetVerb(i)));
  if (verbs.empty()) return;
  std::string chosen;
  if (!PickValue(selected_->Name(), verbs, verbs.front(), chosen)) return;
  auto found = std::find(verbs.begin(), verbs.end(), chosen);
  editor->ExecuteVerb(static_cast<int>(found - verbs.begin()));
  Refresh();
}

// A dialog, a list of values or a line of text, as the editor offers. The
// lists are rebuilt once the editor is done, never while it runs.
void TDesignerForm::EditProperty(int Row) {
  if (Row < 0 || Row >= static_cast<int>(editors_.size())) return;
  host::TPropertyEditor& editor = *editors_[static_cast<std::size_t>(Row)];
  const host::TPropertyAttributes attributes = editor.GetAttributes();
  const std::string name = editor.GetName();
  struct TRefreshAfter {
    TDesignerForm& Form;
    ~TRefreshAfter() { Form.Refresh(); }
  } refresh{*this};
  if (attributes.Contains(host::paDialog)) {
    editor.Edit();
  } else if (attributes.Contains(host::paValueList)) {
    std::vector<std::string> values = editor.ValueList();
    if (attributes.Contains(host::paSortList))
      std::sort(values.begin(), values.end(), [](const std::string& A, const std::string& B) {
        return host::AnsiCompareText(A, B) < 0;
      });
    // A reference or an event can also be cleared.
    const host::TPropKind kind = editor.GetPropInfo().Kind();
    if (kind == host::pkComponent || kind == host::pkEvent)
      values.insert(values.begin(), std::string());
    std::string chosen;
    if (PickValue(name, values, editor.GetValue(), chosen)) editor.SetValue(chosen);
  } else if (!attributes.Contains(host::paReadOnly)) {
    std::string value = editor.GetValue();
    if (host::InputQuery(name, name + ":", value)) editor.SetValue(value);
  }
}

}  // namespace vlrdesign
