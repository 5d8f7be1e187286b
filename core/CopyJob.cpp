#include "CopyJob.h"

#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <memory>
#include <new>

#include "ByteSize.h"
#include "TextFormat.h"
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
const char* const kPausedMark = "[ПАУЗА] ";

std::string Letter(char c) { return std::string(1, c); }

// One run of the job. The block loop in Run() reads as the job's steps; every
// ending is one method that takes its steps in its own order. Whatever is
// still held when the job is left by an exception (a host call that throws)
// is released by the destructor, lock first, so no descriptor or lock leaks.
class DiskCopyJob {
 public:
  DiskCopyJob(VolumeOps& ops, CopyJobHost& host, char sourceLetter, const std::string& targetFileName)
      : ops_(ops),
        host_(host),
        targetFileName_(targetFileName),
        // The target drive is that of the file system holding the image; it
        // cannot change during the job, so it is found once and not per block.
        targetLetter_(ops.DriveLetterOfPath(targetFileName)),
        sourceLetter_(sourceLetter),
        // The caption only ever takes these two texts.
        runningCaption_("Копирование диска " + Letter(sourceLetter) + ":\\"),
        pausedCaption_(kPausedMark + runningCaption_) {}
  DiskCopyJob(const DiskCopyJob&) = delete;
  DiskCopyJob& operator=(const DiskCopyJob&) = delete;
  ~DiskCopyJob() { CloseAll(); }

  bool Run() {
    image_ = ops_.CreateImage(targetFileName_);
    if (image_ == kInvalidImage) return CreateFailed();
    bool lockFlag = host_.GetLockOption();
    volume_ = ops_.OpenVolume(RawDevicePathOf(sourceLetter_));
    if (volume_ == kInvalidHandle) return OpenFailed();
    if (lockFlag && !TakeLock(lockFlag)) return LockAborted();
    locked_ = lockFlag;
    host_.SetLockOption(lockFlag);
    StartCopy();

    for (;;) {
      std::uint32_t count = 0;
      if (!ReadBlock(count)) return ReadFault();
      if (count == 0 && transferred_ == 0) return EmptyVolume();
      if (!AppendBlock(count)) return WriteFailure();
      transferred_ += count;

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
  PromptResult Prompt(const char* text, char letter, PromptKind kind,
                      std::initializer_list<PromptButton> buttons) {
    return host_.ShowPrompt(FormatText(text, {Letter(letter)}), kind, ButtonSet(buttons));
  }

  // False when the user aborted; Ignore clears the lock flag, a prompt closed
  // without a button leaves it set.
  bool TakeLock(bool& lockFlag) {
    while (!ops_.LockVolume(volume_)) {
      const PromptResult answer = Prompt(kLockText, sourceLetter_, PromptKind::Warning,
                                         {PromptButton::Abort, PromptButton::Retry, PromptButton::Ignore});
      if (answer == mrAbort) return false;
      if (answer == mrRetry) continue;
      if (answer == mrIgnore) lockFlag = false;
      break;
    }
    return true;
  }

  // At the end of the data short of the threshold: Retry reads on from where
  // the last read stopped.
  bool ReadAgain() {
    return Prompt(kMissingText, sourceLetter_, PromptKind::Error,
                  {PromptButton::Cancel, PromptButton::Retry}) == mrRetry;
  }

  void StartCopy() {
    total_ = GetDeviceLength(ops_, volume_, sourceLetter_) - TailMargin;
    totalText_ = FormatByteSize(total_);
    // Page-aligned: the kernel copies into and out of an aligned buffer at full
    // speed, while a malloc'd one (16 bytes past a page) runs at a third of it.
    buffer_.reset(static_cast<char*>(std::aligned_alloc(4096, CopyBlockSize)));
    if (!buffer_) throw std::bad_alloc();
  }

  // False on a read fault; a read that fails delivers 0 bytes instead.
  bool ReadBlock(std::uint32_t& count) {
    try {
      count = ops_.ReadVolume(volume_, buffer_.get(), CopyBlockSize);
      return true;
    } catch (...) {
      return false;
    }
  }

  bool AppendBlock(std::uint32_t count) {
    try {
      return ops_.AppendImage(image_, buffer_.get(), count);
    } catch (...) {
      return false;
    }
  }

  std::string DoneText() const { return FormatByteSize(transferred_) + " из " + totalText_; }

  void ShowProgress(const std::string& caption, const std::string& done, bool show) {
    const std::string freeText = FormatByteSize(GetFreeBytes(ops_, targetLetter_));
    const GaugeValues gauge = GaugeValuesFor(total_, transferred_);
    host_.ShowCopyProgress(caption, targetFileName_, done, freeText, gauge.maximum, gauge.position, show);
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
        FormatText(kKeepText,
                   {FormatByteSize(transferred_), FormatByteSize(total_ - transferred_), totalText_}),
        PromptKind::Confirmation, ButtonSet({PromptButton::Yes, PromptButton::No}));
    if (answer == mrNo) ops_.DeleteImage(targetFileName_);
  }

  // The unlock request is sent whenever the lock flag is set, even when the
  // lock was never granted (the prompt closed without a button).
  void Release() {
    if (locked_ && volume_ != kInvalidHandle) ops_.UnlockVolume(volume_);
    locked_ = false;
  }
  bool CloseImage() {
    if (image_ == kInvalidImage) return true;
    const bool ok = ops_.CloseImage(image_);
    image_ = kInvalidImage;
    return ok;
  }
  void CloseVolume() {
    if (volume_ != kInvalidHandle) ops_.CloseVolume(volume_);
    volume_ = kInvalidHandle;
  }
  // False when the image could not be closed whole.
  bool CloseAll() {
    Release();
    const bool imageClosed = CloseImage();
    CloseVolume();
    return imageClosed;
  }

  // --- the endings ---------------------------------------------------------

  bool CreateFailed() {
    Prompt(kCreateFailedText, targetLetter_, PromptKind::Error, {PromptButton::OK});
    return false;
  }
  bool OpenFailed() {
    CloseImage();
    ops_.DeleteImage(targetFileName_);
    Prompt(kEmptyText, sourceLetter_, PromptKind::Error, {PromptButton::OK});
    return false;
  }
  // The empty image stays where the user asked for it.
  bool LockAborted() {
    CloseVolume();
    CloseImage();
    return false;
  }
  bool EmptyVolume() {
    Prompt(kEmptyText, sourceLetter_, PromptKind::Error, {PromptButton::OK});
    CloseAll();
    ops_.DeleteImage(targetFileName_);
    return false;
  }
  bool ReadFault() {
    Prompt(kMissingText, sourceLetter_, PromptKind::Error, {PromptButton::OK});
    CloseAll();
    if (transferred_ > 0) KeepOrDelete();
    Hide();
    return false;
  }
  bool WriteFailure() {
    Prompt(kWriteFailedText, targetLetter_, PromptKind::Error, {PromptButton::OK});
    return EndEarly();
  }
  // Abort and incomplete, and a write failure once its prompt is shown.
  bool EndEarly() {
    CloseAll();
    KeepOrDelete();
    Hide();
    return false;
  }
  bool Succeed() {
    // Only an image that is on disk counts as copied: the data may still be
    // in memory, and Linux does not report write-back errors on close.
    const bool flushed = ops_.FlushImage(image_);
    if (!CloseAll() || !flushed) {
      // The system refused some of the data when it was flushed or closed (a
      // delayed write error): the image is not known to be whole, so it is
      // not a success.
      Prompt(kWriteFailedText, targetLetter_, PromptKind::Error, {PromptButton::OK});
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
  const std::string& targetFileName_;
  const char targetLetter_;
  const char sourceLetter_;
  const std::string runningCaption_;
  const std::string pausedCaption_;
  ImageHandle image_ = kInvalidImage;
  VolumeHandle volume_ = kInvalidHandle;
  bool locked_ = false;
  std::int64_t total_ = 0;
  std::string totalText_;
  std::unique_ptr<char, FreeBuffer> buffer_;
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

bool CopyDiskToImage(VolumeOps& ops, CopyJobHost& host, char sourceLetter,
                     const std::string& targetFileName) {
  return DiskCopyJob(ops, host, sourceLetter, targetFileName).Run();
}

}  // namespace vorkan
