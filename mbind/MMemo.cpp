#include "mbind/MMemo.h"

namespace {

const std::string kLineBreak = "\r\n";

// Text with every From replaced by To, from left to right; what To brings in is not
// searched again. An empty From changes nothing.
std::string ReplaceAll(const std::string& Text, const std::string& From, const std::string& To)
{
    if (From.empty())
        return Text;
    std::string result;
    size_t start = 0;
    for (size_t found = Text.find(From); found != std::string::npos; found = Text.find(From, start)) {
        result.append(Text, start, found - start).append(To);
        start = found + From.size();
    }
    return result.append(Text, start);
}

} // namespace

TMMemo::TMMemo(TComponent* AOwner, QWidget* Parent) : TCustomMemo(AOwner, Parent), TBoundControl(this, this) {}

TMMemo::~TMMemo() = default;

std::string TMMemo::MToText(const std::string& Value) const
{
    return ReplaceAll(Value, separador_, kLineBreak);
}

std::string TMMemo::TextToM(const std::string& Text) const
{
    return ReplaceAll(Text, kLineBreak, separador_);
}

void TMMemo::PushKeyValue(TMGlobalChave* Chave)
{
    const std::string value = ControlValue();
    TMGlobalBase* keyGlobal = Chave->GetGlobal();
    if (keyGlobal != MGlobal())
        Chave->SetFixo(value);
    else
        Chave->SetAtual(value);
    keyGlobal->Refresh();
}

std::vector<std::string> TMMemo::RefusedInput() const
{
    std::vector<std::string> refused = TBoundControl::RefusedInput();
    if (HoldsAnyOf(separador_, refused))
        refused.push_back(kLineBreak);
    return refused;
}

void TMMemo::WriteOnChange()
{
    WriteOnChangeToGlobal(ControlValue(), false);
    TCustomMemo::Change();
}

void TMMemo::ValidateOnExit()
{
    if (!CheckAndWrite(Modified(), false)) {
        SetFocus();
        SelectAll();
        return;
    }
    ExitProcessing();
}

void TMMemo::FilterKey(char&) {}
