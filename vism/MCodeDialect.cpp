#include "vism/MCodeDialect.h"

std::string WithoutSpacesAroundEquals(const std::string& Code)
{
    std::string result;
    result.reserve(Code.size());
    bool inString = false;
    for (size_t i = 0; i < Code.size(); ++i) {
        const char c = Code[i];
        if (inString) {
            result += c;
            inString = c != '"';
            continue;
        }
        if (c == ';') {
            result.append(Code, i);
            break;
        }
        if (c == ' ') {
            const size_t next = Code.find_first_not_of(' ', i);
            const bool beforeEquals = next != std::string::npos &&
                                      (Code[next] == '=' || Code.compare(next, 2, "'=") == 0);
            const bool afterEquals = !result.empty() && result.back() == '=';
            if (beforeEquals || afterEquals) {
                i = (next == std::string::npos ? Code.size() : next) - 1;
                continue;
            }
        }
        result += c;
        inString = c == '"';
    }
    return result;
}
