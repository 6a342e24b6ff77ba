#include "pdb/SeriesData.h"

#include "app/core/Messages.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Query.h"

#include <QDir>

namespace kiro::pdb {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

// Reads the rows of one table by column name regardless of letter case; a
// column the table lacks reads as empty.
class RowReader {
public:
    RowReader(db::Connection& connection, const QString& table, const QString& orderColumns)
        : m_query(connection)
    {
        // Table order is the order of the primary key, as a table is walked
        // without an index; a table without one is walked by its sort columns.
        const db::TableDef def = connection.tableDef(table);
        QStringList order;
        for (const QString& k : def.primaryKey)
            order << connection.quote(k);
        if (order.isEmpty())
            for (const QString& c : orderColumns.split(QLatin1Char(';'), Qt::SkipEmptyParts))
                if (const db::FieldDef* f = def.field(c))
                    order << connection.quote(f->name);
        order << s("rowid");
        m_query.setSql(s("SELECT * FROM %1 ORDER BY %2").arg(connection.quote(table), order.join(s(", "))));
        m_query.open();
        const QStringList names = m_query.fieldNames();
        for (int i = 0; i < names.size(); ++i)
            m_index.insert(names[i].toUpper(), i);
    }

    bool atEnd() const { return m_query.eof(); }
    void next() { m_query.next(); }
    bool has(const char* column) const { return m_index.contains(s(column)); }
    QStringList columns() const { return m_query.fieldNames(); }

    QString text(const char* column) { return text(s(column)); }
    QString text(const QString& column)
    {
        const auto it = m_index.constFind(column.toUpper());
        if (it == m_index.constEnd())
            return QString();
        db::Field f = m_query.field(*it);
        return f.isNull() ? QString() : f.asString();
    }
    int integer(const char* column, int fallback = 0)
    {
        bool ok = false;
        const int v = text(column).trimmed().toInt(&ok);
        return ok ? v : fallback;
    }
    bool boolean(const char* column)
    {
        const QString v = text(column).trimmed();
        return v.compare(s("true"), Qt::CaseInsensitive) == 0 || v == s("1");
    }

private:
    mutable db::Query m_query;
    QHash<QString, int> m_index;
};

void readConditions(RowReader& r, ConditionRecord& rec)
{
    rec.proCentr = r.text("PROCENTR");
    rec.series = r.text("PUMPSERIE");
    rec.sortOrder = r.text("SORTORDER");
    rec.codes = r.text("CODES");
    rec.pumpCodes = r.text("PUMPCODES");
    rec.acceCodes = r.text("ACCECODES");
}

// Records of another series in a shared table never apply.
bool ofSeries(const QString& recordSeries, const QString& series)
{
    return recordSeries.trimmed().isEmpty() || recordSeries.trimmed().compare(series, Qt::CaseInsensitive) == 0;
}

Translations readTranslations(db::Connection& connection, const QString& table)
{
    Translations t;
    if (table.isEmpty() || !connection.tableExists(table))
        return t;
    RowReader r(connection, table, QString());
    QStringList languages;
    for (const QString& c : r.columns()) {
        const QString u = c.toUpper();
        if (u != s("KEYWORD") && u != s("PRODSERIE") && u != s("PROCENTR") && u != s("PUMPSERIE")
            && u != s("DBVER"))
            languages << u;
    }
    for (; !r.atEnd(); r.next()) {
        const QString keyword = r.text("KEYWORD");
        for (const QString& language : languages)
            t.insert(keyword, language, r.text(language));
    }
    return t;
}

} // namespace

// --- Translations --------------------------------------------------------------

void Translations::insert(const QString& keyword, const QString& language, const QString& text)
{
    const QString lang = language.toUpper();
    if (!m_languages.contains(lang))
        m_languages << lang;
    auto& texts = m_texts[keyword];
    if (!texts.contains(lang)) // the first row of a keyword wins, as a lookup finds it
        texts.insert(lang, text);
}

QString Translations::text(const QString& keyword, const QString& language) const
{
    const auto it = m_texts.constFind(keyword);
    if (it == m_texts.constEnd())
        return QString();
    return it->value(language.toUpper());
}

QString Translations::translate(const QString& keyword, const QString& language, bool keywordFallback) const
{
    QString t = text(keyword, language);
    if (t.isEmpty())
        t = text(keyword, s("UK"));
    if (t.isEmpty() && keywordFallback)
        t = keyword;
    return t;
}

// --- RecordIndex ---------------------------------------------------------------

void RecordIndex::build(const std::vector<const Condition*>& conditions, const GroupPool& pool)
{
    m_conditions = conditions;
    m_pool = &pool;
    m_size = int(conditions.size());
    m_group.clear();
    const int w = words();
    for (int p = 1; p <= kMaxPositions; ++p)
        for (auto& bits : m_char[p])
            bits.assign(std::size_t(w), 0);
    for (int i = 0; i < m_size; ++i) {
        const Condition& c = *conditions[std::size_t(i)];
        const std::uint64_t bit = std::uint64_t(1) << (i % 64);
        for (int p = 1; p <= kMaxPositions; ++p) {
            const CompiledField& f = c.fields[p];
            if (c.empty || !f.hasCondition) {
                for (auto& bits : m_char[p])
                    bits[std::size_t(i / 64)] |= bit;
                continue;
            }
            for (CodeMask m = f.allowed; m; m &= m - 1)
                m_char[p][std::size_t(std::countr_zero(m))][std::size_t(i / 64)] |= bit;
        }
    }
}

const RecordIndex::Bits& RecordIndex::charBits(int position, QChar c) const
{
    const int i = codeIndex(c);
    return m_char[position][std::size_t(i < 0 ? kAlphabetSize : i)];
}

const RecordIndex::Bits& RecordIndex::groupBits(int position, int group) const
{
    const int key = position * 1000 + group;
    auto it = m_group.find(key);
    if (it != m_group.end())
        return *it;
    Bits bits(std::size_t(words()), 0);
    for (int i = 0; i < m_size; ++i) {
        const Condition& c = *m_conditions[std::size_t(i)];
        const CompiledField& f = c.fields[position];
        const GroupSet& g = m_pool->at(f.groups);
        if (c.empty || !f.hasCondition || g.has(0) || g.has(group))
            bits[std::size_t(i / 64)] |= std::uint64_t(1) << (i % 64);
    }
    return *m_group.insert(key, std::move(bits));
}

RecordIndex::Bits RecordIndex::all() const
{
    Bits bits(std::size_t(words()), ~std::uint64_t(0));
    if (m_size % 64)
        bits.back() = (std::uint64_t(1) << (m_size % 64)) - 1;
    return bits;
}

// --- SeriesData ----------------------------------------------------------------

void SeriesData::compile(bool zeroMultipleSeries)
{
    zeroMultiple = zeroMultipleSeries;
    pool.clear();
    dataErrors.clear();
    for (int p = 0; p <= kMaxPositions; ++p) {
        positionGroups[p] = GroupSet{};
        positions[p] = PositionGroups{};
    }
    for (const SelectionRecord& sel : selections)
        if (sel.codePos >= 1 && sel.codePos <= kMaxPositions)
            positionGroups[sel.codePos].add(sel.selGroup);
    for (int p = 1; p <= kMaxPositions; ++p) {
        const int n = positionGroups[p].count();
        positions[p].multiGroup = n > 1;
        positions[p].singleGroup = n == 1 ? positionGroups[p].smallest() : 1;
    }
    ConditionCompiler compiler{positions, zeroMultiple, &pool};
    for (int p = 1; p <= kMaxPositions; ++p) {
        const CodeField f = readCodeField(RawField{}, positions[p], zeroMultiple);
        emptyFields[p] = CompiledField{f.allowed, pool.intern(f.groups), f.hasCondition};
    }
    auto compileAll = [&](auto& records, const char* table) {
        for (auto& rec : records) {
            rec.cond = compiler.compile(rec.codes);
            rec.pumpCond = compiler.compile(rec.pumpCodes);
            rec.accCond = compiler.compile(rec.acceCodes);
            for (const Condition* c : {&rec.cond, &rec.pumpCond, &rec.accCond})
                if (!c->error.isEmpty())
                    dataErrors << s("%1 %2: %3").arg(s(table), rec.sortOrder, c->error);
        }
    };
    compileAll(parts, "PDBParts");
    compileAll(partsX, "PDBPartsX");
    compileAll(prices, "PDBPrices");
    compileAll(pricesX, "PDBPricesX");
    compileAll(docs, "PDBDocs");
    compileAll(docsX, "PDBDocsX");
    compileAll(comments, "PDBComm");
    compileAll(commentsX, "PDBCommX");
    compileAll(notes, "PDBNote");
    compileAll(notesX, "PDBNoteX");
    compileAll(infos, "PDBInfo");
    std::vector<const Condition*> conds;
    conds.reserve(parts.size());
    for (const PartRecord& p : parts)
        conds.push_back(&p.cond);
    partIndex.build(conds, pool);
}

// --- SeriesReader ----------------------------------------------------------------

SeriesReader::SeriesReader(db::Connection& connection)
    : m_connection(connection)
{}

QString SeriesReader::resolveTable(const QString& named, const QString& defaultName)
{
    if (!named.trimmed().isEmpty() && m_connection.tableExists(named.trimmed()))
        return named.trimmed();
    if (m_connection.tableExists(defaultName))
        return defaultName;
    MsgOK(s("1011"), {QDir(m_connection.directory()).filePath(defaultName)});
    return QString();
}

std::vector<SeriesInfo> SeriesReader::readSeriesTable()
{
    std::vector<SeriesInfo> out;
    if (!m_connection.tableExists(s("PDBMain")))
        return out;
    RowReader r(m_connection, s("PDBMain"), QString());
    for (; !r.atEnd(); r.next()) {
        SeriesInfo i;
        i.proCentr = r.text("PROCENTR");
        i.series = r.text("PUMPSERIE").trimmed().toUpper();
        i.importOrder = r.integer("IMPORTORDER");
        i.selection1 = r.integer("SELECTION1");
        i.selection2 = r.integer("SELECTION2");
        i.pumpText = r.text("PUMPTEXT");
        i.pumpTextLang = r.text("PUMPTEXT_LANG");
        i.isAcc = r.boolean("ISACC");
        i.accValidFor = r.text("ACCVALIDFOR");
        i.isPumpDependent = r.boolean("ISPUMPDEPENDENT");
        i.isAccDependent = r.boolean("ISACCDEPENDENT");
        i.pumpNamePos = r.integer("PUMPNAMEPOS");
        i.dbSel = r.text("DBSEL");
        i.dbSelLang = r.text("DBSELLANG");
        i.dbParts = r.text("DBPARTS");
        i.dbPartsX = r.text("DBPARTSX");
        i.dbDocs = r.text("DBDOCS");
        i.dbDocsX = r.text("DBDOCSX");
        i.dbPrice = r.text("DBPRICE");
        i.dbPriceX = r.text("DBPRICEX");
        i.dbComm = r.text("DBCOMM");
        i.dbCommX = r.text("DBCOMMX");
        i.dbNotes = r.text("DBNOTES");
        i.dbNotesX = r.text("DBNOTESX");
        i.dbInfo = r.text("DBINFO");
        out.push_back(i);
    }
    return out;
}

QHash<QString, QString> SeriesReader::readSeriesKeywords()
{
    QHash<QString, QString> out;
    if (!m_connection.tableExists(s("LangPDBMain")))
        return out;
    RowReader r(m_connection, s("LangPDBMain"), QString());
    if (!r.has("PRODSERIE"))
        return out;
    for (; !r.atEnd(); r.next()) {
        const QString series = r.text("PRODSERIE").trimmed().toUpper();
        if (!series.isEmpty() && !out.contains(series))
            out.insert(series, r.text("KEYWORD"));
    }
    return out;
}

std::shared_ptr<SeriesData> SeriesReader::readSeries(const SeriesInfo& info, const QString& language, bool zeroMultiple)
{
    (void)language;
    auto data = std::make_shared<SeriesData>();
    data->info = info;
    const QString series = info.series;

    struct Names {
        QString* target;
        QString named;
        const char* defaultName;
    };
    QString prodInfo, header, sel, selLang, parts, partsX, price, priceX, docs, docsX, comm, commX, notes,
        notesX, infoT;
    const Names names[] = {
        {&prodInfo, QString(), "PDBProdInfo"},     {&header, QString(), "PDBHeader"},
        {&sel, info.dbSel, "PDBSelection"},       {&selLang, info.dbSelLang, "LangPDBSelection"},
        {&parts, info.dbParts, "PDBParts"},       {&partsX, info.dbPartsX, "PDBPartsX"},
        {&price, info.dbPrice, "PDBPrices"},      {&priceX, info.dbPriceX, "PDBPricesX"},
        {&docs, info.dbDocs, "PDBDocs"},          {&docsX, info.dbDocsX, "PDBDocsX"},
        {&comm, info.dbComm, "PDBComm"},          {&commX, info.dbCommX, "PDBCommX"},
        {&notes, info.dbNotes, "PDBNote"},        {&notesX, info.dbNotesX, "PDBNoteX"},
        {&infoT, info.dbInfo, "PDBInfo"},
    };
    for (const Names& n : names) {
        *n.target = resolveTable(n.named, s(n.defaultName));
        if (n.target->isEmpty())
            return nullptr;
    }

    {
        RowReader r(m_connection, prodInfo, s("PNO"));
        for (; !r.atEnd(); r.next()) {
            if (!ofSeries(r.text("PUMPSERIE"), series) || r.text("PUMPSERIE").trimmed().isEmpty())
                continue;
            ProdInfoRecord rec;
            rec.pno = r.integer("PNO");
            rec.category = r.integer("CATEGORY");
            rec.name = r.text("PNONAME");
            rec.required = r.text("REQUIRED");
            data->prodInfo.push_back(rec);
        }
    }
    {
        RowReader r(m_connection, header, s("CODEPOS;SELGROUP"));
        for (; !r.atEnd(); r.next()) {
            if (r.text("PUMPSERIE").trimmed().compare(series, Qt::CaseInsensitive) != 0)
                continue;
            HeaderRecord rec;
            rec.codePos = r.integer("CODEPOS");
            rec.selGroup = r.integer("SELGROUP");
            rec.singleSel = r.text("SINGLESEL").trimmed().toUpper();
            rec.keyword = r.text("SECTHEADER");
            data->headers.push_back(rec);
        }
    }
    {
        RowReader r(m_connection, sel, s("CODEPOS;IMPORTORDER"));
        for (; !r.atEnd(); r.next()) {
            if (!ofSeries(r.text("PUMPSERIE"), series))
                continue;
            SelectionRecord rec;
            rec.importOrder = r.integer("IMPORTORDER");
            rec.codePos = r.integer("CODEPOS");
            rec.selGroup = r.integer("SELGROUP");
            if (rec.selGroup < 0)
                rec.selGroup = 1;
            rec.code = r.text("CODE");
            rec.keyword = r.text("SELTEXT");
            rec.mulSelVal = r.text("MULSELVAL");
            if (rec.mulSelVal.isEmpty())
                rec.mulSelVal = s("0");
            rec.forcedMulSelVal = r.integer("FORCEDMULSELVAL");
            data->selections.push_back(rec);
        }
    }
    auto readParts = [&](const QString& table, std::vector<PartRecord>& out) {
        RowReader r(m_connection, table, s("SORTORDER"));
        for (; !r.atEnd(); r.next()) {
            if (!ofSeries(r.text("PUMPSERIE"), series))
                continue;
            PartRecord rec;
            readConditions(r, rec);
            rec.partType = r.integer("PARTTYPE");
            rec.name = r.text("NAME");
            rec.description = r.text("DESCRIPTION");
            rec.cls = r.text("CLASS").trimmed();
            rec.rank = classRank(rec.cls);
            rec.special = r.text("SPECIAL");
            out.push_back(std::move(rec));
        }
    };
    readParts(parts, data->parts);
    readParts(partsX, data->partsX);
    auto readPrices = [&](const QString& table, std::vector<PriceRecord>& out) {
        RowReader r(m_connection, table, s("SORTORDER"));
        for (; !r.atEnd(); r.next()) {
            if (!ofSeries(r.text("PUMPSERIE"), series))
                continue;
            PriceRecord rec;
            readConditions(r, rec);
            rec.partType = r.integer("PARTTYPE");
            rec.description = r.text("DESCRIPTION");
            rec.currency = r.text("CURRENCY");
            rec.amount = r.text("AMOUNT");
            rec.discount = r.text("DISCOUNT");
            rec.percent = r.text("PERCENT");
            rec.percentName = r.text("PERCENTNAME");
            out.push_back(std::move(rec));
        }
    };
    readPrices(price, data->prices);
    readPrices(priceX, data->pricesX);
    auto readDocs = [&](const QString& table, std::vector<DocRecord>& out) {
        RowReader r(m_connection, table, s("SORTORDER"));
        for (; !r.atEnd(); r.next()) {
            if (!ofSeries(r.text("PUMPSERIE"), series))
                continue;
            DocRecord rec;
            readConditions(r, rec);
            rec.fromParts = r.boolean("FROMPARTS");
            rec.partName = r.text("PARTNAME");
            rec.name = r.text("NAME");
            rec.descr = r.text("DESCR");
            out.push_back(std::move(rec));
        }
    };
    readDocs(docs, data->docs);
    readDocs(docsX, data->docsX);
    auto readTexts = [&](const QString& table, std::vector<TextRecord>& out) {
        RowReader r(m_connection, table, s("SORTORDER"));
        for (; !r.atEnd(); r.next()) {
            if (!ofSeries(r.text("PUMPSERIE"), series))
                continue;
            TextRecord rec;
            readConditions(r, rec);
            rec.name = r.text("NAME");
            out.push_back(std::move(rec));
        }
    };
    readTexts(comm, data->comments);
    readTexts(commX, data->commentsX);
    readTexts(notes, data->notes);
    readTexts(notesX, data->notesX);
    readTexts(infoT, data->infos);

    data->langProdInfo = readTranslations(m_connection, s("LangPDBProdInfo"));
    data->langHeader = readTranslations(m_connection, s("LangPDBHeader"));
    data->langSelection = readTranslations(m_connection, selLang);
    data->langParts = readTranslations(m_connection, s("LangPDBParts"));
    data->langPrices = readTranslations(m_connection, s("LangPDBPrices"));
    data->langDocs = readTranslations(m_connection, s("LangPDBDocs"));
    data->langComments = readTranslations(m_connection, s("LangPDBComments"));
    data->langNotes = readTranslations(m_connection, s("LangPDBNotes"));
    data->langInfo = readTranslations(m_connection, s("LangPDBInfo"));

    data->compile(zeroMultiple);
    return data;
}

Translations SeriesReader::readLanguageTable(const QString& table)
{
    return readTranslations(m_connection, table);
}

std::optional<DefaultRecord> SeriesReader::readDefault(const QString& table, const QString& series)
{
    if (series.size() < 2 || !m_connection.tableExists(table))
        return std::nullopt;
    RowReader r(m_connection, table, QString());
    for (; !r.atEnd(); r.next()) {
        if (r.text("CODE01") != series.mid(0, 1) || r.text("CODE02") != series.mid(1, 1))
            continue;
        DefaultRecord rec;
        for (int n = 1; n <= kMaxPositions; ++n) {
            const QByteArray two = QByteArray::number(n).rightJustified(2, '0');
            rec.code[n] = r.text(("CODE" + two).constData());
            rec.group[n] = r.integer(("GROUP" + two).constData(), -1);
            rec.lock[n] = r.boolean(("LOCK" + two).constData());
        }
        return rec;
    }
    return std::nullopt;
}

void SeriesReader::writeUserDefault(const QString& series, const DefaultRecord& record, bool deleteExisting)
{
    const QString table = s("PDBUserDefault");
    db::Transaction transaction(m_connection);
    if (deleteExisting) {
        db::Query del(m_connection,
            s("DELETE FROM %1 WHERE CODE01 = :a AND CODE02 = :b").arg(m_connection.quote(table)));
        del.bindValue(s("a"), series.mid(0, 1));
        del.bindValue(s("b"), series.mid(1, 1));
        del.execSql();
    }
    QStringList columns;
    QStringList params;
    QVariantList values;
    for (int n = 1; n <= kMaxPositions; ++n) {
        const QString two = QString::number(n).rightJustified(2, QLatin1Char('0'));
        columns << s("CODE") + two << s("GROUP") + two << s("LOCK") + two;
        values << record.code[n] << record.group[n] << record.lock[n];
    }
    for (int i = 0; i < columns.size(); ++i)
        params << s("?");
    db::Query ins(m_connection,
        s("INSERT INTO %1 (%2) VALUES (%3)").arg(m_connection.quote(table), columns.join(s(", ")), params.join(s(", "))));
    for (int i = 0; i < values.size(); ++i)
        ins.bindValue(i, values[i]);
    ins.execSql();
    transaction.commit();
}

QString SeriesReader::versionText()
{
    try {
        if (!m_connection.tableExists(s("PDBMain")))
            return s("?.?");
        RowReader r(m_connection, s("PDBMain"), QString());
        if (!r.has("PDBVER") || r.atEnd())
            return s("?.?");
        return r.text("PDBVER");
    } catch (const db::DatabaseError&) {
        return s("?.?");
    }
}

QString SeriesReader::dbVersionText()
{
    try {
        const auto v = m_connection.declaredDefault(s("PDBMain"), s("DBVer"));
        return v ? *v : s("?.?");
    } catch (const db::DatabaseError&) {
        return s("?.?");
    }
}

} // namespace kiro::pdb
