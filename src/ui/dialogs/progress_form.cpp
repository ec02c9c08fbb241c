#include "ui/dialogs/progress_form.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls/ex_progress_bar.h"
#include "ui/dialogs/dialog_util.h"

namespace pelko {
namespace {

constexpr int kTextLines = 5;

}  // namespace

TProgressForm::TProgressForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ProgressForm"));
    setModal(true);
    SetCloseButtonHint(this, true);

    Bar_ = Named(new TExProgressBar, "ProgressBar", QString());
    // As in the window's resource: 1..254 at 1, navy bar.
    Bar_->setRange(1, 254);
    Bar_->setValue(1);
    Bar_->SetBarColor(0x800000);
    Bar_->setMinimumWidth(Bar_->fontMetrics().averageCharWidth() * 48);

    // Room for five lines from the start (a search's line wraps to two), so
    // the window keeps its size and Cancel its place while the text changes.
    Text_ = Named(new QLabel, "ProgressText", QString());
    Text_->setTextFormat(Qt::PlainText);
    Text_->setWordWrap(true);
    Text_->setFixedWidth(Bar_->minimumWidth());
    Text_->setFixedHeight(Text_->fontMetrics().lineSpacing() * kTextLines + 4);
    Text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    CancelButton_ = Named(new QPushButton(QStringLiteral("Отмена")), "CancelButton", QStringLiteral("Отмена"));
    CancelButton_->setAutoDefault(false);
    connect(CancelButton_, &QPushButton::clicked, this, &TProgressForm::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CancelButton_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Text_);
    layout->addWidget(Bar_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TProgressForm::SetCaption(const QString& text) {
    setWindowTitle(text);
    Bar_->setAccessibleName(text);
}

// A text longer still makes the window taller rather than lose its last line.
void TProgressForm::SetText(const QString& text) {
    Text_->setText(text);
    const int needed = Text_->heightForWidth(Text_->width());
    if (needed > Text_->height()) Text_->setFixedHeight(needed);
}

void TProgressForm::SetBar(const TProgressBar& bar) {
    Bar_->setRange(bar.Min, bar.Max);
    Bar_->setValue(bar.Position);
    if (Bar_->MarqueeStyle() != bar.Marquee) Bar_->SetMarqueeStyle(bar.Marquee);
}

void TProgressForm::SetCancelEnabled(bool enabled) {
    CancelEnabled_ = enabled;
    CancelButton_->setEnabled(enabled);
    SetCloseButtonHint(this, enabled);
}

void TProgressForm::reject() {
    if (CancelEnabled_) QDialog::reject();
}

void TProgressForm::CentreOn(const QRect& mainFrame) {
    CentreWindowOn(this, mainFrame);
}

}  // namespace pelko
