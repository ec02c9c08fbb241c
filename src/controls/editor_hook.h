#pragma once
// Watches an inspector editor: its keys (Up, Down, Enter, Escape) and the
// loss of its focus, which closes it. Owned by the editor it watches.
#include <QObject>
#include <memory>
#include <optional>

#include "controls/a_property_list.h"

namespace pelko {

class TEditorHook : public QObject {
public:
    // data is null for the read-only label, which never reports.
    TEditorHook(TAInspector* owner, QWidget* editor, std::unique_ptr<TEditParamData> data);
    ~TEditorHook() override;

    QWidget* Editor() const { return Editor_; }
    // The text to report: the edit's text or the chosen list item; nothing
    // when no item of a list is chosen.
    std::optional<QString> EditorText() const;

    std::unique_ptr<TEditParamData> Data;
    bool Closed = false;
    bool Escaped = false;  // Escape: close without reporting

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool KeyPress(QKeyEvent* event);
    bool FocusInOwnList() const;

    TAInspector* Owner_;
    QWidget* Editor_;
};

}  // namespace pelko
