// The one GlWindow: construction and destruction, the class name, the
// recorded position, the projection, the extension test and the buffer swap.
#include "window/gl_window.h"

#include <cstdlib>
#include <cstring>

#include "platform/win32.h"
#include "window/program_icon.h"

#include <GL/gl.h>
#include <GL/glu.h>

GlWindow glWindow;

namespace {
constexpr double fieldOfViewDegrees = 45.0;
// Fixed, 4:3 whatever the window: the virtual screen's, not the client area's.
constexpr double perspectiveAspect = double(virtualScreenWidth) / virtualScreenHeight;
}  // namespace

// Only the handles, counts and the icon's resource id are set here; as a
// global the rest of the record starts zeroed.
GlWindow::GlWindow()
    : renderContext(nullptr),
      deviceContext(nullptr),
      window(nullptr),
      textureIds(nullptr),
      textureCount(0),
      fontCount(0),
      iconId(STAPELIX_ICON_ID),
      posX(0),
      posY(0),
      windowDpi(0),
      textureIdCount(0) {}

// Runs at process exit. The texture objects went with the rendering context;
// only the array of their names is ours to free.
GlWindow::~GlWindow() {
    delete[] textureIds;
    textureIds = nullptr;
    textureIdCount = 0;
    killWindow();
}

void GlWindow::setClassName(const char* name) {
    if (name == nullptr) name = "";
    std::strncpy(className, name, maxClassNameLength);
    className[maxClassNameLength] = '\0';
}

void GlWindow::setPosition(int x, int y) {
    posX = x;
    posY = y;
}

// Near and far both non-zero select a perspective view; otherwise an
// orthographic width x height screen with the origin at the bottom left. The
// orthographic variant leaves the viewport as the context first set it, so
// the virtual screen stretches over the client area at creation.
void GlWindow::setProjection(int width, int height, double nearPlane, double farPlane) {
    if (nearPlane != 0.0 && farPlane != 0.0) {
        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(fieldOfViewDegrees, perspectiveAspect, nearPlane, farPlane);
        glMatrixMode(GL_MODELVIEW);
        return;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
}

// Whole-token search of the space-separated extension string: an occurrence
// counts only when it starts the string or follows a space, and ends the
// string or is followed by a space. The start is judged against the string
// itself, not the resumed search position, so a name glued to the end of an
// earlier occurrence of itself ("ABCABC") is not taken for a token.
bool GlWindow::hasExtension(const char* name) {
    if (name == nullptr || name[0] == '\0' || std::strchr(name, ' ') != nullptr) return false;
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (extensions == nullptr) return false;  // no current context
    const size_t length = std::strlen(name);
    const char* searchFrom = extensions;
    for (;;) {
        const char* found = std::strstr(searchFrom, name);
        if (found == nullptr) return false;
        const bool startsToken = found == extensions || found[-1] == ' ';
        const char after = found[length];
        if (startsToken && (after == ' ' || after == '\0')) return true;
        searchFrom = found + length;
    }
}

void GlWindow::swapBuffers() { SwapBuffers(deviceContext); }
