#pragma once
// Everything of the wizard that is not a standard control: the grey panel with the
// card behind the current selector, the page heading and texts, and the two
// owner-drawn selector buttons. Both only draw; they change no state and create no
// drawing object other than the selector's memory device context.

#include <windows.h>

// The wizard window's outer size, its caption included. The painting's shapes reach
// one pixel past it, so that they cover the client area to its edges.
inline constexpr int kWizardWidth = 700;
inline constexpr int kWizardHeight = 420;

// The main window's WM_PAINT, on the device context from BeginPaint.
void PaintWizard(HDC dc);

// WM_DRAWITEM of a selector: the scaled picture with an outlined caption.
void DrawSelectorButton(int id, const DRAWITEMSTRUCT& item);
