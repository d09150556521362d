#include "cli/command.h"

#include "ui/toolkit.h"

namespace cli {

namespace {

constexpr const char* kSetupTitle = "Orvex Setup";

std::string itemOr(const std::vector<std::string>& items, const char* fallback) {
    return items.empty() ? std::string(fallback) : items.front();
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        if (b0 < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            length = 2;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            length = 3;
            if (b0 == 0xE0) low = 0xA0;   // no overlong forms
            if (b0 == 0xED) high = 0x9F;  // no surrogates
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            length = 4;
            if (b0 == 0xF0) low = 0x90;   // no overlong forms
            if (b0 == 0xF4) high = 0x8F;  // nothing above U+10FFFF
        } else {
            return false;
        }
        if (n - i < length) return false;
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        if (b1 < low || b1 > high) return false;
        for (size_t k = 2; k < length; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            if (b < 0x80 || b > 0xBF) return false;
        }
        i += length;
    }
    return true;
}

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
    if (argc < 1 || argv[0] == nullptr || !isValidUtf8(argv[0])) return std::nullopt;
    return deletingLastPathComponent(argv[0]);
}

Command parseCommandLine(int argc, const char* const* argv) {
    if (argc < 2) return UsageError{};

    const std::string mode = argv[1];

    std::vector<std::string> items;
    for (int i = 2; i < argc; ++i) {
        if (!isValidUtf8(argv[i])) return InvalidItemError{i - 1};
        items.emplace_back(argv[i]);
    }

    if (mode == "clients") {
        std::vector<std::string> names;
        if (items.size() > 1) names.assign(items.begin() + 1, items.end());
        return ClientSetupCall{itemOr(items, "default"), std::move(names)};
    }
    if (mode == "no-clients") {
        return NoClientsCall{itemOr(items, "default")};
    }
    if (mode == "enforcement-error") {
        const std::string text =
            itemOr(items, "") == "disable"
                ? "Orvex couldn't turn off automatic setup. To try again later, run: "
                  "orvex config set drift-enforcement default"
                : "Orvex couldn't turn on automatic setup. To try again later, run: "
                  "orvex config set drift-enforcement auto_install";
        return MessageCall{kSetupTitle, text, ui::kAlertStyleWarning};
    }
    if (mode == "migrate-empty") {
        return InfoCall{kSetupTitle,
                        "We didn't find any existing tools to migrate to Orvex. "
                        "You're ready to get started!"};
    }
    if (mode == "migrate") {
        return CheckboxCall{kSetupTitle,
                            "These tools are currently configured in your AI apps. "
                            "Select the ones you'd like Orvex to manage:",
                            std::move(items), "Migrate", "Do This Later"};
    }
    if (mode == "enroll") {
        return EnrollCall{itemOr(items, "")};
    }
    return UnknownModeError{mode};
}

}  // namespace cli
