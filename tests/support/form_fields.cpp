#include "tests/support/form_fields.h"

FormFields SplitFormBody(const std::string& body) {
    FormFields fields;
    std::size_t start = 0;
    while (start <= body.size()) {
        std::size_t end = body.find('&', start);
        if (end == std::string::npos) end = body.size();
        const std::string field = body.substr(start, end - start);
        const std::size_t equals = field.find('=');
        if (equals == std::string::npos) {
            fields.emplace_back(field, "");
        } else {
            fields.emplace_back(field.substr(0, equals), field.substr(equals + 1));
        }
        start = end + 1;
    }
    return fields;
}

std::vector<std::string> FieldNames(const FormFields& fields) {
    std::vector<std::string> names;
    for (const auto& field : fields) names.push_back(field.first);
    return names;
}

std::string FieldValue(const FormFields& fields, const std::string& name) {
    for (const auto& field : fields) {
        if (field.first == name) return field.second;
    }
    return "<absent>";
}

bool SameDevice(const std::string& id, const std::string& other) {
    constexpr std::size_t kProcessorDigits = 27;
    if (id.size() != 47 || other.size() != 47) return false;
    return id.substr(0, kProcessorDigits) == other.substr(0, kProcessorDigits) &&
           id.substr(kProcessorDigits + 2) == other.substr(kProcessorDigits + 2);
}
