#include "app/output_capture.h"

#include <cstdio>
#include <unistd.h>

// tmpfile's file has no name left once it is open: nothing to clean up,
// whatever ends the process.
int open_capture_file() {
    std::FILE* file = std::tmpfile();
    if (file == nullptr) {
        return -1;
    }
    const int descriptor = dup(fileno(file));
    std::fclose(file);
    return descriptor;
}
