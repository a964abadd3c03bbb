/* Stand-in for stdio.h (see string.h beside it). */
typedef struct FILE FILE;
extern FILE* stderr;
int fprintf(FILE* f, const char* format, ...);
int printf(const char* format, ...);
int snprintf(char* s, __SIZE_TYPE__ n, const char* format, ...);
