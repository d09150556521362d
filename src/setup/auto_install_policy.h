// The automatic-setup policy: what the parent's enforcement word lets the
// user decide, and what it decides for them.
#pragma once

#include <string>

namespace setup {

struct AutoInstallState {
    // Show the automatic-setup checkbox; when false, `note` takes its place.
    bool showCheckbox = true;
    // The checkbox starts checked (only ever true when it is shown).
    bool checkboxOn = false;
    // The client checkboxes start locked: all checked and disabled.
    bool lockClients = false;
    // Why the choice was taken away; null whenever the checkbox is shown.
    const char* note = nullptr;
};

// Exact, case-sensitive match on four words; anything else, "default"
// included, leaves the choice with the user, unchecked.
AutoInstallState autoInstallStateForEnforcement(const std::string& word);

}  // namespace setup
