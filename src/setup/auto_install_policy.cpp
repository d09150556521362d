#include "setup/auto_install_policy.h"

namespace setup {

namespace {
constexpr const char* kEnforceAllNote =
    "An advanced configuration has Orvex manage every AI app and all of its MCP servers.";
constexpr const char* kTurnedOffNote = "Automatic setup is turned off by an advanced configuration.";
}  // namespace

AutoInstallState autoInstallStateForEnforcement(const std::string& word) {
    if (word == "auto_install") return {true, true, true, nullptr};
    if (word == "enforce_all") return {false, false, true, kEnforceAllNote};
    if (word == "detect_only") return {false, false, false, kTurnedOffNote};
    if (word == "off") return {false, false, false, kTurnedOffNote};
    return {true, false, false, nullptr};
}

}  // namespace setup
