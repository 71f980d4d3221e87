// This server's identity (number, mask, ID) read lazily from the ServerOption table, and the
// two server options carried by the server object (class 0).
#pragma once

#include <cstdint>

std::uint32_t GetCurrentServerNO();    // 0 until a ServerOption row could be read
std::uint32_t GetCurrentServerMask();  // 0 until read
std::uint32_t GetCurrentServerID();    // the server number at the first call, then fixed

// Seconds an alarm is displayed: property (0, 0x7006001) of the server object, default 600,
// clamped to 10 .. 864000.
std::uint32_t GetServerAlarmDisplayTime();
// Whether alarms need confirmation: attribute (0, 0x7008001) of the server object.
int GetServerNeedConfirmAlarm();
