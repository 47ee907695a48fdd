// Unit VlrAsaEd: the driver's design time. The registration procedures of
// the driver's units, which a designer runs through host::InstallDesignUnits,
// the editor of a dataset's parameters and the form resource of its dialog.
#pragma once

#include "asa/design/VlrAsaParamsDlg.h"
#include "host/design.h"

namespace velar {

// Unit VlrAsa: the palette page "VelarDB" with the session and the statement.
void RegisterVlrAsa();
// Unit VlrAsaEd: the parameter editor for every TAsaParams property, the
// editors of the session's file and directory properties and the session's
// About editor.
void RegisterVlrAsaEd();

// The parameter dialog's form resource, compiled in from VlrAsaEd.vfm: the
// root VelarParamsDlg of class TVelarParamsDlg with its controls, geometry,
// tab order and the handlers its events name (FormCreate, FormDestroy,
// FormClose, lbParamNamesClick, edParamNameChange, cbDataTypeChange,
// edParamValueExit, btnNewClick, btnDeleteClick).
extern const char kVlrAsaEdResource[];

// A dataset's Params: a button that opens the parameter dialog on the
// collection, captioned after it ("Query1.TAsaParams Parameters"). OK tells
// the designer of the change; any other ending leaves the collection as it
// was.
class TVelarParamsProperty : public host::TClassProperty {
 public:
  using host::TClassProperty::TClassProperty;
  void Edit() override;
  // paDialog alone: no sub-properties, no reverting.
  host::TPropertyAttributes GetAttributes() override;
};

}  // namespace velar
