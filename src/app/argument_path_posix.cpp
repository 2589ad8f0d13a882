// POSIX file names are bytes: the argument is taken as it is.
#include "app/argument_path.h"

std::filesystem::path argument_path(int /*argc*/, char** argv, int index, std::size_t skip) {
    return std::filesystem::path(argv[index] + skip);
}
