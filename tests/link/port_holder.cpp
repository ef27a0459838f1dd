// Takes a port the way the program does and keeps it until its standard
// input ends or it is killed. Prints "offen" once the port is held, else
// why the open failed; exit status 0 when held, 1 when refused.
#include "open_failure.h"
#include "termios_port.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: port_holder DEVICE\n");
        return 2;
    }
    comphard::OpenFailure failure = comphard::OpenFailure::None;
    const auto port = comphard::TermiosPort::open(argv[1], comphard::LineMode{}, &failure);
    if (!port) {
        std::printf("%s\n", comphard::openFailureText(failure, argv[1]).c_str());
        return 1;
    }
    std::printf("offen\n");
    std::fflush(stdout);
    char c = 0;
    while (::read(STDIN_FILENO, &c, 1) > 0) {
    }
    return 0;
}
