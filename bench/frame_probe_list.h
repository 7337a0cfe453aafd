// The functions the frame benchmark probes, one entry each: kind, result,
// name (on the entry's first line, where CMake looks), parameters, arguments. Every gl* and glu* function the game's
// libraries call (nm -u on them lists the same), glFinish for the benchmark's
// own wait, and the SDL functions the platform layer calls once the window
// exists. bench/CMakeLists.txt reads the names from here for --wrap.
// No include guard: it is included once per use, with PROBE_GL and
// PROBE_SDL defined.
PROBE_GL(void, glBegin, (GLenum mode), (mode))
PROBE_GL(void, glBindTexture, (GLenum target, GLuint texture), (target, texture))
PROBE_GL(void, glBitmap,
         (GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove, GLfloat ymove,
          const GLubyte* bitmap),
         (width, height, xorig, yorig, xmove, ymove, bitmap))
PROBE_GL(void, glCallLists, (GLsizei n, GLenum type, const GLvoid* lists), (n, type, lists))
PROBE_GL(void, glClear, (GLbitfield mask), (mask))
PROBE_GL(void, glClearColor, (GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha),
         (red, green, blue, alpha))
PROBE_GL(void, glColor3f, (GLfloat red, GLfloat green, GLfloat blue), (red, green, blue))
PROBE_GL(void, glDeleteLists, (GLuint list, GLsizei range), (list, range))
PROBE_GL(void, glEnable, (GLenum cap), (cap))
PROBE_GL(void, glEnd, (void), ())
PROBE_GL(void, glEndList, (void), ())
PROBE_GL(void, glFinish, (void), ())
PROBE_GL(GLuint, glGenLists, (GLsizei range), (range))
PROBE_GL(void, glGenTextures, (GLsizei n, GLuint* textures), (n, textures))
PROBE_GL(const GLubyte*, glGetString, (GLenum name), (name))
PROBE_GL(void, glListBase, (GLuint base), (base))
PROBE_GL(void, glLoadIdentity, (void), ())
PROBE_GL(void, glMatrixMode, (GLenum mode), (mode))
PROBE_GL(void, glNewList, (GLuint list, GLenum mode), (list, mode))
PROBE_GL(void, glOrtho,
         (GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble nearVal,
          GLdouble farVal),
         (left, right, bottom, top, nearVal, farVal))
PROBE_GL(void, glPixelStorei, (GLenum pname, GLint param), (pname, param))
PROBE_GL(void, glPopAttrib, (void), ())
PROBE_GL(void, glPopClientAttrib, (void), ())
PROBE_GL(void, glPushAttrib, (GLbitfield mask), (mask))
PROBE_GL(void, glPushClientAttrib, (GLbitfield mask), (mask))
PROBE_GL(void, glRasterPos2f, (GLfloat x, GLfloat y), (x, y))
PROBE_GL(void, glTexCoord2f, (GLfloat s, GLfloat t), (s, t))
PROBE_GL(void, glTexImage2D,
         (GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
          GLint border, GLenum format, GLenum type, const GLvoid* pixels),
         (target, level, internalFormat, width, height, border, format, type, pixels))
PROBE_GL(void, glTexParameteri, (GLenum target, GLenum pname, GLint param), (target, pname, param))
PROBE_GL(void, glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))
PROBE_GL(void, glVertex2f, (GLfloat x, GLfloat y), (x, y))
PROBE_GL(void, glViewport, (GLint x, GLint y, GLsizei width, GLsizei height), (x, y, width, height))
PROBE_GL(GLint, gluBuild2DMipmaps,
         (GLenum target, GLint internalFormat, GLsizei width, GLsizei height, GLenum format,
          GLenum type, const void* data),
         (target, internalFormat, width, height, format, type, data))
PROBE_GL(void, gluPerspective, (GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar),
         (fovy, aspect, zNear, zFar))
PROBE_SDL(Uint32, SDL_WasInit, (Uint32 flags), (flags))
PROBE_SDL(void, SDL_PumpEvents, (void), ())
PROBE_SDL(int, SDL_PeepEvents,
          (SDL_Event * events, int numevents, SDL_eventaction action, Uint32 minType,
           Uint32 maxType),
          (events, numevents, action, minType, maxType))
PROBE_SDL(int, SDL_WaitEvent, (SDL_Event * event), (event))
PROBE_SDL(SDL_Window*, SDL_GetKeyboardFocus, (void), ())
PROBE_SDL(Uint32, SDL_GetWindowID, (SDL_Window * window), (window))
PROBE_SDL(Uint32, SDL_GetWindowFlags, (SDL_Window * window), (window))
PROBE_SDL(void, SDL_GL_SwapWindow, (SDL_Window * window), (window))
PROBE_SDL(SDL_GLContext, SDL_GL_GetCurrentContext, (void), ())
