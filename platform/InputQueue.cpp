#include "platform/InputQueue.h"

#include <algorithm>
#include <vector>

namespace WinComm {

namespace {

struct TErrorKind {
    bool Parity;
    bool Frame;
};

// The markers do not say whether a byte had a parity or a framing error. The device's
// counters tell; without them a frame that carries no parity bit can only have framing
// errors, and one that does is taken to have parity errors.
TErrorKind ClassifyErrors(const TRxRules& Rules, const TLineCounts& Counts)
{
    if (Counts.Known && (Counts.Parity > 0 || Counts.Frame > 0))
        return {Counts.Parity > 0, Counts.Frame > 0};
    return {Rules.ParityEnabled, !Rules.ParityEnabled};
}

} // namespace

void TInputQueue::Append(uint8_t Byte, const TRxRules& Rules, TRxOutcome& Outcome)
{
    if (Byte == 0 && Rules.DiscardNull)
        return;
    bytes_.push_back(Byte);
    Outcome.Events |= EV_RXCHAR;
    if (Byte == Rules.EventChar)
        Outcome.Events |= EV_RXFLAG;
}

TRxOutcome TInputQueue::Accept(const uint8_t* Raw, size_t Count, const TRxRules& Rules, const TLineCounts& Counts)
{
    TRxOutcome outcome;
    std::vector<TRxItem> items;
    decoder_.Decode(Raw, Count, items);
    const size_t before = bytes_.size();
    const TErrorKind kind = ClassifyErrors(Rules, Counts);
    for (const TRxItem& item : items) {
        switch (item.Kind) {
        case TRxKind::Data:
            Append(item.Byte, Rules, outcome);
            break;
        case TRxKind::Break:
            outcome.Errors |= CE_BREAK;
            outcome.Events |= EV_BREAK;
            break;
        case TRxKind::Error: {
            uint8_t byte = item.Byte;
            if (kind.Frame) {
                outcome.Errors |= CE_FRAME;
                outcome.Events |= EV_ERR;
            }
            if (kind.Parity && Rules.CheckParity) {
                outcome.Errors |= CE_RXPARITY;
                outcome.Events |= EV_ERR;
                if (Rules.ReplaceErrors)
                    byte = Rules.ErrorChar;
            }
            Append(byte, Rules, outcome);
            break;
        }
        }
    }
    if (Counts.Overrun > 0)
        outcome.Errors |= CE_OVERRUN;
    if (Counts.BufferOverrun > 0)
        outcome.Errors |= CE_RXOVER;
    if (Counts.Overrun > 0 || Counts.BufferOverrun > 0)
        outcome.Events |= EV_ERR;
    const size_t threshold = std::max<size_t>(1, capacity_ * 4 / 5);
    if (before < threshold && bytes_.size() >= threshold)
        outcome.Events |= EV_RX80FULL;
    return outcome;
}

size_t TInputQueue::Take(uint8_t* Buffer, size_t Count)
{
    const size_t n = std::min(Count, bytes_.size());
    std::copy_n(bytes_.begin(), n, Buffer);
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}

void TInputQueue::Clear()
{
    bytes_.clear();
    decoder_.Reset();
}

} // namespace WinComm
