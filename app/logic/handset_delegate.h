#pragma once

#include <QByteArray>

#include "platform/external_control_protocol.h"

namespace zuvo {

// The devices and programs that follow the call besides the window: the handset, the bound
// external-control client and the audio wizard's open pages. Main thread.
class HandsetDelegate {
public:
    virtual ~HandsetDelegate() = default;

    // Copy-data to the bound external-control client (types 2..5); nothing when none is bound.
    virtual void NotifyExternalClient(ExternalControlProtocol::PhoneNotice type,
                                      const QByteArray& data) = 0;
    // Handset property (code, value); nothing while no handset exists.
    virtual void NotifyHandset(int code, int value) = 0;
    // The audio wizard's open pages: re-read device lists; show a new volume (device 0/1).
    virtual void WizardDevicesChanged() = 0;
    virtual void WizardVolumeChanged(int device, int volume) = 0;
};

}  // namespace zuvo
