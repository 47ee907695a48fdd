// Unit VlrAsaEd: the driver's design time. The registration procedures of
// the driver's units, which a designer runs through host::InstallDesignUnits,
// and the form resource of the parameter dialog.
#pragma once

namespace velar {

// Unit VlrAsa: the palette page "VelarDB" with the session and the statement.
void RegisterVlrAsa();
// Unit VlrAsaEd: the editors of the session's file and directory properties
// and the session's About editor.
void RegisterVlrAsaEd();

// The parameter dialog's form resource, compiled in from VlrAsaEd.vfm: the
// root VelarParamsDlg of class TVelarParamsDlg with its controls, geometry,
// tab order and the handlers its events name (FormCreate, FormDestroy,
// FormClose, lbParamNamesClick, edParamNameChange, cbDataTypeChange,
// edParamValueExit, btnNewClick, btnDeleteClick).
extern const char kVlrAsaEdResource[];

}  // namespace velar
