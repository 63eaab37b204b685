#include "mbind/EDData.h"

#include <cctype>
#include <charconv>

#include "mbind/MUMPS.h"
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

// The order of the date's fields on the screen: the short date format's, day first while
// Century is set.
TDateOrder OrderOf(bool Century)
{
    return Century ? TDateOrder::DayMonthYear : ShortDateOrder();
}

// The edit writes dates in the order of the short date format, always with two-digit days
// and months, a four-digit year and "/" (the mask's literal), so that what it shows reads
// back as the same date.
const char* EditFormatOf(TDateOrder Order)
{
    switch (Order) {
    case TDateOrder::MonthDayYear: return "mm/dd/yyyy";
    case TDateOrder::YearMonthDay: return "yyyy/mm/dd";
    case TDateOrder::DayMonthYear: break;
    }
    return "dd/mm/yyyy";
}

// The process's short date format and date separator replaced by the edit's own for the
// length of one conversion; put back also when the conversion fails.
class TEditFormatScope {
public:
    explicit TEditFormatScope(TDateOrder Order) : format_(ShortDateFormat()), separator_(DateSeparator())
    {
        SetShortDateFormat(EditFormatOf(Order));
        SetDateSeparator('/');
    }
    ~TEditFormatScope()
    {
        SetShortDateFormat(format_);
        SetDateSeparator(separator_);
    }
    TEditFormatScope(const TEditFormatScope&) = delete;
    TEditFormatScope& operator=(const TEditFormatScope&) = delete;

private:
    std::string format_;
    char separator_;
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

TEDData::TEDData(TComponent* AOwner, QWidget* Parent) : TBoundDateEdit(AOwner, Parent)
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
    SetEditMask(OrderOf(century_) == TDateOrder::YearMonthDay ? "!9999/99/99;1;_" : "!99/99/9999;1;_");
}

std::string TEDData::Today() const
{
    const TEditFormatScope format(OrderOf(century_));
    return DateToStr(Date());
}

void TEDData::SetDataM(const std::string& Value)
{
    dataM_ = Value;
    if (!Value.empty() && Value != kFinalDataM && Value != "0") {
        // A day number that names no date stays as the bare day/month/year text. The date
        // is shown under the mask in force: after "Início" or "Final" there is none until
        // a key sets it.
        std::string text;
        {
            const TEditFormatScope format(OrderOf(century_));
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
    // The fields in the order the edit writes them; what is missing is empty.
    std::string fields[3];
    for (size_t i = 0, from = 0; i < 3 && from <= Text.size(); ++i) {
        const size_t slash = i < 2 ? Text.find('/', from) : std::string::npos;
        fields[i] = Text.substr(from, slash == std::string::npos ? std::string::npos : slash - from);
        from = slash == std::string::npos ? Text.size() + 1 : slash + 1;
    }
    std::string dayText, monthText, yearText;
    switch (OrderOf(century_)) {
    case TDateOrder::DayMonthYear: dayText = fields[0], monthText = fields[1], yearText = fields[2]; break;
    case TDateOrder::MonthDayYear: monthText = fields[0], dayText = fields[1], yearText = fields[2]; break;
    case TDateOrder::YearMonthDay: yearText = fields[0], monthText = fields[1], dayText = fields[2]; break;
    }

    // This month and this year come from today's date itself.
    int thisYear, thisMonth, thisDay;
    DecodeDate(Date(), thisYear, thisMonth, thisDay);
    if (monthText.empty())
        monthText = "0";
    if (yearText.empty())
        yearText = std::to_string(thisYear);

    int day, month, year;
    if (!ReadNumber(monthText, month))
        return false;
    if (month == 0)
        month = thisMonth;
    if (!ReadNumber(dayText, day) || !ReadNumber(WidenYear(yearText), year))
        return false;
    // The date is checked by encoding day, month and year directly, as they will be stored.
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
    const std::string d = DataM();
    if (d == "0") {
        Refuse(nullptr, "Data Inválida");
        return;
    }
    if (WithinLimits(d, dataMin_, dataMax_, "Data Menor Que a Data Mínima", "Data Maior Que a Data Maxíma"))
        CheckWriteAndExit();
}
