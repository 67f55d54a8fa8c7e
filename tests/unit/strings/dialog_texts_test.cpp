// Source checks of the dialogs: their texts come from the string table, never from literals,
// and every string id a dialog names has a text in English and in French.

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <algorithm>

#include <gtest/gtest.h>

#include "app/strings/string_table.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using zuvo::StringTable;

namespace {

// The folders whose .cpp files build dialogs.
const QStringList kDialogFolders{u"app/dialogs"_s, u"audio"_s, u"popups/browser"_s,
                                 u"contacts/phonebook"_s};

// Literals a dialog file may hold that are not texts shown to the user: object names, settings
// names, a validator pattern, the brand's markup, a font. Style sheets (raw strings) are not
// texts either.
const QHash<QString, QStringList> kAllowedLiterals{
    {u"signin_dialog.cpp"_s,
     {u"brand"_s, u"caption"_s, u"panel"_s,
      u"<span style='color:#e2e8ec'>%1</span><span style='color:#27bfaa'>.</span>"_s}},
    {u"proxy_dialog.cpp"_s,
     {u"Network\\\\Proxy"_s, u"Status"_s, u"Address"_s, u"Username"_s, u"Password"_s, u"HTTP"_s,
      u"HTTPS"_s}},
    {u"preferences_sheet.cpp"_s, {u"[0-9]*"_s}},
    {u"test_sound.cpp"_s, {u":/sounds/TestWav.wav"_s}},
    {u"popups.cpp"_s, {u"browser"_s}},
    {u"phone_book.cpp"_s,
     {u"Phone Book"_s, u"X"_s, u"Y"_s, u"CX"_s, u"CY"_s, u"S0"_s, u"S1"_s, u"Tahoma"_s}},
};

// Calls that put a text on a control; a literal anywhere in their arguments is a dialog text
// written in code.
const QRegularExpression kTextCall(
    uR"(\b(?:set(?:Text|WindowTitle|PlaceholderText|ToolTip|StatusTip|WhatsThis|Title|TabText|)"
    uR"(HorizontalHeaderLabels|VerticalHeaderLabels|InformativeText|DetailedText|ButtonText|)"
    uR"(SubTitle)|addButton|addTab|)"
    uR"(insertTab|addItem|addItems|insertItem)\s*\(|\bnew\s+(?:QLabel|QPushButton|QCheckBox|)"
    uR"(QRadioButton|QGroupBox|QToolButton|QCommandLinkButton|QAction|QTableWidgetItem|)"
    uR"(QTreeWidgetItem|QListWidgetItem)\s*\(|\b(?:QLabel|QPushButton|QCheckBox|QRadioButton|)"
    uR"(QGroupBox|QMessageBox)\s+\w+\s*\()"_s);

// Log lines and logging categories are for developers, not the user.
const QRegularExpression kLogStatement(
    uR"(\bqC(?:Debug|Info|Warning|Critical)\s*\(|\bQ_LOGGING_CATEGORY\s*\()"_s);

struct Literal {
    qsizetype offset = 0;
    int line = 0;
    QString text;
    bool raw = false;
};

struct Scan {
    QString code;  // the source with comments blanked out, same offsets
    QList<Literal> literals;
};

// Finds the string literals of a C++ source, skipping comments, character literals and
// #include lines.
Scan ScanSource(const QString& source) {
    Scan scan;
    scan.code = source;
    QString& code = scan.code;
    int line = 1;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == u'\n') {
            ++line;
            continue;
        }
        if (c == u'/' && i + 1 < code.size() && code[i + 1] == u'/') {
            while (i < code.size() && code[i] != u'\n') {
                code[i++] = u' ';
            }
            --i;
            continue;
        }
        if (c == u'/' && i + 1 < code.size() && code[i + 1] == u'*') {
            while (i + 1 < code.size() && !(code[i] == u'*' && code[i + 1] == u'/')) {
                if (code[i] == u'\n') {
                    ++line;
                } else {
                    code[i] = u' ';
                }
                ++i;
            }
            if (i + 1 < code.size()) {
                code[i] = code[i + 1] = u' ';
            }
            ++i;
            continue;
        }
        if (c == u'#' && QStringView(code).sliced(i).startsWith(u"#include")) {
            while (i < code.size() && code[i] != u'\n') {
                ++i;
            }
            --i;
            continue;
        }
        if (c == u'\'') {
            ++i;
            while (i < code.size() && code[i] != u'\'') {
                i += code[i] == u'\\' ? 2 : 1;
            }
            continue;
        }
        if (c != u'"') {
            continue;
        }
        Literal literal;
        literal.offset = i;
        literal.line = line;
        literal.raw = i > 0 && code[i - 1] == u'R';
        if (literal.raw) {
            const qsizetype open = code.indexOf(u'(', i);
            const QString end = u")"_s + code.mid(i + 1, open - i - 1) + u'"';
            const qsizetype close = code.indexOf(end, open);
            literal.text = code.mid(open + 1, close - open - 1);
            line += int(literal.text.count(u'\n'));
            i = close + end.size() - 1;
        } else {
            ++i;
            while (i < code.size() && code[i] != u'"') {
                if (code[i] == u'\\') {
                    literal.text.append(code[i++]);
                }
                literal.text.append(code[i++]);
            }
        }
        scan.literals.append(literal);
    }
    return scan;
}

// The end of the argument list that opens at code[open] (a "("), or -1.
qsizetype CloseOf(const Scan& scan, qsizetype open) {
    int depth = 0;
    qsizetype literal = 0;
    for (qsizetype i = open; i < scan.code.size(); ++i) {
        // Parentheses inside literals do not count.
        while (literal < scan.literals.size() && scan.literals[literal].offset < i) {
            ++literal;
        }
        if (literal < scan.literals.size() && scan.literals[literal].offset == i) {
            const Literal& l = scan.literals[literal];
            i = scan.code.indexOf(l.raw ? u")\""_s : u"\""_s, i + 1 + l.text.size());
            continue;
        }
        if (scan.code[i] == u'(') {
            ++depth;
        } else if (scan.code[i] == u')' && --depth == 0) {
            return i;
        }
    }
    return -1;
}

// The end of the statement that starts at code[from]: its ";" outside literals, or -1.
qsizetype StatementEnd(const Scan& scan, qsizetype from) {
    for (qsizetype i = from; i < scan.code.size(); ++i) {
        if (scan.code[i] != u';') {
            continue;
        }
        bool inLiteral = false;
        for (const Literal& literal : scan.literals) {
            const qsizetype end = scan.code.indexOf(literal.raw ? u")\""_s : u"\""_s,
                                                    literal.offset + 1 + literal.text.size());
            inLiteral = inLiteral || (i > literal.offset && i < end);
        }
        if (!inLiteral) {
            return i;
        }
    }
    return -1;
}

bool Inside(const QList<std::pair<qsizetype, qsizetype>>& ranges, qsizetype offset) {
    for (const auto& [begin, end] : ranges) {
        if (offset > begin && offset < end) {
            return true;
        }
    }
    return false;
}

// The literals of one file that are dialog texts written in code, as "file:line: text".
QStringList LiteralTexts(const QString& name, const QString& source) {
    const Scan scan = ScanSource(source);
    QStringList found;
    QList<std::pair<qsizetype, qsizetype>> calls;
    for (auto it = kTextCall.globalMatch(scan.code); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const qsizetype open = match.capturedEnd() - 1;
        calls.append({open, CloseOf(scan, open)});
    }
    QList<std::pair<qsizetype, qsizetype>> logs;
    for (auto it = kLogStatement.globalMatch(scan.code); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const qsizetype open = match.capturedEnd() - 1;
        logs.append({open, std::max(CloseOf(scan, open), StatementEnd(scan, open))});
    }
    const QStringList allowed = kAllowedLiterals.value(name);
    for (const Literal& literal : scan.literals) {
        if (Inside(logs, literal.offset)) {
            continue;
        }
        const bool inTextCall = Inside(calls, literal.offset);
        const bool hasLetters = literal.text.contains(QRegularExpression(u"[A-Za-z]"_s));
        const bool allowedHere = literal.raw || !hasLetters || allowed.contains(literal.text);
        if (inTextCall || !allowedHere) {
            found << u"%1:%2: \"%3\""_s.arg(name).arg(literal.line).arg(literal.text);
        }
    }
    return found;
}

QHash<int, QString> ReadTable(const QString& relative) {
    QFile file(zuvo::test::SourcePath(relative));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << relative.toStdString();
    return StringTable::ParseTable(file.readAll(), relative);
}

QString ReadSource(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

// Every dialog source file: name -> text.
QHash<QString, QString> DialogSources() {
    QHash<QString, QString> sources;
    for (const QString& folder : kDialogFolders) {
        const QDir dir(zuvo::test::SourcePath(folder));
        for (const QString& name : dir.entryList({u"*.cpp"_s}, QDir::Files, QDir::Name)) {
            sources.insert(name, ReadSource(dir.filePath(name)));
        }
    }
    return sources;
}

}  // namespace

TEST(DialogTextsScan, FindsLiteralsInTextCallsAndNowhereElse) {
    const QString sample =
        u"#include \"a/b.h\"\n"
        "// setText(u\"commented\"_s);\n"
        "auto* label = new QLabel(u\"Address\"_s, this);\n"
        "QPushButton* call = buttons->addButton(\n"
        "    u\"Call...\"_s, QDialogButtonBox::AcceptRole);\n"
        "setWindowTitle(Caption(u\"About\"_s));\n"
        "AddCheck(Id, u\"Enable Phone Book\"_s, true);\n"
        "edit->setObjectName(u\"brand\"_s);\n"
        "SetText(label, StringId::ProxyAddress);\n"
        "const QString kStyle = uR\"(QLabel { color: red; })\";\n"
        "setToolTip(QString::number(12) + u\" \"_s);\n"
        "char c = '\"'; setText(DialogText(1));\n"
        "Q_LOGGING_CATEGORY(lcDialogs, \"zuvo.window\", QtWarningMsg)\n"
        "qCWarning(lcDialogs) << \"no text; for\" << 12;\n"
        "label->setText(u\"Exit\"_s);\n"
        "setButtonText(QWizard::NextButton, u\"&Next >\"_s);\n"_s;
    const QStringList found = LiteralTexts(u"signin_dialog.cpp"_s, sample);
    EXPECT_EQ(found,
              (QStringList{
                  u"signin_dialog.cpp:3: \"Address\""_s, u"signin_dialog.cpp:5: \"Call...\""_s,
                  u"signin_dialog.cpp:6: \"About\""_s,
                  u"signin_dialog.cpp:7: \"Enable Phone Book\""_s, u"signin_dialog.cpp:11: \" \""_s,
                  u"signin_dialog.cpp:15: \"Exit\""_s, u"signin_dialog.cpp:16: \"&Next >\""_s}))
        << found.join(u'\n').toStdString();
    // An allowed settings name is still refused as a control's text.
    EXPECT_EQ(LiteralTexts(u"proxy_dialog.cpp"_s,
                           u"WriteInt(kSection, u\"Status\"_s, 1);\n"
                           "new QLabel(u\"Status\"_s);\n"_s),
              QStringList{u"proxy_dialog.cpp:2: \"Status\""_s});
}

TEST(DialogTexts, NoDialogTextIsALiteral) {
    const QHash<QString, QString> sources = DialogSources();
    ASSERT_TRUE(sources.contains(u"signin_dialog.cpp"_s));
    QStringList found;
    for (auto it = sources.cbegin(); it != sources.cend(); ++it) {
        found << LiteralTexts(it.key(), it.value());
    }
    found.sort();
    EXPECT_TRUE(found.isEmpty()) << "dialog texts written in code:\n"
                                 << found.join(u'\n').toStdString();
}

TEST(DialogTexts, EveryIdADialogUsesIsInBothBundles) {
    // Names of the string ids, as declared.
    QHash<QString, int> declared;
    const QString header = ReadSource(zuvo::test::SourcePath(u"app/strings/string_ids.h"_s));
    const QRegularExpression declaration(uR"(inline constexpr int (\w+) = (\d+);)"_s);
    for (auto it = declaration.globalMatch(header); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        declared.insert(match.captured(1), match.captured(2).toInt());
    }
    const QHash<int, QString> en = ReadTable(u"resources/strings/EN.tsv"_s);
    const QHash<int, QString> fr = ReadTable(u"resources/strings/FR.tsv"_s);

    const QRegularExpression use(uR"(\bStringId::(\w+))"_s);
    const QHash<QString, QString> sources = DialogSources();
    // Every file that builds controls with texts names its ids.
    for (const QString& name :
         {u"signin_dialog.cpp"_s, u"proxy_dialog.cpp"_s, u"call_history_dialog.cpp"_s,
          u"preferences_sheet.cpp"_s, u"lock_dialog.cpp"_s, u"unlock_dialog.cpp"_s,
          u"about_dialog.cpp"_s, u"dialog_texts.cpp"_s, u"audio_wizard.cpp"_s,
          u"audio_tune_intro.cpp"_s, u"speaker_page.cpp"_s, u"microphone_page.cpp"_s,
          u"phone_book.cpp"_s, u"contact_tree.cpp"_s, u"contact_dialog.cpp"_s}) {
        ASSERT_TRUE(sources.contains(name)) << name.toStdString();
        EXPECT_TRUE(use.match(sources.value(name)).hasMatch())
            << name.toStdString() << " names no string id";
    }
    int uses = 0;
    for (auto file = sources.cbegin(); file != sources.cend(); ++file) {
        for (auto it = use.globalMatch(file.value()); it.hasNext();) {
            const QString name = it.next().captured(1);
            ++uses;
            ASSERT_TRUE(declared.contains(name)) << name.toStdString();
            const int id = declared.value(name);
            EXPECT_FALSE(en.value(id).isEmpty())
                << file.key().toStdString() << ": English lacks " << name.toStdString();
            EXPECT_FALSE(fr.value(id).isEmpty())
                << file.key().toStdString() << ": French lacks " << name.toStdString();
        }
    }
    EXPECT_GT(uses, 40);
}
