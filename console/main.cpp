#include <iostream>
#include <string>
#include <vector>

#include "console/console_main.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    int status = tavro::ConsoleMain(arguments, tavro::PlatformFileServices(), std::cout, std::cerr);
    std::cout.flush();
    return status;
}
