// vlrdesign: edits form files in a terminal.
//
//   vlrdesign [FILE.vfm]
//
// Opens FILE when it exists; otherwise starts a new data module that F2
// saves as FILE (or under a name asked for).
#include <cstdio>
#include <exception>
#include <string>

#include "host/design.h"
#include "host/dialogs.h"
#include "host/sysutils.h"
#include "host/terminal.h"
#include "tools/vlrdesign/designer_form.h"

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && std::string(argv[1]).rfind("-", 0) == 0)) {
    std::fprintf(stderr, "usage: vlrdesign [FILE.vfm]\n");
    return 2;
  }
  const std::string fileName = argc == 2 ? argv[1] : "";
  try {
    host::InstallDesignUnits();
    host::TTerminalDriver driver;
    host::TFormDriverScope scope(&driver);
    host::UseFormMessageBox();
    const host::TSize screen = driver.ScreenCells();
    vlrdesign::TDesignerForm designer(screen.Width, screen.Height);
    if (!fileName.empty()) {
      if (host::FileExists(fileName))
        designer.OpenFile(fileName);
      else
        designer.NewModule(fileName);
    }
    designer.ShowModal();
  } catch (const host::ETerminalInputEnded&) {
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vlrdesign: %s\n", e.what());
    return 1;
  }
  return 0;
}
