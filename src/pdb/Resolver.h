#pragma once

#include "pdb/SeriesData.h"

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace kiro::pdb {

// What the record filters test against: the code being configured, the
// filter switches, and for an accessory its pump and sibling accessories.
struct FilterState {
    QString code;
    int positionCount = 0;
    int startPosition = 3;
    bool useGroups = false;
    bool partsComplete = false;
    bool partsXComplete = false;
    bool checkLastPosition = false;
    std::array<int, kMaxPositions + 1> currentGroup{};
    bool special = false; // settings key Special: special parts are offered

    bool isAcc = false;
    bool isPumpDependent = false;
    bool isAccDependent = false;
    QString pumpCode;
    QStringList accDepCodes; // normalized codes of the other accessories of the pump
};

// The record filters of the condition-carrying tables, over the records of
// one series in memory.
class RecordFilter {
public:
    RecordFilter(const SeriesData& data, const FilterState& state)
        : m_data(data)
        , m_state(state)
    {}

    bool multiGroup(int p) const { return m_data.positions[p].multiGroup; }
    // The position test of one field against character c at position p.
    bool positionTest(const CompiledField& f, QChar c, int p, bool useGroups) const;
    bool positionTest(const CompiledField& f, QChar c, int p) const
    {
        return positionTest(f, c, p, m_state.useGroups);
    }
    // Positions from..to-1 (and the last one when CheckLastPosition asks).
    bool acceptPartRecord(const PartRecord& rec, int from, int to) const;
    // The complete-code filter of prices, documents, comments, notes, info.
    bool filterItem(const ConditionRecord& rec, bool strict, const QString* special) const;
    // The same for the extra tables.
    bool filterItemX(const ConditionRecord& rec) const;
    // Extra parts: the positions below the part's own one fit the code.
    bool filterPartX1(const PartRecord& rec) const;
    bool filterPart(const PartRecord& rec) const
    {
        return m_state.partsComplete ? filterItem(rec, true, &rec.special)
                                     : acceptPartRecord(rec, 3, m_state.startPosition);
    }
    bool filterPartX(const PartRecord& rec) const
    {
        return m_state.partsXComplete ? filterItemX(rec) : filterPartX1(rec);
    }
    // Accessory dependencies (always true for a pump).
    bool dependencies(const ConditionRecord& rec) const;
    // One code against a pump or sibling condition.
    bool codeAgainst(const QString& code, const Condition& cond) const;

private:
    bool specialOk(const QString* special) const;

    const SeriesData& m_data;
    const FilterState& m_state;
};

// The main parts that can pass the incremental parts filter for the state
// (positions 3..startPosition-1, the last one when CheckLastPosition asks,
// and the special test), found through the series' index. A superset for
// nothing: every record it holds passes those tests.
RecordIndex::Bits fittingParts(const SeriesData& data, const FilterState& state);

// Calls f(index) for every set bit, in record order.
template <typename F>
void forEachRecord(const RecordIndex::Bits& bits, F&& f)
{
    for (std::size_t w = 0; w < bits.size(); ++w)
        for (std::uint64_t m = bits[w]; m; m &= m - 1)
            f(int(w * 64 + std::size_t(std::countr_zero(m))));
}

// The part-type matches of one series: what the parts allow per position
// and group, and how good the best fitting part is. Kept between
// recomputations; positions before the changed one keep their values.
struct PartTypeMatch {
    int pno = 0;
    QString name;
    bool required = false;
    QString requiredText;
    std::array<std::array<CodeMask, kGroupCount>, kMaxPositions + 1> allowed{};
    std::array<std::array<CodeMask, kGroupCount>, kMaxPositions + 1> allowedX{};
    std::array<std::array<bool, kGroupCount>, kMaxPositions + 1> reached{};
    std::array<std::array<bool, kGroupCount>, kMaxPositions + 1> reachedX{};
    std::array<bool, kMaxPositions + 1> hasMatch{};
    std::array<bool, kMaxPositions + 1> hasMatchX{};
    std::array<int, kMaxPositions + 1> bestClass{};
    std::array<int, kMaxPositions + 1> bestClassX{};

    void clearPosition(int p);
};

using AllowedSets = std::array<std::array<CodeMask, kGroupCount>, kMaxPositions + 1>;

// The computation that turns the parts of a series into allowed characters,
// groups and classes per position. Main thread only.
class Resolver {
public:
    Resolver();

    // The part types of the series (PDBProdInfo, category 1).
    void loadPartTypes(const SeriesData& data, const QString& language);
    void clear();

    void initMatches(const SeriesData& data, const FilterState& state);
    void matchParts(const SeriesData& data, FilterState& state);
    void matchPartsX(const SeriesData& data, FilterState& state);
    void pruneGroups(const SeriesData& data, int p);
    void computeAllowedSets(const SeriesData& data, const FilterState& state);
    void computeClasses(const FilterState& state);
    void collectInfoTexts(const SeriesData& data, const FilterState& state, const QString& language);

    // Classes of drop-down entries at position p: per code character
    // ('?' for an entry without value) the class rank.
    struct LookAheadEntry {
        QChar code; // '?' for an entry without value
        int rank = 1;
    };
    void classLookAhead(const SeriesData& data, FilterState& state, int p, std::vector<LookAheadEntry>& entries);

    std::array<PartTypeMatch, kMaxPositions + 1>& types() { return *m_types; }
    const std::array<PartTypeMatch, kMaxPositions + 1>& types() const { return *m_types; }

    AllowedSets allowedSets{};
    std::array<GroupSet, kMaxPositions + 1> groupCodes{};
    std::array<int, kMaxPositions + 1> positionClass{};
    QString selectionClasses = QString(kMaxPositions, QLatin1Char('?'));
    QString totalClass;
    std::array<QString, kMaxPositions + 1> classLabels{};
    std::array<QStringList, kMaxPositions + 1> infoTexts{};

private:
    // Records that pass the accessory dependencies, cached per pump and
    // sibling codes because they do not depend on the code being configured.
    const RecordIndex::Bits& dependencyBits(const SeriesData& data, const FilterState& state);

    std::unique_ptr<std::array<PartTypeMatch, kMaxPositions + 1>> m_types;
    const SeriesData* m_depData = nullptr;
    QString m_depKey;
    RecordIndex::Bits m_depBits;
};

} // namespace kiro::pdb
