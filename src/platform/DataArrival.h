#pragma once

// Whether a data file is there to be opened. Natively it always is, or is missing for good; a page
// downloads its data while the program starts, and a file not yet arrived is one to wait for
// (false) rather than a missing one: once everything has arrived, this is true of every file.
bool dataFileArrived(const char* fileName);
