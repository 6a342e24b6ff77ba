#include "pdb/PdbGenerator.h"

#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "pdb/PdbSchema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <vector>

namespace kiro::pdb {

namespace {

const QString kAlphabet = QStringLiteral("0123456789ABCDEFGHJKLMNPQRSTUVWXYZ");

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

} // namespace

SyntheticSeriesInfo generateSyntheticSeries(const QString& directory, const SyntheticSeriesOptions& o)
{
    if (o.positions < 4 || o.positions > 16 || o.valuesPerPosition < 2 || o.valuesPerPosition > kAlphabet.size()
        || o.partTypes < 1 || o.partTypes > 25 || o.series.size() != 2)
        throw std::runtime_error("generateSyntheticSeries: options out of range");
    if (!QDir().mkpath(directory))
        throw std::runtime_error(QStringLiteral("Could not create directory '%1'").arg(directory).toStdString());
    const QString file = directory + QStringLiteral("/database.sqlite");
    if (QFileInfo::exists(file) && !QFile::remove(file))
        throw std::runtime_error(QStringLiteral("Could not replace '%1'").arg(file).toStdString());
    createPdbDatabase(directory);

    std::mt19937 random(o.seed);
    auto uniform = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const QString values = kAlphabet.left(o.valuesPerPosition);
    const int multi = 4;
    const int half = o.valuesPerPosition / 2;
    // The group of a value of the multi-group position: the first half is group 1.
    auto groupOf = [&](int position, int valueIndex) { return position == multi && valueIndex >= half ? 2 : 1; };

    SyntheticSeriesInfo info;
    db::Connection c;
    c.open(directory);
    db::Transaction transaction(c);

    const int before = o.positions / 2;
    insertRows(c, s("PDBMain"),
               {s("PUMPSERIE"), s("IMPORTORDER"), s("PROCENTR"), s("SELECTION1"), s("SELECTION2"), s("PUMPTEXT"),
                s("PUMPTEXT_LANG"), s("ISACC"), s("PUMPNAMEPOS"), s("PDBVer")},
               {{o.series, 1, s("DEM"), before, o.positions - before, s("S_GEN"), s("Synthetic series"), false, 3,
                 s("1.80")}});
    insertRows(c, s("LangPDBMain"), {s("PRODSERIE"), s("KeyWord"), s("UK"), s("SE")},
               {{o.series, s("S_GEN"), s("Synthetic series"), s("Syntetisk serie")}});

    QList<QVariantList> prodInfo;
    QList<QVariantList> typeTexts;
    for (int t = 1; t <= o.partTypes; ++t) {
        const QString keyword = QStringLiteral("GT%1").arg(t);
        prodInfo << QVariantList{s("DEM"), o.series, t, 1, keyword, t <= o.requiredTypes ? s("Y") : s("N")};
        typeTexts << QVariantList{keyword, QStringLiteral("Part type %1").arg(t), QStringLiteral("Deltyp %1").arg(t)};
    }
    for (int t = 1; t <= 4; ++t) {
        const QString keyword = QStringLiteral("GP%1").arg(t);
        prodInfo << QVariantList{s("DEM"), o.series, t, 2, keyword, QString()};
        typeTexts << QVariantList{keyword, QStringLiteral("Price %1").arg(t), QStringLiteral("Pris %1").arg(t)};
    }
    insertRows(c, s("PDBProdInfo"), {s("PROCENTR"), s("PUMPSERIE"), s("PNO"), s("CATEGORY"), s("PNONAME"), s("REQUIRED")},
               prodInfo);
    insertRows(c, s("LangPDBProdInfo"), {s("KeyWord"), s("UK"), s("SE")}, typeTexts);

    QList<QVariantList> headers;
    QList<QVariantList> headerTexts;
    QList<QVariantList> selection;
    QList<QVariantList> selectionTexts;
    int order = 0;
    for (int p = 3; p <= o.positions; ++p) {
        for (int g = 1; g <= (p == multi ? 2 : 1); ++g) {
            const QString keyword = QStringLiteral("GH%1%2").arg(p).arg(g);
            headers << QVariantList{s("DEM"), o.series, p, g, s("S"), keyword};
            headerTexts << QVariantList{keyword, QStringLiteral("Position %1").arg(p), QStringLiteral("Position %1").arg(p)};
        }
        for (int v = 0; v < o.valuesPerPosition; ++v) {
            const QString keyword = QStringLiteral("G%1_%2").arg(p, 2, 10, QLatin1Char('0')).arg(values.at(v));
            selection << QVariantList{s("DEM"), o.series, ++order, p, groupOf(p, v), QString(values.at(v)), keyword};
            selectionTexts << QVariantList{keyword, QStringLiteral("Value %1 of %2").arg(values.at(v)).arg(p),
                                           QStringLiteral("Värde %1 av %2").arg(values.at(v)).arg(p)};
        }
    }
    insertRows(c, s("PDBHeader"), {s("PROCENTR"), s("PUMPSERIE"), s("CODEPOS"), s("SELGROUP"), s("SINGLESEL"), s("SECTHEADER")},
               headers);
    insertRows(c, s("LangPDBHeader"), {s("KeyWord"), s("UK"), s("SE")}, headerTexts);
    insertRows(c, s("PDBSelection"),
               {s("PROCENTR"), s("PUMPSERIE"), s("IMPORTORDER"), s("CODEPOS"), s("SELGROUP"), s("CODE"), s("SELTEXT")},
               selection);
    insertRows(c, s("LangPDBSelection"), {s("KeyWord"), s("UK"), s("SE")}, selectionTexts);
    info.selectionValues = int(selection.size());

    // A condition that restricts a few positions to a few values each.
    auto condition = [&](int restricted, int minValues, int maxValues) {
        std::vector<QString> fields(size_t(o.positions));
        std::vector<int> candidates;
        for (int p = 3; p <= o.positions; ++p)
            candidates.push_back(p);
        std::shuffle(candidates.begin(), candidates.end(), random);
        for (int k = 0; k < restricted && k < int(candidates.size()); ++k) {
            const int p = candidates[size_t(k)];
            const int count = uniform(minValues, maxValues);
            int group = 0;
            if (p == multi)
                group = uniform(1, 2);
            QString allowed;
            while (allowed.size() < count) {
                int v = uniform(0, o.valuesPerPosition - 1);
                if (group == 1)
                    v = v % half;
                else if (group == 2)
                    v = half + v % (o.valuesPerPosition - half);
                if (!allowed.contains(values.at(v)))
                    allowed += values.at(v);
                if (group != 0 && allowed.size() >= (group == 1 ? half : o.valuesPerPosition - half))
                    break;
            }
            fields[size_t(p - 1)] = group ? QStringLiteral("%1:%2").arg(group).arg(allowed) : allowed;
        }
        while (!fields.empty() && fields.back().isEmpty())
            fields.pop_back();
        QStringList list;
        for (const QString& f : fields)
            list << f;
        return list.join(QLatin1Char(';'));
    };

    const QString classes = QStringLiteral("AABBCDE");
    QList<QVariantList> parts;
    parts.reserve(o.parts);
    for (int i = 0; i < o.parts; ++i) {
        const int type = i % o.partTypes + 1;
        parts << QVariantList{s("DEM"),
                              o.series,
                              type,
                              QStringLiteral("%1").arg(i, 9, 10, QLatin1Char('0')),
                              QStringLiteral("GEN-%1-%2").arg(type).arg(i),
                              QString(),
                              QString(classes.at(uniform(0, int(classes.size()) - 1))),
                              condition(uniform(2, 4), 3, 10)};
    }
    insertRows(c, s("PDBParts"),
               {s("PROCENTR"), s("PUMPSERIE"), s("PARTTYPE"), s("SORTORDER"), s("NAME"), s("DESCRIPTION"), s("CLASS"),
                s("CODES")},
               parts);
    info.parts = int(parts.size());

    QList<QVariantList> prices;
    for (int i = 0; i < o.prices; ++i) {
        prices << QVariantList{s("DEM"), o.series, i % 4 + 1, QStringLiteral("%1").arg(i, 9, 10, QLatin1Char('0')),
                               s("EUR"), QString::number(uniform(10, 5000)), s("1"), condition(uniform(1, 2), 5, 15)};
    }
    insertRows(c, s("PDBPrices"),
               {s("PROCENTR"), s("PUMPSERIE"), s("PARTTYPE"), s("SORTORDER"), s("CURRENCY"), s("AMOUNT"), s("DISCOUNT"),
                s("CODES")},
               prices);
    info.prices = int(prices.size());
    transaction.commit();

    // A code with a value at every position; whether the parts allow it is
    // for the configurator to find out.
    info.completeCode = o.series;
    for (int p = 3; p <= o.positions; ++p)
        info.completeCode += values.at(p == multi ? 0 : (p * 7) % o.valuesPerPosition);
    info.completeCode = info.completeCode.leftJustified(16, QLatin1Char('?'));
    return info;
}

} // namespace kiro::pdb
