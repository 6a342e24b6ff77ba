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

// The help pages of a language: Help/KIRO_<language>.html beside the
// program, or the UK pages when that language has none.
void SetHelpFile(const QString& language);
QString HelpFile();
// Opens the help pages in the desktop's browser.
void OpenHelp();

} // namespace kiro
