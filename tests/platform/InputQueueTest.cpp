#include <gtest/gtest.h>

#include "platform/InputQueue.h"

using namespace WinComm;

namespace {

TRxOutcome Feed(TInputQueue& Queue, std::vector<uint8_t> Raw, const TRxRules& Rules = {},
                const TLineCounts& Counts = {})
{
    return Queue.Accept(Raw.data(), Raw.size(), Rules, Counts);
}

std::string TakeAll(TInputQueue& Queue)
{
    std::string bytes(Queue.Size(), '\0');
    Queue.Take(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
    return bytes;
}

TEST(InputQueue, ReceivedBytesRaiseRxChar)
{
    TInputQueue queue(100);
    const TRxOutcome outcome = Feed(queue, {'a', 'b'});
    EXPECT_EQ(outcome.Events, EV_RXCHAR);
    EXPECT_EQ(outcome.Errors, 0u);
    EXPECT_EQ(TakeAll(queue), "ab");
}

TEST(InputQueue, BreakReportsBreakAndQueuesNothing)
{
    TInputQueue queue(100);
    const TRxOutcome outcome = Feed(queue, {0xFF, 0x00, 0x00});
    EXPECT_EQ(outcome.Events, EV_BREAK);
    EXPECT_EQ(outcome.Errors, CE_BREAK);
    EXPECT_EQ(queue.Size(), 0u);
}

TEST(InputQueue, ErrorWithoutParityBitIsFramingError)
{
    TInputQueue queue(100);
    const TRxOutcome outcome = Feed(queue, {0xFF, 0x00, 'x'});
    EXPECT_EQ(outcome.Errors, CE_FRAME);
    EXPECT_EQ(outcome.Events, EV_ERR | EV_RXCHAR);
    EXPECT_EQ(TakeAll(queue), "x");
}

TEST(InputQueue, ParityErrorReportedOnlyWhenChecked)
{
    TRxRules rules;
    rules.ParityEnabled = true;
    TInputQueue unchecked(100);
    EXPECT_EQ(Feed(unchecked, {0xFF, 0x00, 'x'}, rules).Errors, 0u);
    EXPECT_EQ(TakeAll(unchecked), "x");

    rules.CheckParity = true;
    TInputQueue checked(100);
    const TRxOutcome outcome = Feed(checked, {0xFF, 0x00, 'x'}, rules);
    EXPECT_EQ(outcome.Errors, CE_RXPARITY);
    EXPECT_EQ(outcome.Events, EV_ERR | EV_RXCHAR);
}

TEST(InputQueue, ParityErrorReplacedByErrorChar)
{
    TRxRules rules;
    rules.ParityEnabled = true;
    rules.CheckParity = true;
    rules.ReplaceErrors = true;
    rules.ErrorChar = '?';
    TInputQueue queue(100);
    Feed(queue, {'a', 0xFF, 0x00, 'x', 'b'}, rules);
    EXPECT_EQ(TakeAll(queue), "a?b");
}

TEST(InputQueue, CountersTellFramingFromParity)
{
    TRxRules rules;
    rules.ParityEnabled = true;
    rules.CheckParity = true;
    rules.ReplaceErrors = true;
    rules.ErrorChar = '?';
    TLineCounts counts;
    counts.Known = true;
    counts.Frame = 1;
    TInputQueue queue(100);
    const TRxOutcome outcome = Feed(queue, {0xFF, 0x00, 'x'}, rules, counts);
    EXPECT_EQ(outcome.Errors, CE_FRAME);
    EXPECT_EQ(TakeAll(queue), "x");
}

TEST(InputQueue, OverrunsComeFromCounters)
{
    TLineCounts counts;
    counts.Known = true;
    counts.Overrun = 2;
    counts.BufferOverrun = 1;
    TInputQueue queue(100);
    const TRxOutcome outcome = Feed(queue, {'a'}, {}, counts);
    EXPECT_EQ(outcome.Errors, CE_OVERRUN | CE_RXOVER);
    EXPECT_EQ(outcome.Events, EV_ERR | EV_RXCHAR);
}

TEST(InputQueue, EscapedFFIsOneByte)
{
    TInputQueue queue(100);
    Feed(queue, {0xFF, 0xFF});
    EXPECT_EQ(TakeAll(queue), "\xFF");
}

TEST(InputQueue, DiscardNullDropsZeroBytes)
{
    TRxRules rules;
    rules.DiscardNull = true;
    TInputQueue queue(100);
    EXPECT_EQ(Feed(queue, {0, 0}, rules).Events, 0u);
    Feed(queue, {'a', 0, 'b'}, rules);
    EXPECT_EQ(TakeAll(queue), "ab");
}

TEST(InputQueue, EventCharRaisesRxFlag)
{
    TRxRules rules;
    rules.EventChar = '\n';
    TInputQueue queue(100);
    EXPECT_EQ(Feed(queue, {'a'}, rules).Events, EV_RXCHAR);
    EXPECT_EQ(Feed(queue, {'b', '\n'}, rules).Events, EV_RXCHAR | EV_RXFLAG);
}

TEST(InputQueue, Rx80FullWhenQueuePassesEightyPercent)
{
    TInputQueue queue(10);
    EXPECT_EQ(Feed(queue, {1, 2, 3, 4, 5, 6, 7}).Events, EV_RXCHAR);
    EXPECT_EQ(Feed(queue, {8}).Events, EV_RXCHAR | EV_RX80FULL);
    EXPECT_EQ(Feed(queue, {9}).Events, EV_RXCHAR); // already past
}

TEST(InputQueue, RoomShrinksToZeroAtCapacity)
{
    TInputQueue queue(4);
    Feed(queue, {1, 2, 3});
    EXPECT_EQ(queue.Room(), 1u);
    Feed(queue, {4});
    EXPECT_EQ(queue.Room(), 0u);
    uint8_t two[2];
    EXPECT_EQ(queue.Take(two, 2), 2u);
    EXPECT_EQ(queue.Room(), 2u);
}

TEST(InputQueue, ClearEmptiesQueueAndHalfMarker)
{
    TInputQueue queue(100);
    Feed(queue, {'a', 0xFF, 0x00});
    queue.Clear();
    EXPECT_EQ(queue.Size(), 0u);
    Feed(queue, {0x00});
    EXPECT_EQ(TakeAll(queue), std::string(1, '\0'));
}

} // namespace
