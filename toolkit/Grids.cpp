#include "toolkit/Grids.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cstdlib>
#include <exception>
#include <utility>

#include "toolkit/Application.h"
#include "toolkit/Edit.h"

namespace {

constexpr const char* kIndexOutOfRange = "Grid index out of range";
// Pixels on either side of a column's grid line where a press starts resizing it.
constexpr int kSizingMargin = 2;

Qt::ScrollBarPolicy Policy(bool Shown)
{
    return Shown ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
}

TMouseButton ButtonOf(Qt::MouseButton Button)
{
    switch (Button) {
    case Qt::RightButton: return TMouseButton::mbRight;
    case Qt::MiddleButton: return TMouseButton::mbMiddle;
    default: return TMouseButton::mbLeft;
    }
}

} // namespace

TCustomGrid::TCustomGrid(TComponent* AOwner, QWidget* Parent)
    : QAbstractScrollArea(Parent), TComponent(AOwner), colWidths_(static_cast<size_t>(colCount_), defaultColWidth_),
      font_(std::make_unique<TFont>())
{
    font_->OnChange = [this](TObject*) { Invalidate(); };
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    SetScrollBars(ssBoth);
    UpdateScrollRange();
}

TCustomGrid::~TCustomGrid() = default;

// --- counts and extents ----------------------------------------------------------------

void TCustomGrid::SetColCount(int Value)
{
    Value = std::max(1, Value);
    if (Value == colCount_)
        return;
    const int oldCols = colCount_;
    if (Value <= fixedCols_)
        fixedCols_ = Value - 1;
    colCount_ = Value;
    colWidths_.resize(static_cast<size_t>(Value), defaultColWidth_);
    ClampCurrentCell();
    SizeChanged(oldCols, rowCount_);
    UpdateScrollRange();
    Invalidate();
}

void TCustomGrid::SetRowCount(int Value)
{
    Value = std::max(1, Value);
    if (Value == rowCount_)
        return;
    const int oldRows = rowCount_;
    if (Value <= fixedRows_)
        fixedRows_ = Value - 1;
    rowCount_ = Value;
    ClampCurrentCell();
    SizeChanged(colCount_, oldRows);
    UpdateScrollRange();
    Invalidate();
}

void TCustomGrid::SetFixedCols(int Value)
{
    if (Value < 0 || Value >= colCount_)
        throw EInvalidGridOperation("Fixed column count must be less than column count");
    fixedCols_ = Value;
    ClampCurrentCell();
    UpdateScrollRange();
    Invalidate();
}

void TCustomGrid::SetFixedRows(int Value)
{
    if (Value < 0 || Value >= rowCount_)
        throw EInvalidGridOperation("Fixed row count must be less than row count");
    fixedRows_ = Value;
    ClampCurrentCell();
    UpdateScrollRange();
    Invalidate();
}

void TCustomGrid::SetDefaultColWidth(int Value)
{
    defaultColWidth_ = Value;
    colWidths_.assign(static_cast<size_t>(colCount_), Value);
    ColWidthsChanged();
}

void TCustomGrid::SetDefaultRowHeight(int Value)
{
    defaultRowHeight_ = std::max(0, Value);
    UpdateScrollRange();
    Invalidate();
}

int TCustomGrid::ColWidths(int Index) const
{
    if (Index < 0 || Index >= colCount_)
        throw EInvalidGridOperation(kIndexOutOfRange);
    return colWidths_[static_cast<size_t>(Index)];
}

void TCustomGrid::SetColWidths(int Index, int Value)
{
    if (ColWidths(Index) == Value)
        return;
    colWidths_[static_cast<size_t>(Index)] = Value;
    ColWidthsChanged();
}

void TCustomGrid::ColWidthsChanged()
{
    UpdateScrollRange();
    Invalidate();
}

void TCustomGrid::ColumnMoved(int, int)
{
}

void TCustomGrid::SizeChanged(int, int)
{
}

void TCustomGrid::MoveColumn(int FromIndex, int ToIndex)
{
    if (FromIndex < 0 || FromIndex >= colCount_ || ToIndex < 0 || ToIndex >= colCount_)
        throw EInvalidGridOperation(kIndexOutOfRange);
    if (FromIndex == ToIndex)
        return;
    const int width = colWidths_[static_cast<size_t>(FromIndex)];
    colWidths_.erase(colWidths_.begin() + FromIndex);
    colWidths_.insert(colWidths_.begin() + ToIndex, width);
    ColumnMoved(FromIndex, ToIndex);
    Invalidate();
}

// --- look --------------------------------------------------------------------------------

void TCustomGrid::SetOptions(TGridOptions Value)
{
    options_ = Value;
    Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle Value)
{
    scrollBars_ = Value;
    setHorizontalScrollBarPolicy(Policy(Value == ssHorizontal || Value == ssBoth));
    setVerticalScrollBarPolicy(Policy(Value == ssVertical || Value == ssBoth));
}

void TCustomGrid::SetColor(TColor Value)
{
    color_ = Value;
    Invalidate();
}

void TCustomGrid::SetFixedColor(TColor Value)
{
    fixedColor_ = Value;
    Invalidate();
}

void TCustomGrid::SetDefaultDrawing(bool Value)
{
    defaultDrawing_ = Value;
    Invalidate();
}

void TCustomGrid::SetCursor(TCursor Value)
{
    cursor_ = Value;
    viewport()->setCursor(ToQtCursor(Value));
}

// --- geometry ----------------------------------------------------------------------------

int TCustomGrid::FixedWidth() const
{
    int width = 0;
    for (int c = 0; c < fixedCols_; ++c)
        width += colWidths_[static_cast<size_t>(c)] + GridLineWidth();
    return width;
}

int TCustomGrid::FixedHeight() const
{
    return fixedRows_ * (defaultRowHeight_ + GridLineWidth());
}

std::vector<TCustomGrid::Span> TCustomGrid::ShownCols() const
{
    std::vector<Span> spans;
    int x = 0;
    auto add = [&](int c) {
        const int width = colWidths_[static_cast<size_t>(c)];
        spans.push_back({c, x, x + width});
        x += width + GridLineWidth();
    };
    for (int c = 0; c < fixedCols_; ++c)
        add(c);
    for (int c = leftCol_; c < colCount_ && x < viewport()->width(); ++c)
        add(c);
    return spans;
}

std::vector<TCustomGrid::Span> TCustomGrid::ShownRows() const
{
    std::vector<Span> spans;
    int y = 0;
    auto add = [&](int r) {
        spans.push_back({r, y, y + defaultRowHeight_});
        y += defaultRowHeight_ + GridLineWidth();
    };
    for (int r = 0; r < fixedRows_; ++r)
        add(r);
    for (int r = topRow_; r < rowCount_ && y < viewport()->height(); ++r)
        add(r);
    return spans;
}

namespace {

// Rows of Height (plus their grid line) wholly inside Space.
int RowsFitting(int Space, int Height)
{
    return std::max(0, (Space + TCustomGrid::GridLineWidth()) / (Height + TCustomGrid::GridLineWidth()));
}

} // namespace

int TCustomGrid::VisibleRowCount() const
{
    const int fitting = RowsFitting(viewport()->height() - FixedHeight(), defaultRowHeight_);
    return std::min(fitting, rowCount_ - topRow_);
}

int TCustomGrid::MaxTopRow() const
{
    const int fitting = std::max(1, RowsFitting(viewport()->height() - FixedHeight(), defaultRowHeight_));
    return std::max(fixedRows_, rowCount_ - fitting);
}

int TCustomGrid::MaxLeftCol() const
{
    const int space = viewport()->width() - FixedWidth();
    int used = 0;
    int c = colCount_ - 1;
    while (c >= fixedCols_ && used + colWidths_[static_cast<size_t>(c)] <= space) {
        used += colWidths_[static_cast<size_t>(c)] + GridLineWidth();
        --c;
    }
    return std::max(fixedCols_, std::min(c + 1, colCount_ - 1));
}

void TCustomGrid::UpdateScrollRange()
{
    // Moving a scroll bar calls scrollContentsBy, which reads the first cells back from it.
    const int top = std::clamp(topRow_, fixedRows_, MaxTopRow());
    const int left = std::clamp(leftCol_, fixedCols_, MaxLeftCol());
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, MaxTopRow() - fixedRows_);
    vertical->setPageStep(std::max(1, RowsFitting(viewport()->height() - FixedHeight(), defaultRowHeight_)));
    vertical->setValue(top - fixedRows_);
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, MaxLeftCol() - fixedCols_);
    horizontal->setPageStep(1);
    horizontal->setValue(left - fixedCols_);
    topRow_ = top;
    leftCol_ = left;
}

void TCustomGrid::scrollContentsBy(int, int)
{
    topRow_ = fixedRows_ + verticalScrollBar()->value();
    leftCol_ = fixedCols_ + horizontalScrollBar()->value();
    Invalidate();
}

void TCustomGrid::resizeEvent(QResizeEvent*)
{
    UpdateScrollRange();
    Invalidate();
}

void TCustomGrid::SetTopRow(int Value)
{
    const int top = std::clamp(Value, fixedRows_, MaxTopRow());
    if (top == topRow_)
        return;
    verticalScrollBar()->setValue(top - fixedRows_);
    topRow_ = top;
    Invalidate();
}

void TCustomGrid::SetLeftCol(int Value)
{
    const int left = std::clamp(Value, fixedCols_, MaxLeftCol());
    if (left == leftCol_)
        return;
    horizontalScrollBar()->setValue(left - fixedCols_);
    leftCol_ = left;
    Invalidate();
}

TRect TCustomGrid::CellRect(int ACol, int ARow) const
{
    const auto cols = ShownCols();
    const auto rows = ShownRows();
    const auto col = std::find_if(cols.begin(), cols.end(), [&](const Span& s) { return s.Index == ACol; });
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const Span& s) { return s.Index == ARow; });
    if (col == cols.end() || row == rows.end())
        return {};
    return {col->Start, row->Start, col->End, row->End};
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const
{
    // A grid line belongs to the cell before it.
    auto find = [](const std::vector<Span>& spans, int At) {
        for (const Span& span : spans)
            if (At >= span.Start && At <= span.End)
                return span.Index;
        return -1;
    };
    ACol = find(ShownCols(), X);
    ARow = find(ShownRows(), Y);
}

// --- current cell --------------------------------------------------------------------------

void TCustomGrid::ClampCurrentCell()
{
    col_ = std::clamp(col_, fixedCols_, colCount_ - 1);
    row_ = std::clamp(row_, fixedRows_, rowCount_ - 1);
}

void TCustomGrid::FocusCell(int ACol, int ARow)
{
    const int col = std::clamp(ACol, fixedCols_, colCount_ - 1);
    const int row = std::clamp(ARow, fixedRows_, rowCount_ - 1);
    if (col == col_ && row == row_)
        return;
    col_ = col;
    row_ = row;
    ScrollIntoView(col, row);
    Invalidate();
}

void TCustomGrid::ScrollIntoView(int ACol, int ARow)
{
    const int fitting = std::max(1, RowsFitting(viewport()->height() - FixedHeight(), defaultRowHeight_));
    if (ARow < topRow_)
        SetTopRow(ARow);
    else if (ARow >= topRow_ + fitting)
        SetTopRow(ARow - fitting + 1);
    if (ACol < leftCol_) {
        SetLeftCol(ACol);
        return;
    }
    while (leftCol_ < ACol && leftCol_ < MaxLeftCol()) {
        const TRect rect = CellRect(ACol, fixedRows_ < rowCount_ ? fixedRows_ : 0);
        if (rect.Right > 0 && rect.Right <= viewport()->width())
            break;
        SetLeftCol(leftCol_ + 1);
    }
}

// --- painting ------------------------------------------------------------------------------

void TCustomGrid::Invalidate()
{
    paintPending_ = true;
    viewport()->update();
}

void TCustomGrid::InvalidateCol(int ACol)
{
    for (const Span& span : ShownCols()) {
        if (span.Index != ACol)
            continue;
        paintPending_ = true;
        viewport()->update(span.Start, 0, span.End - span.Start + GridLineWidth(), viewport()->height());
    }
}

void TCustomGrid::Refresh()
{
    viewport()->repaint();
}

void TCustomGrid::Update()
{
    if (paintPending_)
        viewport()->repaint();
}

void TCustomGrid::paintEvent(QPaintEvent*)
{
    paintPending_ = false;
    std::exception_ptr failure;
    {
        QPainter painter(viewport());
        canvas_.SetPainter(&painter);
        try {
            PaintCells();
        } catch (...) {
            failure = std::current_exception();
        }
        canvas_.SetPainter(nullptr);
    }
    if (!failure)
        return;
    // A message box must not open inside a paint: report once the paint is over.
    QMetaObject::invokeMethod(
        this,
        [this, failure] {
            try {
                std::rethrow_exception(failure);
            } catch (...) {
                Application::HandleCurrentException(this);
            }
        },
        Qt::QueuedConnection);
}

TGridDrawState TCustomGrid::StateOf(int ACol, int ARow) const
{
    TGridDrawState state;
    if (ACol < fixedCols_ || ARow < fixedRows_)
        return state.Include(TGridDrawStateItem::gdFixed);
    if (ACol != col_ || ARow != row_)
        return state;
    // The current cell is the selection, with the focus or without it.
    state.Include(TGridDrawStateItem::gdSelected);
    if (hasFocus())
        state.Include(TGridDrawStateItem::gdFocused);
    return state;
}

void TCustomGrid::PaintCells()
{
    QPainter& painter = *canvas_.Painter();
    painter.fillRect(viewport()->rect(), ToQColor(color_));
    const auto cols = ShownCols();
    const auto rows = ShownRows();
    // DrawCell may change the counts; cells that no longer exist are not painted.
    for (const Span& row : rows)
        for (const Span& col : cols)
            if (col.Index < colCount_ && row.Index < rowCount_)
                PaintCell(col, row);
    PaintGridLines(cols, rows, painter);
}

void TCustomGrid::PaintCell(const Span& Column, const Span& RowSpan)
{
    QPainter& painter = *canvas_.Painter();
    const TRect rect{Column.Start, RowSpan.Start, Column.End, RowSpan.End};
    const TGridDrawState state = StateOf(Column.Index, RowSpan.Index);
    const bool fixed = state.Contains(TGridDrawStateItem::gdFixed);
    canvas_.Font()->Assign(font_.get());
    canvas_.Brush() = TBrush{fixed ? fixedColor_ : color_, bsSolid};
    // The default look highlights the focused current cell only when the options ask for
    // it; its focus frame marks it otherwise.
    const bool highlighted =
        state.Contains(TGridDrawStateItem::gdSelected) &&
        (!state.Contains(TGridDrawStateItem::gdFocused) || options_.Contains(TGridOption::goDrawFocusSelected));
    if (highlighted) {
        canvas_.Brush().Color = clHighlight;
        canvas_.Font()->SetColor(clHighlightText);
    }
    if (defaultDrawing_)
        canvas_.FillRect(rect);
    // Whatever DrawCell does to the painter ends with it, also when it raises.
    painter.save();
    try {
        DrawCell(Column.Index, RowSpan.Index, rect, state);
    } catch (...) {
        painter.restore();
        throw;
    }
    painter.restore();
    if (!defaultDrawing_)
        return;
    if (fixed && rect.Width() > 1 && rect.Height() > 1) {
        painter.setPen(ToQColor(clBtnHighlight));
        painter.drawLine(rect.Left, rect.Top, rect.Right - 1, rect.Top);
        painter.drawLine(rect.Left, rect.Top, rect.Left, rect.Bottom - 1);
        painter.setPen(ToQColor(clBtnShadow));
        painter.drawLine(rect.Left, rect.Bottom - 1, rect.Right - 1, rect.Bottom - 1);
        painter.drawLine(rect.Right - 1, rect.Top, rect.Right - 1, rect.Bottom - 1);
    }
    if (state.Contains(TGridDrawStateItem::gdFocused)) {
        QPen pen(ToQColor(clWindowText));
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.Left, rect.Top, rect.Width() - 1, rect.Height() - 1);
    }
}

void TCustomGrid::PaintGridLines(const std::vector<Span>& Cols, const std::vector<Span>& Rows,
                                 QPainter& Painter) const
{
    for (const Span& row : Rows) {
        for (const Span& col : Cols) {
            if (col.Index >= colCount_ || row.Index >= rowCount_)
                continue;
            const bool fixed = col.Index < fixedCols_ || row.Index < fixedRows_;
            Painter.setPen(ToQColor(fixed ? clBlack : clSilver));
            if (options_.Contains(fixed ? TGridOption::goFixedVertLine : TGridOption::goVertLine))
                Painter.drawLine(col.End, row.Start, col.End, row.End);
            if (options_.Contains(fixed ? TGridOption::goFixedHorzLine : TGridOption::goHorzLine))
                Painter.drawLine(col.Start, row.End, col.End, row.End);
        }
    }
}

void TCustomGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState)
{
    if (OnDrawCell)
        OnDrawCell(this, ACol, ARow, ARect, AState);
}

// --- mouse and keys ----------------------------------------------------------------------

int TCustomGrid::SizingColumnAt(int X, int Y) const
{
    if (!options_.Contains(TGridOption::goColSizing) || Y < 0 || Y >= FixedHeight())
        return -1;
    for (const Span& span : ShownCols())
        if (std::abs(X - span.End) <= kSizingMargin)
            return span.Index;
    return -1;
}

void TCustomGrid::mousePressEvent(QMouseEvent* Event)
{
    if (focusPolicy() != Qt::NoFocus)
        setFocus(Qt::MouseFocusReason);
    if (Event->button() != Qt::LeftButton)
        return;
    const QPoint at = Event->position().toPoint();
    sizingCol_ = SizingColumnAt(at.x(), at.y());
    if (sizingCol_ >= 0)
        return;
    int col;
    int row;
    MouseToCell(at.x(), at.y(), col, row);
    if (col < 0 || row < 0)
        return;
    if (row < fixedRows_ && col >= fixedCols_ && options_.Contains(TGridOption::goColMoving))
        movingCol_ = col;
    else if (col >= fixedCols_ && row >= fixedRows_)
        FocusCell(col, row);
}

void TCustomGrid::mouseMoveEvent(QMouseEvent* Event)
{
    if (sizingCol_ >= 0 || movingCol_ >= 0)
        return;
    const QPoint at = Event->position().toPoint();
    const bool onBorder = SizingColumnAt(at.x(), at.y()) >= 0;
    viewport()->setCursor(ToQtCursor(onBorder ? crSizeWE : cursor_));
}

void TCustomGrid::mouseReleaseEvent(QMouseEvent* Event)
{
    const QPoint at = Event->position().toPoint();
    const int sizing = std::exchange(sizingCol_, -1);
    const int moving = std::exchange(movingCol_, -1);
    RunGuarded(this, [&] {
        if (sizing >= 0) {
            const auto cols = ShownCols();
            const auto span = std::find_if(cols.begin(), cols.end(), [&](const Span& s) { return s.Index == sizing; });
            if (span != cols.end())
                SetColWidths(sizing, std::max(0, at.x() - span->Start));
        } else if (moving >= 0) {
            int col;
            int row;
            MouseToCell(at.x(), at.y(), col, row);
            if (col >= fixedCols_ && col != moving)
                MoveColumn(moving, col);
        }
        MouseUp(ButtonOf(Event->button()), Event->modifiers(), at.x(), at.y());
    });
}

void TCustomGrid::MouseUp(TMouseButton, Qt::KeyboardModifiers, int, int)
{
}

void TCustomGrid::keyPressEvent(QKeyEvent* Event)
{
    const int page = std::max(1, VisibleRowCount());
    switch (Event->key()) {
    case Qt::Key_Up: FocusCell(col_, row_ - 1); break;
    case Qt::Key_Down: FocusCell(col_, row_ + 1); break;
    case Qt::Key_Left: FocusCell(col_ - 1, row_); break;
    case Qt::Key_Right: FocusCell(col_ + 1, row_); break;
    case Qt::Key_PageUp: FocusCell(col_, row_ - page); break;
    case Qt::Key_PageDown: FocusCell(col_, row_ + page); break;
    case Qt::Key_Home: FocusCell(fixedCols_, row_); break;
    case Qt::Key_End: FocusCell(colCount_ - 1, row_); break;
    default: QAbstractScrollArea::keyPressEvent(Event); return;
    }
    Event->accept();
}

bool TCustomGrid::MoveByTab(bool Forward)
{
    int col = col_ + (Forward ? 1 : -1);
    int row = row_;
    if (col >= colCount_) {
        col = fixedCols_;
        ++row;
    } else if (col < fixedCols_) {
        col = colCount_ - 1;
        --row;
    }
    if (row < fixedRows_ || row >= rowCount_)
        return false;
    FocusCell(col, row);
    return true;
}

bool TCustomGrid::event(QEvent* Event)
{
    if (Event->type() == QEvent::KeyPress && options_.Contains(TGridOption::goTabs)) {
        const auto* key = static_cast<QKeyEvent*>(Event);
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            MoveByTab(key->key() == Qt::Key_Tab)) {
            Event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(Event);
}

void TCustomGrid::focusInEvent(QFocusEvent* Event)
{
    QAbstractScrollArea::focusInEvent(Event);
    Invalidate();
}

void TCustomGrid::focusOutEvent(QFocusEvent* Event)
{
    QAbstractScrollArea::focusOutEvent(Event);
    Invalidate();
}

// --- string grid ---------------------------------------------------------------------------

TStringGrid::TStringGrid(TComponent* AOwner, QWidget* Parent) : TCustomGrid(AOwner, Parent)
{
}

std::string TStringGrid::Cells(int ACol, int ARow) const
{
    if (ARow < 0 || ACol < 0 || static_cast<size_t>(ARow) >= cells_.size())
        return {};
    const auto& row = cells_[static_cast<size_t>(ARow)];
    return static_cast<size_t>(ACol) < row.size() ? row[static_cast<size_t>(ACol)] : std::string();
}

void TStringGrid::SetCells(int ACol, int ARow, const std::string& Value)
{
    if (ACol < 0 || ACol >= ColCount() || ARow < 0 || ARow >= RowCount())
        throw EInvalidGridOperation(kIndexOutOfRange);
    if (cells_.size() <= static_cast<size_t>(ARow))
        cells_.resize(static_cast<size_t>(ARow) + 1);
    auto& row = cells_[static_cast<size_t>(ARow)];
    if (row.size() <= static_cast<size_t>(ACol))
        row.resize(static_cast<size_t>(ACol) + 1);
    row[static_cast<size_t>(ACol)] = Value;
    Invalidate();
}

void TStringGrid::ClearRowTexts(int ARow)
{
    if (ARow < 0 || static_cast<size_t>(ARow) >= cells_.size())
        return;
    cells_[static_cast<size_t>(ARow)].clear();
    Invalidate();
}

void TStringGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState)
{
    if (DefaultDrawing())
        Canvas()->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, Cells(ACol, ARow));
    TCustomGrid::DrawCell(ACol, ARow, ARect, AState);
}

void TStringGrid::ColumnMoved(int FromIndex, int ToIndex)
{
    for (auto& row : cells_) {
        if (row.size() < static_cast<size_t>(ColCount()))
            row.resize(static_cast<size_t>(ColCount()));
        std::string text = std::move(row[static_cast<size_t>(FromIndex)]);
        row.erase(row.begin() + FromIndex);
        row.insert(row.begin() + ToIndex, std::move(text));
    }
}

void TStringGrid::SizeChanged(int, int)
{
    if (cells_.size() > static_cast<size_t>(RowCount()))
        cells_.resize(static_cast<size_t>(RowCount()));
    for (auto& row : cells_)
        if (row.size() > static_cast<size_t>(ColCount()))
            row.resize(static_cast<size_t>(ColCount()));
}
