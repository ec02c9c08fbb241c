// The main window as the engine's host: the progress window, boxes, the
// device dialogs, Timer1, pauses and the session's events.
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "controls/a_property_list.h"
#include "controls/ys_grid.h"
#include "ui/dialogs/addr_form.h"
#include "ui/dialogs/copy_target_form.h"
#include "ui/dialogs/progress_form.h"
#include "ui/dialogs/sequrity_form.h"
#include "ui/dialogs/settings_form.h"
#include "ui/main_form.h"

namespace pelko {
namespace {

QString BoxText(const std::string& text) {
    QString t = QString::fromStdString(text);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}

QMessageBox::Icon BoxIcon(TMsgIcon icon) {
    switch (icon) {
        case TMsgIcon::Warning: return QMessageBox::Warning;
        case TMsgIcon::Error: return QMessageBox::Critical;
        case TMsgIcon::Question: return QMessageBox::Question;
        case TMsgIcon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

// While a box, a device dialog or a pause runs inside an operation, the
// operation must not move on underneath it: answers and ticks wait.
struct TMainForm::THold {
    explicit THold(TMainForm& form) : Form(form) { ++Form.FHold; }
    ~THold() {
        if (--Form.FHold == 0 && Form.FDispatchHeld) {
            Form.FDispatchHeld = false;
            QMetaObject::invokeMethod(&Form, [f = &Form] { f->DispatchSession(); }, Qt::QueuedConnection);
        }
    }
    TMainForm& Form;
};

void TMainForm::DispatchSession() {
    if (FHold > 0) {
        FDispatchHeld = true;
        return;
    }
    if (FSession) FSession->Dispatch();
}

// --- progress window ------------------------------------------------------------

void TMainForm::ProgressPrepare() {
    FProgressText.Start(FProgressDevices);
    FProgress->SetText(QString());
    FProgress->CentreOn(frameGeometry());
}

void TMainForm::ProgressCaption(const std::string& text) {
    FProgress->SetCaption(QString::fromStdString(text));
    FProgressText.Caption(text);
    FProgress->SetText(QString::fromStdString(FProgressText.Text()));
}

void TMainForm::ProgressBar(const TProgressBar& bar) {
    FProgress->SetBar(bar);
    FProgressText.Bar(bar, TProgressText::Clock::now());
    FProgress->SetText(QString::fromStdString(FProgressText.Text()));
}

void TMainForm::ProgressCancelEnabled(bool enabled) { FProgress->SetCancelEnabled(enabled); }

TModalResult TMainForm::ProgressShowModal() {
    FProgressClosed = false;
    const int result = FProgress->exec();
    FProgressClosed = true;
    if (result == QDialog::Rejected) FProgressCancelled = true;
    return result == QDialog::Rejected ? TModalResult::Cancel : TModalResult::Closed;
}

void TMainForm::ProgressClose() {
    if (!FProgressClosed) FProgress->accept();
    FProgressClosed = true;
}

// --- boxes and dialogs ------------------------------------------------------------

void TMainForm::ShowMessage(const std::string& caption, const std::string& text, TMsgIcon icon) {
    THold hold(*this);
    if (BoxHook) {
        BoxHook(caption, text, icon);
        return;
    }
    QMessageBox box(BoxIcon(icon), QString::fromStdString(caption), BoxText(text), QMessageBox::Ok, this);
    box.exec();
}

bool TMainForm::AskYesNo(const std::string& caption, const std::string& text, TMsgIcon icon) {
    THold hold(*this);
    if (BoxHook) return BoxHook(caption, text, icon);
    QMessageBox box(BoxIcon(icon), QString::fromStdString(caption), BoxText(text),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    return box.exec() == QMessageBox::Yes;
}

TMainForm::TAnswer3 TMainForm::AskYesNoCancel(const std::string& caption, const std::string& text, bool noByDefault) {
    THold hold(*this);
    if (BoxHook) return BoxHook(caption, text, TMsgIcon::Question) ? TAnswer3::Yes : TAnswer3::No;
    QMessageBox box(QMessageBox::Question, QString::fromStdString(caption), BoxText(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
    box.setDefaultButton(noByDefault ? QMessageBox::No : QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Yes: return TAnswer3::Yes;
        case QMessageBox::No: return TAnswer3::No;
        default: return TAnswer3::Cancel;
    }
}

bool TMainForm::AskNoByDefault(const std::string& caption, const std::string& text) {
    THold hold(*this);
    if (BoxHook) return BoxHook(caption, text, TMsgIcon::Warning);
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(caption), BoxText(text),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool TMainForm::EditDeviceParams(TDeviceParams& params, const std::string& caption, bool closeEnabled) {
    THold hold(*this);
    FDevSettings->setWindowTitle(QString::fromStdString(caption));
    FDevSettings->ParamsToDialog(params);
    FDevSettings->SetCloseEnabled(closeEnabled);
    FDevSettings->CentreOn(frameGeometry());
    const bool accepted = FDevSettings->exec() == QDialog::Accepted;
    FDevSettings->SetCloseEnabled(true);
    if (accepted) params = FDevSettings->DialogToParams();
    return accepted;
}

std::optional<std::string> TMainForm::AskPassword(const std::string& device) {
    THold hold(*this);
    FSequrity->Prepare(QString::fromStdString(device));
    FSequrity->CentreOn(frameGeometry());
    if (FSequrity->exec() != QDialog::Accepted) return std::nullopt;
    return FSequrity->Password().toStdString();
}

std::optional<std::uint8_t> TMainForm::AskAddress(const std::vector<std::uint8_t>& choices, const std::string& device) {
    THold hold(*this);
    const QString title = QStringLiteral("Выбор адреса контроллера");
    FAddr->setWindowTitle(device.empty() ? title : title + QStringLiteral(" — ") + QString::fromStdString(device));
    FAddr->SetChoices(choices);
    FAddr->CentreOn(frameGeometry());
    if (FAddr->exec() != QDialog::Accepted) return std::nullopt;
    return FAddr->Chosen();
}

std::optional<int> TMainForm::AskCopyTarget(const std::vector<std::pair<int, QString>>& choices) {
    THold hold(*this);
    FCopyTarget->SetChoices(choices);
    FCopyTarget->CentreOn(frameGeometry());
    if (FCopyTarget->exec() != QDialog::Accepted || FCopyTarget->Chosen() < 0) return std::nullopt;
    return FCopyTarget->Chosen();
}

// --- time -------------------------------------------------------------------------

void TMainForm::SetTimer1(bool enabled, unsigned intervalMs) {
    FTimer1->setInterval(static_cast<int>(intervalMs));
    if (enabled) FTimer1->start();
    else FTimer1->stop();
}

// The window keeps painting; the operation waits.
void TMainForm::Pause(unsigned ms) {
    THold hold(*this);
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(ms), &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

// --- refresh calls -----------------------------------------------------------------

void TMainForm::RepaintMain() { repaint(); }

void TMainForm::ShowDeviceGrid() { FGridDevPanel->setVisible(FGroup.Count() > 0); }

void TMainForm::InspectorEditParam(int row) { FInspector->EditParam(row); }

// The engine counts in list indices; the grid's rows are those the find field leaves.
int TMainForm::CardRow() const { return CardIndexOf(FCardGrid->Row()); }

// A card the find field hides is not shown for this: the cursor goes to the
// nearest row shown (a deleted card's neighbour need not match).
void TMainForm::SetCardRow(int index) {
    const int row = FFilter.NearRow(index, ShownCount());
    if (row >= 0) FCardGrid->GoToRow(row);
}

// The current row stays in view: after a read it may be the last of many.
void TMainForm::SetCardRowCount(int) {
    ApplyFilter();
    if (FCardGrid->Row() >= 0) FCardGrid->GoToRow(FCardGrid->Row());
}

// The rows are the viewport's: updating the grid itself repaints only its frame.
void TMainForm::RepaintCardGrid() {
    FCardGrid->viewport()->update();
    ShowCardCounts();
}

}  // namespace pelko
