#pragma once
// The key levels of the bound grid (TCGrid): one TCGridGlobalChave per subscript of the
// listed global, in order, in the collection TCGridGlobalChaves whose owner is the grid.
// A level's range (Inicio to Final) goes to the server with every request; during a load
// Atual follows the keys of the rows received. A fixed level (Fixo) keeps its value.
//
// A level that names a company holder (Menu_Info) registers the grid with it, once per
// level; on each company change the holder fixes the level to its company code and
// reloads the grid. A level leaves its holder when it is destroyed or names another; a
// destroyed holder is forgotten by the grid's levels.
#include <string>

#include "mbind/KeyLevel.h"
#include "toolkit/Collections.h"

class TCGrid;
class TMenuInfo;

// Published, in stored order: Inicio, Final, Fixo (TKeyLevel), Menu_Info. Atual is the
// level's current value during a load.
class TCGridGlobalChave : public TKeyLevel {
public:
    explicit TCGridGlobalChave(TCollection* Collection) : TKeyLevel(Collection) {}
    // Leaves its company holder.
    ~TCGridGlobalChave() override;

    TMenuInfo* Menu_Info() const { return menuInfo_; }
    // Leaves the old holder (Remover) and registers the grid with the new one.
    void SetMenu_Info(TMenuInfo* Value);

    // The grid owning the collection, or null.
    TCGrid* Grid() const;

    // From another level: Inicio and Final, then Fixo (which wins when not empty).
    void Assign(const TPersistent* Source) override;

private:
    friend class TCGrid; // forgets a destroyed holder without telling it
    void ForgetMenuInfo() { menuInfo_ = nullptr; }

    TMenuInfo* menuInfo_ = nullptr;
};

class TCGridGlobalChaves : public TCollectionOf<TCGridGlobalChave> {
public:
    // Grid: the owner, or null for a collection of its own.
    explicit TCGridGlobalChaves(TCGrid* Grid);

    TCGrid* Grid() const { return grid_; }

private:
    TCGrid* grid_;
};
