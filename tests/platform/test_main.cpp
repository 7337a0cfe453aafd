// Runs the platform tests, then shuts the platform layer down as main does.
#include <gtest/gtest.h>

#include "platform/handles.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    stopHost();
    return result;
}
