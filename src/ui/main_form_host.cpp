// The main window as the engine's observer: the progress window shown while
// a command runs (window-modal, without a loop of its own), notices shown
// once it ends, the views refreshed on changes, the engine's clock; boxes,
// the device dialogs and the session's events.
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

// --- the engine's observer --------------------------------------------------------

// The progress window is window-modal and opened without a loop of its own:
// the window's event loop goes on handing the engine its answers. Cancel
// closes it; while the answer in flight is awaited it comes back greyed.
void TMainForm::OnProgress(const TProgress& progress) {
    if (!progress.shown) {
        if (FProgress->isVisible()) FProgress->accept();
        return;
    }
    if (!FProgress->isVisible()) {
        FProgressText.Start(FProgressDevices);
        FProgress->SetText(QString());
        FProgress->CentreOn(frameGeometry());
        FProgress->open();
    }
    FProgress->SetCancelEnabled(progress.cancellable);
    FProgress->SetCaption(QString::fromStdString(progress.caption));
    FProgressText.Caption(progress.caption);
    FProgress->SetBar(progress.bar);
    FProgressText.Bar(progress.bar, TProgressText::Clock::now());
    FProgress->SetText(QString::fromStdString(FProgressText.Text()));
}

void TMainForm::OnNotice(const TNotice& notice) {
    if (FEngine && FEngine->Busy()) return FHeldNotices.push_back(notice);
    ShowMessage(notice.caption, notice.text, notice.icon);
}

void TMainForm::OnChanged(const TChange& change) {
    if (change.what & chDevices) {
        UpdateGridDev();
        ShowDeviceGrid();
    }
    if (change.what & chDeviceParams) UpdateInspDev();
    if (change.what & chCards) {
        SetCardRowCount(Cur().CardCount(FMasterView));
        RepaintCardGrid();
        if (change.cardRow >= 0) SetCardRow(change.cardRow);
    } else if (change.what & chCardValues) {
        RepaintCardGrid();
    }
    if (change.what & chCurrentCard) UpdateInspCard();
    if (change.what & chCodeToEdit) InspectorEditParam(1);
    if (change.what & chState) UpdateControls();
}

void TMainForm::OnStarted(TOperState) {
    if (!FEngineClock->isActive()) FEngineClock->start();
    if (CommandStartedHook) CommandStartedHook();
}

void TMainForm::OnDone(const TCommandResult& result) {
    FEngineClock->stop();
    if (FProgress->isVisible()) FProgress->accept();
    if (result.cancelled) FProgressCancelled = true;
    std::vector<TNotice> notices = std::move(FHeldNotices);
    FHeldNotices.clear();
    for (const TNotice& n : notices) ShowMessage(n.caption, n.text, n.icon);
    UpdateControls();
}

void TMainForm::SetMasterView(bool master) {
    FMasterView = master;
    if (FEngine) FEngine->ShowList(FMasterView, FCardFocus);
}

void TMainForm::SetCardFocus(bool focus) {
    FCardFocus = focus;
    if (FEngine) FEngine->ShowList(FMasterView, FCardFocus);
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
