// Compiles a network package into a compiled bundle, with the same code the compiled-network
// cache uses, so that the networks the application ships need no compiling on first use.
// --optimisation extended leaves out ONNX Runtime's blocked layout (see NetworkCompiler).

#include "platform/networks/NetworkCompiler.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    using orvane::NetworkCompiler::Optimisation;
    Optimisation optimisation = Optimisation::all;
    if (argc == 5 && std::string(argv[3]) == "--optimisation" &&
        (std::string(argv[4]) == "extended" || std::string(argv[4]) == "all")) {
        optimisation = std::string(argv[4]) == "extended" ? Optimisation::extended : Optimisation::all;
    } else if (argc != 3) {
        std::cerr
            << "usage: compile-network PACKAGE.mlpackage BUNDLE.mlmodelc [--optimisation extended|all]\n";
        return 2;
    }
    try {
        orvane::NetworkCompiler::compile(argv[1], argv[2], optimisation);
    } catch (const std::exception& error) {
        std::cerr << argv[1] << ": " << error.what() << '\n';
        return 1;
    }
    return 0;
}
