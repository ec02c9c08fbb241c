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

#include "controls/param_markup.h"
#include "controls/pointer_confine.h"
#include "controls/scrolled_control.h"

namespace pelko {

using TOnChangeValue =
    std::function<void(const QString& Key, const QString& Name, const QString& Value, bool& CanExit)>;

// What an open editor remembers of the moment it was opened.
struct TEditParamData {
    int Generation = 0;
    int Row = -1;
    QString Key;
    QString Name;
    QString OldValue;
    TOnChangeValue OnChange;
};

class TEditorHook;

class TAInspector : public TScrolledControl {
public:
    explicit TAInspector(QWidget* parent = nullptr);
    ~TAInspector() override;

    void LoadParams(const std::string& markup);  // UTF-8
    void LoadParams(const QString& markup);
    void EditParam(int row);
    void CommitEdit();
    void RefreshValues();
    void SetColWidth(int col, int width);
    void SetRowCount(int n);

    int ColWidth(int col) const { return col == 0 || col == 1 ? ColWidths_[col] : 0; }
    int SelRow() const { return SelRow_; }
    int RowCount() const { return RowCount_; }
    int RowHeight() const { return RowHeight_; }
    int TopRow() const { return TopRow_; }
    int LeftCol() const { return LeftCol_; }
    int Generation() const { return Generation_; }
    bool EditMode() const { return EditMode_; }
    int EditRequests() const { return EditRequests_; }
    int PressedCol() const { return PressedCol_; }
    int SizingCol() const { return SizingCol_; }
    const QString& Key() const { return Key_; }
    QString Value(int row) const;
    QString RowName(int row) { return Markup_.Name(row); }
    QWidget* Editor() const;
    // Whole rows below the header.
    int VisibleRows() const;

    TOnChangeValue OnChangeValue;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void ScrollBarMoved(Qt::Orientation orientation, int pos) override;
    void ClientLeave() override;

private:
    friend class TEditorHook;

    // Drawing.
    void PaintHeader(QPainter& painter);
    void PaintRows(QPainter& painter);
    void PaintSelection(QPainter& painter);
    void UpdateScrollBars();
    int HorzMaxFor(int clientWidth) const;
    int ColLeft(int col) const;
    int ColumnsRight() const;
    int BorderColAt(int x) const;

    // Input.
    void ButtonDown(const QPoint& pos);
    void HeaderButtonDown(int x);
    void MoveSelection(int row);
    void ScrollToRow(int row);
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
    int RowCount_ = 0;
    int ColWidths_[2] = {120, 120};
    int RowHeight_ = 20;
    int TopRow_ = 0;
    int LeftCol_ = 0;
    int SelRow_ = -1;
    int PressedCol_ = -1;
    int SizingCol_ = -1;
    int Generation_ = 0;
    bool EditMode_ = false;
    int EditRequests_ = 0;
    QPointer<TEditorHook> Hook_;  // the open editor's hook, or none
    int HorzMax_ = -1;
    int VertMax_ = -1;
    bool InUpdateBars_ = false;
    int WheelAccum_ = 0;
    TPointerConfine Confine_;
};

}  // namespace pelko
