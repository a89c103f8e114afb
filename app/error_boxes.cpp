#include "app/error_boxes.h"

#include <windows.h>

#include <string>

#include "core/app_state.h"

namespace {

// The communication box for the result, or none when it is no communication failure.
const Message* CommErrorFor(RequestResult code) {
    if (!IsCommunicationFailure(code)) return nullptr;
    return code == kRequestNoValidReply ? &kNoConnectivity : &kServerError;
}

}  // namespace

int ShowMessage(const Message& message) {
    return MessageBoxW(g_app.mainWindow, message.text, message.title, message.style);
}

void ShowInputError(std::wstring_view text) {
    const std::wstring message(text);
    ShowMessage({kInputErrorTitle, message.c_str(), kInputErrorStyle});
}

void ShowCommError(RequestResult code) {
    if (const Message* box = CommErrorFor(code)) ShowMessage(*box);
}

void ShowRequestFailure(RequestResult code, const Message& refusal) {
    const Message* box = CommErrorFor(code);
    ShowMessage(box != nullptr ? *box : refusal);
}
