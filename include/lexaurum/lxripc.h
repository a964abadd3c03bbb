/* The local IPC protocol through which other programs drive a running desktop program
 * (`lexaurum -ipc`): the socket's place, the frame layout, the transaction codes and their
 * answers, and a bounded frame encoder and decoder. Plain C and header-only, so that any
 * program (the `lxr remote` client among them) can speak the protocol without linking the
 * engine. docs/formats/ipc-protocol.md describes the protocol. Depends on <stddef.h> and
 * <stdint.h> only. */
#ifndef LEXAURUM_LXRIPC_H
#define LEXAURUM_LXRIPC_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Where the server listens ------------------------------------------------------ */
#define LXR_IPC_SERVICE "Lexaurum"        /* the service name, matched without regard to case */
#define LXR_IPC_RUNTIME_FOLDER "lexaurum" /* the socket's folder under $XDG_RUNTIME_DIR */
#define LXR_IPC_PRIVATE_FOLDER "ipc"      /* else under the private folder */
#define LXR_IPC_SOCKET_NAME "Lexaurum"    /* the socket in that folder (mode 0600) */
#define LXR_IPC_LOCK_NAME "Lexaurum.lock" /* held by the one program that serves the name */
#define LXR_IPC_MAX_PATH 107              /* a socket path's bytes, at most */

/* ---- Frames -------------------------------------------------------------------------
 * A frame is a 12-byte header and a payload of length-prefixed fields, all integers
 * little-endian:
 *   0  2  magic "LX"
 *   2  1  version (1)
 *   3  1  type: a transaction code, an answer code, or LXR_IPC_ERROR
 *   4  4  result (answers and errors; 0 in requests)
 *   8  4  payload bytes, at most LXR_IPC_MAX_PAYLOAD
 *  12  .  fields, each a 4-byte length and that many bytes; they fill the payload exactly */
#define LXR_IPC_MAGIC0 0x4C /* 'L' */
#define LXR_IPC_MAGIC1 0x58 /* 'X' */
#define LXR_IPC_VERSION 1
#define LXR_IPC_HEADER_BYTES 12
#define LXR_IPC_FIELD_HEADER_BYTES 4
#define LXR_IPC_MAX_PAYLOAD 65536
#define LXR_IPC_MAX_FIELDS 48

/* Transaction codes (requests), with their fields. */
#define LXR_IPC_CONNECT 1      /* service, topic (empty: not given) */
#define LXR_IPC_WILD_CONNECT 2 /* service, topic (empty: not given) */
#define LXR_IPC_EXECUTE 3      /* command text */
#define LXR_IPC_POKE 4         /* item, data */
#define LXR_IPC_DISCONNECT 5   /* none */
/* The answer to a request has the request's code plus LXR_IPC_ANSWER. */
#define LXR_IPC_ANSWER 0x80
/* Sent instead of an answer for a frame the server cannot take; result LXR_IPC_ERROR_...,
 * one field: a text. After every error but LXR_IPC_ERROR_UNKNOWN the server closes. */
#define LXR_IPC_ERROR 0xFF

/* Results of answers. */
#define LXR_IPC_CONNECTED 1        /* connect accepted; 0: refused */
#define LXR_IPC_ACK 0x8000         /* execute or poke acknowledged */
#define LXR_IPC_BUSY 0x4000        /* a job runs: not taken, try again later */
#define LXR_IPC_NOT_PROCESSED 0

/* Results of LXR_IPC_ERROR frames. */
#define LXR_IPC_ERROR_MALFORMED 1  /* a bad header or fields that do not fill the payload */
#define LXR_IPC_ERROR_TOO_LONG 2   /* a payload over LXR_IPC_MAX_PAYLOAD */
#define LXR_IPC_ERROR_UNKNOWN 3    /* an unknown type; the connection stays open */
#define LXR_IPC_ERROR_OTHER_USER 4 /* the peer runs as another user */
#define LXR_IPC_ERROR_TOO_MANY 5   /* the server holds as many connections as it takes */
#define LXR_IPC_ERROR_STALLED 6    /* a frame begun and not finished in time */

/* What the server takes, at most. */
#define LXR_IPC_MAX_TEXT 255         /* service, topic, command text, item (bytes) */
#define LXR_IPC_MAX_POKE_DATA 32000  /* poke data (bytes) */

typedef struct lxrIpcField {
  const uint8_t* bytes; /* may be null when length is 0 */
  uint32_t length;
} lxrIpcField;

typedef struct lxrIpcFrame {
  uint8_t type;
  uint32_t result;
  uint32_t fieldCount;
  lxrIpcField fields[LXR_IPC_MAX_FIELDS]; /* point into the decoded bytes */
} lxrIpcFrame;

/* Writes the socket's path, NUL-terminated, into `out`: RUNTIME/lexaurum/Lexaurum when
 * `runtimeDir` (may be null) is an absolute path, else PRIVATE/ipc/Lexaurum. Returns the
 * path's length, or -1 when neither folder is usable or the path exceeds LXR_IPC_MAX_PATH
 * or `capacity` - 1 (then `out` holds an empty string when capacity > 0). */
static inline int32_t lxrIpcSocketPath(const char* runtimeDir, const char* privateDir, char* out,
                                       size_t capacity);

/* Checks the header at [p, end). Returns 1 and sets *frameBytes (header and payload) when
 * the header is whole and sound; 0 when fewer than LXR_IPC_HEADER_BYTES bytes are there;
 * -1 with *error set to LXR_IPC_ERROR_MALFORMED (magic or version) or LXR_IPC_ERROR_TOO_LONG.
 * The outputs are set only as said. */
static inline int32_t lxrIpcFrameSize(const uint8_t* p, const uint8_t* end, uint32_t* frameBytes,
                                      uint32_t* error);

/* Decodes the frame at the start of [p, end). Returns the frame's bytes (> 0) and fills
 * *frame, whose fields point into [p, end) and stay valid as long as those bytes; 0 when the
 * frame is not all there yet; -1 with *error set when it is malformed (as lxrIpcFrameSize,
 * or LXR_IPC_ERROR_MALFORMED for fields that overrun or do not fill the payload, or more
 * than LXR_IPC_MAX_FIELDS). *frame is unspecified unless the result is > 0. */
static inline int32_t lxrIpcDecode(const uint8_t* p, const uint8_t* end, lxrIpcFrame* frame,
                                   uint32_t* error);

/* The bytes lxrIpcEncode needs for these fields, or 0 when they exceed the frame's limits. */
static inline size_t lxrIpcEncodedSize(const lxrIpcField* fields, uint32_t fieldCount);

/* Encodes one frame into `out`. Returns the bytes written, or 0 (nothing written) when the
 * fields exceed the frame's limits or `capacity`. */
static inline size_t lxrIpcEncode(uint8_t type, uint32_t result, const lxrIpcField* fields,
                                  uint32_t fieldCount, uint8_t* out, size_t capacity);

/* ---- Inline bodies: readers of the interface may stop here ---------------------------- */

static inline uint32_t lxrIpcGet32(const uint8_t* p) {
  return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

static inline void lxrIpcPut32(uint8_t* p, uint32_t v) {
  p[0] = (uint8_t)v;
  p[1] = (uint8_t)(v >> 8);
  p[2] = (uint8_t)(v >> 16);
  p[3] = (uint8_t)(v >> 24);
}

/* Appends `text` to out[*at...] within `capacity`; 0, or -1 when it does not fit. */
static inline int lxrIpcAppend(char* out, size_t capacity, size_t* at, const char* text) {
  for (; *text; ++text) {
    if (*at + 1 >= capacity) return -1;
    out[(*at)++] = *text;
  }
  out[*at] = 0;
  return 0;
}

static inline int32_t lxrIpcSocketPath(const char* runtimeDir, const char* privateDir, char* out,
                                       size_t capacity) {
  size_t at = 0;
  int useRuntime = runtimeDir && runtimeDir[0] == '/';
  const char* base = useRuntime ? runtimeDir : privateDir;
  if (capacity == 0) return -1;
  out[0] = 0;
  if (!base || !base[0]) return -1;
  if (lxrIpcAppend(out, capacity, &at, base) < 0 || lxrIpcAppend(out, capacity, &at, "/") < 0 ||
      lxrIpcAppend(out, capacity, &at, useRuntime ? LXR_IPC_RUNTIME_FOLDER : LXR_IPC_PRIVATE_FOLDER) < 0 ||
      lxrIpcAppend(out, capacity, &at, "/" LXR_IPC_SOCKET_NAME) < 0 || at > LXR_IPC_MAX_PATH) {
    out[0] = 0;
    return -1;
  }
  return (int32_t)at;
}

static inline int32_t lxrIpcFrameSize(const uint8_t* p, const uint8_t* end, uint32_t* frameBytes,
                                      uint32_t* error) {
  uint32_t payload;
  if (!p || end < p || (size_t)(end - p) < LXR_IPC_HEADER_BYTES) return 0;
  if (p[0] != LXR_IPC_MAGIC0 || p[1] != LXR_IPC_MAGIC1 || p[2] != LXR_IPC_VERSION) {
    *error = LXR_IPC_ERROR_MALFORMED;
    return -1;
  }
  payload = lxrIpcGet32(p + 8);
  if (payload > LXR_IPC_MAX_PAYLOAD) {
    *error = LXR_IPC_ERROR_TOO_LONG;
    return -1;
  }
  *frameBytes = LXR_IPC_HEADER_BYTES + payload;
  return 1;
}

static inline int32_t lxrIpcDecode(const uint8_t* p, const uint8_t* end, lxrIpcFrame* frame,
                                   uint32_t* error) {
  uint32_t frameBytes = 0;
  const uint8_t* at;
  const uint8_t* stop;
  int32_t rc = lxrIpcFrameSize(p, end, &frameBytes, error);
  if (rc <= 0) return rc;
  if ((size_t)(end - p) < frameBytes) return 0;
  frame->type = p[3];
  frame->result = lxrIpcGet32(p + 4);
  frame->fieldCount = 0;
  at = p + LXR_IPC_HEADER_BYTES;
  stop = p + frameBytes;
  while (at < stop) {
    uint32_t length;
    if ((size_t)(stop - at) < LXR_IPC_FIELD_HEADER_BYTES || frame->fieldCount == LXR_IPC_MAX_FIELDS) {
      *error = LXR_IPC_ERROR_MALFORMED;
      return -1;
    }
    length = lxrIpcGet32(at);
    at += LXR_IPC_FIELD_HEADER_BYTES;
    if ((size_t)(stop - at) < length) {
      *error = LXR_IPC_ERROR_MALFORMED;
      return -1;
    }
    frame->fields[frame->fieldCount].bytes = at;
    frame->fields[frame->fieldCount].length = length;
    ++frame->fieldCount;
    at += length;
  }
  return (int32_t)frameBytes;
}

static inline size_t lxrIpcEncodedSize(const lxrIpcField* fields, uint32_t fieldCount) {
  size_t payload = 0;
  uint32_t i;
  if (fieldCount > LXR_IPC_MAX_FIELDS || (fieldCount > 0 && !fields)) return 0;
  for (i = 0; i < fieldCount; ++i) {
    if (fields[i].length > LXR_IPC_MAX_PAYLOAD || (fields[i].length > 0 && !fields[i].bytes)) return 0;
    payload += LXR_IPC_FIELD_HEADER_BYTES + fields[i].length;
    if (payload > LXR_IPC_MAX_PAYLOAD) return 0;
  }
  return LXR_IPC_HEADER_BYTES + payload;
}

static inline size_t lxrIpcEncode(uint8_t type, uint32_t result, const lxrIpcField* fields,
                                  uint32_t fieldCount, uint8_t* out, size_t capacity) {
  size_t total = lxrIpcEncodedSize(fields, fieldCount);
  uint8_t* at = out;
  uint32_t i, b;
  if (total == 0 || !out || capacity < total) return 0;
  at[0] = LXR_IPC_MAGIC0;
  at[1] = LXR_IPC_MAGIC1;
  at[2] = LXR_IPC_VERSION;
  at[3] = type;
  lxrIpcPut32(at + 4, result);
  lxrIpcPut32(at + 8, (uint32_t)(total - LXR_IPC_HEADER_BYTES));
  at += LXR_IPC_HEADER_BYTES;
  for (i = 0; i < fieldCount; ++i) {
    lxrIpcPut32(at, fields[i].length);
    at += LXR_IPC_FIELD_HEADER_BYTES;
    for (b = 0; b < fields[i].length; ++b) at[b] = fields[i].bytes[b];
    at += fields[i].length;
  }
  return total;
}

#ifdef __cplusplus
}
#endif

#endif /* LEXAURUM_LXRIPC_H */
