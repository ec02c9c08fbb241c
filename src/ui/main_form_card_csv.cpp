// "Экспорт карт в CSV…" and "Импорт карт из CSV…" of the File menu: the
// shown controller's card list to and from a spreadsheet file. A refused
// file changes nothing; an accepted one replaces the list after a question,
// and with AutoWriteKey on goes on into the controller as "Записать карты"
// would, after the same question.
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>

#include "config/card_csv.h"
#include "config/file_io.h"
#include "engine/preflight.h"
#include "ui/main_form.h"
#include "ui/save_failure.h"

namespace pelko {
namespace {

const QString kCsvFilter = QStringLiteral("Таблицы CSV (*.csv);;Все файлы (*)");

}  // namespace

QString TMainForm::AskCsvName(bool save, const QString& suggested) {
    if (CsvFileName) return CsvFileName(save, suggested);
    const QString folder = FConfigFileName.empty() ? StartFolder()
                                                   : QFileInfo(QString::fromStdString(FConfigFileName)).absolutePath();
    if (!save)
        return QFileDialog::getOpenFileName(this, QStringLiteral("Импорт карт из CSV"), folder, kCsvFilter);
    QFileDialog dialog(this, QStringLiteral("Экспорт карт в CSV"), folder, kCsvFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

void TMainForm::ExportCardsCsvClick() {
    const TConfPelko* dev = FGroup.GetDevice(FGroup.Selected(), nullptr);
    if (dev == nullptr) return;
    const QString name = AskCsvName(true, QStringLiteral("Карты %1.csv").arg(dev->Config[kAdrByte]));
    if (name.isEmpty()) return;
    const FileResult r = WriteFileSafely(name.toStdString(), CardsToCsv(*dev));
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
    if (name.isEmpty()) return;
    std::string bytes;
    if (!ReadWholeFile(name.toStdString(), bytes).ok) {
        ShowMessage(kCaptionMessage, kTextOpenFailed, TMsgIcon::Error);
        return;
    }
    const TCsvCards cards = CardsFromCsv(bytes);
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
    // One edit like any other: undone with Ctrl+Z while edits stay in the program.
    RecordEdit("импорт карт из CSV", [&] { ReplaceCards(*dev, cards.cards); });
    FEngine->RefreshCardList();
    UpdateInspCard();
    FStatusInfo->setText(QStringLiteral("Карты «%1» взяты из %2: %3")
                             .arg(QString::fromStdString(dev->Name), QFileInfo(name).fileName())
                             .arg(cards.cards.size()));
    // Into the controller as the card edits go: with AutoWriteKey, the port open and the device opened.
    const bool through = FSettings.AutoWriteKey && !FPortClosed && FGroup.GetState(sel, dfOpened);
    if (through && AskNoByDefault("Внимание", WritePreflight({dev}, FCardsRead).Question())) {
        FProgressText.Start({});
        RunErasing([this, sel](bool withoutBackup, TEngine::TDone done) {
            FEngine->WriteCards(sel, withoutBackup, std::move(done));
        }, [this](const TCommandResult& r) {
            TransferStatus();
            WriteCheckStatus(r.checks);
        });
    }
    UpdateControls();
}

}  // namespace pelko
