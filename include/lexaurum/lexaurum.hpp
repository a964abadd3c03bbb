// The engine interface for C++ callers: lexaurum.h, and the entry operations that return
// their 16-bit result through a pointer taking it by reference instead.
#ifndef LEXAURUM_LEXAURUM_HPP
#define LEXAURUM_LEXAURUM_HPP

#include "lexaurum/lexaurum.h"

inline int16_t lxrsDoInit(lxrInitInfo& info, int16_t& result) { return lxrsDoInit(&info, &result); }
inline int16_t lxrsDoShutDown(int16_t& result) { return lxrsDoShutDown(&result); }
inline int16_t lxrsDoIndexJob(lxrIndexJob& job, int16_t& result) { return lxrsDoIndexJob(&job, &result); }
inline int16_t lxrsDoSearchJob(lxrSearchJob& job, int16_t& result) { return lxrsDoSearchJob(&job, &result); }
inline int16_t lxrsSetOptions(lxrOptions& options, int16_t& result) { return lxrsSetOptions(&options, &result); }
inline int16_t lxrsGetOptions(lxrOptions& options, int16_t& result) { return lxrsGetOptions(&options, &result); }

#endif  // LEXAURUM_LEXAURUM_HPP
