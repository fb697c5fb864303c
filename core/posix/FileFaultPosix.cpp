// The file layer's fault seam on a POSIX host: no operation is made to
// fail. Alone in its file, so that a test program may fault operations.
#include "core/FileLayer.h"

bool fileFault(FileOp) {
    return false;
}
