// The viewer's entry point: all work happens in the toolkit's callbacks.
#include "app/app.h"

int main(int argc, char** argv) {
    return runViewer(argc, argv);
}
