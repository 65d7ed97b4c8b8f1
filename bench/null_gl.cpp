// A silent stand-in for the GL, GLEW and freeglut functions the viewer links against: every call
// does nothing. It lets the allocation check run whole frames without a window and without the
// recording fake, whose record of each call would itself allocate.
#include <GL/glew.h>

#include <GL/freeglut.h>

namespace {

GLuint GLAPIENTRY createObject() {
    return 1;
}
GLuint GLAPIENTRY createShader(GLenum) {
    return 1;
}
void GLAPIENTRY shaderSource(GLuint, GLsizei, const GLchar* const*, const GLint*) {}
void GLAPIENTRY oneName(GLuint) {}
void GLAPIENTRY getObjectiv(GLuint, GLenum, GLint* value) {
    *value = 1;
}
void GLAPIENTRY getInfoLog(GLuint, GLsizei, GLsizei* written, GLchar* log) {
    if (written != nullptr)
        *written = 0;
    if (log != nullptr)
        *log = '\0';
}
void GLAPIENTRY twoNames(GLuint, GLuint) {}
void GLAPIENTRY genNames(GLsizei n, GLuint* out) {
    for (GLsizei i = 0; i < n; ++i) out[i] = 1;
}
void GLAPIENTRY bindBuffer(GLenum, GLuint) {}
GLint GLAPIENTRY getAttribLocation(GLuint, const GLchar*) {
    return 0;
}
void GLAPIENTRY vertexAttribPointer(GLuint, GLint, GLenum, GLboolean, GLsizei, const void*) {}
void GLAPIENTRY vertexAttrib4f(GLuint, GLfloat, GLfloat, GLfloat, GLfloat) {}
void GLAPIENTRY bufferData(GLenum, GLsizeiptr, const void*, GLenum) {}
void GLAPIENTRY bufferSubData(GLenum, GLintptr, GLsizeiptr, const void*) {}
GLint GLAPIENTRY getUniformLocation(GLhandleARB, const GLcharARB*) {
    return 0;
}
void GLAPIENTRY uniformMatrix4fv(GLint, GLsizei, GLboolean, const GLfloat*) {}

}  // namespace

extern "C" {

PFNGLCREATEPROGRAMPROC __glewCreateProgram = createObject;
PFNGLCREATESHADERPROC __glewCreateShader = createShader;
PFNGLSHADERSOURCEPROC __glewShaderSource = shaderSource;
PFNGLCOMPILESHADERPROC __glewCompileShader = oneName;
PFNGLGETSHADERIVPROC __glewGetShaderiv = getObjectiv;
PFNGLGETSHADERINFOLOGPROC __glewGetShaderInfoLog = getInfoLog;
PFNGLATTACHSHADERPROC __glewAttachShader = twoNames;
PFNGLLINKPROGRAMPROC __glewLinkProgram = oneName;
PFNGLGETPROGRAMIVPROC __glewGetProgramiv = getObjectiv;
PFNGLGETPROGRAMINFOLOGPROC __glewGetProgramInfoLog = getInfoLog;
PFNGLUSEPROGRAMPROC __glewUseProgram = oneName;
PFNGLGENVERTEXARRAYSPROC __glewGenVertexArrays = genNames;
PFNGLBINDVERTEXARRAYPROC __glewBindVertexArray = oneName;
PFNGLGENBUFFERSPROC __glewGenBuffers = genNames;
PFNGLBINDBUFFERPROC __glewBindBuffer = bindBuffer;
PFNGLGETATTRIBLOCATIONPROC __glewGetAttribLocation = getAttribLocation;
PFNGLENABLEVERTEXATTRIBARRAYPROC __glewEnableVertexAttribArray = oneName;
PFNGLDISABLEVERTEXATTRIBARRAYPROC __glewDisableVertexAttribArray = oneName;
PFNGLVERTEXATTRIBPOINTERPROC __glewVertexAttribPointer = vertexAttribPointer;
PFNGLVERTEXATTRIB4FPROC __glewVertexAttrib4f = vertexAttrib4f;
PFNGLBUFFERDATAPROC __glewBufferData = bufferData;
PFNGLBUFFERSUBDATAPROC __glewBufferSubData = bufferSubData;
PFNGLGETUNIFORMLOCATIONARBPROC __glewGetUniformLocationARB = getUniformLocation;
PFNGLUNIFORMMATRIX4FVPROC __glewUniformMatrix4fv = uniformMatrix4fv;

GLboolean glewExperimental = GL_FALSE;
GLboolean __GLEW_VERSION_3_1 = GL_TRUE;
GLenum GLEWAPIENTRY glewInit() {
    return GLEW_OK;
}
const GLubyte* GLEWAPIENTRY glewGetErrorString(GLenum) {
    return reinterpret_cast<const GLubyte*>("");
}

void GLAPIENTRY glClear(GLbitfield) {}
void GLAPIENTRY glClearColor(GLfloat, GLfloat, GLfloat, GLfloat) {}
void GLAPIENTRY glPolygonMode(GLenum, GLenum) {}
void GLAPIENTRY glEnable(GLenum) {}
void GLAPIENTRY glDisable(GLenum) {}
void GLAPIENTRY glDrawArrays(GLenum, GLint, GLsizei) {}
void GLAPIENTRY glFlush() {}

void FGAPIENTRY glutInit(int*, char**) {}
void FGAPIENTRY glutInitDisplayMode(unsigned int) {}
void FGAPIENTRY glutInitWindowSize(int, int) {}
void FGAPIENTRY glutInitContextVersion(int, int) {}
void FGAPIENTRY glutInitContextProfile(int) {}
int FGAPIENTRY glutCreateWindow(const char*) {
    return 1;
}
void FGAPIENTRY glutDisplayFunc(void (*)()) {}
void FGAPIENTRY glutKeyboardFunc(void (*)(unsigned char, int, int)) {}
void FGAPIENTRY glutIdleFunc(void (*)()) {}
void FGAPIENTRY glutMainLoop() {}
void FGAPIENTRY glutSwapBuffers() {}
void FGAPIENTRY glutPostRedisplay() {}

}  // extern "C"
