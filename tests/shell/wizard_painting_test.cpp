#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "app/app_state.h"
#include "tests/support/canvas.h"
#include "tests/support/wizard_window.h"
#include "ui/drawing_resources.h"
#include "ui/paint_wizard.h"

namespace {

constexpr COLORREF kUnpainted = RGB(255, 0, 255);
constexpr COLORREF kLightGrey = RGB(220, 220, 220);
constexpr COLORREF kMidGrey = RGB(180, 180, 180);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlueGround = RGB(10, 91, 212);  // the ground of both selector pictures

bool IsInk(COLORREF c) {
    return GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

struct Box {
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    bool Empty() const { return right < 0; }
};

// The bounding box of the pixels in `area` that `isPart` accepts.
template <typename Predicate>
Box BoxOf(const Canvas& canvas, const RECT& area, Predicate isPart) {
    Box box;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (!isPart(canvas.Pixel(x, y))) continue;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                   std::max(box.bottom, y)};
        }
    }
    return box;
}

Box InkBox(const Canvas& canvas, const RECT& area) {
    return BoxOf(canvas, area, IsInk);
}

class WizardPainting : public ::testing::Test {
  protected:
    void SetUp() override { PrepareDrawing(); }
    void TearDown() override { g_app = AppState{}; }

    static void Paint(const Canvas& canvas, std::int32_t page, bool signIn) {
        g_app = AppState{};
        g_app.page = page;
        g_app.signInMode = signIn;
        PaintWizard(canvas.Dc());
    }
};

std::string Where(std::int32_t page, bool signIn) {
    return "page " + std::to_string(page) + (signIn ? " sign-in mode" : "");
}

TEST_F(WizardPainting, PanelStripeAndPageAreaCoverTheWindow) {
    for (const bool signIn : {false, true}) {
        for (std::int32_t page = 0; page < 6; ++page) {
            SCOPED_TRACE(Where(page, signIn));
            Canvas canvas(700, 420, kUnpainted);
            Paint(canvas, page, signIn);
            EXPECT_TRUE(BoxOf(canvas, {0, 0, 700, 420}, [](COLORREF c) {
                            return c == kUnpainted;
                        }).Empty());
            EXPECT_EQ(canvas.Pixel(0, 0), kLightGrey);
            EXPECT_EQ(canvas.Pixel(154, 400), kLightGrey);
            for (int x = 155; x < 159; ++x) EXPECT_EQ(canvas.Pixel(x, 400), kMidGrey) << x;
            EXPECT_EQ(canvas.Pixel(159, 400), kWhite);
            EXPECT_EQ(canvas.Pixel(699, 419), kWhite);
            EXPECT_EQ(canvas.Pixel(0, 419), kLightGrey);
        }
    }
}

TEST_F(WizardPainting, CardMarksTheCurrentSelector) {
    // Column 100 crosses the selector cards, column 30 the card behind the profile caption.
    const struct {
        std::int32_t page;
        bool signIn;
        int column, top, bottom;  // white rows, bottom excluded; top 0 for no card
    } cases[] = {
        {0, false, 100, 25, 156}, {0, true, 100, 25, 156},  {1, false, 100, 165, 296},
        {1, true, 100, 165, 296}, {2, false, 30, 305, 376}, {3, false, 30, 305, 376},
        {2, true, 30, 0, 0},      {3, true, 30, 0, 0},      {4, false, 100, 0, 0},
        {5, true, 100, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Where(c.page, c.signIn));
        Canvas canvas(700, 420, kUnpainted);
        Paint(canvas, c.page, c.signIn);
        const Box card =
            BoxOf(canvas, {c.column, 0, c.column + 1, 420}, [](COLORREF p) { return p == kWhite; });
        if (c.top == 0) {
            EXPECT_TRUE(card.Empty());
            continue;
        }
        EXPECT_EQ(card.top, c.top);
        EXPECT_EQ(card.bottom, c.bottom - 1);
        // The shadow shows below the card and at its left; the card joins the page area.
        EXPECT_EQ(canvas.Pixel(c.column, c.bottom + 2), kMidGrey);
        EXPECT_EQ(canvas.Pixel(23, c.top + 20), kMidGrey);
        EXPECT_EQ(canvas.Pixel(21, c.top + 20), kLightGrey);
        EXPECT_EQ(canvas.Pixel(157, c.top + 20), kWhite);
    }
}

TEST_F(WizardPainting, HeadingOnTheFirstFourPagesOnly) {
    for (std::int32_t page = 0; page < 6; ++page) {
        Canvas canvas(700, 420, kUnpainted);
        Paint(canvas, page, false);
        EXPECT_EQ(InkBox(canvas, {200, 10, 600, 64}).Empty(), page >= 4) << page;
    }
    // The heading is the page's own string.
    const wchar_t* headings[] = {L"Sign in to your parent account:",
                                 L"Create your parent account:"};
    for (std::int32_t page = 0; page < 2; ++page) {
        Canvas canvas(700, 420, kUnpainted);
        Paint(canvas, page, false);
        const HGDIOBJ previous = SelectObject(canvas.Dc(), g_draw.HeadingFont);
        SIZE size{};
        GetTextExtentPoint32W(canvas.Dc(), headings[page], static_cast<int>(wcslen(headings[page])),
                              &size);
        SelectObject(canvas.Dc(), previous);
        const Box ink = InkBox(canvas, {200, 10, 600, 64});
        EXPECT_NEAR(ink.right - 200, size.cx, 4) << page;
    }
}

TEST_F(WizardPainting, ConfigureProfileCaptionOutsideSignInMode) {
    for (const bool signIn : {false, true}) {
        for (std::int32_t page = 0; page < 6; ++page) {
            Canvas canvas(700, 420, kUnpainted);
            Paint(canvas, page, signIn);
            EXPECT_EQ(InkBox(canvas, {50, 317, 145, 357}).Empty(), signIn) << Where(page, signIn);
        }
    }
}

TEST_F(WizardPainting, PageTextsStartWhereEachPagePutsThem) {
    const RECT rightArea{160, 66, 700, 420};
    Canvas first(700, 420, kUnpainted);
    Paint(first, PageSignIn, false);
    const Box signIn = InkBox(first, rightArea);
    ASSERT_FALSE(signIn.Empty());
    const struct {
        std::int32_t page;
        int lower;            // than the top of page 0's hint
        bool accountReasons;  // "Why do I have to use an account?" below the fields
    } cases[] = {{1, 0, true}, {2, 10, false}, {3, 10, false}, {4, 20, false}, {5, 20, false}};
    EXPECT_FALSE(InkBox(first, {200, 290, 660, 400}).Empty());
    for (const auto& c : cases) {
        Canvas canvas(700, 420, kUnpainted);
        Paint(canvas, c.page, false);
        EXPECT_EQ(InkBox(canvas, rightArea).top - signIn.top, c.lower) << c.page;
        EXPECT_EQ(!InkBox(canvas, {200, 290, 660, 400}).Empty(), c.accountReasons) << c.page;
    }
}

TEST_F(WizardPainting, SignInModeHintIsAloneAndLower) {
    const RECT hintArea{200, 66, 660, 140};
    Canvas ordinary(700, 420, kUnpainted);
    Paint(ordinary, PageSignIn, false);
    Canvas signIn(700, 420, kUnpainted);
    Paint(signIn, PageSignIn, true);
    const Box withCreateHint = InkBox(ordinary, hintArea);
    const Box alone = InkBox(signIn, hintArea);
    EXPECT_EQ(alone.top - withCreateHint.top, 20);
    // The hint alone is one line; with the account-creation hint it wraps.
    EXPECT_LT(alone.bottom - alone.top, 16);
    EXPECT_GT(withCreateHint.bottom - withCreateHint.top, 16);
}

TEST_F(WizardPainting, PaintingLeavesTheDeviceContextAsItWas) {
    Canvas canvas(700, 420, kUnpainted);
    const HDC dc = canvas.Dc();
    const HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
    const HGDIOBJ brush = GetCurrentObject(dc, OBJ_BRUSH);
    const HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN);
    for (std::int32_t page = 0; page < 6; ++page) Paint(canvas, page, page % 2 == 0);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
}

// A hidden window that holds the caption text, as the selector button does.
class CaptionWindow {
  public:
    explicit CaptionWindow(const wchar_t* text)
        : window_(CreateWindowExW(0, L"STATIC", text, WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr)) {}
    ~CaptionWindow() { DestroyWindow(window_); }
    HWND Get() const { return window_; }

  private:
    HWND window_;
};

void DrawSelector(const Canvas& canvas, int id, HWND captionWindow, UINT state = 0) {
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = static_cast<UINT>(id);
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hwndItem = captionWindow;
    item.hDC = canvas.Dc();
    item.rcItem = {0, 0, canvas.Width(), canvas.Height()};
    DrawSelectorButton(id, &item);
}

class SelectorButton : public WizardPainting {};

TEST_F(SelectorButton, WholePictureScaledToTheButton) {
    const CaptionWindow caption(L"");
    const struct {
        int id;
        HBITMAP picture;
    } cases[] = {{150, g_draw.SignInBitmap}, {151, g_draw.CreateAccountBitmap}};
    for (const auto& c : cases) {
        Canvas button(100, 100, kUnpainted);
        DrawSelector(button, c.id, caption.Get());
        for (const POINT corner : {POINT{0, 0}, POINT{99, 0}, POINT{0, 99}, POINT{99, 99}}) {
            EXPECT_TRUE(Near(button.Pixel(corner.x, corner.y), kBlueGround, 12)) << c.id;
        }
        // The same picture scaled independently: the whole of it, not a part, fills the button.
        Canvas reference(100, 100, kUnpainted);
        const HDC source = CreateCompatibleDC(nullptr);
        const HGDIOBJ previous = SelectObject(source, c.picture);
        BITMAP size{};
        GetObjectW(c.picture, sizeof(size), &size);
        SetStretchBltMode(reference.Dc(), HALFTONE);
        StretchBlt(reference.Dc(), 0, 0, 100, 100, source, 0, 0, size.bmWidth, size.bmHeight,
                   SRCCOPY);
        SelectObject(source, previous);
        DeleteDC(source);
        int different = 0;
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 100; ++x) {
                if (!Near(button.Pixel(x, y), reference.Pixel(x, y), 8)) ++different;
            }
        }
        EXPECT_EQ(different, 0) << c.id;
    }
}

TEST_F(SelectorButton, CaptionIsWhiteWithABlackOutlineAtTheBottomRight) {
    constexpr COLORREF kGround = RGB(0, 160, 0);
    const CaptionWindow caption(L"Sign in to your account");
    Canvas button(100, 100, kGround);
    DrawSelector(button, 999, caption.Get());  // no picture: the caption alone
    const auto isWhite = [](COLORREF c) { return Near(c, kWhite, 25); };
    const auto isBlack = [](COLORREF c) { return Near(c, RGB(0, 0, 0), 25); };
    const Box white = BoxOf(button, {0, 0, 100, 100}, isWhite);
    const Box black = BoxOf(button, {0, 0, 100, 100}, isBlack);
    ASSERT_FALSE(white.Empty());
    ASSERT_FALSE(black.Empty());
    // Right-aligned 7 pixels from the right edge, just above the bottom edge.
    EXPECT_LE(black.right, 92);
    EXPECT_GE(black.right, 88);
    EXPECT_LE(black.bottom, 96);
    EXPECT_GE(black.bottom, 90);
    // The black passes lie diagonally around the white one: no white pixel has the
    // ground at a corner.
    int bare = 0;
    for (int y = white.top; y <= white.bottom; ++y) {
        for (int x = white.left; x <= white.right; ++x) {
            if (!isWhite(button.Pixel(x, y))) continue;
            for (const POINT d : {POINT{1, 1}, POINT{-1, 1}, POINT{-1, -1}, POINT{1, -1}}) {
                if (button.Pixel(x + d.x, y + d.y) == kGround) ++bare;
            }
        }
    }
    EXPECT_EQ(bare, 0);
}

TEST_F(SelectorButton, LongerCaptionGrowsUpward) {
    const auto inkOf = [](const wchar_t* text) {
        const CaptionWindow caption(text);
        Canvas button(100, 100, RGB(0, 160, 0));
        DrawSelector(button, 999, caption.Get());
        return BoxOf(button, {0, 0, 100, 100}, [](COLORREF c) { return c != RGB(0, 160, 0); });
    };
    const Box oneLine = inkOf(L"Go");
    const Box twoLines = inkOf(L"Create your account");
    EXPECT_NEAR(oneLine.right, twoLines.right, 2);    // glyphs differ in their right bearing
    EXPECT_NEAR(oneLine.bottom, twoLines.bottom, 3);  // "Go" descends, "account" does not
    EXPECT_GE(oneLine.top - twoLines.top, 14);
}

TEST_F(SelectorButton, LooksTheSameInEveryState) {
    const CaptionWindow caption(L"Create your account");
    Canvas plain(100, 100, kUnpainted);
    DrawSelector(plain, 151, caption.Get());
    Canvas pressed(100, 100, kUnpainted);
    const HGDIOBJ font = GetCurrentObject(pressed.Dc(), OBJ_FONT);
    DrawSelector(pressed, 151, caption.Get(), ODS_SELECTED | ODS_FOCUS | ODS_DISABLED);
    EXPECT_EQ(GetCurrentObject(pressed.Dc(), OBJ_FONT), font);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(plain.Pixel(x, y), pressed.Pixel(x, y)) << x << "," << y;
    }
    DrawSelectorButton(151, nullptr);  // without a record nothing is drawn
}

}  // namespace
