#pragma once
// The items of a bound global's three collections: display fields (Campos), check rules
// per piece (PieceCheck) and key levels (GlobalChaves). Each collection's owner is its
// global.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mbind/KeyLevel.h"
#include "mbind/MGlobalLinks.h"
#include "toolkit/Collections.h"

class TMGlobalBase;
class TMenuInfo;

// One display field: a bound control with TipoCampo tcCampo shows its Resultado.
class TGloCpo : public TCollectionItem {
public:
    explicit TGloCpo(TCollection* Collection) : TCollectionItem(Collection) {}

    const std::string& Nome() const { return nome_; }
    void SetNome(const std::string& Value) { nome_ = Value; }
    const std::string& MCode() const { return mCode_; }
    void SetMCode(const std::string& Value) { mCode_ = Value; }
    const std::string& Resultado() const { return resultado_; }
    void SetResultado(const std::string& Value) { resultado_ = Value; }

    // Copies another field's three texts, so Campos can be written from a filled collection.
    void Assign(const TPersistent* Source) override;

private:
    std::string mCode_;
    std::string resultado_;
    std::string nome_;
};

// The check rule of one piece: MCode is sent to the server's check with the value; the
// answer k > 0 selects message line k - 1.
class TGloChek : public TCollectionItem {
public:
    explicit TGloChek(TCollection* Collection) : TCollectionItem(Collection) {}

    uint8_t Piece() const { return piece_; }
    void SetPiece(uint8_t Value) { piece_ = Value; }
    const std::string& Nome() const { return nome_; }
    void SetNome(const std::string& Value) { nome_ = Value; }
    const std::string& MCode() const { return mCode_; }
    void SetMCode(const std::string& Value) { mCode_ = Value; }
    const std::vector<std::string>& Mensagens() const { return mensagens_; }
    void SetMensagens(const std::vector<std::string>& Value) { mensagens_ = Value; }

    // Copies another rule whole, so PieceCheck can be written from a filled collection.
    void Assign(const TPersistent* Source) override;

private:
    uint8_t piece_ = 0;
    std::string mCode_;
    std::string nome_;
    std::vector<std::string> mensagens_;
};

// One key level (subscript) of the node (range, Fixo and Atual: TKeyLevel). Its value is
// Fixo when set, else Atual.
class TMGlobalChave : public TKeyLevel {
public:
    explicit TMGlobalChave(TCollection* Collection);
    // Leaves its control's list and its company holder.
    ~TMGlobalChave() override;

    const std::string& Nome() const { return nome_; }
    void SetNome(const std::string& Value) { nome_ = Value; }
    const std::string& CheckCode() const { return checkCode_; }
    void SetCheckCode(const std::string& Value) { checkCode_ = Value; }
    // The control that edits this level (a bound control), or null.
    TComponent* Control() const;
    void SetControl(TComponent* Value);
    const std::vector<std::string>& Mensagens() const { return mensagens_; }
    void SetMensagens(const std::vector<std::string>& Value) { mensagens_ = Value; }
    // The company holder whose code this level takes; setting it registers the level's
    // global with the holder.
    TMenuInfo* Menu_Info() const { return menuInfo_; }
    void SetMenu_Info(TMenuInfo* Value);

    // Fixo when set, else Atual.
    std::string GetAtual() const;
    // The owner of the level's collection.
    TMGlobalBase* GetGlobal() const;
    // From another level: Inicio and Final, then Fixo (which wins when not empty).
    void Assign(const TPersistent* Source) override;

private:
    friend class TMGlobalBase; // forgets a destroyed holder without telling it
    void ForgetMenuInfo() { menuInfo_ = nullptr; }

    std::string nome_;
    std::string checkCode_;
    std::vector<std::string> mensagens_;
    std::unique_ptr<TMControlLink> link_;
    TMenuInfo* menuInfo_ = nullptr;
};

class TMGlobalCpos : public TCollectionOf<TGloCpo> {
public:
    explicit TMGlobalCpos(TMGlobalBase* Owner);
};

class TMGlobalChecks : public TCollectionOf<TGloChek> {
public:
    explicit TMGlobalChecks(TMGlobalBase* Owner);
};

class TMGlobalChaves : public TCollectionOf<TMGlobalChave> {
public:
    explicit TMGlobalChaves(TMGlobalBase* Owner);
};
