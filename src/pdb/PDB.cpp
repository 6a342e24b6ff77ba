#include "pdb/PDB.h"

#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"

#include <algorithm>

namespace kiro::pdb {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

const QString kQuestion16 = QString(kMaxPositions, QLatin1Char('?'));

QChar at(const QString& text, int p)
{
    return p >= 1 && p <= text.size() ? text.at(p - 1) : QChar(u'?');
}

QString pad16(QString text, QChar with)
{
    if (text.size() < kMaxPositions)
        text += QString(kMaxPositions - text.size(), with);
    return text.left(kMaxPositions);
}

bool versionAtLeast(const QString& version, int major, int minor)
{
    if (version.trimmed().isEmpty())
        return false;
    const int dot = version.indexOf(QLatin1Char('.'));
    bool okMajor = false;
    bool okMinor = false;
    int ma = version.left(dot < 0 ? version.size() : dot).trimmed().toInt(&okMajor);
    int mi = dot < 0 ? 0 : version.mid(dot + 1).trimmed().toInt(&okMinor);
    if (!okMajor || (dot >= 0 && !okMinor)) {
        ma = 0;
        mi = 0;
    }
    return ma > major || (ma == major && mi >= minor);
}

} // namespace

PDBConfigurator::PDBConfigurator()
{
    m_currentGroup.fill(-1);
    m_positionType.fill(QChar(u' '));
}

PDBConfigurator::~PDBConfigurator() = default;

void PDBConfigurator::setEnvironment(const PdbEnvironment& env)
{
    const bool other = env.connection != m_env.connection || env.path != m_env.path;
    m_env = env;
    if (other)
        invalidateCache();
}

void PDBConfigurator::invalidateCache()
{
    m_reader.reset();
    m_seriesTable.reset();
    m_data.reset();
    m_dataKey.clear();
}

std::vector<SeriesInfo>& PDBConfigurator::seriesTable()
{
    if (!m_seriesTable) {
        m_seriesTable.emplace();
        if (m_env.connection && m_env.connection->isOpen()) {
            if (!m_reader)
                m_reader = std::make_unique<SeriesReader>(*m_env.connection);
            try {
                *m_seriesTable = m_reader->readSeriesTable();
            } catch (const db::DatabaseError& e) {
                ShowPlainMessage(e.what());
            }
        }
    }
    return *m_seriesTable;
}

const SeriesInfo* PDBConfigurator::findSeries(const QString& series)
{
    // The current series is looked up together with the kind being
    // configured: an accessory series is no product.
    for (const SeriesInfo& i : seriesTable())
        if (i.series.compare(series, Qt::CaseInsensitive) == 0 && i.isAcc == m_isAcc)
            return &i;
    return nullptr;
}

QString PDBConfigurator::trText(const Translations& t, const QString& keyword, bool keywordFallback) const
{
    return t.translate(keyword, m_env.language, keywordFallback);
}

bool PDBConfigurator::savedAtLeast14() const
{
    return versionAtLeast(m_saved.pdbVer, 1, 4);
}

FilterState PDBConfigurator::filterState() const
{
    FilterState st;
    st.code = m_code;
    st.positionCount = m_positionCount;
    st.startPosition = m_startPosition;
    st.currentGroup = m_currentGroup;
    st.special = settings().pdb().Special;
    st.isAcc = m_isAcc;
    st.isPumpDependent = m_isPumpDependent;
    st.isAccDependent = m_isAccDependent;
    st.pumpCode = m_pumpCode;
    for (const QString& c : m_saved.accDepCodes) {
        const QString n = PDBNormalizeCode(c);
        if (!n.isEmpty())
            st.accDepCodes << n;
    }
    return st;
}

// --- code helpers ----------------------------------------------------------------

QString PDBConfigurator::PDBNormalizeCode(const QString& text) const
{
    const QString t = text.trimmed().toUpper();
    if (t.isEmpty())
        return QString();
    QString out;
    for (QChar c : t) {
        if (out.size() == kMaxPositions)
            break;
        if (c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('.'))
            continue;
        if (c == QLatin1Char('#')) {
            out += QLatin1Char('?');
        } else if (isCodeChar(c)) {
            out += c;
        } else if (c == QLatin1Char('?')) {
            out += m_positionType[out.size() + 1] == QLatin1Char('M') ? QChar(u'0') : QChar(u'?');
        } else {
            MsgOK(s("1014"), {QString(c), text});
            out += QLatin1Char('?');
        }
    }
    return pad16(out, QLatin1Char('?'));
}

QString PDBConfigurator::PDBNormalizeEnteredCode(const QString& text) const
{
    const QString t = text.trimmed().toUpper();
    if (t.isEmpty())
        return QString();
    QString out;
    for (QChar c : t) {
        if (out.size() == kMaxPositions)
            break;
        if (c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('.'))
            continue;
        const int p = out.size() + 1;
        if (c == QLatin1Char('#')) {
            const ListEntry* e = m_rows[p].chosenEntry();
            out += (e && isCodeChar(e->code)) ? e->code : QChar(u'?');
        } else if (isCodeChar(c)) {
            out += c;
        } else if (c == QLatin1Char('?')) {
            out += m_positionType[p] == QLatin1Char('M') ? QChar(u'0') : QChar(u'?');
        } else {
            MsgOK(s("1014"), {QString(c), text});
            return QString();
        }
    }
    out = pad16(out, QLatin1Char('?'));
    QString series;
    for (QChar c : out)
        if (c != QLatin1Char('?') && series.size() < 2)
            series += c;
    if (PDBValidateSeries(series).isEmpty())
        return QString();
    return out;
}

QString PDBConfigurator::PDBValidateSeries(const QString& text)
{
    const QString t = text.trimmed().toUpper();
    if (t.isEmpty())
        return QString();
    if (t.size() != 2 || !isCodeChar(t.at(0)) || !isCodeChar(t.at(1))) {
        MsgOK(s("1013"), {2});
        return QString();
    }
    return t;
}

QString PDBConfigurator::PDBSeriesFromCode(const QString& code)
{
    QString two;
    for (QChar c : code)
        if (!c.isSpace() && two.size() < 2)
            two += c;
    return PDBValidateSeries(two);
}

QString PDBConfigurator::PDBFormatArtNr(const QString& code) const
{
    // Normalized without messages: a code that is not clean is shown as it is.
    QString n;
    for (QChar c : code.trimmed().toUpper()) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('.'))
            continue;
        if (!isCodeChar(c) && c != QLatin1Char('?') && c != QLatin1Char('#'))
            return code;
        n += c == QLatin1Char('#') ? QChar(u'?') : c;
    }
    if (n.isEmpty() || !m_data)
        return code;
    n = pad16(n, QLatin1Char('?'));
    const int s1 = m_data->info.selection1;
    const int s2 = m_data->info.selection2;
    if (s1 <= 0 || m_positionCount != s1 + s2)
        return code;
    QString out;
    for (int i = 0; i < s1; ++i) {
        out += n.at(i);
        if ((i + 1) % 3 == 0 && i + 1 < s1)
            out += QLatin1Char('.');
    }
    if (s2 > 0)
        out += QLatin1Char('-') + n.mid(s1, s2);
    return out;
}

QString PDBConfigurator::articleNumberText() const
{
    return m_restoredMode ? m_saved.codeValid : PDBFormatArtNr(m_code);
}

int PDBConfigurator::PDBGetSelItemNoFromCode(int position, QChar code) const
{
    if (position < 1 || position > kMaxPositions)
        return -1;
    const auto& list = m_selInfo[position];
    std::vector<int> hits;
    for (int i = 0; i < int(list.size()); ++i)
        if (!list[std::size_t(i)].code.isNull() && list[std::size_t(i)].code == code)
            hits.push_back(i);
    if (hits.empty())
        return -1;
    if (hits.size() == 1)
        return hits.front();
    const QString& text = m_selectionText[position];
    if (!text.isEmpty())
        for (int i : hits)
            if (list[std::size_t(i)].text.compare(text, Qt::CaseInsensitive) == 0)
                return i;
    for (int i : hits)
        if (list[std::size_t(i)].group == m_currentGroup[position])
            return i;
    return hits.front();
}

bool PDBConfigurator::CheckCodeValid(int position, int group, QChar code) const
{
    if (group < 0 || group >= kGroupCount) {
        MsgOK(s("%s.%s : Illegal groupvalue %d"), {s("PDB"), s("CheckCodeValid"), group});
        return false;
    }
    if (position < 1 || position > kMaxPositions || !isCodeChar(code))
        return false;
    const auto& sets = m_resolver.allowedSets[position];
    if (!maskHas(sets[0], code) && !maskHas(sets[std::size_t(group)], code))
        return false;
    const GroupSet& gc = m_resolver.groupCodes[position];
    return gc.empty() || gc.isOnly(0) || gc.has(group);
}

bool PDBConfigurator::PDBIsModified() const
{
    if (!m_env.isCurrent || !m_hasSaved)
        return false;
    auto quiet = [](const QString& c) { return pad16(c.trimmed().toUpper(), QLatin1Char('?')); };
    if (quiet(m_saved.code) != quiet(m_code))
        return true;
    if (pad16(m_saved.userLocks, QLatin1Char('F')) != pad16(m_userLocks, QLatin1Char('F')))
        return true;
    for (int p = 1; p <= kMaxPositions && p <= m_saved.code.size(); ++p) {
        const QChar c = m_saved.code.at(p - 1);
        if (c != QLatin1Char('X') && c != QLatin1Char('x'))
            continue;
        if (p > m_saved.selections.size()) {
            if (!m_selectionText[p].isEmpty())
                return true;
        } else if (m_saved.selections[p - 1] != m_selectionText[p]) {
            return true;
        }
    }
    return false;
}

void PDBConfigurator::setCodeChar(int p, QChar c)
{
    m_code = pad16(m_code, QLatin1Char('?'));
    m_code[p - 1] = c;
}

// --- controls ----------------------------------------------------------------------

void PDBConfigurator::chooseEntry(int position, int entryIndex)
{
    if (position < 1 || position > kMaxPositions)
        return;
    RowView& row = m_rows[position];
    row.chosen = (entryIndex >= 0 && entryIndex < int(row.entries.size())) ? entryIndex : -1;
}

void PDBConfigurator::setBoxTicked(int position, int box, bool ticked)
{
    if (position < 1 || position > kMaxPositions)
        return;
    RowView& row = m_rows[position];
    if (box >= 0 && box < int(row.boxes.size()))
        row.boxes[std::size_t(box)].ticked = ticked;
}

void PDBConfigurator::setLockTicked(int position, bool ticked)
{
    if (position >= 1 && position <= kMaxPositions)
        m_rows[position].lockTicked = ticked;
}

void PDBConfigurator::selectEntry(int position, int entryIndex)
{
    chooseEntry(position, entryIndex);
    PDARavova(ActValueChanged, position);
}

void PDBConfigurator::selectCode(int position, QChar code)
{
    if (position < 1 || position > kMaxPositions)
        return;
    RowView& row = m_rows[position];
    if (row.type == QLatin1Char('M')) {
        const unsigned ticks = decodeTicks(code);
        for (int k = 0; k < int(row.boxes.size()); ++k)
            row.boxes[std::size_t(k)].ticked = k < 5 && ((ticks >> k) & 1u);
    } else {
        int index = -1;
        for (int i = 0; i < int(row.entries.size()); ++i)
            if (row.entries[std::size_t(i)].code == code) {
                index = i;
                break;
            }
        row.chosen = index;
    }
    PDARavova(ActValueChanged, position);
}

void PDBConfigurator::toggleLock(int position, bool ticked)
{
    setLockTicked(position, ticked);
    PDARavova(ActLockChanged, position);
}

// --- clearing ----------------------------------------------------------------------

void PDBConfigurator::PDBClearGlobalSavedVars()
{
    m_saved = StoredItem{};
    m_hasSaved = false;
}

void PDBConfigurator::PDBResetState()
{
    for (int p = 0; p <= kMaxPositions; ++p) {
        m_selInfo[p].clear();
        m_selectionText[p].clear();
        m_headerText[p].clear();
        m_currentGroup[p] = -1;
        m_positionType[p] = QChar(u' ');
    }
    m_resolver.clear();
    m_selectionClasses = kQuestion16;
    m_totalClass.clear();
    m_productName.clear();
    m_positionCount = 0;
    m_startPosition = 3;
    m_seriesLoaded = false;
}

void PDBConfigurator::PDBClearObjects()
{
    for (RowView& r : m_rows)
        r = RowView{};
    m_partList.clear();
    m_selectionComments.clear();
}

void PDBConfigurator::PDBClearState()
{
    m_series.clear();
    m_code.clear();
    m_userLocks = QString(kMaxPositions, QLatin1Char('F'));
    m_restoredMode = false;
    m_seriesListValue.clear();
    PDBResetState();
    PDBClearObjects();
}

// --- loading -------------------------------------------------------------------------

void PDBConfigurator::PDBLoadItem(const StoredItem& item, bool live)
{
    PDBClearObjects();
    PDBResetState();
    m_saved = item;
    m_hasSaved = true;
    m_isAcc = item.isAcc;
    m_pumpCode = item.isAcc ? PDBNormalizeCode(item.pumpCode) : QString();
    m_pumpSeries = item.isAcc ? item.pumpSeries.trimmed().toUpper() : QString();
    m_pdbPath = item.pdbPath;
    PDBUndo(); // takes the saved values into the state
    PDARavova(item.series.isEmpty() && item.code.isEmpty() ? ActEnterRestored : ActRestore, 3, live);
}

void PDBConfigurator::PDBUndo()
{
    m_series = m_saved.series.trimmed().toUpper();
    m_code = m_saved.code.trimmed().toUpper();
    m_productName = m_saved.name;
    m_userLocks = pad16(m_saved.userLocks, QLatin1Char('F'));
    m_torvaLocks = m_saved.torvaLocks;
    m_totalClass = m_saved.cls;
    m_selectionClasses = pad16(m_saved.selectionClasses, QLatin1Char('?'));
    for (int p = 1; p <= kMaxPositions; ++p) {
        m_selectionText[p] = p <= m_saved.selections.size() ? m_saved.selections[p - 1] : QString();
        m_headerText[p] = p <= m_saved.headers.size() ? m_saved.headers[p - 1] : QString();
        bool ok = false;
        const int g = p <= m_saved.groups.size() ? m_saved.groups[p - 1].trimmed().toInt(&ok) : -1;
        m_currentGroup[p] = ok ? g : -1;
        m_rows[p].chosen = -1;
    }
}

bool PDBConfigurator::PDBCheckSeriesMatchesCode()
{
    if (m_series.isEmpty() && m_code.isEmpty())
        return true;
    if (m_series.isEmpty()) {
        m_series = PDBSeriesFromCode(m_code);
        return true;
    }
    m_series = PDBValidateSeries(m_series);
    if (m_code.isEmpty()) {
        m_code = PDBNormalizeCode(m_series);
        return true;
    }
    const QString fromCode = PDBSeriesFromCode(m_code);
    if (fromCode != m_series) {
        MsgOK(MsgText(s("1003")) + s("\n\r") + MsgText(s("1004")), {m_series, m_code});
        m_series.clear();
        m_code.clear();
        return false;
    }
    return true;
}

// --- the single entry point ----------------------------------------------------------

bool PDBConfigurator::PDARavova(int action, int position, bool live)
{
    bool reload = false;
    bool recomputes = false;
    bool failed = false;
    switch (action) {
    case ActRestore:
        PDBCheckSeriesMatchesCode();
        m_restoredMode = !live;
        reload = true;
        recomputes = live;
        break;
    case ActFactoryDefault:
    case ActUserDefault:
        PDBGetDefaults(action == ActFactoryDefault ? 1 : 2);
        m_restoredMode = false;
        reload = recomputes = true;
        break;
    case ActSetUserDefault:
        PDBSetUserDefault();
        break;
    case ActUndo:
        PDBUndo();
        PDBCheckSeriesMatchesCode();
        reload = true;
        recomputes = !m_restoredMode;
        break;
    case ActClear:
        PDBClear();
        reload = m_restoredMode;
        m_restoredMode = false;
        recomputes = true;
        break;
    case ActClearAll:
        if (PDBClearAll()) {
            m_restoredMode = false;
            reload = recomputes = true;
        }
        break;
    case ActSeriesChanged: {
        const QString previous = m_series;
        if (PDBSeriesChanged()) {
            m_restoredMode = false;
            reload = recomputes = true;
        } else if (previous != m_series) {
            failed = true; // the new series was empty: everything is cleared
        }
        break;
    }
    case ActArticleNumber:
        if (PDBArtNrEntered()) {
            m_restoredMode = false;
            reload = recomputes = true;
        }
        break;
    case ActValueChanged:
        PDBSelectionChanged(position);
        reload = m_restoredMode;
        m_restoredMode = false;
        recomputes = true;
        break;
    case ActLockChanged:
        PDBLockChanged(position);
        break;
    case ActPartList:
        PDBRefreshPartList(true, false);
        break;
    case ActRelayout:
        break;
    case ActGoLive:
        m_restoredMode = false;
        reload = recomputes = true;
        break;
    case ActEnterRestored:
        m_restoredMode = true;
        break;
    case ActGoLiveIfRestored:
        if (m_restoredMode) {
            m_restoredMode = false;
            reload = recomputes = true;
        }
        break;
    default:
        m_restoredMode = false;
        PDBClearState();
        return true;
    }
    if (live)
        m_restoredMode = false;

    // The pipeline.
    m_startPosition = m_restoredMode ? 3 : std::max(2, position);
    if (!m_restoredMode) {
        if (reload || recomputes) {
            if (m_series.isEmpty() || m_code.isEmpty()) {
                failed = true;
            } else {
                if (reload || !m_seriesLoaded) {
                    if (!PDBLoadSeries()) {
                        failed = true;
                    } else {
                        PDBLoadPartTypes();
                        SetupSelections();
                        loadPositionTypes();
                    }
                }
                if (!failed && recomputes)
                    failed = !recompute();
            }
        }
    } else if (action == ActRestore || action == ActUndo) {
        if (m_series.isEmpty() || m_code.isEmpty() || !PDBLoadSeries())
            failed = true;
        else
            restoredLoad();
    }
    if (failed) {
        PDBClearState();
    } else {
        PDBProductName();
        if (action != ActPartList && m_partListVisible)
            PDBRefreshPartList(false, false);
    }
    commonRefresh(action, position, recomputes && !failed);
    return true;
}

void PDBConfigurator::commonRefresh(int action, int position, bool recomputed)
{
    (void)recomputed;
    PDBListSeries();
    if (settings().pdb().Classes && !m_restoredMode && m_data
        && (action == ActValueChanged || action == ActGoLiveIfRestored) && position >= 3
        && position <= m_positionCount
        && (m_positionType[position] == QLatin1Char('S') || m_positionType[position] == QLatin1Char('Z')))
        PDBClassLookAhead(position);
    PDBShowLocks();
    for (int p = 1; p <= kMaxPositions; ++p)
        m_rows[p].classLabel = m_resolver.classLabels[p];
    m_startPosition = std::max(2, position);
}

// --- series ---------------------------------------------------------------------------

std::vector<SeriesInfo> PDBConfigurator::PDBListSeries()
{
    std::vector<SeriesInfo> out;
    const QStringList suppliers = settings().pdb().SuppliersInc.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const SeriesInfo& i : seriesTable()) {
        if (i.isAcc != m_isAcc)
            continue;
        if (!suppliers.isEmpty() && !suppliers.contains(i.proCentr.trimmed()))
            continue;
        if (m_isAcc && !m_pumpSeries.isEmpty() && !i.accValidFor.isEmpty() && !i.accValidFor.contains(m_pumpSeries))
            continue;
        out.push_back(i);
    }
    if (m_isAcc)
        std::stable_sort(out.begin(), out.end(),
            [](const SeriesInfo& a, const SeriesInfo& b) { return a.importOrder < b.importOrder; });
    else
        std::stable_sort(out.begin(), out.end(), [](const SeriesInfo& a, const SeriesInfo& b) {
            return a.pumpTextLang.compare(b.pumpTextLang, Qt::CaseInsensitive) < 0;
        });
    m_seriesListValue = m_positionCount > 0 ? m_series : QString();
    return out;
}

bool PDBConfigurator::PDBLoadSeries()
{
    if (!m_env.connection || !m_env.connection->isOpen()) {
        MsgOK(s("1009"), {m_series});
        return false;
    }
    const SeriesInfo* info = findSeries(m_series);
    if (!info) {
        MsgOK(s("1009"), {m_series});
        m_positionCount = 0;
        return false;
    }
    m_isPumpDependent = info->isPumpDependent;
    m_isAccDependent = info->isAccDependent;
    const SpecialSettings& sp = settings().special();
    const bool zero = sp.ZeroMultiple && sp.ZeroMultipleSeries.toUpper().contains(m_series.toUpper());
    const QString key = s("%1|%2|%3").arg(info->series, m_env.language).arg(int(zero));
    if (!m_data || m_dataKey != key) {
        if (!m_reader)
            m_reader = std::make_unique<SeriesReader>(*m_env.connection);
        std::shared_ptr<SeriesData> data;
        try {
            data = m_reader->readSeries(*info, m_env.language, zero);
        } catch (const db::DatabaseError& e) {
            ShowPlainMessage(e.what());
        }
        if (!data) {
            m_positionCount = 0;
            return false;
        }
        if (!data->dataErrors.isEmpty())
            ShowPlainMessage(data->dataErrors.join(QLatin1Char('\n')));
        m_data = std::move(data);
        m_dataKey = key;
    }
    m_positionCount = std::clamp(info->positionCount(), 0, kMaxPositions);
    m_seriesLoaded = true;
    return true;
}

void PDBConfigurator::PDBLoadPartTypes()
{
    m_resolver.loadPartTypes(*m_data, m_env.language);
    m_priceTypes.clear();
    for (const ProdInfoRecord& rec : m_data->prodInfo) {
        if (rec.pno < 1 || rec.pno > kMaxPositions || rec.category != 2)
            continue;
        PriceTypeInfo t;
        t.pno = rec.pno;
        t.keyword = rec.name;
        t.description = trText(m_data->langProdInfo, rec.name, true);
        m_priceTypes.push_back(t);
    }
}

void PDBConfigurator::SetupSelections()
{
    for (auto& l : m_selInfo)
        l.clear();
    for (const SelectionRecord& rec : m_data->selections) {
        if (rec.codePos < 1 || rec.codePos > kMaxPositions)
            continue;
        SelInfo si;
        si.keyword = rec.keyword;
        si.text = trText(m_data->langSelection, rec.keyword, true);
        si.group = rec.selGroup;
        si.code = rec.code.isEmpty() ? QChar() : rec.code.at(0).toUpper();
        si.mulSelVal = rec.mulSelVal;
        si.forcedMulSelVal = rec.forcedMulSelVal;
        const int p = rec.codePos;
        // A value that lets the user type a description keeps the stored one.
        if (si.code == QLatin1Char('X') && at(m_code, p) == QLatin1Char('X') && !m_saved.selections.isEmpty()
            && (m_saved.groupCodes[p].empty() || m_saved.groupCodes[p].has(si.group))
            && p <= m_saved.selections.size())
            si.text = m_saved.selections[p - 1];
        m_selInfo[p].push_back(si);
    }
}

void PDBConfigurator::loadPositionTypes()
{
    for (int p = 1; p <= kMaxPositions; ++p) {
        m_positionType[p] = QChar(u' ');
        for (const HeaderRecord& h : m_data->headers)
            if (h.codePos == p) {
                const QChar t = h.singleSel.isEmpty() ? QChar(u' ') : h.singleSel.at(0);
                if (t == QLatin1Char('S') || t == QLatin1Char('Z') || t == QLatin1Char('M'))
                    m_positionType[p] = t;
                break;
            }
    }
    m_code = pad16(m_code, QLatin1Char('?'));
    for (int p = 1; p <= kMaxPositions; ++p)
        if (m_positionType[p] == QLatin1Char('M') && m_code.at(p - 1) == QLatin1Char('?'))
            m_code[p - 1] = QLatin1Char('0');
}

void PDBConfigurator::PDARavovaCurrentGroups()
{
    if (!m_data)
        return;
    for (int p = 1; p <= kMaxPositions; ++p) {
        const PositionGroups& pg = m_data->positions[p];
        int g = -1;
        if (!pg.multiGroup)
            g = (pg.singleGroup >= 0 && pg.singleGroup < kGroupCount) ? pg.singleGroup : 1;
        const QChar t = m_positionType[p];
        if (t == QLatin1Char(' ')) {
            g = -1;
        } else if (t == QLatin1Char('M')) {
            if (pg.multiGroup)
                g = 1;
        } else {
            const ListEntry* e = m_rows[p].chosenEntry();
            if (e && e->group >= 0 && e->group < kGroupCount)
                g = e->group;
            else if (!e && pg.multiGroup && !m_resolver.groupCodes[p].empty()) {
                const int smallest = m_resolver.groupCodes[p].smallest(1, kGroupCount - 1);
                if (smallest >= 0)
                    g = smallest;
            }
        }
        m_currentGroup[p] = g;
    }
}

bool PDBConfigurator::recompute()
{
    PDARavovaCurrentGroups();
    FilterState st = filterState();
    m_resolver.initMatches(*m_data, st);
    m_resolver.matchParts(*m_data, st);
    m_resolver.matchPartsX(*m_data, st);
    m_resolver.collectInfoTexts(*m_data, st, m_env.language);
    m_resolver.computeAllowedSets(*m_data, st);
    m_resolver.computeClasses(st);
    m_selectionClasses = m_resolver.selectionClasses;
    m_totalClass = m_resolver.totalClass;
    PDARavovaCurrentGroups();
    fillRows(m_startPosition);
    return true;
}

void PDBConfigurator::restoredLoad()
{
    // The rows show what was stored; the saved allowed sets stand in for a
    // recomputation.
    const QString types = m_saved.selectionTypes;
    for (int p = 1; p <= kMaxPositions; ++p) {
        QChar t = p <= types.size() ? types.at(p - 1) : QChar(u' ');
        if (t != QLatin1Char('S') && t != QLatin1Char('Z') && t != QLatin1Char('M'))
            t = QChar(u' ');
        m_positionType[p] = t;
    }
    if (types.trimmed().isEmpty())
        loadPositionTypes();
    for (auto& sets : m_resolver.allowedSets)
        sets.fill(0);
    const bool v14 = savedAtLeast14();
    for (int p = 1; p <= kMaxPositions; ++p) {
        int g = 0;
        if (v14 && m_currentGroup[p] >= 0 && m_currentGroup[p] < kGroupCount)
            g = m_currentGroup[p];
        m_resolver.allowedSets[p][std::size_t(g)] = m_saved.okValues[p];
        m_resolver.groupCodes[p] = m_saved.groupCodes[p];
    }
    m_code = pad16(m_code, QLatin1Char('?'));
    for (int p = 1; p <= kMaxPositions; ++p)
        if (m_positionType[p] == QLatin1Char('M') && m_code.at(p - 1) == QLatin1Char('?'))
            m_code[p - 1] = QLatin1Char('0');
    SetupSelections(); // the values are needed to decode the stored code
    FilterState st = filterState();
    m_resolver.collectInfoTexts(*m_data, st, m_env.language);
    fillRows(3);
}

// --- rows ---------------------------------------------------------------------------

void PDBConfigurator::fillRows(int changedPosition)
{
    for (int p = 1; p <= kMaxPositions; ++p) {
        RowView& row = m_rows[p];
        row.type = p <= m_positionCount ? m_positionType[p] : QChar(u' ');
        PDBHeaderText(p);
        row.label = m_headerText[p];
        row.infoTexts = m_resolver.infoTexts[p];
        PDBShowTORVAMark(p);
        row.lockVisible = row.type != QLatin1Char('Z');
        if (p > m_positionCount || row.type == QLatin1Char(' ')) {
            row.entries.clear();
            row.boxes.clear();
            row.chosen = -1;
            continue;
        }
        if (row.type == QLatin1Char('M'))
            IniTHMCheckListBox(p);
        else
            InitCombo(p, p == changedPosition);
    }
}

void PDBConfigurator::PDBHeaderText(int p)
{
    if (m_restoredMode && !settings().pdb().Translate && p <= m_saved.headers.size()) {
        m_headerText[p] = m_saved.headers[p - 1];
        return;
    }
    if (!m_data)
        return;
    const HeaderRecord* chosen = nullptr;
    for (const HeaderRecord& h : m_data->headers) {
        if (h.codePos != p)
            continue;
        if (!chosen)
            chosen = &h;
        if (h.selGroup >= 0 && h.selGroup < kGroupCount && m_resolver.allowedSets[p][std::size_t(h.selGroup)] != 0) {
            chosen = &h;
            break;
        }
    }
    if (!chosen) {
        m_headerText[p].clear();
        return;
    }
    QString text = m_data->langHeader.text(chosen->keyword, m_env.language);
    if (text.isEmpty()) {
        const QString uk = m_data->langHeader.text(chosen->keyword, s("UK"));
        text = uk.isEmpty() ? chosen->keyword : QLatin1Char(' ') + uk;
    }
    m_headerText[p] = text;
}

void PDBConfigurator::InitCombo(int p, bool userChanged)
{
    RowView& row = m_rows[p];
    const QChar c = at(m_code, p);
    if (m_restoredMode) {
        row.entries.clear();
        row.chosen = -1;
        const int lines = savedAtLeast14() ? 9 : 8;
        const QStringList& info = m_saved.selInfo;
        for (int i = 0; i + lines <= info.size(); i += lines) {
            if (info[i].trimmed().toInt() != p)
                continue;
            const QString stored = info[i + 4];
            const QChar rc = stored.size() > 1 ? QChar(u'#') : (stored.isEmpty() ? QChar() : stored.at(0));
            if (rc != c)
                continue;
            ListEntry e;
            e.text = info[i + 1];
            bool ok = false;
            e.group = info[i + 3].trimmed().toInt(&ok);
            if (!ok)
                e.group = -1;
            e.code = rc;
            e.classText = info[i + 5];
            e.invalid = lines == 9 && info[i + 8].trimmed() == QLatin1String("1");
            if (!savedAtLeast14() && !maskHas(m_resolver.allowedSets[p][0], c))
                e.invalid = true;
            e.selIndex = PDBGetSelItemNoFromCode(p, rc);
            row.entries.push_back(e);
        }
        if (row.entries.empty()) {
            ListEntry e;
            e.text = m_selectionText[p];
            e.code = c;
            row.entries.push_back(e);
        }
        row.chosen = 0;
        m_selectionText[p] = row.entries.front().text;
        return;
    }

    // Remember the choice, as long as it still stands for the code there.
    std::optional<ListEntry> remembered;
    if (const ListEntry* e = row.chosenEntry(); e && e->code == c)
        remembered = *e;
    if (remembered && remembered->selIndex >= 0 && c == QLatin1Char('X') && userChanged && m_inputText) {
        const auto answer = m_inputText(s("Enter description for selection %1 :").arg(m_headerText[p].trimmed()),
            m_selectionText[p]);
        if (answer && !answer->isEmpty()) {
            m_selInfo[p][std::size_t(remembered->selIndex)].text = *answer;
            m_selectionText[p] = *answer;
            remembered->text = *answer;
        }
    }
    row.entries.clear();
    row.chosen = -1;
    const auto& list = m_selInfo[p];
    for (int i = 0; i < int(list.size()); ++i) {
        const SelInfo& si = list[std::size_t(i)];
        if (si.code.isNull() || !CheckCodeValid(p, si.group, si.code))
            continue;
        ListEntry e;
        e.selIndex = i;
        e.text = si.text;
        e.code = si.code;
        e.group = si.group;
        e.classText = si.classText.isEmpty() ? s("?") : si.classText;
        e.invalid = classRank(si.classText) > 5;
        row.entries.push_back(e);
    }
    if (remembered) {
        for (int i = 0; i < int(row.entries.size()); ++i) {
            const ListEntry& e = row.entries[std::size_t(i)];
            if ((e.text == remembered->text || QString(e.code) == remembered->text) && e.code == c) {
                row.chosen = i;
                break;
            }
        }
        if (row.chosen < 0 && !remembered->text.isEmpty()) {
            // The stored text has no value here any more: shown, but as an
            // invalid choice unless its character is still allowed.
            ListEntry e;
            e.text = remembered->text;
            e.code = c;
            e.group = remembered->group;
            bool allowed = false;
            for (int g = 0; g < kGroupCount && !allowed; ++g)
                allowed = maskHas(m_resolver.allowedSets[p][std::size_t(g)], c);
            e.invalid = !allowed;
            row.entries.push_back(e);
            row.chosen = int(row.entries.size()) - 1;
        }
    } else if (isCodeChar(c)) {
        const int wanted = PDBGetSelItemNoFromCode(p, c);
        for (int i = 0; i < int(row.entries.size()); ++i)
            if (row.entries[std::size_t(i)].selIndex == wanted) {
                row.chosen = i;
                break;
            }
        if (row.chosen < 0)
            for (int i = 0; i < int(row.entries.size()); ++i)
                if (row.entries[std::size_t(i)].code == c) {
                    row.chosen = i;
                    break;
                }
    }
    if (m_positionType[p] == QLatin1Char('Z') && row.entries.size() == 1) {
        row.chosen = 0;
        setCodeChar(p, row.entries.front().code);
    }
    if (const ListEntry* e = row.chosenEntry()) {
        m_selectionText[p] = e->text;
        if (e->invalid)
            setCodeChar(p, QChar(u'#'));
    } else {
        m_selectionText[p] = remembered ? remembered->text : QString();
    }
}

void PDBConfigurator::IniTHMCheckListBox(int p)
{
    RowView& row = m_rows[p];
    const QChar c = at(m_code, p);
    const unsigned ticks = decodeTicks(c);
    row.boxes.clear();
    row.currentBox = -1;
    auto boxDisabled = [&](const QString& mul, int group, int k) {
        if (!m_env.isCurrent)
            return true;
        if (mul != QLatin1String("0") && !mul.contains(c))
            return true;
        if (mul != QLatin1String("0")) {
            if (k >= 5)
                return true;
            const QChar alone = encodeTicks(1u << k);
            const int g = (group >= 0 && group < kGroupCount) ? group : 0;
            const CodeMask allowed = m_resolver.allowedSets[p][0] | m_resolver.allowedSets[p][std::size_t(g)];
            if (!maskHas(allowed, alone))
                return true;
        }
        return false;
    };
    if (m_restoredMode) {
        const int lines = savedAtLeast14() ? 9 : 8;
        const QStringList& info = m_saved.selInfo;
        int k = 0;
        for (int i = 0; i + lines <= info.size(); i += lines) {
            if (info[i].trimmed().toInt() != p)
                continue;
            CheckBoxItem b;
            b.text = info[i + 2];
            b.ticked = k < 5 && ((ticks >> k) & 1u);
            b.forcedGroup = info[i + 7].trimmed().toInt();
            b.mulSelVal = info[i + 6].isEmpty() ? s("0") : info[i + 6];
            b.classText = info[i + 5];
            b.enabled = !boxDisabled(b.mulSelVal, info[i + 3].trimmed().toInt(), k);
            row.boxes.push_back(b);
            ++k;
        }
    } else {
        const auto& list = m_selInfo[p];
        for (int k = 0; k < int(list.size()); ++k) {
            const SelInfo& si = list[std::size_t(k)];
            CheckBoxItem b;
            b.selIndex = k;
            b.text = si.text;
            b.ticked = k < 5 && ((ticks >> k) & 1u);
            b.forcedGroup = si.forcedMulSelVal;
            b.mulSelVal = si.mulSelVal;
            b.enabled = !boxDisabled(si.mulSelVal, si.group, k);
            row.boxes.push_back(b);
        }
    }
    bool anyForced = false;
    bool forcedTicked = false;
    QStringList texts;
    int firstDisabledTicked = -1;
    for (int k = 0; k < int(row.boxes.size()); ++k) {
        const CheckBoxItem& b = row.boxes[std::size_t(k)];
        if (b.forcedGroup > 0) {
            anyForced = true;
            forcedTicked = forcedTicked || b.ticked;
        }
        if (b.ticked) {
            texts << b.text;
            if (!b.enabled && firstDisabledTicked < 0)
                firstDisabledTicked = k;
        }
    }
    row.complete = !anyForced || forcedTicked;
    row.redText = !row.complete || firstDisabledTicked >= 0;
    if (firstDisabledTicked >= 0)
        row.currentBox = firstDisabledTicked;
    row.tickedDisabled = firstDisabledTicked >= 0;
    // A ticked box stays changeable so that the user can untick it.
    for (CheckBoxItem& b : row.boxes)
        if (b.ticked)
            b.enabled = m_env.isCurrent;
    m_selectionText[p] = texts.join(s("; "));
}

void PDBConfigurator::PDBShowLocks()
{
    for (int p = 1; p <= kMaxPositions; ++p) {
        RowView& row = m_rows[p];
        row.lockTicked = false;
        if (m_env.isCurrent && at(m_code, p) != QLatin1Char('?'))
            row.lockTicked = at(m_userLocks, p) == QLatin1Char('T');
        if (!m_env.isCurrent)
            row.lockTicked = true;
        const bool editable = m_env.isCurrent && p > 2 && p <= m_positionCount;
        if (row.type == QLatin1Char('Z'))
            row.enabled = editable && row.entries.size() > 1;
        else
            row.enabled = editable && !row.lockTicked;
    }
}

void PDBConfigurator::PDBShowTORVAMark(int p)
{
    RowView& row = m_rows[p];
    row.torvaMark.clear();
    row.torvaMarkRed = false;
    if (m_torvaLocks.isEmpty() || m_torvaLocks.size() != m_saved.torvaLocks.size() || p > m_torvaLocks.size()
        || m_torvaLocks.at(p - 1) != QLatin1Char('T'))
        return;
    row.torvaMark = s(" A");
    if (at(m_code, p) == at(m_saved.code, p)) {
        row.torvaMarkRed = true;
    } else {
        m_torvaLocks[p - 1] = QLatin1Char('F');
    }
}

void PDBConfigurator::PDBProductName()
{
    m_productName.clear();
    if (!m_data)
        return;
    const int p = m_data->info.pumpNamePos;
    if (p < 1 || p > kMaxPositions)
        return;
    m_productName = m_selectionText[p];
    if (m_productName.isEmpty()
        && (m_positionType[p] == QLatin1Char('S') || m_positionType[p] == QLatin1Char('Z')))
        if (const ListEntry* e = m_rows[p].chosenEntry())
            m_productName = e->text;
    if (m_productName.isEmpty() && at(m_code, p) != QLatin1Char('?')) {
        const int i = PDBGetSelItemNoFromCode(p, at(m_code, p));
        if (i >= 0)
            m_productName = m_selInfo[p][std::size_t(i)].text;
    }
}

void PDBConfigurator::PDBClassLookAhead(int position)
{
    if (!m_data || position < 1 || position > kMaxPositions)
        return;
    RowView& row = m_rows[position];
    std::vector<Resolver::LookAheadEntry> entries;
    entries.reserve(row.entries.size());
    for (const ListEntry& e : row.entries)
        entries.push_back({e.selIndex < 0 ? QChar(u'?') : e.code, 1});
    FilterState st = filterState();
    st.startPosition = std::max(2, position);
    m_resolver.classLookAhead(*m_data, st, position, entries);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        ListEntry& e = row.entries[i];
        e.classText = QString(classLetter(entries[i].rank));
        e.invalid = entries[i].rank > 5 || (e.selIndex < 0 && e.invalid);
        if (e.selIndex >= 0)
            m_selInfo[position][std::size_t(e.selIndex)].classText = e.classText;
    }
}

// --- actions ------------------------------------------------------------------------

bool PDBConfigurator::PDBCheckSeriesAndCode()
{
    if (m_series.isEmpty() && m_code.isEmpty())
        return false;
    bool ok = true;
    if (!m_saved.series.isEmpty() && m_series.size() < 2) {
        MsgOK(s("1001"));
        ok = false;
    } else if (!m_saved.code.isEmpty() && m_code.isEmpty()) {
        MsgOK(s("1002"));
        ok = false;
    }
    if (!ok) {
        MsgOK(s("1008"));
        m_series.clear();
        m_code.clear();
    }
    return ok;
}

bool PDBConfigurator::PDBGetDefaults(int kind)
{
    if (kind != 1 && kind != 2) {
        MsgOK(s("1005"));
        return false;
    }
    if (!PDBCheckSeriesAndCode())
        return false;
    if (!m_env.connection || !m_env.connection->isOpen())
        return false;
    if (!m_reader)
        m_reader = std::make_unique<SeriesReader>(*m_env.connection);
    std::optional<DefaultRecord> rec;
    try {
        rec = m_reader->readDefault(kind == 1 ? s("PDBFactDefault") : s("PDBUserDefault"), m_series);
    } catch (const db::DatabaseError& e) {
        ShowPlainMessage(e.what());
        return false;
    }
    if (!rec) {
        MsgOK(kind == 1 ? s("1006") : s("1007"), {m_series});
        return false;
    }
    QString code = pad16(m_code, QLatin1Char('?'));
    QString locks;
    for (int p = 1; p <= kMaxPositions; ++p) {
        const QString d = rec->code[std::size_t(p)].trimmed();
        const QChar def = d.isEmpty() ? QChar(u'?') : d.at(0).toUpper();
        QChar lock = at(m_userLocks, p) == QLatin1Char('T') ? QChar(u'T') : QChar(u'F');
        const bool torva = p <= m_torvaLocks.size() && m_torvaLocks.at(p - 1) == QLatin1Char('T');
        if (!(torva || lock == QLatin1Char('T') || def == QLatin1Char('?'))) {
            code[p - 1] = def;
            m_currentGroup[p] = rec->group[std::size_t(p)];
            m_selectionText[p].clear();
            m_rows[p].chosen = -1;
            if (rec->lock[std::size_t(p)])
                lock = QLatin1Char('T');
        }
        locks += lock;
    }
    m_code = code;
    m_userLocks = locks;
    m_totalClass.clear();
    m_selectionClasses = kQuestion16;
    return true;
}

void PDBConfigurator::PDBSetUserDefault()
{
    const QString series = PDBValidateSeries(m_series);
    if (series.isEmpty()) {
        MsgOK(s("1008"));
        return;
    }
    if (!m_env.connection || !m_env.connection->isOpen())
        return;
    if (!m_reader)
        m_reader = std::make_unique<SeriesReader>(*m_env.connection);
    try {
        const bool exists = m_reader->readDefault(s("PDBUserDefault"), series).has_value();
        if (exists) {
            QString listText = series;
            if (const SeriesInfo* i = findSeries(series))
                listText = series + QLatin1Char(' ') + i->pumpTextLang;
            if (MsgYesNo(s("1019"), {listText.trimmed()}) != MsgCodeYes)
                return;
        }
        DefaultRecord rec;
        for (int p = 1; p <= kMaxPositions; ++p) {
            const bool inCode = p <= m_code.size();
            rec.code[std::size_t(p)] = inCode ? QString(m_code.at(p - 1)) : s("?");
            rec.group[std::size_t(p)] = inCode ? m_currentGroup[p] : -1;
            rec.lock[std::size_t(p)] = at(m_userLocks, p) == QLatin1Char('T');
        }
        m_reader->writeUserDefault(series, rec, exists);
    } catch (const db::DatabaseError& e) {
        ShowPlainMessage(e.what());
    }
}

void PDBConfigurator::PDBClear()
{
    QString code = pad16(m_code, QLatin1Char('?'));
    // The series code of positions 1 and 2 is never cleared.
    for (int p = 3; p <= kMaxPositions; ++p) {
        const bool torva = p <= m_torvaLocks.size() && m_torvaLocks.at(p - 1) == QLatin1Char('T');
        if (torva || at(m_userLocks, p) == QLatin1Char('T'))
            continue;
        const QChar t = m_positionType[p];
        if (t == QLatin1Char('Z'))
            continue;
        code[p - 1] = t == QLatin1Char('M') ? QChar(u'0') : QChar(u'?');
        m_selectionText[p].clear();
        m_rows[p].chosen = -1;
    }
    m_code = PDBNormalizeCode(code);
}

bool PDBConfigurator::PDBClearAll()
{
    if (m_torvaLocks.contains(QLatin1Char('T')) && MsgYesNo(s("1020")) != MsgCodeYes)
        return false;
    // Positions 1 and 2 keep the series: a code without it belongs to no series.
    m_code = PDBNormalizeCode(m_series.left(2) + QString(kMaxPositions - 2, QLatin1Char('?')));
    for (int p = 3; p <= kMaxPositions; ++p) {
        m_selectionText[p].clear();
        m_rows[p].chosen = -1;
    }
    return true;
}

bool PDBConfigurator::PDBSeriesChanged()
{
    const QString next = PDBValidateSeries(m_seriesListValue);
    if (next == m_series)
        return false;
    const QString previous = m_series;
    PDBResetState();
    PDBClearObjects();
    if (next.isEmpty()) {
        MsgOK(s("1009"), {m_seriesListValue});
        m_series.clear();
        return false;
    }
    m_series = next;
    m_code = PDBNormalizeCode(next + QString(kMaxPositions - 2, QLatin1Char('?')));
    m_userLocks = QString(kMaxPositions, m_env.isCurrent ? QLatin1Char('F') : QLatin1Char('T'));
    m_torvaLocks = m_userLocks;
    m_selectionClasses = kQuestion16;
    if (next != m_saved.series || next != previous) {
        const int d = settings().pdb().Default;
        if (d == 1 || d == 2)
            PDBGetDefaults(d);
    }
    return true;
}

bool PDBConfigurator::PDBArtNrEntered()
{
    const QString code = PDBNormalizeEnteredCode(m_artNrText);
    if (code.isEmpty())
        return false;
    const QString series = PDBSeriesFromCode(code);
    if (series.isEmpty())
        return false;
    // The kind of the series, found through its keyword as the series list
    // knows it; a series the keyword table lacks is looked up directly.
    std::optional<bool> isAcc;
    if (m_env.connection && m_env.connection->isOpen()) {
        if (!m_reader)
            m_reader = std::make_unique<SeriesReader>(*m_env.connection);
        QString keyword;
        try {
            keyword = m_reader->readSeriesKeywords().value(series);
        } catch (const db::DatabaseError&) {
        }
        for (const SeriesInfo& i : seriesTable())
            if ((!keyword.isEmpty() && i.pumpText == keyword) || (keyword.isEmpty() && i.series == series)) {
                isAcc = i.isAcc;
                break;
            }
    }
    if (isAcc && *isAcc != m_isAcc) {
        MsgOK(*isAcc ? s("%s is an accessory not a product!") : s("%s is a product not an accessory!"), {series});
        return false;
    }
    PDBResetState();
    PDBClearObjects();
    m_series = series;
    m_code = code;
    m_userLocks = QString(kMaxPositions, m_env.isCurrent ? QLatin1Char('F') : QLatin1Char('T'));
    m_torvaLocks = m_userLocks;
    m_selectionClasses = kQuestion16;
    return true;
}

void PDBConfigurator::PDBSelectionChanged(int p)
{
    if (p < 1 || p > kMaxPositions)
        return;
    QString code = pad16(m_code, QLatin1Char('?'));
    RowView& row = m_rows[p];
    QChar c = QChar(u'?');
    int group = -1;
    const QChar t = m_positionType[p];
    if (t == QLatin1Char('M')) {
        unsigned ticks = 0;
        for (int k = 0; k < int(row.boxes.size()) && k < 5; ++k)
            if (row.boxes[std::size_t(k)].ticked)
                ticks |= 1u << k;
        c = encodeTicks(ticks);
        group = 1;
    } else if (t == QLatin1Char('S') || t == QLatin1Char('Z')) {
        if (const ListEntry* e = row.chosenEntry()) {
            c = e->code;
            group = e->group;
        }
    }
    code[p - 1] = c;
    m_code = PDBNormalizeCode(code);
    m_currentGroup[p] = group;
    m_totalClass.clear();
}

void PDBConfigurator::PDBLockChanged(int p)
{
    if (p < 1 || p > kMaxPositions)
        return;
    RowView& row = m_rows[p];
    if (row.lockTicked) {
        bool refuse = false;
        if (row.type == QLatin1Char('M')) {
            refuse = !row.complete;
        } else {
            const ListEntry* e = row.chosenEntry();
            refuse = !e || e->invalid;
        }
        if (refuse) {
            MsgOK(s("1010"));
            row.lockTicked = false;
            return;
        }
    }
    m_userLocks = pad16(m_userLocks, QLatin1Char('F'));
    m_userLocks[p - 1] = row.lockTicked ? QLatin1Char('T') : QLatin1Char('F');
}

} // namespace kiro::pdb
