#include <windows.h>

#include "lock.h"

namespace vexa::link {

namespace {
// Statically initialised: nothing to set up when the library is loaded.
SRWLOCK commandLock = SRWLOCK_INIT;
}  // namespace

void acquireCommandLock() { AcquireSRWLockExclusive(&commandLock); }
void releaseCommandLock() { ReleaseSRWLockExclusive(&commandLock); }

}  // namespace vexa::link
