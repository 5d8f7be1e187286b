// SPDX-License-Identifier: GPL-3.0-or-later
// The copy's progress on stderr, at most four times a second: one line
// rewritten in place for a person at a terminal, a line each time where
// stderr is no terminal, or one JSON object a line for a program
// ({"bytes":..,"total":..,"rate":..,"state":".."}).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace vorkan::cli {

class ProgressReport {
 public:
  enum class Style { None, Terminal, Lines, Json };

  explicit ProgressReport(Style style, int fd = 2);

  // The bytes copied so far of the volume's length; the first report at
  // once, the others when a quarter second has passed since the last.
  void Update(std::int64_t bytes, std::int64_t total);
  // The last report, with how the copy ended ("done", "failed", "stopped").
  void Finish(const std::string& state);
  // Takes the line being rewritten off the terminal, for a message; the
  // next report draws it again.
  void ClearLine();

 private:
  void Write(const std::string& state);

  Style style_;
  int fd_;
  using Clock = std::chrono::steady_clock;
  Clock::time_point start_ = Clock::now();
  Clock::time_point last_{};
  std::int64_t lastBytes_ = 0;
  bool reported_ = false;
  double rate_ = 0;  // bytes a second, smoothed
  std::int64_t bytes_ = 0, total_ = 0;
};

}  // namespace vorkan::cli
