// Port names: how the layer turns a Windows port name into a device, with the settings
// file where an administrator names the device of a COM name.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include <gtest/gtest.h>

#include "platform/CommPortNames.h"
#include "platform/WinComm.h"
#include "support/EnvironmentGuard.h"
#include "support/ParamNames.h"
#include "support/PtyPair.h"

using namespace WinComm;
namespace fs = std::filesystem;

namespace {

// A sandbox folder holding the serial layer's settings file.
class PortNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/trevask-ports-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        sandbox.emplace("TREVASK_DATA_DIR", dir.string());
    }
    void TearDown() override
    {
        sandbox.reset();
        fs::remove_all(dir);
    }

    void WriteSettings(const std::string& Text) { std::ofstream(dir / "serial.conf") << Text; }

    std::string PathOf(const std::string& WindowsName, DWORD Expected = ERROR_SUCCESS)
    {
        std::string path = "untouched";
        EXPECT_EQ(DevicePathFor(WindowsName, path), Expected) << WindowsName;
        return path;
    }

    fs::path dir;
    std::optional<TEnvironmentGuard> sandbox;
};

struct TNameCase {
    const char* Windows;
    const char* Linux;
};

void PrintTo(const TNameCase& c, std::ostream* out) { *out << Printable(c.Windows) << " is " << Printable(c.Linux); }

// The name of a case: the Windows name after the device prefix, or marked as bare.
std::string NameAfterTheDevicePrefix(const ::testing::TestParamInfo<TNameCase>& Info)
{
    const std::string_view name = Info.param.Windows, prefix = "\\\\.\\";
    return name.starts_with(prefix) ? TestNameOf(name.substr(prefix.size())) : "Bare_" + NamePart(name);
}

class PortNamesWithoutFile : public PortNames, public ::testing::WithParamInterface<TNameCase> {};

TEST_P(PortNamesWithoutFile, MapAsTheyStand)
{
    EXPECT_EQ(PathOf(GetParam().Windows), GetParam().Linux);
}

INSTANTIATE_TEST_SUITE_P(Table, PortNamesWithoutFile,
                         ::testing::Values(TNameCase{"\\\\.\\COM1", "/dev/ttyS0"}, TNameCase{"\\\\.\\com10", "/dev/ttyS9"},
                                           TNameCase{"COM2", "/dev/ttyS1"},
                                           TNameCase{"\\\\.\\/dev/pts/3", "/dev/pts/3"},
                                           TNameCase{"\\\\.\\ttyUSB0", "/dev/ttyUSB0"},
                                           TNameCase{"\\\\.\\COM0", "/dev/COM0"},
                                           TNameCase{"\\\\.\\COMX", "/dev/COMX"}, TNameCase{"\\\\.\\", ""}),
                         NameAfterTheDevicePrefix);

TEST_F(PortNames, LineNamesTheDeviceOfItsComNameInAnyCase)
{
    WriteSettings("# the scale's adapter\n"
                  "\n"
                  "  com3 = /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0   # by serial number\n"
                  "COM12=/dev/ttyACM0\r\n");
    EXPECT_EQ(PathOf("\\\\.\\COM3"), "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    EXPECT_EQ(PathOf("\\\\.\\Com03"), "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    EXPECT_EQ(PathOf("\\\\.\\COM12"), "/dev/ttyACM0");
    EXPECT_EQ(PathOf("\\\\.\\COM1"), "/dev/ttyS0");
    EXPECT_EQ(PathOf("\\\\.\\ttyS2"), "/dev/ttyS2");
}

TEST_F(PortNames, ByteOrderMarkBeforeTheFirstLine_IsNotPartOfIt)
{
    WriteSettings("\xEF\xBB\xBF" "COM2=/dev/ttyUSB1\n");
    EXPECT_EQ(PathOf("\\\\.\\COM2"), "/dev/ttyUSB1");
    WriteSettings("\xEF\xBB\xBF# the scale\nCOM2=/dev/ttyUSB1\n");
    EXPECT_EQ(PathOf("\\\\.\\COM2"), "/dev/ttyUSB1");
    // Only before the first line is it a mark; elsewhere it is text that cannot be a name.
    WriteSettings("COM1=/dev/ttyUSB0\n\xEF\xBB\xBF" "COM2=/dev/ttyUSB1\n");
    EXPECT_EQ(PathOf("\\\\.\\COM2", ERROR_BAD_CONFIGURATION), "untouched");
}

struct TBadFileCase {
    const char* Name;
    const char* Text;
    const char* Problem; // what the complaint says, after the file's name
};

void PrintTo(const TBadFileCase& c, std::ostream* out) { *out << Printable(c.Text); }

class PortNamesBadFile : public PortNames, public ::testing::WithParamInterface<TBadFileCase> {};

// A bad line could be meant for any COM name: none opens, not even a guess at /dev/ttyS.
TEST_P(PortNamesBadFile, EveryComNameFailsWithBadConfiguration)
{
    WriteSettings(std::string("COM1=/dev/ttyUSB0\n") + GetParam().Text);
    std::map<unsigned long, std::string> devices;
    std::string problem;
    EXPECT_EQ(ReadPortNames(dir / "serial.conf", devices, problem), ERROR_BAD_CONFIGURATION);
    EXPECT_EQ(problem, (dir / "serial.conf").string() + GetParam().Problem);
    for (const char* name : {"\\\\.\\COM1", "\\\\.\\COM2", "\\\\.\\COM3"})
        EXPECT_EQ(PathOf(name, ERROR_BAD_CONFIGURATION), "untouched");
    EXPECT_EQ(PathOf("\\\\.\\/dev/pts/3"), "/dev/pts/3");
    EXPECT_EQ(PathOf("\\\\.\\ttyUSB1"), "/dev/ttyUSB1");
}

INSTANTIATE_TEST_SUITE_P(
    Table, PortNamesBadFile,
    ::testing::Values(
        TBadFileCase{"NoEquals", "COM3 /dev/ttyUSB1\n", " line 2: \"COM3 /dev/ttyUSB1\" is not COMn=device"},
        TBadFileCase{"NotAComName", "LPT1=/dev/ttyUSB1\n", " line 2: \"LPT1\" is not a COM name (COM1, COM2, ...)"},
        TBadFileCase{"ComZero", "COM0=/dev/ttyUSB1\n", " line 2: \"COM0\" is not a COM name (COM1, COM2, ...)"},
        TBadFileCase{"EmptyName", "=/dev/ttyUSB1\n", " line 2: \"\" is not a COM name (COM1, COM2, ...)"},
        TBadFileCase{"RelativeDevice", "\n# USB\nCOM3=ttyUSB1\n",
                     " line 4: the device of COM3 must be a full path, such as /dev/ttyUSB0"},
        TBadFileCase{"NoDevice", "COM3=\n", " line 2: the device of COM3 must be a full path, such as /dev/ttyUSB0"},
        TBadFileCase{"NamedTwice", "com01=/dev/ttyUSB1\n", " line 2: COM1 was named already on line 1"}),
    NamedBy(&TBadFileCase::Name));

TEST_F(PortNames, UnreadableFileFailsWithBadConfiguration)
{
    fs::create_directory(dir / "serial.conf"); // a folder in its place cannot be read as a file
    EXPECT_EQ(PathOf("\\\\.\\COM1", ERROR_BAD_CONFIGURATION), "untouched");
}

TEST_F(PortNames, NamedDeviceIsTheOneOpened)
{
    TPtyPair line;
    WriteSettings("COM7=" + line.SlavePath() + "\n");
    TCommApi& api = PosixCommApi();
    HANDLE port = api.CreateFileA("\\\\.\\COM7", GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, FILE_FLAG_OVERLAPPED);
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << api.GetLastError();
    // The device is held: a second open of it by its own path is refused.
    EXPECT_EQ(api.CreateFileA(line.WindowsName(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, FILE_FLAG_OVERLAPPED),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(api.GetLastError(), ERROR_ACCESS_DENIED);
    api.CloseHandle(port);

    WriteSettings("COM7 " + line.SlavePath() + "\n");
    EXPECT_EQ(api.CreateFileA("\\\\.\\COM7", GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, FILE_FLAG_OVERLAPPED),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(api.GetLastError(), ERROR_BAD_CONFIGURATION);
}

struct TPlaceCase {
    const char* Name;
    std::optional<std::string> DataDir, ConfigHome, Home;
    std::string File;
};

void PrintTo(const TPlaceCase& c, std::ostream* out)
{
    const auto variable = [out](const char* name, const std::optional<std::string>& value) {
        *out << name << "=" << (value ? Printable(*value) : "unset") << " ";
    };
    variable("TREVASK_DATA_DIR", c.DataDir);
    variable("XDG_CONFIG_HOME", c.ConfigHome);
    variable("HOME", c.Home);
    *out << "is " << c.File;
}

class PortNamesPlace : public ::testing::TestWithParam<TPlaceCase> {};

TEST_P(PortNamesPlace, FollowsTheServerControlsSettingsFile)
{
    TEnvironmentGuard data("TREVASK_DATA_DIR", GetParam().DataDir);
    TEnvironmentGuard config("XDG_CONFIG_HOME", GetParam().ConfigHome);
    TEnvironmentGuard home("HOME", GetParam().Home);
    EXPECT_EQ(PortNamesFile(), fs::path(GetParam().File));
}

INSTANTIATE_TEST_SUITE_P(
    Table, PortNamesPlace,
    ::testing::Values(TPlaceCase{"Sandbox", "/srv/sandbox", "/cfg", "/home/u", "/srv/sandbox/serial.conf"},
                      TPlaceCase{"ConfigHome", std::nullopt, "/cfg", "/home/u", "/cfg/trevask/serial.conf"},
                      TPlaceCase{"RelativeConfigHomeIsIgnored", std::nullopt, "cfg", "/home/u",
                                 "/home/u/.config/trevask/serial.conf"},
                      TPlaceCase{"Home", std::nullopt, std::nullopt, "/home/u", "/home/u/.config/trevask/serial.conf"}),
    NamedBy(&TPlaceCase::Name));

} // namespace
