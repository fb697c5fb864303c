#include "run/EarlyEnd.h"

void fatalError(const char* message) {
    throw EarlyEnd{message, 1};
}

void endRunEarly() {
    throw EarlyEnd{std::string(), 1};
}
