// The box answerer now lives with the window driver.
#pragma once
#include "tests/support/ui_driver.h"
