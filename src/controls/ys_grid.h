#pragma once
// The card grid: cells come from the owner through two events, and a
// clipped cell can show its full text in a hint under the mouse.
#include <QString>
#include <functional>

#include "controls/abstract_string_grid.h"
#include "controls/win_color.h"

namespace pelko {

class THintWindow;

using TOnGetColumnNameEvent = std::function<void(int Col, TWinColor& Color, QString& Data)>;
using TOnGetCellDataEvent = std::function<void(int Row, int Col, TWinColor& Color, QString& Data)>;

class TYSGrid : public TAbstractStringGrid {
public:
    explicit TYSGrid(QWidget* parent = nullptr);
    ~TYSGrid() override;

    bool HotHint() const { return HotHint_; }
    void SetHotHint(bool on);
    // row * ColCount + col of the cell whose hint is shown, -1 for none.
    int HintCell() const { return HintCell_; }

    TOnGetColumnNameEvent OnGetColumnName;
    TOnGetCellDataEvent OnGetCellData;
    // Whether a row carries the owner's mark (reported as selected to
    // assistive technology); unset: no marks.
    std::function<bool(int Row)> OnRowMarked;

protected:
    void DrawHeaderCell(QPainter& painter, int col, const QRect& rect) override;
    void DrawCell(QPainter& painter, int row, int col, const QRect& rect) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void ClientLeave() override;
    void hideEvent(QHideEvent* event) override;

private:
    void UpdateHint(const QPoint& pos);
    void HideHint();
    bool PointerInClient() const;
    int ColAt(int x, int* left) const;

    bool HotHint_ = false;
    int HintCell_ = -1;
    THintWindow* Hint_ = nullptr;
};

}  // namespace pelko
