#pragma once
// A run that could not reach the M server or lost it: the process did not start, died,
// or the namespace's database could not be prepared. The message goes to ErrorName.
#include "toolkit/SysUtils.h"

class EMServer : public Exception {
public:
    using Exception::Exception;
};
