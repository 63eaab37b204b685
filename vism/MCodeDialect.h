#pragma once
// The M texts the program sends were written for Caché, which allows spaces around "="
// ("S P1 = $h"); standard M and GT.M end a command argument at a space.
#include <string>

// Drops the spaces next to "=" outside string literals and comments. Such spaces are a
// syntax error in standard M, so valid standard M code passes unchanged.
std::string WithoutSpacesAroundEquals(const std::string& Code);
