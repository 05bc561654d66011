// --help and --version of the windowed program. They are answered before any
// window system is touched, so both work without a display (the man page is
// made from them while building, often on a machine without one).
#pragma once

#include <optional>

namespace vorel::app {

// The exit status when the command line asks for help or the version (the
// answer is printed on stdout), or nothing when the program should start.
// Every other option is left alone: the program ignores options it does not know.
std::optional<int> AnswerInfoOptions(int argc, char* argv[]);

}  // namespace vorel::app
