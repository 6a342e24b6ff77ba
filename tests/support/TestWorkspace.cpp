#include "support/TestWorkspace.h"

#include "app/core/AppContext.h"
#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "data/Schema.h"
#include "data/SeedData.h"
#include "pdb/PdbSchema.h"
#include "tools/DemoProjects.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace kiro::test {

TestWorkspace::TestWorkspace()
{
    EXPECT_TRUE(m_root.isValid());
    for (const char* d : {"exe", "work", "tmp"})
        EXPECT_TRUE(QDir(m_root.path()).mkpath(QString::fromLatin1(d)));
    m_oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmpDir().toLocal8Bit());
    m_oldCwd = QDir::currentPath();
    QDir::setCurrent(workDir());
    app().reset();
    app().setExeDir(exeDir());
    settings().close();
    settings().resetToDefaults();
    SetActiveLanguage({});
}

TestWorkspace::~TestWorkspace()
{
    settings().close();
    settings().resetToDefaults();
    app().reset();
    setMessageLookup({});
    SetActiveLanguage({});
    QDir::setCurrent(m_oldCwd);
    qputenv("TMPDIR", m_oldTmp);
}

QString TestWorkspace::path(const char* sub) const
{
    return m_root.path() + QLatin1Char('/') + QString::fromLatin1(sub);
}

QString TestWorkspace::resourcesDir()
{
    QString source = qEnvironmentVariable("KIRO_SOURCE_DIR");
    if (source.isEmpty())
        source = QStringLiteral(KIRO_TEST_SOURCE_DIR);
    return source + QStringLiteral("/resources");
}

void TestWorkspace::layOutDatabases(Projects projects) const
{
    const QString seed = resourcesDir() + QStringLiteral("/db/");
    for (const ShippedDatabase& database : shippedDatabases()) {
        const bool empty = projects == Projects::Empty && database.folder == QLatin1String("Projects");
        createDatabase(exeDir() + QLatin1Char('/') + database.folder, database.tables,
                       empty ? QString() : seed + database.folder);
    }
    createDatabase(exeDir() + QStringLiteral("/Templates"), schema::projectTables(), QString());
    const QString pdbFolder = QStringLiteral("PDB_%1.%2").arg(kPDBVersionMajor).arg(kPDBVersionMinor);
    pdb::buildPdbFromSources(seed + pdbFolder, exeDir() + QLatin1Char('/') + pdbFolder);
    if (projects == Projects::Empty)
        return;
    // The demonstration projects as the build finishes them: their documents
    // beside the program, their paths and figures filled in.
    const QDir demo(resourcesDir() + QStringLiteral("/demo"));
    QDir(exeDir()).mkpath(QStringLiteral("Demo"));
    for (const QString& file : demo.entryList(QDir::Files))
        QFile::copy(demo.filePath(file), exeDir() + QStringLiteral("/Demo/") + file);
    prepareDemoProjects(exeDir());
}

} // namespace kiro::test
