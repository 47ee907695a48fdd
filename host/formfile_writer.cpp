// The form-file writer: a root and the named components it owns, as text.
#include <memory>

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

// Printable ASCII stays readable inside quotes; anything else becomes #code
// so that a file survives editors and transfers that mangle control or
// high-half bytes.
void AppendStringLiteral(std::string& Out, std::string_view Text) {
  if (Text.empty()) {
    Out += "''";
    return;
  }
  bool quoted = false;
  for (char c : Text) {
    auto code = static_cast<unsigned char>(c);
    bool printable = code >= 0x20 && code < 0x7F;
    if (printable != quoted) {
      Out += '\'';
      quoted = printable;
    }
    if (!printable) {
      Out += '#';
      Out += std::to_string(code);
    } else {
      Out += c;
      if (c == '\'') Out += '\'';
    }
  }
  if (quoted) Out += '\'';
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
    WriteObject(root_, ancestorRoot_, 0);
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

 private:
  // One object block, its properties, then its named components in the order
  // the component owns them.
  void WriteObject(TComponent* Component, TComponent* Ancestor, int Indent) {
    const TClassInfo* info = FindClassOf(Component);
    if (info == nullptr)
      throw EWriteError("Class " + Component->ClassName() + " is not registered");
    TWritingScope writing(Component);
    indent_ = Indent;
    out_.append(static_cast<std::size_t>(Indent) * 2, ' ');
    out_ += Ancestor != nullptr ? "inherited " : "object ";
    if (!Component->Name().empty()) out_ += Component->Name() + ": ";
    out_ += info->ClassName();
    out_ += '\n';
    indent_ = Indent + 1;
    WriteProperties(Component, Ancestor, info->Properties(), std::string());
    for (int i = 0; i < Component->ComponentCount(); ++i) {
      TComponent* child = Component->Components(i);
      if (child->Name().empty()) continue;
      TComponent* ancestorChild =
          Ancestor != nullptr ? Ancestor->FindComponent(child->Name()) : nullptr;
      if (ancestorChild != nullptr && FindClassOf(ancestorChild) != FindClassOf(child))
        ancestorChild = nullptr;
      WriteObject(child, ancestorChild, Indent + 1);
    }
    out_.append(static_cast<std::size_t>(Indent) * 2, ' ');
    out_ += "end\n";
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
      case pkEnumeration: {
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
