// Design time: what a form designer offers for the components it edits, and
// how libraries extend it.
//
// - The palette: RegisterComponents puts component classes on a named page.
// - Property editors: for every published property the designer asks for an
//   editor, which shows the value as text, may offer a list of values, a
//   dialog (Edit) or sub-properties. RegisterPropertyEditor attaches an
//   editor class to a property type, optionally only for one component class
//   (and its descendants) and one property name; the most specific
//   registration wins, and among equals the latest.
// - Component editors: the verbs of a component's context menu and its
//   default action. RegisterComponentEditor attaches one to a component
//   class and its descendants; the latest registration that fits wins.
// - Units: a library records its registration procedures when it loads
//   (RegisterDesignUnit); a designer runs them once (InstallDesignUnits).
//
// Editors report changes to the designer through IDesigner::Modified.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "host/component.h"
#include "host/controls_types.h"
#include "host/typinfo.h"

namespace host {

// What a designer does for a property; kept in this order, so that the set
// of attributes has the same bits everywhere (paDialog alone is 4).
enum TPropertyAttribute : std::uint8_t {
  paValueList,      // GetValues offers the values to choose from
  paSubProperties,  // GetProperties offers editors of the value's parts
  paDialog,         // Edit opens a dialog
  paMultiSelect,    // shown when several components are selected
  paAutoUpdate,     // SetValue on every change of the text
  paSortList,       // the value list is shown sorted
  paReadOnly,       // the text cannot be typed
  paRevertable,     // the value can go back to the inherited one
};
using TPropertyAttributes = TEnumSet<TPropertyAttribute>;

// The designer as its editors see it.
class IDesigner {
 public:
  virtual ~IDesigner();
  // Something in the designed root changed: the designer marks its file
  // modified and shows the new values.
  virtual void Modified() = 0;
  // The root being designed.
  virtual TComponent* GetRoot() const = 0;
};

// A class and its descendants, for registrations that apply to them.
struct TClassRef {
  std::string Name;
  bool (*Matches)(const TPersistent* Instance) = nullptr;
};

template <class T>
TClassRef ClassRef() {
  return TClassRef{ClassNameOf(typeid(T)), [](const TPersistent* Instance) {
                     return dynamic_cast<const T*>(Instance) != nullptr;
                   }};
}

// The type name a property of C++ type T reports (TPropInfo::TypeName):
// "String", "Boolean", "Integer", or the class name.
template <class T>
std::string PropertyTypeName() {
  if constexpr (std::is_same_v<T, std::string>)
    return "String";
  else if constexpr (std::is_same_v<T, bool>)
    return "Boolean";
  else if constexpr (std::is_integral_v<T>)
    return "Integer";
  else
    return ClassNameOf(typeid(T));
}

// ======================================================== property editors

class TPropertyEditor;
using TGetStrProc = std::function<void(const std::string& Value)>;
using TGetPropEditProc = std::function<void(std::unique_ptr<TPropertyEditor> Editor)>;

// Edits one property of one object. The base shows and sets the value
// through the property's text form; the classes below add what each kind of
// property offers.
class TPropertyEditor {
 public:
  TPropertyEditor(IDesigner* Designer, TPersistent* Instance, const TPropInfo& Prop);
  TPropertyEditor(const TPropertyEditor&) = delete;
  TPropertyEditor& operator=(const TPropertyEditor&) = delete;
  virtual ~TPropertyEditor();

  // Virtual order (a contract for subclasses): Activate, Edit,
  // GetAttributes, GetName, GetProperties, GetValue, GetValues, SetValue.
  // Called when the property is selected in the designer.
  virtual void Activate();
  // The dialog behind paDialog; the base steps to the next of the values a
  // value list offers, as a double click does.
  virtual void Edit();
  virtual TPropertyAttributes GetAttributes();
  virtual std::string GetName();
  virtual void GetProperties(const TGetPropEditProc& Proc);
  virtual std::string GetValue();
  virtual void GetValues(const TGetStrProc& Proc);
  // Sets the value from text; the change is reported to the designer.
  virtual void SetValue(const std::string& Value);

  // ---- Frame operations. ---------------------------------------------------
  IDesigner* Designer() const { return designer_; }
  TPersistent* GetComponent(int Index = 0) const;
  int PropCount() const { return 1; }
  const TPropInfo& GetPropInfo() const { return prop_; }
  // The value of an ordinal property (Boolean 0 or 1, integer, enumeration
  // ordinal); for an object or component property the object's address.
  std::int64_t GetOrdValue() const;
  // The object of an object or component property, or nullptr.
  TPersistent* GetObjectValue() const;
  std::string GetStrValue() const;
  // Set the value and report the change (Modified).
  void SetOrdValue(std::int64_t Value);
  void SetStrValue(const std::string& Value);
  // Tells the designer that the property's value changed.
  void Modified();
  // The values GetValues offers, collected.
  std::vector<std::string> ValueList();

 private:
  IDesigner* designer_;
  TPersistent* instance_;
  const TPropInfo& prop_;
};

// Whole numbers, within the property's range.
class TIntegerProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  TPropertyAttributes GetAttributes() override;
  void SetValue(const std::string& Value) override;
};

// One of the value names of an enumeration.
class TEnumProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  TPropertyAttributes GetAttributes() override;
  void GetValues(const TGetStrProc& Proc) override;
};

// False or True.
class TBoolProperty : public TEnumProperty {
 public:
  using TEnumProperty::TEnumProperty;
  void GetValues(const TGetStrProc& Proc) override;
};

// Text.
class TStringProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  TPropertyAttributes GetAttributes() override;
  std::string GetValue() override;
  void SetValue(const std::string& Value) override;
};

// An owned sub-object: shown as "(TClassName)", edited through the editors
// of its own published properties.
class TClassProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  TPropertyAttributes GetAttributes() override;
  void GetProperties(const TGetPropEditProc& Proc) override;
  std::string GetValue() override;
};

// A reference to another component of the designed root, chosen by name.
class TComponentProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  TPropertyAttributes GetAttributes() override;
  void GetValues(const TGetStrProc& Proc) override;
};

// An event, bound to one of the handlers the root's class offers.
class TMethodProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  TPropertyAttributes GetAttributes() override;
  void GetValues(const TGetStrProc& Proc) override;
};

// Lines of text, edited in the string list editor.
class TStringListProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  void Edit() override;
  TPropertyAttributes GetAttributes() override;
  std::string GetValue() override;
};

using TPropertyEditorFactory = std::function<std::unique_ptr<TPropertyEditor>(
    IDesigner* Designer, TPersistent* Instance, const TPropInfo& Prop)>;

template <class E>
TPropertyEditorFactory PropertyEditorClass() {
  return [](IDesigner* Designer, TPersistent* Instance, const TPropInfo& Prop) {
    return std::unique_ptr<TPropertyEditor>(std::make_unique<E>(Designer, Instance, Prop));
  };
}

// Attaches an editor to properties of type PropertyType (a type name as
// TPropInfo::TypeName gives it), of ComponentClass and its descendants
// (nullptr: any class), named PropertyName (empty: any name).
void RegisterPropertyEditor(const std::string& PropertyType, const TClassRef* ComponentClass,
                            const std::string& PropertyName, TPropertyEditorFactory Factory);

// RegisterPropertyEditor<std::string, TMyEditor, TMyComponent>("FileName").
template <class PropertyType, class Editor, class ComponentClass = void>
void RegisterPropertyEditor(const std::string& PropertyName = std::string()) {
  if constexpr (std::is_void_v<ComponentClass>) {
    RegisterPropertyEditor(PropertyTypeName<PropertyType>(), nullptr, PropertyName,
                           PropertyEditorClass<Editor>());
  } else {
    const TClassRef componentClass = ClassRef<ComponentClass>();
    RegisterPropertyEditor(PropertyTypeName<PropertyType>(), &componentClass, PropertyName,
                           PropertyEditorClass<Editor>());
  }
}

// The editor for one property of Instance: the best registration, else the
// standard editor of the property's kind.
std::unique_ptr<TPropertyEditor> GetPropertyEditor(IDesigner* Designer, TPersistent* Instance,
                                                   const TPropInfo& Prop);
// Editors for every published property of Instance, in table order.
std::vector<std::unique_ptr<TPropertyEditor>> GetComponentProperties(IDesigner* Designer,
                                                                     TPersistent* Instance);

// ======================================================= component editors

// The context-menu verbs of a component and its default action.
class TComponentEditor {
 public:
  TComponentEditor(TComponent* Component, IDesigner* Designer);
  TComponentEditor(const TComponentEditor&) = delete;
  TComponentEditor& operator=(const TComponentEditor&) = delete;
  virtual ~TComponentEditor();

  // Virtual order (a contract for subclasses): Edit, ExecuteVerb, GetVerb,
  // GetVerbCount.
  // The default action (a double click in the designer): the first verb.
  virtual void Edit();
  virtual void ExecuteVerb(int Index);
  // The menu text, with "&" marking the accelerator.
  virtual std::string GetVerb(int Index);
  virtual int GetVerbCount();

  TComponent* Component() const { return component_; }
  IDesigner* Designer() const { return designer_; }

 private:
  TComponent* component_;
  IDesigner* designer_;
};

using TComponentEditorFactory =
    std::function<std::unique_ptr<TComponentEditor>(TComponent* Component, IDesigner* Designer)>;

template <class E>
TComponentEditorFactory ComponentEditorClass() {
  return [](TComponent* Component, IDesigner* Designer) {
    return std::unique_ptr<TComponentEditor>(std::make_unique<E>(Component, Designer));
  };
}

void RegisterComponentEditor(const TClassRef& ComponentClass, TComponentEditorFactory Factory);

template <class ComponentClass, class Editor>
void RegisterComponentEditor() {
  RegisterComponentEditor(ClassRef<ComponentClass>(), ComponentEditorClass<Editor>());
}

// The editor of the latest registration that fits the component, else one
// without verbs.
std::unique_ptr<TComponentEditor> GetComponentEditor(TComponent* Component, IDesigner* Designer);

// ================================================================= palette

// Puts the classes (registered for streaming) on a palette page, after what
// the page holds; a class already there keeps its place.
void RegisterComponents(const std::string& Page, std::initializer_list<const TClassInfo*> Classes);

// RegisterComponents<TAsaSession, TAsaSQL>("VelarDB"): registers the classes
// for streaming too.
template <class... T>
void RegisterComponents(const std::string& Page) {
  RegisterComponents(Page, {&RegisterClass<T>()...});
}

// The pages in the order they were first used, and the classes of one page.
std::vector<std::string> PalettePages();
std::vector<const TClassInfo*> PaletteClasses(const std::string& Page);

// =================================================================== units

using TRegisterProc = void (*)();

// Records a unit's registration procedure, normally from a static
// initialiser of the library that holds it; true, so that it can initialise
// a constant. Recording the same procedure again does nothing.
bool RegisterDesignUnit(const std::string& UnitName, TRegisterProc Proc);
// Runs every recorded procedure that has not run yet, in recording order.
void InstallDesignUnits();
// The units whose procedures have run.
std::vector<std::string> InstalledDesignUnits();

}  // namespace host
