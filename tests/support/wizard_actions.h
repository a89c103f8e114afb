#pragma once
// Driving the in-process wizard as a parent does, and reading back what it showed
// and sent, in forms that tests compare whole.

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/loopback_server.h"
#include "tests/support/message_box_hook.h"

// Puts text into the wizard's field with this id, as typing it would leave it.
void TypeText(int id, const std::wstring& text);
// Sends the button's command to the wizard as a click does; its handler has run
// when this returns.
void PressButton(int id);

struct ShownBox {
    std::wstring title;
    std::wstring text;
    UINT style = 0;
    bool ownedByWizard = true;

    bool operator==(const ShownBox&) const = default;
};
void PrintTo(const ShownBox& box, std::ostream* out);

// The boxes the hook recorded, in order.
std::vector<ShownBox> ShownBoxes(const MessageBoxHook& hook);

ShownBox InputErrorBox(const std::wstring& text);
ShownBox NoConnectivityBox();
ShownBox ServerAccessBox();

// The action of each recorded request, in order.
std::vector<std::string> ActionsOf(const std::vector<RecordedRequest>& requests);
