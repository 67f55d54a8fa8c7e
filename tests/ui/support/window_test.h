#pragma once

#include <QObject>

#include <memory>

#include "app/ui/main_window.h"
#include "tests/support/test_environment.h"

namespace zuvo::test {

// Base of the Qt Test classes that drive the phone's window: each test function runs in a private
// environment of its own, and the window it opened is closed before that environment goes.
class WindowTest : public QObject {
    Q_OBJECT

protected:
    // A new window, shown and exposed. The sign-in prompt it posts at start would open a modal
    // dialog; it is taken away, and with signInPending false the window no longer waits for it.
    CMainWindow& Window(bool signInPending = true);
    void CloseWindow() { m_window.reset(); }
    CMainWindow* window() const { return m_window.get(); }
    TestEnvironment& environment() const { return *m_env; }

private Q_SLOTS:
    void init();
    void cleanup();

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<CMainWindow> m_window;
};

}  // namespace zuvo::test
