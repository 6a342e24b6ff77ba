// Filter expressions against hand-written predicates over the same 100 000
// rows in memory. Each iteration runs both loops; the counters give the
// time of each per 100 000 rows and their ratio (filter / hand-written).

#include "db/FilterExpression.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <vector>

namespace {

using kiro::db::FieldType;
using kiro::db::FilterColumn;
using kiro::db::FilterExpression;

using Row = std::vector<QVariant>;
enum Column { HandledBy, Status, Latest, Keyword, ValidDate };

const QList<FilterColumn> Columns{{"QuotHandledBy", FieldType::Text},
                                  {"ProjectStatus", FieldType::Integer},
                                  {"Latest", FieldType::Boolean},
                                  {"Keyword", FieldType::Text},
                                  {"QuotValidDate", FieldType::DateTime}};

class RowAdapter : public kiro::db::FilterRow {
public:
    const Row* row = nullptr;
    QVariant value(int column) const override { return (*row)[size_t(column)]; }
};

const std::vector<Row>& rows()
{
    static const std::vector<Row> data = [] {
        std::mt19937 rng(4711);
        const QString handlers[] = {"A", "B", "Carla", "a"};
        const QDateTime start(QDate(2023, 1, 1), QTime(0, 0));
        std::vector<Row> out;
        out.reserve(100000);
        for (int i = 0; i < 100000; ++i) {
            Row r(5);
            r[HandledBy] = handlers[rng() % 4];
            if (rng() % 10 != 0)
                r[Status] = int(rng() % 4);
            r[Latest] = rng() % 2 == 0;
            r[Keyword] = QString::number(10 + rng() % 90);
            if (rng() % 10 != 0)
                r[ValidDate] = start.addSecs(qint64(rng() % (2 * 365 * 86400)));
            out.push_back(std::move(r));
        }
        return out;
    }();
    return data;
}

// The predicate is a template parameter so that it inlines into its loop,
// as a predicate written in place would.
template <typename Predicate>
void compare(benchmark::State& state, const char* expression, const Predicate& hand)
{
    FilterExpression filter = FilterExpression::parse(QString::fromLatin1(expression));
    filter.bind(Columns);
    const std::vector<Row>& data = rows();
    RowAdapter adapter;

    using Clock = std::chrono::steady_clock;
    Clock::duration filterTime{}, handTime{};
    int filterHits = 0, handHits = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        int n = 0;
        for (const Row& r : data) {
            adapter.row = &r;
            n += filter.matches(adapter);
        }
        benchmark::DoNotOptimize(n);
        auto t1 = Clock::now();
        int m = 0;
        for (const Row& r : data)
            m += hand(r);
        benchmark::DoNotOptimize(m);
        auto t2 = Clock::now();
        filterTime += t1 - t0;
        handTime += t2 - t1;
        filterHits = n;
        handHits = m;
    }
    if (filterHits != handHits)
        state.SkipWithError("the filter and the hand-written predicate disagree");
    const double iterations = double(state.iterations());
    const double filterMs = std::chrono::duration<double, std::milli>(filterTime).count() / iterations;
    const double handMs = std::chrono::duration<double, std::milli>(handTime).count() / iterations;
    state.counters["filter_ms"] = filterMs;
    state.counters["hand_ms"] = handMs;
    state.counters["ratio"] = filterMs / handMs;
    state.counters["hits"] = filterHits;
}

// The hand-written side does what a careful programmer would write for the
// same semantics: text compared without regard to case, null as empty text
// or false.
bool sameText(const QVariant& v, const QString& s)
{
    return QString::compare(v.toString(), s, Qt::CaseInsensitive) == 0;
}

void ProjectTree(benchmark::State& state)
{
    const QString a = QStringLiteral("A");
    compare(state, "(QuotHandledBy = 'A') AND (ProjectStatus = 2) AND (Latest)", [&](const Row& r) {
        return sameText(r[HandledBy], a) && !r[Status].isNull() && r[Status].toInt() == 2 &&
               r[Latest].toBool();
    });
}

void KeywordRange(benchmark::State& state)
{
    const QString lo = QStringLiteral("10"), hi = QStringLiteral("19"), other = QStringLiteral("99");
    compare(state, "((Keyword>='10') AND (Keyword<='19')) OR (Keyword='99')", [&](const Row& r) {
        const QString k = r[Keyword].toString();
        return (QString::compare(k, lo, Qt::CaseInsensitive) >= 0 &&
                QString::compare(k, hi, Qt::CaseInsensitive) <= 0) ||
               QString::compare(k, other, Qt::CaseInsensitive) == 0;
    });
}

void KeywordPrefix(benchmark::State& state)
{
    const QString one = QStringLiteral("1");
    compare(state, "(Keyword='1*')",
            [&](const Row& r) { return r[Keyword].toString().startsWith(one, Qt::CaseInsensitive); });
}

void DateRange(benchmark::State& state)
{
    const QDate from(2024, 1, 1), to(2024, 1, 31);
    compare(state, "((QuotValidDate >= '2024-01-01') AND (QuotValidDate <= '2024-01-31'))",
            [&](const Row& r) {
                const QDate d = r[ValidDate].toDateTime().date();
                return d.isValid() && d >= from && d <= to;
            });
}

void NotBoolean(benchmark::State& state)
{
    compare(state, "(NOT Latest)", [](const Row& r) { return !r[Latest].toBool(); });
}

BENCHMARK(ProjectTree)->Unit(benchmark::kMillisecond);
BENCHMARK(KeywordRange)->Unit(benchmark::kMillisecond);
BENCHMARK(KeywordPrefix)->Unit(benchmark::kMillisecond);
BENCHMARK(DateRange)->Unit(benchmark::kMillisecond);
BENCHMARK(NotBoolean)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
