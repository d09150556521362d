// The command line, turned into the one dialog call it asks for. Which texts
// a dialog shows is the dialog's business; this only reads the items.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace cli {

// No mode word at all.
struct UsageError {};
// A mode word that is none of the six; the raw bytes as passed.
struct UnknownModeError {
    std::string rawMode;
};
// An item the mode reads that is not valid UTF-8; position counts the items
// from 1.
struct InvalidItemError {
    int position = 0;
};
struct ClientSetupCall {
    std::string enforcementWord;
    std::vector<std::string> clientNames;
};
struct NoClientsCall {
    std::string enforcementWord;
};
// The operation that failed: "disable", or anything else.
struct EnforcementErrorCall {
    std::string operation;
};
struct MigrateEmptyCall {};
struct MigrateCall {
    std::vector<std::string> toolNames;
};
struct EnrollCall {
    std::string errorText;
};

using Command = std::variant<UsageError, UnknownModeError, InvalidItemError, ClientSetupCall,
                             NoClientsCall, EnforcementErrorCall, MigrateEmptyCall, MigrateCall,
                             EnrollCall>;

// The path less its last component: "/opt/tool/bin/x" gives "/opt/tool/bin",
// "bin/x" gives "bin", "x" gives "" and "/x" gives "/".
std::string deletingLastPathComponent(std::string_view path);

// The directory the program was started from, from argv[0] exactly as given;
// none when argv[0] is missing or not valid UTF-8.
std::optional<std::string> executableDirectory(int argc, const char* const* argv);

// Reads the mode word, then the items the mode reads, and picks the dialog
// call. The mode is judged first; items a mode ignores are not checked.
Command parseCommandLine(int argc, const char* const* argv);

// The bytes for an error line: every byte a terminal may act on becomes
// \xNN (C0, DEL, C1 whether raw or written as UTF-8), and so does the
// backslash itself, so that an escape cannot be forged; all else is kept.
std::string printableBytes(std::string_view bytes);

}  // namespace cli
