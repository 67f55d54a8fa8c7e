#include "fuzz/fuzz_support.h"

#include <QtGlobal>

namespace zuvo::fuzz {

void Quiet() {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

}  // namespace zuvo::fuzz
