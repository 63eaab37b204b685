#include "mbind/BoundDoubles.h"

TestControl::TestControl(const std::string& Name, Journal* Log, TComponent* AOwner)
    : TComponent(AOwner), journal_(Log), listaControls_(std::make_unique<TListaControls>(this)),
      link_(std::make_unique<TMGlobalLink>(this, [this] { RefreshFromGlobal(); }))
{
    SetName(Name);
}

TestControl::~TestControl()
{
    link_.reset();
    listaControls_.reset();
}

void TestControl::Bind(TMGlobalBase* Global, TTipoDeCampo Kind, uint8_t Piece)
{
    tipoCampo_ = Kind;
    piece_ = Piece;
    SetMGlobal(Global);
}

void TestControl::Write(const std::string& Entry)
{
    if (journal_ != nullptr)
        journal_->push_back(Name() + "." + Entry);
}

void TestControl::Type(const std::string& Text)
{
    value_ = Text;
    TMGlobalBase* global = MGlobal();
    if (global == nullptr)
        return;
    if (tipoCampo_ == tcPiece)
        global->SetPiece(piece_, Text);
    else if (tipoCampo_ == tcChave)
        global->SetChave(piece_, Text);
}

void TestControl::RefreshFromGlobal()
{
    ++refreshes_;
    Write("Refresh");
    TMGlobalBase* global = MGlobal();
    global->IncEdicao();
    switch (tipoCampo_) {
    case tcPiece: value_ = global->GetPiece(piece_); break;
    case tcCampo: value_ = global->Campos()->Items(piece_)->Resultado(); break;
    case tcChave: value_ = global->GetChave(piece_); break;
    }
    // A text edit writes back on every change; the raised counter keeps it from editing.
    if (writesBack_)
        Type(value_);
    global->DecEdicao();
    listaControls_->Notificar(global);
}

void TestControl::PushKeyValue(TMGlobalChave* Chave)
{
    Write("Push(" + value_ + ")");
    Chave->SetAtual(value_);
    if (Chave->GetGlobal() != MGlobal())
        Chave->SetFixo(value_);
    Chave->GetGlobal()->Refresh();
}

void TestControl::SetFocus()
{
    focused_ = true;
    Write("Focus");
}

void TestControl::SetEnabled(bool Value)
{
    enabled_ = Value;
    Write(Value ? "Enabled" : "Disabled");
}

TestSubBinder::TestSubBinder(TComponent* AOwner)
    : TMGlobalBase(AOwner), link_(std::make_unique<TMGlobalLink>(this, [this] { NotificarLinks(); }))
{
}

TestSubBinder::~TestSubBinder()
{
    link_.reset();
}

TestSubGlobal::TestSubGlobal(TComponent* AOwner)
    : TMGlobal(AOwner), link_(std::make_unique<TMGlobalLink>(this, [this] { Refresh(); }))
{
}

TestSubGlobal::~TestSubGlobal()
{
    link_.reset();
}

TestMemoryGlobal::TestMemoryGlobal(const std::string& Name, Journal* Log)
    : TMGlobalBase(nullptr), journal_(Log), link_(std::make_unique<TMGlobalLink>(this, nullptr))
{
    SetName(Name);
}

TestMemoryGlobal::~TestMemoryGlobal()
{
    link_.reset();
}

void TestMemoryGlobal::Gravar()
{
    journal_->push_back(Name() + ".Gravar");
}
