#include "midi/LoopbackPortLayer.h"
