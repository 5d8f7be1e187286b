// SPDX-License-Identifier: GPL-3.0-or-later
#include "Usage.h"

namespace vorkan::cli {
namespace {

#define VORKAN_SYNOPSIS                                  \
  "Usage: vorkan                     open the windows\n" \
  "       vorkan list [--json]\n"                        \
  "       vorkan copy SOURCE IMAGE [OPTION...]\n"        \
  "       vorkan verify IMAGE [SOURCE]\n"                \
  "       vorkan COMMAND --help\n"                       \
  "       vorkan --help | --version\n"

#define VORKAN_EXIT_STATUSES                                           \
  "Exit status:\n"                                                     \
  "  0    success\n"                                                   \
  "  1    the copy failed or was incomplete\n"                         \
  "  2    usage error\n"                                               \
  "  3    verify found a difference\n"                                 \
  "  4    complete but for unreadable sectors\n"                       \
  "  5    the image was kept under another name (printed on stdout)\n" \
  "  129  ended by SIGHUP\n"                                           \
  "  130  ended by SIGINT (Ctrl-C)\n"                                  \
  "  143  ended by SIGTERM\n"

}  // namespace

const char* UsageText() { return VORKAN_SYNOPSIS "Try 'vorkan --help' for more.\n"; }

const char* MainHelp() {
  return "Vorkan copies a whole disk volume byte for byte into an image file.\n"
         "Without a command it opens its windows; with one it runs without them.\n\n" VORKAN_SYNOPSIS
         "\nCommands:\n"
         "  list     the volumes the drive list shows\n"
         "  copy     copy a volume into an image file\n"
         "  verify   check an image against IMAGE.sha256 or against a source\n\n" VORKAN_EXIT_STATUSES;
}

const char* ListHelp() {
  return "Usage: vorkan list [--json]\n\n"
         "Lists every volume the windows' drive list shows, one line each: letter,\n"
         "device, label, type, size, free space, file system and mount point.\n\n"
         "  --json   a JSON array instead, with sizes in bytes\n";
}

const char* CopyHelp() {
  return "Usage: vorkan copy SOURCE IMAGE [OPTION...]\n\n"
         "Copies SOURCE byte for byte into the file IMAGE, which takes its name only\n"
         "once the copy is complete and on the disk.\n\n"
         "SOURCE is a drive letter as the windows show it (C: or C), a block device\n"
         "(/dev/sdb1, /dev/disk/by-label/NAME, a whole disk), the folder a volume is\n"
         "mounted on, or a regular file.\n\n"
         "Options:\n"
         "  --replace         replace an IMAGE that stands there (else it is refused)\n"
         "  --force           copy even when the target lacks room for all of SOURCE,\n"
         "                    or lies on SOURCE itself (without the lock)\n"
         "  --lock            open SOURCE exclusively; fail when it cannot be had\n"
         "  --keep-partial    keep the bytes copied when the copy ends early\n"
         "  --sha256          print the SHA-256 of the image as sha256sum does\n"
         "  --checksum-file   also write IMAGE.sha256 beside the image\n"
         "  --verify          read the image back from its disk and compare digests\n"
         "  --progress        show the progress on stderr even when it is no terminal\n"
         "  --progress=json   the progress as one JSON object a line on stderr\n\n"
         "Ctrl-C, SIGTERM and SIGHUP stop the copy; nothing is left under IMAGE\n"
         "unless --keep-partial.\n\n" VORKAN_EXIT_STATUSES;
}

const char* VerifyHelp() {
  return "Usage: vorkan verify IMAGE [SOURCE]\n\n"
         "Reads IMAGE back from its disk and compares it with the digest in\n"
         "IMAGE.sha256 or, given a SOURCE (named as for copy), byte for byte with the\n"
         "source, naming the first byte that differs.\n\n" VORKAN_EXIT_STATUSES;
}

}  // namespace vorkan::cli
