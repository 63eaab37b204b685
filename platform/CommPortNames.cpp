#include "platform/CommPortNames.h"

#include <cctype>
#include <cerrno>
#include <fstream>

#include "platform/ConfigHome.h"

namespace fs = std::filesystem;

namespace WinComm {

namespace {

std::string TrimBlanks(const std::string& Text)
{
    const size_t first = Text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return Text.substr(first, Text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

fs::path PortNamesFile()
{
    return SettingsFilePath("serial.conf");
}

unsigned long ComNumber(const std::string& Name)
{
    if (Name.size() < 4 || Name.size() > 12)
        return 0;
    for (size_t i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(Name[i])) != "COM"[i])
            return 0;
    unsigned long number = 0;
    for (size_t i = 3; i < Name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(Name[i])))
            return 0;
        number = number * 10 + static_cast<unsigned long>(Name[i] - '0');
    }
    return number;
}

DWORD ReadPortNames(const fs::path& File, std::map<unsigned long, std::string>& Devices, std::string& Problem)
{
    Devices.clear();
    std::error_code error;
    const fs::file_status status = fs::status(File, error);
    if (status.type() == fs::file_type::not_found)
        return ERROR_SUCCESS;
    if (!error && fs::is_directory(status))
        error = std::make_error_code(std::errc::is_a_directory);
    std::ifstream file;
    if (!error) {
        file.open(File);
        if (!file)
            error = std::error_code(errno, std::generic_category());
    }
    if (error) {
        Problem = File.string() + " cannot be read: " + error.message();
        return ERROR_BAD_CONFIGURATION;
    }
    std::map<unsigned long, int> lineOf;
    std::string text;
    for (int number = 1; std::getline(file, text); ++number) {
        text = WithoutByteOrderMark(text, number);
        const std::string line = TrimBlanks(text.substr(0, text.find('#')));
        if (line.empty())
            continue;
        const std::string where = File.string() + " line " + std::to_string(number) + ": ";
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            Problem = where + "\"" + line + "\" is not COMn=device";
            return ERROR_BAD_CONFIGURATION;
        }
        const std::string name = TrimBlanks(line.substr(0, equals));
        const std::string device = TrimBlanks(line.substr(equals + 1));
        const unsigned long com = ComNumber(name);
        if (com == 0) {
            Problem = where + "\"" + name + "\" is not a COM name (COM1, COM2, ...)";
            return ERROR_BAD_CONFIGURATION;
        }
        if (!device.starts_with("/")) {
            Problem = where + "the device of " + name + " must be a full path, such as /dev/ttyUSB0";
            return ERROR_BAD_CONFIGURATION;
        }
        if (const auto named = lineOf.find(com); named != lineOf.end()) {
            Problem = where + "COM" + std::to_string(com) + " was named already on line " +
                      std::to_string(named->second);
            return ERROR_BAD_CONFIGURATION;
        }
        lineOf[com] = number;
        Devices[com] = device;
    }
    if (file.bad()) {
        Problem = File.string() + " cannot be read: " + std::error_code(errno, std::generic_category()).message();
        return ERROR_BAD_CONFIGURATION;
    }
    return ERROR_SUCCESS;
}

} // namespace WinComm
