// Unit VlrProps: the design-time editors of the base library. Property
// editors for the session's library file, library directory and database
// file, the folder chooser they use, and the About component editors.
#pragma once

#include <string>

#include "base/design/VlrPathDialog.h"
#include "host/design.h"

namespace velar {

// LibraryPath: the folder chooser, preset with the current value.
class TVelarPathProperty : public host::TStringProperty {
 public:
  using host::TStringProperty::TStringProperty;
  void Edit() override;
  host::TPropertyAttributes GetAttributes() override;
};

// LoginDatabase: a file-open dialog for databases; the full file name.
class TVelarDBFileProperty : public host::TStringProperty {
 public:
  using host::TStringProperty::TStringProperty;
  void Edit() override;
  host::TPropertyAttributes GetAttributes() override;
};

// LibraryFile: a file-open dialog for libraries; the file name alone, which
// the session finds along LibraryPath or the library search.
class TVelarLibFileProperty : public host::TStringProperty {
 public:
  using host::TStringProperty::TStringProperty;
  void Edit() override;
  host::TPropertyAttributes GetAttributes() override;
};

// The file filters of the two file editors.
inline constexpr char kVelarDBFileFilter[] = "Databases (*.db)|*.db|All Files (*.*)|*.*";
inline constexpr char kVelarLibFileFilter[] = "Library Files (*.so)|*.so|All Files (*.*)|*.*";

// One verb, "Abo&ut VelarDB 1.83", which shows the About box. The driver's
// editors name their database product.
class TVelarAboutComponentEditor : public host::TComponentEditor {
 public:
  using host::TComponentEditor::TComponentEditor;
  // Shows the About box without a product name.
  void Edit() override;
  // Verb 0 runs Edit.
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;

 protected:
  // Shows the About box for Product, modally, and frees it.
  static void ShowAboutBox(const std::string& Product);
};

class TVelarAsaAboutComponentEditor : public TVelarAboutComponentEditor {
 public:
  using TVelarAboutComponentEditor::TVelarAboutComponentEditor;
  void Edit() override;
};

class TVelarOciAboutComponentEditor : public TVelarAboutComponentEditor {
 public:
  using TVelarAboutComponentEditor::TVelarAboutComponentEditor;
  void Edit() override;
};

}  // namespace velar
