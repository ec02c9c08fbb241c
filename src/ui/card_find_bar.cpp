#include "ui/card_find_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace pelko {

TCardFindBar::TCardFindBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("CardFindBar"));
    setAccessibleName(QStringLiteral("Поиск карт"));
    setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 2, 2);
    row->setSpacing(4);
    auto* caption = new QLabel(QStringLiteral("Найти:"));
    FField = new QLineEdit;
    FField->setObjectName(QStringLiteral("CardFindField"));
    FField->setAccessibleName(QStringLiteral("Найти карту"));
    FField->setPlaceholderText(QStringLiteral("часть кода или имени пользователя"));
    FField->setClearButtonEnabled(true);
    FField->installEventFilter(this);
    caption->setBuddy(FField);
    FFound = new QLabel;
    FFound->setObjectName(QStringLiteral("CardFindFound"));
    auto* close = new QToolButton;
    close->setObjectName(QStringLiteral("CardFindClose"));
    close->setText(QStringLiteral("×"));
    close->setToolTip(QStringLiteral("Закрыть поиск (Esc)"));
    close->setAccessibleName(QStringLiteral("Закрыть поиск"));
    close->setAutoRaise(true);
    close->setFocusPolicy(Qt::NoFocus);
    row->addWidget(caption);
    row->addWidget(FField, 1);
    row->addWidget(FFound);
    row->addWidget(close);
    connect(FField, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (OnTextChanged) OnTextChanged(text);
    });
    connect(close, &QToolButton::clicked, this, [this] {
        Close();
        if (OnClosed) OnClosed();
    });
    hide();
}

void TCardFindBar::Open() {
    show();
    FField->setFocus(Qt::ShortcutFocusReason);
    FField->selectAll();
}

void TCardFindBar::Close() {
    FField->clear();
    hide();
}

void TCardFindBar::ShowFound(int found) {
    FFound->setText(found < 0 ? QString() : QStringLiteral("найдено: %1").arg(found));
}

bool TCardFindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FField && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        Close();
        if (OnClosed) OnClosed();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

}  // namespace pelko
