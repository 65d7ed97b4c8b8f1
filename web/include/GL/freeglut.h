// The page's GLUT in place of freeglut: the shared core calls only what both have (buffer swap,
// redisplay, idle callback, the special keys).
#pragma once

#include <GL/glut.h>

// freeglut's name for the Delete key, which the page's GLUT reports as this special key too.
#ifndef GLUT_KEY_DELETE
#define GLUT_KEY_DELETE 0x006F
#endif
