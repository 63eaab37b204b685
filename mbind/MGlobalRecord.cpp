// TMGlobal: the record operations, each one execution of a %CSWWGLOB routine.
#include "mbind/MGlobal.h"

#include <initializer_list>

#include "mbind/MText.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Win1252.h"
#include "vism/VisM.h"

namespace {

// The arguments of a routine call: each value as an M string literal, comma-separated.
std::string Arguments(std::initializer_list<std::string> Values)
{
    std::string text;
    for (const std::string& value : Values) {
        if (!text.empty())
            text += ",";
        text += MString(value);
    }
    return text;
}

} // namespace

TMGlobal::TMGlobal(TComponent* AOwner) : TMGlobalBase(AOwner)
{
}

bool TMGlobal::Confirmar(const TOnConfirmEvent& Event)
{
    bool confirm = true;
    if (Event)
        Event(this, confirm);
    return confirm;
}

void TMGlobal::Notificar(const TNotifyEvent& Event)
{
    if (Event)
        Event(this);
}

std::string TMGlobal::EditFlag() const
{
    return Estado() == esEdicao ? "1" : "0";
}

void TMGlobal::RunUserRoutine(const char* Operation)
{
    ExecutarM(VisM(), "D " + globalRotina_ + "(" + Arguments({Operation, GetChaves(), Dados()}) + ")");
}

void TMGlobal::Refresh()
{
    if (Estado() == esEdicao) {
        Cancel();
        return;
    }
    ExecutarM(VisM(), "$$REFRESH^%CSWWGLOB(" + Arguments({global_, GetChaves()}) + ")");
    StoreDados(VisM()->P1().AsString());
    const bool locked = VisM()->ResultValue().AsString() == "1";
    StoreEstado(esNavegacao);
    Notificar(OnMove);
    NotificarLinks();
    AplicarBloqueio(locked);
    HabilitarChaves();
    Notificar(OnAfterMove);
}

void TMGlobal::Edit()
{
    if (ChavesIncompletas()) {
        Cancel();
        return;
    }
    if (Estado() == esEdicao)
        return;
    Notificar(OnEdit);
    const std::string keys = GetChaves();
    ExecutarM(VisM(), "$$EDIT^%CSWWGLOB(" + Arguments({global_, keys}) + ")");
    const std::string answer = VisM()->ResultValue().AsString();
    const std::string record = VisM()->P1().AsString();
    AplicarBloqueio(answer == "1");
    if (answer != "0")
        return;
    chavesEditadas_ = keys;
    StoreDados(record);
    StoreEstado(esEdicao);
    HabilitarCampos();
    DesabilitarChaves();
}

void TMGlobal::Append()
{
    if (!Confirmar(OnAppend))
        return;
    if (!CancelarEdicao())
        return;
    LimparChaves();
    StoreDados("");
    StoreEstado(esNavegacao);
    Notificar(OnAfterAppend);
    NotificarLinks();
    HabilitarChaves();
    FocarPrimeiraChave();
}

void TMGlobal::Post()
{
    const bool confirmed = Confirmar(OnPost);
    if (ChavesIncompletas())
        return;
    if (checarObrigatorios_ && FaltaObrigatorio())
        return;
    if (!confirmed)
        return;
    const std::string editFlag = EditFlag();
    if (!globalRotina_.empty())
        RunUserRoutine("POST");
    const std::string keys = GetChaves();
    ExecutarM(VisM(), "$$POST^%CSWWGLOB(" + Arguments({global_, keys}) + "," + editFlag + ")",
              {{0, TVariant(Dados())}});
    const std::string answer = VisM()->ResultValue().AsString();
    AplicarBloqueio(answer == "1");
    if (answer != "0")
        return;
    // POST releases the node it wrote; a node locked under other keys is released apart.
    if (Estado() == esEdicao && chavesEditadas_ != keys)
        ReleaseEditedNode();
    StoreEstado(esNavegacao);
    HabilitarChaves();
    FocarPrimeiraChave();
    PostSubGlobais();
    GravarMemos();
    Notificar(OnAfterPost);
}

void TMGlobal::Delete()
{
    if (!Confirmar(OnDelete))
        return;
    Cancel();
    // A refused cancel leaves the node locked for editing here: deleting it now would let
    // the Next below post the record again, bringing the deleted node back.
    if (Estado() == esEdicao)
        return;
    if (!globalRotina_.empty())
        RunUserRoutine("DELETE");
    ExecutarM(VisM(), "$$DELETE^%CSWWGLOB(" + Arguments({global_, GetChaves()}) + ")");
    if (VisM()->ResultValue().AsString() != "0")
        return;
    Notificar(OnAfterDelete);
    Next();
}

void TMGlobal::Cancel()
{
    CancelarEdicao();
}

bool TMGlobal::CancelarEdicao()
{
    const bool confirmed = Confirmar(OnBeforeCancel);
    if (confirmed && Estado() == esEdicao) {
        Notificar(OnCancel);
        ReleaseEditedNode();
        StoreEstado(esNavegacao);
        Refresh();
    }
    return confirmed;
}

void TMGlobal::ReleaseEditedNode()
{
    ExecutarM(VisM(), "$$CANCEL^%CSWWGLOB(" + Arguments({global_, chavesEditadas_}) + ")");
}

void TMGlobal::Next()
{
    MoveTo("NEXT", true);
}

void TMGlobal::Last()
{
    MoveTo("LAST", false);
}

void TMGlobal::MoveTo(const char* Routine, bool StopWhenNone)
{
    if (Estado() != esNavegacao) {
        Post();
        // A post that did not write keeps the edit and its lock: moving on would drop
        // the typed changes and leave the node locked on the server.
        if (Estado() != esNavegacao)
            return;
    }
    ExecutarM(VisM(), std::string("$$") + Routine + "^%CSWWGLOB(" +
                          Arguments({global_, GetChaves(), GetInicios(), GetFinais()}) + ")");
    if (StopWhenNone && VisM()->ResultValue().AsString() == "1")
        return;
    const std::string record = VisM()->P0().AsString();
    const std::string keys = VisM()->P1().AsString();
    StoreDados(record);
    SetChaves(keys);
    StoreEstado(esNavegacao);
    Refresh();
    PropagarChaves();
    AplicarBloqueio(Bloqueado());
    FocarPrimeiraChave();
}

void TMGlobal::AplicarBloqueio(bool Value)
{
    SetBloqueado(Value);
}

void TMGlobal::PostSubGlobais()
{
    const std::vector<TMGlobalLink*>& links = Links();
    const size_t count = links.size();
    for (size_t i = 0; i < count && i < links.size(); ++i)
        if (auto* subGlobal = dynamic_cast<TMGlobal*>(links[i]->Dono()))
            subGlobal->Post();
}

bool TMGlobal::FaltaObrigatorio()
{
    const std::vector<TMGlobalLink*>& links = Links();
    const size_t count = links.size();
    for (size_t i = 0; i < count && i < links.size(); ++i) {
        TComponent* dono = links[i]->Dono();
        if (auto* control = dynamic_cast<IBoundControl*>(dono)) {
            if (control->TipoCampo() == tcPiece && control->Obrigatorio() &&
                ChecarObrigatorio(control->Piece(), control->NomeCampo(), dono))
                return true;
        } else if (auto* subGlobal = dynamic_cast<TMGlobal*>(dono)) {
            if (subGlobal->ChecarObrigatorios() && subGlobal->FaltaObrigatorio())
                return true;
        }
    }
    return false;
}

bool TMGlobal::ChecarObrigatorio(uint8_t Piece, const std::string& NomeCampo, TComponent* Control)
{
    const bool empty = GetPiece(Piece).empty();
    if (!empty)
        return false;
    const std::string name = !NomeCampo.empty() ? NomeCampo : Control != nullptr ? Control->Name() : std::string();
    MessageDlg(QString::fromUtf8("Informação Obrigatória: ") + ToScreen(name), TMsgDlgType::mtError, mbOK, 0);
    if (auto* control = dynamic_cast<IBoundControl*>(Control); control != nullptr && control->CanFocus())
        control->SetFocus();
    return true;
}
