// SPDX-License-Identifier: MIT
// The library's exports, declared once in the public header that callers use.
#pragma once

#include "quorvalent.h"
