#pragma once

#include <QImage>
#include <QRegion>

class QWidget;

namespace zuvo {

class CDib;

// The skin's key colour and per-channel tolerance: red 255, green 0..16, blue 255 is see-through.
inline constexpr QRgb kSkinKeyColour = 0xFF00FF;
inline constexpr QRgb kSkinKeyTolerance = 0x101010;

// Builds the region of every pixel of `image` that is not transparent. A pixel is transparent
// when each of its red, green and blue lies in [key, min(255, key + tolerance)] for that channel
// (key and tolerance are read per channel with qRed/qGreen/qBlue). The region is made of
// horizontal runs, combined in batches of 2000 rectangles. `width` and `height` receive the
// image's size when given. A null image gives an empty region and 0 x 0.
QRegion MakeRegion(const QImage& image, int* width = nullptr, int* height = nullptr,
                   QRgb key = kSkinKeyColour, QRgb tolerance = kSkinKeyTolerance);
QRegion MakeRegion(const CDib& dib, int* width = nullptr, int* height = nullptr,
                   QRgb key = kSkinKeyColour, QRgb tolerance = kSkinKeyTolerance);

// Shapes `window` by `region`: only its pixels are painted and receive the mouse. An empty
// region makes the window wholly invisible and transparent to the mouse (QWidget::setMask would
// treat it as "no mask" and show the whole rectangle).
void SetWindowRegion(QWidget& window, const QRegion& region);

// True when a window mask shapes what the desktop shows; on Wayland it shapes only where the
// window takes input, and what lies outside the shape must be left transparent instead. Needs
// the application object.
bool PlatformShapesWindows();

}  // namespace zuvo
