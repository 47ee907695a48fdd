#include "host/strings.h"

#include <algorithm>
#include <exception>

#include "host/exceptions.h"
#include "host/stream.h"
#include "host/sysutils.h"

namespace host {

namespace {

// Compares two texts with their Windows-1252 letter case folded, by the
// folded bytes; the shorter wins a tie.
int CompareFolded(std::string_view S1, std::string_view S2) {
  std::size_t common = std::min(S1.size(), S2.size());
  for (std::size_t i = 0; i < common; ++i) {
    auto a = static_cast<unsigned char>(AnsiUpperChar(S1[i]));
    auto b = static_cast<unsigned char>(AnsiUpperChar(S2[i]));
    if (a != b) return a < b ? -1 : 1;
  }
  if (S1.size() == S2.size()) return 0;
  return S1.size() < S2.size() ? -1 : 1;
}

// Calls Emit for every line of Text. Lines end at "\r\n", "\n" or "\r"; the
// break after the last line is optional and does not make an empty line.
template <typename Emit>
void SplitLines(std::string_view Text, Emit&& emit) {
  std::size_t start = 0;
  while (start < Text.size()) {
    std::size_t end = Text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      emit(Text.substr(start));
      return;
    }
    emit(Text.substr(start, end - start));
    start = end + ((Text[end] == '\r' && end + 1 < Text.size() && Text[end + 1] == '\n') ? 2 : 1);
  }
}

// A line that CommaText must quote to read it back unchanged.
bool NeedsQuotes(std::string_view S) {
  if (S.empty()) return true;
  return std::any_of(S.begin(), S.end(), [](char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    return c <= ' ' || c == ',' || c == '"';
  });
}

// Blanks around comma-separated items: space and the control characters.
bool IsBlank(char ch) {
  unsigned char c = static_cast<unsigned char>(ch);
  return c != 0 && c <= ' ';
}

// Restores the update count however the bracketed work ends. The closing
// EndUpdate still reports the change when the work failed part way; should
// that report fail as well, the first failure is the one that propagates.
class UpdateScope {
 public:
  explicit UpdateScope(TStrings& Strings)
      : strings_(Strings), pendingExceptions_(std::uncaught_exceptions()) {
    strings_.BeginUpdate();
  }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;
  ~UpdateScope() noexcept(false) {
    if (std::uncaught_exceptions() == pendingExceptions_) {
      strings_.EndUpdate();
      return;
    }
    try {
      strings_.EndUpdate();
    } catch (...) {
    }
  }

 private:
  TStrings& strings_;
  int pendingExceptions_;
};

}  // namespace

// ---------------------------------------------------------------- TStrings

TStrings::~TStrings() = default;

// Lists that carry no objects answer none.
TObject* TStrings::GetObject(int /*Index*/) const {
  return nullptr;
}

// Replaces a line by deleting and inserting it, keeping its object. S may be
// the line being deleted (SetStrings(i, Strings(i))), so it is copied first.
void TStrings::Put(int Index, const std::string& S) {
  UpdateScope scope(*this);
  TObject* object = GetObject(Index);
  std::string line = S;
  Delete(Index);
  InsertObject(Index, line, object);
}

void TStrings::PutObject(int /*Index*/, TObject* /*AObject*/) {}

// Appends S and returns its index; sorted lists override this to insert in
// order.
int TStrings::Add(const std::string& S) {
  int index = GetCount();
  Insert(index, S);
  return index;
}

// Appends S with its object; the object is not owned by the list.
int TStrings::AddObject(const std::string& S, TObject* AObject) {
  int index = Add(S);
  PutObject(index, AObject);
  return index;
}

// A linear search with the list's own comparison.
int TStrings::IndexOf(std::string_view S) const {
  int count = GetCount();
  for (int i = 0; i < count; ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

// Lines compare without regard to letter case unless a list says otherwise.
int TStrings::CompareStrings(std::string_view S1, std::string_view S2) const {
  return CompareFolded(S1, S2);
}

// Lists that hold changes back override this; the base has nothing to defer.
void TStrings::SetUpdateState(bool /*Updating*/) {}

// The lines joined with "\n", built with one allocation.
std::string TStrings::GetTextStr() const {
  int count = GetCount();
  std::size_t length = 0;
  for (int i = 0; i < count; ++i)
    length += Get(i).size() + 1;
  std::string text;
  text.reserve(length);
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += '\n';
    text += Get(i);
  }
  return text;
}

// Replaces the lines with those of Value, as one change.
void TStrings::SetTextStr(std::string_view Value) {
  UpdateScope scope(*this);
  Clear();
  SplitLines(Value, [this](std::string_view line) { Add(std::string(line)); });
}

// Copies the lines and objects of another string list; any other source is
// left to the base, which refuses it.
void TStrings::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TStrings*>(Source);
  if (source == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  UpdateScope scope(*this);
  Clear();
  AddStrings(source);
}

// Inserts S with its object, reported as one change.
void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject) {
  UpdateScope scope(*this);
  Insert(Index, S);
  PutObject(Index, AObject);
}

// Appends every line of Strings with its object, reported as one change.
void TStrings::AddStrings(TStrings* Strings) {
  if (Strings == nullptr) return;
  UpdateScope scope(*this);
  int count = Strings->GetCount();
  for (int i = 0; i < count; ++i)
    AddObject(Strings->Get(i), Strings->GetObject(i));
}

// The first line carrying AObject, or -1.
int TStrings::IndexOfObject(const TObject* AObject) const {
  int count = GetCount();
  for (int i = 0; i < count; ++i)
    if (GetObject(i) == AObject) return i;
  return -1;
}

// Same lines in the same order, compared exactly.
bool TStrings::Equals(TStrings* Strings) const {
  if (Strings == nullptr || Strings->GetCount() != GetCount()) return false;
  for (int i = 0; i < GetCount(); ++i)
    if (Get(i) != Strings->Get(i)) return false;
  return true;
}

// The lines as one comma-separated text that SetCommaText reads back.
std::string TStrings::CommaText() const {
  std::string text;
  int count = GetCount();
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += ',';
    const std::string& line = Get(i);
    if (!NeedsQuotes(line)) {
      text += line;
      continue;
    }
    text += '"';
    for (char c : line) {
      if (c == '"') text += '"';
      text += c;
    }
    text += '"';
  }
  return text;
}

// Reads the form CommaText writes. Blanks around an item are dropped; a quoted
// item keeps them; a comma at the very end adds an empty last item.
void TStrings::SetCommaText(std::string_view Value) {
  UpdateScope scope(*this);
  Clear();
  std::size_t pos = 0;
  auto skipBlanks = [&] {
    while (pos < Value.size() && IsBlank(Value[pos]))
      ++pos;
  };
  skipBlanks();
  while (pos < Value.size()) {
    std::string item;
    if (Value[pos] == '"') {
      ++pos;
      while (pos < Value.size()) {
        if (Value[pos] == '"') {
          if (pos + 1 < Value.size() && Value[pos + 1] == '"') {
            item += '"';
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        item += Value[pos++];
      }
    }
    std::size_t tailStart = pos;
    while (pos < Value.size() && Value[pos] != ',')
      ++pos;
    std::string_view tail = Value.substr(tailStart, pos - tailStart);
    while (!tail.empty() && IsBlank(tail.back()))
      tail.remove_suffix(1);
    item.append(tail);
    Add(item);
    if (pos < Value.size()) {
      ++pos;  // the comma
      skipBlanks();
      if (pos == Value.size()) Add(std::string());
    }
  }
}

// The name part of a name=value line; empty when the line has no "=".
std::string TStrings::Names(int Index) const {
  const std::string& line = Get(Index);
  std::size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

// The value part of a name=value line; empty when the line has no "=".
std::string TStrings::ValueFromIndex(int Index) const {
  const std::string& line = Get(Index);
  std::size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

// The value of the first line named Name, or empty.
std::string TStrings::Values(std::string_view Name) const {
  int index = IndexOfName(Name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

// Sets the value of the line named Name, adding the line when missing; an
// empty value removes it, as an absent entry and an empty one read alike.
void TStrings::SetValues(std::string_view Name, const std::string& Value) {
  int index = IndexOfName(Name);
  if (Value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  std::string line;
  line.reserve(Name.size() + 1 + Value.size());
  line.append(Name).append("=").append(Value);
  if (index < 0)
    Add(line);
  else
    Put(index, line);
}

// The first name=value line whose name matches, by the list's comparison.
int TStrings::IndexOfName(std::string_view Name) const {
  int count = GetCount();
  for (int i = 0; i < count; ++i) {
    std::string_view line = Get(i);
    std::size_t eq = line.find('=');
    if (eq != std::string_view::npos && CompareStrings(line.substr(0, eq), Name) == 0) return i;
  }
  return -1;
}

// Opens a batch of changes; nested batches count.
void TStrings::BeginUpdate() {
  if (updateCount_++ == 0) SetUpdateState(true);
}

// An EndUpdate without its BeginUpdate is ignored rather than unbalancing the
// count, which would hold every later change back for good.
void TStrings::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) SetUpdateState(false);
}

// Replaces the lines with the text from the stream's position to its end.
void TStrings::LoadFromStream(TStream* Stream) {
  std::int64_t remaining = Stream->Size() - Stream->Position();
  std::string text(static_cast<std::size_t>(std::max<std::int64_t>(remaining, 0)), '\0');
  if (!text.empty()) Stream->ReadBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  SetTextStr(text);
}

// Writes each line with a terminating "\n", so that a trailing empty line
// survives loading.
void TStrings::SaveToStream(TStream* Stream) const {
  std::string text;
  int count = GetCount();
  for (int i = 0; i < count; ++i)
    text.append(Get(i)).append("\n");
  if (!text.empty()) Stream->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

// Loads the lines from a text file.
void TStrings::LoadFromFile(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

// Writes the lines to a text file, replacing it.
void TStrings::SaveToFile(const std::string& FileName) const {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

// The framework's error for every index outside the list.
void TStrings::IndexError(int Index) {
  RaiseListIndexError(Index);
}

// ------------------------------------------------------------- TStringList

TStringList::~TStringList() = default;

// The line at Index, checked.
const std::string& TStringList::Get(int Index) const {
  CheckIndex(Index);
  return items_[static_cast<std::size_t>(Index)].Text;
}

// The object of the line at Index, checked.
TObject* TStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return items_[static_cast<std::size_t>(Index)].Object;
}

// A sorted list keeps its order by refusing writes at a given index.
void TStringList::Put(int Index, const std::string& S) {
  if (sorted_) throw EListError("Operation not allowed on sorted list");
  CheckIndex(Index);
  Changing();
  items_[static_cast<std::size_t>(Index)].Text = S;
  Changed();
}

// Replaces the object of a line; the list does not own it.
void TStringList::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index);
  Changing();
  items_[static_cast<std::size_t>(Index)].Object = AObject;
  Changed();
}

// Inserts at Index (Count appends); a sorted list chooses places itself.
void TStringList::Insert(int Index, const std::string& S) {
  if (sorted_) throw EListError("Operation not allowed on sorted list");
  if (Index < 0 || Index > GetCount()) IndexError(Index);
  InsertItem(Index, S, nullptr);
}

// Removes the line at Index; its object is left to its owner.
void TStringList::Delete(int Index) {
  CheckIndex(Index);
  Changing();
  items_.erase(items_.begin() + Index);
  Changed();
}

// Removes every line; an empty list has nothing to report.
void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  Changed();
}

// Adds a line without object (see AddObject).
int TStringList::Add(const std::string& S) {
  return AddObject(S, nullptr);
}

// Appends, or in a sorted list inserts at S's place, applying the duplicates
// rule; an ignored duplicate returns the existing line's index untouched.
int TStringList::AddObject(const std::string& S, TObject* AObject) {
  int index = GetCount();
  if (sorted_ && Find(S, index)) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) throw EListError("String list does not allow duplicates");
  }
  InsertItem(index, S, AObject);
  return index;
}

// Sorted lists search by halves; others look at every line.
int TStringList::IndexOf(std::string_view S) const {
  if (!sorted_) return TStrings::IndexOf(S);
  int index = 0;
  return Find(S, index) ? index : -1;
}

// Case-insensitive lists compare folded text only. Case-sensitive ones break
// ties of folded text by the bytes, so that sorting still groups a word's
// spellings together while "abc" and "ABC" stay distinct.
int TStringList::CompareStrings(std::string_view S1, std::string_view S2) const {
  int folded = CompareFolded(S1, S2);
  if (folded != 0 || !caseSensitive_) return folded;
  int exact = S1.compare(S2);
  return exact < 0 ? -1 : (exact > 0 ? 1 : 0);
}

// At the end of the outermost update, one OnChange reports whatever changed.
void TStringList::SetUpdateState(bool Updating) {
  if (Updating) return;
  changingSent_ = false;
  if (!changePending_) return;
  changePending_ = false;
  if (OnChange) OnChange(this);
}

// Fills an unsorted list in one pass with one change notification.
void TStringList::SetTextStr(std::string_view Value) {
  if (sorted_) {
    TStrings::SetTextStr(Value);
    return;
  }
  if (items_.empty() && Value.empty()) return;
  Changing();
  items_.clear();
  SplitLines(Value, [this](std::string_view line) { items_.push_back({std::string(line)}); });
  Changed();
}

// Binary search by the list's comparison; meaningful on sorted lists only.
bool TStringList::Find(std::string_view S, int& Index) const {
  auto first = std::lower_bound(items_.begin(), items_.end(), S,
                                [this](const Item& item, std::string_view key) {
                                  return CompareStrings(item.Text, key) < 0;
                                });
  Index = static_cast<int>(first - items_.begin());
  return first != items_.end() && CompareStrings(first->Text, S) == 0;
}

// Sorts by the list's comparison; equal lines keep their relative order.
void TStringList::Sort() {
  if (items_.size() < 2) return;
  Changing();
  std::stable_sort(items_.begin(), items_.end(), [this](const Item& a, const Item& b) {
    return CompareStrings(a.Text, b.Text) < 0;
  });
  Changed();
}

// Swaps two lines with their objects.
void TStringList::Exchange(int Index1, int Index2) {
  if (sorted_) throw EListError("Operation not allowed on sorted list");
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(items_[static_cast<std::size_t>(Index1)], items_[static_cast<std::size_t>(Index2)]);
  Changed();
}

// Sorting on switches sorts the present lines; switching off keeps the order.
void TStringList::SetSorted(bool Value) {
  if (Value == sorted_) return;
  if (Value) Sort();
  sorted_ = Value;
}

// A sorted list reorders under the new comparison.
void TStringList::SetCaseSensitive(bool Value) {
  if (Value == caseSensitive_) return;
  caseSensitive_ = Value;
  if (sorted_) Sort();
}

// Outside an update every change is announced; inside one, only the first.
void TStringList::Changing() {
  if (UpdateCount() > 0) {
    if (changingSent_) return;
    changingSent_ = true;
  }
  if (OnChanging) OnChanging(this);
}

// Reports a change, or remembers it for the end of the current update.
void TStringList::Changed() {
  if (UpdateCount() > 0) {
    changePending_ = true;
    return;
  }
  if (OnChange) OnChange(this);
}

// Inserts one line at a position already validated, announcing the change.
void TStringList::InsertItem(int Index, const std::string& S, TObject* AObject) {
  Changing();
  items_.insert(items_.begin() + Index, Item{S, AObject});
  Changed();
}

// Raises the list error unless Index names an existing line.
void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= GetCount()) IndexError(Index);
}

}  // namespace host
