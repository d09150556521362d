#include "cli/command.h"

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

    std::vector<std::string> items;
    for (int i = 2; i < argc; ++i) {
        if (!utf8::isValid(argv[i])) return InvalidItemError{i - 1};
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
        return EnforcementErrorCall{itemOr(items, "")};
    }
    if (mode == "migrate-empty") {
        return MigrateEmptyCall{};
    }
    if (mode == "migrate") {
        return MigrateCall{std::move(items)};
    }
    if (mode == "enroll") {
        return EnrollCall{itemOr(items, "")};
    }
    return UnknownModeError{mode};
}

}  // namespace cli
