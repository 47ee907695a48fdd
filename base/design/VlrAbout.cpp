// The About box.
#include "base/design/VlrAbout.h"

#include "base/VlrMessages.h"
#include "host/controls_std.h"
#include "host/graphics.h"
#include "host/os.h"
#include "host/sysutils.h"
#include "host/typinfo.h"

namespace velar {

namespace {

const host::TClassInfo& aboutBoxClass = host::RegisterClass<TVelarAboutBox>();

}  // namespace

TVelarAboutBox::TVelarAboutBox(host::TComponent* AOwner) : host::TForm(AOwner) {
  InitForm(kVlrAboutResource);
  host::LoadBitmapResource(*imgLogo->Picture()->Bitmap(), kVelarLogoResource);
}

void TVelarAboutBox::BindFields() {
  BindField(imgLogo, "imgLogo");
  BindField(lblProduct, "lblProduct");
  BindField(lblDescription, "lblDescription");
  BindField(lblMail, "lblMail");
  BindField(lblWeb, "lblWeb");
  BindField(btnClose, "btnClose");
}

TVelarAboutBox::~TVelarAboutBox() = default;

const host::TMethodTable& TVelarAboutBox::Methods() {
  static const host::TMethodTable table(
      host::TForm::Methods(), {
                                  host::Method("FormShow", &TVelarAboutBox::FormShow),
                                  host::Method("lblMailClick", &TVelarAboutBox::lblMailClick),
                                  host::Method("lblWebClick", &TVelarAboutBox::lblWebClick),
                              });
  return table;
}

// "VelarDB 1.83 for Sybase SQL Anywhere": the product name ends the format
// text, the library's name and version fill it.
void TVelarAboutBox::FormShow(host::TObject* /*Sender*/) {
  lblProduct->SetCaption(
      host::Format("%s %s for " + dbProductName_, szVelarLibraryName, szVelarDBVersion));
}

void TVelarAboutBox::lblMailClick(host::TObject* /*Sender*/) {
  host::ShellOpen(host::Format("mailto:%s", lblMail->Caption()));
}

void TVelarAboutBox::lblWebClick(host::TObject* /*Sender*/) {
  host::ShellOpen(lblWeb->Caption());
}

}  // namespace velar
