// generate_project FOLDER FILES LINES [SEED]: writes a synthetic VB6 project.
#include <cstdlib>
#include <iostream>

#include "bench/SyntheticProject.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: generate_project FOLDER FILES LINES [SEED]\n";
        return 2;
    }
    const uint32_t seed = argc > 4 ? static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10)) : 1;
    synthetic::WriteProject(argv[1], std::atoi(argv[2]), std::atoi(argv[3]), seed);
    return 0;
}
