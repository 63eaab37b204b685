#pragma once
// Readable names and printouts for the cases of value-parameterised tests. Left alone,
// GoogleTest names a case by its index (/0, /1, ...) and prints a parameter that has no
// printer of its own as its raw bytes, pointers included; both end up in CTest's test names.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "toolkit/Variant.h"

// Any text as part of a test name, which GoogleTest limits to letters, digits and '_': runs
// of letters and digits stay, every other character is spelled out between '_' ("1,5" is
// "1_Comma_5", "^X(1)" is "Caret_X_Open_1_Close") and the empty text is "Empty".
std::string NamePart(std::string_view Text);
// Any text as a whole test name: its NamePart, but digits alone, which would read as a
// case's index, are "Digits_42".
std::string TestNameOf(std::string_view Text);

// A text as a parameter's printout shows it: quoted and on one line, printable ASCII as it
// stands and everything else escaped as in C ("a\tb\xE7").
std::string Printable(std::string_view Text);
// A variant so: "empty", an integer as its number, a text quoted.
std::string PrintableVariant(const TVariant& Value);

// The name generator of a table whose cases carry a name of their own: NamedBy(&TCase::Name).
template <class T, class Field>
auto NamedBy(Field T::*Member)
{
    return [Member](const ::testing::TestParamInfo<T>& Info) { return std::string(Info.param.*Member); };
}
