// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgressReport.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "SizeText.h"

namespace vorkan::cli {
namespace {

constexpr std::chrono::milliseconds kInterval{250};

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // nobody reads it any more: not worth failing the copy for
    done += static_cast<std::size_t>(n);
  }
}

std::string DurationText(double seconds) {
  const long long s = static_cast<long long>(seconds + 0.5);
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}

}  // namespace

ProgressReport::ProgressReport(Style style, int fd) : style_(style), fd_(fd) {}

void ProgressReport::Update(std::int64_t bytes, std::int64_t total) {
  bytes_ = bytes;
  total_ = total;
  if (style_ == Style::None) return;
  const Clock::time_point now = Clock::now();
  if (reported_ && now - last_ < kInterval) return;
  // The rate of the last interval, smoothed over the last few, so that the
  // time left does not jump with every block.
  const Clock::time_point since = reported_ ? last_ : start_;
  const double seconds = std::chrono::duration<double>(now - since).count();
  if (seconds > 0) {
    const double recent = static_cast<double>(bytes - lastBytes_) / seconds;
    rate_ = reported_ && rate_ > 0 ? 0.7 * rate_ + 0.3 * recent : recent;
  }
  last_ = now;
  lastBytes_ = bytes;
  reported_ = true;
  Write("copying");
}

void ProgressReport::Finish(const std::string& state) {
  if (style_ == Style::None) return;
  const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
  if (seconds > 0) rate_ = static_cast<double>(bytes_) / seconds;
  Write(state);
  if (style_ == Style::Terminal) WriteAll(fd_, "\n");
}

void ProgressReport::ClearLine() {
  if (style_ == Style::Terminal && reported_) WriteAll(fd_, "\r\033[K");
}

void ProgressReport::Write(const std::string& state) {
  const long long rate = static_cast<long long>(rate_);
  if (style_ == Style::Json) {
    char line[160];
    std::snprintf(line, sizeof line, "{\"bytes\":%lld,\"total\":%lld,\"rate\":%lld,\"state\":\"%s\"}\n",
                  static_cast<long long>(bytes_), static_cast<long long>(total_), rate, state.c_str());
    WriteAll(fd_, line);
    return;
  }
  const int percent = total_ > 0 ? static_cast<int>(bytes_ >= total_ ? 100 : bytes_ * 100 / total_) : 0;
  std::string text = (style_ == Style::Terminal ? "\r\033[K" : "") + std::to_string(percent) + "%  " +
                     SizeText(bytes_) + " of " + SizeText(total_) + "  " + SizeText(rate) + "/s";
  if (state == "copying") {
    if (rate > 0 && total_ > bytes_)
      text += "  " + DurationText(static_cast<double>(total_ - bytes_) / rate_) + " left";
  } else {
    text += "  " + state;
  }
  if (style_ == Style::Lines) text += "\n";
  WriteAll(fd_, text);
}

}  // namespace vorkan::cli
