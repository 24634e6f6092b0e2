// describe: reads a window description and prints its normal form, or the first error as
// "file:line: object.property: reason".
//
//   describe [--check] FILE...
//
// --check prints nothing for a good file. Exit status: 0 all files good, 1 an error in a file,
// 2 a file that cannot be read or a wrong command line. Only the text is checked here: classes
// and properties are known to the program that loads the description.
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "framework/Description.h"

int main(int argc, char** argv) {
    bool check = false;
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--check") == 0) {
        check = true;
        first = 2;
    }
    if (first >= argc) {
        std::cerr << "usage: describe [--check] FILE...\n";
        return 2;
    }
    int status = 0;
    for (int i = first; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::cerr << argv[i] << ": cannot be read\n";
            return 2;
        }
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        try {
            const fw::ObjectNode tree = fw::ParseDescription(text, argv[i]);
            if (!check) std::cout << fw::WriteDescription(tree);
        } catch (const fw::DescriptionError& e) {
            std::cerr << e.what() << "\n";
            status = 1;
        }
    }
    return status;
}
