#include "vexa.h"

// Kept for callers of the reader's original interface: takes part in no
// exchange.
extern "C" int VEXA_CALL GetRecData(int /*reserved*/) { return VEXA_RESULT_OK; }
