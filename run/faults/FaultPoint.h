// Where a test build ends the installer at once, as a power cut or a kill
// would: just before or just after the k-th change of its journal. The
// shipped programs link the definition that does nothing.
#pragma once

// change counts from 1; made is false just before the change (its journal
// line is on the disk) and true once it is made.
void atJournaledChange(int change, bool made);

// Whether this run keeps its journal: always in the shipped programs; the
// test build runs without one when INSTALL_NO_JOURNAL is set, so that a
// benchmark can weigh what the journal costs.
bool journalWanted();
