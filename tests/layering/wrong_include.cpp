// Built only by the layering test, and must not build: it links the text
// helpers alone, so the catalogue's header is out of its reach.
#include "catalogue/catalogue.h"
