// Shows every control of the program with sample data.
//   controls-demo [--edit ROW] [--screenshot FILE.png]
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "demo/demo_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const qsizetype shot = args.indexOf(QStringLiteral("--screenshot"));
    if (shot >= 0 && shot + 1 >= args.size()) {
        std::fprintf(stderr, "usage: controls-demo [--edit ROW] [--screenshot FILE.png]\n");
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
