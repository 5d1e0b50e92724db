// Everything a module sees of the Vesk host.
#pragma once

#include "host/variable.h"
#include "host/processor.h"
#include "host/arith.h"
