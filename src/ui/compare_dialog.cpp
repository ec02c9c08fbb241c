#include "ui/compare_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <set>

#include "engine/change_tally.h"
#include "engine/engine_core.h"

namespace pelko {
namespace {

QTableWidgetItem* Item(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QString Summary(const TCardCheck& check) {
    QString text = QStringLiteral("Различий: %1").arg(check.differ.size());
    if (!check.unread.empty())
        text += QStringLiteral("\nНе удалось прочитать ячейки: ") + QString::fromStdString(CellRanges(check.unread)) +
                QStringLiteral(" — о них ничего не известно.");
    return text;
}

}  // namespace

const char* DiffKindText(const TCellDiff& d) {
    if (SameCode(d.model, EmptyCode)) return "только в приборе";
    if (SameCode(d.device, EmptyCode)) return "только в программе";
    return "разные коды";
}

TCompareDialog::TCompareDialog(QWidget* owner, const QString& deviceName, const TCardCheck& check)
    : QDialog(owner), FDiffs(check.differ) {
    setObjectName(QStringLiteral("CompareForm"));
    setWindowTitle(QStringLiteral("Сравнение с прибором «%1»").arg(deviceName));
    auto* column = new QVBoxLayout(this);
    auto* summary = new QLabel(Summary(check));
    summary->setObjectName(QStringLiteral("CompareSummary"));
    column->addWidget(summary);

    FTable = new QTableWidget(static_cast<int>(FDiffs.size()), 4);
    FTable->setObjectName(QStringLiteral("CompareTable"));
    FTable->setAccessibleName(QStringLiteral("Различия"));
    FTable->setHorizontalHeaderLabels(
        {QStringLiteral("Ячейка"), QStringLiteral("В программе"), QStringLiteral("В приборе"), QStringLiteral("Различие")});
    FTable->verticalHeader()->hide();
    FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    FTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (int r = 0; r < static_cast<int>(FDiffs.size()); ++r) {
        const TCellDiff& d = FDiffs[static_cast<std::size_t>(r)];
        FTable->setItem(r, 0, Item(QString::number(d.cell)));
        FTable->setItem(r, 1, Item(QString::fromStdString(CellCodeText(d.model))));
        FTable->setItem(r, 2, Item(QString::fromStdString(CellCodeText(d.device))));
        FTable->setItem(r, 3, Item(QString::fromUtf8(DiffKindText(d))));
    }
    FTable->resizeColumnsToContents();
    FTable->horizontalHeader()->setStretchLastSection(true);
    column->addWidget(FTable, 1);
    auto* hint = new QLabel(QStringLiteral("Выделите строки; без выделения берутся все."));
    column->addWidget(hint);

    auto* buttons = new QHBoxLayout;
    const auto button = [&](const char* name, const QString& text, auto onClick) {
        auto* b = new QPushButton(text);
        b->setObjectName(QString::fromLatin1(name));
        b->setEnabled(!FDiffs.empty() || std::string(name) == "CloseButton");
        connect(b, &QPushButton::clicked, this, onClick);
        buttons->addWidget(b);
        return b;
    };
    button("TakeDeviceButton", QStringLiteral("Взять из &прибора"), [this] { Choose(TChoice::TakeDevice); });
    button("TakeProgramButton", QStringLiteral("&Записать в прибор"), [this] { Choose(TChoice::TakeProgram); });
    buttons->addStretch(1);
    button("CloseButton", QStringLiteral("Закрыть"), [this] { reject(); })->setDefault(true);
    column->addLayout(buttons);
    resize(560, 400);
}

void TCompareDialog::Choose(TChoice choice) {
    FChoice = choice;
    accept();
}

std::vector<TCellDiff> TCompareDialog::ChosenCells() const {
    std::set<int> rows;
    for (const QModelIndex& i : FTable->selectionModel()->selectedRows()) rows.insert(i.row());
    if (rows.empty()) return FDiffs;
    std::vector<TCellDiff> out;
    for (int r : rows) out.push_back(FDiffs[static_cast<std::size_t>(r)]);
    return out;
}

}  // namespace pelko
