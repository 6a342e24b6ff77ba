#include "db/FilterExpression.h"

#include "db/DatabaseError.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kiro::db {

namespace {

enum class CompareOp : quint8 { Eq, Ne, Lt, Gt, Le, Ge };
enum class LiteralKind : quint8 { String, Number, Boolean, Null };

QString opText(CompareOp op)
{
    switch (op) {
    case CompareOp::Eq: return QStringLiteral("=");
    case CompareOp::Ne: return QStringLiteral("<>");
    case CompareOp::Lt: return QStringLiteral("<");
    case CompareOp::Gt: return QStringLiteral(">");
    case CompareOp::Le: return QStringLiteral("<=");
    case CompareOp::Ge: return QStringLiteral(">=");
    }
    return {};
}

[[noreturn]] void fail(const QString& text, const QString& problem)
{
    // One-pass arg(): a '%1' inside the expression text stays as it is.
    throw DatabaseError(QStringLiteral("Filter expression '%1' %2").arg(text, problem));
}

} // namespace

namespace detail {

enum class AstKind : quint8 { And, Or, Not, Compare, BoolField };

struct AstNode {
    AstKind kind = AstKind::Compare;
    CompareOp op = CompareOp::Eq;
    LiteralKind literalKind = LiteralKind::Null;
    bool boolean = false; // the value of a true/false literal
    QString field;
    QString literal; // string contents, or a number as written
    int first = 0;   // And/Or: children[first .. first + count); Not: children[first]
    int count = 0;
};

struct FilterAst {
    std::vector<AstNode> nodes;
    std::vector<int> children;
    int root = 0;
};

// The bound form: one node per AST node, literals already in the column's
// type, so that evaluating a row only reads values and compares.
enum class Test : quint8 {
    And,
    Or,
    Not,
    BoolField, // a boolean field as a condition; null is false
    Text,      // folded-case comparison; null text is ''
    Prefix,    // starts with, folded case
    Number,    // as double; null compares unequal
    Moment,    // date and time to the millisecond
    Day,       // calendar day only
    Boolean,   // null is false
    IsNull,    // Eq: is null, Ne: is not null
};

struct ProgramNode {
    Test test = Test::And;
    CompareOp op = CompareOp::Eq;
    bool boolean = false;
    bool negated = false; // a NOT folded into the test
    int column = -1;      // And/Or/Not: the one column the whole subtree tests, else -1
    int first = 0;
    int count = 0;
    double number = 0;
    qint64 key = 0; // Moment: julian day * ms per day + ms of the day; Day: julian day
    QString text;
};

struct FilterProgram {
    std::vector<ProgramNode> nodes;
    std::vector<int> children;
    int root = 0;
};

} // namespace detail

namespace {

using detail::AstKind;
using detail::AstNode;
using detail::FilterAst;
using detail::FilterProgram;
using detail::ProgramNode;
using detail::Test;

// ---------------------------------------------------------------- parsing

enum class TokenKind : quint8 {
    End,
    Name,
    String,
    Number,
    Op,
    LParen,
    RParen,
    And,
    Or,
    Not,
    True,
    False,
    Null
};

struct Token {
    TokenKind kind = TokenKind::End;
    CompareOp op = CompareOp::Eq;
    int pos = 0; // 0-based index into the text
    int length = 0;
    QString value; // name, string contents or number text
};

// Parentheses and NOTs nest the recursion; a hostile or generated text must
// get an error, not exhaust the stack.
constexpr int MaxNesting = 200;

class Parser {
public:
    explicit Parser(const QString& text)
        : m_text(text)
    {
        next();
    }

    FilterAst parse()
    {
        m_ast.root = parseOr();
        if (m_tok.kind == TokenKind::RParen)
            fail(m_text, QStringLiteral("has a ')' without its '(' at position %1").arg(m_tok.pos + 1));
        if (m_tok.kind != TokenKind::End)
            fail(m_text, QStringLiteral("has unexpected %1 at position %2")
                             .arg(describe(m_tok), QString::number(m_tok.pos + 1)));
        return std::move(m_ast);
    }

private:
    QString describe(const Token& t) const
    {
        if (t.kind == TokenKind::End)
            return QStringLiteral("end of text");
        const QString source = m_text.mid(t.pos, t.length);
        return t.kind == TokenKind::String ? source : QLatin1Char('\'') + source + QLatin1Char('\'');
    }

    [[noreturn]] void expected(const QString& what, const QString& after)
    {
        if (m_tok.kind == TokenKind::End)
            fail(m_text, QStringLiteral("is incomplete: %1 is missing after %2").arg(what, after));
        fail(m_text, QStringLiteral("expects %1 at position %2, found %3")
                         .arg(what, QString::number(m_tok.pos + 1), describe(m_tok)));
    }

    static bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }
    static bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

    void next()
    {
        const int n = int(m_text.size());
        int i = m_pos;
        while (i < n && m_text[i].isSpace())
            ++i;
        m_tok = Token{};
        m_tok.pos = i;
        if (i >= n) {
            m_pos = i;
            return;
        }
        const QChar c = m_text[i];
        auto single = [&](TokenKind kind, int length) {
            m_tok.kind = kind;
            m_tok.length = length;
            m_pos = i + length;
        };
        auto op = [&](CompareOp o, int length) {
            m_tok.op = o;
            single(TokenKind::Op, length);
        };
        const QChar c1 = i + 1 < n ? m_text[i + 1] : QChar();
        if (c == QLatin1Char('('))
            return single(TokenKind::LParen, 1);
        if (c == QLatin1Char(')'))
            return single(TokenKind::RParen, 1);
        if (c == QLatin1Char('='))
            return op(CompareOp::Eq, 1);
        if (c == QLatin1Char('<')) {
            if (c1 == QLatin1Char('>'))
                return op(CompareOp::Ne, 2);
            if (c1 == QLatin1Char('='))
                return op(CompareOp::Le, 2);
            return op(CompareOp::Lt, 1);
        }
        if (c == QLatin1Char('>')) {
            if (c1 == QLatin1Char('='))
                return op(CompareOp::Ge, 2);
            return op(CompareOp::Gt, 1);
        }
        if (c == QLatin1Char('\'')) {
            QString value;
            int j = i + 1;
            for (;;) {
                if (j >= n)
                    fail(m_text,
                         QStringLiteral("has a string starting at position %1 without its closing quote")
                             .arg(i + 1));
                if (m_text[j] == QLatin1Char('\'')) {
                    if (j + 1 < n && m_text[j + 1] == QLatin1Char('\'')) {
                        value += QLatin1Char('\'');
                        j += 2;
                        continue;
                    }
                    break;
                }
                value += m_text[j++];
            }
            m_tok.value = value;
            return single(TokenKind::String, j + 1 - i);
        }
        if (c == QLatin1Char('[')) {
            const int close = int(m_text.indexOf(QLatin1Char(']'), i + 1));
            if (close < 0)
                fail(m_text,
                     QStringLiteral("has a field name starting at position %1 without its closing ']'")
                         .arg(i + 1));
            m_tok.value = m_text.mid(i + 1, close - i - 1).trimmed();
            if (m_tok.value.isEmpty())
                fail(m_text, QStringLiteral("has an empty field name at position %1").arg(i + 1));
            return single(TokenKind::Name, close + 1 - i);
        }
        const bool sign = c == QLatin1Char('-') && (isDigit(c1) || c1 == QLatin1Char('.'));
        if (isDigit(c) || sign || (c == QLatin1Char('.') && isDigit(c1))) {
            int j = sign ? i + 1 : i;
            while (j < n && isDigit(m_text[j]))
                ++j;
            if (j < n && m_text[j] == QLatin1Char('.')) {
                ++j;
                while (j < n && isDigit(m_text[j]))
                    ++j;
            }
            if (j < n && isNameChar(m_text[j]))
                fail(m_text, QStringLiteral("has an invalid number at position %1").arg(i + 1));
            m_tok.value = m_text.mid(i, j - i);
            return single(TokenKind::Number, j - i);
        }
        if (isNameChar(c)) {
            int j = i;
            while (j < n && isNameChar(m_text[j]))
                ++j;
            m_tok.value = m_text.mid(i, j - i);
            static const struct {
                const char* word;
                TokenKind kind;
            } keywords[] = {{"AND", TokenKind::And},     {"OR", TokenKind::Or},
                            {"NOT", TokenKind::Not},     {"TRUE", TokenKind::True},
                            {"FALSE", TokenKind::False}, {"NULL", TokenKind::Null}};
            TokenKind kind = TokenKind::Name;
            for (const auto& k : keywords) {
                if (m_tok.value.compare(QLatin1String(k.word), Qt::CaseInsensitive) == 0)
                    kind = k.kind;
            }
            return single(kind, j - i);
        }
        fail(m_text, QStringLiteral("has an unexpected character '%1' at position %2")
                         .arg(QString(c), QString::number(i + 1)));
    }

    int add(AstNode node)
    {
        m_ast.nodes.push_back(std::move(node));
        return int(m_ast.nodes.size()) - 1;
    }

    int addList(AstKind kind, const std::vector<int>& items)
    {
        AstNode node;
        node.kind = kind;
        node.first = int(m_ast.children.size());
        node.count = int(items.size());
        m_ast.children.insert(m_ast.children.end(), items.begin(), items.end());
        return add(std::move(node));
    }

    int parseOr()
    {
        std::vector<int> items{parseAnd()};
        while (m_tok.kind == TokenKind::Or) {
            next();
            items.push_back(parseAnd(QStringLiteral("'OR'")));
        }
        return items.size() == 1 ? items.front() : addList(AstKind::Or, items);
    }

    int parseAnd(const QString& after = {})
    {
        std::vector<int> items{parseNot(after)};
        while (m_tok.kind == TokenKind::And) {
            next();
            items.push_back(parseNot(QStringLiteral("'AND'")));
        }
        return items.size() == 1 ? items.front() : addList(AstKind::And, items);
    }

    int parseNot(const QString& after)
    {
        if (m_tok.kind != TokenKind::Not)
            return parsePrimary(after);
        enter();
        next();
        const int operand = parseNot(QStringLiteral("'NOT'"));
        --m_depth;
        return addList(AstKind::Not, {operand});
    }

    void enter()
    {
        if (++m_depth > MaxNesting)
            fail(m_text, QStringLiteral("is nested too deeply at position %1").arg(m_tok.pos + 1));
    }

    int parsePrimary(const QString& after)
    {
        if (m_tok.kind == TokenKind::LParen) {
            const int open = m_tok.pos;
            enter();
            next();
            if (m_tok.kind == TokenKind::RParen)
                fail(m_text, QStringLiteral("has empty parentheses at position %1").arg(open + 1));
            const int inner = parseOr();
            if (m_tok.kind == TokenKind::End)
                fail(m_text,
                     QStringLiteral("is incomplete: the '(' at position %1 is not closed").arg(open + 1));
            if (m_tok.kind != TokenKind::RParen)
                expected(QStringLiteral("')' or AND/OR"), {});
            --m_depth;
            next();
            return inner;
        }
        if (m_tok.kind == TokenKind::End) {
            fail(m_text, after.isEmpty()
                             ? QStringLiteral("is incomplete: a condition is missing")
                             : QStringLiteral("is incomplete: a condition is missing after %1").arg(after));
        }
        if (m_tok.kind != TokenKind::Name)
            expected(QStringLiteral("a field name"), after);
        AstNode node;
        node.kind = AstKind::BoolField;
        node.field = m_tok.value;
        next();
        if (m_tok.kind != TokenKind::Op)
            return add(std::move(node));
        node.kind = AstKind::Compare;
        node.op = m_tok.op;
        const QString opWord = describe(m_tok);
        next();
        switch (m_tok.kind) {
        case TokenKind::String:
            node.literalKind = LiteralKind::String;
            node.literal = m_tok.value;
            break;
        case TokenKind::Number:
            node.literalKind = LiteralKind::Number;
            node.literal = m_tok.value;
            break;
        case TokenKind::True:
        case TokenKind::False:
            node.literalKind = LiteralKind::Boolean;
            node.boolean = m_tok.kind == TokenKind::True;
            break;
        case TokenKind::Null: node.literalKind = LiteralKind::Null; break;
        default: expected(QStringLiteral("a value"), opWord);
        }
        next();
        return add(std::move(node));
    }

    const QString& m_text;
    int m_pos = 0;
    int m_depth = 0;
    Token m_tok;
    FilterAst m_ast;
};

// ---------------------------------------------------------------- binding

bool isText(FieldType t)
{
    return t == FieldType::Text || t == FieldType::Memo;
}

class Binder {
public:
    Binder(const QString& text, const QList<FilterColumn>& columns)
        : m_text(text)
        , m_columns(columns)
    {
    }

    ProgramNode bindNode(const AstNode& a)
    {
        ProgramNode p;
        p.first = a.first;
        p.count = a.count;
        switch (a.kind) {
        case AstKind::And: return p;
        case AstKind::Or: p.test = Test::Or; return p;
        case AstKind::Not: p.test = Test::Not; return p;
        case AstKind::BoolField:
        case AstKind::Compare: break;
        }
        p.column = resolve(a.field);
        const FilterColumn& col = m_columns[p.column];
        if (a.kind == AstKind::BoolField) {
            if (col.type != FieldType::Boolean)
                problem(QStringLiteral(
                            "uses the %1 field '%2' as a condition; only a boolean field can stand alone")
                            .arg(fieldTypeName(col.type), col.name));
            p.test = Test::BoolField;
            return p;
        }
        p.op = a.op;
        const bool equality = a.op == CompareOp::Eq || a.op == CompareOp::Ne;
        const bool blank = a.literalKind == LiteralKind::Null ||
                           (a.literalKind == LiteralKind::String && a.literal.isEmpty());

        if (isText(col.type)) {
            if (a.literalKind == LiteralKind::Boolean)
                mismatch(a, col);
            if (a.literalKind == LiteralKind::Null && !equality)
                onlyEquality(a, col);
            p.test = Test::Text;
            p.text = a.literal; // NULL has an empty literal: null text is ''
            if (a.literalKind == LiteralKind::String && equality && p.text.endsWith(QLatin1Char('*'))) {
                p.test = Test::Prefix;
                p.text.chop(1);
            }
            return p;
        }
        if (blank && col.type != FieldType::Boolean) {
            if (!equality)
                onlyEquality(a, col);
            p.test = Test::IsNull;
            return p;
        }
        switch (col.type) {
        case FieldType::Integer:
        case FieldType::Short:
        case FieldType::Float: {
            if (a.literalKind == LiteralKind::Boolean)
                mismatch(a, col);
            bool ok = false;
            p.number = a.literal.trimmed().toDouble(&ok);
            if (!ok || !std::isfinite(p.number)) // 'nan' would compare equal to everything
                problem(QStringLiteral("compares the %1 field '%2' with '%3', which is not a number")
                            .arg(fieldTypeName(col.type), col.name, a.literal));
            p.test = Test::Number;
            return p;
        }
        case FieldType::Boolean: {
            if (blank) {
                if (!equality)
                    onlyEquality(a, col);
                p.test = Test::IsNull;
                return p;
            }
            if (!equality)
                onlyEquality(a, col);
            if (a.literalKind == LiteralKind::Boolean) {
                p.boolean = a.boolean;
            } else if (a.literalKind == LiteralKind::String &&
                       a.literal.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
                p.boolean = true;
            } else if (a.literalKind == LiteralKind::String &&
                       a.literal.trimmed().compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
                p.boolean = false;
            } else {
                problem(QStringLiteral("compares the boolean field '%1' with %2; use true or false")
                            .arg(col.name, literalText(a)));
            }
            p.test = Test::Boolean;
            return p;
        }
        case FieldType::DateTime: {
            if (a.literalKind != LiteralKind::String)
                mismatch(a, col);
            bindDate(a, col, p);
            return p;
        }
        case FieldType::Binary:
        case FieldType::Bytes:
        case FieldType::Text:
        case FieldType::Memo: break;
        }
        problem(QStringLiteral("compares the %1 field '%2' with a value; it can only be tested for NULL")
                    .arg(fieldTypeName(col.type), col.name));
    }

private:
    int resolve(const QString& name) const
    {
        for (int i = 0; i < m_columns.size(); ++i) {
            if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        fail(m_text, QStringLiteral("names the unknown field '%1'").arg(name));
    }

    void bindDate(const AstNode& a, const FilterColumn& col, ProgramNode& p) const
    {
        const QString s = a.literal.trimmed();
        const QDate date = QDate::fromString(s.left(10), QStringLiteral("yyyy-MM-dd"));
        if (date.isValid() && s.size() == 10) {
            p.test = Test::Day;
            p.key = date.toJulianDay();
            return;
        }
        QTime time;
        if (date.isValid() && s.size() > 11 && (s[10] == QLatin1Char(' ') || s[10] == QLatin1Char('T'))) {
            const QString t = s.mid(11);
            time = QTime::fromString(t, t.size() == 5 ? QStringLiteral("hh:mm") : QStringLiteral("hh:mm:ss"));
        }
        if (!time.isValid())
            problem(QStringLiteral("compares the date-time field '%1' with '%2', which is not a date "
                                   "written as yyyy-MM-dd or yyyy-MM-dd hh:mm:ss")
                        .arg(col.name, a.literal));
        p.test = Test::Moment;
        p.key = date.toJulianDay() * qint64(86400000) + time.msecsSinceStartOfDay();
    }

    QString literalText(const AstNode& a) const
    {
        switch (a.literalKind) {
        case LiteralKind::String: return QLatin1Char('\'') + a.literal + QLatin1Char('\'');
        case LiteralKind::Number: return a.literal;
        case LiteralKind::Boolean: return a.boolean ? QStringLiteral("true") : QStringLiteral("false");
        case LiteralKind::Null: return QStringLiteral("NULL");
        }
        return {};
    }

    [[noreturn]] void problem(const QString& what) const { fail(m_text, what); }

    [[noreturn]] void mismatch(const AstNode& a, const FilterColumn& col) const
    {
        problem(QStringLiteral("compares the %1 field '%2' with %3")
                    .arg(fieldTypeName(col.type), col.name, literalText(a)));
    }

    [[noreturn]] void onlyEquality(const AstNode& a, const FilterColumn& col) const
    {
        problem(QStringLiteral("compares the %1 field '%2' with %3 by '%4'; only = and <> are possible there")
                    .arg(fieldTypeName(col.type), col.name, literalText(a), opText(a.op)));
    }

    const QString& m_text;
    const QList<FilterColumn>& m_columns;
};

// ---------------------------------------------------------------- evaluation

bool holds(int cmp, CompareOp op)
{
    switch (op) {
    case CompareOp::Eq: return cmp == 0;
    case CompareOp::Ne: return cmp != 0;
    case CompareOp::Lt: return cmp < 0;
    case CompareOp::Gt: return cmp > 0;
    case CompareOp::Le: return cmp <= 0;
    case CompareOp::Ge: return cmp >= 0;
    }
    return false;
}

// A null number or date equals nothing; <> stays the negation of =.
bool nullHolds(CompareOp op)
{
    return op == CompareOp::Ne;
}

template <typename T>
int compare3(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// The values are read in place where the row gives the documented type, so
// that the common case neither converts nor copies.
template <typename T>
const T* peek(const QVariant& v, QMetaType::Type type)
{
    return v.typeId() == type ? static_cast<const T*>(v.constData()) : nullptr;
}

bool isNull(const QVariant& v)
{
    if (v.isNull())
        return true;
    if (const QDateTime* dt = peek<QDateTime>(v, QMetaType::QDateTime))
        return !dt->isValid();
    return false;
}

bool truth(const QVariant& v)
{
    if (const bool* b = peek<bool>(v, QMetaType::Bool))
        return *b;
    return v.isValid() && v.toBool();
}

// A comparison or a boolean field, against the value of its column.
bool test(const ProgramNode& n, const QVariant& v)
{
    switch (n.test) {
    case Test::BoolField: return truth(v);
    case Test::Boolean: return (truth(v) == n.boolean) == (n.op == CompareOp::Eq);
    case Test::IsNull: return isNull(v) == (n.op == CompareOp::Eq);
    case Test::Text:
    case Test::Prefix: {
        QString converted; // stays empty, without allocating, for null
        const QString* s = peek<QString>(v, QMetaType::QString);
        if (!s) {
            if (v.isValid())
                converted = v.toString();
            s = &converted;
        }
        if (n.test == Test::Prefix)
            return s->startsWith(n.text, Qt::CaseInsensitive) == (n.op == CompareOp::Eq);
        return holds(QString::compare(*s, n.text, Qt::CaseInsensitive), n.op);
    }
    case Test::Number: {
        double d;
        if (const int* i = peek<int>(v, QMetaType::Int)) {
            d = *i;
        } else if (const double* x = peek<double>(v, QMetaType::Double)) {
            d = *x;
        } else {
            bool ok = false;
            d = v.isValid() ? v.toDouble(&ok) : 0;
            if (!ok)
                return nullHolds(n.op);
        }
        return holds(compare3(d, n.number), n.op);
    }
    case Test::Moment:
    case Test::Day: {
        const bool day = n.test == Test::Day;
        QDate date;
        QTime time(0, 0);
        if (const QDateTime* dt = peek<QDateTime>(v, QMetaType::QDateTime)) {
            date = dt->date();
            if (!day)
                time = dt->time();
        } else if (const QDate* d = peek<QDate>(v, QMetaType::QDate)) {
            date = *d;
        } else if (v.isValid()) {
            const QDateTime dt = v.toDateTime();
            date = dt.date();
            time = dt.time();
        }
        if (!date.isValid())
            return nullHolds(n.op);
        const qint64 key =
            day ? date.toJulianDay() : date.toJulianDay() * qint64(86400000) + time.msecsSinceStartOfDay();
        return holds(compare3(key, n.key), n.op);
    }
    default: break;
    }
    return false;
}

// value is the row's value of n.column when an enclosing node has read it.
bool evaluate(const FilterProgram& prog, int index, const FilterRow& row, const QVariant* value)
{
    const ProgramNode& n = prog.nodes[size_t(index)];
    switch (n.test) {
    case Test::And:
    case Test::Or:
    case Test::Not: break;
    default: return (value ? test(n, *value) : test(n, row.value(n.column))) != n.negated;
    }
    if (!value && n.column >= 0) {
        const QVariant v = row.value(n.column);
        return evaluate(prog, index, row, &v);
    }
    if (n.test == Test::Not)
        return !evaluate(prog, prog.children[size_t(n.first)], row, value);
    const bool any = n.test == Test::Or; // And stops at the first false, Or at the first true
    for (int i = n.first; i < n.first + n.count; ++i) {
        if (evaluate(prog, prog.children[size_t(i)], row, value) == any)
            return any;
    }
    return !any;
}

} // namespace

FilterExpression::FilterExpression() = default;

FilterExpression FilterExpression::parse(const QString& text)
{
    FilterExpression e;
    e.m_text = text;
    if (!e.isEmpty())
        e.m_ast = std::make_shared<const FilterAst>(Parser(text).parse());
    return e;
}

QString FilterExpression::quoted(const QString& value)
{
    QString out = value;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

void FilterExpression::bind(const QList<FilterColumn>& columns)
{
    if (!m_ast)
        return;
    auto prog = std::make_shared<FilterProgram>();
    Binder binder(m_text, columns);
    prog->nodes.reserve(m_ast->nodes.size());
    prog->children = m_ast->children;
    for (const AstNode& a : m_ast->nodes) {
        ProgramNode p = binder.bindNode(a);
        if (p.test == Test::Not) {
            const ProgramNode& operand = prog->nodes[size_t(prog->children[size_t(p.first)])];
            if (operand.test != Test::And && operand.test != Test::Or && operand.test != Test::Not) {
                // "NOT External" is a test, not a node of its own: one call less per row.
                p = operand;
                p.negated = !p.negated;
            }
        }
        // A subtree that tests one field only (a range, a field and its
        // negation) reads the value once. Children precede their parent.
        if (p.test == Test::And || p.test == Test::Or || p.test == Test::Not) {
            p.column = prog->nodes[size_t(prog->children[size_t(p.first)])].column;
            for (int i = p.first + 1; i < p.first + p.count && p.column >= 0; ++i) {
                if (prog->nodes[size_t(prog->children[size_t(i)])].column != p.column)
                    p.column = -1;
            }
        }
        prog->nodes.push_back(std::move(p));
    }
    prog->root = m_ast->root;
    m_program = std::move(prog);
}

bool FilterExpression::matches(const FilterRow& row) const
{
    if (!m_ast)
        return true;
    if (!m_program)
        fail(m_text, QStringLiteral("is used before its fields are bound"));
    return evaluate(*m_program, m_program->root, row, nullptr);
}

bool FilterExpression::isEmpty() const
{
    return std::all_of(m_text.begin(), m_text.end(), [](QChar c) { return c.isSpace(); });
}

const QString& FilterExpression::text() const
{
    return m_text;
}

} // namespace kiro::db
