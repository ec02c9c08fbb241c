#include "ui/dialogs/password_edit.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QValidator>

#include <algorithm>
#include <optional>

namespace pelko {
namespace {

// Typed key: the character to insert, or none when it is swallowed.
std::optional<QChar> Passed(QChar c) {
    const char16_t u = c.unicode();
    if ((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F')) return c;
    if (u >= u'a' && u <= u'f') return QChar(char16_t(u - u'a' + u'A'));
    return std::nullopt;
}

bool IsControl(QChar c) { return c.unicode() < 32 || c.unicode() == 127; }

// The last guard for every way text gets in (drag and drop, the selection
// paste of the middle button, setText): filters and caps at ten.
class THexValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        QString kept;
        int keptBeforeCursor = 0;
        for (int i = 0; i < input.size(); ++i) {
            if (const auto c = Passed(input[i])) {
                kept += *c;
                if (i < pos) ++keptBeforeCursor;
            }
        }
        kept.truncate(TPasswordEdit::kLength);
        input = kept;
        pos = std::min<int>(keptBeforeCursor, kept.size());
        return Acceptable;
    }
};

}  // namespace

TPasswordEdit::TPasswordEdit(QWidget* parent) : QLineEdit(parent) {
    setMaxLength(kLength);
    setValidator(new THexValidator(this));
}

QString TPasswordEdit::Filter(const QString& text) {
    QString kept;
    for (QChar c : text)
        if (const auto p = Passed(c)) kept += *p;
    return kept;
}

void TPasswordEdit::PasteFiltered() {
    if (isReadOnly()) return;
    const QString text = Filter(QGuiApplication::clipboard()->text());
    if (!text.isEmpty()) insert(text);
}

void TPasswordEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        PasteFiltered();
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (typed.size() == 1 && !IsControl(typed[0])) {
        const auto c = Passed(typed[0]);
        if (!c) {  // swallowed: nothing is inserted and a selection stays
            event->accept();
            return;
        }
        if (*c != typed[0]) {
            QKeyEvent upper(event->type(), event->key(), event->modifiers(), QString(*c), event->isAutoRepeat(),
                            event->count());
            QLineEdit::keyPressEvent(&upper);
            event->setAccepted(upper.isAccepted());
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TPasswordEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-paste")) {
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this, &TPasswordEdit::PasteFiltered);
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

}  // namespace pelko
