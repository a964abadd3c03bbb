// The words of lxr's help: one page per command. The renderers in HelpText.cpp turn them into
// the terminal pages, the usage and the man page docs/lxr.1.
#include "tools/HelpText.h"

namespace helptext {

namespace {

const char* const kWordOptionsText =
    "--fuzzy N (0 to 9), --phonic, --stemming, --synonyms and --natural apply a word option "
    "to every unquoted word of the request, as the markers % # ~ & do for one word.";

std::vector<Page> makePages() {
  std::vector<Page> p;
  p.push_back({"create", "make a new, empty index",
               {"create INDEX [--name NAME] [--case] [--accent] [--relative-paths] [--alphabet FILE]"},
               "Makes the folder INDEX (when needed) and an empty index in it; an index already "
               "there is replaced. `lxr add` makes the index itself when it does not exist, so "
               "create is needed only for an index with other settings. New indexes hold "
               "Unicode text: words of every script, in UTF-8.",
               {{"--name NAME", "the index's name; it is also added to the index library under it"},
                {"--case", "tell capital letters from small ones (by default case is ignored)"},
                {"--accent", "tell accented letters from plain ones (ignored by default)"},
                {"--relative-paths", "keep document names relative to the index folder"},
                {"--alphabet FILE", "an index of the 8-bit code page of the alphabet file the options name (ENGLISH.ABC), as indexes were before Unicode; also for add"}},
               {{"create ~/idx/mail --name Mail --case", "a case-sensitive index, in the library as Mail"}}});
  p.push_back({"add", "index the files of folders, making the index when needed",
               {"add INDEX FOLDER... [--include PATTERN]... [--exclude PATTERN]... [--alphabet FILE] [--verbose] [--json]",
                "add INDEX --files-list FILE [options]"},
               "Walks each FOLDER with its subfolders and indexes the files that are new or "
               "changed since the last run. The folders and patterns are kept with the index, so "
               "that `lxr update INDEX` repeats them. The job ends with one summary line on "
               "standard error (added, re-indexed, removed, skipped, failed, words, time); on a "
               "terminal a progress bar shows how far it is. Ctrl-C stops and keeps the documents "
               "finished; a second Ctrl-C stops at once and leaves the index as it was.\n\n"
               "A missing folder or file list is an error and nothing is done. Files that could "
               "not be opened and files skipped are counted in the summary and listed by "
               "--verbose and by `lxr failed INDEX`.",
               {{"--include PATTERN", "take only files whose name matches (? one character, * any run, # a digit, @ a letter); may be repeated"},
                {"--exclude PATTERN", "leave out files and folders whose name matches; may be repeated"},
                {"--files-list FILE", "also index the files named in FILE, one a line"},
                {"--verbose", "list every file that failed or was skipped, with the reason"},
                {"--json", "print the summary as one JSON object on standard output"}},
               {{"add ~/idx/docs ~/Documents", "index everything under ~/Documents"},
                {"add ~/idx/src ~/src --include '*.c' --include '*.h' --exclude .git", "only C sources"}}});
  p.push_back({"update", "take in new, changed and deleted files",
               {"update INDEX [--keep-deleted] [--verbose] [--json]"},
               "Repeats the folders and patterns kept with the index: new and changed files are "
               "indexed, and documents whose files are gone are removed (with --keep-deleted "
               "they stay findable). Ends with a summary line like `lxr add`.",
               {{"--keep-deleted", "keep the documents of files that no longer exist"},
                {"--verbose", "list every file that failed or was skipped, with the reason"},
                {"--json", "print the summary as one JSON object on standard output"}},
               {{"update ~/idx/docs", "bring the index up to date"}}});
  p.push_back({"remove", "remove listed documents from an index",
               {"remove INDEX --list FILE [--verbose] [--json]"},
               "Removes the documents named in FILE (one path a line) from the index. They are "
               "no longer found; `lxr compress` reclaims their space. Exit status 1 when none of "
               "them was in the index.",
               {{"--list FILE", "the documents to remove"},
                {"--verbose", "list the names that are not in the index"},
                {"--json", "print the summary as one JSON object on standard output"}},
               {{"remove ~/idx/docs --list old.txt", "remove the documents named in old.txt"}}});
  p.push_back({"compress", "rebuild an index without its removed documents",
               {"compress INDEX [--json]"},
               "Drops removed and replaced documents for good and stores each word's references "
               "in one block, which makes the index smaller and searches faster. The index is "
               "in use (searches wait) while it runs.",
               {{"--json", "print the summary as one JSON object on standard output"}},
               {{"compress ~/idx/docs", ""}}});
  p.push_back({"verify", "check that an index is sound",
               {"verify INDEX"},
               "Reads the whole index and checks its files against their checksums and its "
               "structure. Exit status 0 when no problem was found, 5 when the index is damaged.",
               {},
               {{"verify ~/idx/docs", ""}}});
  p.push_back({"repair", "rebuild a damaged index from its documents",
               {"repair INDEX [--verbose] [--json]"},
               "Moves the index aside to INDEX.damaged and makes it anew in its place with the "
               "same name, case and accent rules, relative paths, folders and patterns, and "
               "indexes its folders. If the rebuild fails the old "
               "index is put back. Use it when `lxr verify` or a search reports damage (exit "
               "status 5); delete INDEX.damaged once the new index serves.",
               {{"--verbose", "list every file that failed or was skipped, with the reason"},
                {"--json", "print the summary as one JSON object on standard output"}},
               {{"repair ~/idx/docs", ""}}});
  p.push_back({"info", "show an index's statistics",
               {"info INDEX"},
               "Prints the index's name, folder, documents, removed documents, words, size, "
               "settings and dates.",
               {},
               {{"info ~/idx/docs", ""}}});
  p.push_back({"words", "list the words of an index with their counts",
               {"words INDEX [--match PATTERN] [--all]"},
               "Lists each word with the number of its occurrences and of the documents that hold "
               "it. Only documents that are still in the index are counted (removed ones are not, "
               "even before a compression), so the counts agree with what a search finds. Exit "
               "status 1 when no word matches.",
               {{"--match PATTERN", "only the words a request word would find: wildcards, and the ~ # % markers"},
                {"--all", "also the words the engine keeps for itself (numbers, name and date words)"}},
               {{"words ~/idx/docs --match 'licen*'", ""}, {"words ~/idx/docs --match 'connect~'", "the words with the stem of connect"}}});
  p.push_back({"files", "list the documents of an index",
               {"files INDEX [--all]"},
               "Lists id, date, size, word count and name of every document.",
               {{"--all", "also the removed and replaced documents, marked \"(removed)\""}},
               {{"files ~/idx/docs", ""}}});
  p.push_back({"failed", "list the documents an index could not take in",
               {"failed INDEX"},
               "Lists the documents whose text could not be read (a damaged file, a password, an "
               "extraction that crashed or passed its time, memory or output limit), with the "
               "reason and when it happened; updates try them again only once their files change. "
               "Then, from the index log INDEXLOG.DAT, the other files and folders of the last add "
               "or update that could not be read, and those skipped (binary or encrypted), each "
               "with its reason. Exit status 1 when there were none.",
               {},
               {{"failed ~/idx/docs", ""}}});
  p.push_back({"watch", "keep indexes current while it runs",
               {"watch INDEX... [--quiet-period TIME] [--poll-interval TIME] [--rescan-interval TIME] [--max-pending N] [--max-watches N] [--normal-priority]"},
               "Watches every folder of each INDEX (the folders and patterns kept with it) and "
               "takes changes in as they happen: once a changed file has been left alone for the "
               "quiet period, the changes collected are applied as one update of just those files "
               "(new and changed files are indexed, deleted ones removed; a rename is both, a folder "
               "moved out loses its documents). Files still being written wait. It starts with a "
               "rescan of the folders (as `lxr update` does), rescans again when the system lost "
               "events, and once a day; folders it cannot watch, when the system's watches run out "
               "(it says so once, and how to raise fs.inotify.max_user_watches), are looked at "
               "every poll interval instead. Searches work beside it as beside any update.\n\n"
               "It runs at idle disk and CPU priority and prints one summary line per update on "
               "standard error. SIGUSR1 pauses it, SIGUSR2 resumes it; SIGTERM or Ctrl-C ends it "
               "after the update in progress (a second one stops that update, keeping the "
               "documents finished). Killed outright it loses nothing: the next start rescans. "
               "`lxr status INDEX` shows what it is doing. docs/watching.md tells how to run it as a "
               "systemd user service. TIME is 2s, 500ms, 15m, 1h, 1d (plain numbers are seconds).",
               {{"--quiet-period TIME", "how long a change waits without further events (default 2s)"},
                {"--poll-interval TIME", "how often folders that cannot be watched are looked at (default 15m)"},
                {"--rescan-interval TIME", "how often all folders are rescanned (default 1d)"},
                {"--max-pending N", "more waiting changes than N make a rescan instead (default 10000)"},
                {"--max-watches N", "watch at most N folders per index and poll the rest"},
                {"--normal-priority", "run at the normal priority (for measuring)"}},
               {{"watch ~/idx/docs", "keep one index current"},
                {"watch Mail Docs --quiet-period 5s", "two indexes of the library"}}});
  p.push_back({"status", "show an index's last update, its watcher and its failed documents",
               {"status INDEX"},
               "Prints when the index was last updated and what the last job did, whether a "
               "writer holds it, and whether `lxr watch` is watching it: the watcher's process "
               "and state, the folders watched and polled, the changes waiting, the file being "
               "indexed, and the documents that could not be taken in since its last rescan "
               "(without a watcher: those of the last job).",
               {},
               {{"status ~/idx/docs", ""}}});
  p.push_back({"search", "list the documents that match a request, best first",
               {"search REQUEST INDEX... [options]", "search REQUEST --files FOLDER [--include P]... [--exclude P]... [options]"},
               "Prints one line per document found (score, hits, name; the title under it when "
               "the document has one), then the totals. REQUEST is written in the query language "
               "(`lxr help explain`, docs/query-language.md): words, phrases, wildcards ? and *, "
               "markers for fuzzy (%), phonic (#), stemmed (~) and synonym (&) words, number "
               "ranges 12~~20, the connectors and, or, not, w/N, to, contains, and file "
               "conditions with xfilter. An INDEX is an index folder or a name of the index "
               "library. Exit status 0 when documents were found, 1 when none, 2 for a faulty "
               "request (its echo shows where).",
               {{"--files FOLDER", "also search the files of FOLDER, which need not be indexed"},
                {"--include PATTERN, --exclude PATTERN", "choose the files of --files by name"},
                {"--sort hits|name|date|none", "the order: hits (best first, the default), name (the whole path, A to Z), date (newest first), none"},
                {"--ascending, --descending", "reverse the order's natural direction"},
                {"--max N", "show only the first N documents in the chosen order"},
                {"--also REQUEST", "a second request the documents must meet too"},
                {"--fuzzy N, --phonic, --stemming, --synonyms, --natural", kWordOptionsText},
                {"--hits", "the word numbers of each document's hits"},
                {"--context N", "each hit with N words around it, after its line number"},
                {"--color WHEN", "mark hits in colour: auto (on a terminal, the default), always, never; without colour hits are put in [brackets]"},
                {"--json", "one JSON object per document instead"},
                {"--listing FILE [--listing-flags N]", "also write a listing file (flags: 1 counts, 2 hits, 32 both, 1024 header, 2048 append)"}},
               {{"search 'license and not gpl' ~/idx/docs", ""},
                {"search 'tide w/5 (pilot or harbour)' ~/idx/docs --context 4", "each hit in its words"},
                {"search 'run~' ~/idx/docs --sort name --max 10", "the first ten by name"},
                {"search budget --files ~/Downloads --include '*.txt'", "search files that are not indexed"}}});
  p.push_back({"show", "print a document with its hits marked",
               {"show FILE --request REQUEST [--index INDEX] [--hit-lines] [--width N] [--color WHEN] [word options]"},
               "Prints the document's lines, numbered, a * beside each line that holds a hit, "
               "and the hits marked. Without hits it says so and prints nothing else (exit "
               "status 1).",
               {{"--request REQUEST", "the request whose hits are marked"},
                {"--index INDEX", "take the hits from the index's record of the document"},
                {"--hit-lines", "only the lines that hold hits"},
                {"--width N", "the width of a line, 20 to 512 columns (default 100)"},
                {"--color WHEN", "auto, always or never, as for search"}},
               {{"show ~/letters/dues.txt --request 'pilotage w/3 dues' --hit-lines", ""}}});
  p.push_back({"explain", "show how a request is understood",
               {"explain REQUEST [--index INDEX]... [word options]"},
               "Prints the request fully parenthesised, the parts that are not searched and the "
               "file conditions, or, for a faulty request, what is wrong with it. With --index, "
               "also what each word stands for in that index: the words it expands to, each with "
               "the number of documents that hold it.",
               {{"--index INDEX", "list each word's expansions in INDEX; may be repeated"},
                {"--fuzzy N, --phonic, --stemming, --synonyms, --natural", kWordOptionsText}},
               {{"explain 'apple pie w/3 tart or cake'", "prints (APPLE PIE w/3 (TART OR CAKE))"},
                {"explain 'connect~' --index ~/idx/docs", "the words connect~ finds, with their counts"}}});
  p.push_back({"text", "print a document's text as the indexer sees it",
               {"text [--type] FILE"},
               "Prints the text the importers take from FILE, in UTF-8; with --type, the name of "
               "its format and its type code.",
               {{"--type", "only the format"}},
               {{"text report.rtf", ""}}});
  p.push_back({"run", "run a job script",
               {"run SCRIPT.job [--verbose]"},
               "Runs the commands of a job script (docs/job-scripts.md) and writes its log "
               "beside it. Exit status 0 when every command succeeded; otherwise that of the "
               "first failure (3 busy, 4 I/O error, 5 damaged index, 2 a faulty request or "
               "missing file), or 1 when a Test command's check failed.",
               {{"--verbose", "print the log as it is written"}},
               {{"run nightly.job", ""}}});
  p.push_back({"remote", "drive a running desktop program",
               {"remote topics", "remote execute TOPIC [TEXT]", "remote poke TOPIC ITEM FILE"},
               "Talks to the desktop program started with -ipc over its local socket (needs no "
               "index). `topics` lists the topics it serves (script, show, quit, ...); `execute` "
               "sends TEXT to TOPIC and waits for the answer: for the topic script, TEXT is a "
               "job script to run, answered when it has ended; `poke` hands ITEM the "
               "contents of FILE (\"-\": standard input). Exit status 0 when the program "
               "acknowledged, 1 when it refused or did not process the command, 2 when no "
               "program serves, 3 when it is busy with a job.",
               {},
               {{"remote execute script nightly.job", "run a job script in the running program"},
                {"remote execute quit", "end the program"}}});
  p.push_back({"options", "show or change the settings",
               {"options", "options set NAME VALUE"},
               "Shows the settings, or changes one. binaryFiles is 1, 2 or 3 (3: binary files are "
               "not indexed); hyphens is 1 to 4; indexNumbers is 0 or 1; alphabetName names "
               "an alphabet file (.ABC) that exists; IndexLogLimit is the size in bytes at which "
               "an index's log INDEXLOG.DAT is moved to INDEXLOG.OLD when the next job begins "
               "(default 1048576; 0: no limit). PDF, Office, OpenDocument, EPUB, Word and mail "
               "documents are read by a helper process within limits: extractSeconds of CPU time "
               "(default 30; it is stopped after twice that and two seconds of waiting), "
               "extractMegabytes of address space (default 1024) and extractTextMegabytes of text "
               "(default 64) per document; extractInProcess 1 reads them in lxr's own process "
               "instead, without those limits. Other values are refused.",
               {},
               {{"options set binaryFiles 3", "do not index binary files"},
                {"options set extractSeconds 60", "give each document's extraction a minute"},
                {"options set IndexLogLimit 4000000", "keep up to about 4 MB of index log"}}});
  p.push_back({"library", "list and change the index library",
               {"library list", "library add NAME PATH", "library remove NAME"},
               "The index library gives indexes names, which every command takes in place of a "
               "folder. add refuses a PATH that holds no index.",
               {},
               {{"library add Mail ~/idx/mail", ""}, {"search invoice Mail", "search the index by its name"}}});
  p.push_back({"help", "show the help of lxr or of one command",
               {"help [COMMAND]"}, "Prints the usage, or COMMAND's page. `lxr COMMAND --help` does the same.",
               {}, {{"help search", ""}}});
  p.push_back({"version", "show the version", {"version"}, "Prints the engine's version, as --version does.", {}, {}});
  return p;
}

}  // namespace

const std::vector<Page>& pages() {
  static const std::vector<Page> all = makePages();
  return all;
}

}  // namespace helptext
