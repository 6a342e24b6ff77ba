#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace kiro {

// Translation of windows by component name. The language tables install the
// real translator when they are open; until then windows keep the English
// texts they were built with.
using FormTranslator = std::function<void(QWidget& form)>;
void setFormTranslator(FormTranslator translator);

// Translates a window that was just created; errors of the translation are
// the translator's to report and never stop the window from being shown.
void TranslateForm(QWidget& form);

// The language identifier for a Language setting (a column of the language
// tables). Without language tables the setting is taken as it stands.
QString GetLangID(const QString& languageSetting);
// Switches the user interface (and the message texts) to a language.
void SetLangApplication(const QString& languageId);
// Switches the project-side lookups and the configurator to a language.
// Installed by the project data and the configurator once they exist.
using LanguageSwitch = std::function<void(const QString& languageId)>;
void setOtherLanguageSwitch(LanguageSwitch fn);
void SetLangOther(const QString& languageId);

} // namespace kiro
