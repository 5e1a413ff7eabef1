#pragma once

#include "shell/High.h"
