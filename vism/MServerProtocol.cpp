#include "vism/MServerProtocol.h"

namespace {

constexpr size_t LengthDigits = 8;

std::optional<size_t> ParseLength(std::string_view Digits)
{
    size_t value = 0;
    for (char c : Digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<size_t>(c - '0');
    }
    return value;
}

void AppendLength(std::string& Frame, size_t Length)
{
    char digits[LengthDigits];
    for (size_t i = LengthDigits; i-- > 0; Length /= 10)
        digits[i] = static_cast<char>('0' + Length % 10);
    Frame.append(digits, LengthDigits);
}

} // namespace

std::string EncodeRequest(const TMRequest& Request)
{
    std::string frame(1, Request.Function ? 'F' : 'C');
    size_t total = Request.Code.size();
    for (const auto& value : Request.Registers)
        total += value.size();
    frame.reserve(1 + 11 * LengthDigits + total);
    AppendLength(frame, Request.Code.size());
    for (const auto& value : Request.Registers)
        AppendLength(frame, value.size());
    frame += Request.Code;
    for (const auto& value : Request.Registers)
        frame += value;
    return frame;
}

size_t TMAnswerHeader::BodySize() const
{
    size_t total = 0;
    for (const auto& length : Lengths)
        total += length.value_or(0);
    return total;
}

std::optional<TMAnswerHeader> DecodeAnswerHeader(std::string_view Header)
{
    if (Header.size() != AnswerHeaderSize || (Header[0] != '0' && Header[0] != '1'))
        return std::nullopt;
    TMAnswerHeader decoded;
    decoded.Failed = Header[0] == '1';
    for (size_t i = 0; i < decoded.Lengths.size(); ++i) {
        const std::string_view entry = Header.substr(1 + i * 9, 9);
        const auto length = ParseLength(entry.substr(1));
        if (!length || (entry[0] != '0' && entry[0] != '1') || *length > MaxMStringLength)
            return std::nullopt;
        if (entry[0] == '1')
            decoded.Lengths[i] = *length;
    }
    return decoded;
}

TMAnswer DecodeAnswer(const TMAnswerHeader& Header, std::string_view Body)
{
    TMAnswer answer;
    answer.Failed = Header.Failed;
    std::array<std::optional<std::string>, 12> values;
    size_t at = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        if (!Header.Lengths[i])
            continue;
        values[i] = std::string(Body.substr(at, *Header.Lengths[i]));
        at += *Header.Lengths[i];
    }
    answer.ErrorText = values[0].value_or(std::string());
    answer.Result = std::move(values[1]);
    for (size_t i = 0; i < answer.Registers.size(); ++i)
        answer.Registers[i] = std::move(values[i + 2]);
    return answer;
}
