// Form files: the text in which a root component (a form or data module) and
// the components it owns are stored.
//
//   object MainData: TMainData
//     Tag = 7
//     object Session1: TAsaSession
//       Connected = True
//       LoginUser = 'dba'
//       ServerType = stClient
//       AfterConnect = Session1AfterConnect
//     end
//     object Query1: TAsaDataset
//       Params.Data = {
//         01000000...}
//       Session = Session1
//       SQL.Strings = (
//         'select * from t'
//         'where a = :a')
//     end
//   end
//
// One block per component, nested by owner; a component's properties come
// from its class's published-property table (host/typinfo.h) and are written
// unless they equal their declared default. Sub-objects' properties are
// written as "Sub.Prop", string lists as "X.Strings = (...)", collections as
// "X = <item ... end>", sets as "[a, b]", raw-byte properties that a class
// defines through DefineProperties as "{hex}" and value properties it defines
// there as plain values or lists "(1 2 3)", component references by name and
// events by the name of their handler in the root's method table. A
// component that has a parent component (a data set's field) is written
// nested in its parent's block although its owner is the form. Components
// without a name are written as "object TClass"; sub-components (the internal
// parts a constructor makes, host/component.h) are not written.
//
// Besides what the writer produces, the reader takes what other designers of
// this family write: "inline" blocks (frames), "[n]" child positions after
// the class name, character codes beyond #255 (kept as UTF-8), strings
// continued with "+" over several lines, and a value that starts on the line
// after its "=".
//
// Reading parses the whole text first, then creates the components and sets
// their properties while they are in csReading and csLoading, resolves the
// references (forward ones and those to the root included) once everything is
// read, and calls Loaded on every component read, owners before the
// components they own. Any error in the text is an EReadError whose message
// begins "Line N: " and says what was wrong; when it is raised every
// component the read created is gone again.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/component.h"
#include "host/exceptions.h"

namespace host {

class TStream;

namespace formfile {
struct TValue;
}  // namespace formfile

// Reads the value of a property that a class defines through
// TFiler::DefineProperty: one value, or a list "( ... )" of values read
// between ReadListBegin and ReadListEnd. A value of another kind than the one
// asked for raises EReadError.
class TReader {
 public:
  explicit TReader(const formfile::TValue& Value);
  TReader(const TReader&) = delete;
  TReader& operator=(const TReader&) = delete;

  std::int64_t ReadInteger();
  // An integer is read as a floating-point value too.
  double ReadFloat();
  std::string ReadString();
  bool ReadBoolean();
  std::string ReadIdent();
  void ReadListBegin();
  // True when the list being read has no more values.
  bool EndOfList() const;
  void ReadListEnd();

 private:
  const formfile::TValue& Take(const char* Expected);

  struct TListPos {
    const formfile::TValue* List;
    std::size_t Next;
  };
  const formfile::TValue* value_;
  bool taken_ = false;
  std::vector<TListPos> lists_;
};

// Writes the value of a property that a class defines through
// TFiler::DefineProperty: exactly one value, which may be a list.
class TWriter {
 public:
  // Appends to Out; list items go on lines indented by Indent levels + 1.
  TWriter(std::string& Out, int Indent);
  TWriter(const TWriter&) = delete;
  TWriter& operator=(const TWriter&) = delete;

  void WriteInteger(std::int64_t Value);
  // EWriteError for infinities and NaN.
  void WriteFloat(double Value);
  void WriteString(std::string_view Value);
  void WriteBoolean(bool Value);
  void WriteIdent(std::string_view Value);
  void WriteListBegin();
  void WriteListEnd();

 private:
  void BeginValue();

  std::string& out_;
  int indent_;
  int depth_ = 0;
};

// A form-file reading error tied to a line of the text.
class EFormReadError : public EReadError {
 public:
  EFormReadError(int Line, const std::string& What);
  ~EFormReadError() override;

  int Line = 0;
};

// What DefineProperties talks to while a form file is read or written. A
// class with data beyond its published properties declares it here:
//
//   void TAsaParams::DefineProperties(TFiler* Filer) {
//     TPersistent::DefineProperties(Filer);
//     auto* ancestor = dynamic_cast<TAsaParams*>(Filer->Ancestor());
//     Filer->DefineBinaryProperty(
//         "Data", [this](TStream* S) { ReadData(S); }, [this](TStream* S) { WriteData(S); },
//         ancestor != nullptr ? !IsEqual(ancestor) : Count() > 0);
//   }
class TFiler {
 public:
  using TStreamProc = std::function<void(TStream*)>;
  using TReaderProc = std::function<void(TReader&)>;
  using TWriterProc = std::function<void(TWriter&)>;

  TFiler() = default;
  TFiler(const TFiler&) = delete;
  TFiler& operator=(const TFiler&) = delete;
  virtual ~TFiler();

  // Declares a raw-byte property. When reading, ReadData gets a stream of the
  // property's bytes at position 0 if the file holds the property. When
  // writing, WriteData fills an empty stream if HasData is true; HasData is
  // the store test and is ignored when reading.
  virtual void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                                    const TStreamProc& WriteData, bool HasData) = 0;
  // Declares a property held as a plain value (or a list of values), such as
  // a component's designer position "Left = 40"; the same rules otherwise.
  virtual void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                              const TWriterProc& WriteData, bool HasData) = 0;

  // The root being read or written.
  TComponent* Root() const { return root_; }
  // While writing against an ancestor: the ancestor's counterpart of the
  // object whose DefineProperties runs, so that its store test can compare
  // with it. nullptr otherwise, and always while reading.
  TPersistent* Ancestor() const { return ancestor_; }
  bool IsReading() const { return reading_; }

 protected:
  TComponent* root_ = nullptr;
  TPersistent* ancestor_ = nullptr;
  bool reading_ = false;
};

// ------------------------------------------------------------------ writing

// The form-file text of Root and the named components it owns. With an
// ancestor (the root of the form this one inherits from), a value is written
// only where it differs from the ancestor's, components the ancestor has too
// are written as "inherited", and DefineProperties store tests see the
// ancestor's counterpart. Raises EWriteError for a component whose class is
// not registered and for a reference that the file cannot name (a component
// outside Root's tree or without a name).
std::string WriteComponentText(TComponent* Root, TComponent* Ancestor = nullptr);
void WriteComponentStream(TComponent* Root, TStream* Stream, TComponent* Ancestor = nullptr);
void SaveComponentToFile(TComponent* Root, const std::string& FileName,
                         TComponent* Ancestor = nullptr);

// ------------------------------------------------------------------ reading

// Reads a form file into an existing root of the file's class: an unnamed
// root takes the file's name, the root's properties are set, components that
// the root (or a component read) already owns under a name in the file are
// read into, the others are created. On an error in the file every component
// the read created is freed (references to them are cleared through the
// usual notifications), the flags the read set are cleared, an unnamed root
// gets its empty name back and Loaded is not called; properties of existing
// components set before the error keep their new values. An exception from a
// component's Loaded reaches the caller after every component read has had
// its Loaded, so that none stays in csLoading.
void ReadComponentText(TComponent* Root, std::string_view Text);
void ReadComponentStream(TComponent* Root, TStream* Stream);
void LoadComponentFromFile(TComponent* Root, const std::string& FileName);

// Creates the root from the file's class (which must be registered and
// creatable) with Owner as its owner, and reads the file into it. On any
// error, Loaded's included, the root and all it owns are freed.
TComponent* CreateComponentFromText(std::string_view Text, TComponent* Owner = nullptr);
TComponent* CreateComponentFromStream(TStream* Stream, TComponent* Owner = nullptr);
TComponent* CreateComponentFromFile(const std::string& FileName, TComponent* Owner = nullptr);

}  // namespace host
