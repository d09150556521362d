#include "records/records.h"

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

void writeClientsResult(std::FILE* out, const std::string& action, const std::string& autoInstall,
                        const std::string& selection) {
    std::fprintf(out, "%s\n%s\n%s\n", action.c_str(), autoInstall.c_str(), selection.c_str());
    std::fflush(out);
}

void writeNoClientsResult(std::FILE* out, const std::string& action,
                          const std::string& autoInstall) {
    std::fprintf(out, "%s\n%s\n", action.c_str(), autoInstall.c_str());
    std::fflush(out);
}

void writeMigrateResult(std::FILE* out, const std::string& selection) {
    std::fprintf(out, "%s\n", selection.c_str());
    std::fflush(out);
}

void writeMigrateDeclined(std::FILE* out) {
    std::fprintf(out, "false\n");
    std::fflush(out);
}

void writeEnrollResult(std::FILE* out, const std::string& code, const std::string& email) {
    // Typed or pasted values can hold a NUL byte, where "%s" would stop and
    // hand the parent a shortened code as if it were the whole one.
    std::fwrite(code.data(), 1, code.size(), out);
    std::fputc('\n', out);
    std::fwrite(email.data(), 1, email.size(), out);
    std::fputc('\n', out);
    std::fflush(out);
}

void writeEnrollSkipped(std::FILE* out) {
    std::fprintf(out, "__ORVEX_ENROLL_SKIP__\n");
    std::fflush(out);
}

void writeEnrollDeclined(std::FILE* out) {
    std::fprintf(out, "false\n");
    std::fflush(out);
}

}  // namespace records
