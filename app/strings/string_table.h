#pragma once

#include <QHash>
#include <QList>
#include <QReadWriteLock>
#include <QString>
#include <QStringView>

namespace zuvo {

// The phone's user-visible texts by id (ids in app/strings/string_ids.h).
//
// Load() reads the program's English table, compiled in at ":/strings/EN.tsv". When a language
// bundle is registered at map root "/lang" (QResource::registerResource(path, "/lang")), its
// ":/lang/strings/strings.tsv" is read too and wins per id; ids it lacks keep the English text.
// Reads are safe from any thread; Load() may be repeated (after a bundle is registered or
// unregistered) and replaces the table as a whole.
class StringTable {
public:
    // The name put in place of a lone "%" by Text().
    static constexpr QStringView kBrandName = u"Zuvo";

    // The process-wide table the windows read.
    static StringTable& Global();

    // Loads the English table and, when registered, the language bundle. Returns false only when
    // the English table cannot be read (the table is then empty).
    bool Load();
    // The same from explicit files: a language path that is empty or unreadable means English only.
    bool LoadFrom(const QString& englishPath, const QString& languagePath);

    // The raw text of an id; empty for an unknown id.
    QString Get(int id) const;
    // The text with every "%" replaced by the brand name.
    QString Text(int id) const;
    // The text with every "%" replaced by a caller's value (the minutes text, the site name).
    QString Text(int id, QStringView replacement) const;

    bool Contains(int id) const;
    // Ids of the loaded table, ascending.
    QList<int> Ids() const;
    // True when the language bundle supplied at least one text at the last load.
    bool HasLanguageBundle() const;

    // Replaces every "%" that is not an argument marker ("%1", "%2"...: a "%" followed by a digit)
    // with replacement.
    static QString ReplaceMarker(const QString& text, QStringView replacement);
    // Parses one table file ("id<TAB>text" lines, "#" comments, \n \t \\ escapes). Malformed lines
    // are skipped with a warning; of repeated ids the first wins.
    static QHash<int, QString> ParseTable(const QByteArray& data, const QString& origin);

private:
    mutable QReadWriteLock m_lock;
    QHash<int, QString> m_texts;
    bool m_hasLanguage = false;
};

}  // namespace zuvo
