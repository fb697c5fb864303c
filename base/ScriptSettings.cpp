#include "base/ScriptSettings.h"

ScriptSettings scriptSettings;
