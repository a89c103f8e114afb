#include "tests/support/wizard_actions.h"

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "tests/support/form_fields.h"
#include "tests/support/wizard_window.h"

void TypeText(int id, const std::wstring& text) {
    SetWindowTextW(WizardControl(id), text.c_str());
}

void PressButton(int id) {
    SendMessageW(g_app.mainWindow, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(WizardControl(id)));
}

void PrintTo(const ShownBox& box, std::ostream* out) {
    *out << "{" << ::testing::PrintToString(box.title) << ", " << ::testing::PrintToString(box.text)
         << ", 0x" << std::hex << box.style << std::dec
         << (box.ownedByWizard ? "" : ", not owned by the wizard") << "}";
}

std::vector<ShownBox> ShownBoxes(const MessageBoxHook& hook) {
    std::vector<ShownBox> boxes;
    for (const MessageBoxRecord& record : hook.Boxes()) {
        boxes.push_back({record.title, record.text, record.style,
                         record.owner != nullptr && record.owner == g_app.mainWindow});
    }
    return boxes;
}

ShownBox InputErrorBox(const std::wstring& text) {
    return {L"Tirna - Input error", text, MB_OK};
}

ShownBox NoConnectivityBox() {
    return {L"Tirna - Communication error.",
            L"There is no internet connectivity. Please make sure you have an internet connection "
            L"up and running and try again.",
            MB_OK | MB_ICONEXCLAMATION};
}

ShownBox ServerAccessBox() {
    return {L"Tirna - Communication error.",
            L"There was an error accessing Tirna parental server. Please try again later.",
            MB_OK | MB_ICONEXCLAMATION};
}

std::vector<std::string> ActionsOf(const std::vector<RecordedRequest>& requests) {
    std::vector<std::string> actions;
    for (const RecordedRequest& request : requests) {
        actions.push_back(FieldValue(SplitFormBody(request.body), "action"));
    }
    return actions;
}
