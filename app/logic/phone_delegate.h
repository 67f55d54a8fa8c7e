#pragma once

#include "app/logic/dialog_delegate.h"
#include "app/logic/display_delegate.h"
#include "app/logic/handset_delegate.h"
#include "app/logic/service_delegate.h"
#include "app/logic/shell_delegate.h"
#include "app/logic/timer_delegate.h"

#include "platform/external_control_protocol.h"

namespace zuvo {

// Everything the call logic asks of the main window, by role. The window implements it; tests
// record the calls. Each logic class keeps only the roles it uses. Every call is made on the main
// thread and returns quickly (long work goes to the window's worker threads).
class PhoneDelegate : public DisplayDelegate,
                      public TimerDelegate,
                      public ServiceDelegate,
                      public ShellDelegate,
                      public DialogDelegate,
                      public HandsetDelegate {};

}  // namespace zuvo
