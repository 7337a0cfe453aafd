// The texture set: file names registered before the window exists, decoded
// and uploaded as 2D textures once the context is current, bound by index
// while drawing.
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/bmp_decoder.h"
#include "image/file_bytes.h"
#include "image/png_decoder.h"
#include "window/gl_window.h"
#include "window/player_notice.h"

#include "platform/win32.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace {
constexpr uint32_t rgbChannels = 3;
constexpr uint32_t rgbaChannels = 4;

// One line: the file as registered, the reason, what the game does instead.
void tellTextureRefused(const char* fileName, const Refusal& refusal) {
    const std::string text = std::string(fileName) +
                             " cannot be used as the block texture: " + refusalText(refusal) +
                             ". The blocks are drawn without it.";
    tellPlayer(text.c_str());
}
}  // namespace

// Duplicates, empty names, names that would not fit a slot and names past the
// hundredth are dropped without a word.
void GlWindow::addTextureFile(const char* name) {
    if (name == nullptr) return;
    if (findTextureFile(name) != textureCount) return;
    if (textureCount >= maxTextureFiles || name[0] == '\0') return;
    const size_t length = std::strlen(name);
    if (length > maxFileNameLength) return;
    std::memcpy(textureFiles[textureCount], name, length + 1);
    ++textureCount;
}

uint32_t GlWindow::findTextureFile(const char* name) {
    if (name == nullptr) return textureCount;
    for (uint32_t index = 0; index < textureCount; ++index) {
        if (std::strcmp(textureFiles[index], name) == 0) return index;
    }
    return textureCount;
}

// The content decides the decoder, not the extension: PNG first, then BMP,
// then the hook. A file that none accepts leaves its texture name empty, and
// the player is told why before the first frame (the game loads its textures
// once, as it creates the window): the reason of the decoder whose signature
// the file starts with (each refuses a file without its own before it reads
// anything else, so BMP is tried only after NotPng), a file that cannot be
// read as it is, or neither.
void GlWindow::loadTextures(bool mipmaps, int32_t magFilter, int32_t minFilter) {
    delete[] textureIds;
    textureIds = nullptr;
    textureIdCount = 0;
    if (textureCount == 0) return;
    textureIds = new uint32_t[textureCount];
    textureIdCount = textureCount;
    glGenTextures(static_cast<GLsizei>(textureIdCount), textureIds);

    for (uint32_t index = 0; index < textureIdCount; ++index) {
        const char* fileName = textureFiles[index];
        Image image = {};
        Refusal refusal;
        bool loaded = loadPng(image, fileName, refusal);
        if (!loaded && refusal.reason == RefusalReason::NotPng) {
            loaded = loadBmp(image, fileName, refusal);
            if (!loaded && refusal.reason == RefusalReason::NotBmp) {
                refusal = {RefusalReason::NeitherPngNorBmp, 0};
            }
        }
        // A refusing decoder leaves the image as it was: empty for the hook.
        if (!loaded) {
            if (imageLoaderHook == nullptr || !imageLoaderHook(image, fileName)) {
                tellTextureRefused(fileName, refusal);
                continue;
            }
        }

        glBindTexture(GL_TEXTURE_2D, textureIds[index]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);

        // Only 3 and 4 channels have a GL layout here; anything else would
        // make GL read past the buffer, so it is not uploaded.
        const uint32_t channels = image.channels & 0xFF;
        const bool uploadable = image.pixels != nullptr && image.width > 0 && image.height > 0 &&
                                (channels == rgbChannels || channels == rgbaChannels);
        if (uploadable) {
            const GLenum format = channels == rgbChannels ? GL_RGB : GL_RGBA;
            const GLint internalFormat = static_cast<GLint>(channels);
            // Both decoders start every row on a 4-byte boundary, which is
            // GL's default unpack alignment.
            if (mipmaps) {
                gluBuild2DMipmaps(GL_TEXTURE_2D, internalFormat, image.width, image.height, format,
                                  GL_UNSIGNED_BYTE, image.pixels);
            } else {
                glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, image.width, image.height, 0, format,
                             GL_UNSIGNED_BYTE, image.pixels);
            }
        }
        if (image.pixels != nullptr) std::free(image.pixels);
    }
}

// An index without a loaded texture binds none, so drawing goes untextured.
void GlWindow::bindTexture(uint32_t index) {
    const GLuint name = index < textureIdCount ? textureIds[index] : 0;
    glBindTexture(GL_TEXTURE_2D, name);
}

void GlWindow::unbindTexture() { glBindTexture(GL_TEXTURE_2D, 0); }

bool GlWindow::loadPng(Image& image, const char* fileName, Refusal& refusal) {
    return decodeFile(fileName, decodePng, image, refusal);
}

bool GlWindow::loadBmp(Image& image, const char* fileName, Refusal& refusal) {
    return decodeFile(fileName, decodeBmp, image, refusal);
}
