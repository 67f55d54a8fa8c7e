#include <QDesktopServices>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <vector>

#include "skin/hyper_link.h"
#include "skin/tool_tip_control.h"

using namespace zuvo;
using namespace Qt::Literals::StringLiterals;

// Stands in for the desktop's browser: records what would have been opened.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

namespace {
void SendMouse(QWidget* widget, QEvent::Type type) {
    const QPoint pos(2, 2);
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}
}  // namespace

class TestSkinLinks : public QObject {
    Q_OBJECT
    UrlRecorder m_browser;

private Q_SLOTS:
    void initTestCase() { QDesktopServices::setUrlHandler(u"http"_s, &m_browser, "open"); }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(u"http"_s); }
    void init() { m_browser.opened.clear(); }

    void followAlwaysAddsTheHttpPrefix() {
        CHyperLink link(u"www.zuvo.example/rates"_s);
        link.show();  // attaches: the URL comes from the text
        QCOMPARE(link.GetURL(), u"www.zuvo.example/rates"_s);
        QCOMPARE(link.toolTip(), link.GetURL());
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(m_browser.opened.size(), 1);
        QCOMPARE(m_browser.opened.at(0).toString(), u"http://www.zuvo.example/rates"_s);
        QVERIFY(link.IsVisited());
        QCOMPARE(link.TextColour(), QColor(0, 128, 128));  // focused after the click

        CHyperLink schemed(u"Help"_s);
        schemed.SetURL(u"https://help.zuvo.example"_s);
        schemed.show();
        QCOMPARE(schemed.text(), u"Help"_s);
        QTest::mouseClick(&schemed, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(m_browser.opened.size(), 2);
        QVERIFY(m_browser.opened.at(1).toString(QUrl::FullyEncoded).startsWith(u"http://https"_s));
    }

    void doubleClickFollowsOnce() {
        CHyperLink link(u"zuvo.example"_s);
        link.show();
        SendMouse(&link, QEvent::MouseButtonPress);
        SendMouse(&link, QEvent::MouseButtonRelease);
        SendMouse(&link, QEvent::MouseButtonDblClick);
        SendMouse(&link, QEvent::MouseButtonRelease);
        QCOMPARE(m_browser.opened.size(), 1);
        // The next ordinary click follows again.
        SendMouse(&link, QEvent::MouseButtonPress);
        SendMouse(&link, QEvent::MouseButtonRelease);
        QCOMPARE(m_browser.opened.size(), 2);

        // Follow on press: the release does nothing, a double click still opens once.
        CHyperLink onPress(u"zuvo.example"_s);
        onPress.SetStyle(CHyperLink::kDefaultStyle | CHyperLink::kFollowOnPress);
        onPress.show();
        m_browser.opened.clear();
        SendMouse(&onPress, QEvent::MouseButtonPress);
        QCOMPARE(m_browser.opened.size(), 1);
        SendMouse(&onPress, QEvent::MouseButtonRelease);
        SendMouse(&onPress, QEvent::MouseButtonDblClick);
        SendMouse(&onPress, QEvent::MouseButtonRelease);
        QCOMPARE(m_browser.opened.size(), 1);

        // The space bar follows.
        QTest::keyClick(&onPress, Qt::Key_Space);
        QCOMPARE(m_browser.opened.size(), 2);
    }

    void notifyModeSendsInsteadOfOpening() {
        std::vector<std::pair<uint32_t, WPARAM>> sent;
        CHyperLink link(u"Help"_s);
        link.show();
        link.SetNotify(
            [&sent](uint32_t m, WPARAM w, LPARAM l) {
                [&] { QCOMPARE(l, LPARAM{0}); }();
                sent.emplace_back(m, w);
                return LRESULT{0};
            },
            0x111, 9, u"Open help"_s);
        QVERIFY(link.isVisible());
        QCOMPARE(link.toolTip(), u"Open help"_s);
        QSignalSpy spy(&link, &CHyperLink::Notified);
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(sent.size(), std::size_t{1});
        QCOMPARE(sent.at(0).first, 0x111u);
        QCOMPARE(sent.at(0).second, WPARAM{9});
        QCOMPARE(spy.count(), 1);
        QVERIFY(m_browser.opened.isEmpty());
        QVERIFY(link.IsVisited());
    }

    void coloursFollowStyleBits() {
        CHyperLink link(u"zuvo.example"_s);
        link.show();
        QCOMPARE(link.TextColour(), QColor(0, 0, 255));
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(&link, &enter);
        QCOMPARE(link.TextColour(), QColor(0, 0, 255));  // 0x15 has no hover bit
        link.SetStyle(CHyperLink::kDefaultStyle | CHyperLink::kUseHover);
        QCOMPARE(link.TextColour(), QColor(255, 0, 0));
        link.SetStyle(CHyperLink::kUseHover);
        link.SetColours(Qt::black, Qt::green, Qt::gray);  // hover: the highlight colour
        QCOMPARE(link.TextColour(), link.palette().color(QPalette::Highlight));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&link, &leave);
        QCOMPARE(link.TextColour(), QColor(Qt::black));
    }

    void sizeToTextKeepsTheAlignedEdge() {
        QWidget parent;
        auto* right = new CHyperLink(u"a fairly long link text"_s, &parent);
        right->setAlignment(Qt::AlignRight | Qt::AlignTop);
        right->setGeometry(10, 10, 400, 40);
        right->show();
        QCOMPARE(right->geometry().right(), 409);
        QCOMPARE(right->geometry().top(), 10);
        QVERIFY(right->width() < 400);
        auto* centred = new CHyperLink(u"centre"_s, &parent);
        centred->setAlignment(Qt::AlignCenter);
        centred->setGeometry(0, 100, 300, 60);
        centred->show();
        QVERIFY(qAbs(centred->geometry().center().x() - 150) <= 1);
        QVERIFY(qAbs(centred->geometry().center().y() - 130) <= 1);
    }

    void toolTipsMapRectanglesAndControls() {
        QWidget window;
        window.resize(260, 470);
        auto* control = new QWidget(&window);
        control->setGeometry(109, 186, 41, 41);
        CToolTipControl tips;
        tips.AddRectTool(&window, u"Sign-in / call status"_s, QRect(31, 102, 203, 16), 1);
        tips.AddRectTool(&window, u"Sign-in status"_s, QRect(), 2);
        tips.AddRectTool(&window, u"Account balance"_s, QRect(31, 158, 203, 15), 3);
        tips.AddControlTool(control, u"Hold to dial - "_s);

        QCOMPARE(tips.TextAt(&window, QPoint(100, 110)), u"Sign-in / call status"_s);
        QCOMPARE(tips.TextAt(&window, QPoint(100, 165)), u"Account balance"_s);
        QCOMPARE(tips.TextAt(&window, QPoint(5, 5)), QString());
        QCOMPARE(tips.TextAt(control, QPoint(3, 3)), u"Hold to dial - "_s);

        tips.UpdateRectTip(&window, QString(), 3);
        QCOMPARE(tips.TextAt(&window, QPoint(100, 165)), QString());
        tips.UpdateControlTip(control, u"Hold to dial - Mum"_s);
        QCOMPARE(tips.TextAt(control, QPoint(3, 3)), u"Hold to dial - Mum"_s);
        tips.SetToolRect(&window, QRect(0, 0, 10, 10), 2);
        QCOMPARE(tips.TextAt(&window, QPoint(5, 5)), u"Sign-in status"_s);
        tips.UpdateRectTip(&window, u"x"_s, 99);  // unknown tool: ignored

        // A tool-tip request is answered by the control (and swallowed when empty).
        QHelpEvent help(QEvent::ToolTip, QPoint(100, 165), window.mapToGlobal(QPoint(100, 165)));
        QVERIFY(QApplication::sendEvent(&window, &help));

        // A control that goes away takes its tool with it.
        delete control;
        window.show();
        QHelpEvent again(QEvent::ToolTip, QPoint(120, 190), window.mapToGlobal(QPoint(120, 190)));
        QApplication::sendEvent(&window, &again);
        tips.UpdateControlTip(control, u"gone"_s);
    }
};

QTEST_MAIN(TestSkinLinks)
#include "tst_skin_links.moc"
