#pragma once

#include "app/FormMain.h"
#include "data/FormData.h"
#include "pdb/DataPDB.h"
#include "support/ScriptedInteraction.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <memory>

namespace kiro::test {

// The main window in the working state on the shipped databases, logged on
// as a registered user, with dialogs answered by m_script.
class WorkingMainWindow : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TestWorkspace m_ws;
    ScriptedInteraction m_script;
    TFormData m_data;
    TFormDataPDB m_pdb;
    std::unique_ptr<TFormMain> m_main;
};

} // namespace kiro::test
