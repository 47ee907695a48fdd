// Method tables: the named handlers of root classes.
#include "host/typinfo_methods.h"
#include "host/exceptions.h"
#include "host/sysutils.h"

namespace host {

// An entry is made by Method() with the handler's own signature.
TMethodEntry::TMethodEntry(std::string Name, const std::type_info& Signature)
    : name_(std::move(Name)), signature_(&Signature) {}

TMethodEntry::~TMethodEntry() = default;

// Starts from the parent's handlers, so a form class offers its base's too; a
// handler of the same name replaces the parent's in its place.
TMethodTable::TMethodTable(const TMethodTable& Parent, std::initializer_list<TMethodDecl> Own)
    : entries_(Parent.entries_) {
  for (const TMethodDecl& decl : Own)
    detail::AddOrReplaceNamed(entries_, decl.Entry);
}

// The handler at Index, checked.
const TMethodEntry& TMethodTable::Item(int Index) const {
  if (Index < 0 || Index >= Count()) RaiseListIndexError(Index);
  return *entries_[static_cast<std::size_t>(Index)];
}

// Handler names are identifiers and compare without case.
const TMethodEntry* TMethodTable::Find(std::string_view Name) const {
  return detail::FindNamed(entries_, Name);
}

// Lists the handlers a designer may offer for an event of that signature.
std::vector<std::string> TMethodTable::NamesFor(const std::type_info& Signature) const {
  std::vector<std::string> names;
  for (const auto& entry : entries_)
    if (entry->Signature() == Signature) names.push_back(entry->Name());
  return names;
}

// Finds a handler for Bind, refusing one that is missing or does not fit.
const TMethodEntry* TMethodTable::FindChecked(std::string_view Name,
                                              const std::type_info& Signature) const {
  const TMethodEntry* entry = Find(Name);
  if (entry == nullptr)
    throw EInvalidOperation("There is no handler named " + std::string(Name) + ".");
  if (entry->Signature() != Signature)
    throw EInvalidOperation("Handler " + entry->Name() + " has another signature.");
  return entry;
}

}  // namespace host
