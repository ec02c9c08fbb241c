// confpelko: the program's window.
//   confpelko [--simulate] [--port N=PATH]... [FILE]
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "controls/accessible_grids.h"
#include "ui/main_form.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ConfPelkoQ250"));
    QApplication::setOrganizationName(QStringLiteral("ConfPelko"));
    pelko::TStartOptions options;
    std::string error;
    // QApplication has taken its own options out of argv.
    if (!pelko::ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "confpelko: %s\n\n%s", error.c_str(), pelko::StartUsage().c_str());
        return 2;
    }
    if (options.Help) {
        std::fputs(pelko::StartUsage().c_str(), stdout);
        return 0;
    }
    pelko::InstallAccessibleGrids();
    pelko::TMainForm window(options);
    window.show();
    if (!options.FileName.empty())
        QTimer::singleShot(0, &window, [&window, &options] {
            window.OpenConfigFile(QString::fromLocal8Bit(options.FileName.c_str()));
        });
    return app.exec();
}
