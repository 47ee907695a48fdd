// The session's published properties, and its registration with the class
// registry so that a session stored in a form file can be read back (and
// connects in Loaded when it was stored connected).
#include "asa/VlrAsaSession.h"
#include "host/typinfo.h"

namespace velar {

// The value names form files and the designer use for ServerType.
const host::TEnumTypeInfo& AsaServerTypeInfo() {
  static const host::TEnumTypeInfo type{"TAsaServerType", {"stClient", "stServer", "stWorkgroup"}};
  return type;
}

// The value names for TransIsolation, spelled as the component always has.
const host::TEnumTypeInfo& AsaTransIsolationInfo() {
  static const host::TEnumTypeInfo type{"TAsaTransIsolation",
                                        {"atUnchanged", "atReadUncommitted", "atReadCommitted",
                                         "atReapeatableRead", "atSerializable"}};
  return type;
}

// Properties without a declared default are always written. Connected is
// set through the session's own setter, which only records the value while
// the form is read; the base applies it in Loaded, once every other property
// is in place.
const host::TPropertyTable& TAsaSession::Properties() {
  using S = TAsaSession;
  using B = TVelarSession;
  static const host::TPropertyTable table(
      host::TComponent::Properties(),
      {
          host::BoolProp("AutoCommit", &B::AutoCommit, &B::SetAutoCommit),
          host::StringProp("ClientParams", &S::ClientParams, &S::SetClientParams),
          host::BoolProp("CommitOnDisconnect", &S::CommitOnDisconnect, &S::SetCommitOnDisconnect,
                         true),
          host::BoolProp("Connected", &B::Connected, &B::SetConnected),
          host::StringProp("LibraryFile", &B::LibraryFile, &B::SetLibraryFile),
          host::StringProp("LibraryPath", &B::LibraryPath, &B::SetLibraryPath),
          host::StringProp("LoginDatabase", &B::LoginDatabase, &B::SetLoginDatabase),
          host::StringProp("LoginUser", &B::LoginUser, &B::SetLoginUser),
          host::StringProp("LoginPassword", &B::LoginPassword, &B::SetLoginPassword),
          host::StringProp("LoginEngineName", &S::LoginEngineName, &S::SetLoginEngineName),
          host::BoolProp("OEMConvert", &B::OEMConvert, &B::SetOEMConvert, false),
          host::StringProp("ServerParams", &S::ServerParams, &S::SetServerParams),
          host::EnumProp("ServerType", &S::ServerType, &S::SetServerType, stServer,
                         AsaServerTypeInfo()),
          host::EnumProp("TransIsolation", &S::TransIsolation, &S::SetTransIsolation, atUnchanged,
                         AsaTransIsolationInfo()),
          host::BoolProp("WantExceptions", &B::WantExceptions, &B::SetWantExceptions, false),
          host::BoolProp("WantRowCounts", &S::WantRowCounts, &S::SetWantRowCounts, false),
          host::EventProp("AfterConnect", &B::AfterConnect),
          host::EventProp("BeforeConnect", &B::BeforeConnect),
          host::EventProp("AfterDisconnect", &B::AfterDisconnect),
          host::EventProp("BeforeDisconnect", &B::BeforeDisconnect),
          host::EventProp("OnError", &B::OnError),
          host::EventProp("OnConnectionTerminated", &B::OnConnectionTerminated),
          host::EventProp("OnBackup", &S::OnBackup),
          host::EventProp("OnServerWait", &S::OnServerWait),
      });
  return table;
}

namespace {

// Registered when the driver library is loaded, as a program that reads forms
// expects of the components it links.
const host::TClassInfo& asaSessionClass = host::RegisterClass<TAsaSession>();

}  // namespace

}  // namespace velar
