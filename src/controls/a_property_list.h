#pragma once
// The property inspector: a custom-drawn two-column list ("Свойство",
// "Значение") filled from parameter markup and edited in place. A change
// made in an editor goes to the owner through OnChangeValue, who may refuse
// to let the row keep it.
#include <QPointer>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "controls/column_rows_view.h"
#include "controls/param_markup.h"

namespace pelko {

// Id: the row's field (see RowId).
using TOnChangeValue =
    std::function<void(const QString& Key, const QString& Id, const QString& Value, bool& CanExit)>;

// What an open editor remembers of the moment it was opened.
struct TEditParamData {
    int Generation = 0;
    int Row = -1;
    QString Key;
    QString Id;  // RowId
    QString OldValue;
    TOnChangeValue OnChange;
};

class TEditorHook;

class TAInspector : public TColumnRowsView {
public:
    explicit TAInspector(QWidget* parent = nullptr);
    ~TAInspector() override;

    void LoadParams(const std::string& markup);  // UTF-8
    void LoadParams(const QString& markup);
    void EditParam(int row);
    // As EditParam, the editor holding typed instead of the row's value: an
    // entry the owner refused, for the user to correct rather than retype.
    void EditParam(int row, const QString& typed);
    void CommitEdit();
    void RefreshValues();
    // Used by LoadParams; n < 0 is ignored.
    void SetRowCount(int n);

    int SelRow() const { return CurRow_; }
    int Generation() const { return Generation_; }
    bool EditMode() const { return EditMode_; }
    int EditRequests() const { return EditRequests_; }
    const QString& Key() const { return Key_; }
    QString Value(int row) const;
    QString RowName(int row) { return Markup_.Name(row); }
    // The row's field when the markup gives one, else its name.
    QString RowId(int row);
    TParamType RowType(int row) { return Markup_.Type(row); }
    QWidget* Editor() const;

    TOnChangeValue OnChangeValue;

protected:
    void DrawHeaderCell(QPainter& painter, int col, const QRect& rect) override;
    void DrawCell(QPainter& painter, int row, int col, const QRect& rect) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TEditorHook;

    // Input.
    void ButtonDown(const QPoint& pos);
    void MoveSelection(int row);
    void TakeFocus();

    // Editors.
    void PostOpenEditor(int requests, bool editMode);
    void OpenEditorMessage(int requests, bool editMode);
    void OpenEditor(int row);
    QWidget* CreateEditor(int row, TParamType type, const QString& value);
    void CloseEditor(TEditorHook* hook, bool report);
    void ReleaseEditor(TEditorHook* hook);
    // Up/Down pressed in an editor: close it and open one on the next row.
    void EditorStep(int delta);

    TParamMarkup Markup_;
    QString Key_;
    std::vector<QString> Values_;
    int Generation_ = 0;
    bool EditMode_ = false;
    int EditRequests_ = 0;
    QPointer<TEditorHook> Hook_;  // the open editor's hook, or none
    int TypedRow_ = -1;           // the row whose next editor opens on Typed_
    QString Typed_;
};

}  // namespace pelko
