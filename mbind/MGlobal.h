#pragma once
// The binding core: a component bound to one node of an M global on the server.
//
// TMGlobalBase holds the node's record (pieces joined by Separador, counted from 1), its
// key levels (GlobalChaves, counted from 0, sent to the server joined by "|"), check rules
// per piece (PieceCheck), display fields (Campos) and the VisM control that runs its
// server code. Bound controls and sub-binders attach through data links (TMGlobalLink);
// key levels reach the controls that edit them through key links (TMControlLink).
// TMGlobal adds the node's name and the record operations done by the server's
// %CSWWGLOB routines.
//
// Who is who among the owners of data links (the core tells them apart by class):
// - an IBoundControl: a bound control (enabled, focused, checked for required pieces);
// - a TMGlobal: a sub-global following this global as its master (posted after it);
// - any other TMGlobalBase: a sub-binder (piece group, sub-piece, memory global), whose
//   own links follow this global's enabling; an IMemoryGlobal among them writes its
//   lines after this global's post.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mbind/MGlobalItems.h"
#include "mbind/MGlobalLinks.h"
#include "toolkit/Classes.h"

class TVisM;

using TNotifyEvent = std::function<void(TObject* Sender)>;
// Confirm enters True; a handler refuses the operation by setting it False.
using TOnConfirmEvent = std::function<void(TObject* Sender, bool& Confirm)>;

// Record state of a TMGlobal.
enum TEstadoGlobal : uint8_t {
    esEdicao = 0,    // editing: the server holds the lock from a granted EDIT
    esNavegacao = 2, // browsing
};

// What the core needs of a memory global (TMGloMem): writing its lines after the
// master's successful post.
class IMemoryGlobal {
public:
    virtual void Gravar() = 0;

protected:
    ~IMemoryGlobal() = default;
};

class TMGlobalBase : public TComponent {
public:
    explicit TMGlobalBase(TComponent* AOwner);
    ~TMGlobalBase() override;

    // Published, in stored order.
    TVisM* VisM() const { return visM_; }
    void SetVisM(TVisM* Value);
    TMGlobalCpos* Campos() const { return campos_.get(); }
    void SetCampos(const TMGlobalCpos* Value);
    TMGlobalChecks* PieceCheck() const { return pieceCheck_.get(); }
    void SetPieceCheck(const TMGlobalChecks* Value);
    TMGlobalChaves* GlobalChaves() const { return globalChaves_.get(); }
    void SetGlobalChaves(const TMGlobalChaves* Value);
    const std::string& Separador() const { return separador_; }
    void SetSeparador(const std::string& Value) { separador_ = Value; }
    // Update-nesting counter: while above 0, record writes are dropped.
    int Edicao() const { return edicao_; }

    // State.
    const std::vector<TMGlobalLink*>& Links() const { return links_; }
    const std::string& Dados() const { return dados_; }
    uint8_t Estado() const { return estado_; }
    bool Bloqueado() const { return bloqueado_; }
    // The piece a control is typing into: SetPiece does not redraw that piece's controls.
    int PieceAtual() const { return pieceAtual_; }
    void SetPieceAtual(int Value) { pieceAtual_ = Value; }
    // True while SetPiece propagates a piece; further SetPiece calls return at once.
    bool Notificando() const { return notificando_; }

    // Record operations; they do nothing here (TMGlobal runs them on the server).
    virtual void Delete() {}
    virtual void Cancel() {}
    virtual void Edit() {}
    virtual void Append() {}
    virtual void Post() {}
    virtual void Refresh() {}
    // Replaces the record: dropped while Edicao is above 0 or when unchanged; otherwise
    // Edit first, then the record.
    virtual void SetData(const std::string& Value);

    // True while a display refresh is under way (Edicao above 0): a record write then
    // changes nothing. A sub-binder is also refreshing while its master is.
    virtual bool Refreshing() const { return edicao_ > 0; }

    // Pieces.
    std::string GetPiece(int N) const;
    // Writes piece N, then propagates its keys and redraws its controls. Outside a
    // refresh, a value that holds one of PieceSeparators is refused with a beep and
    // nothing changes: it would shift the record's later pieces.
    void SetPiece(int N, const std::string& Value);
    // What no piece may hold: Separador, and RecordSeparators.
    std::vector<std::string> PieceSeparators() const;
    // What the whole record may not hold: nothing for a record of its own; a sub-binder
    // whose record is written into its master's pieces names what they may not hold.
    virtual std::vector<std::string> RecordSeparators() const { return {}; }
    void IncEdicao() { ++edicao_; }
    void DecEdicao() { --edicao_; }

    // A value by where it lives: piece Index (from 1), the Resultado of Campos item Index
    // or key level Index (both from 0). Writing a Campos result does nothing: it is only
    // read.
    std::string GetValor(TTipoDeCampo Kind, int Index) const;
    void SetValor(TTipoDeCampo Kind, int Index, const std::string& Value);

    // Keys (an index outside GlobalChaves raises EListError).
    std::string GetChave(int I) const;
    void SetChave(int I, const std::string& Value);
    std::string GetInicio(int I) const;
    std::string GetFinal(int I) const;
    // The levels' values / Inicios / Finais as "|"-pieces, level 0 first.
    std::string GetChaves() const;
    std::string GetInicios() const;
    std::string GetFinais() const;
    // Level i takes "|"-piece i + 1 of Text (fixed levels keep their value).
    void SetChaves(const std::string& Text);
    void LimparChaves();
    // True when some level's value is empty.
    bool ChavesIncompletas() const;
    // Fixes every level that names a company holder to that holder's company code.
    void AplicarEmpresa();

    // Server check of Value for piece / key Index: -1 accepts; 0 or more refuses, after
    // the rule's message line (Show) or a beep. A failed run accepts nothing: it raises
    // EMRunFailed.
    int ChecarValor(TTipoDeCampo Kind, uint8_t Index, bool Show, const std::string& Value);

    // Data links.
    void AddLink(TMGlobalLink* Link);
    void RemoveLink(TMGlobalLink* Link);
    // Every link's owner re-reads its value.
    void NotificarLinks();

    // Key propagation and redraw.
    void PropagarChaves();
    void PropagarChavesPiece(int N);
    void RedesenharPiece(int N);

    // Enabling and focus.
    void HabilitarChaves();
    void DesabilitarChaves();
    void HabilitarCampos();
    void DesabilitarCampos();
    void FocarPrimeiraChave();
    void SetBloqueado(bool Value);

    // Each linked memory global writes its lines.
    void GravarMemos();

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Direct writes of the record and the state: no Edit, no link told.
    void StoreDados(const std::string& Value) { dados_ = Value; }
    void StoreEstado(uint8_t Value) { estado_ = Value; }

private:
    // "|"-piece i + 1 of the result is TextOf(i) for each level i.
    std::string JoinLevels(const std::function<std::string(int)>& TextOf) const;
    void SetCamposEnabled(bool Value);
    void SetChavesEnabled(bool Value);
    void PropagarChavesOf(const std::function<bool(IBoundControl*)>& Matches);

    TVisM* visM_ = nullptr;
    std::vector<TMGlobalLink*> links_;
    std::unique_ptr<TMGlobalCpos> campos_;
    std::unique_ptr<TMGlobalChecks> pieceCheck_;
    std::unique_ptr<TMGlobalChaves> globalChaves_;
    std::string dados_;
    std::string separador_ = "^";
    uint8_t estado_ = esNavegacao;
    bool bloqueado_ = false;
    int edicao_ = 0;
    int pieceAtual_ = 0;
    bool notificando_ = false;
};

// A global's Edicao raised for the length of a display refresh, lowered also when the
// refresh fails: a counter left raised would make the global drop every later write.
class TEdicaoBracket {
public:
    explicit TEdicaoBracket(TMGlobalBase* Global) : global_(Global) { global_->IncEdicao(); }
    ~TEdicaoBracket() { global_->DecEdicao(); }
    TEdicaoBracket(const TEdicaoBracket&) = delete;
    TEdicaoBracket& operator=(const TEdicaoBracket&) = delete;

private:
    TMGlobalBase* global_;
};

// The bound global with its record operations, each one execution of a %CSWWGLOB routine
// (or of the user routine GlobalRotina before POST and DELETE). Browsing (esNavegacao) and
// editing (esEdicao) are its two states. A failed run raises EMRunFailed, which ends the
// operation (and the operations that called it) where it stands: a failed POST keeps the
// state and writes no sub-global and no memo, a failed NEXT or LAST keeps record, keys
// and state.
class TMGlobal : public TMGlobalBase {
public:
    explicit TMGlobal(TComponent* AOwner);

    // Published, in stored order.
    bool ChecarObrigatorios() const { return checarObrigatorios_; }
    void SetChecarObrigatorios(bool Value) { checarObrigatorios_ = Value; }
    // The M global's name, e.g. "^TGGCFG".
    const std::string& Global() const { return global_; }
    void SetGlobal(const std::string& Value) { global_ = Value; }
    // An M routine called before the server's POST and DELETE; empty means none.
    const std::string& GlobalRotina() const { return globalRotina_; }
    void SetGlobalRotina(const std::string& Value) { globalRotina_ = Value; }
    TOnConfirmEvent OnAppend;
    TNotifyEvent OnAfterAppend;
    TOnConfirmEvent OnPost;
    TNotifyEvent OnAfterPost;
    TOnConfirmEvent OnDelete;
    TNotifyEvent OnAfterDelete;
    TNotifyEvent OnMove;
    TNotifyEvent OnAfterMove;
    TNotifyEvent OnEdit;
    TNotifyEvent OnCancel;
    TOnConfirmEvent OnBeforeCancel;

    // Deletes the node, then moves to the next one.
    void Delete() override;
    // CancelarEdicao, its result discarded.
    void Cancel() override;
    // Locks the node for editing and reads it.
    void Edit() override;
    // Clears keys and record for a new node (no server call).
    void Append() override;
    // Checks, then writes the record.
    void Post() override;
    // Reads the node at the current keys.
    void Refresh() override;

    // Releases the lock and re-reads; returns OnBeforeCancel's confirmation.
    bool CancelarEdicao();
    // Moves to the next / last node within the key ranges.
    void Next();
    void Last();
    // SetBloqueado(Value); there is no record navigator to update in this system.
    void AplicarBloqueio(bool Value);
    // Posts every linked sub-global.
    void PostSubGlobais();
    // True when a required piece is empty (the user has been told).
    bool FaltaObrigatorio();
    // True when piece Piece is empty: tells the user and focuses Control.
    bool ChecarObrigatorio(uint8_t Piece, const std::string& NomeCampo, TComponent* Control);

private:
    bool Confirmar(const TOnConfirmEvent& Event);
    void Notificar(const TNotifyEvent& Event);
    std::string EditFlag() const;
    void RunUserRoutine(const char* Operation);
    void MoveTo(const char* Routine, bool StopWhenNone);
    // Releases the lock of the node that the granted EDIT locked.
    void ReleaseEditedNode();

    bool checarObrigatorios_ = false;
    std::string global_;
    std::string globalRotina_;
    // The keys of the node that the granted EDIT locked, while editing: the keys may change
    // during an edit (a key pushed by another control, a level emptied), and the release
    // must name the node that holds the lock.
    std::string chavesEditadas_;
};
