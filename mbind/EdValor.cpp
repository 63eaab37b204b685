#include "mbind/EdValor.h"

#include <QString>

#include "mbind/CurrencyText.h"
#include "toolkit/Dialogs.h"
#include "toolkit/FormatSettings.h"

namespace {

// The conversions' texts hold their positions and counts in one byte.
constexpr size_t kMaxText = 255;

std::string Cut(std::string Text)
{
    if (Text.size() > kMaxText)
        Text.resize(kMaxText);
    return Text;
}

bool IsDigit(char C)
{
    return C >= '0' && C <= '9';
}

Qt::Alignment QtAlignment(TAlignment Value)
{
    // Numbers stand at the right by default: the left style puts them there and the right
    // style at the left.
    switch (Value) {
    case taLeftJustify: return Qt::AlignRight | Qt::AlignVCenter;
    case taRightJustify: return Qt::AlignLeft | Qt::AlignVCenter;
    case taCenter: return Qt::AlignHCenter | Qt::AlignVCenter;
    }
    return Qt::AlignRight | Qt::AlignVCenter;
}

} // namespace

// A selection set by code stays visible without the focus, as Qt's line edit paints it.
TEdValor::TEdValor(TComponent* AOwner, QWidget* Parent) : TCustomEdit(AOwner, Parent), TBoundControl(this, this)
{
    setAlignment(QtAlignment(alignment_));
}

TEdValor::~TEdValor() = default;

void TEdValor::SetAlignment(TAlignment Value)
{
    if (Value == alignment_)
        return;
    alignment_ = Value;
    setAlignment(QtAlignment(Value));
}

int64_t TEdValor::Valor()
{
    TryTextToCurrency(ParseDisplay(Text()), valor_);
    return valor_;
}

void TEdValor::SetValor(int64_t Value)
{
    valor_ = Value;
    SetText(DisplayOf(Value));
}

std::string TEdValor::ValorM()
{
    const std::string shown = FormatDisplay(CurrencyToText(Valor()), decimaisM_);
    std::string digits;
    for (char c : shown)
        if (c == '-' || IsDigit(c))
            digits += c;
    return digits;
}

void TEdValor::SetValorM(const std::string& Value)
{
    std::string v = Value.empty() ? "0" : Cut(Value);
    // A short negative value ("-5") is padded after its sign, so it reads as the number it
    // stands for instead of an unreadable "00-5" that a tab through the edit stores as 0.
    const size_t sign = v.size() > 1 && v.starts_with('-') ? 1 : 0;
    if (sign == 1 && v.size() - sign <= decimaisM_)
        v.insert(sign, decimaisM_ + 1 - (v.size() - sign), '0');
    else if (v.size() < decimaisM_)
        v.insert(0, decimaisM_ + 1 - v.size(), '0');

    std::string t = v;
    if (decimaisM_ > 0) {
        const size_t integerLength = v.size() - decimaisM_;
        t = Cut(v.substr(0, integerLength) + DecimalSeparator() + v.substr(integerLength));
    }

    if (!TryTextToCurrency(t, valor_))
        valor_ = 0;

    // With more screen decimals than M decimals nothing is cut.
    const size_t keep = t.size() - decimaisM_ + decimais_;
    if (keep < t.size())
        t.resize(keep);
    SetText(FormatDisplay(t, decimais_));
}

std::string TEdValor::FormatDisplay(const std::string& S, uint8_t N) const
{
    const std::string text = Cut(S);
    const size_t point = text.find(DecimalSeparator());
    std::string integer = text.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
    if (fraction.size() < N)
        fraction.append(N - fraction.size(), '0');

    if (edita_) {
        std::string grouped;
        for (size_t i = integer.size(), counted = 0; i-- > 0;) {
            grouped.insert(grouped.begin(), integer[i]);
            if (++counted % 3 == 0 && i > 0)
                grouped.insert(grouped.begin(), '.');
        }
        if (const size_t mark = grouped.find("-."); mark != std::string::npos)
            grouped.erase(mark + 1, 1);
        integer = grouped;
    }

    std::string result = integer;
    if (N > 0)
        result += "," + fraction;
    return Cut(result);
}

std::string TEdValor::ParseDisplay(const std::string& S) const
{
    const char separator = DecimalSeparator();
    std::string text;
    bool pointMet = false;
    for (char c : Cut(S)) {
        if (c == ',' && !pointMet) {
            text += separator;
            pointMet = true;
        } else if (c == '-' || IsDigit(c)) {
            text += c;
        }
    }
    if (!pointMet)
        text += separator;

    const size_t length = text.find(separator) + 1 + decimais_;
    if (text.size() < length)
        text.append(length - text.size(), '0');
    return Cut(text.substr(0, length));
}

std::string TEdValor::DisplayOf(int64_t Value) const
{
    return FormatDisplay(CurrencyToText(Value), decimais_);
}

void TEdValor::ValidateOnExit()
{
    ExitProcessing();
    SetSelLength(0);
    if (Designing())
        return;

    SetText(DisplayOf(Valor()));
    if (!WithinLimits())
        return;

    if (!CheckAndWrite(Modified(), true))
        SetFocus();
}

bool TEdValor::WithinLimits()
{
    const TNotifyEvent* event = nullptr;
    const char* message = nullptr;
    if (valorMin_ != 0 && valorMin_ > Valor()) {
        event = &OnMinimo;
        message = "Valor é Menor Que o Valor Mínimo";
    } else if (valorMax_ != 0 && Valor() > valorMax_) {
        event = &OnMaximo;
        message = "Valor é Maior Que o Valor Maxímo";
    } else {
        return true;
    }
    if (*event)
        (*event)(this);
    else
        MessageDlg(QString::fromUtf8(message), TMsgDlgType::mtError, mbOK);
    SetFocus();
    return false;
}

void TEdValor::FilterKey(char& Key)
{
    TCustomEdit::KeyPress(Key);
    const bool allowed = Key == kCharBackspace || Key == ',' || Key == '-' || Key == '.' || IsDigit(Key);
    if (!allowed)
        Key = 0;
}
