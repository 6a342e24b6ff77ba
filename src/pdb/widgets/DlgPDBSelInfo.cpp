#include "pdb/widgets/DlgPDBSelInfo.h"

#include "app/core/Messages.h"
#include "pdb/PDB.h"
#include "pdb/widgets/TabPDB.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>

namespace kiro {

TdlgPDBSelInfo::TdlgPDBSelInfo(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgPDBSelInfo"));
    setWindowTitle(QStringLiteral("Selection information"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setModal(false);
    resize(420, 300);
    auto* layout = new QVBoxLayout(this);
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("mmoInfoSel"));
    m_memo->setReadOnly(true);
    QPalette p = m_memo->palette();
    p.setColor(QPalette::Base, QColor(255, 255, 225));
    m_memo->setPalette(p);
    layout->addWidget(m_memo);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_print = new QPushButton(QStringLiteral("&Print"), this);
    m_print->setObjectName(QStringLiteral("BtnPrint"));
    m_print->setVisible(false);
    buttons->addWidget(m_print);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BtnOK"));
    ok->setDefault(true);
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void TdlgPDBSelInfo::UpdateInfoList()
{
    if (!m_tab)
        return;
    try {
        QStringList lines;
        const pdb::PDBConfigurator& cfg = m_tab->configurator();
        for (int n = 1; n <= TTabPDB::kRows; ++n) {
            const QStringList& texts = cfg.row(n).infoTexts;
            if (texts.isEmpty())
                continue;
            const QLabel* label = m_tab->rowLabel(n);
            const QString caption = label ? label->text().trimmed().toUpper() : QString();
            lines << (caption.isEmpty() ? QStringLiteral("Selection position %1").arg(n) : caption);
            lines << texts;
        }
        m_memo->setPlainText(lines.join(QLatin1Char('\n')));
    } catch (const std::exception& e) {
        MsgOK(QString::fromUtf8(e.what()));
    }
}

QString TdlgPDBSelInfo::infoText() const
{
    return m_memo->toPlainText();
}

void TdlgPDBSelInfo::showEvent(QShowEvent* event)
{
    UpdateInfoList();
    QDialog::showEvent(event);
}

} // namespace kiro
