// The settings file moved down to render/, where a renderer without widgets
// reads it too; this name stays for the code that still includes it from
// here, and goes once none does.
#pragma once

#include "render/UserDefaults.h"
