// String lists: an abstract list of lines, each with an optional object
// pointer (not owned), and the concrete TStringList with sorting, duplicate
// control and change notification.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/component.h"

namespace host {

class TStream;

class TStrings : public TPersistent {
 public:
  TStrings() = default;
  TStrings(const TStrings&) = delete;
  TStrings& operator=(const TStrings&) = delete;
  ~TStrings() override;

  // Virtual order (a contract for subclasses): Get, GetCount, GetObject, Put,
  // PutObject, Insert, Delete, Clear, Add, AddObject, IndexOf, CompareStrings,
  // SetUpdateState, GetTextStr, SetTextStr; after those of TPersistent.
  virtual const std::string& Get(int Index) const = 0;
  virtual int GetCount() const = 0;
  virtual TObject* GetObject(int Index) const;
  virtual void Put(int Index, const std::string& S);
  virtual void PutObject(int Index, TObject* AObject);
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;
  virtual int Add(const std::string& S);
  virtual int AddObject(const std::string& S, TObject* AObject);
  virtual int IndexOf(std::string_view S) const;
  virtual int CompareStrings(std::string_view S1, std::string_view S2) const;
  virtual void SetUpdateState(bool Updating);
  virtual std::string GetTextStr() const;
  virtual void SetTextStr(std::string_view Value);

  void Assign(TPersistent* Source) override;

  int Count() const { return GetCount(); }
  const std::string& Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const std::string& S) { Put(Index, S); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }

  void InsertObject(int Index, const std::string& S, TObject* AObject);
  void AddStrings(TStrings* Strings);
  int IndexOfObject(const TObject* AObject) const;
  bool Equals(TStrings* Strings) const;

  // The lines joined with "\n". Setting splits on "\r\n", "\n" and "\r"; a
  // line break at the very end does not start another line.
  std::string Text() const { return GetTextStr(); }
  void SetText(std::string_view Value) { SetTextStr(Value); }

  // The lines separated by commas; a line that is empty or holds a blank, a
  // comma, a double quote or a control character is written in double quotes
  // with its quotes doubled.
  std::string CommaText() const;
  void SetCommaText(std::string_view Value);

  // Lines of the form name=value.
  std::string Names(int Index) const;
  std::string ValueFromIndex(int Index) const;
  std::string Values(std::string_view Name) const;
  // An empty value removes the line.
  void SetValues(std::string_view Name, const std::string& Value);
  int IndexOfName(std::string_view Name) const;

  // Changes between the first BeginUpdate and the last EndUpdate are reported
  // as one change.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // Reads from the stream's position to its end and replaces the lines.
  void LoadFromStream(TStream* Stream);
  // Writes every line followed by "\n", so that loading gives the lines back.
  void SaveToStream(TStream* Stream) const;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;

 protected:
  [[noreturn]] static void IndexError(int Index);

 private:
  int updateCount_ = 0;
};

enum TDuplicates : std::uint8_t { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
 public:
  TStringList() = default;
  ~TStringList() override;

  const std::string& Get(int Index) const override;
  int GetCount() const override { return static_cast<int>(items_.size()); }
  TObject* GetObject(int Index) const override;
  void Put(int Index, const std::string& S) override;
  void PutObject(int Index, TObject* AObject) override;
  void Insert(int Index, const std::string& S) override;
  void Delete(int Index) override;
  void Clear() override;
  int Add(const std::string& S) override;
  int AddObject(const std::string& S, TObject* AObject) override;
  int IndexOf(std::string_view S) const override;
  int CompareStrings(std::string_view S1, std::string_view S2) const override;
  void SetUpdateState(bool Updating) override;
  void SetTextStr(std::string_view Value) override;

  // Binary search of a sorted list: true and the first match's index when S is
  // there, otherwise false and the index where S would be inserted.
  bool Find(std::string_view S, int& Index) const;
  void Sort();
  void Exchange(int Index1, int Index2);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates Value) { duplicates_ = Value; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool Value);

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  // Virtual order: Changing, Changed.
  virtual void Changing();
  virtual void Changed();

 private:
  struct Item {
    std::string Text;
    TObject* Object = nullptr;
  };
  void InsertItem(int Index, const std::string& S, TObject* AObject);
  void CheckIndex(int Index) const;

  std::vector<Item> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  TDuplicates duplicates_ = dupIgnore;
  bool changingSent_ = false;   // OnChanging already fired in this update
  bool changePending_ = false;  // something changed in this update
};

}  // namespace host
