#include "skin/make_region.h"

#include <QGuiApplication>
#include <QRect>
#include <QWidget>

#include <algorithm>
#include <vector>

#include "skin/dib.h"

namespace zuvo {
namespace {

constexpr std::size_t kBatch = 2000;
constexpr std::size_t kGrowth = 100;

// Rectangles of one batch.
class RunList {
public:
    RunList() { m_rects.reserve(kGrowth); }

    void Add(int x0, int y, int x1) {
        if (m_rects.size() == m_rects.capacity()) {
            m_rects.reserve(m_rects.capacity() + kGrowth);
        }
        m_rects.emplace_back(QPoint(x0, y), QPoint(x1 - 1, y));
    }

    std::size_t Size() const { return m_rects.size(); }

    // Unites the batch with `result` and empties the list. The runs are already y-x sorted,
    // one pixel high and never touch sideways, which is what QRegion::setRects expects.
    void FlushInto(QRegion& result, bool& first) {
        if (m_rects.empty()) {
            return;
        }
        QRegion batch;
        batch.setRects(m_rects.data(), static_cast<int>(m_rects.size()));
        if (first) {
            result = batch;
            first = false;
        } else {
            result = result.united(batch);
        }
        m_rects.clear();
    }

private:
    std::vector<QRect> m_rects;  // setRects computes the bounding box itself
};

}  // namespace

QRegion MakeRegion(const QImage& image, int* width, int* height, QRgb key, QRgb tolerance) {
    if (width) {
        *width = image.isNull() ? 0 : image.width();
    }
    if (height) {
        *height = image.isNull() ? 0 : image.height();
    }
    if (image.isNull()) {
        return {};
    }
    // A plain 32-bit copy, as the region is built from true-colour pixels whatever the depth.
    const QImage pixels =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB32);

    const auto low = [](int key) { return static_cast<uint32_t>(key); };
    const auto high = [](int key, int tol) {
        return static_cast<uint32_t>(std::min(255, key + tol));
    };
    const uint32_t rLo = low(qRed(key)), rHi = high(qRed(key), qRed(tolerance));
    const uint32_t gLo = low(qGreen(key)), gHi = high(qGreen(key), qGreen(tolerance));
    const uint32_t bLo = low(qBlue(key)), bHi = high(qBlue(key), qBlue(tolerance));
    const auto transparent = [&](QRgb p) {
        const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        return r - rLo <= rHi - rLo && g - gLo <= gHi - gLo && b - bLo <= bHi - bLo;
    };

    QRegion result;
    bool first = true;
    RunList runs;
    const int w = pixels.width();
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        int x = 0;
        while (x < w) {
            const int x0 = x;
            while (x < w && !transparent(line[x])) {
                ++x;
            }
            if (x > x0) {
                runs.Add(x0, y, x);
                if (runs.Size() == kBatch) {
                    runs.FlushInto(result, first);
                }
            }
            ++x;  // the transparent pixel that ended the run
        }
    }
    runs.FlushInto(result, first);
    return result;
}

QRegion MakeRegion(const CDib& dib, int* width, int* height, QRgb key, QRgb tolerance) {
    return MakeRegion(dib.GetImage(), width, height, key, tolerance);
}

void SetWindowRegion(QWidget& window, const QRegion& region) {
    // A mask that lies wholly outside the window hides every pixel of it.
    window.setMask(region.isEmpty() ? QRegion(-2, -2, 1, 1) : region);
}

bool PlatformShapesWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace zuvo
