// SPDX-License-Identifier: GPL-3.0-or-later
#include "CopyRequest.h"

#include <cctype>

#include "ByteSize.h"
#include "TextFormat.h"
#include "volume/VolumeRoutines.h"

namespace vorkan {
namespace {

const char* const kShortageText =
    "Недостаточно места на диске!\n\rОсвободите %s и нажмите [Повтор] для сохранения полного образа,\n\r"
    "или нажмите [Игнорировать] для продолжения.";
const char* const kSameDriveText =
    "Вы действительно хотите сохранить образ диска на исходном диске %s:\\?\n\r"
    "Внимание! Это не рекомендуется! Блокировка также будет отключена.";
const char* const kSuccessText = "Диск %s успешно скопирован в %s.";

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

std::string ProposedImageName(char sourceLetter) { return std::string("диск_") + Lower(sourceLetter); }

void RunCopyRequest(VolumeOps& ops, CopyRequestHost& host) {
  DriveRecord row;
  ImageTarget target;
  const std::string& fileName = target.path;
  char source = 0;
  char targetLetter = 0;
  for (;;) {
    if (!host.SelectedRow(row) || row.RootPath.empty()) return;
    source = row.RootPath[0];
    const int filter = row.MediaType == kMediaTypeCdRom ? kFilterIndexISO : kFilterIndexIMA;
    if (!host.RunSaveDialog(ProposedImageName(source), filter, target)) return;
    targetLetter = ops.DriveLetterOfPath(fileName);

    // Room for the whole raw volume, asked again after every Retry: the
    // free space of the file system that will hold the image first, then
    // the length of the source.
    for (;;) {
      std::int64_t free = GetTargetFreeBytes(ops, fileName);
      std::int64_t length = GetDeviceLength(ops, kInvalidHandle, source);
      if (length <= free) break;
      free = GetTargetFreeBytes(ops, fileName);
      length = GetDeviceLength(ops, kInvalidHandle, source);
      const std::int64_t shortage = length - free;
      const PromptResult answer = host.ShowPrompt(
          PromptId::RoomShortage, FormatText(kShortageText, {FormatByteSize(shortage)}), PromptKind::Error,
          ButtonSet({PromptButton::Cancel, PromptButton::Retry, PromptButton::Ignore}));
      if (answer == PromptResult::Retry) continue;
      if (answer == PromptResult::Ignore) break;
      return;
    }

    if (Lower(targetLetter) != Lower(source)) break;
    const PromptResult answer = host.ShowPrompt(
        PromptId::SameDrive, FormatText(kSameDriveText, {std::string(1, targetLetter)}), PromptKind::Warning,
        ButtonSet({PromptButton::Yes, PromptButton::No, PromptButton::Cancel}));
    if (answer == PromptResult::Yes) {
      host.ClearLockOption();
      break;
    }
    if (answer != PromptResult::No) return;
    // No: propose again and let the user choose another place.
  }

  host.SetCopyControlsEnabled(false);
  std::string keptPath;
  const bool copied = host.RunCopyJob(source, target, keptPath);
  // Where the image is: a name taken meanwhile or a renamed folder put it
  // elsewhere than chosen.
  if (copied)
    host.ShowPrompt(PromptId::Copied, FormatText(kSuccessText, {row.RootPath, keptPath}),
                    PromptKind::Information, ButtonSet({PromptButton::OK}));
  host.SetCopyControlsEnabled(true);
  host.ClearRequestFlags();
  host.RestoreTitle();
  host.RestoreApplication();
  host.RebuildDriveList();
  host.FocusListIfActive();
}

}  // namespace vorkan
