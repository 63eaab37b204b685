#include "mbind/MText.h"

#include "toolkit/SysUtils.h"
#include "vism/VisM.h"

std::string MQuote(const std::string& Text)
{
    std::string quoted;
    quoted.reserve(Text.size());
    for (const char c : Text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted;
}

std::string MString(const std::string& Text)
{
    return "\"" + MQuote(Text) + "\"";
}

void ExecutarM(TVisM* VisM, const std::string& Code, std::initializer_list<std::pair<int, TVariant>> Registers)
{
    if (VisM == nullptr)
        throw Exception("Nenhum controle VisM ligado para executar: " + Code);
    for (const auto& [index, value] : Registers)
        VisM->SetP(index, value);
    VisM->SetCode(Code);
    ExecutarCode(VisM);
}

void ExecutarCode(TVisM* VisM)
{
    VisM->SetExecFlag(1);
    if (VisM->RunFailed())
        throw EMRunFailed(VisM->ErrorName());
}
