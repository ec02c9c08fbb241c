// Shows every control of the program with sample data.
//   controls-demo [--edit ROW] [--screenshot FILE.png] [--help]
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "demo/demo_window.h"

namespace {

const char kUsage[] = "usage: controls-demo [--edit ROW] [--screenshot FILE.png] [--help]\n";

const char kHelp[] =
    "Shows every control of the program with sample data.\n"
    "  --edit ROW              open the inspector's editor on ROW\n"
    "  --screenshot FILE.png   save the window to FILE.png and exit\n"
    "  -h, --help              show this help and exit\n";

}  // namespace

int main(int argc, char** argv) {
    // Before the application object: help needs no display.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return 0;
        }
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const qsizetype shot = args.indexOf(QStringLiteral("--screenshot"));
    if (shot >= 0 && shot + 1 >= args.size()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    pelko::demo::TDemoWindow window;
    window.show();
    if (const qsizetype edit = args.indexOf(QStringLiteral("--edit")); edit >= 0 && edit + 1 < args.size())
        window.EditInspectorRow(args[edit + 1].toInt());
    if (shot < 0)
        return app.exec();
    const QString file = args[shot + 1];
    QTimer::singleShot(300, &window, [&window, file] {
        const bool saved = window.grab().save(file);
        if (!saved)
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        QApplication::exit(saved ? 0 : 3);
    });
    return app.exec();
}
