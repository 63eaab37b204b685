// TCGrid: loading rows from the server, the key levels, sorting and the company hooks.
//
// One execution of $$LE^%CSWWCGRID writes every register again:
//   P0 Global           P1 key list (level values joined by "|")
//   P2 first values     P3 last values
//   P4 piece list: "^"-piece j + 1 is column j's Piece for tpPiece columns ("1" at first)
//   P5 sub-global list: "|"-piece j + 1 is column j's SubGlobal
//   P6 CondicaoFiltro
//   P7 "1" while the load has received no row (the row may lie at P1 itself), else "0"
//   ResultValue empty
// and answers "0" with a row (P1 its keys, P4 its content), "1" or nothing when no row is
// left, or anything else to be asked again with the same lists.
#include <algorithm>
#include <optional>

#include "mbind/CGrid.h"
#include "mbind/MText.h"
#include "mbind/MUMPS.h"
#include "toolkit/SysUtils.h"
#include "vism/VisM.h"

namespace {

constexpr const char* kLeCode = "$$LE^%CSWWCGRID";

bool NoRowsLeft(const std::string& Result)
{
    return Result == "1" || Result.empty();
}

template <class T>
int Sign(const T& A, const T& B)
{
    return A > B ? 1 : A < B ? -1 : 0;
}

} // namespace

// --- request lists and one execution -------------------------------------------------------

std::string TCGrid::ChavesAtuais() const
{
    std::string chaves;
    for (int i = 0; i < GlobalChaves()->Count(); ++i)
        chaves = MSetPiece(chaves, "|", i + 1, GlobalChaves()->Items(i)->Atual());
    return chaves;
}

TCGrid::TPedido TCGrid::MontarPedido(const std::string& Chaves, bool StartsAtKeys) const
{
    TPedido pedido{Chaves, "", "", "1", "", StartsAtKeys};
    for (int i = 0; i < GlobalChaves()->Count(); ++i) {
        const TCGridGlobalChave* level = GlobalChaves()->Items(i);
        pedido.Inicios = MSetPiece(pedido.Inicios, "|", i + 1, level->Inicio());
        pedido.Finais = MSetPiece(pedido.Finais, "|", i + 1, level->Final());
    }
    for (int j = 0; j < Colunas()->Count(); ++j) {
        const TColuna* coluna = Colunas()->Items(j);
        if (coluna->TipoPiece() == tpPiece)
            pedido.Pieces = MSetPiece(pedido.Pieces, "^", j + 1, std::to_string(coluna->Piece()));
        pedido.SubGlobais = MSetPiece(pedido.SubGlobais, "|", j + 1, coluna->SubGlobal());
    }
    return pedido;
}

std::string TCGrid::Executar(const TPedido& Pedido)
{
    if (visM_ != nullptr)
        visM_->SetResultValue(TVariant());
    ExecutarM(visM_, kLeCode,
              {{0, global_},
               {1, Pedido.Chaves},
               {2, Pedido.Inicios},
               {3, Pedido.Finais},
               {4, Pedido.Pieces},
               {5, Pedido.SubGlobais},
               {6, condicaoFiltro_},
               {7, Pedido.StartsAtKeys ? "1" : "0"}});
    return visM_->ResultValue().AsString();
}

void TCGrid::ReceberLinha(TPedido& Pedido, int& Count, const std::function<void(int)>& RowCountRule,
                          bool ConteudoInteiro)
{
    const std::string chave = visM_->P1().AsString();
    const std::string conteudo = visM_->P4().AsString();
    linhas_.push_back({chave, conteudo});
    ++Count;
    RowCountRule(Count);
    Pedido.Chaves = chave;
    Pedido.StartsAtKeys = false;
    if (OnLoad)
        OnLoad(chave, ConteudoInteiro ? conteudo : MPiece(conteudo, "|", 1));
    for (int k = 0; k < GlobalChaves()->Count(); ++k)
        GlobalChaves()->Items(k)->SetAtual(MPiece(chave, "|", k + 1));
}

// --- loads -----------------------------------------------------------------------------------

void TCGrid::LoadAll()
{
    if (visM_ == nullptr)
        throw Exception(std::string("Nenhum controle VisM ligado para executar: ") + kLeCode);
    if (OnBeginLoad)
        OnBeginLoad(this);
    SetCursor(crHourGlass);
    Update();
    int count = 0;
    ClearRows();
    LimparChaves();
    estadoCarga_ = 1;
    TPedido pedido = MontarPedido(ChavesAtuais(), true);
    // The grid grows row by row until the rows pass the visible area, then in jumps.
    const auto rowCountRule = [this](int Count) {
        if (RowCount() + 50 < Count || RowCount() < TopRow() + VisibleRowCount() + 1)
            SetRowCount(Count + 1);
    };
    for (;;) {
        const std::string result = Executar(pedido);
        if (result == "0") {
            ReceberLinha(pedido, count, rowCountRule, false);
        } else if (NoRowsLeft(result)) {
            estadoCarga_ = 0;
            SetCursor(crDefault);
            SetRowCount(count + 1);
            if (RowCount() > 1)
                SetFixedRows(1);
            if (OnFinishLoad)
                OnFinishLoad(this);
            Refresh();
            return;
        }
    }
}

bool TCGrid::LoadUpTo(int Row)
{
    // Without a server control there is nothing to fetch; painting must not fail for it.
    if (!autoCarrega_ || visM_ == nullptr)
        return true;
    SetCursor(crHourGlass);
    int count;
    std::string chaves;
    const bool continuing = !linhas_.empty();
    if (continuing) {
        count = static_cast<int>(linhas_.size());
        chaves = linhas_.back().Chave;
    } else {
        if (OnBeginLoad)
            OnBeginLoad(this);
        count = 0;
        ClearRows();
        LimparChaves();
        estadoCarga_ = 1;
        chaves = ChavesAtuais();
    }
    TPedido pedido = MontarPedido(chaves, !continuing);
    // The grid stays 50 rows ahead of the rows received, so scrolling on fetches more.
    const auto rowCountRule = [this](int Count) {
        if (Count > RowCount())
            SetRowCount(Count + 50);
    };
    for (;;) {
        const std::string result = Executar(pedido);
        if (result == "0")
            ReceberLinha(pedido, count, rowCountRule, true);
        if (count > Row) {
            SetRowCount(count + 50);
            SetCursor(crDefault);
            return true;
        }
        if (NoRowsLeft(result)) {
            estadoCarga_ = 0;
            SetRowCount(count + 1);
            SetCursor(crDefault);
            if (OnFinishLoad)
                OnFinishLoad(this);
            return true;
        }
    }
}

void TCGrid::ClearRows()
{
    for (int row = 1; row < RowCount(); ++row)
        ClearRowTexts(row);
    SetRowCount(2);
    SetFixedRows(1);
    linhas_.clear();
    estadoCarga_ = 2;
    pinturaSemCarga_ = false;
    if (!autoCarrega_)
        Refresh();
}

void TCGrid::LimparChaves()
{
    for (int i = 0; i < GlobalChaves()->Count(); ++i)
        GlobalChaves()->Items(i)->LimparAtual();
}

// --- sorting ---------------------------------------------------------------------------------

void TCGrid::SortByColumn(int Column)
{
    if (estadoCarga_ != 0 || !podeOrdenar_)
        return;
    SetCursor(crHourGlass);
    Colunas()->Items(Column); // the index check
    sortColumn_ = Column;
    pressedTitle_ = Column;
    Refresh();
    // A tvValor column may hold texts that are no numbers, which compare equal to
    // everything: the comparison is then no strict order, which a merge sort survives.
    std::stable_sort(linhas_.begin(), linhas_.end(),
                     [this](const TCGLinha& A, const TCGLinha& B) { return CompareRows(A, B) < 0; });
    pressedTitle_ = -1;
    Refresh();
    SetCursor(crDefault);
}

int TCGrid::CompareRows(const TCGLinha& A, const TCGLinha& B) const
{
    const TColuna* coluna = Colunas()->Items(sortColumn_);
    auto key = [coluna](const TCGLinha& Linha) {
        if (coluna->TipoPiece() == tpChave)
            return MPiece(Linha.Chave, "|", coluna->Piece() + 1);
        return MPiece(MPiece(Linha.Conteudo, "|", coluna->SubGlobal().empty() ? 1 : 2), "^", coluna->Piece());
    };
    if (coluna->TipoPiece() == tpCell)
        return 0;
    const std::string a = key(A);
    const std::string b = key(B);
    if (coluna->TipoValor() == tvValor) {
        const std::optional<int64_t> x = DecimalToInt64(a);
        const std::optional<int64_t> y = DecimalToInt64(b);
        return x && y ? Sign(*x, *y) : 0;
    }
    // std::string compares bytes as unsigned values, a prefix first.
    return Sign(a.compare(b), 0);
}

// --- company ---------------------------------------------------------------------------------

void TCGrid::AplicarEmpresa()
{
    for (int i = 0; i < GlobalChaves()->Count(); ++i) {
        TCGridGlobalChave* level = GlobalChaves()->Items(i);
        if (level->Menu_Info() != nullptr)
            level->SetFixo(std::to_string(level->Menu_Info()->GetCodEmp()));
    }
}

void TCGrid::Reload()
{
    if (autoCarrega_) {
        ClearRows();
        Invalidate();
    }
    LoadAll();
}
