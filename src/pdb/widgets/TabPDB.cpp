#include "pdb/widgets/TabPDB.h"

#include "app/core/Messages.h"
#include "app/core/Settings.h"
#include "controls/ThmCheckListBox.h"
#include "controls/ThmDBGrid.h"
#include "pdb/PDB.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <QVBoxLayout>

namespace kiro {

namespace {

using pdb::PDBConfigurator;
using pdb::RowView;

const QColor kInfoBackground(255, 255, 225);
const QColor kLockBackground(192, 192, 192);

QString rowName(const char* stem, int n)
{
    return QString::fromLatin1(stem) + QString::number(n);
}

QLabel* infoLabel(QWidget* parent, const QString& name)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, kInfoBackground);
    l->setPalette(p);
    return l;
}

// One entry of a drop-down list: the text, a line, the code column and,
// with classes shown in the dropped-down list, the class column.
void PDBDrawComboItem(QPainter& painter, const QRect& rect, const QModelIndex& index, bool selected, bool closedField,
                      const QPalette& palette)
{
    painter.save();
    painter.fillRect(rect, selected && !closedField ? palette.highlight() : palette.base());
    const bool hasEntry = index.data(TPDBComboBox::RoleHasEntry).toBool();
    if (!hasEntry) {
        painter.setPen(Qt::red);
        painter.drawText(rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         QStringLiteral("ERROR!"));
        painter.restore();
        return;
    }
    QColor text = Qt::black;
    if (index.data(TPDBComboBox::RoleInvalid).toBool())
        text = Qt::red;
    else if (selected && !closedField)
        text = palette.color(QPalette::HighlightedText);
    const bool classes = settings().pdb().Classes && !closedField;
    const QRect area = rect.adjusted(0, 0, classes ? -32 : -16, 0);
    painter.setPen(text);
    painter.drawText(area.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     index.data(Qt::DisplayRole).toString());
    painter.setPen(palette.color(QPalette::Button));
    painter.drawLine(area.right() + 1, rect.top(), area.right() + 1, rect.bottom());
    const QRect codeRect(area.right() + 2, rect.top(), 15, rect.height());
    const QString code = index.data(TPDBComboBox::RoleCode).toString();
    if (code == QLatin1String("X")) {
        painter.drawPixmap(codeRect.topLeft() + QPoint(0, std::max(0, (rect.height() - 15) / 2)), PDBPenPixmap());
    } else {
        painter.setPen(text);
        painter.drawText(codeRect, Qt::AlignCenter, code);
    }
    if (classes) {
        painter.setPen(palette.color(QPalette::Button));
        painter.drawLine(codeRect.right() + 1, rect.top(), codeRect.right() + 1, rect.bottom());
        painter.setPen(text);
        painter.drawText(QRect(codeRect.right() + 2, rect.top(), 15, rect.height()), Qt::AlignCenter,
                         index.data(TPDBComboBox::RoleClass).toString());
    }
    painter.restore();
}

class PDBComboDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        PDBDrawComboItem(*painter, option.rect, index,
                         option.state & (QStyle::State_Selected | QStyle::State_HasFocus), false, option.palette);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width() + 34, 15};
    }
};

} // namespace

const QPixmap& PDBPenPixmap()
{
    static const QPixmap pen = [] {
        QPixmap pm(15, 15);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath body;
        body.moveTo(3, 12);
        body.lineTo(11, 4);
        body.lineTo(13, 6);
        body.lineTo(5, 14);
        body.closeSubpath();
        p.fillPath(body, QColor(40, 90, 170));
        QPainterPath tip;
        tip.moveTo(3, 12);
        tip.lineTo(5, 14);
        tip.lineTo(2, 15);
        tip.closeSubpath();
        p.fillPath(tip, QColor(60, 60, 60));
        return pm;
    }();
    return pen;
}

const QPixmap& PDBInfoPixmap()
{
    static const QPixmap info = [] {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(30, 100, 200));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setPen(Qt::white);
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(11);
        p.setFont(f);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("i"));
        return pm;
    }();
    return info;
}

// --- the row's drop-down list ---------------------------------------------------

TPDBComboBox::TPDBComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setItemDelegate(new PDBComboDelegate(this));
    setMaxVisibleItems(16);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

void TPDBComboBox::showPopup()
{
    if (beforePopup)
        beforePopup();
    if (view())
        view()->setMinimumWidth(width());
    QComboBox::showPopup();
}

void TPDBComboBox::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QStylePainter painter(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, opt);
    const int current = currentIndex();
    if (current < 0)
        return;
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    QPalette pal = palette();
    if (!isEnabled())
        pal.setCurrentColorGroup(QPalette::Disabled);
    PDBDrawComboItem(painter, field, model()->index(current, modelColumn(), rootModelIndex()), false, true, pal);
}

// --- the tab -------------------------------------------------------------------

TTabPDB::TTabPDB(PDBConfigurator& configurator, QWidget* parent)
    : QWidget(parent)
    , m_cfg(configurator)
{
    setObjectName(QStringLiteral("TabPDBContents"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    buildTopBar();
    buildSelectionArea();
    buildBottom();
    disableButtons();
    refresh();
}

TTabPDB::~TTabPDB() = default;

void TTabPDB::buildTopBar()
{
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("TabPDBToolBar"));
    bar->setFixedHeight(25);
    auto* h = new QHBoxLayout(bar);
    h->setContentsMargins(2, 1, 2, 1);
    h->setSpacing(4);
    auto* lblSeries = new QLabel(QStringLiteral("Product series"), bar);
    lblSeries->setObjectName(QStringLiteral("TabPDBLblSeries"));
    lblSeries->setFrameStyle(QFrame::Panel | QFrame::Raised);
    h->addWidget(lblSeries);
    m_series = new QComboBox(bar);
    m_series->setObjectName(QStringLiteral("TabPDBSelectionProducts"));
    m_series->setMaxVisibleItems(38);
    m_series->setMinimumWidth(180);
    m_series->view()->setMinimumWidth(250);
    h->addWidget(m_series);
    auto* lblCode = new QLabel(QStringLiteral("Product code"), bar);
    lblCode->setObjectName(QStringLiteral("TabPDBLblCode"));
    lblCode->setFrameStyle(QFrame::Panel | QFrame::Raised);
    h->addWidget(lblCode);
    m_artNrNoDots = new QLineEdit(bar);
    m_artNrNoDots->setObjectName(QStringLiteral("TabPDBEditArtNrNoDots"));
    m_artNrNoDots->setMinimumWidth(150);
    h->addWidget(m_artNrNoDots);
    m_artNr = new QLineEdit(bar);
    m_artNr->setObjectName(QStringLiteral("TabPDBEditArtNr"));
    m_artNr->setVisible(false);
    h->addWidget(m_artNr);
    auto* lblClass = new QLabel(QStringLiteral("Class"), bar);
    lblClass->setObjectName(QStringLiteral("TabPDBLblTotClass"));
    h->addWidget(lblClass);
    m_totClass = new QLabel(bar);
    m_totClass->setObjectName(QStringLiteral("TabPDBTotClass"));
    QFont bold = m_totClass->font();
    bold.setBold(true);
    m_totClass->setFont(bold);
    m_totClass->setMinimumWidth(20);
    h->addWidget(m_totClass);
    h->addStretch(1);
    layout()->addWidget(bar);

    connect(m_series, &QComboBox::activated, this, &TTabPDB::TabPDBSelectionProductsClick);
    connect(m_artNr, &QLineEdit::textChanged, this, &TTabPDB::TabPDBEditArtNrOnChange);
    connect(m_artNrNoDots, &QLineEdit::returnPressed, this, &TTabPDB::TabPDBEditArtNrNoDotsKeyPress);
    connect(m_artNr, &QLineEdit::returnPressed, this, &TTabPDB::TabPDBEditArtNrKeyPress);
}

void TTabPDB::buildSelectionArea()
{
    m_headerModel = new QStandardItemModel(0, 5, this);
    const char* texts[] = {"A", "Selection", "Values", "C", "L"};
    for (int i = 0; i < 5; ++i) {
        m_headerModel->setHeaderData(i, Qt::Horizontal, QString::fromLatin1(texts[i]));
        m_headerModel->setHeaderData(i, Qt::Horizontal, int(i == 1 || i == 2 ? Qt::AlignLeft | Qt::AlignVCenter
                                                                            : Qt::AlignCenter),
                                     Qt::TextAlignmentRole);
    }
    m_header = new QHeaderView(Qt::Horizontal, this);
    m_header->setObjectName(QStringLiteral("TabPDBHeader"));
    m_header->setModel(m_headerModel);
    m_header->setSectionsClickable(false);
    m_header->setStretchLastSection(false);
    m_header->setMinimumSectionSize(kFixedColumn);
    for (int i = 0; i < 5; ++i)
        m_header->setSectionResizeMode(i, i == 1 ? QHeaderView::Interactive : QHeaderView::Fixed);
    m_header->resizeSection(0, kFixedColumn);
    m_header->resizeSection(1, m_labelWidth);
    m_header->resizeSection(3, kFixedColumn);
    m_header->resizeSection(4, kFixedColumn);
    layout()->addWidget(m_header);

    m_scrollBox = new QScrollArea(this);
    m_scrollBox->setObjectName(QStringLiteral("TabPDBScrollBoxSelections"));
    m_scrollBox->setFrameShape(QFrame::NoFrame);
    m_scrollBox->setWidgetResizable(false);
    m_scrollContents = new QWidget;
    m_scrollContents->setObjectName(QStringLiteral("TabPDBScrollBoxContents"));
    m_scrollBox->setWidget(m_scrollContents);
    m_scrollBox->viewport()->installEventFilter(this);
    m_scrollBox->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_scrollBox, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu menu(this);
        menu.setObjectName(QStringLiteral("PopupGridCopy"));
        QAction* copy = menu.addAction(QStringLiteral("&Copy"));
        copy->setObjectName(QStringLiteral("PopupGridCopyCopy"));
        QAction* transposed = menu.addAction(QStringLiteral("Copy (&transformed)"));
        transposed->setObjectName(QStringLiteral("PopupGridCopyTransformed"));
        QAction* chosen = menu.exec(m_scrollBox->mapToGlobal(pos));
        if (chosen)
            copySelection(chosen == transposed);
    });
    connect(m_scrollBox->horizontalScrollBar(), &QScrollBar::valueChanged, m_header, &QHeaderView::setOffset);
    layout()->addWidget(m_scrollBox);
    static_cast<QVBoxLayout*>(layout())->setStretchFactor(m_scrollBox, 1);

    auto panel = [this](const char* name, bool info) {
        auto* w = new QWidget(m_scrollContents);
        w->setObjectName(QString::fromLatin1(name));
        if (info) {
            w->setAutoFillBackground(true);
            QPalette p = w->palette();
            p.setColor(QPalette::Window, kInfoBackground);
            w->setPalette(p);
        }
        return w;
    };
    m_panelTorva = panel("TabPDBPanelTorva", true);
    m_panelLabels = panel("TabPDBPanelLabels", true);
    m_panelInfo = panel("TabPDBPanelInfo", true);
    m_panelSelection = panel("TabPDBPanelSelection", false);
    m_panelClass = panel("TabPDBPanelClass", true);
    m_panelLocks = panel("TabPDBPanelLocks", false);
    for (int n = 1; n <= kRows; ++n)
        buildRow(n);

    connect(m_header, &QHeaderView::sectionResized, this, &TTabPDB::TabPDBHeaderSectionResize);
}

void TTabPDB::buildRow(int n)
{
    Row& r = m_rows[std::size_t(n - 1)];
    QFont bold = font();
    bold.setBold(true);

    r.torva = infoLabel(m_panelTorva, rowName("TabPDBLabelTorva", n));
    r.torva->setFont(bold);
    r.torva->setAlignment(Qt::AlignCenter);
    QPalette red = r.torva->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    r.torva->setPalette(red);

    r.label = infoLabel(m_panelLabels, rowName("TabPDBLabel", n));
    r.label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    r.label->setIndent(2);

    r.image = new QLabel(m_panelInfo);
    r.image->setObjectName(rowName("TabPDBImg", n));
    r.image->setPixmap(PDBInfoPixmap());
    r.image->setFixedSize(16, 16);
    r.image->installEventFilter(this);
    r.image->setProperty("Tag", n);

    r.combo = new TPDBComboBox(m_panelSelection);
    r.combo->setObjectName(rowName("TabPDBComboSelection", n));
    r.combo->setProperty("Tag", n);
    connect(r.combo, &QComboBox::activated, this, [this, n](int) { TabPDBComboSelectionChange(n); });
    r.combo->beforePopup = [this, n] { TabPDBComboSelectionDropDown(n); };

    r.checkList = new ThmCheckListBox(m_panelSelection);
    r.checkList->setObjectName(rowName("TabPDBTHMCheckListBox", n));
    r.checkList->setProperty("Tag", n);
    r.checkList->setItemHeight(kCheckItemHeight);
    r.checkList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    r.checkList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont small = r.checkList->font();
    small.setPixelSize(11);
    r.checkList->setFont(small);
    connect(r.checkList, &ThmCheckListBox::clickCheck, this, [this, n](int box) {
        ThmCheckListBox* list = m_rows[std::size_t(n - 1)].checkList;
        m_cfg.setBoxTicked(n, box, list->Checked(box));
        TabPDBComboSelectionChange(n);
    });

    r.classLabel = infoLabel(m_panelClass, rowName("TabPDBLabelClass", n));
    r.classLabel->setFont(bold);
    r.classLabel->setAlignment(Qt::AlignCenter);

    r.lockLabel = new QLabel(m_panelLocks);
    r.lockLabel->setObjectName(rowName("TabPDBCheckLabel", n));
    r.lockLabel->setAutoFillBackground(true);
    QPalette grey = r.lockLabel->palette();
    grey.setColor(QPalette::Window, kLockBackground);
    r.lockLabel->setPalette(grey);

    r.lock = new QCheckBox(m_panelLocks);
    r.lock->setObjectName(rowName("TabPDBCheckBox", n));
    r.lock->setProperty("Tag", n);
    connect(r.lock, &QCheckBox::clicked, this, [this, n](bool) { TabPDBCheckBoxClick(n); });

    for (QWidget* w : {static_cast<QWidget*>(r.torva), static_cast<QWidget*>(r.label),
                       static_cast<QWidget*>(r.classLabel), static_cast<QWidget*>(r.lockLabel)})
        w->setProperty("Tag", n);
}

void TTabPDB::buildBottom()
{
    auto* bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("TabPDBPanelBottom"));
    auto* v = new QVBoxLayout(bottom);
    v->setContentsMargins(2, 2, 2, 2);
    v->setSpacing(2);
    auto* versions = new QHBoxLayout;
    versions->setSpacing(4);
    auto caption = [bottom](const char* name, const char* text) {
        auto* l = new QLabel(QString::fromLatin1(text), bottom);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    versions->addWidget(caption("TabPDBLblProductPDBVer", "Product PDB ver :"));
    m_productPdbVer = caption("TabPDBDataProductPDBVer", "");
    versions->addWidget(m_productPdbVer);
    versions->addSpacing(12);
    versions->addWidget(caption("TabPDBLblPDBVer", "PDB ver :"));
    m_pdbVer = caption("TabPDBDataPDBVer", "");
    versions->addWidget(m_pdbVer);
    versions->addSpacing(12);
    versions->addWidget(caption("TabPDBLblPDBPath", "PDB path :"));
    m_pdbPath = caption("TabPDBDataPDBPath", "");
    m_pdbPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    versions->addWidget(m_pdbPath, 1);
    v->addLayout(versions);
    m_oldVersion = caption("TabPDBLblOldVersion", "OLD VERSION!!!");
    QFont bold = m_oldVersion->font();
    bold.setBold(true);
    m_oldVersion->setFont(bold);
    QPalette red = m_oldVersion->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    m_oldVersion->setPalette(red);
    m_oldVersion->setVisible(false);
    v->addWidget(m_oldVersion);

    auto* grid = new QGridLayout;
    grid->setSpacing(3);
    auto button = [bottom](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromLatin1(text), bottom);
        b->setObjectName(QString::fromLatin1(name));
        b->setFixedSize(110, 22);
        b->setAutoDefault(false);
        return b;
    };
    m_btnUpdate = button("TabPDBBtnUpdate", "Update");
    m_btnUndo = button("TabPDBBtnUndo", "Undo");
    m_btnClear = button("TabPDBBtnClear", "Clear");
    m_btnClearAll = button("TabPDBBtnClearAll", "Clear all");
    m_btnGetUserDef = button("TabPDBBtnGetUserDef", "Get user default");
    m_btnSetUserDef = button("TabPDBBtnSetUserDef", "Set user default");
    m_btnGetFactDef = button("TabPDBBtnGetFactDef", "Get Factory default");
    m_btnAccessories = button("TabPDBBtnAccessories", "Accessories ...");
    m_chkViewPartList = new QCheckBox(QStringLiteral("View supplier information"), bottom);
    m_chkViewPartList->setObjectName(QStringLiteral("TabPDBChkViewPartList"));
    grid->addWidget(m_btnUpdate, 0, 0);
    grid->addWidget(m_btnUndo, 1, 0);
    grid->addWidget(m_btnClear, 0, 1);
    grid->addWidget(m_btnClearAll, 1, 1);
    grid->addWidget(m_btnGetUserDef, 0, 2);
    grid->addWidget(m_btnSetUserDef, 1, 2);
    grid->addWidget(m_btnGetFactDef, 0, 3);
    grid->addWidget(m_chkViewPartList, 1, 3);
    grid->addWidget(m_btnAccessories, 0, 4);
    grid->setColumnStretch(5, 1);
    v->addLayout(grid);
    layout()->addWidget(bottom);

    connect(m_btnUpdate, &QPushButton::clicked, this, &TTabPDB::updateClicked);
    connect(m_btnUndo, &QPushButton::clicked, this, &TTabPDB::undoClicked);
    auto action = [this](QPushButton* b, int a) {
        connect(b, &QPushButton::clicked, this, [this, a] {
            PDARavova(a);
            TabPDBEnableButtons();
        });
    };
    action(m_btnClear, pdb::ActClear);
    action(m_btnClearAll, pdb::ActClearAll);
    action(m_btnGetUserDef, pdb::ActUserDefault);
    action(m_btnSetUserDef, pdb::ActSetUserDefault);
    action(m_btnGetFactDef, pdb::ActFactoryDefault);
    connect(m_btnAccessories, &QPushButton::clicked, this, &TTabPDB::accessoriesClicked);
    connect(m_chkViewPartList, &QCheckBox::toggled, this, &TTabPDB::viewPartListToggled);
}

// --- drawing -----------------------------------------------------------------------

void TTabPDB::PDARavova(int action, int position, bool live)
{
    m_cfg.PDARavova(action, position, live);
    refresh();
    emit refreshed(action);
}

void TTabPDB::refresh()
{
    m_filling = true;
    fillSeriesList();
    {
        // The change handler of the formatted field keeps the other one in step.
        m_artNr->setText(m_cfg.articleNumberText());
    }
    m_totClass->setText(m_cfg.totalClass());
    for (int n = 1; n <= kRows; ++n)
        fillRow(n);
    m_filling = false;
    PDBLayoutRows();
    if (m_buttonsAllowed)
        TabPDBEnableButtons();
}

void TTabPDB::fillSeriesList()
{
    const QSignalBlocker block(m_series);
    const std::vector<pdb::SeriesInfo> list = m_cfg.PDBListSeries();
    m_series->clear();
    for (const pdb::SeriesInfo& s : list)
        m_series->addItem(s.series + QStringLiteral("  ") + s.pumpTextLang, s.series);
    m_series->setCurrentIndex(m_cfg.seriesListValue().isEmpty() ? -1 : m_series->findData(m_cfg.seriesListValue()));
    m_series->setEnabled(m_cfg.databaseCurrent());
}

void TTabPDB::fillRow(int n)
{
    Row& r = m_rows[std::size_t(n - 1)];
    const RowView& v = m_cfg.row(n);
    r.torva->setText(v.torvaMark);
    r.label->setText(v.label);
    r.label->setToolTip(v.label);
    r.image->setToolTip(v.infoTexts.join(QLatin1Char('\n')));
    r.classLabel->setText(v.classLabel);
    {
        const QSignalBlocker block(r.lock);
        r.lock->setChecked(v.lockTicked);
    }
    if (v.type == QLatin1Char('M'))
        fillCheckList(n);
    else if (v.type == QLatin1Char('S') || v.type == QLatin1Char('Z'))
        fillCombo(n);
}

void TTabPDB::fillCombo(int n)
{
    TPDBComboBox* combo = m_rows[std::size_t(n - 1)].combo;
    const RowView& v = m_cfg.row(n);
    const QSignalBlocker block(combo);
    combo->clear();
    const QString code = m_cfg.code();
    for (const pdb::ListEntry& e : v.entries) {
        QString shown;
        if (m_cfg.restoredMode()) {
            shown = n <= code.size() ? QString(code.at(n - 1)) : QStringLiteral("?");
        } else if (e.selIndex < 0) {
            shown = QStringLiteral("?");
        } else {
            const auto& infos = m_cfg.selInfos(n);
            const auto i = std::size_t(e.selIndex);
            shown = i < infos.size() && !infos[i].code.isNull() ? QString(infos[i].code) : QStringLiteral("?");
        }
        combo->addItem(e.text);
        const int i = combo->count() - 1;
        combo->setItemData(i, true, TPDBComboBox::RoleHasEntry);
        combo->setItemData(i, shown, TPDBComboBox::RoleCode);
        combo->setItemData(i, e.classText, TPDBComboBox::RoleClass);
        combo->setItemData(i, e.invalid, TPDBComboBox::RoleInvalid);
        combo->setItemData(i, e.text, Qt::ToolTipRole);
    }
    combo->setCurrentIndex(v.chosen);
    const pdb::ListEntry* chosen = v.chosenEntry();
    combo->setToolTip(chosen ? chosen->text : QString());
}

void TTabPDB::fillCheckList(int n)
{
    ThmCheckListBox* list = m_rows[std::size_t(n - 1)].checkList;
    const RowView& v = m_cfg.row(n);
    const QSignalBlocker block(list);
    list->clear();
    for (int k = 0; k < int(v.boxes.size()); ++k) {
        const pdb::CheckBoxItem& b = v.boxes[std::size_t(k)];
        list->addItemText(b.text);
        list->setChecked(k, b.ticked);
        list->setDisabled(k, !b.enabled);
        list->setItemData(k, b.selIndex);
    }
    list->setTextColor(v.redText ? QColor(Qt::red) : QColor());
    if (v.currentBox >= 0 && v.currentBox < list->count())
        list->setCurrentRow(v.currentBox);
}

void TTabPDB::PDBLayoutRows()
{
    if (m_layingOut)
        return;
    m_layingOut = true;
    const int count = m_cfg.positionCount();
    std::array<int, kRows + 1> height{};
    std::array<int, kRows + 1> top{};
    int total = 0;
    bool anyInfo = false;
    for (int n = 1; n <= kRows; ++n) {
        const RowView& v = m_cfg.row(n);
        const QChar t = v.type;
        int h = 0;
        if (n <= count) {
            if (t == QLatin1Char('S') || t == QLatin1Char('Z'))
                h = kRowHeight;
            else if (t == QLatin1Char('M'))
                h = v.boxes.empty() ? 0 : int(v.boxes.size()) * kCheckItemHeight + 4;
        }
        height[std::size_t(n)] = h;
        top[std::size_t(n)] = total;
        total += h;
        anyInfo = anyInfo || !v.infoTexts.isEmpty();
    }
    const int torvaW = kFixedColumn;
    const int labelW = m_labelWidth;
    const int infoW = anyInfo ? kInfoColumn : 0;
    const int classW = kFixedColumn;
    const int lockW = kFixedColumn;
    const int valueW = std::max(kMinValueColumn, m_scrollBox->viewport()->width() - labelW - infoW - 57);
    int x = 0;
    auto place = [&](QWidget* panel, int w) {
        panel->setGeometry(x, 0, w, total);
        x += w;
    };
    place(m_panelTorva, torvaW);
    place(m_panelLabels, labelW);
    place(m_panelInfo, infoW);
    m_panelInfo->setVisible(infoW > 0);
    place(m_panelSelection, valueW);
    place(m_panelClass, classW);
    place(m_panelLocks, lockW);
    m_scrollContents->resize(x, total);

    m_header->resizeSection(0, torvaW);
    m_header->resizeSection(1, labelW);
    // The values' title stands over the information column too.
    m_header->resizeSection(2, infoW + valueW);
    m_header->resizeSection(3, classW);
    m_header->resizeSection(4, lockW);

    const bool current = m_cfg.databaseCurrent();
    for (int n = 1; n <= kRows; ++n) {
        Row& r = m_rows[std::size_t(n - 1)];
        const RowView& v = m_cfg.row(n);
        const int h = height[std::size_t(n)];
        const int y = top[std::size_t(n)];
        const QChar t = n <= count ? v.type : QChar(u' ');
        const bool shown = n <= count && h > 0 && t != QLatin1Char(' ');
        r.torva->setGeometry(0, y, torvaW, h);
        r.label->setGeometry(0, y, labelW, h);
        r.combo->setGeometry(0, y, valueW, h);
        r.checkList->setGeometry(0, y, valueW, h);
        r.classLabel->setGeometry(0, y, classW, h);
        r.lockLabel->setGeometry(0, y, lockW, h);
        r.lock->setGeometry(2, y + std::max(0, (h - 15) / 2), lockW - 2, std::min(h, 15));
        r.image->move(0, y + 3);
        r.image->setVisible(n <= count && !v.infoTexts.isEmpty());
        r.torva->setVisible(shown);
        r.label->setVisible(shown);
        r.classLabel->setVisible(shown);
        r.lockLabel->setVisible(shown);
        r.checkList->setVisible(shown && t == QLatin1Char('M'));
        r.combo->setVisible(shown && (t == QLatin1Char('S') || t == QLatin1Char('Z')));
        r.lock->setVisible(shown && t != QLatin1Char('Z'));
        const bool editable = current && n > 2 && n <= count;
        r.image->setEnabled(true);
        r.torva->setEnabled(editable);
        r.label->setEnabled(editable);
        r.classLabel->setEnabled(editable);
        r.lockLabel->setEnabled(editable);
        // The engine knows more: a locked row or a "Z" row with one value
        // cannot be changed either.
        r.combo->setEnabled(editable && v.enabled);
        r.checkList->setEnabled(editable && v.enabled);
        r.lock->setEnabled(editable);
    }
    m_layingOut = false;
}

void TTabPDB::TabPDBEnableButtons()
{
    m_buttonsAllowed = true;
    const bool current = m_cfg.databaseCurrent();
    for (QPushButton* b : {m_btnUpdate, m_btnClear, m_btnClearAll, m_btnGetUserDef, m_btnSetUserDef, m_btnGetFactDef})
        b->setEnabled(current);
    const bool modified = current && m_cfg.PDBIsModified();
    m_btnUndo->setEnabled(modified);
    m_btnAccessories->setEnabled(current && !modified);
}

void TTabPDB::disableButtons()
{
    m_buttonsAllowed = false;
    for (QPushButton* b : {m_btnUpdate, m_btnUndo, m_btnClear, m_btnClearAll, m_btnGetUserDef, m_btnSetUserDef,
                           m_btnGetFactDef, m_btnAccessories})
        b->setEnabled(false);
}

void TTabPDB::showVersions(const QString& storedVersion, const QString& currentVersion, const QString& directory,
                           bool oldVersion)
{
    m_productPdbVer->setText(storedVersion);
    m_pdbVer->setText(currentVersion);
    m_pdbPath->setText(directory);
    m_pdbPath->setToolTip(directory);
    m_oldVersion->setVisible(oldVersion);
}

bool TTabPDB::isModified() const
{
    return m_cfg.PDBIsModified();
}

void TTabPDB::setViewPartListChecked(bool checked)
{
    const QSignalBlocker block(m_chkViewPartList);
    m_chkViewPartList->setChecked(checked);
}

QString TTabPDB::GetPDBInfo(QChar separator, bool transpose) const
{
    QStringList lines;
    for (int n = 1; n <= kRows; ++n) {
        const Row& r = m_rows[std::size_t(n - 1)];
        if (!r.label || !r.combo || !r.checkList || r.label->isHidden())
            continue;
        if (!r.combo->isHidden()) {
            lines << r.label->text() + separator + r.combo->currentText();
        } else if (!r.checkList->isHidden()) {
            QStringList ticked;
            for (int k = 0; k < r.checkList->count(); ++k)
                if (r.checkList->Checked(k))
                    ticked << r.checkList->itemText(k);
            lines << r.label->text() + separator + ticked.join(QStringLiteral(", "));
        }
    }
    QString text = lines.join(QLatin1Char('\n'));
    if (!lines.isEmpty())
        text += QLatin1Char('\n');
    return transpose ? TransposeText(text) : text;
}

void TTabPDB::copySelection(bool transpose)
{
    QApplication::clipboard()->setText(GetPDBInfo(QLatin1Char('\t'), transpose));
}

// --- handlers ----------------------------------------------------------------------

void TTabPDB::TabPDBSelectionProductsClick(int index)
{
    m_cfg.setSeriesListValue(index >= 0 ? m_series->itemData(index).toString() : QString());
    PDARavova(pdb::ActSeriesChanged);
    TabPDBEnableButtons();
}

void TTabPDB::TabPDBComboSelectionChange(int n)
{
    if (m_filling)
        return;
    Row& r = m_rows[std::size_t(n - 1)];
    if (m_cfg.row(n).type != QLatin1Char('M'))
        m_cfg.chooseEntry(n, r.combo->currentIndex());
    PDARavova(pdb::ActValueChanged, n);
    TabPDBEnableButtons();
}

void TTabPDB::TabPDBCheckBoxClick(int n)
{
    m_cfg.setLockTicked(n, m_rows[std::size_t(n - 1)].lock->isChecked());
    PDARavova(pdb::ActLockChanged, n);
    TabPDBEnableButtons();
}

void TTabPDB::TabPDBComboSelectionDropDown(int n)
{
    PDARavova(pdb::ActGoLiveIfRestored, n);
}

void TTabPDB::TabPDBEditArtNrOnChange(const QString& text)
{
    m_artNrNoDots->setText(QString(text).remove(QLatin1Char('.')));
}

void TTabPDB::TabPDBEditArtNrNoDotsKeyPress()
{
    const QString typed = m_artNrNoDots->text();
    {
        const QSignalBlocker block(m_artNr);
        m_artNr->setText(typed);
    }
    m_cfg.setArtNrText(typed);
    PDARavova(pdb::ActArticleNumber);
    TabPDBEnableButtons();
}

void TTabPDB::TabPDBEditArtNrKeyPress()
{
    m_cfg.setArtNrText(m_artNr->text());
    PDARavova(pdb::ActArticleNumber);
    TabPDBEnableButtons();
}

void TTabPDB::TabPDBHeaderSectionResize(int section, int oldSize, int newSize)
{
    Q_UNUSED(oldSize);
    if (m_layingOut || section != 1)
        return;
    const int clamped = std::clamp(newSize, 50, 400);
    if (clamped != newSize) {
        m_header->resizeSection(1, clamped);
        return;
    }
    m_labelWidth = clamped;
    if (!m_cfg.code().isEmpty())
        PDARavova(pdb::ActRelayout);
    else
        PDBLayoutRows();
}

void TTabPDB::TabPDBScrollBoxSelectionsResize()
{
    if (m_layingOut)
        return;
    if (!m_cfg.code().isEmpty())
        PDARavova(pdb::ActRelayout);
    else
        PDBLayoutRows();
}

bool TTabPDB::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scrollBox->viewport() && event->type() == QEvent::Resize)
        TabPDBScrollBoxSelectionsResize();
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int n = 1; n <= kRows; ++n)
            if (watched == m_rows[std::size_t(n - 1)].image) {
                if (m_rows[std::size_t(n - 1)].image->isVisible())
                    emit infoImageDoubleClicked(n);
                return true;
            }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kiro
