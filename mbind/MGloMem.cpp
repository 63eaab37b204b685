#include "mbind/MGloMem.h"

#include "mbind/MText.h"
#include "mbind/MUMPS.h"
#include "toolkit/SysUtils.h"
#include "vism/VisM.h"

namespace {

// The master's node as the first two arguments of every %CSWWMEM call.
std::string NodeArguments(const TMGlobal* Master)
{
    return MString(Master->Global()) + "," + MString(Master->GetChaves());
}

} // namespace

TMGloMem::TMGloMem(TComponent* AOwner)
    : TMGlobalBase(AOwner), link_(std::make_unique<TMGlobalLink>(this, [this] { RefreshFromGlobal(); }))
{
}

TMGloMem::~TMGloMem()
{
    link_.reset();
}

void TMGloMem::SetMGlobal(TMGlobalBase* Value)
{
    // The lines live beneath the master's node: only a TMGlobal has one.
    if (Value != nullptr && dynamic_cast<TMGlobal*>(Value) == nullptr)
        throw Exception("O MGlobal de um TMGloMem deve ser um TMGlobal: " + Value->Name());
    link_->SetGlobal(Value);
}

TMGlobal* TMGloMem::Master() const
{
    return dynamic_cast<TMGlobal*>(link_->Global());
}

void TMGloMem::RefreshFromGlobal()
{
    TMGlobal* master = Master();
    if (Designing() || master == nullptr)
        return;
    {
        const TEdicaoBracket bracket(master);
        const std::string get = "$$GET^%CSWWMEM(" + NodeArguments(master) + ",";
        ExecutarM(master->VisM(), get + MString("") + ")");
        TVisM* visM = master->VisM();
        std::string text = visM->P0().AsString();
        std::string sub = visM->P1().AsString();
        while (visM->ResultValue().AsString() == "0") {
            ExecutarM(visM, get + MString(sub) + ")");
            sub = visM->P1().AsString();
            if (visM->ResultValue().AsString() == "0")
                text += master->Separador() + visM->P0().AsString();
        }
        SetData(text);
    }
    NotificarLinks();
}

void TMGloMem::SetData(const std::string& Value)
{
    if (Value == Dados())
        return;
    TMGlobalBase::SetData(Value);
    // A text dropped during a refresh of its own controls changed nothing: showing a
    // value must not lock the master's record.
    if (Dados() != Value)
        return;
    TMGlobal* master = Master();
    if (master != nullptr && master->Edicao() == 0)
        master->Edit();
}

void TMGloMem::Gravar()
{
    TMGlobal* master = Master();
    if (master == nullptr || master->Edicao() > 0)
        return;
    const std::string node = NodeArguments(master);
    ExecutarM(master->VisM(), "$$MAT^%CSWWMEM(" + node + ")");
    // One SET text, run once per line with new registers. The run after the last line
    // carries an empty text: the server takes it as the end of the text.
    TVisM* visM = master->VisM();
    visM->SetCode("$$SET^%CSWWMEM(" + node + ")");
    const std::string& separador = master->Separador();
    const int n = MLength(Dados(), separador);
    for (int i = 1; i <= n + 1; ++i) {
        visM->SetP1(i);
        visM->SetP0(MPiece(Dados(), separador, i));
        ExecutarCode(visM);
    }
}
