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
    // How many items each mode reads, and from which item on they are names
    // that end up in the record. Only what a mode reads is checked.
    constexpr int kAll = -1;
    constexpr int kNoNames = 0;
    struct ModeItems {
        const char* word;
        int reads;
        int firstName;
    };
    static constexpr ModeItems kModes[] = {
        {"clients", kAll, 2},      {"no-clients", 1, kNoNames}, {"enforcement-error", 1, kNoNames},
        {"migrate-empty", 0, kNoNames}, {"migrate", kAll, 1},  {"enroll", 1, kNoNames},
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
    for (int position = 1; position <= read; ++position) {
        const std::string& item = items[position - 1];
        if (!utf8::isValid(item)) return InvalidItemError{position};
        // A line break in a name would end its line of the record early, and
        // the parent would read the rest as an answer nobody gave.
        if (known->firstName != kNoNames && position >= known->firstName &&
            item.find_first_of("\r\n") != std::string::npos) {
            return LineBreakInItemError{position};
        }
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
    std::string shown;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        // C0 controls, DEL, and C1 controls written as UTF-8 (U+0080 to
        // U+009F), which a terminal would obey.
        const bool c1 = byte == 0xC2 && i + 1 < bytes.size() &&
                        static_cast<unsigned char>(bytes[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(bytes[i + 1]) <= 0x9F;
        const std::size_t count = c1 ? 2 : (byte < 0x20 || byte == 0x7F) ? 1 : 0;
        if (count == 0) {
            shown += bytes[i];
            continue;
        }
        for (std::size_t k = 0; k < count; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            shown += "\\x";
            shown += kHex[b >> 4];
            shown += kHex[b & 0xF];
        }
        i += count - 1;
    }
    return shown;
}

}  // namespace cli
