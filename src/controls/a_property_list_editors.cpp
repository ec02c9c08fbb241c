// The inspector's in-place editors: opening on the selected row, closing on
// the loss of focus (reporting a changed text), and freeing them later,
// never inside their own events.
#include <QComboBox>
#include <QLineEdit>

#include "controls/a_handled_label.h"
#include "controls/a_property_list.h"
#include "controls/divisor_spin_edit.h"
#include "controls/editor_hook.h"

namespace pelko {

namespace {

constexpr std::uint32_t kDefaultDivisor = 1;
constexpr std::uint32_t kDefaultMinimum = 0;
constexpr std::uint32_t kDefaultMaximum = 65535;
constexpr std::uint32_t kMaxEditLength = 32767;  // the most a line edit holds

std::uint32_t NumberOr(const std::string& text, std::uint32_t fallback) {
    bool ok = false;
    const uint value = QString::fromStdString(text).trimmed().toUInt(&ok);
    return ok ? value : fallback;
}

}  // namespace

void TAInspector::PostOpenEditor(int requests, bool editMode) {
    QMetaObject::invokeMethod(
        this, [this, requests, editMode] { OpenEditorMessage(requests, editMode); }, Qt::QueuedConnection);
}

void TAInspector::OpenEditorMessage(int requests, bool editMode) {
    EditMode_ = EditMode_ || editMode;
    EditRequests_ -= requests;
    if (EditMode_ && CurRow_ >= TopRow() && CurRow_ < RowCount() &&
        (CurRow_ - TopRow() + 1) * RowHeight() < ClientHeight())
        OpenEditor(CurRow_);
}

QWidget* TAInspector::CreateEditor(int row, TParamType type, const QString& value) {
    switch (type) {
    case TParamType::ptText: {
        auto* edit = new QLineEdit(value, viewport());
        edit->setFrame(false);
        // The limit holds for typing; a longer value the row already has is
        // not cut, or leaving the editor untouched would report a change.
        const std::uint32_t length = NumberOr(Markup_.Attribute(row, markup::kMaximum), 0);
        if (length > 0)
            edit->setMaxLength(std::max(static_cast<int>(std::min<std::uint32_t>(length, kMaxEditLength)),
                                        static_cast<int>(value.size())));
        return edit;
    }
    case TParamType::ptList: {
        auto* list = new QComboBox(viewport());
        list->setFrame(false);
        const QStringList choices = Markup_.Choices(row);
        list->addItems(choices);
        list->setCurrentIndex(static_cast<int>(choices.indexOf(value)));
        return list;
    }
    case TParamType::ptNumber: {
        auto* spin = new TDivisorSpinEdit(viewport());
        spin->setFrame(false);
        spin->SetDivisor(NumberOr(Markup_.Attribute(row, markup::kDivisor), kDefaultDivisor));
        spin->SetMinValue(NumberOr(Markup_.Attribute(row, markup::kMinimum), kDefaultMinimum));
        spin->SetMaxValue(NumberOr(Markup_.Attribute(row, markup::kMaximum), kDefaultMaximum));
        spin->SetText(value);
        return spin;
    }
    default: return nullptr;
    }
}

void TAInspector::OpenEditor(int row) {
    const TParamType type = Markup_.Type(row);
    if (type == TParamType::ptOther || LeftCol() > 1)
        return;
    if (Hook_)
        CloseEditor(Hook_, !Hook_->Escaped);
    const int left = ColLeft(1), width1 = GetColWidth(1), clientWidth = ClientWidth();
    const int top = (row - TopRow() + 1) * RowHeight();
    QWidget* editor = nullptr;
    std::unique_ptr<TEditParamData> data;
    if (type == TParamType::ptConst) {
        auto* label = new TAHandledLabel(viewport());
        label->SetCaption(Value(row));
        label->setGeometry(left + 1, top + 2, std::min(left + width1 - 2, clientWidth) - left, RowHeight() - 4);
        editor = label;
    } else {
        const QString start = TypedRow_ == row ? Typed_ : Value(row);
        editor = CreateEditor(row, type, start);
        editor->setGeometry(left + 1, top, std::min(left + width1, clientWidth) - left, RowHeight());
        // A refused entry given back counts as the old text: leaving it as it
        // is does not report it again (and the row keeps its value).
        data = std::make_unique<TEditParamData>(
            TEditParamData{Generation_, row, Key_, RowId(row), start, OnChangeValue});
    }
    editor->setFont(font());
    Hook_ = new TEditorHook(this, editor, std::move(data));
    TypedRow_ = -1;
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);
    // Typing replaces the value, as in any field one tabs into.
    if (auto* edit = qobject_cast<QLineEdit*>(editor))
        edit->selectAll();
}

void TAInspector::CloseEditor(TEditorHook* hook, bool report) {
    if (hook->Closed)
        return;
    hook->Closed = true;
    if (Hook_ == hook)
        Hook_ = nullptr;
    if (report && hook->Data) {
        const std::optional<QString> chosen = hook->EditorText();
        const QString text = chosen.value_or(QString());
        const std::unique_ptr<TEditParamData> data = std::move(hook->Data);
        if (chosen && text != data->OldValue) {
            bool canExit = true;
            if (data->OnChange)
                data->OnChange(data->Key, data->Id, text, canExit);
            // The row the editor was opened on: the selection may have moved since.
            if (data->Generation == Generation_ && canExit && data->Row < static_cast<int>(Values_.size())) {
                Values_[data->Row] = text;
                viewport()->update();
            }
        }
    }
    ReleaseEditor(hook);
}

void TAInspector::ReleaseEditor(TEditorHook* hook) {
    if (Hook_ == hook)
        Hook_ = nullptr;
    QWidget* editor = hook->Editor();
    if (editor->hasFocus())
        setFocus(Qt::OtherFocusReason);
    editor->hide();
    editor->deleteLater();
}

void TAInspector::EditorStep(int delta) {
    TakeFocus();
    MoveSelection(CurRow_ + delta);
    viewport()->update();
    PostOpenEditor(0, false);
}

}  // namespace pelko
