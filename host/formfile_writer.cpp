// The form-file writer: a root and the components it owns, as text.
#include <algorithm>
#include <memory>
#include <vector>

#include "host/collection.h"
#include "host/formfile.h"
#include "host/formfile_internal.h"
#include "host/stream.h"
#include "host/strings.h"
#include "host/sysutils.h"
#include "host/typinfo.h"

namespace host {

namespace formfile {

// The object's own class may publish more than the property's declared one.
const TPropertyTable& SubObjectTable(TPersistent* Object, const TPropInfo& Prop) {
  const TClassInfo* info = FindClassOf(Object);
  return info != nullptr ? info->Properties() : Prop.ObjectProperties();
}

// An item's own class when registered, else the collection's item class.
const TPropertyTable& CollectionItemTable(TCollectionItem* Item) {
  const TClassInfo* info = FindClassOf(Item);
  return info != nullptr ? info->Properties() : Item->Collection()->ItemProperties();
}

// Bytes become hex lines short enough for a reader to scan and diff.
void AppendHexLines(std::string& Out, std::string_view Bytes, std::string_view Indent) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  static constexpr std::size_t kBytesPerLine = 32;
  for (std::size_t i = 0; i < Bytes.size(); ++i) {
    if (i % kBytesPerLine == 0) {
      Out += '\n';
      Out += Indent;
    }
    auto code = static_cast<unsigned char>(Bytes[i]);
    Out += kDigits[code >> 4];
    Out += kDigits[code & 0x0F];
  }
}

}  // namespace formfile

namespace {

// Clears a component's csWriting however its writing ends.
class TWritingScope {
 public:
  explicit TWritingScope(TComponent* Component) : component_(Component) {
    component_->SetWriting(true);
  }
  TWritingScope(const TWritingScope&) = delete;
  TWritingScope& operator=(const TWritingScope&) = delete;
  ~TWritingScope() { component_->SetWriting(false); }

 private:
  TComponent* component_;
};

class TFormWriter final : public TFiler {
 public:
  TFormWriter(TComponent* Root, TComponent* Ancestor) : ancestorRoot_(Ancestor) { root_ = Root; }

  // The whole file; an ancestor must be of a registered class, or its
  // properties could not be compared.
  std::string Write() {
    if (ancestorRoot_ != nullptr && FindClassOf(ancestorRoot_) == nullptr)
      throw EWriteError("Class " + ancestorRoot_->ClassName() +
                        " of the ancestor is not registered");
    WriteObject(root_, ancestorRoot_, 0, -1);
    return std::move(out_);
  }

  // Writes the property as a hex block when its store test asks for it.
  void DefineBinaryProperty(const std::string& Name, const TStreamProc& /*ReadData*/,
                            const TStreamProc& WriteData, bool HasData) override {
    if (!HasData || !WriteData) return;
    TMemoryStream bytes;
    WriteData(&bytes);
    BeginLine(definePrefix_ + Name);
    out_ += '{';
    formfile::AppendHexLines(out_,
                             std::string_view(reinterpret_cast<const char*>(bytes.Memory()),
                                              static_cast<std::size_t>(bytes.Size())),
                             std::string(static_cast<std::size_t>(indent_ + 1) * 2, ' '));
    out_ += "}\n";
  }

  // Writes the property's value when its store test asks for it.
  void DefineProperty(const std::string& Name, const TReaderProc& /*ReadData*/,
                      const TWriterProc& WriteData, bool HasData) override {
    if (!HasData || !WriteData) return;
    BeginLine(definePrefix_ + Name);
    TWriter writer(out_, indent_);
    WriteData(writer);
    out_ += '\n';
  }

 private:
  // One object block, its properties, then its children: the components it
  // owns in their order, and those it is the parent of (ChildrenOf). Against
  // an ancestor, a child that moved is written with its new position.
  void WriteObject(TComponent* Component, TComponent* Ancestor, int Indent, int ChildPos) {
    const TClassInfo* info = FindClassOf(Component);
    if (info == nullptr)
      throw EWriteError("Class " + Component->ClassName() + " is not registered");
    TWritingScope writing(Component);
    indent_ = Indent;
    out_.append(static_cast<std::size_t>(Indent) * 2, ' ');
    out_ += Ancestor != nullptr                              ? "inherited "
            : Component->ComponentState().Contains(csInline) ? "inline "
                                                             : "object ";
    if (!Component->Name().empty()) out_ += Component->Name() + ": ";
    out_ += info->ClassName();
    if (ChildPos >= 0) out_ += " [" + std::to_string(ChildPos) + "]";
    out_ += '\n';
    indent_ = Indent + 1;
    WriteProperties(Component, Ancestor, info->Properties(), std::string());
    std::vector<TComponent*> ancestorChildren;
    if (Ancestor != nullptr) ancestorChildren = ChildrenOf(Ancestor, ancestorRoot_);
    for (TComponent* child : ChildrenOf(Component, root_)) {
      TComponent* ancestorChild = AncestorOf(child, Component, Ancestor);
      int childPos = -1;
      if (ancestorChild != nullptr &&
          ChildPosition(child, Component) != ChildPosition(ancestorChild, Ancestor))
        childPos = ChildPosition(child, Component);
      WriteObject(child, ancestorChild, Indent + 1, childPos);
    }
    out_.append(static_cast<std::size_t>(Indent) * 2, ' ');
    out_ += "end\n";
  }

  // The children written inside Component's block: those it owns, except
  // sub-components and those a parent component in the file writes, then
  // those it hands over as their parent.
  static std::vector<TComponent*> ChildrenOf(TComponent* Component, TComponent* Root) {
    std::vector<TComponent*> children;
    for (int i = 0; i < Component->ComponentCount(); ++i) {
      TComponent* child = Component->Components(i);
      if (child->IsSubComponent() || WrittenByParent(child, Root)) continue;
      children.push_back(child);
    }
    Component->GetChildren([&children](TComponent* Child) { children.push_back(Child); }, Root);
    return children;
  }

  // A component with a parent inside the file is written in its parent's
  // block, by the parent, when the parent's children belong to its owner.
  static bool WrittenByParent(TComponent* Child, TComponent* Root) {
    if (!Child->HasParent()) return false;
    TComponent* parent = Child->GetParentComponent();
    if (parent == nullptr || parent->GetChildOwner() != Child->Owner()) return false;
    for (TComponent* up = parent; up != nullptr; up = up->Owner())
      if (up == Root) return true;
    return false;
  }

  // The ancestor's counterpart of a child: the component of the same name
  // and class in the ancestor's counterpart of the child's owner.
  static TComponent* AncestorOf(TComponent* Child, TComponent* Component, TComponent* Ancestor) {
    if (Ancestor == nullptr || Child->Name().empty()) return nullptr;
    TComponent* owner = Child->Owner() == Component ? Ancestor : Ancestor->GetChildOwner();
    TComponent* found = owner != nullptr ? owner->FindComponent(Child->Name()) : nullptr;
    if (found != nullptr && FindClassOf(found) != FindClassOf(Child)) return nullptr;
    return found;
  }

  // The position SetChildOrder takes back: the place in the owner's list for
  // an owned child, the place among the parent's children otherwise.
  static int ChildPosition(TComponent* Child, TComponent* Parent) {
    if (Child->Owner() == Parent) return Child->ComponentIndex();
    int position = 0;
    int found = -1;
    Parent->GetChildren(
        [&](TComponent* Each) {
          if (Each == Child) found = position;
          ++position;
        },
        RootOf(Parent));
    return found;
  }

  // The published properties of Object (a component or a sub-object, whose
  // names then carry Prefix), then those it defines itself.
  void WriteProperties(TPersistent* Object, TPersistent* Ancestor, const TPropertyTable& Props,
                       const std::string& Prefix) {
    // An unregistered ancestor is a sub-object reached through the same
    // property, so its declared table fits it.
    const TPropertyTable* ancestorProps = nullptr;
    if (Ancestor != nullptr) {
      const TClassInfo* ancestorInfo = FindClassOf(Ancestor);
      ancestorProps = ancestorInfo != nullptr ? &ancestorInfo->Properties() : &Props;
    }
    for (int i = 0; i < Props.Count(); ++i) {
      const TPropInfo& prop = Props.Item(i);
      if (!prop.Stored()) continue;
      // The ancestor is consulted only for properties its own class has (the
      // same entry, inherited), so an accessor never runs on an object of
      // another class.
      TPersistent* ancestor = ancestorProps != nullptr && ancestorProps->Find(prop.Name()) == &prop
                                  ? Ancestor
                                  : nullptr;
      WriteProperty(Object, ancestor, prop, Prefix);
    }
    WriteDefinedProperties(Object, Ancestor, Prefix);
  }

  // One published property, unless it holds its default (or, against an
  // ancestor, the ancestor's value).
  void WriteProperty(TPersistent* Object, TPersistent* Ancestor, const TPropInfo& Prop,
                     const std::string& Prefix) {
    std::string name = Prefix + Prop.Name();
    switch (Prop.Kind()) {
      case pkBoolean:
      case pkInteger:
      case pkEnumeration:
      case pkSet: {
        std::int64_t value = Prop.GetOrdinal(Object);
        if (Ancestor != nullptr
                ? value == Prop.GetOrdinal(Ancestor)
                : Prop.HasDefault() && !Prop.AlwaysWritten() && value == Prop.DefaultOrdinal())
          return;
        BeginLine(name);
        out_ += Prop.GetAsText(Object);
        out_ += '\n';
        return;
      }
      case pkFloat: {
        double value = Prop.GetFloat(Object);
        if (Ancestor != nullptr
                ? value == Prop.GetFloat(Ancestor)
                : Prop.HasDefault() && !Prop.AlwaysWritten() && value == Prop.DefaultFloat())
          return;
        BeginLine(name);
        formfile::AppendFloatLiteral(out_, value);
        out_ += '\n';
        return;
      }
      case pkString: {
        std::string value = Prop.GetString(Object);
        if (Ancestor != nullptr
                ? value == Prop.GetString(Ancestor)
                : Prop.HasDefault() && !Prop.AlwaysWritten() && value == Prop.DefaultString())
          return;
        BeginLine(name);
        formfile::AppendStringLiteral(out_, value);
        out_ += '\n';
        return;
      }
      case pkStringList:
        WriteStringList(Object, Ancestor, Prop, name);
        return;
      case pkComponent:
        WriteReference(Object, Ancestor, Prop, name);
        return;
      case pkPersistent: {
        TPersistent* sub = Prop.GetObject(Object);
        if (sub == nullptr) return;
        TPersistent* ancestorSub = Ancestor != nullptr ? Prop.GetObject(Ancestor) : nullptr;
        if (auto* collection = dynamic_cast<TCollection*>(sub)) {
          WriteCollection(collection, dynamic_cast<TCollection*>(ancestorSub), name);
          return;
        }
        WriteProperties(sub, ancestorSub, formfile::SubObjectTable(sub, Prop), name + ".");
        return;
      }
      case pkEvent:
        WriteEvent(Object, Ancestor, Prop, name);
        return;
    }
  }

  // X.Strings = ( 'line' ... ), one line of text per line of the list; an
  // empty list is written only when the property is always written.
  void WriteStringList(TPersistent* Object, TPersistent* Ancestor, const TPropInfo& Prop,
                       const std::string& Name) {
    TStrings* lines = Prop.GetStrings(Object);
    if (lines == nullptr) return;
    if (Ancestor != nullptr) {
      TStrings* ancestorLines = Prop.GetStrings(Ancestor);
      if (ancestorLines != nullptr && lines->Equals(ancestorLines)) return;
    } else if (lines->Count() == 0 && !Prop.AlwaysWritten()) {
      return;
    }
    BeginLine(Name + ".Strings");
    out_ += '(';
    for (int i = 0; i < lines->Count(); ++i) {
      out_ += '\n';
      out_.append(static_cast<std::size_t>(indent_ + 1) * 2, ' ');
      formfile::AppendStringLiteral(out_, lines->Strings(i));
    }
    out_ += ")\n";
  }

  // Name = < item ... end item ... end >: every item's properties against
  // their defaults. Against an ancestor the whole collection is written
  // when it differs from the ancestor's in any way, as items have no names
  // to match them by; without one, an empty collection is not written.
  void WriteCollection(TCollection* Collection, TCollection* Ancestor, const std::string& Name) {
    std::string items = CollectionItemsText(Collection);
    if (Ancestor != nullptr ? items == CollectionItemsText(Ancestor) : Collection->Count() == 0)
      return;
    BeginLine(Name);
    out_ += '<';
    out_ += items;
    out_ += ">\n";
  }

  // The items as the file holds them between "<" and ">", one level deeper
  // than the property.
  std::string CollectionItemsText(TCollection* Collection) {
    std::string saved = std::move(out_);
    out_.clear();
    int savedIndent = indent_;
    try {
      for (int i = 0; i < Collection->Count(); ++i) {
        TCollectionItem* item = Collection->Items(i);
        out_ += '\n';
        out_.append(static_cast<std::size_t>(savedIndent + 1) * 2, ' ');
        out_ += "item\n";
        indent_ = savedIndent + 2;
        WriteProperties(item, nullptr, formfile::CollectionItemTable(item), std::string());
        out_.append(static_cast<std::size_t>(savedIndent + 1) * 2, ' ');
        out_ += "end";
        indent_ = savedIndent;
      }
    } catch (...) {
      out_ = std::move(saved);
      indent_ = savedIndent;
      throw;
    }
    std::string items = std::move(out_);
    out_ = std::move(saved);
    return items;
  }

  // A reference is written as the path from the root. One the file cannot
  // name is an error rather than a silent loss of the link.
  void WriteReference(TPersistent* Object, TPersistent* Ancestor, const TPropInfo& Prop,
                      const std::string& Name) {
    TComponent* target = Prop.GetComponent(Object);
    std::string path;
    if (target != nullptr && !TryComponentPath(target, root_, path))
      throw EWriteError(
          "Property " + Name + " of " + DescribeOwner(Object) + " refers to " +
          (target->Name().empty() ? "an unnamed " + target->ClassName() : target->Name()) +
          ", which the form file cannot name");
    if (Ancestor != nullptr) {
      std::string ancestorPath;
      TComponent* ancestorTarget = Prop.GetComponent(Ancestor);
      if (ancestorTarget != nullptr) TryComponentPath(ancestorTarget, ancestorRoot_, ancestorPath);
      if (SameText(path, ancestorPath)) return;
    } else if (target == nullptr) {
      return;
    }
    BeginLine(Name);
    out_ += target != nullptr ? path : std::string("nil");
    out_ += '\n';
  }

  // Only a handler of this root's method table has a name to write; a handler
  // assigned in code without one is left out.
  void WriteEvent(TPersistent* Object, TPersistent* Ancestor, const TPropInfo& Prop,
                  const std::string& Name) {
    std::string handler = HandlerName(Object, Prop, root_);
    if (Ancestor != nullptr) {
      if (SameText(handler, HandlerName(Ancestor, Prop, ancestorRoot_))) return;
      if (handler.empty() && Prop.IsHandlerAssigned(Object)) return;
    } else if (handler.empty()) {
      return;
    }
    BeginLine(Name);
    out_ += handler.empty() ? std::string("nil") : handler;
    out_ += '\n';
  }

  // The name under which Object's event handler is written from Root's file.
  static std::string HandlerName(TPersistent* Object, const TPropInfo& Prop, TComponent* Root) {
    TObject* instance = nullptr;
    const TMethodEntry* handler = Prop.GetHandler(Object, instance);
    if (handler == nullptr || instance != Root) return std::string();
    return handler->Name();
  }

  // Lets Object define raw-byte properties; DefineBinaryProperty writes them.
  void WriteDefinedProperties(TPersistent* Object, TPersistent* Ancestor,
                              const std::string& Prefix) {
    std::string savedPrefix = std::move(definePrefix_);
    TPersistent* savedAncestor = ancestor_;
    definePrefix_ = Prefix;
    ancestor_ = Ancestor;
    Object->DefineProperties(this);
    definePrefix_ = std::move(savedPrefix);
    ancestor_ = savedAncestor;
  }

  // "  Name = " at the current depth.
  void BeginLine(const std::string& Name) {
    out_.append(static_cast<std::size_t>(indent_) * 2, ' ');
    out_ += Name;
    out_ += " = ";
  }

  // How error messages name the object a property belongs to.
  static std::string DescribeOwner(TPersistent* Object) {
    TComponent* component = dynamic_cast<TComponent*>(Object);
    if (component != nullptr && !component->Name().empty()) return component->Name();
    return Object->ClassName();
  }

  TComponent* ancestorRoot_;
  std::string out_;
  std::string definePrefix_;
  int indent_ = 0;
};

}  // namespace

// The entry points; the stream and file forms write the same text.
std::string WriteComponentText(TComponent* Root, TComponent* Ancestor) {
  if (Root == nullptr) throw EWriteError("There is no component to write");
  TFormWriter writer(Root, Ancestor);
  return writer.Write();
}

void WriteComponentStream(TComponent* Root, TStream* Stream, TComponent* Ancestor) {
  std::string text = WriteComponentText(Root, Ancestor);
  Stream->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

void SaveComponentToFile(TComponent* Root, const std::string& FileName, TComponent* Ancestor) {
  std::string text = WriteComponentText(Root, Ancestor);
  TFileStream file(FileName, fmCreate);
  file.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

}  // namespace host
