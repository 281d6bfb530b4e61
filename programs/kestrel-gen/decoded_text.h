// How decode and identify write the fields a code carries: shared with the
// window's learn dialog, so it lives beside the identifier.
#pragma once

#include "learn/decoded_text.h"
