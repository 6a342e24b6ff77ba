#include "app/FormTranslation.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace kiro;

namespace {

// Columns of the interface tables on the active language's row.
class FakeSource : public TranslationSource {
public:
    QHash<QString, QString> dialogs, main, menus, tools;
    bool open = true;

    bool isOpen() const override { return open; }
    std::optional<QString> lookup(const QString& n) const override
    {
        if (dialogs.contains(n))
            return dialogs.value(n);
        if (main.contains(n))
            return main.value(n);
        return std::nullopt;
    }
    std::optional<QString> menuText(const QString& n) const override
    {
        return menus.contains(n) ? std::optional<QString>(menus.value(n)) : std::nullopt;
    }
    std::optional<QString> toolButtonText(const QString& n) const override
    {
        return tools.contains(n) ? std::optional<QString>(tools.value(n)) : std::nullopt;
    }
};

template <typename T>
T* named(QWidget* parent, const char* name)
{
    auto* w = new T(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QRadioButton* radio(QGroupBox* group, const char* text)
{
    auto* r = new QRadioButton(QString::fromLatin1(text), group);
    return r;
}

} // namespace

TEST(FormTranslation, CaptionsButtonsAndEmptyValues)
{
    QDialog form;
    form.setObjectName(QStringLiteral("DlgOptCurr"));
    form.setWindowTitle(QStringLiteral("Options - Currencies"));
    auto* group = named<QGroupBox>(&form, "GroupRates");
    group->setTitle(QStringLiteral("Rates"));
    auto* ok = named<QPushButton>(&form, "BtnOK");
    ok->setText(QStringLiteral("OK"));
    auto* label = named<QLabel>(&form, "LblRate");
    label->setText(QStringLiteral("Rate"));

    FakeSource src;
    src.dialogs[QStringLiteral("DlgOptCurr")] = QStringLiteral("Inställningar - Valutor");
    src.dialogs[QStringLiteral("GroupRates")] = QString(); // exists, but empty: keeps its caption
    src.main[QStringLiteral("BtnOK")] = QStringLiteral("OK!");
    src.main[QStringLiteral("LblRate")] = QStringLiteral("Kurs");
    src.dialogs[QStringLiteral("LblRate")] = QStringLiteral("Växelkurs"); // dialogs searched first

    translateForm(form, src);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Inställningar - Valutor"));
    EXPECT_EQ(group->title(), QStringLiteral("Rates"));
    EXPECT_EQ(ok->text(), QStringLiteral("OK!"));
    EXPECT_EQ(label->text(), QStringLiteral("Växelkurs"));

    src.dialogs[QStringLiteral("DlgOptCurr")] = QString();
    translateForm(form, src);
    EXPECT_EQ(form.windowTitle(), QString()) << "the form caption takes even an empty value";
}

TEST(FormTranslation, NothingHappensWhileTheTablesAreClosed)
{
    QDialog form;
    form.setObjectName(QStringLiteral("DlgX"));
    form.setWindowTitle(QStringLiteral("English"));
    FakeSource src;
    src.open = false;
    src.dialogs[QStringLiteral("DlgX")] = QStringLiteral("Svenska");
    translateForm(form, src);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("English"));
}

TEST(FormTranslation, PartsFillRadioGroupsGridsAndStatusBars)
{
    QMainWindow form;
    form.setObjectName(QStringLiteral("FormMain"));
    auto* central = new QWidget(&form);
    form.setCentralWidget(central);

    auto* group = named<QGroupBox>(central, "RadioKind");
    group->setProperty("radioGroup", true);
    QRadioButton* items[] = {radio(group, "One"), radio(group, "Two"), radio(group, "Three")};

    auto* bound = named<QGroupBox>(central, "DBRadioStatus");
    bound->setProperty("radioGroup", true);
    bound->setProperty("storedValues", QStringList()); // item texts are the stored values
    QRadioButton* boundItem = radio(bound, "1");

    auto* grid = named<QTableView>(central, "GridPrices");
    QStandardItemModel model(0, 3);
    model.setHorizontalHeaderLabels({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    grid->setModel(&model);

    auto* bar = named<QStatusBar>(central, "StatusBar");
    QLabel* panels[4];
    for (int i = 0; i < 4; ++i) {
        panels[i] = new QLabel(QStringLiteral("p%1").arg(i), bar);
        bar->addWidget(panels[i]);
    }
    panels[1]->setProperty("bevel", true);

    FakeSource src;
    src.main[QStringLiteral("RadioKind")] = QStringLiteral("Typ;Ett;Två");
    src.main[QStringLiteral("DBRadioStatus")] = QStringLiteral("Status;Offert");
    src.main[QStringLiteral("GridPrices")] = QStringLiteral("Pris;Valuta");
    src.main[QStringLiteral("StatusBar")] = QStringLiteral("x;y;z;");

    translateForm(form, src);
    EXPECT_EQ(group->title(), QStringLiteral("Typ"));
    EXPECT_EQ(items[0]->text(), QStringLiteral("Ett"));
    EXPECT_EQ(items[1]->text(), QStringLiteral("Två"));
    EXPECT_EQ(items[2]->text(), QStringLiteral("Three"));
    EXPECT_EQ(bound->title(), QStringLiteral("Status"));
    EXPECT_EQ(boundItem->text(), QStringLiteral("1")) << "stored values never change with the language";
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Pris"));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Valuta"));
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("C"));
    EXPECT_EQ(panels[0]->text(), QStringLiteral("x"));
    EXPECT_EQ(panels[1]->text(), QStringLiteral("p1")) << "bevelled panels keep their text";
    EXPECT_EQ(panels[2]->text(), QStringLiteral("y"));
    EXPECT_EQ(panels[3]->text(), QStringLiteral("z"));

    src.main[QStringLiteral("StatusBar")] = QStringLiteral("a;b;c");
    translateForm(form, src);
    EXPECT_EQ(panels[3]->text(), QStringLiteral("z")) << "text after the last ';' is not a part";
    EXPECT_EQ(panels[2]->text(), QStringLiteral("b"));
}

TEST(FormTranslation, MenusToolButtonsAndTabSheets)
{
    QMainWindow form;
    form.setObjectName(QStringLiteral("FormMain"));
    QMenu* menu = form.menuBar()->addMenu(QStringLiteral("&Project"));
    menu->menuAction()->setObjectName(QStringLiteral("MenuProject"));
    QAction* exit = menu->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("MenuProjectExit"));

    auto* toolbar = new QToolBar(&form);
    form.addToolBar(toolbar);
    auto* tool = named<QToolButton>(toolbar, "ToolNewProject");
    toolbar->addWidget(tool);

    auto* tabs = new QTabWidget(&form);
    form.setCentralWidget(tabs);
    auto* sheet = named<QWidget>(tabs, "TabQuotation");
    tabs->addTab(sheet, QStringLiteral("Quotation"));

    QDialog child(&form); // another window: translated by its own creator
    auto* childButton = named<QPushButton>(&child, "BtnOK");
    childButton->setText(QStringLiteral("OK"));

    FakeSource src;
    src.menus[QStringLiteral("MenuProject")] = QStringLiteral("&Projekt");
    src.menus[QStringLiteral("MenuProjectExit")] = QStringLiteral("&Avsluta");
    src.tools[QStringLiteral("ToolNewProject")] = QStringLiteral("Nytt projekt");
    src.main[QStringLiteral("TabQuotation")] = QStringLiteral("Offert");
    src.main[QStringLiteral("BtnOK")] = QStringLiteral("Okej");

    translateForm(form, src);
    EXPECT_EQ(menu->title(), QStringLiteral("&Projekt"));
    EXPECT_EQ(exit->text(), QStringLiteral("&Avsluta"));
    EXPECT_EQ(tool->text(), QStringLiteral("Nytt projekt"));
    EXPECT_EQ(tool->toolTip(), QStringLiteral("Nytt projekt"));
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Offert"));
    EXPECT_EQ(childButton->text(), QStringLiteral("OK"));
}
