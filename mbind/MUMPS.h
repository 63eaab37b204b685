#pragma once
// Text the way the M server stores it: delimited pieces, day numbers, month/year values
// and numbers with implied decimals. Pure functions on 8-bit text; they raise nothing.
#include <cstdint>
#include <string>

int MLength(const std::string& S, const std::string& D);
std::string MPiece(const std::string& S, const std::string& D, int N);
std::string MSetPiece(const std::string& S, const std::string& D, int N, const std::string& V);
std::string MHorologData(const std::string& H);
std::string MAnoMes(const std::string& S);
std::string MNormalizaNumero(const std::string& S, uint8_t Dec);
std::string MFormataNumero(const std::string& S, uint8_t Dec);
// S, an integer in minor units, with the locale decimal separator before its last Dec
// digits; short values get leading zeros after their sign ("-5" with 2 is "-0,05").
std::string MInsereDecimal(const std::string& S, uint8_t Dec);
// The same with an explicit separator, for text whose notation is fixed.
std::string MInsereDecimal(const std::string& S, uint8_t Dec, char Separator);
