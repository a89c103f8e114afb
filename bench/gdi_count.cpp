// Creates the wizard in this process as the program's start-up does, shows every
// page and paints it once, then repaints every page 100 times (the window with
// its owner-drawn selectors, and PaintWizard on a memory device context) and
// compares the live GDI objects of the process. Painting must not make any.
//
// Under Wine GetGuiResources answers 0, so the objects are counted by asking
// GetObjectType about every slot of the process's handle table. Exit code 0 when
// the count did not grow.

#include <windows.h>
#include <objbase.h>

#include <array>
#include <cstdio>
#include <cwchar>
#include <map>

#include "app/show_page.h"
#include "app/startup.h"
#include "core/app_state.h"
#include "ui/drawing_resources.h"
#include "ui/paint_wizard.h"
#include "win/com.h"

namespace {

constexpr int kRepaints = 100;
// GDI handles carry the slot in their low 16 bits; a handle with zero high bits
// names the slot whatever its generation.
constexpr unsigned kHandleSlots = 0x10000;
constexpr std::array kPages = {
    PageSignIn,          PageCreateAccount,  PageProfileAfterSignIn, PageProfileAfterCreate,
    PageDoneAfterSignIn, PageDoneAfterCreate};

using CountsByType = std::map<DWORD, int>;

CountsByType CountGdiObjects() {
    CountsByType counts;
    for (unsigned slot = 1; slot < kHandleSlots; ++slot) {
        const DWORD type = GetObjectType(reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(slot)));
        if (type != 0) ++counts[type];
    }
    return counts;
}

int Total(const CountsByType& counts) {
    int total = 0;
    for (const auto& [type, count] : counts) total += count;
    return total;
}

const wchar_t* TypeName(DWORD type) {
    switch (type) {
        case OBJ_PEN:
            return L"pen";
        case OBJ_BRUSH:
            return L"brush";
        case OBJ_DC:
            return L"dc";
        case OBJ_PAL:
            return L"palette";
        case OBJ_FONT:
            return L"font";
        case OBJ_BITMAP:
            return L"bitmap";
        case OBJ_REGION:
            return L"region";
        case OBJ_MEMDC:
            return L"memdc";
        default:
            return L"other";
    }
}

void Print(const wchar_t* when, const CountsByType& counts) {
    std::wprintf(L"%ls\t%d", when, Total(counts));
    for (const auto& [type, count] : counts) std::wprintf(L"\t%ls=%d", TypeName(type), count);
    std::wprintf(L"\n");
}

// The count must see one object more while a probe brush exists, or the way of
// counting does not work on this system and its answer means nothing.
bool CountingWorks() {
    const int before = Total(CountGdiObjects());
    const HBRUSH probe = CreateSolidBrush(RGB(1, 2, 3));
    const int during = Total(CountGdiObjects());
    DeleteObject(probe);
    return during == before + 1;
}

void PumpMessages() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        if (IsDialogMessageW(g_app.mainWindow, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The whole window with its children, painted now, and the main window's picture
// once more on a memory device context.
void RepaintOnce(HDC memoryDc) {
    RedrawWindow(g_app.mainWindow, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PaintWizard(memoryDc);
    PumpMessages();
}

void PaintEveryPage(HDC memoryDc, int repaints) {
    for (const WizardPage page : kPages) {
        ShowPage(page);
        PumpMessages();
        for (int i = 0; i < repaints; ++i) RepaintOnce(memoryDc);
    }
}

}  // namespace

int wmain() {
    // COM as the program's start-up initialises it.
    const ComApartment com;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    LoadWindowStrings(instance);
    CreateDrawingResources();
    RegisterMainClass(instance);
    if (!CreateMainWindow(instance, SW_SHOW)) {
        std::fwprintf(stderr, L"the wizard window could not be created\n");
        return 2;
    }
    PumpMessages();

    const HDC screen = GetDC(nullptr);
    const HDC memoryDc = CreateCompatibleDC(screen);
    const HBITMAP canvas = CreateCompatibleBitmap(screen, kWizardWidth, kWizardHeight);
    ReleaseDC(nullptr, screen);
    SelectObject(memoryDc, canvas);

    PaintEveryPage(memoryDc, 1);
    const CountsByType first = CountGdiObjects();
    PaintEveryPage(memoryDc, kRepaints);
    const CountsByType after = CountGdiObjects();

    const bool countingWorks = CountingWorks();

    std::wprintf(L"GetGuiResources\t%lu\n", GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    std::wprintf(L"counting_works\t%d\n", countingWorks ? 1 : 0);
    Print(L"after_first_paint", first);
    Print(L"after_100_repaints", after);

    DeleteDC(memoryDc);
    DeleteObject(canvas);
    DestroyWindow(g_app.mainWindow);
    PumpMessages();
    if (!countingWorks) return 3;
    return Total(after) > Total(first) ? 1 : 0;
}
