#include <gtest/gtest.h>

#include <chrono>

#include "enroll/enroll_dialog.h"
#include "enroll/enroll_rules.h"
#include "fake_toolkit.h"

namespace enroll {
namespace {

using fake::FakeAlert;
using fake::FakeApplication;
using Calls = std::vector<std::string>;

const std::string kIntro =
    "If your organization gave you a setup code, enter it here \xe2\x80\x94 otherwise skip.";
const std::string kPrefixMessage = "Setup code must start with dk_.";
const std::string kCodeLineMessage = "Setup code must be a single line.";
const std::string kEmailLineMessage = "Work email must be a single line.";
// U+00A0, U+2028, U+2029, U+0085, U+3000, U+200B (not white space).
const std::string kNbsp = "\xc2\xa0", kLs = "\xe2\x80\xa8", kPs = "\xe2\x80\xa9", kNel = "\xc2\x85",
                  kIdeo = "\xe3\x80\x80", kZwsp = "\xe2\x80\x8b";

TEST(EnrollRules, TheWordingDependsOnlyOnWhetherThereIsAnErrorText) {
    EXPECT_EQ(kIntro.size(), 77u);  // 75 characters, the dash taking three bytes
    struct Case {
        std::string error, informative;
        int style;
        std::string button;
    } cases[] = {
        {"", kIntro, 1, "Continue"},
        {" ", " \n\n" + kIntro, 0, "Retry"},
        {"Line one\nline two\n", "Line one\nline two\n\n\n" + kIntro, 0, "Retry"},
        {"100% %s", "100% %s\n\n" + kIntro, 0, "Retry"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(enrollInformativeText(c.error), c.informative);
        EXPECT_EQ(enrollAlertStyle(c.error), c.style);
        EXPECT_EQ(enrollFirstButtonTitle(c.error), c.button);
    }
}

TEST(EnrollRules, TrimmingTakesWhiteSpaceAndLineBreaksFromTheEndsOnly) {
    struct Case {
        std::string text, trimmed;
        bool newline;
    } cases[] = {
        {"", "", false},
        {" \t\n\r\v\f", "", true},
        {" \tdk_1 \t", "dk_1", false},
        {kNbsp + "a b" + kNbsp, "a b", false},
        {kIdeo + "x" + kNel + kLs + kPs, "x", true},
        {"a\tb", "a\tb", false},
        {"a" + kLs + "b", "a" + kLs + "b", true},
        {"a\x0b" "b", "a\x0b" "b", true},
        {"a" + kNel + "b", "a" + kNel + "b", true},
        // Not white space: zero-width space, and bytes that are not UTF-8,
        // including an overlong form of a space and a lone continuation.
        {kZwsp + "x" + kZwsp, kZwsp + "x" + kZwsp, false},
        {"\xc0\xa0x\x80", "\xc0\xa0x\x80", false},
        {" \xe2\x80 ", "\xe2\x80", false},  // a line separator cut short
        {"\xed\xa0\x80 ", "\xed\xa0\x80", false},  // an encoded surrogate
    };
    for (const Case& c : cases) {
        EXPECT_EQ(trimString(c.text), c.trimmed) << c.text;
        EXPECT_EQ(trimString(c.trimmed), c.trimmed) << c.text;
        EXPECT_EQ(containsNewline(c.text), c.newline) << c.text;
    }
}

TEST(EnrollRules, TheFirstRuleThatFiresDecides) {
    struct Case {
        std::string code, email, wantCode, wantEmail;
        std::optional<std::string> message;
    } cases[] = {
        {" \tdk_abc\t ", "me@example.com\n", "dk_abc", "me@example.com", std::nullopt},
        {"dk_", "", "dk_", "", std::nullopt},
        {"dk_ a\tb", kNbsp + "x" + kNbsp, "dk_ a\tb", "x", std::nullopt},
        {"", "", "", "", kPrefixMessage},
        {" \n \n", "", "", "", kPrefixMessage},
        {"DK_abc", "", "DK_abc", "", kPrefixMessage},
        {"dk", "", "dk", "", kPrefixMessage},
        {"dk_a\nb", "", "dk_a\nb", "", kCodeLineMessage},
        {"dk_a\nb", "x\ny", "dk_a\nb", "x\ny", kCodeLineMessage},
        {"abc", "x\ny", "abc", "x\ny", kEmailLineMessage},
        {"dk_1", "a" + kLs + "b", "dk_1", "a" + kLs + "b", kEmailLineMessage},
        {"dk_1", "ab" + kLs, "dk_1", "ab", std::nullopt},
        {"dk_1\r\n", "\r\nme\r\n", "dk_1", "me", std::nullopt},
        // A NUL is no more a single line of text than a line feed: a
        // parent reading C strings would get less than was accepted.
        {std::string("dk_a\0b", 6), "", std::string("dk_a\0b", 6), "", kCodeLineMessage},
        {std::string(" dk_a\0 ", 7), "", std::string("dk_a\0", 5), "", kCodeLineMessage},
        {std::string("\0dk_a", 5), "x\ny", std::string("\0dk_a", 5), "x\ny", kCodeLineMessage},
        {"abc", std::string("me\0@x", 6), "abc", std::string("me\0@x", 6), kEmailLineMessage},
        {"dk_1", std::string("\0", 1), "dk_1", std::string("\0", 1), kEmailLineMessage},
    };
    for (const Case& c : cases) {
        const EnrollVerdict verdict = judgeEnrollInput(c.code, c.email);
        EXPECT_EQ(verdict.code, c.wantCode) << c.code;
        EXPECT_EQ(verdict.email, c.wantEmail) << c.email;
        EXPECT_EQ(verdict.message, c.message) << c.code << " / " << c.email;
    }
}

TEST(EnrollRules, AMegabyteOfAnyTextIsJudgedInLinearTime) {
    const std::string blank(1 << 20, ' ');
    std::string mixed;
    while (mixed.size() < (1u << 20)) mixed += kNbsp + "\xff" + kLs + "x";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(judgeEnrollInput(blank, blank).message, kPrefixMessage);
    EXPECT_EQ(judgeEnrollInput("dk_" + blank + "x", mixed).message, kEmailLineMessage);
    EXPECT_EQ(trimString(blank + "dk_" + blank).size(), 3u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// Plays the user through the passes: each entry types into the two fields
// and answers with a run result.
struct Pass {
    std::string code, email;
    long result;
};

struct EnrollRun {
    FakeApplication app;
    std::string out;
    // What each pass showed: its fields' texts when the alert came up.
    std::vector<std::pair<std::string, std::string>> shown;

    EnrollRun(const std::string& errorText, const std::vector<Pass>& passes) {
        size_t next = 0;
        app.onRunModal = [&](FakeAlert& alert) {
            const auto fields = alert.textFields();
            shown.emplace_back(fields.at(1)->stringValue(), fields.at(3)->stringValue());
            const Pass& pass = passes.at(next++);
            fields[1]->type(pass.code);
            fields[3]->type(pass.email);
            return pass.result;
        };
        fake::CapturedOutput output;
        showEnrollDialog({app, output.file(), std::nullopt}, errorText);
        out = output.text();
        EXPECT_EQ(next, passes.size()) << "passes left unplayed";
    }
};

TEST(EnrollDialog, EachOutcomeWritesOneRecordAndRejectionsWriteNothing) {
    struct Case {
        std::string errorText;
        std::vector<Pass> passes;
        std::string out;
    } cases[] = {
        {"", {{" dk_1 ", "a@b.c", 1000}}, "dk_1\na@b.c\n"},
        {"", {{"dk_%s", "", 1000}}, "dk_%s\n\n"},
        {"", {{"x", "", 1000}, {"y", "", 1000}, {"dk_2", "\xe4\xb8\xad@b.c", 1000}},
         "dk_2\n\xe4\xb8\xad@b.c\n"},
        {"", {{"x", "", 1000}, {"dk_1", "", 1001}}, "__ORVEX_ENROLL_SKIP__\n"},
        {"", {{"x", "", 1000}, {"dk_1", "", 1002}}, "false\n"},
        {"Bad", {{"dk_1", "", 0}}, "false\n"},
        {"", {{"dk_1", "", 1001}}, "__ORVEX_ENROLL_SKIP__\n"},
    };
    for (const Case& c : cases) {
        EnrollRun run(c.errorText, c.passes);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.app.alerts.size(), c.passes.size());
    }
}

TEST(EnrollDialog, ARejectedPassComesBackWithTheMessageAndTheTrimmedValues) {
    EnrollRun run("From the parent", {{"  abc \t", " me@x.y\n", 1000},
                                      {"dk_a\nb ", "me@x.y", 1000},
                                      {"dk_ok", "me@x.y", 1001}});
    const auto& alerts = run.app.alerts;
    ASSERT_EQ(alerts.size(), 3u);
    const std::string texts[] = {"From the parent\n\n" + kIntro, kPrefixMessage + "\n\n" + kIntro,
                                 kCodeLineMessage + "\n\n" + kIntro};
    for (size_t i = 0; i < alerts.size(); ++i) {
        EXPECT_EQ(alerts[i]->messageText, "Orvex Enrollment");
        EXPECT_EQ(alerts[i]->informativeText, texts[i]);
        EXPECT_EQ(alerts[i]->style, ui::kAlertStyleWarning);
        EXPECT_EQ(alerts[i]->buttons, (std::vector<std::string>{"Retry", "Skip", "Cancel"}));
    }
    using Shown = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(run.shown, (Shown{{"", ""}, {"abc", "me@x.y"}, {"dk_a\nb", "me@x.y"}}));
    EXPECT_EQ(run.out, "__ORVEX_ENROLL_SKIP__\n");
}

TEST(EnrollDialog, BuildsEachPassInOrderAndFocusesTheSetupCode) {
    EnrollRun run("", {{"x", "", 1000}, {"", "", 1002}});
    const Calls calls(run.app.calls.begin(), run.app.calls.begin() + 29);
    EXPECT_EQ(calls, (Calls{
        "makeAlert() -> alert1",
        "alert1.setMessageText(\"Orvex Enrollment\")",
        "alert1.setInformativeText(\"" + kIntro + "\")",
        "alert1.setAlertStyle(1)",
        "alert1.addButtonWithTitle(\"Continue\")",
        "alert1.addButtonWithTitle(\"Skip\")",
        "alert1.addButtonWithTitle(\"Cancel\")",
        "makeView(0, 0, 600, 96) -> view1",
        "makeLabel(\"Setup code\") -> label1",
        "label1.setFrame(0, 72, 100, 20)",
        "view1.addSubview(label1)",
        "makeTextField(110, 68, 480, 24) -> field1",
        "field1.setPlaceholderString(\"dk_...\")",
        "field1.setAccessibilityTitleUIElement(label1)",
        "field1.setFont(monospaced 11 regular)",
        "field1.setStringValue(\"\")",
        "view1.addSubview(field1)",
        "makeLabel(\"Work email\") -> label2",
        "label2.setFrame(0, 36, 100, 20)",
        "view1.addSubview(label2)",
        "makeTextField(110, 32, 480, 24) -> field2",
        "field2.setPlaceholderString(\"name@example.com\")",
        "field2.setAccessibilityTitleUIElement(label2)",
        "field2.setStringValue(\"\")",
        "view1.addSubview(field2)",
        "alert1.setAccessoryView(view1)",
        "alert1.layout()",
        "alert1.window.setLevel(3)",
        "alert1.window.makeFirstResponder(field1)",
    }));
    EXPECT_EQ(run.app.calls.at(29), "app.activateIgnoringOtherApps(true)");
    // The second pass is a new alert with a new setup-code field, focused
    // like the first; only that field gets the monospaced font.
    EXPECT_EQ(run.app.callsStartingWith("alert2.window.makeFirstResponder"),
              Calls{"alert2.window.makeFirstResponder(field3)"});
    EXPECT_EQ(run.app.callsStartingWith("field3.setStringValue"), Calls{"field3.setStringValue(\"x\")"});
    EXPECT_TRUE(run.app.callsStartingWith("field2.setFont").empty());
    EXPECT_TRUE(run.app.callsStartingWith("field4.setFont").empty());
}

}  // namespace
}  // namespace enroll
