#include "records/records.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <functional>
#include <string>

namespace records {
namespace {

// Runs a writer against a real stream and returns the bytes it wrote.
std::string captured(const std::function<void(std::FILE*)>& write) {
    std::FILE* file = std::tmpfile();
    write(file);
    std::string bytes;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) bytes.push_back(static_cast<char>(c));
    std::fclose(file);
    return bytes;
}

TEST(Records, AreExactLinesWithValuesWrittenByteForByte) {
    const std::string tricky = "100% %s %n \xe2\x80\x94 \xe4\xb8\xad";
    struct Case {
        std::function<void(std::FILE*)> write;
        std::string bytes;
    } cases[] = {
        {[](std::FILE* f) { writeClientsResult(f, "configure", "true", "A,B"); },
         "configure\ntrue\nA,B\n"},
        {[](std::FILE* f) { writeClientsResult(f, "skip", "false", ""); }, "skip\nfalse\n\n"},
        {[&](std::FILE* f) { writeClientsResult(f, "configure", "false", tricky); },
         "configure\nfalse\n" + tricky + "\n"},
        {[](std::FILE* f) { writeNoClientsResult(f, "close", "true"); }, "close\ntrue\n"},
        {[](std::FILE* f) { writeMigrateResult(f, ""); }, "\n"},
        {[&](std::FILE* f) { writeMigrateResult(f, tricky); }, tricky + "\n"},
        {[](std::FILE* f) { writeMigrateDeclined(f); }, "false\n"},
        {[&](std::FILE* f) { writeEnrollResult(f, "dk_%d", tricky); }, "dk_%d\n" + tricky + "\n"},
        {[](std::FILE* f) { writeEnrollResult(f, "dk_", ""); }, "dk_\n\n"},
        // A NUL pasted into a field must not cut the value short.
        {[](std::FILE* f) { writeEnrollResult(f, std::string("dk_a\0b", 6), std::string("\0", 1)); },
         std::string("dk_a\0b\n\0\n", 9)},
        {[](std::FILE* f) { writeEnrollSkipped(f); }, "__ORVEX_ENROLL_SKIP__\n"},
        {[](std::FILE* f) { writeEnrollDeclined(f); }, "false\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(captured(c.write), c.bytes);
}

TEST(Records, SelectionJoinsTheChosenNamesInListOrder) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(joinSelection(Names{"P", "Q", "R"}, {true, false, true}), "P,R");
    EXPECT_EQ(joinSelection(Names{"P", "Q"}, {false, false}), "");
    EXPECT_EQ(joinSelection(Names{}, {}), "");
    EXPECT_EQ(joinSelection(Names{" a ", "a", "x,y"}, {true, true, true}), " a ,a,x,y");
    EXPECT_EQ(joinSelection(Names{"", "b"}, {true, true}), ",b");
}

TEST(Records, AFailedWriteShowsOnTheStreamAsSoonAsTheWriterReturns) {
    // Each writer flushes, so that a full disk or a closed pipe is seen
    // before the run decides its exit status.
    const std::function<void(std::FILE*)> writers[] = {
        [](std::FILE* f) { writeClientsResult(f, "configure", "true", "A"); },
        [](std::FILE* f) { writeNoClientsResult(f, "close", "false"); },
        [](std::FILE* f) { writeMigrateResult(f, "A"); },
        [](std::FILE* f) { writeMigrateDeclined(f); },
        [](std::FILE* f) { writeEnrollResult(f, "dk_1", "a@b.c"); },
        [](std::FILE* f) { writeEnrollSkipped(f); },
        [](std::FILE* f) { writeEnrollDeclined(f); },
    };
    for (const auto& write : writers) {
        std::FILE* full = std::fopen("/dev/full", "w");
        ASSERT_NE(full, nullptr);
        write(full);
        EXPECT_TRUE(std::ferror(full));
        std::fclose(full);
    }
}

// A parent may hand over a non-blocking pipe and read it a moment late: the
// record must still arrive whole, however long, rather than fail half-way.
TEST(Records, ArriveWholeThroughAFullNonBlockingPipe) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    fcntl(ends[1], F_SETFL, fcntl(ends[1], F_GETFL) | O_NONBLOCK);
    std::FILE* out = fdopen(ends[1], "w");
    ASSERT_NE(out, nullptr);
    const std::string selection(300000, 'x');  // several pipes full
    std::string received;
    std::thread reader([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        char buffer[65536];
        for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) > 0;) received.append(buffer, n);
    });
    writeMigrateResult(out, selection);
    EXPECT_FALSE(std::ferror(out));
    std::fclose(out);
    reader.join();
    close(ends[0]);
    EXPECT_EQ(received, selection + "\n");
}

}  // namespace
}  // namespace records
