#pragma once
// Building M texts from values and running them on the server control.
//
// Every value that goes into an M text goes inside a string literal, through MString:
// a double quote in a global name, key, record or typed value would otherwise end the
// literal and let the rest of the value run as M code on the server.
#include <initializer_list>
#include <string>
#include <utility>

#include "toolkit/SysUtils.h"
#include "toolkit/Variant.h"

class TVisM;

// A run that failed (an M error, or the server lost). The control has told the user
// through OnError, so the exception report shows nothing; the exception ends the
// operation that ran the code where it stands, and the steps already done stay done.
class EMRunFailed : public EAbort {
public:
    using EAbort::EAbort;
};

// Text with every double quote doubled, M's escape inside a string literal.
std::string MQuote(const std::string& Text);
// Text as an M string literal: enclosed in double quotes, its own quotes doubled.
std::string MString(const std::string& Text);

// One execution on the control, in the one sequence every caller follows: write the
// registers (index, value) in the order given, write Code, write 1 to ExecFlag, which
// returns when the server has finished. The caller then reads registers and ResultValue.
// Raises Exception when no control is given, EMRunFailed when the run failed.
void ExecutarM(TVisM* VisM, const std::string& Code,
               std::initializer_list<std::pair<int, TVariant>> Registers = {});
// Runs the control's Code as it stands with the registers as they stand (the write of 1
// to ExecFlag alone, as a loop runs one text again). Raises EMRunFailed when the run
// failed.
void ExecutarCode(TVisM* VisM);
