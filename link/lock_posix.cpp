#include <pthread.h>

#include "lock.h"

namespace vexa::link {

namespace {
pthread_mutex_t commandMutex = PTHREAD_MUTEX_INITIALIZER;
}

void acquireCommandLock() { pthread_mutex_lock(&commandMutex); }
void releaseCommandLock() { pthread_mutex_unlock(&commandMutex); }

}  // namespace vexa::link
