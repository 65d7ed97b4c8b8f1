// The loaded model's part of the scene store, defined from its list with the start-up values.
#include "model/model.h"

MODEL_STORE(STORE_DEFINE_VALUE, STORE_DEFINE_ARRAY)
