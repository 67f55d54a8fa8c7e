#pragma once

#include <QString>

namespace zuvo {

// The provider's web-service tasks the call logic starts. Main thread; each task runs on its own
// worker and its result comes back to the window later.
class ServiceDelegate {
public:
    virtual ~ServiceDelegate() = default;

    virtual void RebuildRequestKey() = 0;
    virtual void StartBalanceRequest(bool withConnection) = 0;  // with "&CP=" when true
    virtual void StartCallAuthorisation(const QString& dialled) = 0;
    virtual void StartPopupFetch() = 0;
    // Shows a due pop-up of kind 2 (before a call) or 3 (after a call); true when one showed.
    virtual bool ShowPopup(int kind) = 0;
};

}  // namespace zuvo
