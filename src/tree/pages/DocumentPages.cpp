#include "tree/pages/DocumentPages.h"

#include "app/core/Messages.h"
#include "controls/FieldLink.h"
#include "controls/ThmDBGrid.h"
#include "data/FormData.h"
#include "db/Dataset.h"
#include "tree/pages/GridBehaviour.h"
#include "tree/pages/PageWidgets.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace kiro {

namespace {

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

} // namespace

TProjDocsPage::TProjDocsPage(TFormData& data, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(s("TabProjDocsPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    m_grid = PageGrid(s("TabProjDocsGrid"), data.source(s("SourceDocuments")),
                      {PageColumn(s("Name"), QString(), true)}, this);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_grid);
}

TProdDocsPage::TProdDocsPage(TFormData& data, QWidget* parent)
    : QWidget(parent)
    , m_data(data)
{
    setObjectName(s("TabProdDocsPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    m_grid = PageGrid(s("TabProdDocsGrid"), data.source(s("SourceProdDocuments")),
                      {PageColumn(s("Name"), QString(), true), PageColumn(s("Description"), QString(), false),
                       PageColumn(s("Author"), QString(), true), PageColumn(s("Date"), QString(), true),
                       PageColumn(s("Version"), QString(), true)},
                      this);
    // The columns share the width, the path getting most of it.
    QHeaderView* header = m_grid->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Stretch);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c : {2, 3, 4})
        header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    m_grid->installEventFilter(this);
    layout->addWidget(m_grid);
}

bool TProdDocsPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_Delete && (modifiers == Qt::NoModifier || modifiers == Qt::ControlModifier)) {
            deleteCurrent();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TProdDocsPage::deleteCurrent()
{
    db::Dataset* documents = m_grid->dataset();
    if (!documents || !documents->isActive() || documents->isEmpty() || documents->isReadOnly())
        return false;
    // Documents of the product database belong to the configured product.
    if (!documents->fieldByName(s("External")).asBoolean())
        return false;
    const QString name = documents->fieldByName(s("Name")).asString();
    if (MsgYesNo(s("22"), {name}) != MsgCodeYes)
        return false;
    const QString productID = documents->fieldByName(s("ProductID")).asString();
    const QString documentID = documents->fieldByName(s("ID")).asString();
    bool deleted = false;
    runGuarded([&] {
        if (documents->state() != db::DatasetState::Browse)
            documents->cancel();
        deleted = documents->deleteRecord();
    });
    if (deleted)
        emit documentDeleted(productID, documentID);
    return deleted;
}

} // namespace kiro
