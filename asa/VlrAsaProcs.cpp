#include "asa/VlrAsaProcs.h"

#include "base/VlrRoutines.h"

namespace velar {

TAsaLibrary AsaLibrary;

namespace {

// Binds one plain entry: the library's address, else null for an optional
// entry and the raising fallback of the entry's own type for any other.
template <class Proc>
void BindEntry(Proc& Target, void* Found, bool Optional) {
  VlrInternalAssignProcAddress(Target, Found, Optional ? Proc(nullptr) : VlrDummyProcFor<Proc>);
}

// A dbpp_ entry is the same address seen in both calling forms; the form is
// chosen per call, once the library's generation is known.
template <class ShortProc, class LegacyProc>
void BindEntry(TAsaDbppProc<ShortProc, LegacyProc>& Target, void* Found, bool Optional) {
  BindEntry(Target.Short, Found, Optional);
  BindEntry(Target.Legacy, Found, Optional);
}

}  // namespace

// A missing name never fails the load: an old library is usable for what it
// has, and calling what it lacks reports it as too old.
void BindAsaProcs(TAsaProcs& Procs, host::TLibraryHandle Handle) {
  VisitAsaProcs(Procs, [Handle](const char* Name, auto& Entry, bool Optional) {
    BindEntry(Entry, host::GetProcAddress(Handle, Name), Optional);
  });
}

}  // namespace velar
