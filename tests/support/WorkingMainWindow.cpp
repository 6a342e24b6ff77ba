#include "support/WorkingMainWindow.h"

#include "app/core/AppContext.h"

#include <QApplication>

namespace kiro::test {

void WorkingMainWindow::SetUp()
{
    m_ws.layOutDatabases();
    app().setCurrentUserID(QStringLiteral("ANNA"));
    m_main = std::make_unique<TFormMain>();
    m_data.FormDataCreate();
    m_main->attachDataModules(&m_data, &m_pdb);
    m_main->show();
    QApplication::processEvents();
    ASSERT_TRUE(m_data.projectsConnected());
}

void WorkingMainWindow::TearDown()
{
    if (m_main)
        m_main->close();
    m_main.reset();
}

} // namespace kiro::test
