// IndexLog: the text log of an index's updates, INDEXLOG.DAT in the index folder. Each job
// appends its lines; lines about the current document are indented by five spaces. The
// log is for people reading it after a job: it is written through a buffer and put on the
// disk at every phase line and when the job ends. It is kept to a size limit: a job that
// finds it full first moves it to INDEXLOG.OLD, so a job's lines are never split between
// the two. Depends on the C library and platform/.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Threads: one user at a time. Closed by the destructor.
class IndexLog {
 public:
  IndexLog() = default;
  ~IndexLog() { close(); }
  IndexLog(const IndexLog&) = delete;
  IndexLog& operator=(const IndexLog&) = delete;

  static constexpr int64_t kDefaultLimitBytes = 1024 * 1024;

  // Opens INDEXLOG.DAT of `folder` for appending. When it already holds `limitBytes` or
  // more (0: no limit), it is first renamed INDEXLOG.OLD, replacing the previous one (a
  // rename, so a crash leaves one name or the other). 0, or -1 (the job goes on without a
  // log).
  int open(const std::string& folder, int64_t limitBytes = kDefaultLimitBytes);
  void close();

  void line(const std::string& text);
  // A line about the current document: five blanks, then the text.
  void docLine(const std::string& text);
  // "Time: " and the local date and time.
  void timeLine();
  // Puts what was written on the disk.
  void flush();

  // The local date and time as the log writes it ("2026-12-08 06:26:02").
  static std::string now();

 private:
  std::FILE* file_ = nullptr;
};
