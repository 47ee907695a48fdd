// The terminal form driver: shows modal forms on a text terminal through
// ncurses and reads the user's keys and mouse clicks.
//
// Tab and Shift+Tab move the focus, Enter clicks the default button (or the
// focused one), Escape the cancel button; Alt+letter (Escape, then the
// letter) acts on the caption that marks the letter. Control+letter and the
// function keys reach the form (OnKeyDown with KeyPreview). An exception
// from a handler is shown in a message form and the form stays open.
//
// The driver takes the terminal over while it exists; tests give it a
// pseudo-terminal of their own.
#pragma once

#include <cstdio>
#include <vector>

#include "host/controls_canvas.h"
#include "host/exceptions.h"
#include "host/forms.h"

struct screen;

namespace host {

// The terminal's input ended while a form was showing.
HOST_DECLARE_EXCEPTION(ETerminalInputEnded, EInvalidOperation);

class TTerminalDriver : public TFormDriver {
 public:
  // The program's own terminal (standard output and input, type $TERM).
  TTerminalDriver();
  // The terminal on Out and In, of type TermType ($TERM when nullptr).
  // Raises EOSError when the terminal cannot be used.
  TTerminalDriver(std::FILE* Out, std::FILE* In, const char* TermType = nullptr);
  ~TTerminalDriver() override;

  // Raises ETerminalInputEnded when the terminal's input ends.
  void RunModal(TCustomForm& Form) override;
  TSize ScreenCells() const override;

 private:
  void Paint();
  // Reads one key or click and hands it to Form.
  void Deliver(TCustomForm& Form);
  void ShowError(const char* Message);

  ::screen* screen_ = nullptr;
  std::vector<TCustomForm*> forms_;  // shown, the top one last
  TCellCanvas canvas_;
};

}  // namespace host
