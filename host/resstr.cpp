#include "host/resstr.h"

#include <mutex>
#include <utility>

namespace host {

namespace {

// The installed translations, by module name. A function-local static, so that
// libraries whose static initialisers install a table find it constructed.
struct TranslationRegistry {
  std::mutex Lock;
  std::unordered_map<std::string, TResourceTranslation> Modules;
};

TranslationRegistry& Registry() {
  static TranslationRegistry registry;
  return registry;
}

}  // namespace

// Replaces whatever table the module had: a translation is installed whole.
void InstallResourceTranslation(const std::string& Module, TResourceTranslation Table) {
  TranslationRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  registry.Modules[Module] = std::move(Table);
}

// Drops the module's table; its built-in texts are used from now on.
bool RemoveResourceTranslation(const std::string& Module) {
  TranslationRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  return registry.Modules.erase(Module) != 0;
}

// Looks the text up in the module's translation first; a missing module, a
// missing entry or a record without a module all fall back to the built-in
// text, which is never null in a well-formed record but is guarded anyway.
std::string LoadResString(const TResStringRec& Rec) {
  if (Rec.Module != nullptr) {
    TranslationRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.Lock);
    auto module = registry.Modules.find(Rec.Module);
    if (module != registry.Modules.end()) {
      auto entry = module->second.find(Rec.Identifier);
      if (entry != module->second.end()) return entry->second;
    }
  }
  return Rec.Text != nullptr ? std::string(Rec.Text) : std::string();
}

}  // namespace host
