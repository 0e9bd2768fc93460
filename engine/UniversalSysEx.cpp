// SPDX-License-Identifier: GPL-3.0-or-later
#include "UniversalSysEx.h"

#include <algorithm>
#include <array>

namespace kest::tolvane {

namespace {

constexpr std::uint8_t kNonRealTime = 0x7E;
constexpr std::uint8_t kRealTime = 0x7F;
constexpr std::uint8_t kRoland = 0x41;
constexpr std::uint8_t kYamaha = 0x43;
constexpr std::uint8_t kEnd = 0xF7;
constexpr int kAnyByte = -1; // the device number, which any value matches

template <std::size_t N> bool matches(const std::uint8_t* bytes, int length, const std::array<int, N>& pattern)
{
    if (length != static_cast<int>(N))
        return false;
    return std::equal(pattern.begin(), pattern.end(), bytes,
                      [](int want, std::uint8_t got) { return want == kAnyByte || want == got; });
}

constexpr std::array<int, 5> kGmSystemOn{kNonRealTime, kAnyByte, 0x09, 0x01, kEnd};
constexpr std::array<int, 5> kGmSystemOff{kNonRealTime, kAnyByte, 0x09, 0x02, kEnd};
// DT1 of 00 to address 40 00 7F, checksum 41.
constexpr std::array<int, 10> kGsReset{kRoland, kAnyByte, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, kEnd};
constexpr std::array<int, 7> kMasterVolume{kRealTime, kAnyByte, 0x04, 0x01, kAnyByte, kAnyByte, kEnd};

bool isXgSystemOn(const std::uint8_t* bytes, int length)
{
    // The device byte is 1n, n the device number.
    constexpr std::array<int, 8> pattern{kYamaha, kAnyByte, 0x4C, 0x00, 0x00, 0x7E, 0x00, kEnd};
    return matches(bytes, length, pattern) && (bytes[1] & 0xF0) == 0x10;
}

} // namespace

UniversalMessage identifyUniversalMessage(const std::uint8_t* bytes, int length)
{
    if (!bytes || length < 5)
        return UniversalMessage::None;
    if (matches(bytes, length, kGmSystemOn))
        return UniversalMessage::GmSystemOn;
    if (matches(bytes, length, kGmSystemOff))
        return UniversalMessage::GmSystemOff;
    if (matches(bytes, length, kGsReset))
        return UniversalMessage::GsReset;
    if (isXgSystemOn(bytes, length))
        return UniversalMessage::XgSystemOn;
    if (matches(bytes, length, kMasterVolume) && bytes[4] < 0x80 && bytes[5] < 0x80)
        return UniversalMessage::MasterVolume;
    return UniversalMessage::None;
}

float universalMasterVolumeGain(const std::uint8_t* bytes, int length)
{
    if (identifyUniversalMessage(bytes, length) != UniversalMessage::MasterVolume)
        return 0.0f;
    const float level = static_cast<float>(bytes[5]) / 127.0f;
    return level * level;
}

} // namespace kest::tolvane
