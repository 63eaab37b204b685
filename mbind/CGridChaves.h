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

#include "toolkit/Collections.h"

class TCGrid;
class TMenuInfo;

class TCGridGlobalChave : public TCollectionItem {
public:
    explicit TCGridGlobalChave(TCollection* Collection) : TCollectionItem(Collection) {}
    // Leaves its company holder.
    ~TCGridGlobalChave() override;

    // Published, in stored order.
    const std::string& Inicio() const { return inicio_; }
    void SetInicio(const std::string& Value) { inicio_ = Value; }
    const std::string& Final() const { return final_; }
    void SetFinal(const std::string& Value) { final_ = Value; }
    const std::string& Fixo() const { return fixo_; }
    // Fixo, Inicio and Final all become Value; the empty text unfixes the level.
    void SetFixo(const std::string& Value);
    TMenuInfo* Menu_Info() const { return menuInfo_; }
    // Leaves the old holder (Remover) and registers the grid with the new one.
    void SetMenu_Info(TMenuInfo* Value);

    // The level's current value during a load.
    const std::string& Atual() const { return atual_; }
    // Atual := Value, only while the level is not fixed.
    void SetAtual(const std::string& Value);
    // Atual := Inicio.
    void LimparAtual() { atual_ = inicio_; }
    // The grid owning the collection, or null.
    TCGrid* Grid() const;

    // From another level: Inicio and Final, then Fixo (which wins when not empty).
    void Assign(const TPersistent* Source) override;

private:
    friend class TCGrid; // forgets a destroyed holder without telling it
    void ForgetMenuInfo() { menuInfo_ = nullptr; }

    std::string inicio_;
    std::string final_;
    std::string fixo_;
    std::string atual_;
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
