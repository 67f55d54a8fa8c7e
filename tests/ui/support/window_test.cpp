#include "tests/ui/support/window_test.h"

#include <QCoreApplication>
#include <QTest>

namespace zuvo::test {

CMainWindow& WindowTest::Window(bool signInPending) {
    m_window = std::make_unique<CMainWindow>();
    QCoreApplication::removePostedEvents(&m_window->port());
    if (!signInPending) {
        m_window->mutableState().signin.pending = false;
    }
    m_window->show();
    static_cast<void>(QTest::qWaitForWindowExposed(m_window.get()));
    return *m_window;
}

void WindowTest::init() {
    m_env = std::make_unique<TestEnvironment>();
}

void WindowTest::cleanup() {
    m_window.reset();
    m_env.reset();
}

}  // namespace zuvo::test
