// Reporter: how the messages and questions of a job reach whoever started it. The layers
// below the engine interface never reach the user any other way: the interface gives each
// job the reporter that speaks through the front end's call-backs (or into a script's log).
// A job given none says nothing and takes the default answers. Depends on objects/Trace.
#pragma once

#include <string>

// Threads: the thread of the job it is given to.
class Reporter {
 public:
  virtual ~Reporter() = default;
  // A failure the user should see (a text of the message table, already formatted).
  virtual void error(const std::string& text) = 0;
  // A notice (nothing went wrong).
  virtual void info(const std::string& text) = 0;
  // A yes/no question: the answer, or `defaultAnswer` when nobody can be asked.
  virtual bool ask(const std::string& question, bool defaultAnswer) = 0;

  // A reporter that only traces what it is given and takes every default answer.
  static Reporter& quiet();
};
