#include "pdb/Resolver.h"

#include <algorithm>

namespace kiro::pdb {

namespace {

QChar charAt(const QString& code, int p)
{
    return p >= 1 && p <= code.size() ? code.at(p - 1) : QChar(u'?');
}

template <typename F>
void forEachGroup(const GroupSet& g, F&& f)
{
    for (std::uint64_t m = g.lo; m; m &= m - 1)
        f(std::countr_zero(m));
    for (std::uint64_t m = g.hi; m; m &= m - 1)
        f(64 + std::countr_zero(m));
}

template <typename F>
void forEachBit(const RecordIndex::Bits& bits, F&& f)
{
    for (std::size_t w = 0; w < bits.size(); ++w)
        for (std::uint64_t m = bits[w]; m; m &= m - 1)
            f(int(w * 64 + std::size_t(std::countr_zero(m))));
}

void andInto(RecordIndex::Bits& target, const RecordIndex::Bits& other)
{
    for (std::size_t w = 0; w < target.size(); ++w)
        target[w] &= other[w];
}

// The main parts that fit the positions 3..start-1 of the code, as the
// incremental parts filter yields them (groups by `useGroups`).
RecordIndex::Bits prefilterParts(const SeriesData& data, const FilterState& state)
{
    const RecordIndex& index = data.partIndex;
    RecordIndex::Bits bits = index.all();
    for (int p = 3; p < std::min(state.startPosition, kMaxPositions + 1); ++p) {
        if (p > state.code.size())
            continue;
        const QChar c = state.code.at(p - 1);
        if (c == QLatin1Char('?'))
            continue;
        andInto(bits, index.charBits(p, c));
        if (state.useGroups && data.positions[p].multiGroup && state.currentGroup[p] != -1)
            andInto(bits, index.groupBits(p, state.currentGroup[p]));
    }
    if (state.checkLastPosition && state.startPosition == state.positionCount
        && state.code.size() >= state.positionCount && state.positionCount <= kMaxPositions) {
        const int p = state.positionCount;
        const QChar c = state.code.at(p - 1);
        if (c != QLatin1Char('?')) {
            andInto(bits, index.charBits(p, c));
            if (state.useGroups && data.positions[p].multiGroup && state.currentGroup[p] != -1)
                andInto(bits, index.groupBits(p, state.currentGroup[p]));
        }
    }
    if (!state.special)
        for (std::size_t i = 0; i < data.parts.size(); ++i)
            if (!data.parts[i].special.isEmpty())
                bits[i / 64] &= ~(std::uint64_t(1) << (i % 64));
    return bits;
}

} // namespace

RecordIndex::Bits fittingParts(const SeriesData& data, const FilterState& state)
{
    return prefilterParts(data, state);
}

// --- RecordFilter --------------------------------------------------------------

bool RecordFilter::positionTest(const CompiledField& f, QChar c, int p, bool useGroups) const
{
    if (!f.hasCondition)
        return true;
    if (!maskHas(f.allowed, c))
        return false;
    if (useGroups && multiGroup(p)) {
        const GroupSet& g = m_data.groups(f);
        const int cg = m_state.currentGroup[p];
        return g.has(0) || cg == -1 || g.has(cg);
    }
    return true;
}

bool RecordFilter::specialOk(const QString* special) const
{
    return m_state.special || !special || special->isEmpty();
}

bool RecordFilter::acceptPartRecord(const PartRecord& rec, int from, int to) const
{
    // A part without conditions still has to pass the special test, or a
    // special part would be offered merely for having no conditions.
    if (!rec.cond.empty) {
        const QString& code = m_state.code;
        for (int p = std::max(from, 1); p < to && p <= kMaxPositions; ++p) {
            if (code.size() < p)
                continue;
            const QChar c = code.at(p - 1);
            if (c != QLatin1Char('?') && !positionTest(rec.cond.fields[p], c, p))
                return false;
        }
        if (m_state.checkLastPosition && to == m_state.positionCount && to <= kMaxPositions && code.size() >= to) {
            const QChar c = code.at(to - 1);
            if (c != QLatin1Char('?') && !positionTest(rec.cond.fields[to], c, to))
                return false;
        }
    }
    return specialOk(&rec.special);
}

bool RecordFilter::filterItem(const ConditionRecord& rec, bool strict, const QString* special) const
{
    if (!rec.cond.empty) {
        for (int p = 3; p <= m_state.positionCount && p <= kMaxPositions; ++p) {
            const QChar c = charAt(m_state.code, p);
            const CompiledField& f = rec.cond.fields[p];
            if (c == QLatin1Char('?') && strict) {
                if (f.hasCondition)
                    return false;
            } else if (!positionTest(f, c, p)) {
                return false;
            }
        }
    }
    // The special and dependency tests apply to records without own code
    // conditions as well: an accessory price bound only to the pump code
    // must not fit every pump.
    if (!specialOk(special))
        return false;
    return dependencies(rec);
}

bool RecordFilter::filterItemX(const ConditionRecord& rec) const
{
    if (!rec.cond.empty) {
        for (int p = 3; p <= m_state.positionCount && p <= kMaxPositions; ++p) {
            if (m_state.code.size() < p)
                return false;
            const QChar c = m_state.code.at(p - 1);
            const CompiledField& f = rec.cond.fields[p];
            if (c == QLatin1Char('?')) {
                if (f.hasCondition)
                    return false;
            } else if (!positionTest(f, c, p)) {
                return false;
            }
        }
    }
    return dependencies(rec);
}

bool RecordFilter::filterPartX1(const PartRecord& rec) const
{
    if (rec.cond.empty)
        return specialOk(&rec.special);
    bool found = false;
    for (int p = kMaxPositions; p >= 3; --p) {
        const CompiledField& f = rec.cond.fields[p];
        if (!found) {
            found = f.hasCondition;
            continue; // the part's own position is what it provides, not a test
        }
        if (m_state.code.size() < p)
            return false;
        const QChar c = m_state.code.at(p - 1);
        if (c == QLatin1Char('?')) {
            if (f.hasCondition)
                return false;
        } else if (!positionTest(f, c, p)) {
            return false;
        }
    }
    return found && specialOk(&rec.special);
}

bool RecordFilter::codeAgainst(const QString& code, const Condition& cond) const
{
    if (cond.empty)
        return true;
    for (int p = 1; p <= code.size() && p <= kMaxPositions; ++p) {
        const QChar c = code.at(p - 1);
        const CompiledField& f = cond.fields[p];
        if (c == QLatin1Char('?')) {
            if (f.hasCondition)
                return false;
        } else if (!positionTest(f, c, p, false)) {
            return false;
        }
    }
    return true;
}

bool RecordFilter::dependencies(const ConditionRecord& rec) const
{
    if (!m_state.isAcc)
        return true;
    if (m_state.isPumpDependent) {
        if (m_state.pumpCode.isEmpty() || !codeAgainst(m_state.pumpCode, rec.pumpCond))
            return false;
    }
    if (m_state.isAccDependent) {
        if (m_state.accDepCodes.isEmpty())
            return false;
        bool any = false;
        for (const QString& code : m_state.accDepCodes)
            if (codeAgainst(code, rec.accCond)) {
                any = true;
                break;
            }
        if (!any)
            return false;
    }
    return true;
}

// --- PartTypeMatch -------------------------------------------------------------

void PartTypeMatch::clearPosition(int p)
{
    allowed[p].fill(0);
    allowedX[p].fill(0);
    reached[p].fill(false);
    reachedX[p].fill(false);
    hasMatch[p] = false;
    hasMatchX[p] = false;
}

// --- Resolver ------------------------------------------------------------------

Resolver::Resolver()
    : m_types(std::make_unique<std::array<PartTypeMatch, kMaxPositions + 1>>())
{}

void Resolver::clear()
{
    for (PartTypeMatch& t : *m_types)
        t = PartTypeMatch{};
    for (auto& sets : allowedSets)
        sets.fill(0);
    groupCodes.fill(GroupSet{});
    positionClass.fill(0);
    selectionClasses = QString(kMaxPositions, QLatin1Char('?'));
    totalClass.clear();
    classLabels.fill(QString());
    for (auto& l : infoTexts)
        l.clear();
}

void Resolver::loadPartTypes(const SeriesData& data, const QString& language)
{
    for (PartTypeMatch& t : *m_types)
        t = PartTypeMatch{};
    for (const ProdInfoRecord& rec : data.prodInfo) {
        if (rec.pno < 1 || rec.pno > kMaxPositions || rec.category != 1)
            continue;
        PartTypeMatch& t = (*m_types)[rec.pno];
        t.pno = rec.pno;
        t.name = data.langProdInfo.translate(rec.name, language, true);
        t.requiredText = rec.required;
        t.required = rec.required.startsWith(QLatin1Char('X'), Qt::CaseInsensitive)
            || rec.required.startsWith(QLatin1Char('Y'), Qt::CaseInsensitive);
    }
}

void Resolver::initMatches(const SeriesData& data, const FilterState& state)
{
    auto& types = *m_types;
    for (int p = 1; p <= 2; ++p) {
        for (PartTypeMatch& t : types) {
            t.reached[p].fill(true);
            t.reachedX[p].fill(true);
            t.hasMatch[p] = true;
            t.hasMatchX[p] = true;
            t.allowed[p].fill(kAllCodes);
            t.allowedX[p].fill(kAllCodes);
        }
        allowedSets[p].fill(kAllCodes);
        groupCodes[p] = GroupSet{};
        groupCodes[p].add(data.positions[p].singleGroup);
        if (groupCodes[p].empty())
            groupCodes[p].add(1);
        positionClass[p] = 1;
    }
    for (int p = std::max(state.startPosition, 1); p <= kMaxPositions; ++p) {
        for (PartTypeMatch& t : types)
            t.clearPosition(p);
        allowedSets[p].fill(0);
        const PositionGroups& pg = data.positions[p];
        if (pg.multiGroup) {
            groupCodes[p] = GroupSet{};
        } else {
            if (pg.singleGroup >= 0 && pg.singleGroup < kGroupCount) {
                groupCodes[p] = GroupSet{};
                groupCodes[p].add(pg.singleGroup);
            }
            if (groupCodes[p].empty())
                groupCodes[p].add(1);
        }
        positionClass[p] = 0;
    }
    for (PartTypeMatch& t : types) {
        t.bestClass.fill(0);
        t.bestClassX.fill(0);
    }
}

const RecordIndex::Bits& Resolver::dependencyBits(const SeriesData& data, const FilterState& state)
{
    const QString key = QStringLiteral("%1|%2|%3|%4")
                            .arg(state.pumpCode, state.accDepCodes.join(QLatin1Char(',')))
                            .arg(int(state.isPumpDependent))
                            .arg(int(state.isAccDependent));
    if (m_depData == &data && m_depKey == key && int(m_depBits.size()) == data.partIndex.words())
        return m_depBits;
    m_depData = &data;
    m_depKey = key;
    m_depBits.assign(std::size_t(data.partIndex.words()), 0);
    RecordFilter filter(data, state);
    for (std::size_t i = 0; i < data.parts.size(); ++i)
        if (filter.dependencies(data.parts[i]))
            m_depBits[i / 64] |= std::uint64_t(1) << (i % 64);
    return m_depBits;
}

void Resolver::matchParts(const SeriesData& data, FilterState& state)
{
    const FilterState saved = state;
    state.useGroups = true;
    state.partsComplete = false;
    auto& types = *m_types;
    RecordFilter filter(data, state);
    RecordIndex::Bits bits = prefilterParts(data, state);
    if (state.isAcc)
        andInto(bits, dependencyBits(data, state));
    const int pc = std::min(state.positionCount, kMaxPositions);
    const int start = std::max(state.startPosition, 2);
    const QString& code = state.code;
    forEachBit(bits, [&](int i) {
        const PartRecord& rec = data.parts[std::size_t(i)];
        const int t = rec.partType;
        if (t < 1 || t > kMaxPositions)
            return;
        PartTypeMatch& tm = types[std::size_t(t)];
        const int r = rec.rank;
        bool accepted = true;
        for (int p = start; accepted && p <= pc; ++p) {
            if (!state.isAcc && p == 3) {
                // Position 3 of a pump is never restricted by parts.
                tm.reached[3][0] = true;
                tm.allowed[3][0] = kAllCodes;
                if (data.positions[3].multiGroup)
                    groupCodes[3].add(0);
            } else if (p == state.startPosition) {
                const CompiledField& f = data.field(rec.cond, p);
                forEachGroup(data.groups(f), [&](int g) {
                    if (g < kGroupCount) {
                        tm.reached[p][g] = true;
                        if (f.hasCondition)
                            tm.allowed[p][g] |= f.allowed;
                    }
                    if (data.positions[p].multiGroup)
                        groupCodes[p].add(g);
                });
            }
            const QChar c = charAt(code, p);
            accepted = code.size() < p || c == QLatin1Char('?') || filter.positionTest(data.field(rec.cond, p), c, p);
            if (!accepted)
                break;
            if (tm.bestClass[p] == 0 || r < tm.bestClass[p]) {
                tm.hasMatch[p] = true;
                tm.bestClass[p] = r;
            }
            if (p < pc) {
                const int q = p + 1;
                const CompiledField& f = data.field(rec.cond, q);
                forEachGroup(data.groups(f), [&](int g) {
                    if (g < kGroupCount) {
                        tm.reached[q][g] = true;
                        if (f.hasCondition)
                            tm.allowed[q][g] |= f.allowed;
                    }
                    if (data.positions[q].multiGroup)
                        groupCodes[q].add(g);
                });
            }
        }
    });
    state = saved;
}

void Resolver::matchPartsX(const SeriesData& data, FilterState& state)
{
    const FilterState saved = state;
    state.useGroups = true;
    state.partsXComplete = false;
    auto& types = *m_types;
    RecordFilter filter(data, state);
    for (const PartRecord& rec : data.partsX) {
        const int t = rec.partType;
        if (t < 1 || t > kMaxPositions || !filter.filterPartX(rec) || !filter.dependencies(rec))
            continue;
        const int p = rec.cond.ownPosition;
        if (p < 3)
            continue;
        PartTypeMatch& tm = types[std::size_t(t)];
        const CompiledField& f = rec.cond.fields[p];
        const QChar c = charAt(state.code, p);
        if (c != QLatin1Char('?') && filter.positionTest(f, c, p)) {
            if (tm.bestClassX[p] == 0 || rec.rank < tm.bestClassX[p]) {
                tm.hasMatchX[p] = true;
                tm.bestClassX[p] = rec.rank;
            }
        }
        forEachGroup(data.groups(f), [&](int g) {
            if (g < kGroupCount) {
                tm.reachedX[p][g] = true;
                tm.allowedX[p][g] |= f.allowed;
            }
            if (data.positions[p].multiGroup)
                groupCodes[p].add(g);
        });
    }
    state = saved;
}

void Resolver::pruneGroups(const SeriesData& data, int p)
{
    auto& types = *m_types;
    auto prune = [&](int g) {
        bool missing = false;
        for (const PartTypeMatch& t : types)
            if (t.pno != 0 && t.required && !t.reached[p][0] && !t.reached[p][g]) {
                missing = true;
                break;
            }
        if (!missing)
            return;
        for (PartTypeMatch& t : types)
            if (t.pno != 0 && t.required) {
                t.reached[p][g] = false;
                t.allowed[p][g] = 0;
            }
    };
    if (data.positions[p].multiGroup)
        for (int g = 1; g < kGroupCount; ++g)
            prune(g);
    else
        prune(1);
}

void Resolver::computeAllowedSets(const SeriesData& data, const FilterState& state)
{
    auto& types = *m_types;
    for (int p = std::max(state.startPosition, 1); p <= kMaxPositions; ++p) {
        auto& sets = allowedSets[p];
        if (p > state.positionCount) {
            sets.fill(0);
            continue;
        }
        pruneGroups(data, p);
        for (int g = 0; g < kGroupCount; ++g) {
            bool allReached = true;
            bool restricting = false;
            for (const PartTypeMatch& t : types) {
                if (t.pno == 0 || !t.required)
                    continue;
                bool reached = false;
                if (t.reached[p][0] || t.reached[p][g]) {
                    reached = true;
                    if (t.allowed[p][g] != 0) {
                        restricting = true;
                        // An empty running set counts as not yet set.
                        sets[g] = sets[g] == 0 ? t.allowed[p][g] : (sets[g] & t.allowed[p][g]);
                    }
                }
                if (t.reachedX[p][g]) {
                    reached = true;
                    if (t.allowedX[p][g] != 0) {
                        restricting = true;
                        sets[g] |= t.allowedX[p][g];
                    } else if (sets[g] == 0) {
                        restricting = true;
                        sets[g] = kAllCodes;
                    }
                }
                allReached = allReached && reached;
            }
            if (allReached && !restricting)
                sets[0] = kAllCodes; // the position is free
        }
        if (data.positions[p].multiGroup && sets[0] != 0)
            for (int g = 1; g < kGroupCount; ++g)
                if (sets[g] != 0) {
                    sets[0] = 0;
                    break;
                }
    }
}

void Resolver::computeClasses(const FilterState& state)
{
    auto& types = *m_types;
    std::array<int, kMaxPositions + 1> extraClass{};
    for (int p = 1; p <= kMaxPositions; ++p) {
        extraClass[p] = 1;
        for (const PartTypeMatch& t : types)
            if (t.pno != 0 && t.required)
                extraClass[p] = std::max(extraClass[p], t.bestClassX[p]);
    }
    for (int p = std::max(state.startPosition, 1); p <= kMaxPositions; ++p) {
        positionClass[p] = 1;
        for (const PartTypeMatch& t : types)
            if (t.pno != 0 && t.required)
                positionClass[p] = std::max(positionClass[p], t.hasMatch[p] ? t.bestClass[p] : extraClass[p]);
    }
    int running = 1;
    for (int p = 1; p <= kMaxPositions; ++p) {
        if (p < 3 || p > state.positionCount) {
            selectionClasses[p - 1] = QLatin1Char('A');
            continue;
        }
        running = std::max(running, positionClass[p]);
        positionClass[p] = std::max(positionClass[p], running);
        selectionClasses[p - 1] = classLetter(positionClass[p]);
    }
    int labelMax = 1;
    classLabels.fill(QString());
    for (int p = 3; p <= std::min(state.positionCount, kMaxPositions); ++p) {
        const int r = classRank(QString(selectionClasses.at(p - 1)));
        labelMax = std::max(labelMax, r);
        classLabels[p] = QLatin1Char(' ') + classLetter(labelMax);
    }
    totalClass = QString(classLetter(labelMax));
}

void Resolver::collectInfoTexts(const SeriesData& data, const FilterState& state, const QString& language)
{
    for (auto& l : infoTexts)
        l.clear();
    RecordFilter filter(data, state);
    for (const TextRecord& rec : data.infos) {
        if (!filter.filterItem(rec, true, nullptr))
            continue;
        const int p = rec.cond.ownPosition >= 3 ? rec.cond.ownPosition : 2;
        infoTexts[p] << data.langInfo.translate(rec.name, language, true);
    }
}

void Resolver::classLookAhead(const SeriesData& data, FilterState& state, int position,
    std::vector<LookAheadEntry>& entries)
{
    const auto& types = *m_types;
    const int p = std::max(position, 3);
    if (p > kMaxPositions)
        return;
    RecordFilter filter(data, state);
    // Per character index (34: an entry without value) and required type the
    // best rank of a fitting main part; 6 until one with a better class fits.
    constexpr int kNoValue = kAlphabetSize;
    std::array<std::array<int, kMaxPositions + 1>, kAlphabetSize + 1> best;
    for (auto& b : best)
        b.fill(6);
    RecordIndex::Bits bits = prefilterParts(data, state);
    if (state.isAcc)
        andInto(bits, dependencyBits(data, state));
    forEachBit(bits, [&](int i) {
        const PartRecord& rec = data.parts[std::size_t(i)];
        const int t = rec.partType;
        if (rec.cond.empty || t < 1 || t > kMaxPositions || rec.rank <= 0 || !types[std::size_t(t)].required
            || types[std::size_t(t)].pno == 0)
            return;
        const CompiledField& f = rec.cond.fields[p];
        CodeMask accepts = kAllCodes;
        if (f.hasCondition) {
            accepts = f.allowed;
            if (state.useGroups && data.positions[p].multiGroup) {
                const GroupSet& g = data.groups(f);
                const int cg = state.currentGroup[p];
                if (!(g.has(0) || cg == -1 || g.has(cg)))
                    accepts = 0;
            }
        }
        for (CodeMask m = accepts; m; m &= m - 1) {
            int& b = best[std::size_t(std::countr_zero(m))][std::size_t(t)];
            b = std::min(b, rec.rank);
        }
        int& b = best[kNoValue][std::size_t(t)];
        b = std::min(b, rec.rank);
    });
    struct Extra {
        int type;
        int rank;
        CodeMask allowed;
    };
    std::vector<Extra> extras;
    for (const PartRecord& rec : data.partsX) {
        const int t = rec.partType;
        if (rec.cond.empty || t < 1 || t > kMaxPositions || rec.rank <= 0 || !types[std::size_t(t)].required
            || types[std::size_t(t)].pno == 0)
            continue;
        if (rec.cond.ownPosition != p || !filter.filterPartX(rec) || !filter.dependencies(rec))
            continue;
        extras.push_back({t, rec.rank, rec.cond.fields[p].allowed});
    }
    const int previous = p > 3 ? positionClass[p - 1] : 0;
    for (LookAheadEntry& e : entries) {
        const int ci = e.code == QLatin1Char('?') ? kNoValue : codeIndex(e.code);
        int cls = 1;
        bool missing = false;
        for (const PartTypeMatch& t : types) {
            if (t.pno == 0 || !t.required)
                continue;
            const int b = ci < 0 ? 6 : best[std::size_t(ci)][std::size_t(t.pno)];
            if (b < 6)
                cls = std::max(cls, b);
            else
                missing = true;
        }
        if (missing) {
            int extraRank = 6;
            for (const Extra& x : extras) {
                if (extraRank <= 1)
                    break;
                const bool fits = x.allowed == kAllCodes || (ci >= 0 && ci < kNoValue && ((x.allowed >> ci) & 1));
                if (fits)
                    extraRank = std::min(extraRank, x.rank);
            }
            cls = std::max(cls, extraRank);
        }
        cls = std::max(cls, previous);
        e.rank = cls;
    }
}

} // namespace kiro::pdb
