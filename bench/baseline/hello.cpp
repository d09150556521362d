// The least a C++ program costs: start with its runtime, print one line,
// end. The floor a usage error or a terminal prompt of setup-dialog is
// measured against.
#include <iostream>

int main() {
    std::cout << "Usage: hello\n";
    return 1;
}
