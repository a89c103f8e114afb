#pragma once
// A 32-bit top-down DIB section in a memory device context, for checking painting
// pixel by pixel.

#include <windows.h>

#include <cstdint>

class Canvas {
  public:
    Canvas(int width, int height, COLORREF fill);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return dc_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The pixel as RGB; outside the canvas CLR_INVALID.
    COLORREF Pixel(int x, int y) const;

  private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};
