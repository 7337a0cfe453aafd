// The per-frame path never allocates. This program counts every heap
// allocation by standing in for the C library's allocator (glibc lets a
// program provide malloc and friends and forwards to its own), and checks
// that runFrameLogic adds none through menus, typing, size changes and whole
// games with locks, row removals, live re-ranks and game over.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "core_test_support.h"
#include "game/game_play.h"
#include "test_player.h"

#ifdef __GLIBC__
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);
}

namespace {
volatile unsigned long allocationCount = 0;
}

extern "C" {
void* malloc(size_t size) {
    allocationCount = allocationCount + 1;
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    allocationCount = allocationCount + 1;
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, size_t size) {
    allocationCount = allocationCount + 1;
    return __libc_realloc(pointer, size);
}
void* memalign(size_t alignment, size_t size) {
    allocationCount = allocationCount + 1;
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
    allocationCount = allocationCount + 1;
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** result, size_t alignment, size_t size) {
    allocationCount = allocationCount + 1;
    void* pointer = __libc_memalign(alignment, size);
    if (pointer == nullptr) return ENOMEM;
    *result = pointer;
    return 0;
}
void free(void* pointer) {
    __libc_free(pointer);
}
}

namespace {

class FrameAllocations : public ::testing::Test {
protected:
    LoopState loop;
    unsigned long frameAllocations = 0;
    int frames = 0;

    void SetUp() override { resetCore(); }

    void frame(bool tickDue) {
        elapse(loop.tickTimer, tickDue ? 2 * int64_t(settings.speedLimit) + 1 : 0);
        const unsigned long before = allocationCount;
        runFrameLogic(loop);
        frameAllocations += allocationCount - before;
        ++frames;
    }

    void frameWith(uint8_t code) {
        press(code);
        frame(false);
    }

    // Plays with the planner until the game ends; counts what happened.
    void playToTheEnd(int lineTarget, int& locksWithRows, int& reRanks) {
        for (int limit = 0; gameState.gameRunning && !loop.paused && limit < 100000; ++limit) {
            pressFor(gameState.linesCleared < lineTarget ? planNextAction() : Action::drop);
            const int lines = gameState.linesCleared;
            const uint32_t slot = playerSlot;
            frame(true);
            locksWithRows += gameState.linesCleared != lines;
            reRanks += playerSlot != slot;
        }
    }
};

TEST_F(FrameAllocations, TheCounterSeesAllocations) {
    const unsigned long before = allocationCount;
    void* volatile block = std::malloc(64);
    std::free(block);
    int* volatile number = new int(5);
    delete number;
    EXPECT_GE(allocationCount - before, 2u);
}

TEST_F(FrameAllocations, NoFrameAllocates) {
    std::srand(31337);
    HighscoreEntry* list = highscoreList(10, 20);
    for (uint32_t slot = 0; slot < rankedSlots; ++slot) {
        std::strcpy(list[slot].name, "earlier");
        list[slot].score = 40 - 4 * slot;
    }
    playerSlot = rankedSlots;
    preparePlayerName(loop);  // no name: editing starts with the placeholder
    initTickTimer(loop.tickTimer);

    // Menus and the settings submenu with size changes.
    for (uint8_t code :
         {key::down, key::down, key::up, key::enter, key::right, key::down, key::left, key::right,
          key::left, key::right, key::up, key::left, key::right, key::left, key::escape, key::up}) {
        frameWith(code);
    }
    ASSERT_EQ(gameState.menuCursor, 1u);
    ASSERT_EQ(currentList(), list);
    frameWith(key::enter);  // new game, in name editing
    ASSERT_TRUE(loop.nameEditing);
    press(key::shift);
    frameWith('1');
    keyState.down[key::shift] = 0;
    for (uint8_t code :
         {uint8_t('R'), uint8_t('O'), uint8_t('B'), key::backspace, uint8_t('B'), uint8_t('7')}) {
        frameWith(code);
    }
    frameWith(key::enter);
    keyState.down[key::enter] = 0;
    ASSERT_STREQ(playerName(), "!rob7");

    int locksWithRows = 0;
    int reRanks = 0;
    for (int i = 0; i < 30; ++i) frame(true);
    frameWith('P');
    frame(true);
    frameWith('P');
    frameWith(key::f1);
    frameWith(key::enter);
    keyState.down[key::enter] = 0;
    frameWith(key::escape);
    frameWith(key::escape);  // resumed
    playToTheEnd(60, locksWithRows, reRanks);
    ASSERT_FALSE(gameState.gameRunning);
    frameWith(key::enter);  // game over, back to the menu

    // Smaller and larger fields, where the player's list lives elsewhere.
    for (const auto& [width, height] : {std::pair{4u, 4u}, {30u, 30u}}) {
        gameState.menuCursor = 2;
        frameWith(key::enter);
        for (int i = 0; i < 30 && settings.fieldWidth != width; ++i) {
            frameWith(width < settings.fieldWidth ? key::left : key::right);
        }
        frameWith(key::down);
        for (int i = 0; i < 30 && settings.fieldHeight != height; ++i) {
            frameWith(height < settings.fieldHeight ? key::left : key::right);
        }
        ASSERT_EQ(settings.fieldWidth, width);
        ASSERT_EQ(settings.fieldHeight, height);
        frameWith(key::escape);
        gameState.menuCursor = 1;
        frameWith(key::enter);
        playToTheEnd(20, locksWithRows, reRanks);
        frameWith(key::escape);
    }
    frameWith(key::f12);
    EXPECT_TRUE(loop.quitRequested);

    EXPECT_GT(locksWithRows, 20);
    EXPECT_GT(reRanks, 5);
    EXPECT_GT(frames, 1000);
    EXPECT_EQ(frameAllocations, 0u) << "over " << frames << " frames";
}

}  // namespace

#else
TEST(FrameAllocations, NeedsGlibc) {
    GTEST_SKIP() << "allocation counting needs glibc";
}
#endif
