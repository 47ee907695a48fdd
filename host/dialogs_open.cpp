// The file-open dialog: the component and its form.
#include "host/application.h"
#include "host/dialogs_open.h"

#include <memory>

#include "host/controls_files.h"
#include "host/controls_lists.h"
#include "host/controls_std.h"
#include "host/os.h"
#include "host/sysutils.h"
#include "host/typinfo.h"

namespace host {

namespace {

const TClassInfo& openFormClass = RegisterClass<TOpenForm>();

// "Text|pattern|Text|pattern" as (description, patterns) pairs; a last
// description without patterns lists every file.
std::vector<std::pair<std::string, std::string>> ParseFilter(const std::string& Filter) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= Filter.size() && !Filter.empty()) {
    std::size_t end = Filter.find('|', start);
    if (end == std::string::npos) end = Filter.size();
    parts.push_back(Filter.substr(start, end - start));
    start = end + 1;
  }
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t i = 0; i < parts.size(); i += 2)
    pairs.emplace_back(parts[i], i + 1 < parts.size() ? parts[i + 1] : "*");
  if (pairs.empty()) pairs.emplace_back("All Files (*.*)", "*.*");
  return pairs;
}

bool HasWildcard(const std::string& Name) {
  return Name.find_first_of("*?") != std::string::npos;
}

}  // namespace

// ----------------------------------------------------------------- TOpenForm

TOpenForm::TOpenForm(TComponent* AOwner) : TForm(AOwner) {
  InitForm(kOpenFormResource);
}

void TOpenForm::BindFields() {
  BindField(edFileName, "edFileName");
  BindField(lbFiles, "lbFiles");
  BindField(dlDirectory, "dlDirectory");
  BindField(cbFileType, "cbFileType");
  BindField(btnOK, "btnOK");
}

TOpenForm::~TOpenForm() = default;

const TMethodTable& TOpenForm::Methods() {
  static const TMethodTable table(TForm::Methods(),
                                  {
                                      Method("FormCloseQuery", &TOpenForm::FormCloseQuery),
                                      Method("lbFilesClick", &TOpenForm::lbFilesClick),
                                      Method("lbFilesDblClick", &TOpenForm::lbFilesDblClick),
                                      Method("cbFileTypeChange", &TOpenForm::cbFileTypeChange),
                                  });
  return table;
}

// A directory that is gone falls back to the current one, then to the root.
void TOpenForm::Prepare(const TOpenDialog& Dialog) {
  SetCaption(Dialog.Title().empty() ? "Open" : Dialog.Title());
  options_ = Dialog.Options();
  masks_.clear();
  cbFileType->Items()->BeginUpdate();
  cbFileType->Items()->Clear();
  for (const auto& [description, patterns] : ParseFilter(Dialog.Filter())) {
    cbFileType->Items()->Add(description);
    masks_.push_back(patterns);
  }
  cbFileType->Items()->EndUpdate();
  const int index = std::clamp(Dialog.FilterIndex(), 1, static_cast<int>(masks_.size())) - 1;
  cbFileType->SetItemIndex(index);
  lbFiles->SetMask(masks_[static_cast<std::size_t>(index)]);

  std::string directory = Dialog.InitialDir();
  std::string name = Dialog.FileName();
  const std::string namePath = ExtractFilePath(name);
  if (!namePath.empty() && DirectoryExists(namePath)) {
    if (directory.empty()) directory = namePath;
    name = ExtractFileName(name);
  }
  for (const std::string& candidate : {directory, GetCurrentDir(), std::string("/")}) {
    if (candidate.empty() || !DirectoryExists(candidate)) continue;
    dlDirectory->SetDirectory(candidate);
    break;
  }
  edFileName->SetText(name);
  SetActiveControl(edFileName);
}

int TOpenForm::ChosenFilterIndex() const {
  return cbFileType->ItemIndex() + 1;
}

// OK closes only on a file name the options accept; anything else keeps the
// dialog open: a directory is entered, a pattern filters the list.
void TOpenForm::FormCloseQuery(TObject* /*Sender*/, bool& CanClose) {
  if (ModalResult() != mrOk) return;
  CanClose = AcceptFileName();
}

bool TOpenForm::AcceptFileName() {
  const std::string name = Trim(edFileName->Text());
  if (name.empty()) return false;
  const std::string& directory = dlDirectory->Directory();
  const std::string path = name[0] == '/' ? name : (directory == "/" ? "" : directory) + "/" + name;
  if (DirectoryExists(path)) {
    dlDirectory->SetDirectory(path);
    edFileName->SetText(std::string());
    return false;
  }
  if (HasWildcard(name)) {
    lbFiles->SetMask(name);
    return false;
  }
  if (options_.Contains(ofPathMustExist) && !DirectoryExists(ExtractFilePath(path))) {
    Application->MessageBox("The path " + ExtractFilePath(path) + " does not exist.", Caption(),
                            MB_OK | MB_ICONWARNING);
    return false;
  }
  if (options_.Contains(ofFileMustExist) && !FileExists(path)) {
    Application->MessageBox(path + "\nFile not found.\nCheck the file name and try again.",
                            Caption(), MB_OK | MB_ICONWARNING);
    return false;
  }
  chosenFile_ = path;
  return true;
}

void TOpenForm::lbFilesClick(TObject* /*Sender*/) {
  if (lbFiles->ItemIndex() >= 0)
    edFileName->SetText(lbFiles->Items()->Strings(lbFiles->ItemIndex()));
}

void TOpenForm::lbFilesDblClick(TObject* /*Sender*/) {
  ClickButton(btnOK);
}

void TOpenForm::cbFileTypeChange(TObject* /*Sender*/) {
  const int index = cbFileType->ItemIndex();
  if (index >= 0 && index < static_cast<int>(masks_.size()))
    lbFiles->SetMask(masks_[static_cast<std::size_t>(index)]);
}

// --------------------------------------------------------------- TOpenDialog

TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}

TOpenDialog::~TOpenDialog() = default;

const TPropertyTable& TOpenDialog::Properties() {
  using D = TOpenDialog;
  static const TPropertyTable table(
      TComponent::Properties(), {
                                    StringProp("FileName", &D::FileName, &D::SetFileName, ""),
                                    StringProp("Filter", &D::Filter, &D::SetFilter, ""),
                                    IntProp("FilterIndex", &D::FilterIndex, &D::SetFilterIndex, 1),
                                    StringProp("InitialDir", &D::InitialDir, &D::SetInitialDir, ""),
                                    StringProp("Title", &D::Title, &D::SetTitle, ""),
                                });
  return table;
}

// The form is this call's own and goes on every path; the current
// directory is put back for ofNoChangeDir even though the form never moves
// it, so that the promise holds whatever runs while it shows.
bool TOpenDialog::Execute() {
  const std::string startDir = GetCurrentDir();
  auto form = std::make_unique<TOpenForm>(nullptr);
  form->Prepare(*this);
  const bool chosen = form->ShowModal() == mrOk;
  if (chosen) {
    fileName_ = form->ChosenFile();
    filterIndex_ = form->ChosenFilterIndex();
  }
  if (options_.Contains(ofNoChangeDir) && !startDir.empty() && GetCurrentDir() != startDir)
    SetCurrentDir(startDir);
  return chosen;
}

}  // namespace host
