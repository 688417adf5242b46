#pragma once

#include <QtGlobal>

namespace plandor {

// Qt's own texts (message box buttons, file dialogs, the overwrite question)
// in the language of the run. They come from Qt's translation files
// (qtbase_zh_CN.qm in Qt's translations folder, Debian package
// qt6-translations-l10n); an English run needs none.
namespace QtTranslations {

// Installs the translator for the language (LanguageOffset's values) into the
// running application, replacing one installed before. True when Qt's texts
// are now in that language; false when the translation file is missing (Qt's
// texts then stay English). Needs a QCoreApplication.
bool install(qint16 languageOffset);

} // namespace QtTranslations
} // namespace plandor
