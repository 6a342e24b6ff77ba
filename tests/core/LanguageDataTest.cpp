#include "app/core/MsgFormat.h"
#include "data/SeedData.h"
#include "db/Connection.h"
#include "db/Query.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

namespace db = kiro::db;

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

QString seedRoot()
{
    const QByteArray source = qgetenv("KIRO_SOURCE_DIR");
    if (!source.isEmpty())
        return QString::fromLocal8Bit(source) + QStringLiteral("/resources/db");
    return QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/../../resources/db");
}

// One placeholder as the format routine fills it: which argument, read as
// which type. Width and precision are a language's own business.
struct Placeholder {
    int argument;
    QChar type;
    bool operator==(const Placeholder&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Placeholder& p)
{
    return os << '%' << p.argument << ':' << p.type.toLatin1();
}

// The placeholders of a text in the order the format routine meets them,
// following its grammar: %[index:][-][width][.precision]type, %% a percent
// sign.
std::vector<Placeholder> placeholders(const QString& text)
{
    std::vector<Placeholder> result;
    int next = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('%'))
            continue;
        if (++i < text.size() && text.at(i) == QLatin1Char('%'))
            continue;
        const qsizetype start = i;
        int number = 0;
        while (i < text.size() && text.at(i).isDigit())
            number = number * 10 + text.at(i++).digitValue();
        if (i > start && i < text.size() && text.at(i) == QLatin1Char(':')) {
            next = number;
            ++i;
        } else {
            i = start;
        }
        while (i < text.size() &&
               (text.at(i).isDigit() || text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('.')))
            ++i;
        result.push_back({next++, i < text.size() ? text.at(i).toLower() : QChar()});
    }
    return result;
}

// Arguments of the right kinds for a text's placeholders.
QVariantList sampleArguments(const std::vector<Placeholder>& found)
{
    QVariantList args;
    for (const Placeholder& p : found) {
        while (args.size() <= p.argument)
            args << QVariant();
        const char type = p.type.toLatin1();
        if (type == 'd' || type == 'u' || type == 'x')
            args[p.argument] = 7;
        else if (type == 'f' || type == 'e' || type == 'g' || type == 'n' || type == 'm')
            args[p.argument] = 2.5;
        else
            args[p.argument] = QStringLiteral("x");
    }
    return args;
}

// The Language database built from its seed files for each test, read back
// through the engine as the program reads it.
class LanguageData : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        for (const kiro::ShippedDatabase& database : kiro::shippedDatabases()) {
            if (database.folder != QLatin1String("Language"))
                continue;
            try {
                kiro::createDatabase(m_dir.path(), database.tables, seedRoot() + QStringLiteral("/Language"));
            } catch (const std::exception& e) {
                FAIL() << e.what();
            }
        }
        m_connection.open(m_dir.path());
    }

    // Every row of a table as column name -> text; the version marker left out.
    QList<QHash<QString, QString>> rows(const QString& table)
    {
        db::Query query(m_connection, QStringLiteral("SELECT * FROM \"%1\"").arg(table));
        query.open();
        const QStringList names = query.fieldNames();
        QList<QHash<QString, QString>> result;
        for (; !query.eof(); query.next()) {
            QHash<QString, QString> row;
            for (int c = 0; c < names.size(); ++c) {
                if (names.at(c) != QLatin1String("DBVer"))
                    row.insert(names.at(c), query.field(c).value().toString());
            }
            result << row;
        }
        return result;
    }

    // The language identifiers, from the list of languages.
    QStringList languages()
    {
        QStringList ids;
        for (const auto& row : rows(QStringLiteral("LangLanguages")))
            ids << row.value(QStringLiteral("ID"));
        return ids;
    }

    QTemporaryDir m_dir;
    db::Connection m_connection;
};

TEST_F(LanguageData, EveryMessageReadsInEveryLanguageWithTheSamePlaceholders)
{
    const QStringList ids = languages();
    ASSERT_TRUE(ids.contains(QStringLiteral("UK")) && ids.contains(QStringLiteral("SE")));
    static const QRegularExpression number(QStringLiteral("^[0-9]+$"));
    const auto messages = rows(QStringLiteral("LangMsg"));
    ASSERT_FALSE(messages.isEmpty());
    for (const auto& row : messages) {
        const QString key = row.value(QStringLiteral("KeyWord"));
        SCOPED_TRACE(str(key));
        const QString uk = row.value(QStringLiteral("UK"));
        // An English sentence is the program's own format: its translations
        // must take the arguments the program passes with it.
        if (!number.match(key).hasMatch()) {
            EXPECT_EQ(placeholders(uk), placeholders(key));
        }
        for (const QString& language : ids) {
            ASSERT_TRUE(row.contains(language)) << "LangMsg has no column " << str(language);
            const QString text = row.value(language);
            EXPECT_FALSE(text.trimmed().isEmpty()) << str(language);
            EXPECT_EQ(placeholders(text), placeholders(uk)) << str(language) << ": " << str(text);
            EXPECT_NO_THROW(kiro::formatMessage(text, sampleArguments(placeholders(uk))))
                << str(language) << ": " << str(text);
        }
    }
}

// The numbered keys the program passes and the kinds of the arguments it
// passes with them: s text, d whole number, '-' an empty text that only fills
// the format call and must not show. Texts joined by the program count as
// one.
struct ProgramMessage {
    QStringList keys;
    const char* arguments;
};

TEST_F(LanguageData, EveryNumberedKeyTheProgramPassesHasARowThatTakesItsArguments)
{
    auto one = [](const char* key, const char* arguments) {
        return ProgramMessage{{QString::fromLatin1(key)}, arguments};
    };
    const std::vector<ProgramMessage> program = {
        one("1", ""),
        one("2", "s"),
        one("3", "-"),
        one("5", "s"),
        one("6", ""),
        one("8", ""),
        one("9", ""),
        one("10", "sss"),
        one("12", "s"),
        one("13", "s"),
        one("14", ""),
        one("15", ""),
        one("16", ""),
        one("17", ""),
        one("18", ""),
        one("19", ""),
        one("20", "s"),
        one("21", "s"),
        one("22", "s"),
        one("23", "s"),
        one("25", ""),
        one("26", ""),
        one("27", ""),
        one("28", ""),
        one("30", ""),
        one("31", ""),
        one("34", "s"),
        one("35", ""),
        one("36", ""),
        one("37", ""),
        one("39", ""),
        one("40", ""),
        one("41", ""),
        one("42", "s"),
        one("43", ""),
        one("44", ""),
        one("45", ""),
        one("46", ""),
        one("47", ""),
        one("48", ""),
        one("49", "s"),
        one("50", "-"),
        one("52", ""),
        one("53", ""),
        one("54", "s"),
        one("55", "-"),
        one("56", "-"),
        one("57", "-"),
        one("58", "-"),
        one("59", "-"),
        one("60", "-"),
        one("61", "-"),
        one("62", "s"),
        one("63", "s"),
        one("66", ""),
        one("1001", ""),
        one("1002", ""),
        one("1005", ""),
        one("1006", "s"),
        one("1007", "s"),
        one("1008", ""),
        one("1009", "s"),
        one("1010", ""),
        one("1011", "s"),
        one("1013", "d"),
        one("1014", "ss"),
        one("1016", "s"),
        one("1019", "s"),
        one("1020", ""),
        one("1021", ""),
        one("1023", ""),
        // Series and code that disagree: two texts, one line each, one call.
        {{QStringLiteral("1003"), QStringLiteral("1004")}, "ss"},
    };

    QHash<QString, QString> uk;
    for (const auto& row : rows(QStringLiteral("LangMsg")))
        uk.insert(row.value(QStringLiteral("KeyWord")), row.value(QStringLiteral("UK")));

    for (const ProgramMessage& message : program) {
        const QString name = message.keys.join(QLatin1Char('+'));
        SCOPED_TRACE(str(name));
        QStringList texts;
        for (const QString& key : message.keys) {
            ASSERT_TRUE(uk.contains(key)) << "no LangMsg row";
            texts << uk.value(key);
        }
        std::vector<Placeholder> expected;
        for (int i = 0; message.arguments[i]; ++i) {
            if (message.arguments[i] != '-')
                expected.push_back({i, QLatin1Char(message.arguments[i])});
        }
        EXPECT_EQ(placeholders(texts.join(QLatin1Char('\n'))), expected) << str(texts.join(QLatin1Char('\n')));
    }
}

// A missing row leaves a window in English for that language; an empty cell
// is a component someone meant to translate and forgot.
TEST_F(LanguageData, EveryInterfaceTableHasOneCompleteRowPerLanguage)
{
    // Adding a language is data only: a row in every table, so the list of
    // languages is the measure.
    QStringList expected = languages();
    expected.sort();
    ASSERT_TRUE(expected.contains(QStringLiteral("UK")) && expected.contains(QStringLiteral("SE")));
    for (const char* table : {"LangMain", "LangDialogs", "LangMenus", "LangToolButtons", "LangLanguages"}) {
        SCOPED_TRACE(table);
        QStringList ids;
        for (const auto& row : rows(QString::fromLatin1(table))) {
            ids << row.value(QStringLiteral("ID"));
            for (auto cell = row.cbegin(); cell != row.cend(); ++cell) {
                EXPECT_FALSE(cell.value().trimmed().isEmpty())
                    << str(row.value(QStringLiteral("ID"))) << " / " << str(cell.key());
            }
        }
        ids.sort();
        EXPECT_EQ(str(ids.join(QLatin1Char(' '))), str(expected.join(QLatin1Char(' '))));
    }
}

} // namespace
