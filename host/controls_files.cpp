// Directory list, file list and drive combo box.
#include "host/controls_files.h"

#include <fnmatch.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "host/exceptions.h"
#include "host/os.h"
#include "host/sysutils.h"
#include "host/typinfo.h"

namespace host {

namespace fs = std::filesystem;

namespace {

// An absolute, normalised directory name without a trailing "/".
std::string NormalDirectory(const std::string& Value) {
  fs::path path(Value);
  if (path.is_relative()) path = fs::path(GetCurrentDir()) / path;
  std::string text = path.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/')
    text.pop_back();
  return text;
}

bool IsDirectory(const std::string& Path) {
  std::error_code error;
  return fs::is_directory(Path, error);
}

// The names of the entries of Directory that are (or are not) directories,
// sorted as the user reads them; unreadable entries are left out.
std::vector<std::string> ListEntries(const std::string& Directory, bool Directories) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(Directory, error), end; !error && it != end; it.increment(error)) {
    std::error_code statError;
    const bool isDirectory = it->is_directory(statError);
    if (statError || isDirectory != Directories) continue;
    if (!Directories && !it->is_regular_file(statError)) continue;
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end(), [](const std::string& A, const std::string& B) {
    int order = AnsiCompareText(A, B);
    return order != 0 ? order < 0 : A < B;
  });
  return names;
}

}  // namespace

// ------------------------------------------------------- TDirectoryListBox

// Starts in the process's current directory (the root when it is unknown).
TDirectoryListBox::TDirectoryListBox(TComponent* AOwner) : TListBox(AOwner) {
  std::string current = GetCurrentDir();
  directory_ = current.empty() ? "/" : NormalDirectory(current);
  Fill();
}

TDirectoryListBox::~TDirectoryListBox() = default;

const TPropertyTable& TDirectoryListBox::Properties() {
  static const TPropertyTable table(
      TListBox::Properties(),
      {
          ComponentProp("FileList", &TDirectoryListBox::FileList, &TDirectoryListBox::SetFileList),
          EventProp("OnChange", &TDirectoryListBox::OnChange),
      });
  return table;
}

// Opening an item is what a double click means in a directory list.
void TDirectoryListBox::DblClick() {
  if (ItemIndex() >= 0) SetDirectory(ItemPath(ItemIndex()));
  TListBox::DblClick();
}

bool TDirectoryListBox::KeyDown(TKey Key, TShiftState Shift) {
  if (Key == VK_RIGHT) {
    DblClick();
    return true;
  }
  if (Key == VK_LEFT || Key == VK_BACK) {
    if (directory_ != "/") SetDirectory(fs::path(directory_).parent_path().string());
    return true;
  }
  return TListBox::KeyDown(Key, Shift);
}

void TDirectoryListBox::Notification(TComponent* AComponent, TOperation Operation) {
  TListBox::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fileList_) fileList_ = nullptr;
}

void TDirectoryListBox::Change() {
  if (fileList_ != nullptr) fileList_->SetDirectory(directory_);
  if (OnChange) OnChange(this);
}

// Setting the directory, even the one shown, runs OnChange, so that whoever
// shows the directory elsewhere always learns it.
void TDirectoryListBox::SetDirectory(const std::string& Value) {
  std::string directory = NormalDirectory(Value);
  if (!IsDirectory(directory)) throw EOSError("The directory \"" + Value + "\" does not exist.");
  directory_ = std::move(directory);
  Fill();
  Change();
}

void TDirectoryListBox::SetDrive(char Value) {
  if (Value != '/') throw EOSError(std::string("There is no drive ") + Value + ".");
}

void TDirectoryListBox::Update() {
  Fill();
}

const std::string& TDirectoryListBox::ItemPath(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(paths_.size())) RaiseListIndexError(Index);
  return paths_[static_cast<std::size_t>(Index)];
}

void TDirectoryListBox::SetFileList(TFileListBox* Value) {
  if (fileList_ != nullptr) fileList_->RemoveFreeNotification(this);
  fileList_ = Value;
  if (fileList_ != nullptr) {
    fileList_->FreeNotification(this);
    fileList_->SetDirectory(directory_);
  }
}

// The ancestors as a path from the root, then the subdirectories one step in;
// the directory itself is selected.
void TDirectoryListBox::Fill() {
  paths_.clear();
  std::vector<std::string> lines;
  paths_.push_back("/");
  lines.push_back("/");
  std::string path;
  int depth = 0;
  for (const fs::path& part : fs::path(directory_).relative_path()) {
    path += "/" + part.string();
    ++depth;
    paths_.push_back(path);
    lines.push_back(std::string(static_cast<std::size_t>(depth), ' ') + part.string());
  }
  const int current = static_cast<int>(paths_.size()) - 1;
  const std::string prefix = directory_ == "/" ? "" : directory_;
  for (const std::string& name : ListEntries(directory_, true)) {
    paths_.push_back(prefix + "/" + name);
    lines.push_back(std::string(static_cast<std::size_t>(depth + 1), ' ') + name);
  }
  TStrings* items = Items();
  items->BeginUpdate();
  items->Clear();
  for (const std::string& line : lines)
    items->Add(line);
  items->EndUpdate();
  SetItemIndex(current);
}

// ------------------------------------------------------------ TFileListBox

TFileListBox::TFileListBox(TComponent* AOwner) : TListBox(AOwner) {
  std::string current = GetCurrentDir();
  directory_ = current.empty() ? "/" : NormalDirectory(current);
  Update();
}

TFileListBox::~TFileListBox() = default;

const TPropertyTable& TFileListBox::Properties() {
  static const TPropertyTable table(
      TListBox::Properties(),
      {
          StringProp("Mask", &TFileListBox::Mask, &TFileListBox::SetMask, "*.*"),
      });
  return table;
}

void TFileListBox::SetDirectory(const std::string& Value) {
  directory_ = NormalDirectory(Value);
  Update();
}

void TFileListBox::SetMask(const std::string& Value) {
  mask_ = Value;
  Update();
}

std::string TFileListBox::FileName() const {
  if (ItemIndex() < 0) return std::string();
  return (directory_ == "/" ? "" : directory_) + "/" + Items()->Strings(ItemIndex());
}

void TFileListBox::Update() {
  TStrings* items = Items();
  items->BeginUpdate();
  items->Clear();
  for (const std::string& name : ListEntries(directory_, false))
    if (MatchesMask(name, mask_)) items->Add(name);
  items->EndUpdate();
}

// "*.*" is written for "every file", including names without a dot. An
// empty mask lets every file through.
bool MatchesMask(const std::string& FileName, const std::string& Mask) {
  bool anyPattern = false;
  std::size_t start = 0;
  while (start <= Mask.size()) {
    std::size_t end = Mask.find(';', start);
    if (end == std::string::npos) end = Mask.size();
    std::string pattern = Trim(std::string_view(Mask).substr(start, end - start));
    start = end + 1;
    if (pattern.empty()) continue;
    anyPattern = true;
    if (pattern == "*" || pattern == "*.*") return true;
    if (::fnmatch(pattern.c_str(), FileName.c_str(), FNM_CASEFOLD) == 0) return true;
  }
  return !anyPattern;
}

// ---------------------------------------------------------- TDriveComboBox

TDriveComboBox::TDriveComboBox(TComponent* AOwner) : TComboBox(AOwner) {
  SetStyle(csDropDownList);
  Items()->Add("/");
  SetItemIndex(0);
}

TDriveComboBox::~TDriveComboBox() = default;

char TDriveComboBox::Drive() const {
  return ItemIndex() >= 0 ? Items()->Strings(ItemIndex())[0] : '/';
}

void TDriveComboBox::SetDrive(char Value) {
  for (int i = 0; i < Items()->Count(); ++i) {
    if (Items()->Strings(i)[0] != Value) continue;
    if (i != ItemIndex()) SelectItem(i);
    return;
  }
  throw EOSError(std::string("There is no drive ") + Value + ".");
}

}  // namespace host
