#include "pdb/ProductData.h"

#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "pdb/PDB.h"

#include <cmath>

namespace kiro::pdb {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

QChar at(const QString& text, int p)
{
    return p >= 1 && p <= text.size() ? text.at(p - 1) : QChar(u'?');
}

double number(const QString& text)
{
    bool ok = false;
    double v = text.trimmed().toDouble(&ok);
    if (!ok)
        v = QString(text.trimmed()).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    return ok ? v : 0.0;
}

bool versionAtLeast14(const QString& version)
{
    if (version.trimmed().isEmpty())
        return false;
    const int dot = version.indexOf(QLatin1Char('.'));
    bool ok1 = false;
    bool ok2 = false;
    int ma = version.left(dot < 0 ? version.size() : dot).toInt(&ok1);
    int mi = dot < 0 ? 0 : version.mid(dot + 1).toInt(&ok2);
    if (!ok1 || (dot >= 0 && !ok2))
        ma = mi = 0;
    return ma > 1 || (ma == 1 && mi >= 4);
}

} // namespace

bool PDBConfigurator::PDBGetCurrentParams(CurrentParams& out)
{
    if (m_restoredMode)
        PDARavova(ActGoLive);
    out = CurrentParams{};
    if (m_series.isEmpty() || m_code.isEmpty())
        return false;
    out.pdbPath = m_env.path;
    out.pdbVersion = m_env.version;
    out.dbVersion = m_env.dbVersion;
    const SeriesInfo* info = findSeries(m_series);
    QString name;
    if (info && info->pumpNamePos >= 1 && info->pumpNamePos <= kMaxPositions) {
        const int i = PDBGetSelItemNoFromCode(info->pumpNamePos, at(m_code, info->pumpNamePos));
        if (i >= 0)
            name = m_selInfo[info->pumpNamePos][std::size_t(i)].text;
    }
    QString locks;
    QString types;
    for (int p = 1; p <= kMaxPositions; ++p) {
        locks += m_rows[p].lockTicked ? QLatin1Char('T') : QLatin1Char('F');
        const QChar t = m_positionType[p];
        types += (t == QLatin1Char('M') || t == QLatin1Char('S') || t == QLatin1Char('Z')) ? t : QChar(u' ');
    }
    QString torva;
    if (!m_isAcc) {
        if (!m_env.isCurrent)
            torva = QString(kMaxPositions, QLatin1Char('T'));
        else if (m_torvaLocks.isEmpty())
            torva = QString(kMaxPositions, QLatin1Char('F'));
        else
            torva = m_torvaLocks;
    }
    QString classes = m_selectionClasses;
    if (classes.size() < kMaxPositions)
        classes += QString(kMaxPositions - classes.size(), QLatin1Char('?'));
    out.codeParams = {info ? info->proCentr : QString(), PDBValidateSeries(m_series), name, PDBFormatArtNr(m_code),
        PDBNormalizeCode(m_code), locks, m_totalClass, classes, types, torva};

    for (int p = 1; p <= m_positionCount; ++p) {
        out.headerParams << m_headerText[p];
        out.selParams << m_selectionText[p];
        int g = m_data ? m_data->positions[p].singleGroup : 1;
        if (m_data && m_data->positions[p].multiGroup) {
            g = -1;
            if (const ListEntry* e = m_rows[p].chosenEntry())
                g = e->group;
        }
        out.selectionGroups << QString::number(g);
    }

    const bool nine = versionAtLeast14(m_env.version);
    for (int p = 1; p <= kMaxPositions; ++p) {
        const QChar t = m_positionType[p];
        const RowView& row = m_rows[p];
        if (t == QLatin1Char('S') || t == QLatin1Char('Z')) {
            const ListEntry* chosen = row.chosenEntry();
            for (const ListEntry& e : row.entries) {
                const SelInfo* si = e.selIndex >= 0 ? &m_selInfo[p][std::size_t(e.selIndex)] : nullptr;
                QStringList rec = {QString::number(p), e.text, chosen ? chosen->text : QString(),
                    QString::number(e.group), QString(e.code), e.classText, si ? si->mulSelVal : QString(),
                    si ? QString::number(si->forcedMulSelVal) : QString()};
                if (nine)
                    rec << (e.invalid ? s("1") : s("0"));
                out.selInfo << rec;
            }
        } else if (t == QLatin1Char('M')) {
            for (const CheckBoxItem& b : row.boxes) {
                const SelInfo* si = b.selIndex >= 0 ? &m_selInfo[p][std::size_t(b.selIndex)] : nullptr;
                QStringList rec = {QString::number(p), si ? si->text : b.text, b.text,
                    QString::number(si ? si->group : -1), si && !si->code.isNull() ? QString(si->code) : s("#"),
                    si && !si->classText.isEmpty() ? si->classText : s("?"), si ? si->mulSelVal : QString(),
                    si ? QString::number(si->forcedMulSelVal) : QString()};
                if (nine)
                    rec << (b.enabled ? s("0") : s("1"));
                out.selInfo << rec;
            }
        }
    }
    for (int p = 1; p <= kMaxPositions; ++p) {
        CodeMask m = m_resolver.allowedSets[p][0];
        const int g = m_currentGroup[p];
        if (g >= 0 && g < kGroupCount)
            m |= m_resolver.allowedSets[p][std::size_t(g)];
        out.selectionOkValues[p] = m;
        out.groupCodes[p] = m_resolver.groupCodes[p];
    }
    PDBListSeries();
    return true;
}

bool PDBConfigurator::PDBGetProductDocuments(QStringList& list)
{
    list.clear();
    if (!m_data)
        return false;
    FilterState st = filterState();
    st.startPosition = 16;
    st.useGroups = true;
    RecordFilter filter(*m_data, st);
    QStringList ticked;
    for (const PartListItem& i : m_partList.items())
        if (i.checked)
            ticked << i.lineText();
    QStringList listed;
    auto take = [&](const DocRecord& rec, bool extra) {
        // A document without a name would break the pairs of the list.
        if (rec.name.isEmpty() || listed.contains(rec.name))
            return;
        if (rec.fromParts && !rec.partName.isEmpty()) {
            bool found = false;
            for (const QString& line : ticked)
                if (line.contains(rec.partName, Qt::CaseInsensitive)) {
                    found = true;
                    break;
                }
            if (!found)
                return;
        }
        list << rec.name
             << (extra ? m_data->langDocs.translate(rec.descr, s("UK"), true) : trText(m_data->langDocs, rec.descr, true));
        listed << rec.name;
    };
    for (const DocRecord& rec : m_data->docs)
        if (filter.filterItem(rec, true, nullptr))
            take(rec, false);
    for (const DocRecord& rec : m_data->docsX)
        if (filter.filterItemX(rec))
            take(rec, true);
    return true;
}

bool PDBConfigurator::PDBGetProductPrices(QStringList& list)
{
    list.clear();
    if (!m_data)
        return false;
    for (PriceTypeInfo& t : m_priceTypes) {
        t.matchCount = 0;
        t.amount.clear();
        t.percent.clear();
        t.percentName.clear();
    }
    FilterState st = filterState();
    st.useGroups = true;
    RecordFilter filter(*m_data, st);
    auto typeFor = [&](const PriceRecord& rec) -> PriceTypeInfo& {
        QString text = m_data->langPrices.translate(rec.description, m_env.language, false);
        const int dollar = text.indexOf(QLatin1Char('$'));
        if (dollar >= 0)
            text = text.left(dollar).trimmed();
        for (PriceTypeInfo& t : m_priceTypes)
            if (t.pno == rec.partType && (text.isEmpty() || t.description == text))
                return t;
        PriceTypeInfo t;
        t.pno = rec.partType;
        t.description = text;
        t.keyword = text;
        m_priceTypes.push_back(t);
        return m_priceTypes.back();
    };
    auto takeValues = [](PriceTypeInfo& t, const PriceRecord& rec) {
        t.currency = rec.currency;
        t.amount = rec.amount;
        t.discountCode = rec.discount;
        t.percent = rec.percent;
        t.percentName = rec.percentName;
    };
    for (const PriceRecord& rec : m_data->prices) {
        if (!filter.filterItem(rec, true, nullptr))
            continue;
        PriceTypeInfo& t = typeFor(rec);
        t.productionCentre = rec.proCentr;
        t.series = rec.series;
        t.currency = rec.currency;
        if (++t.matchCount == 1) {
            takeValues(t, rec);
        } else {
            t.amount = MsgText(s("1023"));
            t.discountCode.clear();
            t.percent.clear();
            t.percentName.clear();
        }
    }
    for (const PriceRecord& rec : m_data->pricesX) {
        if (!filter.filterItemX(rec))
            continue;
        PriceTypeInfo& t = typeFor(rec);
        if (++t.matchCount == 1) {
            t.productionCentre = rec.proCentr;
            t.series = rec.series;
            takeValues(t, rec);
        }
    }
    for (PriceTypeInfo& t : m_priceTypes) {
        if (t.percentName.isEmpty())
            continue;
        for (const PriceTypeInfo& base : m_priceTypes) {
            if (base.matchCount > 0 && base.description == t.percentName) {
                // Halves go to the even neighbour: 187.5 gives 188, 186.5 gives 186.
                const double v = std::nearbyint(number(base.amount) * number(t.percent) / 100.0);
                t.amount = QString::number(qint64(v));
                break;
            }
        }
    }
    for (const PriceTypeInfo& t : m_priceTypes)
        if (t.matchCount > 0)
            list << t.description << t.keyword << t.productionCentre << t.series << QString::number(t.pno)
                 << t.currency << t.amount << t.discountCode << t.percent << t.percentName;
    PDBListSeries();
    return true;
}

bool PDBConfigurator::PDBGetProductComments(QStringList& list)
{
    list.clear();
    if (!m_data)
        return false;
    FillSelectionCommentList();
    list = m_selectionComments;
    return true;
}

bool PDBConfigurator::PDBGetProductNotes(QStringList& list)
{
    list.clear();
    if (!m_data)
        return false;
    FilterState st = filterState();
    st.useGroups = true;
    RecordFilter filter(*m_data, st);
    for (const TextRecord& rec : m_data->notes) {
        if (!filter.filterItem(rec, true, nullptr))
            continue;
        const QString text = m_data->langNotes.translate(rec.name, m_env.language, false);
        if (!text.isEmpty())
            list << text;
    }
    for (const TextRecord& rec : m_data->notesX) {
        if (!filter.filterItemX(rec))
            continue;
        const QString text = m_data->langNotes.text(rec.name, s("UK"));
        if (!text.isEmpty())
            list << text;
    }
    return !list.isEmpty();
}

bool PDBConfigurator::PDBGetAccessories(QStringList& texts, QStringList& codes)
{
    texts.clear();
    codes.clear();
    const bool wasAcc = m_isAcc;
    const QString pumpSeries = m_pumpSeries;
    m_isAcc = true;
    m_pumpSeries = m_series;
    const std::vector<SeriesInfo> listed = PDBListSeries();
    Translations names;
    if (m_env.connection && m_env.connection->isOpen()) {
        if (!m_reader)
            m_reader = std::make_unique<SeriesReader>(*m_env.connection);
        try {
            names = m_reader->readLanguageTable(s("LangPDBMain"));
        } catch (const db::DatabaseError&) {
        }
    }
    const int d = settings().pdb().Default;
    for (const SeriesInfo& i : listed) {
        texts << names.translate(i.pumpText, m_env.language, true);
        QString code = i.series + QString(kMaxPositions - 2, QLatin1Char('?'));
        if (d == 1)
            code = PDBGetDefaultCode(s("PDBFactDefault"), i.series);
        else if (d == 2)
            code = PDBGetDefaultCode(s("PDBUserDefault"), i.series);
        codes << code;
    }
    m_isAcc = wasAcc;
    m_pumpSeries = pumpSeries;
    PDBListSeries();
    return true;
}

QString PDBConfigurator::PDBGetDefaultCode(const QString& table, const QString& series)
{
    if (series.size() < 2)
        return QString();
    const QString fallback = series.left(2) + QString(kMaxPositions - 2, QLatin1Char('?'));
    if (!m_env.connection || !m_env.connection->isOpen())
        return fallback;
    if (!m_reader)
        m_reader = std::make_unique<SeriesReader>(*m_env.connection);
    std::optional<DefaultRecord> rec;
    try {
        rec = m_reader->readDefault(table, series);
    } catch (const db::DatabaseError&) {
    }
    if (!rec)
        return fallback;
    QString code;
    for (int p = 1; p <= kMaxPositions; ++p) {
        const QString c = rec->code[std::size_t(p)].trimmed();
        code += c.isEmpty() ? QChar(u'?') : c.at(0);
    }
    return code;
}

std::optional<QList<kiro::TFormData::PriceItem>> configuratorPriceItems(PDBConfigurator& configurator)
{
    QStringList params;
    if (!configurator.PDBGetProductPrices(params))
        return std::nullopt;
    QList<kiro::TFormData::PriceItem> items;
    for (int i = 0; i + 10 <= params.size(); i += 10) {
        kiro::TFormData::PriceItem item;
        item.description = params[i];
        item.keyword = params[i + 1];
        item.currency = params[i + 5];
        item.listPrice = params[i + 6];
        item.level = params[i + 7];
        items << item;
    }
    return items;
}

} // namespace kiro::pdb
