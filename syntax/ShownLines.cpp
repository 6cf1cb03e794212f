#include "ShownLines.h"

#include <cstdio>

std::string LongLineMessage()
{
    char message[96];
    std::snprintf(message, sizeof message,
                  "The file contained a line longer than the maximum allowed (%ld)!",
                  static_cast<long>(MAX_LINE_LENGTH));
    return message;
}
