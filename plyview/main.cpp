// The file viewer's entry point.
#include "plyview/plyview.h"

int main(int argc, char** argv) {
    return plyview::run(argc, argv);
}
