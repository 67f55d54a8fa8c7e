#include <QtTest>

#include <QPainter>

#include <cmath>

#include "app/core/install_layout.h"
#include "app/ui/control_table.h"
#include "app/ui/main_window.h"
#include "platform/ids.h"
#include "skin/dib.h"
#include "skin/make_region.h"
#include "skin/skin_button.h"
#include "tests/ui/support/window_test.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

bool IsKeyish(QRgb p) {
    return qRed(p) > 200 && qGreen(p) < 90 && qBlue(p) > 200;
}

// Every visible skinned button of the window with its face.
std::vector<CSkinButton*> Buttons(CMainWindow& w) {
    std::vector<CSkinButton*> out;
    for (CSkinButton* b : w.findChildren<CSkinButton*>()) {
        if (b->isVisible() && b->width() > 0) {
            out.push_back(b);
        }
    }
    return out;
}

// The face has finer artwork of twice its size, keyed exactly where the 1x face is.
bool FineArtworkKeyedLikeItsFace(const CDib& face) {
    const QImage fine = face.GetFineImage().convertToFormat(QImage::Format_RGB32);
    if (fine.size() != face.GetSize() * 2) {
        qWarning() << "no finer artwork of twice the size";
        return false;
    }
    const QImage base = face.GetImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < fine.height(); ++y) {
        for (int x = 0; x < fine.width(); ++x) {
            if (IsKeyish(fine.pixel(x, y)) != IsKeyish(base.pixel(x / 2, y / 2))) {
                qWarning() << "keyed differently at" << x << y;
                return false;
            }
        }
    }
    return true;
}

}  // namespace

// Run once per scale (QT_SCALE_FACTOR 1, 1.5 and 2): the skin drawn at that scale.
class TestHighDpi : public test::WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void hitAreasMatchTheShape() {
        CMainWindow& w = Window();
        const QRegion shape = w.mask();
        QVERIFY(!shape.isEmpty());
        const auto buttons = Buttons(w);
        QVERIFY(buttons.size() >= 18);
        for (CSkinButton* b : buttons) {
            const QString id = b->objectName();
            const QRegion hit = b->mask();
            QVERIFY2(!hit.isEmpty(), qPrintable(id));
            // Every hit area lies on the drawn handset.
            QVERIFY2(hit.translated(b->pos()).subtracted(shape).isEmpty(), qPrintable(id));
            // The pointer finds the button exactly on its shape: inside at each hit point, never
            // on a see-through corner of its rectangle.
            for (int y = 0; y < b->height(); ++y) {
                for (int x = 0; x < b->width(); ++x) {
                    const QPoint local(x, y);
                    QWidget* found = w.childAt(b->mapTo(&w, local));
                    QVERIFY2((found == b) == hit.contains(local),
                             qPrintable(u"%1 at %2,%3"_s.arg(id).arg(x).arg(y)));
                }
            }
        }
    }

    void artworkAtTheScreensScaleIsSharpAndKeyedLikeTheShape() {
        CMainWindow& w = Window();
        const qreal ratio = w.devicePixelRatioF();
        QCOMPARE(ratio, qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                            ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                            : 1.0);
        const QImage shown = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.width(), static_cast<int>(std::lround(w.width() * ratio)));

        // No key colour and no key fringe anywhere inside the shape.
        const QRegion shape = w.mask();
        int fringe = 0;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                const QPoint logical(static_cast<int>(x / ratio), static_cast<int>(y / ratio));
                // Pixels straddling the edge at fractional scales belong to both sides.
                const bool inside = shape.contains(logical) &&
                                    shape.contains(logical + QPoint(1, 0)) &&
                                    shape.contains(logical - QPoint(1, 0)) &&
                                    shape.contains(logical + QPoint(0, 1)) &&
                                    shape.contains(logical - QPoint(0, 1));
                if (inside && IsKeyish(shown.pixel(x, y))) {
                    ++fringe;
                }
            }
        }
        QCOMPARE(fringe, 0);

        // Each face's finer artwork is keyed exactly where its 1x face is (so the hit areas made
        // from the 1x face match it), and at 200 % it is what the screen shows, pixel for pixel.
        for (const ControlEntry& key : kKeypadControls) {
            CDib face;
            QVERIFY(face.Load(SkinModule::Program, QString::fromUtf16(key.bitmap)));
            QVERIFY(FineArtworkKeyedLikeItsFace(face));
            const QImage fine = face.GetFineImage().convertToFormat(QImage::Format_RGB32);
            if (ratio != 2.0) {
                continue;
            }
            CSkinButton* button = w.button(key.id);
            const QRegion hit = button->mask();
            int differing = 0;
            for (int y = 0; y < button->height() * 2; ++y) {
                for (int x = 0; x < button->width() * 2; ++x) {
                    if (!hit.contains(QPoint(x / 2, y / 2))) {
                        continue;
                    }
                    const QPoint at = button->mapTo(&w, QPoint(0, 0)) * 2 + QPoint(x, y);
                    differing += shown.pixel(at) != fine.pixel(x, y) ? 1 : 0;
                }
            }
            QVERIFY2(differing == 0, qPrintable(u"key %1: %2 pixels"_s.arg(key.id).arg(differing)));
        }
    }

    // The faces a language bundle brings (the French call key, logo...) are as sharp as the
    // program's own.
    void languageFacesHaveFinerArtworkToo() {
        const QString bundle = InstallLayout::LanguageBundle(u"FR"_s);
        QVERIFY2(QResource::registerResource(bundle, u"/lang"_s), qPrintable(bundle));
        const QStringList faces = QDir(u":/lang/bitmaps"_s).entryList({u"*.bmp"_s});
        QVERIFY(faces.size() >= 8);
        for (const QString& file : faces) {
            CDib face;
            QVERIFY(face.Load(SkinModule::Language, file.chopped(4)));
            QVERIFY2(FineArtworkKeyedLikeItsFace(face), qPrintable(file));
        }
        QVERIFY(QResource::unregisterResource(bundle, u"/lang"_s));
    }
};

QTEST_MAIN(TestHighDpi)
#include "tst_high_dpi.moc"
