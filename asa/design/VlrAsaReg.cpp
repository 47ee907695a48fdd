// The registration procedures of the driver's units, and their recording in
// package order (VlrAsa, VlrAsaDS, VlrAsaEd) when the library loads.
#include "asa/VlrAsa.h"
#include "asa/dataset/VlrAsaDS.h"
#include "asa/design/VlrAsaEd.h"
#include "base/design/VlrProps.h"
#include "host/design.h"

namespace velar {

void RegisterVlrAsa() {
  host::RegisterComponents<TAsaSession, TAsaSQL>("VelarDB");
}

void RegisterVlrAsaEd() {
  host::RegisterPropertyEditor<TAsaParams, TVelarParamsProperty>();
  host::RegisterPropertyEditor<std::string, TVelarLibFileProperty, TAsaSession>("LibraryFile");
  host::RegisterPropertyEditor<std::string, TVelarPathProperty, TAsaSession>("LibraryPath");
  host::RegisterPropertyEditor<std::string, TVelarDBFileProperty, TAsaSession>("LoginDatabase");
  host::RegisterComponentEditor<TAsaSession, TVelarAsaAboutComponentEditor>();
}

namespace {

const bool unitsRecorded = host::RegisterDesignUnit("VlrAsa", &RegisterVlrAsa) &&
                           host::RegisterDesignUnit("VlrAsaDS", &RegisterVlrAsaDS) &&
                           host::RegisterDesignUnit("VlrAsaEd", &RegisterVlrAsaEd);

}  // namespace

}  // namespace velar
