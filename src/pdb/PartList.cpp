#include "pdb/PartList.h"

#include "app/core/Messages.h"
#include "pdb/PDB.h"

#include <QHash>

namespace kiro::pdb {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

QString typeNo(int type)
{
    return type >= 1 && type <= 9 ? s("0%1").arg(type) : QString::number(type);
}

constexpr int kMaxListedPerType = 10;
constexpr int kMaxPartType = 25;

} // namespace

// --- PartListModel -------------------------------------------------------------

bool PartListModel::containsNumberText(const QString& number) const
{
    for (const PartListItem& i : m_items)
        if (i.lineText().contains(number))
            return true;
    return false;
}

void PartListModel::tick(int index, bool ticked)
{
    if (index < 0 || index >= int(m_items.size()))
        return;
    PartListItem& item = m_items[std::size_t(index)];
    if (item.radio && ticked)
        for (PartListItem& other : m_items)
            if (other.radio && other.partType == item.partType)
                other.checked = false;
    item.checked = ticked;
}

bool PartListModel::SelectionOK() const
{
    for (int t = 1; t <= 20; ++t) {
        bool has = false;
        bool ticked = false;
        for (const PartListItem& i : m_items)
            if (i.partType == t) {
                has = true;
                ticked = ticked || i.checked;
            }
        if (has && !ticked)
            return false;
    }
    return true;
}

void PartListModel::setRadioGroups(const QStringList& storedParts)
{
    QHash<int, int> counts;
    for (const PartListItem& i : m_items)
        ++counts[i.partType];
    for (PartListItem& i : m_items) {
        i.radio = counts.value(i.partType) > 1;
        i.checked = !i.radio;
    }
    // A previous choice is kept: the first radio button of a type whose
    // number a stored part carries.
    QHash<int, bool> done;
    for (PartListItem& i : m_items) {
        if (!i.radio || done.value(i.partType) || i.number.isEmpty())
            continue;
        for (int k = 3; k < storedParts.size(); k += 7)
            if (storedParts[k].contains(i.number)) {
                i.checked = true;
                done[i.partType] = true;
                break;
            }
    }
}

void PartListModel::setEnabledFor(bool dialogMode)
{
    for (PartListItem& i : m_items)
        i.enabled = dialogMode && i.radio;
}

QString partListDialogText(int kind)
{
    if (kind == 1)
        return s("PDB couldn't find unique items for this product/accessory.\rPlease select item manually by "
                 "clicking the radiobuttons in the list.");
    return s("PDB couldn't find required items for this product/accessory.\rPLEASE CONTACT YOUR SUPPLIER/PRODUCT "
             "CENTRE!");
}

// --- building the list -------------------------------------------------------------

void PDBConfigurator::FillPartItems(bool dialogMode)
{
    if (m_series.isEmpty() || !m_data)
        return;
    m_partList.clear();
    auto& items = m_partList.items();
    const auto& types = m_resolver.types();
    auto requiredText = [&](int t) { return t >= 1 && t <= kMaxPositions ? types[std::size_t(t)].requiredText : QString(); };
    auto excluded = [&](int t) { return requiredText(t).startsWith(QLatin1Char('X'), Qt::CaseInsensitive); };
    auto typeName = [&](int t) { return t >= 1 && t <= kMaxPositions ? types[std::size_t(t)].name : QString(); };

    FilterState st = filterState();
    st.startPosition = m_positionCount;
    st.useGroups = true;
    st.partsComplete = false;
    st.checkLastPosition = true;
    RecordFilter filter(*m_data, st);
    std::array<int, kMaxPartType + 1> count{};
    std::array<bool, kMaxPartType + 1> mainItem{};
    forEachRecord(fittingParts(*m_data, st), [&](int index) {
        const PartRecord& rec = m_data->parts[std::size_t(index)];
        const int t = rec.partType;
        if (t < 1 || t > kMaxPartType || excluded(t))
            return;
        if (!filter.filterPart(rec) || !filter.dependencies(rec))
            return;
        const int n = count[std::size_t(t)]++;
        mainItem[std::size_t(t)] = true;
        if (n > kMaxListedPerType)
            return;
        PartListItem item;
        item.partType = t;
        item.no = typeNo(t);
        item.name = typeName(t);
        if (n == kMaxListedPerType) {
            // The character 164 of the Windows code page marks the overflow line.
            item.name = QChar(0x00A4) + MsgText(s("1021"));
        } else {
            item.cls = rec.cls.isEmpty() && requiredText(t) == QLatin1String("N") ? s("A") : rec.cls;
            item.number = rec.name;
            item.note = rec.special.isEmpty() ? QString() : trText(m_data->langParts, rec.special, true);
        }
        items.push_back(item);
    });

    st.checkLastPosition = false;
    st.partsXComplete = false;
    // Extra parts stand in for a type that has no main part; several of
    // them give a choice like several main parts do.
    for (const PartRecord& rec : m_data->partsX) {
        const int t = rec.partType;
        if (t < 1 || t > kMaxPartType || excluded(t) || mainItem[std::size_t(t)])
            continue;
        if (!filter.filterPartX(rec) || !filter.dependencies(rec))
            continue;
        ++count[std::size_t(t)];
        PartListItem item;
        item.partType = t;
        item.no = typeNo(t);
        item.name = typeName(t);
        item.cls = rec.cls;
        item.number = rec.name.isEmpty() ? s("Not Found") : rec.name;
        item.note = rec.special.isEmpty() ? QString() : trText(m_data->langParts, rec.special, true);
        item.extra = s("X");
        items.push_back(item);
    }

    for (int t = 1; t <= kMaxPositions; ++t) {
        const PartTypeMatch& type = types[std::size_t(t)];
        if (type.pno == 0 || !type.requiredText.startsWith(QLatin1Char('Y'), Qt::CaseInsensitive) || count[std::size_t(t)] > 0)
            continue;
        PartListItem item;
        item.partType = t;
        item.no = typeNo(t);
        item.name = type.name;
        item.cls = s("E");
        item.added = s("A");
        items.push_back(item);
    }

    if (m_hasSaved && PDBNormalizeCode(m_saved.code) == PDBNormalizeCode(m_code)) {
        const QStringList& stored = m_saved.partNumbers;
        for (int i = 0; i + 7 <= stored.size(); i += 7) {
            if (stored[i + 3].isEmpty() || m_partList.containsNumberText(stored[i + 3]))
                continue;
            PartListItem item;
            item.partType = stored[i].trimmed().toInt();
            item.no = stored[i];
            item.name = stored[i + 1];
            item.cls = stored[i + 2];
            item.number = stored[i + 3];
            item.note = stored[i + 4];
            item.extra = stored[i + 5] == QLatin1String("X") ? s("X") : QString();
            item.added = s("A");
            items.push_back(item);
        }
    }
    m_partList.setRadioGroups(m_saved.partNumbers);
    m_partList.setEnabledFor(dialogMode);
}

void PDBConfigurator::FillPartItemsFastInit(bool dialogMode)
{
    m_partList.clear();
    if (m_hasSaved && PDBNormalizeCode(m_saved.code) == PDBNormalizeCode(m_code)) {
        const QStringList& stored = m_saved.partNumbers;
        for (int i = 0; i + 7 <= stored.size(); i += 7) {
            const int t = stored[i].trimmed().toInt();
            if (t <= 0 || stored[i + 3].isEmpty() || m_partList.containsNumberText(stored[i + 3]))
                continue;
            PartListItem item;
            item.partType = t;
            item.no = stored[i];
            item.name = stored[i + 1];
            item.cls = stored[i + 2];
            item.number = stored[i + 3];
            item.note = stored[i + 4];
            item.extra = stored[i + 5] == QLatin1String("X") ? s("X") : QString();
            item.added = s("A");
            m_partList.items().push_back(item);
        }
    }
    m_partList.setRadioGroups(m_saved.partNumbers);
    m_partList.setEnabledFor(dialogMode);
}

void PDBConfigurator::PDBRefreshPartList(bool force, bool dialogMode)
{
    if (!force && !m_partListVisible)
        return;
    if (m_restoredMode) {
        FillPartItemsFastInit(dialogMode);
    } else {
        FillPartItems(dialogMode);
        FillSelectionCommentList();
    }
}

void PDBConfigurator::FillSelectionCommentList()
{
    m_selectionComments.clear();
    if (m_series.isEmpty() || !m_data)
        return;
    FilterState st = filterState();
    st.useGroups = true;
    RecordFilter filter(*m_data, st);
    for (const TextRecord& rec : m_data->comments)
        if (filter.filterItem(rec, true, nullptr))
            m_selectionComments << trText(m_data->langComments, rec.name, true);
    for (const TextRecord& rec : m_data->commentsX)
        if (filter.filterItemX(rec))
            m_selectionComments << m_data->langComments.translate(rec.name, s("UK"), true);
}

int PDBConfigurator::PDBPartListState() const
{
    std::array<int, kMaxPartType + 1> count{};
    for (const PartListItem& i : m_partList.items()) {
        // The placeholder line of a missing required type is no part: counted,
        // it would hide the very fault that it marks.
        if (i.cls == QLatin1String("E") && i.added == QLatin1String("A") && i.number.isEmpty())
            continue;
        bool ok = false;
        const int t = i.no.trimmed().toInt(&ok);
        if (ok && t >= 1 && t <= kMaxPartType)
            ++count[std::size_t(t)];
    }
    int state = 0;
    for (int t = 1; t <= kMaxPartType; ++t)
        if (count[std::size_t(t)] > 1) {
            state |= 1;
            break;
        }
    const auto& types = m_resolver.types();
    for (int t = 1; t <= kMaxPositions; ++t)
        if (types[std::size_t(t)].pno != 0 && count[std::size_t(t)] == 0
            && types[std::size_t(t)].requiredText.startsWith(QLatin1Char('Y'), Qt::CaseInsensitive)) {
            state |= 2;
            break;
        }
    return state;
}

int PDBConfigurator::PDBCheckComplete(int& state)
{
    state = 0;
    if (m_series.isEmpty() || m_code.isEmpty())
        return 0;
    int result = 0;
    for (int p = 1; p <= m_positionCount; ++p) {
        const RowView& row = m_rows[p];
        const QChar t = m_positionType[p];
        if (t == QLatin1Char('M')) {
            if (row.tickedDisabled || !row.complete) {
                result = 1;
                break;
            }
        } else if (t == QLatin1Char('S') || t == QLatin1Char('Z')) {
            const ListEntry* e = row.chosenEntry();
            if (!e || e->invalid) {
                result = 1;
                break;
            }
        }
    }
    if (!m_isAcc && m_saved.torvaLocks.contains(QLatin1Char('T')) && m_torvaLocks != m_saved.torvaLocks)
        result |= 2;
    if (result == 0) {
        PDBRefreshPartList(true, true);
        state = PDBPartListState();
    }
    return result;
}

bool PDBConfigurator::GetPartListItems(QStringList& list)
{
    list.clear();
    if (m_partList.isEmpty())
        FillPartItems(false);
    bool any = false;
    for (const PartListItem& i : m_partList.items()) {
        any = true;
        if (i.checked)
            list << i.columns();
    }
    return any;
}

} // namespace kiro::pdb
