#include "mbind/EDData.h"

#include <QString>
#include <cctype>
#include <charconv>

#include "mbind/MUMPS.h"
#include "toolkit/Dialogs.h"
#include "toolkit/FormatSettings.h"
#include "toolkit/Win1252.h"

namespace {

const std::string kFinal = "Final";
// The day number that stands for an open range end.
const std::string kFinalDataM = "999999";

const std::string& Inicio()
{
    static const std::string text = Cp1252("Início");
    return text;
}

// The process's short date format replaced by "dd/mm/yyyy" while Century is set, for the
// length of one conversion; put back also when the conversion fails.
class TCenturyFormatScope {
public:
    explicit TCenturyFormatScope(bool Century) : saved_(ShortDateFormat())
    {
        if (Century)
            SetShortDateFormat("dd/mm/yyyy");
    }
    ~TCenturyFormatScope() { SetShortDateFormat(saved_); }
    TCenturyFormatScope(const TCenturyFormatScope&) = delete;
    TCenturyFormatScope& operator=(const TCenturyFormatScope&) = delete;

private:
    std::string saved_;
};

std::string WithoutBlanks(std::string Text)
{
    std::erase(Text, ' ');
    return Text;
}

// A run of decimal digits up to 9999, as a date's parts are read.
bool ReadNumber(const std::string& Text, int& Value)
{
    const char* last = Text.data() + Text.size();
    const auto [end, error] = std::from_chars(Text.data(), last, Value);
    return !Text.empty() && std::isdigit(static_cast<unsigned char>(Text[0])) && error == std::errc() &&
           end == last && Value <= 9999;
}

// True when the short date format writes the year with four digits.
bool FourDigitYear(const std::string& Format)
{
    int run = 0;
    for (char c : Format) {
        run = std::tolower(static_cast<unsigned char>(c)) == 'y' ? run + 1 : 0;
        if (run > 2)
            return true;
    }
    return false;
}

std::string TwoDigits(int Value)
{
    return std::string{static_cast<char>('0' + Value / 10 % 10), static_cast<char>('0' + Value % 10)};
}

// A two-digit year starting with "0" is 20xx, any other 19xx.
std::string WidenYear(const std::string& Year)
{
    if (Year.size() != 2)
        return Year;
    return (Year[0] == '0' ? "20" : "19") + Year;
}

// The M day number of a date (day 0 is 31 December 1840), counting the year from March so
// that February comes last: the inverse of the arithmetic of MHorologData.
int64_t DayNumberOf(int Year, int Month, int Day)
{
    const int64_t y = Year - 1842 + (Month > 2 ? 1 : 0);
    const int64_t m = Month - 3 + (Month < 3 ? 12 : 0);
    return Day + (153 * m + 2) / 5 + 365 * y + (y - 3) / 4 - (y - 3) / 100 + (y + 197) / 400 + 60;
}

} // namespace

TEDData::TEDData(TComponent* AOwner, QWidget* Parent) : TCustomMaskEdit(AOwner, Parent), TBoundControl(this, this)
{
    SetDateMask();
    resize(65, height());
}

TEDData::~TEDData() = default;

void TEDData::SetCentury(bool Value)
{
    century_ = Value;
    SetDateMask();
}

void TEDData::SetDateMask()
{
    const bool fourDigits = century_ || ShortDateFormat().size() > 9;
    SetEditMask(fourDigits ? "!99/99/9999;1;_" : "!99/99/99;1;_");
}

std::string TEDData::Today() const
{
    const TCenturyFormatScope format(century_);
    return DateToStr(Date());
}

void TEDData::SetDataM(const std::string& Value)
{
    dataM_ = Value;
    if (!Value.empty() && Value != kFinalDataM && Value != "0") {
        // MHorologData encodes the day, month and year directly and writes them with
        // DateToStr; reading their day/month/year text back with StrToDate, under a
        // month-first short date format, would swap day and month. A day number that
        // names no date stays as the bare day/month/year text. The date is shown under
        // the mask in force: after "Início" or "Final" there is none until a key sets it.
        std::string text;
        {
            const TCenturyFormatScope format(century_);
            text = MHorologData(Value);
        }
        SetText(text);
        return;
    }
    if (Designing())
        return;
    switch (tipo_) {
    case tdNormal:
        SetDateMask();
        SetText("");
        break;
    case tdInicio:
        SetEditMask("");
        SetText(Inicio());
        break;
    case tdFinal:
        SetEditMask("");
        SetText(kFinal);
        dataM_ = kFinalDataM;
        break;
    }
}

std::string TEDData::DataM()
{
    const std::string s = WithoutBlanks(Text());
    if (s.empty() || s == "//" || s == Inicio() || s == kFinal) {
        std::string result;
        if (tipo_ == tdFinal)
            result = kFinalDataM;
        else if (tipo_ == tdNormal && !nulo_)
            result = "0";
        SetDataM("");
        return result;
    }
    int64_t dayNumber = 0;
    if (!ReadDate(s, dayNumber))
        return "0";
    SetDataM(std::to_string(dayNumber));
    return dataM_;
}

bool TEDData::ReadDate(const std::string& Text, int64_t& DayNumber) const
{
    const size_t first = Text.find('/');
    const size_t second = first == std::string::npos ? std::string::npos : Text.find('/', first + 1);
    const std::string dayText = Text.substr(0, first);
    std::string monthText = first == std::string::npos ? "" : Text.substr(first + 1, second - first - 1);
    std::string yearText = second == std::string::npos ? "" : Text.substr(second + 1);

    // This month and this year come from today's date itself, not from fixed places of
    // its text: under a month-first short date format those places hold the day. The
    // year takes as many digits as Today writes.
    int thisYear, thisMonth, thisDay;
    DecodeDate(Date(), thisYear, thisMonth, thisDay);
    if (monthText.empty())
        monthText = "0";
    if (yearText.empty()) {
        const TCenturyFormatScope format(century_);
        yearText = FourDigitYear(ShortDateFormat()) ? std::to_string(thisYear) : TwoDigits(thisYear % 100);
    }

    int day, month, year;
    if (!ReadNumber(monthText, month))
        return false;
    if (month == 0)
        month = thisMonth;
    if (!ReadNumber(dayText, day) || !ReadNumber(WidenYear(yearText), year))
        return false;
    // The date is checked by encoding day, month and year directly, as they will be
    // stored: reading the day/month/year text with StrToDate under a month-first short
    // date format would swap day and month.
    TDateTime date;
    if (!TryEncodeDate(year, month, day, date))
        return false;
    DayNumber = DayNumberOf(year, month, day);
    return true;
}

void TEDData::DoEnter()
{
    if (!Designing())
        DataM();
    TCustomMaskEdit::DoEnter();
}

void TEDData::KeyPress(char& Key)
{
    if (ReadOnly())
        return;
    const std::string text = Text();
    if (text == Inicio() || text == kFinal)
        SetText("");
    if (!IsMasked()) {
        // Setting the mask shows the text again, which moves the cursor to the end; it
        // stays where it was, so that the key lands there (at the start after "Início").
        const int cursor = cursorPosition();
        SetDateMask();
        setCursorPosition(cursor);
    }
    if (Key == 'H' || Key == 'h') {
        SetText(Today());
        Key = 0;
    }
    if (Key != 0 && MGlobal() != nullptr)
        MGlobal()->Edit();
    TCustomMaskEdit::KeyPress(Key);
}

void TEDData::ValidateOnExit()
{
    if (Designing()) {
        ExitProcessing();
        return;
    }
    const std::string d = DataM();
    if (d == "0") {
        Refuse(nullptr, "Data Inválida");
        return;
    }
    if (!dataMin_.empty() && d < dataMin_) {
        Refuse(OnMinimo, "Data Menor Que a Data Mínima");
        return;
    }
    if (!dataMax_.empty() && d > dataMax_) {
        Refuse(OnMaximo, "Data Maior Que a Data Maxíma");
        return;
    }
    if (!CheckAndWrite(Modified(), true)) {
        SetFocus();
        SelectAll();
        return;
    }
    ExitProcessing();
}

void TEDData::Refuse(const TNotifyEvent& Event, const char* Message)
{
    if (Event)
        Event(this);
    else
        MessageDlg(QString::fromUtf8(Message), TMsgDlgType::mtError, mbOK);
    SetFocus();
}
