#include "records/records.h"

#ifndef _WIN32
#include <poll.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <initializer_list>
#include <string_view>

namespace records {

const char* flagWord(bool on) { return on ? "true" : "false"; }

std::string joinSelection(const std::vector<std::string>& names, const std::vector<bool>& on) {
    std::string line;
    bool first = true;
    for (size_t i = 0; i < names.size() && i < on.size(); ++i) {
        if (!on[i]) continue;
        if (!first) line += ",";
        line += names[i];
        first = false;
    }
    return line;
}

namespace {

#ifdef _WIN32
// A Windows pipe blocks its writer while it is full: the stream writes the
// record whole or fails and keeps the error.
void deliver(std::FILE* out, std::string_view record) {
    std::fwrite(record.data(), 1, record.size(), out);
    std::fflush(out);
}
#else
// Writes the whole record and waits while the pipe is full, also when the
// parent made standard output non-blocking: only a real error loses it.
// Bytes that cannot be written go through the stream after all, which then
// fails the same way and keeps the error for the caller to see.
void deliver(std::FILE* out, std::string_view record) {
    if (std::fflush(out) != 0) return;
    const int fd = fileno(out);
    while (fd >= 0 && !record.empty()) {
        const ssize_t written = write(fd, record.data(), record.size());
        if (written > 0) {
            record.remove_prefix(static_cast<std::size_t>(written));
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd ready{fd, POLLOUT, 0};
            poll(&ready, 1, -1);
        } else {
            break;
        }
    }
    if (!record.empty()) {
        std::fwrite(record.data(), 1, record.size(), out);
        std::fflush(out);
    }
}
#endif

std::string lines(std::initializer_list<std::string_view> values) {
    std::string record;
    for (std::string_view value : values) {
        record.append(value);
        record += '\n';
    }
    return record;
}

}  // namespace

void writeClientsResult(std::FILE* out, const std::string& action, const std::string& autoInstall,
                        const std::string& selection) {
    deliver(out, lines({action, autoInstall, selection}));
}

void writeNoClientsResult(std::FILE* out, const std::string& action,
                          const std::string& autoInstall) {
    deliver(out, lines({action, autoInstall}));
}

void writeMigrateResult(std::FILE* out, const std::string& selection) {
    deliver(out, lines({selection}));
}

void writeMigrateDeclined(std::FILE* out) { deliver(out, "false\n"); }

// Typed or pasted values can hold a NUL byte; the record carries it rather
// than handing the parent a shortened code as if it were the whole one.
void writeEnrollResult(std::FILE* out, const std::string& code, const std::string& email) {
    deliver(out, lines({code, email}));
}

void writeEnrollSkipped(std::FILE* out) { deliver(out, "__ORVEX_ENROLL_SKIP__\n"); }

void writeEnrollDeclined(std::FILE* out) { deliver(out, "false\n"); }

}  // namespace records
