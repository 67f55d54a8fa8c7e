#include "app/core/install_layout.h"

#include <QCoreApplication>
#include <QDir>

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

QString BesideProgram(const QString& relative) {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + u"/../"_s + relative);
}

}  // namespace

QString InstallLayout::DataDir() {
    return BesideProgram(u"share/zuvo"_s);
}

QString InstallLayout::PluginDir() {
    return BesideProgram(u"lib/zuvo"_s);
}

QString InstallLayout::LanguageBundle(const QString& code) {
    return DataDir() + u"/ResDll/Res"_s + code + u".rcc"_s;
}

}  // namespace zuvo
