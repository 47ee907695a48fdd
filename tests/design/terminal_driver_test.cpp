// The terminal form driver on a pseudo-terminal of the test's own: the keys
// reach the form as a user's keys do, and the screen shows the form.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/controls_std.h"
#include "host/dialogs.h"
#include "host/terminal.h"
#include "tests/design/terminal_screen.h"
#include "tests/support/velar_test.h"

namespace {

using velar::testing::MessageOf;

// A pseudo-terminal whose slave side the driver uses; a thread keeps reading
// the master side into a screen, and remembers every screen it saw.
class TerminalDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    winsize size{};
    size.ws_col = 80;
    size.ws_row = 24;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, &size), 0);
    in = ::fdopen(::dup(slave), "r");
    out = ::fdopen(::dup(slave), "w");
    reader = std::thread([this] { Read(); });
  }
  void TearDown() override {
    driver.reset();
    if (in != nullptr) std::fclose(in);
    if (out != nullptr) std::fclose(out);
    if (slave >= 0) ::close(slave);
    stop = true;
    if (master >= 0) ::close(master);
    if (reader.joinable()) reader.join();
  }

  // Takes the terminal over; keys are sent after this, once the terminal
  // reads them one by one.
  void StartDriver() { driver = std::make_unique<host::TTerminalDriver>(out, in, "vt100"); }
  void Send(const std::string& Keys) {
    ASSERT_EQ(::write(master, Keys.data(), Keys.size()), static_cast<ssize_t>(Keys.size()));
  }
  // Whether any screen seen so far showed Text.
  bool Showed(const std::string& Text) {
    std::lock_guard<std::mutex> lock(mutex);
    for (const std::string& seen : screens)
      if (seen.find(Text) != std::string::npos) return true;
    return false;
  }
  std::string AllScreens() {
    std::lock_guard<std::mutex> lock(mutex);
    std::string all;
    for (const std::string& seen : screens)
      all += seen + "=====\n";
    return all;
  }
  std::string LastScreen() {
    std::lock_guard<std::mutex> lock(mutex);
    return screens.empty() ? std::string() : screens.back();
  }
  // Wait until the screen shows Text, or no longer shows it; false after
  // ten seconds.
  bool WaitShowing(const std::string& Text) { return WaitScreen(Text, true); }
  bool WaitGone(const std::string& Text) { return WaitScreen(Text, false); }
  // Lets the reader catch up with what the driver wrote.
  void Drain() { std::this_thread::sleep_for(std::chrono::milliseconds(200)); }

  // A small dialog: a name and a note, OK (default) and Cancel.
  std::unique_ptr<host::TForm> NewDialog() {
    auto form = host::NewDialogForm("Connect", 40, 8);
    auto* label = host::PlaceControl<host::TLabel>(*form, "lblUser", 1, 1, 6);
    label->SetCaption("&User:");
    user = host::PlaceControl<host::TEdit>(*form, "edUser", 8, 1, 20);
    label->SetFocusControl(user);
    note = host::PlaceControl<host::TEdit>(*form, "edNote", 8, 3, 20);
    host::PlaceButton(*form, "btnOK", "OK", 4, 6, host::mrOk)->SetDefault(true);
    host::PlaceButton(*form, "btnCancel", "Cancel", 20, 6, host::mrCancel)->SetCancel(true);
    return form;
  }

  int master = -1;
  int slave = -1;
  std::FILE* in = nullptr;
  std::FILE* out = nullptr;
  std::unique_ptr<host::TTerminalDriver> driver;
  host::TEdit* user = nullptr;
  host::TEdit* note = nullptr;

 private:
  bool WaitScreen(const std::string& Text, bool Shown) {
    for (int waited = 0; waited < 10000; waited += 10) {
      if ((LastScreen().find(Text) != std::string::npos) == Shown) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  void Read() {
    terminal_test::TVtScreen screen(80, 24);
    char buffer[4096];
    while (!stop) {
      ssize_t got = ::read(master, buffer, sizeof buffer);
      if (got <= 0) break;
      screen.Feed(std::string_view(buffer, static_cast<std::size_t>(got)));
      std::lock_guard<std::mutex> lock(mutex);
      screens.push_back(screen.Text());
    }
  }

  std::thread reader;
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::vector<std::string> screens;
};

TEST_F(TerminalDriverTest, TypingTabAndEnterFillTheFieldsAndClickTheDefaultButton) {
  auto form = NewDialog();
  StartDriver();
  host::TFormDriverScope scope(driver.get());
  Send("dba\tlocal\x08\x08l\r");
  EXPECT_EQ(form->ShowModal(), host::mrOk);
  EXPECT_EQ(user->Text(), "dba");
  EXPECT_EQ(note->Text(), "locl");
  Drain();
  const std::string screen = LastScreen();
  EXPECT_NE(screen.find("Connect"), std::string::npos) << screen;
  EXPECT_NE(screen.find("User:  dba"), std::string::npos) << screen;
  EXPECT_NE(screen.find("[ OK ]"), std::string::npos) << screen;
}

TEST_F(TerminalDriverTest, EscapeClicksCancelAndAltWithALetterFollowsTheCaption) {
  auto form = NewDialog();
  form->SetActiveControl(note);
  StartDriver();
  host::TFormDriverScope scope(driver.get());
  // Escape and a letter at once is Alt with the letter: the label moves the
  // focus to its edit. Escape alone then cancels.
  Send("x\x1bux");
  Send("\x1b");
  EXPECT_EQ(form->ShowModal(), host::mrCancel);
  EXPECT_EQ(note->Text(), "x");
  EXPECT_EQ(user->Text(), "x");
}

// OK sets the result before its handler runs; the handler's failure is
// shown and the form stays open instead of closing as if it had worked.
TEST_F(TerminalDriverTest, AHandlersErrorIsShownAndTheFormStaysOpen) {
  auto form = NewDialog();
  auto* ok = dynamic_cast<host::TButton*>(form->FindComponent("btnOK"));
  ok->OnClick = [&](host::TObject*) {
    if (user->Text().empty()) throw host::EConvertError("The user name is required.");
  };
  StartDriver();
  host::TFormDriverScope scope(driver.get());
  // The keys follow what the screen shows, as a user's would.
  bool errorShown = false;
  std::thread typist([&] {
    Send("\r");  // OK with no name
    errorShown = WaitShowing("The user name is required.");
    Send("\r");  // the error's OK
    if (WaitGone("The user name is required."))
      Send(
          "\x1b"
          "udba\r");  // Alt+U back to the name, then OK
  });
  const host::TModalResult result = form->ShowModal();
  typist.join();
  EXPECT_EQ(result, host::mrOk);
  EXPECT_TRUE(errorShown) << AllScreens();
  EXPECT_TRUE(Showed("Error"));
  EXPECT_EQ(user->Text(), "dba");
}

TEST_F(TerminalDriverTest, TheEndOfInputEndsTheFormWithAnError) {
  auto form = NewDialog();
  StartDriver();
  host::TFormDriverScope scope(driver.get());
  Send("ab");
  ::close(master);
  master = -1;
  EXPECT_EQ(MessageOf<host::ETerminalInputEnded>([&] { form->ShowModal(); }),
            "The terminal input ended.");
  EXPECT_FALSE(form->Modal());
}

TEST_F(TerminalDriverTest, ControlAndFunctionKeysReachTheFormFirst) {
  auto form = NewDialog();
  std::vector<std::string> keys;
  form->SetKeyPreview(true);
  form->OnKeyDown = [&](host::TObject*, host::TKey& Key, host::TShiftState Shift) {
    if (Shift.Contains(host::ssCtrl)) keys.push_back(std::string("Ctrl+") + static_cast<char>(Key));
    if (Key >= host::VK_F1 && Key < host::VK_F1 + 12)
      keys.push_back("F" + std::to_string(Key - host::VK_F1 + 1));
    if (Key == 'Q' && Shift.Contains(host::ssCtrl)) form->Close();
  };
  StartDriver();
  host::TFormDriverScope scope(driver.get());
  Send("\x13");
  Send(terminal_test::keys::kF2);
  Send("\x11");
  EXPECT_EQ(form->ShowModal(), host::mrCancel);
  EXPECT_EQ(keys, (std::vector<std::string>{"Ctrl+S", "F2", "Ctrl+Q"}));
}

}  // namespace
