#include "mbind/CGridChaves.h"

#include "mbind/CGrid.h"
#include "mbind/MenuInfo.h"

TCGridGlobalChave::~TCGridGlobalChave()
{
    SetMenu_Info(nullptr);
}

void TCGridGlobalChave::SetMenu_Info(TMenuInfo* Value)
{
    if (Value == menuInfo_)
        return;
    TCGrid* grid = Grid();
    if (menuInfo_ != nullptr && grid != nullptr)
        menuInfo_->Remover(grid);
    menuInfo_ = Value;
    if (Value != nullptr && grid != nullptr)
        Value->Registrar(grid);
}

TCGrid* TCGridGlobalChave::Grid() const
{
    const auto* chaves = dynamic_cast<const TCGridGlobalChaves*>(Collection());
    return chaves != nullptr ? chaves->Grid() : nullptr;
}

void TCGridGlobalChave::Assign(const TPersistent* Source)
{
    if (const auto* source = dynamic_cast<const TCGridGlobalChave*>(Source))
        CopyLevel(*source);
    else
        TKeyLevel::Assign(Source);
}

TCGridGlobalChaves::TCGridGlobalChaves(TCGrid* Grid) : TCollectionOf<TCGridGlobalChave>(Grid), grid_(Grid)
{
}
