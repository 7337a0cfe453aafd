// GlWindow without the shared test window: the texture-name registry, and a
// window made without texture names and released twice.
#include <gtest/gtest.h>

#include <string>

#include "window/gl_window.h"

#include "platform/win32.h"

#include <GL/gl.h>

TEST(GlWindowLifecycle, NoTexturesAndReleasingTwice) {
    ASSERT_EQ(glWindow.textureCount, 0u);
    glWindow.setClassName("StapelixLifecycleTest");
    ASSERT_TRUE(glWindow.createWindow("Stapelix lifecycle test", 320, 240, 16, false));
    EXPECT_NE(glWindow.renderContext, nullptr);
    glWindow.buildFont("Arial", -12);
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
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "")
        << "a clean release, nothing left the second time";
    EXPECT_TRUE(!glWindow.renderContext && !glWindow.deviceContext && !glWindow.window &&
                !glWindow.instance);
    EXPECT_EQ(glWindow.fontCount, 1u);
}

TEST(GlWindowTextureNames, RegistryRules) {
    const uint32_t start = glWindow.textureCount;
    for (const char* name : {"Images\\Block.bmp", "Images\\Block.bmp", ""})
        glWindow.addTextureFile(name);
    EXPECT_EQ(glWindow.textureCount, start + 1);
    // Found by exact name only; a miss gives the count.
    EXPECT_EQ(glWindow.findTextureFile("Images\\Block.bmp"), start);
    EXPECT_EQ(glWindow.findTextureFile("images\\block.bmp"), start + 1);
    EXPECT_EQ(glWindow.findTextureFile("Images/Block.bmp"), start + 1);
    // A name that does not fit a slot is dropped, not cut short.
    const std::string longest(maxFileNameLength, 'n');
    glWindow.addTextureFile((longest + "x").c_str());
    EXPECT_EQ(glWindow.textureCount, start + 1);
    glWindow.addTextureFile(longest.c_str());
    EXPECT_EQ(glWindow.findTextureFile(longest.c_str()), start + 1);

    for (uint32_t i = 0; glWindow.textureCount < maxTextureFiles; ++i)
        glWindow.addTextureFile(("file" + std::to_string(i)).c_str());
    glWindow.addTextureFile("one too many");
    EXPECT_EQ(glWindow.textureCount, maxTextureFiles);
    EXPECT_EQ(glWindow.findTextureFile("one too many"), maxTextureFiles);
    EXPECT_EQ(glWindow.findTextureFile("file0"), start + 2);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
