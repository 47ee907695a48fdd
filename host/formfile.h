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
// written as "Sub.Prop", string lists as "X.Strings = (...)", raw-byte
// properties that a class defines through DefineProperties as "{hex}",
// component references by name and events by the name of their handler in the
// root's method table. Components without a name are a component's internal
// parts, made again by its constructor, and are not written.
//
// Reading parses the whole text first, then creates the components and sets
// their properties while they are in csReading and csLoading, resolves the
// references (forward ones and those to the root included) once everything is
// read, and calls Loaded on every component read, owners before the
// components they own. Any error in the text is an EReadError whose message
// begins "Line N: " and says what was wrong; when it is raised every
// component the read created is gone again.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "host/component.h"
#include "host/exceptions.h"

namespace host {

class TStream;

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
