#include "platform/refusal.h"

#include <cstdio>

int refuse(const char* message) {
    std::fputs(message, stderr);
    return -1;
}

int refuse_with(const char* format, const char* text) {
    std::fprintf(stderr, format, text);
    return -1;
}
