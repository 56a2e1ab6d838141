// A stand-in launcher for the single-instance tests: takes the guard named
// after its own file name, prints "first" or "second" and waits to be killed.

#include <unistd.h>

#include <cstdio>

#include "shell/single_instance.h"

int main() {
    std::printf("%s\n", kestrow::shell::IsRunFirst() ? "first" : "second");
    std::fflush(stdout);
    for (;;)
        ::pause();
}
