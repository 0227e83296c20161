#include "doorkit/session/writeback.h"

// No drop-file format is written back yet.
void ODWriteDropFiles(bool) {}
