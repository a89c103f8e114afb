#include "tests/inprocess/support.h"

#include <cstdio>
#include <map>
#include <utility>

#include "app/app_state.h"
#include "app/settings_store.h"
#include "app/startup.h"
#include "ui/drawing_resources.h"

HWND OpenWizard(bool signIn, bool installer) {
    static const bool prepared = [] {
        g_instance = GetModuleHandleW(nullptr);
        CreateDrawingResources();
        LoadSelectorBitmaps(g_instance);
        RegisterMainClass(g_instance);
        return true;
    }();
    (void)prepared;
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductKey);  // no stored user name
    g_app = AppState{};
    g_app.signInMode = signIn;
    g_app.installerMode = installer;
    if (!CreateMainWindow(g_instance, SW_SHOW)) return nullptr;
    PumpMessages();
    return g_app.mainWindow;
}

void CloseWizard() {
    if (IsWindow(g_app.mainWindow)) DestroyWindow(g_app.mainWindow);
    PumpMessages();
}

void PumpMessages() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        if (IsWindow(g_app.mainWindow) && IsDialogMessageW(g_app.mainWindow, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

namespace {

std::wstring Format(const wchar_t* format, auto... values) {
    wchar_t text[128];
    std::swprintf(text, 128, format, values...);
    return text;
}

std::wstring Colour(COLORREF c) {
    return Format(L"#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
}

struct Reader {
    std::vector<std::wstring> lines;
    std::map<DWORD, std::wstring> objects;  // brush colours and font names by metafile index
    std::wstring brush, font, colour = Colour(0);
    LONG lastTextY = 0;
    bool afterText = false;
};

template <typename Record>
const Record& As(const ENHMETARECORD* record) {
    return *reinterpret_cast<const Record*>(record);
}

int CALLBACK OnRecord(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) {
    Reader& r = *reinterpret_cast<Reader*>(data);
    const bool afterText = std::exchange(r.afterText, false);
    switch (record->iType) {
        case EMR_CREATEBRUSHINDIRECT: {
            const auto& brush = As<EMRCREATEBRUSHINDIRECT>(record);
            r.objects[brush.ihBrush] = Colour(brush.lb.lbColor);
            break;
        }
        case EMR_EXTCREATEFONTINDIRECTW: {
            const auto& font = As<EMREXTCREATEFONTINDIRECTW>(record);
            r.objects[font.ihFont] = FontName(font.elfw.elfLogFont);
            break;
        }
        case EMR_SELECTOBJECT:
            if (const auto found = r.objects.find(As<EMRSELECTOBJECT>(record).ihObject);
                found != r.objects.end()) {
                (found->second[0] == L'#' ? r.brush : r.font) = found->second;
            }
            break;
        case EMR_SETTEXTCOLOR:
            r.colour = Colour(As<EMRSETTEXTCOLOR>(record).crColor);
            break;
        case EMR_RECTANGLE:
        case EMR_ROUNDRECT: {
            // The metafile keeps the box inclusive; shown as the drawing call's arguments.
            const RECTL& box = As<EMRRECTANGLE>(record).rclBox;
            r.lines.push_back(Format(L"%ls %ld,%ld,%ld,%ld %ls",
                                     record->iType == EMR_RECTANGLE ? L"rect" : L"round", box.left,
                                     box.top, box.right + 1, box.bottom + 1, r.brush.c_str()));
            break;
        }
        case EMR_STRETCHBLT: {
            const auto& blit = As<EMRSTRETCHBLT>(record);
            r.lines.push_back(Format(L"blit %ld,%ld,%ld,%ld <- %ld,%ld", blit.xDest, blit.yDest,
                                     blit.cxDest, blit.cyDest, blit.cxSrc, blit.cySrc));
            break;
        }
        case EMR_EXTTEXTOUTW: {
            const EMRTEXT& t = As<EMREXTTEXTOUTW>(record).emrtext;
            std::wstring line(reinterpret_cast<const wchar_t*>(
                                  reinterpret_cast<const BYTE*>(record) + t.offString),
                              t.nChars);
            // Whether a wrapped line keeps the blank it was broken at depends on the alignment.
            line.erase(line.find_last_not_of(L' ') + 1);
            if (afterText && t.ptlReference.y > r.lastTextY) {
                r.lines.back() += L" " + line;
            } else {
                r.lines.push_back(Format(L"text %ld,%ld ", t.ptlReference.x, t.ptlReference.y) +
                                  r.colour + L" " + r.font + L": " + line);
            }
            r.lastTextY = t.ptlReference.y;
            r.afterText = true;
            break;
        }
    }
    return 1;
}

}  // namespace

std::wstring FontName(const LOGFONTW& font) {
    return Format(L"%ls %ld/%ld/%ld", font.lfFaceName, font.lfHeight, font.lfWidth, font.lfWeight);
}

std::vector<std::wstring> RecordPaint(const std::function<void(HDC)>& paint) {
    const HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    paint(dc);
    const HENHMETAFILE metafile = CloseEnhMetaFile(dc);
    Reader reader;
    EnumEnhMetaFile(nullptr, metafile, OnRecord, &reader, nullptr);
    DeleteEnhMetaFile(metafile);
    return reader.lines;
}
