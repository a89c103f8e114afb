#include "ui/paint_wizard.h"

#include <array>
#include <string>
#include <string_view>

#include "core/app_state.h"
#include "core/control_ids.h"
#include "core/text_buffer.h"
#include "core/wizard_flow.h"
#include "resources/resource.h"
#include "ui/controls.h"
#include "ui/drawing_resources.h"
#include "win/module.h"
#include "win/scoped.h"

namespace {

constexpr wchar_t kConfigureProfileCaption[] = L"Configure profile";
constexpr wchar_t kWhyAccountTitle[] = L"Why do I have to use an account?";
constexpr wchar_t kWhyAccountText[] =
    L"- So that only you can modify your Tirna parental control settings (that is: your "
    L"children or anyone else can't modify them);\n- So that you can access your Tirna parental "
    L"controls settings and reports on the web from any computer not just this one.";
constexpr wchar_t kSignInHint[] = L"Sign in using your Tirna parental username and password.";
constexpr wchar_t kCreateAccountHint[] =
    L" If you don't have an Tirna parent account yet, create one by clicking on Create button.";
constexpr wchar_t kInstalledBeforeHint[] =
    L"If you installed Tirna before (even on a different device)  click on the Sign in button "
    L"on the left side, as you don't have to create a new account.";
constexpr wchar_t kProfileHint[] =
    L"The child profile you select determines what actions Tirna allows or blocks on this "
    L"device.\nIf you have Tirna already installed on another device, you'll see a list with "
    L"existing child profiles. Otherways you'll have to create a child profile that you can "
    L"customize later on.";
constexpr wchar_t kSignedInText[] =
    L"You have successfully signed in into your Tirna parental control account.";
constexpr wchar_t kCreatedText[] =
    L"You have successfully created your Tirna parental control account.";
constexpr wchar_t kDeviceReadyText[] =
    L"\n\nThis device is now ready for Tirna.\nYou'll receive notifications to your parent "
    L"online account about your children activities. You can now use your online parental "
    L"account to modifiy parental controls settings for this device and child profile.";

// A text drawn in one piece holds at most this many characters with its terminator,
// the size of the buffer it is put together in: Composite cuts it there. Every pair
// drawn together fits whole.
constexpr std::size_t kCompositeBufferSize = 1040;
using CompositeText = std::array<wchar_t, kCompositeBufferSize>;
static_assert(std::size(kSignInHint) + std::size(kCreateAccountHint) - 1 <= kCompositeBufferSize);
static_assert(std::size(kSignedInText) + std::size(kDeviceReadyText) - 1 <= kCompositeBufferSize);
static_assert(std::size(kCreatedText) + std::size(kDeviceReadyText) - 1 <= kCompositeBufferSize);

// The grey panel on the left ends here, with a mid-grey stripe along its right
// edge; the white page area starts one pixel before it.
constexpr int kPanelRight = 160;
constexpr int kStripeWidth = 5;
constexpr int kBeyondRight = kWizardWidth + 1;
constexpr int kBeyondBottom = kWizardHeight + 1;
constexpr int kCardStep = 140;  // the create selector sits this much below the sign-in one
constexpr int kCorner = 5;
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// The panel's shapes reach past the window's edges, so they cover the client area.
void PaintPanel(HDC dc) {
    Rectangle(dc, -1, -1, kPanelRight, kBeyondBottom);
    SelectObject(dc, g_draw.MidGreyBrush);
    Rectangle(dc, kPanelRight - kStripeWidth, -1, kPanelRight, kBeyondBottom);
}

// A mid-grey shadow and a white card over it, 3 pixels right of and 5 above the shadow.
void PaintCard(HDC dc, const RECT& shadow, const RECT& card) {
    SelectObject(dc, g_draw.MidGreyBrush);
    RoundRect(dc, shadow.left, shadow.top, shadow.right, shadow.bottom, kCorner, kCorner);
    SelectObject(dc, g_draw.WhiteBrush);
    RoundRect(dc, card.left, card.top, card.right, card.bottom, kCorner, kCorner);
}

void PaintCards(HDC dc, PageControls controls) {
    if (controls == PageControls::SignIn || controls == PageControls::CreateAccount) {
        const int y = g_app.page * kCardStep;
        PaintCard(dc, {22, 30 + y, 164, 161 + y}, {25, 25 + y, 167, 156 + y});
    } else if (controls == PageControls::Profile && !g_app.signInMode) {
        PaintCard(dc, {22, 310, 164, 381}, {25, 305, 167, 376});
    }
}

void DrawTextIn(HDC dc, const wchar_t* text, RECT rect, UINT format) {
    DrawTextW(dc, text, -1, &rect, format);
}

// `first` and then `second`, put together in a zero-filled buffer of
// kCompositeBufferSize characters: what does not fit before the terminator is cut.
CompositeText Composite(std::wstring_view first, std::wstring_view second = {}) {
    CompositeText buffer{};
    std::size_t used = 0;
    for (const std::wstring_view part : {first, second}) {
        used += part.copy(buffer.data() + used, buffer.size() - 1 - used);
    }
    return buffer;
}

// The texts of the account pages: the reason for an account below the fields, the hint above.
void PaintAccountTexts(HDC dc) {
    SelectObject(dc, g_draw.BoldFont);
    DrawTextIn(dc, kWhyAccountTitle, {200, 290, 660, 400}, DT_WORDBREAK);
    SelectObject(dc, g_draw.NormalFont);
    DrawTextIn(dc, kWhyAccountText, {200, 310, 660, 400}, DT_WORDBREAK);

    SelectObject(dc, g_draw.BoldFont);
    RECT rect{200, 70, 660, 138};
    CompositeText text{};
    if (g_app.page == PageSignIn) {
        if (g_app.signInMode) {
            text = Composite(kSignInHint);
            rect.top = 90;  // the hint alone, lower
        } else {
            text = Composite(kSignInHint, kCreateAccountHint);
        }
    } else {
        text = Composite(kInstalledBeforeHint);
    }
    DrawTextIn(dc, text.data(), rect, DT_WORDBREAK);
}

UINT HeadingStringId(PageControls controls) {
    switch (controls) {
        case PageControls::SignIn:
            return IDS_HEADING_SIGN_IN;
        case PageControls::CreateAccount:
            return IDS_HEADING_CREATE_ACCOUNT;
        case PageControls::Profile:
            return IDS_HEADING_PROFILE;
        default:
            return 0;
    }
}

// Pages without a heading leave the buffer empty, which draws nothing.
void PaintHeading(HDC dc, PageControls controls) {
    SelectObject(dc, g_draw.HeadingFont);
    std::array<wchar_t, kTextBufferSize> heading{};
    if (const UINT id = HeadingStringId(controls); id != 0) {
        LoadStringW(g_instance, id, heading.data(), static_cast<int>(heading.size()));
    }
    DrawTextIn(dc, heading.data(), {200, 10, 600, 64}, DT_WORDBREAK);
}

void PaintDoneText(HDC dc) {
    SelectObject(dc, g_draw.BoldFont);
    const auto text = Composite(g_app.page == PageDoneAfterSignIn ? kSignedInText : kCreatedText,
                                kDeviceReadyText);
    DrawTextIn(dc, text.data(), {200, 90, 660, 350}, DT_WORDBREAK);
}

HBITMAP SelectorPicture(int id) {
    switch (id) {
        case IDC_SIGNIN_SELECTOR:
            return g_draw.SignInBitmap;
        case IDC_CREATE_SELECTOR:
            return g_draw.CreateAccountBitmap;
        default:
            return nullptr;
    }
}

void DrawSelectorPicture(int id, const DRAWITEMSTRUCT& item) {
    UniqueMemoryDc memory(CreateCompatibleDC(item.hDC));
    const HBITMAP picture = SelectorPicture(id);
    if (picture == nullptr) return;
    ScopedSelect selected(memory.get(), picture);
    BITMAP size{};
    GetObjectW(picture, sizeof(size), &size);
    SetStretchBltMode(item.hDC, HALFTONE);
    const RECT& r = item.rcItem;
    StretchBlt(item.hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, memory.get(), 0, 0,
               size.bmWidth, size.bmHeight, SRCCOPY);
}

// Right-aligned, its bottom 3 pixels above the button's bottom edge, `height` tall.
RECT CaptionRect(const RECT& item, int height) {
    const int bottom = item.bottom - 3;
    return {item.left + 2, bottom - height, item.right - 7, bottom};
}

void DrawCaptionAt(HDC dc, const wchar_t* text, const RECT& rect, int dx, int dy) {
    RECT moved = rect;
    OffsetRect(&moved, dx, dy);
    DrawTextW(dc, text, -1, &moved, DT_WORDBREAK | DT_RIGHT);
}

// White text with a one-pixel black outline, so it reads on every part of the picture.
void DrawSelectorCaption(const DRAWITEMSTRUCT& item) {
    ScopedSelect font(item.hDC, g_draw.BoldFont);
    const std::wstring text = ReadControlText(item.hwndItem);
    SetBkMode(item.hDC, TRANSPARENT);

    RECT measured = CaptionRect(item.rcItem, 36);
    const int height =
        DrawTextW(item.hDC, text.c_str(), -1, &measured, DT_CALCRECT | DT_WORDBREAK | DT_RIGHT);
    const RECT rect = CaptionRect(item.rcItem, height);

    SetTextColor(item.hDC, kBlack);
    for (const POINT offset : {POINT{0, 0}, POINT{-2, 0}, POINT{-2, -2}, POINT{0, -2}}) {
        DrawCaptionAt(item.hDC, text.c_str(), rect, offset.x, offset.y);
    }
    SetTextColor(item.hDC, kWhite);
    DrawCaptionAt(item.hDC, text.c_str(), rect, -1, -1);
}

}  // namespace

void PaintWizard(HDC dc) {
    const PageControls controls = ControlsOfPage(g_app.page);
    // Brush, pen and font go in in that order; the previous font, brush and pen come
    // back in this one. No order of scoped selections gives both, so they go back by hand.
    const HGDIOBJ previousBrush = SelectObject(dc, g_draw.LightGreyBrush);
    const HGDIOBJ previousPen = SelectObject(dc, GetStockObject(NULL_PEN));
    const HGDIOBJ previousFont = SelectObject(dc, g_draw.NormalFont);

    PaintPanel(dc);
    PaintCards(dc, controls);
    // The white page area covers the cards' right ends: a card reads as a tab of the page.
    SelectObject(dc, g_draw.WhiteBrush);
    Rectangle(dc, kPanelRight - 1, -1, kBeyondRight, kBeyondBottom);

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kBlack);
    if (!g_app.signInMode) {
        SelectObject(dc, g_draw.BoldFont);
        DrawTextIn(dc, kConfigureProfileCaption, {50, 317, 145, 357}, DT_WORDBREAK | DT_RIGHT);
    }
    if (controls == PageControls::SignIn || controls == PageControls::CreateAccount) {
        PaintAccountTexts(dc);
    }
    PaintHeading(dc, controls);
    if (controls == PageControls::Profile) {
        SelectObject(dc, g_draw.BoldFont);
        DrawTextIn(dc, kProfileHint, {200, 80, 660, 280}, DT_WORDBREAK);
    }
    if (controls == PageControls::Done) PaintDoneText(dc);

    SelectObject(dc, previousFont);
    SelectObject(dc, previousBrush);
    SelectObject(dc, previousPen);
}

void DrawSelectorButton(int id, const DRAWITEMSTRUCT& item) {
    DrawSelectorPicture(id, item);
    DrawSelectorCaption(item);
}
