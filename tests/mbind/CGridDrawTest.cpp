// The bound grid's cells: where each text comes from, its conversion and draw events, how
// it is written (directly or through the shared bitmap), the painted colours and the clicks.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <set>

#include "mbind/CGrid.h"
#include "mbind/CGridSupport.h"
#include "support/ActiveWindow.h"
#include "support/EventLoop.h"
#include "support/FormatSettingsGuard.h"
#include "support/Recorders.h"

namespace {

using Strings = std::vector<std::string>;

// A grid with two rows of data on two key levels: keys "K0|K1|K2", content
// "a^b^c|s1^s2^s3" (its second "|"-piece is the sub-global's), then "L0|L1|L2", "d^e^f".
struct LoadedGrid {
    FakeVisM vism;
    TCGrid grid{nullptr};
    LoadedGrid()
    {
        grid.SetVisM(&vism);
        vism.Answer(RowAnswer("K0|K1|K2", "a^b^c|s1^s2^s3")).Answer(RowAnswer("L0|L1|L2", "d^e^f")).Answer(EndAnswer());
        grid.LoadAll();
        vism.ClearLog();
    }
};

TEST(CGridCellText, TakesTheKeyOrPieceTheColumnNames)
{
    struct Case {
        TTipoPiece tipo;
        uint8_t piece;
        const char* subGlobal;
        int row;
        const char* text;
    };
    const std::vector<Case> cases = {
        {tpChave, 0, "", 1, "K0"},  {tpChave, 2, "", 1, "K2"},  {tpChave, 1, "", 2, "L1"},
        {tpPiece, 0, "", 1, "a"},   {tpPiece, 1, "", 1, "a"},   {tpPiece, 3, "", 2, "f"},
        {tpPiece, 2, "^S", 1, "s2"}, {tpPiece, 2, "^S", 2, ""}, {tpPiece, 9, "", 1, ""},
    };
    LoadedGrid loaded;
    for (const Case& c : cases) {
        loaded.grid.Colunas()->Clear();
        TColuna* coluna = AddColumn(loaded.grid, c.tipo, c.piece);
        coluna->SetSubGlobal(c.subGlobal);
        EXPECT_EQ(loaded.grid.CellText(coluna, 0, c.row), c.text) << int(c.tipo) << " " << int(c.piece);
    }
}

TEST(CGridCellText, CellColumns_ShowTheGridsOwnText_AndNeverLoad)
{
    FakeVisM vism;
    TCGrid grid(nullptr);
    grid.SetVisM(&vism);
    grid.SetAutoCarrega(true);
    grid.SetRowCount(5);
    grid.SetCells(1, 4, "own");
    TColuna* coluna = AddColumn(grid, tpCell, 0);

    EXPECT_EQ(grid.CellText(coluna, 1, 4), "own");
    EXPECT_TRUE(vism.Runs().empty());
}

TEST(CGridCellText, RowNotLoaded_IsLoadedOnlyWithAutoCarrega)
{
    LoadedGrid loaded;
    TColuna* coluna = AddColumn(loaded.grid, tpChave, 0);
    EXPECT_EQ(loaded.grid.CellText(coluna, 0, 3), "");
    EXPECT_TRUE(loaded.vism.Runs().empty());

    loaded.grid.SetAutoCarrega(true);
    loaded.vism.Answer(RowAnswer("M0", "")).Answer(EndAnswer());
    EXPECT_EQ(loaded.grid.CellText(coluna, 0, 3), "M0");
    loaded.grid.SetDesigning(true);
    EXPECT_EQ(loaded.grid.CellText(coluna, 0, 1), "") << "no text while designing";
}

TEST(CGridConvertValue, ConvertsNonEmptyTextsByTipoValor)
{
    FormatSettingsGuard format(',', "dd/mm/yyyy", '/');
    struct Case {
        TTipoValor tipo;
        const char* text;
        const char* shown;
    };
    const std::vector<Case> cases = {
        {tvString, "12345", "12345"},   {tvValor, "12345", "123,45"}, {tvValor, "123456789", "1.234.567,89"},
        {tvData, "66000", "13/09/2021"}, {tvMesAno, "202105", "05/2021"}, {tvTabela, "0", "zero"},
        {tvTabela, "1", "one"},          {tvTabela, "2", "2"},           {tvTabela, "-1", "-1"},
        {tvTabela, "x", "x"},            {tvData, "", ""},               {tvValor, "", ""},
    };
    TCGrid grid(nullptr);
    TColuna* coluna = AddColumn(grid, tpPiece, 1);
    coluna->SetDecimaisM(2);
    coluna->SetDecimais(2);
    coluna->Tabela()->Add("zero");
    coluna->Tabela()->Add("one");
    for (const Case& c : cases) {
        coluna->SetTipoValor(c.tipo);
        std::string value = c.text;
        grid.ConvertValue(coluna, 1, 1, grid.Canvas(), value);
        EXPECT_EQ(value, c.shown) << int(c.tipo) << " " << c.text;
    }
}

TEST(CGridConvertValue, Amounts_ShowTheSameNumbersUnderEitherDecimalSeparator)
{
    struct Case {
        const char* text;
        uint8_t decimaisM;
        uint8_t decimais;
        const char* shown;
    };
    const std::vector<Case> cases = {
        {"12345", 2, 2, "123,45"},          {"123456789", 2, 2, "1.234.567,89"},
        {"2147483648", 2, 2, "21.474.836,48"}, {"-5", 2, 2, "-0,05"},
        {"-12", 2, 2, "-0,12"},             {"-123456", 2, 2, "-1.234,56"},
        {"12345", 3, 2, "12,34"},           {"125", 0, 2, "125,00"},
        {"7", 2, 0, "0"},                   {"1.5", 2, 2, "1,50"},
    };
    for (char separator : {',', '.'}) {
        FormatSettingsGuard format(separator, "dd/mm/yyyy", '/');
        TCGrid grid(nullptr);
        TColuna* coluna = AddColumn(grid, tpPiece, 1, tvValor);
        for (const Case& c : cases) {
            coluna->SetDecimaisM(c.decimaisM);
            coluna->SetDecimais(c.decimais);
            std::string value = c.text;
            grid.ConvertValue(coluna, 1, 1, grid.Canvas(), value);
            EXPECT_EQ(value, c.shown) << "'" << separator << "' " << c.text;
        }
    }
}

TEST(CGridConvertValue, BeforeDrawCell_SeesEveryTextAfterConversion_AndMayChangeIt)
{
    TCGrid grid(nullptr);
    TColuna* coluna = AddColumn(grid, tpPiece, 1, tvMesAno);
    Strings seen;
    coluna->OnBeforeDrawCell = [&](TColuna* Coluna, int Col, int Row, TCanvas* Canvas, std::string& Value) {
        EXPECT_EQ(Coluna, coluna);
        EXPECT_EQ(Canvas, grid.Canvas());
        seen.push_back(std::to_string(Col) + "," + std::to_string(Row) + ":" + Value);
        Value = "<" + Value + ">";
    };
    std::string empty;
    std::string month = "0412";
    grid.ConvertValue(coluna, 1, 2, grid.Canvas(), empty);
    grid.ConvertValue(coluna, 1, 3, grid.Canvas(), month);
    EXPECT_EQ(seen, (Strings{"1,2:", "1,3:12/04"}));
    EXPECT_EQ(empty, "<>");
}

// --- writing a cell's text --------------------------------------------------------------------

// An image to draw on through a canvas.
struct Surface {
    QImage image;
    QPainter painter;
    TCanvas canvas;
    explicit Surface(QImage::Format Format) : image(160, 40, Format)
    {
        image.fill(Qt::white);
        painter.begin(&image);
        canvas.SetPainter(&painter);
        canvas.Brush().Color = clSilver;
        canvas.Font()->SetColor(clBlack);
    }
    // First and last column of pixels of Rect that are neither the brush nor outside it.
    std::pair<int, int> Ink(const TRect& Rect)
    {
        painter.end();
        const QRgb brush = image.pixel(Rect.Left, Rect.Top);
        int first = -1;
        int last = -1;
        for (int x = Rect.Left; x < Rect.Right; ++x)
            for (int y = Rect.Top; y < Rect.Bottom; ++y)
                if (image.pixel(x, y) != brush) {
                    first = first < 0 ? x : first;
                    last = x;
                }
        return {first, last};
    }
};

constexpr TRect kCell{10, 5, 110, 25};

std::pair<int, int> InkOf(QImage::Format Format, TAlignment Alignment, const std::string& Text)
{
    TCGrid grid(nullptr);
    Surface surface(Format);
    grid.WriteCellText(&surface.canvas, kCell, 2, 2, Alignment, Text);
    return surface.Ink(kCell);
}

TEST(CGridWriteCellText, RightAlignedText_Ends3PixelsInsideDirectly_1ThroughTheBitmap)
{
    // Silver is shown exactly in true colour, not in 16 bits.
    const auto [directFirst, directLast] = InkOf(QImage::Format_RGB32, taRightJustify, "W");
    const auto [bitmapFirst, bitmapLast] = InkOf(QImage::Format_RGB16, taRightJustify, "W");
    ASSERT_GE(directFirst, 0);
    ASSERT_GE(bitmapFirst, 0);
    EXPECT_LE(directLast, kCell.Right - 4);
    EXPECT_GE(directLast, kCell.Right - 6);
    EXPECT_LE(bitmapLast, kCell.Right - 2);
    EXPECT_GE(bitmapLast, kCell.Right - 4);
    EXPECT_NEAR(bitmapLast - directLast, 2, 1);
}

TEST(CGridWriteCellText, LeftAlignedText_Starts2PixelsInsideEitherWay)
{
    const auto [directFirst, directLast] = InkOf(QImage::Format_RGB32, taLeftJustify, "W");
    const auto [bitmapFirst, bitmapLast] = InkOf(QImage::Format_RGB16, taLeftJustify, "W");
    EXPECT_GE(directFirst, kCell.Left + 2);
    EXPECT_LE(directFirst, kCell.Left + 3);
    EXPECT_NEAR(bitmapFirst, directFirst, 1);
}

TEST(CGridWriteCellText, CenteredText_StandsInTheMiddle)
{
    const auto [first, last] = InkOf(QImage::Format_RGB32, taCenter, "WWW");
    const int middle = (kCell.Left + kCell.Right) / 2;
    EXPECT_NEAR((first + last) / 2, middle, 2);
}

TEST(CGridWriteCellText, TextStaysInsideTheCell_WhichTheBrushFills)
{
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB16}) {
        TCGrid grid(nullptr);
        Surface surface(format);
        grid.WriteCellText(&surface.canvas, kCell, 2, 2, taLeftJustify, std::string(60, 'W'));
        surface.painter.end();
        EXPECT_EQ(surface.image.pixel(kCell.Right, kCell.Top + 8), qRgb(255, 255, 255)) << format;
        EXPECT_EQ(surface.image.pixel(kCell.Left - 1, kCell.Top + 8), qRgb(255, 255, 255)) << format;
        EXPECT_NE(surface.image.pixel(kCell.Left, kCell.Bottom - 1), qRgb(255, 255, 255)) << format;
    }
}

TEST(CGridWriteCellText, SharedBitmap_GrowsToTheLargestCellAndNeverShrinks)
{
    TCGrid grid(nullptr);
    Surface surface(QImage::Format_RGB16);
    grid.WriteCellText(&surface.canvas, {0, 0, 100, 20}, 2, 2, taLeftJustify, "x");
    grid.WriteCellText(&surface.canvas, {0, 0, 50, 35}, 2, 2, taLeftJustify, "x");
    ASSERT_NE(SharedBitmap(), nullptr);
    EXPECT_GE(SharedBitmap()->width(), 100);
    EXPECT_GE(SharedBitmap()->height(), 35);
}

// --- painting a shown grid -----------------------------------------------------------------------

// A shown grid with three defined columns of cell texts, four rows.
struct ShownGrid {
    MessageRecorder messages;
    TCGrid grid{nullptr};
    std::vector<TColuna*> columns;

    ShownGrid()
    {
        for (int i = 0; i < 3; ++i) {
            TColuna* coluna = AddColumn(grid, tpCell, 0);
            coluna->Title()->SetCaption("T" + std::to_string(i));
            columns.push_back(coluna);
        }
        grid.resize(300, 150);
        grid.SetRowCount(4);
        grid.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&grid));
    }

    QImage Shot()
    {
        QImage shot(grid.viewport()->size(), QImage::Format_RGB32);
        grid.viewport()->render(&shot);
        return shot;
    }
    QPoint Centre(int Col, int Row) const { return grid.CellRect(Col, Row).ToQRect().center(); }
    QColor At(const QImage& Shot, int Col, int Row) const { return Shot.pixelColor(Centre(Col, Row)); }
    void Click(int Col, int Row, Qt::MouseButton Button = Qt::LeftButton)
    {
        QTest::mouseClick(grid.viewport(), Button, Qt::NoModifier, Centre(Col, Row));
    }
};

TEST(CGridPaint, CellsTakeTheirColumnsAndTitlesColours)
{
    ShownGrid shown;
    shown.columns[0]->Title()->SetColor(clNavy);
    shown.columns[1]->Title()->SetColor(clRed);
    shown.columns[1]->Title()->SetCaption("");
    shown.columns[1]->SetColor(clYellow);
    const QImage shot = shown.Shot();

    EXPECT_EQ(shown.At(shot, 1, 0), ToQColor(clRed)) << "a title without caption is filled with its colour";
    EXPECT_EQ(shown.At(shot, 1, 2), ToQColor(clYellow));
    EXPECT_EQ(shown.At(shot, 0, 2), ToQColor(clNavy)) << "the fixed column looks like its title";
}

TEST(CGridPaint, TheCurrentCellIsDrawnHighlighted_WithTheFocusAndWithout)
{
    QWidget window;
    auto* grid = new TCGrid(nullptr, &window);
    auto* next = new QLineEdit(&window);
    for (int i = 0; i < 3; ++i)
        AddColumn(*grid, tpCell, 0);
    grid->SetRowCount(4);
    grid->setMinimumSize(300, 150);
    ShowActive(window, {grid, next});
    grid->SetCol(1);
    grid->SetRow(2);
    auto fill = [grid](int Col, int Row) {
        return grid->viewport()->grab().toImage().pixelColor(grid->CellRect(Col, Row).ToQRect().center());
    };
    ASSERT_TRUE(grid->hasFocus());
    EXPECT_EQ(fill(1, 2), ToQColor(clHighlight));
    EXPECT_EQ(fill(2, 2), ToQColor(clWindow));
    next->setFocus();
    EXPECT_EQ(fill(1, 2), ToQColor(clHighlight));
}

TEST(CGridPaint, KeepsOneGridColumnPerDefinition_OthersPaintedAsAStringGrid)
{
    ShownGrid shown;
    std::set<int> drawnByToolkit;
    shown.grid.OnDrawCell = [&](TObject*, int Col, int, const TRect&, TGridDrawState) { drawnByToolkit.insert(Col); };
    shown.grid.Colunas()->Delete(2);
    shown.grid.SetColCount(4);
    shown.Shot();
    EXPECT_EQ(shown.grid.ColCount(), 2);
    EXPECT_TRUE(drawnByToolkit.empty());

    shown.grid.Colunas()->Clear();
    shown.grid.SetColCount(3);
    shown.Shot();
    EXPECT_EQ(shown.grid.ColCount(), 3) << "without definitions the count stays";
    EXPECT_EQ(drawnByToolkit, (std::set<int>{0, 1, 2}));
}

TEST(CGridPaint, DrawEventsRunForEveryDataCell_AfterSeesTheShownText)
{
    ShownGrid shown;
    shown.grid.SetCells(1, 2, "x");
    Strings before;
    Strings after;
    shown.columns[1]->OnBeforeDrawCell = [&](TColuna*, int Col, int Row, TCanvas* Canvas, std::string& Value) {
        before.push_back(std::to_string(Col) + "," + std::to_string(Row) + "=" + Value);
        Value += "!";
        Canvas->Brush().Color = clLime;
    };
    shown.columns[1]->OnAfterDrawCell = [&](TColuna*, int Col, int Row, TCanvas*, std::string& Value) {
        after.push_back(std::to_string(Col) + "," + std::to_string(Row) + "=" + Value);
    };
    const QImage shot = shown.Shot();

    EXPECT_EQ(before, (Strings{"1,1=", "1,2=x", "1,3="}));
    EXPECT_EQ(after, (Strings{"1,1=!", "1,2=x!", "1,3=!"}));
    EXPECT_EQ(shown.At(shot, 1, 3), ToQColor(clLime)) << "the handler's brush fills the cell";
}

TEST(CGridPaint, AnExceptionWhilePainting_IsReportedAfterThePaint)
{
    ShownGrid shown;
    shown.columns[2]->OnAfterDrawCell = [](TColuna*, int, int, TCanvas*, std::string&) {
        throw Exception("draw failed");
    };
    shown.Shot();
    EXPECT_TRUE(ProcessEventsUntil([&] { return !shown.messages.Exceptions().empty(); }));
    EXPECT_EQ(shown.messages.Exceptions().front(), "draw failed");
}

// --- clicks ----------------------------------------------------------------------------------

TEST(CGridClicks, LeftClicksOnDefinedColumns_ReachTitleAndCellHandlers)
{
    ShownGrid shown;
    Strings clicks;
    shown.grid.OnTitleClick = [&](TColuna* Coluna) { clicks.push_back("title " + Coluna->Title()->Caption()); };
    shown.grid.OnCellClick = [&](TColuna* Coluna) { clicks.push_back("cell " + Coluna->Title()->Caption()); };

    shown.Click(1, 0);
    shown.Click(2, 3);
    shown.Click(0, 1);
    shown.Click(1, 0, Qt::RightButton);
    shown.Click(2, 2, Qt::RightButton);
    const TRect last = shown.grid.CellRect(2, 0);
    QTest::mouseClick(shown.grid.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(last.Right + 20, last.Top + 5));
    QTest::mouseClick(shown.grid.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 140));

    EXPECT_EQ(clicks, (Strings{"title T1", "cell T2", "cell T0"}));
}

TEST(CGridClicks, TitleClick_SortsOnlyWithoutAHandler)
{
    ShownGrid shown;
    FakeVisM vism;
    shown.grid.SetVisM(&vism);
    shown.grid.Colunas()->Clear();
    AddColumn(shown.grid, tpChave, 0);
    AddColumn(shown.grid, tpPiece, 1);
    shown.grid.SetPodeOrdenar(true);
    vism.Answer(RowAnswer("1", "b")).Answer(RowAnswer("2", "a")).Answer(EndAnswer());
    shown.grid.LoadAll();
    int handled = 0;
    shown.grid.OnTitleClick = [&](TColuna*) { ++handled; };

    shown.Click(1, 0);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(Keys(shown.grid), (Strings{"1", "2"}));

    shown.grid.OnTitleClick = nullptr;
    shown.Click(1, 0);
    EXPECT_EQ(Keys(shown.grid), (Strings{"2", "1"}));
    EXPECT_EQ(shown.grid.Cursor(), crDefault);
}

} // namespace
