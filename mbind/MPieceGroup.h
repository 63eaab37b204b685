#pragma once
// A piece group: a global whose piece 1 is the run of a master global's pieces
// PieceInicial to Piece_Final, each followed by the master's Separador. A control bound
// to piece 1 of the group writes the master's pieces of the run back one by one.
//
// The group's own Separador must occur neither in the master's Separador nor in the
// master values of the run: piece 1 would then hold only part of the run. A group whose
// run it cannot hold intact writes nothing back; a change written to it then raises.
#include <cstdint>
#include <memory>

#include "mbind/MGlobal.h"

class TMPieceGroup : public TMGlobalBase {
public:
    explicit TMPieceGroup(TComponent* AOwner);
    // The link leaves the master first.
    ~TMPieceGroup() override;

    // Published, in stored order.
    uint8_t PieceInicial() const { return pieceInicial_; }
    void SetPieceInicial(uint8_t Value) { pieceInicial_ = Value; }
    uint8_t Piece_Final() const { return pieceFinal_; }
    void SetPiece_Final(uint8_t Value) { pieceFinal_ = Value; }
    // The master; writing it moves the link to the new master and reads nothing.
    TMGlobalBase* MGlobal() const { return link_->Global(); }
    void SetMGlobal(TMGlobalBase* Value) { link_->SetGlobal(Value); }
    // Stored with the form; nothing reads it.
    TTipoDeCampo TipoCampo() const { return tipoCampo_; }
    void SetTipoCampo(TTipoDeCampo Value) { tipoCampo_ = Value; }

    // The link callback: piece 1 := the run, written with the master's Edicao raised
    // (the write-back changes no master record), then its own links are told.
    void RefreshFromGlobal();
    // Stores the record like any global, then writes piece 1 back to the master's
    // pieces of the run; a run shorter than the range writes empty pieces for the rest.
    // Outside a refresh, a record that holds what the master's record may not is refused
    // with a beep, and nothing changes.
    void SetData(const std::string& Value) override;
    // What the master's record may not hold: the run is cut at the master's Separador.
    std::vector<std::string> RecordSeparators() const override;
    // While it or its master is refreshing.
    bool Refreshing() const override;

private:
    // True when piece 1 can hold the master's run intact: the group's Separador is not
    // empty and occurs neither in the master's Separador nor in a master value of the run.
    bool HoldsRunIntact(const TMGlobalBase* Master) const;

    uint8_t pieceInicial_ = 0;
    uint8_t pieceFinal_ = 0;
    std::unique_ptr<TMGlobalLink> link_;
    TTipoDeCampo tipoCampo_ = tcPiece;
};
