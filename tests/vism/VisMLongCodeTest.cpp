// Code far longer than a line GT.M runs at once: long string literals reach the code as
// written, up to the longest M string; what cannot run is refused without a server.
#include "VisMFixture.h"

namespace {

class VisMLongCode : public VisMFixture, public ::testing::WithParamInterface<size_t> {};

TEST_P(VisMLongCode, StringLiteral_ReachesTheCodeAsWritten)
{
    const std::string value = EveryByte(GetParam());
    TVisM& vism = Control();
    EXPECT_EQ(Run(vism, "S P1=" + MStringLiteral(value) + ",P2=$L(P1) S P3=\"short\""), "");
    EXPECT_TRUE(vism.P1().AsString() == value) << vism.P1().AsString().size() << " bytes came back";
    EXPECT_EQ(vism.P2().AsString(), std::to_string(GetParam()));
    EXPECT_EQ(vism.P3().AsString(), "short");
}

TEST_P(VisMLongCode, StringLiteral_ReachesAnExtrinsicFunctionAsWritten)
{
    WriteFile(RoutineDir() / "TVISML.m", "TVISML ;\nLEN(X,Y) Q $L(X)_\"/\"_Y\n");
    const std::string value = EveryByte(GetParam());
    TVisM& vism = Control();
    EXPECT_EQ(Run(vism, "$$LEN^TVISML(" + MStringLiteral(value) + ",\"y\")"), "");
    EXPECT_EQ(vism.ResultValue().AsString(), std::to_string(GetParam()) + "/y");
}

INSTANTIATE_TEST_SUITE_P(Sizes, VisMLongCode, ::testing::Values(size_t{8192}, size_t{65536}, size_t{1048576}),
                         [](const auto& Info) { return std::to_string(Info.param) + "Bytes"; });

TEST_F(VisMLongCode, SeveralLongestStrings_InOneCode)
{
    const std::string first(1048576, 'a');
    const std::string second = EveryByte(1048576);
    TVisM& vism = Control();
    EXPECT_EQ(Run(vism, "S P1=" + MStringLiteral(first) + " S P2=" + MStringLiteral(second) + " S P3=$L(P1)+$L(P2)"), "");
    EXPECT_TRUE(vism.P1().AsString() == first);
    EXPECT_TRUE(vism.P2().AsString() == second);
    EXPECT_EQ(vism.P3().AsString(), "2097152");
}

TEST_F(VisMLongCode, LongStringInALoop_IsTheSameValueEveryPass)
{
    const std::string value(10000, 'q');
    TVisM& vism = Control();
    EXPECT_EQ(Run(vism, "S P1=0 F I=1:1:3 S X=" + MStringLiteral(value) + ",P1=P1+$L(X)"), "");
    EXPECT_EQ(vism.P1().AsString(), "30000");
}

TEST_F(VisMLongCode, LongCodeOutsideItsStrings_IsRefusedWithoutAServer)
{
    std::string code = "S P1=0";
    while (code.size() < 9000)
        code += ",P1=P1+1";
    TVisM& vism = Control();
    const std::string error = Run(vism, code);
    EXPECT_NE(error.find("too long"), std::string::npos) << error;
    EXPECT_EQ(vism.ServerProcessId(), 0);
}

// The server's private folder, the last word of its command line.
std::filesystem::path ServerFolder(int Pid)
{
    std::ifstream file("/proc/" + std::to_string(Pid) + "/cmdline", std::ios::binary);
    std::string word;
    std::string last;
    while (std::getline(file, word, '\0'))
        last = word;
    return last;
}

TEST_F(VisMLongCode, LongStrings_LeaveNothingBehindInTheServersFolder)
{
    TVisM& vism = Control();
    ASSERT_EQ(Run(vism, "S P1=" + MStringLiteral(std::string(9000, 'a')) + "_" + MStringLiteral(std::string(9000, 'b'))),
              "");
    const std::filesystem::path folder = ServerFolder(vism.ServerProcessId());
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    EXPECT_TRUE(std::filesystem::is_empty(folder)) << folder;
    ASSERT_NE(Run(vism, "S P1=" + MStringLiteral(std::string(9000, 'a')) + " S X=1/0"), "");
    EXPECT_TRUE(std::filesystem::is_empty(folder)) << folder;
    Destroy(vism);
    EXPECT_FALSE(std::filesystem::exists(folder)) << folder;
}

// However deep its parentheses, a code gets an answer: refused when too long, GT.M's own
// when it runs; the control and its server go on.
TEST_F(VisMLongCode, DeeplyNestedCode_GetsAnAnswerAndTheNextRunWorks)
{
    TVisM& vism = Control();
    for (const std::string& start : {std::string("W ?"), std::string("S X=1?1")}) {
        const std::string error = Run(vism, start + std::string(200000, '('));
        EXPECT_NE(error.find("too long"), std::string::npos) << error.substr(0, 200);
    }
    EXPECT_NE(Run(vism, "W ?" + std::string(8000, '(')), "");
    EXPECT_EQ(Run(vism, "S P1=\"after\""), "");
    EXPECT_EQ(vism.P1().AsString(), "after");
}

TEST_F(VisMLongCode, StringLongerThanAnMString_IsRefusedWithoutAServer)
{
    TVisM& vism = Control();
    const std::string error = Run(vism, "S P1=" + MStringLiteral(std::string(1048577, 'x')));
    EXPECT_NE(error.find("too long"), std::string::npos) << error;
    EXPECT_EQ(vism.ServerProcessId(), 0);
}

TEST_F(VisMLongCode, CodeJustShortEnoughOutsideItsStrings_RunsAsItIs)
{
    TVisM& vism = Control();
    const std::string code = "S P1=1" + std::string(8000, ' ') + "S P2=2";
    EXPECT_EQ(Run(vism, code), "");
    EXPECT_EQ(vism.P2().AsString(), "2");
}

} // namespace
