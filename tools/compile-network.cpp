// Compiles a network package into a compiled bundle, with the same code the compiled-network
// cache uses, so that the networks the application ships need no compiling on first use.

#include "platform/networks/NetworkCompiler.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: compile-network PACKAGE.mlpackage BUNDLE.mlmodelc\n";
        return 2;
    }
    try {
        orvane::NetworkCompiler::compile(argv[1], argv[2]);
    } catch (const std::exception& error) {
        std::cerr << argv[1] << ": " << error.what() << '\n';
        return 1;
    }
    return 0;
}
