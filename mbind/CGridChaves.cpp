#include "mbind/CGridChaves.h"

#include "mbind/CGrid.h"
#include "mbind/MenuInfo.h"

TCGridGlobalChave::~TCGridGlobalChave()
{
    SetMenu_Info(nullptr);
}

void TCGridGlobalChave::SetFixo(const std::string& Value)
{
    fixo_ = Value;
    inicio_ = Value;
    final_ = Value;
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

void TCGridGlobalChave::SetAtual(const std::string& Value)
{
    if (fixo_.empty())
        atual_ = Value;
}

TCGrid* TCGridGlobalChave::Grid() const
{
    const auto* chaves = dynamic_cast<const TCGridGlobalChaves*>(Collection());
    return chaves != nullptr ? chaves->Grid() : nullptr;
}

void TCGridGlobalChave::Assign(const TPersistent* Source)
{
    const auto* source = dynamic_cast<const TCGridGlobalChave*>(Source);
    if (source == nullptr) {
        TCollectionItem::Assign(Source);
        return;
    }
    Collection()->BeginUpdate();
    try {
        inicio_ = source->inicio_;
        final_ = source->final_;
        if (!source->fixo_.empty())
            SetFixo(source->fixo_);
        else
            fixo_.clear();
    } catch (...) {
        Collection()->EndUpdate();
        throw;
    }
    Collection()->EndUpdate();
}

TCGridGlobalChaves::TCGridGlobalChaves(TCGrid* Grid) : TCollectionOf<TCGridGlobalChave>(Grid), grid_(Grid)
{
}
