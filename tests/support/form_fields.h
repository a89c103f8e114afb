#pragma once
// Reading recorded request bodies back: their fields in order.

#include <string>
#include <utility>
#include <vector>

using FormFields = std::vector<std::pair<std::string, std::string>>;

// The body's fields split at "&" and the first "=" of each; only for bodies whose
// values hold neither character.
FormFields SplitFormBody(const std::string& body);

// The names of the fields, in order.
std::vector<std::string> FieldNames(const FormFields& fields);

// The value of the first field with that name, or "<absent>".
std::string FieldValue(const FormFields& fields, const std::string& name);

// Two device identifiers of this machine are the same but for digits 27 and 28:
// EBX's highest byte names the processor that happened to run CPUID.
bool SameDevice(const std::string& id, const std::string& other);
