#pragma once

#include <QCursor>
#include <QIcon>
#include <QString>

#include <optional>

namespace zuvo {

// Registers the bundled Tahoma faces (":/fonts/tahoma.ttf", ":/fonts/tahomabd.ttf") with the
// application's font database, once. Returns the family name ("Tahoma"), or an empty text when
// the fonts are not bundled. Needs a QGuiApplication.
QString LoadSkinFonts();

// Cursor resource `id` (":/cursors/<id>.png"); the hot spot comes from the PNG's "HotSpotX" and
// "HotSpotY" text entries (default: the centre). Nothing when the resource is missing.
std::optional<QCursor> LoadSkinCursor(int id);

// The program icon (":/icons/<id>.png"); a null icon when missing.
QIcon LoadSkinIcon(int id);

}  // namespace zuvo
