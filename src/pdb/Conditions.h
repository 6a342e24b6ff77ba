#pragma once

#include <QChar>
#include <QString>

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace kiro::pdb {

// --- the code alphabet -------------------------------------------------------
// Digits and capital letters without I and O; an article code holds these,
// "?" for an undetermined position and, on input, "#" for an invalid one.
inline constexpr char kCodeAlphabet[] = "0123456789ABCDEFGHJKLMNPQRSTUVWXYZ";
inline constexpr int kAlphabetSize = 34;
inline constexpr int kMaxPositions = 16;
inline constexpr int kGroupCount = 100;     // selection groups 0..99
inline constexpr int kGroupSetLimit = 104;  // group sets hold 0..103

// Index of a code character in the alphabet; -1 for anything else.
int codeIndex(QChar c);
inline bool isCodeChar(QChar c) { return codeIndex(c) >= 0; }
inline QChar codeChar(int index) { return QChar::fromLatin1(kCodeAlphabet[index]); }

// A set of code characters, one bit per alphabet index. Characters outside
// the alphabet can never be chosen, so they are not kept.
using CodeMask = std::uint64_t;
inline constexpr CodeMask kAllCodes = (CodeMask(1) << kAlphabetSize) - 1;
inline CodeMask codeBit(QChar c)
{
    const int i = codeIndex(c);
    return i < 0 ? 0 : CodeMask(1) << i;
}
inline bool maskHas(CodeMask m, QChar c) { return (m & codeBit(c)) != 0; }
QString maskToString(CodeMask m);
CodeMask maskFromString(const QString& chars);
// The stored form: 32 bytes, bit (c mod 8) of byte (c div 8) for character c.
std::array<std::uint8_t, 32> maskToCharBytes(CodeMask m);
CodeMask maskFromCharBytes(const std::uint8_t* bytes, int size);

// A set of group numbers 0..103.
struct GroupSet {
    std::uint64_t lo = 0;
    std::uint64_t hi = 0;

    bool has(int g) const
    {
        if (g < 0 || g >= kGroupSetLimit)
            return false;
        return g < 64 ? (lo >> g) & 1 : (hi >> (g - 64)) & 1;
    }
    void add(int g)
    {
        if (g < 0 || g >= kGroupSetLimit)
            return;
        if (g < 64)
            lo |= std::uint64_t(1) << g;
        else
            hi |= std::uint64_t(1) << (g - 64);
    }
    void remove(int g)
    {
        if (g < 0 || g >= kGroupSetLimit)
            return;
        if (g < 64)
            lo &= ~(std::uint64_t(1) << g);
        else
            hi &= ~(std::uint64_t(1) << (g - 64));
    }
    bool empty() const { return lo == 0 && hi == 0; }
    int count() const { return std::popcount(lo) + std::popcount(hi); }
    bool isOnly(int g) const { return count() == 1 && has(g); }
    // Smallest member in [from, to]; -1 when none.
    int smallest(int from = 0, int to = kGroupSetLimit - 1) const;
    std::vector<int> members() const;
    GroupSet& operator|=(const GroupSet& o)
    {
        lo |= o.lo;
        hi |= o.hi;
        return *this;
    }
    bool operator==(const GroupSet&) const = default;
    // The stored form: 13 bytes, bit (g mod 8) of byte (g div 8).
    std::array<std::uint8_t, 13> toBytes() const;
    static GroupSet fromBytes(const std::uint8_t* bytes, int size);
};

// --- classes -----------------------------------------------------------------
// "A".."F" rank 1..6 (lower is better); anything else ranks 0, no class.
int classRank(const QString& letter);
// The letter of a rank; 0 or above 6 shows as "X".
QChar classLetter(int rank);

// --- condition fields --------------------------------------------------------

// One field of a condition as written, before the position it is read at is
// known: the characters it accepts and the groups it names.
struct RawField {
    QString allowedText;  // after the ":" (or the whole field); "*" expanded later
    GroupSet groups;      // the numbers of the group part, 0..103 kept
    bool badGroupItem = false; // an item of the group list was not a number
    QString badItem;
};
RawField parseRawField(const QString& field);

// How a position reads its fields: whether its values span several
// selection groups and, when not, its only group.
struct PositionGroups {
    bool multiGroup = false;
    int singleGroup = 1;
};

// A field as the filters use it at one position: the accepted characters
// (empty: no condition) and the group set after the position's defaults.
struct CodeField {
    CodeMask allowed = 0;
    GroupSet groups;
    bool hasCondition = false; // Allowed not empty (may still hold no code character)
};

// Reads one field of a condition for a position. zeroMultiple: the series
// is one of the ZeroMultiple series, so a multi-character field does not
// offer "0".
CodeField readCodeField(const RawField& raw, const PositionGroups& position, bool zeroMultiple);

// The field number `position` (1-based) of a condition text; empty when it
// has fewer fields.
QString conditionFieldText(const QString& condition, int position);

// A condition compiled for a series: fields 1..16 by position. Group sets
// are shared through a pool because a large series repeats few of them.
class GroupPool {
public:
    GroupPool() { m_sets.push_back(GroupSet{}); }
    std::uint16_t intern(const GroupSet& set);
    const GroupSet& at(std::uint16_t id) const { return m_sets[id]; }
    void clear()
    {
        m_sets.assign(1, GroupSet{});
    }

private:
    std::vector<GroupSet> m_sets;
};

struct CompiledField {
    CodeMask allowed = 0;
    std::uint16_t groups = 0;  // id in the series' group pool
    bool hasCondition = false;
};

struct Condition {
    bool empty = true; // null or empty text: no condition at all
    std::array<CompiledField, kMaxPositions + 1> fields{}; // [1..16]
    // Highest position 16..3 whose field has a condition; 0 when none.
    int ownPosition = 0;
    // A data error of the text (a group item that is not a number).
    QString error;
};

struct ConditionCompiler {
    std::array<PositionGroups, kMaxPositions + 1> positions{};
    bool zeroMultiple = false;
    GroupPool* pool = nullptr;

    Condition compile(const QString& text) const;
};

} // namespace kiro::pdb
