#pragma once
// Test doubles of what the binding core talks to: a bound control, a sub-binder, a
// sub-global and a memory global, each reduced to the behaviour the core relies on and
// writing what happens to it into a shared journal.
#include <memory>
#include <string>
#include <vector>

#include "mbind/MGlobal.h"

using Journal = std::vector<std::string>;

// A bound control as the binding block behaves: it shows its global's value on refresh
// (inside the Edicao bracket), writes typed text back, and pushes its value into the key
// levels registered with it.
class TestControl : public TComponent, public IBoundControl {
public:
    TestControl(const std::string& Name, Journal* Log = nullptr, TComponent* AOwner = nullptr);
    ~TestControl() override;

    TMGlobalBase* MGlobal() const { return link_->Global(); }
    void SetMGlobal(TMGlobalBase* Value) { link_->SetGlobal(Value); }
    void Bind(TMGlobalBase* Global, TTipoDeCampo Kind, uint8_t Piece);
    void SetObrigatorio(bool Value) { obrigatorio_ = Value; }
    void SetNomeCampo(const std::string& Value) { nomeCampo_ = Value; }
    void SetFocusable(bool Value) { focusable_ = Value; }
    // Like a text edit whose change handler writes: a refresh writes the shown value back.
    void SetWritesBack(bool Value) { writesBack_ = Value; }

    // The shown value; typing it writes it to the global like a text edit's change.
    const std::string& Value() const { return value_; }
    void Type(const std::string& Text);
    bool Enabled() const { return enabled_; }
    bool Focused() const { return focused_; }
    int Refreshes() const { return refreshes_; }

    void RefreshFromGlobal();

    TTipoDeCampo TipoCampo() const override { return tipoCampo_; }
    uint8_t Piece() const override { return piece_; }
    bool Obrigatorio() const override { return obrigatorio_; }
    const std::string& NomeCampo() const override { return nomeCampo_; }
    TListaControls* ListaControls() override { return listaControls_.get(); }
    void PushKeyValue(TMGlobalChave* Chave) override;
    bool CanFocus() const override { return focusable_ && enabled_; }
    void SetFocus() override;
    void SetEnabled(bool Value) override;

private:
    void Write(const std::string& Entry);

    Journal* journal_;
    std::unique_ptr<TListaControls> listaControls_;
    std::unique_ptr<TMGlobalLink> link_;
    TTipoDeCampo tipoCampo_ = tcPiece;
    uint8_t piece_ = 0;
    bool obrigatorio_ = false;
    std::string nomeCampo_;
    bool focusable_ = true;
    bool writesBack_ = false;
    std::string value_;
    bool enabled_ = true;
    bool focused_ = false;
    int refreshes_ = 0;
};

// A sub-binder (piece group, sub-piece): a global of its own that follows a master.
class TestSubBinder : public TMGlobalBase {
public:
    explicit TestSubBinder(TComponent* AOwner = nullptr);
    ~TestSubBinder() override;
    TMGlobalBase* MGlobal() const { return link_->Global(); }
    void SetMGlobal(TMGlobalBase* Value) { link_->SetGlobal(Value); }

private:
    std::unique_ptr<TMGlobalLink> link_;
};

// A sub-global: a TMGlobal of its own that follows a master.
class TestSubGlobal : public TMGlobal {
public:
    explicit TestSubGlobal(TComponent* AOwner = nullptr);
    ~TestSubGlobal() override;
    void SetMGlobal(TMGlobalBase* Value) { link_->SetGlobal(Value); }

private:
    std::unique_ptr<TMGlobalLink> link_;
};

// A memory global: writes its lines when its master has posted.
class TestMemoryGlobal : public TMGlobalBase, public IMemoryGlobal {
public:
    TestMemoryGlobal(const std::string& Name, Journal* Log);
    ~TestMemoryGlobal() override;
    void SetMGlobal(TMGlobalBase* Value) { link_->SetGlobal(Value); }
    void Gravar() override;

private:
    Journal* journal_;
    std::unique_ptr<TMGlobalLink> link_;
};
