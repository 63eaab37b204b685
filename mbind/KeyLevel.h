#pragma once
// What every key level shares, whether of a bound global (TMGlobalChave) or of the bound
// grid (TCGridGlobalChave): the subscript's range (Inicio to Final), its fixed value
// (Fixo) and its current value (Atual), and the copy of one level into another.
#include <string>

#include "toolkit/Collections.h"

class TKeyLevel : public TCollectionItem {
public:
    explicit TKeyLevel(TCollection* Collection) : TCollectionItem(Collection) {}

    const std::string& Inicio() const { return inicio_; }
    void SetInicio(const std::string& Value) { inicio_ = Value; }
    const std::string& Final() const { return final_; }
    void SetFinal(const std::string& Value) { final_ = Value; }
    const std::string& Fixo() const { return fixo_; }
    // Fixo, Inicio and Final all become Value; the empty text unfixes the level.
    void SetFixo(const std::string& Value);

    // The current value, as last set (a fixed level's value is its Fixo).
    const std::string& Atual() const { return atual_; }
    // Atual := Value, only while the level is not fixed.
    void SetAtual(const std::string& Value);
    // Atual := Inicio.
    void LimparAtual() { atual_ = inicio_; }

protected:
    // From Source, inside its collection's update bracket: Inicio and Final, then Fixo,
    // which wins when not empty (it sets Inicio and Final too); an empty one unfixes.
    // Each kind of level copies only from its own kind.
    void CopyLevel(const TKeyLevel& Source);

private:
    std::string inicio_;
    std::string final_;
    std::string fixo_;
    std::string atual_;
};
