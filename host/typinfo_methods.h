// Named event handlers: the handlers a root class (a form or data module)
// offers to the events of the components it owns, by name, so that form
// files and the designer can bind an event to a handler and name it again.
//
// A root class declares its handlers once:
//
//   const host::TMethodTable& TMainForm::Methods() {
//     static const host::TMethodTable table(TForm::Methods(), {
//         host::Method("Session1AfterConnect", &TMainForm::Session1AfterConnect),
//     });
//     return table;
//   }
//
// Binding stores a TMethodClosure in the event's std::function; the writer
// finds it there (std::function::target) and writes the handler's name. A
// plain lambda has no name and is not written.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "host/component.h"
#include "host/sysutils.h"

namespace host {

// One named handler of a root class. Signature is the handler's function type,
// e.g. void(TObject*), which must equal the event's for the two to bind.
class TMethodEntry {
 public:
  TMethodEntry(std::string Name, const std::type_info& Signature);
  TMethodEntry(const TMethodEntry&) = delete;
  TMethodEntry& operator=(const TMethodEntry&) = delete;
  virtual ~TMethodEntry();

  const std::string& Name() const { return name_; }
  const std::type_info& Signature() const { return *signature_; }

 private:
  std::string name_;
  const std::type_info* signature_;
};

template <class Sig>
class TTypedMethodEntry;

template <class R, class... A>
class TTypedMethodEntry<R(A...)> : public TMethodEntry {
 public:
  explicit TTypedMethodEntry(std::string Name) : TMethodEntry(std::move(Name), typeid(R(A...))) {}
  virtual R Invoke(TObject* Instance, A... Args) const = 0;
};

// What an event holds when it is bound to a named handler: the handler and the
// object it runs on. Its own type lets the writer find it inside the
// std::function (target<TMethodClosure<Sig>>) and write the handler's name.
// Two pointers, so std::function keeps it without allocating.
template <class Sig>
struct TMethodClosure;

template <class R, class... A>
struct TMethodClosure<R(A...)> {
  const TTypedMethodEntry<R(A...)>* Entry = nullptr;
  TObject* Instance = nullptr;

  R operator()(A... Args) const { return Entry->Invoke(Instance, std::forward<A>(Args)...); }
};

namespace detail {

// Property and method tables share one rule: names are identifiers compared
// without case, and a class's own entry takes its parent's entry's place.
template <class Entry>
using TNamedEntries = std::vector<std::shared_ptr<const Entry>>;

// The entry of that name, or nullptr.
template <class Entry>
const Entry* FindNamed(const TNamedEntries<Entry>& Entries, std::string_view Name) {
  for (const auto& entry : Entries)
    if (SameText(entry->Name(), Name)) return entry.get();
  return nullptr;
}

// Adds Item after the entries, or in the place of the one of the same name.
template <class Entry>
void AddOrReplaceNamed(TNamedEntries<Entry>& Entries,
                       std::type_identity_t<std::shared_ptr<const Entry>> Item) {
  for (auto& entry : Entries) {
    if (SameText(entry->Name(), Item->Name())) {
      entry = std::move(Item);
      return;
    }
  }
  Entries.push_back(std::move(Item));
}

template <class C, class R, class... A>
class TMemberMethodEntry final : public TTypedMethodEntry<R(A...)> {
 public:
  TMemberMethodEntry(std::string Name, R (C::*Handler)(A...))
      : TTypedMethodEntry<R(A...)>(std::move(Name)), handler_(Handler) {}
  R Invoke(TObject* Instance, A... Args) const override {
    return (static_cast<C*>(Instance)->*handler_)(std::forward<A>(Args)...);
  }

 private:
  R (C::*handler_)(A...);
};

}  // namespace detail

// One handler as written in a method table declaration.
struct TMethodDecl {
  std::shared_ptr<const TMethodEntry> Entry;
};

// Method("Session1AfterConnect", &TMainForm::Session1AfterConnect).
template <class C, class R, class... A>
TMethodDecl Method(std::string Name, R (C::*Handler)(A...)) {
  static_assert(std::is_base_of_v<TObject, C>, "handlers belong to framework objects");
  return {std::make_shared<detail::TMemberMethodEntry<C, R, A...>>(std::move(Name), Handler)};
}

// The named handlers of a root class, its parent's first.
class TMethodTable {
 public:
  TMethodTable() = default;
  TMethodTable(const TMethodTable& Parent, std::initializer_list<TMethodDecl> Own);

  int Count() const { return static_cast<int>(entries_.size()); }
  const TMethodEntry& Item(int Index) const;
  // The handler of that name, compared without regard to case, or nullptr.
  const TMethodEntry* Find(std::string_view Name) const;
  // The names of the handlers that fit an event of that signature, for a
  // designer's list of handlers to choose from.
  std::vector<std::string> NamesFor(const std::type_info& Signature) const;

  // The handler Name bound to Instance, ready to assign to an event of type
  // std::function<Sig>; EInvalidOperation when there is no such handler or its
  // signature differs.
  template <class Sig>
  std::function<Sig> Bind(TObject* Instance, std::string_view Name) const {
    const TMethodEntry* entry = FindChecked(Name, typeid(Sig));
    return TMethodClosure<Sig>{static_cast<const TTypedMethodEntry<Sig>*>(entry), Instance};
  }

 private:
  const TMethodEntry* FindChecked(std::string_view Name, const std::type_info& Signature) const;

  detail::TNamedEntries<TMethodEntry> entries_;
};

}  // namespace host
