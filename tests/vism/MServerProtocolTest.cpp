// The frames between a control and its server.
#include <gtest/gtest.h>

#include "vism/MServerProtocol.h"

namespace {

std::string Header(char Status, const std::vector<std::string>& Entries)
{
    std::string header(1, Status);
    for (const auto& entry : Entries)
        header += entry;
    return header;
}

TEST(MServerProtocol, RequestCarriesKindLengthsAndValues)
{
    TMRequest request;
    request.Function = true;
    request.Code = "$$F^X";
    request.Registers[0] = std::string("a\0\n", 3);
    request.Registers[9] = "z";
    const std::string frame = EncodeRequest(request);
    EXPECT_EQ(frame.substr(0, 1 + 3 * 8), "F000000050000000300000000");
    EXPECT_EQ(frame.substr(1 + 10 * 8, 8), "00000001");
    EXPECT_EQ(frame.substr(1 + 11 * 8), std::string("$$F^Xa\0\nz", 9));
    request.Function = false;
    EXPECT_EQ(EncodeRequest(request)[0], 'C');
}

TEST(MServerProtocol, LiteralValues_StayOutOfTheFrame)
{
    TMRequest request;
    request.Code = "S P1=$$LIT^TRVSRV(1)";
    request.Registers[3] = "r";
    const std::string without = EncodeRequest(request);
    request.Literals = {"one", std::string("t\0o", 3)};
    EXPECT_EQ(EncodeRequest(request), without);
    EXPECT_EQ(without.substr(1 + 11 * 8), request.Code + "r");
}

TEST(MServerProtocol, AnswerSplitsIntoErrorResultAndRegisters)
{
    std::vector<std::string> entries(12, "000000000");
    entries[0] = "100000003";
    entries[1] = "100000000";
    entries[3] = "100000002";
    const auto header = DecodeAnswerHeader(Header('1', entries));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->BodySize(), 5u);
    const TMAnswer answer = DecodeAnswer(*header, "errP1");
    EXPECT_TRUE(answer.Failed);
    EXPECT_EQ(answer.ErrorText, "err");
    EXPECT_EQ(answer.Result, std::string());
    EXPECT_FALSE(answer.Registers[0]);
    EXPECT_EQ(answer.Registers[1], "P1");
}

TEST(MServerProtocol, MalformedAnswerHeaders_AreRejected)
{
    const std::vector<std::string> good(12, "000000000");
    EXPECT_TRUE(DecodeAnswerHeader(Header('0', good)));
    EXPECT_FALSE(DecodeAnswerHeader(Header('2', good)));
    EXPECT_FALSE(DecodeAnswerHeader(Header('0', good).substr(1)));
    auto bad = good;
    bad[4] = "20000000x";
    EXPECT_FALSE(DecodeAnswerHeader(Header('0', bad)));
    bad[4] = "100000000";
    bad[5] = "199999999";
    EXPECT_FALSE(DecodeAnswerHeader(Header('0', bad)));
    bad[5] = "1000000x1";
    EXPECT_FALSE(DecodeAnswerHeader(Header('0', bad)));
}

} // namespace
