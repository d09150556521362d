// The least a C++ program costs: start, print one line, end. The floor a
// usage error or a terminal prompt of setup-dialog is measured against.
#include <cstdio>

int main() {
    std::puts("Usage: hello");
    return 1;
}
