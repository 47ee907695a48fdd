// The About component editors.
#include <memory>

#include "base/VlrMessages.h"
#include "base/design/VlrAbout.h"
#include "base/design/VlrProps.h"
#include "host/application.h"
#include "host/os.h"

namespace velar {

// The base editor names no product. It shows the box itself rather than
// leave Edit to the framework, whose Edit runs verb 0, which runs Edit.
void TVelarAboutComponentEditor::Edit() {
  ShowAboutBox(std::string());
}

void TVelarAboutComponentEditor::ExecuteVerb(int Index) {
  if (Index == 0) Edit();
}

std::string TVelarAboutComponentEditor::GetVerb(int Index) {
  if (Index != 0) return std::string();
  return std::string("Abo&ut ") + szVelarLibraryName + " " + szVelarDBVersion;
}

int TVelarAboutComponentEditor::GetVerbCount() {
  return 1;
}

void TVelarAboutComponentEditor::ShowAboutBox(const std::string& Product) {
  auto box = std::make_unique<TVelarAboutBox>(host::Application);
  box->SetDBProductName(Product);
  box->ShowModal();
}

void TVelarAsaAboutComponentEditor::Edit() {
  ShowAboutBox("Sybase SQL Anywhere");
}

void TVelarOciAboutComponentEditor::Edit() {
  ShowAboutBox("Oracle");
}

}  // namespace velar
