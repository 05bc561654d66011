#include "search/settings.h"

#include <cctype>
#include <limits>

namespace vorel {

std::optional<std::int64_t> ParseLeadingInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max() || value < std::numeric_limits<std::int32_t>::min())
        return std::nullopt;
    return value;
}

int ReadMemorySizeMb(const ISettingsStore& store) {
    const auto value = ParseLeadingInt(Read(store, settings::kReadMemorySize));
    if (!value || *value < 1 || *value > 10) return 1;
    return static_cast<int>(*value);
}

DivideWindow ReadDivideWindow(const ISettingsStore& store) {
    DivideWindow window;
    if (Read(store, settings::kDivideSearch) != 1) return window;
    // 64-bit so that large page numbers cannot wrap into a window that shows everything.
    const std::int64_t num = Read(store, settings::kDivideNum);
    const std::int64_t pos = Read(store, settings::kDividePos);
    window.first = num * pos + 1;
    window.last = num * (pos + 1);
    return window;
}

std::string DivideWindowLabel(const ISettingsStore& store) {
    if (Read(store, settings::kDivideSearch) != 1) return {};
    const DivideWindow w = ReadDivideWindow(store);
    return "ｲﾒｰｼﾞ" + std::to_string(w.first) + "～" + std::to_string(w.last);
}

int MemorySettingsStore::ReadInt(std::string_view section, std::string_view key, int defaultValue) const {
    const auto it = values_.find(std::pair<std::string, std::string>(section, key));
    if (it == values_.end()) return defaultValue;
    const auto parsed = ParseLeadingInt(it->second);
    return parsed ? static_cast<int>(*parsed) : 0;
}

std::string MemorySettingsStore::ReadString(std::string_view section, std::string_view key,
                                            std::string_view defaultValue) const {
    const auto it = values_.find(std::pair<std::string, std::string>(section, key));
    return it == values_.end() ? std::string(defaultValue) : it->second;
}

void MemorySettingsStore::WriteInt(std::string_view section, std::string_view key, int value) {
    values_[{std::string(section), std::string(key)}] = std::to_string(value);
}

void MemorySettingsStore::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    values_[{std::string(section), std::string(key)}] = std::string(value);
}

bool MemorySettingsStore::Contains(std::string_view section, std::string_view key) const {
    return values_.count(std::pair<std::string, std::string>(section, key)) != 0;
}

int OverlaySettingsStore::ReadInt(std::string_view section, std::string_view key, int defaultValue) const {
    if (overrides_.Contains(section, key)) return overrides_.ReadInt(section, key, defaultValue);
    return base_.ReadInt(section, key, defaultValue);
}

std::string OverlaySettingsStore::ReadString(std::string_view section, std::string_view key,
                                             std::string_view defaultValue) const {
    if (overrides_.Contains(section, key)) return overrides_.ReadString(section, key, defaultValue);
    return base_.ReadString(section, key, defaultValue);
}

void OverlaySettingsStore::WriteInt(std::string_view section, std::string_view key, int value) {
    overrides_.WriteInt(section, key, value);
}

void OverlaySettingsStore::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    overrides_.WriteString(section, key, value);
}

}  // namespace vorel
