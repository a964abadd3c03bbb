// liblexaurum.so: the engine with its C interface exported. The entry operations come from
// the lxr_api library, linked in whole; this file only gives the shared library a source.
#include "lexaurum/lexaurum.h"
