#include "midi/SimulatedS80.h"
