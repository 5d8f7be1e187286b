// SPDX-License-Identifier: GPL-3.0-or-later
#include "CopyJob.h"

#include <chrono>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <memory>
#include <new>

#include "ByteSize.h"
#include "TextFormat.h"
#include "volume/Image.h"
#include "volume/Volume.h"
#include "volume/VolumeRoutines.h"

namespace vorkan {
namespace {

const char* const kCreateFailedText = "Ошибка чтения/записи диска %s:\\!";
const char* const kEmptyText = "Диск %s:\\ пуст, или ошибка чтения!";
const char* const kLockText =
    "Навозможно заблокировать диск %s:\\!\r"
    "Попробуйте закрыть все использующие его приложения и нажмите [Повтор],\r"
    "или нажмите [Игнорировать] для продолжения без блокировки диска.\r";
const char* const kMissingText = "Диск %s:\\ отсутствует или ошибка чтения!";
const char* const kWriteFailedText = "Диск %s:\\ переполнен или ошибка записи!";
const char* const kKeepText = "Вы хотите сохранить %s незавершенного файла (%s из %s отсутствует)?";
const char* const kKeptAtText = "Образ сохранен в %s.";
const char* const kNotKeptText = "Не удалось сохранить образ в %s!";
const char* const kPausedMark = "[ПАУЗА] ";
// The free space is asked of the file system at most this often: the field
// shows it no more often than a screen refresh or two, while a query per
// block costs a fast copy more than all the windows' own work per block.
constexpr std::chrono::milliseconds kFreeSpaceInterval{100};

std::string Letter(char c) { return std::string(1, c); }

// One run of the job. The block loop in Run() reads as the job's steps; every
// ending is one method that takes its steps in its own order. The volume and
// the image own their handles; whatever is still held when the job is left by
// an exception (a host call that throws) is released by the destructor in
// the endings' order, lock first, so no descriptor or lock leaks.
class DiskCopyJob {
 public:
  DiskCopyJob(VolumeOps& ops, CopyJobHost& host, char sourceLetter, const ImageTarget& target)
      : ops_(ops),
        host_(host),
        target_(target),
        targetFileName_(target.path),
        // The target drive is that of the file system holding the image; it
        // cannot change during the job, so it is found once and not per block.
        targetDrive_(ops.DriveNameOfPath(target.path)),
        sourceLetter_(sourceLetter),
        // The caption only ever takes these two texts.
        runningCaption_("Копирование диска " + Letter(sourceLetter) + ":\\"),
        pausedCaption_(kPausedMark + runningCaption_) {}
  DiskCopyJob(const DiskCopyJob&) = delete;
  DiskCopyJob& operator=(const DiskCopyJob&) = delete;
  // An image nobody decided on (a host call threw) is thrown away: what
  // stood under its name stays.
  ~DiskCopyJob() {
    CloseAll();
    image_.Delete();
  }

  // Where the image was kept; empty when it was not.
  const std::string& KeptPath() const { return keptPath_; }

  bool Run() {
    image_ = Image(ops_, targetFileName_, target_.replaces);
    if (!image_) return CreateFailed();
    bool lockFlag = host_.GetLockOption();
    volume_ = Volume(ops_, sourceLetter_);
    if (!volume_) return OpenFailed();
    if (lockFlag && !TakeLock(lockFlag)) return LockAborted();
    locked_ = lockFlag;
    host_.SetLockOption(lockFlag);
    StartCopy();

    for (;;) {
      std::uint32_t count = 0;
      if (!ReadBlock(count)) return ReadFault();
      if (abandoned_) return EndEarly();
      if (count == 0 && transferred_ == 0) return EmptyVolume();
      if (!AppendBlock(count)) return WriteFailure();
      transferred_ += count;
      if (count != 0) host_.BlockWritten(buffer_.get(), count);
      host_.BytesCopied(transferred_, total_ + TailMargin);

      if (host_.GetAbortFlag() == 1) return EndEarly();
      while (host_.GetPauseFlag() == 1) {
        Report(true);
        host_.ProcessPendingEvents();
        if (host_.GetAbortFlag() == 1) return EndEarly();
      }
      Report(false);
      if (count != 0) continue;

      if (transferred_ >= total_) return Succeed();
      if (!ReadAgain()) return EndEarly();  // incomplete
    }
  }

 private:
  PromptResult Prompt(PromptId id, const char* text, const std::string& drive, PromptKind kind,
                      std::initializer_list<PromptButton> buttons) {
    return host_.ShowPrompt(id, FormatDriveText(text, drive), kind, ButtonSet(buttons));
  }
  PromptResult Prompt(PromptId id, const char* text, char letter, PromptKind kind,
                      std::initializer_list<PromptButton> buttons) {
    return Prompt(id, text, Letter(letter), kind, buttons);
  }

  // False when the user aborted; Ignore clears the lock flag, a prompt closed
  // without a button leaves it set.
  bool TakeLock(bool& lockFlag) {
    while (!volume_.Lock()) {
      const PromptResult answer = Prompt(PromptId::LockRefused, kLockText, sourceLetter_, PromptKind::Warning,
                                         {PromptButton::Abort, PromptButton::Retry, PromptButton::Ignore});
      if (answer == PromptResult::Abort) return false;
      if (answer == PromptResult::Retry) continue;
      if (answer == PromptResult::Ignore) lockFlag = false;
      break;
    }
    return true;
  }

  // At the end of the data short of the threshold: Retry reads on from where
  // the last read stopped.
  bool ReadAgain() {
    return Prompt(PromptId::EndOfDataEarly, kMissingText, sourceLetter_, PromptKind::Error,
                  {PromptButton::Cancel, PromptButton::Retry}) == PromptResult::Retry;
  }

  void StartCopy() {
    total_ = GetDeviceLength(ops_, volume_.Handle(), sourceLetter_) - TailMargin;
    totalText_ = FormatByteSize(total_);
    // Page-aligned: the kernel copies into and out of an aligned buffer at full
    // speed, while a malloc'd one (16 bytes past a page) runs at a third of it.
    buffer_.reset(static_cast<char*>(std::aligned_alloc(4096, CopyBlockSize)));
    if (!buffer_) throw std::bad_alloc();
  }

  // False on a read fault; a read that fails delivers 0 bytes instead.
  // While the device takes its time the windows go on (the flags they set
  // are looked at once the block is in, as between any two blocks); when the
  // program ends meanwhile, the read is abandoned.
  bool ReadBlock(std::uint32_t& count) {
    try {
      const int wait = volume_.BeginRead(buffer_.get(), CopyBlockSize);
      if (wait >= 0) {
        bool in = false;
        try {
          in = host_.WaitForDescriptor(wait);
        } catch (...) {
          volume_.EndRead(buffer_.get(), CopyBlockSize);  // the kernel is done with the buffer
          throw;
        }
        if (!in) {
          // The program is ending: a device that may never answer is not
          // waited for, and the buffer goes with the read it may still fill.
          volume_.AbandonRead(buffer_.release());
          abandoned_ = true;
          return true;
        }
      }
      count = volume_.EndRead(buffer_.get(), CopyBlockSize);
      return true;
    } catch (...) {
      return false;
    }
  }

  bool AppendBlock(std::uint32_t count) {
    try {
      return image_.Append(buffer_.get(), count);
    } catch (...) {
      return false;
    }
  }

  std::string DoneText() const { return FormatByteSize(transferred_) + " из " + totalText_; }

  // The first report and the last take a new look at the free space; those
  // between, once the last look is a little while old.
  void ShowProgress(const std::string& caption, const std::string& done, bool show) {
    const auto now = std::chrono::steady_clock::now();
    if (freeText_.empty() || !show || now - freeAskedAt_ >= kFreeSpaceInterval) {
      freeText_ = FormatByteSize(GetTargetFreeBytes(ops_, targetFileName_));
      freeAskedAt_ = now;
    }
    const GaugeValues gauge = GaugeValuesFor(total_, transferred_);
    host_.ShowCopyProgress(caption, targetFileName_, done, freeText_, gauge.maximum, gauge.position, show);
  }

  // The percentage is read after the progress is shown: it is the gauge's new value.
  void Report(bool paused) {
    const std::string done = DoneText();
    ShowProgress(paused ? pausedCaption_ : runningCaption_, done, true);
    std::string title;
    title.reserve(64);
    if (paused) title += kPausedMark;
    title += host_.GetMainCaption();
    title += " - ";
    title += std::to_string(host_.GetPercentComplete());
    title += "% (";
    title += done;
    title += ')';
    host_.SetAppTitle(title);
  }

  void Hide() { ShowProgress(runningCaption_, DoneText(), false); }

  void KeepOrDelete() {
    const PromptResult answer = host_.ShowPrompt(
        PromptId::KeepPartial,
        FormatText(kKeepText,
                   {FormatByteSize(transferred_), FormatByteSize(total_ - transferred_), totalText_}),
        PromptKind::Confirmation, ButtonSet({PromptButton::Yes, PromptButton::No}));
    // Any answer but No keeps it, under the chosen name or beside it.
    if (answer == PromptResult::No) {
      image_.Delete();
      keptPath_.clear();
      return;
    }
    KeepImage(true);
    if (image_.Kept() && keptPath_ == targetFileName_) return;
    // Kept elsewhere than the user will look, or not at all: say so.
    if (!keptPath_.empty())
      host_.ShowPrompt(PromptId::KeptElsewhere, FormatText(kKeptAtText, {keptPath_}), PromptKind::Information,
                       ButtonSet({PromptButton::OK}));
    else
      host_.ShowPrompt(PromptId::NotKept, FormatText(kNotKeptText, {targetFileName_}), PromptKind::Error,
                       ButtonSet({PromptButton::OK}));
  }

  // The unlock request is sent whenever the lock flag is set, even when the
  // lock was never granted (the prompt closed without a button).
  void Release() {
    if (locked_ && volume_) volume_.Unlock();
    locked_ = false;
  }
  // Beside: a name that is taken costs the image nothing, it takes another.
  bool KeepImage(bool beside) { return image_.Keep(beside, keptPath_); }
  // False when the image could not be closed whole.
  bool CloseAll() {
    Release();
    const bool imageClosed = image_.Close();
    volume_.Close();
    return imageClosed;
  }

  // --- the endings ---------------------------------------------------------

  bool CreateFailed() {
    Prompt(PromptId::ImageNotCreated, kCreateFailedText, targetDrive_, PromptKind::Error, {PromptButton::OK});
    return false;
  }
  bool OpenFailed() {
    image_.Close();
    image_.Delete();
    Prompt(PromptId::SourceUnreadable, kEmptyText, sourceLetter_, PromptKind::Error, {PromptButton::OK});
    return false;
  }
  // The empty image stays where the user asked for it, unless a file of
  // that name is there: an abort must not cost the user that file.
  bool LockAborted() {
    volume_.Close();
    image_.Close();
    KeepImage(false);
    return false;
  }
  bool EmptyVolume() {
    Prompt(PromptId::SourceUnreadable, kEmptyText, sourceLetter_, PromptKind::Error, {PromptButton::OK});
    CloseAll();
    image_.Delete();
    return false;
  }
  bool ReadFault() {
    Prompt(PromptId::SourceMissing, kMissingText, sourceLetter_, PromptKind::Error, {PromptButton::OK});
    CloseAll();
    // Nothing read: the empty file stays only where no file was before.
    if (transferred_ > 0)
      KeepOrDelete();
    else
      KeepImage(false);
    Hide();
    return false;
  }
  bool WriteFailure() {
    Prompt(PromptId::WriteFailed, kWriteFailedText, targetDrive_, PromptKind::Error, {PromptButton::OK});
    return EndEarly();
  }
  // Abort and incomplete, and a write failure once its prompt is shown.
  bool EndEarly() {
    CloseAll();
    KeepOrDelete();
    Hide();
    return false;
  }
  // Only an image that is on disk, whole and under its name counts as
  // copied: the data may still be in memory (Linux does not report
  // write-back errors on close), a file system may keep less than it was
  // given (FAT's 4 GiB), and the folder may have gone. These checks are made
  // while everything is still open, so a failure takes the write-failure
  // ending in its own order.
  bool Succeed() {
    if (!image_.Flush(transferred_) || !KeepImage(true)) return WriteFailure();
    if (!CloseAll()) {
      // A delayed write error the system reported only at the close.
      Prompt(PromptId::WriteFailed, kWriteFailedText, targetDrive_, PromptKind::Error, {PromptButton::OK});
      KeepOrDelete();
      Hide();
      return false;
    }
    Hide();
    return true;
  }

  struct FreeBuffer {
    void operator()(char* p) const { std::free(p); }
  };

  VolumeOps& ops_;
  CopyJobHost& host_;
  const ImageTarget& target_;
  const std::string& targetFileName_;
  const std::string targetDrive_;
  const char sourceLetter_;
  const std::string runningCaption_;
  const std::string pausedCaption_;
  Image image_;
  std::string keptPath_;
  Volume volume_;
  bool locked_ = false;  // the lock flag the job took the volume with
  std::int64_t total_ = 0;
  std::string totalText_;
  std::string freeText_;  // empty until the free space was first asked for
  std::chrono::steady_clock::time_point freeAskedAt_;
  std::unique_ptr<char, FreeBuffer> buffer_;
  bool abandoned_ = false;  // the last read was left to the kernel
  std::int64_t transferred_ = 0;
};

}  // namespace

GaugeValues GaugeValuesFor(std::int64_t total, std::int64_t transferred) {
  const std::int64_t maxUnits = total / 512;
  if (maxUnits < 0) return {1, 1};
  if (maxUnits <= std::numeric_limits<std::int32_t>::max()) {
    // Positions past the threshold are held by the gauge at its maximum;
    // only their 32-bit form must not wrap into a negative value.
    std::int64_t pos = transferred / 512;
    if (pos > std::numeric_limits<std::int32_t>::max()) pos = std::numeric_limits<std::int32_t>::max();
    return {static_cast<std::int32_t>(maxUnits), static_cast<std::int32_t>(pos)};
  }
  // 2^40 bytes and more: a fixed maximum divisible by 100 keeps the gauge's
  // whole percentage equal to that of the bytes, floor(100 * transferred / total).
  constexpr std::int32_t kScaledMaximum = 2000000000;
  __int128 pos = static_cast<__int128>(transferred) * kScaledMaximum / total;
  if (pos > kScaledMaximum) pos = kScaledMaximum;
  if (pos < 0) pos = 0;
  return {kScaledMaximum, static_cast<std::int32_t>(pos)};
}

bool CopyDiskToImage(VolumeOps& ops, CopyJobHost& host, char sourceLetter, const ImageTarget& target,
                     std::string* keptPath) {
  DiskCopyJob job(ops, host, sourceLetter, target);
  const bool copied = job.Run();
  if (keptPath != nullptr) *keptPath = job.KeptPath();
  return copied;
}

bool CopyDiskToImage(VolumeOps& ops, CopyJobHost& host, char sourceLetter,
                     const std::string& targetFileName) {
  return CopyDiskToImage(ops, host, sourceLetter, ReplacingWhatStands(targetFileName));
}

}  // namespace vorkan
