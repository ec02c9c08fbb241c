// "Сравнить с прибором" of the device menu, and the status line a bulk
// write leaves after reading its cells back.
#include <QLabel>
#include <QStatusBar>

#include "ui/compare_dialog.h"
#include "ui/main_form.h"

namespace pelko {

// "Запись карт в Прибор: 3: записано 2, подтверждено 2, не совпало 0; без
// записи совпадали 1008"; what did not match was also a message box.
void TMainForm::WriteCheckStatus(const std::vector<TCardCheck>& checks) {
    if (checks.empty() || !FProgressText.Finished()) return;
    QStringList parts;
    for (const TCardCheck& c : checks) {
        const DevIndex i = FGroup.IndexOfAdr(c.adr);
        const std::string name = i == NoDevice ? "адрес " + std::to_string(c.adr) : FGroup.GetDevice(i, nullptr)->Name;
        parts << QString::fromStdString("Запись карт в " + name + ": " + WriteCheckText(c));
    }
    FStatusInfo->setText(parts.join(QStringLiteral(" · ")));
    // A write of a few cells ends while the backup's notice would still hide
    // this line for seconds; the backup is named in the journal.
    statusBar()->clearMessage();
}

void TMainForm::CompareDevKeysClick() {
    const DevIndex sel = FGroup.Selected();
    const TConfPelko* dev = FGroup.GetDevice(sel, nullptr);
    if (dev == nullptr) return;
    const std::string name = dev->Name;
    FProgressText.Start({});
    FEngine->CompareCards(sel, [this, sel, name](const TCommandResult& r) {
        if (!r.checks.empty()) Compared(sel, name, r.checks.front());
    });
}

void TMainForm::Compared(DevIndex sel, const std::string& name, const TCardCheck& check) {
    if (!check.reached) return;  // the engine said why
    if (check.Matches()) {
        FStatusInfo->setText(QString::fromStdString("Сравнение с " + name + ": различий нет"));
        ShowMessage(kCaptionMessage, "Карты прибора «" + name + "» совпадают с программой.", TMsgIcon::Information);
        return;
    }
    FStatusInfo->setText(QString::fromStdString("Сравнение с " + name + ": различий " + std::to_string(check.differ.size())));
    TCompareDialog dialog(this, QString::fromStdString(name), check);
    if (dialog.exec() != QDialog::Accepted) return;
    const std::vector<TCellDiff> cells = dialog.ChosenCells();
    if (dialog.Choice() == TCompareDialog::TChoice::TakeDevice) {
        FEngine->TakeDeviceCells(sel, cells);
        FStatusInfo->setText(QString::fromStdString("Взято из " + name + " ячеек: " + std::to_string(cells.size())));
        return;
    }
    std::vector<std::uint16_t> numbers;
    for (const TCellDiff& d : cells) numbers.push_back(d.cell);
    FEngine->WriteModelCells(sel, numbers, [this, name](const TCommandResult& r) {
        if (r.checks.empty()) return;
        FStatusInfo->setText(QString::fromStdString("Запись в " + name + ": " + WriteCheckText(r.checks.front())));
    });
}

}  // namespace pelko
