#include "mbind/MSubGlobal.h"

#include <algorithm>

TMSubGlobal::TMSubGlobal(TComponent* AOwner)
    : TMGlobal(AOwner), link_(std::make_unique<TMGlobalLink>(this, [this] { RefreshFromGlobal(); }))
{
}

TMSubGlobal::~TMSubGlobal()
{
    link_.reset();
}

void TMSubGlobal::RefreshFromGlobal()
{
    TMGlobalBase* master = MGlobal();
    if (master == nullptr)
        return;
    // A sub-global with fewer levels than its master follows the ones it has.
    const int levels = std::min(master->GlobalChaves()->Count(), GlobalChaves()->Count());
    for (int i = 0; i < levels; ++i)
        GlobalChaves()->Items(i)->SetFixo(master->GetChave(i));
    Refresh();
    AplicarBloqueio(master->Bloqueado());
}

void TMSubGlobal::Edit()
{
    TMGlobal::Edit();
    if (TMGlobalBase* master = MGlobal())
        master->Edit();
}
