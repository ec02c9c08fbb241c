// "Экспорт карт…" and "Импорт карт…" of the File menu: the shown
// controller's card list to and from a spreadsheet file, .csv or .xlsx (the
// save dialog's filter picks it, a chosen name's extension decides). A
// refused file changes nothing; an accepted one replaces the list after a
// question, and with AutoWriteKey on goes on into the controller as
// "Записать карты" would, after the same question.
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>

#include "config/card_csv.h"
#include "config/card_xlsx.h"
#include "config/file_io.h"
#include "engine/card_edit.h"
#include "engine/preflight.h"
#include "ui/main_form.h"
#include "ui/save_failure.h"

namespace pelko {
namespace {

const QString kCsvFilter = QStringLiteral("Таблицы CSV (*.csv)");
const QString kXlsxFilter = QStringLiteral("Книги Excel (*.xlsx)");
const QString kAllFilter = QStringLiteral("Все файлы (*)");

QString Filters() {
    return XlsxSupported() ? kCsvFilter + ";;" + kXlsxFilter + ";;" + kAllFilter : kCsvFilter + ";;" + kAllFilter;
}

bool IsXlsx(const QString& name) { return name.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive); }

}  // namespace

QString TMainForm::AskCsvName(bool save, const QString& suggested) {
    if (CsvFileName) return CsvFileName(save, suggested);
    const QString folder = FConfigFileName.empty() ? StartFolder()
                                                   : QFileInfo(QString::fromStdString(FConfigFileName)).absolutePath();
    if (!save) return QFileDialog::getOpenFileName(this, QStringLiteral("Импорт карт"), folder, Filters());
    QFileDialog dialog(this, QStringLiteral("Экспорт карт"), folder, Filters());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(suggested);
    // The filter picks the format: a name typed without an extension takes its suffix.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(filter == kXlsxFilter ? QStringLiteral("xlsx") : QStringLiteral("csv"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    const QString name = dialog.selectedFiles().front();
    // Under the Excel filter a name with another extension (the suggested .csv) becomes .xlsx too.
    if (dialog.selectedNameFilter() != kXlsxFilter || IsXlsx(name)) return name;
    const QString base = name.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? name.chopped(4) : name;
    return base + QStringLiteral(".xlsx");
}

// A name ending in .xlsx in a build that cannot read or write it.
bool TMainForm::RefuseXlsx(const QString& name) {
    if (!IsXlsx(name) || XlsxSupported()) return false;
    ShowMessage(kCaptionMessage, kTextNoXlsx, TMsgIcon::Warning);
    return true;
}

void TMainForm::ExportCardsCsvClick() {
    const TConfPelko* dev = FGroup.GetDevice(FGroup.Selected(), nullptr);
    if (dev == nullptr) return;
    const QString name = AskCsvName(true, QStringLiteral("Карты %1.csv").arg(dev->Config[kAdrByte]));
    if (name.isEmpty() || RefuseXlsx(name)) return;
    std::string bytes;
    if (IsXlsx(name)) {
        TXlsxFile xlsx = CardsToXlsx(*dev);
        if (!xlsx.ok) {
            ShowMessage(kCaptionMessage, std::string(kTextSaveFailed) + "\r\n" + xlsx.reason, TMsgIcon::Error);
            return;
        }
        bytes = std::move(xlsx.bytes);
    } else {
        bytes = CardsToCsv(*dev);
    }
    const FileResult r = WriteFileSafely(name.toStdString(), bytes);
    if (!r.ok) {
        ShowMessage(kCaptionMessage, std::string(kTextSaveFailed) + "\r\n" + SaveFailureReason(r.error), TMsgIcon::Error);
        return;
    }
    FStatusInfo->setText(QStringLiteral("Карты «%1» сохранены в %2: %3")
                             .arg(QString::fromStdString(dev->Name), QFileInfo(name).fileName())
                             .arg(dev->UserCount() + dev->MasterCount()));
}

void TMainForm::ImportCardsCsvClick() {
    const DevIndex sel = FGroup.Selected();
    TConfPelko* dev = FGroup.GetDevice(sel, nullptr);
    if (dev == nullptr) return;
    const QString name = AskCsvName(false, {});
    if (name.isEmpty() || RefuseXlsx(name)) return;
    std::string bytes;
    if (!ReadWholeFile(name.toStdString(), bytes).ok) {
        ShowMessage(kCaptionMessage, kTextOpenFailed, TMsgIcon::Error);
        return;
    }
    const bool xlsx = IsXlsx(name);
    const TCsvCards cards = xlsx ? CardsFromXlsx(bytes) : CardsFromCsv(bytes);
    if (!cards.ok) {
        ShowMessage(kCaptionMessage, "Файл " + QFileInfo(name).fileName().toStdString() + " не принят, ничего не изменено.\r\n" +
                                         CsvRefusal(cards), TMsgIcon::Warning);
        return;
    }
    const std::string question = "Карты прибора «" + dev->Name + "» (" +
                                 std::to_string(dev->UserCount() + dev->MasterCount()) +
                                 ") будут заменены картами из файла (" + std::to_string(cards.cards.size()) +
                                 ").\nЗаменить?";
    if (!AskNoByDefault("Внимание", question)) return;
    // One edit like any other, applied as the engine applies every card
    // edit: undone with Ctrl+Z while edits stay in the program.
    RecordEdit(xlsx ? "импорт карт из XLSX" : "импорт карт из CSV",
               [&] { FEngine->ApplyToModel(sel, TCardEdit::ReplaceList(cards.cards)); });
    UpdateInspCard();
    FStatusInfo->setText(QStringLiteral("Карты «%1» взяты из %2: %3")
                             .arg(QString::fromStdString(dev->Name), QFileInfo(name).fileName())
                             .arg(cards.cards.size()));
    // Into the controller as the card edits go: with AutoWriteKey, the port open and the device opened.
    const bool through = FSettings.AutoWriteKey && !FPortClosed && FGroup.GetState(sel, dfOpened);
    if (through && AskNoByDefault("Внимание", WritePreflight({dev}, FCardsRead).Question())) {
        FProgressText.Start({});
        RunErasing([this, sel](bool withoutBackup, TEngine::TDone done) {
            FEngine->WriteCards(sel, {.withoutBackup = withoutBackup, .allCells = WriteAllCells()}, std::move(done));
        }, [this](const TCommandResult& r) {
            TransferStatus();
            WriteCheckStatus(r.checks);
        });
    }
    UpdateControls();
}

}  // namespace pelko
