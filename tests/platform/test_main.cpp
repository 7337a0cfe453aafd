// Runs the platform tests, then shuts the platform layer down as main does.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/handles.h"

int main(int argc, char** argv) {
    // Mesa keeps a shader cache in the user's real home folder, whatever HOME
    // says; these tests write nothing outside their temporary folders.
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    stopHost();
    return result;
}
