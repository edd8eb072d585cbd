// The semaphores ImageMagick's OpenMP runtime hands its threads over with (the
// program's own in the Windows build): a lost wake-up hangs a batch, a lost
// count runs two threads through one barrier.
#include "gtest.h"

#include <windows.h>
#include <cerrno>
#include <semaphore.h>

namespace {

struct PingPong {
    sem_t ping, pong;
    int rounds;
};

DWORD WINAPI answer(void *p)
{
    auto *game = static_cast<PingPong *>(p);
    for (int i = 0; i < game->rounds; ++i) {
        sem_wait(&game->ping);
        sem_post(&game->pong);
    }
    return 0;
}

} // namespace

TEST(OpenMpSemaphores, CountsAreKeptAndEveryPostWakesAWaiter)
{
    sem_t s;
    ASSERT_EQ(0, sem_init(&s, 0, 2));
    int value = -1;
    EXPECT_EQ(0, sem_getvalue(&s, &value));
    EXPECT_EQ(2, value);
    EXPECT_EQ(0, sem_trywait(&s));
    EXPECT_EQ(0, sem_wait(&s));
    errno = 0;
    EXPECT_EQ(-1, sem_trywait(&s));
    EXPECT_EQ(EAGAIN, errno);
    EXPECT_EQ(0, sem_post(&s));
    EXPECT_EQ(0, sem_getvalue(&s, &value));
    EXPECT_EQ(1, value);
    EXPECT_EQ(0, sem_destroy(&s));

    // Two threads that can only go on when the other posts: any lost post or
    // wake-up leaves both waiting.
    PingPong game;
    game.rounds = 20000;
    ASSERT_EQ(0, sem_init(&game.ping, 0, 0));
    ASSERT_EQ(0, sem_init(&game.pong, 0, 0));
    HANDLE other = CreateThread(nullptr, 0, answer, &game, 0, nullptr);
    ASSERT_NE(nullptr, other);
    for (int i = 0; i < game.rounds; ++i) {
        sem_post(&game.ping);
        sem_wait(&game.pong);
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(other, 30000));
    CloseHandle(other);
    EXPECT_EQ(0, sem_getvalue(&game.ping, &value));
    EXPECT_EQ(0, value);
    sem_destroy(&game.ping);
    sem_destroy(&game.pong);
}
