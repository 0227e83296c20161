#include "doorkit/session/log.h"

// Nothing opens the log yet, so both hooks stay empty.
bool (*pfLogWrite)(int) = nullptr;
bool (*pfLogClose)(int) = nullptr;
