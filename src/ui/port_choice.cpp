#include "ui/port_choice.h"

#include <QSettings>

namespace pelko {
namespace {

QString Key(int port) { return QStringLiteral("ports/%1").arg(port); }

}  // namespace

TPortChoice::TPortChoice(PortMap fixed, std::set<int> fixedPorts)
    : FMap(std::move(fixed)), FFixed(std::move(fixedPorts)) {
    QSettings stored;
    stored.beginGroup(QStringLiteral("ports"));
    for (const QString& key : stored.childKeys()) {
        bool number = false;
        const int port = key.toInt(&number);
        const QString path = stored.value(key).toString();
        if (number && port >= 1 && port <= 255 && !FFixed.count(port) && !path.isEmpty())
            FMap.Set(static_cast<std::uint8_t>(port), path.toStdString());
    }
}

QString TPortChoice::PathFor(int port) const {
    if (port < 1 || port > 255) return {};
    return QString::fromStdString(FMap.PathFor(static_cast<std::uint8_t>(port)));
}

void TPortChoice::Fix(int port, const QString& path) {
    if (port < 1 || port > 255) return;
    FMap.Set(static_cast<std::uint8_t>(port), path.toStdString());
    FFixed.insert(port);
}

void TPortChoice::Choose(int port, const QString& path) {
    if (port < 1 || port > 255 || path.isEmpty() || path == PathFor(port)) return;
    FMap.Set(static_cast<std::uint8_t>(port), path.toStdString());
    if (!FFixed.count(port)) QSettings().setValue(Key(port), path);
}

}  // namespace pelko
