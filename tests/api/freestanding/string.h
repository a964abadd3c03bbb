/* Stand-in for the C library's string.h, for checking the public header on a 32-bit
 * target without that target's system headers. */
#include <stddef.h>
void* memset(void* s, int c, size_t n);
void* memcpy(void* d, const void* s, size_t n);
int strcmp(const char* a, const char* b);
