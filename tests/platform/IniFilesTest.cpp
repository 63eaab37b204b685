// The INI file object as the application uses it on ".\mirtal.ini" in the working directory.
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/IniFiles.h"
#include "support/ParamNames.h"
#include "support/TempWorkingDir.h"

namespace {

class IniFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.IsValid()); }

    TempWorkingDir dir;
};

TEST_F(IniFile, ReadsStringsWithDefaults)
{
    WriteFileBytes(dir.Path("mirtal.ini"), "[Balanca]\nPorta=COM3\n[Namespace]\nNamespace=PROD\n");
    const TIniFile ini(".\\mirtal.ini");
    EXPECT_EQ(ini.ReadString("Balanca", "Porta", "COM1"), "COM3");
    EXPECT_EQ(ini.ReadString("Namespace", "NameSpace", "SISTEMAS"), "PROD");
    EXPECT_EQ(ini.ReadString("Balanca", "BaudRate", "9600"), "9600");
    EXPECT_EQ(ini.ReadString("Terminal", "Terminal", ""), "");
}

TEST_F(IniFile, ReadsDefaultsWithoutAFile)
{
    const TIniFile ini(".\\mirtal.ini");
    EXPECT_EQ(ini.ReadString("Balanca", "Porta", "COM2"), "COM2");
    EXPECT_EQ(ini.ReadInteger("Balanca", "QtdeDecBalanca", -1), -1);
}

struct IntegerCase {
    std::string value;
    int expected; // with the default -1
};

void PrintTo(const IntegerCase& c, std::ostream* out) { *out << Printable(c.value) << " is " << c.expected; }

class IniFileInteger : public IniFile, public ::testing::WithParamInterface<IntegerCase> {};

TEST_P(IniFileInteger, ReadsDecimalOrHexadecimalElseTheDefault)
{
    WriteFileBytes(dir.Path("mirtal.ini"), "[Balanca]\nQtdeDecBalanca=" + GetParam().value + "\n");
    EXPECT_EQ(TIniFile(".\\mirtal.ini").ReadInteger("Balanca", "QtdeDecBalanca", -1), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Ini, IniFileInteger,
                         ::testing::Values(IntegerCase{"2", 2}, IntegerCase{" 3 ", 3}, IntegerCase{"0x2", 2},
                                           IntegerCase{"0XA", 10}, IntegerCase{"-4", -4}, IntegerCase{"+4", 4},
                                           IntegerCase{"", -1}, IntegerCase{"two", -1}, IntegerCase{"2,0", -1},
                                           IntegerCase{"\"7\"", 7}, IntegerCase{"99999999999", -1}),
                         [](const auto& Info) { return TestNameOf(Info.param.value); });

TEST_F(IniFile, WritesEveryKeyAndReadsThemBack)
{
    WriteFileBytes(dir.Path("mirtal.ini"), "; configured by hand\n[Balanca]\nPorta=COM1\n");
    TIniFile ini(".\\mirtal.ini");
    ini.WriteString("Balanca", "Porta", "COM4");
    ini.WriteString("Balanca", "NrRegistro", "18");
    ini.WriteString("Terminal", "Terminal", "T01");
    ini.WriteString("Namespace", "Namespace", "PROD");
    EXPECT_EQ(ReadFileBytes(dir.Path("mirtal.ini")),
              "; configured by hand\n[Balanca]\nPorta=COM4\nNrRegistro=18\n[Terminal]\nTerminal=T01\n"
              "[Namespace]\nNamespace=PROD\n");
    EXPECT_EQ(ini.ReadInteger("Balanca", "NrRegistro", 0), 18);
    EXPECT_EQ(ini.ReadString("NAMESPACE", "NameSpace", "SISTEMAS"), "PROD");
}

TEST_F(IniFile, WritesIntegersAsDecimalText)
{
    TIniFile ini(".\\mirtal.ini");
    ini.WriteInteger("ComPort1", "Timeouts.ReadInterval", -1);
    ini.WriteInteger("ComPort1", "Buffer.InputSize", 1024);
    EXPECT_EQ(ReadFileBytes(dir.Path("mirtal.ini")), "[ComPort1]\nTimeouts.ReadInterval=-1\nBuffer.InputSize=1024\n");
    EXPECT_EQ(ini.ReadInteger("ComPort1", "Timeouts.ReadInterval", 0), -1);
}

TEST_F(IniFile, ReadsValuesUpTo2047Characters)
{
    TIniFile ini(".\\mirtal.ini");
    const std::string path = std::string(3000, 'p');
    ini.WriteString("BatIBC", "BatIBC", path);
    EXPECT_EQ(ini.ReadString("BatIBC", "BatIBC", ""), path.substr(0, 2047));
}

TEST_F(IniFile, RaisesUnableToWriteOnAReadOnlyFile)
{
    WriteFileBytes(dir.Path("mirtal.ini"), "[Balanca]\nPorta=COM1\n");
    ASSERT_EQ(::chmod(dir.Path("mirtal.ini").c_str(), 0444), 0);
    TIniFile ini(".\\mirtal.ini");
    try {
        ini.WriteString("Balanca", "Porta", "COM2");
        FAIL() << "no error";
    } catch (const EIniFileException& error) {
        EXPECT_EQ(error.Message(), "Unable to write to .\\mirtal.ini");
    }
    EXPECT_EQ(ini.ReadString("Balanca", "Porta", ""), "COM1");
}

TEST_F(IniFile, RaisesUnableToWriteInAReadOnlyDirectory)
{
    std::filesystem::create_directory(dir.Path("locked"));
    ASSERT_EQ(::chmod(dir.Path("locked").c_str(), 0555), 0);
    TIniFile ini(".\\locked\\mirtal.ini");
    EXPECT_THROW(ini.WriteString("Balanca", "Porta", "COM2"), EIniFileException);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("locked/mirtal.ini")));
    ASSERT_EQ(::chmod(dir.Path("locked").c_str(), 0755), 0);
}

} // namespace
