// The run folder that the build fills with the viewer, its shaders and the generated catalogue.
// Programs that open the models by plain name, as the viewer does, work from there.
#pragma once

namespace testsupport {

// Changes the working directory to the run folder: $PLYVIEWER_RUN_DIR when set, otherwise the
// build's own. Returns false with a message on standard error when it cannot.
bool enterRunFolder();

}  // namespace testsupport
