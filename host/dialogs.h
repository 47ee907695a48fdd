// Common dialogs: choosing a file to open, showing a message, asking for a
// line of text. All of them are forms shown through the form driver, so
// that a terminal shows them and tests script them like any other form.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/application.h"
#include "host/component.h"
#include "host/controls_types.h"
#include "host/forms.h"

namespace host {

class TButton;
class TPropertyTable;
class TStrings;

enum TOpenOption : std::uint8_t {
  ofHideReadOnly,
  ofNoChangeDir,    // the current directory is the same afterwards
  ofPathMustExist,  // a file in a directory that does not exist is refused
  ofFileMustExist,  // a file that does not exist is refused
  ofShareAware,     // no effect here: files are not locked against sharing
};
using TOpenOptions = TEnumSet<TOpenOption>;

// Asks the user for a file to open. The list shows the files of the chosen
// directory that fit the chosen filter; typing a directory's name goes
// there, typing a pattern filters by it.
class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;

  // Published: FileName, Filter, FilterIndex (default 1), InitialDir, Title.
  static const TPropertyTable& Properties();

  // Shows the dialog; true and FileName set to the full path of the chosen
  // file when the user confirms. The dialog starts in InitialDir, else in
  // FileName's directory, else in the current directory.
  bool Execute();

  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& Value) { fileName_ = Value; }
  // Pairs of description and patterns: "Databases (*.db)|*.db|All Files (*.*)|*.*".
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& Value) { filter_ = Value; }
  // The pair chosen, from 1.
  int FilterIndex() const { return filterIndex_; }
  void SetFilterIndex(int Value) { filterIndex_ = Value; }
  const std::string& InitialDir() const { return initialDir_; }
  void SetInitialDir(const std::string& Value) { initialDir_ = Value; }
  // The caption; "Open" when empty.
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& Value) { title_ = Value; }
  TOpenOptions Options() const { return options_; }
  void SetOptions(TOpenOptions Value) { options_ = Value; }

 private:
  std::string fileName_;
  std::string filter_;
  int filterIndex_ = 1;
  std::string initialDir_;
  std::string title_;
  TOpenOptions options_{ofHideReadOnly};
};

// Shows Text (lines split at "\n") under Caption with the buttons the
// message-box flags ask for (MB_OK, MB_OKCANCEL, MB_YESNO, 3 for Yes, No and
// Cancel); answers the button's IDOK, IDCANCEL, IDYES or IDNO. Closing the
// form by its frame answers IDCANCEL.
int ShowMessageForm(const std::string& Text, const std::string& Caption, int Flags);
// Makes ShowMessageForm the application's message box, for programs that
// run a form driver.
void UseFormMessageBox();

// Asks for a line of text, with Value as the starting text; true and Value
// changed when the user confirms.
bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value);

// Edits lines of text: the list shows them, the edit below holds the line
// to add or to put in place of the selected one. True and Lines replaced
// when the user confirms.
bool EditStringList(const std::string& Caption, TStrings* Lines);

// ---- Forms laid out in code, by cells, for dialogs whose size follows what
// they show. -------------------------------------------------------------

// A dialog form of Cols x Rows cells of client area, centred on the screen.
std::unique_ptr<TForm> NewDialogForm(const std::string& Caption, int Cols, int Rows);

// A control of class T on Form, named (so that scripts find it) and placed
// by cells.
template <class T>
T* PlaceControl(TForm& Form, const std::string& Name, int Col, int Row, int Cols, int Rows = 1) {
  auto* control = new T(&Form);
  control->SetName(Name);
  control->SetBounds(Col * kCellWidth, Row * kCellHeight, Cols * kCellWidth, Rows * kCellHeight);
  return control;
}

// A button of the usual width (12 cells) closing the form with Result.
TButton* PlaceButton(TForm& Form, const std::string& Name, const std::string& Caption, int Col,
                     int Row, TModalResult Result = mrNone);

}  // namespace host
