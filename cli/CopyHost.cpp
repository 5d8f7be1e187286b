// SPDX-License-Identifier: GPL-3.0-or-later
#include "CopyHost.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "CopyJob.h"
#include "SleepInhibitor.h"
#include "StopSignals.h"

namespace vorkan::cli {
namespace {

// How long a read still running when a stop is asked for is waited for: one
// that answers is taken, one that hangs (a dying device) is left behind.
constexpr int kLastReadWaitMs = 2000;

std::string Bytes(std::int64_t count) { return std::to_string(count) + " bytes"; }

}  // namespace

CopyHost::CopyHost(VolumeOps& ops, const CopyOptions& options, char letter, ImageTarget target,
                   ProgressReport& progress, Sha256* digest, int stopDescriptor)
    : ops_(ops),
      options_(options),
      letter_(letter),
      target_(std::move(target)),
      progress_(progress),
      digest_(digest),
      stopDescriptor_(stopDescriptor) {
  lockOption = options.lock;
}

// A line of its own, never within the progress line.
void CopyHost::Say(const std::string& text) {
  progress_.ClearLine();
  std::fprintf(stderr, "vorkan: %s\n", text.c_str());
}

PromptResult CopyHost::ShowPrompt(PromptId id, const std::string&, PromptKind, PromptButtons) {
  const std::string& source = options_.source;
  switch (id) {
    case PromptId::ImageNotCreated: Say("cannot create the image " + target_.path); return PromptResult::Ok;
    case PromptId::SourceUnreadable: Say(source + " is empty or cannot be read"); return PromptResult::Ok;
    case PromptId::LockRefused:
      // Abort: the job then keeps an empty image, which RunCopyJob takes away.
      Say("cannot lock " + source + ": it is mounted or in use by another program");
      lockAborted_ = true;
      return PromptResult::Abort;
    case PromptId::SourceMissing:
      Say("reading " + source + " failed after " + Bytes(copiedBytes_));
      return PromptResult::Ok;
    case PromptId::EndOfDataEarly:
      Say(source + " ended after " + Bytes(copiedBytes_) + " of " + Bytes(length_));
      return PromptResult::Cancel;
    case PromptId::WriteFailed:
      writeFailed_ = true;
      Say("writing the image failed: its disk is full or failing");
      return PromptResult::Ok;
    case PromptId::KeepPartial:
      if (!options_.keepPartial) return PromptResult::No;
      Say("keeping the " + Bytes(copiedBytes_) + " copied");
      return PromptResult::Yes;
    case PromptId::KeptElsewhere:  // the command says where once the job is over
    case PromptId::Copied: return PromptResult::Ok;
    case PromptId::NotKept: Say("the image could not be kept under " + target_.path); return PromptResult::Ok;
    case PromptId::RoomShortage:
      if (options_.force) {
        Say("the target may lack room for all of " + source + "; copying anyway (--force)");
        return PromptResult::Ignore;
      }
      Say("the target lacks room for all of " + source + " (--force copies anyway)");
      return PromptResult::Cancel;
    case PromptId::SameDrive:
      if (options_.force) {
        Say("the image goes on " + source + " itself, without the lock (--force)");
        return PromptResult::Yes;
      }
      Say("the image would go on " + source + " itself (--force allows it)");
      return PromptResult::Cancel;
  }
  return PromptResult::Cancel;
}

bool CopyHost::SelectedRow(DriveRecord& row) {
  row = DriveRecord{};
  row.RootPath = RootPathOf(letter_);
  row.MediaType = MediaTypeText(ops_.KindOf(row.RootPath)).value_or(std::string());
  return true;
}

// Asked again only after a No at the same-drive question, which is never
// given here.
bool CopyHost::RunSaveDialog(const std::string&, int, ImageTarget& target) {
  if (targetGiven_) return false;
  targetGiven_ = true;
  target = target_;
  return true;
}

// As in the windows, the copy is the one place where opening the source may
// ask for an authorization, and only someone at a terminal can give it.
bool CopyHost::RunCopyJob(char sourceLetter, const ImageTarget& target, std::string& keptPath) {
  if (StopSignals::Received() != 0) return false;  // stopped before it began: nothing to make
  ran_ = true;
  SleepInhibitor inhibitor;
  inhibitor.Hold("Copying " + options_.source + " to " + target.path);
  struct Interaction {
    VolumeOps& ops;
    Interaction(VolumeOps& o, bool allowed) : ops(o) { ops.SetInteractionAllowed(allowed); }
    ~Interaction() { ops.SetInteractionAllowed(false); }
  } interaction(ops_, ::isatty(STDIN_FILENO) == 1);
  copied_ = CopyDiskToImage(ops_, *this, sourceLetter, target, &keptPath_);
  // A lock that cannot be had leaves nothing: the empty image the job keeps
  // where the name was free goes again.
  struct stat st {};
  if (lockAborted_ && !keptPath_.empty() && ::lstat(keptPath_.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
      st.st_size == 0 && ::unlink(keptPath_.c_str()) == 0)
    keptPath_.clear();
  keptPath = keptPath_;
  return copied_;
}

std::uint8_t CopyHost::GetAbortFlag() { return StopSignals::Received() != 0 ? 1 : 0; }

bool CopyHost::WaitForDescriptor(int fd) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {stopDescriptor_, POLLIN, 0}};
  while (StopSignals::Received() == 0) {
    const int n = ::poll(fds, stopDescriptor_ >= 0 ? 2 : 1, -1);
    if (n < 0 && errno != EINTR) return true;  // the read itself then tells
    if (n > 0 && fds[0].revents != 0) return true;
  }
  pollfd read{fd, POLLIN, 0};
  int n;
  do {
    n = ::poll(&read, 1, kLastReadWaitMs);
  } while (n < 0 && errno == EINTR);
  return n > 0;
}

void CopyHost::BlockWritten(const void* data, std::uint32_t size) {
  if (digest_ != nullptr) digest_->Add(data, size);
}

void CopyHost::BytesCopied(std::int64_t copied, std::int64_t length) {
  copiedBytes_ = copied;
  length_ = length;
  progress_.Update(copied, length);
}

}  // namespace vorkan::cli
