#include <QBitmap>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "skin/dib.h"
#include "skin/make_region.h"

using namespace zuvo;
using namespace Qt::Literals::StringLiterals;

namespace {

// The region the slow, obvious way: every non-transparent pixel on its own.
QRegion PixelRegion(const QImage& image) {
    QRegion region;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const bool transparent = qRed(p) == 255 && qGreen(p) <= 16 && qBlue(p) == 255;
            if (!transparent) {
                region += QRect(x, y, 1, 1);
            }
        }
    }
    return region;
}

bool SameArea(const QRegion& a, const QRegion& b) {
    return a.xored(b).isEmpty();
}

}  // namespace

class TestSkinImages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void regionToleranceIsPerChannelAndInclusive() {
        QImage image(6, 1, QImage::Format_RGB32);
        image.setPixel(0, 0, qRgb(255, 0, 255));   // key: transparent
        image.setPixel(1, 0, qRgb(255, 16, 255));  // edge of tolerance: transparent
        image.setPixel(2, 0, qRgb(255, 17, 255));  // just outside: visible
        image.setPixel(3, 0, qRgb(254, 0, 255));   // red below the key: visible
        image.setPixel(4, 0, qRgb(255, 0, 254));   // blue below the key: visible
        image.setPixel(5, 0, qRgb(255, 10, 255));  // transparent again
        int width = -1;
        int height = -1;
        const QRegion region = MakeRegion(image, &width, &height);
        QCOMPARE(width, 6);
        QCOMPARE(height, 1);
        QVERIFY(SameArea(region, QRegion(2, 0, 3, 1)));

        // The upper bound is clipped at 255 rather than wrapping round.
        QImage white(2, 1, QImage::Format_RGB32);
        white.setPixel(0, 0, qRgb(250, 250, 250));
        white.setPixel(1, 0, qRgb(240, 250, 250));
        QVERIFY(SameArea(MakeRegion(white, nullptr, nullptr, qRgb(250, 250, 250), 0x101010),
                         QRegion(1, 0, 1, 1)));
    }

    void regionOfEmptyOrAllKeyImageIsEmpty() {
        QImage magenta(40, 30, QImage::Format_RGB32);
        magenta.fill(qRgb(255, 0, 255));
        QVERIFY(MakeRegion(magenta).isEmpty());
        int width = -1;
        QVERIFY(MakeRegion(QImage(), &width).isEmpty());
        QCOMPARE(width, 0);

        // An empty region hides a window entirely instead of leaving it rectangular.
        QWidget widget;
        widget.resize(40, 30);
        SetWindowRegion(widget, MakeRegion(magenta));
        QVERIFY(!widget.mask().isEmpty());
        QVERIFY(widget.mask().intersected(widget.rect()).isEmpty());
    }

    void regionOverManyBatchesEqualsPixelRegion() {
        // Taller than wide, two or three runs a row: well over 2000 rectangles.
        QImage image(7, 1500, QImage::Format_RGB32);
        image.fill(qRgb(255, 0, 255));
        for (int y = 0; y < image.height(); ++y) {
            image.setPixel(y % 3, y, qRgb(10, 20, 30));
            image.setPixel(3, y, qRgb(200, 100, 0));
            if (y % 2) {
                image.setPixel(5, y, qRgb(255, 17, 255));
                image.setPixel(6, y, qRgb(0, 0, 0));
            }
        }
        const QRegion region = MakeRegion(image);
        QVERIFY(SameArea(region, PixelRegion(image)));
        // Indexed and 24-bit inputs give the same shape.
        QVERIFY(SameArea(MakeRegion(image.convertToFormat(QImage::Format_RGB888)), region));
        // And so does Qt's own colour mask (tolerance 0 differs only on near-key pixels,
        // and this image has none in the tolerance band except the key itself).
        const QRegion qt(
            QBitmap::fromImage(image.createMaskFromColor(qRgb(255, 0, 255), Qt::MaskInColor)));
        QVERIFY(SameArea(region, qt));
    }

    void phoneSkinIsShapedAndHoldsEveryControl() {
        CDib phone;
        QVERIFY(phone.Load(SkinModule::Program, u"Phone"_s));
        QVERIFY(phone.GetSize().width() >= 246);
        QVERIFY(phone.GetSize().height() >= 447);
        QCOMPARE(phone.GetDescription().bitsPerPixel, 24);
        const QRegion region = MakeRegion(phone);
        QVERIFY(!region.contains(QPoint(0, 0)));  // outside the rounded corner
        // The display panel and the middle of every button place are part of the handset.
        for (const QPoint& p : {QPoint(132, 140), QPoint(235, 17), QPoint(48, 331),
                                QPoint(193, 418), QPoint(61, 393), QPoint(145, 393)}) {
            QVERIFY2(region.contains(p), qPrintable(u"%1,%2"_s.arg(p.x()).arg(p.y())));
        }
    }

    void dibPaletteKeepsColourTableOrder() {
        QTemporaryDir dir;
        QImage indexed(4, 2, QImage::Format_Indexed8);
        const QList<QRgb> table = {qRgb(255, 0, 255), qRgb(10, 20, 30), qRgb(200, 150, 100)};
        indexed.setColorTable(table);
        indexed.fill(1);
        indexed.setPixel(0, 0, 0);
        indexed.setPixel(3, 1, 2);
        const QString path = dir.filePath(u"pal.bmp"_s);
        QVERIFY(indexed.save(path, "BMP"));

        CDib dib;
        QVERIFY(dib.LoadFile(path));
        QVERIFY(dib.GetDescription().bitsPerPixel <= 8);  // the writer picks 4 or 8 bits
        QVERIFY(dib.GetPalette().size() >= 3);
        QCOMPARE(dib.GetPalette().mid(0, 3), table);
        // The region follows the table's colours.
        QVERIFY(SameArea(MakeRegion(dib), QRegion(0, 0, 4, 2) - QRegion(0, 0, 1, 1)));

        CDib trueColour;
        QVERIFY(trueColour.Load(SkinModule::Program, u"219"_s));
        QVERIFY(trueColour.GetPalette().isEmpty());

        dib.Release();
        QCOMPARE(dib.GetSize(), QSize(0, 0));
        QVERIFY(dib.GetPalette().isEmpty());
        QCOMPARE(dib.GetDescription().width, 0);
    }

    void dibDrawCopiesOrStretches() {
        QImage source(2, 2, QImage::Format_RGB32);
        source.setPixel(0, 0, qRgb(255, 0, 0));
        source.setPixel(1, 0, qRgb(0, 255, 0));
        source.setPixel(0, 1, qRgb(0, 0, 255));
        source.setPixel(1, 1, qRgb(255, 255, 255));
        CDib dib;
        QVERIFY(dib.SetImage(source));

        QImage target(6, 6, QImage::Format_RGB32);
        target.fill(Qt::black);
        {
            QPainter painter(&target);
            // Same size: a plain copy of the source part.
            QVERIFY(dib.Draw(painter, QRect(4, 4, 1, 2), QRect(1, 0, 1, 2)));
            // One pixel wider: stretched, nearest pixel, no blending.
            QVERIFY(dib.Draw(painter, QRect(0, 0, 3, 2)));
        }
        QCOMPARE(target.pixel(4, 4), qRgb(0, 255, 0));
        QCOMPARE(target.pixel(4, 5), qRgb(255, 255, 255));
        QCOMPARE(target.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(target.pixel(2, 0), qRgb(0, 255, 0));
        QCOMPARE(target.pixel(2, 1), qRgb(255, 255, 255));
        for (int x = 0; x < 3; ++x) {
            const QRgb p = target.pixel(x, 0);
            QVERIFY(p == qRgb(255, 0, 0) || p == qRgb(0, 255, 0));
        }

        // Whole bitmap by default, and the "-1, -1" source means the whole bitmap too.
        QImage second(2, 2, QImage::Format_RGB32);
        second.fill(Qt::black);
        {
            QPainter painter(&second);
            QVERIFY(dib.Draw(painter, std::nullopt, QRect(0, 0, -1, -1)));
        }
        QCOMPARE(second, source);
    }

    void fineArtworkFollowsTheBitmapLoaded() {
        const auto fineOf = [](const QString& name) {
            return QImage(u":/bitmaps/"_s + name + u"@2x.png"_s)
                .convertToFormat(QImage::Format_RGB32);
        };
        CDib dib;
        QVERIFY(dib.Load(SkinModule::Program, u"216"_s));
        // Drawn on a 200 % device before anything asked for it: the finer artwork, pixel for pixel.
        const QSize size = dib.GetSize();
        QImage target(size * 2, QImage::Format_RGB32);
        target.setDevicePixelRatio(2.0);
        target.fill(Qt::black);
        {
            QPainter painter(&target);
            QVERIFY(dib.Draw(painter));
        }
        QCOMPARE(target, fineOf(u"216"_s));

        // Another bitmap loaded into the same Dib brings its own finer artwork, never the last one.
        QVERIFY(dib.Load(SkinModule::Program, u"217"_s));
        QCOMPARE(dib.GetFineImage(), fineOf(u"217"_s));
        QVERIFY(dib.Load(SkinModule::Program, u"216"_s));
        QVERIFY(dib.Load(SkinModule::Program, u"218"_s));
        QCOMPARE(dib.GetFineImage(), fineOf(u"218"_s));
        // An image or a file taken in its place has none.
        QVERIFY(dib.Load(SkinModule::Program, u"216"_s));
        QVERIFY(dib.SetImage(QImage(4, 4, QImage::Format_RGB32)));
        QVERIFY(dib.GetFineImage().isNull());
        QVERIFY(dib.Load(SkinModule::Program, u"216"_s));
        QVERIFY(dib.LoadFile(u":/bitmaps/216.bmp"_s));
        QVERIFY(dib.GetFineImage().isNull());
    }

    void missingBitmapsLeaveTheDibEmpty() {
        CDib dib;
        QVERIFY(!dib.Load(SkinModule::Program, u"no-such-bitmap"_s));
        // The language bundle is not loaded in this process: no fallback to the program.
        QVERIFY(!dib.Load(SkinModule::Language, u"216"_s));
        QCOMPARE(dib.GetSize(), QSize(0, 0));
        QImage target(4, 4, QImage::Format_RGB32);
        QPainter painter(&target);
        QVERIFY(!dib.Draw(painter));
        // A failed load empties a Dib that held a bitmap.
        QVERIFY(dib.Load(SkinModule::Program, u"216"_s));
        QVERIFY(!dib.Load(SkinModule::Program, u"nothing"_s));
        QVERIFY(!dib.IsLoaded());
        QCOMPARE(CDib::ResourcePath(SkinModule::Language, u"216"_s), u":/lang/bitmaps/216.bmp"_s);
    }
};

QTEST_MAIN(TestSkinImages)
#include "tst_skin_images.moc"
