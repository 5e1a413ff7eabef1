#pragma once

#include "core/Low.h"
