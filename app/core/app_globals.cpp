#include "app/core/app_globals.h"

namespace zuvo {

AppGlobals& App() {
    static AppGlobals globals;
    return globals;
}

}  // namespace zuvo
