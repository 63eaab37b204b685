// The registry value functions on their files, and the class library's TRegistry over them.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Registry.h"
#include "support/ParamNames.h"
#include "support/TempRegistry.h"
#include "support/TempWorkingDir.h"

using namespace WinReg;

namespace {

class Registry : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(registry.IsValid()); }
    void TearDown() override
    {
        for (HKEY key : opened)
            RegCloseKey(key);
    }

    HKEY Create(const std::string& Path, REGSAM Access = KEY_ALL_ACCESS, HKEY Root = HKEY_CURRENT_USER)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(Root, Path, Access, &key, nullptr), ERROR_SUCCESS);
        opened.push_back(key);
        return key;
    }
    HKEY Open(const std::string& Path, REGSAM Access = KEY_ALL_ACCESS)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, Path, Access, &key), ERROR_SUCCESS);
        opened.push_back(key);
        return key;
    }
    static LONG Set(HKEY Key, const std::string& Name, DWORD Type, const std::string& Data)
    {
        return RegSetValueExA(Key, Name, Type, reinterpret_cast<const BYTE*>(Data.data()),
                              static_cast<DWORD>(Data.size()));
    }
    // The value's type and bytes, read through a buffer of exactly its size.
    static std::pair<DWORD, std::string> Get(HKEY Key, const std::string& Name)
    {
        DWORD type = REG_NONE, size = 0;
        EXPECT_EQ(RegQueryValueExA(Key, Name, &type, nullptr, &size), ERROR_SUCCESS);
        std::string data(size, '\0');
        EXPECT_EQ(RegQueryValueExA(Key, Name, &type, reinterpret_cast<BYTE*>(data.data()), &size), ERROR_SUCCESS);
        return {type, data};
    }

    TempRegistry registry;
    std::vector<HKEY> opened;
};

} // namespace

TEST_F(Registry, CreatedKeysAndValuesAreStoredInTheExportFormOfTheirRootsFile)
{
    DWORD disposition = 0;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Trevask\\ComPort1", KEY_ALL_ACCESS, &key, &disposition),
              ERROR_SUCCESS);
    opened.push_back(key);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(Set(key, "Port", REG_SZ, std::string("COM1\0", 5)), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, "Buffer.InputSize", REG_DWORD, std::string("\x00\x04\x00\x00", 4)), ERROR_SUCCESS);
    EXPECT_EQ(ReadFileBytes(registry.HiveFile("HKEY_CURRENT_USER")),
              "; HKEY_CURRENT_USER\n\n[Software]\n\n[Software\\Trevask]\n\n[Software\\Trevask\\ComPort1]\n"
              "\"Port\"=\"COM1\"\n\"Buffer.InputSize\"=dword:00000400\n");
    EXPECT_FALSE(std::filesystem::exists(registry.HiveFile("HKEY_LOCAL_MACHINE")));

    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\trevask\\comport1", KEY_ALL_ACCESS, &key, &disposition),
              ERROR_SUCCESS);
    opened.push_back(key);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
}

TEST_F(Registry, EachRootHasItsOwnFile)
{
    HKEY machine = Create("Software\\Trevask", KEY_ALL_ACCESS, HKEY_LOCAL_MACHINE);
    ASSERT_EQ(Set(machine, "Port", REG_SZ, std::string("COM2\0", 5)), ERROR_SUCCESS);
    EXPECT_TRUE(std::filesystem::exists(registry.HiveFile("HKEY_LOCAL_MACHINE")));
    HKEY user = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Trevask", KEY_READ, &user), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, OpeningAMissingKeyIsFileNotFoundAndCreatesNothing)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Missing", KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(registry.HiveFile("HKEY_CURRENT_USER")));
}

TEST_F(Registry, KeyPathsAndValueNamesMatchInAnyCaseAndKeepTheirFirstCase)
{
    HKEY key = Create("Software\\Trevask");
    ASSERT_EQ(Set(key, "Port", REG_SZ, std::string("COM1\0", 5)), ERROR_SUCCESS);
    HKEY again = Open("software\\TREVASK");
    ASSERT_EQ(Set(again, "PORT", REG_SZ, std::string("COM3\0", 5)), ERROR_SUCCESS);
    EXPECT_EQ(Get(key, "port").second, std::string("COM3\0", 5));
    EXPECT_NE(ReadFileBytes(registry.HiveFile("HKEY_CURRENT_USER")).find("[Software\\Trevask]\n\"Port\"=\"COM3\""),
              std::string::npos);
}

TEST_F(Registry, SubKeysOpenBelowAnOpenKey)
{
    HKEY parent = Create("Software");
    HKEY child = nullptr;
    ASSERT_EQ(RegCreateKeyExA(parent, "Trevask\\ComPort1", KEY_ALL_ACCESS, &child, nullptr), ERROR_SUCCESS);
    opened.push_back(child);
    ASSERT_EQ(Set(child, "Port", REG_SZ, std::string("X\0", 2)), ERROR_SUCCESS);
    EXPECT_EQ(Get(Open("Software\\Trevask\\ComPort1"), "Port").second, std::string("X\0", 2));
    HKEY same = nullptr;
    ASSERT_EQ(RegOpenKeyExA(child, "", KEY_READ, &same), ERROR_SUCCESS);
    opened.push_back(same);
    EXPECT_EQ(Get(same, "Port").second, std::string("X\0", 2));
}

TEST_F(Registry, MalformedKeyPathsAreInvalidParameters)
{
    for (const char* path : {"\\Software", "Software\\", "Software\\\\Trevask", "Soft\nware"}) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS, &key, nullptr), ERROR_INVALID_PARAMETER)
            << path;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS, &key), ERROR_INVALID_PARAMETER) << path;
    }
}

TEST_F(Registry, QueryReportsSizeTypeAndTooSmallBuffers)
{
    HKEY key = Create("Software\\Trevask");
    ASSERT_EQ(Set(key, "Port", REG_SZ, std::string("COM10\0", 6)), ERROR_SUCCESS);

    DWORD type = REG_NONE, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Port", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);

    char small[4] = {'-', '-', '-', '-'};
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "Port", nullptr, reinterpret_cast<BYTE*>(small), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(std::string(small, 4), "----");

    EXPECT_EQ(RegQueryValueExA(key, "Missing", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(key, "Port", &type, reinterpret_cast<BYTE*>(small), nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, HandlesAllowOnlyWhatTheyWereOpenedFor)
{
    Create("Software\\Trevask");
    HKEY reader = Open("Software\\Trevask", KEY_READ);
    EXPECT_EQ(Set(reader, "Port", REG_SZ, std::string("A\0", 2)), ERROR_ACCESS_DENIED);
    HKEY child = nullptr;
    EXPECT_EQ(RegCreateKeyExA(reader, "New", KEY_ALL_ACCESS, &child, nullptr), ERROR_ACCESS_DENIED);
    HKEY writer = Open("Software\\Trevask", KEY_WRITE);
    ASSERT_EQ(Set(writer, "Port", REG_SZ, std::string("A\0", 2)), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(writer, "Port", nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Set(HKEY_CURRENT_USER, "Port", REG_SZ, std::string("A\0", 2)), ERROR_ACCESS_DENIED);
}

TEST_F(Registry, AClosedHandleIsInvalid)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software", KEY_ALL_ACCESS, &key, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Port", nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(Set(key, "Port", REG_SZ, std::string("A\0", 2)), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, AKeyRemovedWhileOpenReportsKeyDeleted)
{
    HKEY key = Create("Software\\Trevask");
    std::filesystem::remove(registry.HiveFile("HKEY_CURRENT_USER"));
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Port", nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(Set(key, "Port", REG_SZ, std::string("A\0", 2)), ERROR_KEY_DELETED);
}

TEST_F(Registry, AChangeIsSeenAtOnceThroughAnotherHandle)
{
    HKEY first = Create("Software\\Trevask");
    HKEY second = Open("Software\\Trevask");
    ASSERT_EQ(Set(first, "Port", REG_SZ, std::string("COM1\0", 5)), ERROR_SUCCESS);
    EXPECT_EQ(Get(second, "Port").second, std::string("COM1\0", 5));
    ASSERT_EQ(Set(second, "Port", REG_DWORD, std::string("\x01\x00\x00\x00", 4)), ERROR_SUCCESS);
    EXPECT_EQ(Get(first, "Port"), std::make_pair(REG_DWORD, std::string("\x01\x00\x00\x00", 4)));
}

struct StoredValue {
    const char* label;
    std::string name;
    DWORD type;
    std::string data;
};

void PrintTo(const StoredValue& v, std::ostream* out)
{
    *out << Printable(v.name) << " type " << v.type << " " << Printable(v.data);
}

class RegistryValue : public Registry, public ::testing::WithParamInterface<StoredValue> {};

TEST_P(RegistryValue, SurvivesTheFileUnchanged)
{
    HKEY key = Create("Software\\Trevask");
    ASSERT_EQ(Set(key, "Before", REG_SZ, std::string("1\0", 2)), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, GetParam().name, GetParam().type, GetParam().data), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, "After", REG_SZ, std::string("2\0", 2)), ERROR_SUCCESS);
    EXPECT_EQ(Get(key, GetParam().name), std::make_pair(GetParam().type, GetParam().data));
    EXPECT_EQ(Get(key, "Before").second, std::string("1\0", 2));
    EXPECT_EQ(Get(key, "After").second, std::string("2\0", 2));
}

INSTANTIATE_TEST_SUITE_P(
    Registry, RegistryValue,
    ::testing::Values(StoredValue{"EmptyText", "Port", REG_SZ, std::string("\0", 1)},
                      StoredValue{"QuotesAndBackslashes", "Port", REG_SZ, std::string("a\"b\\\"c\\\0", 9)},
                      StoredValue{"LineBreaksAndControls", "Port", REG_SZ, std::string("a\nb\r\tc\x7f\x01\0", 10)},
                      StoredValue{"HighBytesAndBlanks", "Port", REG_SZ, std::string("  Informa\xe7\xe3o  \0", 16)},
                      StoredValue{"TextWithoutNull", "Port", REG_SZ, "COM1"},
                      StoredValue{"TextWithInnerNull", "Port", REG_SZ, std::string("A\0B\0", 4)},
                      StoredValue{"ExpandText", "Path", REG_EXPAND_SZ, std::string("%HOME%\0", 7)},
                      StoredValue{"Binary", "Bytes", REG_BINARY, std::string("\x00\xff\x10", 3)},
                      StoredValue{"EmptyBinary", "Bytes", REG_BINARY, ""},
                      StoredValue{"ShortNumber", "Size", REG_DWORD, std::string("\x01\x02", 2)},
                      StoredValue{"NegativeNumber", "Size", REG_DWORD, std::string("\xff\xff\xff\xff", 4)},
                      StoredValue{"DefaultValue", "", REG_SZ, std::string("d\0", 2)},
                      StoredValue{"NameWithMarks", "a=\"b\"[c]@;\\", REG_SZ, std::string("x\0", 2)},
                      StoredValue{"NameWithLineBreak", "a\nb", REG_SZ, std::string("x\0", 2)},
                      StoredValue{"AtName", "@", REG_SZ, std::string("x\0", 2)}),
    [](const auto& info) { return info.param.label; });

TEST_F(Registry, LinesThatAreNoKeyOrValueArePassedOver)
{
    std::filesystem::create_directories(registry.ConfigHome() + "/trevask/registry");
    WriteFileBytes(registry.HiveFile("HKEY_CURRENT_USER"),
                   "junk before keys\n[Software]\r\n\"Port\"=\"COM4\"\r\n\"Bad\"=dword:xyz\n\"Open=\"x\n"
                   "\"Size\"=hex(4):01,02,03,04\n\"Port\"=\"COM9\"\nstray\n");
    HKEY key = Open("Software");
    EXPECT_EQ(Get(key, "Port").second, std::string("COM4\0", 5));
    EXPECT_EQ(Get(key, "Size"), std::make_pair(REG_DWORD, std::string("\x01\x02\x03\x04", 4)));
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Bad", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, FilesLieUnderHomeConfigWithoutAnAbsoluteConfigHome)
{
    const char* home = std::getenv("HOME");
    const std::string previousHome = home ? home : "";
    ::setenv("HOME", registry.ConfigHome().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    HKEY key = nullptr;
    const LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, "Software", KEY_ALL_ACCESS, &key, nullptr);
    ::setenv("HOME", previousHome.c_str(), 1);
    ASSERT_EQ(result, ERROR_SUCCESS);
    opened.push_back(key);
    EXPECT_TRUE(std::filesystem::exists(registry.ConfigHome() + "/.config/trevask/registry/HKEY_CURRENT_USER.reg"));
}

TEST_F(Registry, AStoreThatCannotBeChangedRefusesChangesButStillOpensExistingKeys)
{
    HKEY key = Create("Software");
    ASSERT_EQ(Set(key, "Port", REG_SZ, std::string("A\0", 2)), ERROR_SUCCESS);
    const std::string directory = registry.ConfigHome() + "/trevask/registry";
    std::filesystem::remove(directory + "/.lock");
    std::filesystem::create_directory(directory + "/.lock"); // the lock cannot be taken
    EXPECT_EQ(Set(key, "Port", REG_SZ, std::string("B\0", 2)), ERROR_ACCESS_DENIED);
    HKEY created = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Other", KEY_ALL_ACCESS, &created, nullptr), ERROR_ACCESS_DENIED);
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "software", KEY_ALL_ACCESS, &created, &disposition), ERROR_SUCCESS);
    opened.push_back(created);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(Get(created, "Port").second, std::string("A\0", 2));

    std::filesystem::remove_all(directory);
    WriteFileBytes(directory, "not a directory");
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Other", KEY_ALL_ACCESS, &created, nullptr), ERROR_ACCESS_DENIED);
}

// ---- TRegistry ---------------------------------------------------------------------------

TEST_F(Registry, OpenKeyOpensFromTheRootOrBelowTheOpenKey)
{
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.OpenKey("Software\\Trevask", false));
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Trevask\\", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Trevask");
    ASSERT_TRUE(reg.OpenKey("ComPort1", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Trevask\\ComPort1");
    const HKEY before = reg.CurrentKey();
    EXPECT_FALSE(reg.OpenKey("Missing", false));
    EXPECT_EQ(reg.CurrentKey(), before);
    ASSERT_TRUE(reg.OpenKey("\\Software", false));
    EXPECT_EQ(reg.CurrentPath(), "Software");
    EXPECT_EQ(RegCloseKey(before), ERROR_INVALID_HANDLE) << "the key opened before was not closed";
}

TEST_F(Registry, TRegistryClosesItsKeyWhenDestroyedOrGivenAnotherRoot)
{
    HKEY key;
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("Software", true));
        key = reg.CurrentKey();
    }
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software", true));
    key = reg.CurrentKey();
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, TRegistryWritesTextAndNumbersAsTheirWindowsTypes)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Trevask", true));
    reg.WriteString("Port", "COM1");
    reg.WriteInteger("Timeouts.ReadInterval", -1);
    HKEY key = Open("Software\\Trevask");
    EXPECT_EQ(Get(key, "Port"), std::make_pair(REG_SZ, std::string("COM1\0", 5)));
    EXPECT_EQ(Get(key, "Timeouts.ReadInterval"), std::make_pair(REG_DWORD, std::string("\xff\xff\xff\xff", 4)));
    EXPECT_EQ(reg.ReadString("Port"), "COM1");
    EXPECT_EQ(reg.ReadInteger("Timeouts.ReadInterval"), -1);
}

TEST_F(Registry, TRegistryReadsTextUpToItsFirstNullAndExpandTextToo)
{
    HKEY key = Create("Software");
    ASSERT_EQ(Set(key, "Inner", REG_SZ, std::string("A\0B\0", 4)), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, "Bare", REG_SZ, "COM1"), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, "Expand", REG_EXPAND_SZ, std::string("%X%\0", 4)), ERROR_SUCCESS);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software", false));
    EXPECT_EQ(reg.ReadString("Inner"), "A");
    EXPECT_EQ(reg.ReadString("Bare"), "COM1");
    EXPECT_EQ(reg.ReadString("Expand"), "%X%");
    EXPECT_EQ(reg.ReadString("Missing"), "");
}

struct ReadFailure {
    const char* label;
    bool asInteger;
    std::string name;
    std::string message;
};

void PrintTo(const ReadFailure& f, std::ostream* out)
{
    *out << (f.asInteger ? "ReadInteger(" : "ReadString(") << Printable(f.name) << ")";
}

class TRegistryReadFailure : public Registry, public ::testing::WithParamInterface<ReadFailure> {};

TEST_P(TRegistryReadFailure, RaisesTheRegistryErrorNamingTheValue)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software", true));
    reg.WriteString("Text", "1");
    reg.WriteInteger("Number", 1);
    HKEY key = Open("Software");
    ASSERT_EQ(Set(key, "Short", REG_DWORD, std::string("\x01\x00", 2)), ERROR_SUCCESS);
    try {
        if (GetParam().asInteger)
            reg.ReadInteger(GetParam().name);
        else
            reg.ReadString(GetParam().name);
        FAIL() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Registry, TRegistryReadFailure,
    ::testing::Values(ReadFailure{"NumberAsText", false, "Number", "Invalid data type for 'Number'"},
                      ReadFailure{"TextAsNumber", true, "Text", "Invalid data type for 'Text'"},
                      ReadFailure{"ShortNumber", true, "Short", "Invalid data type for 'Short'"},
                      ReadFailure{"MissingNumber", true, "Missing", "Failed to get data for 'Missing'"}),
    [](const auto& info) { return info.param.label; });

TEST_F(Registry, TRegistryWithoutAnOpenKeyRaisesOnEveryValue)
{
    TRegistry reg;
    EXPECT_THROW(reg.ReadString("Port"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger("Port"), ERegistryException);
    try {
        reg.WriteString("Port", "COM1");
        FAIL() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), "Failed to set data for 'Port'");
    }
}

TEST_F(Registry, TRegistryOnAReadOnlyKeyRefusesWrites)
{
    Create("Software");
    TRegistry reg(KEY_READ);
    ASSERT_TRUE(reg.OpenKey("Software", false));
    EXPECT_THROW(reg.WriteInteger("Size", 1), ERegistryException);
    EXPECT_EQ(reg.ReadString("Size"), "");
}
