// Resource strings: texts that a library ships built in and that a
// translation module may replace at run time.
//
// A library declares each of its user-visible texts as a TResStringRec: the
// name of the module that owns it, a number unique inside that module, and the
// built-in text. Reading goes through LoadResString, which prefers the text of
// an installed translation for that module and falls back to the built-in one
// for every number the translation does not carry, so a partial translation
// never leaves a message empty.
//
// A translation module (a shared library loaded by the program, or the program
// itself) installs its table with InstallResourceTranslation, normally once at
// start-up; installing again for the same module replaces the table.
#pragma once

#include <string>
#include <unordered_map>

namespace host {

struct TResStringRec {
  const char* Module;  // name of the owning module, e.g. "VlrPack5"
  int Identifier;      // number of the text inside its module
  const char* Text;    // the built-in text
};

// Replacement texts of one module, by identifier.
using TResourceTranslation = std::unordered_map<int, std::string>;

// Installs (or replaces) the translation of Module's resource strings.
void InstallResourceTranslation(const std::string& Module, TResourceTranslation Table);
// Removes the translation of Module, so that its built-in texts apply again.
// Returns false when none was installed.
bool RemoveResourceTranslation(const std::string& Module);

// The text of a resource string: the installed translation's when it has one
// for this module and identifier, otherwise the built-in text.
std::string LoadResString(const TResStringRec& Rec);

}  // namespace host
