// The profile (INI file) functions: reading with Windows' matching, defaults and trimming,
// writing that keeps the rest of the file and never leaves it half-written, also where its
// folder takes no new file.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Profile.h"
#include "support/ChildProcess.h"
#include "support/ParamNames.h"
#include "support/TempWorkingDir.h"

namespace {

constexpr size_t Buffer = 2048;

const char* const Sample = "; settings of the scale\n"
                           "[Balanca]\n"
                           "Porta=COM3\n"
                           "  BaudRate =  4800  \n"
                           "ByteSize=\n"
                           "StopBits=\"1,5\"\n"
                           "SepDecimal=' '\n"
                           "Unbalanced=\"abc\n"
                           "Inline=1 ; stays in the value\n"
                           ";Commented=5\n"
                           "NoEquals\n"
                           "Porta=COM4\n"
                           "[ Terminal ]\n"
                           "Terminal=T01\n"
                           "[namespace]\n"
                           "NameSpace=PROD\n"
                           "[Empty]\n"
                           "[Balanca]\n"
                           "Extra=second section of the name\n";

struct ReadCase {
    std::string section, key, defaultValue, expected;
};

void PrintTo(const ReadCase& c, std::ostream* out)
{
    *out << "[" << c.section << "] " << c.key << " default " << Printable(c.defaultValue) << " is "
         << Printable(c.expected);
}

class ProfileRead : public ::testing::TestWithParam<ReadCase> {
protected:
    TempWorkingDir dir;
};

TEST_P(ProfileRead, FindsValuesAsWindowsDoes)
{
    const ReadCase& c = GetParam();
    const std::string file = dir.Path("mirtal.ini");
    WriteFileBytes(file, Sample);
    EXPECT_EQ(GetPrivateProfileStringA(c.section, c.key, c.defaultValue, Buffer, file), c.expected);
}

TEST_P(ProfileRead, ReadsCrlfFilesAlike)
{
    const ReadCase& c = GetParam();
    const std::string file = dir.Path("mirtal.ini");
    std::string crlf;
    for (char character : std::string(Sample))
        crlf += character == '\n' ? std::string("\r\n") : std::string(1, character);
    WriteFileBytes(file, crlf);
    EXPECT_EQ(GetPrivateProfileStringA(c.section, c.key, c.defaultValue, Buffer, file), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Profile, ProfileRead,
    ::testing::Values(ReadCase{"Balanca", "Porta", "COM1", "COM3"}, // the first of two keys
                      ReadCase{"BALANCA", "pOrTa", "COM1", "COM3"},
                      ReadCase{"Balanca", "BaudRate", "9600", "4800"},
                      ReadCase{"Balanca", "ByteSize", "8", ""}, // present and empty: no default
                      ReadCase{"Balanca", "StopBits", "1", "1,5"},
                      ReadCase{"Balanca", "SepDecimal", "", " "},
                      ReadCase{"Balanca", "Unbalanced", "", "\"abc"},
                      ReadCase{"Balanca", "Inline", "", "1 ; stays in the value"},
                      ReadCase{"Balanca", "Commented", "none", "none"},
                      ReadCase{"Balanca", ";Commented", "none", "none"},
                      ReadCase{"Balanca", "NoEquals", "none", "none"},
                      ReadCase{"Balanca", "Terminal", "none", "none"},
                      ReadCase{"Balanca", "Extra", "none", "none"}, // only the first section of a name
                      ReadCase{"Terminal", "Terminal", "", "T01"},
                      ReadCase{"Namespace", "NameSpace", "SISTEMAS", "PROD"},
                      ReadCase{"Namespace", "Namespace", "SISTEMAS", "PROD"},
                      ReadCase{"Empty", "Key", "d", "d"},
                      ReadCase{"Missing", "Key", "d", "d"},
                      ReadCase{"Missing", "Key", "", ""},
                      ReadCase{"Missing", "Key", "  d e  ", "  d e"}), // the default's trailing blanks go
    [](const auto& Info) {
        const ReadCase& c = Info.param;
        return NamePart(c.section) + "__" + NamePart(c.key) + "__" + NamePart(c.defaultValue);
    });

TEST(ProfileRead, GivesTheDefaultWithoutAFile)
{
    TempWorkingDir dir;
    EXPECT_EQ(GetPrivateProfileStringA("Balanca", "Porta", "COM1", Buffer, dir.Path("absent.ini")), "COM1");
    EXPECT_EQ(GetPrivateProfileStringA("Balanca", "Porta", "COM1", Buffer, dir.Path("nodir/absent.ini")), "COM1");
}

TEST(ProfileRead, TakesWindowsStylePathsRelativeToTheWorkingDirectory)
{
    TempWorkingDir dir;
    ASSERT_TRUE(dir.IsValid());
    std::filesystem::create_directory(dir.Path("conf"));
    WriteFileBytes(dir.Path("conf/mirtal.ini"), "[A]\nk=sub\n");
    WriteFileBytes(dir.Path("mirtal.ini"), "[A]\nk=top\n");
    EXPECT_EQ(GetPrivateProfileStringA("A", "k", "", Buffer, ".\\mirtal.ini"), "top");
    EXPECT_EQ(GetPrivateProfileStringA("A", "k", "", Buffer, ".\\conf\\mirtal.ini"), "sub");
}

struct LengthCase {
    size_t valueLength, size, expectedLength;
};

void PrintTo(const LengthCase& c, std::ostream* out)
{
    *out << c.valueLength << " bytes, buffer of " << c.size << ", keeps " << c.expectedLength;
}

class ProfileReadLength : public ::testing::TestWithParam<LengthCase> {};

TEST_P(ProfileReadLength, KeepsAtMostOneLessThanTheBuffer)
{
    const LengthCase& c = GetParam();
    TempWorkingDir dir;
    std::string value;
    for (size_t i = 0; i < c.valueLength; ++i)
        value += static_cast<char>('a' + i % 26);
    WriteFileBytes(dir.Path("long.ini"), "[S]\nk=" + value + "\n");
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", c.size, dir.Path("long.ini")), value.substr(0, c.expectedLength));
    EXPECT_EQ(GetPrivateProfileStringA("S", "absent", value, c.size, dir.Path("long.ini")),
              value.substr(0, c.expectedLength));
}

INSTANTIATE_TEST_SUITE_P(Profile, ProfileReadLength,
                         ::testing::Values(LengthCase{2046, 2048, 2046}, LengthCase{2047, 2048, 2047},
                                           LengthCase{2048, 2048, 2047}, LengthCase{5000, 2048, 2047},
                                           LengthCase{5, 1, 0}, LengthCase{5, 0, 0}, LengthCase{5, 3, 2}),
                         [](const auto& Info) {
                             return "Value" + std::to_string(Info.param.valueLength) + "_Buffer" +
                                    std::to_string(Info.param.size);
                         });

// ---- integers -------------------------------------------------------------------------

struct IntegerCase {
    std::string text;
    std::optional<int32_t> expected;
};

void PrintTo(const IntegerCase& c, std::ostream* out)
{
    *out << Printable(c.text);
    if (c.expected)
        *out << " is " << *c.expected;
    else
        *out << " refused";
}

class ProfileIntegerTable : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(ProfileIntegerTable, AcceptsDecimalOrHexadecimalOnly)
{
    EXPECT_EQ(ProfileInteger(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Profile, ProfileIntegerTable,
    ::testing::Values(IntegerCase{"0", 0}, IntegerCase{"42", 42}, IntegerCase{"+7", 7}, IntegerCase{"-7", -7},
                      IntegerCase{"007", 7}, IntegerCase{"0x2", 2}, IntegerCase{"0X1f", 31},
                      IntegerCase{"0x7FFFFFFF", INT32_MAX}, IntegerCase{"0xFFFFFFFF", -1},
                      IntegerCase{"0x000000010", 16}, IntegerCase{"2147483647", INT32_MAX},
                      IntegerCase{"-2147483648", INT32_MIN}, IntegerCase{"0x100000000", std::nullopt},
                      IntegerCase{"2147483648", std::nullopt}, IntegerCase{"-2147483649", std::nullopt},
                      IntegerCase{"", std::nullopt}, IntegerCase{"0x", std::nullopt}, IntegerCase{"x2", std::nullopt},
                      IntegerCase{"1.5", std::nullopt}, IntegerCase{"1,5", std::nullopt},
                      IntegerCase{"12abc", std::nullopt}, IntegerCase{" 5", std::nullopt},
                      IntegerCase{"5 ", std::nullopt}, IntegerCase{"+", std::nullopt}, IntegerCase{"-", std::nullopt},
                      IntegerCase{"+-5", std::nullopt}, IntegerCase{"-0x5", std::nullopt},
                      IntegerCase{"0x-5", std::nullopt}, IntegerCase{"0x+5", std::nullopt},
                      IntegerCase{"0xg", std::nullopt}, IntegerCase{"$10", std::nullopt},
                      IntegerCase{"1e3", std::nullopt}),
    [](const auto& Info) { return TestNameOf(Info.param.text); });

// ---- writing --------------------------------------------------------------------------

struct WriteCase {
    std::string name, before, section, key, value, after;
};

void PrintTo(const WriteCase& c, std::ostream* out) { *out << "[" << c.section << "] " << c.key << "=" << Printable(c.value); }

class ProfileWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, ChangesOnlyTheKeyAndKeepsEveryOtherLine)
{
    const WriteCase& c = GetParam();
    TempWorkingDir dir;
    const std::string file = dir.Path("mirtal.ini");
    WriteFileBytes(file, c.before);
    ASSERT_TRUE(WritePrivateProfileStringA(c.section, c.key, c.value, file));
    EXPECT_EQ(ReadFileBytes(file), c.after);
    EXPECT_EQ(GetPrivateProfileStringA(c.section, c.key, "-", Buffer, file), c.value);
}

const std::string Commented = "; scale\n[Balanca]\nPorta=COM1\n\n; the terminal\n[Terminal]\nTerminal=T1\n";

INSTANTIATE_TEST_SUITE_P(
    Profile, ProfileWrite,
    ::testing::Values(
        WriteCase{"KeyReplaced", Commented, "Balanca", "Porta", "COM2",
                  "; scale\n[Balanca]\nPorta=COM2\n\n; the terminal\n[Terminal]\nTerminal=T1\n"},
        WriteCase{"KeyMatchedWithoutCaseKeepsItsSpelling", "[NameSpace]\n  NameSpace = OLD \n", "namespace",
                  "Namespace", "NEW", "[NameSpace]\nNameSpace=NEW\n"},
        WriteCase{"KeyAddedAfterTheLastOfItsSection", Commented, "Balanca", "BaudRate", "9600",
                  "; scale\n[Balanca]\nPorta=COM1\nBaudRate=9600\n\n; the terminal\n[Terminal]\nTerminal=T1\n"},
        WriteCase{"KeyAddedToAnEmptySection", "[A]\n[B]\nx=1\n", "A", "k", "v", "[A]\nk=v\n[B]\nx=1\n"},
        WriteCase{"SectionAddedAtTheEnd", Commented, "BatIBC", "BatIBC", "ibc.bat",
                  Commented + "[BatIBC]\nBatIBC=ibc.bat\n"},
        WriteCase{"EmptyValue", "[A]\nk=v\n", "A", "k", "", "[A]\nk=\n"},
        WriteCase{"ValueOfLinesBeforeAnySectionUntouched", "k=top\n[A]\nk=v\n", "A", "k", "w", "k=top\n[A]\nk=w\n"},
        WriteCase{"EmptyFile", "", "A", "k", "v", "[A]\nk=v\n"},
        WriteCase{"CrlfKept", "; c\r\n[A]\r\nk=v\r\n", "A", "k", "w", "; c\r\n[A]\r\nk=w\r\n"},
        WriteCase{"CrlfForNewLines", "[A]\r\nk=v\r\n", "B", "n", "1", "[A]\r\nk=v\r\n[B]\r\nn=1\r\n"},
        WriteCase{"CrlfForAddedKey", "[A]\r\nk=v\r\n\r\n[B]\r\n", "A", "n", "1", "[A]\r\nk=v\r\nn=1\r\n\r\n[B]\r\n"},
        WriteCase{"NoFinalLineEndKept", "[A]\nk=v", "A", "k", "w", "[A]\nk=w"},
        WriteCase{"NoFinalLineEndAppended", "[A]\nk=v", "B", "n", "1", "[A]\nk=v\n[B]\nn=1\n"},
        WriteCase{"NoFinalCrlfAppended", "[A]\r\nk=v", "B", "n", "1", "[A]\r\nk=v\r\n[B]\r\nn=1\r\n"},
        WriteCase{"EightBitTextKept", "[A]\n; balan\xe7" "a\nk=v\n", "A", "k", "Informa\xe7\xe3o",
                  "[A]\n; balan\xe7" "a\nk=Informa\xe7\xe3o\n"}),
    NamedBy(&WriteCase::name));

TEST(ProfileWrite, CreatesAMissingFile)
{
    TempWorkingDir dir;
    ASSERT_TRUE(dir.IsValid());
    ASSERT_TRUE(WritePrivateProfileStringA("Balanca", "Porta", "COM2", ".\\mirtal.ini"));
    EXPECT_EQ(ReadFileBytes(dir.Path("mirtal.ini")), "[Balanca]\nPorta=COM2\n");
}

TEST(ProfileWrite, ReadsBackTrimmedAsWindowsDoes)
{
    TempWorkingDir dir;
    const std::string file = dir.Path("mirtal.ini");
    ASSERT_TRUE(WritePrivateProfileStringA("A", "k", "  padded  ", file));
    EXPECT_EQ(ReadFileBytes(file), "[A]\nk=  padded  \n");
    EXPECT_EQ(GetPrivateProfileStringA("A", "k", "", Buffer, file), "padded");
}

TEST(ProfileWrite, KeepsTheModeOfTheFile)
{
    TempWorkingDir dir;
    const std::string file = dir.Path("mirtal.ini");
    WriteFileBytes(file, "[A]\nk=v\n");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ASSERT_TRUE(WritePrivateProfileStringA("A", "k", "w", file));
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
}

TEST(ProfileWrite, GivesANewFileTheModeOfTheUmask)
{
    TempWorkingDir dir;
    const std::string file = dir.Path("mirtal.ini");
    const mode_t mask = ::umask(022);
    const bool written = WritePrivateProfileStringA("A", "k", "v", file);
    ::umask(mask);
    ASSERT_TRUE(written);
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0644u);
}

// The new text is written beside the file and renamed over it: a reader that opened the old
// file keeps reading the old text whole, and no other file is left behind.
TEST(ProfileWrite, ReplacesTheFileWhole)
{
    TempWorkingDir dir;
    const std::string file = dir.Path("mirtal.ini");
    const std::string before = "[A]\nk=" + std::string(100000, 'x') + "\n";
    WriteFileBytes(file, before);
    std::ifstream openBefore(file, std::ios::binary);

    ASSERT_TRUE(WritePrivateProfileStringA("A", "k", "short", file));

    std::ostringstream seen;
    seen << openBefore.rdbuf();
    EXPECT_EQ(seen.str(), before);
    EXPECT_EQ(ReadFileBytes(file), "[A]\nk=short\n");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path("")))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"mirtal.ini"});
}

TEST(ProfileWrite, WritesThroughASymbolicLink)
{
    TempWorkingDir dir;
    WriteFileBytes(dir.Path("real.ini"), "[A]\nk=v\n");
    std::filesystem::create_symlink("real.ini", dir.Path("mirtal.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("A", "k", "w", dir.Path("mirtal.ini")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("mirtal.ini")));
    EXPECT_EQ(ReadFileBytes(dir.Path("real.ini")), "[A]\nk=w\n");
}

TEST(ProfileWrite, FailsOnAReadOnlyFileAndLeavesItAlone)
{
    TempWorkingDir dir;
    const std::string file = dir.Path("mirtal.ini");
    WriteFileBytes(file, "[A]\nk=v\n");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    EXPECT_FALSE(WritePrivateProfileStringA("A", "k", "w", file));
    EXPECT_EQ(ReadFileBytes(file), "[A]\nk=v\n");
    std::filesystem::permissions(file, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
}

TEST(ProfileWrite, FailsWithoutTheDirectory)
{
    TempWorkingDir dir;
    EXPECT_FALSE(WritePrivateProfileStringA("A", "k", "v", dir.Path("absent/mirtal.ini")));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("absent")));
}

TEST(ProfileWrite, FailsOnADirectoryInPlaceOfTheFile)
{
    TempWorkingDir dir;
    std::filesystem::create_directory(dir.Path("mirtal.ini"));
    EXPECT_FALSE(WritePrivateProfileStringA("A", "k", "v", dir.Path("mirtal.ini")));
}

// ---- folders that take no new file ---------------------------------------------------------

std::vector<std::string> Entries(const std::string& Folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct stat Status(const std::string& Path)
{
    struct stat status {};
    EXPECT_EQ(::stat(Path.c_str(), &status), 0) << Path;
    return status;
}

// A folder read-only by its mode (whoever the caller is) takes no new file: a file there is
// written in place, as Windows writes it, and keeps its inode and mode.
class ProfileWriteInReadOnlyFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(locked);
        WriteFileBytes(file, "; kept\n[A]\nk=v\n");
        ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
        ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
    }
    void TearDown() override { ::chmod(locked.c_str(), 0755); }

    // Sets "k" to "w" as an unprivileged user (in a child process) once Refused, run as that
    // user, has shown that the folder refuses what a replace needs (else it says what it
    // found); then the file must hold the value under its old inode, alone in its folder.
    void ExpectRewrittenInPlaceByAnUnprivilegedUser(const std::function<std::string()>& Refused)
    {
        const ino_t inode = Status(file).st_ino;
        const std::string outcome = RunInChild([&] {
            if (std::string dropped = RunUnprivileged(); !dropped.empty())
                return dropped;
            if (std::string notRefused = Refused(); !notRefused.empty())
                return notRefused;
            return WritePrivateProfileStringA("A", "k", "w", file) ? std::string() : std::string("not written");
        });
        EXPECT_EQ(outcome, "");
        EXPECT_EQ(ReadFileBytes(file), "; kept\n[A]\nk=w\n");
        EXPECT_EQ(Status(file).st_ino, inode) << "the file was replaced, not rewritten in place";
        EXPECT_EQ(Entries(locked), std::vector<std::string>{"mirtal.ini"});
    }

    TempWorkingDir dir;
    const std::string locked = dir.Path("locked");
    const std::string file = locked + "/mirtal.ini";
};

TEST_F(ProfileWriteInReadOnlyFolder, RewritesAWritableFileInPlace)
{
    const struct stat before = Status(file);
    ASSERT_TRUE(WritePrivateProfileStringA("A", "k", "longer value", file));
    ASSERT_TRUE(WritePrivateProfileStringA("B", "n", "1", file));
    ASSERT_TRUE(WritePrivateProfileStringA("A", "k", "w", file)); // shorter: the rest is cut off
    EXPECT_EQ(ReadFileBytes(file), "; kept\n[A]\nk=w\n[B]\nn=1\n");
    const struct stat after = Status(file);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the file was replaced, not rewritten in place";
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(locked), std::vector<std::string>{"mirtal.ini"});
}

TEST_F(ProfileWriteInReadOnlyFolder, FailsForANewOrReadOnlyFileAndLeavesNothingThere)
{
    EXPECT_FALSE(WritePrivateProfileStringA("A", "k", "w", locked + "/new.ini"));
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    EXPECT_FALSE(WritePrivateProfileStringA("A", "k", "w", file));
    EXPECT_EQ(ReadFileBytes(file), "; kept\n[A]\nk=v\n");
    EXPECT_EQ(Entries(locked), std::vector<std::string>{"mirtal.ini"});
}

// A write that fails half-way puts the old text back: here the file may not grow past 64
// bytes (a file size limit, set in a child process).
TEST_F(ProfileWriteInReadOnlyFolder, FailedRewriteLeavesTheOldText)
{
    const std::string outcome = RunInChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return std::string("setrlimit failed");
        return WritePrivateProfileStringA("A", "k", std::string(200, 'x'), file) ? std::string("written")
                                                                                  : std::string();
    });
    EXPECT_EQ(outcome, "");
    EXPECT_EQ(ReadFileBytes(file), "; kept\n[A]\nk=v\n");
    EXPECT_EQ(Entries(locked), std::vector<std::string>{"mirtal.ini"});
}

// The same where the system itself refuses the folder: a folder of root's, not writable by
// the unprivileged user "nobody", who may write the file. A test that runs unprivileged uses
// its own read-only folder.
TEST_F(ProfileWriteInReadOnlyFolder, RewritesInPlaceWhereTheSystemRefusesTheFolder)
{
    if (RunningAsRoot()) {
        ASSERT_EQ(::chmod(dir.Path("").c_str(), 0755), 0);
        ASSERT_EQ(::chmod(locked.c_str(), 0755), 0);
        ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    }
    ExpectRewrittenInPlaceByAnUnprivilegedUser([&] {
        if (::open((locked + "/probe").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600) >= 0 || errno != EACCES)
            return std::string("the folder takes new files: nothing to fall back from");
        return std::string();
    });
}

// A shared folder with the sticky bit takes new files, but none renamed over a file of
// another user: the new file is removed and the file written in place. Needs root to give
// the file and the folder to one user and write as another.
TEST_F(ProfileWriteInReadOnlyFolder, RewritesInPlaceWhenTheFileCannotBeReplaced)
{
    if (!RunningAsRoot())
        GTEST_SKIP() << "needs root: the file must belong to another user than the writer";
    ASSERT_EQ(::chmod(dir.Path("").c_str(), 0755), 0);
    ASSERT_EQ(::chmod(locked.c_str(), 01777), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    ExpectRewrittenInPlaceByAnUnprivilegedUser([&] {
        const std::string probe = locked + "/probe";
        const int created = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (created < 0)
            return std::string("the folder takes no new file");
        ::close(created);
        const bool replaced = ::rename(probe.c_str(), file.c_str()) == 0;
        ::unlink(probe.c_str());
        return replaced ? std::string("the file was replaced: nothing to fall back from") : std::string();
    });
    EXPECT_EQ(Status(file).st_uid, 0u);
}

// ---- a folder shared by a group ------------------------------------------------------------

// Operators share mirtal.ini through a group: the folder and the file are root's and the
// group's, writable by the group. Whoever of the group saves, the file stays root's and the
// group's, with its mode, so the others can still read and write it. Needs root to set the
// scene and to act as members of the group (ids no account uses).
class ProfileWriteInGroupFolder : public ::testing::Test {
protected:
    static constexpr gid_t Group = 4242;
    static constexpr uid_t Member = 4243;
    static constexpr uid_t OtherMember = 4244;

    void SetUp() override
    {
        if (!RunningAsRoot())
            GTEST_SKIP() << "needs root: the writers must be members of a group, not the file's owner";
        ASSERT_EQ(::chmod(dir.Path("").c_str(), 0755), 0);
        std::filesystem::create_directory(shared);
        WriteFileBytes(file, "; kept\n[A]\nk=v\n");
        ASSERT_EQ(::chown(shared.c_str(), 0, Group), 0);
        ASSERT_EQ(::chmod(shared.c_str(), 0775), 0);
        ASSERT_EQ(::chown(file.c_str(), 0, Group), 0);
        ASSERT_EQ(::chmod(file.c_str(), 0660), 0);
    }

    // Sets "k" to Value as User, a member of the group, in a child process: the empty text
    // when written, else what went wrong.
    std::string WriteAsMember(uid_t User, const std::string& Value)
    {
        return RunInChild([&] {
            if (std::string became = RunAsGroupMember(User, Group); !became.empty())
                return became;
            return WritePrivateProfileStringA("A", "k", Value, file) ? std::string() : std::string("not written");
        });
    }

    void ExpectStillSharedWithMode(mode_t Mode)
    {
        const struct stat status = Status(file);
        EXPECT_EQ(status.st_uid, 0u);
        EXPECT_EQ(status.st_gid, Group);
        EXPECT_EQ(status.st_mode & 07777, Mode);
        EXPECT_EQ(Entries(shared), std::vector<std::string>{"mirtal.ini"});
    }

    TempWorkingDir dir;
    const std::string shared = dir.Path("shared");
    const std::string file = shared + "/mirtal.ini";
};

TEST_F(ProfileWriteInGroupFolder, KeepsOwnerGroupAndModeWhenAMemberSaves)
{
    EXPECT_EQ(WriteAsMember(Member, "w"), "");
    EXPECT_EQ(ReadFileBytes(file), "; kept\n[A]\nk=w\n");
    ExpectStillSharedWithMode(0660);

    const std::string outcome = RunInChild([&] {
        if (std::string became = RunAsGroupMember(OtherMember, Group); !became.empty())
            return became;
        const std::string read = GetPrivateProfileStringA("A", "k", "unread", Buffer, file);
        if (read != "w")
            return "another member read \"" + read + "\"";
        return WritePrivateProfileStringA("A", "k", "x", file) ? std::string() : std::string("not written");
    });
    EXPECT_EQ(outcome, "");
    EXPECT_EQ(ReadFileBytes(file), "; kept\n[A]\nk=x\n");
    ExpectStillSharedWithMode(0660);
}

// A file the group may only read cannot be written by a member, as on Windows.
TEST_F(ProfileWriteInGroupFolder, FailsWhereTheMemberMayNotWriteTheFileAndLeavesItAlone)
{
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    EXPECT_EQ(WriteAsMember(Member, "w"), "not written");
    EXPECT_EQ(ReadFileBytes(file), "; kept\n[A]\nk=v\n");
    ExpectStillSharedWithMode(0640);
}

} // namespace
