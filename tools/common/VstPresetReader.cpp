// SPDX-License-Identifier: GPL-3.0-or-later
#include "VstPresetReader.h"

#include <cstring>

namespace kest::tolvane::tools {

namespace {

constexpr std::size_t kClassIdSize = 32;
constexpr std::size_t kHeaderSize = 4 + 4 + kClassIdSize + 8;
constexpr std::size_t kListHeaderSize = 4 + 4;
constexpr std::size_t kEntrySize = 4 + 8 + 8;
constexpr std::int32_t kFormatVersion = 1;
// Hosts write a few chunks (component, controller, meta information).
constexpr std::uint64_t kMaxChunkEntries = 1024;

// Preset files are little-endian, as every host writes them.
std::uint64_t readLittle(const std::uint8_t* bytes, std::size_t size)
{
    std::uint64_t value = 0;
    for (std::size_t i = size; i-- > 0;)
        value = (value << 8) | bytes[i];
    return value;
}

bool hasId(const std::uint8_t* bytes, const char (&id)[5]) { return std::memcmp(bytes, id, 4) == 0; }

// True when [offset, offset + size) lies inside a file of `total` bytes (no overflow).
bool inside(std::uint64_t offset, std::uint64_t size, std::uint64_t total)
{
    return offset <= total && size <= total - offset;
}

} // namespace

std::optional<VstPresetLayout> locateVstPresetState(formats::ByteSource& file, std::string& error)
{
    std::uint8_t header[kHeaderSize];
    if (file.size() < kHeaderSize || !file.readAt(0, header, sizeof header) || !hasId(header, "VST3")) {
        error = "not a VST 3 preset file";
        return std::nullopt;
    }
    const auto version = static_cast<std::int32_t>(readLittle(header + 4, 4));
    if (version < kFormatVersion) {
        error = "unknown preset file version " + std::to_string(version);
        return std::nullopt;
    }
    VstPresetLayout layout;
    layout.classId.assign(reinterpret_cast<const char*>(header + 8), kClassIdSize);

    const std::uint64_t listOffset = readLittle(header + 8 + kClassIdSize, 8);
    std::uint8_t list[kListHeaderSize];
    if (!inside(listOffset, kListHeaderSize, file.size()) || !file.readAt(listOffset, list, sizeof list) ||
        !hasId(list, "List")) {
        error = "the preset's chunk list is missing or cut short";
        return std::nullopt;
    }
    const std::uint64_t entryCount = readLittle(list + 4, 4);
    const std::uint64_t entriesAt = listOffset + kListHeaderSize;
    if (entryCount > (file.size() - entriesAt) / kEntrySize || entryCount > kMaxChunkEntries) {
        error = "the preset's chunk list is cut short";
        return std::nullopt;
    }
    for (std::uint64_t i = 0; i < entryCount; ++i) {
        std::uint8_t entry[kEntrySize];
        if (!file.readAt(entriesAt + i * kEntrySize, entry, sizeof entry)) {
            error = "the preset's chunk list is cut short";
            return std::nullopt;
        }
        if (!hasId(entry, "Comp"))
            continue;
        layout.componentOffset = readLittle(entry + 4, 8);
        layout.componentSize = readLittle(entry + 12, 8);
        if (!inside(layout.componentOffset, layout.componentSize, file.size())) {
            error = "the preset's component state lies outside the file";
            return std::nullopt;
        }
        return layout;
    }
    error = "the preset holds no component state";
    return std::nullopt;
}

std::optional<VstPresetContents> parseVstPreset(std::span<const std::uint8_t> file, std::string& error)
{
    formats::MemorySource source(file);
    const auto layout = locateVstPresetState(source, error);
    if (!layout)
        return std::nullopt;
    const auto component = file.subspan(static_cast<std::size_t>(layout->componentOffset),
                                        static_cast<std::size_t>(layout->componentSize));
    return VstPresetContents{layout->classId, {component.begin(), component.end()}};
}

namespace {
void putLittle(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
void putId(std::vector<std::uint8_t>& out, std::string_view id)
{
    for (const char c : id)
        out.push_back(static_cast<std::uint8_t>(c));
}
} // namespace

std::vector<std::uint8_t> encodeVstPreset(std::string_view classId, std::span<const std::uint8_t> component)
{
    std::vector<std::uint8_t> file;
    putId(file, "VST3");
    putLittle(file, kFormatVersion, 4);
    std::string id(classId.substr(0, kClassIdSize));
    id.resize(kClassIdSize, '0');
    putId(file, id);
    const std::uint64_t componentAt = kHeaderSize;
    putLittle(file, componentAt + component.size(), 8); // where the chunk list starts
    file.insert(file.end(), component.begin(), component.end());
    putId(file, "List");
    putLittle(file, 1, 4);
    putId(file, "Comp");
    putLittle(file, componentAt, 8);
    putLittle(file, component.size(), 8);
    return file;
}

} // namespace kest::tolvane::tools
