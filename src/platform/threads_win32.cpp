// Threads over kernel32, with only what Windows NT 4.0 has: CreateThread,
// critical sections, semaphores and GetTickCount (no condition variables, no
// slim locks, no GetTickCount64).
#include "platform/threads.h"

#include <windows.h>

#include <new>

namespace platform {

struct Mutex {
  CRITICAL_SECTION section;
};

Mutex* newMutex() {
  Mutex* mutex = new (std::nothrow) Mutex;
  if (mutex != nullptr) InitializeCriticalSection(&mutex->section);
  return mutex;
}

void deleteMutex(Mutex* mutex) {
  if (mutex == nullptr) return;
  DeleteCriticalSection(&mutex->section);
  delete mutex;
}

void lockMutex(Mutex* mutex) { EnterCriticalSection(&mutex->section); }

void unlockMutex(Mutex* mutex) { LeaveCriticalSection(&mutex->section); }

struct Semaphore {
  HANDLE handle;
};

Semaphore* newSemaphore() {
  Semaphore* semaphore = new (std::nothrow) Semaphore;
  if (semaphore == nullptr) return nullptr;
  semaphore->handle = CreateSemaphoreA(nullptr, 0, 0x7FFFFFFF, nullptr);
  if (semaphore->handle == nullptr) {
    delete semaphore;
    semaphore = nullptr;
  }
  return semaphore;
}

void deleteSemaphore(Semaphore* semaphore) {
  if (semaphore == nullptr) return;
  CloseHandle(semaphore->handle);
  delete semaphore;
}

void postSemaphore(Semaphore* semaphore) { ReleaseSemaphore(semaphore->handle, 1, nullptr); }

bool waitSemaphore(Semaphore* semaphore, uint32_t milliseconds) {
  DWORD limit = milliseconds == kWaitForever ? INFINITE : milliseconds;
  return WaitForSingleObject(semaphore->handle, limit) == WAIT_OBJECT_0;
}

struct ThreadStart {
  void (*routine)(void*);
  void* argument;
};

static DWORD WINAPI runThread(LPVOID start) {
  ThreadStart begun = *static_cast<ThreadStart*>(start);
  delete static_cast<ThreadStart*>(start);
  begun.routine(begun.argument);
  return 0;
}

bool startThread(void (*routine)(void* argument), void* argument) {
  ThreadStart* start = new (std::nothrow) ThreadStart{routine, argument};
  if (start == nullptr) return false;
  DWORD id;
  HANDLE thread = CreateThread(nullptr, 0, runThread, start, 0, &id);
  if (thread == nullptr) {
    delete start;
    return false;
  }
  CloseHandle(thread);
  return true;
}

typedef BOOL(WINAPI* CancelSynchronousIoFunction)(HANDLE thread);
typedef HANDLE(WINAPI* GetCurrentThreadFunction)();
typedef BOOL(WINAPI* DuplicateHandleFunction)(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess,
                                              HANDLE* target, DWORD access, BOOL inherit, DWORD options);

// A function of kernel32 looked up at run time: CancelSynchronousIo exists
// from Windows Vista on; what makes a thread's handle for it is looked up
// with it, so that only systems that can use the handle make one.
static void (*kernelFunction(const char* name))() {
  HMODULE kernel = GetModuleHandleA("kernel32");
  return kernel == nullptr ? nullptr : reinterpret_cast<void (*)()>(GetProcAddress(kernel, name));
}

struct ThreadToken {
  HANDLE thread;
};

ThreadToken* currentThreadToken() {
  auto currentThread = reinterpret_cast<GetCurrentThreadFunction>(kernelFunction("GetCurrentThread"));
  auto duplicate = reinterpret_cast<DuplicateHandleFunction>(kernelFunction("DuplicateHandle"));
  HANDLE thread;
  if (kernelFunction("CancelSynchronousIo") == nullptr || currentThread == nullptr || duplicate == nullptr ||
      !duplicate(GetCurrentProcess(), currentThread(), GetCurrentProcess(), &thread, THREAD_TERMINATE, FALSE,
                 0)) {
    return nullptr;
  }
  ThreadToken* token = new (std::nothrow) ThreadToken{thread};
  if (token == nullptr) CloseHandle(thread);
  return token;
}

void releaseThreadToken(ThreadToken* token) {
  if (token == nullptr) return;
  CloseHandle(token->thread);
  delete token;
}

bool cancelBlockingCall(ThreadToken* token) {
  auto cancel = reinterpret_cast<CancelSynchronousIoFunction>(kernelFunction("CancelSynchronousIo"));
  return token != nullptr && cancel != nullptr && cancel(token->thread) != 0;
}

uint32_t tickMilliseconds() { return GetTickCount(); }

}  // namespace platform
