// The design-time registries (property editors, component editors, palette,
// registration units) and the base classes of the editors.
#include "host/design.h"

#include <algorithm>

#include "host/exceptions.h"
#include "host/sysutils.h"

namespace host {

namespace {

struct TPropertyEditorEntry {
  std::string PropertyType;
  bool HasClass = false;
  TClassRef ComponentClass;
  std::string PropertyName;
  TPropertyEditorFactory Factory;
};

struct TComponentEditorEntry {
  TClassRef ComponentClass;
  TComponentEditorFactory Factory;
};

struct TPalettePage {
  std::string Name;
  std::vector<const TClassInfo*> Classes;
};

struct TDesignUnit {
  std::string Name;
  TRegisterProc Proc;
  bool Installed = false;
};

// One registry for the process, made on first use so that libraries can
// record their units from static initialisers in any order.
struct TDesignRegistry {
  std::vector<TPropertyEditorEntry> PropertyEditors;
  std::vector<TComponentEditorEntry> ComponentEditors;
  std::vector<TPalettePage> Pages;
  std::vector<TDesignUnit> Units;
};

TDesignRegistry& Registry() {
  static TDesignRegistry registry;
  return registry;
}

// The standard editor of a property's kind.
std::unique_ptr<TPropertyEditor> StandardEditor(IDesigner* Designer, TPersistent* Instance,
                                                const TPropInfo& Prop) {
  switch (Prop.Kind()) {
    case pkBoolean:
      return std::make_unique<TBoolProperty>(Designer, Instance, Prop);
    case pkInteger:
      return std::make_unique<TIntegerProperty>(Designer, Instance, Prop);
    case pkString:
      return std::make_unique<TStringProperty>(Designer, Instance, Prop);
    case pkEnumeration:
      return std::make_unique<TEnumProperty>(Designer, Instance, Prop);
    case pkStringList:
      return std::make_unique<TStringListProperty>(Designer, Instance, Prop);
    case pkComponent:
      return std::make_unique<TComponentProperty>(Designer, Instance, Prop);
    case pkPersistent:
      return std::make_unique<TClassProperty>(Designer, Instance, Prop);
    case pkEvent:
      return std::make_unique<TMethodProperty>(Designer, Instance, Prop);
    default:
      return std::make_unique<TPropertyEditor>(Designer, Instance, Prop);
  }
}

}  // namespace

IDesigner::~IDesigner() = default;

// ---------------------------------------------------------- TPropertyEditor

TPropertyEditor::TPropertyEditor(IDesigner* Designer, TPersistent* Instance, const TPropInfo& Prop)
    : designer_(Designer), instance_(Instance), prop_(Prop) {}

TPropertyEditor::~TPropertyEditor() = default;

void TPropertyEditor::Activate() {}

// A double click on a property with a value list steps to the next value,
// wrapping around.
void TPropertyEditor::Edit() {
  if (!GetAttributes().Contains(paValueList)) return;
  std::vector<std::string> values = ValueList();
  if (values.empty()) return;
  const std::string current = GetValue();
  auto found = std::find_if(values.begin(), values.end(),
                            [&](const std::string& V) { return SameText(V, current); });
  std::size_t next = found == values.end() ? 0 : (found - values.begin() + 1) % values.size();
  SetValue(values[next]);
}

TPropertyAttributes TPropertyEditor::GetAttributes() {
  return TPropertyAttributes{paRevertable};
}

std::string TPropertyEditor::GetName() {
  return prop_.Name();
}

void TPropertyEditor::GetProperties(const TGetPropEditProc& /*Proc*/) {}

std::string TPropertyEditor::GetValue() {
  return prop_.GetAsText(instance_);
}

void TPropertyEditor::GetValues(const TGetStrProc& /*Proc*/) {}

void TPropertyEditor::SetValue(const std::string& Value) {
  prop_.SetAsText(instance_, Value);
  Modified();
}

TPersistent* TPropertyEditor::GetComponent(int Index) const {
  if (Index != 0) RaiseListIndexError(Index);
  return instance_;
}

std::int64_t TPropertyEditor::GetOrdValue() const {
  switch (prop_.Kind()) {
    case pkPersistent:
    case pkComponent:
      return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(GetObjectValue()));
    default:
      return prop_.GetOrdinal(instance_);
  }
}

TPersistent* TPropertyEditor::GetObjectValue() const {
  switch (prop_.Kind()) {
    case pkPersistent:
      return prop_.GetObject(instance_);
    case pkComponent:
      return prop_.GetComponent(instance_);
    default:
      return nullptr;
  }
}

std::string TPropertyEditor::GetStrValue() const {
  return prop_.GetString(instance_);
}

void TPropertyEditor::SetOrdValue(std::int64_t Value) {
  prop_.SetOrdinal(instance_, Value);
  Modified();
}

void TPropertyEditor::SetStrValue(const std::string& Value) {
  prop_.SetString(instance_, Value);
  Modified();
}

void TPropertyEditor::Modified() {
  if (designer_ != nullptr) designer_->Modified();
}

std::vector<std::string> TPropertyEditor::ValueList() {
  std::vector<std::string> values;
  GetValues([&values](const std::string& Value) { values.push_back(Value); });
  return values;
}

// ------------------------------------------------------ editor registration

void RegisterPropertyEditor(const std::string& PropertyType, const TClassRef* ComponentClass,
                            const std::string& PropertyName, TPropertyEditorFactory Factory) {
  if (!Factory) throw EInvalidOperation("A property editor registration needs an editor class.");
  TPropertyEditorEntry entry;
  entry.PropertyType = PropertyType;
  entry.HasClass = ComponentClass != nullptr;
  if (ComponentClass != nullptr) entry.ComponentClass = *ComponentClass;
  entry.PropertyName = PropertyName;
  entry.Factory = std::move(Factory);
  Registry().PropertyEditors.push_back(std::move(entry));
}

// A registration naming the property beats one naming the class, which beats
// one naming the type only; among equals the latest wins.
std::unique_ptr<TPropertyEditor> GetPropertyEditor(IDesigner* Designer, TPersistent* Instance,
                                                   const TPropInfo& Prop) {
  const TPropertyEditorEntry* best = nullptr;
  int bestScore = -1;
  for (const TPropertyEditorEntry& entry : Registry().PropertyEditors) {
    if (!SameText(entry.PropertyType, Prop.TypeName())) continue;
    if (entry.HasClass && !entry.ComponentClass.Matches(Instance)) continue;
    if (!entry.PropertyName.empty() && !SameText(entry.PropertyName, Prop.Name())) continue;
    const int score = (entry.PropertyName.empty() ? 0 : 2) + (entry.HasClass ? 1 : 0);
    if (score >= bestScore) {
      best = &entry;
      bestScore = score;
    }
  }
  if (best != nullptr) return best->Factory(Designer, Instance, Prop);
  return StandardEditor(Designer, Instance, Prop);
}

// An object of an unregistered class shows the properties its declared
// class publishes, which the caller cannot know; it shows none.
std::vector<std::unique_ptr<TPropertyEditor>> GetComponentProperties(IDesigner* Designer,
                                                                     TPersistent* Instance) {
  std::vector<std::unique_ptr<TPropertyEditor>> editors;
  const TClassInfo* info = FindClassOf(Instance);
  if (info == nullptr) return editors;
  const TPropertyTable& table = info->Properties();
  for (int i = 0; i < table.Count(); ++i)
    editors.push_back(GetPropertyEditor(Designer, Instance, table.Item(i)));
  return editors;
}

// --------------------------------------------------------- TComponentEditor

TComponentEditor::TComponentEditor(TComponent* Component, IDesigner* Designer)
    : component_(Component), designer_(Designer) {}

TComponentEditor::~TComponentEditor() = default;

void TComponentEditor::Edit() {
  if (GetVerbCount() > 0) ExecuteVerb(0);
}

void TComponentEditor::ExecuteVerb(int /*Index*/) {}

std::string TComponentEditor::GetVerb(int /*Index*/) {
  return std::string();
}

int TComponentEditor::GetVerbCount() {
  return 0;
}

void RegisterComponentEditor(const TClassRef& ComponentClass, TComponentEditorFactory Factory) {
  if (!Factory || ComponentClass.Matches == nullptr)
    throw EInvalidOperation("A component editor registration needs a class and an editor class.");
  Registry().ComponentEditors.push_back({ComponentClass, std::move(Factory)});
}

std::unique_ptr<TComponentEditor> GetComponentEditor(TComponent* Component, IDesigner* Designer) {
  const auto& editors = Registry().ComponentEditors;
  for (auto it = editors.rbegin(); it != editors.rend(); ++it)
    if (it->ComponentClass.Matches(Component)) return it->Factory(Component, Designer);
  return std::make_unique<TComponentEditor>(Component, Designer);
}

// ------------------------------------------------------------------ palette

void RegisterComponents(const std::string& Page, std::initializer_list<const TClassInfo*> Classes) {
  auto& pages = Registry().Pages;
  auto page = std::find_if(pages.begin(), pages.end(),
                           [&](const TPalettePage& P) { return SameText(P.Name, Page); });
  if (page == pages.end()) {
    pages.push_back({Page, {}});
    page = pages.end() - 1;
  }
  for (const TClassInfo* info : Classes) {
    if (info == nullptr) continue;
    if (std::find(page->Classes.begin(), page->Classes.end(), info) == page->Classes.end())
      page->Classes.push_back(info);
  }
}

std::vector<std::string> PalettePages() {
  std::vector<std::string> names;
  for (const TPalettePage& page : Registry().Pages)
    names.push_back(page.Name);
  return names;
}

std::vector<const TClassInfo*> PaletteClasses(const std::string& Page) {
  for (const TPalettePage& page : Registry().Pages)
    if (SameText(page.Name, Page)) return page.Classes;
  return {};
}

// -------------------------------------------------------------------- units

bool RegisterDesignUnit(const std::string& UnitName, TRegisterProc Proc) {
  auto& units = Registry().Units;
  for (const TDesignUnit& unit : units)
    if (unit.Proc == Proc) return true;
  units.push_back({UnitName, Proc, false});
  return true;
}

// A procedure is marked before it runs, so that one that fails is not run
// twice; the failure reaches the designer.
void InstallDesignUnits() {
  auto& units = Registry().Units;
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (units[i].Installed) continue;
    units[i].Installed = true;
    units[i].Proc();
  }
}

std::vector<std::string> InstalledDesignUnits() {
  std::vector<std::string> names;
  for (const TDesignUnit& unit : Registry().Units)
    if (unit.Installed) names.push_back(unit.Name);
  return names;
}

}  // namespace host
