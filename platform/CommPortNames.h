#pragma once
// The serial layer's settings file, where an administrator names the device that a COM
// name opens, as Windows administrators give a USB adapter a COM number:
//
//     # the scale's USB adapter
//     COM3=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0
//
// It stands beside the server control's vism.conf (SettingsFilePath):
// <TREVASK_DATA_DIR>/serial.conf, else $XDG_CONFIG_HOME/trevask/serial.conf
// (~/.config/trevask/serial.conf).
#include <filesystem>
#include <map>
#include <string>

#include "platform/WinComm.h"

namespace WinComm {

std::filesystem::path PortNamesFile();

// "COMn" in any case, n a decimal number from 1: returns n, or 0 for any other name.
unsigned long ComNumber(const std::string& Name);

// Reads File into COM number -> device. No file is an empty table. A file that cannot be
// read or has a bad line gives ERROR_BAD_CONFIGURATION, and Problem says where and what.
DWORD ReadPortNames(const std::filesystem::path& File, std::map<unsigned long, std::string>& Devices,
                    std::string& Problem);

} // namespace WinComm
