// The catalogue of models, in the order the viewer steps through them: the fixed table by
// default, or a list of paths that the caller sets at run time.
#include "model/model.h"

const char modelFiles[kModelCount][kModelNameSize] = {
    "airplane.ply",    "mug.ply",          "cow.ply",          "stonebust.ply",   "pickup_big.ply",
    "pump.ply",        "pumpa_tb.ply",     "sandal.ply",       "saratoga.ply",    "scissors.ply",
    "shark.ply",       "steeringweel.ply", "stratocaster.ply", "street_lamp.ply", "teapot.ply",
    "tennis_shoe.ply", "tommygun.ply",     "trashcan.ply",     "turbine.ply",     "urn2.ply",
    "walkman.ply",     "part.ply",         "chopper.ply",      "dolphins.ply",    "egret.ply",
    "f16.ply",         "footbones.ply",    "fracttree.ply",    "galleon.ply",     "hammerhead.ply",
    "helix.ply",       "hind.ply",         "kerolamp.ply",     "ketchup.ply",     "big_spider.ply",
    "canstick.ply",    "big_dodge.ply",    "big_porsche.ply",  "ant.ply",         "apple.ply",
    "balance.ply",     "weathervane.ply",  "big_atc.ply",
};

namespace {

const char* const* listedPaths = nullptr;  // the caller's list, or null for the fixed table
int listedCount = 0;                       // entries in listedPaths

}  // namespace

void setCatalogue(const char* const* paths, int count) {
    listedPaths = count > 0 ? paths : nullptr;
    listedCount = count > 0 ? count : 0;
}

int catalogueLength() {
    return listedPaths != nullptr ? listedCount : kModelCount;
}

const char* catalogueFile(int index) {
    return listedPaths != nullptr ? listedPaths[index] : modelFiles[index];
}
