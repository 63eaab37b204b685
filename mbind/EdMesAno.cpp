#include "mbind/EdMesAno.h"

#include <algorithm>
#include <charconv>

#include "toolkit/FormatSettings.h"

namespace {

std::string WithoutBlanks(std::string Text)
{
    std::erase(Text, ' ');
    return Text;
}

// Characters From to From + Count - 1 of S, counted from 1; what lies outside S is left out.
std::string Copy(const std::string& S, size_t From, size_t Count)
{
    return From > S.size() ? std::string() : S.substr(From - 1, Count);
}

std::string TwoDigits(int Value)
{
    return std::string{static_cast<char>('0' + Value / 10 % 10), static_cast<char>('0' + Value % 10)};
}

// Taken from today's date itself, not from places of its text: the mask's literal is "/"
// whatever the date separator, and the short date format may put the day last.
std::string ThisYearTwoDigits()
{
    int year, month, day;
    DecodeDate(Date(), year, month, day);
    return TwoDigits(year % 100);
}

std::string ThisMonth()
{
    int year, month, day;
    DecodeDate(Date(), year, month, day);
    return TwoDigits(month) + "/" + std::to_string(year);
}

// A missing year is this year's last two digits; a two-digit year starting with "0" is
// 20xx, any other 19xx.
std::string FullYear(std::string Year)
{
    if (Year.empty())
        Year = ThisYearTwoDigits();
    if (Year.size() == 2)
        Year.insert(0, Year[0] == '0' ? "20" : "19");
    return Year;
}

// The month of a tidied month/year without its "/": its first two characters as a number,
// 0 when they are none.
int MonthOf(const std::string& MonthYear)
{
    const std::string month = MonthYear.substr(0, 2);
    int value = 0;
    const char* last = month.data() + month.size();
    const auto [end, error] = std::from_chars(month.data(), last, value);
    const bool digits = !month.empty() && month[0] >= '0' && month[0] <= '9';
    return digits && error == std::errc() && end == last ? value : 0;
}

} // namespace

TEdMesAno::TEdMesAno(TComponent* AOwner, QWidget* Parent) : TBoundDateEdit(AOwner, Parent)
{
    SetEditMask("!99/9999;1;_");
    resize(49, height());
}

TEdMesAno::~TEdMesAno() = default;

std::string TEdMesAno::Normalise(const std::string& Text)
{
    std::string text = WithoutBlanks(Text);
    if (text == "/")
        text.clear();
    if (text.size() >= 2 && text[1] == '/')
        text.insert(0, "0");
    if (text.size() == 4)
        text.insert(3, "0");
    return text;
}

std::string TEdMesAno::ShowNormalised()
{
    const std::string text = Normalise(Text());
    SetText(text);
    return text;
}

std::string TEdMesAno::MesAno()
{
    const std::string text = ShowNormalised();
    return tipoAno_ == ta4digitos ? Copy(text, 1, 2) + Copy(text, 4, 4) : Copy(text, 1, 2) + Copy(text, 6, 2);
}

std::string TEdMesAno::AnoMes()
{
    const std::string text = ShowNormalised();
    return tipoAno_ == ta4digitos ? Copy(text, 4, 4) + Copy(text, 1, 2) : Copy(text, 6, 2) + Copy(text, 1, 2);
}

void TEdMesAno::SetMesAno(const std::string& Value)
{
    if (Value.empty()) {
        SetText("");
        return;
    }
    ShowMonthYear(Value.substr(0, 2), WithoutBlanks(Copy(Value, 3, std::string::npos)));
}

void TEdMesAno::SetAnoMes(const std::string& Value)
{
    const std::string value = WithoutBlanks(Value);
    if (value.empty()) {
        SetText("");
        return;
    }
    const std::string year = value.substr(0, tipoAno_ == ta2Digitos ? 2 : 4);
    const std::string month = value.substr(value.size() < 2 ? 0 : value.size() - 2);
    ShowMonthYear(month, year);
}

void TEdMesAno::ShowMonthYear(const std::string& Month, const std::string& Year)
{
    SetText(Month + "/" + FullYear(Year));
}

void TEdMesAno::ShowValue(const std::string& Value)
{
    if (tipo_ == ttAnoMes)
        SetAnoMes(Value);
    else
        SetMesAno(Value);
}

void TEdMesAno::KeyPress(char& Key)
{
    // A read-only control takes no value from a key: H would otherwise put this month
    // in it, and the exit would write that to the global.
    if (!ReadOnly()) {
        if (Key == 'H' || Key == 'h') {
            SetText(ThisMonth());
            Key = 0;
        }
        if (Key == '/') {
            // Showing the tidied text moves the cursor to the end; it stays where the user
            // typed, so that the mask's processing of "/" then moves past the literal.
            const int cursor = cursorPosition();
            ShowNormalised();
            setCursorPosition(std::min(cursor, static_cast<int>(text().size())));
        }
    }
    TCustomMaskEdit::KeyPress(Key);
    if (Key != 0 && MGlobal() != nullptr)
        MGlobal()->Edit();
}

void TEdMesAno::ValidateOnExit()
{
    std::string monthYear = ShowNormalised();
    std::erase(monthYear, '/');
    SetMesAno(monthYear);

    if (!(monthYear.empty() && nulo_)) {
        const int month = MonthOf(monthYear);
        if (month < 1 || month > 12) {
            Refuse(nullptr, "Mes/Ano Inválido");
            return;
        }
        if (!WithinLimits(AnoMes(), anoMesMin_, anoMesMax_, "Mes/Ano Menor Que Mes/Ano Mínimo",
                          "Mes/Ano Maior Que Mes/Ano Maxíma"))
            return;
    }
    CheckWriteAndExit();
}
