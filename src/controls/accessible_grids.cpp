#include "controls/accessible_grids.h"

#include <QAbstractScrollArea>
#include <QAccessibleWidget>
#include <QEvent>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "controls/a_property_list.h"
#include "controls/ac_grid.h"
#include "controls/win_color.h"
#include "controls/ys_grid.h"

namespace pelko {

namespace {

TAccessibleSink Sink = &QAccessible::updateAccessibility;

// The controls have no change signals, but every change of their rows or
// current row repaints the client area. The check runs queued after such a
// repaint or a focus change, outside the control's own event handling.
class TChangeWatcher final : public QObject {
public:
    TChangeWatcher(QAbstractScrollArea* view, std::function<void()> check)
        : View_(view), Viewport_(view->viewport()), Check_(std::move(check)) {
        View_->installEventFilter(this);
        Viewport_->installEventFilter(this);
    }
    ~TChangeWatcher() override {
        if (View_)
            View_->removeEventFilter(this);
        if (Viewport_)
            Viewport_->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool paint = watched == Viewport_ && event->type() == QEvent::Paint;
        const bool focus = watched == View_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut);
        if ((paint || focus) && !Pending_) {
            Pending_ = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    Pending_ = false;
                    if (View_)
                        Check_();
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    QPointer<QWidget> View_;  // QWidget: it may be in its destructor by now
    QPointer<QWidget> Viewport_;
    std::function<void()> Check_;
    bool Pending_ = false;
};

void NotifyChild(QObject* object, QAccessible::Event type, int child) {
    QAccessibleEvent event(object, type);
    event.setChild(child);
    Sink(&event);
}

// ---------------------------------------------------------------------------
// The card grid and the inspector: a table whose first child row is the
// column headers, as in Qt's own table views.

class TRowsTable;

// A data cell (Row >= 0) or a column header (Row == -1). Texts are asked for
// every time: the rows belong to the owner and change under the cell.
class TRowsCell final : public QAccessibleInterface,
                        public QAccessibleTableCellInterface,
                        public QAccessibleActionInterface {
public:
    TRowsCell(TRowsTable* table, int row, int col) : Table_(table), Row_(row), Col_(col) {}

    int Row() const { return Row_; }
    int Col() const { return Col_; }
    const TRowsTable* Table() const { return Table_; }

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return Row_ < 0 ? QAccessible::ColumnHeader : QAccessible::Cell; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TableCellInterface && Row_ >= 0)
            return static_cast<QAccessibleTableCellInterface*>(this);
        if (t == QAccessible::ActionInterface && Row_ >= 0)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    // "Press" opens the cell's editor where the control has one.
    QStringList actionNames() const override;
    void doAction(const QString& name) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    bool isSelected() const override;
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return Col_; }
    int rowIndex() const override { return Row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override;

private:
    TRowsTable* Table_;  // owns the cell
    int Row_;
    int Col_;
};

class TRowsTable : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit TRowsTable(TColumnRowsView* view) : QAccessibleWidget(view, QAccessible::Table) {}
    ~TRowsTable() override {
        Watcher_.reset();
        for (const auto& [pos, id] : Cells_)
            QAccessible::deleteAccessibleInterface(id);
    }

    // Starts reporting changes from the state the control is in now.
    void Watch() {
        Seen_ = Snapshot();
        Watcher_ = std::make_unique<TChangeWatcher>(View(), [this] { CheckChanges(); });
    }

    TColumnRowsView* View() const { return static_cast<TColumnRowsView*>(widget()); }
    virtual int CurrentRow() const = 0;
    virtual QString HeaderText(int col) const = 0;
    virtual QString CellText(int row, int col) const = 0;
    virtual bool ReadOnly(int row, int col) const = 0;
    // Makes the row current as a click would; false when the control has no such way.
    virtual bool MoveTo(int) { return false; }
    // Opens the editor of the row's value; false when the control edits nothing there.
    virtual bool Edit(int, int, bool /*now*/) { return false; }
    // An open editor, shown as the table's last child, or none.
    virtual QWidget* Editor() const { return nullptr; }

    // The cell (row -1 for a header), nullptr outside the table.
    QAccessibleInterface* Cell(int row, int col) const {
        if (row < -1 || row >= rowCount() || col < 0 || col >= columnCount())
            return nullptr;
        const auto found = Cells_.find({row, col});
        if (found != Cells_.end())
            return QAccessible::accessibleInterface(found->second);
        auto* cell = new TRowsCell(const_cast<TRowsTable*>(this), row, col);
        Cells_[{row, col}] = QAccessible::registerAccessibleInterface(cell);
        return cell;
    }
    // The cell's rectangle in the client area.
    QRect LocalRect(int row, int col) const {
        const TColumnRowsView* v = View();
        const int top = row < 0 ? 0 : v->RowHeight() * (1 + row - v->TopRow());
        return QRect(v->ColLeft(col), top, v->GetColWidth(col), v->RowHeight());
    }

    int CellCount() const { return (rowCount() + 1) * columnCount(); }
    int childCount() const override { return CellCount() + (Editor() ? 1 : 0); }
    QAccessibleInterface* child(int index) const override {
        const int cols = columnCount();
        if (index == CellCount() && Editor())
            return QAccessible::queryAccessibleInterface(Editor());
        return cols > 0 && index >= 0 && index < CellCount() ? Cell(index / cols - 1, index % cols) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child && Editor() && child->object() == Editor())
            return CellCount();
        const auto* cell = dynamic_cast<const TRowsCell*>(child);
        if (!cell || cell->Table() != this || !cell->isValid())
            return -1;
        return (cell->Row() + 1) * columnCount() + cell->Col();
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const TColumnRowsView* v = View();
        const QPoint p = v->viewport()->mapFromGlobal(QPoint(x, y));
        if (!v->viewport()->rect().contains(p))
            return nullptr;
        const int row = p.y() < v->RowHeight() ? -1 : v->RowAt(p.y());
        if (row < 0 && p.y() >= v->RowHeight())
            return nullptr;
        for (int col = v->LeftCol(); col < v->ColCount(); ++col)
            if (LocalRect(row, col).contains(p))
                return Cell(row, col);
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        const int row = CurrentRow();
        if (View()->hasFocus() && row >= 0)
            return Cell(row, 0);
        return QAccessibleWidget::focusChild();  // an open editor
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override { return row >= 0 ? Cell(row, column) : nullptr; }
    // The rows the table reports as selected: the current row, unless the
    // control has marks of its own.
    virtual QList<int> SelectedRows() const {
        return CurrentRow() >= 0 ? QList<int>{CurrentRow()} : QList<int>{};
    }
    int selectedCellCount() const override { return static_cast<int>(SelectedRows().size()) * columnCount(); }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> cells;
        for (int row : SelectedRows())
            for (int col = 0; col < columnCount(); ++col)
                cells.append(Cell(row, col));
        return cells;
    }
    QString columnDescription(int column) const override {
        return column >= 0 && column < columnCount() ? HeaderText(column) : QString();
    }
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return static_cast<int>(SelectedRows().size()); }
    int columnCount() const override { return View()->ColCount(); }
    int rowCount() const override { return View()->RowCount(); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return SelectedRows(); }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override { return row >= 0 && SelectedRows().contains(row); }
    bool selectRow(int row) override { return row >= 0 && row < rowCount() && MoveTo(row); }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }  // neither control can drop its current row
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override { PruneCells(); }

private:
    struct TSeen {
        int Rows = 0;
        int Cols = 0;
        int Row = -1;
        bool Focus = false;
        QList<int> Selected;
    };

    TSeen Snapshot() const { return {rowCount(), columnCount(), CurrentRow(), View()->hasFocus(), SelectedRows()}; }

    void CheckChanges() {
        const TSeen now = Snapshot();
        if (now.Rows != Seen_.Rows || now.Cols != Seen_.Cols) {
            PruneCells();
            QAccessibleTableModelChangeEvent event(View(), QAccessibleTableModelChangeEvent::ModelReset);
            Sink(&event);
        }
        const int cols = now.Cols;
        if (cols > 0 && now.Row != Seen_.Row) {
            if (Seen_.Row >= 0 && Seen_.Row < now.Rows)
                NotifyChild(View(), QAccessible::SelectionRemove, (Seen_.Row + 1) * cols);
            if (now.Row >= 0)
                NotifyChild(View(), QAccessible::SelectionAdd, (now.Row + 1) * cols);
        }
        if (now.Selected != Seen_.Selected && now.Rows == Seen_.Rows) {
            QAccessibleEvent event(View(), QAccessible::SelectionWithin);
            Sink(&event);
        }
        if (cols > 0 && now.Row >= 0 && now.Focus && (now.Row != Seen_.Row || !Seen_.Focus))
            NotifyChild(View(), QAccessible::Focus, (now.Row + 1) * cols);
        Seen_ = now;
    }

    // Cells outside the table as it is now go; the others stay, being positions.
    void PruneCells() {
        for (auto it = Cells_.begin(); it != Cells_.end();) {
            if (it->first.first < rowCount() && it->first.second < columnCount()) {
                ++it;
                continue;
            }
            QAccessible::deleteAccessibleInterface(it->second);
            it = Cells_.erase(it);
        }
    }

    mutable std::map<std::pair<int, int>, QAccessible::Id> Cells_;
    std::unique_ptr<TChangeWatcher> Watcher_;
    TSeen Seen_;
};

bool TRowsCell::isValid() const {
    return Table_->isValid() && Row_ < Table_->rowCount() && Col_ < Table_->columnCount();
}

QWindow* TRowsCell::window() const {
    return Table_->window();
}

QAccessibleInterface* TRowsCell::parent() const {
    return Table_;
}

QAccessibleInterface* TRowsCell::table() const {
    return Table_;
}

QString TRowsCell::text(QAccessible::Text t) const {
    if (t != QAccessible::Name || !isValid())
        return {};
    return Row_ < 0 ? Table_->HeaderText(Col_) : Table_->CellText(Row_, Col_);
}

QRect TRowsCell::rect() const {
    const QWidget* viewport = Table_->View()->viewport();
    if (!isValid() || !viewport->isVisible())
        return {};
    const QRect local = Table_->LocalRect(Row_, Col_);
    return QRect(viewport->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State TRowsCell::state() const {
    QAccessible::State st;
    if (!isValid())
        return st;
    const TColumnRowsView* view = Table_->View();
    st.invisible = !view->isVisible();
    // The header scrolls sideways only; rows scroll both ways.
    st.offscreen = !view->viewport()->rect().intersects(Table_->LocalRect(Row_, Col_)) ||
                   (Row_ >= 0 && Row_ < view->TopRow());
    if (Row_ < 0)
        return st;
    st.selectable = true;
    st.focusable = true;
    st.selected = isSelected();
    st.focused = Row_ == Table_->CurrentRow() && Col_ == 0 && view->hasFocus();
    st.readOnly = Table_->ReadOnly(Row_, Col_);
    st.editable = !st.readOnly;
    return st;
}

QStringList TRowsCell::actionNames() const {
    return isValid() && Table_->Edit(Row_, Col_, false) ? QStringList{pressAction()} : QStringList{};
}

void TRowsCell::doAction(const QString& name) {
    if (name == pressAction() && isValid())
        Table_->Edit(Row_, Col_, true);
}

bool TRowsCell::isSelected() const {
    return Row_ >= 0 && Table_->isRowSelected(Row_);
}

QList<QAccessibleInterface*> TRowsCell::columnHeaderCells() const {
    QAccessibleInterface* header = Table_->Cell(-1, Col_);
    return header ? QList<QAccessibleInterface*>{header} : QList<QAccessibleInterface*>{};
}

class TCardGridTable final : public TRowsTable {
public:
    explicit TCardGridTable(TYSGrid* grid) : TRowsTable(grid) {}

    TYSGrid* Grid() const { return static_cast<TYSGrid*>(View()); }
    int CurrentRow() const override { return Grid()->Row(); }
    QString HeaderText(int col) const override {
        TWinColor color = 0;
        QString data;
        if (Grid()->OnGetColumnName)
            Grid()->OnGetColumnName(col, color, data);
        return data;
    }
    QString CellText(int row, int col) const override {
        TWinColor color = 0;
        QString data;
        if (Grid()->OnGetCellData)
            Grid()->OnGetCellData(row, col, color, data);
        return data;
    }
    // Marked rows are the selection; without marks, the current row.
    QList<int> SelectedRows() const override {
        QList<int> rows;
        if (Grid()->OnRowMarked)
            for (int row = 0; row < rowCount(); ++row)
                if (Grid()->OnRowMarked(row))
                    rows.append(row);
        return rows.isEmpty() ? TRowsTable::SelectedRows() : rows;
    }
    // Cards are edited in the inspector, never in the grid.
    bool ReadOnly(int, int) const override { return true; }
    bool MoveTo(int row) override {
        Grid()->GoToRow(row);
        return true;
    }
};

class TInspectorTable final : public TRowsTable {
public:
    explicit TInspectorTable(TAInspector* inspector) : TRowsTable(inspector) {}

    TAInspector* Inspector() const { return static_cast<TAInspector*>(View()); }
    int CurrentRow() const override { return Inspector()->SelRow(); }
    QString HeaderText(int col) const override {
        // As the inspector draws them.
        return col == 0 ? QStringLiteral("Свойство") : QStringLiteral("Значение");
    }
    QString CellText(int row, int col) const override {
        return col == 0 ? Inspector()->RowName(row) : Inspector()->Value(row);
    }
    bool ReadOnly(int row, int col) const override {
        if (col == 0)
            return true;
        const TParamType type = Inspector()->RowType(row);
        return type == TParamType::ptConst || type == TParamType::ptOther;
    }
    // Selecting a row in the inspector opens its editor; not something to do
    // behind the user's back, so no MoveTo. Pressing a value cell is asking for it.
    bool Edit(int row, int col, bool now) override {
        if (col != 1 || ReadOnly(row, col))
            return false;
        if (now)
            Inspector()->EditParam(row);
        return true;
    }
    QWidget* Editor() const override { return Inspector()->Editor(); }
};

// ---------------------------------------------------------------------------
// The device grid: a list whose items are the cells, the title as the
// list's description.

class TDeviceList;

class TDeviceItem final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TDeviceItem(TDeviceList* list, int index) : List_(list), Index_(index) {}

    int Index() const { return Index_; }
    const TDeviceList* List() const { return List_; }

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;
    QColor backgroundColor() const override;
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    // "Press" chooses the device, as a click on its cell does.
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    TDeviceList* List_;  // owns the item
    int Index_;
};

class TDeviceList final : public QAccessibleWidget {
public:
    explicit TDeviceList(TACGrid* grid) : QAccessibleWidget(grid, QAccessible::List) {}
    ~TDeviceList() override {
        Watcher_.reset();
        for (const auto& [index, id] : Items_)
            QAccessible::deleteAccessibleInterface(id);
    }

    void Watch() {
        Seen_ = Labels();
        Watcher_ = std::make_unique<TChangeWatcher>(Grid(), [this] { CheckChanges(); });
    }

    TACGrid* Grid() const { return static_cast<TACGrid*>(widget()); }

    QAccessibleInterface* Item(int index) const {
        if (index < 0 || index >= Grid()->CellCount())
            return nullptr;
        const auto found = Items_.find(index);
        if (found != Items_.end())
            return QAccessible::accessibleInterface(found->second);
        auto* item = new TDeviceItem(const_cast<TDeviceList*>(this), index);
        Items_[index] = QAccessible::registerAccessibleInterface(item);
        return item;
    }
    // The cell's rectangle in the client area, its border lines included, as
    // the grid lays it out; cells scrolled off lie above the first row.
    QRect LocalRect(int index) const {
        const TACGrid* g = Grid();
        const TCellColumns columns = g->Columns();
        const int rel = index - g->FirstCell();
        const int k = rel >= 0 ? rel / columns.Count : -((columns.Count - 1 - rel) / columns.Count);
        const int j = rel - k * columns.Count;
        const int title = g->Caption().isEmpty() ? 0 : g->CellHeight();
        return QRect(columns.Left(j), title + k * g->CellHeight(), columns.WidthOf(j) + 1, g->CellHeight() + 1);
    }

    int childCount() const override { return Grid()->CellCount(); }
    QAccessibleInterface* child(int index) const override { return Item(index); }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto* item = dynamic_cast<const TDeviceItem*>(child);
        return item && item->List() == this && item->isValid() ? item->Index() : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint p = Grid()->viewport()->mapFromGlobal(QPoint(x, y));
        const PColorCell cell = Grid()->CellAt(p.x(), p.y());
        for (int i = 0; cell && i < Grid()->CellCount(); ++i)
            if (Grid()->Cell(i) == cell)
                return Item(i);
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        return Grid()->hasFocus() ? Item(Grid()->CurrentCell()) : nullptr;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description && Grid()->accessibleDescription().isEmpty() && !Grid()->Caption().isEmpty())
            return Grid()->Caption();
        return QAccessibleWidget::text(t);
    }

private:
    // Labels and states: a state change is a change of the item too.
    std::vector<QString> Labels() const {
        std::vector<QString> labels;
        for (int i = 0; i < Grid()->CellCount(); ++i)
            labels.push_back(QString::fromStdString(Grid()->Cell(i)->Text) + QLatin1Char('\n') +
                             Grid()->LookOf(i).State);
        return labels;
    }

    void CheckChanges() {
        const int focus = Grid()->hasFocus() ? Grid()->CurrentCell() : -1;
        if (focus != SeenFocus_ && focus >= 0)
            NotifyChild(Grid(), QAccessible::Focus, focus);
        SeenFocus_ = focus;
        std::vector<QString> now = Labels();
        if (now == Seen_)
            return;
        Seen_ = std::move(now);
        for (auto it = Items_.begin(); it != Items_.end();) {
            if (it->first < Grid()->CellCount()) {
                ++it;
                continue;
            }
            QAccessible::deleteAccessibleInterface(it->second);
            it = Items_.erase(it);
        }
        QAccessibleEvent event(Grid(), QAccessible::ObjectReorder);
        Sink(&event);
    }

    mutable std::map<int, QAccessible::Id> Items_;
    std::unique_ptr<TChangeWatcher> Watcher_;
    std::vector<QString> Seen_;
    int SeenFocus_ = -1;
};

bool TDeviceItem::isValid() const {
    return List_->isValid() && Index_ < List_->Grid()->CellCount();
}

QWindow* TDeviceItem::window() const {
    return List_->window();
}

QAccessibleInterface* TDeviceItem::parent() const {
    return List_;
}

// The name is the label; the state, which the cell's colour and marks show,
// is said in words as the description.
QString TDeviceItem::text(QAccessible::Text t) const {
    if (!isValid())
        return {};
    if (t == QAccessible::Name)
        return QString::fromStdString(List_->Grid()->Cell(Index_)->Text).trimmed();
    if (t == QAccessible::Description)
        return List_->Grid()->LookOf(Index_).State;
    return {};
}

QRect TDeviceItem::rect() const {
    const QWidget* viewport = List_->Grid()->viewport();
    if (!isValid() || !viewport->isVisible())
        return {};
    const QRect local = List_->LocalRect(Index_);
    return QRect(viewport->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State TDeviceItem::state() const {
    QAccessible::State st;
    if (!isValid())
        return st;
    const TACGrid* grid = List_->Grid();
    st.invisible = !grid->isVisible();
    st.offscreen = Index_ < grid->FirstCell() || List_->LocalRect(Index_).top() >= grid->viewport()->height();
    st.hotTracked = grid->HoveredCell() == grid->Cell(Index_);
    st.readOnly = true;
    st.selectable = true;
    st.focusable = true;
    st.selected = grid->LookOf(Index_).Selected;
    st.focused = grid->CurrentCell() == Index_ && grid->hasFocus();
    return st;
}

void TDeviceItem::doAction(const QString& name) {
    TACGrid* grid = List_->Grid();
    if (name == pressAction() && isValid() && grid->OnCellClick)
        grid->OnCellClick(grid->Cell(Index_), TCellButton::mbLeft);
}

QColor TDeviceItem::backgroundColor() const {
    return isValid() ? FromWinColor(List_->Grid()->Cell(Index_)->Color) : QColor();
}

QAccessibleInterface* GridFactory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    // The controls have no meta-object of their own: the factory is asked
    // with their Qt base class's name, so the type is told by a cast.
    if (auto* grid = dynamic_cast<TYSGrid*>(object)) {
        auto* table = new TCardGridTable(grid);
        table->Watch();
        return table;
    }
    if (auto* inspector = dynamic_cast<TAInspector*>(object)) {
        auto* table = new TInspectorTable(inspector);
        table->Watch();
        return table;
    }
    if (auto* grid = dynamic_cast<TACGrid*>(object)) {
        auto* list = new TDeviceList(grid);
        list->Watch();
        return list;
    }
    return nullptr;
}

}  // namespace

void InstallAccessibleGrids() {
    QAccessible::installFactory(GridFactory);
}

TAccessibleSink SetAccessibleSink(TAccessibleSink sink) {
    return std::exchange(Sink, sink);
}

}  // namespace pelko
