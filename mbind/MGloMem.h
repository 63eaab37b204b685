#pragma once
// The memory global: a multi-line text that the server keeps as line nodes beneath the
// record of a master TMGlobal, read and written through the %CSWWMEM routines.
//
// Its record (Dados) is the whole text, the lines joined by the master's Separador; bound
// controls attach to it as to any global. It reads every line each time the master
// notifies its links, writes every line after the master's successful post (the core
// calls Gravar through IMemoryGlobal), and a change of its text starts the master's
// Edit, so editing the text locks the master's record.
//
// It runs its server code on the master's VisM with the master's Global and keys; its
// own VisM, keys, checks and fields take no part in reading or writing, and its own
// Separador serves only its bound controls' piece access.
#include <memory>
#include <string>

#include "mbind/MGlobal.h"

class TMGloMem : public TMGlobalBase, public IMemoryGlobal {
public:
    explicit TMGloMem(TComponent* AOwner);
    // The link leaves the master first.
    ~TMGloMem() override;

    // Published. The master; it must be a TMGlobal (or a descendant), anything else
    // raises Exception. Writing it moves the link to the new master and reads nothing.
    TMGlobalBase* MGlobal() const { return link_->Global(); }
    void SetMGlobal(TMGlobalBase* Value);

    // The link callback: reads every line of the text, with the master's Edicao raised so
    // the reading starts no edit, then notifies its own links. A failed run ends the
    // reading (EMRunFailed) with the text and the controls as they were.
    void RefreshFromGlobal();
    // Writes every line of the text; nothing while the master's Edicao is above 0. A failed
    // run ends the writing (EMRunFailed).
    void Gravar() override;
    // A changed text is stored and, outside a refresh of the master, starts the master's
    // Edit; while its own Edicao is above 0 (its controls are being refreshed) the text is
    // dropped and nothing starts.
    void SetData(const std::string& Value) override;

private:
    TMGlobal* Master() const;

    std::unique_ptr<TMGlobalLink> link_;
};
