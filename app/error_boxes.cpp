#include "app/error_boxes.h"

#include <windows.h>

#include <string>

#include "core/app_state.h"

namespace {

constexpr wchar_t kInputErrorTitle[] = L"Tirna - Input error";
constexpr wchar_t kCommErrorTitle[] = L"Tirna - Communication error.";
constexpr wchar_t kNoConnectivityText[] =
    L"There is no internet connectivity. Please make sure you have an internet connection up "
    L"and running and try again.";
constexpr wchar_t kServerErrorText[] =
    L"There was an error accessing Tirna parental server. Please try again later.";

}  // namespace

void ShowInputError(std::wstring_view text) {
    const std::wstring message(text);
    MessageBoxW(g_app.mainWindow, message.c_str(), kInputErrorTitle, MB_OK);
}

void ShowCommError(RequestResult code) {
    const wchar_t* text = code == kRequestNoValidReply  ? kNoConnectivityText
                          : code == kRequestServerError ? kServerErrorText
                                                        : nullptr;
    if (text == nullptr) return;
    MessageBoxW(g_app.mainWindow, text, kCommErrorTitle, MB_OK | MB_ICONEXCLAMATION);
}
