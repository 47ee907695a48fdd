// Forms laid out in code.
#include "host/controls_std.h"
#include "host/dialogs.h"

namespace host {

std::unique_ptr<TForm> NewDialogForm(const std::string& Caption, int Cols, int Rows) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetCaption(Caption);
  form->SetBorderStyle(bsDialog);
  form->SetPosition(poScreenCenter);
  form->SetClientWidth(Cols * kCellWidth);
  form->SetClientHeight(Rows * kCellHeight);
  return form;
}

TButton* PlaceButton(TForm& Form, const std::string& Name, const std::string& Caption, int Col,
                     int Row, TModalResult Result) {
  auto* button = PlaceControl<TButton>(Form, Name, Col, Row, 12);
  button->SetCaption(Caption);
  button->SetModalResult(Result);
  return button;
}

}  // namespace host
