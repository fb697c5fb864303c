#include "app/App.h"

WindowHandles windowHandles;
