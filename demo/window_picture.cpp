#include "demo/window_picture.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include "win/scoped.h"

namespace {

// A bitmap made for a picture, deleted when it goes out of scope.
struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const noexcept {
        if (object != nullptr) DeleteObject(object);
    }
};
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;

// The screen's device context, released when it goes out of scope.
class ScreenDc {
  public:
    ScreenDc() noexcept : dc_(GetDC(nullptr)) {}
    ~ScreenDc() { ReleaseDC(nullptr, dc_); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC Get() const noexcept { return dc_; }

  private:
    HDC dc_;
};

// A window that is still painting settles well within this.
constexpr auto kSettleTime = std::chrono::seconds(3);
constexpr DWORD kPictureIntervalMs = 150;

struct Picture {
    LONG width = 0;
    LONG height = 0;
    std::vector<std::uint8_t> pixels;  // 24-bit rows, bottom-up, each padded to 4 bytes

    bool operator==(const Picture&) const = default;
};

std::optional<Picture> TakePicture(HWND window) {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) return std::nullopt;
    Picture picture;
    picture.width = rect.right - rect.left;
    picture.height = rect.bottom - rect.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const ScreenDc screen;
    void* bits = nullptr;
    const UniqueBitmap bitmap(
        CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const UniqueMemoryDc memory(CreateCompatibleDC(screen.Get()));
    if (!bitmap || !memory) return std::nullopt;
    {
        const ScopedSelect select(memory.get(), bitmap.get());
        if (!BitBlt(memory.get(), 0, 0, picture.width, picture.height, screen.Get(), rect.left,
                    rect.top, SRCCOPY)) {
            return std::nullopt;
        }
        GdiFlush();
    }
    const std::size_t stride = (static_cast<std::size_t>(picture.width) * 3 + 3) & ~std::size_t{3};
    const auto* first = static_cast<const std::uint8_t*>(bits);
    picture.pixels.assign(first, first + stride * static_cast<std::size_t>(picture.height));
    return picture;
}

bool WriteBmp(const Picture& picture, const std::wstring& path) {
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = picture.width;
    info.biHeight = picture.height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = static_cast<DWORD>(file.bfOffBits + picture.pixels.size());
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(reinterpret_cast<const char*>(picture.pixels.data()),
              static_cast<std::streamsize>(picture.pixels.size()));
    return static_cast<bool>(out);
}

}  // namespace

bool SaveWindowPicture(HWND window, const std::wstring& path) {
    const auto deadline = std::chrono::steady_clock::now() + kSettleTime;
    auto previous = TakePicture(window);
    if (!previous) return false;
    for (;;) {
        Sleep(kPictureIntervalMs);
        auto current = TakePicture(window);
        if (!current) return false;
        // Taken anyway when the time is up: a blinking caret never settles.
        if (*current == *previous || std::chrono::steady_clock::now() >= deadline) {
            return WriteBmp(*current, path);
        }
        previous = std::move(current);
    }
}
