/* Stand-in for stdlib.h (see string.h beside it). */
