#include "platform/RegistryHive.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "toolkit/SysUtils.h"

namespace WinReg {

namespace {

char Upper(char Character)
{
    return Character >= 'a' && Character <= 'z' ? static_cast<char>(Character - 'a' + 'A') : Character;
}

bool IsHexDigit(char Character)
{
    return std::isxdigit(static_cast<unsigned char>(Character)) != 0;
}

std::string Escape(std::string_view Text)
{
    std::string out;
    for (const char c : Text) {
        const auto code = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"')
            out += {'\\', c};
        else if (code < 0x20 || code == 0x7F)
            out += Format("\\x%02x", code);
        else
            out += c;
    }
    return out;
}

// The quoted text at the start of Line, unescaped; Line is left after the closing quote.
std::optional<std::string> TakeQuoted(std::string_view& Line)
{
    if (Line.empty() || Line.front() != '"')
        return std::nullopt;
    std::string text;
    for (size_t i = 1; i < Line.size(); ++i) {
        const char c = Line[i];
        if (c == '"') {
            Line.remove_prefix(i + 1);
            return text;
        }
        if (c != '\\') {
            text += c;
        } else if (i + 1 < Line.size() && (Line[i + 1] == '\\' || Line[i + 1] == '"')) {
            text += Line[++i];
        } else if (i + 3 < Line.size() && Line[i + 1] == 'x' && IsHexDigit(Line[i + 2]) && IsHexDigit(Line[i + 3])) {
            text += static_cast<char>(std::stoi(std::string(Line.substr(i + 2, 2)), nullptr, 16));
            i += 3;
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::string FormatData(const THiveValue& Value)
{
    const std::string& data = Value.Data;
    if (Value.Type == REG_SZ && !data.empty() && data.find('\0') == data.size() - 1)
        return "\"" + Escape(std::string_view(data).substr(0, data.size() - 1)) + "\"";
    if (Value.Type == REG_DWORD && data.size() == 4) {
        DWORD number;
        std::memcpy(&number, data.data(), 4);
        return Format("dword:%08x", number);
    }
    std::string text = Format("hex(%x):", Value.Type);
    for (size_t i = 0; i < data.size(); ++i)
        text += Format(i == 0 ? "%02x" : ",%02x", static_cast<unsigned char>(data[i]));
    return text;
}

std::optional<uint32_t> Hex(std::string_view Digits, size_t MaxDigits)
{
    if (Digits.empty() || Digits.size() > MaxDigits || !std::all_of(Digits.begin(), Digits.end(), IsHexDigit))
        return std::nullopt;
    return static_cast<uint32_t>(std::stoul(std::string(Digits), nullptr, 16));
}

std::optional<THiveValue> ParseData(std::string Name, std::string_view Text)
{
    if (Text.starts_with('"')) {
        std::optional<std::string> text = TakeQuoted(Text);
        if (!text || !Text.empty())
            return std::nullopt;
        return THiveValue{std::move(Name), REG_SZ, *text + '\0'};
    }
    if (Text.starts_with("dword:")) {
        const std::optional<uint32_t> number = Hex(Text.substr(6), 8);
        if (!number)
            return std::nullopt;
        std::string data(4, '\0');
        std::memcpy(data.data(), &*number, 4);
        return THiveValue{std::move(Name), REG_DWORD, data};
    }
    const size_t close = Text.find("):");
    if (!Text.starts_with("hex(") || close == std::string_view::npos)
        return std::nullopt;
    const std::optional<uint32_t> type = Hex(Text.substr(4, close - 4), 8);
    if (!type)
        return std::nullopt;
    std::string data;
    for (std::string_view bytes = Text.substr(close + 2); !bytes.empty();) {
        const size_t comma = std::min(bytes.find(','), bytes.size());
        const std::optional<uint32_t> byte = Hex(bytes.substr(0, comma), 2);
        if (!byte || comma + 1 == bytes.size())
            return std::nullopt;
        data += static_cast<char>(*byte);
        bytes.remove_prefix(std::min(comma + 1, bytes.size()));
    }
    return THiveValue{std::move(Name), *type, data};
}

// A value line; none when the line is not one.
std::optional<THiveValue> ParseValue(std::string_view Line)
{
    std::string name;
    if (Line.starts_with('@')) {
        Line.remove_prefix(1);
    } else if (std::optional<std::string> quoted = TakeQuoted(Line)) {
        name = *quoted;
    } else {
        return std::nullopt;
    }
    if (!Line.starts_with('='))
        return std::nullopt;
    return ParseData(std::move(name), Line.substr(1));
}

} // namespace

bool SameRegistryName(std::string_view A, std::string_view B)
{
    return A.size() == B.size() &&
           std::equal(A.begin(), A.end(), B.begin(), [](char a, char b) { return Upper(a) == Upper(b); });
}

// A key line of the file holds the path as it stands, so no line break may be in it.
bool ValidKeyPath(const std::string& Path)
{
    if (Path.empty())
        return true;
    if (Path.front() == '\\' || Path.back() == '\\' || Path.find("\\\\") != std::string::npos)
        return false;
    return std::none_of(Path.begin(), Path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// Lines that are neither a key nor a value (comments, damage) are passed over.
THive ParseHive(const std::string& Text)
{
    THive hive;
    THiveKey* key = nullptr;
    for (size_t start = 0; start < Text.size();) {
        const size_t end = std::min(Text.find('\n', start), Text.size());
        std::string_view line(Text.data() + start, end - start);
        start = end + 1;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const std::string path(line.substr(1, line.size() - 2));
            key = nullptr;
            if (ValidKeyPath(path) && !path.empty()) {
                key = hive.Find(path);
                if (key == nullptr)
                    key = &hive.Keys.emplace_back(THiveKey{path, {}});
            }
        } else if (key != nullptr) {
            if (std::optional<THiveValue> value = ParseValue(line)) {
                const bool known = std::any_of(key->Values.begin(), key->Values.end(), [&](const THiveValue& v) {
                    return SameRegistryName(v.Name, value->Name);
                });
                if (!known)
                    key->Values.push_back(std::move(*value));
            }
        }
    }
    return hive;
}

std::string FormatHive(const THive& Hive, const char* RootName)
{
    std::string text = std::string("; ") + RootName + "\n";
    for (const THiveKey& key : Hive.Keys) {
        text += "\n[" + key.Path + "]\n";
        for (const THiveValue& value : key.Values)
            text += (value.Name.empty() ? std::string("@") : "\"" + Escape(value.Name) + "\"") + "=" +
                    FormatData(value) + "\n";
    }
    return text;
}

THiveKey* THive::Find(const std::string& Path)
{
    auto it = std::find_if(Keys.begin(), Keys.end(),
                           [&](const THiveKey& key) { return SameRegistryName(key.Path, Path); });
    return it == Keys.end() ? nullptr : &*it;
}

bool THive::Exists(const std::string& Path)
{
    return Path.empty() || Find(Path) != nullptr;
}

} // namespace WinReg
