/* The Lexaurum engine interface: the plain records every front end fills and the entry
 * operations it hands them to. Plain C, usable from C and C++ alike.
 *
 * Every entry operation reports its outcome in a 16-bit result the caller passes by pointer
 * (0 success, -1 failure) and also returns it. Records are zero-filled by the caller (or by
 * lxrInit...() below), then `structSize` is set to sizeof the record. Text fields are
 * NUL-terminated 8-bit text in the document code page (Windows-1252). Why an operation
 * failed is in the engine's accumulated error text (lxrInitInfo.errorText) and the debug
 * log; messages meant for the user go through the call-backs given to lxrsDoInit.
 *
 * Threads: the engine has one thread. Every operation is called from the thread that called
 * lxrsDoInit, one at a time, and every call-back (messages, questions, progress, listings)
 * runs on that thread during the operation that calls it. The only exception is a job's
 * cancel flag (lxrJobBase.cancelFlag, the flag of lxrsRunScriptEcho), which another thread
 * or a signal handler may set while the job runs. lxrVersion and the string-set functions
 * touch no engine state and may be called from any thread on objects it owns. */
#ifndef LEXAURUM_LEXAURUM_H
#define LEXAURUM_LEXAURUM_H

#include <stdint.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define LXR_API __attribute__((visibility("default")))
#else
#define LXR_API
#endif

/* On a 32-bit target the records have the sizes of the original interface; there they are
 * packed to 2 bytes. On 64-bit targets pointers make them larger and natural alignment
 * applies; `structSize` is always sizeof the record. */
#if UINTPTR_MAX == 0xFFFFFFFFu
#define LXR_RECORDS_32BIT 1
#pragma pack(push, 2)
#endif

/* A growable list of strings (include and exclude patterns, index folders). Made and freed
 * with lxrsNewStringSet / lxrsFreeStringSet. */
typedef struct StringSet StringSet;

/* A searcher made by lxrsCreateSearcher; opaque. */
typedef struct lxrSearcher lxrSearcher;

/* ---- Text capacities ---------------------------------------------------------------- */
#define LXR_PATH_CHARS 512
#define LXR_INDEX_NAME_CHARS 40
#define LXR_REQUEST_CHARS 256

/* ---- Progress codes passed in the progress records --------------------------------- */
#define LXR_PROGRESS_STOP_QUERY 1001      /* the caller may answer -1 to stop a search */
#define LXR_PROGRESS_SEARCH_DONE 1003
#define LXR_PROGRESS_SEARCH_START 2001
#define LXR_PROGRESS_SEARCH_2002 2002
#define LXR_PROGRESS_SEARCHING 2003       /* an index or a file is being searched */
#define LXR_PROGRESS_DOC_FOUND 2004
#define LXR_PROGRESS_CHECKING_FILES 3004
#define LXR_PROGRESS_DOC_BEGIN 3007
#define LXR_PROGRESS_DOC_WORDS 3008
#define LXR_PROGRESS_DOC_DONE 3009
#define LXR_PROGRESS_OPEN_FAILED 3010
#define LXR_PROGRESS_BINARY_SKIPPED 3011
#define LXR_PROGRESS_MERGING 3012
#define LXR_PROGRESS_COMPRESSING 3013
#define LXR_PROGRESS_VERIFYING 3014       /* an index is being verified */
#define LXR_PROGRESS_SORT_BEGIN 4003
#define LXR_PROGRESS_SORT_END 4004

/* ---- Flag values --------------------------------------------------------------------- */
/* lxrSearchJob.sortType */
#define LXR_SORT_ASK 0
#define LXR_SORT_NONE 1
#define LXR_SORT_ASCENDING 2
#define LXR_SORT_BY_NAME 4
#define LXR_SORT_BY_DATE 8
#define LXR_SORT_BY_SCORE 16
/* lxrSearchJob.listingFlags */
#define LXR_LIST_COUNTS_ONLY 1
#define LXR_LIST_HITS 2
#define LXR_LIST_DETAIL 32
#define LXR_LIST_HEADER 1024
#define LXR_LIST_APPEND 2048
/* lxrSearchJob.searchFlags */
#define LXR_SEARCH_FUZZY 1
#define LXR_SEARCH_PHONIC 2
#define LXR_SEARCH_STEMMING 4
#define LXR_SEARCH_NATURAL 8
#define LXR_SEARCH_SYNONYMS 16
/* The request is UTF-8 (else Windows-1252); the engine converts it for each index. */
#define LXR_SEARCH_UTF8 64
/* With a best-N count (searchParameter) and the score order: only the best N are reported
 * (2004). The other documents found count in totalFiles and totalHits, unreported, and the
 * search need not read their records, which makes a first page of a common word cheap. */
#define LXR_SEARCH_BEST_ONLY 128

/* Text models of an index. In a Unicode index every text the engine hands out for it (words,
 * document titles, text blocks and lines, hits in context) is UTF-8; in a code-page index it
 * is Windows-1252 (more exactly: the code page of the alphabet). File names and paths are
 * bytes as the file system gives them. */
#define LXR_TEXT_UNICODE 0
#define LXR_TEXT_CODE_PAGE 1
/* lxrJobBase.cancelFlag */
#define LXR_CANCEL_SAVE (-1)
#define LXR_CANCEL_IMMEDIATE (-2)
/* lxrOptions.binaryFiles */
#define LXR_BINARY_FILTER 1
#define LXR_BINARY_SKIP 3
/* lxrInitInfo.errorCode */
#define LXR_INIT_FILE_MISSING 1
#define LXR_INIT_PRIVATE_DIR 2

/* ---- Call-backs ---------------------------------------------------------------------- */
typedef void (*lxrShowFn)(const char* text);     /* a text beginning "$" carries an
                                                    8-character tag: show from text + 8 */
typedef int (*lxrAskYesNoFn)(const char* text);  /* non-zero = yes */
typedef int (*lxrAskYesNoAllFn)(const char* text); /* 1 yes, 0 no, 2 yes to all, -2 cancel */
typedef void (*lxrBeepFn)(void);
/* Progress: `progress` points at the job's lxrIndexProgressInfo or lxrSearchProgressInfo. */
typedef void (*lxrReportCallBack)(uintptr_t pReportData, void* progress);
/* Asked for the sort order when sortType is 0. */
typedef int16_t (*lxrGetSortTypeFn)(uintptr_t pReportData);

/* ---- Records ------------------------------------------------------------------------- */

/* The common head of lxrIndexJob and lxrSearchJob. */
typedef struct lxrJobBase {
  int32_t structSize;
  lxrReportCallBack pReportCallBack; /* may be null */
  uintptr_t pReportData;             /* handed back unchanged to every call-back */
  int32_t cancelFlag;                /* -2 stop at once; other non-zero: stop, keep work */
} lxrJobBase;

/* Which files a job takes. No size field. */
typedef struct lxrFileSpec {
  StringSet* includeFilters;              /* may be null */
  StringSet* excludeFilters;              /* may be null */
  char directory[LXR_PATH_CHARS];
  char directoryListName[LXR_PATH_CHARS]; /* text file: one folder a line */
  char filesListName[LXR_PATH_CHARS];     /* text file: one file a line */
  void* fileConditions;                   /* may be null; owned by the caller */
  char reserved[20];
} lxrFileSpec;

typedef struct lxrIndexJob {
  lxrJobBase base;
  char indexName[LXR_INDEX_NAME_CHARS];
  char indexPath[LXR_PATH_CHARS];
  int16_t create, add, compress, removeListed, removeDeleted;
  int16_t caseSensitive, accentSensitive, relativePaths, addToLibrary;
  lxrFileSpec toAdd;
  char toRemoveListName[LXR_PATH_CHARS];
  const char* tempFileDir; /* may be null */
  int16_t textModel;       /* of a new index: LXR_TEXT_UNICODE (0) or LXR_TEXT_CODE_PAGE */
  char reserved[56];
} lxrIndexJob;

typedef struct lxrSearchJob {
  lxrJobBase base;
  char request[LXR_REQUEST_CHARS];
  char additionalRequest[LXR_REQUEST_CHARS];
  int16_t sortType;
  lxrGetSortTypeFn getSortType; /* may be null */
  int16_t searchFiles;
  int16_t searchIndexes;
  lxrFileSpec filesToSearch;
  StringSet* indexesToSearch;   /* index folders; may be null */
  char resultsName[LXR_PATH_CHARS];
  char listingName[LXR_PATH_CHARS];
  int32_t listingFlags;
  int32_t totalFiles; /* written by the engine */
  int32_t totalHits;  /* written by the engine */
  int16_t searchParameter;
  int16_t searchFlags;
  int16_t fuzziness; /* 0..9, with LXR_SEARCH_FUZZY */
  lxrSearcher* searchHandle; /* may be null */
  char reserved[50];
} lxrSearchJob;

typedef struct lxrInitInfo {
  int32_t structSize;
  char privateDir[LXR_PATH_CHARS];
  char homeDir[LXR_PATH_CHARS];
  lxrShowFn pShowErrorFn;
  lxrAskYesNoFn pAskYesNoFn;
  lxrShowFn pShowInfoFn;
  lxrBeepFn pBeepFn;
  uintptr_t scriptArgA;
  int32_t engineWord; /* written by the engine; callers ignore it */
  lxrAskYesNoAllFn pAskYesNoAllFn;
  int32_t errorCode;       /* LXR_INIT_FILE_MISSING or LXR_INIT_PRIVATE_DIR on failure */
  const char* errorText;   /* the engine's accumulated error text; valid until shutdown */
  uintptr_t scriptArgB;
  const char* commandLine; /* may be null */
  char reserved[20];
} lxrInitInfo;

typedef struct lxrOptions {
  int32_t structSize;
  int16_t binaryFiles;  /* LXR_BINARY_FILTER, LXR_BINARY_SKIP, other: no detection */
  char wordChars[256];  /* get: every code 1..255 the alphabet does not class as a space */
  int16_t hyphenMode;   /* how hyphens are treated (1..4) */
  char alphabetName[LXR_PATH_CHARS];
  uint8_t indexNumbers; /* index words that begin with a digit */
  char reserved[2055];
} lxrOptions;

/* A date and time as seven bytes. */
typedef struct lxrDate {
  uint8_t century, year, month, day, hour, minute, second;
} lxrDate;

typedef struct lxrIndexInfo {
  int32_t structSize;
  int32_t documents;     /* documents less obsolete ones */
  int32_t words;
  int32_t paths;
  int32_t fragmentation; /* segments less one */
  int32_t obsolete;
  char indexName[LXR_INDEX_NAME_CHARS];
  uint8_t accentSensitive, caseSensitive, relativePaths;
  lxrDate created, updated, compressed; /* zero when never */
  int32_t indexBytes;
  char versionTag[32];
  uint8_t textModel; /* LXR_TEXT_UNICODE or LXR_TEXT_CODE_PAGE */
  char reserved[67];
} lxrIndexInfo;

/* Progress of an index job, shared with the caller's progress call-back. */
typedef struct lxrIndexProgressInfo {
  int32_t structSize;
  int32_t statusCode;   /* 3004, 3007..3013, 4003, 4004 */
  int32_t phase;        /* 1 begin .. 8 done */
  int32_t percentDone;
  int32_t filesSelected, filesChecked, filesToIndex, filesIndexed;
  int32_t binaryFilesSkipped, openFailures, encryptedFilesSkipped;
  int64_t bytesToIndex;
  int64_t freeDiskKBytes;
  int32_t fileSize, bytesRead, wordCount;
  int32_t sorterBufferBytes, mergeRoomBytes, mergeFileBytes, wordListBytes;
  char fileName[LXR_PATH_CHARS];
  char filePath[LXR_PATH_CHARS];
  char fileType[40];
  char errorText[256];
  char reserved[64];
} lxrIndexProgressInfo;

/* Progress of a search job. */
typedef struct lxrSearchProgressInfo {
  int32_t structSize;
  int32_t statusCode;   /* 2001..2004, 1003, 1001 */
  char name[LXR_PATH_CHARS]; /* 2003: the index or file being searched */
  int16_t isFile;
  int32_t filesToSearch, filesSearched;
  char docName[LXR_PATH_CHARS]; /* 2004 */
  int32_t hitCount;
  const void* docRecord;
  int32_t answer;       /* 1001: set -1 to stop the search */
  char reserved[64];
} lxrSearchProgressInfo;

/* One document of an index, as lxrsListDocuments hands it out. */
typedef struct lxrDocumentInfo {
  int32_t structSize;
  int32_t docId;
  int32_t fileSize;
  int32_t wordCount;     /* the number of its last word */
  int16_t cancelled;     /* a removed or replaced version */
  char modDate[20];      /* "YYYY-MM-DD HH:MM:SS", the file's modification time */
  char fileName[LXR_PATH_CHARS];
  char title[128];
} lxrDocumentInfo;

#ifdef LXR_RECORDS_32BIT
#pragma pack(pop)
#endif

/* Call-backs of the listing operations: return 0 to go on, anything else to stop. */
typedef int (*lxrWordListFn)(uintptr_t data, const char* word, int32_t occurrences,
                             int32_t documents);
typedef int (*lxrDocumentListFn)(uintptr_t data, const lxrDocumentInfo* doc);
/* One document of a search results file: its details (docId, fileSize, wordCount, modDate,
 * fileName, title; `cancelled` is 0), its hit count, its score and its hits (`hitCount` word
 * numbers, ascending; the array is valid during the call only). */
typedef int (*lxrResultListFn)(uintptr_t data, const lxrDocumentInfo* doc, int32_t hitCount,
                               int32_t score, const int32_t* hits);
/* One laid-out line of a document: its number (from 0), the number of its first word (for a
 * line without words, the number the next word gets), flags (1: a word on it is a hit;
 * 2: the line ends a page) and
 * its text as shown, with the byte 7 before and after each hit word. */
typedef int (*lxrDocumentLineFn)(uintptr_t data, int32_t lineNo, int32_t firstWord,
                                 int32_t flags, const char* text);

/* ---- Entry operations ---------------------------------------------------------------- */
/* Starts the engine, or counts one more user of the started one. The private folder is
 * info->privateDir, else $LXRDIR, else $XDG_DATA_HOME/lexaurum (~/.local/share/lexaurum);
 * the home folder (the shipped data files) is info->homeDir, else the program's folder or
 * ../share/lexaurum beside it, else the data files installed with liblexaurum.so. The first call makes the private folder when needed, reads
 * the options (OPTIONS.DAT; none: the defaults), locks the private folder, loads the message
 * file, the index library, the alphabet, the stemming rules, the thesaurus and the
 * importers, and keeps the call-backs (each may be null: then messages are only traced and
 * questions take their default answers). info->errorText is set to the engine's
 * accumulated error text (valid until the process ends). Returns 0; -1 when the record or a
 * call-back is bad, or the engine cannot start: info->errorCode then says
 * LXR_INIT_FILE_MISSING (a necessary data file) or LXR_INIT_PRIVATE_DIR (the private folder
 * cannot be made, written or locked), and nothing is left started. */
LXR_API int16_t lxrsDoInit(lxrInitInfo* info, int16_t* result);
/* Counts one user less; the last one saves the index library and stops the engine (every
 * pointer and handle it gave out is then invalid). Returns 0, or -1 when it is not started. */
LXR_API int16_t lxrsDoShutDown(int16_t* result);
/* Runs an index job: in the folder indexPath (or, when it is empty, that of the index
 * library's entry named indexName) it makes a new index when `create` is set (an index the
 * folder held is replaced; its folders and filters files stay), removes the listed
 * documents and those whose files are gone when asked, adds the new and changed files of
 * `toAdd` (a job naming no files repeats the folders and filters the index keeps), then
 * compresses when asked; a new index goes into the library when addToLibrary is set. The
 * cancel flag is reset to 0 at the start and read while the job runs: -2 stops at once and
 * leaves the index as it was, any other non-zero value stops and keeps the documents done.
 * Progress goes to the call-back as an lxrIndexProgressInfo, a report to INDEXLOG.DAT in the
 * index folder. Every update is all or nothing: a failure or a crash leaves the index as
 * before. Returns 0 when the job did what it was asked (a stop that keeps what was done
 * included); -1 when the record is bad, the index cannot be made or opened, the job was
 * stopped at once, or the update failed. */
LXR_API int16_t lxrsDoIndexJob(lxrIndexJob* job, int16_t* result);
/* Runs a search job: the request (joined by AND with additionalRequest) is searched in each
 * folder of indexesToSearch when searchIndexes is set, then in the files of filesToSearch,
 * not indexed, when searchFiles is set; each index folds it by its own flags. The documents
 * found go to a results file (resultsName, or a new SRCH<n>.DAT in the private folder whose
 * name is written into resultsName), sorted by sortType (0: getSortType is asked), and to
 * the listing file when listingName is given; totalFiles and totalHits say how many. The
 * search is added to the history SHISTORY.DAT. A kept searcher (searchHandle) may be given.
 * Returns 0 when documents were retrieved; -1 when none were, the request is empty or
 * faulty (the request's echo is shown), an index cannot be searched, or the record is bad. */
LXR_API int16_t lxrsDoSearchJob(lxrSearchJob* job, int16_t* result);
/* Fills `info` (structSize set, every other field first zeroed) from the index in indexPath:
 * its counts, name (the index library's name when it has one), flags, dates, size and
 * version tag. Reading it is no update. Returns 0, or -1 when the index cannot be opened or
 * an argument is bad (`info` is then untouched or zeroed). */
LXR_API int16_t lxrsGetIndexInfo(const char* indexPath, lxrIndexInfo* info, int16_t* result);
/* Writes the text of the document toExtractName, laid out 80 columns wide, one line feed a
 * line, into toCreateName (replaced); a container's members follow, each after a line
 * "[MEMBER]". The document itself, an existing document or a program
 * is never overwritten (message 43). When the document cannot be opened, "Unable to open
 * file" is written instead. Returns 0, or -1 when the output is refused or cannot be
 * written, or the document cannot be opened. */
LXR_API int16_t lxrsDoGetFileText(const char* toExtractName, const char* toCreateName,
                                  int16_t* result);
/* As lxrsDoGetFileText, with the text in UTF-8 whatever the engine's alphabet: every script
 * the document holds is kept. A document whose text could not be extracted (damaged, needing
 * a password, or its extraction stopped at a limit) gives "Unable to read file: " and the
 * reason, and -1, here and in lxrsDoGetFileText. */
LXR_API int16_t lxrsDoGetFileTextUtf8(const char* toExtractName, const char* toCreateName,
                                      int16_t* result);
/* Recognises the format of `fileName` as the engine would when opening it as a document:
 * the format's name into `typeName` (NUL-terminated, cut to typeNameBytes - 1) and its type
 * code into `typeCode` (0 for formats without a code). Returns 0, or -1 when the engine is
 * not initialised, an argument is bad, the file cannot be opened or no format can read it;
 * the outputs are then untouched. */
LXR_API int16_t lxrsGetFileType(const char* fileName, char* typeName, int32_t typeNameBytes,
                                int16_t* typeCode, int16_t* result);
/* Lists the words of an index in the order of its word list, each with its occurrence and
 * document counts (documents counted once per update that added to the word). `pattern`
 * (may be null or empty: every word) is a request word: wildcards, ranges and the other
 * markers work as in a search. Words the engine keeps for itself (number words, file-name
 * and date fields, the first- and last-word marks) are left out unless `allWords` is set.
 * Returns 0, or -1 when the index cannot be opened or read. */
LXR_API int16_t lxrsListWords(const char* indexPath, const char* pattern, int16_t allWords,
                              lxrWordListFn fn, uintptr_t data, int16_t* result);
/* Lists the documents of an index by id; cancelled ones only with `withCancelled`.
 * Returns 0, or -1 when the index cannot be opened or read. */
LXR_API int16_t lxrsListDocuments(const char* indexPath, int16_t withCancelled,
                                  lxrDocumentListFn fn, uintptr_t data, int16_t* result);
/* Lists the documents of a search results file (an lxrSearchJob's `resultsName` after the
 * job) in the file's order, which is the job's sort order. Returns 0, or -1 when the file
 * cannot be opened, is not a results file or an item cannot be read. */
LXR_API int16_t lxrsListResults(const char* resultsName, lxrResultListFn fn, uintptr_t data,
                                int16_t* result);
/* Opens the document `fileName` through the importers, lays it out into lines `width`
 * columns wide (20..512), numbering its words as an index does, marks the words numbered in
 * `hits` (`hitCount` of them, ascending; at most 511 are used; null when none) and hands the
 * lines out through the document text reader: every line in order, or with `hitLinesOnly`
 * only the lines that hold a hit, reached by stepping from hit to hit. Returns 0 (also when
 * `fn` stopped early), or -1 when an argument is bad or the document cannot be opened or
 * read (the lines read before a read failure have been handed out). */
/* With LXR_LINES_UTF8 in `hitLinesOnly` the document is laid out as a Unicode index lays it
 * out (its words numbered so, its text in UTF-8); bit 1 is the hit-lines switch. */
#define LXR_LINES_UTF8 2
LXR_API int16_t lxrsGetDocumentLines(const char* fileName, const int32_t* hits,
                                     int32_t hitCount, int32_t width, int16_t hitLinesOnly,
                                     lxrDocumentLineFn fn, uintptr_t data, int16_t* result);
/* Verifies an index: reads it whole and checks that its word list, document table and
 * references agree. `job` (may be null) gives the progress call-back, which receives an
 * lxrIndexProgressInfo with code LXR_PROGRESS_VERIFYING, the percentage done and the item
 * in fileName, and the cancel flag (non-zero stops the run). Returns 0 when the index
 * verified; -1 on the first fault (its description in `failure`, which may be null, cut to
 * failureBytes - 1), when the index cannot be opened, or when stopped. */
LXR_API int16_t lxrsVerifyIndex(const char* indexPath, lxrJobBase* job, char* failure,
                                int32_t failureBytes, int16_t* result);
/* Changes the engine's options and writes them to OPTIONS.DAT: binaryFiles, hyphenMode (kept
 * when outside 0..4), alphabetName (empty: kept; a new name is loaded now), indexNumbers, and
 * wordChars (empty: kept; otherwise the codes in it become letters and every other code a
 * space). They take effect at once for the jobs that follow. Returns 0, or -1 when the
 * record is bad, the engine is not started or the options file cannot be written (the
 * options in memory are changed all the same). */
LXR_API int16_t lxrsSetOptions(lxrOptions* options, int16_t* result);
/* Fills `options` with the engine's options; wordChars lists every code 1..255 the alphabet
 * does not class as a space. The reserved bytes are left as they are. Returns 0, or -1 when
 * the record is bad or the engine is not started. */
LXR_API int16_t lxrsGetOptions(lxrOptions* options, int16_t* result);
/* Deletes the index in indexPath: its files, its work folder, its folders and filters files
 * and the folder itself, and its entry in the index library. Returns 0; -1 when the folder
 * holds no index, a writer holds the index (message 74; nothing is deleted), the index could
 * not be deleted, or the engine is not started. */
LXR_API int16_t lxrsDeleteIndex(const char* indexPath, int16_t* result);
/* Runs the job script `scriptName`; its log is written beside it (extension "log").
 * Returns 0 when every command succeeded, -1 otherwise. */
LXR_API int16_t lxrsRunScript(const char* scriptName, int16_t* result);
/* The same, handing every log line to `echo` (may be null) as (echoData, 1, line) before it
 * is written, and reading `cancelFlag` (may be null) during the run: a non-zero value is
 * passed to the running job as its cancel flag, and the script ends after that job. */
typedef void (*lxrScriptEchoFn)(uintptr_t data, int32_t kind, const char* line);
LXR_API int16_t lxrsRunScriptEcho(const char* scriptName, lxrScriptEchoFn echo,
                                  uintptr_t echoData, const volatile int32_t* cancelFlag,
                                  int16_t* result);
/* Saves an index job as a job script in `fileName` (its extension made "job"); an existing
 * file is replaced only when the ask call-back agrees. The name written goes into
 * `writtenName` (may be null). Returns 0, or -1 when declined or not written. */
LXR_API int16_t lxrsWriteScript(const lxrIndexJob* job, const char* fileName, char* writtenName,
                                int32_t writtenNameBytes, int16_t* result);
/* A job script run for a front end with a window. `echo` (may be null) receives every log
 * line as lxrsRunScriptEcho's does; `cancelFlag` (may be null) is read as there; `windowFn`
 * (may be null) receives the script's WINDOW commands as (windowData, show) with show 0
 * normal, 1 maximised, 2 minimised, 3 hidden (null: they are logged as ignored);
 * `progressFn` (may be null) is called as (progressData) at every progress report of the job
 * a command runs, before the cancel flag is read, so that a window can let its events run
 * (its Cancel button, other programs' requests) while the job works. On return the engine
 * has set `quitRequested` to 1 when the script ended at QUIT, else 0. */
typedef void (*lxrScriptWindowFn)(uintptr_t data, int32_t show);
typedef void (*lxrScriptProgressFn)(uintptr_t data);
#define LXR_WINDOW_NORMAL 0
#define LXR_WINDOW_MAX 1
#define LXR_WINDOW_MIN 2
#define LXR_WINDOW_HIDE 3
typedef struct lxrScriptHost {
  int32_t structSize;
  lxrScriptEchoFn echo;
  uintptr_t echoData;
  const volatile int32_t* cancelFlag;
  lxrScriptWindowFn windowFn;
  uintptr_t windowData;
  int16_t quitRequested; /* written by the engine */
  lxrScriptProgressFn progressFn;
  uintptr_t progressData;
  char reserved[14];
} lxrScriptHost;
/* Runs the job script `scriptName` for `host` (its log beside it, as lxrsRunScript). Returns 0
 * when every command succeeded, -1 otherwise or when an argument is bad (then `host` is
 * untouched). */
LXR_API int16_t lxrsRunScriptHost(const char* scriptName, lxrScriptHost* host, int16_t* result);
/* Explains how a search would understand `request` (engine text, at most 4096 characters)
 * with the word options `searchFlags` (LXR_SEARCH_...) and `fuzziness` (0..9) added to the
 * engine's own: the parsed request, the parts not searched and the file conditions, or for a
 * faulty request the message with the request echoed; one item a line, in engine text. The
 * text goes into `text` (may be null when textBytes is 0), NUL-terminated and cut to
 * textBytes - 1; `neededBytes` (may be null) receives its whole length plus one. Returns 0
 * when the request is understood; -1 when it is faulty (the text says why), an argument is
 * bad or the engine is not initialised (then the outputs are untouched). */
LXR_API int16_t lxrsExplainRequest(const char* request, int16_t searchFlags, int16_t fuzziness,
                                   char* text, int32_t textBytes, int32_t* neededBytes,
                                   int16_t* result);
/* One search of the history (SHISTORY.DAT in the private folder), newest first: the
 * request as searched (engine text), the documents and hits it found and its date
 * "YYYY-MM-DD HH:MM:SS". Return 0 to go on, anything else to stop. */
typedef int (*lxrHistoryFn)(uintptr_t data, const char* request, int32_t documents,
                            int32_t hits, const char* date);
/* Hands out the search history; none yet is an empty history. Returns 0, or -1 when `fn` is
 * bad or the engine is not initialised. */
LXR_API int16_t lxrsGetSearchHistory(lxrHistoryFn fn, uintptr_t data, int16_t* result);
/* Writes `line` (at most 4096 characters) to the trace: the debug log when it is on. A null
 * or unreadable line is ignored. */
LXR_API void lxrsTrace(const char* line);
/* A searcher to give search jobs (lxrSearchJob.searchHandle): it keeps its settings between
 * jobs, and an answer of -1 to the stop query leaves its job's cancel flag set. Null when the
 * engine is not started. Deleted by lxrsDeleteSearcher, or by the last lxrsDoShutDown. */
LXR_API lxrSearcher* lxrsCreateSearcher(void);
/* Frees a searcher lxrsCreateSearcher made; any other pointer is refused and left alone. */
LXR_API void lxrsDeleteSearcher(lxrSearcher* searcher);
/* Reports the index library: `count` indexes; into `buffer` (null: count and size only) each
 * index's name and then its path, each NUL-terminated, as many whole entries as fit.
 * `neededSize` = 5 + for each index (name length + path length + 2). Returns 0, or -1 when
 * the engine is not initialised, an argument is bad or a given buffer was too small. */
LXR_API int16_t lxrsGetIndexList(int16_t* count, char* buffer, int32_t bufferSize,
                                 int32_t* neededSize);
/* The engine's version (either pointer may be null). */
LXR_API void lxrVersion(int16_t* major, int16_t* minor);
/* Starts the debug log into `fileName`, or stops it when null. */
LXR_API int16_t lxrsDebugLog(const char* fileName);

/* String sets, for the records' pattern and index lists. */
LXR_API StringSet* lxrsNewStringSet(void);
LXR_API int32_t lxrsStringSetAdd(StringSet* set, const char* text); /* new count, -1 bad */
LXR_API void lxrsFreeStringSet(StringSet* set);

/* Zero-fill a record and set its size. */
static inline void lxrInitRecord(void* record, int32_t size) {
  memset(record, 0, (size_t)size);
  memcpy(record, &size, sizeof size);
}
#define LXR_INIT_RECORD(r) lxrInitRecord(&(r), (int32_t)sizeof(r))

#ifdef __cplusplus
} /* extern "C" */
#endif

#ifdef LXR_RECORDS_32BIT
/* The sizes of the original interface, on the target it was made for. */
#ifdef __cplusplus
#define LXR_STATIC_ASSERT static_assert
#else
#define LXR_STATIC_ASSERT _Static_assert
#endif
LXR_STATIC_ASSERT(sizeof(lxrInitInfo) == 1092, "lxrInitInfo size");
LXR_STATIC_ASSERT(sizeof(lxrIndexJob) == 2728, "lxrIndexJob size");
LXR_STATIC_ASSERT(sizeof(lxrSearchJob) == 3206, "lxrSearchJob size");
LXR_STATIC_ASSERT(sizeof(lxrFileSpec) == 1568, "lxrFileSpec size");
LXR_STATIC_ASSERT(sizeof(lxrOptions) == 2832, "lxrOptions size");
LXR_STATIC_ASSERT(sizeof(lxrIndexInfo) == 192, "lxrIndexInfo size");
#endif

#endif /* LEXAURUM_LEXAURUM_H */
