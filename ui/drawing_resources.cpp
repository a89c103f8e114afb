#include "ui/drawing_resources.h"

#include "resources/resource.h"

DrawingResources g_draw;

namespace {

HFONT CreateArialFont(int height, int width, int weight) {
    return CreateFontW(height, width, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                       VARIABLE_PITCH | FF_SWISS, L"Arial");
}

HBITMAP LoadBitmapResource(HINSTANCE instance, int id) {
    return static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
}

}  // namespace

void CreateDrawingResources() {
    g_draw.ArrowCursor = LoadCursorW(nullptr, IDC_ARROW);
    g_draw.HandCursor = LoadCursorW(nullptr, IDC_HAND);
    g_draw.LightGreyBrush = CreateSolidBrush(RGB(220, 220, 220));
    g_draw.MidGreyBrush = CreateSolidBrush(RGB(180, 180, 180));
    g_draw.WhiteBrush = CreateSolidBrush(RGB(255, 255, 255));
    g_draw.BoldFont = CreateArialFont(16, 6, FW_BOLD);
    g_draw.NormalFont = CreateArialFont(16, 6, FW_NORMAL);
    g_draw.HeadingFont = CreateArialFont(24, 10, FW_BOLD);
}

void LoadSelectorBitmaps(HINSTANCE instance) {
    g_draw.SignInBitmap = LoadBitmapResource(instance, IDB_SIGN_IN);
    g_draw.CreateAccountBitmap = LoadBitmapResource(instance, IDB_CREATE_ACCOUNT);
}

void ShowBusyCursor() {
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void ShowArrowCursor() {
    SetCursor(g_draw.ArrowCursor);
}
