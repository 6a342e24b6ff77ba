#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "db/Connection.h"
#include "pdb/DataPDB.h"
#include "pdb/PDB.h"
#include "support/RecordingInteraction.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <memory>

namespace kiro {
namespace {

using test::RecordingInteraction;
using test::TestWorkspace;

// The demonstration product database as the build lays it out, opened by the
// product database module, and a configurator reading it through the
// module's environment.
class DemoConfigurationsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings().resetToDefaults();
        m_ws.layOutDatabases();
        ASSERT_TRUE(m_module.OpenPDB(m_ws.exeDir() + QStringLiteral("/PDB_1.80")));
    }

    pdb::PDBConfigurator& load(const QString& code)
    {
        m_cfg.setEnvironment(m_module.environment());
        pdb::StoredItem item;
        item.series = code.left(2);
        item.code = code;
        m_cfg.PDBLoadItem(item, true);
        return m_cfg;
    }

    TestWorkspace m_ws;
    RecordingInteraction m_ui;
    TFormDataPDB m_module;
    pdb::PDBConfigurator m_cfg;
};

TEST_F(DemoConfigurationsTest, TheModuleHandsTheConfiguratorItsDatabaseAndLanguage)
{
    ASSERT_TRUE(m_module.SetActiveLanguage(QStringLiteral("SE")));
    const pdb::PdbEnvironment env = m_module.environment();
    EXPECT_EQ(env.connection, &m_module.DatabasePDB());
    EXPECT_EQ(env.path, m_module.PDBPath());
    EXPECT_TRUE(env.isCurrent);
    EXPECT_EQ(env.version, "1.80");
    EXPECT_EQ(env.dbVersion, m_module.PDBGetDBVersion());
    EXPECT_EQ(env.language, "SE");

    const pdb::PDBConfigurator& cfg = load(QStringLiteral("ES3BCC24P3"));
    EXPECT_EQ(cfg.code(), "ES3BCC24P3??????");
    EXPECT_EQ(cfg.row(3).label, "Pumpstorlek") << "the module's language reaches the rows";
    EXPECT_TRUE(cfg.row(3).enabled);
    EXPECT_TRUE(m_ui.messages().isEmpty()) << m_ui.messages().join('\n').toStdString();
}

TEST_F(DemoConfigurationsTest, AClosedModuleHandsOverADatabaseThatIsNotCurrent)
{
    m_module.DatabasePDB().close();
    const pdb::PdbEnvironment env = m_module.environment();
    EXPECT_EQ(env.connection, &m_module.DatabasePDB()) << "a later open reaches the configurator";
    EXPECT_FALSE(env.isCurrent);
    EXPECT_TRUE(env.version.isEmpty());
    EXPECT_TRUE(env.dbVersion.isEmpty());

    const pdb::PDBConfigurator& cfg = load(QStringLiteral("ES3BCC24P3"));
    EXPECT_FALSE(cfg.databaseCurrent());
    EXPECT_FALSE(cfg.row(3).enabled) << "nothing can be chosen without the database";
}

} // namespace
} // namespace kiro
