#include "tests/inprocess/support.h"

#include <cstdio>
#include <utility>

#include "app/startup.h"
#include "core/app_state.h"
#include "ui/drawing_resources.h"
#include "win/module.h"
#include "win/settings_store.h"

HWND OpenWizard(bool signIn, bool installer) {
    if (g_instance == nullptr) {  // once per process, as at the program's start
        g_instance = GetModuleHandleW(nullptr);
        LoadWindowStrings(g_instance);
        CreateDrawingResources();
        LoadSelectorBitmaps(g_instance);
        RegisterMainClass(g_instance);
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductKey);
    g_app = AppState{.signInMode = signIn, .installerMode = installer};
    return CreateMainWindow(g_instance, SW_SHOW) ? g_app.mainWindow : nullptr;
}

namespace {

std::wstring Format(const wchar_t* format, auto... values) {
    wchar_t text[128];
    std::swprintf(text, 128, format, values...);
    return text;
}

struct Recording {
    std::vector<std::wstring> lines;
    const EMRTEXT* lastText = nullptr;  // when the record before was text
};

// Plays each record into a memory context, whose brush, font and text colour are
// then those the painting had selected.
int CALLBACK OnRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int count,
                      LPARAM data) {
    PlayEnhMetaFileRecord(dc, table, record, static_cast<UINT>(count));
    auto& [lines, lastText] = *reinterpret_cast<Recording*>(data);
    const EMRTEXT* previousText = std::exchange(lastText, nullptr);
    LOGBRUSH brush{};
    GetObjectW(GetCurrentObject(dc, OBJ_BRUSH), sizeof(brush), &brush);
    LOGFONTW f{};
    GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof(f), &f);
    const auto colour = [](COLORREF c) {
        return Format(L"#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    };
    if (record->iType == EMR_RECTANGLE || record->iType == EMR_ROUNDRECT) {
        // The metafile keeps the box inclusive; shown as the drawing call's arguments.
        const RECTL& box = reinterpret_cast<const EMRRECTANGLE*>(record)->rclBox;
        lines.push_back(Format(L"%ls %ld,%ld,%ld,%ld ",
                               record->iType == EMR_RECTANGLE ? L"rect" : L"round", box.left,
                               box.top, box.right + 1, box.bottom + 1) +
                        colour(brush.lbColor));
    } else if (record->iType == EMR_STRETCHBLT) {
        const auto& r = *reinterpret_cast<const EMRSTRETCHBLT*>(record);
        lines.push_back(Format(L"blit %ld,%ld,%ld,%ld <- %ld,%ld", r.xDest, r.yDest, r.cxDest,
                               r.cyDest, r.cxSrc, r.cySrc));
    } else if (record->iType == EMR_EXTTEXTOUTW) {
        const EMRTEXT& t = reinterpret_cast<const EMREXTTEXTOUTW*>(record)->emrtext;
        std::wstring line(
            reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) + t.offString),
            t.nChars);
        // Whether a wrapped line keeps the blank it was broken at depends on the alignment.
        line.erase(line.find_last_not_of(L' ') + 1);
        if (previousText && t.ptlReference.y > previousText->ptlReference.y) {
            lines.back() += L" " + line;
        } else {
            lines.push_back(Format(L"text %ld,%ld %ls %ls %ld/%ld/%ld: ", t.ptlReference.x,
                                   t.ptlReference.y, colour(GetTextColor(dc)).c_str(), f.lfFaceName,
                                   f.lfHeight, f.lfWidth, f.lfWeight) +
                            line);
        }
        lastText = &t;
    }
    return 1;
}

}  // namespace

std::vector<std::wstring> RecordPaint(const std::function<void(HDC)>& paint) {
    const HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    paint(recorder);
    const HENHMETAFILE metafile = CloseEnhMetaFile(recorder);
    const HDC player = CreateCompatibleDC(nullptr);
    Recording recording;
    const RECT frame{0, 0, 700, 420};
    EnumEnhMetaFile(player, metafile, OnRecord, &recording, &frame);
    DeleteDC(player);
    DeleteEnhMetaFile(metafile);
    return recording.lines;
}
