#pragma once
// What a core operation that can refuse or fail gives back to its caller: the
// windows show the message in a message box, ltr-cli prints it and chooses its
// exit status from the kind, the tests compare it.

#include <ostream>
#include <string>
#include <utility>

namespace ltr {

class [[nodiscard]] TOutcome {
 public:
  enum class TKind {
    Done,     // the operation went through (a vortex run the user stopped, too)
    Stopped,  // a concentration run stopped before it had results (Stop, or its step bound)
    Refused,  // refused before anything changed: arguments, fields or a file that make no sense
    Failed,   // ended part-way because its numbers stopped being finite; nothing was stored
  };

  // Done.
  TOutcome() = default;
  static TOutcome Refusal(std::string message) { return TOutcome(TKind::Refused, std::move(message)); }
  static TOutcome Failure(std::string message) { return TOutcome(TKind::Failed, std::move(message)); }
  static TOutcome StoppedEarly() { return TOutcome(TKind::Stopped, {}); }

  TKind Kind() const { return kind_; }
  bool Ok() const { return kind_ == TKind::Done; }
  explicit operator bool() const { return Ok(); }
  // Why the operation was refused or failed, one line for the user; empty when
  // it went through or was stopped.
  const std::string& Message() const { return message_; }

  friend std::ostream& operator<<(std::ostream& os, const TOutcome& o) {
    return os << (o.message_.empty() ? std::string(o.Ok() ? "done" : "stopped") : o.message_);
  }

 private:
  TOutcome(TKind kind, std::string message) : kind_(kind), message_(std::move(message)) {}

  TKind kind_ = TKind::Done;
  std::string message_;
};

}  // namespace ltr
