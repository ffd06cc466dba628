#pragma once

#include "contrastratio.h"

using ui::ContrastRatio;
