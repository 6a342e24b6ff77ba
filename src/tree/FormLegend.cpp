#include "tree/FormLegend.h"

#include "tree/TreeImages.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kiro {

namespace {

struct LegendEntry {
    int image;
    const char* text;
};

// The texts stay as they are in every language.
constexpr LegendEntry kEntries[] = {
    {TreeImage::FolderClosed, "Folder that contains one or several items"},
    {TreeImage::FolderOpen, "Open folder that contains one or several items"},
    {TreeImage::Product, "Product that isn't  fully defined in TORVA/PDB"},
    {TreeImage::ProductTORVA, "Product that is fully defined in TORVA"},
    {TreeImage::ProductPDB, "Product that is fully defined in PDB"},
    {TreeImage::ProductBoth, "Product that is fully defined in both TORVA and PDB"},
    {TreeImage::External, "External product/accessory"},
    {TreeImage::Document, "Document"},
    {TreeImage::Accessory, "Accessory that isn't fully defined in PDB"},
    {TreeImage::AccessoryPDB, "Accesory that is fully defined in PDB"},
};

} // namespace

TFormLegend::TFormLegend(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FormLegend"));
    setWindowTitle(QStringLiteral("Legend"));
    setWindowFlag(Qt::Tool, true);
    setProperty("helpContext", 999);

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("FormLegendTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(false);
    m_tree->setIndentation(20);
    m_tree->setIconSize(QSize(TreeImage::Size, TreeImage::Size));
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setSelectionMode(QAbstractItemView::NoSelection);
    m_tree->setFocusPolicy(Qt::NoFocus);
    for (const LegendEntry& e : kEntries) {
        auto* item = new QTreeWidgetItem(m_tree, {QString::fromLatin1(e.text)});
        item->setIcon(0, TreeNodeIcon(e.image));
    }

    m_panel = new QLabel(QStringLiteral("Revision has darker colors"), this);
    m_panel->setObjectName(QStringLiteral("FormLegendPanel"));
    m_panel->setAlignment(Qt::AlignCenter);
    m_panel->setFrameShape(QFrame::StyledPanel);
    m_panel->setMargin(3);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_panel);
    resize(330, 260);
}

void TFormLegend::ShowIt()
{
    setWindowFlag(Qt::WindowStaysOnTopHint, true); // hides a shown window; show() follows
    if (!m_placed) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
        m_placed = true;
    }
    show();
    raise();
}

void TFormLegend::HideIt()
{
    setWindowFlag(Qt::WindowStaysOnTopHint, false);
    hide();
}

} // namespace kiro
