#pragma once
// A sub-piece: a global whose whole record is one value of a master global (a piece, a
// key level or a Campos result, by TipoCampo), which its own Separador splits again into
// pieces. Writing its record writes the piece or key back to the master; a Campos result
// is only read.
#include <cstdint>
#include <memory>

#include "mbind/MGlobal.h"

class TMSubPiece : public TMGlobalBase {
public:
    explicit TMSubPiece(TComponent* AOwner);
    // The link leaves the master first.
    ~TMSubPiece() override;

    // Published, in stored order. Piece: the master's piece (from 1), or its Campos item
    // or key level (from 0), by TipoCampo.
    uint8_t Piece() const { return piece_; }
    void SetPiece(uint8_t Value) { piece_ = Value; }
    // The master; writing it moves the link to the new master and reads nothing.
    TMGlobalBase* MGlobal() const { return link_->Global(); }
    void SetMGlobal(TMGlobalBase* Value) { link_->SetGlobal(Value); }
    TTipoDeCampo TipoCampo() const { return tipoCampo_; }
    void SetTipoCampo(TTipoDeCampo Value) { tipoCampo_ = Value; }

    // The record's own pieces (SetPiece above is the published property Piece).
    using TMGlobalBase::SetPiece;

    // The link callback: the record := the master's value, with the master's Edicao
    // raised, then its own links are told.
    void RefreshFromGlobal();
    // Stores the record like any global, then writes it back to the master's piece or key.
    // Outside a refresh, a record that holds what the master's piece may not is refused
    // with a beep, and nothing changes.
    void SetData(const std::string& Value) override;
    // What the master's piece may not hold (tcPiece); nothing for a key or a field.
    std::vector<std::string> RecordSeparators() const override;
    // While it or its master is refreshing.
    bool Refreshing() const override;

private:
    uint8_t piece_ = 0;
    std::unique_ptr<TMGlobalLink> link_;
    TTipoDeCampo tipoCampo_ = tcPiece;
};
