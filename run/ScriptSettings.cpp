#include "run/ScriptSettings.h"

ScriptSettings scriptSettings;
