#pragma once

#include <QString>

namespace zuvo {

// Where the phone's own files are, relative to the program itself: <top>/bin/zuvo,
// <top>/share/zuvo (language bundles) and <top>/lib/zuvo (plug-ins). The build folder and an
// installed copy share this layout, so the phone works from either and from wherever a package
// was unpacked; no path is fixed when the phone is built.
struct InstallLayout {
    // <program folder>/../share/zuvo
    static QString DataDir();
    // <program folder>/../lib/zuvo
    static QString PluginDir();
    // DataDir()/ResDll/Res<code>.rcc; empty when the code is not two to eight ASCII letters, so a
    // stored value cannot point the phone at a file elsewhere.
    static QString LanguageBundle(const QString& code);
};

}  // namespace zuvo
