#include "app/strings/string_table.h"

#include <QFile>
#include <QLoggingCategory>

#include <algorithm>

// The table is compiled into this static library; make sure its initialiser is linked in.
static void InitStringResources() {
    Q_INIT_RESOURCE(zuvo_strings);
}

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

Q_LOGGING_CATEGORY(lcStrings, "zuvo.strings", QtWarningMsg)

namespace {

const QString kEnglishPath = u":/strings/EN.tsv"_s;
const QString kLanguagePath = u":/lang/strings/strings.tsv"_s;

QString Unescape(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 == text.size()) {
            out.append(c);
            continue;
        }
        const QChar next = text[i + 1];
        if (next == u'n') {
            out.append(u'\n');
        } else if (next == u't') {
            out.append(u'\t');
        } else if (next == u'\\') {
            out.append(u'\\');
        } else {
            // Not an escape we know: keep both characters as written.
            out.append(c);
            out.append(next);
        }
        ++i;
    }
    return out;
}

bool ReadFile(const QString& path, QByteArray* data) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    *data = file.readAll();
    return true;
}

}  // namespace

StringTable& StringTable::Global() {
    static StringTable table;
    return table;
}

QHash<int, QString> StringTable::ParseTable(const QByteArray& data, const QString& origin) {
    QHash<int, QString> texts;
    const QString content = QString::fromUtf8(data);
    const QList<QStringView> lines = QStringView(content).split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QStringView line = lines[n];
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        const qsizetype tab = line.indexOf(u'\t');
        bool ok = false;
        const int id = tab > 0 ? line.first(tab).trimmed().toInt(&ok) : 0;
        if (!ok || id < 0) {
            qCWarning(lcStrings) << "skipping malformed line" << n + 1 << "of" << origin;
            continue;
        }
        if (texts.contains(id)) {
            qCWarning(lcStrings) << "repeated id" << id << "at line" << n + 1 << "of" << origin;
            continue;
        }
        texts.insert(id, Unescape(line.sliced(tab + 1)));
    }
    return texts;
}

bool StringTable::Load() {
    InitStringResources();
    return LoadFrom(kEnglishPath, QFile::exists(kLanguagePath) ? kLanguagePath : QString());
}

bool StringTable::LoadFrom(const QString& englishPath, const QString& languagePath) {
    QByteArray data;
    const bool englishRead = ReadFile(englishPath, &data);
    if (!englishRead) {
        qCWarning(lcStrings) << "cannot read the string table" << englishPath;
    }
    QHash<int, QString> texts = englishRead ? ParseTable(data, englishPath) : QHash<int, QString>();

    bool hasLanguage = false;
    if (!languagePath.isEmpty()) {
        if (ReadFile(languagePath, &data)) {
            const QHash<int, QString> local = ParseTable(data, languagePath);
            for (auto it = local.cbegin(); it != local.cend(); ++it) {
                texts.insert(it.key(), it.value());
            }
            hasLanguage = !local.isEmpty();
        } else {
            qCWarning(lcStrings) << "cannot read the language strings" << languagePath;
        }
    }

    QWriteLocker lock(&m_lock);
    m_texts = std::move(texts);
    m_hasLanguage = hasLanguage;
    return englishRead;
}

QString StringTable::Get(int id) const {
    QReadLocker lock(&m_lock);
    return m_texts.value(id);
}

QString StringTable::Text(int id) const {
    return ReplaceMarker(Get(id), kBrandName);
}

QString StringTable::Text(int id, QStringView replacement) const {
    return ReplaceMarker(Get(id), replacement);
}

bool StringTable::Contains(int id) const {
    QReadLocker lock(&m_lock);
    return m_texts.contains(id);
}

QList<int> StringTable::Ids() const {
    QList<int> ids;
    {
        QReadLocker lock(&m_lock);
        ids = m_texts.keys();
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool StringTable::HasLanguageBundle() const {
    QReadLocker lock(&m_lock);
    return m_hasLanguage;
}

QString StringTable::ReplaceMarker(const QString& text, QStringView replacement) {
    QString out;
    out.reserve(text.size() + replacement.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool argumentMarker =
            i + 1 < text.size() && text[i + 1] >= u'0' && text[i + 1] <= u'9';
        if (text[i] == u'%' && !argumentMarker) {
            out.append(replacement);
        } else {
            out.append(text[i]);
        }
    }
    return out;
}

}  // namespace zuvo
