// The form-file reader: applies a parsed file to a root, creating the
// components it names, and undoes the creations when anything is wrong.
#include <algorithm>
#include <deque>
#include <exception>
#include <vector>

#include "host/collection.h"
#include "host/formfile.h"
#include "host/formfile_internal.h"
#include "host/stream.h"
#include "host/strings.h"
#include "host/sysutils.h"
#include "host/typinfo.h"

namespace host {

// The line opens the message, so that every reader error reads the same way.
EFormReadError::EFormReadError(int Line, const std::string& What)
    : EReadError("Line " + std::to_string(Line) + ": " + What), Line(Line) {}

EFormReadError::~EFormReadError() = default;

TFiler::~TFiler() = default;

namespace {

using formfile::TObjectNode;
using formfile::TPropertyNode;
using formfile::TValue;

// Every reading error names its line.
[[noreturn]] void Fail(int Line, const std::string& What) {
  throw EFormReadError(Line, What);
}

// Runs Action, turning a framework error it raises (a setter refusing a
// value, a component refusing a name) into a read error at Line, so that the
// message says where in the file the value came from.
template <class Action>
decltype(auto) AtLine(int Line, const std::string& Context, Action&& action) {
  try {
    return action();
  } catch (const EFormReadError&) {
    throw;
  } catch (const Exception& e) {
    Fail(Line, Context + ": " + e.Message);
  }
}

// How messages name the kind of value the file gave.
const char* ValueKindName(TValue::TKind Kind) {
  switch (Kind) {
    case TValue::vkIdentifier:
      return "a name";
    case TValue::vkInteger:
      return "a number";
    case TValue::vkFloat:
      return "a floating-point number";
    case TValue::vkString:
      return "a string";
    case TValue::vkList:
      return "a list";
    case TValue::vkBinary:
      return "a binary value";
    case TValue::vkSet:
      return "a set";
    case TValue::vkCollection:
      return "a collection";
  }
  return "a value";
}

class TFormReader;

// Hears of every component the read touches going away, whatever frees it
// (a setter, a constructor's cleanup, the read's own undo), so that the
// reader's lists never hold a dangling pointer.
class TReadWatcher final : public TComponent {
 public:
  explicit TReadWatcher(TFormReader& Reader) : TComponent(nullptr), reader_(Reader) {}
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TFormReader& reader_;
};

class TFormReader final : public TFiler {
 public:
  explicit TFormReader(TComponent* Root) : watcher_(*this) {
    root_ = Root;
    reading_ = true;
  }

  // Unhooks the watcher quietly; its own destruction would otherwise tell
  // every component read that it went away.
  ~TFormReader() override {
    for (TComponent* component : read_)
      component->RemoveFreeNotification(&watcher_);
    for (TComponent* component : created_)
      component->RemoveFreeNotification(&watcher_);
  }

  // Reads the file into the root; see ReadComponentText for the contract.
  void Read(const TObjectNode& Node) {
    try {
      ReadRoot(Node);
      ResolveReferences();
    } catch (...) {
      Abandon();
      throw;
    }
    for (TComponent* component : read_)
      component->SetReading(false);
    CallLoaded();
  }

  // Reads the raw-byte property that ReadDefinedProperty is looking for, when
  // this is it; other definitions are ignored.
  void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                            const TStreamProc& /*WriteData*/, bool /*HasData*/) override {
    if (wanted_ == nullptr || found_ || !SameText(Name, wantedName_)) return;
    found_ = true;
    const TPropertyNode& node = *wanted_;
    if (node.Value.Kind != TValue::vkBinary)
      Fail(node.Line, "property " + node.Path + " takes a binary value, not " +
                          ValueKindName(node.Value.Kind));
    if (!ReadData) Fail(node.Line, "property " + node.Path + " cannot be read");
    TMemoryStream bytes;
    if (!node.Value.Text.empty())
      bytes.WriteBuffer(node.Value.Text.data(), static_cast<std::int64_t>(node.Value.Text.size()));
    bytes.SetPosition(0);
    AtLine(node.Line, "error reading " + node.Path, [&] { ReadData(&bytes); });
  }

  // Reads the value property that ReadDefinedProperty is looking for.
  void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                      const TWriterProc& /*WriteData*/, bool /*HasData*/) override {
    if (wanted_ == nullptr || found_ || !SameText(Name, wantedName_)) return;
    found_ = true;
    const TPropertyNode& node = *wanted_;
    if (!ReadData) Fail(node.Line, "property " + node.Path + " cannot be read");
    TReader reader(node.Value);
    AtLine(node.Line, "error reading " + node.Path, [&] { ReadData(reader); });
  }

  // The watcher's report that Component is gone.
  void Forget(TComponent* Component) {
    auto drop = [Component](std::vector<TComponent*>& list) {
      list.erase(std::remove(list.begin(), list.end(), Component), list.end());
    };
    drop(created_);
    drop(read_);
    fixups_.erase(std::remove_if(fixups_.begin(), fixups_.end(),
                                 [Component](const TFixup& f) { return f.Holder == Component; }),
                  fixups_.end());
  }

 private:
  // A reference to set once every component is there.
  struct TFixup {
    TComponent* Holder;     // the component whose property (or sub-object's) it is
    TPersistent* Instance;  // the object the property belongs to
    const TPropInfo* Prop;
    std::string Path;
    int Line;
  };

  // The root must be of the file's class; an unnamed root takes the file's
  // name, a named one keeps its own.
  void ReadRoot(const TObjectNode& Node) {
    if (!SameText(Node.ClassName, root_->ClassName()))
      Fail(Node.Line, "the file holds a " + Node.ClassName + ", not a " + root_->ClassName());
    rootClass_ = FindClassOf(root_);
    if (rootClass_ == nullptr) Fail(Node.Line, "class " + Node.ClassName + " is not registered");
    if (root_->Name().empty() && !Node.Name.empty()) {
      AtLine(Node.Line, "cannot name the root " + Node.Name, [&] { root_->SetName(Node.Name); });
      rootNamed_ = true;
    }
    BeginComponent(root_);
    ReadBody(Node, root_, *rootClass_);
  }

  // Marks a component as being read and remembers it, in the order that
  // makes owners come before what they own.
  void BeginComponent(TComponent* Component) {
    Component->SetLoading(true);
    Component->SetReading(true);
    read_.push_back(Component);
    Component->FreeNotification(&watcher_);
  }

  // A block's properties, then the blocks nested in it.
  void ReadBody(const TObjectNode& Node, TComponent* Component, const TClassInfo& Class) {
    for (const TPropertyNode& prop : Node.Properties)
      ReadProperty(Component, Component, Class.Properties(), prop);
    for (const TObjectNode& child : Node.Children)
      ReadChild(child, Component);
  }

  // A block nested in Parent's: the component belongs to Parent's child
  // owner (Parent itself, or for a data set's fields the form). Reads into
  // the owner's component of that name when it had one before this read
  // (made by a constructor, or by the code that loads into an existing
  // form); otherwise creates the component. A component that has a parent
  // gets Parent as its parent, and a "[n]" position puts it at place n.
  void ReadChild(const TObjectNode& Node, TComponent* Parent) {
    TComponent* owner = AtLine(Node.Line, "error reading " + Describe(Node),
                               [&] { return Parent->GetChildOwner(); });
    if (owner == nullptr) owner = Parent;
    TComponent* component = Node.Name.empty() ? nullptr : owner->FindComponent(Node.Name);
    if (component != nullptr) {
      if (std::find(read_.begin(), read_.end(), component) != read_.end())
        Fail(Node.Line, "a component named " + Node.Name + " appears twice");
      if (!SameText(component->ClassName(), Node.ClassName))
        Fail(Node.Line,
             Node.Name + " is a " + component->ClassName() + ", not a " + Node.ClassName);
    } else {
      if (Node.Inherited()) Fail(Node.Line, "inherited component " + Node.Name + " does not exist");
      const TClassInfo* info = FindClass(Node.ClassName);
      if (info == nullptr) Fail(Node.Line, "Class " + Node.ClassName + " not found");
      if (!info->CanCreate())
        Fail(Node.Line, "Class " + Node.ClassName + " cannot be created from a form file");
      component =
          AtLine(Node.Line, "cannot create " + Node.ClassName, [&] { return info->Create(owner); });
      created_.push_back(component);
      component->FreeNotification(&watcher_);
      AtLine(Node.Line, "cannot name the component " + Node.Name,
             [&] { component->SetName(Node.Name); });
    }
    const TClassInfo* info = FindClassOf(component);
    if (info == nullptr) Fail(Node.Line, "class " + component->ClassName() + " is not registered");
    if (Node.Flavour == TObjectNode::ofInline) component->SetInline(true);
    BeginComponent(component);
    AtLine(Node.Line, "cannot place " + Describe(Node), [&] {
      if (component->HasParent()) component->SetParentComponent(Parent);
      if (Node.ChildPos >= 0) Parent->SetChildOrder(component, Node.ChildPos);
    });
    ReadBody(Node, component, *info);
  }

  // How messages name an object block: by its name, else by its class.
  static std::string Describe(const TObjectNode& Node) {
    return Node.Name.empty() ? Node.ClassName : Node.Name;
  }

  // Follows "Sub.Sub.Name" through sub-object properties to the property it
  // names; "List.Strings" is a string list's lines; a name the table lacks
  // may be one the object defines itself.
  void ReadProperty(TComponent* Holder, TPersistent* Instance, const TPropertyTable& Props,
                    const TPropertyNode& Node) {
    std::string_view rest = Node.Path;
    TPersistent* object = Instance;
    const TPropertyTable* props = &Props;
    for (;;) {
      std::size_t dot = rest.find('.');
      std::string_view name = rest.substr(0, dot);
      const TPropInfo* prop = props->Find(name);
      if (dot == std::string_view::npos) {
        if (prop != nullptr && prop->Kind() == pkPersistent)
          ReadCollection(Holder, object, *prop, Node);
        else if (prop != nullptr)
          ReadValue(Holder, object, *prop, Node);
        else
          ReadDefinedProperty(object, name, Node);
        return;
      }
      rest = rest.substr(dot + 1);
      if (prop != nullptr && prop->Kind() == pkStringList && SameText(rest, "Strings")) {
        ReadStrings(object, *prop, Node);
        return;
      }
      if (prop == nullptr || prop->Kind() != pkPersistent)
        Fail(Node.Line, "property " + std::string(name) + " does not exist or has no properties" +
                            " (in " + Node.Path + ")");
      TPersistent* sub =
          AtLine(Node.Line, "error reading " + Node.Path, [&] { return prop->GetObject(object); });
      if (sub == nullptr) Fail(Node.Line, "property " + std::string(name) + " holds no object");
      props = &formfile::SubObjectTable(sub, *prop);
      object = sub;
    }
  }

  // The value's kind does not fit the property's.
  [[noreturn]] static void WrongValue(const TPropertyNode& Node, const char* Expected) {
    Fail(Node.Line, "invalid value for property " + Node.Path + ": " + Expected +
                        " expected, not " + ValueKindName(Node.Value.Kind));
  }

  // Checks the value against the property's kind and sets it; references
  // wait in the fix-up list until every component exists.
  void ReadValue(TComponent* Holder, TPersistent* Object, const TPropInfo& Prop,
                 const TPropertyNode& Node) {
    const TValue& value = Node.Value;
    std::string context = "error setting " + Node.Path;
    switch (Prop.Kind()) {
      case pkFloat: {
        if (value.Kind != TValue::vkFloat && value.Kind != TValue::vkInteger)
          WrongValue(Node, "a number");
        double number =
            value.Kind == TValue::vkFloat ? value.Float : static_cast<double>(value.Integer);
        AtLine(Node.Line, context, [&] { Prop.SetFloat(Object, number); });
        return;
      }
      case pkSet: {
        if (value.Kind != TValue::vkSet) WrongValue(Node, "a set");
        std::uint64_t members = 0;
        for (const TValue& member : value.Items)
          members |= AtLine(member.Line, context, [&] { return Prop.SetMemberBit(member.Text); });
        AtLine(Node.Line, context,
               [&] { Prop.SetOrdinal(Object, static_cast<std::int64_t>(members)); });
        return;
      }
      case pkBoolean: {
        if (value.Kind != TValue::vkIdentifier) WrongValue(Node, "True or False");
        bool isTrue = SameText(value.Text, "True");
        if (!isTrue && !SameText(value.Text, "False"))
          Fail(Node.Line, "'" + value.Text + "' is not a Boolean value for " + Node.Path);
        AtLine(Node.Line, context, [&] { Prop.SetOrdinal(Object, isTrue ? 1 : 0); });
        return;
      }
      case pkInteger:
        if (value.Kind != TValue::vkInteger) WrongValue(Node, "a number");
        AtLine(Node.Line, context, [&] { Prop.SetOrdinal(Object, value.Integer); });
        return;
      case pkString:
        if (value.Kind != TValue::vkString) WrongValue(Node, "a string");
        AtLine(Node.Line, context, [&] { Prop.SetString(Object, value.Text); });
        return;
      case pkEnumeration: {
        if (value.Kind != TValue::vkIdentifier) WrongValue(Node, "a value name");
        const int ordinal = Prop.EnumIndexOf(value.Text);
        if (ordinal < 0)
          Fail(Node.Line,
               "'" + value.Text + "' is not a value of " + Prop.TypeName() + " for " + Node.Path);
        AtLine(Node.Line, context, [&] { Prop.SetOrdinal(Object, ordinal); });
        return;
      }
      case pkStringList:
        Fail(Node.Line,
             "the lines of " + Node.Path + " are written as " + Node.Path + ".Strings = (...)");
      case pkComponent:
        if (value.Kind != TValue::vkIdentifier) WrongValue(Node, "a component name");
        if (SameText(value.Text, "nil"))
          AtLine(Node.Line, context, [&] { Prop.SetComponent(Object, nullptr); });
        else
          fixups_.push_back({Holder, Object, &Prop, value.Text, Node.Line});
        return;
      case pkPersistent:  // handled by ReadCollection
        return;
      case pkEvent:
        if (value.Kind != TValue::vkIdentifier) WrongValue(Node, "a handler name");
        BindHandler(Object, Prop, Node);
        return;
    }
  }

  // Events name a handler of the root's class; its signature must be the
  // event's.
  void BindHandler(TPersistent* Object, const TPropInfo& Prop, const TPropertyNode& Node) {
    const std::string& name = Node.Value.Text;
    std::string context = "error setting " + Node.Path;
    if (SameText(name, "nil")) {
      AtLine(Node.Line, context, [&] { Prop.SetHandler(Object, nullptr, nullptr); });
      return;
    }
    const TMethodTable* methods = rootClass_->Methods();
    const TMethodEntry* handler = methods != nullptr ? methods->Find(name) : nullptr;
    if (handler == nullptr)
      Fail(Node.Line,
           rootClass_->ClassName() + " has no handler named " + name + " for " + Node.Path);
    if (handler->Signature() != Prop.EventSignature())
      Fail(Node.Line, "handler " + name + " does not fit event " + Node.Path);
    AtLine(Node.Line, context, [&] { Prop.SetHandler(Object, handler, root_); });
  }

  // "X = <item ... end>": the items are made anew, in file order, and each
  // item's properties read like a component's. A sub-object that is no
  // collection takes its properties as "X.Name" lines instead.
  void ReadCollection(TComponent* Holder, TPersistent* Object, const TPropInfo& Prop,
                      const TPropertyNode& Node) {
    TPersistent* sub =
        AtLine(Node.Line, "error reading " + Node.Path, [&] { return Prop.GetObject(Object); });
    auto* collection = dynamic_cast<TCollection*>(sub);
    if (collection == nullptr)
      Fail(Node.Line, "property " + Node.Path + " is an object; its properties are written as " +
                          Node.Path + ".Name");
    if (Node.Value.Kind != TValue::vkCollection) WrongValue(Node, "a collection");
    DropFixupsInside(collection);
    collection->BeginUpdate();
    try {
      AtLine(Node.Line, "error reading " + Node.Path, [&] { collection->Clear(); });
      for (const formfile::TCollectionItemNode& itemNode : Node.Value.Collection) {
        TCollectionItem* item =
            AtLine(itemNode.Line, "error reading " + Node.Path, [&] { return collection->Add(); });
        const TPropertyTable& table = formfile::CollectionItemTable(item);
        for (const TPropertyNode& prop : itemNode.Properties)
          ReadProperty(Holder, item, table, prop);
      }
    } catch (...) {
      collection->EndUpdate();
      throw;
    }
    AtLine(Node.Line, "error reading " + Node.Path, [&] { collection->EndUpdate(); });
  }

  // A collection read twice frees the items of the first reading; references
  // waiting to be set on them must go first.
  void DropFixupsInside(TCollection* Collection) {
    fixups_.erase(std::remove_if(fixups_.begin(), fixups_.end(),
                                 [Collection](const TFixup& f) {
                                   for (TPersistent* up = f.Instance; up != nullptr;
                                        up = up->GetOwner())
                                     if (up == Collection) return true;
                                   return false;
                                 }),
                  fixups_.end());
  }

  // The lines replace the list's as one change.
  void ReadStrings(TPersistent* Object, const TPropInfo& Prop, const TPropertyNode& Node) {
    if (Node.Value.Kind != TValue::vkList) WrongValue(Node, "a list of strings");
    TStringList lines;
    for (const TValue& line : Node.Value.Items) {
      if (line.Kind != TValue::vkString)
        Fail(line.Line, "the list of " + Node.Path + " holds " + ValueKindName(line.Kind) +
                            " where a string was expected");
      lines.Add(line.Text);
    }
    AtLine(Node.Line, "error setting " + Node.Path, [&] { Prop.SetStrings(Object, &lines); });
  }

  // Asks the object to define its raw-byte properties; DefineBinaryProperty
  // reads the one this line names.
  void ReadDefinedProperty(TPersistent* Object, std::string_view Name, const TPropertyNode& Node) {
    wanted_ = &Node;
    wantedName_ = Name;
    found_ = false;
    try {
      AtLine(Node.Line, "error reading " + Node.Path, [&] { Object->DefineProperties(this); });
    } catch (...) {
      wanted_ = nullptr;
      throw;
    }
    wanted_ = nullptr;
    if (!found_) Fail(Node.Line, "property " + Node.Path + " does not exist");
  }

  // Sets every reference now that all components exist.
  void ResolveReferences() {
    while (!fixups_.empty()) {
      TFixup fixup = std::move(fixups_.front());
      fixups_.pop_front();
      TComponent* target = FindComponentPath(root_, fixup.Path);
      if (target == nullptr)
        Fail(fixup.Line,
             "unresolved reference to " + fixup.Path + " in property " + fixup.Prop->Name());
      if (!fixup.Prop->AcceptsComponent(target))
        Fail(fixup.Line, fixup.Path + " is a " + target->ClassName() + "; property " +
                             fixup.Prop->Name() + " needs a " + fixup.Prop->TypeName());
      AtLine(fixup.Line, "error setting " + fixup.Prop->Name(),
             [&] { fixup.Prop->SetComponent(fixup.Instance, target); });
    }
  }

  // Undoes the read after an error: frees what it created, newest first (so
  // a component goes before its owner), takes the reading flags off the
  // components that remain, and gives an unnamed root its empty name back.
  void Abandon() noexcept {
    fixups_.clear();
    if (rootNamed_) root_->SetName(std::string());
    while (!created_.empty()) {
      TComponent* component = created_.back();
      created_.pop_back();
      delete component;
    }
    for (TComponent* component : read_) {
      component->SetReading(false);
      component->SetLoading(false);
    }
  }

  // Every component read gets Loaded, owners first, even when one of them
  // raises; the first exception is passed on after all have run, so that no
  // component stays in csLoading.
  void CallLoaded() {
    std::vector<TComponent*> pending = read_;
    std::exception_ptr firstError;
    for (TComponent* component : pending) {
      if (std::find(read_.begin(), read_.end(), component) == read_.end()) continue;
      try {
        component->Loaded();
      } catch (...) {
        if (!firstError) firstError = std::current_exception();
      }
    }
    if (firstError) std::rethrow_exception(firstError);
  }

  TReadWatcher watcher_;
  const TClassInfo* rootClass_ = nullptr;
  std::vector<TComponent*> created_;       // made by this read, in creation order
  std::vector<TComponent*> read_;          // every component read, owners first
  std::deque<TFixup> fixups_;              // in file order; resolved from the front
  bool rootNamed_ = false;                 // the root took the file's name in this read
  const TPropertyNode* wanted_ = nullptr;  // the defined property being looked for
  std::string_view wantedName_;
  bool found_ = false;
};

// Passes every removal on to the reader.
void TReadWatcher::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove) reader_.Forget(AComponent);
}

// The whole of a stream from its position, as text.
std::string ReadAll(TStream* Stream) {
  std::int64_t size = Stream->Size() - Stream->Position();
  std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (!text.empty()) Stream->ReadBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  return text;
}

}  // namespace

// The entry points; the stream and file forms read the same text.
void ReadComponentText(TComponent* Root, std::string_view Text) {
  if (Root == nullptr) throw EReadError("There is no component to read into");
  TObjectNode node = formfile::ParseForm(Text);
  TFormReader reader(Root);
  reader.Read(node);
}

void ReadComponentStream(TComponent* Root, TStream* Stream) {
  ReadComponentText(Root, ReadAll(Stream));
}

void LoadComponentFromFile(TComponent* Root, const std::string& FileName) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  ReadComponentStream(Root, &file);
}

// Makes the root from the file's class, then reads into it; the root is
// freed with everything in it on any failure.
TComponent* CreateComponentFromText(std::string_view Text, TComponent* Owner) {
  TObjectNode node = formfile::ParseForm(Text);
  const TClassInfo* info = FindClass(node.ClassName);
  if (info == nullptr) Fail(node.Line, "Class " + node.ClassName + " not found");
  if (!info->CanCreate())
    Fail(node.Line, "Class " + node.ClassName + " cannot be created from a form file");
  TComponent* root =
      AtLine(node.Line, "cannot create " + node.ClassName, [&] { return info->Create(Owner); });
  try {
    if (!node.Name.empty())
      AtLine(node.Line, "cannot name the root " + node.Name, [&] { root->SetName(node.Name); });
    TFormReader reader(root);
    reader.Read(node);
  } catch (...) {
    delete root;
    throw;
  }
  return root;
}

TComponent* CreateComponentFromStream(TStream* Stream, TComponent* Owner) {
  return CreateComponentFromText(ReadAll(Stream), Owner);
}

TComponent* CreateComponentFromFile(const std::string& FileName, TComponent* Owner) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  return CreateComponentFromStream(&file, Owner);
}

}  // namespace host
