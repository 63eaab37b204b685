#pragma once
// A set of enumeration members held in a fixed-size integer, bit n standing for the
// member whose ordinal is n, as the class library's sets are stored.
#include <initializer_list>
#include <type_traits>

template <typename E, typename TBits>
class TEnumSet {
    static_assert(std::is_enum_v<E> && std::is_unsigned_v<TBits>);

public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> Members)
    {
        for (E member : Members)
            Include(member);
    }
    static constexpr TEnumSet FromBits(TBits Bits)
    {
        TEnumSet set;
        set.bits_ = Bits;
        return set;
    }

    constexpr TBits Bits() const { return bits_; }
    constexpr bool Contains(E Member) const { return (bits_ & BitOf(Member)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr TEnumSet& Include(E Member)
    {
        bits_ = static_cast<TBits>(bits_ | BitOf(Member));
        return *this;
    }
    constexpr TEnumSet& Exclude(E Member)
    {
        bits_ = static_cast<TBits>(bits_ & ~BitOf(Member));
        return *this;
    }
    friend constexpr bool operator==(TEnumSet, TEnumSet) = default;

private:
    static constexpr TBits BitOf(E Member) { return static_cast<TBits>(TBits{1} << static_cast<unsigned>(Member)); }

    TBits bits_ = 0;
};
