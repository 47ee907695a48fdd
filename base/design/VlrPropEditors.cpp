// The property editors of the session's file and directory properties. Each
// dialog belongs to the application while it shows and is freed on every
// path.
#include <memory>

#include "base/design/VlrProps.h"
#include "host/application.h"
#include "host/dialogs.h"
#include "host/os.h"
#include "host/sysutils.h"

namespace velar {

namespace {

// The file chosen in a file-open dialog for Value with Filter, or false.
bool ChooseFile(const std::string& Value, const char* Filter, std::string& FileName) {
  auto dialog = std::make_unique<host::TOpenDialog>(host::Application);
  dialog->SetFileName(Value);
  dialog->SetFilter(Filter);
  dialog->SetOptions(host::TOpenOptions{host::ofNoChangeDir, host::ofPathMustExist,
                                        host::ofFileMustExist, host::ofShareAware});
  if (!dialog->Execute()) return false;
  FileName = dialog->FileName();
  return true;
}

host::TPropertyAttributes DialogAttributes() {
  return host::TPropertyAttributes{host::paDialog, host::paRevertable};
}

}  // namespace

void TVelarPathProperty::Edit() {
  auto dialog = std::make_unique<TVelarPathDialog>(host::Application);
  dialog->SetPath(GetValue());
  if (dialog->ShowModal() == host::mrOk) SetValue(dialog->Path());
}

host::TPropertyAttributes TVelarPathProperty::GetAttributes() {
  return DialogAttributes();
}

void TVelarDBFileProperty::Edit() {
  std::string fileName;
  if (ChooseFile(GetValue(), kVelarDBFileFilter, fileName)) SetValue(fileName);
}

host::TPropertyAttributes TVelarDBFileProperty::GetAttributes() {
  return DialogAttributes();
}

void TVelarLibFileProperty::Edit() {
  std::string fileName;
  if (ChooseFile(GetValue(), kVelarLibFileFilter, fileName))
    SetValue(host::ExtractFileName(fileName));
}

host::TPropertyAttributes TVelarLibFileProperty::GetAttributes() {
  return DialogAttributes();
}

}  // namespace velar
