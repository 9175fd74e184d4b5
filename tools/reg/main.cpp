// reg: look at and repair the settings in the registry folder.

#include <iostream>

#include "reg/reg_command.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    vantry::registry::Store store;
    return vantry::regtool::RunReg(args, store, std::cin, std::cout, std::cerr);
}
