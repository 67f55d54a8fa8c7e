// The main window's VPN tunnel: made at creation when the component is registered, stopped
// before each sign-in and, when in use, at destruction.

#include "app/ui/main_window.h"
#include "telephony/discovery/tunnel_component.h"

namespace zuvo {

void CMainWindow::StopTunnel() {
    if (m_tunnel) {
        m_tunnel->Stop();
        m_state.service.tunnelUp = false;
    }
}

void CMainWindow::ReleaseTunnel() {
    if (m_tunnel && m_state.service.useTunnel) {
        StopTunnel();
    }
    m_tunnel.reset();
}

}  // namespace zuvo
