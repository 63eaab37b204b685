#include "mbind/MPieceGroup.h"

#include "mbind/MUMPS.h"
#include "toolkit/Dialogs.h"
#include "toolkit/InputRefusal.h"
#include "toolkit/SysUtils.h"

TMPieceGroup::TMPieceGroup(TComponent* AOwner)
    : TMGlobalBase(AOwner), link_(std::make_unique<TMGlobalLink>(this, [this] { RefreshFromGlobal(); }))
{
}

TMPieceGroup::~TMPieceGroup()
{
    link_.reset();
}

void TMPieceGroup::RefreshFromGlobal()
{
    TMGlobalBase* master = MGlobal();
    if (master == nullptr)
        return;
    std::string text;
    for (int p = pieceInicial_; p <= pieceFinal_; ++p)
        text += master->GetPiece(p) + master->Separador();
    {
        const TEdicaoBracket bracket(master);
        SetPiece(1, text);
    }
    NotificarLinks();
}

void TMPieceGroup::SetData(const std::string& Value)
{
    if (!Refreshing() && HoldsAnyOf(Value, RecordSeparators())) {
        MessageBeep();
        return;
    }
    TMGlobalBase* master = MGlobal();
    // A change outside every refresh, which the write-back would give to the master.
    const bool typed = Edicao() == 0 && master != nullptr && master->Edicao() == 0 && Value != Dados();
    TMGlobalBase::SetData(Value);
    if (master == nullptr)
        return;
    // Cutting a piece 1 that holds only part of the run would overwrite the master's
    // other pieces of the run with the wrong values.
    if (!HoldsRunIntact(master)) {
        if (typed)
            throw Exception("O Separador \"" + Separador() + "\" de " + Name() +
                            " ocorre nos valores que ele agrupa: nada foi gravado em " + master->Name());
        return;
    }
    const std::string run = GetPiece(1);
    for (int p = pieceInicial_; p <= pieceFinal_; ++p)
        master->SetPiece(p, MPiece(run, master->Separador(), p - pieceInicial_ + 1));
}

bool TMPieceGroup::HoldsRunIntact(const TMGlobalBase* Master) const
{
    const std::string& separador = Separador();
    if (separador.empty() || Master->Separador().find(separador) != std::string::npos)
        return false;
    for (int p = pieceInicial_; p <= pieceFinal_; ++p)
        if (Master->GetPiece(p).find(separador) != std::string::npos)
            return false;
    return true;
}

std::vector<std::string> TMPieceGroup::RecordSeparators() const
{
    TMGlobalBase* master = MGlobal();
    return master != nullptr ? master->RecordSeparators() : std::vector<std::string>();
}

bool TMPieceGroup::Refreshing() const
{
    return TMGlobalBase::Refreshing() || (MGlobal() != nullptr && MGlobal()->Refreshing());
}
