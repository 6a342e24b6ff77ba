#include "app/LanguageSource.h"

#include "data/FormData.h"
#include "db/Dataset.h"

namespace kiro {

bool LanguageSource::isOpen() const
{
    const db::Dataset* main = m_data.findTable(QStringLiteral("TableLangMain"));
    return main && main->isActive();
}

std::optional<QString> LanguageSource::lookup(const QString& name) const
{
    if (auto text = m_data.interfaceText(QStringLiteral("TableLangDialogs"), name))
        return text;
    return m_data.interfaceText(QStringLiteral("TableLangMain"), name);
}

std::optional<QString> LanguageSource::menuText(const QString& name) const
{
    return m_data.interfaceText(QStringLiteral("TableLangMenus"), name);
}

std::optional<QString> LanguageSource::toolButtonText(const QString& name) const
{
    return m_data.interfaceText(QStringLiteral("TableLangToolButtons"), name);
}

} // namespace kiro
