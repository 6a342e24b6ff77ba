#include "db/FilterExpression.h"
#include "db/DatabaseError.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <map>
#include <vector>

using kiro::db::DatabaseError;
using kiro::db::FieldType;
using kiro::db::FilterColumn;
using kiro::db::FilterExpression;

namespace {

const QList<FilterColumn>& columns()
{
    static const QList<FilterColumn> cols{
        {"QuotHandledBy", FieldType::Text}, {"ProjectStatus", FieldType::Integer},
        {"Latest", FieldType::Boolean},     {"Keyword", FieldType::Text},
        {"External", FieldType::Boolean},   {"User", FieldType::Boolean},
        {"ISACC", FieldType::Boolean},      {"QuotValidDate", FieldType::DateTime},
        {"Price", FieldType::Float},        {"Count", FieldType::Short},
        {"Notes", FieldType::Memo},         {"Field Name", FieldType::Text},
        {"Picture", FieldType::Binary},
    };
    return cols;
}

// Columns not given are null.
class Row : public kiro::db::FilterRow {
public:
    Row(std::initializer_list<std::pair<const char*, QVariant>> values)
        : m_values(size_t(columns().size()))
    {
        for (const auto& [name, value] : values) {
            for (int i = 0; i < columns().size(); ++i) {
                if (columns()[i].name == QLatin1String(name))
                    m_values[size_t(i)] = value;
            }
        }
    }
    QVariant value(int column) const override { return m_values.at(size_t(column)); }

private:
    std::vector<QVariant> m_values;
};

QDateTime at(const char* text)
{
    return QDateTime::fromString(QLatin1String(text), Qt::ISODate);
}

struct MatchCase {
    const char* expression;
    Row row;
    bool expected;
};

void PrintTo(const MatchCase& c, std::ostream* os)
{
    *os << c.expression;
}

class FilterMatch : public testing::TestWithParam<MatchCase> {};

TEST_P(FilterMatch, Evaluates)
{
    FilterExpression f = FilterExpression::parse(QString::fromUtf8(GetParam().expression));
    f.bind(columns());
    EXPECT_EQ(f.matches(GetParam().row), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, FilterMatch,
    testing::Values(
        // The project tree's filter; text compares without regard to case.
        MatchCase{"(QuotHandledBy = 'A') AND (ProjectStatus = 2) AND (Latest)",
                  {{"QuotHandledBy", "A"}, {"ProjectStatus", 2}, {"Latest", true}},
                  true},
        MatchCase{"(QuotHandledBy = 'A') AND (ProjectStatus = 2) AND (Latest)",
                  {{"QuotHandledBy", "A"}, {"ProjectStatus", 2}, {"Latest", false}},
                  false},
        MatchCase{"(QuotHandledBy = 'A') AND (ProjectStatus = 2)", {{"QuotHandledBy", "A"}}, false},
        MatchCase{"(QuotHandledBy = 'a')", {{"QuotHandledBy", "A"}}, true},
        MatchCase{"(QuotHandledBy = 'A')", {{"QuotHandledBy", "AB"}}, false},
        MatchCase{"(QuotHandledBy = 'O''Brien')", {{"QuotHandledBy", "O'Brien"}}, true},
        MatchCase{"QuotHandledBy = 'Jürgen'", {{"QuotHandledBy", "JÜRGEN"}}, true},
        // Prefix match and its negation; '*' is literal with ordering.
        MatchCase{"(Keyword='1*')", {{"Keyword", "12"}}, true},
        MatchCase{"(Keyword='1*')", {{"Keyword", "21"}}, false}, MatchCase{"(Keyword='1*')", {}, false},
        MatchCase{"Keyword<>'1*'", {{"Keyword", "21"}}, true},
        MatchCase{"Notes = 'ab*'", {{"Notes", "ABC"}}, true},
        MatchCase{"Keyword < '1*'", {{"Keyword", "1+"}}, false},
        // Keyword ranges of the application tree.
        MatchCase{"((Keyword>='10') AND (Keyword<='19')) OR (Keyword='99')", {{"Keyword", "15"}}, true},
        MatchCase{"((Keyword>='10') AND (Keyword<='19')) OR (Keyword='99')", {{"Keyword", "99"}}, true},
        MatchCase{"((Keyword>='10') AND (Keyword<='19')) OR (Keyword='99')", {{"Keyword", "20"}}, false},
        MatchCase{"((Keyword>='10') AND (Keyword<='19')) OR (Keyword='99')", {{"Keyword", "1"}}, false},
        // Boolean fields: bare, negated, against true/false and 'True'/'False'; null is false.
        MatchCase{"(NOT External)", {{"External", false}}, true}, MatchCase{"(NOT External)", {}, true},
        MatchCase{"(NOT External)", {{"External", true}}, false}, MatchCase{"(Latest)", {}, false},
        MatchCase{"(User=false)", {}, true}, MatchCase{"(User=FALSE)", {{"User", true}}, false},
        MatchCase{"User <> true", {{"User", false}}, true},
        MatchCase{"(ISACC='True')", {{"ISACC", true}}, true},
        MatchCase{"(ISACC='True')", {{"ISACC", false}}, false},
        MatchCase{"(ISACC='false')", {{"ISACC", false}}, true}, MatchCase{"ISACC = NULL", {}, true},
        // Dates: a date alone covers its whole day, a date with time is exact.
        MatchCase{"((QuotValidDate >= '2024-01-01') AND (QuotValidDate <= '2024-01-31'))",
                  {{"QuotValidDate", at("2024-01-31T15:30:00")}},
                  true},
        MatchCase{"((QuotValidDate >= '2024-01-01') AND (QuotValidDate <= '2024-01-31'))",
                  {{"QuotValidDate", at("2024-02-01T00:00:00")}},
                  false},
        MatchCase{"((QuotValidDate >= '2024-01-01') AND (QuotValidDate <= '2024-01-31'))", {}, false},
        MatchCase{"QuotValidDate = '2024-01-31'", {{"QuotValidDate", at("2024-01-31T23:59:59")}}, true},
        MatchCase{
            "QuotValidDate < '2024-01-31 12:00:00'", {{"QuotValidDate", at("2024-01-31T11:59:59")}}, true},
        MatchCase{
            "QuotValidDate < '2024-01-31 12:00'", {{"QuotValidDate", at("2024-01-31T12:00:00")}}, false},
        MatchCase{"QuotValidDate <> '2024-01-31'", {}, true}, MatchCase{"QuotValidDate = ''", {}, true},
        MatchCase{"QuotValidDate = ''", {{"QuotValidDate", at("2024-01-31T00:00:00")}}, false},
        // Numbers: literals converted to the field, null equals nothing.
        MatchCase{"ProjectStatus = '2'", {{"ProjectStatus", 2}}, true},
        MatchCase{"ProjectStatus >= 2.5", {{"ProjectStatus", 2}}, false},
        MatchCase{"Price > 1.5", {{"Price", 2.25}}, true}, MatchCase{"Price = -1.5", {{"Price", -1.5}}, true},
        MatchCase{"(Keyword='P') and (Count=3)", {{"Keyword", "p"}, {"Count", 3}}, true},
        MatchCase{"Count = 3", {{"Count", 3}}, true}, MatchCase{"ProjectStatus <> 2", {}, true},
        MatchCase{"ProjectStatus < 5", {}, false}, MatchCase{"ProjectStatus = NULL", {}, true},
        MatchCase{"ProjectStatus = NULL", {{"ProjectStatus", 0}}, false},
        MatchCase{"ProjectStatus <> NULL", {{"ProjectStatus", 0}}, true},
        // Null text is the empty text.
        MatchCase{"QuotHandledBy = ''", {}, true},
        MatchCase{"QuotHandledBy = NULL", {{"QuotHandledBy", ""}}, true},
        MatchCase{"QuotHandledBy = ''", {{"QuotHandledBy", "a"}}, false},
        MatchCase{"QuotHandledBy <> 'x'", {}, true},
        // A number against a text field compares its text; a row value of another type is converted.
        MatchCase{"Keyword = 10", {{"Keyword", "10"}}, true},
        MatchCase{"Keyword = '10'", {{"Keyword", 10}}, true},
        // Keywords in any case, NOT over AND over OR, names without regard to case, brackets.
        MatchCase{"latest Or External aNd ProjectStatus = 3", {{"Latest", true}, {"External", false}}, true},
        MatchCase{
            "(Latest Or External) AND ProjectStatus = 3", {{"Latest", true}, {"External", false}}, false},
        MatchCase{"NOT Latest AND External", {{"Latest", false}, {"External", true}}, true},
        MatchCase{"NOT (Latest AND External)", {{"Latest", true}, {"External", true}}, false},
        MatchCase{"not not latest", {{"Latest", true}}, true},
        MatchCase{"NOT NOT (Latest AND External)", {{"Latest", true}, {"External", true}}, true},
        MatchCase{"NOT (NOT Latest OR NOT External)", {{"Latest", true}, {"External", true}}, true},
        MatchCase{"projectstatus=2", {{"ProjectStatus", 2}}, true},
        MatchCase{"[Field Name] = 'x'", {{"Field Name", "X"}}, true},
        MatchCase{"\t(ProjectStatus\n=\n2)  ", {{"ProjectStatus", 2}}, true}));

struct ErrorCase {
    const char* expression;
    bool atBind; // false: parse() itself must refuse it
    const char* problem;
};

void PrintTo(const ErrorCase& c, std::ostream* os)
{
    *os << c.expression;
}

class FilterError : public testing::TestWithParam<ErrorCase> {};

TEST_P(FilterError, NamesTheExpression)
{
    const QString text = QString::fromUtf8(GetParam().expression);
    try {
        FilterExpression f = FilterExpression::parse(text);
        ASSERT_TRUE(GetParam().atBind) << "parse() accepted it";
        f.bind(columns());
        FAIL() << "bind() accepted it";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.message().contains(QLatin1Char('\'') + text + QLatin1Char('\''))) << e.what();
        EXPECT_TRUE(e.message().contains(QString::fromUtf8(GetParam().problem))) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, FilterError,
    testing::Values(
        ErrorCase{"ProjectStatus = ", false, "incomplete"},
        ErrorCase{"(ProjectStatus = 2", false, "'(' at position 1 is not closed"},
        ErrorCase{"((Latest) AND (External)", false, "not closed"},
        ErrorCase{"ProjectStatus = 2)", false, "')' without its '(' at position 18"},
        ErrorCase{"Keyword = '1*", false, "closing quote"},
        ErrorCase{"Keyword = 'it''s", false, "closing quote"},
        ErrorCase{"ProjectStatus = 2 Latest", false, "unexpected 'Latest' at position 19"},
        ErrorCase{"ProjectStatus = 2 'x%1'", false, "unexpected 'x%1' at position 19"},
        ErrorCase{"()", false, "empty parentheses"},
        ErrorCase{"Latest AND ()", false, "empty parentheses at position 12"},
        ErrorCase{"Latest AND", false, "missing after 'AND'"},
        ErrorCase{"Latest OR", false, "missing after 'OR'"}, ErrorCase{"NOT", false, "missing after 'NOT'"},
        ErrorCase{"= 2", false, "field name"},
        ErrorCase{"ProjectStatus = = 2", false, "a value at position 17"},
        ErrorCase{"ProjectStatus = AND", false, "a value"}, ErrorCase{"ProjectStatus == 2", false, "a value"},
        ErrorCase{"ProjectStatus ! 2", false, "character '!'"}, ErrorCase{"[Field Name = 'x'", false, "']'"},
        ErrorCase{"ProjectStatus = 2x", false, "invalid number"},
        ErrorCase{"Nope = 1", true, "unknown field 'Nope'"},
        ErrorCase{"(Name='P') and (Count=3)", true, "unknown field 'Name'"},
        ErrorCase{"ProjectStatus = 'two'", true, "not a number"},
        ErrorCase{"Price = 'nan'", true, "not a number"},
        ErrorCase{"QuotValidDate >= '31.01.2024'", true, "not a date"},
        ErrorCase{"QuotValidDate >= '2024-01-31 25:00'", true, "not a date"},
        ErrorCase{"QuotValidDate > 5", true, "date-time field"},
        ErrorCase{"(ProjectStatus)", true, "only a boolean field"},
        ErrorCase{"Latest > true", true, "only = and <>"}, ErrorCase{"Latest = 2", true, "use true or false"},
        ErrorCase{"ISACC = 'Yes'", true, "use true or false"},
        ErrorCase{"ProjectStatus < NULL", true, "only = and <>"},
        ErrorCase{"Keyword = true", true, "text field 'Keyword'"},
        ErrorCase{"Picture = 'x'", true, "only be tested for NULL"}));

TEST(FilterExpressionTest, DeepNestingIsAnErrorNotAStackOverflow)
{
    const QString text = QString(100000, QLatin1Char('(')) + QStringLiteral("Latest");
    EXPECT_THROW(FilterExpression::parse(text), DatabaseError);
    EXPECT_THROW(FilterExpression::parse(QStringLiteral("NOT ").repeated(100000) + QStringLiteral("Latest")),
                 DatabaseError);
    // A long flat chain is not nesting.
    const QString chain = QStringList(5000, QStringLiteral("(Latest)")).join(QStringLiteral(" AND "));
    FilterExpression f = FilterExpression::parse(chain);
    f.bind(columns());
    EXPECT_TRUE(f.matches(Row{{"Latest", true}}));
}

TEST(FilterExpressionTest, EmptyTextMatchesEveryRowWithoutBinding)
{
    for (const QString& text : {QString(), QStringLiteral("  \t\n")}) {
        const FilterExpression f = FilterExpression::parse(text);
        EXPECT_TRUE(f.isEmpty());
        EXPECT_EQ(f.text(), text);
        EXPECT_TRUE(f.matches(Row{}));
    }
    EXPECT_TRUE(FilterExpression().matches(Row{}));
    EXPECT_FALSE(FilterExpression::parse(QStringLiteral("Latest")).isEmpty());
}

TEST(FilterExpressionTest, QuotedValuesRoundTrip)
{
    for (const char* value : {"O'Brien", "''", "it's 'x'", ""}) {
        FilterExpression f = FilterExpression::parse(QStringLiteral("QuotHandledBy = ") +
                                                     FilterExpression::quoted(QString::fromUtf8(value)));
        f.bind(columns());
        EXPECT_TRUE(f.matches(Row{{"QuotHandledBy", value}})) << value;
        EXPECT_FALSE(f.matches(Row{{"QuotHandledBy", "x"}})) << value;
    }
}

TEST(FilterExpressionTest, UnboundExpressionThrows)
{
    const FilterExpression f = FilterExpression::parse(QStringLiteral("Latest"));
    EXPECT_THROW(f.matches(Row{}), DatabaseError);
}

// Rebinding follows the new column positions; a failed bind keeps the old
// binding; a copy keeps the binding it was made with.
TEST(FilterExpressionTest, BindingIsPerObjectAndSurvivesAFailedRebind)
{
    class Pair : public kiro::db::FilterRow {
    public:
        QVariant value(int column) const override { return column == 0 ? QVariant(2) : QVariant(7); }
    };
    FilterExpression f = FilterExpression::parse(QStringLiteral("ProjectStatus = 7"));
    f.bind({{"ProjectStatus", FieldType::Integer}, {"Other", FieldType::Integer}});
    EXPECT_FALSE(f.matches(Pair{}));
    const FilterExpression copy = f;

    f.bind({{"Other", FieldType::Integer}, {"ProjectStatus", FieldType::Integer}});
    EXPECT_TRUE(f.matches(Pair{}));
    EXPECT_THROW(f.bind({{"Other", FieldType::Integer}}), DatabaseError);
    EXPECT_TRUE(f.matches(Pair{}));
    EXPECT_FALSE(copy.matches(Pair{}));
}

} // namespace
