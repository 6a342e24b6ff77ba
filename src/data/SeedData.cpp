#include "data/SeedData.h"

#include "data/Csv.h"
#include "data/Schema.h"
#include "db/Connection.h"
#include "db/DatabaseError.h"
#include "db/Dataset.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <stdexcept>

namespace kiro {

QList<ShippedDatabase> shippedDatabases()
{
    return {
        {QStringLiteral("System"), schema::databaseTables(schema::DatabaseKind::System)},
        {QStringLiteral("Language"), schema::databaseTables(schema::DatabaseKind::Language)},
        {QStringLiteral("Address"), schema::databaseTables(schema::DatabaseKind::Address)},
        {QStringLiteral("Projects"), schema::databaseTables(schema::DatabaseKind::Projects)},
        {QStringLiteral("External"), schema::databaseTables(schema::DatabaseKind::External)},
        {QStringLiteral("Spares"), schema::databaseTables(schema::DatabaseKind::Spares)},
    };
}

namespace {

QVariant convertCell(const QString& cell, const db::FieldDef& field)
{
    if (cell.isEmpty())
        return {};
    bool ok = true;
    QVariant value;
    switch (field.type) {
    case db::FieldType::Text:
    case db::FieldType::Memo:
        value = cell;
        break;
    case db::FieldType::Integer:
    case db::FieldType::Short:
        value = cell.trimmed().toInt(&ok);
        break;
    case db::FieldType::Float:
        value = cell.trimmed().toDouble(&ok);
        break;
    case db::FieldType::Boolean: {
        const QString b = cell.trimmed().toLower();
        ok = b == QLatin1String("1") || b == QLatin1String("0") || b == QLatin1String("true")
             || b == QLatin1String("false");
        value = b == QLatin1String("1") || b == QLatin1String("true");
        break;
    }
    case db::FieldType::DateTime: {
        QDateTime dt = QDateTime::fromString(cell.trimmed(), Qt::ISODate);
        if (!dt.isValid())
            dt = QDateTime(QDate::fromString(cell.trimmed(), Qt::ISODate), QTime(0, 0));
        ok = dt.isValid();
        value = dt;
        break;
    }
    case db::FieldType::Binary:
    case db::FieldType::Bytes: {
        QByteArray hex = cell.trimmed().toLatin1();
        if (hex.startsWith("0x"))
            hex.remove(0, 2);
        const QByteArray bytes = QByteArray::fromHex(hex);
        ok = bytes.size() * 2 == hex.size();
        value = bytes;
        break;
    }
    }
    if (!ok)
        throw std::runtime_error(QStringLiteral("'%1' is not a value of field %2 (%3)")
                                     .arg(cell, field.name, db::fieldTypeName(field.type))
                                     .toStdString());
    return value;
}

} // namespace

int loadCsvIntoTable(db::Connection& connection, const db::TableDef& table, const QString& csvPath)
{
    const QList<QStringList> rows = readCsvFile(csvPath);
    if (rows.isEmpty())
        return 0;
    const QStringList& header = rows.first();
    QList<const db::FieldDef*> fields;
    for (const QString& name : header) {
        const db::FieldDef* f = table.field(name.trimmed());
        if (!f)
            throw std::runtime_error(
                QStringLiteral("'%1': table %2 has no field '%3'").arg(csvPath, table.name, name).toStdString());
        fields.append(f);
    }

    db::Dataset dataset(connection, table.name);
    dataset.open();
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const QStringList& cells = rows.at(r);
        try {
            if (cells.size() > fields.size())
                throw std::runtime_error(QStringLiteral("%1 cells for %2 columns").arg(cells.size()).arg(fields.size()).toStdString());
            dataset.append();
            for (qsizetype c = 0; c < cells.size(); ++c)
                dataset.fieldByName(fields.at(c)->name).setValue(convertCell(cells.at(c), *fields.at(c)));
            dataset.post();
        } catch (const db::DatabaseError& e) {
            dataset.cancel();
            throw std::runtime_error(QStringLiteral("'%1', record %2: %3").arg(csvPath).arg(r).arg(e.message()).toStdString());
        } catch (const std::exception& e) {
            dataset.cancel();
            throw std::runtime_error(
                QStringLiteral("'%1', record %2: %3").arg(csvPath).arg(r).arg(QString::fromUtf8(e.what())).toStdString());
        }
    }
    return int(rows.size() - 1);
}

namespace {

bool isLanguageTable(const QString& name)
{
    return name.startsWith(QLatin1String("Lang"), Qt::CaseInsensitive);
}

// The language tables have a column per language (keyword tables) or per
// translated component (interface tables); which ones exist is data, named
// by the seed file's header.
db::TableDef withSeedColumns(db::TableDef table, const QString& csvPath)
{
    if (!isLanguageTable(table.name) || !QFileInfo::exists(csvPath))
        return table;
    const QList<QStringList> rows = readCsvFile(csvPath);
    if (rows.isEmpty())
        return table;
    for (const QString& column : rows.first()) {
        const QString name = column.trimmed();
        if (!name.isEmpty() && !table.field(name))
            table.fields.append(schema::translationField(name));
    }
    return table;
}

} // namespace

void createDatabase(const QString& directory, const QList<db::TableDef>& tables, const QString& seedDirectory)
{
    if (!QDir().mkpath(directory))
        throw std::runtime_error(QStringLiteral("Could not create directory '%1'").arg(directory).toStdString());
    db::Connection connection;
    connection.open(directory, db::Connection::OpenMode::CreateIfMissing);
    db::Transaction transaction(connection);
    for (const db::TableDef& declared : tables) {
        const QString csv = seedDirectory + QLatin1Char('/') + declared.name + QStringLiteral(".csv");
        const bool seeded = !seedDirectory.isEmpty() && QFileInfo::exists(csv);
        const db::TableDef table = seeded ? withSeedColumns(declared, csv) : declared;
        connection.createTable(table, true);
        if (seeded)
            loadCsvIntoTable(connection, table, csv);
    }
    transaction.commit();
}

} // namespace kiro
