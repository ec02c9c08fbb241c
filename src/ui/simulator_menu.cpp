#include "ui/simulator_menu.h"

#include <QMenu>
#include <QMenuBar>

#include "model/code.h"
#include "ui/access_keys.h"
#include "sim/demo_line.h"
#include "sim/sim_serial_port.h"

namespace pelko {
namespace {

QString CodeText(const SimCode& code) { return QString::fromStdString(CodeToText(code)); }

QString DeviceText(const SimController& c) {
    return QStringLiteral("Прибор %1 (%2 бит/сек.)").arg(c.Adr()).arg(c.Baud());
}

// A card the controller holds already: holding it must be refused as a duplicate.
std::optional<SimCode> StoredCard(const SimController& c) {
    for (std::uint16_t n = 0; n < kSimCellCount; ++n)
        if (c.Cell(n) != kNoCode) return c.Cell(n);
    return std::nullopt;
}

}  // namespace

#if PELKO_SIM_ON_PTY

TSimulatorMenu::TSimulatorMenu(QObject* parent, bool timing)
    : QObject(parent), FLine(std::make_shared<SimLine>(std::make_shared<RealClock>())), FService(FLine, timing) {}

TSimulatorMenu::~TSimulatorMenu() { FService.Stop(); }

bool TSimulatorMenu::Start(std::string& error) {
    SetUpDemoLine(*FLine);
    return FService.Start(error);
}

std::string TSimulatorMenu::PortPath() const { return FService.SlavePath(); }

PortOpener TSimulatorMenu::Opener(PortOpener real) const { return real; }

#else

// The in-process port paces its answers at the line speed by itself.
TSimulatorMenu::TSimulatorMenu(QObject* parent, bool)
    : QObject(parent), FLine(std::make_shared<SimLine>(std::make_shared<RealClock>())) {}

TSimulatorMenu::~TSimulatorMenu() = default;

bool TSimulatorMenu::Start(std::string&) {
    SetUpDemoLine(*FLine);
    // The port here models the half-duplex line: an answer that starts while
    // RTS is still up is lost. A busy desktop wakes the worker late now and
    // then, so the controllers give it 5 ms instead of 1 to let go.
    FLine->SetTurnaroundUs(5000);
    return true;
}

std::string TSimulatorMenu::PortPath() const { return "симулятор"; }

PortOpener TSimulatorMenu::Opener(PortOpener real) const {
    return [line = FLine, real = std::move(real)](std::uint8_t n, std::string& error) {
        return n == 1 ? MakeSimPortOpener(line, 1)(n, error) : real(n, error);
    };
}

#endif

void TSimulatorMenu::BuildMenu(QMenuBar* bar) {
    QMenu* menu = bar->addMenu(QStringLiteral("С&имулятор"));
    menu->setObjectName(QStringLiteral("SimulatorMenu"));
    QMenu* cards = menu->addMenu(QStringLiteral("&Поднести карту"));
    connect(cards, &QMenu::aboutToShow, this, [this, cards] { FillCards(cards); });
    QAction* take = menu->addAction(QStringLiteral("&Убрать карту"));
    connect(take, &QAction::triggered, this, [this] {
        for (SimControllerId id : FLine->Ids()) FLine->RemoveCard(id);
    });
    menu->addSeparator();
    QMenu* unplug = menu->addMenu(QStringLiteral("&Отключить прибор"));
    connect(unplug, &QMenu::aboutToShow, this, [this, unplug] { FillPlugs(unplug, true); });
    QMenu* plug = menu->addMenu(QStringLiteral("По&дключить прибор"));
    connect(plug, &QMenu::aboutToShow, this, [this, plug] { FillPlugs(plug, false); });
}

void TSimulatorMenu::FillCards(QMenu* menu) {
    menu->clear();
    QSet<QChar> devices;
    for (SimControllerId id : FLine->Ids()) {
        const std::optional<SimController> c = FLine->Snapshot(id);
        if (!c || !FLine->IsPlugged(id)) continue;
        QMenu* device = menu->addMenu(WithFreeAccessKey(DeviceText(*c), devices));
        QSet<QChar> cards;
        for (const SimCode& code : DemoCards())
            connect(device->addAction(WithFreeAccessKey(QStringLiteral("Карта %1").arg(CodeText(code)), cards)),
                    &QAction::triggered, this, [this, id, code] { FLine->PresentCard(id, code); });
        if (const std::optional<SimCode> stored = StoredCard(*c))
            connect(device->addAction(
                        WithFreeAccessKey(QStringLiteral("Карта %1 (уже в памяти)").arg(CodeText(*stored)), cards)),
                    &QAction::triggered, this, [this, id, code = *stored] { FLine->PresentCard(id, code); });
    }
}

void TSimulatorMenu::FillPlugs(QMenu* menu, bool plugged) {
    menu->clear();
    QSet<QChar> used;
    for (SimControllerId id : FLine->Ids()) {
        const std::optional<SimController> c = FLine->Snapshot(id);
        if (!c || FLine->IsPlugged(id) != plugged) continue;
        connect(menu->addAction(WithFreeAccessKey(DeviceText(*c), used)), &QAction::triggered, this, [this, id, plugged] {
            if (plugged) FLine->Unplug(id);
            else FLine->Plug(id);
        });
    }
    if (menu->isEmpty()) menu->addAction(QStringLiteral("&нет"))->setEnabled(false);
}

}  // namespace pelko
