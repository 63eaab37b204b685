#pragma once
// TCGrid: a string grid that lists the nodes of an M global, one row per node, as the
// server routine $$LE^%CSWWCGRID walks them within the ranges of the key levels
// (GlobalChaves). Row 0 shows the column titles; data row r shows Linhas[r - 1].
//
// Columns (Colunas) say where each cell's text comes from (TipoPiece: a "^"-piece of the
// row's content, a key of the row, or the string grid's own cell) and how it is shown
// (TipoValor); grid column i is definition i. The grid paints every defined cell itself;
// columns beyond the definitions are painted as a plain string grid.
//
// Loading, one server execution per row (registers P0 to P7, see CGridLoad.cpp):
// - LoadAll fetches every row, for the application and on a company change (Reload);
// - with AutoCarrega, painting a row that is not loaded yet fetches rows up to one past
//   it (LoadUpTo), continuing from the last row received.
// No load catches anything: an exception leaves the rows received so far, EstadoCarga at
// 1 and the hourglass cursor. A failed server run is such an exception (EMRunFailed); after
// one, painting starts no load until the rows are cleared. A title click without an
// OnTitleClick handler sorts the rows by that column (PodeOrdenar, and only after a load
// reached the end of the data).
//
// Every M text sent is the fixed "$$LE^%CSWWCGRID"; values travel in registers only.
#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mbind/CGridChaves.h"
#include "mbind/CGridColunas.h"
#include "mbind/MenuInfo.h"
#include "toolkit/Grids.h"

class TVisM;

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TCGridClickEvent = std::function<void(TColuna* Coluna)>;
using TCGridLoadEvent = std::function<void(const std::string& Chave, const std::string& Conteudo)>;

// One row received from the server.
struct TCGLinha {
    // The row's key values joined with "|", as the server returned them in P1.
    std::string Chave;
    // The row's content, as the server returned it in P4.
    std::string Conteudo;
};

// The offscreen bitmap that every grid of the process draws non-exact colours through:
// made by the first grid's construction, freed by the last grid's destruction.
void AcquireSharedBitmap();
void ReleaseSharedBitmap();
// The bitmap, or null while no grid exists.
const QImage* SharedBitmap();

class TCGrid : public TStringGrid, public TCompanyGrid {
public:
    explicit TCGrid(TComponent* AOwner, QWidget* Parent = nullptr);
    ~TCGrid() override;

    // Published, in stored order (Options and ParentColor are the string grid's).
    // Made by CreateColunas at first use; the writer copies Value item by item.
    TCGridColunas* Colunas() const;
    void SetColunas(const TCGridColunas* Value) { Colunas()->Assign(Value); }
    TFont* TitleFont() const { return titleFont_.get(); }
    void SetTitleFont(const TFont* Value) { titleFont_->Assign(Value); }
    TVisM* VisM() const { return visM_; }
    void SetVisM(TVisM* Value);
    const std::string& Global() const { return global_; }
    void SetGlobal(const std::string& Value) { global_ = Value; }
    // Made by CreateGlobalChaves at first use; the writer copies Value item by item.
    TCGridGlobalChaves* GlobalChaves() const;
    void SetGlobalChaves(const TCGridGlobalChaves* Value) { GlobalChaves()->Assign(Value); }
    TCGridClickEvent OnCellClick;
    TCGridClickEvent OnTitleClick;
    TCGridLoadEvent OnLoad;
    TNotifyEvent OnFinishLoad;
    TNotifyEvent OnBeginLoad;
    bool AutoCarrega() const { return autoCarrega_; }
    void SetAutoCarrega(bool Value) { autoCarrega_ = Value; }
    bool PodeOrdenar() const { return podeOrdenar_; }
    void SetPodeOrdenar(bool Value) { podeOrdenar_ = Value; }
    const std::string& CondicaoFiltro() const { return condicaoFiltro_; }
    void SetCondicaoFiltro(const std::string& Value) { condicaoFiltro_ = Value; }

    // The rows received, in grid order.
    const std::vector<TCGLinha>& Linhas() const { return linhas_; }
    // 2: cleared; 1: a load is under way or stopped before the end of the data; 0: the
    // last load reached the end of the data (only then does a title click sort).
    uint8_t EstadoCarga() const { return estadoCarga_; }

    // The text of data cell (Col, Row) by the column's TipoPiece, before conversion; a
    // key or piece of a row not loaded yet loads up to it first (LoadUpTo).
    std::string CellText(TColuna* Coluna, int Col, int Row);
    // Converts a non-empty Value by the column's TipoValor, then OnBeforeDrawCell.
    void ConvertValue(TColuna* Coluna, int Col, int Row, TCanvas* Canvas, std::string& Value);
    // Writes Text into Rect, DX / DY inside it: directly when the device shows the
    // brush colour exactly, else through the shared bitmap.
    void WriteCellText(TCanvas* Canvas, const TRect& Rect, int DX, int DY, TAlignment Alignment,
                       const std::string& Text);

    // Empties the grid and Linhas, then fetches every row. Raises Exception without VisM.
    void LoadAll();
    // With AutoCarrega and a VisM: fetches rows until more than Row are loaded or the
    // data ends. Always True.
    bool LoadUpTo(int Row);
    // Empties the grid's texts and Linhas; EstadoCarga 2; painting may load again.
    void ClearRows();
    // Every key level's Atual := its Inicio.
    void LimparChaves();
    // Sorts Linhas by column Column (see CompareRows).
    void SortByColumn(int Column);
    // -1, 0 or 1 by the sort column's key texts: numbers for tvValor (an unreadable one
    // makes the rows equal), bytes otherwise; tpCell columns leave rows equal.
    int CompareRows(const TCGLinha& A, const TCGLinha& B) const;
    // Fixes every key level that names a holder to that holder's company code.
    void AplicarEmpresa() override;
    // Loads every row again (clearing first when AutoCarrega is set).
    void Reload() override;

protected:
    virtual std::unique_ptr<TCGridColunas> CreateColunas();
    virtual std::unique_ptr<TCGridGlobalChaves> CreateGlobalChaves();
    // Left click on a data cell of a defined column: OnCellClick.
    virtual void CellClick(TColuna* Coluna);
    // Left click on a defined column's title: OnTitleClick, or else the sort.
    virtual void TitleClick(TColuna* Coluna);

    // After loading the stored form, one grid column per definition.
    void Loaded() override;
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    void MouseUp(TMouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y) override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    // The user's widths go to the definitions.
    void ColWidthsChanged() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Shows the title being sorted by as a pressed button.
    void paintEvent(QPaintEvent* Event) override;

private:
    // The five request lists of one load, and where the next row lies: at the node of
    // Chaves itself while the load has received no row (a new load, whose first row may
    // lie exactly at the first values), after it once it has.
    struct TPedido {
        std::string Chaves;
        std::string Inicios;
        std::string Finais;
        std::string Pieces;
        std::string SubGlobais;
        bool StartsAtKeys;
    };
    TPedido MontarPedido(const std::string& Chaves, bool StartsAtKeys) const;
    std::string ChavesAtuais() const;
    // One execution; returns ResultValue.
    std::string Executar(const TPedido& Pedido);
    // Result "0": stores the row, applies RowCountRule to the count, moves the key list
    // on, fires OnLoad and follows the keys.
    void ReceberLinha(TPedido& Pedido, int& Count, const std::function<void(int)>& RowCountRule,
                      bool ConteudoInteiro);
    void DrawTitle(TColuna* Coluna, const TRect& Rect);
    void DrawData(TColuna* Coluna, int ACol, int ARow, const TRect& Rect, TGridDrawState State);

    mutable std::unique_ptr<TCGridColunas> colunas_;
    std::unique_ptr<TFont> titleFont_;
    TVisM* visM_ = nullptr;
    std::string global_;
    mutable std::unique_ptr<TCGridGlobalChaves> globalChaves_;
    bool autoCarrega_ = false;
    bool podeOrdenar_ = false;
    std::string condicaoFiltro_;
    uint8_t estadoCarga_ = 2;
    std::vector<TCGLinha> linhas_;
    int sortColumn_ = 0;
    // The title drawn pressed while its sort runs, -1 for none.
    int pressedTitle_ = -1;
    // A failed run ended the load that painting started: painting loads nothing more
    // until the rows are cleared.
    bool pinturaSemCarga_ = false;
};
