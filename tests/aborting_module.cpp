// A window toolkit module that aborts as it loads, as one built against
// libraries of another version may: the run must still end in one line.
#include <cstdlib>

namespace {
[[gnu::constructor]] void abortOnLoad() { std::abort(); }
}  // namespace

extern "C" [[gnu::visibility("default")]] void* setup_dialog_toolkit_v1(const void*) {
    return nullptr;
}
