// Threads over pthreads. The semaphore is a mutex, a condition and a count,
// waited on with CLOCK_MONOTONIC, so that a change of the wall clock neither
// cuts a wait short nor makes it last.
#include "platform/threads.h"

#include <errno.h>
#include <pthread.h>
#include <time.h>

#include <new>

namespace platform {

struct Mutex {
  pthread_mutex_t mutex;
};

Mutex* newMutex() {
  Mutex* mutex = new (std::nothrow) Mutex;
  if (mutex != nullptr && pthread_mutex_init(&mutex->mutex, nullptr) != 0) {
    delete mutex;
    mutex = nullptr;
  }
  return mutex;
}

void deleteMutex(Mutex* mutex) {
  if (mutex == nullptr) return;
  pthread_mutex_destroy(&mutex->mutex);
  delete mutex;
}

void lockMutex(Mutex* mutex) { pthread_mutex_lock(&mutex->mutex); }

void unlockMutex(Mutex* mutex) { pthread_mutex_unlock(&mutex->mutex); }

struct Semaphore {
  pthread_mutex_t mutex;
  pthread_cond_t posted;
  unsigned long count;
};

Semaphore* newSemaphore() {
  Semaphore* semaphore = new (std::nothrow) Semaphore;
  if (semaphore == nullptr) return nullptr;
  semaphore->count = 0;
  pthread_condattr_t attributes;
  bool made = pthread_condattr_init(&attributes) == 0;
  if (made) {
    made = pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC) == 0 &&
           pthread_cond_init(&semaphore->posted, &attributes) == 0;
    pthread_condattr_destroy(&attributes);
  }
  if (made && pthread_mutex_init(&semaphore->mutex, nullptr) != 0) {
    pthread_cond_destroy(&semaphore->posted);
    made = false;
  }
  if (!made) {
    delete semaphore;
    semaphore = nullptr;
  }
  return semaphore;
}

void deleteSemaphore(Semaphore* semaphore) {
  if (semaphore == nullptr) return;
  pthread_cond_destroy(&semaphore->posted);
  pthread_mutex_destroy(&semaphore->mutex);
  delete semaphore;
}

void postSemaphore(Semaphore* semaphore) {
  pthread_mutex_lock(&semaphore->mutex);
  ++semaphore->count;
  pthread_cond_signal(&semaphore->posted);
  pthread_mutex_unlock(&semaphore->mutex);
}

bool waitSemaphore(Semaphore* semaphore, uint32_t milliseconds) {
  struct timespec deadline;
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += static_cast<time_t>(milliseconds / 1000);
  deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_nsec -= 1000000000L;
    ++deadline.tv_sec;
  }
  pthread_mutex_lock(&semaphore->mutex);
  int waited = 0;
  while (semaphore->count == 0 && waited != ETIMEDOUT) {
    waited = milliseconds == kWaitForever
                 ? pthread_cond_wait(&semaphore->posted, &semaphore->mutex)
                 : pthread_cond_timedwait(&semaphore->posted, &semaphore->mutex, &deadline);
  }
  bool taken = semaphore->count > 0;
  if (taken) --semaphore->count;
  pthread_mutex_unlock(&semaphore->mutex);
  return taken;
}

struct ThreadStart {
  void (*routine)(void*);
  void* argument;
};

static void* runThread(void* start) {
  ThreadStart begun = *static_cast<ThreadStart*>(start);
  delete static_cast<ThreadStart*>(start);
  begun.routine(begun.argument);
  return nullptr;
}

bool startThread(void (*routine)(void* argument), void* argument) {
  ThreadStart* start = new (std::nothrow) ThreadStart{routine, argument};
  if (start == nullptr) return false;
  pthread_t thread;
  if (pthread_create(&thread, nullptr, runThread, start) != 0) {
    delete start;
    return false;
  }
  pthread_detach(thread);
  return true;
}

ThreadToken* currentThreadToken() { return nullptr; }

void releaseThreadToken(ThreadToken*) {}

bool cancelBlockingCall(ThreadToken*) { return false; }

uint32_t tickMilliseconds() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                               static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

}  // namespace platform
