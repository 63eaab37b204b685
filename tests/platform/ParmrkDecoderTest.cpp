#include <gtest/gtest.h>

#include <cstdio>

#include "platform/ParmrkDecoder.h"
#include "support/ParamNames.h"

using namespace WinComm;

namespace {

constexpr TRxItem Data(uint8_t Byte)
{
    return {TRxKind::Data, Byte};
}

struct TDecodeCase {
    const char* Name;
    std::vector<std::vector<uint8_t>> Chunks;
    std::vector<TRxItem> Expected;
};

// The bytes read, one read after the other: "FF 00 | 37".
void PrintTo(const TDecodeCase& c, std::ostream* out)
{
    for (size_t i = 0; i < c.Chunks.size(); ++i) {
        for (size_t j = 0; j < c.Chunks[i].size(); ++j) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02X", c.Chunks[i][j]);
            *out << (i + j == 0 ? "" : j == 0 ? " | " : " ") << hex;
        }
    }
}

class ParmrkDecoding : public ::testing::TestWithParam<TDecodeCase> {};

TEST_P(ParmrkDecoding, GivesBytesAndMarkers)
{
    const TDecodeCase& c = GetParam();
    TParmrkDecoder decoder;
    std::vector<TRxItem> items;
    for (const std::vector<uint8_t>& chunk : c.Chunks)
        decoder.Decode(chunk.data(), chunk.size(), items);
    EXPECT_EQ(items, c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Markers, ParmrkDecoding,
    ::testing::Values(
        TDecodeCase{"PlainData", {{0x41, 0x00, 0x42}}, {Data(0x41), Data(0x00), Data(0x42)}},
        TDecodeCase{"Break", {{0x41, 0xFF, 0x00, 0x00, 0x42}}, {Data(0x41), {TRxKind::Break, 0}, Data(0x42)}},
        TDecodeCase{"ErrorOnByte", {{0xFF, 0x00, 0x37}}, {{TRxKind::Error, 0x37}}},
        TDecodeCase{"ErrorOnFF", {{0xFF, 0x00, 0xFF}}, {{TRxKind::Error, 0xFF}}},
        TDecodeCase{"EscapedFF", {{0xFF, 0xFF, 0x41}}, {Data(0xFF), Data(0x41)}},
        TDecodeCase{"TwoEscapedFF", {{0xFF, 0xFF, 0xFF, 0xFF}}, {Data(0xFF), Data(0xFF)}},
        TDecodeCase{"BreakSplitAfterFF", {{0x41, 0xFF}, {0x00, 0x00}}, {Data(0x41), {TRxKind::Break, 0}}},
        TDecodeCase{"ErrorSplitBeforeByte", {{0xFF, 0x00}, {0x37}}, {{TRxKind::Error, 0x37}}},
        TDecodeCase{"EscapeSplit", {{0xFF}, {0xFF}}, {Data(0xFF)}},
        TDecodeCase{"MarkerOneByteAtATime", {{0xFF}, {0x00}, {0x00}, {0x41}}, {{TRxKind::Break, 0}, Data(0x41)}},
        TDecodeCase{"StrayFFKeptAsData", {{0xFF, 0x41}}, {Data(0xFF), Data(0x41)}}),
    NamedBy(&TDecodeCase::Name));

TEST(ParmrkDecoder, HalfMarkerWaitsForTheNextRead)
{
    TParmrkDecoder decoder;
    std::vector<TRxItem> items;
    const uint8_t first[] = {0x41, 0xFF, 0x00};
    decoder.Decode(first, sizeof first, items);
    EXPECT_EQ(items, (std::vector<TRxItem>{Data(0x41)}));
}

TEST(ParmrkDecoder, ResetForgetsHalfMarker)
{
    TParmrkDecoder decoder;
    std::vector<TRxItem> items;
    const uint8_t first[] = {0xFF, 0x00};
    const uint8_t second[] = {0x00};
    decoder.Decode(first, sizeof first, items);
    decoder.Reset();
    decoder.Decode(second, sizeof second, items);
    EXPECT_EQ(items, (std::vector<TRxItem>{Data(0x00)}));
}

} // namespace
