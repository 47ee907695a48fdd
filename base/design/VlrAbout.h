// Unit VlrAbout: the About box of the library, shown by the About verb of the
// components' context menu in the designer.
#pragma once

#include <string>

#include "host/forms.h"

namespace host {
class TButton;
class TImage;
class TLabel;
class TMethodTable;
}  // namespace host

namespace velar {

// The form resource, compiled in from VlrAbout.vfm.
extern const char kVlrAboutResource[];

// The name of the logo's bitmap resource (VlrAboutLogo.cpp).
inline constexpr char kVelarLogoResource[] = "VELARLOGO";

// "About VelarDB": the logo, the product line naming the database product the
// box is shown for, the support addresses as links (opened with the
// desktop's mail program and browser), and Close.
class TVelarAboutBox : public host::TForm {
 public:
  explicit TVelarAboutBox(host::TComponent* AOwner);
  ~TVelarAboutBox() override;

  static const host::TMethodTable& Methods();

  // The database product the box is shown for, set before showing it.
  const std::string& DBProductName() const { return dbProductName_; }
  void SetDBProductName(const std::string& Value) { dbProductName_ = Value; }

  // Handlers named in the resource.
  void FormShow(host::TObject* Sender);
  void lblMailClick(host::TObject* Sender);
  void lblWebClick(host::TObject* Sender);

  // The logo, from its bitmap resource, stretched over the control.
  host::TImage* imgLogo = nullptr;
  host::TLabel* lblProduct = nullptr;
  host::TLabel* lblDescription = nullptr;
  host::TLabel* lblMail = nullptr;
  host::TLabel* lblWeb = nullptr;
  host::TButton* btnClose = nullptr;

 protected:
  void BindFields() override;

 private:
  std::string dbProductName_;
};

}  // namespace velar
