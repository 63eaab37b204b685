#include "mbind/MComboBox.h"

#include "toolkit/SysUtils.h"

TMComboBox::TMComboBox(TComponent* AOwner, QWidget* Parent)
    : TCustomComboBox(AOwner, Parent), TBoundControl(this, this), codigos_(std::make_unique<TStringList>())
{
}

TMComboBox::~TMComboBox() = default;

void TMComboBox::AddItem(const std::string& Valor, const std::string& Codigo)
{
    switch (estilo_) {
    case teValor: AddItemText(Valor); break;
    case teValorCodigo: AddItemText(Valor + separador_ + Codigo); break;
    case teCodigoValor: AddItemText(Codigo + separador_ + Valor); break;
    }
    codigos_->Add(Codigo);
}

std::string TMComboBox::SelectedCode() const
{
    return ItemIndex() == -1 ? std::string() : codigos_->Strings(ItemIndex());
}

void TMComboBox::ClearItems()
{
    codigos_->Clear();
    ClearItemTexts();
}

int TMComboBox::IndexOfCode(const std::string& Codigo) const
{
    return codigos_->IndexOf(Codigo);
}

std::string TMComboBox::ControlValue()
{
    if (tipoValor_ == tvConteudo)
        return Text();
    return KeyValue();
}

std::string TMComboBox::KeyValue()
{
    if (ItemIndex() == -1)
        return {};
    switch (tipoValor_) {
    case tvConteudo: return Text();
    case tvIndece: return std::to_string(ItemIndex());
    case tvCodigo: return SelectedCode();
    }
    return {};
}

void TMComboBox::ShowValue(const std::string& Value)
{
    switch (tipoValor_) {
    case tvConteudo:
        SetItemIndex(-1);
        SetText(Value);
        // Every equal item in turn: the last one stays selected.
        for (int i = 0; const std::string& item : Items()) {
            if (item == Value)
                SetItemIndex(i);
            ++i;
        }
        break;
    case tvIndece: SetItemIndex(StrToIntDef(Value, -1)); break;
    case tvCodigo: SetItemIndex(IndexOfCode(Value)); break;
    }
}

void TMComboBox::ValidateOnExit()
{
    if (!CheckAndWrite(modified_, true)) {
        SetFocus();
        SelectAll();
        return;
    }
    ExitProcessing();
}
