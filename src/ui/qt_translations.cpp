#include "ui/qt_translations.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace pelko {

bool InstallQtTranslations(QCoreApplication& app) {
    // The program speaks Russian whatever the desktop's language.
    auto* qt = new QTranslator(&app);
    if (!qt->load(QStringLiteral("qt_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    return QCoreApplication::installTranslator(qt);
}

}  // namespace pelko
