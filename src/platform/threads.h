// Threads, and waits with a time limit: the few primitives that Windows NT 4.0
// (CreateThread, critical sections, semaphores, GetTickCount) and POSIX
// (pthreads, CLOCK_MONOTONIC) both have. qnReport reads many logs at once
// with them, and gives up on a read that takes too long.
//
// Two implementations: threads_win32.cpp and threads_posix.cpp.
#ifndef QN_PLATFORM_THREADS_H
#define QN_PLATFORM_THREADS_H

#include <cstdint>

namespace platform {

// A mutex: one thread holds it at a time. Null when it cannot be made.
struct Mutex;
Mutex* newMutex();
void deleteMutex(Mutex* mutex);
void lockMutex(Mutex* mutex);
void unlockMutex(Mutex* mutex);

// A count that threads wait on: a wait takes one, and waits while there is
// none. Null when it cannot be made.
struct Semaphore;
Semaphore* newSemaphore();
void deleteSemaphore(Semaphore* semaphore);
void postSemaphore(Semaphore* semaphore);

constexpr uint32_t kWaitForever = 0xFFFFFFFF;
// Takes one; true when it did, false when `milliseconds` passed first
// (kWaitForever: no limit).
bool waitSemaphore(Semaphore* semaphore, uint32_t milliseconds);

// Runs `routine(argument)` on a new thread that nobody waits for: it ends when
// the routine returns, or with the process, even while it waits in a system
// call. False when no thread could be started.
bool startThread(void (*routine)(void* argument), void* argument);

// The calling thread, for cancelBlockingCall: null where that call can do
// nothing, or the system gives no handle. Released by releaseThreadToken,
// from the thread itself as it ends.
struct ThreadToken;
ThreadToken* currentThreadToken();
void releaseThreadToken(ThreadToken* token);

// Asks the system to end at once the open, read or listing that the thread
// of `token` waits in (it fails then, as cancelled); true when the request was
// made. Windows Vista and later only (CancelSynchronousIo, looked up at run
// time): Windows NT 4.0 to Server 2003 cannot end another thread's waiting
// call, which returns only when the network gives up. On POSIX never needed:
// the end of the process ends such waits, and nothing else waits for them.
bool cancelBlockingCall(ThreadToken* token);

// Milliseconds on a clock that only goes forward. It wraps round after 49
// days: compare two readings by their difference.
uint32_t tickMilliseconds();

}  // namespace platform

#endif  // QN_PLATFORM_THREADS_H
