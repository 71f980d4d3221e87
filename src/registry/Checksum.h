// Checksums of byte ranges.
#pragma once

#include <cstdint>

#include "platform/Export.h"

// CRC-16/MODBUS (reflected 0xA001, initial 0xFFFF); 0xFFFF for no bytes.
NAMEOBJECT_API std::uint32_t GetCrc16(const std::uint8_t* data, std::uint32_t length);
// CRC-16/XMODEM (0x1021, initial 0); 0 for a length of 0 or less.
NAMEOBJECT_API std::uint16_t GetCrcITU(const std::uint8_t* data, std::int32_t length);
