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

const std::string kTurnOn =
    "Orvex couldn't turn on automatic setup. To try again later, run: "
    "orvex config set drift-enforcement auto_install";
const std::string kTurnOff =
    "Orvex couldn't turn off automatic setup. To try again later, run: "
    "orvex config set drift-enforcement default";

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
        {{"sd", "enforcement-error", "disable", "more"}, MessageCall{"Orvex Setup", kTurnOff, 0}},
        {{"sd", "enforcement-error"}, MessageCall{"Orvex Setup", kTurnOn, 0}},
        {{"sd", "enforcement-error", "enable"}, MessageCall{"Orvex Setup", kTurnOn, 0}},
        {{"sd", "enforcement-error", "Disable"}, MessageCall{"Orvex Setup", kTurnOn, 0}},
        {{"sd", "enforcement-error", " disable"}, MessageCall{"Orvex Setup", kTurnOn, 0}},
        {{"sd", "migrate-empty", "ignored"},
         InfoCall{"Orvex Setup",
                  "We didn't find any existing tools to migrate to Orvex. You're ready to get "
                  "started!"}},
    };
    for (const Case& c : cases) {
        const Command command = parse(c.args);
        ASSERT_EQ(command.index(), c.expected.index()) << c.args[1];
        if (auto* got = std::get_if<NoClientsCall>(&command)) {
            EXPECT_EQ(got->enforcementWord, std::get<NoClientsCall>(c.expected).enforcementWord);
        } else if (auto* got = std::get_if<EnrollCall>(&command)) {
            EXPECT_EQ(got->errorText, std::get<EnrollCall>(c.expected).errorText);
        } else if (auto* got = std::get_if<MessageCall>(&command)) {
            const auto& want = std::get<MessageCall>(c.expected);
            EXPECT_EQ(got->title, want.title);
            EXPECT_EQ(got->text, want.text) << (c.args.size() > 2 ? c.args[2] : "(none)");
            EXPECT_EQ(got->style, want.style);
        } else if (auto* got = std::get_if<InfoCall>(&command)) {
            EXPECT_EQ(got->title, std::get<InfoCall>(c.expected).title);
            EXPECT_EQ(got->text, std::get<InfoCall>(c.expected).text);
        }
    }
}

TEST(ParseCommandLine, MigratePassesEveryItemUnchanged) {
    const Command command = parse({"sd", "migrate", " a ", "a", "false", "x,y", "%s"});
    const auto& call = std::get<CheckboxCall>(command);
    EXPECT_EQ(call.title, "Orvex Setup");
    EXPECT_EQ(call.text,
              "These tools are currently configured in your AI apps. Select the ones you'd like "
              "Orvex to manage:");
    EXPECT_EQ(call.items, (Names{" a ", "a", "false", "x,y", "%s"}));
    EXPECT_EQ(call.confirmTitle, "Migrate");
    EXPECT_EQ(call.declineTitle, "Do This Later");
    EXPECT_TRUE(std::get<CheckboxCall>(parse({"sd", "migrate"})).items.empty());
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

TEST(Utf8, AcceptsWellFormedTextOnly) {
    struct Case {
        const char* bytes;
        bool valid;
    } cases[] = {
        {"", true},
        {"plain ascii", true},
        {"em \xe2\x80\x94 dash", true},
        {"\xe4\xb8\xad\xe6\x96\x87", true},          // CJK
        {"\xf0\x9f\x98\x80", true},                  // U+1F600
        {"\xf4\x8f\xbf\xbf", true},                  // U+10FFFF
        {"\xc3", false},                             // cut short
        {"\xe2\x80", false},                         // cut short
        {"\x80", false},                             // stray continuation
        {"\xc0\xaf", false},                         // overlong "/"
        {"\xe0\x80\xaf", false},                     // overlong
        {"\xf0\x80\x80\xaf", false},                 // overlong
        {"\xed\xa0\x80", false},                     // surrogate U+D800
        {"\xf4\x90\x80\x80", false},                 // above U+10FFFF
        {"\xf8\x88\x80\x80\x80", false},             // five-byte form
        {"\xe2\x28\xa1", false},                     // bad continuation
    };
    for (const Case& c : cases) EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << c.bytes;
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
