#include "mbind/CGrid.h"

#include <QPainter>
#include <QPaintEvent>
#include <qdrawutil.h>
#include <algorithm>
#include <mutex>

#include "mbind/MText.h"
#include "mbind/MUMPS.h"
#include "toolkit/SysUtils.h"
#include "toolkit/Win1252.h"
#include "vism/VisM.h"

namespace {

struct TSharedBitmap {
    int users = 0;
    std::unique_ptr<QImage> image;
    // Held for the whole of a drawing through the bitmap.
    std::mutex lock;
};

TSharedBitmap& Bitmap()
{
    static TSharedBitmap bitmap;
    return bitmap;
}

// Qt's flags for the library's text drawing: word breaks, tabs expanded, "&" shown as it
// stands, aligned by Alignment at the top.
int DrawTextFlags(TAlignment Alignment)
{
    int flags = Qt::TextWordWrap | Qt::TextExpandTabs | Qt::AlignTop;
    switch (Alignment) {
    case taLeftJustify: return flags | Qt::AlignLeft;
    case taRightJustify: return flags | Qt::AlignRight;
    case taCenter: return flags | Qt::AlignHCenter;
    }
    return flags;
}

} // namespace

void AcquireSharedBitmap()
{
    TSharedBitmap& bitmap = Bitmap();
    if (bitmap.users == 0)
        bitmap.image = std::make_unique<QImage>();
    ++bitmap.users;
}

void ReleaseSharedBitmap()
{
    TSharedBitmap& bitmap = Bitmap();
    if (bitmap.users == 1)
        bitmap.image.reset();
    --bitmap.users;
}

const QImage* SharedBitmap()
{
    return Bitmap().image.get();
}

// --- construction ----------------------------------------------------------------------------

TCGrid::TCGrid(TComponent* AOwner, QWidget* Parent) : TStringGrid(AOwner, Parent)
{
    SetDefaultDrawing(true);
    SetOptions({TGridOption::goFixedVertLine, TGridOption::goFixedHorzLine, TGridOption::goVertLine,
                TGridOption::goHorzLine, TGridOption::goColSizing, TGridOption::goTabs});
    AcquireSharedBitmap();
    SetScrollBars(ssBoth);
    SetRowCount(2);
    SetColCount(2);
    SetDefaultRowHeight(18);
    SetColor(clWindow);
    SetParentColor(false);
    titleFont_ = std::make_unique<TFont>();
    titleFont_->OnChange = [this](TObject*) {
        if (Loading())
            SetParentFont(false);
    };
    SetSaveCellExtents(false);
}

TCGrid::~TCGrid()
{
    linhas_.clear();
    colunas_.reset();
    titleFont_.reset();
    globalChaves_.reset();
    ReleaseSharedBitmap();
}

// Made at first use rather than in the constructor, so that a derived grid's override
// is the one that runs.
TCGridColunas* TCGrid::Colunas() const
{
    if (!colunas_)
        colunas_ = const_cast<TCGrid*>(this)->CreateColunas();
    return colunas_.get();
}

TCGridGlobalChaves* TCGrid::GlobalChaves() const
{
    if (!globalChaves_)
        globalChaves_ = const_cast<TCGrid*>(this)->CreateGlobalChaves();
    return globalChaves_.get();
}

std::unique_ptr<TCGridColunas> TCGrid::CreateColunas()
{
    return std::make_unique<TCGridColunas>(this);
}

std::unique_ptr<TCGridGlobalChaves> TCGrid::CreateGlobalChaves()
{
    return std::make_unique<TCGridGlobalChaves>(this);
}

void TCGrid::SetVisM(TVisM* Value)
{
    SetWatchedReference(visM_, Value);
}

void TCGrid::Notification(TComponent* AComponent, TOperation Operation)
{
    TStringGrid::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove)
        return;
    if (AComponent == visM_)
        visM_ = nullptr;
    if (!globalChaves_)
        return;
    // A holder going away: its levels forget it without telling it (it is half destroyed).
    for (int i = 0; i < globalChaves_->Count(); ++i) {
        TCGridGlobalChave* level = globalChaves_->Items(i);
        if (level->Menu_Info() != nullptr && static_cast<TComponent*>(level->Menu_Info()) == AComponent)
            level->ForgetMenuInfo();
    }
}

void TCGrid::Loaded()
{
    TStringGrid::Loaded();
    if (Colunas()->Count() > 0)
        SetColCount(Colunas()->Count());
    Refresh();
}

// --- columns -------------------------------------------------------------------------------

void TCGrid::ColWidthsChanged()
{
    TStringGrid::ColWidthsChanged();
    for (int i = 0; i < ColCount() && i < Colunas()->Count(); ++i)
        Colunas()->Items(i)->SetWidth(ColWidths(i));
}

void TCGrid::ColumnMoved(int FromIndex, int ToIndex)
{
    if (FromIndex < Colunas()->Count()) {
        Colunas()->Items(FromIndex)->SetIndex(ToIndex);
        SetColWidths(FromIndex, Colunas()->Items(FromIndex)->StoredWidth());
        SetColWidths(ToIndex, Colunas()->Items(ToIndex)->StoredWidth());
    }
    TStringGrid::ColumnMoved(FromIndex, ToIndex);
}

// --- cells ---------------------------------------------------------------------------------

std::string TCGrid::CellText(TColuna* Coluna, int Col, int Row)
{
    if (Designing())
        return {};
    if (Coluna->TipoPiece() == tpCell)
        return Cells(Col, Row);
    // A failed run that ended a load started here is not run again by every later paint
    // (each would fail and tell the user again): painting loads again once the rows are
    // cleared by a new load.
    if (Row > static_cast<int>(linhas_.size()) && !pinturaSemCarga_) {
        try {
            LoadUpTo(Row);
        } catch (const EMRunFailed&) {
            pinturaSemCarga_ = true;
            throw;
        }
    }
    if (Row < 1 || Row > static_cast<int>(linhas_.size()))
        return {};
    const TCGLinha& linha = linhas_[static_cast<size_t>(Row - 1)];
    if (Coluna->TipoPiece() == tpChave)
        return MPiece(linha.Chave, "|", Coluna->Piece() + 1);
    const std::string dados = MPiece(linha.Conteudo, "|", Coluna->SubGlobal().empty() ? 1 : 2);
    return MPiece(dados, "^", Coluna->Piece());
}

void TCGrid::ConvertValue(TColuna* Coluna, int Col, int Row, TCanvas* Canvas, std::string& Value)
{
    if (!Value.empty() || Designing()) {
        switch (Coluna->TipoValor()) {
        case tvTabela: {
            // A code outside the table is shown as it stands.
            const int line = StrToIntDef(Value, -1);
            if (line >= 0 && line < Coluna->Tabela()->Count())
                Value = Coluna->Tabela()->Strings(line);
            break;
        }
        case tvData: Value = MHorologData(Value); break;
        case tvMesAno: Value = MAnoMes(Value); break;
        case tvValor:
            // The decimals are marked with the screen's "," that MFormataNumero reads,
            // whatever the locale's separator.
            Value = MFormataNumero(MInsereDecimal(Value, Coluna->DecimaisM(), ','), Coluna->Decimais());
            break;
        case tvString: break;
        }
    }
    if (Coluna->OnBeforeDrawCell)
        Coluna->OnBeforeDrawCell(Coluna, Col, Row, Canvas, Value);
}

void TCGrid::WriteCellText(TCanvas* Canvas, const TRect& Rect, int DX, int DY, TAlignment Alignment,
                           const std::string& Text)
{
    const TColor brush = ColorToRGB(Canvas->Brush().Color);
    if (Canvas->NearestColor(brush) == brush) {
        int x = Rect.Left + DX;
        if (Alignment == taRightJustify)
            x = Rect.Right - Canvas->TextWidth(Text) - 3;
        else if (Alignment == taCenter)
            x = Rect.Left + (Rect.Right - Rect.Left) / 2 - Canvas->TextWidth(Text) / 2;
        Canvas->TextRect(Rect, x, Rect.Top + DY, Text);
        return;
    }
    // The device would show the brush as another colour: draw on the bitmap, whose fill
    // the device then renders as it renders any picture.
    TSharedBitmap& bitmap = Bitmap();
    const std::lock_guard<std::mutex> locked(bitmap.lock);
    const int width = Rect.Width();
    const int height = Rect.Height();
    if (bitmap.image->width() < width || bitmap.image->height() < height) {
        *bitmap.image = QImage(std::max(bitmap.image->width(), width), std::max(bitmap.image->height(), height),
                               QImage::Format_RGB32);
    }
    {
        QPainter painter(bitmap.image.get());
        painter.fillRect(0, 0, width, height, ToQColor(Canvas->Brush().Color));
        painter.setFont(Canvas->Font()->Handle());
        painter.setPen(ToQColor(Canvas->Font()->Color()));
        painter.drawText(QRect(DX, DY, width - 1 - DX, height - 1 - DY), DrawTextFlags(Alignment), ToScreen(Text));
    }
    Canvas->Painter()->drawImage(QPoint(Rect.Left, Rect.Top), *bitmap.image, QRect(0, 0, width, height));
}

// --- drawing -------------------------------------------------------------------------------

void TCGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState)
{
    const int defined = Colunas()->Count();
    if (defined != ColCount() && defined > 0)
        SetColCount(defined);
    if (ACol >= defined) {
        TStringGrid::DrawCell(ACol, ARow, ARect, AState);
        return;
    }
    if (ARow == 0)
        DrawTitle(Colunas()->Items(ACol), ARect);
    else
        DrawData(Colunas()->Items(ACol), ACol, ARow, ARect, AState);
}

void TCGrid::DrawTitle(TColuna* Coluna, const TRect& Rect)
{
    TColunaTitle* title = Coluna->Title();
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(title->Font());
    canvas->Brush().Color = title->Color();
    canvas->FillRect(Rect);
    if (!title->Caption().empty())
        WriteCellText(canvas, Rect, 2, 2, title->Alignment(), title->Caption());
}

void TCGrid::DrawData(TColuna* Coluna, int ACol, int ARow, const TRect& Rect, TGridDrawState State)
{
    std::string text = CellText(Coluna, ACol, ARow);
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Coluna->Font());
    canvas->Brush().Color = Coluna->Color();
    if (State.Contains(TGridDrawStateItem::gdSelected)) {
        canvas->Brush().Color = clHighlight;
        canvas->Font()->SetColor(clHighlightText);
    }
    if (State.Contains(TGridDrawStateItem::gdFixed)) {
        canvas->Brush().Color = Coluna->Title()->Color();
        canvas->Font()->Assign(Coluna->Title()->Font());
    }
    ConvertValue(Coluna, ACol, ARow, canvas, text);
    canvas->FillRect(Rect);
    if (!text.empty())
        WriteCellText(canvas, Rect, 2, 2, Coluna->Alignment(), text);
    if (Coluna->OnAfterDrawCell)
        Coluna->OnAfterDrawCell(Coluna, ACol, ARow, canvas, text);
}

void TCGrid::paintEvent(QPaintEvent* Event)
{
    TStringGrid::paintEvent(Event);
    if (pressedTitle_ < 0)
        return;
    const TRect rect = CellRect(pressedTitle_, 0);
    if (rect.Width() <= 0)
        return;
    QPainter painter(viewport());
    const QBrush face(ToQColor(clBtnFace));
    qDrawWinButton(&painter, rect.ToQRect(), palette(), true, &face);
}

// --- mouse ---------------------------------------------------------------------------------

void TCGrid::MouseUp(TMouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)
{
    TStringGrid::MouseUp(Button, Shift, X, Y);
    int col;
    int row;
    MouseToCell(X, Y, col, row);
    if (col < 0 || col >= Colunas()->Count() || Button != TMouseButton::mbLeft || row < 0)
        return;
    TColuna* coluna = Colunas()->Items(col);
    if (row == 0)
        TitleClick(coluna);
    else
        CellClick(coluna);
}

void TCGrid::CellClick(TColuna* Coluna)
{
    if (OnCellClick)
        OnCellClick(Coluna);
}

void TCGrid::TitleClick(TColuna* Coluna)
{
    if (OnTitleClick)
        OnTitleClick(Coluna);
    else
        SortByColumn(Coluna->Index());
}
