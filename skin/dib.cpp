#include "skin/dib.h"

#include <QFile>
#include <QPainter>

#include "skin/skin_log.h"

namespace zuvo {

Q_LOGGING_CATEGORY(lcSkin, "zuvo.skin", QtWarningMsg)

QString CDib::ResourcePath(SkinModule module, const QString& name) {
    const QLatin1String folder = module == SkinModule::Language ? QLatin1String(":/lang/bitmaps/")
                                                                : QLatin1String(":/bitmaps/");
    return folder + name + QLatin1String(".bmp");
}

bool CDib::Load(SkinModule module, const QString& name) {
    const QString path = ResourcePath(module, name);
    if (!LoadFile(path)) {
        return false;
    }
    QString finePath = path;
    finePath.chop(4);  // ".bmp"
    finePath += QStringLiteral("@2x.png");
    if (QFile::exists(finePath)) {
        m_finePath = finePath;
    }
    return true;
}

const QImage& CDib::GetFineImage() const {
    if (m_fine.isNull() && !m_finePath.isEmpty()) {
        const QImage fine(m_finePath);
        if (fine.size() == m_image.size() * 2) {
            m_fine = fine.convertToFormat(QImage::Format_RGB32);
        } else {
            qCDebug(lcSkin) << "finer artwork does not match its bitmap:" << m_finePath;
        }
        m_finePath.clear();  // read once, whether it matched or not
    }
    return m_fine;
}

bool CDib::LoadFile(const QString& path) {
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
    }
    const QImage image = QImage::fromData(bytes);
    if (image.isNull()) {
        qCWarning(lcSkin) << "bitmap cannot be loaded:" << path;
        Release();
        return false;
    }
    if (!SetImage(image)) {
        return false;
    }
    // A bitmap file keeps its own depth (QImage widens 24-bit pixels to 32 in memory).
    if (bytes.size() >= 30 && bytes.startsWith("BM")) {
        const int bits = static_cast<uint8_t>(bytes[28]) | (static_cast<uint8_t>(bytes[29]) << 8);
        if (bits > 0 && bits <= 32) {
            m_description.bitsPerPixel = bits;
            m_description.bytesPerRow = (m_description.width * bits + 31) / 32 * 4;
        }
    }
    return true;
}

bool CDib::SetImage(const QImage& image) {
    Release();
    if (image.isNull()) {
        return false;
    }
    m_image = image;
    m_description.width = image.width();
    m_description.height = image.height();
    m_description.bytesPerRow = static_cast<int>(image.bytesPerLine());
    m_description.planes = 1;
    m_description.bitsPerPixel = image.depth();
    // Up to 256 entries of the colour table, in table order; true-colour images have none.
    if (image.depth() <= 8) {
        m_palette = image.colorTable().mid(0, 256);
    }
    return true;
}

const QImage& CDib::DrawImage() const {
    if (m_drawImage.isNull()) {
        m_drawImage = m_image.format() == QImage::Format_RGB32 ||
                              m_image.format() == QImage::Format_ARGB32_Premultiplied
                          ? m_image
                          : m_image.convertToFormat(m_image.hasAlphaChannel()
                                                        ? QImage::Format_ARGB32_Premultiplied
                                                        : QImage::Format_RGB32);
    }
    return m_drawImage;
}

bool CDib::Draw(QPainter& painter, std::optional<QRect> destination,
                std::optional<QRect> source) const {
    if (m_image.isNull()) {
        return false;
    }
    QRect from = source.value_or(m_image.rect());
    if (from.width() == -1 && from.height() == -1) {
        from = QRect(from.topLeft(), m_image.size());
    }
    const QRect to = destination.value_or(from);
    const qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    if (ratio > 1.0 && !GetFineImage().isNull()) {
        const QRectF fineFrom(from.x() * 2.0, from.y() * 2.0, from.width() * 2.0,
                              from.height() * 2.0);
        painter.save();
        if (ratio == 2.0 && to.size() == from.size()) {
            // Device pixel for device pixel: the painted artwork exactly.
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
            painter.drawImage(QRectF(to), m_fine, fineFrom);
        } else {
            painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
            painter.drawImage(QRectF(to), FineClear(), fineFrom);
        }
        painter.restore();
        return true;
    }
    const QImage& image = DrawImage();
    if (to.size() == from.size()) {
        painter.drawImage(to.topLeft(), image, from);
    } else {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(to, image, from);
        painter.restore();
    }
    return true;
}

const QImage& CDib::FineClear() const {
    if (m_fineClear.isNull()) {
        m_fineClear = m_fine.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < m_fineClear.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(m_fineClear.scanLine(y));
            for (int x = 0; x < m_fineClear.width(); ++x) {
                if (qRed(row[x]) == 255 && qGreen(row[x]) <= 16 && qBlue(row[x]) == 255) {
                    row[x] = 0;
                }
            }
        }
        m_fineClear = m_fineClear.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    return m_fineClear;
}

QSize CDib::GetSize() const {
    return m_image.isNull() ? QSize(0, 0) : m_image.size();
}

void CDib::Release() {
    m_palette.clear();
    m_drawImage = QImage();
    m_finePath.clear();
    m_fine = QImage();
    m_fineClear = QImage();
    m_description = Description{};
    m_image = QImage();
}

}  // namespace zuvo
