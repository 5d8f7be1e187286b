#include "CopyJob.h"

#include <cstdlib>
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

// What the job holds open. The endings release and close in their own order;
// whatever is still held when the job is left by an exception (a host call
// that throws) is released here, lock first, so no descriptor or lock leaks.
class JobResources {
 public:
  JobResources(VolumeOps& ops, ImageHandle image) : ops_(ops), image_(image) {}
  JobResources(const JobResources&) = delete;
  JobResources& operator=(const JobResources&) = delete;
  ~JobResources() {
    Release();
    CloseImage();
    CloseVolume();
  }

  void SetVolume(VolumeHandle volume) { volume_ = volume; }
  VolumeHandle Volume() const { return volume_; }
  ImageHandle Image() const { return image_; }
  void SetLocked(bool locked) { locked_ = locked; }

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

 private:
  VolumeOps& ops_;
  ImageHandle image_;
  VolumeHandle volume_ = kInvalidHandle;
  bool locked_ = false;
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
  // The target drive is that of the file system holding the image; it cannot
  // change during the job, so it is found once and not per block.
  const char targetLetter = ops.DriveLetterOfPath(targetFileName);
  const std::string source = Letter(sourceLetter);

  const ImageHandle image = ops.CreateImage(targetFileName);
  if (image == kInvalidImage) {
    host.ShowPrompt(FormatText(kCreateFailedText, {Letter(targetLetter)}), PromptKind::Error,
                    ButtonSet({PromptButton::OK}));
    return false;
  }
  JobResources held(ops, image);

  bool lockFlag = host.GetLockOption();

  held.SetVolume(ops.OpenVolume(RawDevicePathOf(sourceLetter)));
  if (held.Volume() == kInvalidHandle) {
    held.CloseImage();
    ops.DeleteImage(targetFileName);
    host.ShowPrompt(FormatText(kEmptyText, {source}), PromptKind::Error, ButtonSet({PromptButton::OK}));
    return false;
  }

  if (lockFlag) {
    while (!ops.LockVolume(held.Volume())) {
      const PromptResult answer =
          host.ShowPrompt(FormatText(kLockText, {source}), PromptKind::Warning,
                          ButtonSet({PromptButton::Abort, PromptButton::Retry, PromptButton::Ignore}));
      if (answer == mrAbort) {
        // The empty image stays where the user asked for it.
        held.CloseVolume();
        held.CloseImage();
        return false;
      }
      if (answer == mrRetry) continue;
      if (answer == mrIgnore) lockFlag = false;
      break;
    }
  }
  held.SetLocked(lockFlag);
  host.SetLockOption(lockFlag);

  const std::int64_t total = GetDeviceLength(ops, held.Volume(), sourceLetter) - TailMargin;
  // Page-aligned: the kernel copies into and out of an aligned buffer at full
  // speed, while a malloc'd one (16 bytes past a page) runs at a third of it.
  struct FreeBuffer {
    void operator()(char* p) const { std::free(p); }
  };
  std::unique_ptr<char, FreeBuffer> buffer(static_cast<char*>(std::aligned_alloc(4096, CopyBlockSize)));
  if (!buffer) throw std::bad_alloc();
  std::int64_t transferred = 0;

  const std::string totalText = FormatByteSize(total);
  auto doneText = [&] { return FormatByteSize(transferred) + " из " + totalText; };
  // The caption only ever takes these two texts.
  const std::string runningCaption = "Копирование диска " + source + ":\\";
  const std::string pausedCaption = kPausedMark + runningCaption;
  auto caption = [&](bool paused) -> const std::string& { return paused ? pausedCaption : runningCaption; };
  auto report = [&](bool paused) {
    const std::string freeText = FormatByteSize(GetFreeBytes(ops, targetLetter));
    const GaugeValues gauge = GaugeValuesFor(total, transferred);
    const std::string done = doneText();
    host.ShowCopyProgress(caption(paused), targetFileName, done, freeText, gauge.maximum,
                          gauge.position, true);
    std::string title;
    title.reserve(64);
    if (paused) title += kPausedMark;
    title += host.GetMainCaption();
    title += " - ";
    title += std::to_string(host.GetPercentComplete());
    title += "% (";
    title += done;
    title += ')';
    host.SetAppTitle(title);
  };
  auto hide = [&] {
    const std::string freeText = FormatByteSize(GetFreeBytes(ops, targetLetter));
    const GaugeValues gauge = GaugeValuesFor(total, transferred);
    host.ShowCopyProgress(caption(false), targetFileName, doneText(), freeText, gauge.maximum,
                          gauge.position, false);
  };
  auto keepOrDelete = [&] {
    const PromptResult answer = host.ShowPrompt(
        FormatText(kKeepText, {FormatByteSize(transferred), FormatByteSize(total - transferred), totalText}),
        PromptKind::Confirmation, ButtonSet({PromptButton::Yes, PromptButton::No}));
    if (answer == mrNo) ops.DeleteImage(targetFileName);
  };
  auto closeBoth = [&] {
    held.Release();
    const bool imageClosed = held.CloseImage();
    held.CloseVolume();
    return imageClosed;
  };
  auto writeFailure = [&] {
    host.ShowPrompt(FormatText(kWriteFailedText, {Letter(targetLetter)}), PromptKind::Error,
                    ButtonSet({PromptButton::OK}));
  };
  // abort, incomplete, and a write failure once both handles are closed.
  auto endEarly = [&] {
    closeBoth();
    keepOrDelete();
    hide();
    return false;
  };

  for (;;) {
    std::uint32_t count = 0;
    try {
      count = ops.ReadVolume(held.Volume(), buffer.get(), CopyBlockSize);
    } catch (...) {
      host.ShowPrompt(FormatText(kMissingText, {source}), PromptKind::Error, ButtonSet({PromptButton::OK}));
      closeBoth();
      if (transferred > 0) keepOrDelete();
      hide();
      return false;
    }

    if (count == 0 && transferred == 0) {
      host.ShowPrompt(FormatText(kEmptyText, {source}), PromptKind::Error, ButtonSet({PromptButton::OK}));
      closeBoth();
      ops.DeleteImage(targetFileName);
      return false;
    }

    bool written = false;
    try {
      written = ops.AppendImage(held.Image(), buffer.get(), count);
    } catch (...) {
      written = false;
    }
    if (!written) {
      writeFailure();
      return endEarly();
    }
    transferred += count;

    if (host.GetAbortFlag() == 1) return endEarly();
    while (host.GetPauseFlag() == 1) {
      report(true);
      host.ProcessPendingEvents();
      if (host.GetAbortFlag() == 1) return endEarly();
    }
    report(false);
    if (count != 0) continue;

    if (transferred >= total) {
      if (!closeBoth()) {
        // The system refused the last of the data on close (a delayed write
        // error): the image is not known to be whole, so it is not a success.
        writeFailure();
        keepOrDelete();
        hide();
        return false;
      }
      hide();
      return true;
    }
    const PromptResult answer = host.ShowPrompt(FormatText(kMissingText, {source}), PromptKind::Error,
                                                ButtonSet({PromptButton::Cancel, PromptButton::Retry}));
    if (answer == mrRetry) continue;
    return endEarly();
  }
}

}  // namespace vorkan
