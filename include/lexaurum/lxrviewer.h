/* The viewer interface: how a document format is registered with the engine and how the
 * engine reads a document through the format's viewer. Plain C, so that an external viewer
 * library can be written in C. A library in the folder "viewers" under the home folder
 * (a ".so" file) exports
 *
 *     int32_t lxrMakeViewerInfo(int32_t index, lxrViewerInfo* info);
 *
 * The engine calls it with index 0, 1, 2, ... and a zero-filled record; the library fills
 * the record for registration `index` and returns 0, or returns -1 when there are no more.
 * docs/importers.md describes the interface with an example. */
#ifndef LEXAURUM_LXRVIEWER_H
#define LEXAURUM_LXRVIEWER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define LXR_VIEWER_NAME_CHARS 40
#define LXR_VIEWER_MAX_SIGNATURE 255
#define LXR_VIEWER_HEAD_BYTES 1024 /* bytes of the file a recognizer is given, at most */

/* lxrViewerInfo.flags */
#define LXR_VIEWER_CONTAINER 1      /* the file holds other files */
#define LXR_VIEWER_HYPERTEXT 2
#define LXR_VIEWER_ANSI_CHARSET 4
#define LXR_VIEWER_EXTRACT_PATH 8   /* opened through the container extraction path */
#define LXR_VIEWER_INTERNAL 1024    /* a built-in importer made by makeImport */

/* How a viewer reads the document. The engine owns the record; it stays valid until the
 * viewer is destroyed. */
typedef struct lxrViewerSource {
  int32_t structSize;
  const char* fileName;
  int32_t fileSize;
  void* context; /* handed back unchanged to readAt */
  /* Reads up to `count` bytes at `position` into `buffer`: the count read (0 at or past the
   * end), or -1 when the file cannot be read. */
  int32_t (*readAt)(void* context, int32_t position, void* buffer, int32_t count);
} lxrViewerSource;

/* What a viewer reports about its document. The engine fills fileSize, fileDate and type
 * before it asks; the viewer sets a title (NUL-terminated, Windows-1252) when the format has
 * one, and isBinary when the document is binary and delivers no text. */
typedef struct lxrViewerFileInfo {
  int32_t structSize;
  char title[256];
  int32_t fileSize;
  uint32_t fileDate; /* MS-DOS form: date << 16 | time */
  int16_t type;      /* format type code */
  uint8_t isBinary;
} lxrViewerFileInfo;

/* One member of a container. */
typedef struct lxrMemberInfo {
  int32_t structSize;
  char name[512];
  int32_t index; /* 0-based position in the container */
  int32_t fileSize;
  uint32_t fileDate;
  uint8_t isFolder;
} lxrMemberInfo;

struct lxrViewerInfo;

/* The score 0..100 of the file as this format: `fileName` is the file's name, `head` its
 * first `headBytes` bytes (at most LXR_VIEWER_HEAD_BYTES; fewer when the file is shorter).
 * Needs no file access. */
typedef int16_t (*lxrRecognizeFn)(const char* fileName, const uint8_t* head, int32_t headBytes);
/* Makes a viewer of the document: an opaque handle, or null when it cannot be made. */
typedef void* (*lxrMakeViewerFn)(const lxrViewerSource* source, const struct lxrViewerInfo* info);
/* Frees the viewer; 0 or -1. */
typedef int32_t (*lxrDestroyViewerFn)(void* viewer);
/* Stores the next text block (the codes of the text-block layer, docs/importers.md) into
 * `buffer`, at most `bufferBytes` (the registration's blockSize): the bytes stored, 0 at the
 * end of the document, -1 on failure. A block is never empty before the end. */
typedef int32_t (*lxrReadTextBlockFn)(void* viewer, char* buffer, int32_t bufferBytes);
/* Makes the next readTextBlock deliver block number `bookMark` again (0 = the first block,
 * so 0 rewinds). 0, or -1 when the viewer cannot go there. */
typedef int32_t (*lxrGotoBookMarkFn)(void* viewer, int32_t bookMark);
/* Completes `info` (see lxrViewerFileInfo); 0 or -1. */
typedef int32_t (*lxrGetFileInfoFn)(void* viewer, lxrViewerFileInfo* info);

/* Container functions: `container` is the container file's name. Each returns 0 (or a
 * count) on success and -1 on failure. getFirst fills the first member; getNext the member
 * after `member->index`; extractToMem stores at most `bufferBytes` and returns the count. */
typedef int32_t (*lxrGetCountFn)(const char* container);
typedef int32_t (*lxrGetFirstFn)(const char* container, lxrMemberInfo* member);
typedef int32_t (*lxrGetNextFn)(const char* container, lxrMemberInfo* member);
typedef int32_t (*lxrGetInfoByNameFn)(const char* container, const char* memberName,
                                      lxrMemberInfo* member);
typedef int32_t (*lxrGetInfoByIndexFn)(const char* container, int32_t index,
                                       lxrMemberInfo* member);
typedef int32_t (*lxrExtractToMemFn)(const char* container, const char* memberName,
                                     void* buffer, int32_t bufferBytes);
typedef int32_t (*lxrExtractToFileFn)(const char* container, const char* memberName,
                                      const char* outputName);
/* Engine-internal: makes a built-in importer object from the engine's own document source.
 * External viewers leave it null. */
typedef void* (*lxrMakeImportFn)(void* source, const struct lxrViewerInfo* info);

/* One registration. Zero-fill it, then set the fields the format needs. The engine copies
 * the record and the texts and bytes it points at; function pointers must stay valid until
 * the engine shuts down (the library stays loaded until then). */
typedef struct lxrViewerInfo {
  int32_t reserved;                    /* zero */
  char name[LXR_VIEWER_NAME_CHARS];    /* display name and key, compared case-blind */
  int16_t type;                        /* format type code */
  char buildDate[40];                  /* for example "Sep 16 1996 21:12:54" */
  int32_t signatureOffset;             /* where the signature is read */
  int16_t signatureLength;             /* 0 = none; above 255 never matches */
  const uint8_t* signature;
  uint8_t signatureIgnoreCase;         /* upper-case the bytes read before comparing */
  uint8_t signatureIsPattern;          /* the signature is a wildcard pattern */
  int16_t signatureConfidence;         /* score when the signature matches, 0..100 */
  const char* filenamePattern;         /* patterns separated by blanks, commas, semicolons */
  int32_t filenameConfidence;          /* score when only the name matches */
  int32_t blockSize;                   /* text block size; 0 = 2048 */
  const char* description;             /* shown with container members; null = default */
  const char* nonDocumentDescription;  /* the same for members that are not documents */
  lxrRecognizeFn recognize;            /* null: the signature alone decides */
  lxrMakeViewerFn makeViewer;
  lxrDestroyViewerFn destroyViewer;
  lxrReadTextBlockFn readTextBlock;
  lxrGotoBookMarkFn gotoBookMark;
  lxrGetFileInfoFn getFileInfo;
  uint32_t flags;                      /* LXR_VIEWER_... */
  lxrGetCountFn getCount;
  lxrGetFirstFn getFirst;
  lxrGetNextFn getNext;
  lxrGetInfoByNameFn getInfoByName;
  lxrGetInfoByIndexFn getInfoByIndex;
  lxrExtractToMemFn extractToMem;
  lxrExtractToFileFn extractToFile;
  uint8_t keepsMemberNames;            /* 1: a container that keeps its members' names */
  lxrMakeImportFn makeImport;          /* engine-internal; null in external viewers */
} lxrViewerInfo;

/* The registration entry of an external viewer library. */
typedef int32_t (*lxrMakeViewerInfoFn)(int32_t index, lxrViewerInfo* info);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* LEXAURUM_LXRVIEWER_H */
