// The whole language runtime in one include: the collector, Object, String, Array, errors and
// exits.
#pragma once

#include "runtime/array.h"
#include "runtime/errors.h"
#include "runtime/gc.h"
#include "runtime/object.h"
#include "runtime/text.h"
