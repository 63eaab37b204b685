// The bound grid's column definitions: display values and their defaults, copying, the
// value table, widths shared with the grid, column moves and the grid's construction.
#include <gtest/gtest.h>

#include <QMenu>
#include <memory>

#include "mbind/CGrid.h"
#include "mbind/CGridSupport.h"
#include "support/Recorders.h"

namespace {

using Strings = std::vector<std::string>;

uint8_t Bits(TColuna* Coluna)
{
    return Coluna->ValoresDefinidos().Bits();
}

std::string Captions(const TCGrid& Grid)
{
    std::string captions;
    for (int i = 0; i < Grid.Colunas()->Count(); ++i)
        captions += Grid.Colunas()->Items(i)->Title()->Caption();
    return captions;
}

// A grid whose display defaults all differ from the library's.
struct StyledGrid {
    TCGrid grid{nullptr};
    StyledGrid()
    {
        grid.SetColor(clYellow);
        grid.SetFixedColor(clRed);
        grid.SetDefaultColWidth(80);
        grid.Font()->SetSize(15);
        grid.TitleFont()->SetSize(17);
        grid.TitleFont()->SetColor(clNavy);
    }
};

TEST(CGridColunas, DisplayValues_FollowTheGridUntilSetExplicitly)
{
    StyledGrid styled;
    TColuna* coluna = styled.grid.Colunas()->Add();

    EXPECT_EQ(coluna->Color(), clYellow);
    EXPECT_EQ(coluna->Width(), 80);
    EXPECT_EQ(coluna->Font()->Size(), 15);
    EXPECT_EQ(coluna->Alignment(), taLeftJustify);
    EXPECT_EQ(coluna->Title()->Color(), clRed);
    EXPECT_EQ(coluna->Title()->Font()->Size(), 17);
    EXPECT_EQ(coluna->Title()->Font()->Color(), clNavy);
    EXPECT_EQ(coluna->Title()->Alignment(), taLeftJustify);
    EXPECT_EQ(Bits(coluna), 0) << "reading sets nothing";

    styled.grid.SetColor(clLime);
    styled.grid.SetFixedColor(clBlue);
    styled.grid.SetDefaultColWidth(90);
    EXPECT_EQ(coluna->Color(), clLime);
    EXPECT_EQ(coluna->Title()->Color(), clBlue);
    EXPECT_EQ(coluna->Width(), 90);
}

TEST(CGridColunas, DisplayValues_WithoutAGrid_TakeTheLibrarysDefaults)
{
    TCGridColunas colunas(nullptr);
    TColuna* coluna = colunas.Add();
    coluna->Font()->SetSize(21);

    EXPECT_EQ(coluna->Color(), clWindow);
    EXPECT_EQ(coluna->Width(), 64);
    EXPECT_EQ(coluna->Title()->Color(), clBtnFace);
    EXPECT_EQ(coluna->Title()->Font()->Size(), 21) << "the title follows the column's font";
}

TEST(CGridColunas, EachExplicitValue_SetsItsOwnBit_AndIsKeptAgainstTheDefault)
{
    struct Case {
        const char* value;
        std::function<void(TColuna*)> set;
        uint8_t bit;
    };
    const std::vector<Case> cases = {
        {"Color", [](TColuna* c) { c->SetColor(clYellow); }, 1 << 0},
        {"Width", [](TColuna* c) { c->SetWidth(80); }, 1 << 1},
        {"Font", [](TColuna* c) { c->Font()->SetColor(clRed); }, 1 << 2},
        {"Alignment", [](TColuna* c) { c->SetAlignment(taLeftJustify); }, 1 << 3},
        {"Title Color", [](TColuna* c) { c->Title()->SetColor(clRed); }, 1 << 4},
        {"Title Alignment", [](TColuna* c) { c->Title()->SetAlignment(taCenter); }, 1 << 5},
        {"Title Font", [](TColuna* c) { c->Title()->Font()->SetSize(30); }, 1 << 6},
    };
    for (const Case& c : cases) {
        StyledGrid styled;
        TColuna* coluna = styled.grid.Colunas()->Add();
        c.set(coluna);
        EXPECT_EQ(Bits(coluna), c.bit) << c.value;
    }

    StyledGrid styled;
    TColuna* coluna = styled.grid.Colunas()->Add();
    coluna->SetColor(clYellow); // equal to the default, still explicit
    styled.grid.SetColor(clLime);
    EXPECT_EQ(coluna->Color(), clYellow);
}

TEST(CGridColunas, FontsFollowingTheGrid_AColumnIgnoresAColourChange_ATitleFollowsIt)
{
    StyledGrid styled;
    TColuna* coluna = styled.grid.Colunas()->Add();
    const TColor before = coluna->Font()->Color();

    styled.grid.Font()->SetColor(clRed);
    styled.grid.TitleFont()->SetColor(clRed);
    EXPECT_EQ(coluna->Font()->Color(), before);
    EXPECT_EQ(coluna->Title()->Font()->Color(), clRed);

    styled.grid.Font()->SetSize(9);
    EXPECT_EQ(coluna->Font()->Size(), 9);
    EXPECT_EQ(coluna->Font()->Color(), clRed) << "a new device font brings the colour along";
    EXPECT_EQ(Bits(coluna), 0);
}

TEST(CGridColunas, Width_GoesToTheGridColumn_AddingColumnsUpToIt)
{
    TCGrid grid(nullptr);
    for (int i = 0; i < 4; ++i)
        grid.Colunas()->Add();
    ASSERT_EQ(grid.ColCount(), 2);

    grid.Colunas()->Items(3)->SetWidth(33);

    EXPECT_EQ(grid.ColCount(), 4);
    EXPECT_EQ(grid.ColWidths(3), 33);
}

TEST(CGridColunas, ResizedGridColumns_GoToTheDefinitions_UpToTheLastDefinition)
{
    TCGrid grid(nullptr);
    grid.Colunas()->Add();
    grid.Colunas()->Add();
    grid.SetColCount(4);

    grid.SetColWidths(1, 99);
    grid.SetColWidths(3, 7);

    EXPECT_EQ(grid.Colunas()->Items(1)->Width(), 99);
    EXPECT_EQ(grid.Colunas()->Items(0)->Width(), 64);
}

TEST(CGridColunas, CopyingAColumn_TakesExplicitLooksTitleAndMenu_NothingElse)
{
    QMenu menu;
    TCGridColunas source(nullptr);
    TColuna* from = source.Add();
    from->SetColor(clRed);
    from->SetWidth(40);
    from->SetPopupMenu(&menu);
    from->Title()->SetCaption("Name");
    from->Title()->SetColor(clBlue);
    from->SetPiece(3);
    from->SetDecimais(2);
    from->SetDecimaisM(2);
    from->SetTipoValor(tvData);
    from->SetTipoPiece(tpChave);
    from->Tabela()->Add("zero");
    from->SetSubGlobal("^S");
    from->OnBeforeDrawCell = [](TColuna*, int, int, TCanvas*, std::string&) {};
    StyledGrid styled;

    styled.grid.SetColunas(&source);

    TColuna* to = styled.grid.Colunas()->Items(0);
    EXPECT_EQ(to->Color(), clRed);
    EXPECT_EQ(to->Width(), 40);
    EXPECT_EQ(to->Font()->Size(), 15) << "the font was not set explicitly";
    EXPECT_EQ(to->PopupMenu(), &menu);
    EXPECT_EQ(to->Title()->Caption(), "Name");
    EXPECT_EQ(to->Title()->Color(), clBlue);
    EXPECT_EQ(to->Title()->Font()->Size(), 17);
    EXPECT_EQ(to->Piece(), 0);
    EXPECT_EQ(to->Decimais() + to->DecimaisM(), 0);
    EXPECT_EQ(to->TipoValor(), tvString);
    EXPECT_EQ(to->TipoPiece(), tpPiece);
    EXPECT_EQ(to->Tabela()->Count(), 0);
    EXPECT_EQ(to->SubGlobal(), "");
    EXPECT_FALSE(to->OnBeforeDrawCell);
    EXPECT_THROW(to->Assign(styled.grid.TitleFont()), EConvertError);
}

TEST(CGridColunas, Tabela_IsMadeOnItsFirstRead_CopiedOnWrite_FreedByNothing)
{
    TCGridColunas colunas(nullptr);
    TColuna* coluna = colunas.Add();
    EXPECT_EQ(coluna->Tabela()->Count(), 0);
    TStringList lines;
    lines.Add("a");
    lines.Add("b");
    coluna->SetTabela(&lines);
    lines.Add("c");
    EXPECT_EQ(coluna->Tabela()->AsVector(), (Strings{"a", "b"}));
    coluna->SetTabela(nullptr);
    EXPECT_EQ(coluna->Tabela()->Count(), 0);
}

TEST(CGridColunas, MovingAColumn_MovesItsDefinitionWidthAndTexts)
{
    TCGrid grid(nullptr);
    for (const char* caption : {"A", "B", "C"}) {
        TColuna* coluna = grid.Colunas()->Add();
        coluna->Title()->SetCaption(caption);
        coluna->SetWidth(10 * (grid.Colunas()->Count()));
    }
    grid.SetColCount(4);
    for (int c = 0; c < 4; ++c)
        grid.SetCells(c, 1, std::string(1, static_cast<char>('a' + c)));

    grid.MoveColumn(0, 2);

    EXPECT_EQ(Captions(grid), "BCA");
    EXPECT_EQ((std::vector<int>{grid.ColWidths(0), grid.ColWidths(1), grid.ColWidths(2)}),
              (std::vector<int>{20, 30, 10}));
    EXPECT_EQ(grid.Cells(0, 1) + grid.Cells(1, 1) + grid.Cells(2, 1) + grid.Cells(3, 1), "bcad");

    grid.MoveColumn(3, 1);
    EXPECT_EQ(Captions(grid), "BCA") << "a column without a definition moves only its texts";
    EXPECT_EQ(grid.Cells(0, 1) + grid.Cells(1, 1) + grid.Cells(2, 1) + grid.Cells(3, 1), "bdca");
}

// A column whose collection change can be told item by item, and whose title is its own.
class OwnTitle : public TColunaTitle {
public:
    using TColunaTitle::TColunaTitle;
};
class ReportingColuna : public TColuna {
public:
    using TColuna::TColuna;
    using TCollectionItem::Changed;

protected:
    std::unique_ptr<TColunaTitle> CreateTitle() override { return std::make_unique<OwnTitle>(this); }
};
class ReportingGrid : public TCGrid {
public:
    using TCGrid::TCGrid;

protected:
    std::unique_ptr<TCGridColunas> CreateColunas() override
    {
        return std::make_unique<TCGridColunas>(
            this, [](TCollection* Collection) { return std::make_unique<ReportingColuna>(Collection); });
    }
};

TEST(CGridColunas, DerivedGridAndColumn_MakeTheirOwnPartsThroughTheOverridableOperations)
{
    ReportingGrid grid(nullptr);
    TColuna* coluna = grid.Colunas()->Add();
    EXPECT_NE(dynamic_cast<ReportingColuna*>(coluna), nullptr);
    EXPECT_NE(dynamic_cast<OwnTitle*>(coluna->Title()), nullptr);
}

TEST(CGridColunas, ItemChange_AppliesTheWidth_OrTellsOfItsFailureByTheTitle)
{
    MessageRecorder messages;
    ReportingGrid grid(nullptr);
    for (int i = 0; i < 3; ++i)
        grid.Colunas()->Add();
    auto* third = static_cast<ReportingColuna*>(grid.Colunas()->Items(2));
    third->Title()->SetCaption("Total");

    third->Changed(true);
    EXPECT_TRUE(messages.Messages().empty()) << "a change of the whole collection does nothing";
    third->Changed(false); // grid column 2 does not exist

    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].Text, "Update Total");
    EXPECT_EQ(messages.Messages()[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(messages.Messages()[0].Buttons, mbOK);

    grid.BeginLoading();
    third->Changed(false);
    EXPECT_EQ(messages.Messages().size(), 1u) << "nothing is applied while the grid is being loaded";
}

TEST(CGridColunas, AfterLoading_OneGridColumnPerDefinition_TitleFontChangeClearsParentFont)
{
    ReportingGrid grid(nullptr);
    grid.TitleFont()->SetSize(20);
    EXPECT_TRUE(grid.ParentFont()) << "outside loading";
    grid.BeginLoading();
    for (int i = 0; i < 5; ++i)
        grid.Colunas()->Add();
    grid.TitleFont()->SetSize(21);
    EXPECT_FALSE(grid.ParentFont());

    grid.EndLoading();

    EXPECT_EQ(grid.ColCount(), 5);
    EXPECT_FALSE(grid.Loading());
}

TEST(CGridConstruction, StartsAsTheLibrarysBoundGrid)
{
    TCGrid grid(nullptr);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.ColCount(), 2);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(grid.FixedCols(), 1);
    EXPECT_EQ(grid.DefaultRowHeight(), 18);
    EXPECT_EQ(grid.Color(), clWindow);
    EXPECT_FALSE(grid.ParentColor());
    EXPECT_FALSE(grid.SaveCellExtents());
    EXPECT_EQ(grid.ScrollBars(), ssBoth);
    EXPECT_EQ(grid.Options(), (TGridOptions{TGridOption::goFixedVertLine, TGridOption::goFixedHorzLine,
                                            TGridOption::goVertLine, TGridOption::goHorzLine,
                                            TGridOption::goColSizing, TGridOption::goTabs}));
    EXPECT_EQ(grid.EstadoCarga(), 2);
    EXPECT_EQ(grid.Colunas()->Count(), 0);
    EXPECT_EQ(grid.GlobalChaves()->Count(), 0);
    EXPECT_FALSE(grid.AutoCarrega());
    EXPECT_FALSE(grid.PodeOrdenar());
}

TEST(CGridConstruction, SharedBitmap_LivesFromTheFirstGridToTheLast)
{
    ASSERT_EQ(SharedBitmap(), nullptr);
    auto first = std::make_unique<TCGrid>(nullptr);
    const QImage* bitmap = SharedBitmap();
    ASSERT_NE(bitmap, nullptr);
    auto second = std::make_unique<TCGrid>(nullptr);
    first.reset();
    EXPECT_EQ(SharedBitmap(), bitmap);
    second.reset();
    EXPECT_EQ(SharedBitmap(), nullptr);
}

} // namespace
