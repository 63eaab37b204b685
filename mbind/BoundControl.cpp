#include "mbind/BoundControl.h"

#include "toolkit/Dialogs.h"

namespace {

// PieceAtual set for the length of one write, reset also when the write fails.
class TPieceAtualScope {
public:
    TPieceAtualScope(TMGlobalBase* Global, int Piece) : global_(Global) { global_->SetPieceAtual(Piece); }
    ~TPieceAtualScope() { global_->SetPieceAtual(0); }
    TPieceAtualScope(const TPieceAtualScope&) = delete;
    TPieceAtualScope& operator=(const TPieceAtualScope&) = delete;

private:
    TMGlobalBase* global_;
};

} // namespace

TBoundControl::TBoundControl(TComponent* Control, QWidget* Widget)
    : widget_(Widget),
      listaControls_(std::make_unique<TListaControls>(Control)),
      link_(std::make_unique<TMGlobalLink>(Control, [this] { RefreshFromGlobal(); }))
{
}

TBoundControl::~TBoundControl()
{
    link_.reset();
    listaControls_.reset();
}

void TBoundControl::RefreshFromGlobal()
{
    TMGlobalBase* global = MGlobal();
    if (global == nullptr)
        return;
    {
        const TEdicaoBracket bracket(global);
        ShowValue(ReadFromGlobal());
    }
    listaControls_->Notificar(global);
}

void TBoundControl::PushKeyValue(TMGlobalChave* Chave)
{
    const std::string value = KeyValue();
    Chave->SetAtual(value);
    TMGlobalBase* keyGlobal = Chave->GetGlobal();
    if (keyGlobal != MGlobal())
        Chave->SetFixo(value);
    keyGlobal->Refresh();
}

bool TBoundControl::CanFocus() const
{
    return widget_ != nullptr && widget_->isVisible() && widget_->isEnabled();
}

void TBoundControl::SetFocus()
{
    if (widget_ != nullptr)
        widget_->setFocus(Qt::OtherFocusReason);
}

void TBoundControl::SetEnabled(bool Value)
{
    if (widget_ != nullptr)
        widget_->setEnabled(Value);
}

std::vector<std::string> TBoundControl::RefusedInput() const
{
    return TypedTextIsValue() ? PieceSeparators() : std::vector<std::string>();
}

std::vector<std::string> TBoundControl::PieceSeparators() const
{
    TMGlobalBase* global = MGlobal();
    if (global == nullptr || tipoCampo_ != tcPiece)
        return {};
    return global->PieceSeparators();
}

std::string TBoundControl::ReadFromGlobal() const
{
    return MGlobal()->GetValor(tipoCampo_, piece_);
}

void TBoundControl::WriteToGlobal(const std::string& Value)
{
    if (TMGlobalBase* global = MGlobal())
        global->SetValor(tipoCampo_, piece_, Value);
}

void TBoundControl::WriteOnChangeToGlobal(const std::string& Value, bool MarkPiece)
{
    TMGlobalBase* global = MGlobal();
    if (global == nullptr)
        return;
    if (!global->Refreshing() && HoldsAnyOf(Value, PieceSeparators())) {
        MessageBeep();
        const TEdicaoBracket bracket(global);
        ShowValue(ReadFromGlobal());
        return;
    }
    if (!MarkPiece) {
        WriteToGlobal(Value);
        return;
    }
    const TPieceAtualScope marked(global, piece_);
    WriteToGlobal(Value);
}

bool TBoundControl::CheckAndWrite(bool Modified, bool Write)
{
    TMGlobalBase* global = MGlobal();
    if (const std::vector<std::string> separators = PieceSeparators();
        Write && !separators.empty() && HoldsAnyOf(ControlValue(), separators)) {
        MessageBeep();
        return false;
    }
    if (Modified && global != nullptr && global->ChecarValor(tipoCampo_, piece_, true, ControlValue()) >= 0)
        return false;
    if (Write)
        WriteToGlobal(ControlValue());
    listaControls_->Notificar(nullptr);
    return true;
}
