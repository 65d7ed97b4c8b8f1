// The window, per-frame geometry and view part of the scene store, defined from its list with the
// start-up values.
#include "render/render.h"

VIEW_STORE(STORE_DEFINE_VALUE, STORE_DEFINE_ARRAY)
