#pragma once
// Qt's own texts (file dialogs, standard buttons, line-edit menus) in Russian,
// as every text of the program is.
#include <QCoreApplication>

namespace pelko {

// Installs Qt's Russian translations into the application; false when they
// are not installed (Debian: qt6-translations-l10n).
bool InstallQtTranslations(QCoreApplication& app);

}  // namespace pelko
