#include "app/core/install_layout.h"

#include <algorithm>

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
    const bool letters =
        code.size() >= 2 && code.size() <= 8 && std::all_of(code.begin(), code.end(), [](QChar c) {
            return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
        });
    if (!letters) {
        return {};
    }
    return DataDir() + u"/ResDll/Res"_s + code + u".rcc"_s;
}

}  // namespace zuvo
