// The folder chooser.
#include "base/design/VlrPathDialog.h"

#include "host/controls_files.h"
#include "host/controls_std.h"
#include "host/sysutils.h"
#include "host/typinfo.h"

namespace velar {

namespace {

const host::TClassInfo& pathDialogClass = host::RegisterClass<TVelarPathDialog>();

}  // namespace

TVelarPathDialog::TVelarPathDialog(host::TComponent* AOwner) : host::TForm(AOwner) {
  InitForm(kVlrPathDialogResource);
}

void TVelarPathDialog::BindFields() {
  BindField(lblLocation, "lblLocation");
  BindField(edPath, "edPath");
  BindField(lblPath, "lblPath");
  BindField(dlDirList, "dlDirList");
  BindField(lblDirList, "lblDirList");
  BindField(dcDrive, "dcDrive");
  BindField(lblDrive, "lblDrive");
  BindField(btnOK, "btnOK");
  BindField(btnCancel, "btnCancel");
}

TVelarPathDialog::~TVelarPathDialog() = default;

const host::TMethodTable& TVelarPathDialog::Methods() {
  using D = TVelarPathDialog;
  static const host::TMethodTable table(host::TForm::Methods(),
                                        {
                                            host::Method("dcDriveChange", &D::dcDriveChange),
                                            host::Method("dlDirListChange", &D::dlDirListChange),
                                            host::Method("edPathChange", &D::edPathChange),
                                        });
  return table;
}

// The drive is the first character of the path's directory part ("/" here);
// a path without one, a drive that does not exist or a directory that does
// not exist shows the root of the current drive. The list then reads the
// directory afresh.
void TVelarPathDialog::SetPath(const std::string& APath) {
  if (host::Trim(APath).empty()) return;
  try {
    const std::string directory = host::ExtractFilePath(APath);
    dcDrive->SetDrive(directory.empty() ? '\0' : directory[0]);
    dlDirList->SetDirectory(APath);
  } catch (const host::Exception&) {
    dlDirList->SetDirectory("/");
  }
  dlDirList->Update();
}

void TVelarPathDialog::dcDriveChange(host::TObject* /*Sender*/) {
  dlDirList->SetDrive(dcDrive->Drive());
}

void TVelarPathDialog::dlDirListChange(host::TObject* /*Sender*/) {
  edPath->SetText(dlDirList->Directory());
}

void TVelarPathDialog::edPathChange(host::TObject* /*Sender*/) {
  path_ = edPath->Text();
}

}  // namespace velar
