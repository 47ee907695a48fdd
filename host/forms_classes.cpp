// Registers the form and control classes, so that form files can create
// them by name.
#include "host/controls_files.h"
#include "host/controls_lists.h"
#include "host/controls_std.h"
#include "host/forms.h"
#include "host/typinfo.h"

namespace host {

namespace {

bool RegisterFormClasses() {
  RegisterClass<TForm>();
  RegisterClass<TDataModule>();
  RegisterClass<TLabel>();
  RegisterClass<TButton>();
  RegisterClass<TEdit>();
  RegisterClass<TGroupBox>();
  RegisterClass<TImage>();
  RegisterClass<TListBox>();
  RegisterClass<TComboBox>();
  RegisterClass<TDirectoryListBox>();
  RegisterClass<TFileListBox>();
  RegisterClass<TDriveComboBox>();
  return true;
}

const bool formClassesRegistered = RegisterFormClasses();

}  // namespace

}  // namespace host
