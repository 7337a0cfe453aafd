// GlWindow without the shared test window: the texture-name registry, and a
// window made without texture names and released twice.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "window/gl_window.h"

#include "platform/win32.h"

#include <GL/gl.h>

TEST(GlWindowLifecycle, NoTexturesAndReleasingTwice) {
    ASSERT_EQ(glWindow.textureCount, 0u);
    glWindow.setClassName("StapelixLifecycleTest");
    ASSERT_TRUE(glWindow.createWindow("Stapelix lifecycle test", 320, 240, 16, false));
    EXPECT_NE(glWindow.renderContext, nullptr);
    EXPECT_EQ(glWindow.fontCount, 1u);
    // No names: no texture names were made, and binding index 0 binds none.
    EXPECT_EQ(glWindow.textureIds, nullptr);
    glWindow.bindTexture(0);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);

    ::testing::internal::CaptureStderr();
    glWindow.killWindow();
    glWindow.killWindow();
    const std::string reported = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(reported, "") << "a clean release, and nothing left to release the second time";
    EXPECT_EQ(glWindow.renderContext, nullptr);
    EXPECT_EQ(glWindow.deviceContext, nullptr);
    EXPECT_EQ(glWindow.window, nullptr);
    EXPECT_EQ(glWindow.instance, nullptr);
    EXPECT_EQ(glWindow.fontCount, 1u);
}

TEST(GlWindowTextureNames, RegistryRules) {
    const uint32_t start = glWindow.textureCount;
    glWindow.addTextureFile("Images\\Block.bmp");
    glWindow.addTextureFile("Images\\Block.bmp");
    glWindow.addTextureFile("");
    EXPECT_EQ(glWindow.textureCount, start + 1);
    EXPECT_EQ(glWindow.findTextureFile("Images\\Block.bmp"), start);
    EXPECT_EQ(glWindow.findTextureFile("images\\block.bmp"), glWindow.textureCount);
    EXPECT_EQ(glWindow.findTextureFile("Images/Block.bmp"), glWindow.textureCount);

    // A name that does not fit a slot is dropped, not cut short.
    const std::string longest(maxNameLength, 'n');
    glWindow.addTextureFile((longest + "x").c_str());
    EXPECT_EQ(glWindow.textureCount, start + 1);
    glWindow.addTextureFile(longest.c_str());
    EXPECT_EQ(glWindow.findTextureFile(longest.c_str()), start + 1);

    for (uint32_t i = 0; glWindow.textureCount < maxTextureFiles; ++i) {
        glWindow.addTextureFile(("file" + std::to_string(i)).c_str());
    }
    glWindow.addTextureFile("one too many");
    EXPECT_EQ(glWindow.textureCount, maxTextureFiles);
    EXPECT_EQ(glWindow.findTextureFile("one too many"), maxTextureFiles);
    EXPECT_EQ(glWindow.findTextureFile("file0"), start + 2);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
