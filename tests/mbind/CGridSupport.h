#pragma once
// Helpers of the bound grid's tests: scripted server answers and columns in one line.
#include <string>
#include <vector>

#include "mbind/CGrid.h"
#include "support/FakeVisM.h"

// The server's answer with a row: keys in P1, content in P4.
inline FakeAnswer RowAnswer(const std::string& Keys, const std::string& Content)
{
    return {.result = TVariant("0"), .registers = {{1, Keys}, {4, Content}}};
}

// The server's answer when no row is left.
inline FakeAnswer EndAnswer()
{
    return {.result = TVariant("1")};
}

// Queues one row answer per key ("1", "2", ...), content "c<key>", then the end.
inline void ScriptRows(FakeVisM& VisM, int Count, bool WithEnd = true)
{
    for (int i = 1; i <= Count; ++i)
        VisM.Answer(RowAnswer(std::to_string(i), "c" + std::to_string(i)));
    if (WithEnd)
        VisM.Answer(EndAnswer());
}

inline TColuna* AddColumn(TCGrid& Grid, TTipoPiece TipoPiece, uint8_t Piece, TTipoValor TipoValor = tvString)
{
    TColuna* coluna = Grid.Colunas()->Add();
    coluna->SetTipoPiece(TipoPiece);
    coluna->SetPiece(Piece);
    coluna->SetTipoValor(TipoValor);
    return coluna;
}

inline std::vector<std::string> Keys(const TCGrid& Grid)
{
    std::vector<std::string> keys;
    for (const TCGLinha& linha : Grid.Linhas())
        keys.push_back(linha.Chave);
    return keys;
}
