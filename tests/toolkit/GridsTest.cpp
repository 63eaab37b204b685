// The toolkit's grids: counts and fixed cells, geometry, the cell states DrawCell gets, and
// what the user does with mouse and keys (select, resize, move columns, Tab between cells).
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <map>

#include "support/ActiveWindow.h"
#include "toolkit/Grids.h"

namespace {

// A string grid that records its hooks.
class RecordingGrid : public TStringGrid {
public:
    using TStringGrid::TStringGrid;
    int widthChanges = 0;
    std::vector<std::pair<int, int>> moves;
    std::map<std::pair<int, int>, TGridDrawState> states;

protected:
    void ColWidthsChanged() override
    {
        TStringGrid::ColWidthsChanged();
        ++widthChanges;
    }
    void ColumnMoved(int FromIndex, int ToIndex) override
    {
        moves.emplace_back(FromIndex, ToIndex);
        TStringGrid::ColumnMoved(FromIndex, ToIndex);
    }
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override
    {
        states[{ACol, ARow}] = AState;
        TStringGrid::DrawCell(ACol, ARow, ARect, AState);
    }
};

// A shown, active window with a grid of 4 by 6 cells of 50 by 20 pixels and an edit.
struct GridScreen {
    QWidget window;
    RecordingGrid* grid = new RecordingGrid(nullptr, &window);
    QLineEdit* next = new QLineEdit(&window);

    GridScreen()
    {
        grid->SetColCount(4);
        grid->SetRowCount(6);
        grid->SetDefaultColWidth(50);
        grid->SetDefaultRowHeight(20);
        grid->setMinimumSize(320, 200);
        ShowActive(window, {grid, next});
    }
    QPoint Centre(int Col, int Row) const { return grid->CellRect(Col, Row).ToQRect().center(); }
    void Drag(QPoint From, QPoint To)
    {
        QWidget* viewport = grid->viewport();
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, From);
        QTest::mouseMove(viewport, To);
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, To);
    }
};

TEST(Grids, Counts_KeepAtLeastOneCellOutsideTheFixedOnes)
{
    TStringGrid grid(nullptr);
    EXPECT_THROW(grid.SetFixedRows(5), EInvalidGridOperation);
    EXPECT_THROW(grid.SetFixedCols(-1), EInvalidGridOperation);
    grid.SetRowCount(1);
    EXPECT_EQ(grid.FixedRows(), 0);
    grid.SetRowCount(0);
    EXPECT_EQ(grid.RowCount(), 1);
    EXPECT_THROW(grid.ColWidths(5), EInvalidGridOperation);
    EXPECT_THROW(grid.SetCells(0, 1, "x"), EInvalidGridOperation);
}

TEST(Grids, Cells_OutsideNewCountsAreDropped)
{
    TStringGrid grid(nullptr);
    grid.SetCells(4, 4, "corner");
    grid.SetCells(1, 1, "kept");
    grid.SetRowCount(3);
    grid.SetRowCount(5);
    EXPECT_EQ(grid.Cells(4, 4), "");
    EXPECT_EQ(grid.Cells(1, 1), "kept");
    grid.ClearRowTexts(1);
    EXPECT_EQ(grid.Cells(1, 1), "");
}

TEST(Grids, Geometry_CellsLeaveOutTheirGridLine_WhichBelongsToTheCellBefore)
{
    GridScreen screen;
    RecordingGrid& grid = *screen.grid;
    EXPECT_EQ(grid.CellRect(0, 0), (TRect{0, 0, 50, 20}));
    EXPECT_EQ(grid.CellRect(2, 1), (TRect{102, 21, 152, 41}));
    int col;
    int row;
    grid.MouseToCell(50, 20, col, row);
    EXPECT_EQ(std::make_pair(col, row), std::make_pair(0, 0));
    grid.MouseToCell(51, 21, col, row);
    EXPECT_EQ(std::make_pair(col, row), std::make_pair(1, 1));
    grid.MouseToCell(250, 10, col, row);
    EXPECT_EQ(col, -1);

    grid.SetRowCount(50);
    grid.SetTopRow(10);
    EXPECT_EQ(grid.CellRect(0, 10), (TRect{0, 21, 50, 41})) << "the first row shown below the fixed one";
    EXPECT_EQ(grid.CellRect(0, 5), TRect{}) << "scrolled away";
}

TEST(Grids, DrawCell_GetsFixedSelectedAndFocusedStates)
{
    GridScreen screen;
    RecordingGrid& grid = *screen.grid;
    grid.setFocus();
    grid.SetCol(2);
    grid.SetRow(3);
    grid.repaint();
    ASSERT_TRUE(grid.viewport()->grab().width() > 0);

    using S = TGridDrawStateItem;
    const TGridDrawState fixed{S::gdFixed};
    EXPECT_EQ(grid.states.at({0, 3}), fixed);
    EXPECT_EQ(grid.states.at({2, 0}), fixed);
    EXPECT_EQ(grid.states.at({2, 3}), (TGridDrawState{S::gdSelected, S::gdFocused}));
    EXPECT_EQ(grid.states.at({1, 3}), TGridDrawState());

    screen.next->setFocus();
    grid.viewport()->grab();
    EXPECT_EQ(grid.states.at({2, 3}), TGridDrawState{S::gdSelected}) << "without the focus the current cell is selected";
}

TEST(Grids, DefaultDrawing_HighlightsTheFocusedCurrentCellOnlyWithGoDrawFocusSelected)
{
    GridScreen screen;
    RecordingGrid& grid = *screen.grid;
    grid.SetCol(2);
    grid.SetRow(3);
    auto fill = [&] {
        const QImage shot = grid.viewport()->grab().toImage();
        return shot.pixelColor(screen.Centre(2, 3));
    };
    grid.setFocus();
    EXPECT_EQ(fill(), ToQColor(clWindow)) << "focused: only the focus frame";
    TGridOptions options = grid.Options();
    grid.SetOptions(options.Include(TGridOption::goDrawFocusSelected));
    EXPECT_EQ(fill(), ToQColor(clHighlight));
    grid.SetOptions(options.Exclude(TGridOption::goDrawFocusSelected));
    screen.next->setFocus();
    EXPECT_EQ(fill(), ToQColor(clHighlight)) << "without the focus";
}

TEST(Grids, Mouse_SelectsCells_ResizesByTheBorderInTheFixedRow)
{
    GridScreen screen;
    RecordingGrid& grid = *screen.grid;
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, screen.Centre(3, 4));
    EXPECT_EQ(std::make_pair(grid.Col(), grid.Row()), std::make_pair(3, 4));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, screen.Centre(0, 2));
    EXPECT_EQ(std::make_pair(grid.Col(), grid.Row()), std::make_pair(3, 4)) << "fixed cells are not selected";

    screen.Drag(QPoint(101, 10), QPoint(131, 10));
    EXPECT_EQ(grid.ColWidths(1), 50) << "no resizing without goColSizing";
    TGridOptions options = grid.Options();
    grid.SetOptions(options.Include(TGridOption::goColSizing));
    grid.widthChanges = 0;

    screen.Drag(QPoint(101, 10), QPoint(131, 10));

    EXPECT_EQ(grid.ColWidths(1), 80);
    EXPECT_EQ(grid.widthChanges, 1);
}

TEST(Grids, Mouse_MovesAColumnByItsFixedCell_OnlyWithGoColMoving)
{
    GridScreen screen;
    RecordingGrid& grid = *screen.grid;
    for (int c = 0; c < 4; ++c)
        grid.SetCells(c, 2, std::string(1, static_cast<char>('a' + c)));
    grid.SetColWidths(1, 40);
    screen.Drag(screen.Centre(1, 0), screen.Centre(3, 0));
    EXPECT_TRUE(grid.moves.empty());

    TGridOptions options = grid.Options();
    grid.SetOptions(options.Include(TGridOption::goColMoving));
    screen.Drag(screen.Centre(1, 0), screen.Centre(3, 0));

    EXPECT_EQ(grid.moves, (std::vector<std::pair<int, int>>{{1, 3}}));
    EXPECT_EQ(grid.Cells(0, 2) + grid.Cells(1, 2) + grid.Cells(2, 2) + grid.Cells(3, 2), "acdb");
    EXPECT_EQ(grid.ColWidths(3), 40);
}

TEST(Grids, Keys_MoveTheCurrentCell_TabOnlyWithGoTabs)
{
    GridScreen screen;
    RecordingGrid& grid = *screen.grid;
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Down);
    QTest::keyClick(&grid, Qt::Key_Right);
    EXPECT_EQ(std::make_pair(grid.Col(), grid.Row()), std::make_pair(2, 2));
    QTest::keyClick(&grid, Qt::Key_Up);
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(grid.Row(), 1) << "the fixed row is no stop";

    TGridOptions options = grid.Options();
    grid.SetOptions(options.Include(TGridOption::goTabs));
    QTest::keyClick(&grid, Qt::Key_Tab);
    QTest::keyClick(&grid, Qt::Key_Tab);
    EXPECT_EQ(std::make_pair(grid.Col(), grid.Row()), std::make_pair(1, 2)) << "past the last column to the next row";
    EXPECT_TRUE(grid.hasFocus());

    grid.SetOptions(options.Exclude(TGridOption::goTabs));
    QTest::keyClick(&grid, Qt::Key_Tab);
    EXPECT_TRUE(screen.next->hasFocus());
}

} // namespace
