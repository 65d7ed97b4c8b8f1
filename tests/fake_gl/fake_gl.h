// The one stand-in for the GL, GLEW and freeglut functions the viewer calls, linked into the unit
// tests and the benchmarks instead of the real libraries, so frames, key presses and idle ticks
// run without a window. While recording (the default), tests can assert which calls were made,
// with which sizes, in which order; with recording off it answers the same but keeps no record,
// so a call costs nothing and allocates nothing.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fakegl {

// One recorded call: its name, its numeric arguments in order, and what it carried.
struct Call {
    std::string name;
    std::vector<long long> args;       // integers, enums, sizes, offsets
    std::vector<float> floats;         // float arguments and uploaded matrices
    std::string text;                  // a string argument (uniform or attribute name, title)
    const void* data = nullptr;        // a data pointer argument
    std::vector<unsigned char> bytes;  // what glBufferData uploaded, when keepBufferBytes is on
};

// What the fake answers. Tests change it before the code under test runs.
struct Behaviour {
    int compileStatus = 1;                        // for every shader
    std::map<unsigned, int> compileStatusByType;  // overrides by shader type
    int linkStatus = 1;
    int shaderLogLength = 0;  // what GL_INFO_LOG_LENGTH reports
    std::string shaderLog;    // what the info log fetch writes
    int programLogLength = 0;
    std::string programLog;
    // Looked up by the C string the code passes, without building a std::string.
    std::map<std::string, int, std::less<>> attribLocations{{"vPosition", 0}, {"vColor", 1}};
    std::map<std::string, int, std::less<>> uniformLocations{{"model_matrix", 0},
                                                             {"projection_matrix", 1}};
    unsigned glewInitResult = 0;   // GLEW_OK
    bool version31 = true;         // what GLEW_VERSION_3_1 says
    bool keepBufferBytes = false;  // glBufferData records a copy of what it uploads
    int maxTextureSize = 16384;    // what GL_MAX_TEXTURE_SIZE reports
};

extern std::vector<Call> calls;
extern Behaviour behaviour;
extern bool recording;  // false: calls are answered as usual but not added to `calls`
extern void (*displayCallback)();
extern void (*keyboardCallback)(unsigned char, int, int);
extern void (*idleCallback)();

// Clears the record and restores the default behaviour and callbacks; recording is on again.
void reset();

// Names of all calls in order.
std::vector<std::string> names();

// The calls with this name, in order.
std::vector<Call> named(const std::string& name);

// How many calls with this name.
std::size_t count(const std::string& name);

}  // namespace fakegl
