#pragma once
// A bound global without a server, whose record operations only count, and a key level
// added to a global: what the bound-control tests bind to.
#include <string>

#include "mbind/MGlobal.h"

class CountingGlobal : public TMGlobalBase {
public:
    explicit CountingGlobal(TComponent* AOwner = nullptr) : TMGlobalBase(AOwner) {}
    void Edit() override { ++edits; }
    void Refresh() override { ++refreshes; }
    int edits = 0;
    int refreshes = 0;
};

inline TMGlobalChave* AddLevel(TMGlobalBase& Global, const std::string& Atual = "")
{
    TMGlobalChave* level = Global.GlobalChaves()->Add();
    level->SetAtual(Atual);
    return level;
}
