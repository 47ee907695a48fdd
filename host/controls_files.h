// Controls over the file system: the directory list, the file list and the
// drive combo box. Paths use "/"; the file system has one drive, the root
// "/", which is what the drive combo box offers.
#pragma once

#include <string>
#include <vector>

#include "host/controls_lists.h"

namespace host {

class TFileListBox;

// The current directory's ancestors from the root down, then its
// subdirectories, indented like a tree. Choosing an item with Space, Right
// or a double click makes it the directory; Left and Backspace go up. Every
// change of Directory runs OnChange. The process's current directory is
// never changed.
class TDirectoryListBox : public TListBox {
 public:
  explicit TDirectoryListBox(TComponent* AOwner);
  ~TDirectoryListBox() override;

  // Published: OnChange, FileList.
  static const TPropertyTable& Properties();

  void DblClick() override;
  bool KeyDown(TKey Key, TShiftState Shift) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Virtual order, after those of TListBox: Change.
  virtual void Change();

  // An absolute directory without a trailing "/" (the root is "/"). A
  // relative one is taken from the process's current directory; one that
  // does not exist raises EOSError and changes nothing.
  const std::string& Directory() const { return directory_; }
  void SetDirectory(const std::string& Value);
  // The directory's drive; the only drive here is "/".
  char Drive() const { return '/'; }
  // Any other drive raises EOSError; the root drive shows the root.
  void SetDrive(char Value);
  // Reads the directory again.
  void Update();
  // The full path of the item at Index.
  const std::string& ItemPath(int Index) const;

  TFileListBox* FileList() const { return fileList_; }
  void SetFileList(TFileListBox* Value);

  TNotifyEvent OnChange;

 private:
  void Fill();

  std::string directory_;
  std::vector<std::string> paths_;  // the full path of every item
  TFileListBox* fileList_ = nullptr;
};

// The files of a directory whose names fit the mask, sorted by name.
class TFileListBox : public TListBox {
 public:
  explicit TFileListBox(TComponent* AOwner);
  ~TFileListBox() override;

  // Published: Mask (default "*.*").
  static const TPropertyTable& Properties();

  const std::string& Directory() const { return directory_; }
  void SetDirectory(const std::string& Value);
  // Patterns separated by ";"; "*" and "*.*" fit every file, matching
  // ignores case.
  const std::string& Mask() const { return mask_; }
  void SetMask(const std::string& Value);
  // The selected file's full path, or empty.
  std::string FileName() const;
  void Update();

 private:
  std::string directory_;
  std::string mask_ = "*.*";
};

// Whether a file name fits a ";"-separated list of patterns.
bool MatchesMask(const std::string& FileName, const std::string& Mask);

// Chooses the drive; here the list holds the root drive "/".
class TDriveComboBox : public TComboBox {
 public:
  explicit TDriveComboBox(TComponent* AOwner);
  ~TDriveComboBox() override;

  char Drive() const;
  // A drive not in the list raises EOSError and changes nothing; a change
  // runs OnChange.
  void SetDrive(char Value);
};

}  // namespace host
