#include "controls/editor_hook.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include "controls/divisor_spin_edit.h"

namespace pelko {

TEditorHook::TEditorHook(TAInspector* owner, QWidget* editor, std::unique_ptr<TEditParamData> data)
    : QObject(editor), Data(std::move(data)), Owner_(owner), Editor_(editor) {
    editor->installEventFilter(this);
}

TEditorHook::~TEditorHook() = default;

std::optional<QString> TEditorHook::EditorText() const {
    if (auto* spin = dynamic_cast<TDivisorSpinEdit*>(Editor_)) {
        // The owner gets the value the box holds, not the text as typed.
        spin->ShowLimitedValue();
        return spin->text();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(Editor_))
        return edit->text();
    if (auto* list = qobject_cast<QComboBox*>(Editor_))
        return list->currentIndex() >= 0 ? std::optional<QString>(list->currentText()) : std::nullopt;
    return std::nullopt;
}

// A list opening its drop-down (F4, Alt+Down, a click on the arrow) hands
// the focus to the drop-down's view with no popup reason: the editor is
// still in use.
bool TEditorHook::FocusInOwnList() const {
    auto* list = qobject_cast<QComboBox*>(Editor_);
    const QWidget* now = QApplication::focusWidget();
    return list != nullptr && now != nullptr && (now == list->view() || list->view()->isAncestorOf(now));
}

bool TEditorHook::KeyPress(QKeyEvent* event) {
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
        return false;
    if (auto* list = qobject_cast<QComboBox*>(Editor_); list && list->view()->isVisible())
        return false;
    switch (event->key()) {
    case Qt::Key_Up: Owner_->EditorStep(-1); return true;
    case Qt::Key_Down: Owner_->EditorStep(1); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Owner_->TakeFocus();
        Owner_->EditMode_ = false;
        return true;
    case Qt::Key_Escape:
        Escaped = true;
        Owner_->TakeFocus();
        Owner_->EditMode_ = false;
        return true;
    default: return false;
    }
}

bool TEditorHook::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Editor_ || Closed)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: return KeyPress(static_cast<QKeyEvent*>(event));
    case QEvent::ShortcutOverride: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Up || key == Qt::Key_Down)
            event->accept();
        return false;
    }
    case QEvent::FocusOut: {
        // A list's own drop-down and a switch to another window keep the editor open.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason && !FocusInOwnList())
            Owner_->CloseEditor(this, !Escaped);
        return false;
    }
    default: return false;
    }
}

}  // namespace pelko
