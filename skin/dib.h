#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

class QPainter;

namespace zuvo {

// Where a bitmap comes from: the program's own resources (":/bitmaps/") or the loaded language
// bundle (":/lang/bitmaps/"). A language bitmap is never looked up in the program as a fallback;
// the caller decides which source a control uses.
enum class SkinModule { Program, Language };

// One skin bitmap with its palette. Empty until Load; Release (and destruction) empties it.
// Main thread only (it draws with QPainter onto widgets).
class CDib {
public:
    // The loaded bitmap's description; all zero without a bitmap.
    struct Description {
        int width = 0;
        int height = 0;
        int bytesPerRow = 0;
        int planes = 0;
        int bitsPerPixel = 0;
    };

    CDib() = default;
    ~CDib() = default;
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;
    CDib(CDib&&) = default;
    CDib& operator=(CDib&&) = default;

    // Loads bitmap resource `name` ("Phone", "216") from `module`. Replaces any previous bitmap
    // and palette. False when the resource is missing or not a readable bitmap (the Dib is then
    // empty). The same artwork painted at twice the resolution ("<name>@2x.png" beside it, keyed
    // where the bitmap is) is taken too when there is one, for screens scaled above 100 %.
    bool Load(SkinModule module, const QString& name);
    // Same from any image file or resource path.
    bool LoadFile(const QString& path);
    // Takes an image already in memory (generated skins, tests). False for a null image.
    bool SetImage(const QImage& image);

    // Draws the `source` part of the bitmap into `destination` of `painter`. No source means the
    // whole bitmap (so does a source of width and height -1); no destination means the source's
    // rectangle. Equal sizes copy pixels 1:1, any other size stretches (nearest pixel, as a
    // colour-on-colour stretch does). Returns false without a bitmap. On a scaled screen (the
    // painter's device has more than one device pixel per pixel) the finer artwork is drawn
    // instead when loaded: copied 1:1 at 200 %, smoothly resampled at other scales.
    bool Draw(QPainter& painter, std::optional<QRect> destination = std::nullopt,
              std::optional<QRect> source = std::nullopt) const;

    // Width and height, or 0 x 0 without a bitmap.
    QSize GetSize() const;
    // Drops the bitmap, its palette and the cached drawing copy.
    void Release();

    bool IsLoaded() const { return !m_image.isNull(); }
    // The finer artwork (twice the size), or a null image when there is none. Read on first use:
    // a screen at 100 % never needs it.
    const QImage& GetFineImage() const;
    const Description& GetDescription() const { return m_description; }
    // The colour table of an 8-bit-or-less bitmap, in table order; empty for true-colour bitmaps.
    const QList<QRgb>& GetPalette() const { return m_palette; }
    // The bitmap as loaded (indexed images keep their colour table).
    const QImage& GetImage() const { return m_image; }

    // Resource path of a bitmap: ":/bitmaps/<name>.bmp" or ":/lang/bitmaps/<name>.bmp".
    static QString ResourcePath(SkinModule module, const QString& name);

private:
    const QImage& DrawImage() const;
    const QImage& FineClear() const;

    QImage m_image;
    Description m_description;
    QList<QRgb> m_palette;
    // Drawing copy in the screen's native 32-bit layout, made on first draw (the draw
    // context); indexed bitmaps would otherwise be converted on every paint.
    mutable QImage m_drawImage;
    mutable QString m_finePath;  // where the finer artwork is, until it is read
    mutable QImage m_fine;
    // The finer artwork with the key colour see-through, for resampling without a key fringe.
    mutable QImage m_fineClear;
};

}  // namespace zuvo
