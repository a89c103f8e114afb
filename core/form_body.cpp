#include "core/form_body.h"

void AppendFormField(std::string& body, std::string_view literal, std::string_view value) {
    body += literal;
    body += value;
}
