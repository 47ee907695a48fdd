// The class registry, which creates components by class name and answers
// their property tables, and the naming of components by path from a root.
#include <memory>
#include <typeindex>
#include <unordered_map>
#include <vector>

#include "host/sysutils.h"
#include "host/typinfo.h"

namespace host {

namespace {

// Every registered class, by upper-cased name and by C++ type. The entries
// live as long as the process, so the pointers handed out stay valid.
struct TClassRegistry {
  std::vector<std::unique_ptr<TClassInfo>> Classes;
  std::unordered_map<std::string, TClassInfo*> ByName;
  std::unordered_map<std::type_index, TClassInfo*> ByType;
};

// Made on first use, so registration from other libraries' static
// initialisers finds it ready.
TClassRegistry& Registry() {
  static TClassRegistry registry;
  return registry;
}

}  // namespace

// Entries are made by RegisterClass only.
TClassInfo::TClassInfo(std::string Name, const std::type_info& Type,
                       const TPropertyTable& Properties, const TMethodTable* Methods,
                       TComponent* (*Factory)(TComponent*))
    : name_(std::move(Name)),
      type_(&Type),
      properties_(&Properties),
      methods_(Methods),
      factory_(Factory) {}

// Creates a component through the class's factory; abstract classes and
// plain persistent classes have none.
TComponent* TClassInfo::Create(TComponent* Owner) const {
  if (factory_ == nullptr)
    throw EInvalidOperation("Class " + name_ + " cannot be created by name.");
  return factory_(Owner);
}

namespace detail {

// Adds a class, or returns its entry when it is already there. The name must
// identify one class only, or a form file could not say which it means.
const TClassInfo& RegisterClassInfo(const std::type_info& Type, const TPropertyTable& Properties,
                                    const TMethodTable* Methods,
                                    TComponent* (*Factory)(TComponent*)) {
  TClassRegistry& registry = Registry();
  auto known = registry.ByType.find(std::type_index(Type));
  if (known != registry.ByType.end()) return *known->second;
  std::string name = ClassNameOf(Type);
  std::string key = UpperCase(name);
  if (registry.ByName.count(key) != 0)
    throw EInvalidOperation("A different class named " + name + " is already registered.");
  registry.Classes.push_back(
      std::make_unique<TClassInfo>(name, Type, Properties, Methods, Factory));
  TClassInfo* entry = registry.Classes.back().get();
  registry.ByName.emplace(std::move(key), entry);
  registry.ByType.emplace(std::type_index(Type), entry);
  return *entry;
}

}  // namespace detail

// Class names compare without case, like every identifier of a form file.
const TClassInfo* FindClass(std::string_view Name) {
  TClassRegistry& registry = Registry();
  auto found = registry.ByName.find(UpperCase(Name));
  return found == registry.ByName.end() ? nullptr : found->second;
}

// The entry, or the framework's class-not-found error.
const TClassInfo& GetClass(std::string_view Name) {
  const TClassInfo* info = FindClass(Name);
  if (info == nullptr) throw EClassNotFound("Class " + std::string(Name) + " not found");
  return *info;
}

// Looks the object's most derived class up by its run-time type.
const TClassInfo* FindClassOf(const TObject* Object) {
  if (Object == nullptr) return nullptr;
  TClassRegistry& registry = Registry();
  auto found = registry.ByType.find(std::type_index(typeid(*Object)));
  return found == registry.ByType.end() ? nullptr : found->second;
}

// Removes the entry from both indexes; the entry itself stays allocated, as
// callers may still hold a pointer to it.
void UnRegisterClass(const std::type_info& Type) {
  TClassRegistry& registry = Registry();
  auto found = registry.ByType.find(std::type_index(Type));
  if (found == registry.ByType.end()) return;
  registry.ByName.erase(UpperCase(found->second->ClassName()));
  registry.ByType.erase(found);
}

// ------------------------------------------------------------------ paths

// Sub-objects answer GetOwner with the component that holds them, and
// components with their owner, so the chain ends at the root.
TComponent* RootOf(TPersistent* Instance) {
  TComponent* root = nullptr;
  for (TPersistent* step = Instance; step != nullptr; step = step->GetOwner())
    if (auto* component = dynamic_cast<TComponent*>(step)) root = component;
  return root;
}

// Builds the dotted path from just below Root down to Target. The root is
// named by its own name, unless a component it owns has that name too, in
// which case the path would be read back as that component.
bool TryComponentPath(const TComponent* Target, const TComponent* Root, std::string& Path) {
  Path.clear();
  if (Target == nullptr || Root == nullptr) return false;
  if (Target == Root) {
    if (Root->Name().empty() || Root->FindComponent(Root->Name()) != nullptr) return false;
    Path = Root->Name();
    return true;
  }
  std::vector<const TComponent*> chain;
  for (const TComponent* step = Target; step != Root; step = step->Owner()) {
    if (step == nullptr || step->Name().empty()) return false;
    chain.push_back(step);
  }
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!Path.empty()) Path += '.';
    Path += (*it)->Name();
  }
  return true;
}

// Follows a dotted path down from Root. The first name may also be the root's
// own, for references to the root and paths written from it.
TComponent* FindComponentPath(TComponent* Root, std::string_view Path) {
  if (Root == nullptr || Path.empty()) return nullptr;
  TComponent* current = Root;
  bool first = true;
  while (!Path.empty()) {
    std::size_t dot = Path.find('.');
    std::string_view name = Path.substr(0, dot);
    Path = dot == std::string_view::npos ? std::string_view() : Path.substr(dot + 1);
    TComponent* next = current->FindComponent(std::string(name));
    if (next == nullptr && first && !Root->Name().empty() && SameText(name, Root->Name()))
      next = Root;
    if (next == nullptr) return nullptr;
    current = next;
    first = false;
  }
  return current;
}

}  // namespace host
