// The semaphores of the OpenMP runtime in the Windows build.
//
// ImageMagick runs its loops as OpenMP regions, and GCC's OpenMP runtime makes
// a team for every region, also for a team of one thread (each batch worker
// runs ImageMagick on one thread). A team brings three semaphores, and the
// runtime's semaphores are winpthreads' ones: each is a kernel semaphore, made
// and closed with a system call. A resized photo passes some 80 regions, so a
// batch of 34 photos made and closed 8,500 kernel semaphores; under Wine each is
// a round trip to the wine server, which both workers queue for (the Windows
// build took 1.16 times the Winelib build's time on the same batch).
//
// The program links the runtime with -Wl,--wrap=sem_*: its semaphores are these,
// a count under a slim reader/writer lock with a condition variable. Making one
// is a heap allocation; waiting and waking need the kernel only when a thread
// really has to sleep. Nothing else uses POSIX semaphores here. The Winelib
// build's runtime is glibc's, whose semaphores never leave user space unless a
// thread has to wait.
#if defined(__MINGW32__)

#include <windows.h>
#include <cerrno>
#include <climits>
#include <semaphore.h>

namespace {

struct LightSemaphore {
    SRWLOCK lock;
    CONDITION_VARIABLE posted;
    long count;
};

LightSemaphore *lightSemaphore(sem_t *sem)
{
    return sem ? static_cast<LightSemaphore *>(*sem) : nullptr;
}

int failWith(int error)
{
    errno = error;
    return -1;
}

} // namespace

extern "C" {

int __wrap_sem_init(sem_t *sem, int pshared, unsigned int value)
{
    if (!sem)
        return failWith(EINVAL);
    // Shared between processes would need a named kernel object; the runtime
    // never asks for it.
    if (pshared)
        return failWith(EPERM);
    if (value > (unsigned int)LONG_MAX)
        return failWith(EINVAL);
    auto *s = static_cast<LightSemaphore *>(HeapAlloc(GetProcessHeap(), 0, sizeof(LightSemaphore)));
    if (!s)
        return failWith(ENOMEM);
    InitializeSRWLock(&s->lock);
    InitializeConditionVariable(&s->posted);
    s->count = (long)value;
    *sem = s;
    return 0;
}

int __wrap_sem_destroy(sem_t *sem)
{
    LightSemaphore *s = lightSemaphore(sem);
    if (!s)
        return failWith(EINVAL);
    HeapFree(GetProcessHeap(), 0, s);
    *sem = nullptr;
    return 0;
}

int __wrap_sem_wait(sem_t *sem)
{
    LightSemaphore *s = lightSemaphore(sem);
    if (!s)
        return failWith(EINVAL);
    AcquireSRWLockExclusive(&s->lock);
    while (s->count == 0)
        SleepConditionVariableSRW(&s->posted, &s->lock, INFINITE, 0);
    --s->count;
    ReleaseSRWLockExclusive(&s->lock);
    return 0;
}

int __wrap_sem_trywait(sem_t *sem)
{
    LightSemaphore *s = lightSemaphore(sem);
    if (!s)
        return failWith(EINVAL);
    AcquireSRWLockExclusive(&s->lock);
    bool taken = s->count > 0;
    if (taken)
        --s->count;
    ReleaseSRWLockExclusive(&s->lock);
    return taken ? 0 : failWith(EAGAIN);
}

int __wrap_sem_post(sem_t *sem)
{
    LightSemaphore *s = lightSemaphore(sem);
    if (!s)
        return failWith(EINVAL);
    AcquireSRWLockExclusive(&s->lock);
    if (s->count == LONG_MAX) {
        ReleaseSRWLockExclusive(&s->lock);
        return failWith(EOVERFLOW);
    }
    ++s->count;
    ReleaseSRWLockExclusive(&s->lock);
    WakeConditionVariable(&s->posted);
    return 0;
}

int __wrap_sem_getvalue(sem_t *sem, int *value)
{
    LightSemaphore *s = lightSemaphore(sem);
    if (!s || !value)
        return failWith(EINVAL);
    AcquireSRWLockShared(&s->lock);
    *value = (int)s->count;
    ReleaseSRWLockShared(&s->lock);
    return 0;
}

} // extern "C"

#endif
