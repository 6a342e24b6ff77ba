#include "app/FormTranslation.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace kiro {

TranslationSource::~TranslationSource() = default;

namespace {

// A component belongs to the form unless it sits in another window (a
// dialog parented to the form is translated by its own creator).
bool ownedBy(const QObject* object, const QWidget& form)
{
    for (const QObject* o = object->parent(); o; o = o->parent()) {
        if (o == &form)
            return true;
        // Menus are popup windows of their own but belong to the form.
        if (const auto* w = qobject_cast<const QWidget*>(o); w && w->isWindow() && !qobject_cast<const QMenu*>(w))
            return false;
    }
    return false;
}

std::optional<QString> nonEmpty(std::optional<QString> text)
{
    if (text && text->isEmpty())
        return std::nullopt;
    return text;
}

QStringList parts(const QString& value)
{
    return value.split(QLatin1Char(';'));
}

void translateHeader(QAbstractItemModel* model, Qt::Orientation orientation, const QStringList& titles)
{
    if (!model)
        return;
    const int count = orientation == Qt::Horizontal ? model->columnCount() : model->rowCount();
    for (int i = 0; i < titles.size() && i < count; ++i)
        model->setHeaderData(i, orientation, titles.at(i), Qt::DisplayRole);
}

void translateItemView(QAbstractItemView& view, const QStringList& titles)
{
    if (auto* tree = qobject_cast<QTreeWidget*>(&view)) {
        QTreeWidgetItem* header = tree->headerItem();
        for (int i = 0; i < titles.size() && i < tree->columnCount(); ++i)
            header->setText(i, titles.at(i));
        return;
    }
    if (auto* table = qobject_cast<QTableWidget*>(&view)) {
        for (int i = 0; i < titles.size() && i < table->columnCount(); ++i) {
            if (QTableWidgetItem* item = table->horizontalHeaderItem(i))
                item->setText(titles.at(i));
            else
                table->setHorizontalHeaderItem(i, new QTableWidgetItem(titles.at(i)));
        }
        return;
    }
    translateHeader(view.model(), Qt::Horizontal, titles);
}

void translateRadioGroup(QGroupBox& group, const QString& value)
{
    const QStringList p = parts(value);
    group.setTitle(p.first());
    const QVariant stored = group.property("storedValues");
    // A data-bound group whose item texts are the stored values must keep
    // them, or the language would change what is stored.
    if (stored.isValid() && stored.toStringList().isEmpty())
        return;
    QList<QRadioButton*> items = group.findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly);
    qsizetype limit = items.size();
    if (stored.isValid())
        limit = std::min(limit, stored.toStringList().size());
    for (qsizetype i = 1; i < p.size() && i - 1 < limit; ++i)
        items.at(i - 1)->setText(p.at(i));
}

void translateStatusBar(QStatusBar& bar, const QString& value)
{
    // Every part is ended by ';'; text after the last one is not a part.
    QStringList p = parts(value);
    p.removeLast();
    int next = 0;
    for (QLabel* panel : bar.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (panel->property("bevel").toBool())
            continue;
        if (next >= p.size())
            break;
        panel->setText(p.at(next++));
    }
}

void translateTabSheet(QWidget& sheet, const QString& text)
{
    // The sheet's page control is its grandparent (the stacked widget sits
    // in between).
    for (QWidget* w = sheet.parentWidget(); w; w = w->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            const int index = tabs->indexOf(&sheet);
            if (index >= 0)
                tabs->setTabText(index, text);
            return;
        }
    }
}

bool isTabSheet(const QWidget& w)
{
    const QWidget* stack = w.parentWidget();
    const QWidget* tabs = stack ? stack->parentWidget() : nullptr;
    const auto* tabWidget = qobject_cast<const QTabWidget*>(tabs);
    return tabWidget && tabWidget->indexOf(const_cast<QWidget*>(&w)) >= 0;
}

void translateWidget(QWidget& w, const TranslationSource& source)
{
    const QString name = w.objectName();
    if (name.isEmpty())
        return;

    if (auto* tool = qobject_cast<QToolButton*>(&w); tool && qobject_cast<QToolBar*>(tool->parentWidget())) {
        if (auto text = nonEmpty(source.toolButtonText(name))) {
            tool->setText(*text);
            tool->setToolTip(*text);
        }
        return;
    }
    const std::optional<QString> text = nonEmpty(source.lookup(name));
    if (!text)
        return;

    if (auto* group = qobject_cast<QGroupBox*>(&w)) {
        if (group->property("radioGroup").toBool())
            translateRadioGroup(*group, *text);
        else
            group->setTitle(*text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(&w)) {
        button->setText(*text);
    } else if (auto* label = qobject_cast<QLabel*>(&w)) {
        label->setText(*text);
    } else if (auto* view = qobject_cast<QAbstractItemView*>(&w)) {
        translateItemView(*view, parts(*text));
    } else if (auto* header = qobject_cast<QHeaderView*>(&w)) {
        translateHeader(header->model(), header->orientation(), parts(*text));
    } else if (auto* tabBar = qobject_cast<QTabBar*>(&w)) {
        const QStringList p = parts(*text);
        for (int i = 0; i < p.size() && i < tabBar->count(); ++i)
            tabBar->setTabText(i, p.at(i));
    } else if (auto* bar = qobject_cast<QStatusBar*>(&w)) {
        translateStatusBar(*bar, *text);
    } else if (isTabSheet(w)) {
        translateTabSheet(w, *text);
    }
}

} // namespace

void translateForm(QWidget& form, const TranslationSource& source)
{
    if (!source.isOpen())
        return;

    if (const std::optional<QString> caption = source.lookup(form.objectName()))
        form.setWindowTitle(*caption);

    for (QObject* object : form.findChildren<QObject*>()) {
        if (!ownedBy(object, form))
            continue;
        if (auto* action = qobject_cast<QAction*>(object)) {
            if (action->isSeparator() || action->objectName().isEmpty())
                continue;
            if (auto text = nonEmpty(source.menuText(action->objectName()))) {
                action->setText(*text);
                if (auto* menu = qobject_cast<QMenu*>(action->parent()); menu && menu->menuAction() == action)
                    menu->setTitle(*text);
            }
        } else if (auto* widget = qobject_cast<QWidget*>(object)) {
            if (qobject_cast<QMenu*>(widget))
                continue; // menus are translated through their actions
            translateWidget(*widget, source);
        }
    }
}

} // namespace kiro
