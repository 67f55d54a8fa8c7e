#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <vector>

#include "platform/ids.h"
#include "skin/dib.h"
#include "skin/image_static.h"
#include "skin/skin_button.h"
#include "skin/skin_dialog.h"
#include "skin/skin_slider.h"
#include "skin/state_light.h"

using namespace zuvo;
using namespace Qt::Literals::StringLiterals;

namespace {

// A parent window that records the notifications and keys its children hand it.
class Owner : public QWidget {
public:
    std::vector<uint32_t> codes;
    std::vector<int> keys;
    LRESULT Send(uint32_t message, WPARAM wParam, LPARAM) {
        if (message == Wm::Command) {
            codes.push_back(static_cast<uint32_t>(wParam >> 16));
            ids.push_back(static_cast<int>(wParam & 0xFFFF));
        }
        return 0;
    }
    std::vector<int> ids;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys.push_back(event->key()); }
    void keyReleaseEvent(QKeyEvent* event) override { keys.push_back(-event->key()); }
};

void SendMouse(QWidget* widget, QEvent::Type type, QPoint pos = {20, 20}) {
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

constexpr uint32_t P = Msg::ButtonPressed;
constexpr uint32_t R = Msg::ButtonReleased;

}  // namespace

class TestSkinControls : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keypadButtonTakesItsFaceAndShape() {
        Owner owner;
        auto* key = new CSkinButton(Cmd::Key0 + 1, &owner);
        QVERIFY(key->Create(SkinModule::Program, u"219"_s, 305));
        QCOMPARE(key->size(), QSize(41, 41));
        // The rounded corners are left out; the middle is part of the button.
        QVERIFY(!key->mask().contains(QPoint(0, 0)));
        QVERIFY(key->mask().contains(QPoint(20, 20)));
        QCOMPARE(key->cursor().shape(), Qt::BitmapCursor);

        // The upper half is shown at rest, the lower half while held.
        CDib face;
        QVERIFY(face.Load(SkinModule::Program, u"219"_s));
        const QImage rest = key->grab().toImage();
        QCOMPARE(rest.pixel(20, 8), face.GetImage().pixel(20, 8));
        SendMouse(key, QEvent::MouseButtonPress);
        QVERIFY(key->IsShownPressed());
        const QImage held = key->grab().toImage();
        QCOMPARE(held.pixel(20, 8), face.GetImage().pixel(20, 41 + 8));
        SendMouse(key, QEvent::MouseButtonRelease);
        QVERIFY(!key->IsShownPressed());

        auto* none = new CSkinButton(103, &owner);
        QVERIFY(!none->Create(SkinModule::Language, u"216"_s));
    }

    void clickAndDoubleClickNotifications() {
        Owner owner;
        auto* key = new CSkinButton(106, &owner);
        QVERIFY(key->Create(SkinModule::Program, u"219"_s));
        key->SetTarget([&owner](uint32_t m, WPARAM w, LPARAM l) { return owner.Send(m, w, l); });
        QSignalSpy spy(key, &CSkinButton::Command);

        QTest::mouseClick(key, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(owner.codes, (std::vector<uint32_t>{P, R}));
        QCOMPARE(owner.ids, (std::vector<int>{106, 106}));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).value<WPARAM>(), WPARAM{106 | (0x402u << 16)});

        // The second click of a double click arrives as a double click: released only.
        owner.codes.clear();
        SendMouse(key, QEvent::MouseButtonPress);
        SendMouse(key, QEvent::MouseButtonRelease);
        SendMouse(key, QEvent::MouseButtonDblClick);
        SendMouse(key, QEvent::MouseButtonRelease);
        QCOMPARE(owner.codes, (std::vector<uint32_t>{P, R, R}));

        // A repeating button reports the second press of a double click too.
        auto* repeating = new CSkinButton(117, &owner);
        QVERIFY(repeating->Create(SkinModule::Program, u"229"_s, 0, 9));
        repeating->SetTarget(
            [&owner](uint32_t m, WPARAM w, LPARAM l) { return owner.Send(m, w, l); });
        owner.codes.clear();
        SendMouse(repeating, QEvent::MouseButtonPress);
        SendMouse(repeating, QEvent::MouseButtonRelease);
        SendMouse(repeating, QEvent::MouseButtonDblClick);
        SendMouse(repeating, QEvent::MouseButtonRelease);
        QCOMPARE(owner.codes, (std::vector<uint32_t>{P, R, P, R}));

        // Right button: nothing.
        owner.codes.clear();
        QTest::mouseClick(key, Qt::RightButton, {}, QPoint(20, 20));
        QVERIFY(owner.codes.empty());
    }

    // While a release is notified the owner can ask whether it completes a click: a release
    // after a press over the button does; the release ending a double click (which reported no
    // press) and a release away from the button do not.
    void releaseCompletesAClickOnlyAfterAPress() {
        Owner owner;
        auto* button = new CSkinButton(32771, &owner);
        QVERIFY(button->Create(SkinModule::Program, u"219"_s));
        std::vector<bool> completes;
        button->SetTarget([&](uint32_t, WPARAM w, LPARAM) {
            if ((w >> 16) == R) {
                completes.push_back(button->ReleaseCompletesClick());
            }
            return LRESULT{0};
        });
        SendMouse(button, QEvent::MouseButtonPress);
        SendMouse(button, QEvent::MouseButtonRelease);
        SendMouse(button, QEvent::MouseButtonDblClick);
        SendMouse(button, QEvent::MouseButtonRelease);
        SendMouse(button, QEvent::MouseButtonPress);
        SendMouse(button, QEvent::MouseButtonRelease, QPoint(-5, -5));
        SendMouse(button, QEvent::MouseButtonPress);
        SendMouse(button, QEvent::MouseButtonRelease);
        QCOMPARE(completes, (std::vector<bool>{true, false, false, true}));
        QVERIFY(!button->ReleaseCompletesClick());  // only while a release is notified
    }

    void autoRepeatWhileHeldInside() {
        Owner owner;
        owner.resize(200, 200);
        auto* key = new CSkinButton(110, &owner);
        QVERIFY(key->Create(SkinModule::Program, u"223"_s, 0, 5));
        key->SetTarget([&owner](uint32_t m, WPARAM w, LPARAM l) { return owner.Send(m, w, l); });
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));

        SendMouse(key, QEvent::MouseButtonPress);
        QCOMPARE(owner.codes, (std::vector<uint32_t>{P}));  // at once
        QTRY_VERIFY(owner.codes.size() >= 4);               // then repeatedly
        for (uint32_t code : owner.codes) {
            QCOMPARE(code, P);
        }
        // Outside the button the repeats stop, and resume when it comes back.
        SendMouse(key, QEvent::MouseMove, QPoint(100, 100));
        QVERIFY(!key->IsShownPressed());
        const std::size_t outside = owner.codes.size();
        QTest::qWait(CSkinButton::kFirstRepeatMs);
        QCOMPARE(owner.codes.size(), outside);
        SendMouse(key, QEvent::MouseMove, QPoint(20, 20));
        QTRY_VERIFY(owner.codes.size() > outside);
        SendMouse(key, QEvent::MouseButtonRelease);
        QCOMPARE(owner.codes.back(), R);
        const std::size_t released = owner.codes.size();
        QTest::qWait(CSkinButton::kFirstRepeatMs);
        QCOMPARE(owner.codes.size(), released);  // the timer stopped with the release
    }

    void keysGoToTheParent() {
        Owner owner;
        auto* key = new CSkinButton(106, &owner);
        QVERIFY(key->Create(SkinModule::Program, u"219"_s));
        QTest::keyPress(key, Qt::Key_5);
        QTest::keyRelease(key, Qt::Key_5);
        QCOMPARE(owner.keys, (std::vector<int>{Qt::Key_5, -Qt::Key_5}));
    }

    void stateLightBlinksBetweenFrames() {
        CStateLight light;
        QVERIFY(light.Load(SkinModule::Program, u"260"_s));
        light.resize(12, 12);
        QCOMPARE(light.Row(), 0);
        QCOMPARE(light.Column(), 1);

        CDib cells;
        QVERIFY(cells.Load(SkinModule::Program, u"260"_s));
        const auto cellPixel = [&](int row, int column) {
            return cells.GetImage().pixel(column * 12 + 6, row * 12 + 6);
        };

        light.SetState(1, 0, 0, 0);  // steady: no timer
        QVERIFY(!light.IsBlinking());
        QCOMPARE(light.grab().toImage().pixel(6, 6), cellPixel(1, 0));
        QTest::qWait(50);
        QCOMPARE(light.Column(), 0);

        light.SetState(1, 0, 125, 75);
        QVERIFY(light.IsBlinking());
        QCOMPARE(light.Column(), 0);
        QTRY_COMPARE(light.Column(), 1);
        QCOMPARE(light.grab().toImage().pixel(6, 6), cellPixel(1, 1));
        QTRY_COMPARE(light.Column(), 0);
        QTRY_COMPARE(light.Column(), 1);
        QVERIFY(cellPixel(1, 0) != cellPixel(1, 1));  // the frames differ

        light.SetState(0, 0, 0, 0);
        QVERIFY(!light.IsBlinking());
        QCOMPARE(light.grab().toImage().pixel(6, 6), cellPixel(0, 0));
    }

    void sliderDrawsOverTheSkin() {
        QImage skinImage(100, 40, QImage::Format_RGB32);
        skinImage.fill(qRgb(10, 120, 30));
        CDib skin;
        QVERIFY(skin.SetImage(skinImage));
        QWidget parent;
        CSkinSlider slider(&parent);
        slider.setGeometry(20, 10, 58, 15);
        slider.SetSkin(&skin, slider.geometry());
        QCOMPARE(slider.minimum(), 0);
        QCOMPARE(slider.maximum(), 0xFFFF);
        slider.setValue(0);

        const QImage shot = slider.grab().toImage();
        const QRect channel = slider.ChannelRect();
        const QRect thumb = slider.ThumbRect();
        QCOMPARE(shot.pixel(57, 0), qRgb(10, 120, 30));  // skin under the slider
        QCOMPARE(shot.pixel(channel.right() - 2, channel.top()), qRgb(255, 255, 255));
        QCOMPARE(shot.pixel(channel.right() - 3, channel.center().y()), qRgb(88, 91, 93));
        QCOMPARE(shot.pixel(thumb.center()), qRgb(88, 91, 93));
        QVERIFY(thumb.left() <= 0 + CSkinSlider::kThumbWidth);

        // A click right of the thumb steps a page toward it; dragging the thumb follows.
        QSignalSpy moved(&slider, &QSlider::valueChanged);
        QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(50, 7));
        QCOMPARE(slider.value(), slider.pageStep());
        const QPoint grip = slider.ThumbRect().center();
        QTest::mousePress(&slider, Qt::LeftButton, {}, grip);
        QTest::mouseMove(&slider, QPoint(slider.width() - 1, grip.y()));
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(slider.width() - 1, grip.y()));
        QCOMPARE(slider.value(), 0xFFFF);
        QVERIFY(moved.count() >= 2);
    }

    void pictureAndDialogBackgrounds() {
        QWidget parent;
        auto* picture = new CImageStatic(&parent);
        picture->setGeometry(5, 6, 10, 10);
        QVERIFY(picture->Load(SkinModule::Program, u"293"_s));
        CDib logo;
        QVERIFY(logo.Load(SkinModule::Program, u"293"_s));
        QCOMPARE(picture->geometry(), QRect(QPoint(5, 6), logo.GetSize()));
        QCOMPARE(picture->grab().toImage().pixel(40, 30), logo.GetImage().pixel(40, 30));
        QVERIFY(!picture->Load(SkinModule::Program, u"missing"_s));

        CSkinDialog dialog;
        QVERIFY(dialog.SetBackground(SkinModule::Program, u"293"_s));
        auto* slider = new QSlider(Qt::Horizontal, &dialog);
        slider->setGeometry(0, 0, 10, 10);
        QCoreApplication::sendPostedEvents();
        dialog.resize(logo.GetSize() * 2);
        const QImage shot = dialog.grab().toImage();
        // Stretched over the whole dialog.
        QCOMPARE(shot.pixel(80 * 2 + 1, 32 * 2 + 1), logo.GetImage().pixel(80, 32));
        QVERIFY(slider->autoFillBackground());

        CSkinDialog plain;
        QVERIFY(!plain.SetBackground(SkinModule::Program, u"missing"_s));
        QVERIFY(!plain.HasBackground());
    }
};

QTEST_MAIN(TestSkinControls)
#include "tst_skin_controls.moc"
