#pragma once
// The class library's grids on a Qt scroll area.
//
// TCustomGrid: ColCount columns by RowCount rows of cells; the first FixedCols columns and
// FixedRows rows are fixed (they never scroll and are painted as titles). Every shown cell
// is painted by DrawCell, on Canvas, in rows from the top. The current cell is drawn with
// gdSelected, and with gdFocused as well while the grid has the focus. Before the call the
// canvas has the grid's Font and the cell's brush (FixedColor; clHighlight for the current
// cell, unless it is focused without goDrawFocusSelected; else Color) and, with
// DefaultDrawing, the cell is already filled. Scrolling moves whole cells:
// TopRow and LeftCol are the first non-fixed row and column shown. A cell's rectangle
// (CellRect) leaves out the grid line of GridLineWidth pixels at its right and bottom.
//
// The user resizes columns by dragging a border in the fixed rows (goColSizing), moves a
// column by dragging its fixed cell (goColMoving), selects a cell with the mouse or the
// arrow and page keys, and with goTabs moves between cells with Tab. Every change of the
// column or row count repaints the whole grid.
//
// TStringGrid adds a text per cell, written by its DrawCell and moved with its column.
//
// Exceptions raised while painting are handed to the application's exception report once
// the paint is over; those of the mouse steps at once.
#include <QAbstractScrollArea>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Classes.h"
#include "toolkit/EnumSet.h"
#include "toolkit/Graphics.h"

enum class TGridOption : uint8_t {
    goFixedVertLine,
    goFixedHorzLine,
    goVertLine,
    goHorzLine,
    goRangeSelect,
    goDrawFocusSelected,
    goRowSizing,
    goColSizing,
    goRowMoving,
    goColMoving,
    goEditing,
    goTabs,
    goRowSelect,
    goAlwaysShowEditor,
    goThumbTracking,
};
using TGridOptions = TEnumSet<TGridOption, uint16_t>;

enum class TGridDrawStateItem : uint8_t { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TEnumSet<TGridDrawStateItem, uint8_t>;

enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

enum class TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// An index outside the grid, or fixed rows or columns that would leave no other.
class EInvalidGridOperation : public Exception {
public:
    using Exception::Exception;
};

using TDrawCellEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, const TRect& Rect, TGridDrawState State)>;

class TCustomGrid : public QAbstractScrollArea, public TComponent {
public:
    // AOwner frees the grid (as does Qt's Parent); either may be null. The grid starts
    // with 5 by 5 cells of 64 by 24 pixels, one fixed row and column.
    explicit TCustomGrid(TComponent* AOwner, QWidget* Parent = nullptr);
    ~TCustomGrid() override;

    int ColCount() const { return colCount_; }
    // At least 1; fewer columns than FixedCols + 1 take fixed columns away.
    void SetColCount(int Value);
    int RowCount() const { return rowCount_; }
    void SetRowCount(int Value);
    int FixedCols() const { return fixedCols_; }
    // EInvalidGridOperation unless below ColCount.
    void SetFixedCols(int Value);
    int FixedRows() const { return fixedRows_; }
    // EInvalidGridOperation unless below RowCount.
    void SetFixedRows(int Value);
    int DefaultColWidth() const { return defaultColWidth_; }
    // Every column takes the width.
    void SetDefaultColWidth(int Value);
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int Value);
    // EInvalidGridOperation for an index outside 0 .. ColCount - 1. A changed width runs
    // ColWidthsChanged.
    int ColWidths(int Index) const;
    void SetColWidths(int Index, int Value);
    static constexpr int GridLineWidth() { return 1; }

    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions Value);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle Value);
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor Value);
    TFont* Font() const { return font_.get(); }
    void SetFont(const TFont* Value) { font_->Assign(Value); }
    // Kept for the stored form; this toolkit does not follow the parent's colour or font.
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool Value) { parentColor_ = Value; }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool Value) { parentFont_ = Value; }
    bool SaveCellExtents() const { return saveCellExtents_; }
    void SetSaveCellExtents(bool Value) { saveCellExtents_ = Value; }
    // Fill each cell and paint the fixed cells' edges and the focus frame around DrawCell.
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool Value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor Value);

    // The current cell, outside the fixed cells.
    int Col() const { return col_; }
    int Row() const { return row_; }
    void SetCol(int Value) { FocusCell(Value, row_); }
    void SetRow(int Value) { FocusCell(col_, Value); }
    int TopRow() const { return topRow_; }
    void SetTopRow(int Value);
    int LeftCol() const { return leftCol_; }
    void SetLeftCol(int Value);
    // Non-fixed rows wholly shown from TopRow.
    int VisibleRowCount() const;

    // The shown cell's rectangle in the viewport, empty when the cell is not shown.
    TRect CellRect(int ACol, int ARow) const;
    // The cell under viewport point (X, Y); -1 for a coordinate outside every cell.
    void MouseToCell(int X, int Y, int& ACol, int& ARow) const;
    // Moves column FromIndex to ToIndex with its width, then ColumnMoved.
    void MoveColumn(int FromIndex, int ToIndex);

    // Repaint later / repaint now / repaint now only when something is waiting.
    void Invalidate();
    void InvalidateCol(int ACol);
    void Refresh();
    void Update();

    // The canvas of the paint in progress (without a painter outside a paint).
    TCanvas* Canvas() { return &canvas_; }

    TDrawCellEvent OnDrawCell;

protected:
    // Paints one cell; the base fires OnDrawCell.
    virtual void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
    // A column width changed; the base adjusts the scrolling.
    virtual void ColWidthsChanged();
    // Column FromIndex went to ToIndex (widths already moved); the base does nothing.
    virtual void ColumnMoved(int FromIndex, int ToIndex);
    // The counts changed from the given ones; the base does nothing.
    virtual void SizeChanged(int OldColCount, int OldRowCount);
    // A mouse button was released at viewport point (X, Y); the base does nothing.
    virtual void MouseUp(TMouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);

    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void scrollContentsBy(int Dx, int Dy) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    bool event(QEvent* Event) override;

private:
    struct Span {
        int Index;
        int Start;
        int End; // just past the cell, where its grid line starts
    };
    // The shown columns / rows: fixed first, then from LeftCol / TopRow while they start
    // inside the viewport.
    std::vector<Span> ShownCols() const;
    std::vector<Span> ShownRows() const;
    int FixedWidth() const;
    int FixedHeight() const;
    int MaxTopRow() const;
    int MaxLeftCol() const;
    void UpdateScrollRange();
    void ClampCurrentCell();
    void FocusCell(int ACol, int ARow);
    void ScrollIntoView(int ACol, int ARow);
    void MoveByKey(int Key);
    bool MoveByTab(bool Forward);
    void PaintCells();
    void PaintCell(const Span& Column, const Span& RowSpan);
    void PaintGridLines(const std::vector<Span>& Cols, const std::vector<Span>& Rows, QPainter& Painter) const;
    int SizingColumnAt(int X, int Y) const;
    TGridDrawState StateOf(int ACol, int ARow) const;

    int colCount_ = 5;
    int rowCount_ = 5;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    std::vector<int> colWidths_;
    TGridOptions options_{TGridOption::goFixedVertLine, TGridOption::goFixedHorzLine, TGridOption::goVertLine,
                          TGridOption::goHorzLine, TGridOption::goRangeSelect};
    TScrollStyle scrollBars_ = ssBoth;
    TColor color_ = clWindow;
    TColor fixedColor_ = clBtnFace;
    std::unique_ptr<TFont> font_;
    bool parentColor_ = false;
    bool parentFont_ = true;
    bool saveCellExtents_ = true;
    bool defaultDrawing_ = true;
    TCursor cursor_ = crDefault;
    int col_ = 1;
    int row_ = 1;
    int topRow_ = 1;
    int leftCol_ = 1;
    bool paintPending_ = false;
    int sizingCol_ = -1;
    int movingCol_ = -1;
    TCanvas canvas_;
};

class TStringGrid : public TCustomGrid {
public:
    explicit TStringGrid(TComponent* AOwner, QWidget* Parent = nullptr);

    // The text of a cell; "" for a cell never written. Writing outside the grid raises
    // EInvalidGridOperation.
    std::string Cells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const std::string& Value);
    // Empties every text of row ARow.
    void ClearRowTexts(int ARow);

protected:
    // With DefaultDrawing, writes the cell's text 2 pixels inside its rectangle; then
    // OnDrawCell.
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    // The texts go with their column.
    void ColumnMoved(int FromIndex, int ToIndex) override;
    // Texts of cells outside the new counts are dropped.
    void SizeChanged(int OldColCount, int OldRowCount) override;

private:
    // Indexed [row][column]; rows and columns never written are missing.
    std::vector<std::vector<std::string>> cells_;
};
