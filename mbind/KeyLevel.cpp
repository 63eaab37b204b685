#include "mbind/KeyLevel.h"

void TKeyLevel::SetFixo(const std::string& Value)
{
    fixo_ = Value;
    inicio_ = Value;
    final_ = Value;
}

void TKeyLevel::SetAtual(const std::string& Value)
{
    if (fixo_.empty())
        atual_ = Value;
}

void TKeyLevel::CopyLevel(const TKeyLevel& Source)
{
    Collection()->BeginUpdate();
    try {
        inicio_ = Source.inicio_;
        final_ = Source.final_;
        if (!Source.fixo_.empty())
            SetFixo(Source.fixo_);
        else
            fixo_.clear();
    } catch (...) {
        Collection()->EndUpdate();
        throw;
    }
    Collection()->EndUpdate();
}
