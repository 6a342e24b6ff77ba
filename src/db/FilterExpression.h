#pragma once

#include "db/FieldType.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

namespace kiro::db {

namespace detail {
struct FilterAst;
struct FilterProgram;
} // namespace detail

struct FilterColumn {
    QString name;
    FieldType type;
};

// A row as the filter sees it: value(column) by the column index given to
// bind(). Null is an invalid QVariant; Text/Memo give QString, Integer/Short
// int, Float double, Boolean bool, DateTime QDateTime, Binary/Bytes QByteArray.
class FilterRow {
public:
    virtual ~FilterRow() = default;
    virtual QVariant value(int column) const = 0;
};

// A dataset's filter text, parsed once and evaluated per row.
//
// The language: comparisons `= <> < > <= >=` of a field with a literal;
// AND, OR, NOT in any letter case (NOT binds tighter than AND, AND tighter
// than OR); parentheses; a boolean field standing alone as a condition
// (`(Latest)`, `NOT External`). Fields are named as they stand or in
// brackets (`[Field Name]`), matched without regard to case. Literals are
// quoted strings with doubled quotes inside ('O''Brien'), numbers (`2`,
// `-1.5`), true/false and NULL in any case.
//
// Semantics, decided for the way these filters are used:
// - Text compares without regard to letter case, for every operator. The
//   filters compare user names, customer IDs, series codes and keywords
//   that people type and the program itself looks up case-insensitively
//   elsewhere (locating a series or a unit); a different letter case is a
//   typing accident there, never a different thing. Ordering uses the same
//   folded comparison, so that `=` and `<=`/`>=` agree.
// - A string literal ending in `*` is a prefix match with `=`
//   (`Keyword='1*'`) and its negation with `<>`; with the other operators
//   the `*` is an ordinary character.
// - A literal is converted to the field's type once, in bind(): '2' against
//   a number field is the number 2, 'True'/'False' against a boolean field
//   is the boolean, text against a date-time field is a date in ISO form
//   (`yyyy-MM-dd`, optionally ` hh:mm[:ss]`). A literal that does not
//   convert is a bind() error, not a silent mismatch.
// - A date without a time compares by calendar day: `QuotValidDate <=
//   '2024-01-31'` includes the whole of that day, which is what an
//   inclusive date range on a date-time field means to its user. A date
//   with a time compares to the millisecond. Both compare the wall-clock
//   date and time of the field value, as it is shown.
// - Null: a null text is the empty text (`Name = ''` and `Name = NULL` hold
//   for it, `Name <> 'x'` too). A null boolean is false, so `(Latest)`,
//   `NOT External` and `User = false` treat an unset flag as not set. A null
//   number or date equals nothing: `=` and the ordering operators are false
//   and `<>` is true; `Field = NULL` (or `= ''`) asks for null itself. `<>`
//   is always the exact negation of `=`.
//
// Errors are DatabaseError: parse() names the text and the position or the
// missing piece, bind() names the text and the field. Nothing asserts.
//
// Value type: copies share the parsed tree and the bound program, both
// immutable, so a bound expression can be evaluated from several threads.
// matches() does not allocate.
class FilterExpression {
public:
    FilterExpression(); // empty: matches every row
    static FilterExpression parse(const QString& text);

    // value as a string literal, quotes doubled, for building filter texts
    // from names and IDs. A trailing '*' stays a prefix match with '='.
    static QString quoted(const QString& value);

    // Resolves field names to column indices and converts the literals to
    // the columns' types. May be called again for other columns; on error
    // the previous binding stays.
    void bind(const QList<FilterColumn>& columns);

    bool matches(const FilterRow& row) const; // an unbound non-empty expression throws
    bool isEmpty() const;
    const QString& text() const;

private:
    QString m_text;
    std::shared_ptr<const detail::FilterAst> m_ast;         // null when empty
    std::shared_ptr<const detail::FilterProgram> m_program; // null until bound
};

} // namespace kiro::db
