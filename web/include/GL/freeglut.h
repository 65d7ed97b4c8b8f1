// The page's GLUT in place of freeglut: the shared core calls only what both have (buffer swap,
// redisplay, idle callback).
#pragma once

#include <GL/glut.h>
