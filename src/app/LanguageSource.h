#pragma once

#include "app/FormTranslation.h"

namespace kiro {

class TFormData;

// Window texts from the interface tables of the language database, on the
// row of the active language.
class LanguageSource : public TranslationSource {
public:
    explicit LanguageSource(const TFormData& data)
        : m_data(data)
    {
    }
    bool isOpen() const override;
    std::optional<QString> lookup(const QString& name) const override;
    std::optional<QString> menuText(const QString& name) const override;
    std::optional<QString> toolButtonText(const QString& name) const override;

private:
    const TFormData& m_data;
};

} // namespace kiro
