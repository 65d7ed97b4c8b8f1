// The file viewer's entry point.
#include "plyview/run.h"

// Large models are left on the system's ordinary pages: in this virtual machine a fresh huge
// page's first write cost about 20 ms, which made pictures of files of hundreds of megabytes
// twice as slow as with small pages, whose recently freed memory is written at once.
int main(int argc, char** argv) {
    return plyview::run(argc, argv);
}
