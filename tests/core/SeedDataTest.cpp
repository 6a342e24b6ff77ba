#include "data/SeedData.h"
#include "app/core/Settings.h"
#include "data/Csv.h"
#include "db/Connection.h"
#include "db/Query.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
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

// The shipped databases built from the seed files once per test, each opened
// by its folder name.
class ShippedData : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        for (const kiro::ShippedDatabase& database : kiro::shippedDatabases()) {
            const QString dir = m_dir.path() + QLatin1Char('/') + database.folder;
            try {
                kiro::createDatabase(dir, database.tables, seedRoot() + QLatin1Char('/') + database.folder);
            } catch (const std::exception& e) {
                FAIL() << database.folder.toStdString() << ": " << e.what();
            }
            auto connection = std::make_unique<db::Connection>();
            connection->open(dir);
            m_connections.emplace(database.folder, std::move(connection));
        }
    }

    db::Connection& database(const QString& folder) { return *m_connections.at(folder); }

    // The first column of every row of `sql`, as text.
    QStringList column(const QString& folder, const QString& sql)
    {
        db::Query query(database(folder), sql);
        query.open();
        QStringList values;
        for (; !query.eof(); query.next())
            values << query.field(0).value().toString();
        return values;
    }

    int rowCount(const QString& folder, const QString& table)
    {
        return column(folder, QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(table)).first().toInt();
    }

    QTemporaryDir m_dir;
    std::map<QString, std::unique_ptr<db::Connection>> m_connections;
};

// The demonstration projects of the project database are checked in
// DemoProjectsTest.cpp.
TEST_F(ShippedData, EveryDatabaseHoldsItsTables)
{
    for (const kiro::ShippedDatabase& shipped : kiro::shippedDatabases()) {
        for (const db::TableDef& table : shipped.tables) {
            SCOPED_TRACE(str(shipped.folder + QLatin1Char('/') + table.name));
            ASSERT_TRUE(database(shipped.folder).tableExists(table.name));
        }
    }
    for (const char* table : {"Currencies", "Series", "DiscMarg", "Units", "UnitTypes", "TechData", "Users"}) {
        EXPECT_GT(rowCount(QStringLiteral("System"), QString::fromLatin1(table)), 0) << table;
    }
    for (const char* table : {"Customers", "Suppliers", "Sales"}) {
        EXPECT_GE(rowCount(QStringLiteral("Address"), QString::fromLatin1(table)), 3) << table;
    }
    EXPECT_GE(rowCount(QStringLiteral("External"), QStringLiteral("ExternalProducts")), 24);
    EXPECT_GE(rowCount(QStringLiteral("Spares"), QStringLiteral("Spares")), 24);
}

// The engine cuts text to its field width without a word; a seed cell that is
// too long would ship silently changed.
TEST(SeedFiles, EveryCellFitsItsField)
{
    for (const kiro::ShippedDatabase& shipped : kiro::shippedDatabases()) {
        for (const db::TableDef& table : shipped.tables) {
            const QString path =
                seedRoot() + QLatin1Char('/') + shipped.folder + QLatin1Char('/') + table.name + QStringLiteral(".csv");
            if (!QFileInfo::exists(path))
                continue;
            const QList<QStringList> rows = kiro::readCsvFile(path);
            ASSERT_FALSE(rows.isEmpty()) << str(path);
            for (qsizetype c = 0; c < rows.first().size(); ++c) {
                const db::FieldDef* field = table.field(rows.first().at(c).trimmed());
                if (!field || field->type != db::FieldType::Text)
                    continue; // unknown columns are the loader's to refuse; translations are unbounded
                for (qsizetype r = 1; r < rows.size(); ++r) {
                    if (c < rows.at(r).size()) {
                        EXPECT_LE(rows.at(r).at(c).size(), field->size)
                            << str(path) << " record " << r << " field " << str(field->name);
                    }
                }
            }
        }
    }
}

// A value that names a row elsewhere: every distinct value of `from` must be
// among the values of `to`. Empty values name nothing and are left out.
struct Reference {
    const char* what;
    const char* fromDatabase;
    const char* fromSql;
    const char* toDatabase;
    const char* toSql;
};

void PrintTo(const Reference& ref, std::ostream* os)
{
    *os << ref.what;
}

class SeedReference : public ShippedData, public ::testing::WithParamInterface<Reference> {};

TEST_P(SeedReference, Resolves)
{
    const Reference& ref = GetParam();
    QStringList from = column(QString::fromLatin1(ref.fromDatabase), QString::fromLatin1(ref.fromSql));
    from.removeAll(QString());
    const QStringList toList = column(QString::fromLatin1(ref.toDatabase), QString::fromLatin1(ref.toSql));
    const QSet<QString> to(toList.cbegin(), toList.cend());
    EXPECT_FALSE(from.isEmpty()) << "nothing refers: the case tests nothing";
    for (const QString& value : from)
        EXPECT_TRUE(to.contains(value)) << ref.what << ": '" << str(value) << "' is not there";
}

// Unit pairs are written "type|unit" because a unit name recurs across types.
INSTANTIATE_TEST_SUITE_P(
    ShippedData, SeedReference,
    ::testing::Values(
        Reference{"customer currency", "Address", "SELECT Currency FROM Customers", "System",
                  "SELECT Name FROM Currencies"},
        Reference{"supplier currency", "Address", "SELECT Currency FROM Suppliers", "System",
                  "SELECT Name FROM Currencies"},
        Reference{"external product currency", "External", "SELECT Currency FROM ExternalProducts", "System",
                  "SELECT Name FROM Currencies"},
        Reference{"spare currency", "Spares", "SELECT Currency FROM Spares", "System", "SELECT Name FROM Currencies"},
        Reference{"external product supplier", "External", "SELECT Supplier FROM ExternalProducts", "Address",
                  "SELECT ID FROM Suppliers"},
        Reference{"spare supplier", "Spares", "SELECT Supplier FROM Spares", "Address", "SELECT ID FROM Suppliers"},
        Reference{"user's sales company", "System", "SELECT CompanyID FROM Users", "Address", "SELECT ID FROM Sales"},
        Reference{"discount series", "System", "SELECT Series FROM DiscMarg", "System", "SELECT ID FROM Series"},
        Reference{"series without discounts", "System", "SELECT ID FROM Series", "System",
                  "SELECT Series FROM DiscMarg"},
        Reference{"printout series", "System", "SELECT Series FROM PrintSeries", "System", "SELECT ID FROM Series"},
        Reference{"series without printouts", "System", "SELECT ID FROM Series", "System",
                  "SELECT Series FROM PrintSeries"},
        Reference{"technical data series", "System", "SELECT Series FROM TechData", "System", "SELECT ID FROM Series"},
        Reference{"technical data property", "System", "SELECT Property FROM TechData", "System",
                  "SELECT Property FROM UnitTypes"},
        Reference{"property name", "System", "SELECT Property FROM UnitTypes", "Language",
                  "SELECT Keyword FROM LangTechData"},
        Reference{"default unit of a property", "System",
                  "SELECT Type || '|' || Unit FROM UnitTypes WHERE Type <> 'n/a'", "System",
                  "SELECT UnitType || '|' || Unit FROM Units"},
        Reference{"unit TORVA states a property in", "System",
                  "SELECT Type || '|' || UnitTORVA FROM UnitTypes WHERE Type <> 'n/a'", "System",
                  "SELECT UnitType || '|' || Unit FROM Units"},
        Reference{"customer payment terms", "Address", "SELECT TermsPayment FROM Customers", "Language",
                  "SELECT Keyword FROM LangTermsPayment"},
        Reference{"customer delivery terms", "Address", "SELECT TermsDelivery FROM Customers", "Language",
                  "SELECT Keyword FROM LangTermsDelivery"},
        Reference{"customer delivery mode", "Address", "SELECT ModeDelivery FROM Customers", "Language",
                  "SELECT Keyword FROM LangModeDelivery"},
        Reference{"supplier payment terms", "Address", "SELECT TermsPayment FROM Suppliers", "Language",
                  "SELECT Keyword FROM LangTermsPayment"},
        Reference{"supplier delivery terms", "Address", "SELECT TermsDelivery FROM Suppliers", "Language",
                  "SELECT Keyword FROM LangTermsDelivery"},
        Reference{"supplier delivery mode", "Address", "SELECT ModeDelivery FROM Suppliers", "Language",
                  "SELECT Keyword FROM LangModeDelivery"}));

TEST_F(ShippedData, ManufacturingPlantsAndDefaultCurrencyExist)
{
    const QStringList suppliers = column(QStringLiteral("Address"), QStringLiteral("SELECT ID FROM Suppliers"));
    for (const QString& plant : kiro::PDBSettings{}.SuppliersAll.split(QLatin1Char(',')))
        EXPECT_TRUE(suppliers.contains(plant)) << str(plant);

    // The default currency is the base: every other rate is a value in it.
    db::Query base(database(QStringLiteral("System")),
                   QStringLiteral("SELECT Factor, Rate FROM Currencies WHERE Name = :Name"));
    base.bindValue(QStringLiteral(":Name"), kiro::SystemSettings{}.DefaultCurrency);
    base.open();
    ASSERT_FALSE(base.eof());
    EXPECT_EQ(base.value(QStringLiteral("Factor")).toInt(), 1);
    EXPECT_DOUBLE_EQ(base.value(QStringLiteral("Rate")).toDouble(), 1.0);
}

TEST_F(ShippedData, CurrencyOneToOneIsRatePerFactor)
{
    db::Query q(database(QStringLiteral("System")),
                QStringLiteral("SELECT Name, Factor, Rate, OneToOne FROM Currencies"));
    q.open();
    int rows = 0;
    for (; !q.eof(); q.next(), ++rows) {
        SCOPED_TRACE(str(q.value(QStringLiteral("Name")).toString()));
        const int factor = q.value(QStringLiteral("Factor")).toInt();
        const double rate = q.value(QStringLiteral("Rate")).toDouble();
        EXPECT_GE(factor, 1);
        EXPECT_LE(factor, 10000);
        EXPECT_GT(rate, 0.0);
        EXPECT_NEAR(q.value(QStringLiteral("OneToOne")).toDouble(), rate / factor, 1e-12);
    }
    EXPECT_EQ(rows, 6);
}

// Reads the part of the conversion formula language that unit rows use:
// numbers, x, + - * / and parentheses, unary minus. Anything else makes the
// formula unreadable here, which is the point: a stray character would stop
// the program's evaluator short and convert silently wrong.
class FormulaReader {
public:
    FormulaReader(const QString& text, double x)
        : m_text(text.toLower())
        , m_x(x)
    {}

    std::optional<double> evaluate()
    {
        const double value = sum();
        skipBlanks();
        if (!m_ok || m_pos != m_text.size())
            return std::nullopt;
        return value;
    }

private:
    void skipBlanks()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char(' '))
            ++m_pos;
    }
    QChar peek()
    {
        skipBlanks();
        return m_pos < m_text.size() ? m_text.at(m_pos) : QChar();
    }
    double sum()
    {
        double value = term();
        for (QChar c = peek(); m_ok && (c == QLatin1Char('+') || c == QLatin1Char('-')); c = peek()) {
            ++m_pos;
            value = c == QLatin1Char('+') ? value + term() : value - term();
        }
        return value;
    }
    double term()
    {
        double value = factor();
        for (QChar c = peek(); m_ok && (c == QLatin1Char('*') || c == QLatin1Char('/')); c = peek()) {
            ++m_pos;
            const double operand = factor();
            value = c == QLatin1Char('*') ? value * operand : value / operand;
        }
        return value;
    }
    double factor()
    {
        const QChar c = peek();
        if (c == QLatin1Char('-')) {
            ++m_pos;
            return -factor();
        }
        if (c == QLatin1Char('x')) {
            ++m_pos;
            return m_x;
        }
        if (c == QLatin1Char('(')) {
            ++m_pos;
            const double value = sum();
            if (peek() != QLatin1Char(')'))
                m_ok = false;
            ++m_pos;
            return value;
        }
        if (c.isDigit()) {
            const qsizetype start = m_pos;
            while (m_pos < m_text.size() && (m_text.at(m_pos).isDigit() || m_text.at(m_pos) == QLatin1Char('.')))
                ++m_pos;
            bool ok = false;
            const double value = m_text.mid(start, m_pos - start).toDouble(&ok);
            m_ok = m_ok && ok;
            return value;
        }
        m_ok = false;
        return 0;
    }

    QString m_text;
    double m_x;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

std::optional<double> evaluate(const QString& formula, double x)
{
    return FormulaReader(formula, x).evaluate();
}

struct UnitRow {
    QString unit;
    QString type;
    bool si = false;
    bool us = false;
    QString toBase;
    QString fromBase;
};

class ShippedUnits : public ShippedData {
protected:
    QList<UnitRow> units()
    {
        db::Query q(database(QStringLiteral("System")),
                    QStringLiteral("SELECT Unit, UnitType, SI, US, ToBaseCalc, FromBaseCalc FROM Units"));
        q.open();
        QList<UnitRow> rows;
        for (; !q.eof(); q.next())
            rows.append({q.value(QStringLiteral("Unit")).toString(), q.value(QStringLiteral("UnitType")).toString(),
                         q.value(QStringLiteral("SI")).toBool(), q.value(QStringLiteral("US")).toBool(),
                         q.value(QStringLiteral("ToBaseCalc")).toString(),
                         q.value(QStringLiteral("FromBaseCalc")).toString()});
        return rows;
    }
};

// "Set SI-units" and "Set US-units" pick one unit per type, and the base unit
// (the one whose FromBaseCalc is plain "x") is where values from TORVA start.
TEST_F(ShippedUnits, EveryTypeHasOneBaseOneSiAndOneUsUnit)
{
    QHash<QString, int> base, si, us;
    for (const UnitRow& u : units()) {
        base[u.type] += u.fromBase == QLatin1String("x") ? 1 : 0;
        si[u.type] += u.si ? 1 : 0;
        us[u.type] += u.us ? 1 : 0;
        if (u.fromBase == QLatin1String("x")) {
            EXPECT_EQ(u.toBase, QStringLiteral("x")) << str(u.type + QLatin1Char('|') + u.unit);
        }
    }
    for (const QString& type :
         column(QStringLiteral("System"), QStringLiteral("SELECT DISTINCT Type FROM UnitTypes WHERE Type <> 'n/a'"))) {
        SCOPED_TRACE(str(type));
        EXPECT_EQ(base.value(type), 1);
        EXPECT_EQ(si.value(type), 1);
        EXPECT_EQ(us.value(type), 1);
    }
}

TEST_F(ShippedUnits, FormulasReadAndInvertEachOther)
{
    const QList<UnitRow> rows = units();
    ASSERT_FALSE(rows.isEmpty());
    for (const UnitRow& u : rows) {
        SCOPED_TRACE(str(u.type + QLatin1Char('|') + u.unit));
        for (const double v : {-40.0, 0.0, 1.0, 123.456}) {
            const std::optional<double> inBase = evaluate(u.toBase, v);
            ASSERT_TRUE(inBase.has_value()) << str(u.toBase);
            const std::optional<double> back = evaluate(u.fromBase, *inBase);
            ASSERT_TRUE(back.has_value()) << str(u.fromBase);
            EXPECT_NEAR(*back, v, 1e-9 * std::max(1.0, std::abs(v)));
        }
    }
}

// Inverse formulas can share a wrong constant; known conversions catch that.
TEST_F(ShippedUnits, KnownConversionsHold)
{
    struct Known {
        const char* type;
        const char* from;
        double value;
        const char* to;
        double expected;
    };
    const Known cases[] = {
        {"Flow", "USgpm", 100, "m3/h", 22.712470704}, {"Flow", "l/s", 10, "m3/h", 36},
        {"Flow", "m3/h", 36, "l/min", 600},           {"Head", "ft", 100, "m", 30.48},
        {"Pressure", "psi", 100, "bar", 6.89475729},  {"Pressure", "kPa", 250, "bar", 2.5},
        {"Power", "hp", 10, "kW", 7.456998716},       {"Speed", "1/s", 48.5, "rpm", 2910},
        {"Temperature", "°F", 212, "°C", 100},        {"Temperature", "°F", -40, "°C", -40},
        {"Temperature", "K", 293.15, "°F", 68},       {"Length", "in", 10, "mm", 254},
        {"Length", "m", 1.2, "in", 47.244094488},     {"Density", "lb/ft3", 62.4, "kg/m3", 999.5521145},
        {"Mass", "lb", 100, "kg", 45.359237},         {"Ratio", "-", 0.82, "%", 82},
    };
    QHash<QString, UnitRow> byKey;
    for (const UnitRow& u : units())
        byKey.insert(u.type + QLatin1Char('|') + u.unit, u);
    for (const Known& k : cases) {
        const QString type = QString::fromUtf8(k.type);
        SCOPED_TRACE(str(type + QLatin1Char(' ') + QString::fromUtf8(k.from) + QStringLiteral(" to ") +
                         QString::fromUtf8(k.to)));
        const auto from = byKey.constFind(type + QLatin1Char('|') + QString::fromUtf8(k.from));
        const auto to = byKey.constFind(type + QLatin1Char('|') + QString::fromUtf8(k.to));
        ASSERT_NE(from, byKey.constEnd());
        ASSERT_NE(to, byKey.constEnd());
        const std::optional<double> inBase = evaluate(from->toBase, k.value);
        ASSERT_TRUE(inBase.has_value());
        const std::optional<double> result = evaluate(to->fromBase, *inBase);
        ASSERT_TRUE(result.has_value());
        EXPECT_NEAR(*result, k.expected, 1e-6 * std::max(1.0, std::abs(k.expected)));
    }
}

} // namespace
