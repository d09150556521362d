// The result records the parent tool reads from standard output. Each is
// written whole, every value byte for byte, and flushed at once.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace records {

// "true" or "false", the words of the automatic-setup line.
const char* flagWord(bool on);

// The names whose flag is set, in order, joined by "," with nothing between.
std::string joinSelection(const std::vector<std::string>& names, const std::vector<bool>& on);

void writeClientsResult(std::FILE* out, const std::string& action, const std::string& autoInstall,
                        const std::string& selection);
void writeNoClientsResult(std::FILE* out, const std::string& action,
                          const std::string& autoInstall);
void writeMigrateResult(std::FILE* out, const std::string& selection);
void writeMigrateDeclined(std::FILE* out);
void writeEnrollResult(std::FILE* out, const std::string& code, const std::string& email);
void writeEnrollSkipped(std::FILE* out);
void writeEnrollDeclined(std::FILE* out);

}  // namespace records
