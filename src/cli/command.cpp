#include "cli/command.h"

#include <algorithm>

#include "text/utf8.h"

namespace cli {

namespace {

std::string itemOr(const std::vector<std::string>& items, const char* fallback) {
    return items.empty() ? std::string(fallback) : items.front();
}

}  // namespace

std::string deletingLastPathComponent(std::string_view path) {
    auto stripTrailingSlashes = [](std::string_view p) {
        while (p.size() > 1 && p.back() == '/') p.remove_suffix(1);
        return p;
    };
    path = stripTrailingSlashes(path);
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return "";
    if (slash == 0) return "/";
    return std::string(stripTrailingSlashes(path.substr(0, slash)));
}

std::optional<std::string> executableDirectory(int argc, const char* const* argv) {
    if (argc < 1 || argv[0] == nullptr || !utf8::isValid(argv[0])) return std::nullopt;
    return deletingLastPathComponent(argv[0]);
}

Command parseCommandLine(int argc, const char* const* argv) {
    if (argc < 2) return UsageError{};

    const std::string mode = argv[1];
    // How many items each mode reads. Only what a mode reads is checked.
    constexpr int kAll = -1;
    struct ModeItems {
        const char* word;
        int reads;
    };
    static constexpr ModeItems kModes[] = {
        {"clients", kAll}, {"no-clients", 1}, {"enforcement-error", 1},
        {"migrate-empty", 0}, {"migrate", kAll}, {"enroll", 1},
    };
    const ModeItems* known = nullptr;
    for (const ModeItems& candidate : kModes) {
        if (mode == candidate.word) {
            known = &candidate;
            break;
        }
    }
    if (!known) return UnknownModeError{mode};

    std::vector<std::string> items;
    for (int i = 2; i < argc; ++i) items.emplace_back(argv[i]);
    const int read = known->reads == kAll ? static_cast<int>(items.size())
                                          : std::min<int>(known->reads, static_cast<int>(items.size()));
    // Names are kept byte for byte, line breaks included: the parent may
    // rely on getting back what it passed.
    for (int position = 1; position <= read; ++position) {
        if (!utf8::isValid(items[position - 1])) return InvalidItemError{position};
    }

    if (mode == "clients") {
        std::vector<std::string> names;
        if (items.size() > 1) names.assign(items.begin() + 1, items.end());
        return ClientSetupCall{itemOr(items, "default"), std::move(names)};
    }
    if (mode == "no-clients") return NoClientsCall{itemOr(items, "default")};
    if (mode == "enforcement-error") return EnforcementErrorCall{itemOr(items, "")};
    if (mode == "migrate-empty") return MigrateEmptyCall{};
    if (mode == "migrate") return MigrateCall{std::move(items)};
    return EnrollCall{itemOr(items, "")};
}

std::string printableBytes(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    const auto escape = [&](std::string& shown, unsigned char byte) {
        shown += "\\x";
        shown += kHex[byte >> 4];
        shown += kHex[byte & 0xF];
    };
    std::string shown;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = utf8::sequenceLength(bytes, i);
        if (length > 1) {
            // U+0080 to U+009F, the C1 controls written as UTF-8.
            const bool c1 = byte == 0xC2 && static_cast<unsigned char>(bytes[i + 1]) <= 0x9F;
            for (std::size_t k = 0; k < length; ++k) {
                if (c1) {
                    escape(shown, static_cast<unsigned char>(bytes[i + k]));
                } else {
                    shown += bytes[i + k];
                }
            }
            i += length;
            continue;
        }
        // C0, DEL, the backslash, and a C1 byte that is no part of a
        // character (an 8-bit terminal obeys it). Other malformed bytes
        // are kept: they are the parent's, and move no cursor.
        if (byte < 0x20 || byte == 0x7F || byte == '\\' || (byte >= 0x80 && byte <= 0x9F)) {
            escape(shown, byte);
        } else {
            shown += bytes[i];
        }
        ++i;
    }
    return shown;
}

}  // namespace cli
