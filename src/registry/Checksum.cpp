// CRC-16/MODBUS and CRC-16/XMODEM over byte ranges, table-driven. The tables are the
// published ones, computed at compile time.
#include "registry/Checksum.h"

#include <array>

namespace {

using ByteTable = std::array<std::uint8_t, 256>;

// Entry i is the reflected CRC (polynomial 0xA001) of the single byte i.
constexpr std::uint16_t ModbusEntry(unsigned int i) {
    std::uint16_t crc = static_cast<std::uint16_t>(i);
    for (int bit = 0; bit < 8; ++bit) {
        crc = (crc & 1) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    return crc;
}

// The Modbus tables: the low bytes and the high bytes of the entries.
constexpr ByteTable MakeModbusTable(bool highBytes) {
    ByteTable table{};
    for (unsigned int i = 0; i < 256; ++i) {
        const std::uint16_t entry = ModbusEntry(i);
        table[i] = static_cast<std::uint8_t>(highBytes ? entry >> 8 : entry & 0xFF);
    }
    return table;
}

constexpr ByteTable kModbusLow = MakeModbusTable(false);
constexpr ByteTable kModbusHigh = MakeModbusTable(true);

// Entry i is the remainder of i * 2^8 under polynomial 0x1021.
constexpr std::array<std::uint16_t, 256> MakeXmodemTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned int i = 0; i < 256; ++i) {
        std::uint16_t crc = static_cast<std::uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) != 0 ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                      : static_cast<std::uint16_t>(crc << 1);
        }
        table[i] = crc;
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kXmodem = MakeXmodemTable();

}  // namespace

std::uint32_t GetCrc16(const std::uint8_t* data, std::uint32_t length) {
    std::uint8_t low = 0xFF;
    std::uint8_t high = 0xFF;
    for (std::uint32_t i = 0; i < length; ++i) {
        const std::uint8_t index = low ^ data[i];
        low = high ^ kModbusLow[index];
        high = kModbusHigh[index];
    }
    return static_cast<std::uint32_t>(high) << 8 | low;
}

std::uint16_t GetCrcITU(const std::uint8_t* data, std::int32_t length) {
    std::uint16_t crc = 0;
    for (std::int32_t i = 0; i < length; ++i) {
        crc = static_cast<std::uint16_t>(crc << 8) ^ kXmodem[((crc >> 8) ^ data[i]) & 0xFF];
    }
    return crc;
}
