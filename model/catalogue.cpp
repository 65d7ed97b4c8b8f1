// The fixed catalogue of models, in the order the viewer steps through them.
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
