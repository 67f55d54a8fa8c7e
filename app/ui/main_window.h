#pragma once

#include <QWidget>

#include <array>

#include "app/core/phone_settings.h"
#include "platform/message_port.h"

namespace zuvo {

class LocalBusEndpoint;

// The phone's one top-level window, reachable by other processes as "ZuvoClass". It owns the
// run-time state; its message table routes private messages, timers and commands.
class CMainWindow : public QWidget {
    Q_OBJECT
public:
    explicit CMainWindow(QWidget* parent = nullptr);
    ~CMainWindow() override;

    MessagePort& port() { return *m_port; }
    LRESULT WindowProc(uint32_t message, WPARAM wParam, LPARAM lParam);

    const QString& numberLine() const { return m_numberLine; }
    bool autoDial() const { return m_autoDial; }
    const PhoneSettings& settings() const { return m_settings; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    LRESULT OnDialHandover(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    LRESULT OnBusActivate(WPARAM wParam, LPARAM lParam);

    static const std::array<MessageMapEntry<CMainWindow>, 5> kMessageMap;

    MessagePort* m_port = nullptr;
    LocalBusEndpoint* m_endpoint = nullptr;
    PhoneSettings m_settings;
    QString m_numberLine;
    bool m_autoDial = false;
    bool m_closing = false;
};

}  // namespace zuvo
