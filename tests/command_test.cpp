#include "cli/command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cli {
namespace {

Command parse(std::vector<const char*> args) {
    return parseCommandLine(static_cast<int>(args.size()), args.data());
}

using Names = std::vector<std::string>;

TEST(ParseCommandLine, ClientsTakesTheFirstItemAsEnforcementWordAndTheRestAsNames) {
    struct Case {
        std::vector<const char*> args;
        std::string word;
        Names names;
    } cases[] = {
        {{"sd", "clients"}, "default", {}},
        {{"sd", "clients", "auto_install"}, "auto_install", {}},
        {{"sd", "clients", "Cursor"}, "Cursor", {}},
        {{"sd", "clients", "default", "A", "B", "C"}, "default", {"A", "B", "C"}},
        {{"sd", "clients", "", "", "x"}, "", {"", "x"}},
    };
    for (const Case& c : cases) {
        const Command command = parse(c.args);
        const auto* call = std::get_if<ClientSetupCall>(&command);
        ASSERT_NE(call, nullptr) << c.args.size();
        EXPECT_EQ(call->enforcementWord, c.word);
        EXPECT_EQ(call->clientNames, c.names);
    }
}

TEST(ParseCommandLine, SingleItemModesReadOnlyTheFirstItem) {
    struct Case {
        std::vector<const char*> args;
        Command expected;
    } cases[] = {
        {{"sd", "no-clients"}, NoClientsCall{"default"}},
        {{"sd", "no-clients", "detect_only", "extra"}, NoClientsCall{"detect_only"}},
        {{"sd", "enroll"}, EnrollCall{""}},
        {{"sd", "enroll", "x", "y"}, EnrollCall{"x"}},
        {{"sd", "enforcement-error", "disable", "more"}, EnforcementErrorCall{"disable"}},
        {{"sd", "enforcement-error"}, EnforcementErrorCall{""}},
        {{"sd", "enforcement-error", " disable"}, EnforcementErrorCall{" disable"}},
        {{"sd", "migrate-empty", "ignored"}, MigrateEmptyCall{}},
    };
    for (const Case& c : cases) {
        const Command command = parse(c.args);
        ASSERT_EQ(command.index(), c.expected.index()) << c.args[1];
        if (auto* got = std::get_if<NoClientsCall>(&command)) {
            EXPECT_EQ(got->enforcementWord, std::get<NoClientsCall>(c.expected).enforcementWord);
        } else if (auto* got = std::get_if<EnrollCall>(&command)) {
            EXPECT_EQ(got->errorText, std::get<EnrollCall>(c.expected).errorText);
        } else if (auto* got = std::get_if<EnforcementErrorCall>(&command)) {
            EXPECT_EQ(got->operation, std::get<EnforcementErrorCall>(c.expected).operation);
        }
    }
}

TEST(ParseCommandLine, MigratePassesEveryItemUnchanged) {
    const Command command = parse({"sd", "migrate", " a ", "a", "false", "x,y", "%s"});
    EXPECT_EQ(std::get<MigrateCall>(command).toolNames, (Names{" a ", "a", "false", "x,y", "%s"}));
    EXPECT_TRUE(std::get<MigrateCall>(parse({"sd", "migrate"})).toolNames.empty());
}

TEST(ParseCommandLine, RejectsMissingAndUnknownModes) {
    EXPECT_TRUE(std::holds_alternative<UsageError>(parse({"sd"})));
    EXPECT_TRUE(std::holds_alternative<UsageError>(parseCommandLine(0, nullptr)));
    for (const char* mode : {"Clients", "", " clients", "clients ", "migrate_empty", "\xff\xfe"}) {
        const Command command = parse({"sd", mode, "x"});
        ASSERT_TRUE(std::holds_alternative<UnknownModeError>(command)) << mode;
        EXPECT_EQ(std::get<UnknownModeError>(command).rawMode, mode);
    }
}

TEST(ParseCommandLine, AnItemThatIsNotUtf8IsRejectedByPosition) {
    const Command command = parse({"sd", "clients", "default", "ok", "bad\xc3"});
    ASSERT_TRUE(std::holds_alternative<InvalidItemError>(command));
    EXPECT_EQ(std::get<InvalidItemError>(command).position, 3);
}

// Which error a hostile command line gets: the mode is judged first, and
// only the items a mode reads are checked. Names are taken byte for byte,
// line breaks included (a CR LF file gives names ending in CR).
TEST(ParseCommandLine, JudgesTheModeThenOnlyTheItemsItReads) {
    struct Case {
        std::vector<const char*> args;
        std::size_t index;  // of the Command alternative
        int position;       // of the item at fault, if any
    } cases[] = {
        {{"sd", "bogus", "\xff"}, 1, 0},
        {{"sd", "migrate-empty", "\xff"}, Command(MigrateEmptyCall{}).index(), 0},
        {{"sd", "no-clients", "off", "\xff"}, Command(NoClientsCall{}).index(), 0},
        {{"sd", "enroll", "Expired\nagain", "\xc3"}, Command(EnrollCall{}).index(), 0},
        {{"sd", "no-clients", "\xc3"}, Command(InvalidItemError{}).index(), 1},
        {{"sd", "clients", "default", "a\nconfigure"}, Command(ClientSetupCall{}).index(), 0},
        {{"sd", "clients", "x\ny", "A"}, Command(ClientSetupCall{}).index(), 0},
        {{"sd", "migrate", "x", "y\r"}, Command(MigrateCall{}).index(), 0},
        {{"sd", "migrate", "x,y", "tab\there"}, Command(MigrateCall{}).index(), 0},
        {{"sd", "migrate", "ok\n", "bad\xc3"}, Command(InvalidItemError{}).index(), 2},
    };
    for (const Case& c : cases) {
        const Command command = parse(c.args);
        ASSERT_EQ(command.index(), c.index) << c.args[1] << " " << c.args.back();
        if (auto* invalid = std::get_if<InvalidItemError>(&command)) {
            EXPECT_EQ(invalid->position, c.position);
        }
    }
    const Command crlf = parse({"sd", "clients", "default", "Cursor\r", "Zed\r\n", "a\x0b\xc2\x85\xe2\x80\xa8"});
    ASSERT_TRUE(std::holds_alternative<ClientSetupCall>(crlf));
    EXPECT_EQ(std::get<ClientSetupCall>(crlf).clientNames,
              (std::vector<std::string>{"Cursor\r", "Zed\r\n", "a\x0b\xc2\x85\xe2\x80\xa8"}));
}

TEST(PrintableBytes, KeepsTheBytesButNotTheControls) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"Clients", "Clients"},
        {"bad\xff \xc3\xa9", "bad\xff \xc3\xa9"},
        {"two\nlines\r", "two\\x0alines\\x0d"},
        {"\x1b]0;owned\x07\x7f", "\\x1b]0;owned\\x07\\x7f"},
        {"csi \xc2\x9b" "2J, nbsp \xc2\xa0", "csi \\xc2\\x9b" "2J, nbsp \xc2\xa0"},
        {std::string("nul\0", 4), "nul\\x00"},
        // C1 sent raw, outside any UTF-8 sequence: an 8-bit terminal obeys
        // it. Inside a valid sequence the same byte is only a continuation.
        {"raw \x9b" "2J \x85\x80", "raw \\x9b" "2J \\x85\\x80"},
        {"euro \xe2\x82\xac, \xc3\x85", "euro \xe2\x82\xac, \xc3\x85"},
        {"nel \xc2\x85 cut \xc2", "nel \\xc2\\x85 cut \xc2"},
        // A backslash typed by the parent cannot pass for an escape.
        {"a\\x09b\tc", "a\\x5cx09b\\x09c"},
    };
    for (const Case& c : cases) EXPECT_EQ(printableBytes(c.in), c.out) << c.in;
}

TEST(ExecutableDirectory, IsArgvZeroLessItsLastComponentTakenAsGiven) {
    struct Case {
        const char* argv0;
        const char* directory;
    } cases[] = {
        {"/opt/tool/bin/setup-dialog", "/opt/tool/bin"},
        {"bin/setup-dialog", "bin"},
        {"setup-dialog", ""},
        {"./setup-dialog", "."},
        {"/setup-dialog", "/"},
        {"/", "/"},
        {"", ""},
        {"a//b", "a"},
        {"a/b/", "a"},
        {"../x/../y", "../x/.."},
    };
    for (const Case& c : cases) {
        const char* argv[] = {c.argv0, nullptr};
        EXPECT_EQ(executableDirectory(1, argv), std::optional<std::string>(c.directory)) << c.argv0;
    }
    const char* invalid[] = {"/opt/\xff/setup-dialog", nullptr};
    EXPECT_EQ(executableDirectory(1, invalid), std::nullopt);
    EXPECT_EQ(executableDirectory(0, nullptr), std::nullopt);
}

}  // namespace
}  // namespace cli
