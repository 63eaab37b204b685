#include "platform/Profile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/WholeFile.h"
#include "platform/WindowsPath.h"
#include "toolkit/SysUtils.h"

namespace fs = std::filesystem;

namespace {

bool IsBlank(char Character) { return Character == ' ' || Character == '\t'; }

std::string_view Trim(std::string_view Text)
{
    while (!Text.empty() && IsBlank(Text.front()))
        Text.remove_prefix(1);
    while (!Text.empty() && IsBlank(Text.back()))
        Text.remove_suffix(1);
    return Text;
}

char Lower(char Character)
{
    return Character >= 'A' && Character <= 'Z' ? static_cast<char>(Character - 'A' + 'a') : Character;
}

bool SameName(std::string_view A, std::string_view B)
{
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char a, char b) {
               return Lower(a) == Lower(b);
           });
}

// One line of the file as the reader sees it; Raw may still end with the "\r" of a CRLF.
struct Line {
    enum Kind { Other, Section, Entry } kind = Other;
    std::string_view name;  // the section or the key
    std::string_view value; // of an entry
};

Line Parse(std::string_view Raw)
{
    if (!Raw.empty() && Raw.back() == '\r')
        Raw.remove_suffix(1);
    const std::string_view text = Trim(Raw);
    if (text.empty() || text.front() == ';')
        return {};
    if (text.front() == '[') {
        const size_t close = text.find(']');
        return {Line::Section, Trim(text.substr(1, close == std::string_view::npos ? close : close - 1)), {}};
    }
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return {};
    return {Line::Entry, Trim(text.substr(0, equals)), Trim(text.substr(equals + 1))};
}

// The file's lines without their "\n"; one more, empty, when the text ends with "\n".
std::vector<std::string> SplitLines(const std::string& Text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = Text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(Text.substr(start, end - start));
    lines.push_back(Text.substr(start));
    return lines;
}

// Lines [header, end) of the first section named Section.
struct Span {
    size_t header, end;
};

std::optional<Span> FindSection(const std::vector<std::string>& Lines, const std::string& Section)
{
    for (size_t i = 0; i < Lines.size(); ++i) {
        const Line line = Parse(Lines[i]);
        if (line.kind != Line::Section || !SameName(line.name, Section))
            continue;
        size_t end = i + 1;
        while (end < Lines.size() && Parse(Lines[end]).kind != Line::Section)
            ++end;
        return Span{i, end};
    }
    return std::nullopt;
}

std::optional<size_t> FindKey(const std::vector<std::string>& Lines, Span In, const std::string& Key)
{
    for (size_t i = In.header + 1; i < In.end; ++i) {
        const Line line = Parse(Lines[i]);
        if (line.kind == Line::Entry && SameName(line.name, Key))
            return i;
    }
    return std::nullopt;
}

// Text with Key of Section set to Value. New lines take the file's line end (that of its
// first line; LF for a new file); every other line stays byte for byte.
std::string WithValue(const std::string& Text, const std::string& Section, const std::string& Key,
                      const std::string& Value)
{
    std::vector<std::string> lines = SplitLines(Text);
    const bool crlf = lines.size() > 1 && lines.front().ends_with('\r');
    const std::string lineEnd = crlf ? "\r" : "";
    bool finalLineEnd = lines.back().empty();
    if (finalLineEnd)
        lines.pop_back();

    auto insert = [&](size_t At, std::vector<std::string> NewLines) {
        if (At == lines.size() && !finalLineEnd && !lines.empty()) {
            if (crlf && !lines.back().ends_with('\r'))
                lines.back() += '\r';
            finalLineEnd = true;
        }
        lines.insert(lines.begin() + static_cast<ptrdiff_t>(At), NewLines.begin(), NewLines.end());
    };

    const std::optional<Span> section = FindSection(lines, Section);
    if (!section) {
        insert(lines.size(), {"[" + Section + "]" + lineEnd, Key + "=" + Value + lineEnd});
    } else if (const std::optional<size_t> at = FindKey(lines, *section, Key)) {
        std::string& line = lines[*at];
        line = std::string(Parse(line).name) + "=" + Value + (line.ends_with('\r') ? "\r" : "");
    } else {
        size_t after = section->header;
        for (size_t i = section->header + 1; i < section->end; ++i)
            if (Parse(lines[i]).kind == Line::Entry)
                after = i;
        insert(after + 1, {Key + "=" + Value + lineEnd});
    }

    std::string result;
    for (size_t i = 0; i < lines.size(); ++i)
        result += (i > 0 ? "\n" : "") + lines[i];
    return finalLineEnd ? result + "\n" : result;
}

// Writable for us and not read-only by its mode (the mode counts for root as well).
bool IsWritable(const fs::path& Path)
{
    struct stat status {};
    return ::stat(Path.c_str(), &status) == 0 && (status.st_mode & 0222) != 0 && ::access(Path.c_str(), W_OK) == 0;
}

} // namespace

std::string GetPrivateProfileStringA(const std::string& Section, const std::string& Key,
                                     const std::string& Default, size_t Size, const std::string& FileName)
{
    std::string value(Default.begin(), std::find_if_not(Default.rbegin(), Default.rend(), IsBlank).base());
    if (const std::optional<std::string> text = ReadWholeFile(PosixPath(FileName))) {
        const std::vector<std::string> lines = SplitLines(*text);
        if (const std::optional<Span> section = FindSection(lines, Section)) {
            if (const std::optional<size_t> at = FindKey(lines, *section, Key)) {
                std::string_view found = Parse(lines[*at]).value;
                if (found.size() >= 2 && (found.front() == '"' || found.front() == '\'') && found.back() == found.front())
                    found = found.substr(1, found.size() - 2);
                value = found;
            }
        }
    }
    value.resize(std::min(value.size(), Size == 0 ? 0 : Size - 1));
    return value;
}

bool WritePrivateProfileStringA(const std::string& Section, const std::string& Key, const std::string& Value,
                                const std::string& FileName)
{
    fs::path path = PosixPath(FileName);
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (!exists && errno != ENOENT)
        return false;

    std::string text;
    if (exists) {
        std::error_code error;
        path = fs::canonical(path, error); // write through a symbolic link, not over it
        if (error || !S_ISREG(old.st_mode) || !IsWritable(path))
            return false;
        const std::optional<std::string> content = ReadWholeFile(path);
        if (!content)
            return false;
        text = *content;
    }
    const std::string changed = WithValue(text, Section, Key, Value);
    const bool folderWritable = IsWritable(path.has_parent_path() ? path.parent_path() : fs::path("."));
    if (!exists)
        return folderWritable && ReplaceWholeFile(path, changed, nullptr);
    // Where the folder takes no new file (read-only, or shared with the sticky bit and the
    // file another user's), or the new file could not keep the old one's owner and group, a
    // writable file is rewritten in place, as Windows writes it.
    return (folderWritable && ReplaceWholeFile(path, changed, &old)) || RewriteWholeFile(path, changed, text);
}

std::optional<int32_t> ProfileInteger(const std::string& Value)
{
    const char* last = Value.data() + Value.size();
    if (Value.size() > 2 && Value[0] == '0' && (Value[1] == 'x' || Value[1] == 'X')) {
        uint32_t pattern = 0;
        const auto [end, error] = std::from_chars(Value.data() + 2, last, pattern, 16);
        if (error != std::errc() || end != last)
            return std::nullopt;
        return static_cast<int32_t>(pattern);
    }
    return DecimalToInt(Value);
}
