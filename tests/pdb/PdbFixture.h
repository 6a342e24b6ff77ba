#pragma once

#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "db/Connection.h"
#include "pdb/PDB.h"
#include "pdb/PdbSchema.h"
#include "data/Csv.h"
#include "support/RecordingInteraction.h"
#include "support/TestWorkspace.h"

#include <QFile>
#include <QHash>

#include <QTemporaryDir>

#include <memory>

namespace kiro::test {

// A product database written for one test from a few rows, and a
// configurator on it. Numbered messages show their key and arguments.
struct PdbFixture {
    PdbFixture()
    {
        settings().resetToDefaults();
        // The shipped message texts, so that the arguments are checked
        // against the texts the user sees.
        static const QHash<QString, QString> texts = [] {
            QHash<QString, QString> out;
            QFile file(TestWorkspace::resourcesDir() + QStringLiteral("/db/Language/LangMsg.csv"));
            if (file.open(QIODevice::ReadOnly))
                for (const QStringList& row : parseCsv(QString::fromUtf8(file.readAll())))
                    if (row.size() >= 2)
                        out.insert(row[0], row[1]);
            return out;
        }();
        setMessageLookup([](const QString& key, const QString&) -> std::optional<QString> {
            const auto it = texts.constFind(key);
            return it == texts.constEnd() ? std::nullopt : std::optional<QString>(*it);
        });
        pdb::createPdbDatabase(dir.path());
        connection.open(dir.path());
    }
    ~PdbFixture() { setMessageLookup({}); }

    void rows(const char* table, const QStringList& columns, const QList<QVariantList>& values)
    {
        pdb::insertRows(connection, QString::fromLatin1(table), columns, values);
    }
    // A series record; the other tables use their default names.
    void series(const QString& code, int sel1, int sel2, bool isAcc = false, int pumpNamePos = 0,
                bool pumpDependent = false, bool accDependent = false)
    {
        rows("PDBMain",
             {"PUMPSERIE", "PROCENTR", "SELECTION1", "SELECTION2", "ISACC", "PUMPNAMEPOS", "ISPUMPDEPENDENT",
              "ISACCDEPENDENT", "PUMPTEXT", "PDBVer"},
             {{code, "DEM", sel1, sel2, isAcc, pumpNamePos, pumpDependent, accDependent, "T_" + code, "1.80"}});
    }
    void header(const QString& series, int pos, const QString& kind, const QString& keyword = QString(), int group = 0)
    {
        rows("PDBHeader", {"PUMPSERIE", "CODEPOS", "SELGROUP", "SINGLESEL", "SECTHEADER"},
             {{series, pos, group, kind, keyword}});
    }
    void value(const QString& series, int pos, const QString& code, const QString& text, int group = 1,
               const QString& mul = QString(), int forced = 0)
    {
        static int order = 0;
        rows("PDBSelection",
             {"PUMPSERIE", "IMPORTORDER", "CODEPOS", "SELGROUP", "CODE", "SELTEXT", "MULSELVAL", "FORCEDMULSELVAL"},
             {{series, ++order, pos, group, code, text, mul, forced}});
    }
    void partType(const QString& series, int pno, const QString& required, const QString& name = QString(),
                  int category = 1)
    {
        rows("PDBProdInfo", {"PUMPSERIE", "PNO", "CATEGORY", "REQUIRED", "PNONAME"},
             {{series, pno, category, required, name.isEmpty() ? QStringLiteral("Type%1").arg(pno) : name}});
    }
    void part(const QString& series, int type, const QString& name, const QString& codes, const QString& cls = "A",
              const QString& special = QString(), const char* table = "PDBParts", const QString& pumpCodes = QString(),
              const QString& acceCodes = QString())
    {
        static int sort = 0;
        rows(table,
             {"PUMPSERIE", "PARTTYPE", "SORTORDER", "NAME", "CLASS", "SPECIAL", "CODES", "PUMPCODES", "ACCECODES"},
             {{series, type, QStringLiteral("%1").arg(++sort, 6, 10, QLatin1Char('0')), name, cls, special, codes,
               pumpCodes, acceCodes}});
    }
    void price(const QString& series, int type, const QString& description, const QString& amount,
               const QString& codes, const char* table = "PDBPrices", const QString& percent = QString(),
               const QString& percentName = QString(), const QString& discount = QString())
    {
        static int sort = 0;
        rows(table,
             {"PUMPSERIE", "PROCENTR", "PARTTYPE", "SORTORDER", "DESCRIPTION", "CURRENCY", "AMOUNT", "DISCOUNT",
              "PERCENT", "PERCENTNAME", "CODES"},
             {{series, "DEM", type, QStringLiteral("%1").arg(++sort, 6, 10, QLatin1Char('0')), description, "EUR",
               amount, discount, percent.isEmpty() ? QVariant() : QVariant(percent.toInt()), percentName, codes}});
    }
    void translate(const char* table, const QString& keyword, const QString& uk)
    {
        rows(table, {"KeyWord", "UK"}, {{keyword, uk}});
    }

    // Opens the configurator on the database and loads a live item of a series.
    pdb::PDBConfigurator& open()
    {
        pdb::PdbEnvironment env;
        env.connection = &connection;
        env.path = dir.path();
        env.version = QStringLiteral("1.80");
        env.isCurrent = current;
        cfg.setEnvironment(env);
        return cfg;
    }
    pdb::PDBConfigurator& load(const QString& code, bool isAcc = false)
    {
        open();
        pdb::StoredItem item;
        item.isAcc = isAcc;
        item.series = code.left(2);
        item.code = code;
        cfg.PDBLoadItem(item, true);
        return cfg;
    }
    // The characters offered at a position (drop-down entries or boxes).
    QString offered(int p) const
    {
        QString out;
        for (const pdb::ListEntry& e : cfg.row(p).entries)
            out += e.code;
        return out;
    }

    QTemporaryDir dir;
    db::Connection connection;
    RecordingInteraction messages;
    pdb::PDBConfigurator cfg;
    bool current = true;
};

} // namespace kiro::test
