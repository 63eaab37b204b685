#pragma once
// The column definitions of the bound grid (TCGrid): TColuna, its title TColunaTitle and
// their collection TCGridColunas, whose owner is the grid (or nothing, for a collection
// built apart and then copied into a grid).
//
// Display values with defaults. A column's Color, Width, Font and Alignment and its
// title's Color, Font and Alignment follow a default until they are set explicitly, which
// the column records in ValoresDefinidos:
//   column Color      the grid's Color            (clWindow without a grid)
//   column Width      the grid's DefaultColWidth  (64)
//   column Font       the grid's Font             (the column's own font)
//   title Color       the grid's FixedColor       (clBtnFace)
//   title Font        the grid's TitleFont        (the column's Font)
//   Alignments        taLeftJustify
// A font that follows its default is brought in line with it when read, without counting
// as a change: a column's font when the device fonts differ (a change of colour alone is
// not followed), a title's font also when the colours differ. Any change of an own font
// marks it as set.
//
// At run time a change of a display value does not repaint the grid (only a designer's
// grid is repainted at once); a width goes to the grid's column at once.
#include <QMenu>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "toolkit/Collections.h"
#include "toolkit/EnumSet.h"
#include "toolkit/Graphics.h"
#include "toolkit/StringList.h"

class TCGrid;
class TColuna;

// How a cell's text is shown.
enum TTipoValor : uint8_t {
    tvString, // as it stands
    tvValor,  // a number with DecimaisM implied decimals, shown with Decimais decimals
    tvData,   // an M day number, shown as a date
    tvMesAno, // a month/year value
    tvTabela, // a code n >= 0, shown as line n of Tabela
};

// Where a cell's text comes from.
enum TTipoPiece : uint8_t {
    tpPiece, // "^"-piece Piece of the row's content
    tpChave, // key level Piece (from 0) of the row's keys
    tpCell,  // the string grid's own text of the cell
};

// Display values set explicitly, one bit each in the order below.
enum class TValorDefinido : uint8_t {
    vdColor,
    vdWidth,
    vdFont,
    vdAlignment,
    vdTitleColor,
    vdTitleAlignment,
    vdTitleFont,
};
using TValoresDefinidos = TEnumSet<TValorDefinido, uint8_t>;

// Value: the cell's text; the handler may change it and the canvas.
using TColunaDrawEvent =
    std::function<void(TColuna* Coluna, int Col, int Row, TCanvas* Canvas, std::string& Value)>;

class TColunaTitle : public TPersistent {
public:
    explicit TColunaTitle(TColuna* Column);
    ~TColunaTitle() override;
    TColunaTitle(const TColunaTitle&) = delete;
    TColunaTitle& operator=(const TColunaTitle&) = delete;

    TColuna* Column() const { return column_; }

    // Published, in stored order.
    TAlignment Alignment() const;
    void SetAlignment(TAlignment Value);
    const std::string& Caption() const { return caption_; }
    virtual void SetCaption(const std::string& Value);
    TColor Color() const;
    void SetColor(TColor Value);
    TFont* Font();
    // Copies Value into the own font.
    void SetFont(const TFont* Value);

    TColor DefaultColor() const;
    TFont* DefaultFont() const;

    // From another title: Alignment, Color and Font where its column set them
    // explicitly, then the caption.
    void Assign(const TPersistent* Source) override;

private:
    TColuna* column_;
    std::string caption_;
    std::unique_ptr<TFont> font_;
    TColor color_;
    TAlignment alignment_ = taLeftJustify;
};

class TColuna : public TCollectionItem {
public:
    // Starts with the defaults of the collection's grid; the title is made by CreateTitle
    // as the collection adds the column.
    explicit TColuna(TCollection* Collection);
    ~TColuna() override;

    // Published, in stored order.
    TAlignment Alignment() const;
    void SetAlignment(TAlignment Value);
    TColor Color() const;
    void SetColor(TColor Value);
    TFont* Font();
    // Copies Value into the own font.
    void SetFont(const TFont* Value);
    // Kept and copied for the application; the grid does not use it.
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* Value) { popupMenu_ = Value; }
    TColunaTitle* Title() const { return title_.get(); }
    void SetTitle(const TColunaTitle* Value) { title_->Assign(Value); }
    int Width() const;
    // Also the grid's width of the column (adding grid columns up to it).
    void SetWidth(int Value);
    uint8_t Piece() const { return piece_; }
    void SetPiece(uint8_t Value) { piece_ = Value; }
    uint8_t Decimais() const { return decimais_; }
    void SetDecimais(uint8_t Value) { decimais_ = Value; }
    uint8_t DecimaisM() const { return decimaisM_; }
    void SetDecimaisM(uint8_t Value) { decimaisM_ = Value; }
    TTipoValor TipoValor() const { return tipoValor_; }
    void SetTipoValor(TTipoValor Value) { tipoValor_ = Value; }
    TTipoPiece TipoPiece() const { return tipoPiece_; }
    void SetTipoPiece(TTipoPiece Value) { tipoPiece_ = Value; }
    // Made empty on its first read.
    TStringList* Tabela();
    // Copies Value's lines; null frees the list.
    void SetTabela(const TStringList* Value);
    TColunaDrawEvent OnBeforeDrawCell;
    TColunaDrawEvent OnAfterDrawCell;
    // Not empty: the column shows "|"-piece 2 of the row's content instead of piece 1.
    const std::string& SubGlobal() const { return subGlobal_; }
    void SetSubGlobal(const std::string& Value) { subGlobal_ = Value; }

    TValoresDefinidos ValoresDefinidos() const { return valoresDefinidos_; }
    // The width held by the column, whether set explicitly or not.
    int StoredWidth() const { return width_; }
    // The grid owning the collection, or null.
    TCGrid* Grid() const;

    TColor DefaultColor() const;
    int DefaultWidth() const;
    TFont* DefaultFont() const;
    TAlignment DefaultAlignment() const { return taLeftJustify; }

    // From another column: Color, Width, Font and Alignment where it set them
    // explicitly, its title and its popup menu; nothing else.
    void Assign(const TPersistent* Source) override;

protected:
    virtual std::unique_ptr<TColunaTitle> CreateTitle();
    // A designer's grid repaints at once; at run time nothing happens.
    void LayoutChanged();

private:
    friend class TColunaTitle;
    friend class TCGridColunas;
    bool Definido(TValorDefinido Value) const { return valoresDefinidos_.Contains(Value); }
    void Definir(TValorDefinido Value) { valoresDefinidos_.Include(Value); }

    TColor color_;
    int width_;
    std::unique_ptr<TColunaTitle> title_;
    std::unique_ptr<TFont> font_;
    QPointer<QMenu> popupMenu_;
    TAlignment alignment_ = taLeftJustify;
    TValoresDefinidos valoresDefinidos_;
    uint8_t piece_ = 0;
    TTipoValor tipoValor_ = tvString;
    TTipoPiece tipoPiece_ = tpPiece;
    uint8_t decimais_ = 0;
    uint8_t decimaisM_ = 0;
    std::unique_ptr<TStringList> tabela_;
    std::string subGlobal_;
};

class TCGridColunas : public TCollection {
public:
    using TColunaFactory = std::function<std::unique_ptr<TColuna>(TCollection* Collection)>;

    // Grid: the owner, or null for a collection of its own. Factory makes one column
    // of the item class (TColuna when not given).
    explicit TCGridColunas(TCGrid* Grid, TColunaFactory Factory = nullptr);

    TCGrid* Grid() const { return grid_; }
    TColuna* Add() { return static_cast<TColuna*>(TCollection::Add()); }
    TColuna* Items(int Index) const { return static_cast<TColuna*>(TCollection::Items(Index)); }

protected:
    // A changed column's width goes to the grid's column, unless the grid is being
    // loaded; a failure shows "Update " and the title's caption.
    void Update(TCollectionItem* Item) override;

private:
    TCGrid* grid_;
};
