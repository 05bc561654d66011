#include "export/png_provenance.h"

#include <charconv>
#include <map>

namespace vorel {
namespace {

constexpr std::string_view kSeparator = "; ";
constexpr std::string_view kFileField = "file=";

template <typename Int>
std::optional<Int> Number(const std::map<std::string_view, std::string_view>& fields, std::string_view key,
                          Int low) {
    const auto it = fields.find(key);
    if (it == fields.end()) return std::nullopt;
    Int value{};
    const char* end = it->second.data() + it->second.size();
    const auto [ptr, ec] = std::from_chars(it->second.data(), end, value);
    if (ec != std::errc{} || ptr != end || value < low) return std::nullopt;
    return value;
}

bool KnownKind(std::string_view kind) {
    for (std::string_view k : {"TIM4", "TIM8", "TIM16", "TIM24", "BMP1", "BMP4", "BMP8", "BMP24"}) {
        if (kind == k) return true;
    }
    return false;
}

}  // namespace

std::string FormatProvenance(const PngProvenance& p) {
    std::string name = p.sourceName;
    for (char& c : name) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return "offset=" + std::to_string(p.offset) + "; kind=" + p.kind + "; width=" + std::to_string(p.width) +
           "; height=" + std::to_string(p.height) + "; bytes=" + std::to_string(p.bytes) +
           "; palette=" + std::to_string(p.palette) + "; alpha=" + (p.alpha ? "1" : "0") + "; " +
           std::string(kFileField) + name;
}

std::optional<PngProvenance> ParseProvenance(std::string_view text) {
    // The name comes last and may hold "; " itself: split it off first.
    const std::size_t fileAt = text.find(kFileField);
    if (fileAt == std::string_view::npos) return std::nullopt;
    if (fileAt != 0 && text.substr(fileAt - kSeparator.size(), kSeparator.size()) != kSeparator) {
        return std::nullopt;
    }
    PngProvenance p;
    p.sourceName = std::string(text.substr(fileAt + kFileField.size()));
    if (p.sourceName.empty() || p.sourceName.find('\n') != std::string::npos) return std::nullopt;

    std::map<std::string_view, std::string_view> fields;
    std::string_view rest = text.substr(0, fileAt >= kSeparator.size() ? fileAt - kSeparator.size() : 0);
    while (!rest.empty()) {
        const std::size_t end = rest.find(kSeparator);
        const std::string_view field = rest.substr(0, end);
        const std::size_t eq = field.find('=');
        if (eq == std::string_view::npos || !fields.emplace(field.substr(0, eq), field.substr(eq + 1)).second) {
            return std::nullopt;  // not a field, or a field given twice
        }
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + kSeparator.size());
    }

    const auto offset = Number<std::int64_t>(fields, "offset", 0);
    const auto width = Number<std::int32_t>(fields, "width", 1);
    const auto height = Number<std::int32_t>(fields, "height", 1);
    const auto bytes = Number<std::int64_t>(fields, "bytes", 1);
    const auto palette = Number<std::int32_t>(fields, "palette", 0);
    const auto alpha = Number<int>(fields, "alpha", 0);
    const auto kind = fields.find("kind");
    if (!offset || !width || !height || !bytes || !palette || !alpha || *alpha > 1) return std::nullopt;
    if (kind == fields.end() || !KnownKind(kind->second)) return std::nullopt;
    p.offset = *offset;
    p.kind = std::string(kind->second);
    p.width = *width;
    p.height = *height;
    p.bytes = *bytes;
    p.palette = *palette;
    p.alpha = *alpha == 1;
    return p;
}

}  // namespace vorel
