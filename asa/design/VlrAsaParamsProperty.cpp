// The editor of a dataset's parameters.
#include <memory>

#include "asa/dataset/VlrAsaParams.h"
#include "asa/design/VlrAsaEd.h"
#include "host/application.h"
#include "host/exceptions.h"

namespace velar {

// The dialog belongs to the application while it shows and is freed on
// every path, a failing ShowModal included.
void TVelarParamsProperty::Edit() {
  auto* params = dynamic_cast<TAsaParams*>(GetObjectValue());
  if (params == nullptr)
    throw host::EInvalidOperation("Property " + GetName() + " holds no parameters to edit.");
  auto dialog = std::make_unique<TVelarParamsDlg>(host::Application);
  dialog->SetCaption(params->GetNamePath() + " Parameters");
  dialog->SetAsaParams(params);
  if (dialog->ShowModal() == host::mrOk) Modified();
}

host::TPropertyAttributes TVelarParamsProperty::GetAttributes() {
  return host::TPropertyAttributes{host::paDialog};
}

}  // namespace velar
