#include "mbind/CGridColunas.h"

#include "mbind/CGrid.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Win1252.h"

namespace {

// Copies Default into Own when Differs says so, without counting as a change of Own.
void FollowQuietly(TFont& Own, const TFont& Default, bool Differs)
{
    if (!Differs)
        return;
    auto onChange = std::move(Own.OnChange);
    Own.OnChange = nullptr;
    Own.Assign(&Default);
    Own.OnChange = std::move(onChange);
}

} // namespace

// --- title ---------------------------------------------------------------------------------

TColunaTitle::TColunaTitle(TColuna* Column)
    : column_(Column), font_(std::make_unique<TFont>()), color_(DefaultColor())
{
    font_->Assign(DefaultFont());
    font_->OnChange = [this](TObject*) { column_->Definir(TValorDefinido::vdTitleFont); };
}

TColunaTitle::~TColunaTitle() = default;

TAlignment TColunaTitle::Alignment() const
{
    return column_->Definido(TValorDefinido::vdTitleAlignment) ? alignment_ : taLeftJustify;
}

void TColunaTitle::SetAlignment(TAlignment Value)
{
    if (column_->Definido(TValorDefinido::vdTitleAlignment) && Value == alignment_)
        return;
    alignment_ = Value;
    column_->Definir(TValorDefinido::vdTitleAlignment);
    column_->LayoutChanged();
}

void TColunaTitle::SetCaption(const std::string& Value)
{
    caption_ = Value;
    column_->LayoutChanged();
}

TColor TColunaTitle::Color() const
{
    return column_->Definido(TValorDefinido::vdTitleColor) ? color_ : DefaultColor();
}

void TColunaTitle::SetColor(TColor Value)
{
    if (column_->Definido(TValorDefinido::vdTitleColor) && Value == color_)
        return;
    color_ = Value;
    column_->Definir(TValorDefinido::vdTitleColor);
    column_->LayoutChanged();
}

TFont* TColunaTitle::Font()
{
    if (!column_->Definido(TValorDefinido::vdTitleFont)) {
        const TFont* standard = DefaultFont();
        FollowQuietly(*font_, *standard,
                      font_->Handle() != standard->Handle() || font_->Color() != standard->Color());
    }
    return font_.get();
}

void TColunaTitle::SetFont(const TFont* Value)
{
    font_->Assign(Value);
    column_->LayoutChanged();
}

TColor TColunaTitle::DefaultColor() const
{
    const TCGrid* grid = column_->Grid();
    return grid != nullptr ? grid->FixedColor() : clBtnFace;
}

TFont* TColunaTitle::DefaultFont() const
{
    const TCGrid* grid = column_->Grid();
    return grid != nullptr ? grid->TitleFont() : column_->Font();
}

void TColunaTitle::Assign(const TPersistent* Source)
{
    const auto* source = dynamic_cast<const TColunaTitle*>(Source);
    if (source == nullptr) {
        TPersistent::Assign(Source);
        return;
    }
    const TColuna* from = source->column_;
    if (from->Definido(TValorDefinido::vdTitleAlignment))
        SetAlignment(source->alignment_);
    if (from->Definido(TValorDefinido::vdTitleColor))
        SetColor(source->color_);
    if (from->Definido(TValorDefinido::vdTitleFont))
        SetFont(source->font_.get());
    SetCaption(source->caption_);
}

// --- column ------------------------------------------------------------------------------

TColuna::TColuna(TCollection* Collection) : TCollectionItem(Collection), font_(std::make_unique<TFont>())
{
    if (const TCGrid* grid = Grid())
        font_->Assign(grid->Font());
    font_->OnChange = [this](TObject*) { Definir(TValorDefinido::vdFont); };
    width_ = DefaultWidth();
    color_ = DefaultColor();
    if (TCGrid* grid = Grid(); grid != nullptr && grid->Designing())
        grid->Refresh();
}

TColuna::~TColuna() = default;

TCGrid* TColuna::Grid() const
{
    const auto* colunas = dynamic_cast<const TCGridColunas*>(Collection());
    return colunas != nullptr ? colunas->Grid() : nullptr;
}

std::unique_ptr<TColunaTitle> TColuna::CreateTitle()
{
    return std::make_unique<TColunaTitle>(this);
}

void TColuna::LayoutChanged()
{
    TCGrid* grid = Grid();
    if (grid != nullptr && grid->Designing())
        grid->Refresh();
}

TAlignment TColuna::Alignment() const
{
    return Definido(TValorDefinido::vdAlignment) ? alignment_ : DefaultAlignment();
}

void TColuna::SetAlignment(TAlignment Value)
{
    if (Definido(TValorDefinido::vdAlignment) && Value == alignment_)
        return;
    alignment_ = Value;
    Definir(TValorDefinido::vdAlignment);
    LayoutChanged();
}

TColor TColuna::Color() const
{
    return Definido(TValorDefinido::vdColor) ? color_ : DefaultColor();
}

void TColuna::SetColor(TColor Value)
{
    if (Definido(TValorDefinido::vdColor) && Value == color_)
        return;
    color_ = Value;
    Definir(TValorDefinido::vdColor);
    LayoutChanged();
}

TFont* TColuna::Font()
{
    if (!Definido(TValorDefinido::vdFont)) {
        const TFont* standard = DefaultFont();
        FollowQuietly(*font_, *standard, font_->Handle() != standard->Handle());
    }
    return font_.get();
}

void TColuna::SetFont(const TFont* Value)
{
    font_->Assign(Value);
    LayoutChanged();
}

int TColuna::Width() const
{
    return Definido(TValorDefinido::vdWidth) ? width_ : DefaultWidth();
}

void TColuna::SetWidth(int Value)
{
    if (Definido(TValorDefinido::vdWidth) && Value == width_)
        return;
    width_ = Value;
    Definir(TValorDefinido::vdWidth);
    if (TCGrid* grid = Grid()) {
        const int index = Index();
        if (index >= grid->ColCount())
            grid->SetColCount(index + 1);
        grid->SetColWidths(index, Value);
    }
    LayoutChanged();
}

TStringList* TColuna::Tabela()
{
    if (!tabela_)
        tabela_ = std::make_unique<TStringList>();
    return tabela_.get();
}

void TColuna::SetTabela(const TStringList* Value)
{
    if (Value == nullptr) {
        tabela_.reset();
        return;
    }
    Tabela()->Assign(Value);
}

TColor TColuna::DefaultColor() const
{
    const TCGrid* grid = Grid();
    return grid != nullptr ? grid->Color() : clWindow;
}

int TColuna::DefaultWidth() const
{
    const TCGrid* grid = Grid();
    return grid != nullptr ? grid->DefaultColWidth() : 64;
}

TFont* TColuna::DefaultFont() const
{
    const TCGrid* grid = Grid();
    return grid != nullptr ? grid->Font() : font_.get();
}

void TColuna::Assign(const TPersistent* Source)
{
    const auto* source = dynamic_cast<const TColuna*>(Source);
    if (source == nullptr) {
        TCollectionItem::Assign(Source);
        return;
    }
    Collection()->BeginUpdate();
    try {
        if (source->Definido(TValorDefinido::vdColor))
            SetColor(source->color_);
        if (source->Definido(TValorDefinido::vdWidth))
            SetWidth(source->width_);
        if (source->Definido(TValorDefinido::vdFont))
            SetFont(source->font_.get());
        if (source->Definido(TValorDefinido::vdAlignment))
            SetAlignment(source->alignment_);
        title_->Assign(source->title_.get());
        popupMenu_ = source->popupMenu_;
    } catch (...) {
        Collection()->EndUpdate();
        throw;
    }
    Collection()->EndUpdate();
}

// --- collection ----------------------------------------------------------------------------

TCGridColunas::TCGridColunas(TCGrid* Grid, TColunaFactory Factory)
    : TCollection(Grid,
                  [make = std::move(Factory)](TCollection* Collection) -> std::unique_ptr<TCollectionItem> {
                      std::unique_ptr<TColuna> column =
                          make ? make(Collection) : std::make_unique<TColuna>(Collection);
                      // Made here rather than in the constructor, so that a derived
                      // column's CreateTitle is the one that runs.
                      column->title_ = column->CreateTitle();
                      return column;
                  }),
      grid_(Grid)
{
}

void TCGridColunas::Update(TCollectionItem* Item)
{
    if (grid_ == nullptr || grid_->Loading() || Item == nullptr)
        return;
    auto* column = static_cast<TColuna*>(Item);
    try {
        grid_->SetColWidths(column->Index(), column->Width());
        grid_->InvalidateCol(column->Index());
    } catch (const std::exception&) {
        MessageDlg(ToScreen("Update " + column->Title()->Caption()), TMsgDlgType::mtError, mbOK);
    }
}
