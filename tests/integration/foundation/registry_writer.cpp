// Writes COUNT values named PREFIX<n> into one key of the current user's store, as fast as it can.
#include <QCoreApplication>
#include <QStringList>

#include "platform/registry.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        return 2;
    }
    const int count = args[2].toInt();
    zuvo::Registry& hive = zuvo::Registry::CurrentUser();
    for (int i = 0; i < count; ++i) {
        if (!hive.WriteDword(QStringLiteral("Software\\Race"), args[1] + QString::number(i),
                             static_cast<uint32_t>(i))) {
            return 1;
        }
    }
    return 0;
}
