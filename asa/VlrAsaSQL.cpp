// The ASA statement's construction, its reach to the session and the
// library, and its published properties.
#include "asa/VlrAsaSQL.h"
#include "asa/VlrAsaSession.h"

#include <new>
#include <typeinfo>

#include "host/typinfo.h"

namespace velar {

TAsaSQL::TAsaSQL(host::TComponent* AOwner) : TVelarSQL(AOwner) {}

// The base's destroy frame runs first, while this class's steps still exist:
// it closes and unprepares both sides, which frees every descriptor. One
// left behind by a failed step is freed here while the library is loaded.
TAsaSQL::~TAsaSQL() {
  BeforeDestruction();
  FreeSqlda(cursorSqlda_);
  FreeSqlda(openBindSqlda_);
  FreeSqlda(execBindSqlda_);
  FreeSqlda(execOutSqlda_);
}

// A statement of this driver works only on a session of this driver.
// The library's table, for the statement's calls.
const TAsaProcs& TAsaSQL::Procs() {
  return AsaLibrary.Procs;
}

// Every call to the library reaches the session here, so the common case,
// a session of exactly this class, is told by its type alone; a derived
// class takes the full cast.
TAsaSession* TAsaSQL::AsaSession() const {
  TVelarSession* linked = RequireSession();
  if (typeid(*linked) == typeid(TAsaSession)) return static_cast<TAsaSession*>(linked);
  auto* session = dynamic_cast<TAsaSession*>(linked);
  if (session == nullptr) throw EAsaException(VlrLoadStr(VELAR_ERR_SESS_NIL));
  return session;
}

// A lost connection makes the session disconnect inside Check, which
// unprepares this statement too; the caller must then stop at once.
bool TAsaSQL::CheckCall(std::uint32_t Mark) {
  const bool result = Check(nullptr, 0, 0, WantExceptions());
  return result && !ReleasedSince(Mark);
}

bool TAsaSQL::Abandon() {
  if (WantExceptions()) RaiseLastError<EAsaException>(GetLastError());
  return false;
}

sqlda* TAsaSQL::AllocSqlda(int Entries) {
  sqlda* descriptor = Procs().alloc_sqlda(static_cast<unsigned>(Entries));
  if (descriptor == nullptr) throw std::bad_alloc();
  return descriptor;
}

// A descriptor is the library's memory; once the library is unloaded there
// is nothing left to free it with (the session frees every statement's
// descriptors when it disconnects, before that).
void TAsaSQL::FreeSqlda(sqlda*& Descriptor) {
  if (Descriptor != nullptr && Procs().free_sqlda != nullptr) Procs().free_sqlda(Descriptor);
  Descriptor = nullptr;
}

TVelarBlobStream* TAsaSQL::InternalCreateBlobStream(const std::string& FieldName) {
  return new TAsaBlobStream(BlobManager(), FieldName);
}

// The session is written by name and read back after the whole form, so a
// statement may come before its session in the file. The link is read
// without the run-time check, so that an unlinked statement can be written.
const host::TPropertyTable& TAsaSQL::Properties() {
  using B = TVelarSQL;
  static const host::TPropertyTable table(
      host::TComponent::Properties(),
      {
          host::ComponentProp("Session", &B::SessionLink, &B::SetSession),
          host::BoolProp("UniDirectional", &B::UniDirectional, &B::SetUniDirectional, true),
          host::BoolProp("WantExceptions", &B::WantExceptions, &B::SetWantExceptions, false),
          host::EventProp("AfterOpen", &B::AfterOpen),
          host::EventProp("BeforeOpen", &B::BeforeOpen),
          host::EventProp("AfterClose", &B::AfterClose),
          host::EventProp("BeforeClose", &B::BeforeClose),
      });
  return table;
}

namespace {

const host::TClassInfo& asaSqlClass = host::RegisterClass<TAsaSQL>();

}  // namespace

}  // namespace velar
