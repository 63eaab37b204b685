#pragma once
// Rates that have no Bnnn constant go through termios2 with BOTHER. Its kernel header
// clashes with <termios.h>, so this unit includes nothing else of the terminal interface.
#include <cstdint>

namespace WinComm {

// Sets input and output rate to Rate bits per second: 0 or an errno value.
int SetCustomRate(int Fd, uint32_t Rate);
// The output rate in bits per second, whatever way it was set; 0 when it cannot be read.
uint32_t CurrentRate(int Fd);
// The input rate, likewise.
uint32_t CurrentInputRate(int Fd);

} // namespace WinComm
