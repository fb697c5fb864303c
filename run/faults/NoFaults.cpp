#include "run/faults/FaultPoint.h"

void atJournaledChange(int, bool) {}

bool journalWanted() {
    return true;
}
