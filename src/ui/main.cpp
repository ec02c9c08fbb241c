// confpelko: the program's window.
//   confpelko [--simulate] [--port N=PATH]... [FILE]
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "controls/accessible_grids.h"
#include "pelko_version.h"
#include "ui/main_form.h"
#include "ui/qt_translations.h"
#include "ui/screenshot_scene.h"

namespace {

// Answered before the application object exists: it needs a display.
bool AnsweredWithoutWindow(int argc, char** argv, int& code) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("confpelko %s\n", PELKO_VERSION);
            return (code = 0), true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(pelko::StartUsage().c_str(), stdout);
            return (code = 0), true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (int code = 0; AnsweredWithoutWindow(argc, argv, code)) return code;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ConfPelkoQ250"));
    QApplication::setOrganizationName(QStringLiteral("ConfPelko"));
    QApplication::setApplicationVersion(QStringLiteral(PELKO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("example.confpelko.ConfPelkoQ250"));
    if (!pelko::InstallQtTranslations(app))
        std::fputs("confpelko: нет переводов Qt (пакет qt6-translations-l10n), его надписи будут по-английски\n", stderr);
    pelko::TStartOptions options;
    std::string error;
    // QApplication has taken its own options out of argv.
    if (!pelko::ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "confpelko: %s\n\n%s", error.c_str(), pelko::StartUsage().c_str());
        return 2;
    }
    pelko::InstallAccessibleGrids();
    pelko::TMainForm window(options);
    window.show();
    if (!options.Screenshot.empty()) {
        QTimer::singleShot(0, &window, [&window, &options] {
            QApplication::exit(pelko::MakeScreenshot(window, QString::fromLocal8Bit(options.Screenshot.c_str())));
        });
        return app.exec();
    }
    if (!options.FileName.empty())
        QTimer::singleShot(0, &window, [&window, &options] {
            window.OpenConfigFile(QString::fromLocal8Bit(options.FileName.c_str()));
        });
    return app.exec();
}
