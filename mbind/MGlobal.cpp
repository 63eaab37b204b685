#include "mbind/MGlobal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "mbind/MText.h"
#include "mbind/MUMPS.h"
#include "mbind/MenuInfo.h"
#include "toolkit/Dialogs.h"
#include "toolkit/FormatSettings.h"
#include "toolkit/InputRefusal.h"
#include "toolkit/Win1252.h"
#include "vism/VisM.h"

namespace {

const std::string kKeyDelimiter = "|";

// The check answer as a number, the way the control's variant converts: empty is 0, an
// integer is itself, text must hold a number in the process's notation (its decimal
// separator, blanks around it allowed), whatever the C library's locale says.
double AnswerAsNumber(const TVariant& Answer)
{
    if (Answer.IsEmpty() || Answer.IsInteger())
        return static_cast<double>(Answer.AsInteger());
    std::string text = Answer.AsString();
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    const char separator = DecimalSeparator();
    const bool foreignPoint = separator != '.' && text.find('.') != std::string::npos;
    std::replace(text.begin(), text.end(), separator, '.');
    const bool plus = text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+';
    const char* first = text.data() + (plus ? 1 : 0);
    const char* last = text.data() + text.size();
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (foreignPoint || text.empty() || error != std::errc() || end != last || !std::isfinite(value))
        throw EConvertError("Could not convert variant of type (String) into type (Double)");
    return value;
}

// Clears a flag when the scope ends, also when a callback raised.
class FlagScope {
public:
    explicit FlagScope(bool& Flag) : flag_(Flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

} // namespace

TMGlobalBase::TMGlobalBase(TComponent* AOwner)
    : TComponent(AOwner), campos_(std::make_unique<TMGlobalCpos>(this)),
      pieceCheck_(std::make_unique<TMGlobalChecks>(this)), globalChaves_(std::make_unique<TMGlobalChaves>(this))
{
}

TMGlobalBase::~TMGlobalBase()
{
    // The collections go first: each key level leaves its control's list and its holder.
    campos_.reset();
    pieceCheck_.reset();
    globalChaves_.reset();
    // The links belong to their owners, which are left with no global.
    while (!links_.empty())
        RemoveLink(links_.back());
}

void TMGlobalBase::SetVisM(TVisM* Value)
{
    SetWatchedReference(visM_, Value);
}

void TMGlobalBase::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove)
        return;
    if (AComponent == visM_)
        visM_ = nullptr;
    if (globalChaves_ == nullptr)
        return;
    // A holder going away: its levels forget it without telling it (it is half destroyed).
    for (int i = 0; i < globalChaves_->Count(); ++i) {
        TMGlobalChave* level = globalChaves_->Items(i);
        if (level->Menu_Info() != nullptr && static_cast<TComponent*>(level->Menu_Info()) == AComponent)
            level->ForgetMenuInfo();
    }
}

void TMGlobalBase::SetCampos(const TMGlobalCpos* Value)
{
    campos_->Assign(Value);
}

void TMGlobalBase::SetPieceCheck(const TMGlobalChecks* Value)
{
    pieceCheck_->Assign(Value);
}

void TMGlobalBase::SetGlobalChaves(const TMGlobalChaves* Value)
{
    globalChaves_->Assign(Value);
}

void TMGlobalBase::SetData(const std::string& Value)
{
    if (edicao_ > 0 || Value == dados_)
        return;
    Edit();
    dados_ = Value;
}

std::string TMGlobalBase::GetPiece(int N) const
{
    return MPiece(dados_, separador_, N);
}

void TMGlobalBase::SetPiece(int N, const std::string& Value)
{
    if (notificando_)
        return;
    if (!Refreshing() && HoldsAnyOf(Value, PieceSeparators())) {
        MessageBeep();
        return;
    }
    SetData(MSetPiece(dados_, separador_, N, Value));
    FlagScope propagating(notificando_);
    PropagarChavesPiece(N);
    if (N != pieceAtual_)
        RedesenharPiece(N);
}

std::vector<std::string> TMGlobalBase::PieceSeparators() const
{
    std::vector<std::string> separators = RecordSeparators();
    separators.insert(separators.begin(), separador_);
    return separators;
}

std::string TMGlobalBase::GetValor(TTipoDeCampo Kind, int Index) const
{
    switch (Kind) {
    case tcPiece: return GetPiece(Index);
    case tcCampo: return campos_->Items(Index)->Resultado();
    case tcChave: return GetChave(Index);
    }
    return {};
}

void TMGlobalBase::SetValor(TTipoDeCampo Kind, int Index, const std::string& Value)
{
    if (Kind == tcPiece)
        SetPiece(Index, Value);
    else if (Kind == tcChave)
        SetChave(Index, Value);
}

std::string TMGlobalBase::GetChave(int I) const
{
    return globalChaves_->Items(I)->GetAtual();
}

void TMGlobalBase::SetChave(int I, const std::string& Value)
{
    globalChaves_->Items(I)->SetAtual(Value);
}

std::string TMGlobalBase::GetInicio(int I) const
{
    return globalChaves_->Items(I)->Inicio();
}

std::string TMGlobalBase::GetFinal(int I) const
{
    return globalChaves_->Items(I)->Final();
}

std::string TMGlobalBase::GetChaves() const
{
    return JoinLevels([this](int I) { return GetChave(I); });
}

std::string TMGlobalBase::GetInicios() const
{
    return JoinLevels([this](int I) { return GetInicio(I); });
}

std::string TMGlobalBase::GetFinais() const
{
    return JoinLevels([this](int I) { return GetFinal(I); });
}

std::string TMGlobalBase::JoinLevels(const std::function<std::string(int)>& TextOf) const
{
    std::string text;
    for (int i = 0; i < globalChaves_->Count(); ++i)
        text = MSetPiece(text, kKeyDelimiter, i + 1, TextOf(i));
    return text;
}

void TMGlobalBase::SetChaves(const std::string& Text)
{
    for (int i = 0; i < globalChaves_->Count(); ++i)
        SetChave(i, MPiece(Text, kKeyDelimiter, i + 1));
}

void TMGlobalBase::LimparChaves()
{
    for (int i = 0; i < globalChaves_->Count(); ++i)
        globalChaves_->Items(i)->LimparAtual();
}

bool TMGlobalBase::ChavesIncompletas() const
{
    for (int i = 0; i < globalChaves_->Count(); ++i)
        if (GetChave(i).empty())
            return true;
    return false;
}

void TMGlobalBase::AplicarEmpresa()
{
    for (int i = 0; i < globalChaves_->Count(); ++i) {
        TMGlobalChave* level = globalChaves_->Items(i);
        if (level->Menu_Info() != nullptr)
            level->SetFixo(std::to_string(level->Menu_Info()->GetCodEmp()));
    }
}

int TMGlobalBase::ChecarValor(TTipoDeCampo Kind, uint8_t Index, bool Show, const std::string& Value)
{
    std::string code;
    std::vector<std::string> lines;
    if (Kind == tcPiece) {
        for (int i = 0; i < pieceCheck_->Count(); ++i) {
            const TGloChek* rule = pieceCheck_->Items(i);
            if (rule->Piece() == Index) {
                code = rule->MCode();
                lines = rule->Mensagens();
                break;
            }
        }
    } else if (Kind == tcChave) {
        const TMGlobalChave* level = globalChaves_->Items(Index);
        code = level->CheckCode();
        lines = level->Mensagens();
    }
    if (code.empty())
        return -1;

    ExecutarM(visM_, "$$CHECK^%CSWWGLOB(" + MString(code) + "," + MString(dados_) + "," + MString(GetChaves()) + "," +
                         MString(Value) + ")");
    // The answer minus 1, rounded to an integer (ties to even); kept within the integers so
    // a huge answer still counts as a refusal.
    const double answer = AnswerAsNumber(visM_->ResultValue());
    const int result = static_cast<int>(std::clamp(std::nearbyint(answer - 1), -1e9, 1e9));
    if (result == -1)
        return -1;
    if (result < -1) {
        // No message line has a negative number: an answer below 0 is not a valid
        // answer, and the value is refused rather than let through.
        MessageBeep();
        return 0;
    }
    if (result >= static_cast<int>(lines.size()) || !Show) {
        MessageBeep();
        return result;
    }
    const std::string& line = lines[static_cast<size_t>(result)];
    if (!line.empty())
        MessageDlg(ToScreen(line), TMsgDlgType::mtInformation, mbOK, 0);
    return result;
}

void TMGlobalBase::AddLink(TMGlobalLink* Link)
{
    if (Link->global_ == this)
        return;
    if (Link->global_ != nullptr)
        Link->global_->RemoveLink(Link);
    links_.push_back(Link);
    Link->global_ = this;
}

void TMGlobalBase::RemoveLink(TMGlobalLink* Link)
{
    // A link registered with another global stays there: emptying its Global would leave
    // that global holding it after the link is gone.
    if (Link->global_ != this)
        return;
    Link->global_ = nullptr;
    std::erase(links_, Link);
}

// The walks over the links below re-enter the core through their callbacks: each takes
// the number of links first and stops early rather than read past a shortened list.

void TMGlobalBase::NotificarLinks()
{
    const size_t count = links_.size();
    for (size_t i = 0; i < count && i < links_.size(); ++i) {
        const std::function<void()> refresh = links_[i]->OnMudaDados;
        if (refresh)
            refresh();
    }
}

void TMGlobalBase::PropagarChavesOf(const std::function<bool(IBoundControl*)>& Matches)
{
    const size_t count = links_.size();
    for (size_t i = 0; i < count && i < links_.size(); ++i) {
        auto* control = dynamic_cast<IBoundControl*>(links_[i]->Dono());
        if (control != nullptr && Matches(control))
            control->ListaControls()->Notificar(this);
    }
}

void TMGlobalBase::PropagarChaves()
{
    PropagarChavesOf([](IBoundControl*) { return true; });
}

void TMGlobalBase::PropagarChavesPiece(int N)
{
    PropagarChavesOf(
        [N](IBoundControl* Control) { return Control->TipoCampo() == tcPiece && Control->Piece() == N; });
}

void TMGlobalBase::RedesenharPiece(int N)
{
    const size_t count = links_.size();
    for (size_t i = 0; i < count && i < links_.size(); ++i) {
        TMGlobalLink* link = links_[i];
        auto* control = dynamic_cast<IBoundControl*>(link->Dono());
        if (control == nullptr || control->TipoCampo() != tcPiece || control->Piece() != N)
            continue;
        const std::function<void()> refresh = link->OnMudaDados;
        if (refresh)
            refresh();
    }
}

void TMGlobalBase::SetChavesEnabled(bool Value)
{
    for (int i = 0; i < globalChaves_->Count(); ++i)
        if (auto* control = dynamic_cast<IBoundControl*>(globalChaves_->Items(i)->Control()))
            control->SetEnabled(Value);
}

void TMGlobalBase::HabilitarChaves()
{
    SetChavesEnabled(true);
}

void TMGlobalBase::DesabilitarChaves()
{
    SetChavesEnabled(false);
}

void TMGlobalBase::SetCamposEnabled(bool Value)
{
    const size_t count = links_.size();
    for (size_t i = 0; i < count && i < links_.size(); ++i) {
        TComponent* dono = links_[i]->Dono();
        if (auto* control = dynamic_cast<IBoundControl*>(dono)) {
            control->SetEnabled(Value);
        } else if (dynamic_cast<TMGlobal*>(dono) != nullptr) {
            // A sub-global follows its master's lock when it re-reads.
        } else if (auto* subBinder = dynamic_cast<TMGlobalBase*>(dono)) {
            subBinder->SetCamposEnabled(Value);
        }
    }
}

void TMGlobalBase::HabilitarCampos()
{
    SetCamposEnabled(true);
}

void TMGlobalBase::DesabilitarCampos()
{
    SetCamposEnabled(false);
}

void TMGlobalBase::FocarPrimeiraChave()
{
    HabilitarChaves();
    for (int i = 0; i < globalChaves_->Count(); ++i) {
        auto* control = dynamic_cast<IBoundControl*>(globalChaves_->Items(i)->Control());
        if (control != nullptr && control->CanFocus()) {
            control->SetFocus();
            return;
        }
    }
}

void TMGlobalBase::SetBloqueado(bool Value)
{
    if (Value) {
        DesabilitarCampos();
        FocarPrimeiraChave();
    } else {
        HabilitarCampos();
    }
    bloqueado_ = Value;
}

void TMGlobalBase::GravarMemos()
{
    const size_t count = links_.size();
    for (size_t i = 0; i < count && i < links_.size(); ++i)
        if (auto* memo = dynamic_cast<IMemoryGlobal*>(links_[i]->Dono()))
            memo->Gravar();
}
